#include "clock/lunar_calendar_window.h"

#include "clock/lunar_month_calendar.h"
#include "platform/services.h"
#include "platform/ui/controls.h"
#include "platform/ui/window_ids.h"

namespace dezu::clock {

LunarCalendarWindow::LunarCalendarWindow(const dezu::ProgramSite& site,
                                         const dezu::process::Clock& clock)
    : Form(dezu::ui::windows::kLunarCalendar), site_(site) {
    setWindowTitle(QStringLiteral("日历"));
    // A fixed dialog frame with only a close box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(370, 293);
    move(50, 50);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(57, 201, 242));
    setPalette(pal);
    calendar_ = new LunarMonthCalendar(this, "农历月历1", clock);
    dezu::ui::place(calendar_, 0, 0, 365, 260);
}

void LunarCalendarWindow::init_lunar_calendar_window() {
    dezu::ui::apply_visual_style(1);
    if (site_.opacity_enabled) dezu::ui::set_window_opacity(this, 200);
}

}  // namespace dezu::clock
