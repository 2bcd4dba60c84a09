#pragma once

#include "platform/ui/form.h"

namespace dezu {
struct ProgramSite;
namespace process {
class Clock;
}
}  // namespace dezu

namespace dezu::clock {

class LunarMonthCalendar;

// A small window holding a month calendar with the Chinese lunar dates.
class LunarCalendarWindow : public dezu::ui::Form {
    Q_OBJECT
public:
    LunarCalendarWindow(const dezu::ProgramSite& site, const dezu::process::Clock& clock);

    void on_created() override { init_lunar_calendar_window(); }
    void init_lunar_calendar_window();

    LunarMonthCalendar* calendar() const { return calendar_; }

private:
    const dezu::ProgramSite& site_;
    LunarMonthCalendar* calendar_ = nullptr;
};

}  // namespace dezu::clock
