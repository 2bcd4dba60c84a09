#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/files/files.h"

namespace dezu::wallpaper {

// The wallpaper list file: one picture path per line, every line taken as it
// is (an empty line is an empty entry); a missing file gives no entries.
std::vector<std::string> read_wallpaper_list(const std::string& path);

// Writes the rows as the list file, replacing it atomically. When the file
// was not written, the old file stays as it was.
[[nodiscard]] files::RewriteResult write_wallpaper_list(const std::string& path,
                                                        const std::vector<std::string>& rows);

// Minutes stored as text -> a timer interval: the numeric value times 60000,
// truncated toward zero. Negative or out-of-range products give 0 (stopped).
std::int32_t interval_from_minutes(const std::string& minutes_text);

// A timer interval as minutes for the interval box: "5" for 300000, "1.5"
// for 90000. A fraction that does not end is rounded up at ten places, so that
// the text gives the same interval back.
std::string minutes_from_interval(std::int32_t milliseconds);

}  // namespace dezu::wallpaper
