#include "mail/mail_accounts.h"

#include "app/globals.h"
#include "platform/files/files.h"
#include "platform/store/record_store.h"
#include "platform/text/text.h"
#include "platform/ui/prompts.h"

namespace store = dezu::store;
namespace text = dezu::text;

namespace mail {
namespace {

constexpr const char* kNameMark = "收信人:";
constexpr const char* kAddressMark = "地址:";

}  // namespace

std::string account_db_file() {
    return g_program_dir + "user.edb";
}

void list_accounts(const std::function<void(const std::string&)>& add_row, bool check_count) {
    const int count = store::store_record_count();
    if (check_count && count <= 0) return;
    store::go_to_first_record();
    for (int i = 0; i < count; ++i) {
        add_row(store::read_store_field(kFieldName));
        store::go_to_next_record();
    }
}

bool go_to_account_row(int row) {
    if (row < 0 || row + 1 > store::store_record_count()) return false;
    return store::go_to_record(row + 1);
}

bool append_account(const std::vector<std::string>& fields) {
    if (!store::append_store_record()) {
        dezu::ui::message_box("添加记录失败");
        return false;
    }
    for (int i = 0; i < static_cast<int>(fields.size()); ++i)
        store::write_store_field(i + 1, fields[i]);
    return true;
}

void remove_account_row(int row) {
    if (!go_to_account_row(row)) return;
    store::delete_store_record();
    store::purge_store_records();
}

int account_port(const std::string& value) {
    return text::truncate_toward_zero(text::numeric_value(value));
}

std::string address_book_path(const std::string& account_name) {
    return g_program_dir + account_name + ".ini";
}

std::vector<std::string> read_address_book_lines(const std::string& account_name) {
    return dezu::files::read_lines(address_book_path(account_name));
}

std::pair<std::string, std::string> split_address_line(const std::string& line) {
    const std::string bytes = text::to_gbk(line);
    const std::string mark = text::to_gbk(kAddressMark);
    const size_t first = bytes.find(mark);
    const std::string name_piece = bytes.substr(0, first);
    std::string address;
    if (first != std::string::npos) {
        const size_t start = first + mark.size();
        const size_t second = bytes.find(mark, start);
        address =
            bytes.substr(start, second == std::string::npos ? std::string::npos : second - start);
    }
    const std::string name = name_piece.size() > 7 ? name_piece.substr(7) : std::string();
    return {text::from_gbk(name), text::from_gbk(address)};
}

std::string address_line(const std::string& name, const std::string& address) {
    return std::string(kNameMark) + name + kAddressMark + address;
}

bool write_address_book(const std::string& account_name,
                        const std::vector<std::pair<std::string, std::string>>& rows) {
    std::vector<std::string> lines;
    for (const auto& [name, address] : rows) lines.push_back(address_line(name, address));
    return dezu::files::write_lines(address_book_path(account_name), lines);
}

}  // namespace mail
