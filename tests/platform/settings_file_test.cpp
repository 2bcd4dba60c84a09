#include "platform/settings/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/text/text.h"
#include "support/iconv.h"
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

// clock.ini as editors save it: every section is read, including the first
// behind a byte-order mark, and a write changes one line, keeps the rest and
// the file's own form (mark, encoding, line breaks).
TEST_F(SettingsFileTest, FilesSavedByEditorsKeepTheirSectionsAndTheirForm) {
    const std::string bom = "\xEF\xBB\xBF";
    const std::string crlf =
        "[系统参数]\r\n显示启动画面=N\r\n自动播放=N\r\n自动启动=N\r\n"
        "[界面]\r\n当前界面=米老鼠\r\n";
    std::string lf = crlf;
    for (std::size_t at; (at = lf.find("\r\n")) != std::string::npos;) lf.replace(at, 2, "\n");
    struct Case {
        const char* saved_by;
        std::string bytes;
        bool utf8;
    } cases[] = {
        {"this program (GBK, CRLF)", dezu::text::to_gbk(crlf), false},
        {"Notepad (UTF-8 with BOM, CRLF)", bom + crlf, true},
        {"gedit (UTF-8, LF)", lf, true},
        {"VS Code with BOM, no last break", bom + lf.substr(0, lf.size() - 1), true},
        {"a GBK file with a BOM put before it", bom + dezu::text::to_gbk(crlf), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.saved_by);
        write_file("clock.ini", c.bytes);
        EXPECT_EQ(read_setting(clock_ini(), "系统参数", "显示启动画面", "Y"), "N");
        EXPECT_EQ(read_setting(clock_ini(), "系统参数", "自动启动"), "N");
        EXPECT_EQ(read_setting(clock_ini(), "界面", "当前界面"), "米老鼠");
        const auto all = dezu::settings::read_all_settings(clock_ini());
        EXPECT_EQ(all.values.at({"系统参数", "自动播放"}), "N");

        ASSERT_TRUE(write_setting(clock_ini(), "系统参数", "显示启动画面", "Y"));
        ASSERT_TRUE(write_setting(clock_ini(), "界面", "当前数字", "液晶"));
        const std::string after = read_file("clock.ini");
        const std::string text = dezu::text::decode_file_text(after);
        EXPECT_EQ(text.find("[系统参数]"), text.rfind("[系统参数]")) << text;
        EXPECT_EQ(read_setting(clock_ini(), "系统参数", "显示启动画面"), "Y");
        EXPECT_EQ(read_setting(clock_ini(), "界面", "当前数字"), "液晶");
        EXPECT_EQ(after.rfind(bom, 0) == 0, c.bytes.rfind(bom, 0) == 0);
        const std::string added = c.utf8 ? "当前数字=液晶" : dezu::text::to_gbk("当前数字=液晶");
        EXPECT_NE(after.find(added), std::string::npos);
        const std::string kept = c.utf8 ? "自动播放=N" : dezu::text::to_gbk("自动播放=N");
        EXPECT_NE(after.find(kept), std::string::npos);
        EXPECT_EQ(after.find("\r\n") != std::string::npos,
                  c.bytes.find("\r\n") != std::string::npos);
    }
}

// clock.ini saved as "Unicode" (UTF-16 with its mark): read, and written back
// in the same form, one line changed and every other kept.
TEST_F(SettingsFileTest, Utf16FilesAreReadAndStayUtf16) {
    const std::string before =
        "[系统参数]\r\n显示启动画面=N\r\n自动播放=N\r\n\r\n[界面]\r\n当前界面=米老鼠\r\n";
    const std::string after =
        "[系统参数]\r\n显示启动画面=Y\r\n自动播放=N\r\n\r\n[界面]\r\n当前界面=米老鼠\r\n"
        "当前数字=液晶\r\n[播放器]\r\n播放列表=/音乐/" +
        std::string("海.m3u\r\n");
    // A path's own bytes that UTF-16 can hold: the GBK of its name.
    const std::string gbk_list = gbk("/音乐/海.m3u");
    for (const bool big_endian : {false, true}) {
        SCOPED_TRACE(big_endian ? "UTF-16BE" : "UTF-16LE");
        write_file("clock.ini", utf16(before, big_endian));
        EXPECT_EQ(read_setting(clock_ini(), "系统参数", "显示启动画面", "Y"), "N");
        EXPECT_EQ(read_setting(clock_ini(), "界面", "当前界面"), "米老鼠");
        ASSERT_TRUE(write_setting(clock_ini(), "系统参数", "显示启动画面", "Y"));
        ASSERT_TRUE(write_setting(clock_ini(), "界面", "当前数字", "液晶"));
        ASSERT_TRUE(write_setting(clock_ini(), "播放器", "播放列表", gbk_list));
        EXPECT_EQ(read_file("clock.ini"), utf16(after, big_endian));
    }
    // Bytes that are neither UTF-8 nor GB18030: the whole file becomes GB18030.
    const std::string latin1 = "/" + iconv_text("café.m3u", "UTF-8", "LATIN1");
    ASSERT_TRUE(write_setting(clock_ini(), "播放器", "播放列表", latin1));
    const std::string head = after.substr(0, after.rfind("播放列表="));
    EXPECT_EQ(read_file("clock.ini"), gbk(head + "播放列表=") + latin1 + "\r\n");
    EXPECT_EQ(read_setting(clock_ini(), "界面", "当前数字"), "液晶");

    // A file cut inside a character is read as far as it goes, never rewritten.
    const std::string cut = utf16(before) + "x";
    write_file("clock.ini", cut);
    EXPECT_EQ(read_setting(clock_ini(), "系统参数", "显示启动画面", "Y"), "N");
    const dezu::files::RewriteResult written =
        write_setting(clock_ini(), "系统参数", "显示启动画面", "Y");
    EXPECT_FALSE(written);
    EXPECT_TRUE(written.unreadable);
    EXPECT_EQ(read_file("clock.ini"), cut);
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
    const dezu::files::RewriteResult written =
        write_setting(clock_ini(), "系统参数", "自动启动", "N");
    EXPECT_FALSE(written);
    // A folder is no file that could not be read: that write failed.
    EXPECT_FALSE(written.unreadable);
    EXPECT_TRUE(std::filesystem::is_directory(clock_ini()));
}
