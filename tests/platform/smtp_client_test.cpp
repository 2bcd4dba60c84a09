#include "platform/network/smtp_client.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <random>

#include "mail/mail_fixture.h"

namespace net = dezu::network;

namespace {

// A loopback address of its own for a test that needs a fixed port (465).
std::string own_loopback_address() {
    std::random_device seed;
    std::uniform_int_distribution<int> part(2, 250);
    return "127." + std::to_string(part(seed)) + "." + std::to_string(part(seed)) + "." +
           std::to_string(part(seed));
}

// A listening socket that never accepts: with backlog filled it leaves new
// connections unanswered, else it completes them and stays silent.
class SilentListener {
public:
    explicit SilentListener(bool fill_backlog) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            listen(fd_, fill_backlog ? 0 : 8) != 0)
            return;
        socklen_t length = sizeof addr;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &length);
        port_ = ntohs(addr.sin_port);
        for (int i = 0; fill_backlog && i < 3; ++i) {
            const int client = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            [[maybe_unused]] const int started =
                ::connect(client, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
            clients_.push_back(client);
        }
    }
    ~SilentListener() {
        for (int client : clients_) close(client);
        close(fd_);
    }
    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
    std::vector<int> clients_;
};

std::string text(const QJsonValue& value) {
    return value.isArray()
               ? QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact).toStdString()
               : value.toString().toStdString();
}

}  // namespace

class SmtpClientTest : public ProgramDirTest {
protected:
    std::unique_ptr<SmtpPeer> peer;

    // A peer that wants me@local / secret, with its own options.
    void start_peer(const QStringList& options, const std::string& user = "me@local",
                    int port = 0) {
        peer = std::make_unique<SmtpPeer>(path("peer"), user, "secret", options, port);
        ASSERT_TRUE(peer->ready());
    }
    net::SmtpOptions trusting_peer() const {
        net::SmtpOptions options;
        options.ca_file = peer->ca_file();
        return options;
    }
    // Connects, sends one short mail and disconnects; "" when it went, else
    // the connection's failure or the send's error.
    static std::string send_one(net::SmtpClient& client, const std::string& server, int port,
                                const std::string& password) {
        if (!client.connect(server, port, "me@local", password)) return client.failure();
        std::string result = client.send("s", "b", "x@x.org", {}, {}, "me@local", {});
        client.disconnect();
        return result;
    }
};

TEST_F(SmtpClientTest, LogsInInsideTlsByAnyMethodTheServerOffers) {
    struct Case {
        QStringList peer;
        int port;  // 0: any
        std::string logged;
    } cases[] = {
        {{"--tls", "starttls"}, 0, "PLAIN tls ok\n"},
        {{"--tls", "starttls", "--mechanisms", "PLAIN"}, 0, "PLAIN tls ok\n"},
        {{"--tls", "starttls", "--mechanisms", "LOGIN"}, 0, "LOGIN tls ok\n"},
        {{"--tls", "implicit"}, 465, "PLAIN tls ok\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.peer.join(" ").toStdString());
        const std::string host = c.port ? own_loopback_address() : "127.0.0.1";
        start_peer(c.peer + QStringList{"--host", QString::fromStdString(host)}, "me@local",
                   c.port);
        net::SmtpClient client(trusting_peer());
        EXPECT_EQ(send_one(client, host, peer->port(), "secret"), "");
        EXPECT_EQ(peer->auth_log(), c.logged);
        EXPECT_EQ(peer->messages().size(), 1u);
        peer.reset();
        std::filesystem::remove_all(path("peer"));
    }
}

TEST_F(SmtpClientTest, NoPasswordGoesWhereItCouldBeRead) {
    enum class Trust { System, OtherCa };
    struct Case {
        QStringList peer;
        Trust trust;
        std::string failure;
    } cases[] = {
        {{"--tls", "none"}, Trust::System, "服务器不提供加密连接（STARTTLS），密码不能明文发送"},
        {{"--tls", "starttls"}, Trust::System, "服务器的证书不受信任"},
        {{"--tls", "starttls", "--certs", "self-signed"}, Trust::System, "服务器的证书不受信任"},
        {{"--tls", "starttls"}, Trust::OtherCa, "服务器的证书不受信任"},
    };
    const std::string other_ca = path("other-ca.pem");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.peer.join(" ").toStdString());
        start_peer(c.peer);
        net::SmtpOptions options;
        if (c.trust == Trust::OtherCa) options.ca_file = other_ca;
        net::SmtpClient client(options);
        EXPECT_FALSE(client.connect("127.0.0.1", peer->port(), "me@local", "secret"));
        EXPECT_EQ(client.failure(), c.failure);
        EXPECT_EQ(peer->auth_log(), "");
        // Each peer makes a CA of its own: this one is another's for the next.
        if (std::filesystem::exists(peer->ca_file()))
            std::filesystem::copy_file(peer->ca_file(), other_ca,
                                       std::filesystem::copy_options::overwrite_existing);
        peer.reset();
        std::filesystem::remove_all(path("peer"));
    }
}

TEST_F(SmtpClientTest, WithoutAPasswordPlainSmtpStillSends) {
    start_peer({"--tls", "none"}, "");
    net::SmtpClient client;
    EXPECT_EQ(send_one(client, "127.0.0.1", peer->port(), ""), "");
    EXPECT_EQ(peer->messages().size(), 1u);
}

TEST_F(SmtpClientTest, ARefusedLoginFailsAtOnce) {
    start_peer({"--tls", "starttls"});
    net::SmtpClient client(trusting_peer());
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(client.connect("127.0.0.1", peer->port(), "me@local", "wrong"));
    EXPECT_LT(timer.elapsed(), 3000);
    EXPECT_EQ(client.failure(), "登录被拒绝");
    EXPECT_EQ(peer->auth_log(), "PLAIN tls refused\n");
}

TEST_F(SmtpClientTest, AGreetingAfterSixSecondsIsWaitedFor) {
    start_peer({"--tls", "starttls", "--greeting-delay", "6"});
    net::SmtpClient client(trusting_peer());
    EXPECT_EQ(send_one(client, "127.0.0.1", peer->port(), "secret"), "");
    EXPECT_EQ(peer->messages().size(), 1u);
}

TEST_F(SmtpClientTest, EachWaitHasItsOwnLimit) {
    SilentListener unanswered(true);
    SilentListener silent(false);
    struct Case {
        const char* what;
        int port;
        std::string failure;
    } cases[] = {
        {"no TCP answer", unanswered.port(), "服务器在时限内没有回答"},
        {"no greeting", silent.port(), "服务器在时限内没有回答"},
        {"nothing listening", free_port(), "服务器拒绝连接"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        net::SmtpOptions options;
        options.connect_timeout_ms = 1000;
        options.reply_timeout_ms = 1000;
        net::SmtpClient client(options);
        QElapsedTimer timer;
        timer.start();
        EXPECT_FALSE(client.connect("127.0.0.1", c.port, "me@local", ""));
        EXPECT_LT(timer.elapsed(), 4000);
        EXPECT_EQ(client.failure(), c.failure);
    }
}

TEST_F(SmtpClientTest, AHeldSendEndsAtItsLimit) {
    write_file("big.bin", std::string(32 << 20, 'x'));
    struct Case {
        QStringList peer;
        std::string subject;
    } cases[] = {
        {{}, "stall"},            // the server holds its reply to the message
        {{"--stall-data"}, "s"},  // the server stops reading the message
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.peer.join(" ").toStdString() + c.subject);
        start_peer(QStringList{"--tls", "none"} + c.peer, "");
        net::SmtpOptions options;
        options.reply_timeout_ms = 1000;
        options.stall_timeout_ms = 1000;
        net::SmtpClient client(options);
        ASSERT_TRUE(client.add_attachment(path("big.bin")));
        ASSERT_TRUE(client.connect("127.0.0.1", peer->port(), "me@local", ""));
        QElapsedTimer timer;
        timer.start();
        EXPECT_EQ(client.send(c.subject, "b", "x@x.org", {}, {}, "me@local", {}),
                  "邮件发送失败：服务器在时限内没有回答");
        EXPECT_LT(timer.elapsed(), 15000);
        peer.reset();
        std::filesystem::remove_all(path("peer"));
    }
}

TEST_F(SmtpClientTest, NamesAndTextsArriveWithoutDefects) {
    start_peer({"--tls", "starttls"});
    const std::string names[] = {"a.txt", "a\"b;c.txt", "报告 第一季度.txt",
                                 std::string(60, 'x') + "很长的名字.pdf", "back\\slash.txt"};
    net::SmtpClient client(trusting_peer());
    for (const std::string& name : names) {
        write_file(name, "content of " + name);
        ASSERT_TRUE(client.add_attachment(path(name)));
    }
    ASSERT_TRUE(client.connect("127.0.0.1", peer->port(), "me@local", "secret"));
    const std::string body = "第一行\n.\n..two dots\nlast";
    ASSERT_EQ(client.send("季度报告：" + std::string(40, 'Q') + "再见", body,
                          "张三<zs@x.org>,\"Bob, Jr\"<bob@y.org>", {}, {}, "me@local", "我"),
              "");
    ASSERT_EQ(peer->messages().size(), 1u);
    const QJsonObject m = parse_message(peer->messages()[0]);
    EXPECT_EQ(text(m["defects"]), "[]") << peer->messages()[0];
    EXPECT_EQ(m["subject"].toString().toStdString(), "季度报告：" + std::string(40, 'Q') + "再见");
    EXPECT_EQ(m["from"].toString().toStdString(), "我 <me@local>");
    EXPECT_EQ(text(m["to"]), R"(["zs@x.org","bob@y.org"])");
    EXPECT_EQ(text(m["to_names"]), R"(["张三","Bob, Jr"])");
    EXPECT_EQ(m["body"].toString().toStdString(), body);
    const QJsonArray attachments = m["attachments"].toArray();
    ASSERT_EQ(attachments.size(), static_cast<qsizetype>(std::size(names)));
    for (size_t i = 0; i < std::size(names); ++i) {
        const QJsonObject a = attachments[static_cast<qsizetype>(i)].toObject();
        EXPECT_EQ(a["filename"].toString().toStdString(), names[i]);
        EXPECT_EQ(a["size"].toInt(), static_cast<int>(("content of " + names[i]).size()));
    }
}

TEST_F(SmtpClientTest, NoLineBreakReachesACommandOrAHeader) {
    start_peer({"--tls", "none"}, "");
    struct Case {
        std::string recipients, sender, sender_name, subject;
        std::string result;  // "" when sent
        std::string envelope;
    } cases[] = {
        // Line breaks between items separate them like ",".
        {"a@x.org\r\nb@y.org\nc@z.org", "me@local", "", "s", "",
         "me@local\na@x.org\nb@y.org\nc@z.org\n"},
        {"a@x.org\x01RSET", "me@local", "", "s", "收信人地址无效：a@x.org?RSET", ""},
        {"b@y.org, a@x.org\tb", "me@local", "", "s", "收信人地址无效：a@x.org?b", ""},
        {"a@x.org", "me@local\r\nRCPT TO:<evil@z.org>", "", "s",
         "发信人地址无效：me@local??RCPT TO:<evil@z.org>", ""},
        {"a@x.org", "me@local", "me\r\nX-Injected: yes", "s\r\nReply-To: <evil@z.org>", "",
         "me@local\na@x.org\n"},
    };
    net::SmtpClient client;
    size_t sent = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.recipients);
        ASSERT_TRUE(client.connect("127.0.0.1", peer->port(), "me@local", ""));
        EXPECT_EQ(client.send(c.subject, "b", c.recipients, {}, {}, c.sender, c.sender_name),
                  c.result);
        client.disconnect();
        if (!c.result.empty()) continue;
        ASSERT_EQ(peer->messages().size(), ++sent);
        EXPECT_EQ(peer->messages(".rcpt").back(), c.envelope);
        const QJsonObject m = parse_message(peer->messages().back());
        EXPECT_EQ(text(m["defects"]), "[]");
        EXPECT_EQ(text(m["subject"]), c.subject);
        for (const auto& header : m["headers"].toArray())
            EXPECT_TRUE(QStringList({"From", "To", "Subject", "Date", "Message-ID", "MIME-Version",
                                     "Content-Type", "Content-Transfer-Encoding"})
                            .contains(header.toString()))
                << header.toString().toStdString();
    }
    EXPECT_EQ(peer->messages().size(), sent);
}

TEST_F(SmtpClientTest, LargeAttachmentsArriveWhole) {
    start_peer({"--tls", "starttls"});
    // Sizes around a read block and its base64 lines.
    const size_t sizes[] = {0, 1, 56, 57, 58, 57 * 1024, 57 * 1024 + 1, 3 * 1024 * 1024 + 7};
    net::SmtpClient client(trusting_peer());
    std::mt19937 random(7);
    std::vector<std::string> hashes;
    for (const size_t size : sizes) {
        std::string bytes(size, '\0');
        for (char& b : bytes) b = static_cast<char>(random());
        const std::string name = "f" + std::to_string(size) + ".bin";
        write_file(name, bytes);
        hashes.push_back(
            QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Sha256)
                .toHex()
                .toStdString());
        ASSERT_TRUE(client.add_attachment(path(name)));
    }
    ASSERT_EQ(send_one(client, "127.0.0.1", peer->port(), "secret"), "");
    ASSERT_EQ(peer->messages().size(), 1u);
    const QJsonObject m = parse_message(peer->messages()[0]);
    EXPECT_EQ(text(m["defects"]), "[]");
    const QJsonArray attachments = m["attachments"].toArray();
    ASSERT_EQ(attachments.size(), static_cast<qsizetype>(std::size(sizes)));
    for (size_t i = 0; i < std::size(sizes); ++i)
        EXPECT_EQ(attachments[static_cast<qsizetype>(i)]["sha256"].toString().toStdString(),
                  hashes[i])
            << sizes[i];
}

TEST_F(SmtpClientTest, AnAttachmentThatCannotBeReadIsRefused) {
    net::SmtpClient client;
    write_file("a.txt", "A");
    EXPECT_TRUE(client.add_attachment(path("a.txt")));
    EXPECT_FALSE(client.add_attachment(path("gone.txt")));
    EXPECT_FALSE(client.add_attachment(dir()));
    EXPECT_FALSE(client.add_attachment(""));
}
