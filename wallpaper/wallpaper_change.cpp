#include "wallpaper/wallpaper_change.h"

#include "app/globals.h"
#include "platform/desktop/desktop_wallpaper.h"
#include "platform/settings/settings_file.h"
#include "platform/text/text.h"
#include "platform/ui/form.h"
#include "platform/ui/timer_control.h"
#include "platform/ui/window_ids.h"

namespace ui = dezu::ui;

std::string wallpaper_file_for(const std::string& picture_path) {
    if (dezu::text::ends_with_ignoring_case(picture_path, ".BMP")) return picture_path;
    const std::string converted = g_program_dir + "WALLPAPER.BMP";
    return dezu::desktop::convert_picture_to_bmp(picture_path, converted) ? converted
                                                                          : picture_path;
}

void change_wallpaper_on_timer() {
    const auto count = static_cast<std::int32_t>(g_wallpaper_list.size());
    if (count == 0) {
        ui::Form* launcher = ui::loaded_window(ui::windows::kLauncher);
        if (auto* timer = launcher ? launcher->control<ui::TimerControl>("时钟2") : nullptr)
            timer->set_interval(0);
        return;
    }
    // A number below 1 (a hand-edited settings file) starts again at entry 1,
    // as a number past the end does.
    if (g_current_wallpaper_index >= count || g_current_wallpaper_index < 0)
        g_current_wallpaper_index = 1;
    else
        ++g_current_wallpaper_index;
    const std::string picture = g_wallpaper_list[g_current_wallpaper_index - 1];
    dezu::desktop::set_desktop_wallpaper(wallpaper_file_for(picture), g_wallpaper_display_mode);
    dezu::settings::write_setting(clock_ini_path(), "更换壁纸", "当前壁纸",
                                  std::to_string(g_current_wallpaper_index));
}
