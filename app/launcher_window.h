#pragma once

#include <array>

#include "platform/ui/form.h"

namespace dezu {
struct ProgramSite;
struct Services;
namespace settings {
class Settings;
}
namespace ui {
class SuperButton;
class PictureBox;
class TimerControl;
class TrayIcon;
}  // namespace ui
namespace wallpaper {
class WallpaperRotator;
}
}  // namespace dezu

class QLabel;

namespace dezu::app {

// The narrow borderless panel that the tray icon pops up: a vertical title
// and eleven rows, each a face picture with a super button over it. Its
// created handler is the start-up sequence; it owns the tray icon.
class LauncherWindow : public dezu::ui::Form {
    Q_OBJECT
public:
    static constexpr int kWidth = 106;
    static constexpr int kHeight = 188;
    static constexpr int kRows = 11;

    LauncherWindow(const dezu::ProgramSite& site, const dezu::Services& services,
                   dezu::settings::Settings& settings,
                   dezu::wallpaper::WallpaperRotator& wallpaper);

    void on_created() override { init_launcher(); }

    // The start-up sequence.
    void init_launcher();
    // The tray icon's notification, whatever its kind: shows the panel at the
    // pointer, above the other windows, and starts the auto-hide check.
    void pop_up_launcher(int notification_kind);
    // Tick of 时钟1: hides the panel once another window has the foreground.
    void auto_hide_launcher();
    // The pointer moved over the super button of the row.
    void highlight_launcher_button(int row);

    // The rows' click handlers, row 1 to row 11.
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
    // Removes the tray icon and ends the program with code 0; no window's
    // closing handler runs.
    void exit_program();

    dezu::ui::SuperButton* row_button(int row) const { return buttons_[row - 1]; }
    dezu::ui::PictureBox* row_face(int row) const { return faces_[row - 1]; }
    QLabel* title() const { return title_; }
    dezu::ui::TimerControl* auto_hide_timer() const { return auto_hide_timer_; }
    dezu::wallpaper::WallpaperRotator& wallpaper() const { return wallpaper_; }
    dezu::ui::TrayIcon* tray() const { return tray_; }
    // The row shown highlighted, 0 for none.
    int highlighted_row() const { return highlighted_row_; }

    // The control whose tag is the given row number.
    dezu::ui::SuperButton* button_with_tag(int tag) const;

    // The window's own icon, a 32 x 32 Windows icon file.
    static std::string icon_bytes();

private:
    const dezu::ProgramSite& site_;
    const dezu::Services& services_;
    dezu::settings::Settings& settings_;
    QLabel* title_ = nullptr;
    std::array<dezu::ui::SuperButton*, kRows> buttons_{};
    std::array<dezu::ui::PictureBox*, kRows> faces_{};
    dezu::ui::TimerControl* auto_hide_timer_ = nullptr;
    dezu::wallpaper::WallpaperRotator& wallpaper_;
    dezu::ui::TrayIcon* tray_ = nullptr;
    int highlighted_row_ = 0;
};

}  // namespace dezu::app
