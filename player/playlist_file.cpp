#include "player/playlist_file.h"

#include <filesystem>

#include "platform/files/files.h"
#include "platform/text/text.h"

namespace files = dezu::files;
namespace text = dezu::text;
namespace fs = std::filesystem;

namespace {

bool is_comment(const std::string& line) {
    return !line.empty() && line.front() == '#';
}

template <class Accept>
std::optional<std::vector<std::string>> accepted_lines(const std::string& path, Accept accept) {
    if (!files::file_exists(path)) return std::nullopt;
    const std::optional<std::string> bytes = files::read_file_unless_unreadable(path);
    if (!bytes) return std::nullopt;
    // A line that reads both as GB18030 and as UTF-8 is taken in the reading
    // that names a file.
    const auto names_file = [&path](const std::string& line) {
        return files::file_exists(playlist_line_path(line, path));
    };
    std::vector<std::string> rows;
    for (const std::string& line : text::decode_lines(*bytes, names_file)) {
        if (is_comment(line)) continue;
        std::string row = playlist_line_path(line, path);
        if (accept(row)) rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace

std::string upper_ending(const std::string& text) {
    std::string tail = text.size() > 4 ? text.substr(text.size() - 4) : text;
    for (char& c : tail)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return tail;
}

bool is_media_path(const std::string& path) {
    for (std::string_view ext : kPlayableExtensions)
        if (path.size() >= ext.size() && text::ends_with_ignoring_case(path, ext)) return true;
    return false;
}

std::string playlist_line_path(const std::string& line, const std::string& list_path) {
    if (line.empty() || line.front() == '/') return line;
    std::error_code ec;
    fs::path folder = fs::absolute(fs::path(list_path), ec).parent_path();
    if (ec) folder = fs::path(list_path).parent_path();
    return (folder / fs::path(line)).lexically_normal().string();
}

std::optional<std::vector<std::string>> read_startup_playlist(const std::string& path) {
    return accepted_lines(
        path, [](const std::string& row) { return files::file_exists(row) && is_media_path(row); });
}

std::optional<std::vector<std::string>> read_m3u_media_lines(const std::string& path) {
    return accepted_lines(path, [](const std::string& row) { return is_media_path(row); });
}

std::optional<std::vector<std::string>> read_playlist_lines(const std::string& path) {
    return accepted_lines(path, [](const std::string&) { return true; });
}
