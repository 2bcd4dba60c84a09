#pragma once

#include <QAbstractButton>
#include <QPixmap>
#include <string>

namespace dezu::player {

// A button drawn wholly by its pictures: the normal face, and a darker face
// while it is held down. Faces are whole picture files' bytes.
class PictureButton : public QAbstractButton {
    Q_OBJECT
public:
    PictureButton(QWidget* parent, const std::string& name);

    void set_normal_face(const std::string& bytes);
    void set_pressed_face(const std::string& bytes);
    const std::string& normal_face() const { return normal_bytes_; }

signals:
    // The right mouse button went down on the button.
    void right_pressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::string normal_bytes_;
    QPixmap normal_;
    QPixmap pressed_;
};

}  // namespace dezu::player
