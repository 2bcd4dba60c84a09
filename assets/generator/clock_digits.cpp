// The desktop clock's digit styles: image-list strips of eleven 15 x 25
// seven-segment pictures (0 to 9 and ":").
#include <QPainter>
#include <QPolygonF>

#include "artwork.h"
#include "image_formats.h"

namespace dezu::assets::generator {
namespace {

constexpr int kCellW = 15;
constexpr int kCellH = 25;
constexpr int kGridCols = 4;
constexpr int kGridRows = 4;
constexpr int kImages = 11;

struct DigitStyle {
    QString file;
    QColor lit;
    QColor core;    // the bright middle line of a lit segment
    QColor unlit;   // the faint ghost of a dark segment
    QColor ground;  // the cell's own background; white means "transparent"
    bool lcd;
};

// Segments a..g: top, upper right, lower right, bottom, lower left, upper
// left, middle.
constexpr unsigned char kSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66,
                                         0x6D, 0x7D, 0x07, 0x7F, 0x6F};

QPolygonF horizontal(double x0, double x1, double y, double t) {
    const double h = t / 2;
    return QPolygonF(
        {{x0, y}, {x0 + h, y - h}, {x1 - h, y - h}, {x1, y}, {x1 - h, y + h}, {x0 + h, y + h}});
}

QPolygonF vertical(double x, double y0, double y1, double t) {
    const double h = t / 2;
    return QPolygonF(
        {{x, y0}, {x + h, y0 + h}, {x + h, y1 - h}, {x, y1}, {x - h, y1 - h}, {x - h, y0 + h}});
}

// The seven segments of a cell, slightly slanted like a real display. The
// bottom row of the cell stays empty: the clock's panel shows 24 rows.
QVector<QPolygonF> segment_shapes() {
    const double l = 3.2, r = 11.8, top = 2.2, mid = 11.6, bottom = 21.0, t = 2.4, gap = 0.6;
    QVector<QPolygonF> s = {
        horizontal(l + gap, r - gap, top, t),    vertical(r, top + gap, mid - gap, t),
        vertical(r, mid + gap, bottom - gap, t), horizontal(l + gap, r - gap, bottom, t),
        vertical(l, mid + gap, bottom - gap, t), vertical(l, top + gap, mid - gap, t),
        horizontal(l + gap, r - gap, mid, t)};
    for (auto& poly : s)
        for (auto& p : poly) p.rx() += (mid - p.y()) * 0.09;  // lean to the right
    return s;
}

QImage digit_cell(const DigitStyle& style, int index) {
    // Drawn at four times the size and scaled down, so the edges are smooth;
    // transparent styles are drawn on black (the panel they sit on), and
    // only the untouched black ground turns white afterwards.
    constexpr int k = 4;
    QImage big(kCellW * k, kCellH * k, QImage::Format_RGB32);
    big.fill(style.lcd ? style.ground : QColor(Qt::black));
    QPainter p(&big);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(k, k);
    p.setPen(Qt::NoPen);
    if (index < 10) {
        const auto shapes = segment_shapes();
        for (int s = 0; s < 7; ++s) {
            const bool on = kSegments[index] & (1 << s);
            p.setBrush(on ? style.lit : style.unlit);
            p.drawPolygon(shapes[s]);
            if (on && !style.lcd) {
                p.setPen(QPen(style.core, 0.7, Qt::SolidLine, Qt::RoundCap));
                const QPolygonF& poly = shapes[s];
                p.drawLine((poly[0] * 0.8 + poly[3] * 0.2), (poly[0] * 0.2 + poly[3] * 0.8));
                p.setPen(Qt::NoPen);
            }
        }
    } else {
        p.setBrush(style.lit);
        p.drawRoundedRect(QRectF(6.2, 6.4, 2.6, 2.6), 0.6, 0.6);
        p.drawRoundedRect(QRectF(5.6, 15.0, 2.6, 2.6), 0.6, 0.6);
    }
    p.end();
    QImage cell = big.scaled(kCellW, kCellH, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                      .convertToFormat(QImage::Format_RGB32);
    if (!style.lcd) {
        for (int y = 0; y < kCellH; ++y)
            for (int x = 0; x < kCellW; ++x) {
                const QRgb c = cell.pixel(x, y);
                if (qRed(c) < 3 && qGreen(c) < 3 && qBlue(c) < 3)
                    cell.setPixel(x, y, qRgb(255, 255, 255));
                else if (c == qRgb(255, 255, 255))
                    cell.setPixel(x, y, qRgb(254, 254, 254));
            }
        // The bottom row is never shown; keep it clean.
        for (int x = 0; x < kCellW; ++x) cell.setPixel(x, kCellH - 1, qRgb(255, 255, 255));
    }
    return cell;
}

QByteArray digit_strip(const DigitStyle& style) {
    const int w = kCellW * kGridCols, h = kCellH * kGridRows;
    QImage grid(w, h, QImage::Format_RGB32);
    grid.fill(Qt::white);
    for (int i = 0; i < kImages; ++i) {
        const QImage cell = digit_cell(style, i);
        for (int y = 0; y < kCellH; ++y)
            for (int x = 0; x < kCellW; ++x)
                grid.setPixel((i % kGridCols) * kCellW + x, (i / kGridCols) * kCellH + y,
                              cell.pixel(x, y));
    }

    QByteArray out("MITL");
    put_u32(out, 0xFF000000u);
    out += "IL";
    put_u16(out, 0x0101);
    put_u16(out, kImages);
    put_u16(out, style.lcd ? 16 : 14);
    put_u16(out, 4);
    put_u16(out, kCellW);
    put_u16(out, kCellH);
    put_u32(out, 0x00FFFFFF);
    put_u16(out, style.lcd ? 0x0021 : 0x1021);
    for (int i = 0; i < 4; ++i) put_u16(out, 0xFFFF);

    // The colour bitmap, 32 bits per pixel, bottom-up.
    out += bmp_file_header(54, 54);
    out += bitmap_info_header(w, h, 32, quint32(w * h * 4), 0);
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x) {
            const QRgb c = grid.pixel(x, y);
            out.append(char(qBlue(c)));
            out.append(char(qGreen(c)));
            out.append(char(qRed(c)));
            out.append('\0');
        }

    // The mask: 1 bit per pixel, set where the picture is transparent.
    const int mask_stride = ((w + 31) / 32) * 4;
    out += bmp_file_header(62, 62);
    out += bitmap_info_header(w, h, 1, quint32(mask_stride * h), 0);
    put_u32(out, 0x00000000);
    put_u32(out, 0x00FFFFFF);
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(mask_stride, '\0');
        if (!style.lcd)
            for (int x = 0; x < w; ++x)
                if (grid.pixel(x, y) == qRgb(255, 255, 255))
                    row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        out += row;
    }
    if (!style.lcd) out += QByteArray(22, '\0');
    return out;
}

const DigitStyle kStyles[] = {
    {"digits_pink.mitl", {255, 92, 170}, {255, 190, 222}, {52, 14, 32}, Qt::white, false},
    {"digits_black_green.mitl", {40, 230, 80}, {170, 255, 180}, {10, 40, 16}, Qt::white, false},
    {"digits_yellow_white.mitl", {255, 214, 20}, {255, 252, 226}, {48, 40, 8}, Qt::white, false},
    {"digits_grey.mitl", {168, 172, 178}, {226, 228, 232}, {34, 34, 36}, Qt::white, false},
    {"digits_orange.mitl", {255, 132, 0}, {255, 204, 130}, {50, 24, 4}, Qt::white, false},
    {"digits_blue_green.mitl", {0, 200, 190}, {150, 255, 236}, {4, 40, 40}, Qt::white, false},
    {"digits_light_blue.mitl", {110, 186, 255}, {206, 232, 255}, {18, 32, 52}, Qt::white, false},
    {"digits_lcd.mitl", {34, 44, 30}, {34, 44, 30}, {170, 184, 146}, {184, 198, 160}, true},
};

}  // namespace

Artwork clock_digit_artwork() {
    Artwork files;
    for (const auto& style : kStyles) files.push_back({style.file, digit_strip(style)});
    return files;
}

}  // namespace dezu::assets::generator
