#include "player/playlist_file.h"

#include <algorithm>
#include <filesystem>

#include "platform/files/files.h"
#include "platform/text/text.h"

namespace files = dezu::files;
namespace text = dezu::text;
namespace fs = std::filesystem;

namespace dezu::player {

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
        const std::optional<std::string> row = playlist_line_path(line, path);
        return row && files::file_exists(*row);
    };
    std::vector<std::string> rows;
    for (const std::string& line : text::decode_lines(*bytes, names_file)) {
        if (is_comment(line)) continue;
        std::optional<std::string> row = playlist_line_path(line, path);
        if (row && accept(*row)) rows.push_back(std::move(*row));
    }
    return rows;
}

// For a line that is an address ("scheme:" and "//", or "file:"), the path of
// the file it names, empty when it names none on this machine; nothing for a
// line that is no address.
std::optional<std::string_view> address_path(std::string_view line) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) return std::nullopt;
    const auto scheme_char = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '+' || c == '-' || c == '.';
    };
    const std::string_view scheme = line.substr(0, colon);
    const char first = static_cast<char>(scheme.front() | 0x20);
    if (first < 'a' || first > 'z' || !std::all_of(scheme.begin(), scheme.end(), scheme_char))
        return std::nullopt;
    std::string_view rest = line.substr(colon + 1);
    const bool file = text::equals_ignoring_case(scheme, "file");
    if (!rest.starts_with("//")) {
        // "file:/music/a.mp3"; "c:" and the like are no address.
        if (file && rest.starts_with("/")) return rest;
        return std::nullopt;
    }
    if (!file) return std::string_view();
    rest.remove_prefix(2);
    const std::size_t slash = rest.find('/');
    const std::string_view host = rest.substr(0, slash);
    if (slash == std::string_view::npos ||
        !(host.empty() || text::equals_ignoring_case(host, "localhost")))
        return std::string_view();
    return rest.substr(slash);
}

// "%E6%B5%B7" -> the bytes it stands for; a "%" that starts no escape stays.
std::string percent_decoded(std::string_view text) {
    const auto hex = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 &&
            hex(text[i + 2]) >= 0) {
            out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
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

std::optional<std::string> playlist_line_path(const std::string& line,
                                              const std::string& list_path) {
    if (const std::optional<std::string_view> address = address_path(line)) {
        if (address->empty()) return std::nullopt;
        return percent_decoded(*address);
    }
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

files::RewriteResult write_playlist(const std::string& path, const std::vector<std::string>& rows) {
    return files::write_lines(path, rows, [&path](const std::string& line) {
        return address_path(line) ? playlist_line_path(line, path) : std::nullopt;
    });
}

}  // namespace dezu::player
