#include "player/playlist_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QUrl>
#include <filesystem>

#include "platform/files/files.h"
#include "platform/settings/settings_file.h"
#include "platform/text/text.h"
#include "player_test_support.h"
#include "support/iconv.h"
#include "support/tools.h"

using dezu::player::is_media_path;
using dezu::player::read_m3u_media_lines;
using dezu::player::read_playlist_lines;
using dezu::player::read_startup_playlist;

namespace {

TEST(MediaPath, ThePlayableEndingsPassInAnyCase) {
    const struct {
        const char* text;
        bool media;
    } cases[] = {{"/m/a.mp3", true}, {"/m/a.Mp3", true},   {"/m/b.ASF", true}, {"c.wav", true},
                 {"d.rmi", true},    {"e.dat", true},      {"f.mpeg", false},  {"g.midi", false},
                 {"h.m4a", true},    {"i.m3u", false},     {".mp", false},     {"", false},
                 {"/m/mp3", false},  {"歌.wma", true},     {"j.ogg", true},    {"k.Flac", true},
                 {"/m/flac", false}, {"l.flac.txt", false}};
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

// A list that cannot be read whole is left as it is, and the message says
// so rather than blaming the folder, which is writable.
TEST_F(PlaylistFileTest, AListThatCannotBeReadWholeIsToldAndLeftAsItIs) {
    const std::string a = track("a.wav", 100), b = track("b.wav", 100);
    const std::string lone_surrogate("\x00\xD8", 2);
    const struct {
        const char* what;
        std::string bytes;
        mode_t mode;
    } cases[] = {
        {"a lone surrogate", utf16(a + "\r\n") + lone_surrogate + utf16(b + "\r\n").substr(2),
         0644},
        {"cut inside a character", utf16(a + "\r\n") + "x", 0644},
        {"no permission to read", a + "\r\n", 0200},
    };
    std::size_t told = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // Root reads whatever the permissions say.
        if (c.mode == 0200 && ::geteuid() == 0) continue;
        const std::string list = path("damaged.m3u");
        write_file("damaged.m3u", c.bytes);
        ASSERT_EQ(::chmod(list.c_str(), c.mode), 0);
        player().set_list_path(list);
        set_rows({a, b});
        playlist()->delete_selected_rows();
        ::chmod(list.c_str(), 0644);
        EXPECT_EQ(read_file("damaged.m3u"), c.bytes);
        EXPECT_EQ(setting("播放列表"), list);
        ASSERT_EQ(services.prompts.messages().size(), ++told);
        EXPECT_EQ(services.prompts.messages().back(),
                  "歌曲列表无法保存到 " + list + "，该文件无法读取，已保持原样");
    }
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
        {read_playlist_lines, {song, text, missing, "", song}},
    };
    for (const auto& c : cases) EXPECT_EQ(c.reader(path("list.m3u")), c.rows);

    // The player appends them after the rows it has.
    set_rows({"/kept.mp3"});
    ASSERT_TRUE(player().import_m3u(path("list.m3u")));
    EXPECT_EQ(rows(), (std::vector<std::string>{"/kept.mp3", song, missing, song}));
}

// A list names each track in whichever form names it: its own bytes (a name
// unpacked from a Chinese archive), the GBK of a UTF-8 name, or UTF-8. A save
// writes each line back as it stood, and the next run plays the same files.
TEST_F(PlaylistFileTest, EachListedNameSurvivesASaveAndARestart) {
    const std::vector<ListedName> cases = listed_name_forms(".wav");
    std::string list;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const ListedName& c = cases[i];
        const std::string folder = "f" + std::to_string(i) + "/";
        ASSERT_TRUE(dezu::files::make_directory(path(folder)));
        files.push_back(track(folder + c.on_disk, 100));
        list += path(folder) + c.listed + "\r\n";
    }
    write_file("mine.m3u", list);
    ASSERT_TRUE(dezu::settings::write_setting(clock_ini(), "系统参数", "自动播放", "N"));
    EXPECT_EQ(read_m3u_media_lines(path("mine.m3u")), files);
    set_rows({});
    services.prompts.then_files({path("mine.m3u")});
    playlist()->load_playlist_file();
    ASSERT_EQ(player().rows().size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(player().rows()[i], files[i]) << cases[i].what;
    ASSERT_TRUE(player().save_list());
    EXPECT_EQ(read_file("mine.m3u"), list);

    restart();
    ASSERT_NE(open_bar(), nullptr);
    EXPECT_EQ(player().rows(), files);
}

// The current list recorded under a folder whose name is not UTF-8 (a program
// folder unpacked from a Chinese archive) is found again at the next start.
TEST_F(PlaylistFileTest, AListInAFolderNamedInGbkIsFoundAtTheNextStart) {
    ASSERT_TRUE(dezu::settings::write_setting(clock_ini(), "系统参数", "自动播放", "N"));
    const std::string list = path(gbk("歌单")) + "/TMP.m3u";
    ASSERT_TRUE(dezu::files::make_directory(path(gbk("歌单"))));
    const std::string song = track("a.wav", 100);
    player().set_list_path(list);
    set_rows({song});
    ASSERT_TRUE(player().save_list());

    restart();
    ASSERT_NE(open_bar(), nullptr);
    EXPECT_EQ(player().list_path(), list);
    EXPECT_EQ(player().rows(), std::vector<std::string>{song});
}

// Windows editors save "Unicode" lists as UTF-16 with a byte-order mark.
TEST_F(PlaylistFileTest, AUtf16ListLoadsAndIsSavedBackAsUtf16) {
    ASSERT_TRUE(dezu::settings::write_setting(clock_ini(), "系统参数", "自动播放", "N"));
    const std::vector<std::string> songs = {track("一.wav", 100), track("b.wav", 100)};
    const std::string rows_text = songs[0] + "\r\n" + songs[1] + "\r\n";
    for (const bool big_endian : {false, true}) {
        SCOPED_TRACE(big_endian ? "UTF-16BE" : "UTF-16LE");
        write_file("u.m3u", utf16("#EXTM3U\r\n#EXTINF:1,一\r\n" + rows_text, big_endian));
        set_rows({});
        services.prompts.then_files({path("u.m3u")});
        playlist()->load_playlist_file();
        EXPECT_EQ(player().rows(), songs);
        ASSERT_TRUE(player().save_list());
        EXPECT_EQ(read_file("u.m3u"), utf16(rows_text, big_endian));

        restart();
        ASSERT_NE(open_bar(), nullptr);
        EXPECT_EQ(player().rows(), songs);
    }
}

// Players write file:// addresses; a loaded list takes them as the files
// they name and leaves out addresses of anything else.
TEST_F(PlaylistFileTest, AddressLinesAreTheFilesTheyNameOrNoRow) {
    ASSERT_TRUE(dezu::files::make_directory(path("歌")));
    const std::string song = track("歌/海 1.wav", 100);
    const std::string gbk_song = track(gbk("海") + ".wav", 100);
    const auto escaped = [](const std::string& p) {
        return QByteArray::fromStdString(p).toPercentEncoding("/").toStdString();
    };
    const std::string lines[] = {
        QUrl::fromLocalFile(QString::fromStdString(song)).toEncoded().toStdString(),
        "file://localhost" + escaped(gbk_song),
        "file:" + song,
        "http://example.org/live.mp3",
        "file://server/share/a.mp3",
        "mms://example.org/a.wma",
    };
    std::string list;
    for (const std::string& line : lines) list += line + "\r\n";
    write_file("urls.m3u", list);
    set_rows({});
    services.prompts.then_files({path("urls.m3u")});
    playlist()->load_playlist_file();
    EXPECT_EQ(player().rows(), (std::vector<std::string>{song, gbk_song, song}));
    EXPECT_EQ(read_startup_playlist(path("urls.m3u")),
              (std::vector<std::string>{song, gbk_song, song}));
}

// Other players, and Python's Path.as_uri(), list tracks as file:// addresses
// in lines ended by a bare LF. A save writes each such row back as the line it
// came from, in the file's own line break; only a new row is a path.
TEST_F(PlaylistFileTest, AddressLinesAreSavedBackAsTheLinesTheyCameFrom) {
    ASSERT_TRUE(dezu::settings::write_setting(clock_ini(), "系统参数", "自动播放", "N"));
    ASSERT_TRUE(dezu::files::make_directory(path("歌")));
    const std::string song = track("歌/海 1.wav", 100);
    const std::string gbk_song = track(gbk("海") + ".wav", 100);
    const std::string near = track("歌/本机.wav", 100), bare = track("b.wav", 100);
    const std::string added = track("新.wav", 100);
    const std::string list = path("python.m3u");
    // The GBK name goes to Python as hex: an argument passes through QString.
    ASSERT_TRUE(
        run_tool("python3", {"-c",
                             "import os, pathlib, sys\n"
                             "names = [sys.argv[2], os.fsdecode(bytes.fromhex(sys.argv[3]))]\n"
                             "with open(sys.argv[1], 'w', newline='\\n') as f:\n"
                             "    f.write('#EXTM3U\\n')\n"
                             "    for n in names: f.write(pathlib.Path(n).as_uri() + '\\n')\n",
                             QString::fromStdString(list), QString::fromStdString(song),
                             QString::fromLatin1(QByteArray::fromStdString(gbk_song).toHex())}));
    std::string lines = read_file("python.m3u");
    ASSERT_EQ(lines.find('\r'), std::string::npos);
    ASSERT_NE(lines.find("file:///"), std::string::npos);
    lines += "file://localhost" + near + "\nFILE:" + bare + "\n";
    write_file("python.m3u", lines);

    set_rows({});
    services.prompts.then_files({list});
    playlist()->load_playlist_file();
    EXPECT_EQ(player().rows(), (std::vector<std::string>{song, gbk_song, near, bare}));
    player().append_rows({added});
    ASSERT_TRUE(player().save_list());
    const std::string without_header = lines.substr(lines.find('\n') + 1);
    // The list is UTF-8, so the new row is too.
    EXPECT_EQ(read_file("python.m3u"), without_header + added + "\n");

    // A row removed takes its own line with it; the rest stay as they came.
    playlist()->list()->clearSelection();
    playlist()->list()->item(0)->setSelected(true);
    playlist()->delete_selected_rows();
    std::string rest = without_header.substr(without_header.find('\n') + 1);
    EXPECT_EQ(read_file("python.m3u"), rest + added + "\n");

    restart();
    ASSERT_NE(open_bar(), nullptr);
    EXPECT_EQ(player().rows(), (std::vector<std::string>{gbk_song, near, bare, added}));
}

// Lists as other players and editors write them, read from a folder that is
// not the working directory.
class OtherPlayersListTest : public PlaylistFileTest {
protected:
    void SetUp() override {
        PlaylistFileTest::SetUp();
        for (const char* folder : {"music/sub", "lists"})
            ASSERT_TRUE(dezu::files::make_directory(path(folder)));
        for (const char* f :
             {"music/歌一.mp3", "music/b.ogg", "music/sub/c.FLAC", "d.m4a", "lists/notes.txt"})
            write_file(f, "x");
        ASSERT_NE(std::filesystem::current_path(), std::filesystem::path(path("lists")));
        write_file("lists/mix.m3u8",
                   "\xEF\xBB\xBF#EXTM3U\r\n"
                   "#EXTINF:200,歌手 - 歌一\r\n../music/歌一.mp3\r\n"
                   "#EXTINF:-1,b\r\n../music/./b.ogg\r\n"
                   "#PLAYLIST:mine\r\n../music/sub/c.FLAC\r\n" +
                       path("d.m4a") +
                       "\r\n"
                       "../music/gone.mp3\r\nnotes.txt\r\n");
        // A list with no header: its first line is a row.
        write_file("lists/bare.m3u", "\xEF\xBB\xBF../d.m4a\n../music/b.ogg\n");
    }
    const std::vector<std::string> playable = {path("music/歌一.mp3"), path("music/b.ogg"),
                                               path("music/sub/c.FLAC"), path("d.m4a")};
};

TEST_F(OtherPlayersListTest, EachReaderTakesPathsFromTheListsFolder) {
    std::vector<std::string> media = playable, every = playable;
    media.push_back(path("music/gone.mp3"));
    every.push_back(path("music/gone.mp3"));
    every.push_back(path("lists/notes.txt"));
    const struct {
        std::optional<std::vector<std::string>> (*reader)(const std::string&);
        std::vector<std::string> rows;
    } cases[] = {
        {read_startup_playlist, playable},
        {read_m3u_media_lines, media},
        {read_playlist_lines, every},
    };
    for (const auto& c : cases) EXPECT_EQ(c.reader(path("lists/mix.m3u8")), c.rows);
    for (const auto& c : cases)
        EXPECT_EQ(c.reader(path("lists/bare.m3u")),
                  (std::vector<std::string>{path("d.m4a"), path("music/b.ogg")}));
}

TEST_F(OtherPlayersListTest, TheStartKeepsEveryPlayableRow) {
    dezu::ui::destroy_window(dezu::ui::windows::kPlayerBar);
    ASSERT_TRUE(dezu::settings::write_setting(clock_ini(), "系统参数", "自动播放", "N"));
    ASSERT_TRUE(
        dezu::settings::write_setting(clock_ini(), "播放器", "播放列表", path("lists/mix.m3u8")));
    ASSERT_NE(open_bar(), nullptr);
    EXPECT_EQ(rows(), playable);
}

TEST_F(OtherPlayersListTest, ALoadedListSavesBackWithoutItsComments) {
    set_rows({});
    services.prompts.then_files({path("lists/mix.m3u8")});
    playlist()->load_playlist_file();
    ASSERT_EQ(rows().size(), 6u);
    EXPECT_EQ(rows().front(), path("music/歌一.mp3"));
    EXPECT_TRUE(player().save_list());
    // An editor's UTF-8 list stays UTF-8, each row now a full path.
    std::string saved = "\xEF\xBB\xBF";
    for (const std::string& row : rows()) saved += row + "\r\n";
    EXPECT_EQ(read_file("lists/mix.m3u8"), saved);
    EXPECT_EQ(read_playlist_lines(path("lists/mix.m3u8")), rows());
}

TEST_F(PlaylistFileTest, UnreadableOrDamagedFilesAddNothingUsable) {
    ASSERT_TRUE(dezu::files::make_directory(path("folder.m3u")));
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
