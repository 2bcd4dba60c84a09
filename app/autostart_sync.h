#pragma once

#include <string>

// The program's full path: g_program_dir + the program file's name.
std::string program_full_path();

// Makes the log-on start entry name this program, writing it only when it is
// missing or differs (letter case included).
void sync_autostart_value();

// Removes the log-on start entry if there is one.
void delete_autostart_value();
