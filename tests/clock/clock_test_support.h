#pragma once

#include <QDateTime>

#include "app/globals.h"
#include "app/register_windows.h"
#include "clock/desktop_clock_window.h"
#include "platform/process/clock.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "platform/ui/window_ids.h"
#include "support/program_dir.h"
#include "support/silent_sounds.h"

// A fresh program directory, every window registered, the clock fixed at a
// time of the test's choosing and sounds played silently.
class ClockTest : public ProgramDirTest {
protected:
    void SetUp() override {
        ProgramDirTest::SetUp();
        register_all_windows();
        g_program_dir = dir() + "/";  // as the launcher's start-up sets it
        set_time(9, 5, 7);
    }

    static void set_time(int h, int m, int s) {
        dezu::process::set_now_for_test(QDateTime(QDate(2026, 3, 14), QTime(h, m, s)));
    }

    static DesktopClockWindow* open_clock() {
        return dynamic_cast<DesktopClockWindow*>(
            dezu::ui::load_window(dezu::ui::windows::kDesktopClock));
    }

    // What the eight boxes show, read back from their pictures: "09:05:07";
    // "?" for a box with a picture that is no digit, " " for an empty one.
    static std::string shown(const DesktopClockWindow* w) {
        std::string text;
        for (int i = 1; i <= 8; ++i) {
            const std::string& pic = w->time_box(i)->picture();
            char c = pic.empty() ? ' ' : '?';
            for (std::size_t d = 0; d < g_digit_images.size() && !pic.empty(); ++d)
                if (g_digit_images[d] == pic) c = d == 10 ? ':' : char('0' + d);
            text += c;
        }
        return text;
    }

    static std::vector<dezu::media::PlayedSound> sounds_after_playing() {
        return SilentSounds::after_playing();
    }

private:
    SilentSounds sounds_;
};
