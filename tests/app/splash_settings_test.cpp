#include <gtest/gtest.h>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <cmath>
#include <filesystem>

#include "app/settings_window.h"
#include "app/splash_window.h"
#include "app_fixture.h"
#include "platform/autostart/autostart.h"
#include "platform/ui/timer_control.h"
#include "support/iconv.h"

namespace ui = dezu::ui;
using dezu::app::SplashWindow;

class SplashTest : public AppTest {
protected:
    SplashWindow* open(bool opacity_enabled) {
        make_program(opacity_enabled);
        return static_cast<SplashWindow*>(ui::load_window(ui::windows::kSplash));
    }
};

TEST_F(SplashTest, WithoutOpacityClosesAtTheFirstTick) {
    SplashWindow* splash = open(false);
    ASSERT_NE(splash, nullptr);
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(splash->fade_timer()->interval(), 2000);
    EXPECT_EQ(splash->splash_opacity(), 0);
    splash->fade_splash();
    EXPECT_FALSE(ui::is_window_loaded(ui::windows::kSplash));
    EXPECT_DOUBLE_EQ(splash->windowOpacity(), 1.0);
}

TEST_F(SplashTest, FadesThroughTwentyFiveLevelsThenCloses) {
    SplashWindow* splash = open(true);
    EXPECT_DOUBLE_EQ(splash->windowOpacity(), 1.0);  // opaque until the first tick
    std::vector<int> levels;
    int ticks = 0;
    while (ui::is_window_loaded(ui::windows::kSplash) && ticks < 100) {
        const bool will_apply = splash->splash_opacity() > 0;
        splash->fade_splash();
        ++ticks;
        if (will_apply) {
            levels.push_back(static_cast<int>(std::lround(splash->windowOpacity() * 255)));
            EXPECT_EQ(splash->fade_timer()->interval(), 190);
        }
    }
    EXPECT_EQ(ticks, 26);
    ASSERT_EQ(levels.size(), 25u);
    EXPECT_EQ(levels.front(), 250);
    EXPECT_EQ(levels.back(), 10);
}

TEST_F(SplashTest, TheRealTimerClosesItAfterTwoSeconds) {
    QElapsedTimer shown;
    shown.start();
    open(false);
    ASSERT_TRUE(wait_until([] { return !ui::is_window_loaded(ui::windows::kSplash); }, 20000));
    EXPECT_GE(shown.elapsed(), 1900);  // a coarse timer may fire 5% early
}

class SettingsWindowTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        for (const char* key : {"显示启动画面", "自动播放", "自动启动"})
            set_ini("系统参数", key, "N");
        make_program();
        launcher_ = start();
        ASSERT_NE(launcher_, nullptr);
        std::filesystem::remove(clock_ini());
    }
    ui::Form* open() { return ui::load_window(ui::windows::kSettings); }
    QCheckBox* box(const char* name) {
        return ui::loaded_window(ui::windows::kSettings)->control<QCheckBox>(name);
    }
    void click(const char* name) {
        ui::loaded_window(ui::windows::kSettings)->control<QPushButton>(name)->click();
    }
    std::string key(const char* k) { return ini("系统参数", k); }
    LauncherWindow* launcher_ = nullptr;
};

TEST_F(SettingsWindowTest, FreshFileOpensWithMissingKeysMeaningYesAndConfirmWritesAll) {
    launcher_->wallpaper().set_interval(0);
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
    EXPECT_EQ(launcher_->wallpaper().interval(), 300000);
    EXPECT_EQ(dezu::autostart::read_autostart(), dir() + "/dezu");
    EXPECT_TRUE(services.prompts.asked().empty());
}

TEST_F(SettingsWindowTest, ClearedBoxesWriteNoAndDeleteTheStartEntry) {
    set_ini("更换壁纸", "间隔时间", "");  // timed change switched off
    launcher_->wallpaper().set_interval(300000);
    open();
    box("选择框1")->setChecked(false);
    box("选择框9")->setChecked(true);
    box("选择框3")->setChecked(false);
    click("按钮2");
    EXPECT_EQ(key("自动启动"), "N");
    EXPECT_EQ(key("显示启动画面"), "N");
    EXPECT_EQ(key("自动播放"), "N");
    EXPECT_FALSE(dezu::autostart::autostart_exists());
    EXPECT_EQ(launcher_->wallpaper().interval(), 0);  // the empty interval stops it

    open();  // reopens as it was saved
    EXPECT_FALSE(box("选择框1")->isChecked());
    EXPECT_TRUE(box("选择框9")->isChecked());
    box("选择框2")->setChecked(false);
    launcher_->wallpaper().set_interval(60000);
    click("按钮2");
    EXPECT_EQ(key("自动更换壁纸"), "N");
    EXPECT_EQ(launcher_->wallpaper().interval(), 60000);  // clearing does not stop it
    EXPECT_TRUE(services.prompts.asked().empty());
}

TEST_F(SettingsWindowTest, CancelWritesNothing) {
    open();
    box("选择框1")->setChecked(false);
    click("按钮1");
    EXPECT_FALSE(ui::is_window_loaded(ui::windows::kSettings));
    EXPECT_EQ(key("自动启动"), "(missing)");
}

TEST_F(SettingsWindowTest, SettingsThatCannotBeSavedAreToldOnceARun) {
    // A folder in the file's place: every write fails, as in a read-only folder.
    std::filesystem::create_directory(clock_ini());
    for (int i = 0; i < 2; ++i) {
        open();
        box("选择框3")->setChecked(i == 0);
        click("按钮2");
        EXPECT_FALSE(ui::is_window_loaded(ui::windows::kSettings)) << "确定 still closes it";
    }
    ASSERT_EQ(services.prompts.messages().size(), 1u);
    EXPECT_EQ(
        services.prompts.messages()[0],
        "设置无法保存到“" + clock_ini() + "”，所做的更改不会保留。请检查这个文件夹是否可以写入。");
    EXPECT_EQ(services.prompts.asked()[0].style, ui::MessageStyle::Stop);
    // The start entry is not clock.ini: it was still written.
    EXPECT_EQ(dezu::autostart::read_autostart(), dir() + "/dezu");
}

// A clock.ini that cannot be read whole is left as it is, and the message
// says so: the folder is writable.
TEST_F(SettingsWindowTest, ASettingsFileThatCannotBeReadWholeIsToldAndLeftAsItIs) {
    const std::string damaged = utf16("[系统参数]\r\n自动启动=N\r\n") + "x";
    write_file("clock.ini", damaged);
    open();
    box("选择框3")->setChecked(true);
    click("按钮2");
    EXPECT_FALSE(ui::is_window_loaded(ui::windows::kSettings));
    EXPECT_EQ(read_file("clock.ini"), damaged);
    EXPECT_EQ(services.prompts.messages(),
              std::vector<std::string>{"设置无法保存到“" + clock_ini() +
                                       "”，该文件无法读取，已保持原样，所做的更改不会保留。"});
}

TEST_F(SettingsWindowTest, AStartEntryThatCannotBeWrittenIsTold) {
    std::filesystem::create_directories(path("config"));
    write_file("config/autostart", "in the way");
    open();
    click("按钮2");
    ASSERT_EQ(services.prompts.messages().size(), 1u);
    EXPECT_EQ(services.prompts.messages()[0],
              "无法设置随系统启动：“" + dezu::autostart::entry_path() + "”无法写入。");
    EXPECT_EQ(key("自动启动"), "Y");
}
