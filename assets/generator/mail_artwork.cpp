#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <functional>

#include "artwork.h"
#include "image_formats.h"

namespace dezu::assets::generator {
namespace {

const QColor kInk(50, 80, 150);
const QColor kPaper(255, 255, 255);
const QColor kWarm(214, 120, 30);

void envelope(QPainter& p, const QRectF& r, const QColor& paper, const QColor& ink) {
    p.setPen(QPen(ink, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(paper);
    p.drawRoundedRect(r, 3, 3);
    QPainterPath flap;
    flap.moveTo(r.topLeft() + QPointF(1, 1));
    flap.lineTo(r.center().x(), r.top() + r.height() * 0.55);
    flap.lineTo(r.topRight() + QPointF(-1, 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(flap);
}

void arrow(QPainter& p, int side, bool down) {
    p.setPen(Qt::NoPen);
    p.setBrush(down ? kWarm : kInk);
    const double s = side;
    const QPointF points[] = {{s * 0.25, s * 0.38}, {s * 0.75, s * 0.38}, {s * 0.5, s * 0.68}};
    p.drawPolygon(points, 3);
}

}  // namespace

Artwork mail_artwork() {
    Artwork files;
    files.append({"mail_send.png", drawn_png(67, 62, [](QPainter& p) {
                      envelope(p, QRectF(6, 14, 55, 36), kPaper, kInk);
                  })});
    // Eleven frames side by side: the envelope flying off while a send runs.
    files.append({"mail_sending.png", drawn_png(62 * 11, 68, [](QPainter& p) {
                      for (int f = 0; f < 11; ++f) {
                          p.save();
                          p.translate(62 * f, 0);
                          p.setClipRect(0, 0, 62, 68);
                          const double t = f / 11.0;
                          const double x = 6 + 40 * t - 20 * std::floor(t + 0.5);
                          envelope(p, QRectF(x, 20 - 8 * std::sin(t * 6.283), 44, 28),
                                   QColor(255, 236, 160), kWarm);
                          p.restore();
                      }
                  })});
    files.append({"mail_panel.png", drawn_png(24, 24, [](QPainter& p) { arrow(p, 24, false); })});
    files.append(
        {"mail_panel_down.png", drawn_png(25, 25, [](QPainter& p) { arrow(p, 25, true); })});
    return files;
}

}  // namespace dezu::assets::generator
