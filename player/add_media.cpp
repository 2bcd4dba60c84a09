#include "player/add_media.h"

#include <fnmatch.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <vector>

#include "platform/ui/prompts.h"
#include "player/player.h"
#include "player/playlist_file.h"

namespace fs = std::filesystem;
namespace ui = dezu::ui;

namespace dezu::player {

namespace {

// The first entry offers every playable type; the others are fixed.
const std::string& media_filter() {
    static const std::string filter = [] {
        std::string every;
        for (std::string_view ext : kPlayableExtensions)
            every += (every.empty() ? "*" : ";*") + std::string(ext);
        return "MP3,MP2,WAV,AVI,MID,MPG,WMA,RMI,DAT,ASF,WMV|" + every +
               "|*.MP3;*.MP2;*.WMA;*.WAV;*.MID;*.RMI|*.MP3;*.MP2;*.WMA;*.WAV;*.MID;*.RMI|"
               "*.MPG;*.ASF;*.DAT;*.WMV|*.MPG;*.ASF;*.DAT;*.WMV|"
               "*.M3U|*.M3U|"
               "*.*|*.*";
    }();
    return filter;
}

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

void scan(const std::string& pattern, std::string folder, std::set<fs::path>& visited,
          std::vector<std::string>& found) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    std::error_code ec;
    const fs::path real = fs::canonical(fs::path(folder), ec);
    if (ec || !visited.insert(real).second) return;
    for (const std::string& name : entries(folder, false))
        if (name_matches(pattern, name) && is_media_path(name)) found.push_back(folder + name);
    for (const std::string& name : entries(folder, true))
        if (name.front() != '.') scan(pattern, folder + name, visited, found);
}

}  // namespace

std::vector<std::string> scan_media_folder(const std::string& pattern, const std::string& folder) {
    std::set<fs::path> visited;
    std::vector<std::string> found;
    scan(pattern, folder, visited, found);
    return found;
}

void add_files_to_playlist(dezu::player::Player& player, ui::Prompts& prompts, QWidget* owner) {
    const std::vector<std::string> chosen =
        prompts.choose_files(owner, "请选择要播放的媒体", media_filter(), "");
    if (chosen.empty()) return;
    for (const std::string& path : chosen) {
        if (path.empty()) continue;
        if (upper_ending(path) == ".M3U")
            static_cast<void>(player.import_m3u(path));
        else
            player.append_rows({path});
    }
    // A list that cannot be written is told by the player.
    static_cast<void>(player.save_list());
}

void add_folder_to_playlist(dezu::player::Player& player, ui::Prompts& prompts, QWidget* owner) {
    const std::optional<std::string> folder = prompts.folder_dialog(owner, "选择一个文件夹");
    if (folder && !folder->empty()) player.append_rows(scan_media_folder("*.*", *folder));
    static_cast<void>(player.save_list());
}

}  // namespace dezu::player
