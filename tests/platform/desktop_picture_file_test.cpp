#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>
#include <filesystem>
#include <string>

#include "platform/desktop/picture_file.h"
#include "platform/files/files.h"
#include "support/photo_tools.h"

using dezu::desktop::convert_picture_to_bmp;
namespace desktop = dezu::desktop;

namespace {

class PictureFileTest : public ::testing::Test {
protected:
    void SetUp() override { dezu::desktop::allow_large_pictures(); }
    std::string path(const std::string& name) const {
        return dir_.path().toStdString() + "/" + name;
    }
    std::string read(const std::string& name) const {
        return dezu::files::read_whole_file(path(name));
    }
    QTemporaryDir dir_;
};

}  // namespace

TEST_F(PictureFileTest, PicturesBecomeBmpFiles) {
    // The last is named in GBK bytes that are no UTF-8, as an archive may unpack it.
    const std::pair<const char*, std::string> cases[] = {{"JPG", "in.JPG"},
                                                         {"PNG", "in.PNG"},
                                                         {"ICO", "in.ICO"},
                                                         {"BMP", "in.BMP"},
                                                         {"JPG", "\xb4\xba\xcc\xec.jpg"}};
    for (const auto& [format_name, name] : cases) {
        const char* format = format_name;  // a lambda below takes it
        SCOPED_TRACE(name);
        QImage image(48, 32, QImage::Format_ARGB32);
        image.fill(QColor(200, 30, 30, 255));
        ASSERT_TRUE(dezu::files::write_whole_file(path(name), [&] {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, format);
            return bytes.toStdString();
        }()));
        const QImage written = convert_picture_to_bmp(path(name), path("WALLPAPER.BMP"));
        ASSERT_FALSE(written.isNull());
        EXPECT_EQ(read("WALLPAPER.BMP").substr(0, 2), "BM");
        const QImage back(QString::fromStdString(path("WALLPAPER.BMP")), "BMP");
        EXPECT_EQ(back.size(), QSize(48, 32));
        EXPECT_NEAR(qRed(back.pixel(10, 10)), 200, 8);
        EXPECT_EQ(written.pixel(10, 10), back.pixel(10, 10));
    }
}

TEST_F(PictureFileTest, TransparentPartsAreBlendedOntoTheMatte) {
    QImage image(4, 1, QImage::Format_ARGB32);
    const QColor colours[] = {QColor(200, 0, 0, 255), QColor(200, 0, 0, 128), QColor(0, 0, 0, 0),
                              QColor(0, 60, 0, 51)};
    for (int x = 0; x < 4; ++x) image.setPixelColor(x, 0, colours[x]);
    image.save(QString::fromStdString(path("glass.png")), "PNG");
    ASSERT_FALSE(convert_picture_to_bmp(path("glass.png"), path("out.bmp")).isNull());
    const QImage back(QString::fromStdString(path("out.bmp")));
    ASSERT_FALSE(back.hasAlphaChannel());
    const QColor expected[] = {QColor(200, 0, 0), QColor(227, 127, 127), QColor(255, 255, 255),
                               QColor(204, 216, 204)};
    for (int x = 0; x < 4; ++x) {
        SCOPED_TRACE(x);
        const QColor got = back.pixelColor(x, 0);
        EXPECT_NEAR(got.red(), expected[x].red(), 2);
        EXPECT_NEAR(got.green(), expected[x].green(), 2);
        EXPECT_NEAR(got.blue(), expected[x].blue(), 2);
    }
    // The preview shows the same colours.
    const QImage preview = dezu::desktop::read_preview(path("glass.png"), QSize(10, 10)).picture;
    for (int x = 0; x < 4; ++x) EXPECT_EQ(preview.pixel(x, 0), back.pixel(x, 0)) << x;
}

TEST_F(PictureFileTest, PreviewFitsTheBoxAndSizeComesFromTheHeader) {
    QImage image(1000, 250, QImage::Format_RGB32);
    image.fill(Qt::green);
    image.save(QString::fromStdString(path("wide.jpg")), "JPG");
    const struct Case {
        QSize box;
        QSize shown;
    } cases[] = {{QSize(166, 112), QSize(166, 41)},
                 {QSize(2000, 2000), QSize(1000, 250)},  // never enlarged
                 {QSize(1, 1), QSize(1, 1)}};
    for (const Case& c : cases) {
        const dezu::desktop::Preview preview = dezu::desktop::read_preview(path("wide.jpg"), c.box);
        EXPECT_EQ(preview.size, QSize(1000, 250));
        EXPECT_EQ(preview.picture.size(), c.shown) << c.box.width();
    }
    for (const std::string& none : {path("missing.jpg"), path(""), std::string()}) {
        const dezu::desktop::Preview preview = dezu::desktop::read_preview(none, QSize(10, 10));
        EXPECT_EQ(preview.size, QSize(0, 0));
        EXPECT_TRUE(preview.picture.isNull());
    }
}

TEST_F(PictureFileTest, DamagedOrMissingPicturesLeaveTheTargetAlone) {
    ASSERT_TRUE(dezu::files::write_whole_file(path("WALLPAPER.BMP"), "previous"));
    ASSERT_TRUE(dezu::files::write_whole_file(path("damaged.jpg"),
                                              std::string("\xff\xd8\xff\xe0", 4) + "junk"));
    ASSERT_TRUE(dezu::files::write_whole_file(path("text.jpg"), "hello"));
    // A header that claims more pixels than any photo has.
    ASSERT_TRUE(dezu::files::write_whole_file(path("huge.bmp"), [] {
        std::string bmp = "BM" + std::string(12, '\0');
        bmp += std::string("\x28\0\0\0", 4) + std::string("\x30\x75\0\0", 4) +
               std::string("\x30\x75\0\0", 4) + std::string("\x01\0\x20\0", 4) +
               std::string(24, '\0');
        return bmp;
    }()));
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(Qt::green);
    image.save(QString::fromStdString(path("whole.png")), "PNG");
    const std::string whole = read("whole.png");
    ASSERT_TRUE(dezu::files::write_whole_file(path("cut.png"), whole.substr(0, whole.size() / 3)));
    std::filesystem::create_directory(path("folder.jpg"));
    for (const std::string& source :
         {path("damaged.jpg"), path("text.jpg"), path("cut.png"), path("huge.bmp"),
          path("missing.jpg"), path("folder.jpg"), std::string(), path("")}) {
        SCOPED_TRACE(source);
        EXPECT_TRUE(convert_picture_to_bmp(source, path("WALLPAPER.BMP")).isNull());
        EXPECT_EQ(read("WALLPAPER.BMP"), "previous");
    }
    EXPECT_TRUE(
        convert_picture_to_bmp(path("whole.png"), path("no/such/dir/WALLPAPER.BMP")).isNull());
    // Asked to stop: nothing is written.
    EXPECT_TRUE(convert_picture_to_bmp(path("whole.png"), path("WALLPAPER.BMP"), {}, [] {
                    return true;
                }).isNull());
    EXPECT_EQ(read("WALLPAPER.BMP"), "previous");
    std::size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir_.path().toStdString()))
        files += e.is_regular_file();
    EXPECT_EQ(files, 6u);  // no temporary file left behind
}

TEST_F(PictureFileTest, PhotosTurnUprightAsTheirExifOrientationSays) {
    if (!photo_tools::available()) GTEST_SKIP() << "needs ImageMagick and exiftool";
    // A camera held on its side stores 1200 x 1600 pixels and says in its
    // EXIF block how to turn them.
    for (const int orientation : {6, 8, 3, 7}) {
        SCOPED_TRACE(orientation);
        const std::string photo = path("camera.jpg");
        ASSERT_TRUE(photo_tools::make_marked_photo(photo, 1200, 1600, orientation));
        const QImage upright = photo_tools::oracle(photo, path("upright.bmp"));
        ASSERT_FALSE(upright.isNull());

        ASSERT_FALSE(convert_picture_to_bmp(photo, path("WALLPAPER.BMP")).isNull());
        const QImage written(QString::fromStdString(path("WALLPAPER.BMP")), "BMP");
        EXPECT_EQ(written.size(), upright.size());
        EXPECT_EQ(photo_tools::corner_marks(written), photo_tools::corner_marks(upright));

        const QSize box(166, 112);
        const desktop::Preview preview = desktop::read_preview(photo, box);
        EXPECT_EQ(preview.size, upright.size());
        EXPECT_EQ(preview.picture.size(), upright.size().scaled(box, Qt::KeepAspectRatio));
        EXPECT_EQ(photo_tools::corner_marks(preview.picture), photo_tools::corner_marks(upright));
    }
}

namespace {

// What a desktop of that screen size shows of the upright picture file in
// the style, as ImageMagick draws it.
QImage on_desktop(const std::string& file, int style, QSize screen, const std::string& out) {
    const QString size = QStringLiteral("%1x%2").arg(screen.width()).arg(screen.height());
    const QString target = QStringLiteral("BMP3:") + photo_tools::q(out);
    const QString picture = photo_tools::q(file);
    bool made = false;
    if (style == desktop::kCentre)
        made = run_tool("convert", {picture, QStringLiteral("-background"), QStringLiteral("black"),
                                    QStringLiteral("-gravity"), QStringLiteral("center"),
                                    QStringLiteral("-extent"), size, target});
    else if (style == desktop::kTile)
        made = run_tool("convert",
                        {QStringLiteral("-size"), size, QStringLiteral("tile:") + picture, target});
    else
        made = run_tool("convert",
                        {picture, QStringLiteral("-resize"), size + QLatin1Char('!'), target});
    return made ? QImage(photo_tools::q(out), "BMP") : QImage();
}

}  // namespace

TEST_F(PictureFileTest, OfAPictureLargerThanTheScreensOnlyWhatTheDesktopShowsIsKept) {
    if (!photo_tools::available()) GTEST_SKIP() << "needs ImageMagick and exiftool";
    // Upright 1601 x 1201, stored on its side; odd, so that the middle of a
    // screen's worth lies between two pixels.
    const std::string photo = path("photo.jpg");
    ASSERT_TRUE(photo_tools::make_detailed_photo(photo, 1201, 1601, 6));
    const std::string whole = path("whole.bmp");
    ASSERT_FALSE(photo_tools::oracle(photo, whole).isNull());
    const struct Case {
        int style;
        QSize screen;
        QSize kept;
    } cases[] = {
        {desktop::kStretch, {400, 300}, {400, 300}},
        {desktop::kStretch, {400, 400}, {533, 400}},     // covers the screen, which stretches it
        {desktop::kStretch, {2000, 300}, {1601, 1201}},  // never enlarged
        {5, {400, 300}, {400, 300}},                     // any other style stretches
        {desktop::kCentre, {400, 300}, {401, 301}},      // as much cut off on either side
        {desktop::kCentre, {2000, 300}, {1601, 301}},
        {desktop::kCentre, {2000, 2000}, {1601, 1201}},
        {desktop::kTile, {400, 300}, {400, 300}},
        {desktop::kTile, {2000, 300}, {1601, 300}},
        {desktop::kTile, {}, {1601, 1201}},  // screens not known: all of it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "style " << c.style << " on " << c.screen.width() << "x"
                                        << c.screen.height());
        const QImage kept = convert_picture_to_bmp(photo, path("WALLPAPER.BMP"),
                                                   desktop::Showing{c.style, c.screen});
        ASSERT_FALSE(kept.isNull());
        EXPECT_EQ(QImage(QString::fromStdString(path("WALLPAPER.BMP")), "BMP").size(), c.kept);
        if (c.screen.isEmpty()) continue;
        // On the screen it looks as the whole picture would.
        const QImage expected = on_desktop(whole, c.style, c.screen, path("expected.bmp"));
        const QImage shown =
            on_desktop(path("WALLPAPER.BMP"), c.style, c.screen, path("shown.bmp"));
        ASSERT_EQ(shown.size(), c.screen);
        EXPECT_LT(photo_tools::mean_difference(shown, expected),
                  c.style == desktop::kCentre || c.style == desktop::kTile ? 1.0 : 3.0);
    }
}

TEST_F(PictureFileTest, SeeThroughPicturesScaleAsTheyLookOnTheMatte) {
    if (!photo_tools::available()) GTEST_SKIP() << "needs ImageMagick and exiftool";
    // 16 bits a channel and 8 alike, scaled down by whole and by broken
    // factors, and at their own size.
    const struct Case {
        const char* what;
        bool preview;
        desktop::Showing showing;  // of the wallpaper
        QSize box;                 // of the preview
        QSize size;
    } cases[] = {
        {"stretched by half", false, {desktop::kStretch, {400, 300}}, {}, {400, 300}},
        {"stretched by a broken factor", false, {desktop::kStretch, {333, 250}}, {}, {333, 250}},
        {"centred at its own size", false, {desktop::kCentre, {1024, 768}}, {}, {800, 600}},
        {"previewed", true, {}, {166, 112}, {149, 112}},
    };
    for (const int depth : {8, 16}) {
        const std::string picture = path("glass" + std::to_string(depth) + ".png");
        ASSERT_TRUE(photo_tools::make_see_through_picture(picture, 800, 600, depth));
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << depth << " bits, " << c.what);
            QImage got;
            if (c.preview) {
                got = desktop::read_preview(picture, c.box).picture;
            } else {
                ASSERT_FALSE(
                    convert_picture_to_bmp(picture, path("WALLPAPER.BMP"), c.showing).isNull());
                got = QImage(QString::fromStdString(path("WALLPAPER.BMP")), "BMP");
            }
            ASSERT_EQ(got.size(), c.size);
            EXPECT_FALSE(got.hasAlphaChannel());
            const QImage expected = photo_tools::on_white(picture, path("expected.bmp"), c.size);
            EXPECT_GE(photo_tools::psnr(expected, got), 40.0);
        }
    }
}
