#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <functional>

#include "artwork.h"
#include "image_formats.h"

namespace dezu::assets::generator {
namespace {

// The bar is a slate-blue capsule with ice-blue glyphs; the playlist is a
// lavender frame around a pale panel. Pure white (the bar's key colour) and
// pure black (the playlist's) appear only outside the outlines.
const QColor kBodyTop(70, 86, 118);
const QColor kBodyBottom(28, 36, 54);
const QColor kRim(14, 18, 30);
const QColor kInk(186, 226, 255);
const QColor kInkDown(120, 160, 196);
const QColor kTrack(16, 22, 34);

using Glyph = std::function<void(QPainter&, const QColor&)>;

QImage canvas(int w, int h, const QColor& fill) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

void tile(QPainter& p, QRectF r, bool down) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, down ? kBodyBottom : kBodyTop.lighter(112));
    g.setColorAt(1, down ? kBodyTop.darker(140) : kBodyBottom);
    p.setPen(QPen(kRim, 1));
    p.setBrush(g);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    if (!down) {
        p.setPen(QPen(QColor(140, 160, 196, 150), 1));
        p.drawLine(QPointF(r.left() + 3, r.top() + 1.5), QPointF(r.right() - 3, r.top() + 1.5));
    }
}

void triangle(QPainter& p, const QColor& ink, QPointF tip, qreal w, qreal h, bool right) {
    QPainterPath path;
    const qreal back = right ? tip.x() - w : tip.x() + w;
    path.moveTo(back, tip.y() - h / 2);
    path.lineTo(tip);
    path.lineTo(back, tip.y() + h / 2);
    path.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPath(path);
}

// Each glyph is drawn in the face's 17 x 16 box.
void glyph_prev(QPainter& p, const QColor& ink) {
    p.fillRect(QRectF(4, 4.5, 1.8, 7), ink);
    triangle(p, ink, QPointF(5.5, 8), 4.5, 7, false);
    triangle(p, ink, QPointF(9.5, 8), 4.5, 7, false);
}

void glyph_next(QPainter& p, const QColor& ink) {
    triangle(p, ink, QPointF(11.5, 8), 4.5, 7, true);
    triangle(p, ink, QPointF(7.5, 8), 4.5, 7, true);
    p.fillRect(QRectF(11.2, 4.5, 1.8, 7), ink);
}

void glyph_play(QPainter& p, const QColor& ink) {
    triangle(p, ink, QPointF(12, 8), 6, 8, true);
}

void glyph_pause(QPainter& p, const QColor& ink) {
    p.fillRect(QRectF(5, 4, 2.5, 8), ink);
    p.fillRect(QRectF(9.5, 4, 2.5, 8), ink);
}

void glyph_stop(QPainter& p, const QColor& ink) {
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRoundedRect(QRectF(5, 4.5, 7, 7), 1, 1);
}

void glyph_open(QPainter& p, const QColor& ink) {
    QPainterPath up;
    up.moveTo(8.5, 3.5);
    up.lineTo(13, 8.5);
    up.lineTo(4, 8.5);
    up.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPath(up);
    p.fillRect(QRectF(4, 10, 9, 2), ink);
}

void glyph_list(QPainter& p, const QColor& ink) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(9);
    font.setBold(true);
    p.setFont(font);
    p.setPen(ink);
    p.drawText(QRectF(0, 0, 17, 16), Qt::AlignCenter, QStringLiteral("PL"));
}

void glyph_fold(QPainter& p, const QColor& ink) {
    p.setPen(QPen(ink, 1.4, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QVector<QPointF>{{6.5, 4}, {4.5, 4}, {4.5, 12}, {6.5, 12}});
    p.drawPolyline(QVector<QPointF>{{10.5, 4}, {12.5, 4}, {12.5, 12}, {10.5, 12}});
}

QImage face(const Glyph& glyph, bool down) {
    QImage image = canvas(17, 16, kBodyBottom);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    tile(p, QRectF(0, 0, 17, 16), down);
    if (down) p.translate(0.5, 0.5);
    glyph(p, down ? kInkDown : kInk);
    return image;
}

void speaker(QPainter& p, QPointF at, const QColor& ink) {
    QPainterPath cone;
    cone.moveTo(at.x(), at.y() + 2);
    cone.lineTo(at.x() + 2, at.y() + 2);
    cone.lineTo(at.x() + 5, at.y() - 0.5);
    cone.lineTo(at.x() + 5, at.y() + 7.5);
    cone.lineTo(at.x() + 2, at.y() + 5);
    cone.lineTo(at.x(), at.y() + 5);
    cone.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPath(cone);
    p.setPen(QPen(ink, 1));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(at.x() + 3, at.y() + 0.5, 5, 6), -50 * 16, 100 * 16);
}

QImage bar_background() {
    QImage image = canvas(188, 36, Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    auto body = [&](QRectF r) {
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, kBodyTop);
        g.setColorAt(1, kBodyBottom);
        p.setPen(QPen(kRim, 1));
        p.setBrush(g);
        p.drawRoundedRect(r, 5, 5);
    };
    body(QRectF(0.5, 0.5, 187, 17));   // buttons and time
    body(QRectF(0.5, 20.5, 187, 14));  // seek and volume
    // The time panel's recess; the panel picture lies over it.
    p.setPen(Qt::NoPen);
    p.setBrush(kTrack);
    p.drawRoundedRect(QRectF(140.5, 1, 45, 16), 3, 3);
    // Seek track, loudspeaker and volume track.
    p.drawRoundedRect(QRectF(1, 23, 124, 9), 3, 3);
    p.drawRoundedRect(QRectF(140, 23, 47, 9), 3, 3);
    speaker(p, QPointF(128.5, 24), kInk);
    p.end();
    // Antialiasing must not leave near-white fringe pixels that are kept in
    // the shape: every pixel is either pure white or clearly the body.
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c != Qt::white && c.lightness() > 200) image.setPixelColor(x, y, Qt::white);
        }
    return image;
}

QImage time_panel() {
    QImage image = canvas(45, 16, kTrack);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 16);
    g.setColorAt(0, QColor(10, 30, 28));
    g.setColorAt(1, QColor(20, 52, 46));
    p.setPen(QPen(QColor(60, 110, 96), 1));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0.5, 0.5, 44, 15), 4, 4);
    return image;
}

QImage fill_bar(int w, int h, const QColor& from, const QColor& to) {
    QImage image = canvas(w, h, kTrack);
    QPainter p(&image);
    QLinearGradient across(0, 0, w, 0);
    across.setColorAt(0, from);
    across.setColorAt(1, to);
    p.fillRect(QRect(0, 1, w, h - 2), across);
    p.fillRect(QRect(0, 1, w, 1), QColor(255, 255, 255, 90));
    return image;
}

QImage playlist_skin() {
    QImage image = canvas(396, 280, Qt::black);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient frame(0, 0, 0, 280);
    frame.setColorAt(0, QColor(150, 118, 206));
    frame.setColorAt(0.16, QColor(110, 74, 176));
    frame.setColorAt(1, QColor(72, 44, 128));
    p.setPen(QPen(QColor(40, 22, 76), 1.5));
    p.setBrush(frame);
    p.drawRoundedRect(QRectF(1, 1, 394, 278), 12, 12);
    // Title strip gloss.
    QLinearGradient gloss(0, 2, 0, 22);
    gloss.setColorAt(0, QColor(255, 255, 255, 80));
    gloss.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(gloss);
    p.drawRoundedRect(QRectF(4, 3, 388, 20), 9, 9);
    // Disc icon.
    QRadialGradient disc(QPointF(22, 20), 11);
    disc.setColorAt(0, QColor(250, 240, 255));
    disc.setColorAt(0.7, QColor(190, 170, 230));
    disc.setColorAt(1, QColor(120, 90, 180));
    p.setBrush(disc);
    p.setPen(QPen(QColor(60, 36, 110), 1));
    p.drawEllipse(QPointF(22, 20), 10, 10);
    p.setBrush(QColor(72, 44, 128));
    p.drawEllipse(QPointF(22, 20), 2.5, 2.5);
    // Title in spaced characters.
    QFont font(QStringLiteral("Noto Serif CJK SC"));
    font.setPixelSize(15);
    font.setBold(true);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 6);
    p.setFont(font);
    p.setPen(QColor(40, 20, 70, 150));
    p.drawText(QRectF(41, 9, 200, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("歌曲列表"));
    p.setPen(QColor(250, 244, 255));
    p.drawText(QRectF(40, 8, 200, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("歌曲列表"));
    // Minimise, maximise and close glyphs.
    const QColor balls[] = {QColor(120, 200, 140), QColor(240, 200, 90), QColor(230, 90, 110)};
    for (int i = 0; i < 3; ++i) {
        const QPointF c(317.5 + i * 27, 21);  // the close glyph lies under its button
        QRadialGradient ball(c - QPointF(3, 4), 12);
        ball.setColorAt(0, balls[i].lighter(150));
        ball.setColorAt(1, balls[i].darker(130));
        p.setBrush(ball);
        p.setPen(QPen(QColor(40, 22, 76), 1));
        p.drawEllipse(c, 10, 10);
        p.setPen(QPen(QColor(60, 30, 60), 1.8, Qt::SolidLine, Qt::RoundCap));
        if (i == 0) p.drawLine(c + QPointF(-4, 2), c + QPointF(4, 2));
        if (i == 1) p.drawRect(QRectF(c.x() - 4, c.y() - 4, 8, 8));
        if (i == 2) {
            p.drawLine(c + QPointF(-3.5, -3.5), c + QPointF(3.5, 3.5));
            p.drawLine(c + QPointF(-3.5, 3.5), c + QPointF(3.5, -3.5));
        }
    }
    // The panel for the list and the controls below it.
    p.setPen(QPen(QColor(60, 36, 110), 1));
    p.setBrush(QColor(250, 248, 253));
    p.drawRoundedRect(QRectF(9.5, 41.5, 377, 231), 6, 6);
    p.setPen(QPen(QColor(200, 186, 226), 1));
    p.drawLine(QPointF(14, 250.5), QPointF(382, 250.5));
    return image;
}

// The close button's faces are cut from the skin where the button lies, so
// that only the glyph changes when it is pressed.
QImage close_face(int height, bool hot) {
    QImage image = playlist_skin().copy(355, 5, 33, height);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(16.5, 16);
    const QColor base = hot ? QColor(255, 120, 140) : QColor(230, 90, 110);
    QRadialGradient ball(c - QPointF(3, 4), 12);
    ball.setColorAt(0, base.lighter(150));
    ball.setColorAt(1, base.darker(130));
    p.setBrush(ball);
    p.setPen(QPen(QColor(40, 22, 76), 1));
    p.drawEllipse(c, 10, 10);
    p.setPen(
        QPen(hot ? QColor(255, 250, 250) : QColor(60, 30, 60), 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + QPointF(-3.5, -3.5), c + QPointF(3.5, 3.5));
    p.drawLine(c + QPointF(-3.5, 3.5), c + QPointF(3.5, -3.5));
    return image;
}

}  // namespace

Artwork player_artwork() {
    Artwork files;
    const std::pair<const char*, Glyph> faces[] = {
        {"player_prev", glyph_prev}, {"player_play", glyph_play}, {"player_pause", glyph_pause},
        {"player_stop", glyph_stop}, {"player_next", glyph_next}, {"player_open", glyph_open},
        {"player_list", glyph_list}, {"player_fold", glyph_fold}};
    for (const auto& [name, glyph] : faces) {
        files.append({QString::fromUtf8(name) + ".bmp", bmp24(face(glyph, false))});
        files.append({QString::fromUtf8(name) + "_down.bmp", bmp24(face(glyph, true))});
    }
    files.append({QStringLiteral("player_bar.bmp"), bmp24(bar_background())});
    files.append({QStringLiteral("player_time_panel.bmp"), bmp24(time_panel())});
    files.append({QStringLiteral("player_progress_fill.bmp"),
                  bmp24(fill_bar(124, 9, QColor(90, 170, 230), QColor(150, 230, 255)))});
    files.append({QStringLiteral("player_volume_fill.bmp"),
                  bmp24(fill_bar(57, 9, QColor(80, 200, 120), QColor(240, 210, 90)))});
    files.append({QStringLiteral("playlist_skin.bmp"), bmp24(playlist_skin())});
    files.append({QStringLiteral("playlist_close.bmp"), bmp24(close_face(34, false))});
    files.append({QStringLiteral("playlist_close_hot.bmp"), bmp24(close_face(35, true))});
    return files;
}

}  // namespace dezu::assets::generator
