#include "platform/store/table.h"

#define SQLITE_HAS_CODEC 1
#include <fcntl.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <sqlcipher/sqlite3.h>
#include <stdio.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QCryptographicHash>
#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <iterator>
#include <mutex>
#include <set>

#include "platform/text/text.h"
#include "platform/ui/prompts.h"

namespace fs = std::filesystem;

namespace dezu::store {
namespace {

// Marks a database file as one of our tables, so that another program's
// SQLite file is refused rather than misread.
constexpr const char* kFormatName = "dezu record store";
constexpr const char* kFormatVersion = "1";
constexpr std::string_view kPlainHeader{"SQLite format 3\0", 16};
// Encrypted files are whole pages of this size, and even an empty table has
// five of them (the schema and four trees).
constexpr off_t kCipherPageSize = 1024;
constexpr off_t kSmallestLockedTable = 5 * kCipherPageSize;
// An encrypted file begins with the 16-byte salt of its key. Ours is 8
// random bytes followed by 8 bytes of a hash of them, so that a locked table
// is known from the file alone and random bytes are not taken for one. The
// key itself is derived from the password and salt as SQLCipher derives it,
// so the file opens with the password like any other.
constexpr std::size_t kSaltSize = 16;
constexpr std::size_t kSaltRandomPart = 8;
constexpr int kKeyDerivationRounds = 64000;
constexpr int kKeySize = 32;
// The copy a password change builds beside the table.
constexpr const char* kRekeySuffix = ".rekey";
constexpr const char* kJournalSuffix = "-journal";

struct StatementCloser {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementCloser>;

std::string column_name(int number) {
    return "f" + std::to_string(number);
}

bool exec(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// The one format of every locked table, whatever SQLCipher the store is
// built with: SQLCipher 3's, which every book has had (SQLCipher 4 changed
// these defaults). Set on a schema after its key and before its first page.
// The algorithm and rounds are those of our own derivation from a password;
// the algorithm also derives the key that checks each page. The rest of the
// format (AES-256-CBC, the check key's two rounds and salt mask, no clear
// header) is the same in every version. SQLCipher 3 has the algorithms fixed
// and passes over their settings as unknown.
bool use_locked_table_format(sqlite3* db, const char* schema) {
    const std::string settings[] = {
        "cipher_page_size=" + std::to_string(kCipherPageSize),
        "cipher_use_hmac=ON",
        "cipher_hmac_algorithm=HMAC_SHA1",
        "cipher_kdf_algorithm=PBKDF2_HMAC_SHA1",
        "kdf_iter=" + std::to_string(kKeyDerivationRounds),
    };
    std::string sql;
    for (const std::string& setting : settings)
        sql += std::string("PRAGMA ") + schema + "." + setting + ";";
    return exec(db, sql.c_str());
}

Statement prepare(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
        sqlite3_finalize(s);
        return nullptr;
    }
    return Statement(s);
}

std::string column_text(sqlite3_stmt* s, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, column));
    return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(s, column)))
                : std::string();
}

void sync_directory_of(const std::string& file) {
    const std::string dir = fs::u8path(file).parent_path().string();
    int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool sync_file(const std::string& file) {
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

std::string salt_mark(std::string_view random_part) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArrayView(kFormatName));
    hash.addData(QByteArrayView(random_part.data(), static_cast<qsizetype>(random_part.size())));
    return hash.result().left(kSaltSize - kSaltRandomPart).toStdString();
}

bool has_locked_table_salt(std::string_view header) {
    return header.size() == kSaltSize &&
           header.substr(kSaltRandomPart) == salt_mark(header.substr(0, kSaltRandomPart));
}

// A salt of ours with one bit flipped, as a failing disk leaves it: the
// table is damaged, not another program's file.
bool is_damaged_locked_table_salt(std::string_view header) {
    if (header.size() != kSaltSize) return false;
    std::string salt(header);
    for (std::size_t bit = 0; bit < 8 * kSaltSize; ++bit) {
        const char mask = static_cast<char>(1 << (bit % 8));
        salt[bit / 8] ^= mask;
        if (has_locked_table_salt(salt)) return true;
        salt[bit / 8] ^= mask;
    }
    return false;
}

using Key = std::array<unsigned char, kKeySize>;

std::optional<Key> derive_key(std::string_view secret, std::string_view salt,
                              int rounds = kKeyDerivationRounds) {
    Key key;
    if (PKCS5_PBKDF2_HMAC_SHA1(secret.data(), static_cast<int>(secret.size()),
                               reinterpret_cast<const unsigned char*>(salt.data()),
                               static_cast<int>(salt.size()), rounds, kKeySize, key.data()) != 1)
        return std::nullopt;
    return key;
}

// The key text SQLCipher takes as a derived key with its salt: x'KEY SALT'
// in hex.
std::string key_text(const Key& key, std::string_view salt) {
    QByteArray raw(reinterpret_cast<const char*>(key.data()), kKeySize);
    raw += QByteArray(salt.data(), static_cast<qsizetype>(salt.size()));
    std::string text = "x'" + raw.toHex().toStdString() + "'";
    raw.fill('\0');
    return text;
}

// The key text for a new password, with a new marked salt to write.
std::optional<std::string> key_with_marked_salt(const std::string& password) {
    std::string salt(kSaltRandomPart, '\0');
    if (::getrandom(salt.data(), salt.size(), 0) != static_cast<ssize_t>(salt.size()))
        return std::nullopt;
    salt += salt_mark(salt);
    std::optional<Key> key = derive_key(password, salt);
    if (!key) return std::nullopt;
    std::string text = key_text(*key, salt);
    key->fill(0);
    return text;
}

// Whether a page of the file passes SQLCipher's check under this key. A
// wrong key fails every page, so one page that passes shows that the key is
// right and the table damaged where SQLite could not read it.
bool key_checks_a_page(const std::string& file, const Key& key, std::string_view salt) {
    // A page is its encrypted data, its IV, the check (HMAC-SHA1 of the data
    // and IV, the first page's salt left out, followed by the page's number)
    // and padding to whole cipher blocks. The check's key is derived from
    // the key in two rounds, with the salt masked.
    constexpr std::size_t kPage = kCipherPageSize;
    constexpr std::size_t kIvSize = 16, kCheckSize = 20, kReserved = 48;
    constexpr std::size_t kChecked = kPage - kReserved + kIvSize;
    constexpr int kCheckKeyRounds = 2;
    constexpr char kCheckSaltMask = 0x3a;
    // A wrong password reads this much of a large table, and no more.
    constexpr int kPagesTried = 256;
    std::string check_salt(salt);
    for (char& byte : check_salt) byte ^= kCheckSaltMask;
    std::optional<Key> check_key =
        derive_key(std::string_view(reinterpret_cast<const char*>(key.data()), kKeySize),
                   check_salt, kCheckKeyRounds);
    if (!check_key) return false;
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    bool passed = false;
    for (int page = 1; fd >= 0 && !passed && page <= kPagesTried; ++page) {
        unsigned char bytes[kPage];
        if (::pread(fd, bytes, kPage, static_cast<off_t>(page - 1) * kCipherPageSize) !=
            static_cast<ssize_t>(kPage))
            break;
        unsigned char stored[kCheckSize];
        std::copy_n(bytes + kChecked, kCheckSize, stored);
        // The number follows the checked bytes, little-endian.
        for (int i = 0; i < 4; ++i)
            bytes[kChecked + static_cast<std::size_t>(i)] =
                static_cast<unsigned char>(static_cast<unsigned>(page) >> (8 * i));
        const std::size_t from = page == 1 ? kSaltSize : 0;
        unsigned char computed[EVP_MAX_MD_SIZE];
        unsigned int computed_size = 0;
        passed = HMAC(EVP_sha1(), check_key->data(), kKeySize, bytes + from, kChecked + 4 - from,
                      computed, &computed_size) != nullptr &&
                 computed_size == kCheckSize && CRYPTO_memcmp(computed, stored, kCheckSize) == 0;
    }
    if (fd >= 0) ::close(fd);
    check_key->fill(0);
    return passed;
}

void remove_with_journal(const std::string& file) {
    ::unlink(file.c_str());
    ::unlink((file + kJournalSuffix).c_str());
}

std::string read_header(const std::string& file, off_t& size) {
    size = 0;
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    struct stat st {};
    if (::fstat(fd, &st) == 0) size = st.st_size;
    char buffer[16];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    return got > 0 ? std::string(buffer, static_cast<std::size_t>(got)) : std::string();
}

// Applied to every connection: a rollback journal that is written and synced
// before the file changes, so a write that was cut off is undone on the next
// opening. (A write-ahead log would outlive a deleted book file and could be
// replayed into a new one of the same name.) The file is held for this
// connection alone while it is open: no other program or second opening can
// change records behind the record list kept here, and reads need no lock
// each.
bool make_durable(sqlite3* db) {
    return exec(db, "PRAGMA journal_mode=DELETE") && exec(db, "PRAGMA synchronous=FULL") &&
           exec(db, "PRAGMA secure_delete=ON") && exec(db, "PRAGMA locking_mode=EXCLUSIVE") &&
           exec(db, "BEGIN EXCLUSIVE") && exec(db, "COMMIT");
}

sqlite3* open_connection(const std::string& file, const std::string* key) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK) {
        sqlite3_close_v2(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 1000);
    if (key && !key->empty() &&
        (sqlite3_key(db, key->data(), static_cast<int>(key->size())) != SQLITE_OK ||
         !use_locked_table_format(db, "main"))) {
        sqlite3_close_v2(db);
        return nullptr;
    }
    return db;
}

// How a failed first read of a file is understood.
Problem opening_problem(int rc) {
    if (rc == SQLITE_NOTADB) return Problem::WrongPassword;
    if (rc == SQLITE_CORRUPT) return Problem::Damaged;
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) return Problem::InUse;
    return Problem::Unreadable;
}

bool is_damage(int rc) {
    return rc == SQLITE_CORRUPT || rc == SQLITE_NOTADB;
}

// A step of a read that fails: SQLCipher answers a page that fails its check
// with a plain error as often as SQLite finds the damage itself.
bool is_read_damage(int rc) {
    return is_damage(rc) || rc == SQLITE_ERROR;
}

// SQLCipher hands back a page that fails its check as zeros, and no text we
// store holds a zero byte: a value with one was read from such a page.
bool has_zero_byte(std::string_view text) {
    return text.find('\0') != std::string_view::npos;
}

std::string problem_text(Problem problem, const std::string& file) {
    switch (problem) {
        case Problem::None:
            return {};
        case Problem::Missing:
            return "找不到数据表文件：" + file;
        case Problem::NotATable:
            return "这个文件不是数据表：" + file;
        case Problem::Damaged:
            return "数据表文件已损坏：" + file;
        case Problem::WrongPassword:
            return "密码错误";
        case Problem::NoPassword:
            return "没有输入密码，数据表没有打开";
        case Problem::InUse:
            return "数据表文件正在使用中：" + file;
        case Problem::Unreadable:
            return "无法打开数据表文件：" + file;
        case Problem::Exists:
            return "数据表文件已存在：" + file;
        case Problem::BadFields:
            return "字段定义无效";
        case Problem::NotOpen:
            return "没有打开的数据表";
        case Problem::NoRecord:
            return "数据表中没有这个记录";
        case Problem::NoField:
            return "没有这个字段";
        case Problem::Failed:
            return "写入数据表失败：" + file;
    }
    return {};
}

bool valid_definitions(const std::vector<FieldDefinition>& fields) {
    if (fields.empty()) return false;
    std::set<std::string> names;
    for (const auto& f : fields) {
        if (f.name.empty() || !names.insert(f.name).second) return false;
        if (f.type != kFieldText && f.type != kFieldLongText) return false;
        if (f.type == kFieldText && f.max_length <= 0) return false;
    }
    return true;
}

bool insert_pair(sqlite3_stmt* s, const char* key, const char* value) {
    sqlite3_reset(s);
    sqlite3_bind_text(s, 1, key, -1, SQLITE_STATIC);
    sqlite3_bind_text(s, 2, value, -1, SQLITE_STATIC);
    return sqlite3_step(s) == SQLITE_DONE;
}

bool write_schema(sqlite3* db, const std::vector<FieldDefinition>& fields) {
    if (!exec(db, "PRAGMA synchronous=FULL") || !exec(db, "BEGIN")) return false;
    bool ok = exec(db, "CREATE TABLE store_info(key TEXT PRIMARY KEY, value TEXT NOT NULL)") &&
              exec(db,
                   "CREATE TABLE fields(number INTEGER PRIMARY KEY, name TEXT NOT NULL, "
                   "type INTEGER NOT NULL, max_length INTEGER NOT NULL)");
    if (ok) {
        Statement info = prepare(db, "INSERT INTO store_info VALUES(?, ?)");
        ok = info && insert_pair(info.get(), "format", kFormatName) &&
             insert_pair(info.get(), "version", kFormatVersion);
    }
    std::string records =
        "CREATE TABLE records(id INTEGER PRIMARY KEY, marked INTEGER NOT NULL DEFAULT 0";
    if (ok) {
        Statement field = prepare(db, "INSERT INTO fields VALUES(?, ?, ?, ?)");
        ok = field != nullptr;
        for (std::size_t i = 0; ok && i < fields.size(); ++i) {
            const int number = static_cast<int>(i) + 1;
            records += ", " + column_name(number) + " TEXT NOT NULL DEFAULT ''";
            sqlite3_reset(field.get());
            sqlite3_bind_int(field.get(), 1, number);
            sqlite3_bind_text(field.get(), 2, fields[i].name.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(field.get(), 3, fields[i].type);
            sqlite3_bind_int(field.get(), 4, fields[i].max_length);
            ok = sqlite3_step(field.get()) == SQLITE_DONE;
        }
    }
    ok = ok && exec(db, (records + ")").c_str());
    ok = ok && exec(db, "COMMIT");
    if (!ok) exec(db, "ROLLBACK");
    return ok;
}

// Puts the finished file in place only where nothing is: never over an
// existing file, even one that appeared meanwhile.
bool move_into_free_place(const std::string& from, const std::string& to, bool& existed) {
    existed = false;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EEXIST) {
        existed = true;
        return false;
    }
    // File systems without that rename: a hard link fails just the same when
    // the name is taken.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return true;
    }
    existed = errno == EEXIST;
    return false;
}

// The copies a change of this table may leave when it is cut off.
void remove_copies_of(const std::string& file) {
    remove_with_journal(file + kRekeySuffix);
}

// "NAME.new-XXXXXX", the name create() builds a table under, with or without
// its journal's suffix.
bool is_unfinished_new_table(std::string_view name) {
    if (name.ends_with(kJournalSuffix)) name.remove_suffix(std::string_view(kJournalSuffix).size());
    constexpr std::string_view kNew = ".new-";
    return name.size() > kNew.size() + 6 &&
           name.substr(name.size() - 6 - kNew.size(), kNew.size()) == kNew;
}

}  // namespace

struct Table::Impl {
    std::string file;
    sqlite3* db = nullptr;
    std::vector<FieldDefinition> fields;
    std::vector<sqlite3_int64> ids;     // record number n is ids[n - 1]; ascending
    std::vector<sqlite3_int64> marked;  // ascending
    int current = 0;
    mutable std::vector<Statement> readers;  // per field, prepared on first use
    std::vector<Statement> writers;
    mutable std::recursive_mutex mutex;
    mutable Outcome error;
    // The fields the opening read along with the record list, kept for the
    // first read_all() that asks for them; any change drops them.
    std::vector<std::string> listed_names;
    mutable std::optional<AllRecords> listed;

    // The transaction in progress, and what to restore when it is rolled back.
    int transaction_depth = 0;
    bool rollback_only = false;
    std::vector<sqlite3_int64> saved_ids, saved_marked;
    int saved_current = 0;

    ~Impl() { close(); }

    void close() {
        drop_listed();
        readers.clear();
        writers.clear();
        if (db) sqlite3_close_v2(db);
        db = nullptr;
        transaction_depth = 0;
        rollback_only = false;
    }

    bool fail(Problem problem, std::string text = {}) const {
        error.problem = problem;
        error.text = text.empty() ? problem_text(problem, file) : std::move(text);
        return false;
    }
    // A failed SQLite step: damage is told as such.
    bool fail_step(int rc, Problem otherwise, const std::string& what) const {
        if (is_damage(rc)) return fail(Problem::Damaged);
        return fail(otherwise, what + "：" + sqlite3_errmsg(db));
    }
    bool fail_read(int rc) const {
        return is_read_damage(rc) ? fail(Problem::Damaged)
                                  : fail_step(rc, Problem::Failed, "读取记录失败");
    }

    bool open_ok() const { return db != nullptr || fail(Problem::NotOpen); }
    bool record_ok() const {
        if (!open_ok()) return false;
        return current >= 1 || fail(Problem::NoRecord, "数据表中没有当前记录");
    }
    sqlite3_int64 current_id() const { return ids[static_cast<std::size_t>(current) - 1]; }

    // 0 for an unknown name.
    int field_number(std::string_view name) const {
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (fields[i].name == name) return static_cast<int>(i) + 1;
        return 0;
    }

    void drop_listed() const { listed.reset(); }

    // Visits every record in record order with its id, its mark and the
    // values of the fields numbered, in one pass over the file; a record
    // whose own data cannot be read is visited with no values, and the pass
    // goes on after it. SQLITE_OK, or the failure of the list of records.
    template <class Visit>
    int scan(const std::vector<int>& numbers, Visit visit) const {
        std::string columns = "SELECT id, marked";
        for (const int number : numbers) columns += ", " + column_name(number);
        std::optional<sqlite3_int64> last;
        std::vector<std::string> values;
        for (;;) {
            // Each pass ends its read before the next begins, which clears
            // what a page that failed its check left behind.
            Statement pass = prepare(
                db, columns + " FROM records" + (last ? " WHERE id>?" : "") + " ORDER BY id");
            if (!pass) return sqlite3_errcode(db);
            if (last) sqlite3_bind_int64(pass.get(), 1, *last);
            bool read_one = false, damaged = false;
            int rc = SQLITE_OK;
            while (!damaged && (rc = sqlite3_step(pass.get())) == SQLITE_ROW) {
                const sqlite3_int64 id = sqlite3_column_int64(pass.get(), 0);
                const bool marked = sqlite3_column_int64(pass.get(), 1) != 0;
                values.clear();
                values.reserve(numbers.size());
                for (std::size_t i = 0; i < numbers.size(); ++i) {
                    values.push_back(column_text(pass.get(), static_cast<int>(i) + 2));
                    damaged = damaged || has_zero_byte(values.back());
                }
                visit(id, marked, damaged ? nullptr : &values);
                last = id;
                read_one = true;
            }
            if (damaged) continue;
            if (rc == SQLITE_DONE) return SQLITE_OK;
            pass.reset();
            // The failure may have been left by the record before: the next
            // pass begins after it and tells.
            if (read_one) continue;
            // The record after the last one read cannot be read itself; the
            // list alone says which it is.
            Statement next = prepare(db, std::string("SELECT id, marked FROM records") +
                                             (last ? " WHERE id>?" : "") + " ORDER BY id LIMIT 1");
            if (!next) return sqlite3_errcode(db);
            if (last) sqlite3_bind_int64(next.get(), 1, *last);
            const int found = sqlite3_step(next.get());
            if (found != SQLITE_ROW) return found == SQLITE_DONE ? rc : found;
            last = sqlite3_column_int64(next.get(), 0);
            visit(*last, sqlite3_column_int64(next.get(), 1) != 0, nullptr);
        }
    }

    // Reads the table's layout and record list, checking on the way that the
    // file is one of ours. Damage elsewhere shows when it is read.
    Problem load() {
        {
            Statement probe = prepare(db, "SELECT count(*) FROM sqlite_master");
            if (!probe) return opening_problem(sqlite3_errcode(db));
            const int rc = sqlite3_step(probe.get());
            if (rc != SQLITE_ROW) return opening_problem(rc);
        }
        {
            Statement format = prepare(db, "SELECT value FROM store_info WHERE key='format'");
            if (!format)
                return is_damage(sqlite3_errcode(db)) ? Problem::Damaged : Problem::NotATable;
            const int rc = sqlite3_step(format.get());
            if (is_damage(rc)) return Problem::Damaged;
            if (rc != SQLITE_ROW || column_text(format.get(), 0) != kFormatName)
                return Problem::NotATable;
        }
        fields.clear();
        {
            Statement list =
                prepare(db, "SELECT number, name, type, max_length FROM fields ORDER BY number");
            if (!list) return Problem::Damaged;
            int rc;
            while ((rc = sqlite3_step(list.get())) == SQLITE_ROW) {
                if (sqlite3_column_int(list.get(), 0) != static_cast<int>(fields.size()) + 1)
                    return Problem::Damaged;
                fields.push_back({column_text(list.get(), 1), sqlite3_column_int(list.get(), 2),
                                  sqlite3_column_int(list.get(), 3)});
            }
            if (rc != SQLITE_DONE || fields.empty()) return Problem::Damaged;
        }
        // Every field's column must be there.
        std::string columns = "SELECT id, marked";
        for (std::size_t i = 1; i <= fields.size(); ++i)
            columns += ", " + column_name(static_cast<int>(i));
        if (!prepare(db, columns + " FROM records LIMIT 0")) return Problem::Damaged;

        ids.clear();
        marked.clear();
        drop_listed();
        std::vector<int> numbers;
        for (const std::string& name : listed_names) {
            const int number = field_number(name);
            // An unknown name is told by the read_all() that asks for it.
            if (number == 0) {
                numbers.clear();
                break;
            }
            numbers.push_back(number);
        }
        AllRecords rows;
        const int rc =
            scan(numbers, [&](sqlite3_int64 id, bool is_marked, std::vector<std::string>* values) {
                ids.push_back(id);
                if (is_marked) marked.push_back(id);
                if (numbers.empty()) return;
                if (values) {
                    rows.rows.push_back(std::move(*values));
                } else {
                    rows.rows.emplace_back(numbers.size());
                    rows.unreadable.push_back(static_cast<int>(ids.size()));
                }
            });
        if (rc != SQLITE_OK) return Problem::Damaged;
        if (!rows.unreadable.empty()) fail(Problem::Damaged);
        if (!numbers.empty()) listed = std::move(rows);
        readers.clear();
        writers.clear();
        readers.resize(fields.size());
        writers.resize(fields.size());
        return Problem::None;
    }

    // Opens the file with the key and loads it; the connection is kept only
    // when the table loaded.
    Problem connect(const std::string* key) {
        close();
        db = open_connection(file, key);
        if (!db) return Problem::Unreadable;
        Problem result = load();
        if (result == Problem::None && !make_durable(db)) result = Problem::InUse;
        if (result != Problem::None) close();
        return result;
    }

    // Opens a locked table with the key derived from the password and the
    // table's salt: derived here, not by SQLCipher, so that a key that fails
    // can check the pages without a second derivation. A table that SQLite
    // cannot read under a key that passes a page's check is damaged, not
    // locked with another password.
    Problem connect_locked(const std::string& password, std::string_view salt) {
        std::optional<Key> key = derive_key(password, salt);
        if (!key) return Problem::Unreadable;
        std::string text = key_text(*key, salt);
        Problem result = connect(&text);
        std::fill(text.begin(), text.end(), '\0');
        if (result == Problem::WrongPassword && key_checks_a_page(file, *key, salt))
            result = Problem::Damaged;
        key->fill(0);
        return result;
    }

    // Runs the steps as one transaction unless one is in progress already.
    template <class Steps>
    bool atomically(Steps steps) {
        if (transaction_depth > 0) return steps();
        if (!begin()) return fail(Problem::Failed);
        if (steps()) {
            if (end(true)) return true;
            return fail(Problem::Failed);
        }
        end(false);
        return false;
    }

    bool begin() {
        if (!exec(db, "BEGIN IMMEDIATE")) return false;
        transaction_depth = 1;
        rollback_only = false;
        saved_ids = ids;
        saved_marked = marked;
        saved_current = current;
        return true;
    }

    // Commits, or rolls back and restores the records as they were.
    bool end(bool commit) {
        transaction_depth = 0;
        const bool committed = commit && !rollback_only && exec(db, "COMMIT");
        rollback_only = false;
        if (!committed) {
            exec(db, "ROLLBACK");
            ids = std::move(saved_ids);
            marked = std::move(saved_marked);
            current = saved_current;
        }
        saved_ids.clear();
        saved_marked.clear();
        return committed;
    }

    bool set_password(const std::string& password);
};

Table::Table() : impl_(std::make_unique<Impl>()) {}
Table::~Table() = default;
Table::Table(Table&& other) noexcept = default;
Table& Table::operator=(Table&& other) noexcept = default;

Outcome Table::create(const std::string& file, const std::vector<FieldDefinition>& fields) {
    auto failed = [&file](Problem problem) {
        return Outcome{problem, problem_text(problem, file)};
    };
    if (!valid_definitions(fields)) return failed(Problem::BadFields);
    struct stat st {};
    if (::lstat(file.c_str(), &st) == 0) return failed(Problem::Exists);

    // Built whole under a temporary name, then moved into place.
    std::string temp = file + ".new-XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return {Problem::Failed, "无法建立数据表文件：" + file};
    ::close(fd);
    sqlite3* db = open_connection(temp, nullptr);
    bool ok = db && write_schema(db, fields);
    if (db) ok = sqlite3_close(db) == SQLITE_OK && ok;
    ok = ok && sync_file(temp);
    // A journal left by a table of this name that is gone would otherwise be
    // rolled back into the new one at its first opening.
    if (ok) ::unlink((file + kJournalSuffix).c_str());
    bool existed = false;
    ok = ok && move_into_free_place(temp, file, existed);
    if (!ok) {
        remove_with_journal(temp);
        if (existed) return failed(Problem::Exists);
        return {Problem::Failed, "无法建立数据表文件：" + file};
    }
    sync_directory_of(file);
    return {};
}

Table Table::open(const std::string& file, const std::string& password, ui::Prompts* prompts,
                  std::vector<std::string> listed) {
    Table table;
    Impl& m = *table.impl_;
    m.file = file;
    m.listed_names = std::move(listed);
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        m.fail(Problem::Missing);
        return table;
    }
    if (!S_ISREG(st.st_mode)) {
        m.fail(Problem::NotATable);
        return table;
    }
    off_t size = 0;
    const std::string header = read_header(file, size);

    Problem result;
    if (header == kPlainHeader) {
        result = m.connect(nullptr);
        if (result == Problem::WrongPassword) result = Problem::Damaged;
    } else if (!has_locked_table_salt(header)) {
        result = is_damaged_locked_table_salt(header) ? Problem::Damaged : Problem::NotATable;
    } else if (size < kSmallestLockedTable || size % kCipherPageSize != 0) {
        // One of our locked tables, cut short.
        result = Problem::Damaged;
    } else {
        // Setting the empty password removes the password, so no locked
        // table has it: it is not tried, which would derive a key for
        // nothing.
        result = password.empty() ? Problem::WrongPassword : m.connect_locked(password, header);
        if (result == Problem::WrongPassword && prompts) {
            auto answer = prompts->input_box("这个数据表有密码，请输入密码：", "输入密码", {},
                                             ui::InputMode::Masked);
            if (!answer) {
                result = Problem::NoPassword;
            } else {
                result = m.connect_locked(*answer, header);
                std::fill(answer->begin(), answer->end(), '\0');
            }
        }
    }
    if (result != Problem::None) {
        m.fail(result);
        return table;
    }
    m.current = m.ids.empty() ? 0 : 1;
    // The table is ours alone now: nothing else can be writing those copies.
    remove_copies_of(file);
    return table;
}

bool Table::has_password(const std::string& file) {
    off_t size = 0;
    return has_locked_table_salt(read_header(file, size));
}

Outcome Table::remove(const std::string& file) {
    if (::unlink(file.c_str()) != 0) {
        const Problem problem = errno == ENOENT ? Problem::Missing : Problem::Failed;
        return {problem, problem == Problem::Missing ? problem_text(problem, file)
                                                     : "无法删除数据表文件：" + file};
    }
    ::unlink((file + kJournalSuffix).c_str());
    remove_copies_of(file);
    sync_directory_of(file);
    return {};
}

void Table::discard_unfinished_copies(const std::string& folder) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(fs::u8path(folder), ec)) {
        const std::string name = entry.path().filename().string();
        const bool copy = name.ends_with(kRekeySuffix) ||
                          name.ends_with(std::string(kRekeySuffix) + kJournalSuffix) ||
                          is_unfinished_new_table(name);
        if (copy && entry.is_regular_file(ec)) ::unlink(entry.path().c_str());
    }
}

bool Table::is_open() const {
    return impl_ && impl_->db;
}

const std::string& Table::file() const {
    static const std::string none;
    return impl_ ? impl_->file : none;
}

const Outcome& Table::error() const {
    static const Outcome not_open{Problem::NotOpen, problem_text(Problem::NotOpen, {})};
    return impl_ ? impl_->error : not_open;
}

void Table::close() {
    if (!impl_) return;
    std::lock_guard lock(impl_->mutex);
    impl_->close();
    impl_->ids.clear();
    impl_->marked.clear();
    impl_->current = 0;
}

int Table::record_count() const {
    if (!is_open()) return 0;
    std::lock_guard lock(impl_->mutex);
    return static_cast<int>(impl_->ids.size());
}

int Table::current_record() const {
    if (!is_open()) return 0;
    std::lock_guard lock(impl_->mutex);
    return impl_->current;
}

bool Table::go_to(int number) {
    if (!impl_) return false;
    std::lock_guard lock(impl_->mutex);
    Impl& m = *impl_;
    if (!m.open_ok()) return false;
    if (number < 1 || number > static_cast<int>(m.ids.size()))
        return m.fail(Problem::NoRecord, "没有这个记录：" + std::to_string(number));
    m.current = number;
    return true;
}

bool Table::first() {
    if (!is_open()) return false;
    std::lock_guard lock(impl_->mutex);
    impl_->current = impl_->ids.empty() ? 0 : 1;
    return impl_->current == 1;
}

bool Table::next() {
    if (!is_open()) return false;
    std::lock_guard lock(impl_->mutex);
    if (impl_->current >= static_cast<int>(impl_->ids.size())) return false;
    ++impl_->current;
    return true;
}

std::vector<FieldDefinition> Table::fields() const {
    if (!impl_) return {};
    std::lock_guard lock(impl_->mutex);
    return impl_->fields;
}

int Table::field_number(std::string_view name) const {
    if (!impl_) return 0;
    std::lock_guard lock(impl_->mutex);
    return impl_->field_number(name);
}

std::optional<std::string> Table::read(std::string_view field) const {
    if (!impl_) return std::nullopt;
    std::lock_guard lock(impl_->mutex);
    if (!impl_->open_ok()) return std::nullopt;
    const int number = field_number(field);
    if (number == 0) {
        impl_->fail(Problem::NoField, "没有这个字段：" + std::string(field));
        return std::nullopt;
    }
    return read(number);
}

std::optional<std::string> Table::read(int number) const {
    if (!impl_) return std::nullopt;
    std::lock_guard lock(impl_->mutex);
    const Impl& m = *impl_;
    if (!m.record_ok()) return std::nullopt;
    if (number < 1 || number > static_cast<int>(m.fields.size())) {
        m.fail(Problem::NoField, "没有这个字段：" + std::to_string(number));
        return std::nullopt;
    }
    Statement& reader = m.readers[static_cast<std::size_t>(number) - 1];
    if (!reader)
        reader = prepare(m.db, "SELECT " + column_name(number) + " FROM records WHERE id=?");
    if (!reader) {
        m.fail_step(sqlite3_errcode(m.db), Problem::Failed, "读取记录失败");
        return std::nullopt;
    }
    sqlite3_reset(reader.get());
    sqlite3_bind_int64(reader.get(), 1, m.current_id());
    const int rc = sqlite3_step(reader.get());
    std::optional<std::string> value;
    if (rc == SQLITE_ROW)
        value = column_text(reader.get(), 0);
    else
        m.fail_read(rc);
    sqlite3_reset(reader.get());
    if (value && has_zero_byte(*value)) {
        m.fail(Problem::Damaged);
        return std::nullopt;
    }
    return value;
}

std::optional<Table::AllRecords> Table::read_all(const std::vector<std::string>& names) const {
    if (!impl_) return std::nullopt;
    std::lock_guard lock(impl_->mutex);
    const Impl& m = *impl_;
    if (!m.open_ok()) return std::nullopt;
    if (m.listed && names == m.listed_names) {
        std::optional<AllRecords> rows = std::move(m.listed);
        m.drop_listed();
        return rows;
    }
    std::vector<int> numbers;
    for (const std::string& name : names) {
        const int number = field_number(name);
        if (number == 0) {
            m.fail(Problem::NoField, "没有这个字段：" + name);
            return std::nullopt;
        }
        numbers.push_back(number);
    }
    AllRecords all;
    all.rows.reserve(m.ids.size());
    // Records that vanished or appeared behind our list mean the file changed
    // under us or is damaged.
    bool matches = true;
    const int rc = m.scan(numbers, [&](sqlite3_int64 id, bool, std::vector<std::string>* values) {
        const std::size_t at = all.rows.size();
        matches = matches && at < m.ids.size() && m.ids[at] == id;
        if (values) {
            all.rows.push_back(std::move(*values));
        } else {
            all.rows.emplace_back(names.size());
            all.unreadable.push_back(static_cast<int>(at) + 1);
        }
    });
    if (rc != SQLITE_OK) {
        m.fail_read(rc);
        return std::nullopt;
    }
    if (!matches || all.rows.size() != m.ids.size()) {
        m.fail(Problem::Damaged);
        return std::nullopt;
    }
    if (!all.unreadable.empty()) m.fail(Problem::Damaged);
    return all;
}

bool Table::write(std::string_view field, std::string_view value) {
    if (!impl_) return false;
    std::lock_guard lock(impl_->mutex);
    if (!impl_->open_ok()) return false;
    const int number = field_number(field);
    if (number == 0) return impl_->fail(Problem::NoField, "没有这个字段：" + std::string(field));
    return write(number, value);
}

bool Table::write(int number, std::string_view value) {
    if (!impl_) return false;
    std::lock_guard lock(impl_->mutex);
    Impl& m = *impl_;
    if (!m.record_ok()) return false;
    if (number < 1 || number > static_cast<int>(m.fields.size()))
        return m.fail(Problem::NoField, "没有这个字段：" + std::to_string(number));
    const FieldDefinition& field = m.fields[static_cast<std::size_t>(number) - 1];
    m.drop_listed();
    std::string kept(value);
    std::erase(kept, '\0');
    const std::string stored =
        field.type == kFieldText
            ? text::truncate_to_gbk_bytes(kept, static_cast<std::size_t>(field.max_length))
            : std::move(kept);
    Statement& writer = m.writers[static_cast<std::size_t>(number) - 1];
    if (!writer)
        writer = prepare(m.db, "UPDATE records SET " + column_name(number) + "=? WHERE id=?");
    if (!writer) return m.fail_step(sqlite3_errcode(m.db), Problem::Failed, "写入记录失败");
    sqlite3_reset(writer.get());
    sqlite3_bind_text(writer.get(), 1, stored.data(), static_cast<int>(stored.size()),
                      SQLITE_STATIC);
    sqlite3_bind_int64(writer.get(), 2, m.current_id());
    const int rc = sqlite3_step(writer.get());
    sqlite3_reset(writer.get());
    sqlite3_clear_bindings(writer.get());
    if (rc != SQLITE_DONE) return m.fail_step(rc, Problem::Failed, "写入记录失败");
    return true;
}

bool Table::append() {
    if (!impl_) return false;
    std::lock_guard lock(impl_->mutex);
    Impl& m = *impl_;
    if (!m.open_ok()) return false;
    m.drop_listed();
    const int rc =
        sqlite3_exec(m.db, "INSERT INTO records DEFAULT VALUES", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) return m.fail_step(rc, Problem::Failed, "添加记录失败");
    m.ids.push_back(sqlite3_last_insert_rowid(m.db));
    m.current = static_cast<int>(m.ids.size());
    return true;
}

bool Table::delete_current() {
    if (!impl_) return false;
    std::lock_guard lock(impl_->mutex);
    Impl& m = *impl_;
    if (!m.record_ok()) return false;
    const sqlite3_int64 id = m.current_id();
    Statement mark = prepare(m.db, "UPDATE records SET marked=1 WHERE id=?");
    if (!mark) return m.fail_step(sqlite3_errcode(m.db), Problem::Failed, "删除记录失败");
    sqlite3_bind_int64(mark.get(), 1, id);
    const int rc = sqlite3_step(mark.get());
    if (rc != SQLITE_DONE) return m.fail_step(rc, Problem::Failed, "删除记录失败");
    const auto at = std::lower_bound(m.marked.begin(), m.marked.end(), id);
    if (at == m.marked.end() || *at != id) m.marked.insert(at, id);
    return true;
}

bool Table::purge() {
    if (!impl_) return false;
    std::lock_guard lock(impl_->mutex);
    Impl& m = *impl_;
    if (!m.open_ok()) return false;
    if (m.marked.empty()) return true;
    m.drop_listed();
    return m.atomically([&m] {
        Statement remove = prepare(m.db, "DELETE FROM records WHERE id=?");
        if (!remove) return m.fail_step(sqlite3_errcode(m.db), Problem::Failed, "清除记录失败");
        for (const sqlite3_int64 id : m.marked) {
            sqlite3_reset(remove.get());
            sqlite3_bind_int64(remove.get(), 1, id);
            const int rc = sqlite3_step(remove.get());
            if (rc != SQLITE_DONE) return m.fail_step(rc, Problem::Failed, "清除记录失败");
        }
        const int old_number = m.current;
        const sqlite3_int64 old_id = old_number > 0 ? m.current_id() : 0;
        // Both lists ascend: one pass keeps the unmarked.
        std::vector<sqlite3_int64> kept;
        kept.reserve(m.ids.size());
        std::set_difference(m.ids.begin(), m.ids.end(), m.marked.begin(), m.marked.end(),
                            std::back_inserter(kept));
        m.ids = std::move(kept);
        m.marked.clear();
        const int count = static_cast<int>(m.ids.size());
        m.current = std::min(old_number, count);
        const auto survivor = std::lower_bound(m.ids.begin(), m.ids.end(), old_id);
        if (old_number > 0 && survivor != m.ids.end() && *survivor == old_id)
            m.current = static_cast<int>(survivor - m.ids.begin()) + 1;
        return true;
    });
}

bool Table::Impl::set_password(const std::string& password) {
    auto failed = [this] { return fail(Problem::Failed, "设置密码失败：" + file); };
    if (transaction_depth > 0) return failed();
    listed_names.clear();
    const std::string temp = file + kRekeySuffix;
    remove_with_journal(temp);

    // The records are copied into a new file under the new key; the old file
    // is replaced only once the copy is complete and checked. Connections
    // never create files, so the copy's file is made here, with the
    // permissions of the table it replaces, where the file system keeps
    // permissions at all (FAT does not, and fails the call).
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return failed();
    const mode_t mode = st.st_mode & 0777;
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) return failed();
    (void)::fchmod(fd, mode);
    ::close(fd);
    // Removing the password needs no key.
    std::optional<std::string> key =
        password.empty() ? std::string() : key_with_marked_salt(password);
    bool ok = static_cast<bool>(key);
    if (ok) {
        ok = false;
        if (Statement attach = prepare(db, "ATTACH DATABASE ?1 AS rekeyed KEY ?2")) {
            sqlite3_bind_text(attach.get(), 1, temp.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(attach.get(), 2, key->data(), static_cast<int>(key->size()),
                              SQLITE_TRANSIENT);
            ok = sqlite3_step(attach.get()) == SQLITE_DONE;
        }
        ok = ok && (password.empty() || use_locked_table_format(db, "rekeyed"));
    }
    if (key) std::fill(key->begin(), key->end(), '\0');
    if (ok) {
        ok = exec(db, "PRAGMA rekeyed.synchronous=FULL") &&
             exec(db, "SELECT sqlcipher_export('rekeyed')");
        ok = exec(db, "DETACH DATABASE rekeyed") && ok;
    }
    if (ok) {
        const Table copy = Table::open(temp, password);
        ok = sync_file(temp) && copy.is_open() && copy.impl_->ids == ids;
    }
    if (!ok) {
        remove_with_journal(temp);
        return failed();
    }
    // Renamed while the old connection still holds the old file, so that a
    // failed rename leaves the table open as it was.
    if (::rename(temp.c_str(), file.c_str()) != 0) {
        remove_with_journal(temp);
        return failed();
    }
    sync_directory_of(file);
    const int number = current;
    if (connect(&password) != Problem::None) {
        ids.clear();
        marked.clear();
        current = 0;
        return failed();
    }
    current = number;
    return true;
}

bool Table::set_password(const std::string& password) {
    if (!impl_) return false;
    std::lock_guard lock(impl_->mutex);
    if (!impl_->open_ok()) return false;
    return impl_->set_password(password);
}

Table::Transaction::Transaction(Table& table) : table_(table) {
    Impl* m = table_.impl_.get();
    if (!m) return;
    std::lock_guard lock(m->mutex);
    if (!m->open_ok()) return;
    if (m->transaction_depth > 0) {
        ++m->transaction_depth;
        joined_ = true;
        return;
    }
    began_ = m->begin();
    if (!began_) m->fail(Problem::Failed);
}

Table::Transaction::~Transaction() {
    if (done_ || (!began_ && !joined_)) return;
    Impl* m = table_.impl_.get();
    if (!m) return;
    std::lock_guard lock(m->mutex);
    // A closed table has rolled back whatever was in progress.
    if (!m->db || m->transaction_depth == 0) return;
    if (began_) {
        m->end(false);
    } else {
        // An inner part that did not finish spoils the whole.
        m->rollback_only = true;
        --m->transaction_depth;
    }
}

bool Table::Transaction::commit() {
    if (done_ || (!began_ && !joined_)) return false;
    done_ = true;
    Impl* m = table_.impl_.get();
    if (!m) return false;
    std::lock_guard lock(m->mutex);
    if (!m->db || m->transaction_depth == 0) return m->fail(Problem::Failed);
    if (joined_) {
        --m->transaction_depth;
        return true;
    }
    if (m->end(true)) return true;
    return m->fail(Problem::Failed);
}

}  // namespace dezu::store
