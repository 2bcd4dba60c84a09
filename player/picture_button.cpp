#include "player/picture_button.h"

#include <QMouseEvent>
#include <QPainter>

namespace dezu::player {

namespace {

QPixmap decode(const std::string& bytes) {
    QPixmap pixmap;
    if (!bytes.empty())
        pixmap.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), uint(bytes.size()));
    return pixmap;
}

}  // namespace

PictureButton::PictureButton(QWidget* parent, const std::string& name) : QAbstractButton(parent) {
    setObjectName(QString::fromStdString(name));
    setFocusPolicy(Qt::NoFocus);
}

void PictureButton::set_normal_face(const std::string& bytes) {
    normal_bytes_ = bytes;
    normal_ = decode(bytes);
    update();
}

void PictureButton::set_pressed_face(const std::string& bytes) {
    pressed_ = decode(bytes);
    update();
}

void PictureButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPixmap& face = isDown() && !pressed_.isNull() ? pressed_ : normal_;
    if (!face.isNull()) p.drawPixmap(0, 0, face);
}

void PictureButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        emit right_pressed();
        event->accept();
        return;
    }
    QAbstractButton::mousePressEvent(event);
}

}  // namespace dezu::player
