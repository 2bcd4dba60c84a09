#include "platform/settings/settings.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <filesystem>

#include "platform/settings/settings_keys.h"
#include "platform/text/text.h"
#include "support/iconv.h"
#include "support/program_dir.h"

namespace keys = dezu::settings::keys;
using dezu::settings::Settings;

class SettingsTest : public ProgramDirTest {};

TEST_F(SettingsTest, MissingKeysReadAsTheirFallbacks) {
    Settings settings(clock_ini());
    EXPECT_TRUE(settings.yes(keys::kShowSplash));
    EXPECT_TRUE(settings.yes(keys::kAutoPlay));
    EXPECT_EQ(settings.whole(keys::kWallpaperIndex), 1);
    EXPECT_EQ(settings.text(keys::kWallpaperMinutes), "5");
    EXPECT_EQ(settings.whole(keys::kWallpaperDisplayMode), 5);
    EXPECT_EQ(settings.text(keys::kPlayMode), "2");
    EXPECT_EQ(settings.text(keys::kCurrentDiaryBook), "");
    EXPECT_EQ(settings.whole(keys::kClockLeft), 0);

    // Present but empty is not missing.
    write_file("clock.ini", dezu::text::to_gbk("[更换壁纸]\r\n间隔时间=\r\n当前壁纸=3.9\r\n"));
    EXPECT_EQ(settings.text(keys::kWallpaperMinutes), "");
    EXPECT_EQ(settings.whole(keys::kWallpaperIndex), 3);
}

TEST_F(SettingsTest, ReadsTheFileAgainWhenItChangesOnDisk) {
    Settings settings(clock_ini());
    write_file("clock.ini", "[x]\r\n");
    EXPECT_TRUE(settings.yes(keys::kAutoStart));
    // A hand edit while the program runs, the same size as before.
    write_file("clock.ini", dezu::text::to_gbk("[系统参数]\r\n自动启动=N\r\n"));
    EXPECT_FALSE(settings.yes(keys::kAutoStart));
    std::filesystem::remove(clock_ini());
    EXPECT_TRUE(settings.yes(keys::kAutoStart));
}

TEST_F(SettingsTest, WritesAreSeenAndAnnouncedAndFailuresAreReturned) {
    Settings settings(clock_ini());
    QSignalSpy changed(&settings, &Settings::changed);
    QSignalSpy failed(&settings, &Settings::write_failed);
    ASSERT_TRUE(settings.set(keys::kCurrentTrack, 7));
    ASSERT_TRUE(settings.set(keys::kAutoPlay, false));
    EXPECT_EQ(settings.whole(keys::kCurrentTrack), 7);
    EXPECT_FALSE(settings.yes(keys::kAutoPlay));
    EXPECT_EQ(read_file("clock.ini"),
              dezu::text::to_gbk("[播放器]\r\n歌曲=7\r\n[系统参数]\r\n自动播放=N\r\n"));
    ASSERT_EQ(changed.count(), 2);
    EXPECT_EQ(changed[0][1].toString(), QStringLiteral("歌曲"));
    EXPECT_EQ(failed.count(), 0);

    // A file that cannot be replaced: the write says so and the value stays.
    std::filesystem::remove(clock_ini());
    std::filesystem::create_directory(clock_ini());
    EXPECT_FALSE(settings.set(keys::kCurrentTrack, 8));
    ASSERT_EQ(failed.count(), 1);
    EXPECT_FALSE(failed[0][1].toBool());
    EXPECT_EQ(changed.count(), 2);

    // One that cannot be read whole is left as it is, and the failure says why.
    std::filesystem::remove(clock_ini());
    const std::string cut = utf16("[播放器]\r\n歌曲=7\r\n") + "x";
    write_file("clock.ini", cut);
    EXPECT_FALSE(settings.set(keys::kCurrentTrack, 9));
    ASSERT_EQ(failed.count(), 2);
    EXPECT_TRUE(failed[1][1].toBool());
    EXPECT_EQ(read_file("clock.ini"), cut);
}

// What the settings window sees and writes when clock.ini was last saved by
// an editor that puts a byte-order mark first.
TEST_F(SettingsTest, FirstSectionBehindAByteOrderMarkIsReadAndWrittenInPlace) {
    write_file("clock.ini",
               "\xEF\xBB\xBF[系统参数]\r\n显示启动画面=N\r\n自动播放=N\r\n自动启动=N\r\n");
    Settings settings(clock_ini());
    EXPECT_FALSE(settings.yes(keys::kShowSplash));
    EXPECT_FALSE(settings.yes(keys::kAutoPlay));
    EXPECT_FALSE(settings.yes(keys::kAutoStart));
    ASSERT_TRUE(settings.set(keys::kShowSplash, true));
    ASSERT_TRUE(settings.set(keys::kSettingsWallpaperBox, false));
    EXPECT_EQ(read_file("clock.ini"),
              "\xEF\xBB\xBF[系统参数]\r\n显示启动画面=Y\r\n自动播放=N\r\n自动启动=N\r\n"
              "自动更换壁纸=N\r\n");
}
