#include "app/startup.h"

#include <QApplication>

#include "app/autostart_sync.h"
#include "app/globals.h"
#include "app/launcher_window.h"
#include "platform/files/files.h"
#include "platform/process/process.h"
#include "platform/settings/settings_file.h"
#include "platform/text/text.h"
#include "platform/ui/form.h"
#include "platform/ui/timer_control.h"
#include "platform/ui/tray.h"
#include "platform/ui/window_ids.h"
#include "wallpaper/wallpaper_list.h"

using dezu::settings::read_setting;
namespace ui = dezu::ui;

void init_launcher() {
    auto* launcher = ui::loaded_window_as<LauncherWindow>(ui::windows::kLauncher);
    if (!launcher) return;

    // 1. Opacity only where windows can really be translucent.
    g_window_opacity_enabled = ui::windows_can_be_translucent();
    if (g_window_opacity_enabled) ui::set_window_opacity(launcher, 240);

    // 2.
    g_program_dir = dezu::process::program_directory();
    if (g_program_dir.empty() || g_program_dir.back() != '/') g_program_dir += '/';
    const std::string ini = clock_ini_path();

    // 3.
    if (read_setting(ini, "系统参数", "显示启动画面", "Y") != "N")
        ui::load_window(ui::windows::kSplash);

    // 4. An existing icon file is used as it is, whatever it holds.
    const std::string icon = g_program_dir + "NET.ICO";
    if (!dezu::files::file_exists(icon))
        dezu::files::write_bytes(icon, LauncherWindow::icon_bytes());

    // 5.
    ui::set_tray_icon(launcher, icon, "单击弹出菜单");

    // 6.
    g_highlighted_button_row = 0;
    ui::apply_visual_style(1);

    // 7.
    if (read_setting(ini, "系统参数", "自动播放") != "N") ui::load_window(ui::windows::kPlayerBar);

    // 8. "N" leaves an existing entry alone; this never deletes it.
    if (read_setting(ini, "系统参数", "自动启动") != "N") sync_autostart_value();

    // 9.
    g_current_wallpaper_index = dezu::text::truncate_toward_zero(
        dezu::text::numeric_value(read_setting(ini, "更换壁纸", "当前壁纸", "1")));

    // 10.
    g_wallpaper_list = dezu::wallpaper::read_wallpaper_list(g_program_dir + "WALLAB.INI");

    // 11.
    if (read_setting(ini, "更换壁纸", "自动更换") != "N")
        launcher->wallpaper_timer()->set_interval(
            dezu::wallpaper::interval_from_minutes(read_setting(ini, "更换壁纸", "间隔时间", "5")));
    else
        launcher->wallpaper_timer()->set_interval(0);

    // 12.
    g_wallpaper_display_mode = dezu::text::truncate_toward_zero(
        dezu::text::numeric_value(read_setting(ini, "更换壁纸", "显示方式", "5")));
}

void exit_program() {
    ui::set_tray_icon(ui::loaded_window(ui::windows::kLauncher));
    dezu::process::end_process(0);
}
