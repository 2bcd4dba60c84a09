#pragma once

#include <string>

// Tick of the launcher's 时钟2: puts the next entry of the wallpaper list on
// the desktop and remembers its number; an empty list stops the timer.
void change_wallpaper_on_timer();

// The file that goes to the desktop for a listed picture: a BMP as it is,
// anything else converted to WALLPAPER.BMP in the program directory, or the
// listed path itself when the conversion fails.
std::string wallpaper_file_for(const std::string& picture_path);
