#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

// The mail accounts (records of the table user.edb, fields 1..6) and the
// address book of each account (<program dir><account name>.ini).
namespace mail {

inline constexpr const char* kAccountAlias = "用户数据库";
inline constexpr const char* kAccountPassword = "vokt";

enum AccountField {
    kFieldName = 1,
    kFieldPassword = 2,
    kFieldAddress = 3,
    kFieldSmtpPassword = 4,
    kFieldServer = 5,
    kFieldPort = 6,
};

std::string account_db_file();

// Walks the current table from its first record, giving field 1 of each.
// check_count: walk only when there are records (the closing walk does not ask).
void list_accounts(const std::function<void(const std::string&)>& add_row, bool check_count = true);

// Row r of a list stands for record r + 1; false when there is no such record.
bool go_to_account_row(int row);

// Appends a record and writes the six fields in order; says "添加记录失败"
// when the record cannot be appended.
bool append_account(const std::vector<std::string>& fields);

// Removes the record of the row at once.
void remove_account_row(int row);

// The port of field 6's text.
int account_port(const std::string& text);

std::string address_book_path(const std::string& account_name);

// The lines of the book, whole; none when it is missing.
std::vector<std::string> read_address_book_lines(const std::string& account_name);

// A line's name (less its first 7 bytes in the file's code page) and address.
std::pair<std::string, std::string> split_address_line(const std::string& line);

std::string address_line(const std::string& name, const std::string& address);

// Replaces the book with one line per (name, address); false when it cannot be written.
bool write_address_book(const std::string& account_name,
                        const std::vector<std::pair<std::string, std::string>>& rows);

}  // namespace mail
