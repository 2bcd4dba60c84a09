#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/ui/form.h"
#include "platform/work/task_group.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;

namespace dezu::desktop {
struct Preview;
}
namespace dezu::ui {
class PictureBox;
class Prompts;
}  // namespace dezu::ui

namespace dezu::wallpaper {

class WallpaperRotator;

// Where the user keeps the wallpaper list, previews a picture with its size,
// puts one on the desktop, removes the wallpaper, and switches the timed
// change on or off. It is a view of the rotator: its list rows are the working
// copy of the rotator's list, each row holding its path's own bytes.
class WallpaperManagerWindow : public dezu::ui::Form {
    Q_OBJECT
public:
    WallpaperManagerWindow(dezu::wallpaper::WallpaperRotator& rotator, dezu::ui::Prompts& prompts,
                           bool opacity_enabled);
    ~WallpaperManagerWindow() override;

    void on_created() override;
    bool on_close_requested() override;
    void on_closing() override;

    // Handlers.
    void init_wallpaper_manager();
    void preview_wallpaper();
    void apply_selected_wallpaper();
    void toggle_timed_change();
    void retime_wallpaper_timer();
    void add_wallpaper_files();
    void add_wallpaper_folder();
    void select_all_wallpapers();
    void remove_selected_wallpapers();
    void clear_wallpaper();
    bool allow_wallpaper_manager_close();
    void save_wallpaper_manager();

    // The path of row k, in its own bytes.
    std::string row_path(int k) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void append_row(const std::string& path);
    std::vector<std::string> row_paths(bool skip_selected) const;
    // Selection and current row change together; one preview serves both.
    void schedule_preview();
    void show_preview(const dezu::desktop::Preview& preview);

    dezu::wallpaper::WallpaperRotator& rotator_;
    dezu::ui::Prompts& prompts_;
    bool opacity_enabled_;
    QCheckBox* timed_ = nullptr;
    QLineEdit* minutes_ = nullptr;
    QRadioButton* stretch_ = nullptr;
    QRadioButton* tile_ = nullptr;
    QRadioButton* centre_ = nullptr;
    dezu::ui::PictureBox* picture_ = nullptr;
    QListWidget* rows_ = nullptr;
    QLabel* width_ = nullptr;
    QLabel* height_ = nullptr;
    bool preview_pending_ = false;
    std::optional<std::string> previewed_;
    dezu::work::TaskGroup previews_{this};  // last: ends before the controls go
};

}  // namespace dezu::wallpaper
