#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <functional>

#include "artwork.h"
#include "image_formats.h"

namespace dezu::assets::generator {
namespace {

const QColor kInk(52, 64, 84);
const QColor kPaper(255, 252, 240);
const QColor kAccent(34, 120, 200);
const QColor kWarm(214, 120, 30);
const QColor kRed(200, 48, 48);
const QColor kGreen(40, 150, 80);

QByteArray png(const std::function<void(QPainter&)>& draw) {
    return drawn_png(32, 32, draw);
}

QPen pen(const QColor& c, double width = 1.6) {
    return QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A sheet of paper with a folded corner and a few ruled lines.
void page(QPainter& p, const QRectF& r = QRectF(7, 3, 18, 24), bool lines = true) {
    QPainterPath sheet;
    sheet.moveTo(r.topLeft());
    sheet.lineTo(r.right() - 5, r.top());
    sheet.lineTo(r.right(), r.top() + 5);
    sheet.lineTo(r.bottomRight());
    sheet.lineTo(r.bottomLeft());
    sheet.closeSubpath();
    p.setPen(pen(kInk, 1.2));
    p.setBrush(kPaper);
    p.drawPath(sheet);
    p.drawLine(QPointF(r.right() - 5, r.top()), QPointF(r.right() - 5, r.top() + 5));
    p.drawLine(QPointF(r.right() - 5, r.top() + 5), QPointF(r.right(), r.top() + 5));
    if (!lines) return;
    p.setPen(pen(QColor(150, 160, 175), 1));
    for (double y = r.top() + 9; y < r.bottom() - 2; y += 4)
        p.drawLine(QPointF(r.left() + 3, y), QPointF(r.right() - 3, y));
}

void arrow(QPainter& p, QPointF from, QPointF to, const QColor& c) {
    p.setPen(pen(c, 2.6));
    p.drawLine(from, to);
    const QLineF line(to, from);
    QLineF a = line;
    a.setLength(6);
    a.setAngle(line.angle() + 35);
    QLineF b = line;
    b.setLength(6);
    b.setAngle(line.angle() - 35);
    p.drawLine(a);
    p.drawLine(b);
}

void padlock(QPainter& p, bool open) {
    p.setPen(pen(kInk, 2.4));
    p.setBrush(Qt::NoBrush);
    QPainterPath shackle;
    const double lift = open ? 5 : 0;
    shackle.moveTo(10, 15 - lift);
    shackle.arcTo(QRectF(10, 4 - lift, 12, 14), 180, -180);
    if (!open) shackle.lineTo(22, 15);
    p.drawPath(shackle);
    p.setPen(pen(kInk, 1.2));
    p.setBrush(open ? kGreen : kWarm);
    p.drawRoundedRect(QRectF(7, 14, 18, 14), 2, 2);
    p.setBrush(kInk);
    p.drawEllipse(QPointF(16, 20), 1.8, 1.8);
    p.drawRect(QRectF(15.3, 20, 1.4, 4));
}

}  // namespace

Artwork diary_artwork() {
    Artwork art;
    art.push_back({QStringLiteral("diary_new.png"), png([](QPainter& p) {
                       page(p);
                       p.setPen(pen(kGreen, 2.8));
                       p.drawLine(QPointF(23, 19), QPointF(23, 29));
                       p.drawLine(QPointF(18, 24), QPointF(28, 24));
                   })});
    art.push_back({QStringLiteral("diary_import.png"), png([](QPainter& p) {
                       page(p, QRectF(11, 8, 16, 21));
                       arrow(p, QPointF(3, 6), QPointF(15, 18), kAccent);
                   })});
    art.push_back({QStringLiteral("diary_export.png"), png([](QPainter& p) {
                       page(p, QRectF(4, 8, 16, 21));
                       arrow(p, QPointF(14, 18), QPointF(28, 4), kWarm);
                   })});
    art.push_back({QStringLiteral("diary_save.png"), png([](QPainter& p) {
                       p.setPen(pen(kInk, 1.2));
                       p.setBrush(kAccent);
                       p.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
                       p.setBrush(kPaper);
                       p.drawRect(QRectF(9, 4, 14, 9));
                       p.setBrush(QColor(230, 234, 240));
                       p.drawRect(QRectF(8, 17, 16, 11));
                       p.setBrush(kInk);
                       p.drawRect(QRectF(18, 6, 3, 5));
                   })});
    art.push_back({QStringLiteral("diary_font.png"), png([](QPainter& p) {
                       QFont big(QStringLiteral("DejaVu Serif"));
                       big.setPixelSize(26);
                       big.setBold(true);
                       p.setFont(big);
                       p.setPen(kInk);
                       p.drawText(QRectF(0, 0, 22, 30), Qt::AlignCenter, QStringLiteral("A"));
                       QFont small = big;
                       small.setPixelSize(16);
                       p.setFont(small);
                       p.setPen(kRed);
                       p.drawText(QRectF(16, 10, 16, 20), Qt::AlignCenter, QStringLiteral("a"));
                   })});
    art.push_back({QStringLiteral("diary_print.png"), png([](QPainter& p) {
                       page(p, QRectF(9, 2, 14, 12), false);
                       p.setPen(pen(kInk, 1.2));
                       p.setBrush(QColor(170, 176, 186));
                       p.drawRoundedRect(QRectF(3, 12, 26, 12), 3, 3);
                       p.setBrush(kPaper);
                       p.drawRect(QRectF(8, 20, 16, 9));
                       p.setPen(pen(QColor(150, 160, 175), 1));
                       p.drawLine(QPointF(11, 24), QPointF(21, 24));
                       p.setBrush(kGreen);
                       p.setPen(Qt::NoPen);
                       p.drawEllipse(QPointF(25, 16), 1.5, 1.5);
                   })});
    art.push_back({QStringLiteral("diary_delete.png"), png([](QPainter& p) {
                       page(p);
                       p.setPen(pen(kRed, 3.2));
                       p.drawLine(QPointF(17, 17), QPointF(28, 28));
                       p.drawLine(QPointF(28, 17), QPointF(17, 28));
                   })});
    art.push_back({QStringLiteral("diary_previous.png"),
                   png([](QPainter& p) { arrow(p, QPointF(27, 16), QPointF(5, 16), kAccent); })});
    art.push_back({QStringLiteral("diary_next.png"),
                   png([](QPainter& p) { arrow(p, QPointF(5, 16), QPointF(27, 16), kAccent); })});
    art.push_back({QStringLiteral("diary_lock.png"), png([](QPainter& p) { padlock(p, false); })});
    art.push_back({QStringLiteral("diary_unlock.png"), png([](QPainter& p) { padlock(p, true); })});
    art.push_back({QStringLiteral("diary_close.png"), png([](QPainter& p) {
                       p.setPen(pen(kInk, 1.2));
                       p.setBrush(kRed);
                       p.drawEllipse(QRectF(4, 4, 24, 24));
                       p.setPen(pen(Qt::white, 3));
                       p.drawLine(QPointF(11, 11), QPointF(21, 21));
                       p.drawLine(QPointF(21, 11), QPointF(11, 21));
                   })});
    art.push_back({QStringLiteral("diary_return.png"), png([](QPainter& p) {
                       p.setPen(pen(kAccent, 2.6));
                       p.setBrush(Qt::NoBrush);
                       QPainterPath bend;
                       bend.moveTo(9, 12);
                       bend.lineTo(20, 12);
                       bend.arcTo(QRectF(14, 12, 12, 14), 90, -180);
                       bend.lineTo(12, 26);
                       p.drawPath(bend);
                       p.drawLine(QPointF(9, 12), QPointF(14, 7));
                       p.drawLine(QPointF(9, 12), QPointF(14, 17));
                   })});
    art.push_back({QStringLiteral("diary_contents.png"), png([](QPainter& p) {
                       for (int i = 0; i < 4; ++i) {
                           const double y = 7 + i * 6;
                           p.setPen(Qt::NoPen);
                           p.setBrush(kWarm);
                           p.drawEllipse(QPointF(7, y), 2, 2);
                           p.setPen(pen(kInk, 2));
                           p.drawLine(QPointF(12, y), QPointF(27, y));
                       }
                   })});
    art.push_back({QStringLiteral("diary_scroll.png"), png([](QPainter& p) {
                       page(p, QRectF(4, 3, 16, 26));
                       arrow(p, QPointF(26, 5), QPointF(26, 27), kGreen);
                   })});
    return art;
}

}  // namespace dezu::assets::generator
