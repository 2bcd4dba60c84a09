// The record store as the program has it, on the system's SQLCipher, for the
// test that builds the store on SQLCipher 4 to check books against:
//   store_book_tool lock FILE PASSWORD TEXT...  a new book of these pages, locked
//   store_book_tool read FILE PASSWORD          each page's text on a line of its own
#include <iostream>
#include <string>
#include <vector>

#include "platform/store/table.h"

using dezu::store::Table;

namespace {

int failed(const std::string& why) {
    std::cerr << why << "\n";
    return 1;
}

int lock(const std::string& file, const std::string& password,
         const std::vector<std::string>& pages) {
    const auto made = Table::create(
        file, {{"内容", dezu::store::kFieldLongText, 20}, {"标题", dezu::store::kFieldText, 1024}});
    if (!made.ok()) return failed(made.text);
    Table book = Table::open(file, "");
    if (!book.is_open()) return failed(book.error().text);
    for (const std::string& text : pages)
        if (!book.append() || !book.write("内容", text)) return failed(book.error().text);
    if (!book.set_password(password)) return failed(book.error().text);
    return 0;
}

int read(const std::string& file, const std::string& password) {
    const Table book = Table::open(file, password);
    if (!book.is_open()) return failed(book.error().text);
    const auto rows = book.read_all({"内容"});
    if (!rows) return failed(book.error().text);
    for (const auto& row : rows->rows) std::cout << row.at(0) << "\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 3 && args[0] == "lock")
        return lock(args[1], args[2], {args.begin() + 3, args.end()});
    if (args.size() == 3 && args[0] == "read") return read(args[1], args[2]);
    return failed("usage: store_book_tool lock FILE PASSWORD TEXT... | read FILE PASSWORD");
}
