#include "platform/store/record_store.h"

#include <filesystem>
#include <memory>
#include <mutex>

#include "platform/ui/prompts.h"

namespace fs = std::filesystem;

namespace dezu::store {
namespace {

struct Entry {
    std::string alias;
    Table table;
};

struct State {
    std::recursive_mutex mutex;
    std::vector<std::unique_ptr<Entry>> entries;
    Entry* current = nullptr;
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

// The call's result, with the table's error kept as the last one.
bool kept(Table& table, bool ok) {
    if (!ok) fail(table.error().text);
    return ok;
}

bool same_file_name(const std::string& a, const std::string& b) {
    if (a == b) return true;
    std::error_code ec1, ec2;
    const fs::path pa = fs::weakly_canonical(fs::u8path(a), ec1);
    const fs::path pb = fs::weakly_canonical(fs::u8path(b), ec2);
    return !ec1 && !ec2 && pa == pb;
}

Entry* find_entry(const std::string& name) {
    if (name.empty()) return nullptr;
    for (auto& e : state().entries)
        if (e->alias == name) return e.get();
    for (auto& e : state().entries)
        if (same_file_name(e->table.file(), name)) return e.get();
    return nullptr;
}

void drop_entry(Entry* entry) {
    auto& s = state();
    if (s.current == entry) s.current = nullptr;
    std::erase_if(s.entries, [entry](const auto& e) { return e.get() == entry; });
}

Table* current_table() {
    Entry* e = state().current;
    if (!e) fail("没有打开的数据表");
    return e ? &e->table : nullptr;
}

}  // namespace

bool create_store_table(const std::string& file, const std::vector<FieldDefinition>& fields) {
    std::lock_guard lock(state().mutex);
    const Outcome made = Table::create(file, fields);
    return made.ok() || fail(made.text);
}

bool open_store_table(const std::string& file, const std::string& alias,
                      const std::string& password) {
    // The prompt runs the event loop; other callers must not wait on the
    // store meanwhile, so the table is opened outside the lock.
    Table table = Table::open(file, password, &ui::default_prompts());
    std::lock_guard lock(state().mutex);
    if (!table.is_open()) return fail(table.error().text);
    // Damage anywhere in the records is found before anyone relies on them.
    std::vector<std::string> names;
    for (const FieldDefinition& field : table.fields()) names.push_back(field.name);
    if (!table.read_all(names)) return fail(table.error().text);
    for (auto& e : state().entries)
        if (e->alias == alias) {
            drop_entry(e.get());
            break;
        }
    auto entry = std::make_unique<Entry>();
    entry->alias = alias;
    entry->table = std::move(table);
    state().entries.push_back(std::move(entry));
    state().current = state().entries.back().get();
    return true;
}

bool select_store_table(const std::string& name) {
    std::lock_guard lock(state().mutex);
    Entry* e = find_entry(name);
    if (!e) return fail("数据表没有打开：" + name);
    state().current = e;
    return true;
}

bool is_store_table_open(const std::string& name) {
    std::lock_guard lock(state().mutex);
    return find_entry(name) != nullptr;
}

void close_store_table(const std::string& name) {
    std::lock_guard lock(state().mutex);
    if (Entry* e = find_entry(name)) drop_entry(e);
}

void close_store_table() {
    std::lock_guard lock(state().mutex);
    if (state().current) drop_entry(state().current);
}

void close_all_store_tables() {
    std::lock_guard lock(state().mutex);
    state().current = nullptr;
    state().entries.clear();
}

std::string current_store_alias() {
    std::lock_guard lock(state().mutex);
    return state().current ? state().current->alias : std::string();
}

int store_record_count() {
    std::lock_guard lock(state().mutex);
    return state().current ? state().current->table.record_count() : 0;
}

int current_record_number() {
    std::lock_guard lock(state().mutex);
    return state().current ? state().current->table.current_record() : 0;
}

bool append_store_record() {
    std::lock_guard lock(state().mutex);
    Table* t = current_table();
    return t && kept(*t, t->append());
}

bool delete_store_record() {
    std::lock_guard lock(state().mutex);
    Table* t = current_table();
    return t && kept(*t, t->delete_current());
}

bool purge_store_records() {
    std::lock_guard lock(state().mutex);
    Table* t = current_table();
    return t && kept(*t, t->purge());
}

std::string read_store_field(int number) {
    std::lock_guard lock(state().mutex);
    Entry* e = state().current;
    return e ? e->table.read(number).value_or(std::string()) : std::string();
}

std::string read_store_field(const std::string& name) {
    std::lock_guard lock(state().mutex);
    Entry* e = state().current;
    return e ? e->table.read(name).value_or(std::string()) : std::string();
}

bool write_store_field(int number, const std::string& value) {
    std::lock_guard lock(state().mutex);
    Table* t = current_table();
    return t && kept(*t, t->write(number, value));
}

bool write_store_field(const std::string& name, const std::string& value) {
    std::lock_guard lock(state().mutex);
    Table* t = current_table();
    return t && kept(*t, t->write(name, value));
}

bool go_to_first_record() {
    std::lock_guard lock(state().mutex);
    Table* t = current_table();
    return t && t->first();
}

bool go_to_next_record() {
    std::lock_guard lock(state().mutex);
    Table* t = current_table();
    return t && t->next();
}

bool go_to_record(int number) {
    std::lock_guard lock(state().mutex);
    Table* t = current_table();
    return t && kept(*t, t->go_to(number));
}

bool store_has_password(const std::string& file) {
    return Table::has_password(file);
}

bool set_store_password(const std::string& password) {
    std::lock_guard lock(state().mutex);
    Entry* e = state().current;
    if (!e) return fail("没有打开的数据表");
    if (e->table.set_password(password)) return true;
    fail(e->table.error().text);
    // A table that could not be reopened after the swap is closed.
    if (!e->table.is_open()) drop_entry(e);
    return false;
}

std::string last_store_error() {
    std::lock_guard lock(state().mutex);
    return state().last_error;
}

}  // namespace dezu::store
