#pragma once

#include <string>

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

// Writes every row to g_playlist_path (the default TMP.m3u in the program
// directory when none is current) and records it as the current file. A
// file that cannot be written keeps what it had.
void rewrite_playlist_file();

// Each reader appends the lines its rule accepts as rows, in file order, and
// returns false (adding nothing) when the file cannot be read.
// Start-up: lines naming existing files with a media extension.
bool read_startup_playlist(const std::string& path);
// An M3U file chosen among media files: lines with a media extension.
bool import_m3u_file(const std::string& path);
// A loaded playlist: every line that is not a directive.
bool append_playlist_lines(const std::string& path);

// Section and key names of the player's settings.
inline constexpr const char* kPlayerSection = "播放器";
