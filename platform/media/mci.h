#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A command-string media service in the manner of the classic MCI: each open
// device is a media file named by its quoted path ("open \"/a b.mp3\""), and
// every later command names it the same way. Commands return 0 on success and
// an error code otherwise. They return promptly: playback runs on the media
// framework's own threads, and the end of a track is seen by asking for the
// device's mode, which answers "stopped" once it has played to its end.
namespace dezu::media {

inline constexpr std::uint32_t kMciNoError = 0;
inline constexpr std::uint32_t kMciUnrecognizedCommand = 261;
inline constexpr std::uint32_t kMciInvalidDeviceName = 263;
inline constexpr std::uint32_t kMciCannotLoadDriver = 266;
inline constexpr std::uint32_t kMciDeviceNotReady = 276;
inline constexpr std::uint32_t kMciCannotPlay = 277;

// The forms understood: "open D", "set D time format milliseconds",
// "status D length" (decimal milliseconds), "status D mode" ("playing",
// "paused" or "stopped"), "play D", "pause D", "seek D to N", "stop D" and
// "close D". A reply, when the command has one, replaces `reply`, cut to
// capacity - 1 bytes as a C buffer of that capacity would hold it; a failed
// query leaves `reply` empty.
std::uint32_t mci_send_string(const std::string& command, std::string* reply = nullptr,
                              std::size_t capacity = 0);

// How many devices are open (tests).
std::size_t open_mci_devices();

// Closes every open device (tests).
void close_all_mci_devices();

// The output volume, as the classic 32-bit word whose low and high halves
// are the left and right channel, 0..0xFFFF each. Wave output (every track
// played here) and MIDI output have a word each; the wave word starts at full
// volume. Only the wave word is heard: MIDI tracks play through the wave
// output too.
std::uint32_t wave_out_volume();
void set_wave_out_volume(std::uint32_t word);
std::uint32_t midi_out_volume();
void set_midi_out_volume(std::uint32_t word);

}  // namespace dezu::media
