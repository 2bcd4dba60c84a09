#pragma once

#include <string>

// The log-on start entry of the program: the XDG autostart file
// $XDG_CONFIG_HOME/autostart/Tools.desktop (~/.config when unset), whose
// Exec line names the program's full path. Failures are not reported.
namespace dezu::autostart {

std::string entry_path();

bool autostart_exists();

// The program path the entry starts; empty when there is none.
std::string read_autostart();

// Creates or replaces the entry so that it starts the given program.
void write_autostart(const std::string& program_path);

void delete_autostart();

}  // namespace dezu::autostart
