#pragma once

#include <QColor>
#include <QImage>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <array>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/tools.h"

// Photos as cameras and editors make them, by the programs that make them
// for users: ImageMagick draws and saves, exiftool writes the EXIF block a
// camera writes, and ImageMagick is the oracle of how a photo looks.
namespace photo_tools {

// Whether ImageMagick and exiftool are on PATH; a test without them skips.
inline bool available() {
    return !QStandardPaths::findExecutable(QStringLiteral("convert")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("exiftool")).isEmpty();
}

inline QString q(const std::string& text) {
    return QString::fromStdString(text);
}

// The marks of a photo's quarters as its pixels are stored: top left, top
// right, bottom left, bottom right.
inline const std::array<QColor, 4>& quarter_marks() {
    static const std::array<QColor, 4> marks = {QColor(230, 20, 20), QColor(20, 200, 20),
                                                QColor(20, 20, 230), QColor(240, 230, 20)};
    return marks;
}

// A JPEG of that stored size whose quarters carry the marks, with an EXIF
// block holding the orientation (1 to 8; 0 writes no EXIF block).
inline bool make_marked_photo(const std::string& file, int width, int height, int orientation) {
    const int w = width / 2, h = height / 2;
    const auto mark = [](int i) {
        return QStringLiteral("rgb(%1,%2,%3)")
            .arg(quarter_marks()[i].red())
            .arg(quarter_marks()[i].green())
            .arg(quarter_marks()[i].blue());
    };
    const auto box = [](int x0, int y0, int x1, int y1) {
        return QStringLiteral("rectangle %1,%2 %3,%4").arg(x0).arg(y0).arg(x1).arg(y1);
    };
    if (!run_tool("convert", {QStringLiteral("-size"),
                              QStringLiteral("%1x%2").arg(width).arg(height),
                              QStringLiteral("xc:white"),
                              QStringLiteral("-fill"),
                              mark(0),
                              QStringLiteral("-draw"),
                              box(0, 0, w - 1, h - 1),
                              QStringLiteral("-fill"),
                              mark(1),
                              QStringLiteral("-draw"),
                              box(w, 0, width - 1, h - 1),
                              QStringLiteral("-fill"),
                              mark(2),
                              QStringLiteral("-draw"),
                              box(0, h, w - 1, height - 1),
                              QStringLiteral("-fill"),
                              mark(3),
                              QStringLiteral("-draw"),
                              box(w, h, width - 1, height - 1),
                              QStringLiteral("-quality"),
                              QStringLiteral("92"),
                              q(file)}))
        return false;
    return orientation == 0 ||
           run_tool("exiftool", {QStringLiteral("-q"), QStringLiteral("-overwrite_original"),
                                 QStringLiteral("-Orientation#=%1").arg(orientation), q(file)});
}

// A JPEG whose every pixel tells where it is: four colours blended across
// it under a one-pixel checkerboard, so that a shift of one pixel shows.
inline bool make_detailed_photo(const std::string& file, int width, int height, int orientation) {
    const QString size = QStringLiteral("%1x%2").arg(width).arg(height);
    const QString corners =
        QStringLiteral("0,0 red %1,0 lime 0,%2 blue %1,%2 yellow").arg(width - 1).arg(height - 1);
    if (!run_tool(
            "convert",
            {QStringLiteral("-size"), size, QStringLiteral("xc:"), QStringLiteral("-sparse-color"),
             QStringLiteral("Bilinear"), corners, QStringLiteral("("), QStringLiteral("-size"),
             size, QStringLiteral("pattern:gray50"), QStringLiteral(")"),
             QStringLiteral("-compose"), QStringLiteral("multiply"), QStringLiteral("-composite"),
             QStringLiteral("-sampling-factor"), QStringLiteral("1x1"), QStringLiteral("-quality"),
             QStringLiteral("95"), q(file)}))
        return false;
    return orientation == 0 ||
           run_tool("exiftool", {QStringLiteral("-q"), QStringLiteral("-overwrite_original"),
                                 QStringLiteral("-Orientation#=%1").arg(orientation), q(file)});
}

// A PNG of that bit depth (8 or 16) whose colour runs from red to blue across
// it and whose alpha from opaque to clear down it.
inline bool make_see_through_picture(const std::string& file, int width, int height, int depth) {
    const QString size = QStringLiteral("%1x%2").arg(width).arg(height);
    return run_tool(
        "convert", {QStringLiteral("-size"),
                    size,
                    QStringLiteral("gradient:red-blue"),
                    QStringLiteral("-rotate"),
                    QStringLiteral("90"),
                    QStringLiteral("-resize"),
                    size + QLatin1Char('!'),
                    QStringLiteral("("),
                    QStringLiteral("-size"),
                    size,
                    QStringLiteral("gradient:white-black"),
                    QStringLiteral(")"),
                    QStringLiteral("-alpha"),
                    QStringLiteral("off"),
                    QStringLiteral("-compose"),
                    QStringLiteral("CopyOpacity"),
                    QStringLiteral("-composite"),
                    QStringLiteral("-depth"),
                    QString::number(depth),
                    (depth == 16 ? QStringLiteral("PNG64:") : QStringLiteral("PNG32:")) + q(file)});
}

// ImageMagick's picture of the file, turned upright as its EXIF says, then
// put through the further options; null when it fails.
inline QImage oracle(const std::string& file, const std::string& out,
                     const QStringList& options = {}) {
    if (!run_tool("convert", QStringList{q(file), QStringLiteral("-auto-orient")} + options +
                                 QStringList{QStringLiteral("BMP3:") + q(out)}))
        return {};
    return QImage(q(out), "BMP");
}

// ImageMagick's picture of the file laid on white and scaled to the size.
inline QImage on_white(const std::string& file, const std::string& out, QSize size) {
    return oracle(file, out,
                  {QStringLiteral("-background"), QStringLiteral("white"), QStringLiteral("-alpha"),
                   QStringLiteral("remove"), QStringLiteral("-resize"),
                   QStringLiteral("%1x%2!").arg(size.width()).arg(size.height())});
}

// Which of the marks the colour is nearest to.
inline int nearest_mark(QColor c) {
    int best = 0, best_distance = 1 << 30;
    for (int i = 0; i < 4; ++i) {
        const QColor m = quarter_marks()[i];
        const int d = std::abs(c.red() - m.red()) + std::abs(c.green() - m.green()) +
                      std::abs(c.blue() - m.blue());
        if (d < best_distance) best = i, best_distance = d;
    }
    return best;
}

// The marks found in the picture's corners: top left, top right, bottom
// left, bottom right.
inline std::array<int, 4> corner_marks(const QImage& picture) {
    const int x0 = picture.width() / 10, x1 = picture.width() - 1 - x0;
    const int y0 = picture.height() / 10, y1 = picture.height() - 1 - y0;
    return {nearest_mark(picture.pixelColor(x0, y0)), nearest_mark(picture.pixelColor(x1, y0)),
            nearest_mark(picture.pixelColor(x0, y1)), nearest_mark(picture.pixelColor(x1, y1))};
}

// The mean over the colour channels of two pictures of one size of what
// measure makes of each channel's difference.
template <typename Measure>
double mean_over_channels(const QImage& a, const QImage& b, Measure measure) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), r = b.pixel(x, y);
            for (const int d : {qRed(p) - qRed(r), qGreen(p) - qGreen(r), qBlue(p) - qBlue(r)})
                sum += measure(d);
        }
    return sum / (3.0 * a.width() * a.height());
}

// The mean difference of two pictures of one size, per channel, 0 to 255;
// 255 when their sizes differ.
inline double mean_difference(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.isNull()) return 255;
    return mean_over_channels(a, b, [](int d) { return std::abs(d); });
}

// The peak signal-to-noise ratio of b against a, of one size, in dB over the
// colour channels; 0 when their sizes differ, 99 when they are alike.
inline double psnr(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.isNull()) return 0;
    const double mean_square = mean_over_channels(a, b, [](int d) { return double(d) * d; });
    return mean_square == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mean_square);
}

}  // namespace photo_tools
