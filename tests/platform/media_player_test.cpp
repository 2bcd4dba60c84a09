#include "platform/media/media_player.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <mutex>
#include <vector>

#include "platform/files/files.h"
#include "platform/media/playbin.h"
#include "support/media_files.h"
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

// However the framework fares with a file, the file is ready or has failed
// once the limit has passed. The first kilobyte of an MPEG-1 file now and
// then leaves it waiting for ever (the demuxer's error is lost when it comes
// before the demuxer counts as set up), and an output that takes nothing
// always does.
TEST_F(MediaPlayerTest, AFileNeverReadyFailsOnceTheLimitHasPassed) {
    write_file("a.wav", wav_bytes(300));
    ASSERT_TRUE(make_mpeg_fragment(path("start.mpg"))) << "ffmpeg could not make the file";
    // Short, so that the tries the race needs to show take little time.
    constexpr int kLimit = 500;
    player.set_open_limit_ms(kLimit);
    const struct {
        const char* file;
        const char* output;
        int tries;
    } cases[] = {{"start.mpg", "fakesink sync=true", 250},
                 {"a.wav", "valve drop=true ! fakesink", 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        FakeAudioOutput into(c.output);
        for (int i = 0; i < c.tries; ++i) {
            events.clear();
            ASSERT_TRUE(player.open(path(c.file)));
            ASSERT_TRUE(wait_until([&] { return settled(); }, kLimit + 5000))
                << "try " << i << " still opening";
            ASSERT_EQ(events, std::vector<std::string>{"failed"}) << "try " << i;
            EXPECT_EQ(player.state(), State::Failed);
            EXPECT_FALSE(player.play());
        }
    }
}

// The limit is on getting ready only: a track plays on past it.
TEST_F(MediaPlayerTest, AReadyFilePlaysOnPastTheLimit) {
    constexpr int kLimit = 500;
    player.set_open_limit_ms(kLimit);
    write_file("long.wav", wav_bytes(kLimit + 1500));
    ASSERT_TRUE(player.open(path("long.wav")));
    ASSERT_TRUE(wait_until([&] { return settled(); }));
    ASSERT_TRUE(player.play());
    ASSERT_TRUE(wait_until([&] { return player.position_ms() > kLimit + 500; }));
    EXPECT_EQ(events, std::vector<std::string>{"opened"});
    EXPECT_EQ(player.state(), State::Playing);
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

// A tracer that only carries the hook below.
struct ElementWatch {
    GstTracer parent;
};
struct ElementWatchClass {
    GstTracerClass parent_class;
};
G_DEFINE_TYPE(ElementWatch, element_watch, GST_TYPE_TRACER)
void element_watch_class_init(ElementWatchClass*) {}
void element_watch_init(ElementWatch*) {}

// Every element the media framework makes in this process from now on, by
// its factory's class ("Codec/Decoder/Video"), whether a pipeline keeps it
// or it is only tried and thrown away.
class MadeElements {
public:
    MadeElements() {
        static const bool watching = [] {
            if (!dezu::media::detail::gstreamer_ready()) return false;
            auto* tracer = static_cast<GstTracer*>(g_object_new(element_watch_get_type(), nullptr));
            gst_tracing_register_hook(tracer, "element-new", G_CALLBACK(&MadeElements::made));
            return true;
        }();
        EXPECT_TRUE(watching);
        std::lock_guard lock(mutex());
        classes().clear();
    }
    std::vector<std::string> of_class(const std::string& word) const {
        std::lock_guard lock(mutex());
        std::vector<std::string> out;
        for (const auto& c : classes())
            if (c.find(word) != std::string::npos) out.push_back(c);
        return out;
    }

private:
    static void made(GObject*, GstClockTime, GstElement* element) {
        GstElementFactory* factory = gst_element_get_factory(element);
        if (!factory) return;
        std::lock_guard lock(mutex());
        classes().push_back(std::string(GST_OBJECT_NAME(factory)) + " " +
                            gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS));
    }
    static std::mutex& mutex() {
        static std::mutex m;
        return m;
    }
    static std::vector<std::string>& classes() {
        static std::vector<std::string> c;
        return c;
    }
};

// A video file's sound plays, and of its picture nothing is decoded and no
// video output is made or tried (the desktop's own video outputs include
// some that crash the process where their display system is missing).
TEST_F(MediaPlayerTest, AVideoFilePlaysItsSoundAndNothingOfItsPicture) {
    const std::vector<Video> videos = make_videos(dir());
    ASSERT_FALSE(videos.empty()) << "ffmpeg could not make the videos";
    for (const Video& video : videos) {
        SCOPED_TRACE(video.path);
        events.clear();
        const std::string sound = video.path + ".raw";
        FakeAudioOutput into_file(raw_sound_output(sound).c_str());
        MadeElements made;
        ASSERT_TRUE(player.open(video.path));
        ASSERT_TRUE(wait_until([&] { return settled(); }));
        ASSERT_EQ(player.state(), State::Stopped);
        ASSERT_TRUE(player.play());
        ASSERT_TRUE(wait_until([&] { return player.state() != State::Playing; }));
        EXPECT_EQ(events, (std::vector<std::string>{"opened", "ended"}));
        player.close();
        const Sound heard = sound_in(dezu::files::read_whole_file(sound));
        EXPECT_GE(heard.seconds, video.least_sound);
        EXPECT_LE(heard.seconds, video.most_sound);
        EXPECT_GT(heard.peak, 1000);
        EXPECT_EQ(made.of_class("Video"), std::vector<std::string>{});
        EXPECT_EQ(made.of_class("Image"), std::vector<std::string>{});
    }
}

}  // namespace
