#pragma once

#include <QDateTime>

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

}  // namespace dezu::process
