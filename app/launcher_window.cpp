#include "app/launcher_window.h"

#include <QLabel>
#include <cstdio>

#include "assets/assets.h"
#include "platform/services.h"
#include "platform/shell/shell_actions.h"
#include "platform/ui/controls.h"
#include "platform/ui/fonts.h"
#include "platform/ui/prompts.h"
#include "platform/ui/timer_control.h"
#include "platform/ui/tray.h"
#include "platform/ui/window_ids.h"
#include "platform/ui/window_system.h"

namespace ui = dezu::ui;

namespace dezu::app {

namespace {

struct Row {
    const char* button;
    const char* caption;
    void (LauncherWindow::*click)();
};

// Row 1 at the top; each row's super button keeps its form name.
constexpr std::array<Row, LauncherWindow::kRows> kRowTable = {{
    {"超级按钮3", "播放音乐", &LauncherWindow::toggle_player_bar},
    {"超级按钮14", "卡通时钟", &LauncherWindow::toggle_desktop_clock},
    {"超级按钮12", "桌面壁纸", &LauncherWindow::open_wallpaper_manager},
    {"超级按钮6", "随心所记", &LauncherWindow::open_diary_book_window},
    {"超级按钮7", "发送邮件", &LauncherWindow::open_mail_compose},
    {"超级按钮1", "控制面板", &LauncherWindow::open_control_panel},
    {"超级按钮4", "启动屏保", &LauncherWindow::start_screen_saver},
    {"超级按钮9", "运行程序", &LauncherWindow::show_run_dialog},
    {"超级按钮10", "程序设置", &LauncherWindow::open_settings},
    {"超级按钮11", "系统关机", &LauncherWindow::confirm_shutdown},
    {"超级按钮13", "退出程序", &LauncherWindow::exit_program},
}};

constexpr int kRowPitch = 17;
constexpr int kAutoHideMs = 200;

std::string face_name(int row) {
    char name[32];
    std::snprintf(name, sizeof name, "launcher_face_%02d.bmp", row);
    return name;
}

// Loads the window unless it is loaded already; a loaded one is left as it is.
void open_once(const char* window_id) {
    if (!ui::is_window_loaded(window_id)) ui::load_window(window_id);
}

}  // namespace

LauncherWindow::LauncherWindow(const dezu::ProgramSite& site, const dezu::Services& services,
                               dezu::settings::Settings& settings,
                               dezu::wallpaper::WallpaperRotator& wallpaper)
    : Form(ui::windows::kLauncher),
      site_(site),
      services_(services),
      settings_(settings),
      wallpaper_(wallpaper) {
    using namespace dezu::ui;
    setWindowFlags(Qt::FramelessWindowHint | Qt::Tool);
    setFixedSize(kWidth, kHeight);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(192, 96, 0));
    setPalette(pal);
    set_visible_on_load(false);

    title_ = new QLabel(QStringLiteral("   d  e  z  u"), this);
    title_->setObjectName(QStringLiteral("标签2"));
    place(title_, 1, 1, 23, 186);
    title_->setFont(ui_font("华文新魏", 20));
    title_->setWordWrap(true);
    title_->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    title_->setStyleSheet(QStringLiteral(
        "QLabel { color: #ffe7b0; background: qlineargradient(x1:0, y1:0, x2:1, y2:0,"
        " stop:0 #6e2c00, stop:0.5 #8c3e00, stop:1 #6e2c00); }"));

    const QFont caption_font = ui_font("宋体", 12);
    for (int row = 1; row <= kRows; ++row) {
        const int top = 1 + kRowPitch * (row - 1);
        auto* face = new PictureBox(this, "图形按钮" + std::to_string(row));
        place(face, 25, top, 80, 16);
        face->set_picture(dezu::assets::asset_bytes(face_name(row)));
        faces_[row - 1] = face;
        const Row& r = kRowTable[row - 1];
        auto* button = new SuperButton(this, r.button, r.caption, row);
        place(button, 25, top, 80, 16);
        button->setFont(caption_font);
        buttons_[row - 1] = button;
        connect(button, &SuperButton::pointer_moved, this,
                [this, tag = button->tag()] { highlight_launcher_button(tag); });
        connect(button, &SuperButton::clicked, this, r.click);
    }

    auto_hide_timer_ = new TimerControl(this, "时钟1");
    connect(auto_hide_timer_, &TimerControl::tick, this, &LauncherWindow::auto_hide_launcher);

    tray_ = new TrayIcon(this);
    connect(tray_, &TrayIcon::notified, this, &LauncherWindow::pop_up_launcher);
}

dezu::ui::SuperButton* LauncherWindow::button_with_tag(int tag) const {
    if (tag < 1 || tag > kRows) return nullptr;
    return buttons_[tag - 1];
}

std::string LauncherWindow::icon_bytes() {
    return dezu::assets::asset_bytes("net.ico");
}

void LauncherWindow::pop_up_launcher(int /*notification_kind*/) {
    ui::WindowSystem& desktop = services_.window_system;
    const QPoint pointer = desktop.pointer_position();
    const QRect screen = desktop.screen_geometry_at(pointer);
    // Bottom edge at the pointer, left edge 2 pixels left of it; kept inside
    // the screen, 2 pixels in from its right edge.
    int top = pointer.y() - height();
    if (top < screen.top()) top = screen.top();
    int left = pointer.x() - 2;
    if (left < screen.left()) left = screen.left();
    const int screen_right = screen.left() + screen.width();
    if (screen_right - (left + width()) < 0) left = screen_right - width() - 2;
    move(left, top);

    if (!(windowFlags() & Qt::WindowStaysOnTopHint)) setWindowFlag(Qt::WindowStaysOnTopHint, true);
    show();
    desktop.bring_to_foreground(this);
    auto_hide_timer_->set_interval(kAutoHideMs);
}

void LauncherWindow::auto_hide_launcher() {
    if (services_.window_system.foreground_window() == this) return;
    hide();
    auto_hide_timer_->set_interval(0);
}

void LauncherWindow::highlight_launcher_button(int row) {
    if (highlighted_row_ == row) return;
    if (highlighted_row_ != 0)
        if (auto* previous = button_with_tag(highlighted_row_)) previous->set_highlight(0);
    highlighted_row_ = row;
    if (auto* button = button_with_tag(row)) button->set_highlight(1);
}

void LauncherWindow::toggle_player_bar() {
    const char* id = ui::windows::kPlayerBar;
    if (!ui::is_window_loaded(id)) {
        ui::load_window(id);
    } else if (ui::Form* bar = ui::loaded_window(id); !bar->isVisible()) {
        // The bar hides itself with its own button.
        bar->show();
    } else {
        ui::destroy_window(id);
    }
}

void LauncherWindow::toggle_desktop_clock() {
    const char* id = ui::windows::kDesktopClock;
    if (!ui::is_window_loaded(id))
        ui::load_window(id);
    else
        ui::destroy_window(id);
}

void LauncherWindow::open_wallpaper_manager() {
    open_once(ui::windows::kWallpaperManager);
}

void LauncherWindow::open_diary_book_window() {
    open_once(ui::windows::kDiaryBook);
}

void LauncherWindow::open_mail_compose() {
    open_once(ui::windows::kMailCompose);
}

void LauncherWindow::open_settings() {
    open_once(ui::windows::kSettings);
}

// The system actions tell the user nothing when they fail: the desktop stays
// as it was. The log says why.

void LauncherWindow::open_control_panel() {
    if (!services_.shell.open_settings_program())
        qWarning("dezu: no desktop settings program could be started");
}

void LauncherWindow::start_screen_saver() {
    if (!services_.shell.start_screen_saver()) qWarning("dezu: no screen saver could be started");
}

void LauncherWindow::show_run_dialog() {
    services_.shell.show_run_dialog(this);
}

void LauncherWindow::confirm_shutdown() {
    if (services_.prompts.message_box("是否关机", ui::MessageStyle::YesNo, std::nullopt, this) ==
        ui::Button::Yes)
        services_.shell.power_off();
}

}  // namespace dezu::app
