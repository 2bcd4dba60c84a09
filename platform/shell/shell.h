#pragma once

#include <string>

// The desktop's own programs for what the classic shell did itself. Each
// starts its program and returns at once; none of them shows a message.
namespace dezu::shell {

// Starts the desktop's settings program, the first of the usual ones found.
// False when none is installed or it cannot be started.
[[nodiscard]] bool open_settings_program();

// Starts the screen saver now.
[[nodiscard]] bool start_screen_saver();

// Asks the session to power the machine off: logind over the system bus, or
// `systemctl poweroff` when logind cannot be reached. A refusal (the user
// declines to authorise it) leaves the machine running.
void power_off();

// Opens a file, folder or URL with its default program.
[[nodiscard]] bool open_document(const std::string& target);

// Starts a command line: a program, by name on PATH or by path, with its
// arguments quoted as in a shell. False when it cannot be started.
[[nodiscard]] bool start_command_line(const std::string& line);

}  // namespace dezu::shell
