#include "platform/store/record_store.h"

#define SQLITE_HAS_CODEC 1
#include <fcntl.h>
#include <sqlcipher/sqlite3.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <memory>
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
// Encrypted files are whole pages of this size.
constexpr off_t kCipherPageSize = 1024;

struct StatementCloser {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementCloser>;

struct Table {
    std::string file;
    std::string alias;
    sqlite3* db = nullptr;
    std::vector<FieldDefinition> fields;
    std::vector<sqlite3_int64> ids;  // record number n is ids[n - 1]
    int current = 0;
    std::vector<Statement> readers;  // per field, prepared on first use
    std::vector<Statement> writers;

    Table() = default;
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;
    ~Table() { close(); }
    void close() {
        readers.clear();
        writers.clear();
        if (db) sqlite3_close_v2(db);
        db = nullptr;
    }
};

struct State {
    std::recursive_mutex mutex;
    std::vector<std::unique_ptr<Table>> tables;
    Table* current = nullptr;
    std::string last_error;
};

State& state() {
    static State s;
    return s;
}

bool fail(const std::string& text) {
    state().last_error = text;
    return false;
}

std::string column_name(int number) {
    return "f" + std::to_string(number);
}

bool exec(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
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

void remove_with_journal(const std::string& file) {
    ::unlink(file.c_str());
    ::unlink((file + "-journal").c_str());
}

bool same_file_name(const std::string& a, const std::string& b) {
    if (a == b) return true;
    std::error_code ec1, ec2;
    const fs::path pa = fs::weakly_canonical(fs::u8path(a), ec1);
    const fs::path pb = fs::weakly_canonical(fs::u8path(b), ec2);
    return !ec1 && !ec2 && pa == pb;
}

Table* find_table(const std::string& name) {
    if (name.empty()) return nullptr;
    for (auto& t : state().tables)
        if (t->alias == name) return t.get();
    for (auto& t : state().tables)
        if (same_file_name(t->file, name)) return t.get();
    return nullptr;
}

void drop_table(Table* table) {
    auto& s = state();
    if (s.current == table) s.current = nullptr;
    std::erase_if(s.tables, [table](const auto& t) { return t.get() == table; });
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
    if (key && !key->empty()) sqlite3_key(db, key->data(), static_cast<int>(key->size()));
    return db;
}

enum class Check { Ok, WrongKey, NotOurs, Damaged, InUse, Unreadable };

Check failed_step(int rc) {
    if (rc == SQLITE_NOTADB) return Check::WrongKey;
    if (rc == SQLITE_CORRUPT) return Check::Damaged;
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) return Check::InUse;
    return Check::Unreadable;
}

// Reads the table's layout and record list, checking on the way that the file
// is one of ours and whole.
Check load_table(Table& t) {
    sqlite3* db = t.db;
    {
        Statement probe = prepare(db, "SELECT count(*) FROM sqlite_master");
        if (!probe) return failed_step(sqlite3_errcode(db));
        const int rc = sqlite3_step(probe.get());
        if (rc != SQLITE_ROW) return failed_step(rc);
    }
    {
        Statement format = prepare(db, "SELECT value FROM store_info WHERE key='format'");
        if (!format || sqlite3_step(format.get()) != SQLITE_ROW ||
            column_text(format.get(), 0) != kFormatName)
            return Check::NotOurs;
    }
    {
        Statement check = prepare(db, "PRAGMA quick_check");
        if (!check || sqlite3_step(check.get()) != SQLITE_ROW ||
            column_text(check.get(), 0) != "ok")
            return Check::Damaged;
    }
    t.fields.clear();
    {
        Statement fields =
            prepare(db, "SELECT number, name, type, max_length FROM fields ORDER BY number");
        if (!fields) return Check::Damaged;
        int rc;
        while ((rc = sqlite3_step(fields.get())) == SQLITE_ROW) {
            if (sqlite3_column_int(fields.get(), 0) != static_cast<int>(t.fields.size()) + 1)
                return Check::Damaged;
            t.fields.push_back({column_text(fields.get(), 1), sqlite3_column_int(fields.get(), 2),
                                sqlite3_column_int(fields.get(), 3)});
        }
        if (rc != SQLITE_DONE || t.fields.empty()) return Check::Damaged;
    }
    // Every field's column must be there.
    std::string columns = "SELECT id, marked";
    for (std::size_t i = 1; i <= t.fields.size(); ++i)
        columns += ", " + column_name(static_cast<int>(i));
    if (!prepare(db, columns + " FROM records LIMIT 0")) return Check::Damaged;

    t.ids.clear();
    Statement ids = prepare(db, "SELECT id FROM records ORDER BY id");
    if (!ids) return Check::Damaged;
    int rc;
    while ((rc = sqlite3_step(ids.get())) == SQLITE_ROW)
        t.ids.push_back(sqlite3_column_int64(ids.get(), 0));
    if (rc != SQLITE_DONE) return Check::Damaged;
    t.readers.resize(t.fields.size());
    t.writers.resize(t.fields.size());
    return Check::Ok;
}

// Opens the file with the key and loads it; the connection is kept only when
// the table loaded.
Check try_open(Table& t, const std::string* key) {
    t.close();
    t.db = open_connection(t.file, key);
    if (!t.db) return Check::Unreadable;
    Check result = load_table(t);
    if (result == Check::Ok && !make_durable(t.db)) result = Check::InUse;
    if (result != Check::Ok) t.close();
    return result;
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

bool report(Check result, const std::string& file) {
    switch (result) {
        case Check::Ok:
            return true;
        case Check::WrongKey:
            return fail("密码错误");
        case Check::NotOurs:
            return fail("这个文件不是数据表：" + file);
        case Check::Damaged:
            return fail("数据表文件已损坏：" + file);
        case Check::InUse:
            return fail("数据表文件正在使用中：" + file);
        case Check::Unreadable:
            return fail("无法打开数据表文件：" + file);
    }
    return false;
}

int field_number(const Table& t, const std::string& name) {
    for (std::size_t i = 0; i < t.fields.size(); ++i)
        if (t.fields[i].name == name) return static_cast<int>(i) + 1;
    return 0;
}

sqlite3_int64 current_id(const Table& t) {
    return t.ids[static_cast<std::size_t>(t.current) - 1];
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

Table* current_table() {
    Table* t = state().current;
    if (!t) fail("没有打开的数据表");
    return t;
}

Table* table_with_current_record() {
    Table* t = current_table();
    if (t && t->current < 1) {
        fail("数据表中没有当前记录");
        return nullptr;
    }
    return t;
}

}  // namespace

bool create_store_table(const std::string& file, const std::vector<FieldDefinition>& fields) {
    std::lock_guard lock(state().mutex);
    if (!valid_definitions(fields)) return fail("字段定义无效");
    struct stat st {};
    if (::lstat(file.c_str(), &st) == 0) return fail("数据表文件已存在：" + file);

    // Built whole under a temporary name, then moved into place.
    std::string temp = file + ".new-XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return fail("无法建立数据表文件：" + file);
    ::close(fd);
    sqlite3* db = open_connection(temp, nullptr);
    bool ok = db && write_schema(db, fields);
    if (db) ok = sqlite3_close(db) == SQLITE_OK && ok;
    ok = ok && sync_file(temp);
    // A journal left by a table of this name that is gone would otherwise be
    // rolled back into the new one at its first opening.
    if (ok) ::unlink((file + "-journal").c_str());
    bool existed = false;
    ok = ok && move_into_free_place(temp, file, existed);
    if (!ok) {
        remove_with_journal(temp);
        return fail((existed ? "数据表文件已存在：" : "无法建立数据表文件：") + file);
    }
    sync_directory_of(file);
    return true;
}

bool open_store_table(const std::string& file, const std::string& alias,
                      const std::string& password) {
    std::unique_lock lock(state().mutex);
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return fail("找不到数据表文件：" + file);
    if (!S_ISREG(st.st_mode)) return fail("这个文件不是数据表：" + file);
    off_t size = 0;
    const std::string header = read_header(file, size);

    auto table = std::make_unique<Table>();
    table->file = file;
    table->alias = alias;
    Check result;
    if (header == kPlainHeader) {
        result = try_open(*table, nullptr);
        if (result == Check::WrongKey) result = Check::Damaged;
    } else if (size < kCipherPageSize || size % kCipherPageSize != 0) {
        // Neither a plain table nor whole encrypted pages.
        result = Check::NotOurs;
    } else {
        result = try_open(*table, &password);
        if (result == Check::WrongKey) {
            // The prompt runs the event loop; other callers must not wait on
            // the store meanwhile.
            lock.unlock();
            const auto answer = ui::input_box("这个数据表有密码，请输入密码：", "输入密码", {},
                                              ui::InputMode::Masked);
            lock.lock();
            if (!answer) return fail("没有输入密码，数据表没有打开");
            result = try_open(*table, &*answer);
        }
    }
    if (!report(result, file)) return false;

    for (auto& t : state().tables)
        if (t->alias == alias) {
            drop_table(t.get());
            break;
        }
    table->current = table->ids.empty() ? 0 : 1;
    state().tables.push_back(std::move(table));
    state().current = state().tables.back().get();
    return true;
}

bool select_store_table(const std::string& name) {
    std::lock_guard lock(state().mutex);
    Table* t = find_table(name);
    if (!t) return fail("数据表没有打开：" + name);
    state().current = t;
    return true;
}

bool is_store_table_open(const std::string& name) {
    std::lock_guard lock(state().mutex);
    return find_table(name) != nullptr;
}

void close_store_table(const std::string& name) {
    std::lock_guard lock(state().mutex);
    if (Table* t = find_table(name)) drop_table(t);
}

void close_store_table() {
    std::lock_guard lock(state().mutex);
    if (state().current) drop_table(state().current);
}

void close_all_store_tables() {
    std::lock_guard lock(state().mutex);
    state().current = nullptr;
    state().tables.clear();
}

std::string current_store_alias() {
    std::lock_guard lock(state().mutex);
    return state().current ? state().current->alias : std::string();
}

int store_record_count() {
    std::lock_guard lock(state().mutex);
    return state().current ? static_cast<int>(state().current->ids.size()) : 0;
}

int current_record_number() {
    std::lock_guard lock(state().mutex);
    return state().current ? state().current->current : 0;
}

bool append_store_record() {
    std::lock_guard lock(state().mutex);
    Table* t = current_table();
    if (!t) return false;
    if (!exec(t->db, "INSERT INTO records DEFAULT VALUES"))
        return fail("添加记录失败：" + std::string(sqlite3_errmsg(t->db)));
    t->ids.push_back(sqlite3_last_insert_rowid(t->db));
    t->current = static_cast<int>(t->ids.size());
    return true;
}

bool delete_store_record() {
    std::lock_guard lock(state().mutex);
    Table* t = table_with_current_record();
    if (!t) return false;
    Statement mark = prepare(t->db, "UPDATE records SET marked=1 WHERE id=?");
    if (!mark) return fail("删除记录失败");
    sqlite3_bind_int64(mark.get(), 1, current_id(*t));
    if (sqlite3_step(mark.get()) != SQLITE_DONE) return fail("删除记录失败");
    return true;
}

bool purge_store_records() {
    std::lock_guard lock(state().mutex);
    Table* t = current_table();
    if (!t) return false;
    const int old_number = t->current;
    const sqlite3_int64 old_id = old_number > 0 ? current_id(*t) : 0;
    if (!exec(t->db, "DELETE FROM records WHERE marked<>0")) return fail("清除记录失败");
    std::vector<sqlite3_int64> ids;
    Statement list = prepare(t->db, "SELECT id FROM records ORDER BY id");
    if (!list) return fail("清除记录失败");
    while (sqlite3_step(list.get()) == SQLITE_ROW)
        ids.push_back(sqlite3_column_int64(list.get(), 0));
    t->ids = std::move(ids);
    const int count = static_cast<int>(t->ids.size());
    t->current = std::min(old_number, count);
    for (int i = 0; i < count; ++i)
        if (t->ids[static_cast<std::size_t>(i)] == old_id) t->current = i + 1;
    return true;
}

std::string read_store_field(int number) {
    std::lock_guard lock(state().mutex);
    Table* t = state().current;
    if (!t || t->current < 1 || number < 1 || number > static_cast<int>(t->fields.size()))
        return {};
    Statement& reader = t->readers[static_cast<std::size_t>(number) - 1];
    if (!reader)
        reader = prepare(t->db, "SELECT " + column_name(number) + " FROM records WHERE id=?");
    if (!reader) return {};
    sqlite3_reset(reader.get());
    sqlite3_bind_int64(reader.get(), 1, current_id(*t));
    std::string value;
    if (sqlite3_step(reader.get()) == SQLITE_ROW) value = column_text(reader.get(), 0);
    sqlite3_reset(reader.get());
    return value;
}

std::string read_store_field(const std::string& name) {
    std::lock_guard lock(state().mutex);
    Table* t = state().current;
    return t ? read_store_field(field_number(*t, name)) : std::string();
}

bool write_store_field(int number, const std::string& value) {
    std::lock_guard lock(state().mutex);
    Table* t = table_with_current_record();
    if (!t) return false;
    if (number < 1 || number > static_cast<int>(t->fields.size()))
        return fail("没有这个字段：" + std::to_string(number));
    const FieldDefinition& field = t->fields[static_cast<std::size_t>(number) - 1];
    const std::string stored =
        field.type == kFieldText
            ? text::truncate_to_gbk_bytes(value, static_cast<std::size_t>(field.max_length))
            : value;
    Statement& writer = t->writers[static_cast<std::size_t>(number) - 1];
    if (!writer)
        writer = prepare(t->db, "UPDATE records SET " + column_name(number) + "=? WHERE id=?");
    if (!writer) return fail("写入记录失败");
    sqlite3_reset(writer.get());
    sqlite3_bind_text(writer.get(), 1, stored.data(), static_cast<int>(stored.size()),
                      SQLITE_TRANSIENT);
    sqlite3_bind_int64(writer.get(), 2, current_id(*t));
    const int rc = sqlite3_step(writer.get());
    sqlite3_reset(writer.get());
    if (rc != SQLITE_DONE) return fail("写入记录失败：" + std::string(sqlite3_errmsg(t->db)));
    return true;
}

bool write_store_field(const std::string& name, const std::string& value) {
    std::lock_guard lock(state().mutex);
    Table* t = current_table();
    if (!t) return false;
    const int number = field_number(*t, name);
    if (number == 0) return fail("没有这个字段：" + name);
    return write_store_field(number, value);
}

bool go_to_first_record() {
    std::lock_guard lock(state().mutex);
    Table* t = current_table();
    if (!t) return false;
    t->current = t->ids.empty() ? 0 : 1;
    return t->current == 1;
}

bool go_to_next_record() {
    std::lock_guard lock(state().mutex);
    Table* t = current_table();
    if (!t || t->current >= static_cast<int>(t->ids.size())) return false;
    ++t->current;
    return true;
}

bool go_to_record(int number) {
    std::lock_guard lock(state().mutex);
    Table* t = current_table();
    if (!t) return false;
    if (number < 1 || number > static_cast<int>(t->ids.size()))
        return fail("没有这个记录：" + std::to_string(number));
    t->current = number;
    return true;
}

bool store_has_password(const std::string& file) {
    off_t size = 0;
    const std::string header = read_header(file, size);
    return !header.empty() && header != kPlainHeader;
}

bool set_store_password(const std::string& password) {
    std::lock_guard lock(state().mutex);
    Table* t = current_table();
    if (!t) return false;
    const std::string temp = t->file + ".rekey";
    remove_with_journal(temp);

    // The records are copied into a new file under the new key; the old file
    // is replaced only once the copy is complete and checked.
    // Connections never create files, so the copy's file is made here.
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return fail("设置密码失败：" + t->file);
    ::close(fd);
    bool ok = false;
    if (Statement attach = prepare(t->db, "ATTACH DATABASE ?1 AS rekeyed KEY ?2")) {
        sqlite3_bind_text(attach.get(), 1, temp.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(attach.get(), 2, password.data(), static_cast<int>(password.size()),
                          SQLITE_TRANSIENT);
        ok = sqlite3_step(attach.get()) == SQLITE_DONE;
    }
    if (ok) {
        ok = exec(t->db, "PRAGMA rekeyed.synchronous=FULL") &&
             exec(t->db, "SELECT sqlcipher_export('rekeyed')");
        ok = exec(t->db, "DETACH DATABASE rekeyed") && ok;
    }
    if (ok) {
        Table copy;
        copy.file = temp;
        ok = sync_file(temp) && try_open(copy, &password) == Check::Ok && copy.ids == t->ids;
    }
    if (!ok) {
        remove_with_journal(temp);
        return fail("设置密码失败：" + t->file);
    }
    // Renamed while the old connection still holds the old file, so that a
    // failed rename leaves the table open as it was.
    if (::rename(temp.c_str(), t->file.c_str()) != 0) {
        remove_with_journal(temp);
        return fail("设置密码失败：" + t->file);
    }
    sync_directory_of(t->file);
    const int number = t->current;
    if (try_open(*t, &password) != Check::Ok) {
        const std::string file = t->file;
        drop_table(t);
        return fail("设置密码失败：" + file);
    }
    t->current = number;
    return true;
}

std::string last_store_error() {
    std::lock_guard lock(state().mutex);
    return state().last_error;
}

}  // namespace dezu::store
