#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/register_windows.h"
#include "mail/mail_accounts.h"
#include "platform/store/record_store.h"
#include "platform/ui/form.h"
#include "platform/ui/window_ids.h"
#include "support/program_dir.h"
#include "support/scripted_prompts.h"

struct Account {
    std::string name, password, address, smtp_password, server, port;
};

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

// A program directory with the mail windows registered and every prompt
// answered from the script.
class MailTest : public ProgramDirTest {
protected:
    ScriptedPrompts prompts;

    void SetUp() override {
        ProgramDirTest::SetUp();
        g_program_dir = dir() + "/";
        register_all_windows();
    }

    // user.edb as the program finds it: six text fields behind the fixed password.
    void make_account_db(const std::vector<Account>& accounts) {
        std::vector<dezu::store::FieldDefinition> fields;
        for (int i = 1; i <= 6; ++i)
            fields.push_back({"f" + std::to_string(i), dezu::store::kFieldText, 100});
        const std::string file = path("user.edb");
        ASSERT_TRUE(dezu::store::create_store_table(file, fields));
        ASSERT_TRUE(dezu::store::open_store_table(file, "setup"));
        for (const Account& a : accounts) {
            ASSERT_TRUE(dezu::store::append_store_record());
            const std::string values[] = {a.name,          a.password, a.address,
                                          a.smtp_password, a.server,   a.port};
            for (int i = 0; i < 6; ++i) dezu::store::write_store_field(i + 1, values[i]);
        }
        ASSERT_TRUE(dezu::store::set_store_password(mail::kAccountPassword));
        dezu::store::close_store_table("setup");
    }

    // The accounts stored in user.edb, read with the fixed password.
    std::vector<Account> stored_accounts() {
        std::vector<Account> out;
        const std::string previous = dezu::store::current_store_alias();
        const bool was_open = dezu::store::is_store_table_open(mail::kAccountAlias);
        if (was_open)
            dezu::store::select_store_table(mail::kAccountAlias);
        else
            EXPECT_TRUE(
                dezu::store::open_store_table(path("user.edb"), "check", mail::kAccountPassword));
        const int count = dezu::store::store_record_count();
        for (int r = 1; r <= count; ++r) {
            dezu::store::go_to_record(r);
            auto f = [](int n) { return dezu::store::read_store_field(n); };
            out.push_back({f(1), f(2), f(3), f(4), f(5), f(6)});
        }
        if (!was_open) dezu::store::close_store_table("check");
        if (!previous.empty()) dezu::store::select_store_table(previous);
        return out;
    }

    dezu::ui::Form* compose() { return dezu::ui::load_window(dezu::ui::windows::kMailCompose); }

    template <class T = QWidget>
    static T* find(dezu::ui::Form* window, const char* name) {
        T* control = window->control<T>(name);
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
};

// The SMTP peer on loopback, stopped when the test ends.
class SmtpPeer {
public:
    SmtpPeer(const std::string& folder, const std::string& user, const std::string& password)
        : folder_(folder), port_(free_port()) {
        std::filesystem::create_directories(folder);
        const std::string script = std::filesystem::path(__FILE__).parent_path() / "smtp_peer.py";
        process_.start(
            "/usr/bin/python3",
            {QString::fromStdString(script), QString::number(port_), QString::fromStdString(folder),
             QString::fromStdString(user), QString::fromStdString(password)});
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
    std::string folder_;
    int port_;
    QProcess process_;
    bool ready_ = false;
};
