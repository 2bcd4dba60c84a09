#include <gtest/gtest.h>

#include <QImage>

#include "clock/lunar_calendar_window.h"
#include "clock/lunar_month_calendar.h"
#include "clock_test_support.h"
#include "platform/calendar/chinese_calendar.h"

using dezu::clock::lunar_day_text;
using dezu::clock::LunarCalendarWindow;
using dezu::clock::LunarMonthCalendar;

TEST(LunarDates, KnownDaysAndLeapMonths) {
    const struct {
        QDate date;
        int month;
        bool leap;
        int day;
        const char* text;
    } cases[] = {
        {{2026, 2, 17}, 1, false, 1, "正月"},    // the Spring Festival
        {{2026, 2, 16}, 12, false, 29, "廿九"},  // its eve: the twelfth month is short
        {{2025, 1, 28}, 12, false, 29, "廿九"},
        {{2023, 1, 21}, 12, false, 30, "三十"},
        {{2026, 12, 10}, 11, false, 2, "初二"},
        {{2026, 3, 3}, 1, false, 15, "十五"},
        {{2025, 7, 25}, 6, true, 1, "闰六月"},  // the leap sixth month
        {{2025, 7, 26}, 6, true, 2, "初二"},
        {{2025, 6, 25}, 6, false, 1, "六月"},  // the ordinary sixth month before it
        {{2023, 3, 22}, 2, true, 1, "闰二月"},
        {{2024, 1, 11}, 12, false, 1, "十二月"},
        {{2024, 12, 1}, 11, false, 1, "十一月"},
        {{2025, 1, 19}, 12, false, 20, "二十"},
        {{2025, 1, 20}, 12, false, 21, "廿一"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.date.toString(Qt::ISODate).toStdString());
        const auto lunar = dezu::calendar::chinese_date(c.date);
        ASSERT_TRUE(lunar.has_value());
        EXPECT_EQ(lunar->month, c.month);
        EXPECT_EQ(lunar->leap, c.leap);
        EXPECT_EQ(lunar->day, c.day);
        EXPECT_EQ(lunar_day_text(c.date), c.text);
    }
    EXPECT_FALSE(dezu::calendar::chinese_date(QDate()).has_value());
    // Far from today the text is still a lunar day, or nothing.
    for (QDate far : {QDate(1, 1, 1), QDate(9999, 12, 31), QDate(-4000, 6, 1)}) {
        const std::string text = lunar_day_text(far);
        EXPECT_TRUE(text.empty() || text.size() >= 6) << far.year();
    }
    EXPECT_EQ(lunar_day_text(QDate()), "");
}

// Month starts whose new moon lies within an hour of Beijing midnight, where
// an astronomical reckoning can put the month a day off; leap months; and the
// seams between the month table and the astronomical reckoning around it.
TEST(LunarDates, PublishedCalendarOnHardDays) {
    const struct {
        QDate date;
        int month;
        bool leap;
        int day;
    } cases[] = {
        {{1900, 1, 30}, 12, false, 30},  // before the table: reckoned astronomically
        {{1900, 1, 31}, 1, false, 1},    // first day of the table
        {{1901, 1, 1}, 11, false, 11},  {{1903, 1, 29}, 1, false, 1},
        {{1903, 6, 25}, 5, true, 1},    {{1904, 11, 7}, 10, false, 1},
        {{1906, 4, 24}, 4, false, 1},   {{1908, 6, 29}, 6, false, 1},
        {{1911, 12, 20}, 11, false, 1}, {{1914, 6, 23}, 5, true, 1},
        {{1914, 11, 17}, 10, false, 1}, {{1916, 2, 3}, 1, false, 1},
        {{1917, 3, 23}, 2, true, 1},  // 闰二月
        {{1919, 8, 25}, 7, true, 1},    {{1920, 11, 10}, 10, false, 1},
        {{1922, 6, 25}, 5, true, 1},  // 闰五月
        {{1923, 11, 8}, 10, false, 1},  {{1925, 5, 22}, 4, true, 1},
        {{1927, 10, 25}, 10, false, 1}, {{1933, 7, 23}, 6, false, 1},
        {{1935, 2, 4}, 1, false, 1},    {{1936, 4, 21}, 3, true, 1},
        {{1939, 4, 20}, 3, false, 1},   {{1943, 11, 27}, 11, false, 1},
        {{1944, 5, 22}, 4, true, 1},    {{1947, 3, 23}, 2, true, 1},
        {{1950, 6, 15}, 5, false, 1},   {{1952, 8, 20}, 7, false, 1},
        {{1954, 2, 3}, 1, false, 1},    {{1954, 11, 25}, 11, false, 1},
        {{1955, 2, 22}, 2, false, 1},   {{1956, 12, 2}, 11, false, 1},
        {{1957, 9, 24}, 8, true, 1},    {{1957, 11, 22}, 10, false, 1},
        {{1964, 10, 6}, 9, false, 1},   {{1967, 12, 2}, 11, false, 1},
        {{1968, 8, 24}, 7, true, 1},    {{1969, 2, 17}, 1, false, 1},
        {{1973, 12, 24}, 12, false, 1}, {{1976, 11, 21}, 10, false, 1},
        {{1978, 9, 3}, 8, false, 1},    {{1979, 2, 27}, 2, false, 1},
        {{1979, 7, 24}, 6, true, 1},    {{1986, 12, 2}, 11, false, 1},
        {{1987, 7, 26}, 6, true, 1},  // 闰六月
        {{1989, 8, 2}, 7, false, 1},    {{1990, 6, 23}, 5, true, 1},
        {{1995, 7, 27}, 7, false, 1},   {{1996, 7, 16}, 6, false, 1},
        {{1997, 10, 2}, 9, false, 1},   {{1999, 1, 17}, 12, false, 1},
        {{2001, 4, 23}, 4, false, 1},   {{2001, 5, 23}, 4, true, 1},
        {{2007, 2, 18}, 1, false, 1},   {{2012, 6, 19}, 5, false, 1},
        {{2012, 8, 16}, 6, false, 29},  {{2012, 8, 17}, 7, false, 1},  // 七月初一
        {{2018, 11, 7}, 9, false, 30},  {{2018, 11, 8}, 10, false, 1},
        {{2020, 2, 23}, 2, false, 1},   {{2020, 5, 23}, 4, true, 1},
        {{2023, 3, 22}, 2, true, 1},    {{2026, 10, 10}, 9, false, 1},
        {{2027, 2, 5}, 12, false, 29},  {{2027, 2, 6}, 1, false, 1},    // the Spring Festival
        {{2029, 7, 11}, 6, false, 1},   {{2030, 2, 2}, 12, false, 30},  // its eve
        {{2030, 2, 3}, 1, false, 1},    {{2031, 4, 22}, 3, true, 1},
        {{2033, 12, 22}, 11, true, 1},  // 闰十一月
        {{2035, 1, 9}, 12, false, 1},   {{2038, 4, 5}, 3, false, 1},
        {{2041, 3, 2}, 2, false, 1},    {{2048, 12, 5}, 11, false, 1},
        {{2051, 3, 13}, 2, false, 1},   {{2052, 9, 23}, 8, true, 1},
        {{2052, 10, 22}, 9, false, 1},  {{2057, 5, 4}, 4, false, 1},
        {{2058, 12, 16}, 11, false, 1}, {{2060, 3, 3}, 2, false, 1},
        {{2062, 12, 31}, 12, false, 1}, {{2063, 8, 24}, 7, true, 1},
        {{2069, 2, 21}, 2, false, 1},   {{2070, 3, 12}, 2, false, 1},
        {{2071, 3, 31}, 3, false, 1},   {{2074, 7, 24}, 6, true, 1},
        {{2080, 9, 14}, 8, false, 1},   {{2082, 5, 28}, 5, false, 1},
        {{2085, 3, 26}, 3, false, 1},   {{2085, 6, 22}, 5, true, 1},
        {{2088, 8, 17}, 7, false, 1},   {{2091, 1, 20}, 12, false, 1},
        {{2093, 2, 25}, 2, false, 1},   {{2095, 4, 5}, 3, false, 1},
        {{2096, 5, 22}, 4, true, 1},    {{2097, 8, 7}, 7, false, 1},
        {{2099, 4, 20}, 3, false, 1},   {{2100, 4, 10}, 3, false, 1},
        {{2100, 12, 31}, 12, false, 1}, {{2101, 1, 28}, 12, false, 29},  // last day of the table
        {{2101, 1, 29}, 1, false, 1},  // after the table: reckoned astronomically
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.date.toString(Qt::ISODate).toStdString());
        const auto lunar = dezu::calendar::chinese_date(c.date);
        ASSERT_TRUE(lunar.has_value());
        EXPECT_EQ(lunar->month, c.month);
        EXPECT_EQ(lunar->leap, c.leap);
        EXPECT_EQ(lunar->day, c.day);
    }
}

TEST_F(ClockTest, CalendarWindowHoldsTheMonthCalendar) {
    services.clock.set(QDateTime(QDate(2026, 2, 17), QTime(8, 0)));
    auto* w = dynamic_cast<LunarCalendarWindow*>(
        dezu::ui::load_window(dezu::ui::windows::kLunarCalendar));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), "日历");
    EXPECT_EQ(w->size(), QSize(370, 293));
    EXPECT_EQ(w->pos(), QPoint(50, 50));
    EXPECT_EQ(w->palette().color(QPalette::Window), QColor(57, 201, 242));
    auto* calendar = w->control<LunarMonthCalendar>("农历月历1");
    ASSERT_EQ(calendar, w->calendar());
    EXPECT_EQ(calendar->geometry(), QRect(0, 0, 365, 260));
    EXPECT_EQ(calendar->selectedDate(), QDate(2026, 2, 17));  // today
    EXPECT_EQ(calendar->monthShown(), 2);
    calendar->showNextMonth();
    EXPECT_EQ(calendar->monthShown(), 3);
    calendar->showPreviousMonth();
    calendar->showPreviousMonth();
    EXPECT_EQ(calendar->monthShown(), 1);
    EXPECT_FALSE(calendar->grab().toImage().isNull());
}

TEST_F(ClockTest, CalendarIsTranslucentOnlyWhenWindowsCanBe) {
    for (bool enabled : {false, true}) {
        make_program(enabled);
        dezu::ui::Form* w = dezu::ui::load_window(dezu::ui::windows::kLunarCalendar);
        ASSERT_NE(w, nullptr);
        EXPECT_NEAR(w->windowOpacity(), enabled ? 200 / 255.0 : 1.0, 0.01);
        dezu::ui::destroy_window(dezu::ui::windows::kLunarCalendar);
        process_events();
    }
}
