#include "clock/lunar_month_calendar.h"

#include <QPainter>
#include <array>

#include "platform/calendar/chinese_calendar.h"
#include "platform/process/clock.h"

namespace dezu::clock {

namespace {

const std::array<const char*, 11> kNumerals = {"",   "一", "二", "三", "四", "五",
                                               "六", "七", "八", "九", "十"};

std::string month_name(int month, bool leap) {
    std::string name = leap ? "闰" : "";
    if (month == 1) return name + "正月";
    if (month <= 10) return name + kNumerals[month] + "月";
    return name + "十" + kNumerals[month - 10] + "月";
}

std::string day_name(int day) {
    if (day <= 10) return std::string("初") + kNumerals[day];
    if (day < 20) return std::string("十") + kNumerals[day - 10];
    if (day == 20) return "二十";
    if (day < 30) return std::string("廿") + kNumerals[day - 20];
    return "三十";
}

}  // namespace

std::string lunar_day_text(const QDate& date) {
    const auto lunar = dezu::calendar::chinese_date(date);
    if (!lunar || lunar->month < 1 || lunar->month > 12 || lunar->day < 1 || lunar->day > 30)
        return {};
    return lunar->day == 1 ? month_name(lunar->month, lunar->leap) : day_name(lunar->day);
}

LunarMonthCalendar::LunarMonthCalendar(QWidget* parent, const std::string& name,
                                       const dezu::process::Clock& clock)
    : QCalendarWidget(parent), clock_(clock) {
    setObjectName(QString::fromStdString(name));
    setLocale(QLocale(QLocale::Chinese, QLocale::China));
    setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    setGridVisible(true);
    setSelectedDate(clock_.now().date());
}

void LunarMonthCalendar::paintCell(QPainter* painter, const QRect& rect, QDate date) const {
    painter->save();
    const bool in_month = date.month() == monthShown() && date.year() == yearShown();
    const bool selected = date == selectedDate();
    painter->fillRect(rect, selected ? palette().highlight().color() : palette().base().color());
    const QDate today = clock_.now().date();
    if (date == today) {
        painter->setPen(QPen(QColor(220, 40, 40), 2));
        painter->drawRect(rect.adjusted(1, 1, -2, -2));
    }
    const QColor ink = selected ? palette().highlightedText().color()
                                : (in_month ? palette().text().color() : QColor(160, 160, 160));
    const int half = rect.height() / 2;
    QFont big = painter->font();
    big.setBold(date == today);
    painter->setFont(big);
    painter->setPen(ink);
    painter->drawText(QRect(rect.left(), rect.top() + 1, rect.width(), half + 2),
                      Qt::AlignHCenter | Qt::AlignBottom, QString::number(date.day()));
    const std::string lunar = lunar_day_text(date);
    QFont small = painter->font();
    small.setBold(false);
    small.setPointSizeF(small.pointSizeF() * 0.8);
    painter->setFont(small);
    const bool month_start = lunar.size() > 3 && lunar.find("月") != std::string::npos;
    painter->setPen(selected ? ink
                             : (month_start && in_month ? QColor(200, 60, 20) : ink.lighter(130)));
    painter->drawText(
        QRect(rect.left(), rect.top() + half + 1, rect.width(), rect.height() - half - 1),
        Qt::AlignHCenter | Qt::AlignTop, QString::fromStdString(lunar));
    painter->restore();
}

}  // namespace dezu::clock
