#include "player/player.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <set>

#include "assets/assets.h"
#include "platform/files/files.h"
#include "player/picture_button.h"
#include "player_test_support.h"
#include "support/media_files.h"

namespace {

class EngineTest : public PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        bar = open_bar();
        ASSERT_NE(bar, nullptr);
    }
    bool pause_face() const {
        return bar->play_button()->normal_face() == dezu::assets::asset_bytes("player_pause.bmp");
    }
    bool play_face() const {
        return bar->play_button()->normal_face() == dezu::assets::asset_bytes("player_play.bmp");
    }
    PlayerBarWindow* bar = nullptr;
};

TEST_F(EngineTest, APlayedRowIsOpenTickingRecordedAndShown) {
    set_rows({track("a.wav"), track("with blanks b.wav", 1500)});
    // The media framework's own start, once a run, is not what is measured.
    ASSERT_TRUE(player().media().open(path("a.wav")));
    player().media().close();
    QElapsedTimer timer;
    timer.start();
    player().play_row(1);
    // Preparing the file does not hold up the caller.
    EXPECT_LT(timer.elapsed(), 100);
    settle();
    EXPECT_TRUE(player().track_open());
    EXPECT_FALSE(player().paused());
    EXPECT_EQ(player().track_name(), "\"" + path("with blanks b.wav") + "\"");
    EXPECT_EQ(player().length_ms(), 1500);
    EXPECT_EQ(player().length_seconds(), 1);
    EXPECT_TRUE(ticking());
    EXPECT_TRUE(pause_face());
    EXPECT_EQ(setting("歌曲"), "1");
    EXPECT_EQ(media_state(), State::Playing);
    EXPECT_TRUE(bar->time_label()->toolTip().startsWith(QString::fromStdString(
        player().track_name() + "[时间:0分1秒]\r\n    [鼠标中键调节音量]    空闲内存:")));

    player().toggle_play_pause();
    EXPECT_TRUE(player().paused());
    EXPECT_FALSE(ticking());
    EXPECT_TRUE(play_face());
    EXPECT_EQ(media_state(), State::Paused);
    player().toggle_play_pause();
    EXPECT_FALSE(player().paused());
    EXPECT_TRUE(ticking());

    player().stop();
    EXPECT_FALSE(player().track_open());
    EXPECT_FALSE(ticking());
    EXPECT_TRUE(play_face());
    EXPECT_EQ(media_state(), State::Closed);
}

TEST_F(EngineTest, TheNextRowFollowsThePlayMode) {
    const struct {
        PlayMode mode;
        bool forced;
        int from;
        int to;  // -1: nothing plays
    } cases[] = {{PlayMode::Sequential, false, 0, 1}, {PlayMode::Sequential, false, 2, -1},
                 {PlayMode::Loop, false, 1, 2},       {PlayMode::Loop, false, 2, 0},
                 {PlayMode::Single, false, 1, 1},     {PlayMode::Single, false, 2, 2},
                 {PlayMode::Sequential, true, 2, 0},  {PlayMode::Single, true, 2, 0},
                 {PlayMode::Random, true, 2, 0},      {PlayMode::Single, true, 0, 1}};
    set_rows({track("a.wav"), track("b.wav"), track("c.wav")});
    for (const auto& c : cases) {
        SCOPED_TRACE(dezu::player::play_mode_text(c.mode) + (c.forced ? " forced" : "") + " from " +
                     std::to_string(c.from));
        player().set_play_mode(c.mode);
        playlist()->list()->clearSelection();
        start(c.from);
        player().advance(c.forced);
        settle();
        if (c.to < 0) {
            EXPECT_FALSE(player().track_open());
            EXPECT_FALSE(ticking());
            EXPECT_TRUE(play_face());
            EXPECT_TRUE(selected_rows().empty());
        } else {
            EXPECT_TRUE(player().track_open());
            EXPECT_EQ(player().current_row(), c.to);
            EXPECT_EQ(selected_rows(), std::vector<int>{c.to});
        }
        if (player().track_open()) player().stop();
        EXPECT_EQ(media_state(), State::Closed);
    }
}

TEST(PlayModeText, StoredValuesOtherThanOneToThreeRepeatTheRow) {
    using dezu::player::PlayMode;
    const struct {
        const char* text;
        PlayMode mode;
    } cases[] = {{"1", PlayMode::Sequential}, {"2", PlayMode::Loop},   {"3", PlayMode::Random},
                 {"4", PlayMode::Single},     {"9", PlayMode::Single}, {"", PlayMode::Single}};
    for (const auto& c : cases) EXPECT_EQ(dezu::player::play_mode_from_text(c.text), c.mode);
}

TEST_F(EngineTest, RandomModePicksAnyRowIncludingTheSameOne) {
    set_rows({track("a.wav"), track("b.wav")});
    player().set_play_mode(PlayMode::Random);
    std::set<int> seen;
    for (int i = 0; i < 40 && seen.size() < 2; ++i) {
        start(0);
        player().advance(false);
        settle();
        ASSERT_TRUE(player().track_open());
        seen.insert(player().current_row());
        player().stop();
    }
    EXPECT_EQ(seen, (std::set<int>{0, 1}));
}

TEST_F(EngineTest, TheTickNoticesTheEndOfATrackAndAdvances) {
    set_rows({track("short.wav", 200), track("next.wav")});
    player().set_play_mode(PlayMode::Loop);
    start(0);
    ASSERT_TRUE(wait_until_ended());
    player().tick();
    settle();
    EXPECT_EQ(player().current_row(), 1);
    EXPECT_TRUE(player().track_open());
    EXPECT_EQ(media_state(), State::Playing);
    EXPECT_EQ(player().elapsed_total_seconds(), 0);
    EXPECT_EQ(player().elapsed_seconds(), 0);
}

TEST_F(EngineTest, MissingAndNonMediaRowsAreSkipped) {
    write_file("fake.mp3", "not a sound at all");
    set_rows({path("gone.mp3"), path("fake.mp3"), track("real.wav")});
    player().set_play_mode(PlayMode::Loop);
    player().toggle_play_pause();
    settle();
    EXPECT_TRUE(player().track_open());
    EXPECT_EQ(player().current_row(), 2);
    EXPECT_EQ(selected_rows(), std::vector<int>{2});
    EXPECT_EQ(player().media().path(), path("real.wav"));
}

TEST_F(EngineTest, AListWithNoPlayableRowEndsTheChainInEveryMode) {
    write_file("fake.wav", "junk");
    for (PlayMode mode :
         {PlayMode::Sequential, PlayMode::Loop, PlayMode::Random, PlayMode::Single}) {
        SCOPED_TRACE(dezu::player::play_mode_text(mode));
        set_rows({path("gone1.mp3"), path("fake.wav"), path("gone2.mp3")});
        player().set_play_mode(mode);
        player().set_current_row(0);
        player().toggle_play_pause();
        settle();
        EXPECT_FALSE(player().track_open());
        EXPECT_FALSE(ticking());
        EXPECT_EQ(media_state(), State::Closed);
        player().advance(true);
        settle();
        EXPECT_FALSE(player().track_open());
    }
}

TEST_F(EngineTest, StopWhilePausedKeepsPausedUntilTheNextStart) {
    set_rows({track("a.wav"), track("b.wav")});
    start(1);
    player().toggle_play_pause();
    player().stop();
    EXPECT_TRUE(player().paused());
    EXPECT_FALSE(player().track_open());
    player().toggle_play_pause();  // no track open: starts the current row
    settle();
    EXPECT_TRUE(player().track_open());
    EXPECT_FALSE(player().paused());
    EXPECT_EQ(player().current_row(), 1);
}

TEST_F(EngineTest, AnIndexBeyondTheListStartsRowZero) {
    set_rows({track("a.wav"), track("b.wav")});
    player().set_current_row(7);
    player().toggle_play_pause();
    settle();
    EXPECT_EQ(player().current_row(), 0);
    EXPECT_TRUE(player().track_open());
}

TEST_F(EngineTest, StopWithNothingOpenOnlyStopsTheTickAndCounters) {
    player().set_elapsed(3, 4, 184);
    player().tick_timer().set_interval(1000);
    player().stop();
    EXPECT_FALSE(ticking());
    EXPECT_EQ(player().elapsed_minutes(), 0);
    EXPECT_EQ(player().elapsed_seconds(), 0);
    EXPECT_EQ(player().elapsed_total_seconds(), 184);
}

TEST_F(EngineTest, AStopWhileARowIsPreparedCancelsIt) {
    set_rows({track("a.wav")});
    player().play_row(0);
    ASSERT_TRUE(player().starting());
    player().stop();
    EXPECT_FALSE(player().starting());
    run_timer_periods(20, 10);  // the preparation's news has had time to arrive
    EXPECT_FALSE(player().track_open());
    EXPECT_FALSE(ticking());
    EXPECT_EQ(media_state(), State::Closed);
}

TEST_F(EngineTest, WithNoRowsNothingHappens) {
    player().toggle_play_pause();
    player().advance(true);
    player().advance(false);
    settle();
    EXPECT_FALSE(player().track_open());
    EXPECT_EQ(media_state(), State::Closed);
}

// Each video file of a list plays its sound, and at its end the list moves
// on; a damaged one plays what it holds.
TEST_F(EngineTest, AListOfVideoFilesPlaysEachSoundInTurn) {
    const std::vector<Video> videos = make_videos(dir());
    ASSERT_FALSE(videos.empty()) << "ffmpeg could not make the videos";
    std::vector<std::string> paths;
    for (const Video& video : videos) paths.push_back(video.path);
    std::vector<int> played;
    QObject::connect(&player(), &dezu::player::Player::track_changed,
                     [&](int row) { played.push_back(row); });
    set_rows(paths);
    player().set_play_mode(PlayMode::Sequential);
    // Each row's sound goes to a file of its own, read once the row has
    // ended (the stop that follows starts the file again).
    auto sound_of = [this](int row) { return path("sound" + std::to_string(row) + ".raw"); };
    qputenv("DEZU_AUDIO_SINK", raw_sound_output(sound_of(0)).c_str());
    start(0);
    for (int row = 0; row < int(paths.size()) && player().track_open(); ++row) {
        SCOPED_TRACE(paths[std::size_t(row)]);
        ASSERT_TRUE(wait_until_ended());
        const Sound heard = sound_in(dezu::files::read_whole_file(sound_of(row)));
        EXPECT_GE(heard.seconds, videos[std::size_t(row)].least_sound);
        EXPECT_LE(heard.seconds, videos[std::size_t(row)].most_sound);
        EXPECT_GT(heard.peak, 1000);
        qputenv("DEZU_AUDIO_SINK", raw_sound_output(sound_of(row + 1)).c_str());
        player().tick();
        settle();
    }
    EXPECT_EQ(played, (std::vector<int>{0, 1, 2, 3, 4}));
}

// A row the media framework never gets ready, and never fails, is given up
// like one that will not play, and the next row plays. Here the first file
// opened gets an output that takes nothing, which leaves it so for ever.
TEST_F(EngineTest, ARowThatNeverGetsReadyIsPassedOver) {
    set_rows({track("stalled.wav"), track("next.wav")});
    player().set_play_mode(PlayMode::Loop);
    player().media().set_open_limit_ms(2000);
    FakeAudioOutput takes_nothing("valve drop=true ! fakesink");
    QObject::connect(&player().media(), &dezu::media::MediaPlayer::state_changed, [](State state) {
        if (state == State::Opening) qputenv("DEZU_AUDIO_SINK", "fakesink sync=true");
    });
    std::vector<int> played;
    QObject::connect(&player(), &dezu::player::Player::track_changed,
                     [&](int row) { played.push_back(row); });
    player().toggle_play_pause();
    settle();
    EXPECT_EQ(played, std::vector<int>{1});
    EXPECT_TRUE(player().track_open());
    EXPECT_EQ(media_state(), State::Playing);
    EXPECT_EQ(player().media().path(), path("next.wav"));
    EXPECT_EQ(selected_rows(), std::vector<int>{1});
    EXPECT_TRUE(ticking());
}

// A list as a user met it: a WMV, an MPEG-1 file cut off halfway and the
// first kilobyte of one, which the media framework now and then neither gets
// ready nor fails. Every row plays or fails in time, and the list goes on to
// its end each time it is played.
TEST_F(EngineTest, EveryRowPlaysOrFailsAndTheListGoesOnToItsEnd) {
    const std::vector<std::string> paths = {path("tone.wav"), path("tone.wmv"), path("cut.mpg"),
                                            path("start.mpg"), path("tone.flac")};
    ASSERT_TRUE(make_tone(paths[0], 200) &&
                make_video(paths[1], {"-c:v", "wmv2", "-c:a", "wmav2"}, 200) &&
                make_video(paths[2], {"-c:v", "mpeg1video", "-c:a", "mp2"}, 600) &&
                make_mpeg_fragment(paths[3]) && make_tone(paths[4], 200))
        << "ffmpeg could not make the files";
    QFile cut(QString::fromStdString(paths[2]));
    ASSERT_TRUE(cut.resize(cut.size() / 2));
    std::vector<int> played;
    QObject::connect(&player(), &dezu::player::Player::track_changed,
                     [&](int row) { played.push_back(row); });
    set_rows(paths);
    player().set_play_mode(PlayMode::Sequential);
    for (int run = 0; run < 10; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        played.clear();
        start(0);
        while (player().track_open()) {
            ASSERT_TRUE(wait_until_ended());
            player().tick();
            settle();
        }
        EXPECT_FALSE(player().starting());
        EXPECT_EQ(played, (std::vector<int>{0, 1, 2, 4}));
    }
}

// Through the desktop's own output (no sound server runs here) the list of
// video files goes round on the bar's own tick, and the program lives on.
TEST_F(EngineTest, VideoFilesPlayThroughTheDefaultOutput) {
    const std::vector<Video> videos = make_videos(dir());
    ASSERT_FALSE(videos.empty()) << "ffmpeg could not make the videos";
    std::vector<std::string> paths;
    for (const Video& video : videos) paths.push_back(video.path);
    qunsetenv("DEZU_AUDIO_SINK");
    std::vector<int> played;
    QObject::connect(&player(), &dezu::player::Player::track_changed,
                     [&](int row) { played.push_back(row); });
    set_rows(paths);
    player().set_play_mode(PlayMode::Loop);
    start(0);
    EXPECT_TRUE(wait_until([&] { return played.size() > paths.size(); }, 30000));
    EXPECT_EQ(played, (std::vector<int>{0, 1, 2, 3, 4, 0}));
    EXPECT_TRUE(bar->isVisible());
}

}  // namespace
