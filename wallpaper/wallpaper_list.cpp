#include "wallpaper/wallpaper_list.h"

#include <limits>

#include "platform/files/files.h"
#include "platform/text/text.h"

namespace dezu::wallpaper {

std::vector<std::string> read_wallpaper_list(const std::string& path) {
    return files::read_path_lines(path);
}

files::RewriteResult write_wallpaper_list(const std::string& path,
                                          const std::vector<std::string>& rows) {
    return files::write_lines(path, rows);
}

std::int32_t interval_from_minutes(const std::string& minutes_text) {
    const double ms = text::numeric_value(minutes_text) * 60000.0;
    if (!(ms > 0) || ms > std::numeric_limits<std::int32_t>::max()) return 0;
    return text::truncate_toward_zero(ms);
}

std::string minutes_from_interval(std::int32_t milliseconds) {
    // Tens of billionths of a minute: ms / 60000 * 10^10, rounded up.
    constexpr std::int64_t kPlaces = 10000000000;
    const std::int64_t scaled = (std::int64_t{milliseconds} * 500000 + 2) / 3;
    std::string text = std::to_string(scaled / kPlaces);
    std::string fraction = std::to_string(scaled % kPlaces);
    fraction.insert(0, 10 - fraction.size(), '0');
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    if (!fraction.empty()) text += "." + fraction;
    return text;
}

}  // namespace dezu::wallpaper
