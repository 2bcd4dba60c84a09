#include "platform/settings/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/text/text.h"
#include "support/program_dir.h"

using dezu::settings::is_yes;
using dezu::settings::read_setting;
using dezu::settings::write_setting;

class SettingsFileTest : public ProgramDirTest {};

TEST_F(SettingsFileTest, OnlyCapitalNMeansNo) {
    struct Case {
        const char* stored;  // nullptr: key missing
        bool yes;
    } cases[] = {{"N", false}, {"Y", true}, {"n", true},     {"No", true}, {" N", true},
                 {"N ", true}, {"", true},  {nullptr, true}, {"NN", true}};
    for (const auto& c : cases) {
        write_file("clock.ini", "[系统参数]\r\n");
        if (c.stored) {
            ASSERT_TRUE(write_setting(clock_ini(), "系统参数", "自动播放", c.stored));
        }
        EXPECT_EQ(is_yes(read_setting(clock_ini(), "系统参数", "自动播放")), c.yes)
            << (c.stored ? c.stored : "(missing)");
    }
}

TEST_F(SettingsFileTest, NumbersFollowTheDecimalRule) {
    struct Case {
        const char* text;
        double value;
        int whole;
    } cases[] = {{"300", 300, 300}, {"-12", -12, -12}, {"3.9", 3.9, 3},   {"-1.5", -1.5, -1},
                 {"", 0, 0},        {"abc", 0, 0},     {"1.5", 1.5, 1},   {" 7", 7, 7},
                 {"12abc", 12, 12}, {".5", 0.5, 0},    {"1e999999", 1, 1}};
    for (const auto& c : cases) {
        const double v = dezu::text::numeric_value(c.text);
        EXPECT_DOUBLE_EQ(v, c.value) << c.text;
        EXPECT_EQ(dezu::text::truncate_toward_zero(v), c.whole) << c.text;
    }
    EXPECT_EQ(dezu::text::truncate_toward_zero(1e300), 2147483647);
    EXPECT_EQ(dezu::text::truncate_toward_zero(-1e300), -2147483647 - 1);
}

TEST_F(SettingsFileTest, DefaultAppliesToAMissingKeyOnly) {
    EXPECT_EQ(read_setting(clock_ini(), "更换壁纸", "间隔时间", "5"), "5");  // no file
    write_file("clock.ini", "[更换壁纸]\r\n间隔时间=\r\n");
    EXPECT_EQ(read_setting(clock_ini(), "更换壁纸", "间隔时间", "5"), "");
    EXPECT_EQ(read_setting(clock_ini(), "更换壁纸", "显示方式", "5"), "5");
    EXPECT_EQ(read_setting(clock_ini(), "更换壁纸", "显示方式"), "");
}

TEST_F(SettingsFileTest, ThreeSpellingsOfTheNameAreOneFile) {
    // The diary writes under CLOCK.INI, the launcher reads clock.ini: every
    // window forms the one path, so a write through any is seen by all.
    ASSERT_TRUE(write_setting(clock_ini(), "记事", "当前用户", "日记"));
    EXPECT_EQ(read_setting(dir() + "/clock.ini", "记事", "当前用户"), "日记");
    EXPECT_FALSE(std::filesystem::exists(path("CLOCK.INI")));
}

TEST_F(SettingsFileTest, HandEditedFileReadsAsTheProfileFunctionsDo) {
    write_file("clock.ini",
               "; hand edited\n"
               "[ 界面 ]\n"
               "  当前界面   =   米老鼠  \n"
               "当前数字=\"液晶\"\n"
               "[位置]\n"
               "横向位置 = '-20'\n"
               "[SYSTEM]\n"
               "Key=upper\n");
    EXPECT_EQ(read_setting(clock_ini(), "界面", "当前界面"), "米老鼠");
    EXPECT_EQ(read_setting(clock_ini(), "界面", "当前数字"), "液晶");
    EXPECT_EQ(read_setting(clock_ini(), "位置", "横向位置"), "-20");
    EXPECT_EQ(read_setting(clock_ini(), "system", "KEY"), "upper");
    EXPECT_EQ(read_setting(clock_ini(), "位置", "当前界面"), "");  // keys stay in their section
}

TEST_F(SettingsFileTest, WritesReplaceInPlaceAndKeepOtherLines) {
    write_file("clock.ini", "; keep me\n[界面]\n当前界面=A\n\n[位置]\n横向位置=1\n");
    ASSERT_TRUE(write_setting(clock_ini(), "界面", "当前界面", "B"));
    ASSERT_TRUE(write_setting(clock_ini(), "界面", "当前数字", "C"));
    ASSERT_TRUE(write_setting(clock_ini(), "报时", "报时", "默认"));
    EXPECT_EQ(
        dezu::text::decode_file_text(read_file("clock.ini")),
        "; keep me\n[界面]\n当前界面=B\n当前数字=C\n\n[位置]\n横向位置=1\n[报时]\n报时=默认\n");
}

TEST_F(SettingsFileTest, FileIsGbkOnDiskAndKeepsCharactersOutsideGbk) {
    ASSERT_TRUE(write_setting(clock_ini(), "记事", "当前用户", "我的日记"));
    EXPECT_EQ(read_file("clock.ini"), dezu::text::to_gbk("[记事]\r\n当前用户=我的日记\r\n"));
    const std::string beyond = "笔记😀𠀀é";  // an emoji and a CJK extension B character
    ASSERT_TRUE(write_setting(clock_ini(), "记事", "当前用户", beyond));
    EXPECT_EQ(read_setting(clock_ini(), "记事", "当前用户"), beyond);
}

TEST_F(SettingsFileTest, DamagedOrUnreadableFilesGiveDefaultsAndLoseNothing) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919) % 256);
    write_file("clock.ini", garbage);
    EXPECT_EQ(read_setting(clock_ini(), "系统参数", "显示启动画面", "Y"), "Y");
    ASSERT_TRUE(write_setting(clock_ini(), "系统参数", "自动播放", "N"));
    EXPECT_EQ(read_setting(clock_ini(), "系统参数", "自动播放"), "N");
    EXPECT_EQ(read_file("clock.ini").substr(0, garbage.size()), garbage);

    // A clock.ini that cannot be read is neither read nor replaced.
    std::filesystem::remove(clock_ini());
    std::filesystem::create_directory(clock_ini());
    EXPECT_EQ(read_setting(clock_ini(), "系统参数", "自动启动", "Y"), "Y");
    EXPECT_FALSE(write_setting(clock_ini(), "系统参数", "自动启动", "N"));
    EXPECT_TRUE(std::filesystem::is_directory(clock_ini()));
}
