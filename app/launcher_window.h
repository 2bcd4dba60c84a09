#pragma once

#include <array>

#include "platform/ui/form.h"

namespace dezu::ui {
class SuperButton;
class PictureBox;
class TimerControl;
}  // namespace dezu::ui

class QLabel;

// The narrow borderless panel that the tray icon pops up: a vertical title
// and eleven rows, each a face picture with a super button over it.
class LauncherWindow : public dezu::ui::Form {
    Q_OBJECT
public:
    static constexpr int kWidth = 106;
    static constexpr int kHeight = 188;
    static constexpr int kRows = 11;

    LauncherWindow();

    void on_created() override;
    void on_tray_notification(int reason) override;

    dezu::ui::SuperButton* row_button(int row) const { return buttons_[row - 1]; }
    dezu::ui::PictureBox* row_face(int row) const { return faces_[row - 1]; }
    QLabel* title() const { return title_; }
    dezu::ui::TimerControl* auto_hide_timer() const { return auto_hide_timer_; }
    dezu::ui::TimerControl* wallpaper_timer() const { return wallpaper_timer_; }

    // The control whose tag is the given row number.
    dezu::ui::SuperButton* button_with_tag(int tag) const;

    // The window's own icon, a 32 x 32 Windows icon file.
    static std::string icon_bytes();

private:
    QLabel* title_ = nullptr;
    std::array<dezu::ui::SuperButton*, kRows> buttons_{};
    std::array<dezu::ui::PictureBox*, kRows> faces_{};
    dezu::ui::TimerControl* auto_hide_timer_ = nullptr;
    dezu::ui::TimerControl* wallpaper_timer_ = nullptr;
};

// The tray icon's notification, whatever its kind: shows the panel at the
// pointer, above the other windows, and starts the auto-hide check.
void pop_up_launcher(int notification_kind);

// Tick of 时钟1: hides the panel once another window has the foreground.
void auto_hide_launcher();

// The pointer moved over the super button of the row.
void highlight_launcher_button(int row);

// The rows' click handlers, row 1 to row 10 (row 11 is exit_program).
void toggle_player_bar();
void toggle_desktop_clock();
void open_wallpaper_manager();
void open_diary_book_window();
void open_mail_compose();
void open_control_panel();
void start_screen_saver();
void show_run_dialog();
void open_settings();
void confirm_shutdown();
