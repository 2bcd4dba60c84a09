#include "player/playback_engine.h"

#include <gtest/gtest.h>

#include <QLabel>

#include "assets/assets.h"
#include "platform/ui/timer_control.h"
#include "player/picture_button.h"
#include "player_test_support.h"

namespace {

class EngineTest : public PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        bar = open_bar();
        ASSERT_NE(bar, nullptr);
    }
    bool ticking() const { return bar->tick_timer()->interval() == 1000; }
    bool pause_face() const {
        return bar->play_button()->normal_face() == dezu::assets::asset_bytes("player_pause.bmp");
    }
    bool play_face() const {
        return bar->play_button()->normal_face() == dezu::assets::asset_bytes("player_play.bmp");
    }
    void start(int row) {
        g_current_track_index = row;
        play_track_at(row);
    }
    PlayerBarWindow* bar = nullptr;
};

TEST_F(EngineTest, APlayedRowIsOpenTickingRecordedAndShown) {
    set_rows({track("a.wav"), track("with blanks b.wav", 1500)});
    start(1);
    EXPECT_TRUE(g_track_open);
    EXPECT_FALSE(g_paused);
    EXPECT_EQ(g_mci_device_name, "\"" + path("with blanks b.wav") + "\"");
    EXPECT_EQ(g_length_buffer, "1500");
    EXPECT_EQ(g_track_length_seconds, 1);
    EXPECT_TRUE(ticking());
    EXPECT_TRUE(pause_face());
    EXPECT_EQ(setting("歌曲"), "1");
    EXPECT_EQ(mode_of_current(), "playing");
    EXPECT_TRUE(bar->time_label()->toolTip().startsWith(QString::fromStdString(
        g_mci_device_name + "[时间:0分1秒]\r\n    [鼠标中键调节音量]    空闲内存:")));

    toggle_play_pause();
    EXPECT_TRUE(g_paused);
    EXPECT_FALSE(ticking());
    EXPECT_TRUE(play_face());
    EXPECT_EQ(mode_of_current(), "paused");
    toggle_play_pause();
    EXPECT_FALSE(g_paused);
    EXPECT_TRUE(ticking());

    stop_playback();
    EXPECT_FALSE(g_track_open);
    EXPECT_FALSE(ticking());
    EXPECT_TRUE(play_face());
    EXPECT_EQ(dezu::media::open_mci_devices(), 0u);
}

TEST_F(EngineTest, TheNextRowFollowsThePlayMode) {
    const struct {
        const char* mode;
        bool forced;
        int from;
        int to;  // -1: nothing plays
    } cases[] = {{"1", false, 0, 1}, {"1", false, 2, -1}, {"2", false, 1, 2}, {"2", false, 2, 0},
                 {"4", false, 1, 1}, {"9", false, 1, 1},  {"", false, 2, 2},  {"1", true, 2, 0},
                 {"4", true, 2, 0},  {"3", true, 2, 0},   {"4", true, 0, 1}};
    set_rows({track("a.wav"), track("b.wav"), track("c.wav")});
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mode) + (c.forced ? " forced" : "") + " from " +
                     std::to_string(c.from));
        g_play_mode = c.mode;
        playlist()->list()->clearSelection();
        start(c.from);
        advance_track(c.forced);
        if (c.to < 0) {
            EXPECT_FALSE(g_track_open);
            EXPECT_FALSE(ticking());
            EXPECT_TRUE(play_face());
            EXPECT_TRUE(selected_rows().empty());
        } else {
            EXPECT_TRUE(g_track_open);
            EXPECT_EQ(g_current_track_index, c.to);
            EXPECT_EQ(selected_rows(), std::vector<int>{c.to});
        }
        if (g_track_open) stop_playback();
        EXPECT_EQ(dezu::media::open_mci_devices(), 0u);
    }
}

TEST_F(EngineTest, RandomModePicksAnyRowIncludingTheSameOne) {
    set_rows({track("a.wav"), track("b.wav")});
    g_play_mode = "3";
    std::set<int> seen;
    for (int i = 0; i < 40 && seen.size() < 2; ++i) {
        start(0);
        advance_track(false);
        ASSERT_TRUE(g_track_open);
        seen.insert(g_current_track_index);
        stop_playback();
    }
    EXPECT_EQ(seen, (std::set<int>{0, 1}));
}

TEST_F(EngineTest, TheTickNoticesTheEndOfATrackAndAdvances) {
    set_rows({track("short.wav", 200), track("next.wav")});
    g_play_mode = "2";
    start(0);
    ASSERT_TRUE(wait_until_ended());
    bar->playback_timer_tick();
    EXPECT_EQ(g_current_track_index, 1);
    EXPECT_TRUE(g_track_open);
    EXPECT_EQ(mode_of_current(), "playing");
    EXPECT_EQ(g_elapsed_total_seconds, 0);
    EXPECT_EQ(g_elapsed_seconds, 0);
}

TEST_F(EngineTest, MissingAndNonMediaRowsAreSkipped) {
    write_file("fake.mp3", "not a sound at all");
    set_rows({path("gone.mp3"), path("fake.mp3"), track("real.wav")});
    g_play_mode = "2";
    toggle_play_pause();
    EXPECT_TRUE(g_track_open);
    EXPECT_EQ(g_current_track_index, 2);
    EXPECT_EQ(selected_rows(), std::vector<int>{2});
    EXPECT_EQ(dezu::media::open_mci_devices(), 1u);  // the failed one was not left open
}

TEST_F(EngineTest, AListWithNoPlayableRowEndsTheChainInEveryMode) {
    write_file("fake.wav", "junk");
    for (const char* mode : {"1", "2", "3", "4", ""}) {
        SCOPED_TRACE(mode);
        set_rows({path("gone1.mp3"), path("fake.wav"), path("gone2.mp3")});
        g_play_mode = mode;
        g_current_track_index = 0;
        toggle_play_pause();
        EXPECT_FALSE(g_track_open);
        EXPECT_FALSE(ticking());
        EXPECT_EQ(dezu::media::open_mci_devices(), 0u);
        advance_track(true);
        EXPECT_FALSE(g_track_open);
    }
}

TEST_F(EngineTest, StopWhilePausedKeepsPausedUntilTheNextStart) {
    set_rows({track("a.wav"), track("b.wav")});
    start(1);
    toggle_play_pause();
    stop_playback();
    EXPECT_TRUE(g_paused);
    EXPECT_FALSE(g_track_open);
    toggle_play_pause();  // no track open: starts the current row
    EXPECT_TRUE(g_track_open);
    EXPECT_FALSE(g_paused);
    EXPECT_EQ(g_current_track_index, 1);
}

TEST_F(EngineTest, AnIndexBeyondTheListStartsRowZero) {
    set_rows({track("a.wav"), track("b.wav")});
    g_current_track_index = 7;
    toggle_play_pause();
    EXPECT_EQ(g_current_track_index, 0);
    EXPECT_TRUE(g_track_open);
}

TEST_F(EngineTest, StopWithNothingOpenOnlyStopsTheTickAndCounters) {
    g_elapsed_minutes = 3;
    g_elapsed_seconds = 4;
    g_elapsed_total_seconds = 184;
    bar->tick_timer()->set_interval(1000);
    stop_playback();
    EXPECT_FALSE(ticking());
    EXPECT_EQ(g_elapsed_minutes, 0);
    EXPECT_EQ(g_elapsed_seconds, 0);
    EXPECT_EQ(g_elapsed_total_seconds, 184);
}

TEST_F(EngineTest, WithNoRowsNothingHappens) {
    toggle_play_pause();
    advance_track(true);
    advance_track(false);
    EXPECT_FALSE(g_track_open);
    EXPECT_EQ(dezu::media::open_mci_devices(), 0u);
}

}  // namespace
