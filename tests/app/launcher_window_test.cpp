#include "app/launcher_window.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <set>

#include "app/globals.h"
#include "app/register_windows.h"
#include "platform/settings/settings_file.h"
#include "platform/shell/run_dialog.h"
#include "platform/ui/controls.h"
#include "platform/ui/fonts.h"
#include "platform/ui/foreground.h"
#include "platform/ui/messages.h"
#include "platform/ui/timer_control.h"
#include "platform/ui/tray.h"
#include "platform/ui/window_ids.h"
#include "stand_ins.h"
#include "support/program_dir.h"
#include "support/scripted_prompts.h"

namespace ui = dezu::ui;
using dezu::settings::write_setting;

namespace {

// Tool windows that other issues build; these record their loading and closing.
struct ToolCounts {
    int created = 0;
    int closed = 0;
};
std::map<std::string, ToolCounts> tool_counts;

class StandInTool : public ui::Form {
public:
    explicit StandInTool(const std::string& id) : Form(id) {}
    void on_created() override { ++tool_counts[window_id()].created; }
    void on_closing() override { ++tool_counts[window_id()].closed; }
};

const char* const kTools[] = {ui::windows::kPlayerBar,        ui::windows::kDesktopClock,
                              ui::windows::kWallpaperManager, ui::windows::kDiaryBook,
                              ui::windows::kMailCompose,      ui::windows::kSettings};

constexpr QRect kScreen(0, 0, 1024, 768);

}  // namespace

class LauncherTest : public ProgramDirTest {
protected:
    void SetUp() override {
        ProgramDirTest::SetUp();
        // Never the real system bus.
        setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + path("no-bus")).c_str(), 1);
        for (const char* key : {"显示启动画面", "自动播放", "自动启动"})
            write_setting(clock_ini(), "系统参数", key, "N");
        tool_counts.clear();
        register_all_windows();
        for (const char* id : kTools)
            ui::register_window(id, [id] { return std::make_unique<StandInTool>(id); });
        ui::set_screen_for_test(kScreen);
        ui::load_window(ui::windows::kLauncher);
        launcher = ui::loaded_window_as<LauncherWindow>(ui::windows::kLauncher);
        ASSERT_NE(launcher, nullptr);
    }
    void TearDown() override {
        for (const char* id : kTools) ui::unregister_window(id);
        register_all_windows();
        ui::set_pointer_for_test(std::nullopt);
        ui::set_screen_for_test(std::nullopt);
        ui::set_foreground_for_test(std::nullopt);
        ProgramDirTest::TearDown();
    }

    // A tray notification of that kind with the pointer at (x, y).
    void tray_click(int x, int y,
                    QSystemTrayIcon::ActivationReason kind = QSystemTrayIcon::Trigger) {
        ui::set_pointer_for_test(QPoint(x, y));
        QSystemTrayIcon* icon = ui::current_tray_icon();
        ASSERT_NE(icon, nullptr);
        emit icon->activated(kind);
    }
    void click_row(int row) { launcher->row_button(row)->click(); }
    // The pointer moving over a row's super button.
    void move_over(int row) {
        ui::SuperButton* button = launcher->row_button(row);
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), button->mapToGlobal(QPointF(5, 5)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(button, &move);
    }
    std::vector<int> highlighted_rows() const {
        std::vector<int> rows;
        for (int row = 1; row <= LauncherWindow::kRows; ++row)
            if (launcher->row_button(row)->highlight()) rows.push_back(row);
        return rows;
    }

    LauncherWindow* launcher = nullptr;
};

TEST_F(LauncherTest, PopsUpAtThePointerAndStaysOnTheScreen) {
    const int w = LauncherWindow::kWidth, h = LauncherWindow::kHeight, right = kScreen.width();
    struct Case {
        const char* what;
        int x, y;
        int left, top;
    } cases[] = {
        {"bottom edge at the pointer", 500, 700, 498, 700 - h},
        {"x = 1", 1, 700, 0, 700 - h},
        {"50 from the right edge", right - 50, 700, right - w - 2, 700 - h},
        {"at the right edge", right - 1, 700, right - w - 2, 700 - h},
        {"y = 100", 300, 100, 298, 0},
        {"corner", 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        tray_click(c.x, c.y);
        EXPECT_TRUE(launcher->isVisible()) << c.what;
        EXPECT_EQ(launcher->geometry(), QRect(c.left, c.top, w, h)) << c.what;
    }
    EXPECT_TRUE(launcher->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(launcher->auto_hide_timer()->interval(), 200);
}

TEST_F(LauncherTest, EveryKindOfTrayNotificationPopsUp) {
    ui::set_foreground_for_test(nullptr);
    for (auto kind :
         {QSystemTrayIcon::Trigger, QSystemTrayIcon::Context, QSystemTrayIcon::MiddleClick,
          QSystemTrayIcon::DoubleClick, QSystemTrayIcon::Unknown}) {
        auto_hide_launcher();
        ASSERT_FALSE(launcher->isVisible());
        ASSERT_EQ(launcher->auto_hide_timer()->interval(), 0);
        tray_click(400, 600, kind);
        EXPECT_TRUE(launcher->isVisible()) << kind;
        EXPECT_EQ(launcher->pos(), QPoint(398, 600 - LauncherWindow::kHeight)) << kind;
        EXPECT_EQ(launcher->auto_hide_timer()->interval(), 200) << kind;
    }
}

TEST_F(LauncherTest, HidesOnceAnotherWindowHasTheForeground) {
    ui::load_window(ui::windows::kSettings);
    QWidget* own_other = ui::loaded_window(ui::windows::kSettings);
    struct Case {
        const char* what;
        QWidget* foreground;
        bool stays;
    } cases[] = {
        {"the panel itself", launcher, true},
        {"another window of dezu", own_other, false},
        {"another program's window", nullptr, false},
    };
    for (const auto& c : cases) {
        ui::set_foreground_for_test(launcher);
        tray_click(400, 600);
        process_events(250);
        ASSERT_TRUE(launcher->isVisible()) << c.what;
        ui::set_foreground_for_test(c.foreground);
        process_events(450);  // two ticks
        EXPECT_EQ(launcher->isVisible(), c.stays) << c.what;
        EXPECT_EQ(launcher->auto_hide_timer()->interval(), c.stays ? 200 : 0) << c.what;
    }
}

TEST_F(LauncherTest, ActivationWithinTheProgramDecidesTheForeground) {
    // No fixed answer: the platform's own activation.
    tray_click(400, 600);
    process_events(300);
    ASSERT_TRUE(launcher->isVisible());
    EXPECT_EQ(ui::foreground_window(), launcher);
    ui::load_window(ui::windows::kDiaryBook);
    ui::loaded_window(ui::windows::kDiaryBook)->activateWindow();
    process_events(450);
    EXPECT_FALSE(launcher->isVisible());
    EXPECT_FALSE(launcher->auto_hide_timer()->is_running());
}

TEST_F(LauncherTest, HighlightFollowsThePointerAndSurvivesHiding) {
    EXPECT_EQ(g_highlighted_button_row, 0);
    EXPECT_TRUE(highlighted_rows().empty());
    for (int i = 0; i < 3; ++i) move_over(3);  // back and forth over one button
    EXPECT_EQ(highlighted_rows(), std::vector<int>{3});
    move_over(7);
    EXPECT_EQ(highlighted_rows(), std::vector<int>{7});
    EXPECT_EQ(g_highlighted_button_row, 7);

    ui::set_foreground_for_test(launcher);
    tray_click(400, 600);
    ui::set_foreground_for_test(nullptr);
    auto_hide_launcher();
    ASSERT_FALSE(launcher->isVisible());
    tray_click(400, 600);
    EXPECT_EQ(highlighted_rows(), std::vector<int>{7});

    // The highlight shows: row 7's rim is drawn, row 6's is not.
    const QImage shot = launcher->grab().toImage();
    const auto rim = [&](int row) { return shot.pixelColor(25, 1 + 17 * (row - 1)); };
    EXPECT_NE(rim(7), rim(6));
}

TEST_F(LauncherTest, PlayerBarRowShowsAHiddenBarThenClosesItThenLoadsIt) {
    const char* bar = ui::windows::kPlayerBar;
    click_row(1);
    ASSERT_TRUE(ui::is_window_loaded(bar));
    EXPECT_TRUE(ui::loaded_window(bar)->isVisible());
    ui::loaded_window(bar)->hide();  // as the bar's own button does

    click_row(1);
    EXPECT_TRUE(ui::loaded_window(bar)->isVisible());
    EXPECT_EQ(tool_counts[bar].created, 1);
    click_row(1);
    EXPECT_FALSE(ui::is_window_loaded(bar));
    EXPECT_EQ(tool_counts[bar].closed, 1);
    click_row(1);
    EXPECT_TRUE(ui::is_window_loaded(bar));
    EXPECT_EQ(tool_counts[bar].created, 2);
}

TEST_F(LauncherTest, ClockRowLoadsThenCloses) {
    const char* clock = ui::windows::kDesktopClock;
    click_row(2);
    EXPECT_TRUE(ui::is_window_loaded(clock));
    click_row(2);
    EXPECT_FALSE(ui::is_window_loaded(clock));
    EXPECT_EQ(tool_counts[clock].closed, 1);
}

TEST_F(LauncherTest, OpenerRowsLoadOnceAndLeaveAnOpenWindowAlone) {
    const std::pair<int, const char*> rows[] = {{3, ui::windows::kWallpaperManager},
                                                {4, ui::windows::kDiaryBook},
                                                {5, ui::windows::kMailCompose},
                                                {9, ui::windows::kSettings}};
    for (const auto& [row, id] : rows) {
        click_row(row);
        ASSERT_TRUE(ui::is_window_loaded(id)) << id;
        ui::loaded_window(id)->hide();
        click_row(row);
        EXPECT_EQ(tool_counts[id].created, 1) << id;
        EXPECT_FALSE(ui::loaded_window(id)->isVisible()) << id << ": not shown again";
    }
}

TEST_F(LauncherTest, RowsOfWindowsNotBuiltYetDoNothing) {
    for (const char* id : kTools) ui::unregister_window(id);
    for (int row : {1, 2, 3, 4, 5, 9}) click_row(row);
    for (const char* id : kTools) EXPECT_FALSE(ui::is_window_loaded(id)) << id;
    EXPECT_FALSE(launcher->isVisible());
}

class LauncherSystemActionsTest : public LauncherTest {
protected:
    StandInPrograms programs;
};

TEST_F(LauncherSystemActionsTest, ShutdownAnsweredNoDoesNothing) {
    programs.add("systemctl");
    ScriptedPrompts prompts;
    prompts.then_button(ui::Button::No);
    click_row(10);
    ASSERT_EQ(prompts.asked().size(), 1u);
    const ui::Prompt& asked = prompts.asked().front();
    EXPECT_EQ(asked.text, "是否关机");
    EXPECT_EQ(asked.style, ui::MessageStyle::YesNo);
    EXPECT_FALSE(asked.title.has_value());
    EXPECT_TRUE(programs.wait_for_calls(1, 500).empty());
}

TEST_F(LauncherSystemActionsTest, ShutdownAnsweredYesAsksLogindElseSystemctl) {
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
        ScriptedPrompts prompts;
        prompts.then_button(ui::Button::Yes);
        click_row(10);
        QDeadlineTimer deadline(5000);
        while (logind && logind->calls().empty() && !deadline.hasExpired()) process_events(20);
        if (logind) {
            EXPECT_EQ(logind->calls(), c.logind_calls) << c.what;
        }
        EXPECT_EQ(programs.wait_for_calls(c.programs_run.size() + 1, 500), c.programs_run)
            << c.what;
        EXPECT_EQ(prompts.asked().size(), 1u) << c.what << ": no message";
        setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + path("no-bus")).c_str(), 1);
    }
}

TEST_F(LauncherSystemActionsTest, ControlPanelRowStartsTheFirstSettingsProgramFound) {
    ScriptedPrompts prompts;
    click_row(6);  // none installed: nothing, and no message
    EXPECT_TRUE(programs.wait_for_calls(1, 300).empty());
    programs.add("xfce4-settings-manager");
    programs.add("systemsettings");
    click_row(6);
    EXPECT_EQ(programs.wait_for_calls(1), std::vector<std::string>{"systemsettings"});
    EXPECT_TRUE(prompts.asked().empty());
}

TEST_F(LauncherSystemActionsTest, ScreenSaverRowSendsTheSystemCommandToTheLauncher) {
    programs.add("xdg-screensaver");
    // Other system commands are not the screen saver.
    EXPECT_EQ(ui::send_message(launcher, ui::WM_SYSCOMMAND, 0xF060, 0), 0);
    click_row(7);
    EXPECT_EQ(programs.wait_for_calls(1), std::vector<std::string>{"xdg-screensaver [activate]"});
    std::filesystem::remove(programs.bin() + "/xdg-screensaver");
    click_row(7);  // no screen saver: nothing
}

class RunDialogTest : public LauncherSystemActionsTest {
protected:
    dezu::shell::RunDialog* open() {
        click_row(8);
        auto* dialog = launcher->findChild<dezu::shell::RunDialog*>();
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
    ScriptedPrompts prompts;
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
        EXPECT_FALSE(launcher->findChild<dezu::shell::RunDialog*>()->isVisible()) << typed;
    }
    EXPECT_TRUE(prompts.messages().empty());
}

TEST_F(RunDialogTest, KeepsThisSessionsHistoryLatestFirst) {
    programs.add("one");
    programs.add("two");
    run("one");
    run("two");
    run("one");
    EXPECT_EQ(history(), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(open()->command()->currentText(), "one");
    ui::discard_all_windows();  // a new session starts with none
    ui::load_window(ui::windows::kLauncher);
    launcher = ui::loaded_window_as<LauncherWindow>(ui::windows::kLauncher);
    EXPECT_TRUE(history().empty());
}

TEST_F(RunDialogTest, SaysSoWhenNothingCanBeStarted) {
    for (const std::string& typed :
         std::vector<std::string>{"no-such-program --x", path("missing/tool"), "'unclosed"}) {
        run(typed);
        auto* dialog = launcher->findChild<dezu::shell::RunDialog*>();
        EXPECT_TRUE(dialog->isVisible()) << typed;
        EXPECT_EQ(dialog->command()->count(), 0) << typed << ": not remembered";
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

TEST_F(LauncherTest, FormShowsTheTitleFaceAndElevenFacePictures) {
    QLabel* title = launcher->title();
    EXPECT_EQ(title->text(), "   d  e  z  u");
    EXPECT_EQ(title->geometry(), QRect(1, 1, 23, 186));
    EXPECT_EQ(title->font().pixelSize(), 20);
    // 华文新魏 is not installed here; the title gets a brush face that is.
    const QString used = QFontInfo(title->font()).family();
    EXPECT_TRUE(ui::faces_for("华文新魏").contains(used)) << used.toStdString();

    std::set<std::string> pictures;
    for (int row = 1; row <= LauncherWindow::kRows; ++row) {
        ui::PictureBox* face = launcher->row_face(row);
        EXPECT_EQ(face->objectName().toStdString(), "图形按钮" + std::to_string(row));
        EXPECT_EQ(face->geometry(), QRect(25, 1 + 17 * (row - 1), 80, 16));
        EXPECT_EQ(face->geometry(), launcher->row_button(row)->geometry());
        const std::string& bmp = face->picture();
        ASSERT_EQ(bmp.size(), 3894u) << row;
        EXPECT_EQ(bmp.substr(0, 2), "BM");
        const QImage image = QImage::fromData(QByteArray::fromStdString(bmp), "BMP");
        EXPECT_EQ(image.size(), QSize(80, 16)) << row;
        EXPECT_EQ(image.depth() >= 24, true);
        pictures.insert(bmp);
    }
    EXPECT_EQ(pictures.size(), 11u) << "each row has its own face";
}
