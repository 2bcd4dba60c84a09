#include "diary/diary_book.h"

#include <algorithm>
#include <filesystem>

#include "platform/text/text.h"

namespace fs = std::filesystem;

namespace dezu::diary {

std::vector<dezu::store::FieldDefinition> diary_book_fields() {
    std::vector<dezu::store::FieldDefinition> fields(3);
    fields[0].name = "内容";
    fields[0].type = dezu::store::kFieldLongText;
    fields[1].name = "时间";
    fields[1].type = dezu::store::kFieldText;
    fields[1].max_length = 30;
    fields[2].name = "标题";
    fields[2].type = dezu::store::kFieldText;
    fields[2].max_length = 1024;
    return fields;
}

std::string book_file_path(const std::string& folder, const std::string& name,
                           const std::string& extension) {
    std::string exact = folder + "/" + name + extension;
    std::error_code ec;
    if (fs::exists(fs::u8path(exact), ec)) return exact;
    const std::string wanted = name + extension;
    for (const auto& entry : fs::directory_iterator(fs::u8path(folder), ec)) {
        const std::string file = entry.path().filename().string();
        if (file.size() == wanted.size() && file.compare(0, name.size(), name) == 0 &&
            dezu::text::equals_ignoring_case(file.substr(name.size()), extension))
            return folder + "/" += file;
    }
    return exact;
}

std::vector<std::string> list_book_names(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    const std::string extension = kBookExtension;
    for (const auto& entry : fs::directory_iterator(fs::u8path(folder), ec)) {
        const std::string file = entry.path().filename().string();
        if (file.size() > extension.size() &&
            dezu::text::ends_with_ignoring_case(file, extension) && !entry.is_directory(ec))
            names.push_back(file.substr(0, file.size() - extension.size()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool is_usable_book_name(const std::string& name) {
    return !name.empty() && name.find('/') == std::string::npos && name != "." && name != "..";
}

}  // namespace dezu::diary
