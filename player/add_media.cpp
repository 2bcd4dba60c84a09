#include "player/add_media.h"

#include <fnmatch.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <vector>

#include "app/choose_files.h"
#include "platform/ui/form.h"
#include "platform/ui/prompts.h"
#include "platform/ui/window_ids.h"
#include "player/playlist_file.h"
#include "player/track_list.h"

namespace fs = std::filesystem;
namespace ui = dezu::ui;

const char* const kMediaFilter =
    "MP3,MP2,WAV,AVI,MID,MPG,WMA,RMI,DAT,ASF,WMV|"
    "*.MP3;*.MP2;*.WMA;*.WAV;*.MID;*.RMI;*.AVI;*.MPG;*.ASF;*.DAT;*.WMV|"
    "*.MP3;*.MP2;*.WMA;*.WAV;*.MID;*.RMI|*.MP3;*.MP2;*.WMA;*.WAV;*.MID;*.RMI|"
    "*.MPG;*.ASF;*.DAT;*.WMV|*.MPG;*.ASF;*.DAT;*.WMV|"
    "*.M3U|*.M3U|"
    "*.*|*.*";

namespace {

bool name_matches(const std::string& pattern, const std::string& name) {
    // As on the classic platform, "*.*" also takes names without a dot.
    return pattern == "*.*" || pattern == "*" || fnmatch(pattern.c_str(), name.c_str(), 0) == 0;
}

// The names of the folder's entries of one kind, in name order; none when it
// cannot be read.
std::vector<std::string> entries(const std::string& folder, bool folders) {
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(fs::path(folder), ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        std::error_code kind_ec;
        const bool is_folder = it->is_directory(kind_ec);
        if (kind_ec || is_folder != folders) continue;
        if (!folders && !it->is_regular_file(kind_ec)) continue;
        names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void scan(const std::string& pattern, std::string folder, std::set<fs::path>& visited) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    std::error_code ec;
    const fs::path real = fs::canonical(fs::path(folder), ec);
    if (ec || !visited.insert(real).second) return;
    for (const std::string& name : entries(folder, false))
        if (name_matches(pattern, name) && is_media_path(name)) append_track(folder + name);
    for (const std::string& name : entries(folder, true))
        if (name.front() != '.') scan(pattern, folder + name, visited);
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

}  // namespace

void scan_media_folder(const std::string& pattern, const std::string& folder) {
    std::set<fs::path> visited;
    scan(pattern, folder, visited);
}

void add_files_to_playlist() {
    const std::string chosen = choose_files(ui::loaded_window(ui::windows::kPlayerBar),
                                            "请选择要播放的媒体", kMediaFilter, "");
    if (chosen.empty()) return;
    for (const std::string& path : split(chosen, ';')) {
        if (path.empty()) continue;
        if (upper_ending(path) == ".M3U")
            import_m3u_file(path);
        else
            append_track(path);
    }
    rewrite_playlist_file();
}

void add_folder_to_playlist() {
    const std::optional<std::string> folder =
        ui::folder_dialog(ui::loaded_window(ui::windows::kPlayerBar), "选择一个文件夹");
    if (folder && !folder->empty()) scan_media_folder("*.*", *folder);
    rewrite_playlist_file();
}
