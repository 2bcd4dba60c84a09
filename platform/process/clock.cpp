#include "platform/process/clock.h"

namespace dezu::process {
namespace {
std::optional<QDateTime> fixed_now;
}

QDateTime now() {
    return fixed_now ? *fixed_now : QDateTime::currentDateTime();
}

void set_now_for_test(std::optional<QDateTime> fixed) {
    fixed_now = std::move(fixed);
}

}  // namespace dezu::process
