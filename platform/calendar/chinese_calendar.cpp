#include "platform/calendar/chinese_calendar.h"

#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <QDate>
#include <memory>

namespace dezu::calendar {

std::optional<LunarDate> chinese_date(const QDate& date) {
    if (!date.isValid()) return std::nullopt;
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

}  // namespace dezu::calendar
