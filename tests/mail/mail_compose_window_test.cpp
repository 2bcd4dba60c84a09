#include <poll.h>

#include <QComboBox>
#include <QFrame>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include "mail_fixture.h"
#include "platform/text/text.h"
#include "platform/ui/status_bar.h"

namespace ui = dezu::ui;
using dezu::text::to_gbk;

namespace {

// As the user picks a row from the open list, the row shown among them.
void choose(QComboBox* box, int row) {
    box->showPopup();
    box->view()->setCurrentIndex(box->model()->index(row, 0));
    QTest::keyClick(box->view(), Qt::Key_Return);
}

}  // namespace

class MailComposeTest : public MailTest {
protected:
    void SetUp() override {
        MailTest::SetUp();
        make_account_db({{"甲", "", "a@x", "", "", "25"}, {"乙", "pw", "b@x", "", "", "25"}});
        write_file(
            "甲.ini",
            to_gbk("收信人:张三地址:zs@x\r\n收信人:李四地址:ls@x\r\n收信人:王五地址:ww@x\r\n"));
        write_file("乙.ini", to_gbk("收信人:赵六地址:zl@x\r\n"));
    }

    ui::Form* window = nullptr;
    QComboBox* senders() { return find<QComboBox>(window, "组合框1"); }
    QListWidget* entries() { return find<QListWidget>(window, "选择列表框1"); }

    std::vector<std::string> entry_texts() {
        std::vector<std::string> out;
        for (int i = 0; i < entries()->count(); ++i)
            out.push_back(entries()->item(i)->text().toStdString());
        return out;
    }
};

TEST_F(MailComposeTest, ListsSendersWithNoneChosen) {
    window = compose();
    ASSERT_EQ(senders()->count(), 2);
    EXPECT_EQ(senders()->itemText(1), QStringLiteral("乙"));
    EXPECT_EQ(senders()->currentIndex(), -1);
    EXPECT_TRUE(prompts.asked().empty());
    EXPECT_TRUE(find(window, "外形框1")->isHidden());
}

TEST_F(MailComposeTest, AFreshFolderGetsAnEmptyAccountTableSilently) {
    std::filesystem::remove(path("user.edb"));
    window = compose();
    EXPECT_EQ(senders()->count(), 0);
    EXPECT_TRUE(prompts.asked().empty());
    EXPECT_TRUE(accounts().is_open());
    EXPECT_TRUE(dezu::store::Table::has_password(path("user.edb")));
}

TEST_F(MailComposeTest, ClosingClosesTheAccountTable) {
    window = compose();
    EXPECT_TRUE(accounts().is_open());
    ui::destroy_window(ui::windows::kMailCompose);
    EXPECT_FALSE(accounts().is_open());
}

TEST_F(MailComposeTest, SenderPasswordGuardsItsAddressBook) {
    window = compose();
    senders()->setCurrentIndex(0);  // no password: no prompt
    EXPECT_TRUE(prompts.asked().empty());
    EXPECT_EQ(accounts().current_sender_name(), "甲");
    EXPECT_EQ(entry_texts().size(), 3u);

    prompts.then_text("wrong");
    senders()->setCurrentIndex(1);
    EXPECT_EQ(prompts.messages(), std::vector<std::string>{"密码错误"});
    EXPECT_EQ(prompts.asked()[0].text, "请输入用户密码");
    EXPECT_EQ(prompts.asked()[0].input_mode, ui::InputMode::Masked);
    EXPECT_EQ(accounts().current_sender_name(), "");
    EXPECT_EQ(entry_texts()[0], "收信人:张三地址:zs@x");     // the previous book stays
    EXPECT_EQ(accounts().current_account().address, "b@x");  // the send would use 乙

    senders()->setCurrentIndex(-1);
    prompts.then_text("pw");
    senders()->setCurrentIndex(1);
    EXPECT_EQ(accounts().current_sender_name(), "乙");
    EXPECT_EQ(entry_texts(), std::vector<std::string>{"收信人:赵六地址:zl@x"});
}

// A mistyped password is not the last word: the same sender, chosen again,
// asks again, and only until it has been given.
TEST_F(MailComposeTest, ASenderChosenAgainAsksAgainForAMistypedPassword) {
    window = compose();
    choose(senders(), 0);  // 甲 has no password
    EXPECT_TRUE(prompts.asked().empty());
    EXPECT_EQ(accounts().current_sender_name(), "甲");

    // Another sender with its password mistyped: asked once, not twice.
    prompts.then_text("wrong");
    choose(senders(), 1);
    EXPECT_EQ(prompts.asked().size(), 2u);  // the prompt and "密码错误"
    EXPECT_EQ(accounts().current_sender_name(), "");

    struct Step {
        const char* what;
        std::optional<std::string> typed;  // nothing: cancelled
        size_t asked;                      // prompts and messages so far
        std::string sender;
    } steps[] = {
        {"cancelled", std::nullopt, 3, ""},
        {"mistyped again", "wrong", 5, ""},
        {"given", "pw", 6, "乙"},
        {"given before", "unasked", 6, "乙"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        if (step.typed)
            prompts.then_text(*step.typed);
        else
            prompts.then_cancel();
        choose(senders(), 1);
        EXPECT_EQ(senders()->currentIndex(), 1);
        ASSERT_EQ(prompts.asked().size(), step.asked);
        EXPECT_EQ(prompts.asked()[step.asked - 1].text,
                  step.sender.empty() && step.typed ? "密码错误" : "请输入用户密码");
        EXPECT_EQ(accounts().current_sender_name(), step.sender);
    }
    EXPECT_EQ(entry_texts(), std::vector<std::string>{"收信人:赵六地址:zl@x"});
}

TEST_F(MailComposeTest, ConfirmJoinsCheckedEntriesAndHidesThePanel) {
    window = compose();
    senders()->setCurrentIndex(0);
    auto* recipients = find<QLineEdit>(window, "收信人地址");
    recipients->setText("typed@x");
    find<QAbstractButton>(window, "图形按钮2")->click();
    EXPECT_FALSE(find(window, "外形框1")->isHidden());
    entries()->item(0)->setCheckState(Qt::Checked);
    entries()->item(2)->setCheckState(Qt::Checked);
    find<QAbstractButton>(window, "按钮3")->click();
    EXPECT_EQ(recipients->text(), QStringLiteral("张三<zs@x>,王五<ww@x>"));
    EXPECT_TRUE(find(window, "外形框1")->isHidden());

    find<QAbstractButton>(window, "按钮1")->click();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(entries()->item(i)->checkState(), Qt::Checked);
    entries()->item(1)->setCheckState(Qt::Unchecked);
    find<QAbstractButton>(window, "按钮2")->click();  // clears, does not invert
    for (int i = 0; i < 3; ++i) EXPECT_EQ(entries()->item(i)->checkState(), Qt::Unchecked);
    find<QAbstractButton>(window, "按钮3")->click();
    EXPECT_EQ(recipients->text(), QString());
}

TEST_F(MailComposeTest, AttachmentsAreAddedAndSelectedOnesRemoved) {
    window = compose();
    auto* list = find<QListWidget>(window, "超级列表框1");
    for (int i = 0; i < 5; ++i) {
        prompts.then_files({path("f" + std::to_string(i) + ".txt")});
        find<QAbstractButton>(window, "超级按钮2")->click();
    }
    prompts.then_cancel();
    find<QAbstractButton>(window, "超级按钮2")->click();
    ASSERT_EQ(list->count(), 5);
    EXPECT_EQ(prompts.asked()[0].text.empty() && prompts.asked()[0].filters.empty(), true);
    EXPECT_FALSE(list->item(0)->icon().isNull());
    list->item(1)->setSelected(true);
    list->item(3)->setSelected(true);
    find<QAbstractButton>(window, "超级按钮3")->click();
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(1)->text().toStdString(), path("f2.txt"));
    EXPECT_EQ(list->item(2)->text().toStdString(), path("f4.txt"));
}

TEST_F(MailComposeTest, EditButtonOpensTheAccountWindowModally) {
    window = compose();
    bool was_loaded = false;
    QTimer::singleShot(50, [&] {
        was_loaded = ui::is_window_loaded(ui::windows::kMailAccount);
        ui::destroy_window(ui::windows::kMailAccount);
    });
    find<QAbstractButton>(window, "图形按钮2")->click();
    find<QAbstractButton>(window, "按钮5")->click();
    EXPECT_TRUE(was_loaded);
    EXPECT_TRUE(find(window, "外形框1")->isHidden());
    EXPECT_EQ(senders()->count(), 2);
}

TEST_F(MailComposeTest, AnimationPlaysOnlyWhileTheSendButtonIsAway) {
    window = compose();
    auto* picture = find<QLabel>(window, "图片框1");
    auto frame = [picture] { return picture->pixmap().toImage(); };
    ASSERT_FALSE(picture->pixmap().isNull());
    EXPECT_EQ(picture->pixmap().size(), QSize(62, 68));
    const QImage resting = frame();
    // The frames change every 60 ms while they play.
    run_timer_periods(60, 4);
    EXPECT_EQ(frame(), resting);

    find(window, "超级按钮1")->hide();
    int changes = 0;
    QImage last = frame();
    EXPECT_TRUE(wait_until([&] {
        if (frame() != last) ++changes;
        last = frame();
        return changes > 3;
    }));

    find(window, "超级按钮1")->show();
    EXPECT_EQ(frame(), resting);
    run_timer_periods(60, 4);
    EXPECT_EQ(frame(), resting);
}

// A loopback port that listens and never answers: a send that starts
// connects there, one that was stopped before does not.
class SilentListener {
public:
    SilentListener() {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        listen(fd_, 4);
        socklen_t length = sizeof addr;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &length);
        port_ = ntohs(addr.sin_port);
    }
    ~SilentListener() {
        for (int c : connections_) close(c);
        close(fd_);
    }
    int port() const { return port_; }
    // Whether a connection came within the time.
    bool connected_within(int ms) {
        pollfd waiting{fd_, POLLIN, 0};
        if (poll(&waiting, 1, ms) <= 0) return false;
        const int c = accept(fd_, nullptr, nullptr);
        if (c >= 0) connections_.push_back(c);
        return c >= 0;
    }

private:
    int fd_ = -1;
    int port_ = 0;
    std::vector<int> connections_;
};

// The checks a send passes on the way out, before anything is connected.
class MailSendGuardTest : public MailTest {
protected:
    SilentListener server;
    ui::Form* window = nullptr;

    void open(const std::vector<Account>& accounts) {
        make_account_db(accounts);
        window = compose();
    }
    Account account(const std::string& name, const std::string& password,
                    const std::string& address = "me@local") {
        return {name, password, address, "", "127.0.0.1", std::to_string(server.port())};
    }
    void fill(const std::string& to) {
        find<QLineEdit>(window, "邮件标题")->setText("s");
        find<QPlainTextEdit>(window, "邮件内容")->setPlainText("b");
        find<QLineEdit>(window, "收信人地址")->setText(QString::fromStdString(to));
    }
    QComboBox* senders() { return find<QComboBox>(window, "组合框1"); }
    std::string status() { return find<ui::StatusBar>(window, "状态条1")->part_text(0); }
    void send() { find<QAbstractButton>(window, "超级按钮1")->click(); }
    // Stopped before connecting: the button stays and nothing reaches the server.
    void expect_stopped(const std::string& status_start) {
        EXPECT_FALSE(find(window, "超级按钮1")->isHidden());
        EXPECT_EQ(status().rfind(status_start, 0), 0u) << status();
        EXPECT_FALSE(server.connected_within(300));
    }
};

TEST_F(MailSendGuardTest, ASenderWhosePasswordWasNotGivenCannotSend) {
    open({account("甲", "pw"), account("乙", "")});
    fill("x@x");
    prompts.then_text("wrong");
    senders()->setCurrentIndex(0);
    send();
    expect_stopped("发信人的用户密码没有输入正确");

    senders()->setCurrentIndex(-1);
    prompts.then_cancel();
    senders()->setCurrentIndex(0);
    send();
    expect_stopped("发信人的用户密码没有输入正确");

    // Given at last, the send goes.
    senders()->setCurrentIndex(-1);
    prompts.then_text("pw");
    senders()->setCurrentIndex(0);
    send();
    EXPECT_TRUE(find(window, "超级按钮1")->isHidden());
    EXPECT_TRUE(server.connected_within(5000));
}

// With one account there is no other sender to choose: the send asks for
// the password again, and goes once it has been given.
TEST_F(MailSendGuardTest, TheSendAsksAgainForAMistypedPassword) {
    open({account("甲", "pw")});
    fill("x@x");
    prompts.then_text("wrong");
    choose(senders(), 0);
    ASSERT_EQ(prompts.messages(), std::vector<std::string>{"密码错误"});

    prompts.then_text("wrong");
    send();
    ASSERT_EQ(prompts.asked().size(), 4u);
    EXPECT_EQ(prompts.asked()[2].text, "请输入用户密码");
    EXPECT_EQ(prompts.asked()[2].input_mode, ui::InputMode::Masked);
    EXPECT_EQ(prompts.asked()[3].text, "密码错误");
    expect_stopped("发信人的用户密码没有输入正确，邮件没有发送");

    prompts.then_cancel();
    send();
    EXPECT_EQ(prompts.asked().size(), 5u);
    expect_stopped("发信人的用户密码没有输入正确，邮件没有发送");

    prompts.then_text("pw");
    send();
    EXPECT_EQ(prompts.asked().size(), 6u);
    EXPECT_EQ(accounts().current_sender_name(), "甲");
    EXPECT_TRUE(find(window, "超级按钮1")->isHidden());
    EXPECT_TRUE(server.connected_within(5000));
}

TEST_F(MailSendGuardTest, NoSenderChosenSendsOnlyFromAnAccountWithoutPassword) {
    // No sender chosen: the send would go from the last account listed.
    open({account("甲", ""), account("乙", "pw")});
    fill("x@x");
    send();
    expect_stopped("发信人的用户密码没有输入正确");
    // The password given in the account window opens nothing here.
    prompts.then_text("pw");
    senders()->setCurrentIndex(1);
    QTimer::singleShot(0, [] { ui::destroy_window(ui::windows::kMailAccount); });
    ui::load_window(ui::windows::kMailAccount, true);
    send();
    expect_stopped("发信人的用户密码没有输入正确");

    senders()->setCurrentIndex(0);  // no password to give
    send();
    EXPECT_TRUE(server.connected_within(5000));
}

// An address is one mailbox: what holds a control character, a blank, "<"
// or ">" in its address could reach the session as a command or a parameter.
TEST_F(MailSendGuardTest, AnAddressThatIsNoSingleMailboxStopsTheSend) {
    const std::pair<const char*, const char*> recipients[] = {
        {"a@x,b\x0b@x", "收信人地址有误，邮件没有发送：b\xef\xbf\xbd@x"},
        {"a@x;\tz\x7f@x\t", "收信人地址有误，邮件没有发送：z\xef\xbf\xbd@x"},
        {"a@x, c\xc2\x85@x", "收信人地址有误，邮件没有发送：c\xef\xbf\xbd@x"},
        {"a@x.org> NOTIFY=SUCCESS ORCPT=rfc822;evil@z.org",
         "收信人地址有误，邮件没有发送：a@x.org> NOTIFY=SUCCESS ORCPT=rfc822"},
        {"ok@x, b c@x", "收信人地址有误，邮件没有发送：b c@x"},
        {"张三<zs@x> NOTIFY=NEVER", "收信人地址有误，邮件没有发送：张三<zs@x> NOTIFY=NEVER"},
        {"李四<>", "收信人地址有误，邮件没有发送：李四<>"},
    };
    open({account("甲", "")});
    senders()->setCurrentIndex(0);
    for (const auto& [to, says] : recipients) {
        SCOPED_TRACE(to);
        fill(to);
        send();
        expect_stopped(says);
    }
    // Nothing but separators is no recipient.
    fill(" ,;\n");
    send();
    EXPECT_EQ(prompts.messages(), std::vector<std::string>{"请填写邮件"});
    EXPECT_FALSE(server.connected_within(300));
}

TEST_F(MailSendGuardTest, ASenderAddressThatIsNoSingleMailboxStopsTheSend) {
    const std::pair<const char*, const char*> cases[] = {
        {"me@local\r\nRSET", "发信人地址有误，邮件没有发送：me@local\xef\xbf\xbd\xef\xbf\xbdRSET"},
        {"me@local SIZE=1", "发信人地址有误，邮件没有发送：me@local SIZE=1"},
        {"<me@local>", "发信人地址有误，邮件没有发送：<me@local>"},
        {"", "没有发信人地址，邮件没有发送"},
    };
    for (const auto& [address, says] : cases) {
        SCOPED_TRACE(address);
        std::filesystem::remove(path("user.edb"));
        open({account("甲", "", address)});
        senders()->setCurrentIndex(0);
        fill("x@x");
        send();
        expect_stopped(says);
        ui::destroy_window(ui::windows::kMailCompose);
    }
}

// Line breaks pasted into the box separate addresses: each reaches the
// server as one recipient of its own, and none as a line of the session.
TEST_F(MailComposeTest, LineBreaksInRecipientsSeparateAddresses) {
    // No login, so plain SMTP is allowed.
    SmtpPeer peer(path("received"), "", "");
    ASSERT_TRUE(peer.ready());
    std::filesystem::remove(path("user.edb"));
    make_account_db({{"我", "", "me@local", "", "127.0.0.1", std::to_string(peer.port())}});
    window = compose();
    senders()->setCurrentIndex(0);
    // A name in quotes keeps its separators and blanks.
    find<QLineEdit>(window, "收信人地址")
        ->setText("张三<zs@x.org>\r\nbob@y.org\n c@z.org;\r\n\"Li, Tom\" <t@y.org>");
    find<QLineEdit>(window, "邮件标题")->setText("s");
    find<QPlainTextEdit>(window, "邮件内容")->setPlainText("b");
    find<QAbstractButton>(window, "超级按钮1")->click();
    ASSERT_TRUE(wait_until([&] { return !find(window, "超级按钮1")->isHidden(); }, 20000));
    EXPECT_EQ(find<ui::StatusBar>(window, "状态条1")->part_text(0), "邮件发送完毕");
    ASSERT_EQ(peer.messages().size(), 1u);
    EXPECT_EQ(peer.messages(".rcpt")[0], "me@local\nzs@x.org\nbob@y.org\nc@z.org\nt@y.org\n");
    const QJsonObject m = parse_message(peer.messages()[0]);
    EXPECT_EQ(QJsonDocument(m["to_names"].toArray()).toJson(QJsonDocument::Compact).toStdString(),
              R"(["张三","","","Li, Tom"])");
}

// A name in the address book that holds a separator still names one
// recipient; an item with no domain, which a server would complete with its
// own, stops the send before anything is connected.
TEST_F(MailComposeTest, EveryRecipientSentHasADomain) {
    SmtpPeer peer(path("received"), "", "");
    ASSERT_TRUE(peer.ready());
    std::filesystem::remove(path("user.edb"));
    make_account_db({{"我", "", "me@local", "", "127.0.0.1", std::to_string(peer.port())}});
    write_file("我.ini", to_gbk("收信人:Wang, Wu地址:wangwu@x.org\r\n"
                                "收信人:Li; Tom地址:lt@x.org\r\n"
                                "收信人:say \"hi\"地址:q@x.org\r\n"
                                "收信人:张三地址:zs@x.org\r\n"));
    window = compose();
    senders()->setCurrentIndex(0);
    auto* recipients = find<QLineEdit>(window, "收信人地址");
    auto* send = find<QAbstractButton>(window, "超级按钮1");
    auto sent = [&] {
        send->click();
        return wait_until([&] { return !send->isHidden(); }, 20000);
    };
    find<QLineEdit>(window, "邮件标题")->setText("s");
    find<QPlainTextEdit>(window, "邮件内容")->setPlainText("b");

    const std::pair<const char*, const char*> refused[] = {
        {"Wang, Wu<wangwu@x.org>", "Wang"},
        {"Li; Tom<lt@x.org>", "Li"},
        {"张三", "张三"},
        {"zs@x.org,张三<zs>", "张三<zs>"},
    };
    for (const auto& [to, named] : refused) {
        SCOPED_TRACE(to);
        recipients->setText(QString::fromUtf8(to));
        ASSERT_TRUE(sent());
        EXPECT_EQ(find<ui::StatusBar>(window, "状态条1")->part_text(0),
                  std::string("收信人地址有误，邮件没有发送：") + named);
    }
    EXPECT_EQ(peer.rcpt_log(), "");

    find<QAbstractButton>(window, "按钮1")->click();
    find<QAbstractButton>(window, "按钮3")->click();
    EXPECT_EQ(
        recipients->text().toStdString(),
        R"("Wang, Wu"<wangwu@x.org>,"Li; Tom"<lt@x.org>,"say \"hi\""<q@x.org>,张三<zs@x.org>)");
    ASSERT_TRUE(sent());
    EXPECT_EQ(find<ui::StatusBar>(window, "状态条1")->part_text(0), "邮件发送完毕");
    EXPECT_EQ(peer.rcpt_log(), "TO:<wangwu@x.org>\nTO:<lt@x.org>\nTO:<q@x.org>\nTO:<zs@x.org>\n");
    ASSERT_EQ(peer.messages().size(), 1u);
    const QJsonObject m = parse_message(peer.messages()[0]);
    EXPECT_EQ(QJsonDocument(m["to_names"].toArray()).toJson(QJsonDocument::Compact).toStdString(),
              R"(["Wang, Wu","Li; Tom","say \"hi\"","张三"])");
}
