#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>

#include "platform/shell/run_dialog.h"
#include "platform/shell/shell_actions.h"
#include "support/iconv.h"
#include "support/program_dir.h"
#include "support/scripted_prompts.h"
#include "support/stand_ins.h"
#include "support/trash.h"

namespace ui = dezu::ui;

// The desktop's own programs, as the program starts them, with stand-ins on
// PATH and a stand-in system bus.
class DesktopShellTest : public ProgramDirTest {
protected:
    void SetUp() override {
        ProgramDirTest::SetUp();
        // Never the real system bus.
        setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + path("no-bus")).c_str(), 1);
    }

    StandInPrograms programs;
    ScriptedPrompts prompts;
    dezu::shell::DesktopShell shell{prompts};
};

TEST_F(DesktopShellTest, PowerOffAsksLogindElseSystemctl) {
    const std::vector<std::string> power_off = {"org.freedesktop.login1.Manager.PowerOff(true)"};
    struct Case {
        const char* what;
        bool bus;     // a system bus with logind on it
        bool refuse;  // logind says no
        std::vector<std::string> logind_calls;
        std::vector<std::string> programs_run;
    } cases[] = {
        {"logind answers", true, false, power_off, {}},
        {"logind refuses", true, true, power_off, {}},
        {"no system bus", false, false, {}, {"systemctl [poweroff]"}},
    };
    programs.add("systemctl");
    for (const auto& c : cases) {
        std::filesystem::remove(programs.log());
        std::optional<StandInLogind> logind;
        if (c.bus) {
            logind.emplace();
            if (!logind->ok()) GTEST_SKIP() << "no dbus-daemon for the stand-in bus";
            if (c.refuse) logind->refuse();
            setenv("DBUS_SYSTEM_BUS_ADDRESS", logind->address().c_str(), 1);
        }
        shell.power_off();
        if (logind) {
            wait_until([&] { return !logind->calls().empty(); }, 5000);
            EXPECT_EQ(logind->calls(), c.logind_calls) << c.what;
        }
        programs.wait_for_calls(c.programs_run.size());
        run_timer_periods(20, 10);  // and no fallback after the answer
        EXPECT_EQ(programs.calls(), c.programs_run) << c.what;
        setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + path("no-bus")).c_str(), 1);
    }
    EXPECT_TRUE(prompts.asked().empty());
}

TEST_F(DesktopShellTest, SettingsProgramIsTheFirstOneFound) {
    EXPECT_FALSE(shell.open_settings_program());  // none installed
    run_timer_periods(20, 10);
    EXPECT_TRUE(programs.calls().empty());
    programs.add("xfce4-settings-manager");
    programs.add("systemsettings");
    EXPECT_TRUE(shell.open_settings_program());
    EXPECT_EQ(programs.wait_for_calls(1), std::vector<std::string>{"systemsettings"});
}

TEST_F(DesktopShellTest, ScreenSaverStartsThroughXdgScreensaver) {
    EXPECT_FALSE(shell.start_screen_saver());  // none installed
    programs.add("xdg-screensaver");
    EXPECT_TRUE(shell.start_screen_saver());
    EXPECT_EQ(programs.wait_for_calls(1), std::vector<std::string>{"xdg-screensaver [activate]"});
}

// The real wastebasket takes a file by its name's bytes, whatever their
// encoding, and keeps the record that puts it back where it was.
TEST_F(DesktopShellTest, WastebasketTakesEveryNameByItsBytes) {
    ASSERT_TRUE(dezu::files::make_directory(path("songs")));
    if (const std::string why = Wastebasket::unusable_for(path("songs")); !why.empty())
        GTEST_SKIP() << why;
    const struct Case {
        const char* what;
        std::string name;
    } cases[] = {
        {"GBK, as a Windows archive unpacks", gbk("海边") + ".mp3"},
        {"UTF-8", "春天.mp3"},
        {"characters an address escapes", "50% a#b?.mp3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string song = path("songs/" + c.name);
        write_file("songs/" + c.name, c.what);
        EXPECT_TRUE(shell.move_to_trash(song));
        EXPECT_FALSE(std::filesystem::exists(song));
        const std::vector<std::string> names = Wastebasket::names_from(song);
        ASSERT_EQ(names.size(), 1u);
        EXPECT_EQ(names[0], c.name);
        EXPECT_EQ(dezu::files::read_whole_file(Wastebasket::file(names[0])), c.what);
    }
    // A second file of a name already in the wastebasket keeps the first one.
    const std::string again = path("songs/" + cases[0].name);
    write_file("songs/" + cases[0].name, "again");
    EXPECT_TRUE(shell.move_to_trash(again));
    std::vector<std::string> contents;
    for (const std::string& name : Wastebasket::names_from(again))
        contents.push_back(dezu::files::read_whole_file(Wastebasket::file(name)));
    std::sort(contents.begin(), contents.end());
    EXPECT_EQ(contents, (std::vector<std::string>{"GBK, as a Windows archive unpacks", "again"}));
}

// What names no file of its own is refused and leaves every file as it was:
// a relative name would be taken from wherever the program was started.
TEST_F(DesktopShellTest, WastebasketRefusesWhatNamesNoFile) {
    write_file("here.mp3", "here");
    const std::filesystem::path started = std::filesystem::current_path();
    std::filesystem::current_path(dir());
    for (const std::string& refused :
         {std::string(), std::string("here.mp3"), path("gone.mp3"), path("no/such/folder/a.mp3")}) {
        SCOPED_TRACE(refused);
        EXPECT_FALSE(shell.move_to_trash(refused));
        EXPECT_TRUE(Wastebasket::names_from(refused).empty());
    }
    std::filesystem::current_path(started);
    EXPECT_EQ(read_file("here.mp3"), "here");
    EXPECT_TRUE(std::filesystem::exists(dir()));
}

class RunDialogTest : public DesktopShellTest {
protected:
    dezu::shell::RunDialog* open() {
        shell.show_run_dialog(owner.get());
        auto* dialog = owner->findChild<dezu::shell::RunDialog*>();
        EXPECT_NE(dialog, nullptr);
        return dialog;
    }
    // Types the text and presses OK.
    void run(const std::string& text) {
        auto* dialog = open();
        dialog->command()->setEditText(QString::fromStdString(text));
        dialog->findChild<QPushButton*>(QStringLiteral("ok"))->click();
    }
    std::vector<std::string> history() {
        std::vector<std::string> items;
        auto* box = open()->command();
        for (int i = 0; i < box->count(); ++i) items.push_back(box->itemText(i).toStdString());
        return items;
    }
    dezu::shell::RunDialog* shown() const { return owner->findChild<dezu::shell::RunDialog*>(); }

    std::unique_ptr<QWidget> owner = std::make_unique<QWidget>();
};

TEST_F(RunDialogTest, StartsCommandLinesAndOpensEverythingElse) {
    programs.add("standin-editor");
    programs.add("xdg-open");
    write_file("notes.txt", "x");
    std::filesystem::create_directory(path("some folder"));
    write_file("tool.sh", "#!/bin/sh\necho tool >> '" + programs.log() + "'\n");
    std::filesystem::permissions(path("tool.sh"), std::filesystem::perms::owner_all);

    const std::pair<std::string, std::string> cases[] = {
        {"standin-editor --new 'a b.txt'", "standin-editor [--new] [a b.txt]"},
        {R"(standin-editor "say \"hi\"" c\ d '')", R"(standin-editor [say "hi"] [c d] [])"},
        {"  https://example.org/x?y=1  ", "xdg-open [https://example.org/x?y=1]"},
        {"about:blank", "xdg-open [about:blank]"},
        {path("notes.txt"), "xdg-open [" + path("notes.txt") + "]"},
        {path("some folder"), "xdg-open [" + path("some folder") + "]"},
        {path("tool.sh"), "tool"},
    };
    std::size_t n = 0;
    for (const auto& [typed, call] : cases) {
        run(typed);
        const auto calls = programs.wait_for_calls(++n);
        ASSERT_EQ(calls.size(), n) << typed;
        EXPECT_EQ(calls.back(), call) << typed;
        EXPECT_FALSE(shown()->isVisible()) << typed;
    }
    EXPECT_TRUE(prompts.messages().empty());
}

TEST_F(RunDialogTest, KeepsTheOwnersHistoryLatestFirst) {
    programs.add("one");
    programs.add("two");
    run("one");
    run("two");
    run("one");
    EXPECT_EQ(history(), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(open()->command()->currentText(), "one");
    owner = std::make_unique<QWidget>();  // a new session starts with none
    EXPECT_TRUE(history().empty());
}

TEST_F(RunDialogTest, SaysSoWhenNothingCanBeStarted) {
    for (const std::string& typed :
         std::vector<std::string>{"no-such-program --x", path("missing/tool"), "'unclosed"}) {
        run(typed);
        EXPECT_TRUE(shown()->isVisible()) << typed;
        EXPECT_EQ(shown()->command()->count(), 0) << typed << ": not remembered";
    }
    ASSERT_EQ(prompts.messages().size(), 3u);
    EXPECT_EQ(prompts.messages().front(),
              "找不到“no-such-program --x”。请确认名称是否正确，然后再试一次。");
    EXPECT_TRUE(programs.calls().empty());
}

TEST_F(RunDialogTest, BrowsePutsTheChosenFileInTheField) {
    auto* dialog = open();
    auto* browse = dialog->findChild<QPushButton*>(QStringLiteral("browse"));
    prompts.then_files({"/opt/my tools/run me"});
    browse->click();
    EXPECT_EQ(dialog->command()->currentText(), "\"/opt/my tools/run me\"");
    prompts.then_cancel();
    browse->click();
    EXPECT_EQ(dialog->command()->currentText(), "\"/opt/my tools/run me\"");
    EXPECT_EQ(prompts.asked().back().kind, ui::Prompt::Kind::OpenFiles);
}
