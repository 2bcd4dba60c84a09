#pragma once

namespace dezu::app {

// The process entry: creates the services and the program, loads the hidden
// launcher (whose created handler is the start-up sequence) and runs the event
// loop until exit_program ends it. Needs the application object.
int image_entry();

}  // namespace dezu::app
