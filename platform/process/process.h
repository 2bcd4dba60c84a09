#pragma once

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

// The directory of the program file, by the bytes of its name, whatever their
// encoding: no trailing "/" except for the root.
std::string program_directory();

// The program file's name alone, such as "dezu".
std::string program_file_name();

}  // namespace dezu::process
