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
    EXPECT_TRUE(player().save_list());
    EXPECT_EQ(player().list_path(), path("TMP.m3u"));
    EXPECT_EQ(setting("播放列表"), path("TMP.m3u"));
    EXPECT_EQ(read_file("TMP.m3u"),
              dezu::text::to_gbk("/音乐/一.mp3") + "\r\n/b c/two.wma\r\n/x/3.mid\r\n");

    set_rows({});
    EXPECT_TRUE(player().save_list());
    EXPECT_EQ(read_file("TMP.m3u"), "");
    EXPECT_TRUE(dezu::files::file_exists(path("TMP.m3u")));
    EXPECT_TRUE(services.prompts.messages().empty());
}

TEST_F(PlaylistFileTest, AFileThatCannotBeWrittenIsToldAndStillRecorded) {
    const std::string list = dir() + "/no such folder/list.m3u";
    player().set_list_path(list);
    set_rows({"/b.mp3"});
    // Through the window's own write, as deleting rows makes it.
    playlist()->delete_selected_rows();
    EXPECT_EQ(setting("播放列表"), list);
    EXPECT_FALSE(dezu::files::file_exists(list));
    EXPECT_EQ(services.prompts.messages(),
              std::vector<std::string>{"歌曲列表无法保存到 " + list + "，请检查该文件夹是否可写"});
    EXPECT_FALSE(player().save_list());
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
        std::optional<std::vector<std::string>> (*reader)(const std::string&);
        std::vector<std::string> rows;
    } cases[] = {
        {read_startup_playlist, {song, song}},
        {read_m3u_media_lines, {song, missing, song}},
        {read_playlist_lines, {song, text, missing, "#extm3u", "", song}},
    };
    for (const auto& c : cases) EXPECT_EQ(c.reader(path("list.m3u")), c.rows);

    // The player appends them after the rows it has.
    set_rows({"/kept.mp3"});
    ASSERT_TRUE(player().import_m3u(path("list.m3u")));
    EXPECT_EQ(rows(), (std::vector<std::string>{"/kept.mp3", song, missing, song}));
}

TEST_F(PlaylistFileTest, UnreadableOrDamagedFilesAddNothingUsable) {
    dezu::files::make_directory(path("folder.m3u"));
    for (auto reader : {read_startup_playlist, read_m3u_media_lines, read_playlist_lines}) {
        EXPECT_FALSE(reader(path("folder.m3u")));
        EXPECT_FALSE(reader(path("absent.m3u")));
    }
    set_rows({});
    EXPECT_FALSE(player().import_m3u(path("absent.m3u")));
    EXPECT_FALSE(player().load_list(path("folder.m3u")));
    EXPECT_TRUE(rows().empty());
    // Binary junk decodes to lines that are no media paths.
    write_file("junk.m3u", std::string("\xff\xfe\x00\x81\x30\n\x80\x80.mp3x\n", 13));
    EXPECT_EQ(read_startup_playlist(path("junk.m3u")), std::vector<std::string>{});
    EXPECT_EQ(read_m3u_media_lines(path("junk.m3u")), std::vector<std::string>{});
}

}  // namespace
