#include "platform/text/text.h"

#include <gtest/gtest.h>

#include "platform/files/files.h"
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

TEST(TextTest, FileTextIsUtf8WhenValidElseGbk) {
    EXPECT_EQ(decode_file_text(to_gbk("墙纸/图片.jpg")), "墙纸/图片.jpg");
    EXPECT_EQ(decode_file_text("墙纸/图片.jpg"), "墙纸/图片.jpg");
    EXPECT_EQ(from_gbk(to_gbk("𠀀😀")), "𠀀😀");
}

class LineFileTest : public ProgramDirTest {};

TEST_F(LineFileTest, ListFilesRoundTripAndReadWhatOthersWrote) {
    const std::vector<std::string> lines = {"/a/一.jpg", "", "/b/two.BMP"};
    ASSERT_TRUE(dezu::files::write_lines(path("list"), lines));
    EXPECT_EQ(dezu::files::read_lines(path("list")), lines);
    write_file("plain", "x\ny");  // no break after the last line
    EXPECT_EQ(dezu::files::read_lines(path("plain")), (std::vector<std::string>{"x", "y"}));
    EXPECT_TRUE(dezu::files::read_lines(path("missing")).empty());
}
