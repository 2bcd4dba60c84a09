#include "wallpaper/wallpaper_change.h"

#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>

#include "platform/files/files.h"
#include "platform/text/text.h"
#include "wallpaper/wallpaper_list.h"
#include "wallpaper_test_support.h"

using dezu::settings::write_setting;

using WallpaperChangeTest = WallpaperTest;

TEST_F(WallpaperChangeTest, FreshStartRunsEveryFiveMinutesAndGoesRoundTheList) {
    write_file("WALLAB.INI", "/p/a.bmp\r\n/p/b.bmp\r\n/p/c.bmp\r\n");
    start();
    EXPECT_EQ(timer()->interval(), 300000);
    EXPECT_EQ(g_current_wallpaper_index, 1);
    std::vector<std::string> shown, stored;
    for (int i = 0; i < 4; ++i) {
        tick();
        shown.push_back(changes.back().first);
        stored.push_back(setting("当前壁纸"));
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"/p/b.bmp", "/p/c.bmp", "/p/a.bmp", "/p/b.bmp"}));
    EXPECT_EQ(stored, (std::vector<std::string>{"2", "3", "1", "2"}));
    // No 显示方式 key: every change passes the start-up default.
    EXPECT_EQ(changes.back().second, 5);
}

TEST_F(WallpaperChangeTest, NextEntryFollowsTheStoredNumber) {
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
        dezu::ui::discard_all_windows();
        changes.clear();
        std::string list;
        for (std::size_t i = 1; i <= c.entries; ++i) list += "/p/" + std::to_string(i) + ".BMP\n";
        write_file("WALLAB.INI", list);
        write_setting(clock_ini(), "更换壁纸", "当前壁纸", c.stored);
        start();
        tick();
        tick();
        ASSERT_EQ(changes.size(), 2u);
        EXPECT_EQ(changes[0].first, "/p/" + std::to_string(c.expected) + ".BMP");
        const int second = c.expected % static_cast<int>(c.entries) + 1;
        EXPECT_EQ(changes[1].first, "/p/" + std::to_string(second) + ".BMP");
        EXPECT_EQ(setting("当前壁纸"), std::to_string(second));
    }
}

TEST_F(WallpaperChangeTest, OnlyBmpFilesGoToTheDesktopUnconverted) {
    const std::string jpg = picture("sea.jpg", 64, 48, "JPG");
    const std::string upper_bmp = picture("sky.BMP", 8, 8, "BMP");
    write_file("broken.jpeg", "not a picture at all");
    const std::string png_named_bmp = path("mixed.Bmp");  // set as listed, whatever it holds
    const std::string wallpaper = path("WALLPAPER.BMP");
    const struct Case {
        std::string entry;
        std::string expected;
    } cases[] = {
        {upper_bmp, upper_bmp},
        {png_named_bmp, png_named_bmp},
        {jpg, wallpaper},
        {path("broken.jpeg"), path("broken.jpeg")},  // failed conversion: the listed path
        {path("missing.jpg"), path("missing.jpg")},
        {"", ""},  // an empty line of the list fails to convert like any other
        {"BMP", "BMP"},
    };
    start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        g_wallpaper_list = {c.entry};
        g_current_wallpaper_index = 0;
        changes.clear();
        tick();
        ASSERT_EQ(changes.size(), 1u);
        EXPECT_EQ(changes[0].first, c.expected);
        EXPECT_EQ(setting("当前壁纸"), "1");
    }
    const QImage converted(QString::fromStdString(wallpaper), "BMP");
    EXPECT_EQ(converted.size(), QSize(64, 48));
}

TEST_F(WallpaperChangeTest, EmptyListStopsTheTimerAndChangesNothingElse) {
    write_setting(clock_ini(), "更换壁纸", "当前壁纸", "2");
    start();
    ASSERT_GT(timer()->interval(), 0);
    tick();
    EXPECT_EQ(timer()->interval(), 0);
    EXPECT_TRUE(changes.empty());
    EXPECT_EQ(g_current_wallpaper_index, 2);
    EXPECT_EQ(setting("当前壁纸"), "2");
}

TEST_F(WallpaperChangeTest, RealTimerTicksChangeTheWallpaper) {
    write_file("WALLAB.INI", "/p/a.bmp\n");
    start();
    timer()->set_interval(20);
    process_events(200);
    EXPECT_FALSE(changes.empty());
}

TEST_F(WallpaperChangeTest, ListFileRoundTripsAndIsReplacedWhole) {
    const std::vector<std::string> rows = {"/图片/春 天.jpg", "", "/p/b.BMP", "/p/b.BMP"};
    write_file("WALLAB.INI", "old\r\nlonger old content\r\n");
    ASSERT_TRUE(dezu::wallpaper::write_wallpaper_list(path("WALLAB.INI"), rows));
    EXPECT_EQ(g_wallpaper_list, rows);
    // GBK on disk, every line ended, the last one included.
    EXPECT_EQ(read_file("WALLAB.INI"),
              dezu::text::to_gbk("/图片/春 天.jpg") + "\r\n\r\n/p/b.BMP\r\n/p/b.BMP\r\n");
    EXPECT_EQ(dezu::wallpaper::read_wallpaper_list(path("WALLAB.INI")), rows);
    // Nothing but the list is left beside it.
    std::size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir())) files += e.is_regular_file();
    EXPECT_EQ(files, 2u);  // clock.ini and WALLAB.INI

    ASSERT_TRUE(dezu::wallpaper::write_wallpaper_list(path("WALLAB.INI"), {}));
    EXPECT_EQ(read_file("WALLAB.INI"), "");
    EXPECT_TRUE(g_wallpaper_list.empty());
}

TEST_F(WallpaperChangeTest, UnwritableListFileKeepsTheOldFileAndTheRows) {
    // A folder in the list file's place cannot be replaced by a file.
    std::filesystem::create_directory(path("WALLAB.INI"));
    write_file("WALLAB.INI/keep", "x");
    EXPECT_FALSE(dezu::wallpaper::write_wallpaper_list(path("WALLAB.INI"), {"/p/a.bmp"}));
    EXPECT_EQ(read_file("WALLAB.INI/keep"), "x");
    EXPECT_EQ(g_wallpaper_list, std::vector<std::string>{"/p/a.bmp"});
}

TEST(WallpaperInterval, MinutesTextGivesMilliseconds) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"5", 300000}, {"1.5", 90000}, {"", 0},        {"abc", 0},
        {"0", 0},      {"-2", 0},      {"0.00001", 0}, {"100000", 0},
    };
    for (const auto& [text, ms] : cases)
        EXPECT_EQ(dezu::wallpaper::interval_from_minutes(text), ms) << text;
}
