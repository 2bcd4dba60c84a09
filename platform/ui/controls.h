#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <string>

namespace dezu::ui {

// A flat button drawn over a face picture: it takes the clicks and the
// pointer's movement, and shows a highlight while its state is 1.
class SuperButton : public QAbstractButton {
    Q_OBJECT
public:
    SuperButton(QWidget* parent, const std::string& name, const std::string& caption, int tag);

    int tag() const { return tag_; }
    void set_highlight(int state);
    int highlight() const { return highlight_; }
    QSize sizeHint() const override { return size(); }

signals:
    void pointer_moved();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;

private:
    int tag_;
    int highlight_ = 0;
};

// A control that shows a picture (a whole picture file's bytes).
class PictureBox : public QLabel {
    Q_OBJECT
public:
    PictureBox(QWidget* parent, const std::string& name);
    // Empty or undecodable bytes show nothing.
    void set_picture(const std::string& bytes);
    const std::string& picture() const { return bytes_; }

private:
    std::string bytes_;
};

// Places a control by left, top, width and height, as the form tables give them.
void place(QWidget* control, int left, int top, int width, int height);

// A control with a caption (label, button, check box, group box...), named
// and placed as a form table gives it.
template <class T>
T* add_control(QWidget* parent, const std::string& name, const char* caption, int left, int top,
               int width, int height) {
    auto* control = new T(QString::fromUtf8(caption), parent);
    control->setObjectName(QString::fromStdString(name));
    place(control, left, top, width, height);
    return control;
}

}  // namespace dezu::ui
