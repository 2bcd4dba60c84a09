#pragma once

#include <functional>

namespace dezu::process {

// Runs the routine on a thread of its own; nothing waits for it.
void start_thread(std::function<void()> routine);

}  // namespace dezu::process
