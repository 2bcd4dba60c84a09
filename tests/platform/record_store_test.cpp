#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QProcess>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "platform/files/files.h"
#include "platform/store/table.h"
#include "support/damaged_table.h"
#include "support/no_file_modes.h"
#include "support/program_dir.h"
#include "support/scripted_prompts.h"

using namespace dezu::store;
using dezu::files::file_exists;

namespace {

const std::vector<FieldDefinition> kPageFields = {
    {"内容", kFieldLongText, 20}, {"时间", kFieldText, 30}, {"标题", kFieldText, 1024}};

// Every record's first field, in order.
std::vector<std::string> contents(Table& t) {
    std::vector<std::string> texts;
    if (!t.first()) return texts;
    do texts.push_back(t.read(1).value_or("<unreadable>"));
    while (t.next());
    return texts;
}

mode_t mode_of(const std::string& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 ? (st.st_mode & 0777) : 0;
}

class RecordStoreTest : public ProgramDirTest {
protected:
    // A table of the given first fields, closed again, made in one
    // transaction.
    std::string make_table(const std::string& name, const std::vector<std::string>& pages) {
        std::string file = path(name);
        EXPECT_TRUE(Table::create(file, kPageFields).ok());
        Table t = Table::open(file, "x");
        EXPECT_TRUE(t.is_open()) << t.error().text;
        Table::Transaction all(t);
        for (const auto& text : pages) {
            EXPECT_TRUE(t.append());
            EXPECT_TRUE(t.write("内容", text));
        }
        EXPECT_TRUE(all.commit());
        return file;
    }
    Table open(const std::string& file, const std::string& password = "x") {
        Table t = Table::open(file, password, &prompts);
        EXPECT_TRUE(t.is_open()) << t.error().text;
        return t;
    }
    void lock(const std::string& file, const std::string& password) {
        Table t = open(file);
        ASSERT_TRUE(t.set_password(password)) << t.error().text;
    }
    ScriptedPrompts prompts;
};

TEST_F(RecordStoreTest, FieldsReadAndWriteByNameOrNumberOnTheCurrentRecord) {
    const std::string file = make_table("book.SJK", {});
    Table t = open(file);
    EXPECT_EQ(t.record_count(), 0);
    EXPECT_EQ(t.current_record(), 0);
    EXPECT_FALSE(t.read("内容"));
    EXPECT_FALSE(t.write("内容", "nowhere"));
    EXPECT_EQ(t.error().problem, Problem::NoRecord);

    ASSERT_TRUE(t.append());
    EXPECT_TRUE(t.write("标题", "第一页"));
    EXPECT_TRUE(t.write(1, "正文\n第二行"));
    ASSERT_TRUE(t.append());
    EXPECT_EQ(t.current_record(), 2);
    EXPECT_EQ(t.read("标题"), "");
    EXPECT_FALSE(t.write("没有的字段", "x"));
    EXPECT_EQ(t.error().problem, Problem::NoField);
    EXPECT_FALSE(t.write(4, "x"));
    EXPECT_FALSE(t.read(0));

    ASSERT_TRUE(t.go_to(1));
    EXPECT_EQ(t.read(3), "第一页");
    EXPECT_EQ(t.read("内容"), "正文\n第二行");
    const auto all = t.read_all({"标题", "内容"});
    ASSERT_TRUE(all);
    EXPECT_EQ(all->rows, (Table::Rows{{"第一页", "正文\n第二行"}, {"", ""}}));
    EXPECT_TRUE(all->unreadable.empty());
    EXPECT_FALSE(t.read_all({"标题", "nothing"}));

    // The values survive a reopening, which starts on record 1.
    t.close();
    EXPECT_FALSE(t.is_open());
    EXPECT_FALSE(t.append());
    t = open(file, "another text");
    EXPECT_EQ(t.record_count(), 2);
    EXPECT_EQ(t.current_record(), 1);
    EXPECT_EQ(t.read("标题"), "第一页");
}

TEST_F(RecordStoreTest, EachHandleKeepsItsOwnTableAndCurrentRecord) {
    Table diary = open(make_table("a.SJK", {"diary 1", "diary 2"}));
    Table mail = open(make_table("user.edb", {"account 1", "account 2", "account 3"}));
    ASSERT_TRUE(mail.go_to(3));
    ASSERT_TRUE(diary.go_to(2));
    EXPECT_EQ(mail.read(1), "account 3");
    EXPECT_EQ(diary.read(1), "diary 2");
    ASSERT_TRUE(mail.append());
    EXPECT_EQ(diary.record_count(), 2);
    EXPECT_EQ(diary.current_record(), 2);

    // A moved handle carries its table; the one it left has none.
    Table moved = std::move(diary);
    EXPECT_EQ(moved.read(1), "diary 2");
    EXPECT_FALSE(diary.is_open());  // NOLINT(bugprone-use-after-move)
    Table none;
    EXPECT_FALSE(none.is_open());
    EXPECT_FALSE(none.append());
    EXPECT_EQ(none.error().problem, Problem::NotOpen);
}

TEST_F(RecordStoreTest, PurgeRemovesMarkedRecordsAndRenumbersTheRest) {
    Table t = open(make_table("p.SJK", {"1", "2", "3", "4", "5"}));
    ASSERT_TRUE(t.go_to(2));
    ASSERT_TRUE(t.delete_current());
    ASSERT_TRUE(t.go_to(4));
    ASSERT_TRUE(t.delete_current());
    EXPECT_EQ(t.record_count(), 5);  // marked only
    ASSERT_TRUE(t.go_to(3));
    ASSERT_TRUE(t.purge());
    EXPECT_EQ(t.record_count(), 3);
    EXPECT_EQ(t.current_record(), 2);  // record "3" is now number 2
    EXPECT_EQ(t.read(1), "3");
    EXPECT_EQ(contents(t), (std::vector<std::string>{"1", "3", "5"}));

    // Deleting the last record leaves the new last one current.
    ASSERT_TRUE(t.go_to(3));
    ASSERT_TRUE(t.delete_current());
    ASSERT_TRUE(t.purge());
    EXPECT_EQ(t.current_record(), 2);
    EXPECT_EQ(t.read(1), "3");

    // A new record after a purge comes last.
    ASSERT_TRUE(t.append());
    ASSERT_TRUE(t.write(1, "new"));
    EXPECT_EQ(contents(t), (std::vector<std::string>{"1", "3", "new"}));

    // A mark that was never purged is kept in the file and purged later.
    ASSERT_TRUE(t.go_to(1));
    ASSERT_TRUE(t.delete_current());
    const std::string file = t.file();
    t.close();
    t = open(file);
    EXPECT_EQ(t.record_count(), 3);
    ASSERT_TRUE(t.purge());
    EXPECT_EQ(contents(t), (std::vector<std::string>{"3", "new"}));
}

TEST_F(RecordStoreTest, GoingOutsideTheRecordsLeavesTheCurrentRecord) {
    Table t = open(make_table("g.SJK", {"a", "b", "c"}));
    ASSERT_TRUE(t.go_to(2));
    for (int number : {0, -1, 4, 1000}) {
        SCOPED_TRACE(number);
        EXPECT_FALSE(t.go_to(number));
        EXPECT_EQ(t.current_record(), 2);
        EXPECT_EQ(t.error().problem, Problem::NoRecord);
    }
    ASSERT_TRUE(t.go_to(3));
    EXPECT_FALSE(t.next());
    EXPECT_EQ(t.current_record(), 3);
}

TEST_F(RecordStoreTest, TextLongerThanItsFieldIsCutAtACharacterInGbkBytes) {
    Table t = open(make_table("t.SJK", {"x"}));
    // 时间 holds 30 GBK bytes: 15 Chinese characters, or 29 bytes when an
    // ASCII letter shifts them.
    std::string chinese;
    for (int i = 0; i < 20; ++i) chinese += "日";
    ASSERT_TRUE(t.write("时间", chinese));
    EXPECT_EQ(t.read("时间"), chinese.substr(0, std::size_t{15} * 3));
    ASSERT_TRUE(t.write("时间", "a" + chinese));
    EXPECT_EQ(t.read("时间"), "a" + chinese.substr(0, std::size_t{14} * 3));
    // Long text has no limit.
    const std::string long_text(300000, 'z');
    ASSERT_TRUE(t.write("内容", long_text));
    EXPECT_EQ(t.read("内容"), long_text);
}

TEST_F(RecordStoreTest, ATransactionIsKeptWholeOrNotAtAll) {
    const std::string file = make_table("tx.SJK", {"one", "two"});
    Table t = open(file);
    {
        Table::Transaction dropped(t);
        ASSERT_TRUE(t.write(1, "changed"));
        ASSERT_TRUE(t.append());
        ASSERT_TRUE(t.write(1, "appended"));
        ASSERT_TRUE(t.go_to(1));
        ASSERT_TRUE(t.delete_current());
        ASSERT_TRUE(t.purge());
    }  // no commit: everything rolls back, the list and the current record too
    EXPECT_EQ(t.record_count(), 2);
    EXPECT_EQ(t.current_record(), 1);
    EXPECT_EQ(contents(t), (std::vector<std::string>{"one", "two"}));

    {
        // An inner part that fails to commit spoils the outer one.
        Table::Transaction outer(t);
        ASSERT_TRUE(t.write(1, "outer"));
        { Table::Transaction inner(t); }
        EXPECT_FALSE(outer.commit());
    }
    EXPECT_EQ(contents(t), (std::vector<std::string>{"one", "two"}));

    {
        Table::Transaction kept(t);
        ASSERT_TRUE(t.go_to(2));
        ASSERT_TRUE(t.write(1, "two, changed"));
        ASSERT_TRUE(t.append());
        ASSERT_TRUE(t.write(1, "three"));
        {
            Table::Transaction inner(t);
            ASSERT_TRUE(t.write(2, "time"));
            EXPECT_TRUE(inner.commit());
        }
        // A password change would rewrite the file under the transaction.
        EXPECT_FALSE(t.set_password("pw"));
        EXPECT_TRUE(kept.commit());
    }
    EXPECT_FALSE(Table::has_password(file));
    t.close();
    t = open(file);
    EXPECT_EQ(contents(t), (std::vector<std::string>{"one", "two, changed", "three"}));
    ASSERT_TRUE(t.go_to(3));
    EXPECT_EQ(t.read(2), "time");

    // A transaction on a handle without a table does nothing.
    Table none;
    Table::Transaction nothing(none);
    EXPECT_FALSE(nothing.commit());
}

TEST_F(RecordStoreTest, CreatingOverAnExistingFileLeavesItAsItWas) {
    const std::string book = make_table("diary.SJK", {"precious page"});
    const std::string before = read_file("diary.SJK");
    EXPECT_EQ(Table::create(book, kPageFields).problem, Problem::Exists);
    EXPECT_EQ(read_file("diary.SJK"), before);
    Table t = open(book);
    EXPECT_EQ(contents(t), std::vector<std::string>{"precious page"});

    write_file("other.txt", "not a table");
    EXPECT_FALSE(Table::create(path("other.txt"), kPageFields).ok());
    EXPECT_EQ(read_file("other.txt"), "not a table");

    // No temporary file is left behind.
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir())) files += e.is_regular_file();
    EXPECT_EQ(files, 2);
}

TEST_F(RecordStoreTest, ANewTableIsNotSpoiltByAJournalLeftByAnEarlierOneOfItsName) {
    // A writer cut off mid-write leaves a hot journal; the table is then
    // deleted by hand.
    const std::string file =
        make_table("again.SJK", std::vector<std::string>(30, std::string(3000, 'o')));
    const std::string script =
        "import sqlite3, os\n"
        "c = sqlite3.connect('" +
        file +
        "', isolation_level=None)\n"
        "c.execute('PRAGMA cache_size=1')\n"
        "c.execute('BEGIN')\n"
        "c.execute(\"UPDATE records SET f1 = hex(randomblob(3000))\")\n"
        "os._exit(0)\n";
    write_file("cut.py", script);
    ASSERT_EQ(std::system(("python3 '" + path("cut.py") + "'").c_str()), 0);
    ASSERT_TRUE(file_exists(file + "-journal"));
    std::filesystem::remove(file);
    ASSERT_TRUE(Table::create(file, kPageFields).ok());
    EXPECT_FALSE(file_exists(file + "-journal"));
    Table t = open(file);
    EXPECT_EQ(t.record_count(), 0);
    ASSERT_TRUE(t.append());
    EXPECT_TRUE(t.write(1, "fresh"));
}

TEST_F(RecordStoreTest, UnusableDefinitionsOrPlacesCreateNothing) {
    const std::vector<std::vector<FieldDefinition>> cases = {
        {},
        {{"", kFieldText, 10}},
        {{"a", 0, 20}},
        {{"a", kFieldText, 0}},
        {{"a", kFieldText, 10}, {"a", kFieldLongText, 20}},
    };
    for (const auto& fields : cases) {
        EXPECT_EQ(Table::create(path("bad.SJK"), fields).problem, Problem::BadFields);
        EXPECT_FALSE(file_exists(path("bad.SJK")));
    }
    const Outcome nowhere = Table::create(path("missing/dir.SJK"), kPageFields);
    EXPECT_EQ(nowhere.problem, Problem::Failed);
    EXPECT_FALSE(nowhere.text.empty());
}

TEST_F(RecordStoreTest, PasswordSetReplacedAndRemovedKeepsEveryRecord) {
    const std::vector<std::string> pages = {"Secret diary line", "第二页的秘密", "third"};
    const std::string file = make_table("lock.SJK", pages);
    Table t = open(file, "\x01");
    ASSERT_TRUE(t.go_to(2));
    EXPECT_FALSE(Table::has_password(file));

    ASSERT_TRUE(t.set_password("pw1")) << t.error().text;
    EXPECT_TRUE(Table::has_password(file));
    EXPECT_EQ(t.current_record(), 2);
    EXPECT_EQ(contents(t), pages);
    // Nothing of the pages in the bytes on disk, and no copy beside it.
    const std::string bytes = read_file("lock.SJK");
    for (const char* text : {"Secret diary", "第二页", "third", "SQLite format"})
        EXPECT_EQ(bytes.find(text), std::string::npos) << text;
    EXPECT_FALSE(file_exists(file + ".rekey"));
    // An ordinary encrypted file: the sqlcipher command opens it with the
    // password alone.
    ASSERT_EQ(std::system(("sqlcipher '" + file +
                           "' \"PRAGMA key='pw1';\" 'SELECT count(*) FROM records' > '" +
                           path("count.txt") + "' 2>&1")
                              .c_str()),
              0);
    EXPECT_EQ(read_file("count.txt"), "3\n");

    // Reopened with the right password it asks nothing.
    t.close();
    t = open(file, "pw1");
    EXPECT_EQ(contents(t), pages);

    ASSERT_TRUE(t.set_password("pw2"));  // replaced without the old one
    t.close();
    prompts.then_text("pw2");
    t = open(file, "\x01");
    EXPECT_EQ(prompts.asked().size(), 1u);
    EXPECT_EQ(contents(t), pages);

    ASSERT_TRUE(t.set_password(""));
    EXPECT_FALSE(Table::has_password(file));
    t.close();
    t = open(file, "anything");
    EXPECT_EQ(prompts.asked().size(), 1u);
    EXPECT_EQ(contents(t), pages);
    // Still writable after each swap.
    ASSERT_TRUE(t.append());
    EXPECT_TRUE(t.write(1, "after"));
}

TEST_F(RecordStoreTest, EveryRewriteKeepsTheTablesPermissions) {
    const std::string file = make_table("own.SJK", {"mine"});
    EXPECT_EQ(mode_of(file), 0600u);  // a new table is its owner's alone
    struct Case {
        mode_t mode;
        const char* password;
    };
    for (const Case& c : {Case{0600, "pw"}, Case{0600, ""}, Case{0640, "pw"}, Case{0640, ""}}) {
        SCOPED_TRACE(std::to_string(c.mode) + " " + c.password);
        ASSERT_EQ(::chmod(file.c_str(), c.mode), 0);
        Table t = open(file, "pw");
        ASSERT_TRUE(t.set_password(c.password));
        EXPECT_EQ(mode_of(file), c.mode);
        ASSERT_TRUE(t.write(1, "still mine"));
        EXPECT_EQ(mode_of(file), c.mode);
    }
}

// On a file system without Unix modes (FAT on a USB stick) the copy made
// under the new key cannot take the table's mode; it is the copy all the same.
TEST_F(RecordStoreTest, ATableIsLockedWhereFilesHaveNoModes) {
    for (const int error : kNoModeErrors) {
        SCOPED_TRACE(std::strerror(error));
        const std::string file = path("stick" + std::to_string(error) + ".SJK");
        const std::string log = path("fchmod" + std::to_string(error) + ".log");
        QProcess tool;
        tool.setProcessEnvironment(
            without_file_modes(QProcessEnvironment::systemEnvironment(), error, log));
        tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        tool.start(DEZU_STORE_BOOK_TOOL,
                   {"lock", QString::fromStdString(file), "pw", "第一页", "second"});
        ASSERT_TRUE(tool.waitForFinished(30000));
        EXPECT_EQ(tool.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(tool.exitCode(), 0);
        EXPECT_FALSE(dezu::files::read_whole_file(log).empty()) << "no mode change was refused";

        EXPECT_TRUE(Table::has_password(file));
        Table t = open(file, "pw");
        EXPECT_EQ(contents(t), (std::vector<std::string>{"第一页", "second"}));
        // Nothing of the swap is left beside it.
        t.close();
        for (const auto& entry : std::filesystem::directory_iterator(dir()))
            EXPECT_TRUE(entry.path().extension() == ".SJK" || entry.path().extension() == ".log")
                << entry.path();
    }
}

TEST_F(RecordStoreTest, LockedTableAsksOnceMaskedAndFailsOnAWrongOrCancelledAnswer) {
    const std::string file = make_table("locked.SJK", {"hidden"});
    lock(file, "right");
    const std::string bytes = read_file("locked.SJK");

    struct Case {
        const char* what;
        bool cancel;
        std::string answer;
        Problem problem;
    };
    for (const Case& c : {Case{"wrong", false, "wrong", Problem::WrongPassword},
                          Case{"cancel", true, "", Problem::NoPassword},
                          Case{"empty", false, "", Problem::WrongPassword}}) {
        SCOPED_TRACE(c.what);
        ScriptedPrompts asked;
        if (c.cancel)
            asked.then_cancel();
        else
            asked.then_text(c.answer);
        const Table t = Table::open(file, "x", &asked);
        EXPECT_FALSE(t.is_open());
        EXPECT_EQ(t.error().problem, c.problem);
        ASSERT_EQ(asked.asked().size(), 1u);
        EXPECT_EQ(asked.asked()[0].input_mode, dezu::ui::InputMode::Masked);
        EXPECT_EQ(asked.asked()[0].title, std::optional<std::string>("输入密码"));
    }
    EXPECT_EQ(Table::open(file, "x").error().text, "密码错误");  // no prompts: no question
    EXPECT_EQ(read_file("locked.SJK"), bytes);
}

// One byte flipped in a page that holds one record alone, as a failing disk
// leaves a locked table: every other record reads as it was written, and the
// damaged one reads as nothing, is told and is listed, whether SQLite meets
// the damage itself or SQLCipher hands the page back as zeros.
TEST_F(RecordStoreTest, ADamagedRecordOfALockedTableIsToldAndTheOthersRead) {
    std::vector<std::string> texts;
    for (int i = 1; i <= 5; ++i) texts.push_back(std::string(2000, static_cast<char>('a' + i)));
    const std::string file = make_table("locked.SJK", texts);
    {
        Table t = open(file);
        for (int i = 1; i <= 5; ++i)
            ASSERT_TRUE(t.go_to(i) && t.write("标题", "第" + std::to_string(i) + "页"));
    }
    lock(file, "pw");
    const std::string locked = read_file("locked.SJK");
    const std::vector<int> pages = pages_of_record_alone(file, "pw", 3, 5);
    ASSERT_FALSE(pages.empty());
    for (const int page : pages) {
        SCOPED_TRACE("page " + std::to_string(page));
        write_file("case.SJK", locked);
        const std::string damaged = path("case.SJK");
        flip_byte_in_page(damaged, page);

        Table t = Table::open(damaged, "pw", nullptr, {"标题"});
        ASSERT_TRUE(t.is_open()) << t.error().text;
        const auto listed = t.read_all({"标题"});
        ASSERT_TRUE(listed);
        EXPECT_EQ(listed->rows, (Table::Rows{{"第1页"}, {"第2页"}, {""}, {"第4页"}, {"第5页"}}));
        EXPECT_EQ(listed->unreadable, std::vector<int>{3});
        const auto all = t.read_all({"内容", "标题"});
        ASSERT_TRUE(all);
        EXPECT_EQ(all->unreadable, std::vector<int>{3});
        EXPECT_EQ(all->rows[3], (std::vector<std::string>{texts[3], "第4页"}));
        EXPECT_EQ(all->rows[2], (std::vector<std::string>{"", ""}));

        ASSERT_TRUE(t.go_to(3));
        EXPECT_FALSE(t.read("内容"));
        EXPECT_EQ(t.error().problem, Problem::Damaged);
        ASSERT_TRUE(t.go_to(4));
        EXPECT_EQ(t.read("内容"), texts[3]);
        ASSERT_TRUE(t.write("内容", "new"));
        t.close();

        t = Table::open(damaged, "pw");
        EXPECT_EQ(contents(t),
                  (std::vector<std::string>{texts[0], texts[1], "<unreadable>", "new", texts[4]}));
    }
}

// One bit flipped in the first page of a locked table, the one SQLite reads
// first: the right password is told that the table is damaged, never that it
// is wrong, and a wrong one still is. A flipped bit of the salt before it is
// damage to a table of ours, whatever the password.
TEST_F(RecordStoreTest, ADamagedFirstPageOfALockedTableIsNotAWrongPassword) {
    const std::string file =
        make_table("locked.SJK", std::vector<std::string>(8, std::string(1500, 'p')));
    lock(file, "pw");
    const std::string locked = read_file("locked.SJK");
    struct Case {
        const char* what;
        long at;        // the byte of the first page whose bit flips
        Problem right;  // with the right password
        Problem wrong;  // with a wrong one
        bool asks;
    };
    for (const Case& c : {
             Case{"the records' layout", 300, Problem::Damaged, Problem::WrongPassword, true},
             Case{"the page's last data", 975, Problem::Damaged, Problem::WrongPassword, true},
             Case{"its IV", 980, Problem::Damaged, Problem::WrongPassword, true},
             Case{"its check", 1000, Problem::Damaged, Problem::WrongPassword, true},
             Case{"the salt", 3, Problem::Damaged, Problem::Damaged, false},
             Case{"the salt's mark", 13, Problem::Damaged, Problem::Damaged, false},
             // Nothing reads the padding after the check.
             Case{"the padding", 1020, Problem::None, Problem::WrongPassword, true},
         }) {
        for (const char* answer : {"pw", "wrong"}) {
            SCOPED_TRACE(std::string(c.what) + ", answered " + answer);
            write_file("case.SJK", locked);
            flip_bit_at(path("case.SJK"), c.at);
            const std::string damaged = read_file("case.SJK");
            ScriptedPrompts asked;
            asked.then_text(answer);
            Table t = Table::open(path("case.SJK"), "", &asked);
            const Problem expected = answer == std::string("pw") ? c.right : c.wrong;
            EXPECT_EQ(t.error().problem, expected) << t.error().text;
            if (expected == Problem::Damaged) {
                EXPECT_EQ(t.error().text, "数据表文件已损坏：" + path("case.SJK"));
            }
            if (expected == Problem::None) {
                EXPECT_EQ(contents(t).size(), 8u);
            }
            EXPECT_EQ(asked.asked().size(), c.asks ? 1u : 0u);
            t.close();
            EXPECT_TRUE(read_file("case.SJK") == damaged);
        }
    }
}

// A zero byte cannot be told from a page read as zeros, so none is stored.
TEST_F(RecordStoreTest, ZeroBytesAreLeftOutOfWrittenTexts) {
    Table t = open(make_table("book.SJK", {"x"}));
    ASSERT_TRUE(t.write("内容", std::string("a\0b\0", 4)));
    EXPECT_EQ(t.read("内容"), "ab");
}

TEST_F(RecordStoreTest, FilesThatAreNoTableOfOursFailWithAClearError) {
    // A plain table large enough to span many pages, and a locked copy.
    std::vector<std::string> pages(40, std::string(2000, 'p'));
    make_table("plain.SJK", pages);
    const std::string plain = read_file("plain.SJK");
    lock(path("plain.SJK"), "pw");
    const std::string locked = read_file("plain.SJK");
    ASSERT_GT(plain.size(), 20000u);
    ASSERT_EQ(std::system(("sqlite3 '" + path("foreign.db") +
                           "' 'CREATE TABLE notes(x); INSERT INTO notes VALUES(1);'")
                              .c_str()),
              0);
    const std::string foreign = read_file("foreign.db");
    // Another program's encrypted database: whole pages that look random.
    ASSERT_EQ(std::system(("sqlcipher '" + path("foreign-locked.db") +
                           "' \"PRAGMA key='pw';\" 'CREATE TABLE notes(x); INSERT INTO notes "
                           "VALUES(zeroblob(20000));' > /dev/null")
                              .c_str()),
              0);
    const std::string foreign_locked = read_file("foreign-locked.db");
    ASSERT_EQ(foreign_locked.size() % 1024, 0u);
    std::string random(32 * 1024, '\0');
    for (std::size_t i = 0; i < random.size(); ++i)
        random[i] = static_cast<char>((i * 2654435761u) >> 13);

    struct Case {
        const char* what;
        std::string bytes;
        Problem problem;  // on opening, or on the first reading of every record
        bool asks;        // only what can be a whole locked table of ours asks
    };
    const std::vector<Case> cases = {
        {"empty", "", Problem::NotATable, false},
        {"text", "hello, this is no table at all\n", Problem::NotATable, false},
        {"garbage", std::string(3001, '\x7f'), Problem::NotATable, false},
        {"random bytes, whole pages", random, Problem::NotATable, false},
        {"random bytes, short", random.substr(0, 4096), Problem::NotATable, false},
        {"plain header on garbage", std::string("SQLite format 3\0", 16) + std::string(5000, 'g'),
         Problem::Damaged, false},
        {"truncated plain", plain.substr(0, plain.size() / 2), Problem::Damaged, false},
        {"truncated plain mid-page", plain.substr(0, plain.size() / 2 + 100), Problem::Damaged,
         false},
        {"truncated locked mid-page", locked.substr(0, locked.size() / 2 + 100), Problem::Damaged,
         false},
        {"locked cut to its first page", locked.substr(0, 1024), Problem::Damaged, false},
        {"truncated locked at a page end", locked.substr(0, locked.size() / 2 / 1024 * 1024),
         Problem::Damaged, true},
        {"another program's database", foreign, Problem::NotATable, false},
        {"another program's locked database", foreign_locked, Problem::NotATable, false},
        {"locked, a page damaged",
         locked.substr(0, 5000) + std::string(1024, '\0') + locked.substr(6024), Problem::Damaged,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        write_file("case.SJK", c.bytes);
        ScriptedPrompts asked;
        asked.then_text("pw");
        Table t = Table::open(path("case.SJK"), "x", &asked);
        if (t.is_open()) {
            // What the damage spares may be read; what it hits is told.
            const auto all = t.read_all({"内容", "时间", "标题"});
            EXPECT_TRUE(!all || !all->unreadable.empty());
        }
        EXPECT_EQ(t.error().problem, c.problem) << t.error().text;
        EXPECT_FALSE(t.error().text.empty());
        EXPECT_EQ(asked.asked().size(), c.asks ? 1u : 0u);
        EXPECT_EQ(Table::has_password(path("case.SJK")),
                  c.asks || c.bytes.starts_with(locked.substr(0, 16)));
        t.close();
        EXPECT_EQ(read_file("case.SJK"), c.bytes);  // never changed by a failed opening
    }
    const Table absent = Table::open(path("absent.SJK"), "x");
    EXPECT_EQ(absent.error().problem, Problem::Missing);
    EXPECT_NE(absent.error().text.find("absent.SJK"), std::string::npos);
    EXPECT_EQ(Table::open(dir(), "x").error().problem, Problem::NotATable);
}

TEST_F(RecordStoreTest, ATableOpenElsewhereIsRefusedUntilItIsClosed) {
    const std::string file = make_table("shared.SJK", {"page"});
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const Table held = Table::open(file, "x");
        if (!held.is_open()) _exit(3);
        (void)!write(ready[1], "r", 1);
        pause();
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    const Table refused = Table::open(file, "x");
    EXPECT_EQ(refused.error().problem, Problem::InUse);
    EXPECT_NE(refused.error().text.find("正在使用"), std::string::npos);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(ready[0]);
    close(ready[1]);

    Table t = open(file);
    // Within the program too, one opening at a time.
    EXPECT_FALSE(Table::open(file, "x").is_open());
    EXPECT_EQ(contents(t), std::vector<std::string>{"page"});
}

TEST_F(RecordStoreTest, RemovingATableRemovesEveryFileOfItAndNothingElse) {
    const std::string file = make_table("gone.SJK", {"page"});
    const std::string other = make_table("gone2.SJK", {"kept"});
    for (const char* extra : {".rekey", ".rekey-journal", "-journal"})
        write_file(std::string("gone.SJK") + extra, "left over");
    EXPECT_TRUE(Table::remove(file).ok());
    for (const char* name :
         {"gone.SJK", "gone.SJK.rekey", "gone.SJK.rekey-journal", "gone.SJK-journal"})
        EXPECT_FALSE(file_exists(path(name))) << name;
    EXPECT_TRUE(file_exists(other));
    EXPECT_EQ(Table::remove(file).problem, Problem::Missing);
}

TEST_F(RecordStoreTest, CopiesLeftByCutOffChangesAreDiscarded) {
    struct Case {
        const char* name;
        bool discarded;
    };
    const std::vector<Case> cases = {
        {"a.SJK.rekey", true},      {"a.SJK.rekey-journal", true},
        {"b.SJK.new-Ab3xYz", true}, {"b.SJK.new-Ab3xYz-journal", true},
        {"a.SJK", false},           {"a.SJK-journal", false},
        {"notes.txt", false},       {"b.SJK.new-", false},
        {"rekey", false},
    };
    for (const Case& c : cases) write_file(c.name, "x");
    Table::discard_unfinished_copies(dir());
    for (const Case& c : cases) EXPECT_EQ(file_exists(path(c.name)), !c.discarded) << c.name;
}

// A process that changes a table is killed at random moments; afterwards the
// table opens with every record whole, and nothing of a cut-off change is
// left beside it.
class KilledWriterTest : public RecordStoreTest {
protected:
    // Forks a writer that opens the table and runs step(table, i) for i = 0,
    // 1, ..., and kills it the given time after it opened the table (deriving
    // a locked table's key can take longer than the whole cut-off on a busy
    // machine).
    static void kill_writer_after(const std::string& file, const std::string& password, int ms,
                                  const std::function<void(Table&, int)>& step) {
        int opened[2];
        ASSERT_EQ(pipe(opened), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(opened[0]);
            Table t = Table::open(file, password);
            if (!t.is_open()) _exit(3);
            if (write(opened[1], "o", 1) != 1) _exit(4);
            for (int i = 0;; ++i) step(t, i);
        }
        close(opened[1]);
        char byte = 0;
        const bool writer_opened = read(opened[0], &byte, 1) == 1;
        close(opened[0]);
        if (writer_opened) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(writer_opened) << "the writer could not open the table";
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself";
    }
};

// Pairs of records are rewritten together in one transaction, so each pair
// always holds the same letter; appends and purges run between. A locked
// table is first offered a wrong password, which must not spoil the rollback
// of the cut-off write.
TEST_F(KilledWriterTest, EveryRecordIsLeftWholeAndEveryTransactionWhole) {
    for (const bool locked : {false, true}) {
        SCOPED_TRACE(locked ? "locked" : "plain");
        const std::string file =
            make_table(locked ? "durable-locked.SJK" : "durable.SJK",
                       std::vector<std::string>(6, "A:" + std::string(5000, 'A')));
        const std::string password = locked ? "pw" : "x";
        if (locked) lock(file, password);
        bool written = false;
        for (int round = 0; round < 5; ++round) {
            SCOPED_TRACE(round);
            kill_writer_after(file, password, 60 + round * 41, [](Table& t, int i) {
                const char letter = static_cast<char>('B' + i % 20);
                const std::string value =
                    std::string(1, letter) + ":" + std::string(3000 + (i * 977) % 9000, letter);
                const int pair = i % 3;
                Table::Transaction both(t);
                for (int n : {1 + 2 * pair, 2 + 2 * pair})
                    if (!t.go_to(n) || !t.write(1, value)) return;
                if (!both.commit()) return;
                if (i % 7 == 0 && t.append()) (void)t.write(1, value);
                if (i % 11 == 0 && t.record_count() > 6 && t.go_to(t.record_count()) &&
                    t.delete_current())
                    (void)t.purge();
            });
            if (locked) {
                ScriptedPrompts wrong;
                wrong.then_text("wrong");
                EXPECT_FALSE(Table::open(file, "x", &wrong).is_open());
            }
            Table t = Table::open(file, password);
            ASSERT_TRUE(t.is_open()) << t.error().text;
            ASSERT_GE(t.record_count(), 6);
            const std::vector<std::string> texts = contents(t);
            for (const std::string& text : texts) {
                // Blank only for a record appended and cut off before its text.
                if (text.empty()) continue;
                ASSERT_GE(text.size(), 2u);
                EXPECT_EQ(text.find_first_not_of(text[0], 2), std::string::npos);
                written = written || text[0] != 'A';
            }
            for (std::size_t pair = 0; pair < 3; ++pair)
                EXPECT_EQ(texts[2 * pair], texts[2 * pair + 1]) << "pair " << pair;
        }
        EXPECT_TRUE(written) << "the writer never got to write";
    }
}

// The copy a password change builds holds every record, in clear when the
// password is being removed; cut off, it must not outlive the next opening.
TEST_F(KilledWriterTest, APasswordChangeCutOffLeavesNoCopyBehind) {
    const std::string file =
        make_table("big.SJK", std::vector<std::string>(1500, std::string(8000, 'c')));
    int copies_seen = 0;
    for (int round = 0; round < 30 && (copies_seen < 2 || round < 4); ++round) {
        SCOPED_TRACE(round);
        // Locking and unlocking in turn.
        kill_writer_after(file, "pw", 40 + (round * 53) % 400, [&file](Table& t, int) {
            if (!t.set_password(Table::has_password(file) ? "" : "pw")) _exit(5);
        });
        copies_seen += file_exists(file + ".rekey");

        Table t = Table::open(file, "pw");
        ASSERT_TRUE(t.is_open()) << t.error().text;
        EXPECT_EQ(t.record_count(), 1500);
        EXPECT_FALSE(file_exists(file + ".rekey"));
        EXPECT_FALSE(file_exists(file + ".rekey-journal"));
        EXPECT_EQ(mode_of(file), 0600u);
    }
    EXPECT_GE(copies_seen, 2) << "no kill came while a copy was being made";
}

}  // namespace
