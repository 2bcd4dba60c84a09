#include "platform/ui/window_shape.h"

#include <QBitmap>
#include <QImage>
#include <QRegion>
#include <QWidget>

namespace dezu::ui {

void shape_window_from_picture(QWidget* window, const std::string& picture,
                               std::optional<QColor> key) {
    if (!window) return;
    QImage image;
    if (!picture.empty())
        image.loadFromData(reinterpret_cast<const uchar*>(picture.data()), int(picture.size()));
    if (image.isNull()) {
        window->clearMask();
        return;
    }
    const QRgb outside = key.value_or(QColor(Qt::white)).rgb();
    const QImage inside =
        image.convertToFormat(QImage::Format_RGB32).createMaskFromColor(outside, Qt::MaskInColor);
    const QRegion region(QBitmap::fromImage(inside));
    if (region.isEmpty())
        window->clearMask();
    else
        window->setMask(region);
}

}  // namespace dezu::ui
