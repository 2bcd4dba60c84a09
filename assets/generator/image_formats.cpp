#include "image_formats.h"

#include <QBuffer>
#include <QPainter>

namespace dezu::assets::generator {

QVector<QRgb> standard_palette() {
    QVector<QRgb> p;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) p << qRgb(r * 51, g * 51, b * 51);
    for (int i = 0; i < 40; ++i) {
        const int v = 6 + i * 249 / 39;
        p << qRgb(v, v, v);
    }
    return p;
}

int nearest_index(const QVector<QRgb>& palette, QRgb c) {
    int best = 0;
    long best_d = -1;
    for (int i = 0; i < palette.size(); ++i) {
        const long dr = qRed(c) - qRed(palette[i]);
        const long dg = qGreen(c) - qGreen(palette[i]);
        const long db = qBlue(c) - qBlue(palette[i]);
        const long d = dr * dr * 3 + dg * dg * 4 + db * db * 2;
        if (best_d < 0 || d < best_d) best_d = d, best = i;
    }
    return best;
}

void put_u16(QByteArray& out, quint16 v) {
    out.append(char(v & 0xFF));
    out.append(char(v >> 8));
}

void put_u32(QByteArray& out, quint32 v) {
    for (int i = 0; i < 4; ++i) out.append(char((v >> (8 * i)) & 0xFF));
}

QByteArray bitmap_info_header(int width, int height, int bits, quint32 image_size,
                              quint32 colours_used) {
    QByteArray h;
    put_u32(h, 40);
    put_u32(h, quint32(width));
    put_u32(h, quint32(height));
    put_u16(h, 1);
    put_u16(h, quint16(bits));
    put_u32(h, 0);  // BI_RGB
    put_u32(h, image_size);
    put_u32(h, 0);
    put_u32(h, 0);
    put_u32(h, colours_used);
    put_u32(h, 0);
    return h;
}

namespace {

int stride(int width, int bits) {
    return ((width * bits + 31) / 32) * 4;
}

QByteArray pixels24(const QImage& image) {
    const int s = stride(image.width(), 24);
    QByteArray px;
    for (int y = image.height() - 1; y >= 0; --y) {
        QByteArray row;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            row.append(char(qBlue(c)));
            row.append(char(qGreen(c)));
            row.append(char(qRed(c)));
        }
        row.append(QByteArray(s - row.size(), '\0'));
        px += row;
    }
    return px;
}

QByteArray pixels8(const QImage& image, const QVector<QRgb>& palette) {
    const int s = stride(image.width(), 8);
    QByteArray px;
    for (int y = image.height() - 1; y >= 0; --y) {
        QByteArray row;
        for (int x = 0; x < image.width(); ++x)
            row.append(char(nearest_index(palette, image.pixel(x, y))));
        row.append(QByteArray(s - row.size(), '\0'));
        px += row;
    }
    return px;
}

QByteArray palette_bytes(const QVector<QRgb>& palette) {
    QByteArray out;
    for (QRgb c : palette) {
        out.append(char(qBlue(c)));
        out.append(char(qGreen(c)));
        out.append(char(qRed(c)));
        out.append('\0');
    }
    return out;
}

// 1 bit per pixel, set where the picture is transparent.
QByteArray and_mask(const QImage& image) {
    const int s = stride(image.width(), 1);
    QByteArray mask;
    for (int y = image.height() - 1; y >= 0; --y) {
        QByteArray row(s, '\0');
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) < 128) row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        mask += row;
    }
    return mask;
}

}  // namespace

QByteArray bmp_file_header(quint32 size_field, quint32 pixel_offset) {
    QByteArray h("BM");
    put_u32(h, size_field);
    put_u32(h, 0);
    put_u32(h, pixel_offset);
    return h;
}

QByteArray bmp24(const QImage& image) {
    const QByteArray px = pixels24(image);
    QByteArray out = bmp_file_header(quint32(14 + 40 + px.size()), 54);
    out += bitmap_info_header(image.width(), image.height(), 24, quint32(px.size()), 0);
    out += px;
    return out;
}

QByteArray bmp8(const QImage& image, const QVector<QRgb>& palette) {
    const QByteArray px = pixels8(image, palette);
    const quint32 offset = quint32(14 + 40 + palette.size() * 4);
    QByteArray out = bmp_file_header(offset + quint32(px.size()), offset);
    out += bitmap_info_header(image.width(), image.height(), 8, quint32(px.size()),
                              quint32(palette.size()));
    out += palette_bytes(palette);
    out += px;
    return out;
}

QByteArray icon_dib_8bit(const QImage& image, const QVector<QRgb>& palette) {
    const QByteArray px = pixels8(image, palette);
    const QByteArray mask = and_mask(image);
    QByteArray out = bitmap_info_header(image.width(), image.height() * 2, 8,
                                        quint32(px.size() + mask.size()), 0);
    out += palette_bytes(palette);
    out += px;
    out += mask;
    return out;
}

QByteArray icon_dib_24bit(const QImage& image) {
    const QByteArray px = pixels24(image);
    const QByteArray mask = and_mask(image);
    QByteArray out = bitmap_info_header(image.width(), image.height() * 2, 24,
                                        quint32(px.size() + mask.size()), 0);
    out += px;
    out += mask;
    return out;
}

QByteArray ico_file(const QVector<QPair<QSize, QByteArray>>& images, int bits) {
    QByteArray out;
    put_u16(out, 0);
    put_u16(out, 1);
    put_u16(out, quint16(images.size()));
    quint32 offset = quint32(6 + 16 * images.size());
    for (const auto& [size, dib] : images) {
        out.append(char(size.width() >= 256 ? 0 : size.width()));
        out.append(char(size.height() >= 256 ? 0 : size.height()));
        out.append('\0');  // colour count: 0 for 256 or more, as 8 and 24 bits have
        out.append('\0');
        put_u16(out, 1);
        put_u16(out, quint16(bits));
        put_u32(out, quint32(dib.size()));
        put_u32(out, offset);
        offset += quint32(dib.size());
    }
    for (const auto& image : images) out += image.second;
    return out;
}

QByteArray drawn_png(int width, int height, const std::function<void(QPainter&)>& draw) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

}  // namespace dezu::assets::generator
