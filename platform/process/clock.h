#pragma once

#include <QDateTime>
#include <optional>

namespace dezu::process {

// The current local time; tests may fix it.
QDateTime now();
void set_now_for_test(std::optional<QDateTime> fixed);

}  // namespace dezu::process
