#pragma once

// The process entry: creates the globals, loads the hidden launcher (whose
// created handler is the start-up sequence) and runs the message loop.
// Needs the application object and the registered windows.
int image_entry();

// The start-up sequence: LauncherWindow's created handler.
void init_launcher();

// Removes the tray icon and ends the process with code 0 at once; no window's
// closing handler runs.
[[noreturn]] void exit_program();
