#pragma once

// Stand-ins for the desktop's programs and the system bus, so that tests of
// the system actions never shut down, lock or launch anything real.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "platform/files/files.h"

// Programs put alone on PATH; each records its name and arguments, one call
// a line: "systemctl [poweroff]".
class StandInPrograms {
public:
    StandInPrograms() {
        if (const char* path = std::getenv("PATH")) saved_path_ = path;
        std::filesystem::create_directories(bin());
        setenv("PATH", bin().c_str(), 1);
    }
    ~StandInPrograms() { setenv("PATH", saved_path_.c_str(), 1); }

    std::string bin() const { return dir_.path().toStdString() + "/bin"; }
    std::string log() const { return dir_.path().toStdString() + "/calls.log"; }

    // Adds a program of that name to PATH.
    void add(const std::string& name) {
        const std::string path = bin() + "/" + name;
        ASSERT_TRUE(dezu::files::write_whole_file(
            path, "#!/bin/sh\n{ printf '%s' '" + name +
                      "'; for a in \"$@\"; do printf ' [%s]' \"$a\"; done; "
                      "echo; } >> '" +
                      log() + "'\n"));
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    }

    std::vector<std::string> calls() const {
        std::vector<std::string> lines;
        std::string text = dezu::files::read_whole_file(log());
        std::string::size_type start = 0, end;
        while ((end = text.find('\n', start)) != std::string::npos) {
            lines.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        return lines;
    }

    // The calls once there are that many, or what there is after the wait.
    std::vector<std::string> wait_for_calls(std::size_t count, int milliseconds = 5000) const {
        QDeadlineTimer deadline(milliseconds);
        while (calls().size() < count && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return calls();
    }

private:
    QTemporaryDir dir_;
    std::string saved_path_;
};

// A private message bus standing in for the system bus, with a logind that
// records PowerOff calls and answers them, or refuses them.
class StandInLogind : public QDBusVirtualObject {
public:
    StandInLogind() {
        // Found before the tests narrow PATH to their stand-ins.
        const QString program = QStandardPaths::findExecutable(
            QStringLiteral("dbus-daemon"), {QStringLiteral("/usr/bin"), QStringLiteral("/bin")});
        // Its socket goes in our own folder: the session default would leave
        // a /tmp/dbus-* file behind for every bus.
        daemon_.start(program, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                QStringLiteral("--print-address=1"),
                                QStringLiteral("--address=unix:path=") + dir_.path() +
                                    QStringLiteral("/bus")});
        if (!daemon_.waitForStarted(5000) || !daemon_.waitForReadyRead(5000)) return;
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        QDBusConnection bus = QDBusConnection::connectToBus(address_, kName);
        ok_ = bus.isConnected() &&
              bus.registerVirtualObject(QStringLiteral("/org/freedesktop/login1"), this) &&
              bus.registerService(QStringLiteral("org.freedesktop.login1"));
    }
    ~StandInLogind() override {
        QDBusConnection::disconnectFromBus(kName);
        daemon_.terminate();
        if (!daemon_.waitForFinished(2000)) {
            daemon_.kill();
            daemon_.waitForFinished(2000);
        }
    }

    bool ok() const { return ok_; }
    std::string address() const { return address_.toStdString(); }
    void refuse() { refuse_ = true; }

    // "org.freedesktop.login1.Manager.PowerOff(true)" for each call.
    std::vector<std::string> calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        std::string call =
            (message.interface() + QLatin1Char('.') + message.member()).toStdString();
        call += "(";
        for (const QVariant& argument : message.arguments())
            call += argument.toBool() ? "true" : "false";
        call += ")";
        {
            std::lock_guard lock(mutex_);
            calls_.push_back(call);
        }
        connection.send(refuse_ ? message.createErrorReply(QDBusError::AccessDenied,
                                                           QStringLiteral("not allowed"))
                                : message.createReply());
        return true;
    }

private:
    static inline const QString kName = QStringLiteral("stand-in-logind");
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
    bool ok_ = false;
    bool refuse_ = false;
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
};
