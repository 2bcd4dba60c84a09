#include "platform/ui/controls.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace dezu::ui {

SuperButton::SuperButton(QWidget* parent, const std::string& name, const std::string& caption,
                         int tag)
    : QAbstractButton(parent), tag_(tag) {
    setObjectName(QString::fromStdString(name));
    setText(QString::fromStdString(caption));
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void SuperButton::set_highlight(int state) {
    if (highlight_ == state) return;
    highlight_ = state;
    update();
}

void SuperButton::paintEvent(QPaintEvent*) {
    // The face picture underneath is the row's look; the button only adds
    // its highlight and the pressed shade.
    QPainter p(this);
    if (highlight_) {
        p.fillRect(rect(), QColor(255, 236, 160, 90));
        p.setPen(QPen(QColor(255, 214, 80), 1));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    if (isDown()) p.fillRect(rect(), QColor(0, 0, 0, 50));
}

void SuperButton::mouseMoveEvent(QMouseEvent* event) {
    emit pointer_moved();
    QAbstractButton::mouseMoveEvent(event);
}

void SuperButton::enterEvent(QEnterEvent* event) {
    emit pointer_moved();
    QAbstractButton::enterEvent(event);
}

PictureBox::PictureBox(QWidget* parent, const std::string& name) : QLabel(parent) {
    setObjectName(QString::fromStdString(name));
}

void PictureBox::set_picture(const std::string& bytes) {
    bytes_ = bytes;
    QPixmap pixmap;
    if (!bytes.empty())
        pixmap.loadFromData(reinterpret_cast<const uchar*>(bytes.data()),
                            static_cast<uint>(bytes.size()));
    setPixmap(pixmap);
}

void place(QWidget* control, int left, int top, int width, int height) {
    control->setGeometry(left, top, width, height);
}

}  // namespace dezu::ui
