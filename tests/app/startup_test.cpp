#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <filesystem>

#include "app/autostart_sync.h"
#include "app_fixture.h"
#include "platform/autostart/autostart.h"
#include "platform/files/files.h"
#include "platform/text/text.h"
#include "platform/ui/controls.h"
#include "platform/ui/icons.h"
#include "platform/ui/timer_control.h"
#include "platform/ui/tray.h"

namespace ui = dezu::ui;
using dezu::app::delete_autostart_value;
using dezu::app::sync_autostart_value;

class StartupTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        make_program();
        stand_in_for({ui::windows::kSplash, ui::windows::kPlayerBar});
    }
    bool loaded(const char* id) const { return tools.count(tools.created, id) > 0; }
    std::string program_path() const { return dir() + "/dezu"; }
};

TEST_F(StartupTest, NoSettingsFileGivesTheDefaults) {
    LauncherWindow* launcher = start();
    ASSERT_NE(launcher, nullptr);
    EXPECT_FALSE(launcher->isVisible());
    EXPECT_TRUE(loaded(ui::windows::kSplash));
    EXPECT_TRUE(loaded(ui::windows::kPlayerBar));
    EXPECT_EQ(read_file("NET.ICO"), LauncherWindow::icon_bytes());
    EXPECT_EQ(read_file("NET.ICO").size(), 2238u);
    EXPECT_EQ(dezu::autostart::read_autostart(), program_path());
    EXPECT_EQ(launcher->wallpaper().current_index(), 1);
    EXPECT_EQ(launcher->wallpaper().display_mode(), 5);
    EXPECT_EQ(launcher->wallpaper().interval(), 300000);
    EXPECT_EQ(launcher->auto_hide_timer()->interval(), 0);
    EXPECT_TRUE(launcher->wallpaper().list().empty());
    ASSERT_TRUE(launcher->tray()->is_placed());
    EXPECT_EQ(launcher->tray()->tip(), QStringLiteral("单击弹出菜单"));
    EXPECT_EQ(launcher->highlighted_row(), 0);
    // Nothing of the start-up writes the settings file.
    EXPECT_FALSE(std::filesystem::exists(clock_ini()));
    EXPECT_TRUE(services.prompts.asked().empty());
}

TEST_F(StartupTest, SettingsTurnStepsOff) {
    for (const char* key : {"显示启动画面", "自动播放", "自动启动"}) set_ini("系统参数", key, "N");
    set_ini("更换壁纸", "自动更换", "N");
    set_ini("更换壁纸", "间隔时间", "7");
    ASSERT_TRUE(dezu::autostart::write_autostart("/opt/other/program"));
    LauncherWindow* launcher = start();
    EXPECT_TRUE(tools.created.empty());
    EXPECT_EQ(dezu::autostart::read_autostart(), "/opt/other/program");
    EXPECT_EQ(launcher->wallpaper().interval(), 0);
}

TEST_F(StartupTest, OnlyExactNTurnsAStepOff) {
    set_ini("系统参数", "显示启动画面", "n");
    set_ini("系统参数", "自动播放", "NO");
    start();
    EXPECT_TRUE(loaded(ui::windows::kSplash));
    EXPECT_TRUE(loaded(ui::windows::kPlayerBar));
}

TEST_F(StartupTest, NumbersAreTruncatedTowardZero) {
    struct Case {
        const char* index;
        const char* interval;
        const char* mode;
        int want_index, want_interval, want_mode;
    } cases[] = {
        {"3.9", "1.5", "-1.5", 3, 90000, -1},
        {"abc", "", "2", 0, 0, 2},
        {"-2", "-5", "0", -2, 0, 0},
        {"7", "99999999", "1", 7, 0, 1},  // past the 32-bit millisecond range: stopped
    };
    for (const auto& c : cases) {
        ui::discard_all_windows();
        set_ini("更换壁纸", "当前壁纸", c.index);
        set_ini("更换壁纸", "间隔时间", c.interval);
        set_ini("更换壁纸", "显示方式", c.mode);
        LauncherWindow* launcher = start();
        EXPECT_EQ(launcher->wallpaper().current_index(), c.want_index) << c.index;
        EXPECT_EQ(launcher->wallpaper().interval(), c.want_interval) << c.interval;
        EXPECT_EQ(launcher->wallpaper().display_mode(), c.want_mode) << c.mode;
    }
}

namespace {

// What a 32 x 32 icon looks like, as the desktop would draw it.
QImage drawn(const QIcon& icon) {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    icon.paint(&painter, image.rect());
    return image;
}

// A small valid icon file of one colour.
std::string red_icon_file() {
    QImage red(16, 16, QImage::Format_ARGB32);
    red.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    red.save(&buffer, "ICO");
    return bytes.toStdString();
}

}  // namespace

TEST_F(StartupTest, TrayIconIsTheIconFileOrElseTheBuiltInOne) {
    const QImage built_in = drawn(ui::icon_from_bytes(LauncherWindow::icon_bytes()));
    ASSERT_FALSE(built_in.isNull());
    ASSERT_NE(built_in.pixel(16, 16), 0u);
    const std::string red = red_icon_file();
    ASSERT_FALSE(red.empty());
    struct Case {
        const char* what;
        std::optional<std::string> icon_file;  // none: missing; "/": a folder in its place
        bool kept_as_is;
        bool shows_red;
    } cases[] = {
        {"missing: written and shown", std::nullopt, false, false},
        {"damaged", std::string("not an icon at all"), true, false},
        {"empty", std::string(), true, false},
        {"a folder of that name", std::string("/"), true, false},
        {"truncated", red.substr(0, 30), true, false},
        {"another icon", red, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ui::discard_all_windows();
        std::filesystem::remove_all(path("NET.ICO"));
        if (c.icon_file == "/")
            std::filesystem::create_directory(path("NET.ICO"));
        else if (c.icon_file)
            write_file("NET.ICO", *c.icon_file);
        LauncherWindow* launcher = start();
        ASSERT_TRUE(launcher->tray()->is_placed());
        const QImage shown = drawn(launcher->tray()->icon());
        if (c.shows_red)
            EXPECT_EQ(QColor(shown.pixel(16, 16)), QColor(Qt::red));
        else
            EXPECT_EQ(shown, built_in);
        if (c.kept_as_is && c.icon_file != "/") {
            EXPECT_EQ(read_file("NET.ICO"), *c.icon_file);
        }
    }
}

TEST_F(StartupTest, FolderThatCannotBeWrittenStillGetsATrayIcon) {
    // A folder where nothing can be written, not even by root.
    make_program_at(test_site(path("gone")));
    stand_in_for({ui::windows::kSplash, ui::windows::kPlayerBar});
    LauncherWindow* launcher = start();
    EXPECT_FALSE(dezu::files::file_exists(path("gone/NET.ICO")));
    ASSERT_TRUE(launcher->tray()->is_placed());
    EXPECT_EQ(drawn(launcher->tray()->icon()),
              drawn(ui::icon_from_bytes(LauncherWindow::icon_bytes())));
}

TEST_F(StartupTest, WallpaperListLinesAreTakenAsTheyAre) {
    const std::string long_line(100000, 'x');
    write_file("WALLAB.INI", "/pics/a.jpg\r\n\r\n/图片/b.BMP\n" + long_line + "\n");
    LauncherWindow* launcher = start();
    EXPECT_EQ(launcher->wallpaper().list(),
              (std::vector<std::string>{"/pics/a.jpg", "", "/图片/b.BMP", long_line}));
}

TEST_F(StartupTest, DamagedOrUnreadableSettingsFileStartsWithDefaults) {
    std::string garbage;
    for (int i = 0; i < 65536; ++i) garbage += static_cast<char>((i * 2654435761u) >> 24);
    for (bool as_directory : {false, true}) {
        ui::discard_all_windows();
        tools = {};
        std::filesystem::remove_all(clock_ini());
        if (as_directory)
            std::filesystem::create_directory(clock_ini());
        else
            write_file("clock.ini", garbage);
        LauncherWindow* launcher = start();
        EXPECT_TRUE(loaded(ui::windows::kSplash));
        EXPECT_EQ(launcher->wallpaper().current_index(), 1);
        EXPECT_EQ(launcher->wallpaper().interval(), 300000);
        EXPECT_TRUE(services.prompts.asked().empty());
    }
}

TEST_F(StartupTest, ExitRemovesTheTrayIconAndEndsTheLoopWithoutClosingWindows) {
    LauncherWindow* launcher = start();
    ASSERT_TRUE(launcher->tray()->is_placed());
    launcher->row_button(11)->click();
    EXPECT_EQ(services.process.codes, std::vector<int>{0});
    EXPECT_FALSE(launcher->tray()->is_placed());
    // The program's end discards the windows: still no closing handler.
    program().end_in_order();
    end_program();
    EXPECT_TRUE(tools.closed.empty());
    EXPECT_FALSE(ui::is_window_loaded(ui::windows::kPlayerBar));
}

TEST_F(StartupTest, OpacityOnlyWhereWindowsCanBeTranslucent) {
    for (bool translucent : {false, true}) {
        make_program(translucent);
        LauncherWindow* launcher = start();
        EXPECT_NEAR(launcher->windowOpacity(), translucent ? 240 / 255.0 : 1.0, 0.01);
    }
}

class AutostartSyncTest : public AppTest {
protected:
    // A hand-made entry with a marker line, to tell whether sync rewrote it.
    void write_entry(const std::string& exec) const {
        std::filesystem::create_directories(
            std::filesystem::path(dezu::autostart::entry_path()).parent_path());
        ASSERT_TRUE(dezu::files::write_whole_file(
            dezu::autostart::entry_path(),
            "[Desktop Entry]\nType=Application\nExec=" + exec + "\nX-Marker=kept\n"));
    }
    bool marker_kept() const {
        return dezu::files::read_whole_file(dezu::autostart::entry_path()).find("X-Marker") !=
               std::string::npos;
    }
};

TEST_F(AutostartSyncTest, WritesOnlyWhenMissingOrDifferent) {
    struct Case {
        const char* existing;  // nullptr: no entry
        bool rewritten;
    };
    const std::string same = "\"" + dir() + "/dezu\"";
    const std::string other_case = "\"" + dir() + "/DEZU\"";
    const Case cases[] = {{nullptr, true},
                          {same.c_str(), false},
                          {other_case.c_str(), true},
                          {"/usr/bin/other", true}};
    for (const auto& c : cases) {
        std::filesystem::remove(dezu::autostart::entry_path());
        if (c.existing) write_entry(c.existing);
        EXPECT_TRUE(sync_autostart_value(test_site(dir())));
        EXPECT_EQ(dezu::autostart::read_autostart(), dir() + "/dezu")
            << (c.existing ? c.existing : "none");
        EXPECT_EQ(!marker_kept(), c.rewritten) << (c.existing ? c.existing : "none");
    }
    EXPECT_EQ(dezu::autostart::entry_path(), dir() + "/config/autostart/Tools.desktop");
}

TEST_F(AutostartSyncTest, PathsWithSpecialCharactersRoundTrip) {
    // A desktop's own launcher (GLib's, as GNOME, Xfce, Cinnamon and MATE
    // start their log-on entries) must start the very program named, here a
    // stand-in that marks its folder. The last two are no text a desktop
    // entry can hold: GBK bytes, as a Chinese archive leaves them, and a
    // line break.
    const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    for (const std::string folder :
         {"my tools/", "a\"b$c`d\\e%f'g/", "程序/", "\xB9\xA4\xBE\xDF/", "two\nlines/"}) {
        const dezu::ProgramSite site = test_site(dir() + "/" + folder);
        EXPECT_TRUE(sync_autostart_value(site));
        EXPECT_EQ(dezu::autostart::read_autostart(), site.program_path()) << folder;
        const std::string entry = dezu::files::read_whole_file(dezu::autostart::entry_path());
        EXPECT_TRUE(dezu::text::is_valid_utf8(entry)) << entry;
        if (gio.isEmpty()) continue;
        std::filesystem::create_directories(site.dir);
        ASSERT_TRUE(dezu::files::write_whole_file(
            site.program_path(), "#!/bin/sh\n: > \"$(dirname \"$0\")/started\"\n"));
        std::filesystem::permissions(site.program_path(), std::filesystem::perms::owner_all);
        EXPECT_EQ(QProcess::execute(gio, {QStringLiteral("launch"),
                                          QString::fromStdString(dezu::autostart::entry_path())}),
                  0)
            << folder;
        EXPECT_TRUE(wait_until([&] { return dezu::files::file_exists(site.dir + "started"); }))
            << "the entry does not start " << folder << ":\n"
            << entry;
    }
}

TEST_F(AutostartSyncTest, DeleteRemovesOnlyAnExistingEntry) {
    EXPECT_TRUE(delete_autostart_value());  // nothing there: nothing happens
    EXPECT_FALSE(dezu::autostart::autostart_exists());
    EXPECT_TRUE(sync_autostart_value(test_site(dir())));
    EXPECT_TRUE(dezu::autostart::autostart_exists());
    EXPECT_TRUE(delete_autostart_value());
    EXPECT_FALSE(dezu::autostart::autostart_exists());
}

TEST_F(AutostartSyncTest, AnEntryThatCannotBeWrittenSaysSo) {
    // The entry's folder is a file: nothing can go there.
    std::filesystem::create_directories(path("config"));
    write_file("config/autostart", "in the way");
    EXPECT_FALSE(sync_autostart_value(test_site(dir())));
    EXPECT_FALSE(dezu::autostart::autostart_exists());
}
