#include "app/splash_window.h"

#include "assets/assets.h"
#include "platform/services.h"
#include "platform/ui/controls.h"
#include "platform/ui/timer_control.h"
#include "platform/ui/window_ids.h"

namespace ui = dezu::ui;

namespace dezu::app {

SplashWindow::SplashWindow(const dezu::ProgramSite& site)
    : Form(ui::windows::kSplash), site_(site) {
    setWindowFlags(Qt::FramelessWindowHint | Qt::Tool | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(340, 265);
    move(50, 50);
    auto* picture = new ui::PictureBox(this, "背景");
    ui::place(picture, 0, 0, 340, 265);
    picture->set_picture(dezu::assets::asset_bytes("splash.jpg"));
    timer_ = new ui::TimerControl(this, "时钟1");
    connect(timer_, &ui::TimerControl::tick, this, &SplashWindow::fade_splash);
}

void SplashWindow::init_splash() {
    if (site_.opacity_enabled) splash_opacity_ = 250;
    timer_->set_interval(2000);
}

void SplashWindow::fade_splash() {
    if (!site_.opacity_enabled) {
        ui::destroy_window(window_id());
        return;
    }
    timer_->set_interval(190);
    if (splash_opacity_ > 0) {
        ui::set_window_opacity(this, splash_opacity_);
        splash_opacity_ -= 10;
    } else {
        ui::destroy_window(window_id());
    }
}

}  // namespace dezu::app
