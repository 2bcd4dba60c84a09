#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/desktop/desktop_wallpaper.h"
#include "platform/settings/settings.h"
#include "platform/ui/failures.h"
#include "support/open_counter.h"
#include "support/scripted_prompts.h"
#include "wallpaper/wallpaper_rotator.h"

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
        std::string file = dir_.path().toStdString() + "/p.bmp";
        image.save(QString::fromStdString(file), "BMP");
        return file;
    }
    // Whether a pixmap of that id exists on the server.
    bool pixmap_exists(xcb_pixmap_t pixmap) {
        xcb_generic_error_t* error = nullptr;
        auto* r = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, pixmap), &error);
        std::free(error);
        std::free(r);
        return r != nullptr;
    }
    // Another client's pixmap, named in the root window's properties as a
    // root setter would name it.
    xcb_pixmap_t foreign_pixmap(xcb_connection_t* other, bool as_background) {
        const xcb_pixmap_t pixmap = xcb_generate_id(other);
        xcb_create_pixmap(other, 24, pixmap, root_, 8, 8);
        xcb_change_property(other, XCB_PROP_MODE_REPLACE, root_, atom("ESETROOT_PMAP_ID"),
                            XCB_ATOM_PIXMAP, 32, 1, &pixmap);
        if (as_background)
            xcb_change_property(other, XCB_PROP_MODE_REPLACE, root_, atom("_XROOTPMAP_ID"),
                                XCB_ATOM_PIXMAP, 32, 1, &pixmap);
        xcb_set_close_down_mode(other, XCB_CLOSE_DOWN_RETAIN_PERMANENT);
        std::free(xcb_get_input_focus_reply(other, xcb_get_input_focus(other), nullptr));
        return pixmap;
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

TEST_F(RootWindowTest, StretchingAveragesFineDetail) {
    // Columns of one pixel, black and white, twice as many as the screen has.
    QImage stripes(640, 4, QImage::Format_RGB32);
    for (int x = 0; x < 640; ++x)
        for (int y = 0; y < 4; ++y) stripes.setPixel(x, y, x % 2 ? 0xffffffff : 0xff000000);
    const std::string file = dir_.path().toStdString() + "/stripes.png";
    stripes.save(QString::fromStdString(file), "PNG");
    ASSERT_TRUE(dezu::desktop::set_desktop_wallpaper(file, dezu::desktop::kStretch));
    for (int x : {3, 100, 161, 250, 318}) {
        const std::uint32_t grey = pixel(x, 100) & 0xff;
        EXPECT_GT(grey, 90u) << x;
        EXPECT_LT(grey, 165u) << x;
    }
}

TEST_F(RootWindowTest, ThePictureGivenIsPaintedWithoutReadingTheFile) {
    QImage picture(40, 20, QImage::Format_RGB32);
    picture.fill(QColor(0x11, 0x88, 0x22));
    const std::string nowhere = dir_.path().toStdString() + "/WALLPAPER1.BMP";
    ASSERT_TRUE(dezu::desktop::set_desktop_wallpaper(nowhere, dezu::desktop::kStretch, &picture));
    EXPECT_EQ(pixel(160, 100), 0x118822u);
}

TEST_F(RootWindowTest, OnlyThePreviousSettersOwnPixmapIsFreed) {
    const std::string small = picture(8, 8);
    for (bool as_background : {false, true}) {
        SCOPED_TRACE(as_background);
        xcb_connection_t* other = xcb_connect(nullptr, nullptr);
        ASSERT_FALSE(xcb_connection_has_error(other));
        const xcb_pixmap_t theirs = foreign_pixmap(other, as_background);
        // A root setter that named its pixmap as the background has ended.
        if (as_background) xcb_disconnect(other);
        ASSERT_TRUE(dezu::desktop::set_desktop_wallpaper(small, dezu::desktop::kTile));
        EXPECT_EQ(pixmap_exists(theirs), !as_background);
        if (!as_background) {
            // The pixmap was not the background: whoever made it may be a
            // live program, and it is not killed for it.
            std::free(xcb_get_input_focus_reply(other, xcb_get_input_focus(other), nullptr));
            EXPECT_FALSE(xcb_connection_has_error(other));
            xcb_disconnect(other);
        }
    }
    // Our own pixmap is freed by the next change.
    const xcb_pixmap_t ours = root_pixmap();
    ASSERT_TRUE(pixmap_exists(ours));
    ASSERT_TRUE(dezu::desktop::set_desktop_wallpaper(small, dezu::desktop::kCentre));
    EXPECT_FALSE(pixmap_exists(ours));
}

TEST_F(RootWindowTest, ADesktopOfItsOwnIsNotPaintedOver) {
    // Its setting program fails; painting the root window under its own
    // desktop window would seem to work while nobody sees it.
    QTemporaryDir bin;
    const std::string gsettings = bin.path().toStdString() + "/gsettings";
    std::FILE* f = std::fopen(gsettings.c_str(), "w");
    std::fputs("#!/bin/sh\nexit 1\n", f);
    std::fclose(f);
    std::filesystem::permissions(gsettings, std::filesystem::perms::owner_all);
    const std::string path = std::getenv("PATH");
    setenv("PATH", bin.path().toLocal8Bit().constData(), 1);
    setenv("XDG_CURRENT_DESKTOP", "MATE", 1);
    EXPECT_FALSE(dezu::desktop::set_desktop_wallpaper(picture(8, 8), dezu::desktop::kStretch));
    EXPECT_EQ(root_pixmap(), 0u);
    setenv("PATH", path.c_str(), 1);
    unsetenv("XDG_CURRENT_DESKTOP");
}

TEST_F(RootWindowTest, AChangePaintsThePictureItConvertedWithoutReadingItBack) {
    dezu::ProgramSite site;
    site.dir = dir_.path().toStdString() + "/";
    QImage photo(64, 48, QImage::Format_RGB32);
    photo.fill(QColor(0x22, 0x44, 0xcc));
    ASSERT_TRUE(photo.save(QString::fromStdString(site.path("photo.jpg")), "JPG", 95));
    dezu::settings::Settings settings(site.path("clock.ini"));
    ScriptedPrompts prompts;
    dezu::ui::FailureReporter failures(prompts);
    dezu::desktop::LiveDesktop desktop;
    dezu::wallpaper::WallpaperRotator rotator(site, settings, desktop, failures);
    rotator.replace_list({site.path("photo.jpg")});
    OpenCounter opens(dir_.path().toStdString());
    bool taken = false;
    QObject::connect(&rotator, &dezu::wallpaper::WallpaperRotator::change_finished,
                     [&](const dezu::wallpaper::ChangeResult& r) { taken = r.taken; });
    rotator.change_wallpaper_on_timer();
    for (int i = 0; i < 2000 && rotator.busy(); ++i) QThread::msleep(5);
    QCoreApplication::processEvents();
    ASSERT_TRUE(taken);
    EXPECT_EQ(opens.opens_of("photo.jpg"), 1);
    EXPECT_EQ(opens.opens_of("WALLPAPER.BMP") + opens.opens_of("WALLPAPER1.BMP"), 0);
    const std::uint32_t shown = pixel(160, 100);
    EXPECT_NEAR(int(shown >> 16), 0x22, 6);
    EXPECT_NEAR(int(shown & 0xff), 0xcc, 6);
}
