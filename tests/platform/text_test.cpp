#include "platform/text/text.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files/files.h"
#include "support/iconv.h"
#include "support/program_dir.h"

using namespace dezu::text;

TEST(TextTest, GbkLengthsCountStoredBytes) {
    struct Case {
        const char* text;
        std::size_t bytes;
    } cases[] = {{"", 0}, {"abc", 3}, {"日记", 4}, {"a日b", 4}, {"😀", 4}, {"€", 2}};
    for (const auto& c : cases) EXPECT_EQ(gbk_length(c.text), c.bytes) << c.text;
}

TEST(TextTest, TruncationNeverSplitsACharacter) {
    struct Case {
        const char* text;
        std::size_t max;
        const char* kept;
    } cases[] = {{"日记本", 5, "日记"}, {"日记本", 6, "日记本"}, {"ab日", 3, "ab"},
                 {"a😀b", 4, "a"},       {"a😀b", 5, "a😀"},        {"abc", 0, ""}};
    for (const auto& c : cases) EXPECT_EQ(truncate_to_gbk_bytes(c.text, c.max), c.kept) << c.text;
}

// Texts as this program writes them (GB18030) and as editors save them
// (UTF-8, with or without a byte-order mark), read back to what was meant.
TEST(TextTest, FilesReadRightWhicheverWayTheyWereSaved) {
    const std::string bom = "\xEF\xBB\xBF";
    struct Case {
        const char* what;
        std::string bytes;
        std::string text;
    } cases[] = {
        {"GBK, invalid UTF-8", to_gbk("中文.jpg"), "中文.jpg"},
        {"GBK that is UTF-8 of no script", to_gbk("图片.jpg"), "图片.jpg"},  // "ͼƬ.jpg"
        {"GBK that is UTF-8 of mixed scripts", to_gbk("/小说/一原.bmp"), "/小说/一原.bmp"},
        {"GBK Latin-looking pair", to_gbk("/p/枚枚.bmp"), "/p/枚枚.bmp"},  // "öö"
        {"GBK lone letter, told by the file's other lines", to_gbk("[更换壁纸]\r\n/p/猫.jpg\r\n"),
         "[更换壁纸]\r\n/p/猫.jpg\r\n"},  // "è"
        {"GBK settings", to_gbk("[系统参数]\r\n显示启动画面=N\r\n"),
         "[系统参数]\r\n显示启动画面=N\r\n"},
        {"GBK beyond GBK", to_gbk("笔记😀𠀀é"), "笔记😀𠀀é"},
        {"UTF-8 Chinese", "壁纸/春天.jpg", "壁纸/春天.jpg"},
        {"UTF-8 Chinese, valid GBK too", "墙纸/图片.jpg", "墙纸/图片.jpg"},
        {"UTF-8 Japanese", "写真/東京の夜.jpg", "写真/東京の夜.jpg"},
        {"UTF-8 accented Latin", "/home/u/café/red.jpg", "/home/u/café/red.jpg"},
        {"UTF-8 Cyrillic", "/home/u/Изображения/a.jpg", "/home/u/Изображения/a.jpg"},
        {"UTF-8 Greek", "Φωτογραφίες", "Φωτογραφίες"},
        {"UTF-8 decomposed", "cafe\xCC\x81.jpg", "cafe\xCC\x81.jpg"},
        {"UTF-8 Pinyin", "nǐ hǎo", "nǐ hǎo"},
        {"UTF-8 lone letter", "é.jpg", "é.jpg"},
        {"UTF-8 lone letter in a UTF-8 file", "à\nРабочий стол\n", "à\nРабочий стол\n"},
        {"BOM, Chinese", bom + "[系统参数]\r\n", "[系统参数]\r\n"},
        {"BOM, accented Latin", bom + "/home/u/café/red.jpg", "/home/u/café/red.jpg"},
        {"BOM, Cyrillic", bom + "Изображения\n", "Изображения\n"},
        {"BOM, lone letter", bom + "è", "è"},
        {"BOM only", bom, ""},
        {"GBK file with a UTF-8 line added by hand",
         to_gbk("/图/中文.jpg\r\n") + "/home/u/café/red.jpg\r\n",
         "/图/中文.jpg\r\n/home/u/café/red.jpg\r\n"},
        {"neither: bytes kept",
         "a\x80\xFF"
         "b\r\n" +
             to_gbk("中文"),
         "a\x80\xFF"
         "b\r\n中文"},
        {"ASCII", "plain\n", "plain\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(decode_file_text(c.bytes), c.text) << c.what;
}

// Windows editors save "Unicode" as UTF-16 with a byte-order mark.
TEST(TextTest, Utf16WithItsMarkIsRead) {
    const std::string text = "[系统参数]\r\n显示启动画面=N\r\n/图/😀 é.jpg\r\n";
    struct Case {
        const char* what;
        std::string bytes;
        Encoding encoding;
        bool damaged;
        std::string text;
    } cases[] = {
        {"little-endian", iconv_text(text, "UTF-8", "UTF-16"), Encoding::utf16le, false, text},
        {"big-endian", utf16(text, true), Encoding::utf16be, false, text},
        {"ASCII", utf16("a=b\n"), Encoding::utf16le, false, "a=b\n"},
        {"mark only", utf16(""), Encoding::utf16le, false, ""},
        {"cut in a character", utf16("ab") + "c", Encoding::utf16le, true, "ab"},
        {"a lone surrogate",
         utf16("a") + std::string("\x00\xD8"
                                  "b\0",
                                  4),
         Encoding::utf16le, true, "a\uFFFDb"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const TextForm form = text_form(c.bytes);
        EXPECT_EQ(form.encoding, c.encoding);
        EXPECT_TRUE(form.bom);
        EXPECT_EQ(form.damaged, c.damaged);
        EXPECT_EQ(decode_file_text(c.bytes), c.text);
    }
    EXPECT_EQ(split_lines(utf16(text)).lines,
              (std::vector<std::string>{"[系统参数]", "显示启动画面=N", "/图/😀 é.jpg"}));
    EXPECT_EQ(
        encode_text({"[系统参数]", "显示启动画面=N", "/图/😀 é.jpg"}, text_form(utf16("")), "\r\n"),
        iconv_text(text, "UTF-8", "UTF-16"));
}

TEST(TextTest, TextFormTellsHowToWriteBack) {
    struct Case {
        std::string bytes;
        bool bom;
        Encoding encoding;
    } cases[] = {{"", false, Encoding::gbk},
                 {"[a]\r\nk=v\r\n", false, Encoding::gbk},
                 {to_gbk("[系统参数]\r\n"), false, Encoding::gbk},
                 {"[系统参数]\n", false, Encoding::utf8},
                 {"\xEF\xBB\xBF[a]\n", true, Encoding::utf8},
                 {"\xEF\xBB\xBF" + to_gbk("[系统参数]"), true, Encoding::gbk}};
    for (const auto& c : cases) {
        const TextForm form = text_form(c.bytes);
        EXPECT_EQ(form.bom, c.bom) << c.bytes;
        EXPECT_EQ(form.encoding, c.encoding) << c.bytes;
    }
    // A text that is not UTF-8 is a name's own bytes, passed on whole: a
    // part of it that happens to be UTF-8 is no text either.
    EXPECT_EQ(to_gbk("a\x80\xFF"
                     "b中"),
              "a\x80\xFF"
              "b中");
    EXPECT_EQ(from_gbk(to_gbk("𠀀😀")), "𠀀😀");
}

TEST(TextTest, ControlCharactersAreFoundAndShownVisibly) {
    const std::pair<std::string, bool> cases[] = {
        {"plain 李四@例子.中国", false},
        {"nbsp\xc2\xa0is no control", false},
        {"tab\t", true},
        {"del\x7f", true},
        {"c1\xc2\x85", true},
        {"line separator\xe2\x80\xa8", true},
        {std::string("nul\0", 4), true},
        {"cut \xe2\x80", false},
    };
    for (const auto& [text, control] : cases)
        EXPECT_EQ(has_control_character(text), control) << text;
    EXPECT_EQ(visible_text("a\r\nb\xc2\x9f@x"),
              "a\xef\xbf\xbd\xef\xbf\xbd"
              "b\xef\xbf\xbd@x");
    // A cut sequence at the end is left as it is.
    EXPECT_EQ(visible_text("a\xc2"), "a\xc2");
}

// Each name of a path comes from wherever it was made: a folder made here in
// UTF-8, a file unpacked from a Chinese archive in GBK.
TEST(TextTest, PathsAreShownWithEachNameInTheEncodingItIsIn) {
    const std::string latin1 = iconv_text("café", "UTF-8", "LATIN1");
    const struct {
        std::string path;
        std::string shown;
    } cases[] = {
        {"/home/u/a b.mp3", "/home/u/a b.mp3"},
        {"/音乐/" + gbk("工具.jpg"), "/音乐/工具.jpg"},
        {"/" + gbk("歌单") + "/春天.mp3/", "/歌单/春天.mp3/"},
        {"/m/" + gbk("中文.mp3"), "/m/中文.mp3"},  // GBK that is valid UTF-8 too
        {"/u/é.jpg", "/u/é.jpg"},                  // one letter, which one GBK character also is
        {"/u/Изображения/Шв.jpg", "/u/Изображения/Шв.jpg"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(shown_path(c.path), c.shown) << c.path;
    // Bytes that are neither are shown as far as they read, never as bytes.
    const std::string odd = shown_path("/u/" + latin1 + "\xFF/x.jpg");
    EXPECT_TRUE(is_valid_utf8(odd));
    EXPECT_TRUE(odd.starts_with("/u/caf") && odd.ends_with("/x.jpg")) << odd;
}

class LineFileTest : public ProgramDirTest {};

TEST_F(LineFileTest, ListFilesRoundTripAndReadWhatOthersWrote) {
    const std::vector<std::string> lines = {"/a/一.jpg", "", "/b/two.BMP"};
    ASSERT_TRUE(dezu::files::write_lines(path("list"), lines));
    EXPECT_EQ(dezu::files::read_lines(path("list")), lines);
    write_file("plain", "x\ny");  // no break after the last line
    EXPECT_EQ(dezu::files::read_lines(path("plain")), (std::vector<std::string>{"x", "y"}));
    EXPECT_TRUE(dezu::files::read_lines(path("missing")).empty());
    write_file("bom", "\xEF\xBB\xBF/a/Изображения/1.jpg\r\n/b/2.jpg\r\n");
    EXPECT_EQ(dezu::files::read_lines(path("bom")),
              (std::vector<std::string>{"/a/Изображения/1.jpg", "/b/2.jpg"}));

    // A line that reads neither way survives a read and a write unchanged.
    const std::string odd = "/x/\x80\xFF.jpg";
    write_file("odd", odd + "\r\n" + to_gbk("/一.jpg") + "\r\n");
    const auto read = dezu::files::read_lines(path("odd"));
    EXPECT_EQ(read, (std::vector<std::string>{odd, "/一.jpg"}));
    ASSERT_TRUE(dezu::files::write_lines(path("odd2"), read));
    EXPECT_EQ(read_file("odd2"), read_file("odd"));
}

// Lists are written back in the form they came in, line breaks included; the
// program's own is GB18030 without a mark, its lines ended by CR LF.
TEST_F(LineFileTest, ListsWrittenBackKeepTheirEncodingAndMark) {
    const std::vector<std::string> rows = {"/u/café/red.jpg", "/u/图片/一.jpg"};
    const std::string bom = "\xEF\xBB\xBF";
    struct Case {
        const char* what;
        std::string before;  // empty: no file yet
        std::string after;
    } cases[] = {
        {"new file", "", to_gbk("/u/café/red.jpg\r\n/u/图片/一.jpg\r\n")},
        {"GBK", to_gbk("/u/一.jpg\r\n"), to_gbk("/u/café/red.jpg\r\n/u/图片/一.jpg\r\n")},
        {"ASCII", "/u/a.jpg\r\n", to_gbk("/u/café/red.jpg\r\n/u/图片/一.jpg\r\n")},
        {"UTF-8", "/u/Изображения/a.jpg\n", "/u/café/red.jpg\n/u/图片/一.jpg\n"},
        {"UTF-8 with a mark", bom + "/u/a.jpg\n", bom + "/u/café/red.jpg\n/u/图片/一.jpg\n"},
        {"UTF-8, CR LF", "/u/Изображения/a.jpg\r\n", "/u/café/red.jpg\r\n/u/图片/一.jpg\r\n"},
        {"GBK, bare LF", to_gbk("/u/一.jpg\n"), to_gbk("/u/café/red.jpg\n/u/图片/一.jpg\n")},
        {"UTF-16LE", utf16("/u/a.jpg\r\n"), utf16("/u/café/red.jpg\r\n/u/图片/一.jpg\r\n")},
        {"UTF-16BE", utf16("/u/a.jpg\r\n", true),
         utf16("/u/café/red.jpg\r\n/u/图片/一.jpg\r\n", true)},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(path("list"));
        if (!c.before.empty()) write_file("list", c.before);
        ASSERT_TRUE(dezu::files::write_lines(path("list"), rows));
        EXPECT_EQ(read_file("list"), c.after) << c.what;
        EXPECT_EQ(dezu::files::read_lines(path("list")), rows) << c.what;
    }
}

// A line names the file that is there, whichever of its readings that is:
// its own bytes, its GB18030 reading or its UTF-8 reading; with none there,
// the likelier reading stays.
TEST_F(LineFileTest, PathListsTakeTheReadingThatNamesAFile) {
    struct Case {
        std::string on_disk;  // empty: no file is there
        const char* listed;   // written to the list as GBK
        std::string read;
    } cases[] = {
        {"猫.jpg", "猫.jpg", "猫.jpg"},        // GBK C3A8: UTF-8 "è"
        {"è.jpg", "猫.jpg", "è.jpg"},          // a UTF-8 list naming è.jpg
        {"枚枚.bmp", "枚枚.bmp", "枚枚.bmp"},  // UTF-8 "öö"
        {"öö.bmp", "枚枚.bmp", "öö.bmp"},
        {"Шв.jpg", "楔胁.jpg", "Шв.jpg"},  // a Cyrillic pair from two GBK characters
        {"楔胁.jpg", "楔胁.jpg", "楔胁.jpg"},
        {"", "楔胁.jpg", "Шв.jpg"},
        {"海.jpg", "海.jpg", "海.jpg"},            // GBK BAA3, no UTF-8
        {gbk("海.jpg"), "海.jpg", gbk("海.jpg")},  // unpacked from a Chinese archive
        {"", "海.jpg", "海.jpg"},
    };
    for (const auto& c : cases) {
        const std::string folder = path(std::string("p") + std::to_string(&c - cases));
        ASSERT_TRUE(dezu::files::make_directory(folder));
        if (!c.on_disk.empty()) write_file(folder.substr(dir().size() + 1) + "/" + c.on_disk, "x");
        write_file("WALLAB.INI", gbk(folder + "/" + c.listed + "\r\n"));
        EXPECT_EQ(dezu::files::read_path_lines(path("WALLAB.INI")),
                  std::vector<std::string>{folder + "/" + c.read})
            << c.listed;
    }
}

// UTF-16 holds text only: a name in bytes that are neither UTF-8 nor GB18030
// turns the whole file into GB18030, never a mix of the two.
TEST_F(LineFileTest, AUtf16ListThatMustHoldRawBytesBecomesGb18030Whole) {
    const std::string latin1 = "/u/" + iconv_text("café.jpg", "UTF-8", "LATIN1");
    const std::string gbk_name = "/u/" + gbk("海.jpg");
    write_file("list", utf16("/u/一.jpg\r\n"));
    ASSERT_TRUE(dezu::files::write_lines(path("list"), {"/u/一.jpg", gbk_name}));
    EXPECT_EQ(read_file("list"), utf16("/u/一.jpg\r\n/u/海.jpg\r\n"));
    ASSERT_TRUE(dezu::files::write_lines(path("list"), {"/u/一.jpg", gbk_name, latin1}));
    EXPECT_EQ(read_file("list"), gbk("/u/一.jpg\r\n/u/海.jpg\r\n") + latin1 + "\r\n");
}

// What cannot be read whole is never replaced from what could.
TEST_F(LineFileTest, AListThatCannotBeReadWholeIsNotRewritten) {
    const std::string damaged = utf16("/u/a.jpg\r\n") + "x";
    write_file("list", damaged);
    EXPECT_EQ(dezu::files::read_lines(path("list")), std::vector<std::string>{"/u/a.jpg"});
    EXPECT_FALSE(dezu::files::write_lines(path("list"), {"/u/b.jpg"}));
    EXPECT_EQ(read_file("list"), damaged);
    ASSERT_TRUE(dezu::files::make_directory(path("folder")));
    EXPECT_FALSE(dezu::files::write_lines(path("folder"), {"/u/b.jpg"}));
    EXPECT_TRUE(std::filesystem::is_directory(path("folder")));
}
