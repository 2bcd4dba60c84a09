#include "wallpaper/wallpaper_list.h"

#include "platform/files/files.h"
#include "platform/text/text.h"

#include <limits>

namespace dezu::wallpaper {

std::vector<std::string> read_wallpaper_list(const std::string& path) {
    return files::read_lines(path);
}

std::int32_t interval_from_minutes(const std::string& minutes_text) {
    const double ms = text::numeric_value(minutes_text) * 60000.0;
    if (!(ms > 0) || ms > std::numeric_limits<std::int32_t>::max()) return 0;
    return text::truncate_toward_zero(ms);
}

}  // namespace dezu::wallpaper
