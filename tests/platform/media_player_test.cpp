#include "platform/media/media_player.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <vector>

#include "support/avi_file.h"
#include "support/program_dir.h"
#include "support/sound_log.h"
#include "support/wav_file.h"

using dezu::media::MediaPlayer;
using State = MediaPlayer::State;

namespace {

// Files play in real time into a fake sink; what happens arrives as signals.
class MediaPlayerTest : public ProgramDirTest {
protected:
    void SetUp() override {
        ProgramDirTest::SetUp();
        QObject::connect(&player, &MediaPlayer::opened, [this] { events.push_back("opened"); });
        QObject::connect(&player, &MediaPlayer::ended, [this] { events.push_back("ended"); });
        QObject::connect(&player, &MediaPlayer::failed,
                         [this](const QString&) { events.push_back("failed"); });
    }
    void TearDown() override {
        player.close();
        ProgramDirTest::TearDown();
    }
    bool settled() const { return player.state() != State::Opening; }

    FakeAudioOutput output{"fakesink sync=true"};
    MediaPlayer player;
    std::vector<std::string> events;
};

TEST_F(MediaPlayerTest, OpensWithoutWaitingThenPlaysPausesSeeksAndEnds) {
    write_file("a b.wav", wav_bytes(1500));
    // The media framework's own start, once a run, is not what is measured.
    ASSERT_TRUE(player.open(path("a b.wav")));
    player.close();
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(player.open(path("a b.wav")));
    EXPECT_EQ(player.state(), State::Opening);
    EXPECT_LT(timer.elapsed(), 200);
    ASSERT_TRUE(wait_until([&] { return settled(); }));
    EXPECT_EQ(events, std::vector<std::string>{"opened"});
    EXPECT_EQ(player.state(), State::Stopped);
    EXPECT_EQ(player.duration_ms(), 1500);

    ASSERT_TRUE(player.play());
    EXPECT_EQ(player.state(), State::Playing);
    ASSERT_TRUE(player.pause());
    EXPECT_EQ(player.state(), State::Paused);
    ASSERT_TRUE(player.seek(1200));
    ASSERT_TRUE(wait_until([&] { return player.position_ms() >= 1200; }));
    ASSERT_TRUE(player.play());
    ASSERT_TRUE(wait_until([&] { return player.state() == State::Ended; }, 3000));
    EXPECT_EQ(events, (std::vector<std::string>{"opened", "ended"}));

    // Played again from the start, and stopped back at the start.
    ASSERT_TRUE(player.play());
    EXPECT_EQ(player.state(), State::Playing);
    ASSERT_TRUE(player.stop());
    EXPECT_EQ(player.state(), State::Stopped);
    player.close();
    EXPECT_EQ(player.state(), State::Closed);
    EXPECT_FALSE(player.play());
}

TEST_F(MediaPlayerTest, MissingAndDamagedFilesFailWithoutPlaying) {
    EXPECT_FALSE(player.open(path("gone.mp3")));
    EXPECT_EQ(player.state(), State::Closed);
    EXPECT_FALSE(player.play());
    EXPECT_FALSE(player.seek(10));

    write_file("junk.wav", "not a sound at all");
    ASSERT_TRUE(player.open(path("junk.wav")));
    ASSERT_TRUE(wait_until([&] { return settled(); }));
    EXPECT_EQ(player.state(), State::Failed);
    EXPECT_EQ(events, std::vector<std::string>{"failed"});
    EXPECT_FALSE(player.play());
}

TEST_F(MediaPlayerTest, ANewFileReplacesTheOpenOneAndItsPendingNews) {
    write_file("a.wav", wav_bytes(300));
    write_file("b.wav", wav_bytes(600));
    ASSERT_TRUE(player.open(path("a.wav")));
    ASSERT_TRUE(player.open(path("b.wav")));
    ASSERT_TRUE(wait_until([&] { return settled(); }));
    run_timer_periods(20, 5);  // time for a stale word of a.wav to arrive
    EXPECT_EQ(events, std::vector<std::string>{"opened"});
    EXPECT_EQ(player.path(), path("b.wav"));
    EXPECT_EQ(player.duration_ms(), 600);
}

TEST_F(MediaPlayerTest, TheVolumeIsANumberKeptAcrossFiles) {
    const struct {
        double set, kept;
    } cases[] = {{0.5, 0.5}, {1.5, 1.0}, {-1.0, 0.0}, {254.0 / 255, 254.0 / 255}};
    write_file("a.wav", wav_bytes(300));
    for (const auto& c : cases) {
        player.set_volume(c.set);
        ASSERT_TRUE(player.open(path("a.wav")));
        EXPECT_DOUBLE_EQ(player.volume(), c.kept);
    }
}

// A video file through the default construction, with the desktop's own
// output and no sound server: its picture is never shown, so no video sink
// is chosen, and it plays (or fails) without bringing the program down.
TEST_F(MediaPlayerTest, AVideoFilePlaysAsSoundOnlyThroughTheDefaultOutput) {
    for (const char* name : {"clip.avi", "clip.mpg", "clip.wmv"}) {
        SCOPED_TRACE(name);
        events.clear();
        write_file(name, avi_bytes(5));
        qunsetenv("DEZU_AUDIO_SINK");
        ASSERT_TRUE(player.open(path(name)));
        ASSERT_TRUE(wait_until([&] { return settled(); }));
        if (player.state() == State::Stopped) {
            EXPECT_EQ(player.duration_ms(), 500);
            ASSERT_TRUE(player.play());
            ASSERT_TRUE(wait_until(
                [&] { return player.state() == State::Ended || player.state() == State::Failed; }));
        }
        player.close();
    }
    // Into a sink that keeps time the clip plays to its end.
    qputenv("DEZU_AUDIO_SINK", "fakesink sync=true");
    events.clear();
    ASSERT_TRUE(player.open(path("clip.avi")));
    ASSERT_TRUE(wait_until([&] { return settled(); }));
    EXPECT_EQ(player.duration_ms(), 500);
    ASSERT_TRUE(player.play());
    ASSERT_TRUE(wait_until([&] { return player.state() == State::Ended; }));
    EXPECT_EQ(events, (std::vector<std::string>{"opened", "ended"}));
}

}  // namespace
