#include <QComboBox>
#include <QJsonArray>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRandomGenerator>

#include "mail_fixture.h"
#include "platform/ui/status_bar.h"

namespace ui = dezu::ui;

// A compose window whose current account talks to the loopback peer. The
// window's accounts send without a password, so in plain SMTP; logins and
// TLS are tried through the send itself, with the peer's CA.
class MailSendTest : public MailTest {
protected:
    std::unique_ptr<SmtpPeer> peer;
    ui::Form* window = nullptr;

    // Without options: plain SMTP, no login wanted.
    void start_peer(const QStringList& options = {}) {
        peer = std::make_unique<SmtpPeer>(path("received"), options.empty() ? "" : "me@local",
                                          "secret", options);
        ASSERT_TRUE(peer->ready());
    }
    void TearDown() override {
        peer.reset();
        MailTest::TearDown();
    }

    void open_with_account(const std::string& smtp_password, int port) {
        make_account_db({{"我", "", "me@local", smtp_password, "127.0.0.1", std::to_string(port)}});
        window = compose();
    }
    void fill(const std::string& subject, const std::string& body, const std::string& to) {
        find<QLineEdit>(window, "邮件标题")->setText(QString::fromStdString(subject));
        find<QPlainTextEdit>(window, "邮件内容")->setPlainText(QString::fromStdString(body));
        find<QLineEdit>(window, "收信人地址")->setText(QString::fromStdString(to));
    }
    void attach(const std::string& file) {
        prompts.then_files({file});
        find<QAbstractButton>(window, "超级按钮2")->click();
    }
    QWidget* send_button() { return find(window, "超级按钮1"); }
    std::string status() { return find<ui::StatusBar>(window, "状态条1")->part_text(0); }

    // Presses send and waits, bounded, for the worker to give the button back.
    bool send_and_wait() {
        find<QAbstractButton>(window, "超级按钮1")->click();
        return wait_for_send_button();
    }
    bool wait_for_send_button() {
        return wait_until([&] { return !send_button()->isHidden(); }, 20000);
    }

    // Runs one send as the compose window hands it over and waits, bounded,
    // for its result.
    std::optional<mail::SendResult> send_through_accounts(mail::OutgoingMail mail) {
        std::optional<mail::SendResult> result;
        QObject receiver;
        QObject::connect(&accounts(), &mail::MailAccounts::send_ended, &receiver,
                         [&result](const mail::SendResult& r) { result = r; });
        accounts().send(std::move(mail));
        wait_until([&result] { return result.has_value(); }, 20000);
        return result;
    }
    mail::OutgoingMail mail_to_peer(const std::string& password) const {
        mail::OutgoingMail mail;
        mail.server = "127.0.0.1";
        mail.port = peer ? peer->port() : free_port();
        mail.login = "me@local";
        mail.password = password;
        mail.subject = "s";
        mail.body = "b";
        mail.recipients = "x@x.org";
        return mail;
    }
};

std::string base64(const std::string& text) {
    return QByteArray::fromStdString(text).toBase64().toStdString();
}

TEST_F(MailSendTest, SendsHeadersBodyAndAttachments) {
    start_peer();
    open_with_account("", peer->port());
    write_file("报告.txt", "attached bytes\n");
    write_file("b.bin", std::string("\0\1\2\3", 4));
    attach(path("报告.txt"));
    attach(path("b.bin"));
    fill("周报", "正文第一行\n.second line", "张三<zs@x.org>,bob@y.org");
    ASSERT_TRUE(send_and_wait());
    EXPECT_EQ(status(), "邮件发送完毕");
    const auto messages = peer->messages();
    ASSERT_EQ(messages.size(), 1u);
    const std::string& m = messages[0];
    EXPECT_NE(m.find("Subject: =?UTF-8?B?" + base64("周报") + "?="), std::string::npos) << m;
    EXPECT_NE(m.find("From: <me@local>"), std::string::npos);
    EXPECT_NE(m.find("=?UTF-8?B?" + base64("张三") + "?= <zs@x.org>"), std::string::npos);
    EXPECT_NE(m.find("<bob@y.org>"), std::string::npos);
    EXPECT_NE(m.find("multipart/mixed"), std::string::npos);
    EXPECT_NE(m.find(base64("正文第一行\n.second line")), std::string::npos);
    EXPECT_NE(m.find("filename*=UTF-8''%E6%8A%A5%E5%91%8A.txt"), std::string::npos);
    EXPECT_NE(m.find(base64("attached bytes\n")), std::string::npos);
    EXPECT_NE(m.find(base64(std::string("\0\1\2\3", 4))), std::string::npos);
    EXPECT_EQ(peer->messages(".rcpt")[0], "me@local\nzs@x.org\nbob@y.org\n");
    const QJsonObject parsed = parse_message(m);
    EXPECT_TRUE(parsed["defects"].toArray().isEmpty()) << m;
    const QJsonArray attachments = parsed["attachments"].toArray();
    ASSERT_EQ(attachments.size(), 2);
    EXPECT_EQ(attachments[0].toObject()["filename"].toString(), "报告.txt");
    EXPECT_EQ(attachments[1].toObject()["filename"].toString(), "b.bin");
}

TEST_F(MailSendTest, AttachmentsGoOnlyWithTheirOwnSend) {
    start_peer();
    open_with_account("", peer->port());
    write_file("a.txt", "A");
    attach(path("a.txt"));
    fill("one", "body", "x@x");
    ASSERT_TRUE(send_and_wait());
    delete find<QListWidget>(window, "超级列表框1")->takeItem(0);
    ASSERT_TRUE(send_and_wait());
    const auto messages = peer->messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_NE(messages[0].find("a.txt"), std::string::npos);
    EXPECT_EQ(messages[1].find("a.txt"), std::string::npos);
    EXPECT_EQ(messages[1].find("multipart"), std::string::npos);
}

TEST_F(MailSendTest, ARefusedConnectionSaysWhy) {
    struct Case {
        QStringList peer;  // none: nothing listens
        std::string password;
        bool trusted;
        std::string status;
    } cases[] = {
        {{"--tls", "starttls"}, "wrong", true, "无法连接邮件服务器：登录被拒绝"},
        {{"--tls", "starttls"}, "secret", false, "无法连接邮件服务器：服务器的证书不受信任"},
        {{"--tls", "none"},
         "secret",
         true,
         "无法连接邮件服务器：服务器不提供加密连接（STARTTLS），密码不能明文发送"},
        {{}, "secret", true, "无法连接邮件服务器：服务器拒绝连接"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        if (!c.peer.isEmpty()) start_peer(c.peer);
        mail::OutgoingMail mail = mail_to_peer(c.password);
        if (c.trusted && peer) mail.smtp.ca_file = peer->ca_file();
        QElapsedTimer timer;
        timer.start();
        const auto result = send_through_accounts(mail);
        ASSERT_TRUE(result);
        EXPECT_LT(timer.elapsed(), 5000);
        EXPECT_EQ(result->status, c.status);
        EXPECT_FALSE(result->refused_attachment);
        if (!peer) continue;
        EXPECT_TRUE(peer->messages().empty());
        EXPECT_EQ(peer->auth_log(), c.password == "wrong" ? "PLAIN tls refused\n" : "");
        peer.reset();
        std::filesystem::remove_all(path("received"));
    }
}

// A server that takes the connection and then drops it, or refuses a
// recipient: the status says what happened, in the user's words.
TEST_F(MailSendTest, ALostConnectionIsToldAsLost) {
    struct Case {
        const char* drop_at;  // nullptr: no drop
        std::string recipients;
        std::string status;
    } cases[] = {
        {"connect", "x@x.org", "邮件服务器断开了连接，邮件没有发送"},
        {"ehlo", "x@x.org", "邮件服务器断开了连接，邮件没有发送"},
        {"mail", "x@x.org", "邮件发送失败：服务器断开了连接"},
        {"data", "x@x.org", "邮件发送失败：服务器断开了连接"},
        {"message", "x@x.org", "邮件发送失败：服务器断开了连接"},
        {nullptr, "x@x.org,refused@x.org",
         "邮件发送失败：服务器拒绝：550 5.1.1 mailbox unavailable"},
        // The reply read in the server's own encoding.
        {nullptr, "gbk-refused@x.org", "邮件发送失败：服务器拒绝：550 5.1.1 收信人不存在"},
        {nullptr, "utf8-refused@x.org", "邮件发送失败：服务器拒绝：550 5.1.1 收信人不存在"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.drop_at ? c.drop_at : c.recipients.c_str());
        QStringList options{"--tls", "none"};
        if (c.drop_at) options << "--drop-at" << c.drop_at;
        peer = std::make_unique<SmtpPeer>(path("received"), "", "", options);
        ASSERT_TRUE(peer->ready());
        mail::OutgoingMail mail = mail_to_peer("");
        mail.recipients = c.recipients;
        const auto result = send_through_accounts(mail);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, c.status);
        EXPECT_TRUE(peer->messages().empty());
        peer.reset();
        std::filesystem::remove_all(path("received"));
    }
}

TEST_F(MailSendTest, SendsInsideTls) {
    for (const char* tls : {"starttls", "implicit"}) {
        SCOPED_TRACE(tls);
        // Implicit TLS is port 465's: the peer takes it on a loopback address of its own.
        const bool implicit = std::string(tls) == "implicit";
        const std::string host =
            implicit ? "127.0.4." + std::to_string(QRandomGenerator::global()->bounded(2, 250))
                     : "127.0.0.1";
        peer = std::make_unique<SmtpPeer>(
            path("received"), "me@local", "secret",
            QStringList{"--tls", tls, "--host", QString::fromStdString(host)}, implicit ? 465 : 0);
        ASSERT_TRUE(peer->ready());
        mail::OutgoingMail mail = mail_to_peer("secret");
        mail.server = host;
        mail.smtp.ca_file = peer->ca_file();
        const auto result = send_through_accounts(mail);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, "邮件发送完毕");
        EXPECT_EQ(peer->messages().size(), 1u);
        EXPECT_EQ(peer->auth_log(), "PLAIN tls ok\n");
        peer.reset();
        std::filesystem::remove_all(path("received"));
    }
}

TEST_F(MailSendTest, UnreachableServerFailsWithinSeconds) {
    open_with_account("secret", free_port());
    fill("s", "b", "x@x");
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(send_and_wait());
    EXPECT_LT(timer.elapsed(), 10000);
    EXPECT_EQ(status(), "无法连接邮件服务器：服务器拒绝连接");
}

TEST_F(MailSendTest, EmptyFieldsStartNothing) {
    open_with_account("secret", 25);
    const char* cases[][3] = {{"", "b", "x@x"}, {"s", "", "x@x"}, {"s", "b", ""}};
    for (const auto& c : cases) {
        fill(c[0], c[1], c[2]);
        find<QAbstractButton>(window, "超级按钮1")->click();
        EXPECT_FALSE(send_button()->isHidden());
    }
    EXPECT_EQ(prompts.messages(), std::vector<std::string>(3, "请填写邮件"));
    EXPECT_EQ(status(), "");
}

TEST_F(MailSendTest, MissingAttachmentStopsBeforeConnecting) {
    start_peer();
    open_with_account("", peer->port());
    write_file("a.txt", "A");
    write_file("c.txt", "C");
    attach(path("a.txt"));
    attach(path("gone.txt"));
    attach(path("c.txt"));
    fill("s", "b", "x@x");
    ASSERT_TRUE(send_and_wait());
    ASSERT_EQ(prompts.asked().size(), 4u);
    const ui::Prompt& shown = prompts.asked().back();
    EXPECT_EQ(shown.text, "添加附件" + path("gone.txt") + "失败！");
    EXPECT_EQ(shown.title, std::optional<std::string>("失败"));
    EXPECT_EQ(shown.style, ui::MessageStyle::Stop);
    EXPECT_EQ(status(), "");
    EXPECT_TRUE(peer->messages().empty());

    // The next send carries only the rows that are there now, once each.
    delete find<QListWidget>(window, "超级列表框1")->takeItem(1);
    ASSERT_TRUE(send_and_wait());
    ASSERT_EQ(peer->messages().size(), 1u);
    const std::string m = peer->messages()[0];
    const std::string a_part = "filename=\"a.txt\"";
    ASSERT_NE(m.find(a_part), std::string::npos);
    EXPECT_EQ(m.find(a_part), m.rfind(a_part));
    EXPECT_NE(m.find("c.txt"), std::string::npos);
}

TEST_F(MailSendTest, SendsFromTheAccountWhoseRecordIsCurrent) {
    start_peer();
    const std::string port = std::to_string(peer->port());
    const std::string nobody = std::to_string(free_port());
    make_account_db({{"错", "", "me@local", "", "127.0.0.1", nobody},
                     {"对", "pw", "me@local", "", "127.0.0.1", port}});
    window = compose();
    auto* senders = find<QComboBox>(window, "组合框1");
    fill("s", "b", "x@x");
    senders->setCurrentIndex(0);
    ASSERT_TRUE(send_and_wait());
    EXPECT_EQ(status(), "无法连接邮件服务器：服务器拒绝连接");
    // A wrong password leaves the chosen account's record current, and
    // nothing goes from it.
    prompts.then_text("bad");
    senders->setCurrentIndex(1);
    ASSERT_TRUE(send_and_wait());
    EXPECT_EQ(status(), "发信人的用户密码没有输入正确，邮件没有发送");
    senders->setCurrentIndex(-1);
    prompts.then_text("pw");
    senders->setCurrentIndex(1);
    ASSERT_TRUE(send_and_wait());
    EXPECT_EQ(status(), "邮件发送完毕");
    EXPECT_EQ(peer->messages().size(), 1u);
}

TEST_F(MailSendTest, TheSendGoesAsItStoodAtTheClick) {
    start_peer();
    open_with_account("", peer->port());
    write_file("a.txt", "A");
    attach(path("a.txt"));
    fill("before", "b", "x@x");
    QElapsedTimer click;
    click.start();
    find<QAbstractButton>(window, "超级按钮1")->click();
    EXPECT_LT(click.elapsed(), 200);  // the UI thread does not wait for the server
    find<QLineEdit>(window, "邮件标题")->setText("after");
    delete find<QListWidget>(window, "超级列表框1")->takeItem(0);
    ASSERT_TRUE(wait_for_send_button());
    ASSERT_EQ(peer->messages().size(), 1u);
    const std::string m = peer->messages()[0];
    EXPECT_NE(m.find("Subject: before"), std::string::npos) << m;
    EXPECT_NE(m.find("a.txt"), std::string::npos);
}

// A send the server holds: it stays at the message until the reply time
// runs out, unless it is stopped.
class HangingSendTest : public MailSendTest {
protected:
    void start_hanging_send() {
        start_peer();
        open_with_account("", peer->port());
        fill("stall", "b", "x@x");
        find<QAbstractButton>(window, "超级按钮1")->click();
        ASSERT_TRUE(wait_until([&] { return peer->stalled(); }));
    }
};

TEST_F(HangingSendTest, ClosingTheWindowStopsAHangingSend) {
    start_hanging_send();
    ASSERT_TRUE(accounts().sending());
    ui::destroy_window(ui::windows::kMailCompose);

    // A new window at once: its send waits for the stopped one.
    QElapsedTimer next;
    next.start();
    window = compose();
    fill("again", "b", "x@x");
    ASSERT_TRUE(send_and_wait());
    EXPECT_LT(next.elapsed(), 5000);
    EXPECT_EQ(status(), "邮件发送完毕");
    ASSERT_EQ(peer->messages().size(), 1u);
    EXPECT_NE(peer->messages()[0].find("Subject: again"), std::string::npos);
    EXPECT_TRUE(prompts.asked().empty());
}

TEST_F(HangingSendTest, TheProgramEndStopsAHangingSend) {
    start_hanging_send();
    ASSERT_TRUE(accounts().sending());
    QElapsedTimer ending;
    ending.start();
    end_program();
    EXPECT_LT(ending.elapsed(), 5000);
}
