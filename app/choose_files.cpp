#include "app/choose_files.h"

namespace {

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    while (true) {
        const auto end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

}  // namespace

std::vector<dezu::ui::FileFilter> parse_file_filter(const std::string& filter) {
    std::vector<dezu::ui::FileFilter> filters;
    if (filter.empty()) return filters;
    const std::vector<std::string> fields = split(filter, '|');
    for (std::size_t i = 0; i + 1 < fields.size(); i += 2) {
        dezu::ui::FileFilter f;
        f.description = fields[i];
        for (const std::string& pattern : split(fields[i + 1], ';'))
            if (!pattern.empty()) f.patterns.push_back(pattern);
        if (!f.patterns.empty()) filters.push_back(std::move(f));
    }
    return filters;
}

std::string choose_files(QWidget* owner, const std::string& title, const std::string& filter,
                         const std::string& initial_folder) {
    const std::vector<std::string> files =
        dezu::ui::open_file_dialog(owner, title, parse_file_filter(filter), initial_folder, true);
    std::string joined;
    for (const std::string& file : files) {
        if (!joined.empty()) joined += ';';
        joined += file;
    }
    return joined;
}
