#include "platform/ui/messages.h"

namespace dezu::ui {

std::intptr_t send_message(QWidget* target, unsigned message, std::intptr_t wparam,
                           std::intptr_t lparam) {
    if (!target) return 0;
    std::intptr_t answer = 0;
    if (detail::edit_message(target, message, wparam, lparam, answer)) return answer;
    if (detail::list_message(target, message, wparam, lparam, answer)) return answer;
    if (detail::window_message(target, message, wparam, lparam, answer)) return answer;
    return 0;
}

}  // namespace dezu::ui
