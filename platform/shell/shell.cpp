#include "platform/shell/shell.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <optional>

namespace dezu::shell {
namespace {

bool start(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments, QDir::homePath());
}

// A program named on the command line, as a full path; empty when none.
QString find_program(const QString& name) {
    if (name.contains(QLatin1Char('/'))) {
        const QFileInfo file(name);
        return file.isFile() && file.isExecutable() ? file.absoluteFilePath() : QString();
    }
    return QStandardPaths::findExecutable(name);
}

// Words as a POSIX shell splits them: blanks separate, '...' is literal,
// "..." and a backslash escape. Nothing when a quote is left open.
std::optional<QStringList> split_command_line(const QString& line) {
    QStringList words;
    QString word;
    bool in_word = false;
    QChar quote;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quote == QLatin1Char('\'')) {
            if (c == quote)
                quote = QChar();
            else
                word += c;
        } else if (quote == QLatin1Char('"')) {
            if (c == quote)
                quote = QChar();
            else if (c == QLatin1Char('\\') && i + 1 < line.size() &&
                     QStringLiteral("\"\\$`").contains(line[i + 1]))
                word += line[++i];
            else
                word += c;
        } else if (c.isSpace()) {
            if (in_word) words << word;
            word.clear();
            in_word = false;
        } else {
            in_word = true;
            if (c == QLatin1Char('\'') || c == QLatin1Char('"'))
                quote = c;
            else if (c == QLatin1Char('\\') && i + 1 < line.size())
                word += line[++i];
            else
                word += c;
        }
    }
    if (!quote.isNull()) return std::nullopt;
    if (in_word) words << word;
    return words;
}

bool run_systemctl_poweroff() {
    const QString systemctl = QStandardPaths::findExecutable(QStringLiteral("systemctl"));
    return !systemctl.isEmpty() && start(systemctl, {QStringLiteral("poweroff")});
}

// Errors that mean logind was not there to ask, as opposed to logind saying no.
bool logind_unreachable(QDBusError::ErrorType type) {
    switch (type) {
        case QDBusError::NoServer:
        case QDBusError::Disconnected:
        case QDBusError::ServiceUnknown:
        case QDBusError::UnknownObject:
        case QDBusError::UnknownInterface:
        case QDBusError::UnknownMethod:
            return true;
        default:
            return false;
    }
}

// Long enough for the user to answer an authorisation prompt.
constexpr int kPowerOffTimeoutMs = 120000;

}  // namespace

bool open_settings_program() {
    static const char* const programs[] = {
        "gnome-control-center",   "systemsettings",      "systemsettings5",
        "xfce4-settings-manager", "mate-control-center", "cinnamon-settings",
        "budgie-control-center",  "lxqt-config",
    };
    for (const char* name : programs) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty()) return start(path, {});
    }
    return false;
}

bool start_screen_saver() {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-screensaver"));
    return !program.isEmpty() && start(program, {QStringLiteral("activate")});
}

void power_off() {
    static int calls = 0;
    const QString name = QStringLiteral("dezu-power-off-%1").arg(++calls);
    // A connection of its own, with the address read afresh each time.
    const QString address = qEnvironmentVariable(
        "DBUS_SYSTEM_BUS_ADDRESS", QStringLiteral("unix:path=/run/dbus/system_bus_socket"));
    QDBusConnection bus = QDBusConnection::connectToBus(address, name);
    if (!bus.isConnected()) {
        QDBusConnection::disconnectFromBus(name);
        run_systemctl_poweroff();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PowerOff"));
    call << true;  // interactive: the session may ask the user to authorise it
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kPowerOffTimeoutMs));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                     [name](QDBusPendingCallWatcher* w) {
                         const QDBusPendingReply<> reply = *w;
                         if (reply.isError() && logind_unreachable(reply.error().type()))
                             run_systemctl_poweroff();
                         w->deleteLater();
                         QDBusConnection::disconnectFromBus(name);
                     });
}

bool open_document(const std::string& target) {
    const QString text = QString::fromStdString(target);
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!opener.isEmpty()) return start(opener, {text});
    return QDesktopServices::openUrl(QUrl::fromUserInput(text, QDir::currentPath()));
}

bool start_command_line(const std::string& line) {
    std::optional<QStringList> split = split_command_line(QString::fromStdString(line));
    if (!split || split->isEmpty()) return false;
    QStringList words = *split;
    const QString program = find_program(words.takeFirst());
    return !program.isEmpty() && start(program, words);
}

}  // namespace dezu::shell
