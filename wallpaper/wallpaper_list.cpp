#include "wallpaper/wallpaper_list.h"

#include <limits>

#include "app/globals.h"
#include "platform/files/files.h"
#include "platform/text/text.h"

namespace dezu::wallpaper {

std::vector<std::string> read_wallpaper_list(const std::string& path) {
    return files::read_lines(path);
}

bool write_wallpaper_list(const std::string& path, const std::vector<std::string>& rows) {
    g_wallpaper_list = rows;
    return files::write_lines(path, rows);
}

std::int32_t interval_from_minutes(const std::string& minutes_text) {
    const double ms = text::numeric_value(minutes_text) * 60000.0;
    if (!(ms > 0) || ms > std::numeric_limits<std::int32_t>::max()) return 0;
    return text::truncate_toward_zero(ms);
}

}  // namespace dezu::wallpaper
