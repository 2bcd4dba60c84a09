#include "platform/ui/messages.h"

namespace dezu::ui::detail {

bool list_message(QWidget*, unsigned, std::intptr_t, std::intptr_t, std::intptr_t&) { return false; }

}  // namespace dezu::ui::detail
