#include "player/playlist_file.h"

#include <array>
#include <string_view>

#include "platform/files/files.h"

namespace files = dezu::files;

namespace {

bool is_directive(const std::string& line) {
    return line.compare(0, 4, "#EXT") == 0;
}

template <class Accept>
std::optional<std::vector<std::string>> accepted_lines(const std::string& path, Accept accept) {
    if (!files::file_exists(path) || !files::read_file_unless_unreadable(path)) return std::nullopt;
    std::vector<std::string> rows;
    for (std::string& line : files::read_lines(path))
        if (accept(line)) rows.push_back(std::move(line));
    return rows;
}

}  // namespace

std::string upper_ending(const std::string& text) {
    std::string tail = text.size() > 4 ? text.substr(text.size() - 4) : text;
    for (char& c : tail)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return tail;
}

bool is_media_path(const std::string& text) {
    static constexpr std::array<std::string_view, 11> kExtensions = {
        ".MP3", ".MP2", ".WAV", ".MID", ".MPG", ".DAT", ".WMA", ".AVI", ".WMV", ".RMI", ".ASF"};
    const std::string tail = upper_ending(text);
    for (std::string_view ext : kExtensions)
        if (tail == ext) return true;
    return false;
}

std::optional<std::vector<std::string>> read_startup_playlist(const std::string& path) {
    return accepted_lines(path, [](const std::string& line) {
        return files::file_exists(line) && !is_directive(line) && is_media_path(line);
    });
}

std::optional<std::vector<std::string>> read_m3u_media_lines(const std::string& path) {
    return accepted_lines(
        path, [](const std::string& line) { return !is_directive(line) && is_media_path(line); });
}

std::optional<std::vector<std::string>> read_playlist_lines(const std::string& path) {
    return accepted_lines(path, [](const std::string& line) { return !is_directive(line); });
}
