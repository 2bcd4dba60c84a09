#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The program-wide state that the windows share, in one place. Texts are
// UTF-8; byte data holds whole files (pictures, image lists). The arrays are
// std::vectors, so entry number n of a list is element n - 1.

using Bytes = std::string;

extern std::string g_program_dir;  // always ends in "/"
extern bool g_window_opacity_enabled;
extern std::int32_t g_current_track_index;
extern std::string g_playlist_path;
extern std::string g_mci_device_name;
extern std::string g_length_buffer;
extern std::int32_t g_track_length_seconds;
extern bool g_track_open;
extern bool g_paused;
extern std::int32_t g_elapsed_minutes;
extern std::int32_t g_elapsed_seconds;
extern std::string g_play_mode;
extern std::int32_t g_elapsed_total_seconds;
extern std::string g_mode_buffer;
extern std::intptr_t g_volume_wndproc_thunk;  // the volume label's event filter, when installed
extern std::int32_t g_previous_label_wndproc;
extern std::int32_t g_volume_level;
extern bool g_list_drag_active;
extern std::int32_t g_list_drag_index;
extern std::string g_list_drag_text;
extern bool g_volume_drag_active;
extern bool g_seek_drag_active;
extern bool g_resume_after_seek;

void init_globals();

// Frees the texts, byte data and arrays; runs at process exit.
void free_globals();

// Every global back to its initial value (tests).
void reset_globals_for_test();

// The settings file: g_program_dir + "clock.ini". Every window names it so,
// whatever spelling it grew up with, so that all of them share one file.
std::string clock_ini_path();
