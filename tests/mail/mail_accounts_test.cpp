#include "mail/mail_accounts.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/fsuid.h>
#include <sys/wait.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>

#include "mail_fixture.h"
#include "platform/text/text.h"
#include "support/iconv.h"

using dezu::text::to_gbk;

TEST(AddressLineTest, SplitsAsTheBookIsRead) {
    struct Case {
        const char* line;
        const char* name;
        const char* address;
    } cases[] = {
        {"收信人:张三地址:zs@example.com", "张三", "zs@example.com"},
        {"收信人:Tom地址:t@x.org", "Tom", "t@x.org"},
        // A second separator ends the address; what follows is dropped.
        {"收信人:甲地址:a@x地址:junk", "甲", "a@x"},
        // Whatever the first 7 bytes are, they are not the name.
        {"1234567Bob地址:b@x", "Bob", "b@x"},
        {"收信人:地址:", "", ""},
        // Damaged lines: no separator, or shorter than the prefix.
        {"收信人:nobody", "nobody", ""},
        {"abc", "", ""},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        const auto [name, address] = mail::split_address_line(c.line);
        EXPECT_EQ(name, c.name) << c.line;
        EXPECT_EQ(address, c.address) << c.line;
    }
}

TEST(AccountPortTest, TruncatesTowardZero) {
    const std::pair<const char*, int> cases[] = {
        {"25", 25}, {"587.9", 587}, {"", 0}, {"465abc", 465}};
    for (const auto& [text, port] : cases) EXPECT_EQ(mail::account_port(text), port) << text;
}

TEST(AccountNameTest, RefusesNamesWhoseBookIsNoBook) {
    struct Case {
        const char* name;
        bool usable;
    } cases[] = {
        {"甲", true},
        {"", true},  // the book ".ini"
        {"clock.ini", true},
        {"my clock", true},
        // The program's own files, whatever the case of the letters.
        {"clock", false},
        {"CLOCK", false},
        {"WALLAB", false},
        {"wallab", false},
        {"dezu", true},
        {"a/b", false},
        {"..\\x", false},
        {"/", false},
        {"a\rb", false},
        {"tab\t", false},
        {"c1\xc2\x80", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(!mail::account_name_problem(c.name, "dezu"), c.usable) << c.name;
    // A program file that happens to end in ".ini" is its own too.
    EXPECT_TRUE(mail::account_name_problem("tool", "tool.ini"));
    EXPECT_EQ(*mail::account_name_problem("Clock", "dezu"),
              "帐户名“Clock”的通讯录会覆盖程序自己的文件 clock.ini，请换一个名字");
    EXPECT_EQ(*mail::account_name_problem("a/b", "dezu"), "帐户名不能含有“/”、“\\”或控制字符");
}

class AddressBookTest : public MailTest {};

TEST_F(AddressBookTest, WritesGbkLinesThatReadBack) {
    ASSERT_TRUE(
        accounts().write_address_book("王五", {{"张三", "zs@example.com"}, {"Tom", "t@x.org"}}));
    EXPECT_EQ(read_file("王五.ini"), to_gbk("收信人:张三地址:zs@example.com") + "\r\n" +
                                         to_gbk("收信人:Tom地址:t@x.org") + "\r\n");
    const auto lines = accounts().read_address_book("王五");
    ASSERT_TRUE(lines);
    ASSERT_EQ(lines->size(), 2u);
    EXPECT_EQ(mail::split_address_line((*lines)[1]),
              std::make_pair(std::string("Tom"), std::string("t@x.org")));
    EXPECT_TRUE(prompts.asked().empty());
}

TEST_F(AddressBookTest, EmptyNameAndEmptyListGiveAnEmptyDotIni) {
    EXPECT_FALSE(accounts().read_address_book(""));
    ASSERT_TRUE(accounts().write_address_book("", {}));
    EXPECT_TRUE(std::filesystem::exists(path(".ini")));
    EXPECT_EQ(read_file(".ini"), "");
    const auto lines = accounts().read_address_book("");
    ASSERT_TRUE(lines);
    EXPECT_TRUE(lines->empty());
}

TEST_F(AddressBookTest, ReadsLinesWithLinuxOrWindowsBreaks) {
    write_file("a.ini", to_gbk("收信人:甲地址:a@x") + "\n" + to_gbk("收信人:乙地址:b@x") + "\r\n" +
                            "\xff\xfe");
    const auto lines = accounts().read_address_book("a");
    ASSERT_TRUE(lines);
    ASSERT_EQ(lines->size(), 3u);
    EXPECT_EQ(mail::split_address_line((*lines)[0]).first, "甲");
    EXPECT_EQ(mail::split_address_line((*lines)[1]).second, "b@x");
}

// A book saved as "Unicode" by Notepad reads, and is written back so.
TEST_F(AddressBookTest, AUtf16BookReadsAndStaysUtf16) {
    write_file("甲.ini", utf16("收信人:张三地址:zs@x\r\n收信人:Zoë地址:z@x\r\n"));
    const auto lines = accounts().read_address_book("甲");
    ASSERT_TRUE(lines);
    ASSERT_EQ(lines->size(), 2u);
    EXPECT_EQ(mail::split_address_line((*lines)[1]),
              std::make_pair(std::string("Zoë"), std::string("z@x")));
    ASSERT_TRUE(accounts().write_address_book("甲", {{"张三", "zs@x"}, {"李四", "ls@x"}}));
    EXPECT_EQ(read_file("甲.ini"), utf16("收信人:张三地址:zs@x\r\n收信人:李四地址:ls@x\r\n"));
}

TEST_F(AddressBookTest, AFailedWriteIsToldAndKeepsTheOldBook) {
    write_file("甲.ini", to_gbk("收信人:张三地址:zs@x\r\n"));
    // A folder where the book should be: nothing can be written there.
    std::filesystem::create_directory(path("乙.ini"));
    EXPECT_FALSE(accounts().write_address_book("乙", {{"李四", "ls@x"}}));
    ASSERT_EQ(prompts.asked().size(), 1u);
    EXPECT_EQ(prompts.asked()[0].style, dezu::ui::MessageStyle::Stop);
    EXPECT_NE(prompts.asked()[0].text.find(path("乙.ini")), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(path("乙.ini")));
    EXPECT_EQ(read_file("甲.ini"), to_gbk("收信人:张三地址:zs@x\r\n"));
}

// A book that cannot be read whole is left as it is, and the message says so
// rather than blaming the folder.
TEST_F(AddressBookTest, ABookThatCannotBeReadWholeIsToldAndLeftAsItIs) {
    const std::string damaged = utf16("收信人:张三地址:zs@x\r\n") + "x";
    write_file("甲.ini", damaged);
    EXPECT_FALSE(accounts().write_address_book("甲", {{"李四", "ls@x"}}));
    EXPECT_EQ(read_file("甲.ini"), damaged);
    ASSERT_EQ(prompts.asked().size(), 1u);
    EXPECT_EQ(prompts.asked()[0].text,
              "通讯录无法保存到 " + path("甲.ini") + "，该文件无法读取，已保持原样");
}

class AccountDbTest : public MailTest {
protected:
    static std::string long_field(size_t i) {
        return std::string(3000, static_cast<char>('a' + i));
    }
    // user.edb as the program writes it, with six accounts whose long fields
    // spread the records over many pages of the file; the file's bytes.
    std::string written_table() {
        accounts().open_table();
        for (size_t i = 0; i < 6; ++i)
            EXPECT_TRUE(accounts().add_account(
                {"甲" + std::to_string(i), "", "a@x", long_field(i), "mail.x", "587"}));
        accounts().close_table();
        EXPECT_TRUE(prompts.asked().empty());
        return read_file("user.edb");
    }
    std::vector<std::string> folder_names() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(AccountDbTest, AFreshFolderGetsAnEncryptedAccountTable) {
    accounts().open_table();
    ASSERT_TRUE(accounts().is_open());
    EXPECT_TRUE(accounts().account_names().empty());
    ASSERT_TRUE(accounts().add_account({"甲", "pw", "a@x", "smtp密码", "mail.x", "587"}));
    accounts().close_table();
    EXPECT_TRUE(prompts.asked().empty());
    // Nothing of the making is left beside it.
    EXPECT_EQ(folder_names(), std::vector<std::string>{"user.edb"});

    // Locked with the fixed key: nothing else opens it.
    EXPECT_TRUE(dezu::store::Table::has_password(path("user.edb")));
    EXPECT_FALSE(dezu::store::Table::open(path("user.edb"), "other").is_open());
    dezu::store::Table table = dezu::store::Table::open(path("user.edb"), mail::kAccountPassword);
    ASSERT_TRUE(table.is_open());
    EXPECT_EQ(table.fields().size(), 6u);
    table.close();

    // Long texts are kept whole, and the next run finds the account as stored.
    const std::string long_password(300, 'p');
    accounts().open_table();
    ASSERT_TRUE(accounts().add_account({"乙", "", "b@x", long_password, "", "25"}));
    const auto stored = stored_accounts();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].smtp_password, "smtp密码");
    EXPECT_EQ(stored[0].port, "587");
    EXPECT_EQ(stored[1].smtp_password, long_password);
}

TEST_F(AccountDbTest, AnAccountTableThatCannotBeReadIsToldOnceAndKeptAsItIs) {
    const std::string table = written_table();
    const size_t page = 1024;
    std::string flipped_first_page = table;
    flipped_first_page[100] ^= 0x10;
    enum Kind { File, Folder, DanglingLink };
    struct Case {
        const char* what;
        Kind kind;
        std::string bytes;
        const char* cause;  // nullptr: it opens, silently
    } cases[] = {
        {"an account table", File, table, nullptr},
        {"cut short", File, table.substr(0, table.size() / 2 + 100), "文件已损坏"},
        {"cut at a page end", File, table.substr(0, 6 * page), "文件已损坏"},
        {"a byte flipped in its first page", File, flipped_first_page, "文件已损坏"},
        {"not a table", File, "just some text\n", "这不是邮件帐户文件"},
        {"empty", File, "", "这不是邮件帐户文件"},
        {"a folder", Folder, "", "这是一个文件夹"},
        {"a link to nowhere", DanglingLink, "", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(path("user.edb"));
        if (c.kind == File) write_file("user.edb", c.bytes);
        if (c.kind == Folder) std::filesystem::create_directory(path("user.edb"));
        if (c.kind == DanglingLink)
            std::filesystem::create_symlink(path("elsewhere.edb"), path("user.edb"));
        const size_t asked_before = prompts.asked().size();

        dezu::ui::Form* composer = compose();
        dezu::ui::Form* editor = dezu::ui::load_window(dezu::ui::windows::kMailAccount);
        auto* add = find<QAbstractButton>(editor, "超级按钮1");
        find<QLineEdit>(editor, "用户")->setText("新");
        add->click();
        const bool opens = c.kind == File && c.cause == nullptr;
        EXPECT_EQ(find<QListWidget>(editor, "列表框1")->count(), opens ? 7 : 0);
        dezu::ui::destroy_window(dezu::ui::windows::kMailAccount);
        EXPECT_EQ(find<QComboBox>(composer, "组合框1")->count(), opens ? 7 : 0);
        dezu::ui::destroy_window(dezu::ui::windows::kMailCompose);

        const std::vector<dezu::ui::Prompt> asked(prompts.asked().begin() + asked_before,
                                                  prompts.asked().end());
        if (opens) {
            EXPECT_TRUE(asked.empty());
            continue;
        }
        // Said once, with where the file is, and nothing asked besides.
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].style, dezu::ui::MessageStyle::Stop);
        const std::string told = asked[0].text;
        EXPECT_EQ(told.rfind("邮件帐户文件 " + path("user.edb") + " 无法读取", 0), 0u) << told;
        if (c.cause) {
            EXPECT_NE(told.find(c.cause), std::string::npos) << told;
        }
        if (c.kind == DanglingLink) {
            EXPECT_NE(told.find(path("elsewhere.edb")), std::string::npos) << told;
        }
        EXPECT_FALSE(add->isEnabled());
        // The file is left as it was, and nothing is made beside it.
        if (c.kind == File) {
            EXPECT_EQ(read_file("user.edb"), c.bytes);
        }
        if (c.kind == Folder) {
            EXPECT_TRUE(std::filesystem::is_empty(path("user.edb")));
        }
        if (c.kind == DanglingLink) {
            EXPECT_TRUE(std::filesystem::is_symlink(path("user.edb")));
            EXPECT_FALSE(std::filesystem::exists(path("elsewhere.edb")));
        }
        EXPECT_EQ(folder_names(), std::vector<std::string>{"user.edb"});
    }
}

// Damage in a page that only a record's field reaches opens as a table:
// nothing of it may pass as an account with an empty field.
TEST_F(AccountDbTest, AFlippedByteNeverPassesForAnAccount) {
    const std::string table = written_table();
    int told = 0;
    for (size_t at = 1024 + 300; at < table.size(); at += 1024) {
        SCOPED_TRACE(at);
        std::string bytes = table;
        bytes[at] ^= 0x01;
        write_file("user.edb", bytes);
        const size_t asked_before = prompts.asked().size();
        accounts().open_table();
        if (accounts().is_open()) {
            EXPECT_EQ(prompts.asked().size(), asked_before);
            const std::vector<Account> stored = stored_accounts();
            ASSERT_EQ(stored.size(), 6u);
            for (size_t i = 0; i < stored.size(); ++i)
                EXPECT_EQ(stored[i].smtp_password, long_field(i));
        } else {
            ++told;
            ASSERT_EQ(prompts.asked().size(), asked_before + 1);
            EXPECT_NE(prompts.asked().back().text.find("文件已损坏"), std::string::npos);
        }
        accounts().close_table();
        EXPECT_EQ(read_file("user.edb"), bytes);
    }
    EXPECT_GT(told, 10);
}

TEST_F(AccountDbTest, AnAccountTableThatCannotBeMadeIsTold) {
    // A program folder that is gone: nothing can be made in it.
    std::filesystem::remove_all(dir());
    accounts().open_table();
    EXPECT_FALSE(accounts().is_open());
    ASSERT_EQ(prompts.asked().size(), 1u);
    EXPECT_EQ(prompts.asked()[0].style, dezu::ui::MessageStyle::Stop);
    EXPECT_NE(prompts.asked()[0].text.find(path("user.edb")), std::string::npos);
    std::filesystem::create_directories(dir());
}

// While it lives, this thread reaches files as an ordinary user does, the
// owner of the folder: root's file access passes every permission check.
class AsFolderOwner {
public:
    explicit AsFolderOwner(const std::string& folder) : folder_(folder) {
        if (::geteuid() != 0) return;
        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody || ::chown(folder.c_str(), nobody->pw_uid, nobody->pw_gid) != 0) {
            usable_ = false;
            return;
        }
        uid_ = nobody->pw_uid;
        ::setfsgid(nobody->pw_gid);
        ::setfsuid(uid_);
        // The folders above it must let the user in.
        usable_ = ::faccessat(AT_FDCWD, folder.c_str(), R_OK | W_OK | X_OK, AT_EACCESS) == 0;
    }
    ~AsFolderOwner() {
        if (uid_ == 0) return;
        ::setfsuid(0);
        ::setfsgid(0);
        [[maybe_unused]] const int back = ::chown(folder_.c_str(), 0, 0);
    }
    bool usable() const { return usable_; }
    // Makes the file the user's own, as a file the program made would be.
    void own(const std::string& file) const {
        if (uid_ != 0) {
            ::setfsuid(0);
            EXPECT_EQ(::chown(file.c_str(), uid_, static_cast<gid_t>(-1)), 0);
            ::setfsuid(uid_);
        }
    }

private:
    std::string folder_;
    uid_t uid_ = 0;
    bool usable_ = true;
};

// Why the table did not open is told as it is: a file the user may not
// write is not one that another program holds.
TEST_F(AccountDbTest, AnAccountTableThatCannotBeWrittenSaysSo) {
    if (!AsFolderOwner(dir()).usable()) GTEST_SKIP() << "no ordinary user can reach the folder";
    const std::string table = written_table();
    struct Case {
        const char* what;
        mode_t mode;
        bool held;          // open in another program
        const char* cause;  // nullptr: it opens, silently
    } cases[] = {
        {"the user's own", 0600, false, nullptr},
        {"read-only", 0400, false, "没有读写这个文件的权限"},
        {"closed to its owner", 0000, false, "没有读写这个文件的权限"},
        {"held by another program", 0600, true, "文件正在被其他程序使用"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        write_file("user.edb", table);
        ASSERT_EQ(::chmod(path("user.edb").c_str(), c.mode), 0);
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        pid_t holder = -1;
        if (c.held) {
            holder = ::fork();
            ASSERT_GE(holder, 0);
            if (holder == 0) {
                const auto held =
                    dezu::store::Table::open(path("user.edb"), mail::kAccountPassword);
                if (held.is_open()) (void)!::write(ready[1], "r", 1);
                ::pause();
                ::_exit(0);
            }
            char byte = 0;
            ASSERT_EQ(::read(ready[0], &byte, 1), 1);
        }
        const size_t asked_before = prompts.asked().size();
        {
            const AsFolderOwner user(dir());
            ASSERT_TRUE(user.usable());
            user.own(path("user.edb"));
            accounts().open_table();
        }
        if (holder > 0) {
            ::kill(holder, SIGKILL);
            ::waitpid(holder, nullptr, 0);
        }
        ::close(ready[0]);
        ::close(ready[1]);
        EXPECT_EQ(accounts().is_open(), c.cause == nullptr);
        if (c.cause) {
            ASSERT_EQ(prompts.asked().size(), asked_before + 1);
            const std::string told = prompts.asked().back().text;
            EXPECT_NE(told.find(c.cause), std::string::npos) << told;
        } else {
            EXPECT_EQ(prompts.asked().size(), asked_before);
        }
        accounts().close_table();
        ASSERT_EQ(::chmod(path("user.edb").c_str(), 0600), 0);
        EXPECT_EQ(read_file("user.edb"), table);
    }
}

// The book of such a name would be one of the program's files.
TEST_F(AccountDbTest, AnAccountNameCannotReachTheProgramsFiles) {
    const std::string settings = "[设置]\r\nkey=1\r\n";
    write_file("clock.ini", settings);
    accounts().open_table();
    EXPECT_FALSE(accounts().add_account({"clock", "", "a@x", "", "", "25"}));
    EXPECT_FALSE(accounts().add_account({"x/y", "", "a@x", "", "", "25"}));
    ASSERT_EQ(prompts.messages().size(), 2u);
    EXPECT_NE(prompts.messages()[0].find("clock.ini"), std::string::npos);
    EXPECT_TRUE(accounts().account_names().empty());

    EXPECT_FALSE(accounts().write_address_book("Clock", {{"张三", "zs@x"}}));
    EXPECT_EQ(prompts.messages().size(), 3u);
    EXPECT_FALSE(accounts().read_address_book("clock"));
    EXPECT_FALSE(accounts().remove_address_book("clock"));
    EXPECT_EQ(read_file("clock.ini"), settings);
}
