#include "platform/shell/date_time_settings.h"

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <vector>

namespace dezu::shell {
namespace {

struct Candidate {
    const char* desktop;  // as XDG_CURRENT_DESKTOP names it
    const char* program;
    QStringList arguments;
};

const std::vector<Candidate>& candidates() {
    static const std::vector<Candidate> list = {
        {"GNOME", "gnome-control-center", {"datetime"}},
        {"Unity", "gnome-control-center", {"datetime"}},
        {"X-Cinnamon", "cinnamon-settings", {"calendar"}},
        {"KDE", "systemsettings", {"kcm_clock"}},
        {"KDE", "systemsettings5", {"clock"}},
        {"MATE", "mate-time-admin", {}},
        {"XFCE", "time-admin", {}},
        {"LXQt", "lxqt-config-datetime", {}},
        {"", "time-admin", {}},
    };
    return list;
}

bool start(const Candidate& c) {
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(c.program));
    return !path.isEmpty() && QProcess::startDetached(path, c.arguments);
}

}  // namespace

bool open_date_time_settings() {
    const QStringList desktops =
        qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts);
    for (const auto& c : candidates())
        if (desktops.contains(QString::fromLatin1(c.desktop), Qt::CaseInsensitive) && start(c))
            return true;
    for (const auto& c : candidates())
        if (start(c)) return true;
    return false;
}

}  // namespace dezu::shell
