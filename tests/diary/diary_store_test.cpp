#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "diary_fixture.h"
#include "platform/files/files.h"
#include "support/damaged_table.h"
#include "support/key_derivations.h"

// The diary's books on disk: what the program leaves beside a book, and what
// a file that is no book of ours gives.
using dezu::files::file_exists;
using dezu::store::Table;

namespace {

mode_t mode_of(const std::string& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 ? (st.st_mode & 0777) : 0;
}

off_t size_of(const std::string& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 ? st.st_size : -1;
}

class DiaryStoreTest : public DiaryTest {
protected:
    // A book of many 2 KB pages, made in one transaction.
    void make_big_book(const std::string& name, int pages) {
        std::filesystem::create_directories(path("sj"));
        ASSERT_TRUE(Table::create(book_path(name), diary::diary_book_fields()).ok());
        Table book = Table::open(book_path(name), "x");
        ASSERT_TRUE(book.is_open());
        Table::Transaction all(book);
        for (int i = 0; i < pages; ++i) {
            ASSERT_TRUE(book.append());
            ASSERT_TRUE(
                book.write("内容", "第" + std::to_string(i) + "页" + std::string(2000, 'p')));
        }
        ASSERT_TRUE(all.commit());
    }
};

}  // namespace

TEST_F(DiaryStoreTest, AnUnlockCutOffByAKillLeavesNoClearCopyPastTheNextStart) {
    make_big_book("big", 2500);
    {
        Table book = Table::open(book_path("big"), "x");
        ASSERT_TRUE(book.set_password("pw"));
    }
    const std::string copy = book_path("big") + ".rekey";
    // The kill comes while the clear copy is being written: the moment it
    // holds some of the pages.
    bool cut_mid_copy = false;
    for (int round = 0; round < 5 && !cut_mid_copy; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            Table t = Table::open(book_path("big"), "pw");
            _exit(t.is_open() && t.set_password("") ? 0 : 3);
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (size_of(copy) < 64 * 1024 && std::chrono::steady_clock::now() < deadline &&
               waitpid(child, nullptr, WNOHANG) == 0)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        cut_mid_copy = Table::has_password(book_path("big")) && file_exists(copy);
        if (!cut_mid_copy && !Table::has_password(book_path("big"))) {
            // The change finished first: lock the book again and retry.
            Table book = Table::open(book_path("big"), "x");
            ASSERT_TRUE(book.set_password("pw"));
        }
    }
    ASSERT_TRUE(cut_mid_copy) << "no kill came while the copy was being written";
    EXPECT_EQ(read_file("sj/big.SJK.rekey").substr(0, 15), "SQLite format 3");

    // The next start removes it without the book being opened.
    end_program();
    Program next(test_site(dir()), services.services());
    EXPECT_FALSE(file_exists(copy));
    EXPECT_FALSE(file_exists(copy + "-journal"));
    EXPECT_TRUE(Table::has_password(book_path("big")));
    EXPECT_EQ(mode_of(book_path("big")), 0600u);
    Table book = Table::open(book_path("big"), "pw");
    ASSERT_TRUE(book.is_open()) << book.error().text;
    EXPECT_EQ(book.record_count(), 2500);
}

TEST_F(DiaryStoreTest, DeletingABookRemovesEveryFileOfItAndNoOther) {
    make_book("gone", {{"text", "text", "t"}});
    make_book("gone2", {{"kept", "kept", "t"}});
    const std::vector<std::string> its = {"gone.SJK-journal", "gone.SJK.rekey",
                                          "gone.SJK.rekey-journal", "gone.EDT"};
    for (const std::string& name : its) write_file("sj/" + name, "x");
    write_file("sj/gone2.EDT", "side");
    session().use_program_diary_dir();
    ASSERT_TRUE(session().delete_book("gone"));
    EXPECT_FALSE(file_exists(book_path("gone")));
    for (const std::string& name : its) EXPECT_FALSE(file_exists(path("sj/" + name))) << name;
    EXPECT_TRUE(file_exists(book_path("gone2")));
    EXPECT_TRUE(file_exists(path("sj/gone2.EDT")));
}

TEST_F(DiaryStoreTest, ABookStaysItsOwnersAloneThroughLockAndUnlock) {
    make_book("own", {{"mine", "mine", "t"}});
    EXPECT_EQ(mode_of(book_path("own")), 0600u);
    session().set_current_book("own");
    ASSERT_EQ(session().open_current_book(), DiarySession::Opening::Opened);
    for (const char* password : {"pw", "", "again", ""}) {
        SCOPED_TRACE(password);
        ASSERT_TRUE(session().set_book_password(password, nullptr));
        EXPECT_EQ(mode_of(book_path("own")), 0600u);
    }
}

// A key takes tens of milliseconds to derive on the UI thread: an opening
// derives one from the password typed and from nothing else.
TEST_F(DiaryStoreTest, OpeningALockedBookDerivesOneKeyFromTheAnswerAlone) {
    make_book("locked", {{"hidden", "hidden", "t"}});
    {
        Table book = Table::open(book_path("locked"), "x");
        ASSERT_TRUE(book.set_password("pw"));
    }
    struct Case {
        const char* answer;
        DiarySession::Opening opening;
    };
    for (const Case& c : {Case{"pw", DiarySession::Opening::Opened},
                          Case{"wrong", DiarySession::Opening::Refused}}) {
        SCOPED_TRACE(c.answer);
        session().set_current_book("locked");
        prompts.then_text(c.answer);
        const int before = key_derivations();
        EXPECT_EQ(session().open_current_book(), c.opening);
        EXPECT_EQ(key_derivations() - before, 1);
        session().close_book();
    }
    EXPECT_EQ(prompts.asked().size(), 2u);
}

// A bit flipped in the first page of a locked book, which SQLite reads
// before any other: the right password is told that the book is damaged, so
// that nobody takes it for forgotten, and a wrong one is still told as wrong.
// Telling them apart costs no second key on the UI thread.
TEST_F(DiaryStoreTest, ALockedBookWithADamagedFirstPageIsToldDamagedToItsPassword) {
    make_big_book("locked", 20);
    {
        Table book = Table::open(book_path("locked"), "x");
        ASSERT_TRUE(book.set_password("pw"));
    }
    flip_bit_at(book_path("locked"), 300);
    const std::string damaged = read_file("sj/locked.SJK");
    struct Case {
        const char* answer;
        std::string says;
    };
    for (const Case& c :
         {Case{"pw", "日记本文件已损坏：" + book_path("locked")}, Case{"wrong", "密码错误"}}) {
        SCOPED_TRACE(c.answer);
        session().set_current_book("locked");
        prompts.then_text(c.answer);
        const int before = key_derivations();
        EXPECT_EQ(session().open_current_book(), DiarySession::Opening::Refused);
        EXPECT_EQ(key_derivations() - before, 1);
        EXPECT_EQ(session().opening_error(), c.says);
    }
    EXPECT_EQ(prompts.asked().size(), 2u);
    EXPECT_TRUE(read_file("sj/locked.SJK") == damaged);
}

TEST_F(DiaryStoreTest, AFileThatIsNoWholeBookIsToldAsSuchWithoutAPasswordQuestion) {
    make_big_book("whole", 20);
    {
        Table book = Table::open(book_path("whole"), "x");
        ASSERT_TRUE(book.set_password("pw"));
    }
    const std::string locked = read_file("sj/whole.SJK");
    std::string random(64 * 1024, '\0');
    for (std::size_t i = 0; i < random.size(); ++i)
        random[i] = static_cast<char>((i * 2654435761u) >> 11);
    struct Case {
        const char* what;
        std::string bytes;
        const char* says;
    };
    const std::vector<Case> cases = {
        {"random bytes in whole pages", random, "这个文件不是日记本："},
        {"a locked book cut mid-page", locked.substr(0, locked.size() / 2 + 300),
         "日记本文件已损坏："},
        {"a locked book cut to one page", locked.substr(0, 1024), "日记本文件已损坏："},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        write_file("sj/case.SJK", c.bytes);
        session().set_current_book("case");
        EXPECT_EQ(session().open_current_book(), DiarySession::Opening::Refused);
        EXPECT_EQ(session().opening_error(), c.says + book_path("case"));
        EXPECT_TRUE(prompts.asked().empty());
        EXPECT_EQ(read_file("sj/case.SJK"), c.bytes);
    }
}
