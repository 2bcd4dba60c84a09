#pragma once

#include <QObject>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/services.h"
#include "platform/ui/timer_control.h"
#include "platform/work/task_group.h"
#include "wallpaper/wallpaper_change.h"

namespace dezu::settings {
class Settings;
}

namespace dezu::wallpaper {

// The wallpaper changer's state: the list of pictures, the number of the entry
// last put on the desktop, the display style of the timed change and its timer
// (named 时钟2), and the change itself. The start-up fills it, the settings
// window can start its timer, and the manager window edits it.
//
// A change runs off the UI thread, one at a time; a newer change makes an older
// one that has not reached the desktop yet stop. Its result comes back as
// change_finished. Paths are kept in the file system's own bytes.
class WallpaperRotator : public QObject {
    Q_OBJECT
public:
    WallpaperRotator(ProgramSite site, settings::Settings& settings,
                     desktop::DesktopSetter& desktop, ui::FailureReporter& failures,
                     QObject* parent = nullptr);
    ~WallpaperRotator() override;

    // Start-up: the position, the list file, the timer and the display style,
    // in that order, each from its key.
    void load_at_start();

    const std::vector<std::string>& list() const { return list_; }
    void append(const std::string& path) { list_.push_back(path); }
    void replace_list(std::vector<std::string> paths) { list_ = std::move(paths); }
    // Rewrites WALLAB.INI from the rows and makes them the list. When the file
    // cannot be written the user is told, the old file stays, and the list
    // still takes the rows so that the timed change goes on with what the user
    // sees. False when the file was not written.
    bool save_list(const std::vector<std::string>& rows);

    std::int32_t current_index() const { return current_index_; }
    void set_current_index(std::int32_t index) { current_index_ = index; }
    std::int32_t display_mode() const { return display_mode_; }

    ui::TimerControl& timer() { return timer_; }
    std::int32_t interval() const { return timer_.interval(); }
    void set_interval(std::int32_t milliseconds) { timer_.set_interval(milliseconds); }
    // The interval from the stored minutes (5 when none are stored).
    void start_timer_from_settings();
    // The manager's closing: the timer and the keys of the timed change,
    // then the style it shows.
    void save_timed_change(bool on, const std::string& minutes_text);
    void save_display_mode(std::int32_t mode);

    // The tick: the next entry goes to the desktop and its number is stored;
    // an empty list stops the timer.
    void change_wallpaper_on_timer();
    // Puts the picture on the desktop, converted first unless it is a BMP.
    void put_on_desktop(const std::string& picture, int style);
    // Removes the desktop's wallpaper.
    void clear_desktop();

    // Whether a change is still on its way.
    bool busy() { return changes_.busy(); }

signals:
    void change_finished(const dezu::wallpaper::ChangeResult& result);

private:
    void start_change(const std::string& picture, int style);

    ProgramSite site_;
    settings::Settings& settings_;
    desktop::DesktopSetter& desktop_;
    ui::FailureReporter& failures_;
    std::vector<std::string> list_;
    std::int32_t current_index_ = 0;
    std::int32_t display_mode_ = 0;
    ui::TimerControl timer_;
    HandOver hand_over_;
    std::atomic<std::uint64_t> latest_change_{0};
    work::TaskGroup changes_{this};  // last: its end waits for the work above
};

}  // namespace dezu::wallpaper
