#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <string>

namespace dezu::ui {

// A window's timer control: it ticks every interval milliseconds, and an
// interval of 0 (or less) means stopped. Setting an interval restarts the
// countdown.
class TimerControl : public QObject {
    Q_OBJECT
public:
    TimerControl(QObject* parent, const std::string& name);

    void set_interval(std::int32_t milliseconds);
    std::int32_t interval() const { return interval_; }
    bool is_running() const { return interval_ > 0; }

signals:
    void tick();

private:
    QTimer timer_;
    std::int32_t interval_ = 0;
};

}  // namespace dezu::ui
