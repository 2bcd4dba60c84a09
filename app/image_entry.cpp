#include "app/image_entry.h"

#include <QApplication>

#include "app/program.h"
#include "platform/desktop/desktop_setter.h"
#include "platform/process/clock.h"
#include "platform/process/folder_lock.h"
#include "platform/process/process.h"
#include "platform/shell/shell_actions.h"
#include "platform/ui/failures.h"
#include "platform/ui/form.h"
#include "platform/ui/printer_choice.h"
#include "platform/ui/prompts.h"
#include "platform/ui/translations.h"
#include "platform/ui/window_system.h"

int image_entry() {
    dezu::ProgramSite site;
    site.dir = dezu::process::program_directory();
    if (site.dir.empty() || site.dir.back() != '/') site.dir += '/';
    site.file_name = dezu::process::program_file_name();

    // A copy already running from this folder keeps it; this one ends
    // before it has touched anything.
    const dezu::process::FolderLock lock(site.dir);
    if (lock.state() == dezu::process::FolderLock::State::HeldElsewhere) return 0;

    QApplication::setQuitOnLastWindowClosed(false);
    dezu::ui::install_chinese_qt_translations();
    site.opacity_enabled = dezu::ui::windows_can_be_translucent();

    dezu::process::SystemClock clock;
    dezu::ui::DialogPrompts prompts;
    dezu::ui::FailureReporter failures(prompts);
    dezu::process::EventLoopExit process;
    dezu::desktop::LiveDesktop desktop;
    dezu::shell::DesktopShell shell(prompts);
    dezu::ui::LiveWindowSystem window_system;
    dezu::ui::DefaultPrinter printer;
    int code = 0;
    {
        Program program(
            site, {clock, prompts, failures, process, desktop, shell, window_system, printer});
        program.start();
        code = QApplication::exec();
        // Leaving this scope cancels or finishes the tools' slow work.
    }
    return code;
}
