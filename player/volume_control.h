#pragma once

#include <cstdint>

class QLabel;
class QWidget;

// The player bar's volume: the fill label's width shows the level, 42 pixels
// for the highest level, 127. The mouse wheel over the fill steps it by 5;
// pressing and dragging on the fill or its track sets it from the pointer.
// Every change sets the wave and the MIDI output alike.

inline constexpr int kVolumeFullWidth = 42;
inline constexpr int kVolumeTop = 127;

// Puts the wheel handling on the fill label, for the life of the label.
void install_volume_procedure(QLabel* fill);

// The fill's replaced window procedure: WM_MOUSEWHEEL steps the level (a
// positive wParam raises it) and answers 0; any other message goes on to the
// label's own handling (answer -1 here: not handled).
std::intptr_t volume_label_wndproc(QWidget* window, unsigned message, std::intptr_t wparam,
                                   std::intptr_t lparam);

void apply_volume_level();
std::uint32_t replicate_volume_byte(std::int16_t b);
int read_wave_volume_percent();
int hex_high_byte(std::uint32_t word);

// Sets the fill's start width and g_volume_level from the wave volume.
void init_volume_from_system(QLabel* fill);

// The drag handlers; x is in the receiving control's own pixels.
void volume_fill_mouse_down();
void volume_fill_mouse_move(QLabel* fill, int x);
void volume_fill_mouse_up(QLabel* fill, int x);
void volume_track_mouse_down();
void volume_track_mouse_move(QLabel* fill, int x);
void volume_track_mouse_up(QLabel* fill, int x);
