#include <QBuffer>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "artwork.h"

namespace dezu::assets::generator {
namespace {

constexpr int kWidth = 340;
constexpr int kHeight = 265;
constexpr int kFileSize = 18413;

// Dusk over hills, a rising moon and a clock face: the tools in one picture.
QImage splash_picture() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, kHeight);
    sky.setColorAt(0, QColor(40, 28, 70));
    sky.setColorAt(0.55, QColor(200, 110, 40));
    sky.setColorAt(1, QColor(250, 200, 120));
    p.fillRect(image.rect(), sky);

    QRadialGradient glow(QPointF(262, 70), 60);
    glow.setColorAt(0, QColor(255, 240, 190, 160));
    glow.setColorAt(1, QColor(255, 240, 190, 0));
    p.fillRect(image.rect(), glow);
    QPainterPath moon;
    moon.addEllipse(QPointF(262, 70), 26, 26);
    QPainterPath bite;
    bite.addEllipse(QPointF(250, 62), 24, 24);
    p.fillPath(moon.subtracted(bite), QColor(255, 232, 150));

    QPainterPath hills;
    hills.moveTo(0, 200);
    hills.cubicTo(80, 160, 150, 220, 230, 185);
    hills.cubicTo(280, 165, 320, 180, kWidth, 170);
    hills.lineTo(kWidth, kHeight);
    hills.lineTo(0, kHeight);
    p.fillPath(hills, QColor(120, 56, 0));

    const QPointF centre(92, 100);
    p.setPen(QPen(QColor(120, 56, 0), 4));
    p.setBrush(QColor(255, 246, 228));
    p.drawEllipse(centre, 46, 46);
    p.setPen(QPen(QColor(120, 56, 0), 3, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 12; ++i) {
        p.save();
        p.translate(centre);
        p.rotate(30 * i);
        p.drawLine(QPointF(0, -38), QPointF(0, i % 3 == 0 ? -31 : -34));
        p.restore();
    }
    p.drawLine(centre, centre + QPointF(0, -26));
    p.drawLine(centre, centre + QPointF(18, 10));

    QFont font(QStringLiteral("Noto Serif CJK SC"));
    font.setPixelSize(46);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(255, 246, 228));
    p.drawText(QRect(150, 118, 180, 60), Qt::AlignCenter, QStringLiteral("dezu"));
    font.setPixelSize(15);
    font.setBold(false);
    p.setFont(font);
    p.drawText(QRect(0, 228, kWidth, 24), Qt::AlignCenter,
               QStringLiteral("时钟 · 日记 · 音乐 · 壁纸 · 邮件"));
    return image;
}

// A JPEG of exactly kFileSize bytes: the best quality that fits, then a
// comment segment after the start marker makes up the rest.
QByteArray jpeg_of_size(const QImage& image) {
    for (int quality = 95; quality > 5; quality -= 2) {
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPG", quality);
        const int padding = kFileSize - int(data.size());
        if (padding < 4) continue;
        QByteArray comment("\xFF\xFE", 2);
        const int length = padding - 2;
        comment.append(char(length >> 8));
        comment.append(char(length & 0xFF));
        comment.append(QByteArray(length - 2, ' '));
        data.insert(2, comment);
        return data;
    }
    return {};
}

}  // namespace

Artwork splash_artwork() {
    return {{QStringLiteral("splash.jpg"), jpeg_of_size(splash_picture())}};
}

}  // namespace dezu::assets::generator
