#pragma once

#include <QImage>
#include <QSize>
#include <string>

namespace dezu::desktop {

// Wallpaper styles: 0 centre, 1 tile, 2 stretch; any other value stretches.
inline constexpr int kCentre = 0;
inline constexpr int kTile = 1;
inline constexpr int kStretch = 2;

// Hands a picture to the desktop as its wallpaper. Called off the UI thread.
// Tests record the calls, so that no test changes the real desktop.
class DesktopSetter {
public:
    virtual ~DesktopSetter() = default;
    // An empty path removes the wallpaper. True when the desktop took it.
    [[nodiscard]] virtual bool set_wallpaper(const std::string& path, int style) = 0;
    // The same for a file whose picture is decoded already: a desktop that
    // is drawn by this program uses the picture rather than reading it again.
    [[nodiscard]] virtual bool set_decoded_wallpaper(const std::string& path, int style,
                                                     const QImage& /*picture*/) {
        return set_wallpaper(path, style);
    }
    // The size in pixels that every screen of the desktop fits in; empty
    // when it is not known. Called on the UI thread.
    virtual QSize screen_size() { return {}; }
};

// The running desktop's own setting (see set_desktop_wallpaper).
class LiveDesktop final : public DesktopSetter {
public:
    [[nodiscard]] bool set_wallpaper(const std::string& path, int style) override;
    [[nodiscard]] bool set_decoded_wallpaper(const std::string& path, int style,
                                             const QImage& picture) override;
    QSize screen_size() override;
};

}  // namespace dezu::desktop
