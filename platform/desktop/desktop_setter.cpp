#include "platform/desktop/desktop_setter.h"

#include "platform/desktop/desktop_wallpaper.h"

namespace dezu::desktop {

bool LiveDesktop::set_wallpaper(const std::string& path, int style) {
    return set_desktop_wallpaper(path, style);
}

bool LiveDesktop::set_decoded_wallpaper(const std::string& path, int style, const QImage& picture) {
    return set_desktop_wallpaper(path, style, &picture);
}

}  // namespace dezu::desktop
