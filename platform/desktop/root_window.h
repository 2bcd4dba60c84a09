#pragma once

#include <QImage>
#include <string>

namespace dezu::desktop {

// Paints the wallpaper on the X11 root window as the classic root setters do:
// a pixmap that outlives this connection, named in _XROOTPMAP_ID and
// ESETROOT_PMAP_ID so that the next setter can free it. The picture is used
// when it is given; otherwise the file is read. An empty path removes the
// wallpaper. False without an X11 display of 24 or 32 bits, or when the file
// is no picture.
[[nodiscard]] bool set_root_window_wallpaper(const std::string& path, int style,
                                             const QImage* given);

}  // namespace dezu::desktop
