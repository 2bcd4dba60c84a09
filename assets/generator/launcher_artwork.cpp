#include <QPainter>
#include <QPainterPath>

#include "artwork.h"
#include "image_formats.h"

namespace dezu::assets::generator {
namespace {

// The program's icon: a warm dial with a crescent moon rising behind it.
QImage program_icon(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    // Moon
    QPainterPath moon;
    moon.addEllipse(QRectF(16, 0, 15, 15));
    QPainterPath bite;
    bite.addEllipse(QRectF(12.5, -2.5, 14, 14));
    p.fillPath(moon.subtracted(bite), QColor(250, 214, 90));
    // Dial
    p.setPen(QPen(QColor(120, 56, 0), 1.6));
    p.setBrush(QColor(192, 96, 0));
    p.drawEllipse(QRectF(2.5, 6.5, 23, 23));
    p.setBrush(QColor(255, 246, 228));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(5.5, 9.5, 17, 17));
    // Hour marks and hands
    p.setPen(QPen(QColor(120, 56, 0), 1.4, Qt::SolidLine, Qt::RoundCap));
    const QPointF centre(14, 18);
    for (int i = 0; i < 4; ++i) {
        p.save();
        p.translate(centre);
        p.rotate(90 * i);
        p.drawLine(QPointF(0, -7.2), QPointF(0, -6));
        p.restore();
    }
    p.drawLine(centre, QPointF(14, 12));
    p.drawLine(centre, QPointF(18.5, 19.5));
    p.setBrush(QColor(120, 56, 0));
    p.drawEllipse(centre, 1.1, 1.1);
    return image;
}

}  // namespace

Artwork launcher_artwork() {
    const auto palette = standard_palette();
    const QImage icon = program_icon(32);
    return {
        {QStringLiteral("net.ico"), ico_file({{icon.size(), icon_dib_8bit(icon, palette)}}, 8)}};
}

}  // namespace dezu::assets::generator
