#include "platform/shell/shell_actions.h"

#include "platform/shell/date_time_settings.h"
#include "platform/shell/run_dialog.h"
#include "platform/shell/shell.h"
#include "platform/shell/trash.h"

namespace dezu::shell {

bool DesktopShell::open_settings_program() {
    return shell::open_settings_program();
}

bool DesktopShell::start_screen_saver() {
    return shell::start_screen_saver();
}

void DesktopShell::power_off() {
    shell::power_off();
}

bool DesktopShell::open_date_time_settings() {
    return shell::open_date_time_settings();
}

void DesktopShell::show_run_dialog(QWidget* owner) {
    open_run_dialog(owner, prompts_);
}

bool DesktopShell::open_document(const std::string& target) {
    return shell::open_document(target);
}

bool DesktopShell::move_to_trash(const std::string& path) {
    return shell::move_to_trash(path);
}

}  // namespace dezu::shell
