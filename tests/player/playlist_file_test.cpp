#include "player/playlist_file.h"

#include <gtest/gtest.h>

#include "platform/files/files.h"
#include "platform/text/text.h"
#include "player_test_support.h"

namespace {

TEST(MediaPath, OnlyTheElevenFourByteEndingsPassInAnyCase) {
    const struct {
        const char* text;
        bool media;
    } cases[] = {{"/m/a.mp3", true}, {"/m/a.Mp3", true}, {"/m/b.ASF", true}, {"c.wav", true},
                 {"d.rmi", true},    {"e.dat", true},    {"f.mpeg", false},  {"g.midi", false},
                 {"h.m4a", false},   {"i.m3u", false},   {".mp", false},     {"", false},
                 {"/m/mp3", false},  {"歌.wma", true}};
    for (const auto& c : cases) EXPECT_EQ(is_media_path(c.text), c.media) << c.text;
}

class PlaylistFileTest : public PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        ASSERT_NE(open_bar(), nullptr);
    }
};

TEST_F(PlaylistFileTest, RowsAreWrittenAsGbkLinesToTheDefaultFileAndRecorded) {
    set_rows({"/音乐/一.mp3", "/b c/two.wma", "/x/3.mid"});
    rewrite_playlist_file();
    EXPECT_EQ(g_playlist_path, path("TMP.m3u"));
    EXPECT_EQ(setting("播放列表"), path("TMP.m3u"));
    EXPECT_EQ(read_file("TMP.m3u"),
              dezu::text::to_gbk("/音乐/一.mp3") + "\r\n/b c/two.wma\r\n/x/3.mid\r\n");

    set_rows({});
    rewrite_playlist_file();
    EXPECT_EQ(read_file("TMP.m3u"), "");
    EXPECT_TRUE(dezu::files::file_exists(path("TMP.m3u")));
}

TEST_F(PlaylistFileTest, AFileThatCannotBeWrittenIsStillRecorded) {
    g_playlist_path = dir() + "/no such folder/list.m3u";
    set_rows({"/b.mp3"});
    rewrite_playlist_file();
    EXPECT_EQ(setting("播放列表"), g_playlist_path);
    EXPECT_FALSE(dezu::files::file_exists(g_playlist_path));
}

TEST_F(PlaylistFileTest, EachReaderAppliesItsOwnRule) {
    const std::string song = track("song.mp3", 100);
    const std::string text = path("notes.txt");
    write_file("notes.txt", "hello");
    const std::string missing = path("missing.mp3");
    write_file("list.m3u",
               dezu::text::to_gbk("#EXTM3U\r\n#EXTINF:12,Song\r\n" + song + "\r\n" + text + "\r\n" +
                                  missing + "\r\n#extm3u\r\n\r\n" + song + "\n"));
    const struct {
        bool (*reader)(const std::string&);
        std::vector<std::string> rows;
    } cases[] = {
        {read_startup_playlist, {song, song}},
        {import_m3u_file, {song, missing, song}},
        {append_playlist_lines, {song, text, missing, "#extm3u", "", song}},
    };
    for (const auto& c : cases) {
        set_rows({"/kept.mp3"});
        EXPECT_TRUE(c.reader(path("list.m3u")));
        std::vector<std::string> expected = {"/kept.mp3"};
        expected.insert(expected.end(), c.rows.begin(), c.rows.end());
        EXPECT_EQ(rows(), expected);
    }
}

TEST_F(PlaylistFileTest, UnreadableOrDamagedFilesAddNothingUsable) {
    dezu::files::make_directory(path("folder.m3u"));
    for (auto reader : {read_startup_playlist, import_m3u_file, append_playlist_lines}) {
        set_rows({});
        EXPECT_FALSE(reader(path("folder.m3u")));
        EXPECT_FALSE(reader(path("absent.m3u")));
        EXPECT_TRUE(rows().empty());
    }
    // Binary junk decodes to lines that are no media paths.
    write_file("junk.m3u", std::string("\xff\xfe\x00\x81\x30\n\x80\x80.mp3x\n", 13));
    set_rows({});
    EXPECT_TRUE(read_startup_playlist(path("junk.m3u")));
    EXPECT_TRUE(import_m3u_file(path("junk.m3u")));
    EXPECT_TRUE(rows().empty());
}

}  // namespace
