#include "wallpaper/wallpaper_rotator.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <filesystem>
#include <optional>
#include <random>

#include "app/settings_window.h"
#include "platform/files/files.h"
#include "platform/settings/settings.h"
#include "platform/text/text.h"
#include "wallpaper/wallpaper_list.h"
#include "wallpaper_test_support.h"

namespace ui = dezu::ui;
using dezu::settings::write_setting;

namespace {

// The colour at the middle of a picture file, or black when it is none.
QColor middle_colour(const std::string& file) {
    const QImage image(QString::fromStdString(file));
    return image.isNull() ? QColor(Qt::black)
                          : image.pixelColor(image.width() / 2, image.height() / 2);
}

bool near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) <= 8 && std::abs(a.green() - b.green()) <= 8 &&
           std::abs(a.blue() - b.blue()) <= 8;
}

ino_t inode(const std::string& file) {
    struct stat info {};
    return ::stat(file.c_str(), &info) == 0 ? info.st_ino : 0;
}

}  // namespace

using WallpaperRotatorTest = WallpaperTest;

TEST_F(WallpaperRotatorTest, StartUpReadsThePositionTheListTheTimerAndTheStyle) {
    const struct Case {
        const char* index;     // nullptr: no key
        const char* on;        // 自动更换
        const char* interval;  // 间隔时间
        const char* mode;      // 显示方式
        int want_index, want_interval, want_mode;
    } cases[] = {
        {nullptr, nullptr, nullptr, nullptr, 1, 300000, 5},  // no keys at all
        {"3.9", "Y", "1.5", "-1.5", 3, 90000, -1},
        {"abc", "y", "", "2", 0, 0, 2},  // an empty interval stops the timer
        {"-2", "Y", "-5", "0", -2, 0, 0},
        {"7", "Y", "99999999", "1", 7, 0, 1},  // past the 32-bit millisecond range
        {"2", "N", "7", "1", 2, 0, 1},         // off, whatever the interval says
    };
    const std::string long_line(100000, 'x');
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index ? c.index : "no keys");
        restart();
        std::filesystem::remove(clock_ini());
        const std::pair<const char*, const char*> keys[] = {{"当前壁纸", c.index},
                                                            {"自动更换", c.on},
                                                            {"间隔时间", c.interval},
                                                            {"显示方式", c.mode}};
        for (const auto& [key, value] : keys) {
            if (!value) continue;
            ASSERT_TRUE(write_setting(clock_ini(), "更换壁纸", key, value));
        }
        // Every line is taken as it is.
        write_file("WALLAB.INI", "/pics/a.jpg\r\n\r\n/图片/b.BMP\n" + long_line + "\n");
        start();
        EXPECT_EQ(rotator().current_index(), c.want_index);
        EXPECT_EQ(timer()->interval(), c.want_interval);
        EXPECT_EQ(rotator().display_mode(), c.want_mode);
        EXPECT_EQ(rotator().list(),
                  (std::vector<std::string>{"/pics/a.jpg", "", "/图片/b.BMP", long_line}));
    }
    // A missing list file gives an empty list, and nothing of the start-up
    // writes the settings file.
    restart();
    std::filesystem::remove(path("WALLAB.INI"));
    const std::string before = read_file("clock.ini");
    start();
    EXPECT_TRUE(rotator().list().empty());
    EXPECT_EQ(read_file("clock.ini"), before);
}

TEST_F(WallpaperRotatorTest, DamagedOrUnreadableSettingsFileStartsWithTheDefaults) {
    std::mt19937 random(7);
    std::string noise(65536, '\0');
    for (char& byte : noise) byte = static_cast<char>(random());
    // Bytes of no text at all, and a folder where the file should be.
    for (const std::optional<std::string>& damaged :
         {std::optional(noise), std::optional<std::string>()}) {
        restart();
        std::filesystem::remove_all(clock_ini());
        if (damaged)
            write_file("clock.ini", *damaged);
        else
            std::filesystem::create_directory(clock_ini());
        start();
        EXPECT_EQ(rotator().current_index(), 1);
        EXPECT_EQ(timer()->interval(), 300000);
        EXPECT_EQ(rotator().display_mode(), 5);
    }
}

TEST_F(WallpaperRotatorTest, FreshStartRunsEveryFiveMinutesAndGoesRoundTheList) {
    write_file("WALLAB.INI", "/p/a.bmp\r\n/p/b.bmp\r\n/p/c.bmp\r\n");
    start();
    EXPECT_EQ(timer()->interval(), 300000);
    EXPECT_EQ(timer()->objectName(), QStringLiteral("时钟2"));
    std::vector<std::string> stored;
    for (int i = 0; i < 4; ++i) {
        tick();
        stored.push_back(setting("当前壁纸"));
    }
    // No 显示方式 key: every change passes the start-up default.
    EXPECT_EQ(changes(), (std::vector<Change>{
                             {"/p/b.bmp", 5}, {"/p/c.bmp", 5}, {"/p/a.bmp", 5}, {"/p/b.bmp", 5}}));
    EXPECT_EQ(stored, (std::vector<std::string>{"2", "3", "1", "2"}));
}

TEST_F(WallpaperRotatorTest, NextEntryFollowsTheStoredNumber) {
    struct Case {
        const char* stored;
        std::size_t entries;
        int expected;  // entry set by the first tick
    } cases[] = {
        {"1", 1, 1},                 // one entry is set again and again
        {"7", 3, 1},                 // past the end after entries were removed
        {"0", 3, 1},                 // nothing chosen yet
        {"3", 3, 1},                 // the last one
        {"2", 3, 3},  {"-4", 3, 1},  // hand-edited below 1: never reads entry 0 or below
        {"-1", 3, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        restart();
        std::string list;
        for (std::size_t i = 1; i <= c.entries; ++i) list += "/p/" + std::to_string(i) + ".BMP\n";
        write_file("WALLAB.INI", list);
        ASSERT_TRUE(write_setting(clock_ini(), "更换壁纸", "当前壁纸", c.stored));
        const std::size_t before = changes().size();
        start();
        tick();
        tick();
        const std::vector<Change> made = changes();
        ASSERT_EQ(made.size(), before + 2);
        EXPECT_EQ(made[before].first, "/p/" + std::to_string(c.expected) + ".BMP");
        const int second = c.expected % static_cast<int>(c.entries) + 1;
        EXPECT_EQ(made[before + 1].first, "/p/" + std::to_string(second) + ".BMP");
        EXPECT_EQ(setting("当前壁纸"), std::to_string(second));
    }
}

TEST_F(WallpaperRotatorTest, OnlyBmpFilesGoToTheDesktopUnconverted) {
    const std::string jpg = picture("sea.jpg", 64, 48, "JPG");
    const std::string upper_bmp = picture("sky.BMP", 8, 8, "BMP");
    write_file("broken.jpeg", "not a picture at all");
    const std::string png_named_bmp = path("mixed.Bmp");  // set as listed, whatever it holds
    const struct Case {
        std::string entry;
        std::string expected;  // empty: one of the converted picture's names
    } cases[] = {
        {upper_bmp, upper_bmp},
        {png_named_bmp, png_named_bmp},
        {jpg, ""},
        {path("broken.jpeg"), path("broken.jpeg")},  // failed conversion: the listed path
        {path("missing.jpg"), path("missing.jpg")},
        {"", ""},  // an empty line of the list fails to convert like any other
        {"BMP", "BMP"},
    };
    start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        std::filesystem::remove(path("WALLPAPER.BMP"));
        rotator().replace_list({c.entry});
        rotator().set_current_index(0);
        const std::size_t before = changes().size();
        tick();
        ASSERT_EQ(changes().size(), before + 1);
        const std::string handed = changes().back().first;
        if (c.entry == jpg) {
            EXPECT_TRUE(handed == path("WALLPAPER1.BMP") || handed == path("WALLPAPER2.BMP"))
                << handed;
            // The name handed over is the converted picture itself.
            EXPECT_EQ(inode(handed), inode(path("WALLPAPER.BMP")));
            EXPECT_EQ(QImage(QString::fromStdString(path("WALLPAPER.BMP")), "BMP").size(),
                      QSize(64, 48));
        } else {
            EXPECT_EQ(handed, c.expected);
            EXPECT_FALSE(std::filesystem::exists(path("WALLPAPER.BMP")));
        }
        EXPECT_EQ(setting("当前壁纸"), "1");
    }
}

TEST_F(WallpaperRotatorTest, EachConvertedChangeHandsTheDesktopAnotherName) {
    const QColor colours[] = {QColor(200, 20, 20), QColor(20, 200, 20), QColor(20, 20, 200)};
    std::string list;
    for (int i = 0; i < 3; ++i)
        list += picture("p" + std::to_string(i) + ".jpg", 40, 30, "JPG", colours[i]) + "\n";
    write_file("WALLAB.INI", list);
    ASSERT_TRUE(write_setting(clock_ini(), "更换壁纸", "当前壁纸", "0"));
    start();
    std::vector<std::string> handed;
    for (int i = 0; i < 3; ++i) {
        tick();
        handed.push_back(changes().back().first);
        // What the desktop was handed shows this change's picture, and so
        // does WALLPAPER.BMP.
        EXPECT_TRUE(near(middle_colour(handed.back()), colours[i])) << i;
        EXPECT_TRUE(near(middle_colour(path("WALLPAPER.BMP")), colours[i])) << i;
    }
    const std::string one = path("WALLPAPER1.BMP"), two = path("WALLPAPER2.BMP");
    EXPECT_EQ(handed, (std::vector<std::string>{one, two, one}));
    // The name handed before keeps its picture until the desktop has moved on.
    EXPECT_TRUE(near(middle_colour(two), colours[1]));

    // The next run goes on with the name the desktop was not handed last.
    restart();
    start();
    tick();
    EXPECT_EQ(changes().back().first, two);
}

TEST_F(WallpaperRotatorTest, EmptyListStopsTheTimerAndChangesNothingElse) {
    ASSERT_TRUE(write_setting(clock_ini(), "更换壁纸", "当前壁纸", "2"));
    start();
    ASSERT_GT(timer()->interval(), 0);
    tick();
    EXPECT_EQ(timer()->interval(), 0);
    EXPECT_TRUE(changes().empty());
    EXPECT_EQ(rotator().current_index(), 2);
    EXPECT_EQ(setting("当前壁纸"), "2");
}

TEST_F(WallpaperRotatorTest, RealTimerTicksChangeTheWallpaper) {
    write_file("WALLAB.INI", "/p/a.bmp\n");
    start();
    timer()->set_interval(20);
    EXPECT_TRUE(wait_until([&] { return !changes().empty(); }, 5000));
    timer()->set_interval(0);
    settle();
}

TEST_F(WallpaperRotatorTest, ANewerChangeOvertakesOneThatHasNotReachedTheDesktop) {
    write_file("WALLAB.INI", picture("big.jpg", 3000, 2000, "JPG") + "\n/p/b.bmp\n");
    ASSERT_TRUE(write_setting(clock_ini(), "更换壁纸", "当前壁纸", "0"));
    start();
    std::vector<dezu::wallpaper::ChangeResult> results;
    QObject::connect(&rotator(), &dezu::wallpaper::WallpaperRotator::change_finished,
                     [&](const dezu::wallpaper::ChangeResult& r) { results.push_back(r); });
    emit timer()->tick();
    emit timer()->tick();
    settle();
    EXPECT_EQ(setting("当前壁纸"), "2");
    // The photo never reached the desktop over the later entry.
    EXPECT_EQ(changes(), (std::vector<Change>{{"/p/b.bmp", 5}}));
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].taken + results[1].taken, 1);
}

TEST_F(WallpaperRotatorTest, EndingTheProgramDuringAChangeFinishesItOrStopsIt) {
    write_file("WALLAB.INI", picture("big.jpg", 4000, 3000, "JPG") + "\n");
    ASSERT_TRUE(write_setting(clock_ini(), "更换壁纸", "当前壁纸", "0"));
    start();
    emit timer()->tick();
    restart();  // the old program waits for its change or stops it
    const std::size_t made = changes().size();
    run_timer_periods(20, 5);  // nothing of the old program's change arrives late
    EXPECT_EQ(changes().size(), made);
    EXPECT_LE(made, 1u);
}

TEST_F(WallpaperRotatorTest, AChangeNeverHoldsTheUiThreadLong) {
    // In memory, so that what is measured is the change, not the disk's
    // flushing of the settings file.
    QTemporaryDir memory(QDir(QStringLiteral("/dev/shm")).exists()
                             ? QStringLiteral("/dev/shm/dezu-XXXXXX")
                             : QDir::tempPath() + QStringLiteral("/dezu-XXXXXX"));
    ASSERT_TRUE(memory.isValid());
    dezu::ProgramSite site = test_site(memory.path().toStdString());
    // A 24-megapixel photo: decoding, converting and writing it takes far
    // longer than a frame, all of it away from the UI thread.
    {
        QImage photo(6000, 4000, QImage::Format_RGB32);
        for (int y = 0; y < photo.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
            for (int x = 0; x < photo.width(); ++x)
                line[x] = qRgb(x * 255 / 6000, y * 255 / 4000, (x ^ y) & 0xff);
        }
        ASSERT_TRUE(photo.save(QString::fromStdString(site.path("photo.jpg")), "JPG", 90));
    }
    dezu::settings::Settings settings(site.path("clock.ini"));
    dezu::wallpaper::WallpaperRotator rotator(site, settings, services.desktop, services.failures);
    rotator.replace_list({site.path("photo.jpg")});

    QElapsedTimer clock;
    qint64 last = 0, longest = 0;
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    bool taken = false;
    qint64 idle = 0;
    QEventLoop loop;
    QObject::connect(&rotator, &dezu::wallpaper::WallpaperRotator::change_finished,
                     [&](const dezu::wallpaper::ChangeResult& r) {
                         taken = r.taken;
                         loop.quit();
                     });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    beat.start(1);
    clock.start();
    // Half a second without a change first: a busy machine holds every
    // thread now and then, and what counts is what the change adds.
    QTimer::singleShot(500, &rotator, [&] {
        idle = longest;
        longest = 0;
        rotator.change_wallpaper_on_timer();
    });
    loop.exec();
    const qint64 took = clock.elapsed() - 500;
    beat.stop();
    ASSERT_TRUE(taken);
    EXPECT_LT(longest, std::max<qint64>(20, idle + 5))
        << "the change took " << took << " ms in all; idle, the longest hold was " << idle;
    EXPECT_GT(took, 2 * longest);
    EXPECT_EQ(QImage(QString::fromStdString(site.path("WALLPAPER.BMP"))).size(), QSize(6000, 4000));
}

TEST_F(WallpaperRotatorTest, AChangeKeepsOfALargePictureWhatTheScreensShow) {
    // Its top left quarter, 400 x 300, is yellow; the rest is blue.
    const std::string photo = picture("big.jpg", 1600, 1200, "JPG");
    const QColor yellow(240, 200, 10), blue(20, 120, 200);
    write_file("WALLAB.INI", photo + "\n");
    services.desktop.screen = QSize(400, 300);
    start();
    const auto written = [&] { return QImage(QString::fromStdString(path("WALLPAPER.BMP"))); };
    const auto corners_are = [](const QImage& image, QColor colour) {
        for (const QPoint p : {QPoint(2, 2), QPoint(image.width() - 3, image.height() - 3)})
            if (!near(image.pixelColor(p), colour)) return false;
        return true;
    };
    tick();  // stretched, the style of a first start: the whole picture, smaller
    EXPECT_EQ(written().size(), QSize(400, 300));
    EXPECT_TRUE(corners_are(written().copy(0, 0, 100, 75), yellow));
    EXPECT_TRUE(corners_are(written().copy(100, 75, 300, 225), blue));
    rotator().put_on_desktop(photo, dezu::desktop::kTile);  // the top left at its own size
    settle();
    EXPECT_EQ(written().size(), QSize(400, 300));
    EXPECT_TRUE(corners_are(written(), yellow));
    rotator().put_on_desktop(photo, dezu::desktop::kCentre);  // the middle
    settle();
    EXPECT_EQ(written().size(), QSize(400, 300));
    EXPECT_TRUE(corners_are(written(), blue));
    // Screens of no known size: the whole picture.
    services.desktop.screen = QSize();
    rotator().put_on_desktop(photo, dezu::desktop::kCentre);
    settle();
    EXPECT_EQ(written().size(), QSize(1600, 1200));
}

TEST_F(WallpaperRotatorTest, ListFileRoundTripsAndIsReplacedWhole) {
    const std::vector<std::string> rows = {"/图片/春 天.jpg", "", "/p/b.BMP", "/p/b.BMP"};
    write_file("WALLAB.INI", "old\r\nlonger old content\r\n");
    ASSERT_TRUE(rotator().save_list(rows));
    EXPECT_EQ(rotator().list(), rows);
    // GBK on disk, every line ended, the last one included.
    EXPECT_EQ(read_file("WALLAB.INI"),
              dezu::text::to_gbk("/图片/春 天.jpg") + "\r\n\r\n/p/b.BMP\r\n/p/b.BMP\r\n");
    EXPECT_EQ(dezu::wallpaper::read_wallpaper_list(path("WALLAB.INI")), rows);
    // Nothing but the list is left beside it.
    std::size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir())) files += e.is_regular_file();
    EXPECT_EQ(files, 2u);  // clock.ini and WALLAB.INI

    ASSERT_TRUE(rotator().save_list({}));
    EXPECT_EQ(read_file("WALLAB.INI"), "");
    EXPECT_TRUE(rotator().list().empty());
    EXPECT_TRUE(services.prompts.asked().empty());
}

TEST_F(WallpaperRotatorTest, UnwritableListFileIsToldAndKeepsTheOldFileAndTheRows) {
    // A folder in the list file's place cannot be replaced by a file.
    std::filesystem::create_directory(path("WALLAB.INI"));
    write_file("WALLAB.INI/keep", "x");
    EXPECT_FALSE(rotator().save_list({"/p/a.bmp"}));
    EXPECT_EQ(read_file("WALLAB.INI/keep"), "x");
    EXPECT_EQ(rotator().list(), std::vector<std::string>{"/p/a.bmp"});
    ASSERT_EQ(services.prompts.asked().size(), 1u);
    EXPECT_EQ(services.prompts.asked()[0].style, ui::MessageStyle::Stop);
    EXPECT_EQ(services.prompts.messages(),
              std::vector<std::string>{"壁纸列表无法保存到 " + path("WALLAB.INI") +
                                       "，请检查该文件夹是否可写"});
}

TEST_F(WallpaperRotatorTest, SettingsWindowConfirmStartsTheTimerFromTheStoredMinutes) {
    const struct Case {
        const char* minutes;  // nullptr: no key
        bool box_checked;
        std::int32_t before, after;
    } cases[] = {
        {nullptr, true, 0, 300000},
        {"1.5", true, 0, 90000},
        {"", true, 300000, 0},       // the manager's "off": the empty interval stops it
        {"7", false, 60000, 60000},  // clearing the box does not stop a running timer
    };
    start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.minutes ? c.minutes : "no key");
        std::filesystem::remove(clock_ini());
        if (c.minutes) {
            ASSERT_TRUE(write_setting(clock_ini(), "更换壁纸", "间隔时间", c.minutes));
        }
        // 更换壁纸 自动更换 off does not keep 确定 from starting the timer.
        ASSERT_TRUE(write_setting(clock_ini(), "更换壁纸", "自动更换", "N"));
        timer()->set_interval(c.before);
        ui::Form* settings = ui::load_window(ui::windows::kSettings);
        ASSERT_NE(settings, nullptr);
        settings->control<QCheckBox>("选择框2")->setChecked(c.box_checked);
        settings->control<QPushButton>("按钮2")->click();
        EXPECT_FALSE(ui::is_window_loaded(ui::windows::kSettings));
        EXPECT_EQ(timer()->interval(), c.after);
    }
    ui::load_window(ui::windows::kSettings)->control<QPushButton>("按钮1")->click();  // 取消
    EXPECT_EQ(timer()->interval(), 60000);
}

TEST(WallpaperInterval, MinutesTextGivesMilliseconds) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"5", 300000}, {"1.5", 90000}, {"", 0},        {"abc", 0},
        {"0", 0},      {"-2", 0},      {"0.00001", 0}, {"100000", 0},
    };
    for (const auto& [text, ms] : cases)
        EXPECT_EQ(dezu::wallpaper::interval_from_minutes(text), ms) << text;
}

TEST(WallpaperMinutes, IntervalShownGivesTheSameIntervalBack) {
    for (std::int32_t ms : {300000, 90000, 100000, 1, 2, 59999, 60001, 123456789, 2147480000}) {
        const std::string minutes = dezu::wallpaper::minutes_from_interval(ms);
        EXPECT_EQ(dezu::wallpaper::interval_from_minutes(minutes), ms) << minutes;
    }
}
