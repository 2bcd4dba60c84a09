#include "app/image_entry.h"

#include <QApplication>

#include "app/live_services.h"
#include "app/program.h"
#include "platform/process/folder_lock.h"
#include "platform/ui/form.h"
#include "platform/ui/translations.h"

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

    LiveServices services;
    int code = 0;
    {
        Program program(site, services.services());
        program.start();
        code = QApplication::exec();
        // Leaving this scope cancels or finishes the tools' slow work.
    }
    return code;
}
