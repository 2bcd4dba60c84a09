#include <gtest/gtest.h>

#include <QImage>

#include "clock/lunar_calendar_window.h"
#include "clock/lunar_month_calendar.h"
#include "clock_test_support.h"
#include "platform/calendar/chinese_calendar.h"

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
