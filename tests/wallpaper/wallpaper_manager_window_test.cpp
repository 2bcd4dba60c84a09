#include "wallpaper/wallpaper_manager_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTest>
#include <filesystem>

#include "app/launcher_window.h"
#include "platform/files/files.h"
#include "platform/ui/controls.h"
#include "support/iconv.h"
#include "support/open_counter.h"
#include "support/photo_tools.h"
#include "wallpaper/wallpaper_list.h"
#include "wallpaper_test_support.h"

namespace ui = dezu::ui;
using dezu::app::LauncherWindow;
using dezu::settings::write_setting;
using dezu::wallpaper::WallpaperManagerWindow;

class WallpaperManagerTest : public WallpaperTest {
protected:
    // Starts the program with these list entries and opens the manager.
    void open_with(const std::vector<std::string>& entries) {
        ASSERT_TRUE(dezu::wallpaper::write_wallpaper_list(path("WALLAB.INI"), entries));
        start();
        open();
    }
    void open() {
        ASSERT_NE(ui::load_window(ui::windows::kWallpaperManager), nullptr);
        process_events();
    }
    void close() { ui::destroy_window(ui::windows::kWallpaperManager); }

    WallpaperManagerWindow* window() const {
        return ui::loaded_window_as<WallpaperManagerWindow>(ui::windows::kWallpaperManager);
    }
    template <class T>
    T* get(const char* name) const {
        T* c = window()->control<T>(name);
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    QListWidget* rows() const { return get<QListWidget>("列表框1"); }
    std::vector<std::string> row_paths() const {
        std::vector<std::string> paths;
        for (int k = 0; k < rows()->count(); ++k) paths.push_back(window()->row_path(k));
        return paths;
    }
    std::vector<int> selected_rows() const {
        std::vector<int> selected;
        for (int k = 0; k < rows()->count(); ++k)
            if (rows()->item(k)->isSelected()) selected.push_back(k);
        return selected;
    }
    std::string size_labels() const {
        return (get<QLabel>("标签5")->text() + " " + get<QLabel>("标签6")->text()).toStdString();
    }
    // Waits until the preview shows these size labels.
    void wait_for_sizes(const std::string& labels) {
        EXPECT_TRUE(wait_until([&] { return size_labels() == labels; }, 30000))
            << "shown: " << size_labels() << ", not " << labels;
    }
    void click(const char* name) const { QTest::mouseClick(get<QWidget>(name), Qt::LeftButton); }
    void click_row(int k) const {
        QListWidget* list = rows();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(k)).center());
    }
    void double_click_row(int k) {
        QListWidget* list = rows();
        const QPoint at = list->visualItemRect(list->item(k)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        settle();
    }
    std::vector<std::string> pictures(int count) const {
        std::vector<std::string> paths;
        for (int i = 0; i < count; ++i)
            paths.push_back(picture("p" + std::to_string(i) + ".bmp", 10 + i, 20 + i, "BMP"));
        return paths;
    }
};

TEST_F(WallpaperManagerTest, OpeningShowsOnlyExistingFilesAndClosingKeepsThem) {
    const std::vector<std::string> p = pictures(3);
    std::filesystem::remove(p[1]);
    open_with(p);
    EXPECT_EQ(window()->windowTitle(), QStringLiteral("壁纸管理"));
    EXPECT_EQ(row_paths(), (std::vector<std::string>{p[0], p[2]}));
    close();
    EXPECT_EQ(read_file("WALLAB.INI"), p[0] + "\r\n" + p[2] + "\r\n");
    EXPECT_EQ(rotator().list(), (std::vector<std::string>{p[0], p[2]}));
}

TEST_F(WallpaperManagerTest, OpeningShowsTheRunningTimer) {
    const struct Case {
        std::int32_t interval;
        bool checked;
        const char* box;
        const char* saved_on;   // 自动更换 after closing untouched
        const char* saved_for;  // 间隔时间
    } cases[] = {
        {300000, true, "5", "Y", "5"},
        {90000, true, "1.5", "Y", "1.5"},
        {0, false, "5", "N", ""},
    };
    start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.interval);
        ASSERT_TRUE(write_setting(clock_ini(), "更换壁纸", "显示方式", "1"));
        timer()->set_interval(c.interval);
        open();
        EXPECT_EQ(get<QCheckBox>("选择框4")->isChecked(), c.checked);
        EXPECT_EQ(get<QLineEdit>("编辑框2")->text().toStdString(), c.box);
        EXPECT_TRUE(get<QLineEdit>("编辑框2")->isEnabled());
        close();
        EXPECT_EQ(timer()->interval(), c.interval);
        EXPECT_EQ(setting("自动更换"), c.saved_on);
        EXPECT_EQ(setting("间隔时间"), c.saved_for);
        EXPECT_EQ(setting("显示方式"), "2");  // the form's 拉伸, whatever was saved
        EXPECT_EQ(read_file("WALLAB.INI"), "");
        process_events();
    }
}

TEST_F(WallpaperManagerTest, OpeningSelectsAndPreviewsTheCurrentEntry) {
    const std::vector<std::string> p = pictures(5);
    const struct Case {
        int index;
        std::vector<int> selected;
        const char* sizes;
    } cases[] = {
        {3, {2}, "宽:12 高:22"},
        {0, {}, "宽:0 高:0"},
        {6, {}, "宽:0 高:0"},
        {-1, {}, "宽:0 高:0"},
    };
    ASSERT_TRUE(dezu::wallpaper::write_wallpaper_list(path("WALLAB.INI"), p));
    start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        rotator().set_current_index(c.index);
        open();
        EXPECT_EQ(selected_rows(), c.selected);
        wait_for_sizes(c.sizes);
        EXPECT_EQ(get<ui::PictureBox>("图片框1")->toolTip(), QStringLiteral("双击鼠标清除壁纸"));
        close();
        process_events();
    }
}

TEST_F(WallpaperManagerTest, PreviewFollowsTheCurrentRowAndSurvivesDamagedPictures) {
    const std::string big = picture("big.jpg", 1024, 768, "JPG");
    write_file("damaged.jpg", std::string("\xff\xd8\xff\xe0", 4) + std::string(500, 'x'));
    open_with({big, path("damaged.jpg")});
    rows()->setCurrentRow(0);
    wait_for_sizes("宽:1024 高:768");
    const QSize shown = get<ui::PictureBox>("图片框1")->pixmap().size();
    EXPECT_LE(shown.width(), 166);
    EXPECT_LE(shown.height(), 112);
    EXPECT_GT(shown.width(), 100);
    rows()->setCurrentRow(1);
    wait_for_sizes("宽:0 高:0");
    EXPECT_TRUE(get<ui::PictureBox>("图片框1")->pixmap().isNull());
    // Putting the damaged one on the desktop hands over its own path.
    double_click_row(1);
    ASSERT_EQ(changes().size(), 1u);
    EXPECT_EQ(changes()[0].first, path("damaged.jpg"));
}

TEST_F(WallpaperManagerTest, AClickOnARowReadsItsPictureOnce) {
    const std::string a = picture("a.jpg", 800, 600, "JPG");
    const std::string b = picture("b.jpg", 640, 480, "JPG");
    ASSERT_TRUE(write_setting(clock_ini(), "更换壁纸", "当前壁纸", "0"));
    open_with({a, b});
    OpenCounter opens(dir());
    click_row(1);
    wait_for_sizes("宽:640 高:480");
    run_timer_periods(10, 5);  // and no second reading
    EXPECT_EQ(opens.opens_of("b.jpg"), 1);
    click_row(1);  // the row shown already
    run_timer_periods(10, 5);
    EXPECT_EQ(opens.opens_of("b.jpg"), 0);
    click_row(0);
    wait_for_sizes("宽:800 高:600");
    run_timer_periods(10, 5);
    EXPECT_EQ(opens.opens_of("a.jpg"), 1);
}

TEST_F(WallpaperManagerTest, DoubleClickPutsTheRowOnTheDesktopWithTheChosenStyle) {
    const std::vector<std::string> p = pictures(4);
    const std::string jpg = picture("last.jpg", 30, 40, "JPG");
    open_with({p[0], p[1], p[2], p[3], jpg});
    double_click_row(2);
    EXPECT_EQ(rotator().current_index(), 3);
    EXPECT_EQ(changes(), (std::vector<Change>{{p[2], 2}}));
    // The manager's choice is not saved, and the timed change keeps its style.
    EXPECT_EQ(setting("当前壁纸"), "<missing>");
    tick();
    EXPECT_EQ(changes().back(), (Change{p[3], 5}));

    click("单选框3");  // 居中
    double_click_row(4);
    EXPECT_EQ(rotator().current_index(), 5);
    EXPECT_EQ(changes().back(), (Change{path("WALLPAPER1.BMP"), 0}));
    EXPECT_EQ(QImage(QString::fromStdString(path("WALLPAPER.BMP"))).size(), QSize(30, 40));
    click("单选框1");  // 平铺
    double_click_row(0);
    EXPECT_EQ(changes().back(), (Change{p[0], 1}));
    EXPECT_EQ(rotator().display_mode(), 5);
}

TEST_F(WallpaperManagerTest, PhotosOfManyMegapixelsArePreviewedAndConverted) {
    // Flat colours keep the files small; the pixel count is what matters.
    const std::pair<int, int> sizes[] = {{8000, 6000}, {10000, 10000}};
    for (const auto& [width, height] : sizes) {
        const std::string name = std::to_string(width) + "x" + std::to_string(height) + ".jpg";
        {
            QImage photo(width, height, QImage::Format_RGB32);
            photo.fill(QColor(20, 120, 200));
            QPainter(&photo).fillRect(0, 0, width / 4, height / 4, QColor(240, 200, 10));
            ASSERT_TRUE(photo.save(QString::fromStdString(path(name)), "JPG", 80));
        }
        SCOPED_TRACE(name);
        restart();
        ASSERT_TRUE(write_setting(clock_ini(), "更换壁纸", "当前壁纸", "1"));
        open_with({path(name)});
        wait_for_sizes("宽:" + std::to_string(width) + " 高:" + std::to_string(height));
        const QImage shown = get<ui::PictureBox>("图片框1")->pixmap().toImage();
        ASSERT_FALSE(shown.isNull());
        EXPECT_LE(shown.width(), 166);
        EXPECT_EQ(QColor(shown.pixel(2, 2)).red() > 200, true);  // the top left quarter
        double_click_row(0);
        const QImage written(QString::fromStdString(path("WALLPAPER.BMP")));
        EXPECT_EQ(written.size(), QSize(width, height));
        EXPECT_EQ(QColor(written.pixel(width - 10, height - 10)).blue() > 180, true);
        close();
        std::filesystem::remove(path(name));
    }
}

TEST_F(WallpaperManagerTest, APhotoTakenOnItsSideIsPreviewedMeasuredAndSetUpright) {
    if (!photo_tools::available()) GTEST_SKIP() << "needs ImageMagick and exiftool";
    // Stored 1200 x 1600, with the camera's EXIF saying to turn it a quarter
    // to the right; ImageMagick's -auto-orient shows how it looks.
    const std::string photo = path("camera.jpg");
    ASSERT_TRUE(photo_tools::make_marked_photo(photo, 1200, 1600, 6));
    const QImage upright = photo_tools::oracle(photo, path("upright.bmp"));
    ASSERT_EQ(upright.size(), QSize(1600, 1200));
    ASSERT_TRUE(write_setting(clock_ini(), "更换壁纸", "当前壁纸", "1"));
    open_with({photo});
    wait_for_sizes("宽:1600 高:1200");
    const QImage shown = get<ui::PictureBox>("图片框1")->pixmap().toImage();
    EXPECT_EQ(shown.size(), QSize(149, 112));
    EXPECT_EQ(photo_tools::corner_marks(shown), photo_tools::corner_marks(upright));
    double_click_row(0);
    const QImage written(QString::fromStdString(path("WALLPAPER.BMP")));
    EXPECT_EQ(written.size(), upright.size());
    EXPECT_EQ(photo_tools::corner_marks(written), photo_tools::corner_marks(upright));
}

TEST_F(WallpaperManagerTest, HalfTransparentPixelsReachTheDesktopAsThePreviewShowsThem) {
    QImage png(100, 80, QImage::Format_ARGB32);
    png.fill(QColor(200, 0, 0, 128));
    ASSERT_TRUE(png.save(QString::fromStdString(path("glass.png")), "PNG"));
    open_with({path("glass.png")});
    click_row(0);
    wait_for_sizes("宽:100 高:80");
    const QColor previewed = get<ui::PictureBox>("图片框1")->pixmap().toImage().pixelColor(50, 40);
    double_click_row(0);
    const QColor written = QImage(QString::fromStdString(path("WALLPAPER.BMP"))).pixelColor(50, 40);
    // Half of the red over white, in both.
    EXPECT_NEAR(previewed.red(), 227, 2);
    EXPECT_NEAR(previewed.green(), 127, 2);
    EXPECT_NEAR(written.red(), previewed.red(), 1);
    EXPECT_NEAR(written.green(), previewed.green(), 1);
    EXPECT_NEAR(written.blue(), previewed.blue(), 1);
}

TEST_F(WallpaperManagerTest, ASixteenBitSeeThroughPictureIsPreviewedAsItLooksOnWhite) {
    if (!photo_tools::available()) GTEST_SKIP() << "needs ImageMagick and exiftool";
    const std::string glass = path("glass.png");
    ASSERT_TRUE(photo_tools::make_see_through_picture(glass, 800, 600, 16));
    open_with({glass});
    click_row(0);
    wait_for_sizes("宽:800 高:600");
    const QImage shown = get<ui::PictureBox>("图片框1")->pixmap().toImage();
    ASSERT_EQ(shown.size(), QSize(149, 112));
    const QImage expected = photo_tools::on_white(glass, path("expected.bmp"), shown.size());
    EXPECT_GE(photo_tools::psnr(expected, shown), 40.0);
}

TEST_F(WallpaperManagerTest, ANameThatIsNotUtf8KeepsItsBytes) {
    // "春天.bmp" in GBK, as an archive unpacks it on a UTF-8 system.
    const std::string gbk_name = "\xb4\xba\xcc\xec.bmp";
    const std::string gbk_jpg = "\xb4\xba\xcc\xec.jpg";
    picture(gbk_name, 33, 22, "BMP");
    picture(gbk_jpg, 44, 11, "JPG");
    start();
    rotator().replace_list({path(gbk_name), path(gbk_jpg)});
    rotator().set_current_index(1);
    open();
    EXPECT_EQ(row_paths(), (std::vector<std::string>{path(gbk_name), path(gbk_jpg)}));
    EXPECT_EQ(rows()->item(0)->text(), QString::fromStdString(path("春天.bmp")));
    wait_for_sizes("宽:33 高:22");

    double_click_row(0);
    // The desktop's settings hold UTF-8: it is handed a name that is, for
    // the very same file.
    const std::string handed = changes().back().first;
    EXPECT_TRUE(handed == path("WALLPAPER1.BMP") || handed == path("WALLPAPER2.BMP")) << handed;
    EXPECT_TRUE(std::filesystem::equivalent(handed, path(gbk_name)));
    double_click_row(1);
    EXPECT_EQ(QImage(QString::fromStdString(path("WALLPAPER.BMP"))).size(), QSize(44, 11));
    close();
    EXPECT_EQ(rotator().list(), (std::vector<std::string>{path(gbk_name), path(gbk_jpg)}));
}

// A list names each file in whichever form names it: its own bytes (what
// 添加目录 adds for a name unpacked from a Chinese archive), the GBK of a
// UTF-8 name (a list from Windows), or UTF-8. Closing writes every line back
// as it was, and the next run finds the same files.
TEST_F(WallpaperManagerTest, EachListedNameSurvivesARestartInTheFormItCameIn) {
    // Each file is in a folder of its own.
    const std::vector<ListedName> cases = listed_name_forms(".bmp");
    std::string list;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const ListedName& c = cases[i];
        const std::string folder = "f" + std::to_string(i);
        ASSERT_TRUE(dezu::files::make_directory(path(folder)));
        picture(folder + "/" + c.on_disk, 10, 10 + static_cast<int>(i), "BMP");
        files.push_back(path(folder + "/" + c.on_disk));
        list += path(folder + "/") + c.listed + "\r\n";
    }
    write_file("WALLAB.INI", list);
    start();
    open();
    EXPECT_EQ(row_paths(), files);
    close();
    EXPECT_EQ(read_file("WALLAB.INI"), list);

    restart();
    start();
    ASSERT_EQ(rotator().list().size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(rotator().list()[i], files[i]) << cases[i].what;
    for (std::size_t i = 0; i < files.size(); ++i) {
        tick();
        ASSERT_EQ(changes().size(), i + 1);
        // Entry 1 was current, so the ticks start at entry 2.
        EXPECT_TRUE(
            std::filesystem::equivalent(changes().back().first, files[(i + 1) % files.size()]))
            << cases[(i + 1) % files.size()].what;
    }
}

// Windows editors save "Unicode" as UTF-16 with a byte-order mark: the list
// reads, and is written back in the same form, a name that is not UTF-8
// included (as the GBK text it reads as).
TEST_F(WallpaperManagerTest, AUtf16ListReadsAndStaysUtf16) {
    for (const bool big_endian : {false, true}) {
        SCOPED_TRACE(big_endian ? "UTF-16BE" : "UTF-16LE");
        restart();
        const std::string folder = big_endian ? "be" : "le";
        ASSERT_TRUE(dezu::files::make_directory(path(folder + "/more")));
        std::vector<std::string> listed;
        std::string text;
        for (const char* name : {"一.bmp", "b.bmp", "春天.bmp", "d.bmp"}) {
            listed.push_back(picture(folder + "/" + name, 12, 12, "BMP"));
            text += listed.back() + "\r\n";
        }
        const std::string added = picture(folder + "/more/" + gbk("海") + ".bmp", 12, 12, "BMP");
        write_file("WALLAB.INI", utf16(text, big_endian));
        services.prompts.then_text(path(folder + "/more"));
        start();
        open();
        EXPECT_EQ(row_paths(), listed);
        click("超级按钮2");
        close();
        EXPECT_EQ(read_file("WALLAB.INI"),
                  utf16(text + path(folder + "/more/海.bmp") + "\r\n", big_endian));

        restart();
        start();
        listed.push_back(added);
        EXPECT_EQ(rotator().list(), listed);
    }
}

// What cannot be read whole is never replaced by the part that could, and
// the message says so: the folder is writable.
TEST_F(WallpaperManagerTest, ADamagedUtf16ListIsShownButNeverRewritten) {
    const std::string p = picture("a.bmp", 12, 12, "BMP");
    const std::string q = picture("b.bmp", 12, 12, "BMP");
    const std::string lone_surrogate("\x00\xD8", 2);
    const std::pair<const char*, std::string> cases[] = {
        {"cut inside a character", utf16(p + "\r\n") + "\x41"},
        {"a lone surrogate", utf16(p + "\r\n") + lone_surrogate + utf16(q + "\r\n").substr(2)},
    };
    std::size_t told = 0;
    for (const auto& [what, damaged] : cases) {
        SCOPED_TRACE(what);
        write_file("WALLAB.INI", damaged);
        start();
        open();
        EXPECT_EQ(row_paths().front(), p);
        close();
        EXPECT_EQ(read_file("WALLAB.INI"), damaged);
        ASSERT_EQ(services.prompts.messages().size(), ++told);
        EXPECT_EQ(services.prompts.messages().back(),
                  "壁纸列表无法保存到 " + path("WALLAB.INI") + "，该文件无法读取，已保持原样");
        restart();
    }
}

TEST_F(WallpaperManagerTest, TimedChangeBoxAndIntervalDriveTheTimer) {
    ASSERT_TRUE(write_setting(clock_ini(), "更换壁纸", "自动更换", "N"));
    open_with({});
    auto* box = get<QLineEdit>("编辑框2");
    box->setText("7");
    EXPECT_EQ(timer()->interval(), 0);  // not checked: typing does nothing
    click("选择框4");
    EXPECT_EQ(timer()->interval(), 420000);
    EXPECT_TRUE(box->isEnabled());
    box->setText("1.5");
    EXPECT_EQ(timer()->interval(), 90000);
    box->setText("abc");
    EXPECT_EQ(timer()->interval(), 0);
    box->setText("2");
    click("选择框4");
    EXPECT_EQ(timer()->interval(), 0);
    EXPECT_FALSE(box->isEnabled());
    click("选择框4");
    box->setText("abc");
    close();
    // Saved as typed: the next start stops the timer again.
    EXPECT_EQ(timer()->interval(), 0);
    EXPECT_EQ(setting("自动更换"), "Y");
    EXPECT_EQ(setting("间隔时间"), "abc");
}

TEST_F(WallpaperManagerTest, AddingFilesAppendsEveryChosenPathEvenTwice) {
    const std::string odd = picture("a;b c.jpg", 4, 4, "JPG");
    services.prompts.then_files({odd, odd}).then_cancel();
    open_with({});
    click("超级按钮1");
    ASSERT_EQ(services.prompts.asked().size(), 1u);
    const ui::Prompt& asked = services.prompts.asked()[0];
    EXPECT_EQ(asked.kind, ui::Prompt::Kind::OpenFiles);
    EXPECT_EQ(asked.title, "请选择要加入的壁纸");
    EXPECT_TRUE(asked.multiple);
    ASSERT_EQ(asked.filters.size(), 1u);
    EXPECT_EQ(asked.filters[0].description, "JPG,BMP,ICO");
    EXPECT_EQ(asked.filters[0].patterns, (std::vector<std::string>{"*.JPG", "*.BMP", "*.ICO"}));
    EXPECT_EQ(row_paths(), (std::vector<std::string>{odd, odd}));
    EXPECT_EQ(rotator().list(), row_paths());
    click("超级按钮1");  // cancelled
    EXPECT_EQ(row_paths().size(), 2u);
    close();
    EXPECT_EQ(dezu::wallpaper::read_wallpaper_list(path("WALLAB.INI")),
              (std::vector<std::string>{odd, odd}));
}

TEST_F(WallpaperManagerTest, AddingAFolderTakesJpgThenBmpThenIcoFiles) {
    std::filesystem::create_directories(path("pics/z.jpg"));  // a folder, not a picture
    for (const char* name : {"pics/d.png", "pics/c.ico", "pics/b.bmp", "pics/a.jpg", "pics/e.JPG"})
        write_file(name, "x");
    write_file("pics/z.jpg/inner.jpg", "x");
    const std::string folder = path("pics");
    services.prompts.then_text(folder).then_text(folder + "/").then_cancel();
    open_with({});
    click("超级按钮2");
    ASSERT_EQ(services.prompts.asked().size(), 1u);
    EXPECT_EQ(services.prompts.asked()[0].kind, ui::Prompt::Kind::Folder);
    EXPECT_EQ(services.prompts.asked()[0].title, "请选择要搜索壁纸的目录");
    const std::vector<std::string> expected = {folder + "/a.jpg", folder + "/e.JPG",
                                               folder + "/b.bmp", folder + "/c.ico"};
    EXPECT_EQ(row_paths(), expected);
    click("超级按钮2");  // already ends in "/": no second one
    const std::vector<std::string> twice = row_paths();
    EXPECT_EQ(std::vector<std::string>(twice.begin() + 4, twice.end()), expected);
    click("超级按钮2");  // cancelled
    EXPECT_EQ(row_paths().size(), 8u);
    EXPECT_EQ(rotator().list(), row_paths());
}

TEST_F(WallpaperManagerTest, RemovingKeepsTheUnselectedRowsInOrder) {
    const std::vector<std::string> p = pictures(5);
    ASSERT_TRUE(write_setting(clock_ini(), "更换壁纸", "当前壁纸", "0"));
    open_with(p);
    click("超级按钮4");  // nothing selected
    EXPECT_EQ(row_paths(), p);
    rows()->item(1)->setSelected(true);
    rows()->item(3)->setSelected(true);
    click("超级按钮4");
    const std::vector<std::string> kept = {p[0], p[2], p[4]};
    EXPECT_EQ(row_paths(), kept);
    EXPECT_EQ(rotator().list(), kept);
    click("超级按钮3");
    EXPECT_EQ(selected_rows(), (std::vector<int>{0, 1, 2}));
    click("超级按钮4");
    EXPECT_TRUE(row_paths().empty());
    EXPECT_TRUE(rotator().list().empty());
    click("超级按钮3");  // no rows: nothing to select
    close();
    EXPECT_EQ(read_file("WALLAB.INI"), "");
    timer()->set_interval(300000);
    tick();
    EXPECT_EQ(timer()->interval(), 0);
}

TEST_F(WallpaperManagerTest, DoubleClickOnThePreviewRemovesTheWallpaperOnly) {
    const std::vector<std::string> p = pictures(2);
    ASSERT_TRUE(write_setting(clock_ini(), "更换壁纸", "当前壁纸", "2"));
    open_with(p);
    QTest::mouseDClick(get<QWidget>("图片框1"), Qt::LeftButton);
    settle();
    ASSERT_EQ(changes().size(), 1u);
    EXPECT_EQ(changes()[0].first, "");
    EXPECT_EQ(row_paths(), p);
    EXPECT_EQ(rotator().current_index(), 2);
}

TEST_F(WallpaperManagerTest, ClosingSavesTheCheckedStyle) {
    const std::pair<const char*, const char*> cases[] = {
        {"单选框3", "0"}, {"单选框1", "1"}, {"单选框2", "2"}};
    start();
    for (const auto& [button, saved] : cases) {
        open();
        click(button);
        window()->close();  // the window's own close box
        EXPECT_FALSE(ui::is_window_loaded(ui::windows::kWallpaperManager));
        EXPECT_EQ(setting("显示方式"), saved);
        process_events();
    }
}

TEST_F(WallpaperManagerTest, LauncherRowOpensItOnceWithOpacityOnlyWhereItWorks) {
    for (bool translucent : {false, true}) {
        SCOPED_TRACE(translucent);
        restart(translucent);
        start();
        auto* launcher = ui::loaded_window_as<LauncherWindow>(ui::windows::kLauncher);
        launcher->row_button(3)->click();
        ui::Form* opened = window();
        ASSERT_NE(opened, nullptr);
        launcher->row_button(3)->click();
        EXPECT_EQ(window(), opened);
        EXPECT_NEAR(opened->windowOpacity(), translucent ? 230 / 255.0 : 1.0, 0.01);
    }
}
