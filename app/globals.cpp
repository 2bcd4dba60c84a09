#include "app/globals.h"

std::string g_program_dir;
bool g_window_opacity_enabled = false;
std::int32_t g_current_track_index = 0;
std::string g_playlist_path;
std::string g_mci_device_name;
std::string g_length_buffer;
std::int32_t g_track_length_seconds = 0;
bool g_track_open = false;
bool g_paused = false;
std::int32_t g_elapsed_minutes = 0;
std::int32_t g_elapsed_seconds = 0;
std::string g_play_mode;
std::int32_t g_elapsed_total_seconds = 0;
std::string g_mode_buffer;
std::intptr_t g_volume_wndproc_thunk = 0;
std::int32_t g_previous_label_wndproc = 0;
std::int32_t g_volume_level = 0;
bool g_list_drag_active = false;
std::int32_t g_list_drag_index = 0;
std::string g_list_drag_text;
bool g_volume_drag_active = false;
bool g_seek_drag_active = false;
bool g_resume_after_seek = false;

void init_globals() {}

void free_globals() {
    for (std::string* text : {&g_program_dir, &g_playlist_path, &g_mci_device_name,
                              &g_length_buffer, &g_play_mode, &g_mode_buffer, &g_list_drag_text}) {
        std::string().swap(*text);
    }
}

void reset_globals_for_test() {
    free_globals();
    g_window_opacity_enabled = false;
    g_current_track_index = 0;
    g_track_length_seconds = 0;
    g_track_open = false;
    g_paused = false;
    g_elapsed_minutes = 0;
    g_elapsed_seconds = 0;
    g_elapsed_total_seconds = 0;
    g_volume_wndproc_thunk = 0;
    g_previous_label_wndproc = 0;
    g_volume_level = 0;
    g_list_drag_active = false;
    g_list_drag_index = 0;
    g_volume_drag_active = false;
    g_seek_drag_active = false;
    g_resume_after_seek = false;
    init_globals();
}

std::string clock_ini_path() {
    return g_program_dir + "clock.ini";
}
