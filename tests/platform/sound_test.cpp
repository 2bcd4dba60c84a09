#include "platform/media/sound.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "support/program_dir.h"
#include "support/silent_sounds.h"

using dezu::media::PlayedSound;

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

class SoundTest : public ProgramDirTest {
protected:
    // How the one sound started last ended.
    static PlayedSound::State outcome() {
        const auto log = SilentSounds::after_playing();
        return log.empty() ? PlayedSound::State::Failed : log.back().state;
    }

    SilentSounds sounds_;
};

TEST_F(SoundTest, PlaysSoundsHeldInMemoryOrInFiles) {
    write_file("tone.wav", tone_wav(4000));
    write_file("note.mid", one_note_midi());
    write_file("noise.wav", "RIFF\x10\x00\x00\x00WAVEjunkjunkjunk");
    const struct {
        const char* what;
        bool from_file;
        std::string sound;  // bytes or a file name
        PlayedSound::State ends;
    } cases[] = {
        {"WAV bytes", false, tone_wav(4000), PlayedSound::State::Finished},
        {"WAV file", true, "tone.wav", PlayedSound::State::Finished},
        {"MIDI file", true, "note.mid", PlayedSound::State::Finished},
        {"damaged bytes", false, "RIFF\x10\x00\x00\x00WAVEjunk", PlayedSound::State::Failed},
        {"damaged file", true, "noise.wav", PlayedSound::State::Failed},
        {"missing file", true, "none.wav", PlayedSound::State::Failed},
        {"no bytes", false, "", PlayedSound::State::Failed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        dezu::media::clear_sounds_played_for_test();
        if (c.from_file)
            dezu::media::play_sound_file(path(c.sound));
        else
            dezu::media::play_sound_bytes(c.sound);
        const auto log = dezu::media::sounds_played_for_test();
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0].file, c.from_file ? path(c.sound) : "");
        EXPECT_EQ(log[0].bytes, c.from_file ? 0 : c.sound.size());
        EXPECT_EQ(outcome(), c.ends);
    }
}

TEST_F(SoundTest, ReturnsBeforeTheSoundEnds) {
    // Five seconds of sound into a sink that keeps time.
    dezu::media::set_audio_sink_for_test("fakesink sync=true");
    const std::string long_tone = tone_wav(5 * 11025);
    QElapsedTimer timer;
    timer.start();
    dezu::media::play_sound_bytes(long_tone);
    EXPECT_LT(timer.elapsed(), 1000);
    process_events(200);
    EXPECT_EQ(dezu::media::sounds_played_for_test().back().state, PlayedSound::State::Playing);
}
