#pragma once

#include "platform/ui/form.h"

namespace dezu {
struct ProgramSite;
namespace ui {
class TimerControl;
}
}  // namespace dezu

namespace dezu::app {

// The start-up picture: opaque for two seconds, then fading out where
// windows can be translucent, then closing itself.
class SplashWindow : public dezu::ui::Form {
    Q_OBJECT
public:
    explicit SplashWindow(const dezu::ProgramSite& site);

    void on_created() override { init_splash(); }
    void init_splash();
    void fade_splash();

    dezu::ui::TimerControl* fade_timer() const { return timer_; }
    // The level the next fade tick applies.
    int splash_opacity() const { return splash_opacity_; }

private:
    const dezu::ProgramSite& site_;
    dezu::ui::TimerControl* timer_;
    int splash_opacity_ = 0;
};

}  // namespace dezu::app
