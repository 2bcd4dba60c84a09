#pragma once

#include "platform/ui/form.h"

class QCheckBox;

namespace dezu {
struct ProgramSite;
namespace settings {
class Settings;
}
namespace ui {
class FailureReporter;
}  // namespace ui
namespace wallpaper {
class WallpaperRotator;
}
}  // namespace dezu

namespace dezu::app {

// The four start-up options of section 系统参数, with 确定 and 取消.
class SettingsWindow : public dezu::ui::Form {
    Q_OBJECT
public:
    SettingsWindow(dezu::settings::Settings& settings, const dezu::ProgramSite& site,
                   dezu::ui::FailureReporter& failures,
                   dezu::wallpaper::WallpaperRotator& wallpaper);

    void on_created() override { init_settings(); }
    void init_settings();
    void save_settings();
    void cancel_settings();

private:
    dezu::settings::Settings& settings_;
    const dezu::ProgramSite& site_;
    dezu::ui::FailureReporter& failures_;
    dezu::wallpaper::WallpaperRotator& wallpaper_;
    QCheckBox* start_with_system_ = nullptr;  // 选择框1
    QCheckBox* change_wallpaper_ = nullptr;   // 选择框2
    QCheckBox* no_splash_ = nullptr;          // 选择框9
    QCheckBox* play_music_ = nullptr;         // 选择框3
};

}  // namespace dezu::app
