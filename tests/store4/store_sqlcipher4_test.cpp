// The record store built on SQLCipher 4.5.5 (this program links its
// amalgamation in place of the system's SQLCipher 3), checked against the
// store on the system's SQLCipher and against the sqlcipher command: every
// build writes and reads the one format that locked books have.
#define SQLITE_HAS_CODEC 1
#include <gtest/gtest.h>
#include <sqlcipher/sqlite3.h>

#include <QProcess>
#include <QTemporaryDir>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "platform/store/table.h"

using namespace dezu::store;

namespace {

// Pages in two scripts, one of them longer than a page of the file.
const std::vector<std::string> kPages = {"第一页的秘密", std::string(3000, 'p'), "third 三"};

struct Ran {
    int code = -1;
    std::vector<std::string> lines;  // what it wrote, a line each
    std::string errors;
};

Ran run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    Ran r;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        r.errors = program.toStdString() + " did not run: " + process.errorString().toStdString();
        return r;
    }
    r.code = process.exitCode();
    std::istringstream out(process.readAllStandardOutput().toStdString());
    for (std::string line; std::getline(out, line);) r.lines.push_back(line);
    r.errors = process.readAllStandardError().toStdString();
    return r;
}

std::string read_bytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::string> pages_of(const Table& book) {
    std::vector<std::string> texts;
    if (const auto rows = book.read_all({"内容"}))
        for (const auto& row : rows->rows) texts.push_back(row.at(0));
    return texts;
}

class SqlCipher4StoreTest : public ::testing::Test {
protected:
    std::string path(const char* name) const { return dir_.filePath(name).toStdString(); }

    // The book's pages as the program's own store reads them, on the
    // system's SQLCipher.
    static Ran system_store(const QStringList& arguments) {
        return run(DEZU_STORE_BOOK_TOOL, arguments);
    }

    // A new book of the pages, locked with the password.
    static void lock_new_book(const std::string& file, const std::string& password,
                              const std::vector<std::string>& pages) {
        ASSERT_TRUE(Table::create(file, {{"内容", kFieldLongText, 20}}).ok());
        Table book = Table::open(file, "");
        ASSERT_TRUE(book.is_open()) << book.error().text;
        Table::Transaction all(book);
        for (const std::string& text : pages) {
            ASSERT_TRUE(book.append());
            ASSERT_TRUE(book.write("内容", text));
        }
        ASSERT_TRUE(all.commit());
        ASSERT_TRUE(book.set_password(password)) << book.error().text;
    }

private:
    QTemporaryDir dir_;
};

TEST(SqlCipher4, ThisProgramRunsOnSqlCipher4) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    sqlite3_stmt* version = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA cipher_version", -1, &version, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(version), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(version, 0)), "4.5.5 community");
    sqlite3_finalize(version);
    sqlite3_close(db);
}

TEST_F(SqlCipher4StoreTest, LocksABookOpensItAgainAndUnlocksIt) {
    const std::string file = path("book.SJK");
    ASSERT_NO_FATAL_FAILURE(lock_new_book(file, "pw", kPages));
    EXPECT_TRUE(Table::has_password(file));
    const std::string bytes = read_bytes(file);
    for (const char* text : {"第一页", "ppppp", "third", "SQLite format"})
        EXPECT_EQ(bytes.find(text), std::string::npos) << text;

    Table book = Table::open(file, "pw");
    ASSERT_TRUE(book.is_open()) << book.error().text;
    EXPECT_EQ(pages_of(book), kPages);
    book.close();
    EXPECT_EQ(Table::open(file, "wrong").error().text, "密码错误");

    book = Table::open(file, "pw");
    ASSERT_TRUE(book.set_password("new")) << book.error().text;
    book.close();
    EXPECT_FALSE(Table::open(file, "pw").is_open());
    book = Table::open(file, "new");
    EXPECT_EQ(pages_of(book), kPages);
    ASSERT_TRUE(book.set_password("")) << book.error().text;
    EXPECT_FALSE(Table::has_password(file));
    EXPECT_EQ(read_bytes(file).rfind("SQLite format 3", 0), 0u);
    book.close();
    EXPECT_EQ(pages_of(Table::open(file, "anything")), kPages);
}

// A bit flipped in the first page, which SQLCipher 4 answers as SQLCipher 3
// does, as if the key were wrong: the right password is still told damage.
TEST_F(SqlCipher4StoreTest, ADamagedFirstPageIsToldAsDamageToTheRightPasswordOnly) {
    const std::string file = path("book.SJK");
    ASSERT_NO_FATAL_FAILURE(lock_new_book(file, "pw", kPages));
    std::string bytes = read_bytes(file);
    bytes[300] = static_cast<char>(bytes[300] ^ 0x01);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    EXPECT_EQ(Table::open(file, "pw").error().problem, Problem::Damaged);
    EXPECT_EQ(Table::open(file, "wrong").error().problem, Problem::WrongPassword);
}

TEST_F(SqlCipher4StoreTest, TheSystemsSqlCipherOpensTheBooksItLocks) {
    const std::string file = path("book.SJK");
    ASSERT_NO_FATAL_FAILURE(lock_new_book(file, "pw", kPages));

    const Ran store = system_store({"read", QString::fromStdString(file), "pw"});
    EXPECT_EQ(store.code, 0) << store.errors;
    EXPECT_EQ(store.lines, kPages);
    // SQLCipher 3's own command, with the password alone.
    const Ran command = run("sqlcipher", {QString::fromStdString(file), "PRAGMA key='pw';",
                                          "SELECT f1 FROM records ORDER BY id"});
    EXPECT_EQ(command.code, 0) << command.errors;
    EXPECT_EQ(command.lines, kPages);
}

TEST_F(SqlCipher4StoreTest, OpensAndKeepsTheBooksTheSystemsSqlCipherLocks) {
    const std::string file = path("book.SJK");
    QStringList lock = {"lock", QString::fromStdString(file), "pw"};
    for (const std::string& text : kPages) lock << QString::fromStdString(text);
    const Ran locked = system_store(lock);
    ASSERT_EQ(locked.code, 0) << locked.errors;

    Table book = Table::open(file, "pw");
    ASSERT_TRUE(book.is_open()) << book.error().text;
    EXPECT_EQ(pages_of(book), kPages);
    // Written here, then locked anew: the other side still reads every page.
    ASSERT_TRUE(book.append());
    ASSERT_TRUE(book.write("内容", "written on SQLCipher 4"));
    ASSERT_TRUE(book.set_password("new")) << book.error().text;
    book.close();

    std::vector<std::string> expected = kPages;
    expected.push_back("written on SQLCipher 4");
    const Ran store = system_store({"read", QString::fromStdString(file), "new"});
    EXPECT_EQ(store.code, 0) << store.errors;
    EXPECT_EQ(store.lines, expected);
}

}  // namespace
