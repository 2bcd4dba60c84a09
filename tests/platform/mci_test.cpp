#include "platform/media/mci.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include "platform/media/sound.h"
#include "support/program_dir.h"
#include "support/wav_file.h"

using namespace dezu::media;

namespace {

class MciTest : public ProgramDirTest {
protected:
    void SetUp() override {
        ProgramDirTest::SetUp();
        set_audio_sink_for_test("fakesink sync=true");
    }
    void TearDown() override {
        close_all_mci_devices();
        set_audio_sink_for_test("");
        ProgramDirTest::TearDown();
    }
    // The device name of a new WAV file of that length, with a blank in it.
    std::string device(int milliseconds) {
        write_file("a tone.wav", wav_bytes(milliseconds));
        return "\"" + path("a tone.wav") + "\"";
    }
    static std::string query(const std::string& command) {
        std::string reply = "untouched";
        mci_send_string(command, &reply, 128);
        return reply;
    }
};

TEST_F(MciTest, ATrackPlaysToItsEndAndIsThenReportedStopped) {
    const std::string d = device(300);
    ASSERT_EQ(mci_send_string("open " + d), kMciNoError);
    EXPECT_EQ(mci_send_string("set " + d + " time format milliseconds"), kMciNoError);
    EXPECT_EQ(query("status " + d + " length"), "300");
    EXPECT_EQ(query("status " + d + " mode"), "stopped");
    ASSERT_EQ(mci_send_string("play " + d), kMciNoError);
    EXPECT_EQ(query("status " + d + " mode"), "playing");
    std::string mode;
    for (int i = 0; i < 150 && mode != "stopped"; ++i) {
        QThread::msleep(20);
        mode = query("status " + d + " mode");
    }
    EXPECT_EQ(mode, "stopped");
    EXPECT_EQ(mci_send_string("close " + d), kMciNoError);
    EXPECT_EQ(open_mci_devices(), 0u);
}

TEST_F(MciTest, PauseSeekAndStopChangeTheMode) {
    const std::string d = device(3000);
    ASSERT_EQ(mci_send_string("open " + d), kMciNoError);
    ASSERT_EQ(mci_send_string("play " + d), kMciNoError);
    EXPECT_EQ(mci_send_string("pause " + d), kMciNoError);
    EXPECT_EQ(query("status " + d + " mode"), "paused");
    EXPECT_EQ(mci_send_string("seek " + d + " to 1500"), kMciNoError);
    EXPECT_EQ(query("status " + d + " mode"), "paused");
    EXPECT_EQ(mci_send_string("seek " + d + " to soon"), 300u);
    EXPECT_EQ(mci_send_string("play " + d), kMciNoError);
    EXPECT_EQ(query("status " + d + " mode"), "playing");
    EXPECT_EQ(mci_send_string("stop " + d), kMciNoError);
    EXPECT_EQ(query("status " + d + " mode"), "stopped");
}

TEST_F(MciTest, BadDevicesAndCommandsFailWithoutEffect) {
    // A file that is no media opens but will not play.
    write_file("notes.mp3", "this is plain text, not sound");
    const std::string junk = "\"" + path("notes.mp3") + "\"";
    EXPECT_EQ(mci_send_string("open " + junk), kMciNoError);
    EXPECT_NE(mci_send_string("play " + junk), kMciNoError);
    EXPECT_EQ(query("status " + junk + " length"), "0");
    EXPECT_EQ(mci_send_string("close " + junk), kMciNoError);

    const std::string missing = "\"" + path("gone.wav") + "\"";
    EXPECT_NE(mci_send_string("open " + missing), kMciNoError);
    for (const char* verb : {"play ", "pause ", "stop ", "close "})
        EXPECT_EQ(mci_send_string(verb + missing), kMciInvalidDeviceName) << verb;
    EXPECT_EQ(query("status " + missing + " mode"), "");
    EXPECT_EQ(mci_send_string("rewind " + device(100)), kMciInvalidDeviceName);
    EXPECT_EQ(mci_send_string(""), kMciUnrecognizedCommand);
    EXPECT_EQ(open_mci_devices(), 0u);
}

TEST_F(MciTest, AReplyIsCutToTheBufferCapacity) {
    const std::string d = device(300);
    ASSERT_EQ(mci_send_string("open " + d), kMciNoError);
    ASSERT_EQ(mci_send_string("play " + d), kMciNoError);
    std::string reply;
    mci_send_string("status " + d + " mode", &reply, 4);
    EXPECT_EQ(reply, "pla");
    EXPECT_NE(mci_send_string("open " + d), kMciNoError);  // already open
}

}  // namespace
