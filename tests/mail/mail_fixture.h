#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryFile>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/program.h"
#include "mail/mail_accounts.h"
#include "platform/store/table.h"
#include "platform/ui/form.h"
#include "platform/ui/window_ids.h"
#include "support/program_dir.h"
#include "support/test_services.h"

namespace mail = dezu::mail;
using dezu::app::Program;
using mail::Account;

// A loopback TCP port that nothing listens on right now.
inline int free_port() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t length = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
    close(fd);
    return ntohs(addr.sin_port);
}

// A program in a fresh folder, not started (the mail windows need no
// launcher), with every prompt answered from the script.
class MailTest : public ProgramDirTest {
protected:
    TestServices services;
    ScriptedPrompts& prompts = services.prompts;

    void SetUp() override {
        ProgramDirTest::SetUp();
        program_ = std::make_unique<Program>(test_site(dir()), services.services());
    }
    void TearDown() override {
        // Windows closed during the test are deleted before what they show.
        process_events();
        program_.reset();
        ProgramDirTest::TearDown();
    }
    // The end of the run: windows go without their closing handlers, then
    // the accounts, whose end waits for a send still on its way.
    void end_program() { program_.reset(); }
    mail::MailAccounts& accounts() { return program_->mail(); }

    // user.edb as the program finds it: text fields behind the fixed password.
    void make_account_db(const std::vector<Account>& accounts, int field_count = 6) {
        std::vector<dezu::store::FieldDefinition> fields;
        for (int i = 1; i <= field_count; ++i)
            fields.push_back({"f" + std::to_string(i), dezu::store::kFieldText, 100});
        const std::string file = path("user.edb");
        ASSERT_TRUE(dezu::store::Table::create(file, fields).ok());
        dezu::store::Table table = dezu::store::Table::open(file, "setup");
        ASSERT_TRUE(table.is_open());
        for (const Account& a : accounts) {
            ASSERT_TRUE(table.append());
            const std::string values[] = {a.name,          a.password, a.address,
                                          a.smtp_password, a.server,   a.port};
            for (int i = 0; i < field_count; ++i) ASSERT_TRUE(table.write(i + 1, values[i]));
        }
        ASSERT_TRUE(table.set_password(mail::kAccountPassword));
    }

    // The accounts stored in user.edb. The table opens in one place at a
    // time: while the program has it open, they are read through its handle
    // (which moves its current record).
    std::vector<Account> stored_accounts() {
        std::vector<Account> out;
        if (accounts().is_open()) {
            while (const auto account = accounts().account_at_row(static_cast<int>(out.size())))
                out.push_back(*account);
            return out;
        }
        dezu::store::Table table =
            dezu::store::Table::open(path("user.edb"), mail::kAccountPassword);
        EXPECT_TRUE(table.is_open());
        for (int r = 1; r <= table.record_count(); ++r) {
            EXPECT_TRUE(table.go_to(r));
            auto f = [&table](int n) { return table.read(n).value_or("?"); };
            out.push_back({f(1), f(2), f(3), f(4), f(5), f(6)});
        }
        return out;
    }

    dezu::ui::Form* compose() { return dezu::ui::load_window(dezu::ui::windows::kMailCompose); }

    template <class T = QWidget>
    static T* find(dezu::ui::Form* window, const char* name) {
        T* control = window->control<T>(name);
        EXPECT_NE(control, nullptr) << name;
        return control;
    }

private:
    std::unique_ptr<Program> program_;
};

// A received message as Python's email package reads it (parse_message.py).
inline QJsonObject parse_message(const std::string& message) {
    QTemporaryFile file;
    if (!file.open()) return {};
    file.write(message.data(), static_cast<qint64>(message.size()));
    file.flush();
    const auto script = std::filesystem::path(DEZU_SMTP_PEER).parent_path() / "parse_message.py";
    QProcess python;
    python.start("/usr/bin/python3", {QString::fromStdString(script.string()), file.fileName()});
    if (!python.waitForFinished(30000)) return {};
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

// The SMTP peer on loopback, stopped when the test ends. options are the
// peer's own (--tls starttls, --mechanisms PLAIN, ...: see smtp_peer.py).
class SmtpPeer {
public:
    SmtpPeer(const std::string& folder, const std::string& user, const std::string& password,
             const QStringList& options = {}, int port = 0)
        : folder_(folder), port_(port > 0 ? port : free_port()) {
        std::filesystem::create_directories(folder);
        const std::string script = DEZU_SMTP_PEER;
        process_.start("/usr/bin/python3",
                       QStringList{QString::fromStdString(script), QString::number(port_),
                                   QString::fromStdString(folder), QString::fromStdString(user),
                                   QString::fromStdString(password)} +
                           options);
        ready_ = process_.waitForStarted(5000) && process_.waitForReadyRead(15000) &&
                 process_.readAllStandardOutput().startsWith("ready");
    }
    ~SmtpPeer() {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(2000);
        }
    }
    bool ready() const { return ready_; }
    int port() const { return port_; }
    // The private CA that signed a TLS peer's certificate.
    std::string ca_file() const { return folder_ + "/ca.pem"; }
    // Whether the peer holds a message with the subject "stall".
    bool stalled() const { return std::filesystem::exists(folder_ + "/stalled"); }
    // One line per login tried: mechanism, "tls" or "clear", "ok" or "refused".
    std::string auth_log() const { return text_of("auth.log"); }
    // The argument of every RCPT command received, one a line.
    std::string rcpt_log() const { return text_of("rcpt.log"); }

    // The received messages, oldest first.
    std::vector<std::string> messages(const std::string& suffix = ".eml") const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder_))
            if (entry.path().extension() == ".eml") names.push_back(entry.path().stem().string());
        std::sort(names.begin(), names.end());
        std::vector<std::string> out;
        for (const auto& name : names) {
            std::ifstream in(std::filesystem::path(folder_) / (name + suffix), std::ios::binary);
            out.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        return out;
    }

private:
    std::string text_of(const char* file) const {
        std::ifstream in(std::filesystem::path(folder_) / file);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::string folder_;
    int port_;
    QProcess process_;
    bool ready_ = false;
};
