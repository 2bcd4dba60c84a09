#include "app/image_entry.h"

#include <QApplication>
#include <QSessionManager>

#include "app/live_services.h"
#include "app/program.h"
#include "platform/process/end_requests.h"
#include "platform/process/folder_lock.h"
#include "platform/ui/form.h"
#include "platform/ui/translations.h"

namespace dezu::app {

int image_entry() {
    dezu::ProgramSite site;
    site.dir = dezu::process::program_directory();
    if (site.dir.empty() || site.dir.back() != '/') site.dir += '/';
    site.file_name = dezu::process::program_file_name();

    // A copy already running from this folder keeps it; this one ends
    // before it has touched anything.
    const dezu::process::FolderLock lock(site.dir);
    if (lock.state() == dezu::process::FolderLock::State::HeldElsewhere) return 0;

    // From here a log-out, a shut-down or Ctrl+C ends the program as
    // 退出程序 does, however early it comes.
    dezu::process::EndRequests end_requests;
    QApplication::setQuitOnLastWindowClosed(false);
    if (!dezu::ui::install_chinese_qt_translations())
        qWarning(
            "dezu: Qt's Chinese translations are not installed; its own dialogs speak English");
    site.opacity_enabled = dezu::ui::windows_can_be_translucent();

    LiveServices services;
    int code = 0;
    {
        Program program(site, services.services());
        QObject::connect(&end_requests, &dezu::process::EndRequests::requested,
                         [&services] { services.process.end_process(0); });
        // The session may end without asking us to quit (or be cancelled and
        // go on): the user's text is kept now either way.
        QObject::connect(qApp, &QGuiApplication::commitDataRequest, &program.diary(),
                         [&program](QSessionManager&) { program.end_in_order(); });
        program.start();
        code = QApplication::exec();
        program.end_in_order();
        // Leaving this scope cancels or finishes the tools' slow work.
    }
    return code;
}

}  // namespace dezu::app
