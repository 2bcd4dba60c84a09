#pragma once

#include <cstdint>
#include <string>

// Plays the track list one file at a time through the media service, keeping
// its state in the shared globals (g_current_track_index, g_track_open, ...)
// and showing it on the player bar: the play/pause face, the time label and
// its tooltip, the progress fill and the one-second tick.

// Starts the file of the row. Callers set g_current_track_index to the row
// first. A row whose file is missing or will not play is deselected and the
// next row is tried by the play mode.
void play_track_at(std::int32_t row);

// Plays the next row: by the loop rule when forced, else by g_play_mode.
void advance_track(bool forced);

// Stops and closes the current track.
void stop_playback();

// Pauses or resumes the open track; with none open, starts the current row.
void toggle_play_pause();

// Sets the bar's play/pause button to the pause face (true) or the play face.
void show_pause_face(bool pause);

// Gives the volume fill the input focus, so that wheel turns reach it.
void focus_volume_fill();

// The device name of a path: the path in double quotes.
std::string mci_device_name_for(const std::string& path);
