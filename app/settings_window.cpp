#include "app/settings_window.h"

#include <QCheckBox>
#include <QPushButton>

#include "app/autostart_sync.h"
#include "platform/autostart/autostart.h"
#include "platform/services.h"
#include "platform/settings/settings_keys.h"
#include "platform/ui/controls.h"
#include "platform/ui/failures.h"
#include "platform/ui/timer_control.h"
#include "platform/ui/window_ids.h"
#include "wallpaper/wallpaper_rotator.h"

namespace keys = dezu::settings::keys;
namespace ui = dezu::ui;

namespace dezu::app {

namespace {

// A failed write of clock.ini is told once a run through the settings'
// write_failed signal; the other options are still written.
void kept_or_told(bool /*written*/) {}

}  // namespace

SettingsWindow::SettingsWindow(dezu::settings::Settings& settings, const dezu::ProgramSite& site,
                               ui::FailureReporter& failures,
                               dezu::wallpaper::WallpaperRotator& wallpaper)
    : Form(ui::windows::kSettings),
      settings_(settings),
      site_(site),
      failures_(failures),
      wallpaper_(wallpaper) {
    setWindowTitle(QStringLiteral("程序设置"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(379 - 8, 286 - 27);  // the form's outer size less a typical frame
    move(50, 50);
    start_with_system_ = ui::add_control<QCheckBox>(this, "选择框1", "随系统启动", 44, 50, 81, 22);
    change_wallpaper_ =
        ui::add_control<QCheckBox>(this, "选择框2", "自动更换桌面壁纸", 224, 51, 120, 17);
    no_splash_ = ui::add_control<QCheckBox>(this, "选择框9", "不显示启动画面", 47, 122, 104, 22);
    play_music_ = ui::add_control<QCheckBox>(this, "选择框3", "自动播放音乐", 228, 122, 112, 17);
    auto* ok = ui::add_control<QPushButton>(this, "按钮2", "确定", 56, 192, 40, 32);
    auto* cancel = ui::add_control<QPushButton>(this, "按钮1", "取消", 264, 192, 40, 32);
    auto* board = new QWidget(this);
    board->setObjectName(QStringLiteral("画板1"));
    ui::place(board, 328, 24, 32, 16);
    connect(ok, &QPushButton::clicked, this, &SettingsWindow::save_settings);
    connect(cancel, &QPushButton::clicked, this, &SettingsWindow::cancel_settings);
}

void SettingsWindow::init_settings() {
    // Missing keys read as the empty text, so they mean yes.
    if (settings_.yes(keys::kAutoStart)) start_with_system_->setChecked(true);
    if (settings_.yes(keys::kAutoPlay)) play_music_->setChecked(true);
    if (!settings_.yes(keys::kShowSplash)) no_splash_->setChecked(true);
    if (settings_.yes(keys::kSettingsWallpaperBox)) change_wallpaper_->setChecked(true);
}

void SettingsWindow::save_settings() {
    kept_or_told(settings_.set(keys::kAutoPlay, play_music_->isChecked()));
    kept_or_told(settings_.set(keys::kSettingsWallpaperBox, change_wallpaper_->isChecked()));
    if (change_wallpaper_->isChecked()) wallpaper_.start_timer_from_settings();
    kept_or_told(settings_.set(keys::kShowSplash, !no_splash_->isChecked()));
    kept_or_told(settings_.set(keys::kAutoStart, start_with_system_->isChecked()));
    // The user asked for this now: say so when the entry did not follow.
    if (start_with_system_->isChecked()) {
        if (!sync_autostart_value(site_))
            failures_.report(
                "无法设置随系统启动：“" + dezu::autostart::entry_path() + "”无法写入。", this);
    } else if (!delete_autostart_value()) {
        failures_.report("无法取消随系统启动：“" + dezu::autostart::entry_path() + "”无法删除。",
                         this);
    }
    ui::destroy_window(window_id());
}

void SettingsWindow::cancel_settings() {
    ui::destroy_window(window_id());
}

}  // namespace dezu::app
