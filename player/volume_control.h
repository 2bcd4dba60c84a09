#pragma once

// The player bar's volume: the fill label's width shows the level, 42 pixels
// for the highest level, 127. The mouse wheel over the fill steps it by 5;
// pressing and dragging on the fill or its track sets it from the pointer.
// A level sets the output volume to twice the level out of 255.

namespace dezu::player {

inline constexpr int kVolumeFullWidth = 42;
inline constexpr int kVolumeTop = 127;

int width_for_level(int level);
int level_for_width(int width);

// The level after a wheel turn: a turn away from the user raises it by 5 up
// to 127, any other lowers it by 5 down to 1.
int wheel_level(int level, int turn);

// The output volume (0.0 to 1.0) the level sets.
double volume_for_level(int level);

// The fill's width at the start, from the output volume as it stands.
int start_width(double volume);

}  // namespace dezu::player
