#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files/files.h"

// The playlist file: one line per row of the track list, GB18030 text, every
// line ended by a line break, no header. The [播放器] section of clock.ini
// records the current file (播放列表), the playing row (歌曲) and the play
// mode (播放模式).
//
// Lists written by other players and editors read too: a byte-order mark is
// skipped (UTF-16 is read), lines beginning "#" (#EXTM3U, #EXTINF and other
// comments) never become rows, file:// addresses are taken as their paths
// (and written back as they stood), and a path that is not a full one is
// taken from the list file's own folder.

namespace dezu::player {

// Every file type the player plays, in the order the file chooser lists
// them. Adding, folder scans and the start-up filter all go by this list.
inline constexpr std::array<std::string_view, 14> kPlayableExtensions = {
    ".MP3", ".MP2", ".WMA", ".WAV", ".MID", ".RMI",  ".AVI",
    ".MPG", ".ASF", ".DAT", ".WMV", ".OGG", ".FLAC", ".M4A"};

// True when the text ends, in any case, in one of the playable extensions.
bool is_media_path(const std::string& path);

// The text's last four bytes (all of it when shorter), upper-cased.
std::string upper_ending(const std::string& text);

// A line of the list file as a row: a file:// address is the path it names
// (percent escapes decoded), and other addresses are no row; a path that does
// not begin with "/" is joined to the list file's folder and tidied
// ("a/../b" is "b"); a full path and a blank line stay as they are.
std::optional<std::string> playlist_line_path(const std::string& line,
                                              const std::string& list_path);

// Each reader gives the lines its rule accepts, in file order, or nothing
// when the file cannot be read.
// Start-up: lines naming existing files with a playable extension.
std::optional<std::vector<std::string>> read_startup_playlist(const std::string& path);
// An M3U file chosen among media files: lines with a playable extension.
std::optional<std::vector<std::string>> read_m3u_media_lines(const std::string& path);
// A loaded playlist: every line that is not a comment.
std::optional<std::vector<std::string>> read_playlist_lines(const std::string& path);

// Writes the rows as the list file, replacing it whole in the form it has
// (see files::write_lines). A row that a file:// line of the file names is
// written back as that line.
[[nodiscard]] files::RewriteResult write_playlist(const std::string& path,
                                                  const std::vector<std::string>& rows);

}  // namespace dezu::player
