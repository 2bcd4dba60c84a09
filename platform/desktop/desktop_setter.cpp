#include "platform/desktop/desktop_setter.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

#include "platform/desktop/desktop_wallpaper.h"

namespace dezu::desktop {

bool LiveDesktop::set_wallpaper(const std::string& path, int style) {
    return set_desktop_wallpaper(path, style);
}

bool LiveDesktop::set_decoded_wallpaper(const std::string& path, int style, const QImage& picture) {
    return set_desktop_wallpaper(path, style, &picture);
}

QSize LiveDesktop::screen_size() {
    // The whole desktop at its finest scale: a desktop that spans its screens
    // with one picture, as the root window does, needs all of it.
    QSize size;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QSize whole = screen->virtualSize();
        const qreal scale = screen->devicePixelRatio();
        size = size.expandedTo(
            QSize(int(std::ceil(whole.width() * scale)), int(std::ceil(whole.height() * scale))));
    }
    return size;
}

}  // namespace dezu::desktop
