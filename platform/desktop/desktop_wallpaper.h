#pragma once

#include <QImage>
#include <string>

#include "platform/desktop/desktop_setter.h"

// The desktop's wallpaper, set through the running desktop's own setting.
namespace dezu::desktop {

// Sets the wallpaper from the picture file with the style, or removes the
// wallpaper when the path is empty (the style is then ignored). The desktop
// is chosen by XDG_CURRENT_DESKTOP (GNOME and its kin, Cinnamon, MATE, XFCE,
// KDE Plasma, LXQt, LXDE). Without one of them the X11 root window is painted,
// from the picture when it is given. MATE, XFCE, LXQt and LXDE keep the path
// as UTF-8 text and refuse one that is not. True when the desktop took the
// setting.
[[nodiscard]] bool set_desktop_wallpaper(const std::string& path, int style = kStretch,
                                         const QImage* picture = nullptr);

}  // namespace dezu::desktop
