#include "platform/process/thread.h"

#include <thread>

namespace dezu::process {

void start_thread(std::function<void()> routine) {
    std::thread(std::move(routine)).detach();
}

}  // namespace dezu::process
