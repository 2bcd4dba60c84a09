#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "platform/desktop/desktop_wallpaper.h"

namespace {

// A virtual display of its own, so that the root window that is painted is
// never a real one.
class RootWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* d = std::getenv("DISPLAY")) saved_display_ = d;
        if (const char* x = std::getenv("XDG_CURRENT_DESKTOP")) saved_desktop_ = x;
        unsetenv("XDG_CURRENT_DESKTOP");
        server_.start(QStringLiteral("Xvfb"),
                      {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                       QStringLiteral("0"), QStringLiteral("320x200x24"),
                       QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (!server_.waitForStarted(5000)) GTEST_SKIP() << "no Xvfb";
        QByteArray number;
        while (!number.contains('\n') && server_.waitForReadyRead(5000))
            number += server_.readAllStandardOutput();
        ASSERT_FALSE(number.trimmed().isEmpty());
        setenv("DISPLAY", (":" + number.trimmed().toStdString()).c_str(), 1);
        c_ = xcb_connect(nullptr, nullptr);
        ASSERT_FALSE(xcb_connection_has_error(c_));
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
    }
    void TearDown() override {
        if (c_) xcb_disconnect(c_);
        server_.kill();
        server_.waitForFinished(3000);
        saved_display_ ? setenv("DISPLAY", saved_display_->c_str(), 1) : unsetenv("DISPLAY");
        if (saved_desktop_) setenv("XDG_CURRENT_DESKTOP", saved_desktop_->c_str(), 1);
    }

    xcb_atom_t atom(const char* name) {
        auto* r =
            xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(r);
        return a;
    }
    // The pixmap that the root window names as its background, or 0.
    xcb_pixmap_t root_pixmap() {
        auto* r = xcb_get_property_reply(
            c_, xcb_get_property(c_, 0, root_, atom("_XROOTPMAP_ID"), XCB_ATOM_PIXMAP, 0, 1),
            nullptr);
        xcb_pixmap_t p = 0;
        if (r && xcb_get_property_value_length(r) == 4)
            p = *static_cast<xcb_pixmap_t*>(xcb_get_property_value(r));
        std::free(r);
        return p;
    }
    // The colour at x, y of the background pixmap, as 0xRRGGBB.
    std::uint32_t pixel(int x, int y) {
        auto* r = xcb_get_image_reply(
            c_, xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, root_pixmap(), x, y, 1, 1, ~0u),
            nullptr);
        std::uint32_t value = 0xdeadbeef;
        if (r && xcb_get_image_data_length(r) >= 4) std::memcpy(&value, xcb_get_image_data(r), 4);
        std::free(r);
        return value & 0xffffff;
    }
    std::string picture(int width, int height) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(QColor(0xcc, 0x22, 0x11));
        const std::string file = dir_.path().toStdString() + "/p.bmp";
        image.save(QString::fromStdString(file), "BMP");
        return file;
    }

    QTemporaryDir dir_;
    QProcess server_;
    xcb_connection_t* c_ = nullptr;
    xcb_window_t root_ = 0;
    std::optional<std::string> saved_display_, saved_desktop_;
};

}  // namespace

TEST_F(RootWindowTest, PaintsTheRootWindowInEachStyleAndRemovesIt) {
    const std::string small = picture(40, 20);
    ASSERT_TRUE(dezu::desktop::set_desktop_wallpaper(small, dezu::desktop::kStretch));
    ASSERT_NE(root_pixmap(), 0u);
    EXPECT_EQ(pixel(0, 0), 0xcc2211u);
    EXPECT_EQ(pixel(319, 199), 0xcc2211u);

    ASSERT_TRUE(dezu::desktop::set_desktop_wallpaper(small, dezu::desktop::kCentre));
    EXPECT_EQ(pixel(160, 100), 0xcc2211u);
    EXPECT_EQ(pixel(0, 0), 0x000000u);

    ASSERT_TRUE(dezu::desktop::set_desktop_wallpaper(small, dezu::desktop::kTile));
    EXPECT_EQ(pixel(300, 190), 0xcc2211u);

    ASSERT_TRUE(dezu::desktop::set_desktop_wallpaper(""));
    EXPECT_EQ(root_pixmap(), 0u);
    // A file that is no picture leaves the display alone.
    EXPECT_FALSE(dezu::desktop::set_desktop_wallpaper(dir_.path().toStdString() + "/none.bmp"));
}
