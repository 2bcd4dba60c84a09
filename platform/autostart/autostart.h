#pragma once

#include <string>

// The log-on start entry of the program: the XDG autostart file
// $XDG_CONFIG_HOME/autostart/Tools.desktop (~/.config when unset), whose
// Exec line names the program's full path: quoted when the path is text an
// entry can hold, else through /bin/sh, which makes the path's bytes from
// octal escapes.
namespace dezu::autostart {

std::string entry_path();

bool autostart_exists();

// The program path the entry starts; empty when there is none.
std::string read_autostart();

// Creates or replaces the entry so that it starts the given program. False
// when it could not be written; an entry that was there stays as it was.
[[nodiscard]] bool write_autostart(const std::string& program_path);

// False when an entry is there and could not be removed.
[[nodiscard]] bool delete_autostart();

}  // namespace dezu::autostart
