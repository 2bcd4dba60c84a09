#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Short sounds (the clock's chime): each call starts the sound and returns at
// once; the sound plays on the media framework's own threads. A sound that
// cannot be played (a missing file, damaged data) plays nothing and is not
// reported.
namespace dezu::media {

// A whole WAV file held in memory.
void play_sound_bytes(const std::string& wav);

// A sound file: WAV, MIDI or any other audio format the system can decode.
void play_sound_file(const std::string& path);

// What became of each sound started since the log was last cleared (tests).
struct PlayedSound {
    enum class State { Playing, Finished, Failed };
    std::string file;       // the path, or empty for bytes
    std::size_t bytes = 0;  // the size of the bytes played
    State state = State::Playing;
};
std::vector<PlayedSound> sounds_played_for_test();
void clear_sounds_played_for_test();

// The audio output sounds play into, as a media element description:
// "fakesink" plays silently and as fast as it can, "fakesink sync=true" in
// real time. Empty: the description in the environment variable
// DEZU_AUDIO_SINK, else the desktop's own output.
void set_audio_sink_for_test(const std::string& element);

// The audio output description in force by the rule above: empty for the
// desktop's own output. Tracks (mci.h) play into it as well.
std::string audio_sink_description();

}  // namespace dezu::media
