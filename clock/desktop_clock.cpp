#include "clock/desktop_clock.h"

#include "assets/assets.h"
#include "clock/clock_styles.h"
#include "clock/digit_strip.h"
#include "platform/process/clock.h"
#include "platform/settings/settings_keys.h"

namespace keys = dezu::settings::keys;

namespace dezu::clock {

namespace {

// A failed write is told to the user once a run, through the settings'
// write_failed signal; the clock goes on as it is.
void kept_or_told(bool /*written*/) {}

std::optional<int> stored_edge(const dezu::settings::Settings& settings,
                               const dezu::settings::NumberKey& key) {
    if (settings.text({key.section, key.name}).empty()) return std::nullopt;
    return settings.whole(key);
}

}  // namespace

DesktopClock::DesktopClock(dezu::settings::Settings& settings, const dezu::process::Clock& clock,
                           QObject* parent)
    : QObject(parent), settings_(settings), clock_(clock) {}

QTime DesktopClock::time() const {
    return clock_.now().time();
}

const std::string& DesktopClock::digit_picture(int index) const {
    static const std::string none;
    return index >= 0 && index < int(digit_images_.size()) ? digit_images_[std::size_t(index)]
                                                           : none;
}

void DesktopClock::apply_digit_style(const DigitStyle& style) {
    const std::string strip = dezu::assets::asset_bytes(style.asset);
    for (int i = 0; i < int(digit_images_.size()); ++i)
        digit_images_[std::size_t(i)] = image_from_strip(strip, i);
    emit digits_changed();
    kept_or_told(settings_.set(keys::kClockDigits, style.caption));
}

void DesktopClock::play_chime() {
    if (chime_sound_file_.empty())
        sounds_.play_bytes(default_chime_sound());
    else
        sounds_.play_file(chime_sound_file_);
}

std::string DesktopClock::stored_skin() const {
    return settings_.text(keys::kClockSkin);
}

std::string DesktopClock::stored_digit_style() const {
    return settings_.text(keys::kClockDigits);
}

std::optional<int> DesktopClock::stored_left() const {
    return stored_edge(settings_, keys::kClockLeft);
}

std::optional<int> DesktopClock::stored_top() const {
    return stored_edge(settings_, keys::kClockTop);
}

std::string DesktopClock::stored_chime() const {
    return settings_.path(keys::kChime);
}

void DesktopClock::store_skin(const std::string& caption) {
    kept_or_told(settings_.set(keys::kClockSkin, caption));
}

void DesktopClock::store_position(QPoint top_left) {
    kept_or_told(settings_.set(keys::kClockLeft, top_left.x()));
    kept_or_told(settings_.set(keys::kClockTop, top_left.y()));
}

void DesktopClock::store_chime(const std::string& value) {
    kept_or_told(settings_.set(keys::kChime, value));
}

}  // namespace dezu::clock
