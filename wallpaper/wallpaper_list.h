#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dezu::wallpaper {

// The wallpaper list file: one picture path per line, every line taken as it
// is (an empty line is an empty entry); a missing file gives no entries.
std::vector<std::string> read_wallpaper_list(const std::string& path);

// Writes the rows as the list file, replacing it atomically, and makes them
// the wallpaper list. When the file cannot be written the old file stays as it
// was, and the list still takes the rows so that the timed change goes on with
// what the user sees. False when the file was not written.
bool write_wallpaper_list(const std::string& path, const std::vector<std::string>& rows);

// Minutes stored as text -> a timer interval: the numeric value times 60000,
// truncated toward zero. Negative or out-of-range products give 0 (stopped).
std::int32_t interval_from_minutes(const std::string& minutes_text);

}  // namespace dezu::wallpaper
