#pragma once

#include <string>
#include <vector>

#include "platform/ui/form.h"

// Where the user keeps the wallpaper list, previews a picture with its size,
// puts one on the desktop, removes the wallpaper, and switches the timed
// change on or off. Its list rows are the working copy of the wallpaper list.
class WallpaperManagerWindow : public dezu::ui::Form {
    Q_OBJECT
public:
    WallpaperManagerWindow();

    void on_created() override;
    bool on_close_requested() override;
    void on_closing() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

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

// A timer interval as minutes for the interval box: "5" for 300000, "1.5"
// for 90000. A fraction that does not end is rounded up at ten places, so that
// the box's text gives the same interval back.
std::string minutes_from_interval(std::int32_t milliseconds);
