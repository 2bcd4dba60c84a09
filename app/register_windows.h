#pragma once

namespace dezu::app {

class Program;

// Registers the factory of every window of the program, each handed the
// owner objects it shows.
void register_all_windows(Program& program);

}  // namespace dezu::app
