#pragma once

#include "platform/ui/form.h"

class LunarMonthCalendar;

// A small window holding a month calendar with the Chinese lunar dates.
class LunarCalendarWindow : public dezu::ui::Form {
    Q_OBJECT
public:
    LunarCalendarWindow();

    void on_created() override { init_lunar_calendar_window(); }
    void init_lunar_calendar_window();

    LunarMonthCalendar* calendar() const { return calendar_; }

private:
    LunarMonthCalendar* calendar_ = nullptr;
};
