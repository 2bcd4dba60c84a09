#include "wallpaper/wallpaper_rotator.h"

#include "platform/desktop/picture_file.h"
#include "platform/settings/settings_keys.h"
#include "platform/ui/failures.h"
#include "wallpaper/wallpaper_list.h"

namespace dezu::wallpaper {

namespace keys = settings::keys;

namespace {

// A failed settings write is told once a run by the settings themselves.
template <class Key, class Value>
void store(settings::Settings& settings, const Key& key, const Value& value) {
    static_cast<void>(settings.set(key, value));
}

}  // namespace

WallpaperRotator::WallpaperRotator(ProgramSite site, settings::Settings& settings,
                                   desktop::DesktopSetter& desktop, ui::FailureReporter& failures,
                                   QObject* parent)
    : QObject(parent),
      site_(std::move(site)),
      settings_(settings),
      desktop_(desktop),
      failures_(failures),
      timer_(this, "时钟2") {
    desktop::allow_large_pictures();
    connect(&timer_, &ui::TimerControl::tick, this, &WallpaperRotator::change_wallpaper_on_timer);
}

WallpaperRotator::~WallpaperRotator() = default;

void WallpaperRotator::load_at_start() {
    current_index_ = settings_.whole(keys::kWallpaperIndex);
    list_ = read_wallpaper_list(site_.path("WALLAB.INI"));
    if (settings_.yes(keys::kWallpaperAutoChange))
        start_timer_from_settings();
    else
        timer_.set_interval(0);
    display_mode_ = settings_.whole(keys::kWallpaperDisplayMode);
}

bool WallpaperRotator::save_list(const std::vector<std::string>& rows) {
    list_ = rows;
    const std::string file = site_.path("WALLAB.INI");
    const files::RewriteResult written = write_wallpaper_list(file, rows);
    if (written) return true;
    failures_.report_list_not_saved("壁纸列表", file, written.unreadable);
    return false;
}

void WallpaperRotator::start_timer_from_settings() {
    timer_.set_interval(interval_from_minutes(settings_.text(keys::kWallpaperMinutes)));
}

void WallpaperRotator::save_timed_change(bool on, const std::string& minutes_text) {
    if (on) {
        timer_.set_interval(interval_from_minutes(minutes_text));
        store(settings_, keys::kWallpaperMinutes, minutes_text);
        store(settings_, keys::kWallpaperAutoChange, true);
    } else {
        timer_.set_interval(0);
        store(settings_, keys::kWallpaperAutoChange, false);
        store(settings_, keys::kWallpaperMinutes, std::string());
    }
}

void WallpaperRotator::save_display_mode(std::int32_t mode) {
    store(settings_, keys::kWallpaperDisplayMode, mode);
}

void WallpaperRotator::change_wallpaper_on_timer() {
    const auto count = static_cast<std::int32_t>(list_.size());
    if (count == 0) {
        timer_.set_interval(0);
        return;
    }
    // A number below 1 (a hand-edited settings file) starts again at entry 1,
    // as a number past the end does.
    if (current_index_ >= count || current_index_ < 0)
        current_index_ = 1;
    else
        ++current_index_;
    start_change(list_[current_index_ - 1], display_mode_);
    store(settings_, keys::kWallpaperIndex, current_index_);
}

void WallpaperRotator::put_on_desktop(const std::string& picture, int style) {
    start_change(picture, style);
}

void WallpaperRotator::clear_desktop() {
    start_change(std::string(), desktop::kStretch);
}

void WallpaperRotator::start_change(const std::string& picture, int style) {
    ChangeRequest request{picture, style, site_.dir, desktop_.screen_size()};
    const std::uint64_t change = ++latest_change_;
    changes_.run(
        [this, request = std::move(request), change](const work::Task& task) {
            std::lock_guard lock(hand_over_.serial());
            const auto overtaken = [&] {
                return task.stop_requested() || latest_change_.load() != change;
            };
            return carry_out_change(request, desktop_, hand_over_, overtaken);
        },
        [this](const ChangeResult& result) { emit change_finished(result); });
}

}  // namespace dezu::wallpaper
