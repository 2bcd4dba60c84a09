#include "platform/calendar/chinese_calendar.h"

#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <QDate>
#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <memory>

namespace dezu::calendar {

namespace {

// The lunar years 1900..2100 as the observatories publish them: a month
// start is the civil day of the new moon in Beijing, and a new moon close
// to midnight lands on the day of record, which astronomy alone can miss.
// Bits 0..12 are the year's months in order, the leap month in its place,
// set for 30 days and clear for 29; bits 13..16 name the month that the
// leap month repeats, 0 when the year has none.
constexpr std::uint32_t kYears[] = {
    0x116d2, 0x00752, 0x00ea5, 0x0b64a, 0x0064b, 0x00a9b, 0x09556, 0x0056a, 0x00b59, 0x05752,
    0x00752, 0x0db25, 0x00b25, 0x00a4b, 0x0b4ab, 0x002ad, 0x0056b, 0x04b69, 0x00da9, 0x0fd92,
    0x00e92, 0x00d25, 0x0ba4d, 0x00a56, 0x002b6, 0x095b5, 0x006d4, 0x00ea9, 0x05e92, 0x00e92,
    0x0cd26, 0x0052b, 0x00a57, 0x0b2b6, 0x00b5a, 0x006d4, 0x06ec9, 0x00749, 0x0f693, 0x00a93,
    0x0052b, 0x0ca5b, 0x00aad, 0x0056a, 0x09b55, 0x00ba4, 0x00b49, 0x05a93, 0x00a95, 0x0f52d,
    0x00536, 0x00aad, 0x0b5aa, 0x005b2, 0x00da5, 0x07d4a, 0x00d4a, 0x10a95, 0x00a97, 0x00556,
    0x0cab5, 0x00ad5, 0x006d2, 0x08ea5, 0x00ea5, 0x0064a, 0x06c97, 0x00a9b, 0x0f55a, 0x0056a,
    0x00b69, 0x0b752, 0x00b52, 0x00b25, 0x0964b, 0x00a4b, 0x114ab, 0x002ad, 0x0056d, 0x0cb69,
    0x00da9, 0x00d92, 0x09d25, 0x00d25, 0x15a4d, 0x00a56, 0x002b6, 0x0c5b5, 0x006d5, 0x00ea9,
    0x0be92, 0x00e92, 0x00d26, 0x06a56, 0x00a57, 0x114d6, 0x0035a, 0x006d5, 0x0b6c9, 0x00749,
    0x00693, 0x0952b, 0x0052b, 0x00a5b, 0x0555a, 0x0056a, 0x0fb55, 0x00ba4, 0x00b49, 0x0ba93,
    0x00a95, 0x0052d, 0x08aad, 0x00ab5, 0x135aa, 0x005d2, 0x00da5, 0x0dd4a, 0x00d4a, 0x00c95,
    0x0952e, 0x00556, 0x00ab5, 0x055b2, 0x006d2, 0x0cea5, 0x00725, 0x0064b, 0x0ac97, 0x00cab,
    0x0055a, 0x06ad6, 0x00b69, 0x17752, 0x00b52, 0x00b25, 0x0da4b, 0x00a4b, 0x004ab, 0x0a55b,
    0x005ad, 0x00b6a, 0x05b52, 0x00d92, 0x0fd25, 0x00d25, 0x00a55, 0x0b4ad, 0x004b6, 0x005b5,
    0x06daa, 0x00ec9, 0x11e92, 0x00e92, 0x00d26, 0x0ca56, 0x00a57, 0x004d6, 0x086d5, 0x00755,
    0x00749, 0x06e93, 0x00693, 0x0f52b, 0x0052b, 0x00a5b, 0x0b55a, 0x0056a, 0x00b65, 0x0974a,
    0x00b4a, 0x11a95, 0x00a95, 0x0052d, 0x0caad, 0x00ab5, 0x005aa, 0x08ba5, 0x00da5, 0x00d4a,
    0x07c95, 0x00c96, 0x0f94e, 0x00556, 0x00ab5, 0x0b5b2, 0x006d2, 0x00ea5, 0x08e4a, 0x0068b,
    0x10c97, 0x004ab, 0x0055b, 0x0cad6, 0x00b6a, 0x00752, 0x09725, 0x00b45, 0x00a8b, 0x0549b,
    0x004ab,
};
constexpr int kFirstYear = 1900;
constexpr int kYearCount = int(std::size(kYears));
constexpr std::int64_t kFirstNewYear = 2415051;  // Julian day of 1900-01-31
static_assert(kFirstYear + kYearCount - 1 == 2100);

constexpr int leap_month_of(std::uint32_t year) {
    return int(year >> 13) & 0xf;
}
constexpr int months_of(std::uint32_t year) {
    return leap_month_of(year) ? 13 : 12;
}
constexpr int month_length(std::uint32_t year, int index) {
    return (year >> index) & 1 ? 30 : 29;
}

constexpr std::array<std::int64_t, kYearCount + 1> kNewYears = [] {
    std::array<std::int64_t, kYearCount + 1> starts{};
    starts[0] = kFirstNewYear;
    for (int y = 0; y < kYearCount; ++y) {
        starts[y + 1] = starts[y];
        for (int m = 0; m < months_of(kYears[y]); ++m) starts[y + 1] += month_length(kYears[y], m);
    }
    return starts;
}();
// The last lunar year of the table ends on 2101-01-28.
static_assert(kNewYears[kYearCount] == 2488463);

LunarDate from_table(std::int64_t day, int year_index) {
    const std::uint32_t year = kYears[year_index];
    const int leap = leap_month_of(year);
    std::int64_t offset = day - kNewYears[year_index];
    int index = 0;
    while (offset >= month_length(year, index)) offset -= month_length(year, index++);
    LunarDate lunar;
    lunar.leap = leap && index == leap;
    lunar.month = leap && index >= leap ? index : index + 1;
    lunar.day = int(offset) + 1;
    return lunar;
}

std::optional<LunarDate> from_icu(const QDate& date) {
    // Creating a calendar loads its data; a month view asks for 42 days at a
    // time, so each thread keeps one.
    thread_local std::unique_ptr<icu::Calendar> chinese = [] {
        UErrorCode created = U_ZERO_ERROR;
        // The civil date's midnight is read in UTC; the calendar itself
        // reckons new moons in China's time.
        std::unique_ptr<icu::Calendar> c(icu::Calendar::createInstance(
            icu::TimeZone::getGMT()->clone(), icu::Locale("zh_CN@calendar=chinese"), created));
        return U_SUCCESS(created) ? std::move(c) : nullptr;
    }();
    if (!chinese) return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    const double ms = double(date.toJulianDay() - QDate(1970, 1, 1).toJulianDay()) * 86400000.0;
    chinese->setTime(ms, status);
    LunarDate lunar;
    lunar.month = chinese->get(UCAL_MONTH, status) + 1;
    lunar.leap = chinese->get(UCAL_IS_LEAP_MONTH, status) != 0;
    lunar.day = chinese->get(UCAL_DATE, status);
    if (U_FAILURE(status)) return std::nullopt;
    return lunar;
}

}  // namespace

std::optional<LunarDate> chinese_date(const QDate& date) {
    if (!date.isValid()) return std::nullopt;
    const std::int64_t day = date.toJulianDay();
    if (day >= kNewYears.front() && day < kNewYears.back()) {
        const auto next = std::upper_bound(kNewYears.begin(), kNewYears.end(), day);
        return from_table(day, int(next - kNewYears.begin()) - 1);
    }
    // Far from today only the astronomical reckoning is left.
    return from_icu(date);
}

}  // namespace dezu::calendar
