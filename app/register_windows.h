#pragma once

class Program;

// Registers the factory of every window of the program, each handed the
// owner objects it shows.
void register_all_windows(Program& program);

// Until every window is handed its owner objects: the factories of the
// windows that find their state on their own.
void register_all_windows();
