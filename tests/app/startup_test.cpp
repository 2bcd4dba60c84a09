#include "app/startup.h"

#include <gtest/gtest.h>

#include <QSystemTrayIcon>
#include <filesystem>

#include "app/autostart_sync.h"
#include "app/globals.h"
#include "app/launcher_window.h"
#include "app/register_windows.h"
#include "platform/autostart/autostart.h"
#include "platform/files/files.h"
#include "platform/process/process.h"
#include "platform/settings/settings_file.h"
#include "platform/ui/form.h"
#include "platform/ui/timer_control.h"
#include "platform/ui/tray.h"
#include "platform/ui/window_ids.h"
#include "support/program_dir.h"

namespace ui = dezu::ui;
using dezu::settings::write_setting;

namespace {

// Records which stand-in windows the start-up loads, and whether their
// closing handlers ran.
struct StandIns {
    std::vector<std::string> created;
    std::vector<std::string> closed;
};
StandIns stand_ins;

class StandInWindow : public ui::Form {
public:
    explicit StandInWindow(const std::string& id) : Form(id) {}
    void on_created() override { stand_ins.created.push_back(window_id()); }
    void on_closing() override { stand_ins.closed.push_back(window_id()); }
};

}  // namespace

class StartupTest : public ProgramDirTest {
protected:
    void SetUp() override {
        ProgramDirTest::SetUp();
        stand_ins = {};
        register_all_windows();
        for (const char* id : {ui::windows::kSplash, ui::windows::kPlayerBar})
            ui::register_window(id, [id] { return std::make_unique<StandInWindow>(id); });
    }
    void TearDown() override {
        ui::unregister_window(ui::windows::kSplash);
        ui::unregister_window(ui::windows::kPlayerBar);
        register_all_windows();
        ProgramDirTest::TearDown();
    }

    LauncherWindow* start() {
        ui::load_window(ui::windows::kLauncher);
        return ui::loaded_window_as<LauncherWindow>(ui::windows::kLauncher);
    }
    bool loaded(const char* id) const {
        return std::find(stand_ins.created.begin(), stand_ins.created.end(), id) !=
               stand_ins.created.end();
    }
    std::string program() const { return dir() + "/dezu"; }
};

TEST_F(StartupTest, NoSettingsFileGivesTheDefaults) {
    LauncherWindow* launcher = start();
    ASSERT_NE(launcher, nullptr);
    EXPECT_EQ(g_program_dir, dir() + "/");
    EXPECT_FALSE(launcher->isVisible());
    EXPECT_TRUE(loaded(ui::windows::kSplash));
    EXPECT_TRUE(loaded(ui::windows::kPlayerBar));
    EXPECT_EQ(read_file("NET.ICO"), LauncherWindow::icon_bytes());
    EXPECT_EQ(read_file("NET.ICO").size(), 2238u);
    EXPECT_EQ(dezu::autostart::read_autostart(), program());
    EXPECT_EQ(g_current_wallpaper_index, 1);
    EXPECT_EQ(g_wallpaper_display_mode, 5);
    EXPECT_EQ(launcher->wallpaper_timer()->interval(), 300000);
    EXPECT_EQ(launcher->auto_hide_timer()->interval(), 0);
    EXPECT_TRUE(g_wallpaper_list.empty());
    ASSERT_NE(ui::current_tray_icon(), nullptr);
    EXPECT_EQ(ui::current_tray_icon()->toolTip(), QStringLiteral("单击弹出菜单"));
    EXPECT_EQ(g_highlighted_button_row, 0);
    // Nothing of the start-up writes the settings file.
    EXPECT_FALSE(std::filesystem::exists(clock_ini()));
}

TEST_F(StartupTest, SettingsTurnStepsOff) {
    write_setting(clock_ini(), "系统参数", "显示启动画面", "N");
    write_setting(clock_ini(), "系统参数", "自动播放", "N");
    write_setting(clock_ini(), "系统参数", "自动启动", "N");
    write_setting(clock_ini(), "更换壁纸", "自动更换", "N");
    write_setting(clock_ini(), "更换壁纸", "间隔时间", "7");
    dezu::autostart::write_autostart("/opt/other/program");
    LauncherWindow* launcher = start();
    EXPECT_TRUE(stand_ins.created.empty());
    EXPECT_EQ(dezu::autostart::read_autostart(), "/opt/other/program");
    EXPECT_EQ(launcher->wallpaper_timer()->interval(), 0);
}

TEST_F(StartupTest, OnlyExactNTurnsAStepOff) {
    write_setting(clock_ini(), "系统参数", "显示启动画面", "n");
    write_setting(clock_ini(), "系统参数", "自动播放", "NO");
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
        write_setting(clock_ini(), "更换壁纸", "当前壁纸", c.index);
        write_setting(clock_ini(), "更换壁纸", "间隔时间", c.interval);
        write_setting(clock_ini(), "更换壁纸", "显示方式", c.mode);
        LauncherWindow* launcher = start();
        EXPECT_EQ(g_current_wallpaper_index, c.want_index) << c.index;
        EXPECT_EQ(launcher->wallpaper_timer()->interval(), c.want_interval) << c.interval;
        EXPECT_EQ(g_wallpaper_display_mode, c.want_mode) << c.mode;
    }
}

TEST_F(StartupTest, ExistingIconFileIsNeverRewritten) {
    write_file("NET.ICO", "not an icon at all");
    start();
    EXPECT_EQ(read_file("NET.ICO"), "not an icon at all");
}

TEST_F(StartupTest, ProgramDirectoryGetsExactlyOneTrailingSlash) {
    dezu::process::set_program_location_for_test(dir() + "/", "dezu");
    start();
    EXPECT_EQ(g_program_dir, dir() + "/");
    EXPECT_EQ(dezu::autostart::read_autostart(), program());
}

TEST_F(StartupTest, WallpaperListLinesAreTakenAsTheyAre) {
    const std::string long_line(100000, 'x');
    write_file("WALLAB.INI", "/pics/a.jpg\r\n\r\n/图片/b.BMP\n" + long_line + "\n");
    start();
    EXPECT_EQ(g_wallpaper_list,
              (std::vector<std::string>{"/pics/a.jpg", "", "/图片/b.BMP", long_line}));
}

TEST_F(StartupTest, DamagedOrUnreadableSettingsFileStartsWithDefaults) {
    std::string garbage;
    for (int i = 0; i < 65536; ++i) garbage += static_cast<char>((i * 2654435761u) >> 24);
    for (bool as_directory : {false, true}) {
        ui::discard_all_windows();
        stand_ins = {};
        std::filesystem::remove_all(clock_ini());
        if (as_directory)
            std::filesystem::create_directory(clock_ini());
        else
            write_file("clock.ini", garbage);
        LauncherWindow* launcher = start();
        EXPECT_TRUE(loaded(ui::windows::kSplash));
        EXPECT_EQ(g_current_wallpaper_index, 1);
        EXPECT_EQ(launcher->wallpaper_timer()->interval(), 300000);
    }
}

TEST_F(StartupTest, ExitRemovesTheTrayIconAndRunsNoClosingHandler) {
    start();
    ASSERT_NE(ui::current_tray_icon(), nullptr);
    bool tray_gone_at_exit = false;
    int exit_code = -1;
    dezu::process::set_end_process_hook_for_test([&](int code) {
        exit_code = code;
        tray_gone_at_exit = ui::current_tray_icon() == nullptr;
    });
    EXPECT_THROW(exit_program(), dezu::process::ProcessEnded);
    EXPECT_EQ(exit_code, 0);
    EXPECT_TRUE(tray_gone_at_exit);
    EXPECT_TRUE(stand_ins.closed.empty());
    EXPECT_TRUE(ui::is_window_loaded(ui::windows::kPlayerBar));
}

class AutostartSyncTest : public ProgramDirTest {
protected:
    void SetUp() override {
        ProgramDirTest::SetUp();
        g_program_dir = dir() + "/";
    }
    // A hand-made entry with a marker line, to tell whether sync rewrote it.
    void write_entry(const std::string& exec) const {
        std::filesystem::create_directories(
            std::filesystem::path(dezu::autostart::entry_path()).parent_path());
        ASSERT_TRUE(dezu::files::write_bytes(
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
        sync_autostart_value();
        EXPECT_EQ(dezu::autostart::read_autostart(), dir() + "/dezu")
            << (c.existing ? c.existing : "none");
        EXPECT_EQ(!marker_kept(), c.rewritten) << (c.existing ? c.existing : "none");
    }
    EXPECT_EQ(dezu::autostart::entry_path(), dir() + "/config/autostart/Tools.desktop");
}

TEST_F(AutostartSyncTest, PathsWithSpecialCharactersRoundTrip) {
    for (const std::string name : {"my tools/dezu", "a\"b$c`d\\e%f/dezu", "程序/dezu"}) {
        g_program_dir = dir() + "/" + name.substr(0, name.rfind('/') + 1);
        sync_autostart_value();
        EXPECT_EQ(dezu::autostart::read_autostart(), g_program_dir + "dezu") << name;
    }
}

TEST_F(AutostartSyncTest, DeleteRemovesOnlyAnExistingEntry) {
    delete_autostart_value();  // nothing there: nothing happens
    EXPECT_FALSE(dezu::autostart::autostart_exists());
    sync_autostart_value();
    EXPECT_TRUE(dezu::autostart::autostart_exists());
    delete_autostart_value();
    EXPECT_FALSE(dezu::autostart::autostart_exists());
}

TEST_F(StartupTest, OpacityOnlyWhereWindowsCanBeTranslucent) {
    for (bool translucent : {false, true}) {
        ui::discard_all_windows();
        ui::set_translucency_for_test(translucent);
        LauncherWindow* launcher = start();
        EXPECT_EQ(g_window_opacity_enabled, translucent);
        EXPECT_NEAR(launcher->windowOpacity(), translucent ? 240 / 255.0 : 1.0, 0.01);
    }
}
