#pragma once

// Registers the factory of every window of the program.
void register_all_windows();
