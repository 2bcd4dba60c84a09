#pragma once

#include "platform/ui/form.h"

#include <array>

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
