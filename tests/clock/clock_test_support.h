#pragma once

#include <QDateTime>
#include <optional>

#include "app/program.h"
#include "clock/desktop_clock.h"
#include "clock/desktop_clock_window.h"
#include "platform/settings/settings_file.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "platform/ui/window_ids.h"
#include "support/program_dir.h"
#include "support/sound_log.h"
#include "support/test_services.h"

using dezu::app::Program;
using dezu::clock::DesktopClock;
using dezu::clock::DesktopClockWindow;

// A program on a fresh folder, the clock service at a time of the test's
// choosing, and sounds played silently into a fake sink and followed through
// the clock's own sound player.
class ClockTest : public ProgramDirTest {
protected:
    using Sound = SoundLog::Sound;

    void SetUp() override {
        ProgramDirTest::SetUp();
        make_program();
        set_time(9, 5, 7);
    }
    void TearDown() override {
        sounds_.reset();
        program_.reset();
        ProgramDirTest::TearDown();
    }

    void make_program(bool opacity_enabled = false) {
        sounds_.reset();
        program_.reset();
        program_.emplace(test_site(dir(), opacity_enabled), services.services());
        sounds_.emplace(clock().sounds());
    }
    DesktopClock& clock() { return program_->desktop_clock(); }

    void set_time(int h, int m, int s, int ms = 0) {
        services.clock.set(QDateTime(QDate(2026, 3, 14), QTime(h, m, s, ms)));
    }

    DesktopClockWindow* open_clock() {
        return dynamic_cast<DesktopClockWindow*>(
            dezu::ui::load_window(dezu::ui::windows::kDesktopClock));
    }
    void close_clock() {
        dezu::ui::destroy_window(dezu::ui::windows::kDesktopClock);
        process_events();
    }

    // What the eight boxes show, read back from their pictures: "09:05:07";
    // "?" for a box with a picture that is no digit, " " for an empty one.
    std::string shown(const DesktopClockWindow* w) {
        std::string text;
        for (int i = 1; i <= 8; ++i) {
            const std::string& pic = w->time_box(i)->picture();
            char c = pic.empty() ? ' ' : '?';
            for (int d = 0; d <= 10 && !pic.empty(); ++d)
                if (clock().digit_picture(d) == pic) c = d == 10 ? ':' : char('0' + d);
            text += c;
        }
        return text;
    }

    SoundLog& sounds() { return *sounds_; }

    std::string ini(const char* section, const char* key, const char* missing = "") const {
        return dezu::settings::read_setting(clock_ini(), section, key, missing);
    }
    void set_ini(const char* section, const char* key, const std::string& value) const {
        ASSERT_TRUE(dezu::settings::write_setting(clock_ini(), section, key, value));
    }

    TestServices services;

private:
    FakeAudioOutput output_;
    std::optional<Program> program_;
    std::optional<SoundLog> sounds_;
};
