#include "player/picture_label.h"

#include <QPainter>

namespace dezu::player {

PictureLabel::PictureLabel(QWidget* parent, const std::string& name, const std::string& picture)
    : QLabel(parent) {
    setObjectName(QString::fromStdString(name));
    if (!picture.empty())
        picture_.loadFromData(reinterpret_cast<const uchar*>(picture.data()), uint(picture.size()));
}

void PictureLabel::paintEvent(QPaintEvent* event) {
    {
        QPainter p(this);
        if (!picture_.isNull()) p.drawPixmap(0, 0, picture_);
    }
    QLabel::paintEvent(event);
}

}  // namespace dezu::player
