#include "app/splash_window.h"

#include "app/globals.h"
#include "assets/assets.h"
#include "platform/ui/controls.h"
#include "platform/ui/timer_control.h"
#include "platform/ui/window_ids.h"

namespace ui = dezu::ui;

namespace {

ui::TimerControl* splash_timer() {
    auto* splash = ui::loaded_window_as<SplashWindow>(ui::windows::kSplash);
    return splash ? splash->fade_timer() : nullptr;
}

}  // namespace

SplashWindow::SplashWindow() : Form(ui::windows::kSplash) {
    setWindowFlags(Qt::FramelessWindowHint | Qt::Tool | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(340, 265);
    move(50, 50);
    auto* picture = new ui::PictureBox(this, "背景");
    ui::place(picture, 0, 0, 340, 265);
    picture->set_picture(dezu::assets::asset_bytes("splash.jpg"));
    timer_ = new ui::TimerControl(this, "时钟1");
    connect(timer_, &ui::TimerControl::tick, [] { fade_splash(); });
}

void SplashWindow::on_created() {
    init_splash();
}

void init_splash() {
    if (g_window_opacity_enabled) g_splash_opacity = 250;
    if (auto* timer = splash_timer()) timer->set_interval(2000);
}

void fade_splash() {
    auto* splash = ui::loaded_window(ui::windows::kSplash);
    if (!splash) return;
    if (!g_window_opacity_enabled) {
        ui::destroy_window(ui::windows::kSplash);
        return;
    }
    splash_timer()->set_interval(190);
    if (g_splash_opacity > 0) {
        ui::set_window_opacity(splash, g_splash_opacity);
        g_splash_opacity -= 10;
    } else {
        ui::destroy_window(ui::windows::kSplash);
    }
}
