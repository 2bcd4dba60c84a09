#pragma once

#include <functional>
#include <string>

namespace dezu::process {

// Ends the program. The program's own one leaves the event loop, so that the
// objects that run slow work can finish or cancel it before the process ends;
// windows get no closing handlers. Tests record the call instead.
class ProcessControl {
public:
    virtual ~ProcessControl() = default;
    virtual void end_process(int exit_code) = 0;
};

class EventLoopExit final : public ProcessControl {
public:
    void end_process(int exit_code) override;
};

// The directory of the program file as the system gives it: no trailing "/"
// except for the root.
std::string program_directory();

// The program file's name alone, such as "dezu".
std::string program_file_name();

// Tests run the program's code from a directory of their own.
void set_program_location_for_test(const std::string& directory, const std::string& file_name);

// Registers the routine that runs once when the process ends.
void register_exit_routine(void (*routine)());

// Ends the process at once with the exit code; windows get no closing
// handlers, the exit routines run.
[[noreturn]] void end_process(int exit_code);

// Tests catch the end of the process: the hook runs in place of exiting and
// end_process then unwinds with ProcessEnded.
struct ProcessEnded {
    int exit_code;
};
void set_end_process_hook_for_test(std::function<void(int)> hook);

}  // namespace dezu::process
