#include "platform/ui/window_shape.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QWidget>

namespace {

std::string bmp(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes.toStdString();
}

// A 20 x 10 white picture with a red 6 x 4 block at 3, 2 and a white hole
// in it at 5, 3.
QImage picture() {
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 2; y < 6; ++y)
        for (int x = 3; x < 9; ++x) image.setPixel(x, y, qRgb(200, 0, 0));
    image.setPixel(5, 3, qRgb(255, 255, 255));
    return image;
}

}  // namespace

TEST(WindowShape, WhiteOrTheKeyColourIsOutside) {
    QWidget window;
    window.resize(20, 10);
    dezu::ui::shape_window_from_picture(&window, bmp(picture()));
    QRegion shape = window.mask();
    EXPECT_EQ(shape.boundingRect(), QRect(3, 2, 6, 4));
    EXPECT_FALSE(shape.contains(QPoint(5, 3)));
    EXPECT_TRUE(shape.contains(QPoint(8, 5)));
    EXPECT_FALSE(shape.contains(QPoint(0, 0)));

    dezu::ui::shape_window_from_picture(&window, bmp(picture()), QColor(200, 0, 0));
    shape = window.mask();
    EXPECT_TRUE(shape.contains(QPoint(0, 0)));
    EXPECT_TRUE(shape.contains(QPoint(5, 3)));
    EXPECT_FALSE(shape.contains(QPoint(4, 3)));
}

TEST(WindowShape, UnreadableOrAllWhitePictureLeavesTheWindowRectangular) {
    QWidget window;
    window.resize(20, 10);
    QImage white(20, 10, QImage::Format_RGB32);
    white.fill(Qt::white);
    for (const std::string& bytes : {std::string(), std::string("BMnot a picture"), bmp(white)}) {
        dezu::ui::shape_window_from_picture(&window, bmp(picture()));
        ASSERT_FALSE(window.mask().isEmpty());
        dezu::ui::shape_window_from_picture(&window, bytes);
        EXPECT_TRUE(window.mask().isEmpty());
    }
}
