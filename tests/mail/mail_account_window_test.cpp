#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTreeWidget>

#include "mail_fixture.h"
#include "platform/text/text.h"

namespace ui = dezu::ui;
using dezu::text::to_gbk;

// The account window over the compose window that opened the table.
class MailAccountTest : public MailTest {
protected:
    ui::Form* composer = nullptr;
    ui::Form* window = nullptr;

    void open(const std::vector<Account>& accounts) {
        make_account_db(accounts);
        composer = compose();
        window = ui::load_window(ui::windows::kMailAccount);
    }
    QListWidget* accounts() { return find<QListWidget>(window, "列表框1"); }
    QTreeWidget* book() { return find<QTreeWidget>(window, "超级列表框2"); }
    QLineEdit* box(const char* name) { return find<QLineEdit>(window, name); }
    void click(const char* name) { find<QAbstractButton>(window, name)->click(); }

    std::vector<std::string> account_rows() {
        std::vector<std::string> out;
        for (int i = 0; i < accounts()->count(); ++i)
            out.push_back(accounts()->item(i)->text().toStdString());
        return out;
    }
};

TEST_F(MailAccountTest, ShowsAnAccountWithoutPasswordAtOnce) {
    write_file("甲.ini", to_gbk("收信人:张三地址:zs@x\r\n"));
    open({{"甲", "", "a@x", "smtp", "127.0.0.1", "587"}});
    EXPECT_EQ(box("邮件服务器端口")->text(), QStringLiteral("25"));
    accounts()->setCurrentRow(0);
    EXPECT_TRUE(prompts.asked().empty());
    EXPECT_EQ(box("用户")->text(), QStringLiteral("甲"));
    EXPECT_EQ(box("邮箱密码")->text(), QStringLiteral("smtp"));
    EXPECT_EQ(box("邮件服务器端口")->text(), QStringLiteral("587"));
    ASSERT_EQ(book()->topLevelItemCount(), 1);
    EXPECT_EQ(book()->topLevelItem(0)->text(1), QStringLiteral("zs@x"));
}

TEST_F(MailAccountTest, PasswordDecidesWhatIsShown) {
    write_file("乙.ini", to_gbk("收信人:赵六地址:zl@x\r\n"));
    open({{"甲", "", "a@x", "", "", "25"}, {"乙", "pw", "b@x", "", "s", "25"}});
    prompts.then_text("bad");
    accounts()->setCurrentRow(1);
    EXPECT_EQ(prompts.asked()[0].text, "请输入数据库密码");
    EXPECT_EQ(prompts.messages(), std::vector<std::string>{"密码错误"});
    EXPECT_EQ(accounts()->currentRow(), -1);
    EXPECT_TRUE(accounts()->selectedItems().isEmpty());
    EXPECT_EQ(box("用户")->text(), QString());
    EXPECT_EQ(book()->topLevelItemCount(), 0);
    EXPECT_FALSE(book()->isEnabled());

    prompts.then_text("pw");
    accounts()->setCurrentRow(1);
    EXPECT_EQ(box("用户密码")->text(), QStringLiteral("pw"));
    EXPECT_EQ(book()->topLevelItemCount(), 1);
    EXPECT_TRUE(book()->isEnabled());
    EXPECT_TRUE(find(window, "超级按钮5")->isEnabled());
}

TEST_F(MailAccountTest, AddsAccountsWholeAndRefillsTheSenders) {
    open({{"甲", "", "a@x", "", "", "25"}});
    box("邮件服务器端口")->clear();
    click("超级按钮1");  // every box empty: nothing
    EXPECT_EQ(accounts()->count(), 1);

    const std::pair<const char*, const char*> values[] = {{"用户", "新"},
                                                          {"用户密码", "p"},
                                                          {"用户地址", "n@x"},
                                                          {"邮箱密码", "sp"},
                                                          {"邮件服务器地址", "mail.x"},
                                                          {"邮件服务器端口", "465"}};
    for (const auto& [name, value] : values) box(name)->setText(QString::fromUtf8(value));
    click("超级按钮1");
    box("邮件服务器端口")->setText("25");
    click("超级按钮1");  // only the port: an account with an empty name
    EXPECT_EQ(account_rows(), (std::vector<std::string>{"甲", "新", ""}));
    EXPECT_EQ(box("邮件服务器端口")->text(), QString());
    // The sender list follows only when the account window closes.
    EXPECT_EQ(find<QComboBox>(composer, "组合框1")->count(), 1);
    ui::destroy_window(ui::windows::kMailAccount);
    auto* senders = find<QComboBox>(composer, "组合框1");
    ASSERT_EQ(senders->count(), 3);
    EXPECT_EQ(senders->itemText(1), QStringLiteral("新"));
    EXPECT_EQ(senders->currentIndex(), -1);

    const auto stored = stored_accounts();
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[1].password, "p");
    EXPECT_EQ(stored[1].smtp_password, "sp");
    EXPECT_EQ(stored[1].server, "mail.x");
    EXPECT_EQ(stored[1].port, "465");
    EXPECT_EQ(stored[2].name, "");
    EXPECT_EQ(stored[2].port, "25");
}

TEST_F(MailAccountTest, DeletesRecordRowAndBook) {
    write_file("乙.ini", to_gbk("收信人:赵六地址:zl@x\r\n"));
    write_file("丙.ini", "x");
    open({{"甲", "", "", "", "", "1"}, {"乙", "", "", "", "", "2"}, {"丙", "pw", "", "", "", "3"}});
    accounts()->setCurrentRow(1);
    click("超级按钮2");
    EXPECT_EQ(account_rows(), (std::vector<std::string>{"甲", "丙"}));
    EXPECT_FALSE(std::filesystem::exists(path("乙.ini")));
    EXPECT_EQ(book()->topLevelItemCount(), 0);

    // After a cancelled prompt the name is empty: the book stays.
    prompts.then_cancel();
    accounts()->setCurrentRow(1);
    click("超级按钮2");
    EXPECT_EQ(account_rows(), std::vector<std::string>{"甲"});
    EXPECT_TRUE(std::filesystem::exists(path("丙.ini")));

    accounts()->setCurrentRow(0);
    accounts()->setCurrentRow(-1);
    click("超级按钮2");  // nothing chosen: nothing deleted
    const auto stored = stored_accounts();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].port, "1");
}

TEST_F(MailAccountTest, EditsAndSavesTheBookUnderTheShownName) {
    write_file("甲.ini", to_gbk("收信人:张三地址:zs@x\r\n"));
    open({{"甲", "pw", "", "", "", "25"}});
    prompts.then_text("pw");
    accounts()->setCurrentRow(0);
    box("编辑框1")->setText("李四");
    click("超级按钮3");  // no address: nothing
    EXPECT_EQ(book()->topLevelItemCount(), 1);
    box("编辑框2")->setText("ls@x");
    click("超级按钮3");
    ASSERT_EQ(book()->topLevelItemCount(), 2);
    EXPECT_EQ(book()->topLevelItem(1)->text(0), QStringLiteral("李四"));
    EXPECT_EQ(box("编辑框1")->text(), QString());
    book()->setCurrentItem(book()->topLevelItem(0));
    click("超级按钮4");
    box("用户")->setText("乙");
    click("超级按钮5");
    EXPECT_EQ(read_file("乙.ini"), to_gbk("收信人:李四地址:ls@x") + "\r\n");
    EXPECT_EQ(read_file("甲.ini"), to_gbk("收信人:张三地址:zs@x\r\n"));
    EXPECT_EQ(stored_accounts()[0].name, "甲");

    click("超级按钮4");
    click("超级按钮4");  // no row left
    click("超级按钮5");
    EXPECT_EQ(read_file("乙.ini"), "");
}

TEST_F(MailAccountTest, AnAccountThatCannotBeStoredIsToldAndLeavesNothing) {
    // A table of another layout: the fourth field is not there.
    make_account_db({{"甲", "", "a@x", "", "", ""}}, 3);
    composer = compose();
    window = ui::load_window(ui::windows::kMailAccount);
    ASSERT_EQ(accounts()->count(), 1);
    box("用户")->setText("新");
    box("邮箱密码")->setText("sp");
    click("超级按钮1");
    ASSERT_EQ(prompts.asked().size(), 1u);
    EXPECT_EQ(prompts.asked()[0].style, ui::MessageStyle::Stop);
    EXPECT_NE(prompts.asked()[0].text.find(path("user.edb")), std::string::npos);
    EXPECT_EQ(account_rows(), std::vector<std::string>{"甲"});
    EXPECT_EQ(box("用户")->text(), QStringLiteral("新"));  // kept for another try
    EXPECT_EQ(stored_accounts().size(), 1u);
}

TEST_F(MailAccountTest, AnAddressBookThatCannotBeSavedIsTold) {
    open({{"甲", "", "", "", "", "25"}});
    accounts()->setCurrentRow(0);
    std::filesystem::create_directory(path("甲.ini"));
    click("超级按钮5");
    ASSERT_EQ(prompts.asked().size(), 1u);
    EXPECT_EQ(prompts.asked()[0].style, ui::MessageStyle::Stop);
    EXPECT_TRUE(std::filesystem::is_directory(path("甲.ini")));
}

// A fresh install: the account table comes with the windows that need it.
TEST_F(MailAccountTest, AFreshFolderTakesAccountsAtOnce) {
    composer = compose();
    window = ui::load_window(ui::windows::kMailAccount);
    EXPECT_EQ(accounts()->count(), 0);
    box("用户")->setText("我");
    box("用户地址")->setText("me@x");
    click("超级按钮1");
    EXPECT_EQ(account_rows(), std::vector<std::string>{"我"});
    EXPECT_TRUE(prompts.asked().empty());
    ui::destroy_window(ui::windows::kMailAccount);
    EXPECT_EQ(find<QComboBox>(composer, "组合框1")->count(), 1);
    ui::destroy_window(ui::windows::kMailCompose);
    EXPECT_TRUE(dezu::store::Table::has_password(path("user.edb")));
    const auto stored = stored_accounts();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].address, "me@x");
    EXPECT_EQ(stored[0].port, "25");
}

TEST_F(MailAccountTest, PasswordBoxesMaskWithStars) {
    open({});
    for (const char* name : {"用户密码", "邮箱密码"}) {
        box(name)->setText("pw1");
        EXPECT_EQ(box(name)->displayText(), QStringLiteral("***")) << name;
    }
    EXPECT_EQ(box("用户")->echoMode(), QLineEdit::Normal);
}

// An account's address book is "<name>.ini" beside the program's own files.
TEST_F(MailAccountTest, NamesThatWouldReachTheProgramsFilesAreRefused) {
    const std::string settings = "[设置]\r\nkey=1\r\n";
    write_file("clock.ini", settings);
    write_file("WALLAB.INI", "list");
    open({{"甲", "", "a@x", "", "", "25"}});
    for (const char* name : {"clock", "WALLAB", "a/b", "a\\b", "a\rb"}) {
        box("用户")->setText(QString::fromUtf8(name));
        click("超级按钮1");
        EXPECT_EQ(box("用户")->text(), QString::fromUtf8(name));  // kept to be mended
    }
    EXPECT_EQ(prompts.messages().size(), 5u);
    EXPECT_EQ(account_rows(), std::vector<std::string>{"甲"});

    // The name box edited after the account was shown: no save over the
    // settings, and the delete keeps them.
    accounts()->setCurrentRow(0);
    box("用户")->setText("clock");
    click("超级按钮5");
    EXPECT_EQ(prompts.messages().size(), 6u);
    click("超级按钮2");
    EXPECT_EQ(accounts()->count(), 0);
    EXPECT_EQ(read_file("clock.ini"), settings);
    EXPECT_EQ(read_file("WALLAB.INI"), "list");
    EXPECT_EQ(stored_accounts().size(), 0u);
}

TEST_F(MailAccountTest, TakingTheFocusChoosesNoAccount) {
    open({{"甲", "pw", "", "", "", "25"}});
    window->activateWindow();
    accounts()->setFocus();
    run_timer_periods(20, 5);
    EXPECT_TRUE(prompts.asked().empty());
    EXPECT_EQ(box("用户")->text(), QString());
    click("超级按钮2");  // nothing chosen: nothing deleted
    EXPECT_EQ(accounts()->count(), 1);
}
