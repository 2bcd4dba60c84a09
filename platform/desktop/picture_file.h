#pragma once

#include <QImage>
#include <QSize>
#include <functional>
#include <string>

// Picture files for the wallpaper: read by the path's own bytes (a name
// unpacked from an archive may not be UTF-8, and a QString would lose it),
// measured from their headers, previewed small, and converted to BMP. All of
// these may run off the UI thread.
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

// The picture in the file, flattened onto the matte; null when the file is
// missing or holds no picture.
QImage read_picture(const std::string& path);

struct Preview {
    QSize size{0, 0};  // from the file's header; 0 x 0 when it is no picture
    QImage picture;    // fits in the box, never enlarged; flattened onto the matte
};

// Opens the file once for both its size and its small picture.
Preview read_preview(const std::string& path, QSize box);

// Decodes the source, flattens it onto the matte and writes it to the target
// as a BMP, replacing the target atomically. Returns the picture written, or
// a null image with the target untouched when the source is no picture, the
// target cannot be written, or stop() turned true before the write.
QImage convert_picture_to_bmp(const std::string& source, const std::string& target,
                              const std::function<bool()>& stop = {});

// Lets go of a picture. A large one gives its memory back piece by piece,
// so that the program's other threads never wait for all of it at once.
void release_picture(QImage& picture);

}  // namespace dezu::desktop
