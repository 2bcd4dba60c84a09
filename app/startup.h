#pragma once

// The start-up sequence: LauncherWindow's created handler.
void init_launcher();

// Removes the tray icon and ends the process with code 0 at once; no window's
// closing handler runs.
[[noreturn]] void exit_program();
