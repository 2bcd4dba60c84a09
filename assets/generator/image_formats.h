#pragma once

#include <QByteArray>
#include <QImage>
#include <QVector>
#include <functional>

class QPainter;

// Writers for the classic picture formats, byte for byte, so that every file
// has exactly the layout and size its readers expect.
namespace dezu::assets::generator {

// A fixed 256-colour palette: the 6x6x6 colour cube and 40 greys.
QVector<QRgb> standard_palette();

// Index of the nearest palette colour.
int nearest_index(const QVector<QRgb>& palette, QRgb colour);

// BITMAPINFOHEADER-based DIB pieces.
void put_u16(QByteArray& out, quint16 v);
void put_u32(QByteArray& out, quint32 v);
QByteArray bitmap_info_header(int width, int height, int bits, quint32 image_size,
                              quint32 colours_used);
// The 14-byte file header: "BM", the file-size field and the pixel offset.
QByteArray bmp_file_header(quint32 size_field, quint32 pixel_offset);

// A 24-bit BMP file, rows bottom-up, padded to four bytes.
QByteArray bmp24(const QImage& image);

// An 8-bit BMP file with the given palette.
QByteArray bmp8(const QImage& image, const QVector<QRgb>& palette);

// An icon image entry (DIB with XOR and AND mask) for an ICO file.
QByteArray icon_dib_8bit(const QImage& image, const QVector<QRgb>& palette);
QByteArray icon_dib_24bit(const QImage& image);

// A transparent ARGB picture of the given size, drawn antialiased, as a PNG file.
QByteArray drawn_png(int width, int height, const std::function<void(QPainter&)>& draw);

// An ICO file from its images' DIBs.
QByteArray ico_file(const QVector<QPair<QSize, QByteArray>>& images, int bits);

}  // namespace dezu::assets::generator
