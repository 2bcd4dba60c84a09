#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QRadioButton>
#include <filesystem>
#include <tuple>

#include "platform/files/files.h"
#include "platform/shell/shell_actions.h"
#include "platform/text/text.h"
#include "player/add_media.h"
#include "player_test_support.h"
#include "support/iconv.h"
#include "support/trash.h"

using dezu::player::scan_media_folder;

namespace {

void write_setting(const std::string& ini, const char* section, const char* key,
                   const std::string& value) {
    ASSERT_TRUE(dezu::settings::write_setting(ini, section, key, value));
}

}  // namespace

namespace {

class PlaylistWindowTest : public PlayerTest {
protected:
    void select(std::initializer_list<int> rows_to_select) {
        playlist()->list()->clearSelection();
        for (int r : rows_to_select) playlist()->list()->item(r)->setSelected(true);
    }
    static std::vector<std::string> numbered(int n) {
        std::vector<std::string> out;
        for (int i = 0; i < n; ++i) out.push_back("/m/" + std::to_string(i) + ".mp3");
        return out;
    }
    // The centre of a row, in the list's own pixels.
    static QPoint row_point(int row) {
        QListWidget* list = playlist()->list();
        return list->visualItemRect(list->item(row)).center();
    }
};

TEST_F(PlaylistWindowTest, CreationRestoresTheListTheRowAndTheMode) {
    const std::string a = track("a.wav"), b = track("b.wav");
    write_file("mine.m3u", "#EXTM3U\r\n" + a + "\r\n" + path("gone.mp3") + "\r\n" + b + "\r\n");
    write_setting(clock_ini(), "播放器", "播放列表", path("mine.m3u"));
    write_setting(clock_ini(), "播放器", "歌曲", "1");
    write_setting(clock_ini(), "播放器", "播放模式", "3");
    ASSERT_NE(open_bar(), nullptr);
    EXPECT_FALSE(playlist()->isVisible());
    EXPECT_EQ(rows(), (std::vector<std::string>{a, b}));
    EXPECT_EQ(player().current_row(), 1);
    EXPECT_TRUE(player().track_open());  // auto-play is on by default
    EXPECT_EQ(selected_rows(), std::vector<int>{1});
    EXPECT_EQ(player().play_mode(), PlayMode::Random);
    for (int m = 1; m <= 4; ++m) EXPECT_EQ(playlist()->mode_button(m)->isChecked(), m == 3) << m;
}

TEST_F(PlaylistWindowTest, ModesAndAutoPlayFollowTheirSettings) {
    const struct {
        const char* mode;  // nullptr: missing
        PlayMode kept;
        int checked;
    } cases[] = {{nullptr, PlayMode::Loop, 2},
                 {"1", PlayMode::Sequential, 1},
                 {"4", PlayMode::Single, 4},
                 {"9", PlayMode::Single, 4}};
    write_file("l.m3u", track("a.wav") + "\r\n");
    write_setting(clock_ini(), "播放器", "播放列表", path("l.m3u"));
    write_setting(clock_ini(), "系统参数", "自动播放", "N");
    for (const auto& c : cases) {
        if (c.mode) write_setting(clock_ini(), "播放器", "播放模式", c.mode);
        ASSERT_NE(open_bar(), nullptr);
        EXPECT_EQ(player().play_mode(), c.kept);
        EXPECT_TRUE(playlist()->mode_button(c.checked)->isChecked());
        EXPECT_EQ(rows().size(), 1u);
        EXPECT_FALSE(player().track_open());
        dezu::ui::destroy_window(dezu::ui::windows::kPlayerBar);
        EXPECT_FALSE(dezu::ui::is_window_loaded(dezu::ui::windows::kPlaylist));
    }
}

TEST_F(PlaylistWindowTest, AMissingListFileIsForgottenAndTheModeStillRead) {
    write_setting(clock_ini(), "播放器", "播放列表", path("gone.m3u"));
    ASSERT_NE(open_bar(), nullptr);
    EXPECT_EQ(setting("播放列表"), "");
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(player().play_mode(), PlayMode::Loop);
    // The path stays current: the next write goes there.
    EXPECT_EQ(player().list_path(), path("gone.m3u"));
}

TEST_F(PlaylistWindowTest, TheThreeMenusHoldTheirItemsInOrder) {
    ASSERT_NE(open_bar(), nullptr);
    const struct {
        const char* menu;
        std::vector<std::string> items;
    } cases[] = {{"添加", {"文件...", "目录..."}},
                 {"选择", {"删除选中的文件", "删除未选的文件", "删除文件到回收站", "清空歌曲列表"}},
                 {"列表", {"保存...", "载入..."}}};
    for (const auto& c : cases) {
        QMenu* m = playlist()->menu(c.menu);
        ASSERT_NE(m, nullptr) << c.menu;
        std::vector<std::string> items;
        for (QAction* a : m->actions()) items.push_back(a->text().toStdString());
        EXPECT_EQ(items, c.items);
    }
    // 清空歌曲列表 through its menu item.
    set_rows(numbered(2));
    playlist()->menu("选择")->actions()[3]->trigger();
    EXPECT_TRUE(rows().empty());
}

TEST_F(PlaylistWindowTest, ClickingAModeSetsAndStoresIt) {
    ASSERT_NE(open_bar(), nullptr);
    const struct {
        int button;
        const char* value;
        PlayMode mode;
    } cases[] = {{1, "1", PlayMode::Sequential},
                 {3, "3", PlayMode::Random},
                 {4, "4", PlayMode::Single},
                 {2, "2", PlayMode::Loop}};
    for (const auto& c : cases) {
        playlist()->mode_button(c.button)->click();
        EXPECT_EQ(player().play_mode(), c.mode);
        EXPECT_EQ(setting("播放模式"), c.value);
        for (int m = 1; m <= 4; ++m)
            EXPECT_EQ(playlist()->mode_button(m)->isChecked(), m == c.button);
    }
}

TEST_F(PlaylistWindowTest, DeletingSelectedRowsKeepsOrderAndMovesTheCurrentRow) {
    const struct {
        std::vector<int> selected;
        int current, current_after;
        std::vector<int> kept;
    } cases[] = {{{1, 4}, 0, 0, {0, 2, 3, 5}},
                 {{2, 3}, 5, 2, {0, 1, 4, 5}},
                 {{4, 5}, 5, 3, {0, 1, 2, 3}},
                 {{}, 9, 5, {0, 1, 2, 3, 4, 5}}};
    ASSERT_NE(open_bar(), nullptr);
    for (const auto& c : cases) {
        const auto all = numbered(6);
        set_rows(all);
        playlist()->list()->clearSelection();
        for (int r : c.selected) playlist()->list()->item(r)->setSelected(true);
        player().set_current_row(c.current);
        playlist()->delete_selected_rows();
        std::vector<std::string> expected;
        for (int k : c.kept) expected.push_back(all[std::size_t(k)]);
        EXPECT_EQ(rows(), expected);
        EXPECT_EQ(player().rows(), expected);
        EXPECT_EQ(player().current_row(), c.current_after);
        EXPECT_EQ(selected_rows(), std::vector<int>{c.current_after});
        EXPECT_EQ(dezu::files::read_lines(path("TMP.m3u")), expected);
    }
}

TEST_F(PlaylistWindowTest, SelectAllRemovesNothingAndClearEmptiesTheFile) {
    ASSERT_NE(open_bar(), nullptr);
    set_rows(numbered(4));
    playlist()->select_all_rows();
    EXPECT_EQ(selected_rows(), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(rows().size(), 4u);
    EXPECT_FALSE(dezu::files::file_exists(path("TMP.m3u")));
    player().set_current_row(2);
    playlist()->clear_playlist();
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(player().current_row(), 2);
    EXPECT_EQ(read_file("TMP.m3u"), "");
    EXPECT_EQ(setting("播放列表"), path("TMP.m3u"));
}

TEST_F(PlaylistWindowTest, RecyclingDropsOnlyTheRowsWhoseFilesWent) {
    ASSERT_NE(open_bar(), nullptr);
    // The shell stands in for the wastebasket: it takes the files whose names
    // it is asked, and here refuses 2.mp3 by answering no once.
    struct Refusing : RecordedShell {
        bool move_to_trash(const std::string& path) override {
            asked.push_back(path);
            return path != "/m/2.mp3";
        }
        std::vector<std::string> asked;
    };
    dezu::ui::destroy_window(dezu::ui::windows::kPlayerBar);
    Refusing shell;
    PlaylistWindow window(player(), services.prompts, shell, false);
    set_rows(numbered(4));
    window.list()->item(1)->setSelected(true);
    window.list()->item(2)->setSelected(true);
    window.recycle_selected_files();
    EXPECT_EQ(shell.asked, (std::vector<std::string>{"/m/1.mp3", "/m/2.mp3"}));
    EXPECT_EQ(player().rows(), (std::vector<std::string>{"/m/0.mp3", "/m/2.mp3", "/m/3.mp3"}));
    for (int i = 0; i < window.list()->count(); ++i)
        EXPECT_FALSE(window.list()->item(i)->isSelected());
    EXPECT_EQ(dezu::files::read_lines(path("TMP.m3u")).size(), 3u);
}

TEST_F(PlaylistWindowTest, RecyclingGoesThroughTheShell) {
    ASSERT_NE(open_bar(), nullptr);
    set_rows(numbered(3));
    select({0, 2});
    playlist()->recycle_selected_files();
    EXPECT_EQ(services.shell.calls,
              (std::vector<std::string>{"move_to_trash /m/0.mp3", "move_to_trash /m/2.mp3"}));
    EXPECT_EQ(rows(), std::vector<std::string>{"/m/1.mp3"});
    EXPECT_TRUE(selected_rows().empty());
    EXPECT_EQ(dezu::files::read_lines(path("TMP.m3u")), std::vector<std::string>{"/m/1.mp3"});
}

// Through the real wastebasket: a file whose name is GBK bytes (as an
// archive made on Windows unpacks) goes as a UTF-8-named one does.
TEST_F(PlaylistWindowTest, RecyclingMovesEveryNamedFileToTheWastebasket) {
    if (const std::string why = Wastebasket::unusable_for(dir()); !why.empty()) GTEST_SKIP() << why;
    ASSERT_NE(open_bar(), nullptr);
    dezu::ui::destroy_window(dezu::ui::windows::kPlayerBar);
    dezu::shell::DesktopShell shell(services.prompts);
    PlaylistWindow window(player(), services.prompts, shell, false);
    const std::string gbk_song = track(gbk("海边") + ".wav", 100);
    const std::string song = track("春天.wav", 100);
    const std::string kept = track("kept.wav", 100);
    const std::string gone = path("gone.wav");
    set_rows({gbk_song, kept, song, gone});
    for (int row : {0, 2, 3}) window.list()->item(row)->setSelected(true);
    window.recycle_selected_files();
    // The missing file's row stays, as any that could not be moved.
    EXPECT_EQ(player().rows(), (std::vector<std::string>{kept, gone}));
    EXPECT_EQ(dezu::files::read_path_lines(path("TMP.m3u")),
              (std::vector<std::string>{kept, gone}));
    for (const std::string& moved : {gbk_song, song}) {
        SCOPED_TRACE(moved);
        EXPECT_FALSE(dezu::files::file_exists(moved));
        const std::vector<std::string> names = Wastebasket::names_from(moved);
        ASSERT_EQ(names.size(), 1u);
        EXPECT_EQ(names[0], std::filesystem::path(moved).filename().string());
        EXPECT_EQ(dezu::files::read_whole_file(Wastebasket::file(names[0])), wav_bytes(100));
    }
    EXPECT_TRUE(dezu::files::file_exists(kept));
}

TEST_F(PlaylistWindowTest, SaveAddsTheExtensionAndMakesTheFileCurrent) {
    ASSERT_NE(open_bar(), nullptr);
    playlist()->save_playlist_as();  // an empty list asks nothing
    EXPECT_TRUE(services.prompts.asked().empty());
    set_rows(numbered(2));
    const struct {
        const char* chosen;
        const char* stored;
    } cases[] = {{"mix", "mix.M3U"}, {"low.m3u", "low.m3u.M3U"}, {"up.M3U", "up.M3U"}};
    for (const auto& c : cases) {
        const std::size_t before = services.prompts.asked().size();
        services.prompts.then_text(path(c.chosen));
        playlist()->save_playlist_as();
        ASSERT_EQ(services.prompts.asked().size(), before + 1);
        EXPECT_EQ(services.prompts.asked().back().filters[0].patterns,
                  std::vector<std::string>{"*.M3U"});
        EXPECT_EQ(player().list_path(), path(c.stored));
        EXPECT_EQ(setting("播放列表"), path(c.stored));
        EXPECT_EQ(dezu::files::read_lines(path(c.stored)), numbered(2));
    }
}

TEST_F(PlaylistWindowTest, LoadAppendsTheFileAndRecordsItOnlyWhenItOpens) {
    ASSERT_NE(open_bar(), nullptr);
    set_rows(numbered(3));
    write_file("two.m3u", "#EXTINF:1,x\r\n/n/a.mp3\r\n/n/b.txt\r\n");
    services.prompts.then_files({path("two.m3u")});
    playlist()->load_playlist_file();
    EXPECT_EQ(rows().size(), 5u);
    EXPECT_EQ(rows()[4], "/n/b.txt");
    EXPECT_EQ(setting("播放列表"), path("two.m3u"));
    EXPECT_EQ(read_file("two.m3u"), "#EXTINF:1,x\r\n/n/a.mp3\r\n/n/b.txt\r\n");
    services.prompts.then_files({path("absent.m3u")});
    playlist()->load_playlist_file();
    EXPECT_EQ(rows().size(), 5u);
    EXPECT_EQ(player().list_path(), path("absent.m3u"));
    EXPECT_EQ(setting("播放列表"), path("two.m3u"));
}

TEST_F(PlaylistWindowTest, DraggingARowMovesItWithoutLosingAny) {
    ASSERT_NE(open_bar(), nullptr);
    playlist()->show();
    const auto all = numbered(6);
    set_rows(all);
    const QPoint from = row_point(1), to = row_point(4);
    playlist()->drag_reorder_begin(from.x(), from.y());
    playlist()->drag_reorder_move(to.x(), to.y());
    EXPECT_EQ(rows(), (std::vector<std::string>{all[0], all[2], all[3], all[4], all[1], all[5]}));
    const QPoint back = row_point(0);
    playlist()->drag_reorder_move(back.x(), back.y());
    EXPECT_EQ(rows(), (std::vector<std::string>{all[1], all[0], all[2], all[3], all[4], all[5]}));
    EXPECT_EQ(player().rows(), rows());
    playlist()->drag_reorder_end();
    EXPECT_FALSE(playlist()->drag_active());

    // A press below the last row starts no drag.
    set_rows(all);
    const QRect last = playlist()->list()->visualItemRect(playlist()->list()->item(5));
    playlist()->drag_reorder_begin(last.center().x(), last.bottom() + 20);
    EXPECT_FALSE(playlist()->drag_active());
    playlist()->drag_reorder_move(to.x(), to.y());
    EXPECT_EQ(rows(), all);
}

// A row keeps a name's own bytes, as a Chinese archive unpacks it; the list
// and the bar's tooltip show what the name says.
TEST_F(PlaylistWindowTest, NamesInGbkAreShownDecodedAndKeepTheirBytes) {
    PlayerBarWindow* bar = open_bar();
    ASSERT_NE(bar, nullptr);
    playlist()->show();
    ASSERT_TRUE(dezu::files::make_directory(path(gbk("歌单"))));
    const struct {
        std::string on_disk;
        const char* shown;
    } cases[] = {
        {gbk("歌单") + "/" + gbk("工具.wav"), "歌单/工具.wav"},
        {gbk("中文.wav"), "中文.wav"},  // GBK that reads as UTF-8 as well
        {gbk("歌单") + "/春天.wav", "歌单/春天.wav"},
        {"Zoë.wav", "Zoë.wav"},
    };
    std::string list;
    std::vector<std::string> stored, shown;
    for (const auto& c : cases) {
        stored.push_back(track(c.on_disk, 1000));
        shown.push_back(path(c.shown));
        list += stored.back() + "\r\n";
    }
    write_file("gbk.m3u", list);
    set_rows({});
    services.prompts.then_files({path("gbk.m3u")});
    playlist()->load_playlist_file();
    EXPECT_EQ(player().rows(), stored);
    EXPECT_EQ(rows(), shown);

    // Rows that move are shown anew.
    const QPoint from = row_point(0), to = row_point(2);
    playlist()->drag_reorder_begin(from.x(), from.y());
    playlist()->drag_reorder_move(to.x(), to.y());
    playlist()->drag_reorder_end();
    EXPECT_EQ(rows(), (std::vector<std::string>{shown[1], shown[2], shown[0], shown[3]}));
    EXPECT_EQ(player().rows()[2], stored[0]);

    start(2);
    ASSERT_TRUE(player().track_open());
    EXPECT_TRUE(bar->time_label()->toolTip().startsWith(
        QString::fromStdString("\"" + shown[0] + "\"[时间:")));
}

TEST_F(PlaylistWindowTest, MouseEventsOnTheListDragAndDoubleClickPlays) {
    ASSERT_NE(open_bar(), nullptr);
    playlist()->show();
    set_rows({track("a.wav"), track("b.wav"), track("c.wav")});
    QWidget* viewport = playlist()->list()->viewport();
    auto mouse = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(at), QPointF(viewport->mapToGlobal(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                      Qt::NoModifier);
        QApplication::sendEvent(viewport, &e);
    };
    const auto before = rows();
    mouse(QEvent::MouseButtonPress, row_point(0), Qt::LeftButton);
    mouse(QEvent::MouseMove, row_point(1), Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, row_point(1), Qt::NoButton);
    EXPECT_EQ(rows(), (std::vector<std::string>{before[1], before[0], before[2]}));
    EXPECT_FALSE(playlist()->drag_active());

    mouse(QEvent::MouseButtonPress, row_point(2), Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, row_point(2), Qt::NoButton);
    mouse(QEvent::MouseButtonDblClick, row_point(2), Qt::LeftButton);
    settle();
    EXPECT_EQ(player().current_row(), 2);
    EXPECT_TRUE(player().track_open());
    EXPECT_EQ(player().track_name(), "\"" + before[2] + "\"");
}

TEST_F(PlaylistWindowTest, ADragMovesTheDraggedRowAndSelectsNoOther) {
    ASSERT_NE(open_bar(), nullptr);
    playlist()->show();
    const auto all = numbered(6);
    set_rows(all);
    QWidget* viewport = playlist()->list()->viewport();
    auto mouse = [&](QEvent::Type type, int row, Qt::MouseButtons buttons) {
        const QPoint at = row_point(row);
        QMouseEvent e(type, QPointF(at), QPointF(viewport->mapToGlobal(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                      Qt::NoModifier);
        QApplication::sendEvent(viewport, &e);
    };
    // Down and back up again, over every row between.
    for (const auto& [from, path, to] :
         {std::tuple{1, std::vector{2, 3, 4}, 4}, std::tuple{4, std::vector{3, 2, 1, 0}, 0}}) {
        mouse(QEvent::MouseButtonPress, from, Qt::LeftButton);
        for (int row : path) mouse(QEvent::MouseMove, row, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, to, Qt::NoButton);
        EXPECT_EQ(selected_rows(), std::vector<int>{to}) << from << " to " << to;
        EXPECT_EQ(rows()[std::size_t(to)], all[1]);
    }
    EXPECT_EQ(rows(), (std::vector<std::string>{all[1], all[0], all[2], all[3], all[4], all[5]}));

    // Only the dragged row goes.
    playlist()->delete_selected_rows();
    ASSERT_EQ(rows(), (std::vector<std::string>{all[0], all[2], all[3], all[4], all[5]}));

    // Rows selected before a drag keep their marks as they shift.
    select({2, 4});
    playlist()->drag_reorder_begin(row_point(0).x(), row_point(0).y());
    playlist()->drag_reorder_move(row_point(3).x(), row_point(3).y());
    playlist()->drag_reorder_end();
    EXPECT_EQ(rows(), (std::vector<std::string>{all[2], all[3], all[4], all[0], all[5]}));
    EXPECT_EQ(selected_rows(), (std::vector<int>{1, 4}));
}

TEST_F(PlaylistWindowTest, ThePlayModeButtonsFitTheirPlaces) {
    ASSERT_NE(open_bar(), nullptr);
    for (int mode = 1; mode <= 4; ++mode) {
        QRadioButton* radio = playlist()->mode_button(mode);
        const QSize wanted = radio->sizeHint();
        EXPECT_LE(wanted.width(), radio->width()) << mode;
        EXPECT_LE(wanted.height(), radio->height()) << mode;
    }
}

TEST_F(PlaylistWindowTest, AddingFilesImportsPlaylistsAndStoresTheList) {
    ASSERT_NE(open_bar(), nullptr);
    write_file("set.m3u",
               "#EXTM3U\r\n#EXTINF:1,a\r\n/p/x.mp3\r\n#EXTINF:2,b\r\n/p/y.asf\r\n/p/z.txt\r\n");
    write_file("lower.m3u", "/p/w.wma\r\n");
    services.prompts.then_files(
        {"/p/one.mp3", path("set.m3u"), "/p/readme.TXT", path("lower.m3u"), path("missing.m3u")});
    playlist()->menu("添加")->actions()[0]->trigger();
    ASSERT_EQ(services.prompts.asked().size(), 1u);
    EXPECT_EQ(services.prompts.asked()[0].title, "请选择要播放的媒体");
    EXPECT_EQ(services.prompts.asked()[0].filters.size(), 5u);
    // The first offers every type the player plays.
    EXPECT_EQ(
        services.prompts.asked()[0].filters[0].patterns,
        (std::vector<std::string>{"*.MP3", "*.MP2", "*.WMA", "*.WAV", "*.MID", "*.RMI", "*.AVI",
                                  "*.MPG", "*.ASF", "*.DAT", "*.WMV", "*.OGG", "*.FLAC", "*.M4A"}));
    const std::vector<std::string> expected = {"/p/one.mp3", "/p/x.mp3", "/p/y.asf",
                                               "/p/readme.TXT", "/p/w.wma"};
    EXPECT_EQ(rows(), expected);
    EXPECT_EQ(dezu::files::read_lines(path("TMP.m3u")), expected);
    playlist()->menu("添加")->actions()[0]->trigger();  // cancelled
    EXPECT_EQ(rows(), expected);
}

TEST_F(PlaylistWindowTest, AddingAFolderScansItDepthFirstSkippingDotFolders) {
    ASSERT_NE(open_bar(), nullptr);
    ASSERT_TRUE(dezu::files::make_directory(path("music/sub")));
    ASSERT_TRUE(dezu::files::make_directory(path("music/.cache")));
    for (const char* f :
         {"music/a.MP3", "music/b.jpg", "music/c.wma", "music/list.m3u", "music/sub/d.mid",
          "music/.cache/e.mp3", "music/f.ogg", "music/g.m4a", "music/sub/h.FLAC"})
        write_file(f, "x");
    std::filesystem::create_directory_symlink(path("music"), path("music/sub/loop"));
    services.prompts.then_text(path("music"));
    playlist()->menu("添加")->actions()[1]->trigger();
    EXPECT_EQ(services.prompts.asked()[0].title, "选择一个文件夹");
    const std::vector<std::string> expected = {path("music/a.MP3"),     path("music/c.wma"),
                                               path("music/f.ogg"),     path("music/g.m4a"),
                                               path("music/sub/d.mid"), path("music/sub/h.FLAC")};
    EXPECT_EQ(rows(), expected);
    // A trailing "/" is not doubled.
    EXPECT_EQ(scan_media_folder("*.*", path("music") + "/"), expected);
}

TEST_F(PlaylistWindowTest, ACancelledFolderStillWritesTheDefaultFile) {
    ASSERT_NE(open_bar(), nullptr);
    playlist()->menu("添加")->actions()[1]->trigger();
    EXPECT_TRUE(dezu::files::file_exists(path("TMP.m3u")));
    EXPECT_EQ(read_file("TMP.m3u"), "");
    EXPECT_EQ(setting("播放列表"), path("TMP.m3u"));
}

}  // namespace
