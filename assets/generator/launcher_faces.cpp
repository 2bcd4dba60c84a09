#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <functional>

#include "artwork.h"
#include "image_formats.h"

namespace dezu::assets::generator {
namespace {

// The panel is burnt orange (192, 96, 0); the faces are glazed amber tiles
// a shade lighter, with cream glyphs and text that read at 16 pixels.
const QColor kTop(238, 146, 44);
const QColor kBottom(178, 82, 0);
const QColor kGloss(255, 200, 128);
const QColor kRim(122, 50, 0);
const QColor kInk(255, 246, 226);
const QColor kShadow(110, 42, 0, 170);

using Glyph = std::function<void(QPainter&)>;

QPen ink_pen(qreal width = 1.3) {
    return QPen(kInk, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// Each glyph is drawn in a 14 x 14 box.
void note(QPainter& p) {
    p.setPen(ink_pen());
    p.drawLine(QPointF(5.5, 3), QPointF(5.5, 10.5));
    p.drawLine(QPointF(11, 2), QPointF(11, 9.5));
    p.setPen(ink_pen(2));
    p.drawLine(QPointF(5.5, 3), QPointF(11, 2));
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawEllipse(QPointF(3.8, 10.8), 2.2, 1.7);
    p.drawEllipse(QPointF(9.3, 9.8), 2.2, 1.7);
}

void clock_face(QPainter& p) {
    p.setPen(ink_pen());
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(7, 7), 5.3, 5.3);
    p.drawLine(QPointF(7, 7), QPointF(7, 3.6));
    p.drawLine(QPointF(7, 7), QPointF(9.6, 8.4));
}

void picture(QPainter& p) {
    p.setPen(ink_pen());
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1.5, 2.5, 11, 9));
    QPainterPath hills;
    hills.moveTo(2, 11);
    hills.lineTo(5.5, 6.5);
    hills.lineTo(8, 9);
    hills.lineTo(9.5, 7.5);
    hills.lineTo(12, 11);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawPath(hills);
    p.drawEllipse(QPointF(9.5, 5), 1.2, 1.2);
}

void notebook(QPainter& p) {
    p.setPen(ink_pen());
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(2.5, 1.5, 8, 11));
    p.drawLine(QPointF(4.5, 4.5), QPointF(8.5, 4.5));
    p.drawLine(QPointF(4.5, 7), QPointF(8.5, 7));
    p.drawLine(QPointF(4.5, 9.5), QPointF(7, 9.5));
    p.setPen(ink_pen(1.6));
    p.drawLine(QPointF(12.5, 3), QPointF(12.5, 11));
}

void envelope(QPainter& p) {
    p.setPen(ink_pen());
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1.5, 3.5, 11, 8));
    p.drawPolyline(QPolygonF({QPointF(1.8, 3.8), QPointF(7, 8), QPointF(12.2, 3.8)}));
}

void magnifier(QPainter& p) {
    p.setPen(ink_pen());
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(1.5, 1.5, 7.5, 7.5));
    p.drawLine(QPointF(8, 8), QPointF(12.5, 12.5));
}

void monitor(QPainter& p) {
    p.setPen(ink_pen());
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1.5, 1.5, 11, 8));
    p.drawLine(QPointF(7, 9.5), QPointF(7, 12));
    p.drawLine(QPointF(4, 12.5), QPointF(10, 12.5));
    QPainterPath moon;
    moon.addEllipse(QPointF(7, 5.5), 2.6, 2.6);
    QPainterPath bite;
    bite.addEllipse(QPointF(8.4, 4.6), 2.2, 2.2);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawPath(moon.subtracted(bite));
}

void run_arrow(QPainter& p) {
    p.setPen(ink_pen());
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(1.5, 1.5, 11, 11), 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawPolygon(QPolygonF({QPointF(5, 4), QPointF(10.2, 7), QPointF(5, 10)}));
}

void gear(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.save();
    p.translate(7, 7);
    for (int i = 0; i < 8; ++i) {
        p.drawRect(QRectF(-1.2, -6.2, 2.4, 3));
        p.rotate(45);
    }
    p.restore();
    QPainterPath ring;
    ring.addEllipse(QPointF(7, 7), 4.4, 4.4);
    QPainterPath hole;
    hole.addEllipse(QPointF(7, 7), 1.8, 1.8);
    p.drawPath(ring.subtracted(hole));
}

void power(QPainter& p) {
    p.setPen(ink_pen(1.5));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(2, 2.5, 10, 10), 60 * 16, -300 * 16);
    p.drawLine(QPointF(7, 1.5), QPointF(7, 7));
}

void door(QPainter& p) {
    p.setPen(ink_pen());
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(7.5, 4), QPointF(7.5, 1.5), QPointF(1.5, 1.5),
                              QPointF(1.5, 12.5), QPointF(7.5, 12.5), QPointF(7.5, 10)}));
    p.drawLine(QPointF(5, 7), QPointF(12.5, 7));
    p.drawPolyline(QPolygonF({QPointF(10, 4.5), QPointF(12.5, 7), QPointF(10, 9.5)}));
}

QImage face(const QString& text, const Glyph& glyph) {
    QImage image(80, 16, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient glaze(0, 0, 0, 16);
    glaze.setColorAt(0, kTop);
    glaze.setColorAt(1, kBottom);
    p.fillRect(image.rect(), glaze);
    p.setPen(kGloss);
    p.drawLine(1, 0, 78, 0);
    p.setPen(kRim);
    p.drawLine(0, 15, 79, 15);
    p.drawLine(79, 0, 79, 15);
    p.drawLine(0, 0, 0, 15);

    p.setRenderHint(QPainter::Antialiasing);
    p.save();
    p.translate(3, 1);
    glyph(p);
    p.restore();
    // A faint divider between glyph and text.
    p.setPen(QPen(QColor(255, 220, 170, 90), 1));
    p.drawLine(QPointF(19.5, 3), QPointF(19.5, 13));

    QFont font;
    font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("AR PL UKai CN")});
    font.setPixelSize(12);
    font.setWeight(QFont::DemiBold);
    font.setHintingPreference(QFont::PreferFullHinting);
    p.setFont(font);
    const QRect text_box(21, 0, 58, 16);
    p.setPen(kShadow);
    p.drawText(text_box.translated(1, 1), Qt::AlignCenter, text);
    p.setPen(kInk);
    p.drawText(text_box, Qt::AlignCenter, text);
    return image;
}

}  // namespace

Artwork launcher_face_artwork() {
    const std::pair<const char*, Glyph> rows[] = {
        {"播放音乐", note},     {"卡通时钟", clock_face}, {"桌面壁纸", picture},
        {"随心所记", notebook}, {"发送邮件", envelope},   {"搜索文件", magnifier},
        {"启动屏保", monitor},  {"运行程序", run_arrow},  {"程序设置", gear},
        {"关闭电脑", power},    {"退出程序", door},
    };
    Artwork art;
    int row = 1;
    for (const auto& [text, glyph] : rows) {
        art.push_back({QStringLiteral("launcher_face_%1.bmp").arg(row++, 2, 10, QLatin1Char('0')),
                       bmp24(face(QString::fromUtf8(text), glyph))});
    }
    return art;
}

}  // namespace dezu::assets::generator
