#pragma once

#include <string>
#include <vector>

#include "platform/store/table.h"

// The record store seen through one program-wide cursor: several tables open
// at once, each under an alias, one of them current, every record operation
// acting on its current record. Kept while its last users move to Table
// handles of their own; each call here forwards to the current Table.
//
// Calls may come from any thread; they are serialised inside.
namespace dezu::store {

// Makes a new empty table file with these fields. False when the file exists
// already (it is left untouched), a definition is unusable, or the file
// cannot be written.
bool create_store_table(const std::string& file, const std::vector<FieldDefinition>& fields);

// Opens the table under the alias; it becomes current, at record 1 (0 when
// empty). A table without a password opens with any password text. For one
// with a password, a password text that does not open it makes the store ask
// the user (masked); a wrong answer or a cancel fails. A table open under the
// same alias already is closed first.
bool open_store_table(const std::string& file, const std::string& alias,
                      const std::string& password = {});

// Where a name is taken, the alias and the file name given at opening both
// serve.
bool select_store_table(const std::string& name);
bool is_store_table_open(const std::string& name);
void close_store_table(const std::string& name);
void close_store_table();  // the current table
void close_all_store_tables();

// The alias of the current table, never its file name; "" when none.
std::string current_store_alias();

int store_record_count();
int current_record_number();  // 0 when the table has no record

// A blank record at the end, which becomes current.
bool append_store_record();
// Marks the current record for purging.
bool delete_store_record();
// Removes the marked records; the others keep their order, renumbered from 1.
// The current record stays on the same record when it survives, else on the
// one that took its number (the last one when it was past the end).
bool purge_store_records();

// "" for an unknown field or when there is no current record.
std::string read_store_field(const std::string& name);
std::string read_store_field(int number);
// A text longer than its field's maximum is cut to the longest leading part
// that fits, never in the middle of a character.
bool write_store_field(const std::string& name, const std::string& value);
bool write_store_field(int number, const std::string& value);

bool go_to_first_record();
// At the last record this stays there and returns false.
bool go_to_next_record();
// Outside 1..count this returns false and the current record is unchanged.
bool go_to_record(int number);

// From the file alone: true when it is there and is not a plain table.
bool store_has_password(const std::string& file);

// Sets or replaces the current table's password, or removes it ("" or no
// argument). Every record is kept; the file is rewritten as a whole and
// swapped in only when complete.
bool set_store_password(const std::string& password = {});

// The text of the last failure, to show to the user.
std::string last_store_error();

}  // namespace dezu::store
