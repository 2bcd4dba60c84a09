// The start-up sequence and the end of the program: LauncherWindow's created
// handler and its last row.

#include <cstring>

#include "app/autostart_sync.h"
#include "app/launcher_window.h"
#include "platform/files/files.h"
#include "platform/process/process.h"
#include "platform/services.h"
#include "platform/settings/settings_keys.h"
#include "platform/ui/form.h"
#include "platform/ui/icons.h"
#include "platform/ui/timer_control.h"
#include "platform/ui/tray.h"
#include "platform/ui/window_ids.h"
#include "wallpaper/wallpaper_rotator.h"

namespace keys = dezu::settings::keys;
namespace ui = dezu::ui;

namespace dezu::app {

void LauncherWindow::init_launcher() {
    // The folder and whether windows can be translucent were decided before
    // any window existed (ProgramSite), so the splash below sees them too.
    if (site_.opacity_enabled) ui::set_window_opacity(this, 240);

    if (settings_.yes(keys::kShowSplash)) ui::load_window(ui::windows::kSplash);

    // An existing icon file is used as it is, whatever it holds. One that
    // cannot be written leaves the tray with the built-in icon.
    const std::string icon = site_.path("NET.ICO");
    if (!dezu::files::file_exists(icon)) {
        const dezu::files::WriteResult written = dezu::files::write_whole_file(icon, icon_bytes());
        if (!written)
            qWarning("dezu: cannot write %s (%s); the tray shows the built-in icon", icon.c_str(),
                     std::strerror(written.error));
    }
    tray_->show(icon, "单击弹出菜单", ui::icon_from_bytes(icon_bytes()));

    highlighted_row_ = 0;
    ui::apply_visual_style(1);

    if (settings_.yes(keys::kAutoPlay)) ui::load_window(ui::windows::kPlayerBar);

    // "N" leaves an existing entry alone; this never deletes it. A failure
    // here is not told: the settings window tells it when the user sets it.
    if (settings_.yes(keys::kAutoStart)) static_cast<void>(sync_autostart_value(site_));

    wallpaper_.load_at_start();
}

void LauncherWindow::exit_program() {
    tray_->remove();
    services_.process.end_process(0);
}

}  // namespace dezu::app
