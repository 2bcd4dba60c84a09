#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <string>

// A web server on 127.0.0.1 at a free port, for as long as the object lives:
// python3's http.server over a folder, or a handler script of the test's own
// that prints "port N" once it listens. Every wait is bounded.
class LocalWebServer {
public:
    // Serves the files of the folder.
    static LocalWebServer for_folder(const std::string& folder) {
        return LocalWebServer({QStringLiteral("-u"), QStringLiteral("-m"),
                               QStringLiteral("http.server"), QStringLiteral("0"),
                               QStringLiteral("--bind"), QStringLiteral("127.0.0.1"),
                               QStringLiteral("--directory"), QString::fromStdString(folder)});
    }
    // Runs a script file.
    static LocalWebServer for_script(const std::string& script) {
        return LocalWebServer({QStringLiteral("-u"), QString::fromStdString(script)});
    }

    LocalWebServer(LocalWebServer&& other) noexcept : process_(other.process_), port_(other.port_) {
        other.process_ = nullptr;
    }
    LocalWebServer(const LocalWebServer&) = delete;
    LocalWebServer& operator=(const LocalWebServer&) = delete;
    ~LocalWebServer() {
        if (!process_) return;
        process_->terminate();
        if (!process_->waitForFinished(5000)) {
            process_->kill();
            process_->waitForFinished(5000);
        }
        delete process_;
    }

    // 0 when the server did not start.
    int port() const { return port_; }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + "/" + path;
    }

private:
    explicit LocalWebServer(const QStringList& arguments) : process_(new QProcess) {
        process_->setProcessChannelMode(QProcess::MergedChannels);
        process_->start(QStringLiteral("python3"), arguments);
        if (!process_->waitForStarted(5000)) return;
        const QRegularExpression listening(QStringLiteral("port (\\d+)"));
        QByteArray said;
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 10000) {
            process_->waitForReadyRead(200);
            said += process_->readAll();
            const auto match = listening.match(QString::fromUtf8(said));
            if (match.hasMatch()) {
                port_ = match.captured(1).toInt();
                return;
            }
            if (process_->state() == QProcess::NotRunning) return;
        }
    }

    QProcess* process_ = nullptr;
    int port_ = 0;
};
