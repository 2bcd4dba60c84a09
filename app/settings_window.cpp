#include "app/settings_window.h"

#include <QCheckBox>
#include <QPushButton>

#include "app/autostart_sync.h"
#include "app/globals.h"
#include "platform/settings/settings_file.h"
#include "platform/ui/controls.h"
#include "platform/ui/timer_control.h"
#include "platform/ui/window_ids.h"
#include "wallpaper/wallpaper_list.h"

namespace ui = dezu::ui;
using dezu::settings::read_setting;
using dezu::settings::write_setting;

namespace {

constexpr const char* kSection = "系统参数";

QCheckBox* box(const char* name) {
    ui::Form* w = ui::loaded_window(ui::windows::kSettings);
    return w ? w->control<QCheckBox>(name) : nullptr;
}

void set_check(const char* name, bool checked) {
    if (QCheckBox* b = box(name)) b->setChecked(checked);
}

bool checked(const char* name) {
    QCheckBox* b = box(name);
    return b && b->isChecked();
}

}  // namespace

SettingsWindow::SettingsWindow() : Form(ui::windows::kSettings) {
    setWindowTitle(QStringLiteral("程序设置"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(379 - 8, 286 - 27);  // the form's outer size less a typical frame
    move(50, 50);
    ui::add_control<QCheckBox>(this, "选择框1", "随系统启动", 44, 50, 81, 22);
    ui::add_control<QCheckBox>(this, "选择框2", "自动更换桌面壁纸", 224, 51, 120, 17);
    ui::add_control<QCheckBox>(this, "选择框9", "不显示启动画面", 47, 122, 104, 22);
    ui::add_control<QCheckBox>(this, "选择框3", "自动播放音乐", 228, 122, 112, 17);
    auto* ok = ui::add_control<QPushButton>(this, "按钮2", "确定", 56, 192, 40, 32);
    auto* cancel = ui::add_control<QPushButton>(this, "按钮1", "取消", 264, 192, 40, 32);
    auto* board = new QWidget(this);
    board->setObjectName(QStringLiteral("画板1"));
    ui::place(board, 328, 24, 32, 16);
    connect(ok, &QPushButton::clicked, [] { save_settings(); });
    connect(cancel, &QPushButton::clicked, [] { cancel_settings(); });
}

void SettingsWindow::on_created() {
    init_settings();
}

void init_settings() {
    const std::string ini = clock_ini_path();
    if (read_setting(ini, kSection, "自动启动") != "N") set_check("选择框1", true);
    if (read_setting(ini, kSection, "自动播放") != "N") set_check("选择框3", true);
    if (read_setting(ini, kSection, "显示启动画面") == "N") set_check("选择框9", true);
    if (read_setting(ini, kSection, "自动更换壁纸") != "N") set_check("选择框2", true);
}

void save_settings() {
    const std::string ini = clock_ini_path();
    write_setting(ini, kSection, "自动播放", checked("选择框3") ? "Y" : "N");
    if (checked("选择框2")) {
        write_setting(ini, kSection, "自动更换壁纸", "Y");
        ui::Form* launcher = ui::loaded_window(ui::windows::kLauncher);
        if (auto* timer = launcher ? launcher->control<ui::TimerControl>("时钟2") : nullptr)
            timer->set_interval(dezu::wallpaper::interval_from_minutes(
                read_setting(ini, "更换壁纸", "间隔时间", "5")));
    } else {
        write_setting(ini, kSection, "自动更换壁纸", "N");
    }
    write_setting(ini, kSection, "显示启动画面", checked("选择框9") ? "N" : "Y");
    if (checked("选择框1")) {
        write_setting(ini, kSection, "自动启动", "Y");
        sync_autostart_value();
    } else {
        write_setting(ini, kSection, "自动启动", "N");
        delete_autostart_value();
    }
    ui::destroy_window(ui::windows::kSettings);
}

void cancel_settings() {
    ui::destroy_window(ui::windows::kSettings);
}
