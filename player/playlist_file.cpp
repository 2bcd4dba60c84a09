#include "player/playlist_file.h"

#include <array>
#include <functional>
#include <string_view>

#include "app/globals.h"
#include "platform/files/files.h"
#include "platform/settings/settings_file.h"
#include "player/track_list.h"

namespace files = dezu::files;

namespace {

bool is_directive(const std::string& line) {
    return line.compare(0, 4, "#EXT") == 0;
}

bool append_accepted_lines(const std::string& path,
                           const std::function<bool(const std::string&)>& accept) {
    if (!files::file_exists(path) || !files::read_file_unless_unreadable(path)) return false;
    for (const std::string& line : files::read_lines(path))
        if (accept(line)) append_track(line);
    return true;
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

void rewrite_playlist_file() {
    if (g_playlist_path.empty()) g_playlist_path = g_program_dir + "TMP.m3u";
    files::write_lines(g_playlist_path, all_tracks());
    dezu::settings::write_setting(clock_ini_path(), kPlayerSection, "播放列表", g_playlist_path);
}

bool read_startup_playlist(const std::string& path) {
    return append_accepted_lines(path, [](const std::string& line) {
        return files::file_exists(line) && !is_directive(line) && is_media_path(line);
    });
}

bool import_m3u_file(const std::string& path) {
    return append_accepted_lines(
        path, [](const std::string& line) { return !is_directive(line) && is_media_path(line); });
}

bool append_playlist_lines(const std::string& path) {
    return append_accepted_lines(path, [](const std::string& line) { return !is_directive(line); });
}
