#include <QWidget>
#include <QWindow>

#include "platform/shell/shell.h"
#include "platform/ui/messages.h"

namespace dezu::ui::detail {

bool window_message(QWidget* target, unsigned message, std::intptr_t wparam, std::intptr_t,
                    std::intptr_t& answer) {
    // No window of ours handles it itself: this is the default handling.
    if (message == WM_SYSCOMMAND && wparam == SC_SCREENSAVE) {
        shell::start_screen_saver();
        answer = 0;
        return true;
    }
    // A press on the caption: the window manager moves the window with the
    // pointer until the button is released.
    if (message == WM_NCLBUTTONDOWN && wparam == HTCAPTION && target) {
        if (QWindow* handle = target->window()->windowHandle()) handle->startSystemMove();
        answer = 0;
        return true;
    }
    return false;
}

}  // namespace dezu::ui::detail
