#pragma once

#include <QObject>
#include <QPoint>
#include <QTime>
#include <array>
#include <optional>
#include <string>

#include "platform/media/sound.h"

namespace dezu::process {
class Clock;
}
namespace dezu::settings {
class Settings;
}

namespace dezu::clock {

struct DigitStyle;

// The desktop clock's state, which outlives its window: the pictures of the
// digit style applied last in this run, the chime's sound, and the clock's
// settings. DesktopClockWindow shows it.
class DesktopClock : public QObject {
    Q_OBJECT
public:
    DesktopClock(dezu::settings::Settings& settings, const dezu::process::Clock& clock,
                 QObject* parent = nullptr);

    // The current local time, as the clock service tells it.
    QTime time() const;
    const dezu::process::Clock& clock() const { return clock_; }

    // Picture 0..9 of the digits and 10 of ":"; empty until a style has been
    // applied in this run.
    const std::string& digit_picture(int index) const;
    // Takes the style's eleven pictures and remembers its caption.
    void apply_digit_style(const DigitStyle& style);

    // The chosen chime file; empty for the built-in sound.
    const std::string& chime_sound_file() const { return chime_sound_file_; }
    void set_chime_sound_file(std::string path) { chime_sound_file_ = std::move(path); }
    // The built-in sound, or the chosen file. One that cannot be played ends
    // without a word.
    void play_chime();
    dezu::media::SoundPlayer& sounds() { return sounds_; }

    // What clock.ini holds for the clock. A position that was never saved, or
    // saved empty, is nothing.
    std::string stored_skin() const;
    std::string stored_digit_style() const;
    std::optional<int> stored_left() const;
    std::optional<int> stored_top() const;
    std::string stored_chime() const;

    void store_skin(const std::string& caption);
    void store_position(QPoint top_left);
    void store_chime(const std::string& value);

signals:
    // The digit pictures were replaced.
    void digits_changed();

private:
    dezu::settings::Settings& settings_;
    const dezu::process::Clock& clock_;
    std::array<std::string, 11> digit_images_;
    std::string chime_sound_file_;
    dezu::media::SoundPlayer sounds_;
};

}  // namespace dezu::clock
