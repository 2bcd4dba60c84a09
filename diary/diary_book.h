#pragma once

#include <string>
#include <vector>

#include "platform/store/table.h"

// A diary book: one record-store table per book in the diary folder, one
// record per page.
namespace dezu::diary {

// The alias under which the editor opens its book.
inline constexpr const char* kBookAlias = "记事";
inline constexpr const char* kBookExtension = ".SJK";
inline constexpr const char* kSideFileExtension = ".EDT";

// The password text every book is opened with: none, so a book with a
// password makes the store ask for it at once, without first trying a text
// that cannot open it.
inline const std::string kBookOpeningPassword;

// The three fields of a book's table, in their order: 内容, 时间, 标题.
std::vector<dezu::store::FieldDefinition> diary_book_fields();

// folder + "/" + name + extension, where an existing file whose extension is
// spelt in other letter case ("work.sjk") is taken as it is spelt on disk.
std::string book_file_path(const std::string& folder, const std::string& name,
                           const std::string& extension);

// The names of the books in the folder: every file whose name ends in ".SJK"
// in any letter case, without that ending, sorted.
std::vector<std::string> list_book_names(const std::string& folder);

// Whether a typed text can name a book: it must stay a file in the folder.
bool is_usable_book_name(const std::string& name);

}  // namespace dezu::diary
