#pragma once

#include <string>

namespace dezu::desktop {

// Hands a picture to the desktop as its wallpaper (see set_desktop_wallpaper).
// Called off the UI thread. Tests record the calls, so that no test changes
// the real desktop.
class DesktopSetter {
public:
    virtual ~DesktopSetter() = default;
    // An empty path removes the wallpaper. True when the desktop took it.
    virtual bool set_wallpaper(const std::string& path, int style) = 0;
};

class LiveDesktop final : public DesktopSetter {
public:
    bool set_wallpaper(const std::string& path, int style) override;
};

}  // namespace dezu::desktop
