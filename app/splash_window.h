#pragma once

#include "platform/ui/form.h"

namespace dezu::ui {
class TimerControl;
}

// The start-up picture: opaque for two seconds, then fading out.
class SplashWindow : public dezu::ui::Form {
    Q_OBJECT
public:
    SplashWindow();
    void on_created() override;
    dezu::ui::TimerControl* fade_timer() const { return timer_; }

private:
    dezu::ui::TimerControl* timer_;
};

void init_splash();
void fade_splash();
