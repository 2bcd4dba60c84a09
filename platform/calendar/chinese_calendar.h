#pragma once

#include <optional>

class QDate;

namespace dezu::calendar {

// A day of the Chinese lunisolar calendar.
struct LunarDate {
    int month = 0;      // 1 (正月) .. 12
    bool leap = false;  // an intercalary month, which repeats the month before it
    int day = 0;        // 1 .. 30
};

// The Chinese calendar date of a civil date; nothing when the date is
// invalid or outside what the calendar data covers.
std::optional<LunarDate> chinese_date(const QDate& date);

}  // namespace dezu::calendar
