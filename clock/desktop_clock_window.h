#pragma once

#include <QPixmap>
#include <QPoint>
#include <array>
#include <optional>

#include "platform/ui/form.h"

class QAction;
class QMenu;

namespace dezu {
struct ProgramSite;
struct Services;
namespace ui {
class PictureBox;
class TimerControl;
}  // namespace ui
}  // namespace dezu

namespace dezu::clock {

struct BackgroundSkin;
struct DigitStyle;
class DesktopClock;

// The borderless desktop clock: HH:MM:SS drawn from digit pictures on a
// skin picture that gives the window its outline. Its right-button menu
// picks the skin and digit style, opens the date-and-time settings and the
// lunar calendar, switches the hourly chime and closes the clock. It shows
// the DesktopClock it is handed.
class DesktopClockWindow : public dezu::ui::Form {
    Q_OBJECT
public:
    DesktopClockWindow(DesktopClock& clock, const dezu::ProgramSite& site,
                       const dezu::Services& services);

    void on_created() override { init_desktop_clock(); }
    void on_closing() override { save_clock_position(); }

    // Handlers.
    void init_desktop_clock();
    void save_clock_position();
    void raise_clock_opacity();
    void show_clock_menu();
    void apply_background_bean();
    void apply_background_mouse();
    void apply_background_dog();
    void apply_background_girl();
    void apply_background_fish_bone();
    void apply_background_none();
    void apply_digit_style_pink();
    void apply_digit_style_black_green();
    void apply_digit_style_yellow_white();
    void apply_digit_style_grey();
    void apply_digit_style_orange();
    void apply_digit_style_blue_green();
    void apply_digit_style_light_blue();
    void apply_digit_style_lcd();
    void open_date_time_settings();
    void open_lunar_calendar();
    void toggle_hourly_chime();
    void close_desktop_clock();
    void on_clock_tick();

    // Shows field 1 (second), 2 (minute) or 3 (hour) of the current time in
    // the two boxes.
    void show_time_field(int field, dezu::ui::PictureBox* tens, dezu::ui::PictureBox* units);

    // The time box 1..8.
    dezu::ui::PictureBox* time_box(int number) const { return boxes_[number - 1]; }
    QWidget* digit_panel() const { return panel_; }
    dezu::ui::TimerControl* tick_timer() const { return timer_; }
    QMenu* clock_menu() const { return menu_; }
    // The menu item of that caption, submenus included, or nullptr.
    QAction* menu_item(const std::string& caption) const;
    bool chime_on() const;
    const QPixmap& background_picture() const { return background_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void apply_background(const BackgroundSkin& skin);
    void show_separators();
    void show_whole_time();
    void restore_chime();
    void build_menu();
    void arm_tick();

    DesktopClock& clock_;
    const dezu::ProgramSite& site_;
    const dezu::Services& services_;
    QWidget* panel_ = nullptr;
    std::array<dezu::ui::PictureBox*, 8> boxes_{};
    dezu::ui::TimerControl* timer_ = nullptr;
    QMenu* menu_ = nullptr;
    QAction* chime_item_ = nullptr;
    QPixmap background_;
    // Where a drag grabbed the window, while it is moved by hand (platforms
    // that cannot move a window for us).
    std::optional<QPoint> drag_offset_;
};

}  // namespace dezu::clock
