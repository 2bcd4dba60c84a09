#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>

#include "player_test_support.h"

namespace {

class PlayerBarTest : public PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        bar = open_bar();
        ASSERT_NE(bar, nullptr);
    }
    int fill() const { return bar->progress_fill()->width(); }
    PlayerBarWindow* bar = nullptr;
};

TEST_F(PlayerBarTest, TheBarOpensFoldedWithItsPlaylistHidden) {
    EXPECT_EQ(bar->geometry(), QRect(600, 3, 189, 19));
    EXPECT_TRUE(bar->isVisible());
    ASSERT_NE(playlist(), nullptr);
    EXPECT_FALSE(playlist()->isVisible());
    EXPECT_EQ(bar->time_label()->text(), "00:00");
    EXPECT_FALSE(ticking());
}

TEST_F(PlayerBarTest, TheTickCountsTimeAndFillsTheProgress) {
    const struct {
        int minutes, seconds, total, length;
        const char* shows;
        int fill;
    } cases[] = {{0, 8, 8, 200, "00:09", 5},
                 {0, 59, 59, 200, "01:00", 36},
                 {99, 59, 99, 200, "100:00", 61},
                 {0, 0, 0, 0, "00:01", 17}};
    set_rows({track("a.wav")});
    start(0);
    for (const auto& c : cases) {
        player().set_elapsed(c.minutes, c.seconds, c.total);
        player().set_length_seconds(c.length);
        bar->progress_fill()->resize(17, 7);
        player().tick();
        EXPECT_EQ(bar->time_label()->text().toStdString(), c.shows);
        EXPECT_EQ(fill(), c.fill) << c.shows;
    }
}

TEST_F(PlayerBarTest, SeekReleaseMovesThePositionByTheFillWidth) {
    set_rows({track("a.wav", 4000)});
    start(0);
    const struct {
        int width;
        int total, minutes, seconds;
    } cases[] = {{61, 1, 0, 1}, {0, 0, 0, 0}, {123, 4, 0, 4}};  // the end last
    for (const auto& c : cases) {
        bar->seek_fill_mouse_down();
        EXPECT_TRUE(bar->seek_drag_active());
        EXPECT_FALSE(ticking());
        EXPECT_EQ(media_state(), State::Paused);
        bar->seek_fill_mouse_move(c.width);
        bar->seek_fill_mouse_up();
        EXPECT_FALSE(bar->seek_drag_active());
        EXPECT_EQ(player().elapsed_total_seconds(), c.total);
        EXPECT_EQ(player().elapsed_minutes(), c.minutes);
        EXPECT_EQ(player().elapsed_seconds(), c.seconds);
        EXPECT_TRUE(ticking());
        EXPECT_FALSE(bar->resume_after_seek());
        if (c.width < 123) {  // the end itself ends the track
            EXPECT_TRUE(wait_until([&] {
                return std::abs(player().media().position_ms() - c.total * 1000) < 1000;
            })) << c.width;
        }
    }
}

TEST_F(PlayerBarTest, ASeekStaysWithinTheBar) {
    set_rows({track("a.wav", 4000)});
    start(0);
    // Dragged out past either end of the bar with the button held.
    const struct { int move, fill, total; } cases[] = {{300, 123, 4}, {-40, 0, 0}};
    for (const auto& c : cases) {
        bar->seek_track_mouse_down(60);
        bar->seek_track_mouse_move(c.move);
        EXPECT_EQ(fill(), c.fill) << c.move;
        bar->seek_track_mouse_up();
        EXPECT_EQ(player().elapsed_total_seconds(), c.total) << c.move;
        EXPECT_LE(player().media().position_ms(), 4000) << c.move;
    }

    // A fill the tick drew past its end seeks to the end, not beyond.
    start(0);
    player().set_elapsed(0, 8, 8);
    player().set_length_seconds(4);
    player().tick();
    ASSERT_GT(fill(), 123);
    bar->seek_fill_mouse_down();
    bar->seek_fill_mouse_up();
    EXPECT_EQ(player().elapsed_total_seconds(), 4);
}

TEST_F(PlayerBarTest, ASeekWhilePausedOrWithNothingOpenDoesNotResume) {
    const int before = fill();
    bar->seek_track_mouse_down(50);
    bar->seek_track_mouse_move(70);
    bar->seek_track_mouse_up();
    EXPECT_FALSE(bar->seek_drag_active());
    EXPECT_EQ(fill(), before);

    set_rows({track("a.wav", 4000)});
    start(0);
    player().toggle_play_pause();
    ASSERT_TRUE(player().paused());
    bar->seek_track_mouse_down(40);
    EXPECT_EQ(fill(), 40);
    bar->seek_track_mouse_up();
    EXPECT_EQ(media_state(), State::Paused);
    EXPECT_FALSE(ticking());
    EXPECT_EQ(player().elapsed_total_seconds(), 1);
}

TEST_F(PlayerBarTest, PreviousAndNextWrapAroundTheList) {
    set_rows({track("a.wav"), track("b.wav"), track("c.wav")});
    player().set_play_mode(PlayMode::Sequential);
    start(0);
    bar->play_previous_track();
    settle();
    EXPECT_EQ(player().current_row(), 2);
    EXPECT_EQ(selected_rows(), std::vector<int>{2});
    EXPECT_TRUE(player().track_open());
    bar->play_next_track();
    settle();
    EXPECT_EQ(player().current_row(), 0);
    EXPECT_TRUE(player().track_open());
    EXPECT_EQ(player().media().path(), rows()[0]);

    set_rows({});
    player().stop();
    bar->play_previous_track();
    settle();
    EXPECT_FALSE(player().track_open());
}

TEST_F(PlayerBarTest, OpeningFilesPlaysTheFirstAddedRow) {
    std::vector<std::string> five;
    for (int i = 0; i < 5; ++i) five.push_back(track("old" + std::to_string(i) + ".wav"));
    set_rows(five);
    start(1);
    services.prompts.then_files({track("n1.wav"), track("n2.wav"), track("n3.wav")});
    bar->open_files_and_play();
    settle();
    EXPECT_EQ(rows().size(), 8u);
    EXPECT_EQ(player().current_row(), 5);
    EXPECT_EQ(player().track_name(), "\"" + path("n1.wav") + "\"");
    EXPECT_EQ(player().media().path(), path("n1.wav"));
    bar->open_files_and_play();  // cancelled: the track plays on
    EXPECT_EQ(player().current_row(), 5);
    EXPECT_TRUE(player().track_open());
}

TEST_F(PlayerBarTest, TheFoldButtonTogglesHeightAndItsRightPressHides) {
    bar->toggle_bar_height();
    EXPECT_EQ(bar->height(), 37);
    bar->toggle_bar_height();
    EXPECT_EQ(bar->height(), 19);
    set_rows({track("a.wav")});
    start(0);
    auto* fold = bar->control<QWidget>("图形按钮2");
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(3, 3), QPointF(3, 3), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(fold, &press);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_TRUE(player().track_open());
    EXPECT_EQ(media_state(), State::Playing);
}

TEST_F(PlayerBarTest, ThePlaylistButtonShowsHidesAndReloadsThePlaylist) {
    bar->toggle_playlist_window();
    EXPECT_TRUE(playlist()->isVisible());
    bar->toggle_playlist_window();
    EXPECT_FALSE(playlist()->isVisible());
    dezu::ui::destroy_window(dezu::ui::windows::kPlaylist);
    bar->toggle_playlist_window();
    ASSERT_NE(playlist(), nullptr);
    EXPECT_TRUE(playlist()->isVisible());
}

TEST_F(PlayerBarTest, ClosingStopsTheTrackSavesTheRowAndDropsThePlaylist) {
    set_rows({track("a.wav"), track("b.wav")});
    start(1);
    ASSERT_TRUE(dezu::settings::write_setting(clock_ini(), "播放器", "歌曲", "0"));
    dezu::ui::destroy_window(dezu::ui::windows::kPlayerBar);
    EXPECT_FALSE(player().track_open());
    EXPECT_EQ(media_state(), State::Closed);
    EXPECT_EQ(setting("歌曲"), "1");
    EXPECT_FALSE(dezu::ui::is_window_loaded(dezu::ui::windows::kPlaylist));
    // The rows went with the playlist: nothing plays with the bar gone.
    player().toggle_play_pause();
    player().advance(true);
    player().stop();
    EXPECT_FALSE(player().starting());
    EXPECT_EQ(media_state(), State::Closed);
}

TEST_F(PlayerBarTest, ClosingWhileARowIsPreparedLeavesNothingPlaying) {
    set_rows({track("a.wav")});
    player().play_row(0);
    ASSERT_TRUE(player().starting());
    dezu::ui::destroy_window(dezu::ui::windows::kPlayerBar);
    run_timer_periods(20, 15);  // the preparation's news has had time to arrive
    EXPECT_FALSE(player().starting());
    EXPECT_FALSE(player().track_open());
    EXPECT_EQ(media_state(), State::Closed);
}

TEST_F(PlayerBarTest, APressOnTheBarItselfEndsBothDrags) {
    set_rows({track("a.wav")});
    start(0);
    bar->toggle_bar_height();
    bar->seek_fill_mouse_down();
    bar->volume_track_mouse_down();
    ASSERT_TRUE(bar->seek_drag_active());
    ASSERT_TRUE(bar->volume_drag_active());
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(139, 10), QPointF(739, 13), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &press);
    EXPECT_FALSE(bar->seek_drag_active());
    EXPECT_FALSE(bar->volume_drag_active());
}

}  // namespace
