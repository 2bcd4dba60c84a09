#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <filesystem>

#include "app/globals.h"
#include "app/launcher_window.h"
#include "app/register_windows.h"
#include "app/settings_window.h"
#include "app/splash_window.h"
#include "platform/autostart/autostart.h"
#include "platform/settings/settings_file.h"
#include "platform/ui/timer_control.h"
#include "platform/ui/window_ids.h"
#include "support/program_dir.h"

namespace ui = dezu::ui;
using dezu::settings::read_setting;
using dezu::settings::write_setting;

class SplashTest : public ProgramDirTest {
protected:
    void SetUp() override {
        ProgramDirTest::SetUp();
        register_all_windows();
    }
};

TEST_F(SplashTest, WithoutOpacityClosesAtTheFirstTick) {
    g_window_opacity_enabled = false;
    auto* splash = static_cast<SplashWindow*>(ui::load_window(ui::windows::kSplash));
    ASSERT_NE(splash, nullptr);
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(splash->fade_timer()->interval(), 2000);
    fade_splash();
    EXPECT_FALSE(ui::is_window_loaded(ui::windows::kSplash));
    EXPECT_EQ(g_splash_opacity, 0);
}

TEST_F(SplashTest, FadesThroughTwentyFiveLevelsThenCloses) {
    g_window_opacity_enabled = true;
    auto* splash = static_cast<SplashWindow*>(ui::load_window(ui::windows::kSplash));
    EXPECT_DOUBLE_EQ(splash->windowOpacity(), 1.0);  // opaque until the first tick
    std::vector<int> levels;
    int ticks = 0;
    while (ui::is_window_loaded(ui::windows::kSplash) && ticks < 100) {
        const bool will_apply = g_splash_opacity > 0;
        fade_splash();
        ++ticks;
        if (will_apply) {
            levels.push_back(static_cast<int>(splash->windowOpacity() * 255 + 0.5));
            EXPECT_EQ(splash->fade_timer()->interval(), 190);
        }
    }
    EXPECT_EQ(ticks, 26);
    ASSERT_EQ(levels.size(), 25u);
    EXPECT_EQ(levels.front(), 250);
    EXPECT_EQ(levels.back(), 10);
}

TEST_F(SplashTest, TheRealTimerClosesItAfterTwoSeconds) {
    g_window_opacity_enabled = false;
    ui::load_window(ui::windows::kSplash);
    process_events(1500);
    EXPECT_TRUE(ui::is_window_loaded(ui::windows::kSplash));
    process_events(1000);
    EXPECT_FALSE(ui::is_window_loaded(ui::windows::kSplash));
}

class SettingsWindowTest : public ProgramDirTest {
protected:
    void SetUp() override {
        ProgramDirTest::SetUp();
        register_all_windows();
        g_program_dir = dir() + "/";
        launcher_ = static_cast<LauncherWindow*>(ui::load_window(ui::windows::kLauncher));
    }
    ui::Form* open() { return ui::load_window(ui::windows::kSettings); }
    QCheckBox* box(const char* name) {
        return ui::loaded_window(ui::windows::kSettings)->control<QCheckBox>(name);
    }
    void click(const char* name) {
        ui::loaded_window(ui::windows::kSettings)->control<QPushButton>(name)->click();
    }
    std::string key(const char* k) { return read_setting(clock_ini(), "系统参数", k, "(missing)"); }
    LauncherWindow* launcher_ = nullptr;
};

TEST_F(SettingsWindowTest, FreshFileOpensWithMissingKeysMeaningYesAndConfirmWritesAll) {
    std::filesystem::remove(clock_ini());
    dezu::autostart::delete_autostart();
    launcher_->wallpaper_timer()->set_interval(0);
    open();
    EXPECT_TRUE(box("选择框1")->isChecked());
    EXPECT_TRUE(box("选择框2")->isChecked());
    EXPECT_FALSE(box("选择框9")->isChecked());
    EXPECT_TRUE(box("选择框3")->isChecked());
    click("按钮2");
    EXPECT_FALSE(ui::is_window_loaded(ui::windows::kSettings));
    EXPECT_EQ(key("自动启动"), "Y");
    EXPECT_EQ(key("自动更换壁纸"), "Y");
    EXPECT_EQ(key("显示启动画面"), "Y");
    EXPECT_EQ(key("自动播放"), "Y");
    EXPECT_EQ(launcher_->wallpaper_timer()->interval(), 300000);
    EXPECT_EQ(dezu::autostart::read_autostart(), dir() + "/dezu");
}

TEST_F(SettingsWindowTest, ClearedBoxesWriteNoAndDeleteTheStartEntry) {
    write_setting(clock_ini(), "更换壁纸", "间隔时间", "");  // timed change switched off
    launcher_->wallpaper_timer()->set_interval(300000);
    open();
    box("选择框1")->setChecked(false);
    box("选择框9")->setChecked(true);
    box("选择框3")->setChecked(false);
    click("按钮2");
    EXPECT_EQ(key("自动启动"), "N");
    EXPECT_EQ(key("显示启动画面"), "N");
    EXPECT_EQ(key("自动播放"), "N");
    EXPECT_FALSE(dezu::autostart::autostart_exists());
    EXPECT_EQ(launcher_->wallpaper_timer()->interval(), 0);  // the empty interval stops it

    open();  // reopens as it was saved
    EXPECT_FALSE(box("选择框1")->isChecked());
    EXPECT_TRUE(box("选择框9")->isChecked());
    box("选择框2")->setChecked(false);
    launcher_->wallpaper_timer()->set_interval(60000);
    click("按钮2");
    EXPECT_EQ(key("自动更换壁纸"), "N");
    EXPECT_EQ(launcher_->wallpaper_timer()->interval(), 60000);  // clearing does not stop it
}

TEST_F(SettingsWindowTest, CancelWritesNothing) {
    open();
    box("选择框1")->setChecked(false);
    click("按钮1");
    EXPECT_FALSE(ui::is_window_loaded(ui::windows::kSettings));
    EXPECT_EQ(key("自动启动"), "(missing)");
}
