#include "platform/store/record_store.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/files/files.h"
#include "support/program_dir.h"
#include "support/scripted_prompts.h"

using namespace dezu::store;

namespace {

const std::vector<FieldDefinition> kPageFields = {
    {"内容", kFieldLongText, 20}, {"时间", kFieldText, 30}, {"标题", kFieldText, 1024}};

class RecordStoreTest : public ProgramDirTest {
protected:
    // A table of the given pages' 内容, closed again.
    std::string make_table(const std::string& name, const std::vector<std::string>& pages) {
        const std::string file = path(name);
        EXPECT_TRUE(create_store_table(file, kPageFields)) << last_store_error();
        EXPECT_TRUE(open_store_table(file, "build", "x"));
        for (const auto& text : pages) {
            EXPECT_TRUE(append_store_record());
            EXPECT_TRUE(write_store_field("内容", text));
        }
        close_store_table("build");
        return file;
    }

    // Every record's 内容 of the current table, in order.
    static std::vector<std::string> contents() {
        std::vector<std::string> texts;
        if (!go_to_first_record()) return texts;
        do texts.push_back(read_store_field(1));
        while (go_to_next_record());
        return texts;
    }
};

TEST_F(RecordStoreTest, FieldsReadAndWriteByNameOrNumberOnTheCurrentRecord) {
    const std::string file = make_table("book.SJK", {});
    ASSERT_TRUE(open_store_table(file, "记事", "x"));
    EXPECT_EQ(store_record_count(), 0);
    EXPECT_EQ(current_record_number(), 0);
    EXPECT_EQ(read_store_field("内容"), "");
    EXPECT_FALSE(write_store_field("内容", "nowhere"));

    ASSERT_TRUE(append_store_record());
    EXPECT_TRUE(write_store_field("标题", "第一页"));
    EXPECT_TRUE(write_store_field(1, "正文\n第二行"));
    ASSERT_TRUE(append_store_record());
    EXPECT_EQ(current_record_number(), 2);
    EXPECT_EQ(read_store_field("标题"), "");
    EXPECT_FALSE(write_store_field("没有的字段", "x"));
    EXPECT_FALSE(write_store_field(4, "x"));
    EXPECT_EQ(read_store_field(0), "");

    ASSERT_TRUE(go_to_record(1));
    EXPECT_EQ(read_store_field(3), "第一页");
    EXPECT_EQ(read_store_field("内容"), "正文\n第二行");

    // The values survive a reopening, which starts on record 1.
    close_store_table();
    ASSERT_TRUE(open_store_table(file, "记事", "another text"));
    EXPECT_EQ(store_record_count(), 2);
    EXPECT_EQ(current_record_number(), 1);
    EXPECT_EQ(read_store_field("标题"), "第一页");
}

TEST_F(RecordStoreTest, TablesAreNamedByAliasOrFileNameAndOneIsCurrent) {
    const std::string diary = make_table("a.SJK", {"diary page"});
    const std::string mail = make_table("user.edb", {"account 1", "account 2"});
    ASSERT_TRUE(open_store_table(diary, "记事", "x"));
    ASSERT_TRUE(open_store_table(mail, "用户数据库", "x"));
    EXPECT_EQ(current_store_alias(), "用户数据库");
    EXPECT_EQ(store_record_count(), 2);

    ASSERT_TRUE(select_store_table(diary));  // by file name
    EXPECT_EQ(current_store_alias(), "记事");
    EXPECT_EQ(read_store_field(1), "diary page");
    EXPECT_TRUE(is_store_table_open("用户数据库"));
    EXPECT_TRUE(is_store_table_open(mail));
    EXPECT_FALSE(select_store_table("nothing"));
    EXPECT_EQ(current_store_alias(), "记事");

    // Each table keeps its own current record.
    ASSERT_TRUE(select_store_table("用户数据库"));
    ASSERT_TRUE(go_to_record(2));
    ASSERT_TRUE(select_store_table("记事"));
    EXPECT_EQ(current_record_number(), 1);
    ASSERT_TRUE(select_store_table("用户数据库"));
    EXPECT_EQ(read_store_field(1), "account 2");

    close_store_table(mail);
    EXPECT_FALSE(is_store_table_open("用户数据库"));
    EXPECT_EQ(current_store_alias(), "");
    EXPECT_FALSE(append_store_record());
    EXPECT_TRUE(is_store_table_open("记事"));
}

TEST_F(RecordStoreTest, OpeningUnderAnAliasInUseClosesTheEarlierTable) {
    const std::string first = make_table("first.SJK", {"one"});
    const std::string second = make_table("second.SJK", {"two"});
    ASSERT_TRUE(open_store_table(first, "记事", "x"));
    ASSERT_TRUE(open_store_table(second, "记事", "x"));
    EXPECT_FALSE(is_store_table_open(first));
    ASSERT_TRUE(select_store_table("记事"));
    EXPECT_EQ(read_store_field(1), "two");
}

TEST_F(RecordStoreTest, PurgeRemovesMarkedRecordsAndRenumbersTheRest) {
    ASSERT_TRUE(open_store_table(make_table("p.SJK", {"1", "2", "3", "4", "5"}), "记事", "x"));
    ASSERT_TRUE(go_to_record(2));
    ASSERT_TRUE(delete_store_record());
    ASSERT_TRUE(go_to_record(4));
    ASSERT_TRUE(delete_store_record());
    EXPECT_EQ(store_record_count(), 5);  // marked only
    ASSERT_TRUE(go_to_record(3));
    ASSERT_TRUE(purge_store_records());
    EXPECT_EQ(store_record_count(), 3);
    EXPECT_EQ(current_record_number(), 2);  // record "3" is now number 2
    EXPECT_EQ(read_store_field(1), "3");
    EXPECT_EQ(contents(), (std::vector<std::string>{"1", "3", "5"}));

    // Deleting the last record leaves the new last one current.
    ASSERT_TRUE(go_to_record(3));
    ASSERT_TRUE(delete_store_record());
    ASSERT_TRUE(purge_store_records());
    EXPECT_EQ(current_record_number(), 2);
    EXPECT_EQ(read_store_field(1), "3");

    // A new record after a purge comes last.
    ASSERT_TRUE(append_store_record());
    ASSERT_TRUE(write_store_field(1, "new"));
    EXPECT_EQ(contents(), (std::vector<std::string>{"1", "3", "new"}));
}

TEST_F(RecordStoreTest, GoingOutsideTheRecordsLeavesTheCurrentRecord) {
    ASSERT_TRUE(open_store_table(make_table("g.SJK", {"a", "b", "c"}), "记事", "x"));
    ASSERT_TRUE(go_to_record(2));
    for (int number : {0, -1, 4, 1000}) {
        SCOPED_TRACE(number);
        EXPECT_FALSE(go_to_record(number));
        EXPECT_EQ(current_record_number(), 2);
        EXPECT_FALSE(last_store_error().empty());
    }
    ASSERT_TRUE(go_to_record(3));
    EXPECT_FALSE(go_to_next_record());
    EXPECT_EQ(current_record_number(), 3);
}

TEST_F(RecordStoreTest, TextLongerThanItsFieldIsCutAtACharacterInGbkBytes) {
    ASSERT_TRUE(open_store_table(make_table("t.SJK", {"x"}), "记事", "x"));
    // 时间 holds 30 GBK bytes: 15 Chinese characters, or 29 bytes when an
    // ASCII letter shifts them.
    std::string chinese;
    for (int i = 0; i < 20; ++i) chinese += "日";
    ASSERT_TRUE(write_store_field("时间", chinese));
    EXPECT_EQ(read_store_field("时间"), chinese.substr(0, 15 * 3));
    ASSERT_TRUE(write_store_field("时间", "a" + chinese));
    EXPECT_EQ(read_store_field("时间"), "a" + chinese.substr(0, 14 * 3));
    // Long text has no limit.
    const std::string long_text(300000, 'z');
    ASSERT_TRUE(write_store_field("内容", long_text));
    EXPECT_EQ(read_store_field("内容"), long_text);
}

TEST_F(RecordStoreTest, CreatingOverAnExistingFileLeavesItAsItWas) {
    const std::string book = make_table("diary.SJK", {"precious page"});
    const std::string before = read_file("diary.SJK");
    EXPECT_FALSE(create_store_table(book, kPageFields));
    EXPECT_FALSE(last_store_error().empty());
    EXPECT_EQ(read_file("diary.SJK"), before);
    ASSERT_TRUE(open_store_table(book, "记事", "x"));
    EXPECT_EQ(contents(), std::vector<std::string>{"precious page"});

    write_file("other.txt", "not a table");
    EXPECT_FALSE(create_store_table(path("other.txt"), kPageFields));
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
    ASSERT_TRUE(dezu::files::file_exists(file + "-journal"));
    std::filesystem::remove(file);
    ASSERT_TRUE(create_store_table(file, kPageFields));
    EXPECT_FALSE(dezu::files::file_exists(file + "-journal"));
    ASSERT_TRUE(open_store_table(file, "记事", "x")) << last_store_error();
    EXPECT_EQ(store_record_count(), 0);
    ASSERT_TRUE(append_store_record());
    EXPECT_TRUE(write_store_field(1, "fresh"));
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
        EXPECT_FALSE(create_store_table(path("bad.SJK"), fields));
        EXPECT_FALSE(dezu::files::file_exists(path("bad.SJK")));
    }
    EXPECT_FALSE(create_store_table(path("missing/dir.SJK"), kPageFields));
    EXPECT_FALSE(last_store_error().empty());
}

TEST_F(RecordStoreTest, PasswordSetReplacedAndRemovedKeepsEveryRecord) {
    const std::vector<std::string> pages = {"Secret diary line", "第二页的秘密", "third"};
    const std::string file = make_table("lock.SJK", pages);
    ASSERT_TRUE(open_store_table(file, "记事", "\x01"));
    ASSERT_TRUE(go_to_record(2));
    EXPECT_FALSE(store_has_password(file));

    ScriptedPrompts prompts;
    ASSERT_TRUE(set_store_password("pw1")) << last_store_error();
    EXPECT_TRUE(store_has_password(file));
    EXPECT_EQ(current_record_number(), 2);
    EXPECT_EQ(contents(), pages);
    // Nothing of the pages in the bytes on disk, and no copy beside it.
    const std::string bytes = read_file("lock.SJK");
    for (const char* text : {"Secret diary", "第二页", "third", "SQLite format"})
        EXPECT_EQ(bytes.find(text), std::string::npos) << text;
    EXPECT_FALSE(dezu::files::file_exists(file + ".rekey"));

    // Reopened with the right password it asks nothing.
    close_store_table("记事");
    ASSERT_TRUE(open_store_table(file, "记事", "pw1"));
    EXPECT_EQ(contents(), pages);

    ASSERT_TRUE(set_store_password("pw2"));  // replaced without the old one
    close_store_table();
    prompts.then_text("pw2");
    ASSERT_TRUE(open_store_table(file, "记事", "\x01"));
    EXPECT_EQ(prompts.asked().size(), 1u);
    EXPECT_EQ(contents(), pages);

    ASSERT_TRUE(set_store_password());
    EXPECT_FALSE(store_has_password(file));
    close_store_table();
    ASSERT_TRUE(open_store_table(file, "记事", "anything"));
    EXPECT_EQ(prompts.asked().size(), 1u);
    EXPECT_EQ(contents(), pages);
    // Still writable after each swap.
    ASSERT_TRUE(append_store_record());
    EXPECT_TRUE(write_store_field(1, "after"));
}

TEST_F(RecordStoreTest, LockedTableAsksOnceMaskedAndFailsOnAWrongOrCancelledAnswer) {
    const std::string file = make_table("locked.SJK", {"hidden"});
    ASSERT_TRUE(open_store_table(file, "记事", "x"));
    ASSERT_TRUE(set_store_password("right"));
    close_store_table();
    const std::string bytes = read_file("locked.SJK");

    struct Case {
        const char* what;
        bool cancel;
        std::string answer;
    };
    for (const Case& c :
         {Case{"wrong", false, "wrong"}, Case{"cancel", true, ""}, Case{"empty", false, ""}}) {
        SCOPED_TRACE(c.what);
        ScriptedPrompts prompts;
        if (c.cancel)
            prompts.then_cancel();
        else
            prompts.then_text(c.answer);
        EXPECT_FALSE(open_store_table(file, "记事", "x"));
        EXPECT_FALSE(last_store_error().empty());
        EXPECT_FALSE(is_store_table_open("记事"));
        ASSERT_EQ(prompts.asked().size(), 1u);
        EXPECT_EQ(prompts.asked()[0].input_mode, dezu::ui::InputMode::Masked);
    }
    EXPECT_EQ(read_file("locked.SJK"), bytes);

    ScriptedPrompts prompts;
    prompts.then_text("wrong");
    open_store_table(file, "记事", "x");
    EXPECT_EQ(last_store_error(), "密码错误");
}

TEST_F(RecordStoreTest, FilesThatAreNoTableOfOursFailWithAClearError) {
    // A plain table large enough to span many pages, and a locked copy.
    std::vector<std::string> pages(40, std::string(2000, 'p'));
    make_table("plain.SJK", pages);
    const std::string plain = read_file("plain.SJK");
    ASSERT_TRUE(open_store_table(path("plain.SJK"), "t", "x"));
    ASSERT_TRUE(set_store_password("pw"));
    close_store_table();
    const std::string locked = read_file("plain.SJK");
    ASSERT_GT(plain.size(), 20000u);
    ASSERT_EQ(std::system(("sqlite3 '" + path("foreign.db") +
                           "' 'CREATE TABLE notes(x); INSERT INTO notes VALUES(1);'")
                              .c_str()),
              0);
    const std::string foreign = read_file("foreign.db");

    struct Case {
        const char* what;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"empty", ""},
        {"text", "hello, this is no table at all\n"},
        {"garbage", std::string(3001, '\x7f')},
        {"plain header on garbage", std::string("SQLite format 3\0", 16) + std::string(5000, 'g')},
        {"truncated plain", plain.substr(0, plain.size() / 2)},
        {"truncated plain mid-page", plain.substr(0, plain.size() / 2 + 100)},
        {"truncated locked mid-page", locked.substr(0, locked.size() / 2 + 100)},
        {"another program's database", foreign},
        {"locked, a page damaged",
         locked.substr(0, 5000) + std::string(1024, '\0') + locked.substr(6024)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        write_file("case.SJK", c.bytes);
        ScriptedPrompts prompts;
        prompts.then_text("pw");
        EXPECT_FALSE(open_store_table(path("case.SJK"), "记事", "x"));
        EXPECT_FALSE(last_store_error().empty());
        EXPECT_FALSE(is_store_table_open("记事"));
        EXPECT_EQ(read_file("case.SJK"), c.bytes);  // never changed by a failed opening
    }
    EXPECT_FALSE(open_store_table(path("absent.SJK"), "记事", "x"));
    EXPECT_NE(last_store_error().find("absent.SJK"), std::string::npos);
    EXPECT_FALSE(open_store_table(dir(), "记事", "x"));
}

TEST_F(RecordStoreTest, ATableOpenElsewhereIsRefusedUntilItIsClosed) {
    const std::string file = make_table("shared.SJK", {"page"});
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (!open_store_table(file, "other", "x")) _exit(3);
        (void)!write(ready[1], "r", 1);
        pause();
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    EXPECT_FALSE(open_store_table(file, "记事", "x"));
    EXPECT_NE(last_store_error().find("正在使用"), std::string::npos) << last_store_error();
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(ready[0]);
    close(ready[1]);

    ASSERT_TRUE(open_store_table(file, "记事", "x")) << last_store_error();
    // Within the program too, one opening at a time.
    EXPECT_FALSE(open_store_table(file, "again", "x"));
    EXPECT_EQ(contents(), std::vector<std::string>{"page"});
}

// A writer process is killed at random moments while it rewrites, appends and
// purges; afterwards the table opens and every record holds one whole value.
// A locked table is first offered a wrong password, which must not spoil the
// rollback of the cut-off write.
class KilledWriterTest : public RecordStoreTest, public ::testing::WithParamInterface<bool> {};

TEST_P(KilledWriterTest, EveryRecordIsLeftWhole) {
    const bool locked = GetParam();
    const std::string file =
        make_table("durable.SJK", std::vector<std::string>(5, "A:" + std::string(5000, 'A')));
    const std::string password = locked ? "pw" : "x";
    if (locked) {
        ASSERT_TRUE(open_store_table(file, "lock", "x"));
        ASSERT_TRUE(set_store_password(password));
        close_store_table();
    }
    bool written = false;
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        // The cut-off comes after the writer has opened the table: deriving a
        // locked table's key can take longer than the whole cut-off on a busy
        // machine.
        int opened[2];
        ASSERT_EQ(pipe(opened), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(opened[0]);
            if (!open_store_table(file, "w", password)) _exit(3);
            if (write(opened[1], "o", 1) != 1) _exit(4);
            for (int i = 0;; ++i) {
                const char letter = static_cast<char>('B' + i % 20);
                const std::string value =
                    std::string(1, letter) + ":" + std::string(3000 + (i * 977) % 9000, letter);
                go_to_record(1 + i % store_record_count());
                write_store_field(1, value);
                if (i % 7 == 0) {
                    append_store_record();
                    write_store_field(1, value);
                }
                if (i % 11 == 0 && store_record_count() > 5) {
                    go_to_record(store_record_count());
                    delete_store_record();
                    purge_store_records();
                }
            }
        }
        close(opened[1]);
        char byte = 0;
        const bool writer_opened = read(opened[0], &byte, 1) == 1;
        close(opened[0]);
        if (writer_opened) std::this_thread::sleep_for(std::chrono::milliseconds(60 + round * 41));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(writer_opened) << "the writer could not open the table";
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself";

        if (locked) {
            ScriptedPrompts prompts;
            prompts.then_text("wrong");
            EXPECT_FALSE(open_store_table(file, "记事", "x"));
        }
        ASSERT_TRUE(open_store_table(file, "记事", password)) << last_store_error();
        ASSERT_GE(store_record_count(), 5);
        for (const std::string& text : contents()) {
            // Blank only for a record appended and cut off before its text.
            if (text.empty()) continue;
            ASSERT_GE(text.size(), 2u);
            EXPECT_EQ(text.find_first_not_of(text[0], 2), std::string::npos);
            written = written || text[0] != 'A';
        }
        close_store_table();
    }
    EXPECT_TRUE(written) << "the writer never got to write";
}

INSTANTIATE_TEST_SUITE_P(PlainAndLocked, KilledWriterTest, ::testing::Bool());

}  // namespace
