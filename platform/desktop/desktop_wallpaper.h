#pragma once

#include <functional>
#include <string>

// The desktop's wallpaper, set through the running desktop's own setting.
namespace dezu::desktop {

// Wallpaper styles: 0 centre, 1 tile, 2 stretch; any other value stretches.
inline constexpr int kCentre = 0;
inline constexpr int kTile = 1;
inline constexpr int kStretch = 2;

// Sets the wallpaper from the picture file with the style, or removes the
// wallpaper when the path is empty (the style is then ignored). The desktop
// is chosen by XDG_CURRENT_DESKTOP (GNOME and its kin, Cinnamon, MATE, XFCE,
// KDE Plasma); the X11 root window serves where none of them answers. True
// when the desktop took the setting.
bool set_desktop_wallpaper(const std::string& path, int style = kStretch);

// Writes the picture in the source file (any format the picture library
// reads) to the target as a BMP, replacing the target atomically. False, with
// the target untouched, when the source cannot be read as a picture or the
// target cannot be written.
bool convert_picture_to_bmp(const std::string& source, const std::string& target);

// Tests catch every wallpaper change here instead of changing the desktop.
void set_desktop_wallpaper_hook_for_test(std::function<bool(const std::string&, int)> hook);

}  // namespace dezu::desktop
