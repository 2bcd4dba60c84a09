#include "platform/ui/timer_control.h"

namespace dezu::ui {

TimerControl::TimerControl(QObject* parent, const std::string& name) : QObject(parent) {
    setObjectName(QString::fromStdString(name));
    // Precise: a coarse 1000 ms tick may land twice in one second and skip the next.
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &TimerControl::tick);
}

void TimerControl::set_interval(std::int32_t milliseconds) {
    interval_ = milliseconds > 0 ? milliseconds : 0;
    if (interval_ > 0)
        timer_.start(interval_);
    else
        timer_.stop();
}

}  // namespace dezu::ui
