#pragma once

#include <QLabel>
#include <QPixmap>
#include <string>

namespace dezu::player {

// A label over a background picture (a whole picture file's bytes), drawn
// from its left edge and cut at the label's width, so that a fill label's
// width shows a share of the picture.
class PictureLabel : public QLabel {
    Q_OBJECT
public:
    PictureLabel(QWidget* parent, const std::string& name, const std::string& picture);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap picture_;
};

}  // namespace dezu::player
