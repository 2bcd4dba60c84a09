#pragma once

#include "platform/desktop/desktop_setter.h"
#include "platform/process/clock.h"
#include "platform/process/process.h"
#include "platform/services.h"
#include "platform/shell/shell_actions.h"
#include "platform/ui/failures.h"
#include "platform/ui/printer_choice.h"
#include "platform/ui/prompts.h"
#include "platform/ui/window_system.h"

namespace dezu::app {

// The real services, which reach the desktop, the user and the system.
struct LiveServices {
    dezu::process::SystemClock clock;
    dezu::ui::DialogPrompts prompts;
    dezu::ui::FailureReporter failures{prompts};
    dezu::process::EventLoopExit process;
    dezu::desktop::LiveDesktop desktop;
    dezu::shell::DesktopShell shell{prompts};
    dezu::ui::LiveWindowSystem window_system;
    dezu::ui::DefaultPrinter printer;

    dezu::Services services() {
        return {clock, prompts, failures, process, desktop, shell, window_system, printer};
    }
};

}  // namespace dezu::app
