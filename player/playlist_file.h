#pragma once

#include <optional>
#include <string>
#include <vector>

// The playlist file: one line per row of the track list, GB18030 text, every
// line ended by a line break, no header. Lines beginning exactly "#EXT" are
// directives of extended M3U files and never become rows. The [播放器]
// section of clock.ini records the current file (播放列表), the playing row
// (歌曲) and the play mode (播放模式).

// True when the text's last four bytes, upper-cased, are one of the media
// extensions (.MP3, .MP2, .WAV, .MID, .MPG, .DAT, .WMA, .AVI, .WMV, .RMI,
// .ASF).
bool is_media_path(const std::string& text);

// The text's last four bytes (all of it when shorter), upper-cased.
std::string upper_ending(const std::string& text);

// Each reader gives the lines its rule accepts, in file order, or nothing
// when the file cannot be read.
// Start-up: lines naming existing files with a media extension.
std::optional<std::vector<std::string>> read_startup_playlist(const std::string& path);
// An M3U file chosen among media files: lines with a media extension.
std::optional<std::vector<std::string>> read_m3u_media_lines(const std::string& path);
// A loaded playlist: every line that is not a directive.
std::optional<std::vector<std::string>> read_playlist_lines(const std::string& path);
