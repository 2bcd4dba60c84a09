#include "app/register_windows.h"

#include "app/launcher_window.h"
#include "platform/ui/window_ids.h"

namespace ui = dezu::ui;

void register_all_windows() {
    ui::register_window(ui::windows::kLauncher, [] { return std::make_unique<LauncherWindow>(); });
}
