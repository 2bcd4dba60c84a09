#pragma once

#include <QCalendarWidget>
#include <string>

namespace dezu::process {
class Clock;
}

namespace dezu::clock {

// The text under a day in the lunar month calendar: the lunar day (初一 …
// 三十), or on the first day of a lunar month that month's name (正月 …
// 十二月, a leap month marked 闰). Empty when the date has no lunar date.
std::string lunar_day_text(const QDate& date);

// A month view that shows every day with its Chinese lunar date and marks
// today, as the clock service tells it.
class LunarMonthCalendar : public QCalendarWidget {
    Q_OBJECT
public:
    LunarMonthCalendar(QWidget* parent, const std::string& name, const dezu::process::Clock& clock);

protected:
    void paintCell(QPainter* painter, const QRect& rect, QDate date) const override;

private:
    const dezu::process::Clock& clock_;
};

}  // namespace dezu::clock
