#include "platform/desktop/desktop_setter.h"

#include "platform/desktop/desktop_wallpaper.h"

namespace dezu::desktop {

bool LiveDesktop::set_wallpaper(const std::string& path, int style) {
    return set_desktop_wallpaper(path, style);
}

}  // namespace dezu::desktop
