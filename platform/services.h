#pragma once

#include <string>
#include <string_view>

namespace dezu {

namespace process {
class Clock;
class ProcessControl;
}  // namespace process
namespace ui {
class Prompts;
class FailureReporter;
class WindowSystem;
class PrinterChoice;
}  // namespace ui
namespace desktop {
class DesktopSetter;
}
namespace shell {
class ShellActions;
}

// Where the program lives: the one program-wide value. Every file of the
// program is this folder plus a fixed name.
struct ProgramSite {
    std::string dir;               // always ends in "/"
    std::string file_name;         // the program file's name alone, such as "dezu"
    bool opacity_enabled = false;  // windows can be made translucent here

    std::string path(std::string_view name) const { return dir + std::string(name); }
    std::string program_path() const { return dir + file_name; }
};

// The services that reach outside the program. The program hands in the
// real ones; tests hand in their own, so that nothing is shut down, no modal
// dialog waits for a user and no test changes the real desktop.
struct Services {
    process::Clock& clock;
    ui::Prompts& prompts;
    ui::FailureReporter& failures;
    process::ProcessControl& process;
    desktop::DesktopSetter& desktop;
    shell::ShellActions& shell;
    ui::WindowSystem& window_system;  // the pointer, the screens, the foreground
    ui::PrinterChoice& printer;
};

}  // namespace dezu
