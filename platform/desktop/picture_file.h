#pragma once

#include <QImage>
#include <QSize>
#include <functional>
#include <string>

#include "platform/desktop/desktop_setter.h"

// Picture files for the wallpaper: read by the path's own bytes (a name
// unpacked from an archive may not be UTF-8, and a QString would lose it),
// turned upright as their EXIF orientation says, measured from their headers,
// previewed small, and converted to BMP. All of these may run off the UI
// thread.
namespace dezu::desktop {

// Lets pictures of up to about 250 megapixels be decoded; Qt's own limit
// refuses a 48-megapixel photo. Call on the UI thread before any picture
// work starts.
void allow_large_pictures();

// What transparent parts of a picture are shown on, in the preview and on the
// desktop alike.
inline constexpr QRgb kMatte = 0xffffffff;

// Blends a picture that has transparent parts onto the matte, in place; the
// result has no alpha channel. Other pictures are left as they are.
void flatten_onto_matte(QImage& picture);

// How the desktop is to show a picture: its style, on screens that all fit
// in screen_size (empty when that is not known).
struct Showing {
    int style = kStretch;
    QSize screen_size;
};

// The upright picture in the file, flattened onto the matte; null when the
// file is missing or holds no picture. Of a picture larger than the screens,
// only what the desktop can show is decoded: for stretch, the picture at the
// smallest size that still covers them; centred, its middle, and tiled, its
// top left, a screen's worth at its own size. Each looks on the desktop as
// the whole picture would.
[[nodiscard]] QImage read_picture(const std::string& path, const Showing& showing = {});

struct Preview {
    QSize size{0, 0};  // upright, from the file's header; 0 x 0 when it is no picture
    QImage picture;    // fits in the box, never enlarged; flattened onto the matte
};

// Opens the file once for both its size and its small picture.
Preview read_preview(const std::string& path, QSize box);

// Decodes the source as read_picture does, and writes it to the target as a
// BMP, replacing the target atomically. Returns the picture written, or a
// null image with the target untouched when the source is no picture, the
// target cannot be written, or stop() turned true before the write.
[[nodiscard]] QImage convert_picture_to_bmp(const std::string& source, const std::string& target,
                                            const Showing& showing = {},
                                            const std::function<bool()>& stop = {});

// Lets go of a picture. A large one gives its memory back piece by piece,
// so that the program's other threads never wait for all of it at once.
void release_picture(QImage& picture);

}  // namespace dezu::desktop
