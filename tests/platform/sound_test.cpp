#include "platform/media/sound.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "support/program_dir.h"
#include "support/sound_log.h"

using dezu::media::SoundPlayer;

namespace {

// A short 8-bit mono WAV of a rising tone.
std::string tone_wav(int samples) {
    auto u32 = [](std::uint32_t v) {
        std::string s(4, '\0');
        for (int i = 0; i < 4; ++i) s[i] = char((v >> (8 * i)) & 0xFF);
        return s;
    };
    std::string data;
    for (int i = 0; i < samples; ++i) data += char(128 + ((i * 7) % 64) - 32);
    return "RIFF" + u32(36 + samples) + "WAVEfmt " + u32(16) + std::string("\x01\x00\x01\x00", 4) +
           u32(11025) + u32(11025) + std::string("\x01\x00\x08\x00", 4) + "data" + u32(samples) +
           data;
}

// One middle C, a quarter note long.
std::string one_note_midi() {
    const std::string track("\x00\x90\x3C\x64\x60\x80\x3C\x40\x00\xFF\x2F\x00", 12);
    return std::string("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60", 14) + "MTrk" +
           std::string("\x00\x00\x00", 3) + char(track.size()) + track;
}

}  // namespace

// Sounds play silently into a fake sink; what became of each is what the
// player tells.
class SoundTest : public ProgramDirTest {
protected:
    FakeAudioOutput output;
    SoundPlayer player;
    SoundLog log{player};
};

TEST_F(SoundTest, PlaysSoundsHeldInMemoryOrInFiles) {
    write_file("tone.wav", tone_wav(4000));
    write_file("note.mid", one_note_midi());
    write_file("noise.wav", std::string("RIFF\x10\x00\x00\x00WAVEjunkjunkjunk", 24));
    const struct {
        const char* what;
        bool from_file;
        std::string sound;  // bytes or a file name
        bool plays;
    } cases[] = {
        {"WAV bytes", false, tone_wav(4000), true},
        {"WAV file", true, "tone.wav", true},
        {"MIDI file", true, "note.mid", true},
        {"damaged bytes", false, std::string("RIFF\x10\x00\x00\x00WAVEjunk", 16), false},
        {"damaged file", true, "noise.wav", false},
        {"missing file", true, "none.wav", false},
        {"no bytes", false, "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        log.clear();
        if (c.from_file)
            player.play_file(path(c.sound));
        else
            player.play_bytes(c.sound);
        const auto ended = log.after_playing();
        ASSERT_EQ(ended.size(), 1u);
        EXPECT_EQ(ended[0].file, c.from_file ? path(c.sound) : "");
        EXPECT_EQ(ended[0].bytes, c.from_file ? 0 : qint64(c.sound.size()));
        EXPECT_EQ(ended[0].played, c.plays);
    }
}

TEST_F(SoundTest, ReturnsBeforeTheSoundEndsAndStopsWithThePlayer) {
    // Five seconds of sound into a sink that keeps time.
    FakeAudioOutput real_time("fakesink sync=true");
    const std::string long_tone = tone_wav(5 * 11025);
    QElapsedTimer timer;
    timer.start();
    {
        SoundPlayer short_lived;
        short_lived.play_bytes(long_tone);
        EXPECT_LT(timer.elapsed(), 1000);
        run_timer_periods(20, 10);
        EXPECT_EQ(short_lived.playing(), 1u);
    }
    // Its end stopped the sound without waiting for it.
    EXPECT_LT(timer.elapsed(), 3000);
}
