#pragma once

#include <QDateTime>
#include <optional>

namespace dezu::process {

// The local time as the program sees it. The program reads the system's;
// tests hand in one they set.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

// Until every caller is handed its Clock: the current local time, or the one
// a test fixed.
QDateTime now();
void set_now_for_test(std::optional<QDateTime> fixed);

}  // namespace dezu::process
