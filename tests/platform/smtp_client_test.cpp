#include "platform/network/smtp_client.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <atomic>
#include <cstring>
#include <random>
#include <thread>

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

// However the server goes silent, the send ends when its limit has run out
// once: the closing QUIT gets no time of its own on top.
TEST_F(SmtpClientTest, AHeldSendEndsAtItsLimit) {
    write_file("big.bin", std::string(32 << 20, 'x'));
    struct Case {
        QStringList peer;
        std::string subject;
        bool big;  // more than the connection's buffers hold
    } cases[] = {
        // The server holds its reply to the message.
        {{}, "stall", true},
        {{}, "stall", false},
        // The server stops reading the message: in the middle of it, or when
        // the connection's buffers have taken all of it.
        {{"--stall-data"}, "s", true},
        {{"--stall-data"}, "s", false},
    };
    constexpr int kLimit = 4000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.peer.join(" ").toStdString() + c.subject + (c.big ? " big" : " small"));
        start_peer(QStringList{"--tls", "none"} + c.peer, "");
        net::SmtpOptions options;
        options.reply_timeout_ms = kLimit;
        options.stall_timeout_ms = kLimit;
        net::SmtpClient client(options);
        if (c.big) {
            ASSERT_TRUE(client.add_attachment(path("big.bin")));
        }
        ASSERT_TRUE(client.connect("127.0.0.1", peer->port(), "me@local", ""));
        std::string result;
        std::atomic<bool> ended = false;
        std::thread sending([&] {
            result = client.send(c.subject, "b", "x@x.org", {}, {}, "me@local", {});
            client.disconnect();
            ended = true;
        });
        // Timed from the moment the server begins to hold the send.
        EXPECT_TRUE(wait_until([&] { return ended || peer->stalled(); }, 30000));
        QElapsedTimer held;
        held.start();
        sending.join();
        EXPECT_EQ(result, "邮件发送失败：服务器在时限内没有回答");
        // The limit is waited out, and a second passes at most before the
        // wait is looked at again.
        EXPECT_GE(held.elapsed(), kLimit - 500);
        EXPECT_LT(held.elapsed(), kLimit + 1800);
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

// The lines of a message's headers and its parts' headers.
std::vector<std::string> header_lines(const std::string& message) {
    std::vector<std::string> lines;
    bool in_head = true;
    size_t start = 0;
    while (start < message.size()) {
        size_t end = message.find("\r\n", start);
        if (end == std::string::npos) end = message.size();
        const std::string line = message.substr(start, end - start);
        start = end + 2;
        if (line.rfind("--=_dezu_", 0) == 0)
            in_head = true;
        else if (line.empty())
            in_head = false;
        else if (in_head)
            lines.push_back(line);
    }
    return lines;
}

// Every header folds under 78 characters, whatever it holds, and reads back
// as it was written.
TEST_F(SmtpClientTest, EveryHeaderLineFolds) {
    start_peer({"--tls", "none"}, "");
    std::string words;
    for (int i = 0; i < 240; ++i) words += (i ? " " : "") + std::string("word");
    std::string chinese;
    for (int i = 0; i < 400; ++i) chinese += "长";
    const std::string subjects[] = {
        words,                                       // 1,199 characters with blanks
        std::string(1200, 'x'),                      // one word that no blank can fold
        chinese,                                     // 1,200 bytes of UTF-8
        "hello " + std::string(100, 'y') + " 世界",  // a long word among others
        " two  blanks\tand a tab ",                  // blanks that folding must keep
        "=?UTF-8?B?SGk=?=",                          // plain text that looks encoded
        "short",
    };
    // The longest names a file system takes (255 bytes).
    const std::string names[] = {
        std::string(251, 'n') + ".txt",
        [] {
            std::string n;
            for (int i = 0; i < 83; ++i) n += "名";
            return n + ".txt";
        }(),
        "a name with " + std::string(60, 'b') + " blanks.txt",
    };
    for (const std::string& name : names) write_file(name, "content of " + name);
    // Names that fold at their blanks, names beyond ASCII, and names with a
    // word no blank can fold.
    struct Recipient {
        std::string name, address;
        bool encoded;
    };
    std::vector<Recipient> to;
    std::string recipients;
    for (int i = 0; i < 40; ++i) {
        const std::string n = std::to_string(i);
        const std::string name =
            i % 3 == 0   ? "Mr " + std::string(40, 'q') + " " + std::string(40, 'r') + ", No. " + n
            : i % 3 == 1 ? "收信人" + n + chinese.substr(0, 90)
                         : std::string(100, 'w') + n;
        to.push_back({name, "r" + n + "@" + std::string(50, 'd') + ".org", i % 3 != 0});
        recipients += (i ? "," : "") + (i % 3 == 0 ? "\"" + name + "\"" : name) + "<" +
                      to.back().address + ">";
    }
    const std::string sender = "The sender of this mail with a name that is long enough to fold";
    net::SmtpClient client;
    size_t sent = 0;
    for (const std::string& subject : subjects) {
        SCOPED_TRACE(subject.substr(0, 40));
        for (const std::string& name : names) ASSERT_TRUE(client.add_attachment(path(name)));
        ASSERT_TRUE(client.connect("127.0.0.1", peer->port(), "me@local", ""));
        ASSERT_EQ(client.send(subject, "b", recipients, {}, {}, "me@local", sender), "");
        client.disconnect();
        ASSERT_EQ(peer->messages().size(), ++sent);
        const std::string message = peer->messages().back();
        for (const std::string& line : header_lines(message)) EXPECT_LE(line.size(), 78u) << line;
        const QJsonObject m = parse_message(message);
        EXPECT_EQ(text(m["defects"]), "[]");
        EXPECT_EQ(text(m["subject"]), subject);
        EXPECT_EQ(text(m["from"]), sender + " <me@local>");
        ASSERT_EQ(m["to"].toArray().size(), 40);
        for (qsizetype i = 0; i < 40; ++i) {
            const Recipient& r = to[static_cast<size_t>(i)];
            EXPECT_EQ(text(m["to"][i]), r.address);
            if (r.encoded)
                EXPECT_NE(text(m["to_decoded"]).find(r.name + " <" + r.address + ">"),
                          std::string::npos)
                    << r.name;
            else
                EXPECT_EQ(text(m["to_names"][i]), r.name);
        }
        const QJsonArray attachments = m["attachments"].toArray();
        ASSERT_EQ(attachments.size(), static_cast<qsizetype>(std::size(names)));
        for (size_t i = 0; i < std::size(names); ++i)
            EXPECT_EQ(text(attachments[static_cast<qsizetype>(i)]["filename"]), names[i]);
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
        {"a@x.org\x01RSET", "me@local", "", "s", "收信人地址无效：a@x.org\xef\xbf\xbdRSET", ""},
        {"b@y.org, a@x.org\tb", "me@local", "", "s",
         "收信人地址无效：a@x.org\xef\xbf\xbd"
         "b",
         ""},
        {"a@x.org", "me@local\r\nRCPT TO:<evil@z.org>", "", "s",
         "发信人地址无效：me@local\xef\xbf\xbd\xef\xbf\xbdRCPT TO:<evil@z.org>", ""},
        {"a@x.org", "me@local", "me\r\nX-Injected: yes", "s\r\nReply-To: <evil@z.org>", "",
         "me@local\na@x.org\n"},
        // An address is one mailbox: nothing of it becomes a parameter or a
        // recipient of its own.
        {"a@x.org> NOTIFY=SUCCESS ORCPT=rfc822;evil@z.org", "me@local", "", "s",
         "收信人地址无效：a@x.org> NOTIFY=SUCCESS ORCPT=rfc822", ""},
        {"Tom <a@x.org> NOTIFY=NEVER", "me@local", "", "s",
         "收信人地址无效：Tom <a@x.org> NOTIFY=NEVER", ""},
        {"<a b@x.org>", "me@local", "", "s", "收信人地址无效：<a b@x.org>", ""},
        {"<a@x.org", "me@local", "", "s", "收信人地址无效：<a@x.org", ""},
        {"a@x.org", "me@local SIZE=1", "", "s", "发信人地址无效：me@local SIZE=1", ""},
        {"a@x.org", "<me@local>", "", "s", "发信人地址无效：<me@local>", ""},
        // Quoted names keep their separators.
        {"\"Li, Tom; Jr\" <t@x.org>;b@y.org", "me@local", "", "s", "",
         "me@local\nt@x.org\nb@y.org\n"},
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

// A server completes a recipient without a domain with its own and delivers
// it there: no such recipient is ever named to it, in any list.
TEST_F(SmtpClientTest, ARecipientWithoutADomainNeverReachesTheServer) {
    start_peer({"--tls", "none"}, "");
    struct Case {
        std::string to, cc, bcc, result;
    } cases[] = {
        {"Wang, Wu<wangwu@x.org>", "", "", "收信人地址无效：Wang"},
        {"Li; Tom<lt@x.org>", "", "", "收信人地址无效：Li"},
        {"张三", "", "", "收信人地址无效：张三"},
        {"ok@x.org, 张三<zs>", "", "", "收信人地址无效：张三<zs>"},
        {"ok@x.org", "postmaster", "", "收信人地址无效：postmaster"},
        {"ok@x.org", "", "Tom <tom@>", "收信人地址无效：Tom <tom@>"},
        {"\"a@b\"", "", "", "收信人地址无效：\"a@b\""},
        {"\"Wang, Wu\"<wangwu@x.org>", "", "", ""},
    };
    net::SmtpClient client;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.to + " | " + c.cc + " | " + c.bcc);
        ASSERT_TRUE(client.connect("127.0.0.1", peer->port(), "me@local", ""));
        EXPECT_EQ(client.send("s", "b", c.to, c.cc, c.bcc, "me@local", ""), c.result);
        client.disconnect();
    }
    EXPECT_EQ(peer->rcpt_log(), "TO:<wangwu@x.org>\n");
    ASSERT_EQ(peer->messages().size(), 1u);
    EXPECT_EQ(text(parse_message(peer->messages()[0])["to_names"]), R"(["Wang, Wu"])");
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

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// A sanitizer keeps freed memory back for a while, so the resident peak
// would count libcurl's freed buffers; its allocation hooks count only the
// memory held.
extern "C" {
int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, size_t),
                                              void (*)(const volatile void*));
size_t __sanitizer_get_allocated_size(const volatile void*);
}

class PeakMemory {
public:
    PeakMemory() {
        static const bool installed = __sanitizer_install_malloc_and_free_hooks(
            [](const volatile void*, size_t size) {
                if (counting) peak = std::max(peak.load(), held += static_cast<long long>(size));
            },
            [](const volatile void* p) {
                if (counting && p)
                    held -= static_cast<long long>(__sanitizer_get_allocated_size(p));
            });
        EXPECT_TRUE(installed);
        held = 0;
        peak = 0;
        counting = true;
    }
    ~PeakMemory() { counting = false; }
    long long growth_kib() const { return peak / 1024; }

private:
    static inline std::atomic<bool> counting{false};
    static inline std::atomic<long long> held{0}, peak{0};
};
#else
// The resident peak from here on.
class PeakMemory {
public:
    PeakMemory() : before_(status_kib("VmRSS:")) { std::ofstream("/proc/self/clear_refs") << "5"; }
    long long growth_kib() const { return status_kib("VmHWM:") - before_; }

private:
    static long status_kib(const char* field) {
        std::ifstream status("/proc/self/status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
        return 0;
    }
    long before_;
};
#endif

TEST_F(SmtpClientTest, ALargeAttachmentIsNeverHeldWhole) {
    start_peer({"--tls", "none", "--discard"}, "");
    write_file("big.bin", std::string(64 << 20, '\x5a'));
    write_file("small.bin", "s");
    net::SmtpClient client;
    // A first send loads what every send needs once (libraries, the MIME types).
    ASSERT_TRUE(client.add_attachment(path("small.bin")));
    ASSERT_TRUE(client.connect("127.0.0.1", peer->port(), "me@local", ""));
    ASSERT_EQ(client.send("s", "b", "x@x.org", {}, {}, "me@local", {}), "");
    ASSERT_TRUE(client.add_attachment(path("big.bin")));
    ASSERT_TRUE(client.connect("127.0.0.1", peer->port(), "me@local", ""));
    long long growth = 0;
    {
        const PeakMemory peak;
        ASSERT_EQ(client.send("s", "b", "x@x.org", {}, {}, "me@local", {}), "");
        growth = peak.growth_kib();
    }
    EXPECT_LT(growth, 16 * 1024);
    EXPECT_EQ(peer->messages().size(), 2u);
}

TEST_F(SmtpClientTest, AnAttachmentThatCannotBeReadIsRefused) {
    net::SmtpClient client;
    write_file("a.txt", "A");
    EXPECT_TRUE(client.add_attachment(path("a.txt")));
    EXPECT_FALSE(client.add_attachment(path("gone.txt")));
    EXPECT_FALSE(client.add_attachment(dir()));
    EXPECT_FALSE(client.add_attachment(""));
}
