#pragma once

#include <QDateTime>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "app/program.h"
#include "platform/desktop/desktop_setter.h"
#include "platform/process/clock.h"
#include "platform/process/process.h"
#include "platform/shell/shell_actions.h"
#include "platform/ui/failures.h"
#include "scripted_prompts.h"

// A clock the test sets; it stands still unless the test moves it.
class FixedClock : public dezu::process::Clock {
public:
    QDateTime now() const override { return now_.isValid() ? now_ : QDateTime::currentDateTime(); }
    void set(const QDateTime& now) { now_ = now; }
    void advance_ms(qint64 ms) { now_ = now().addMSecs(ms); }

private:
    QDateTime now_;
};

// Records the end of the process instead of ending it.
class RecordedExit : public dezu::process::ProcessControl {
public:
    void end_process(int exit_code) override { codes.push_back(exit_code); }
    std::vector<int> codes;
};

// Records each wallpaper handed to the desktop; answers as told. Called off
// the UI thread.
class RecordedDesktop : public dezu::desktop::DesktopSetter {
public:
    struct Call {
        std::string path;
        int style;
    };
    bool set_wallpaper(const std::string& path, int style) override {
        std::lock_guard lock(mutex_);
        calls_.push_back({path, style});
        return answer_;
    }
    std::vector<Call> calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    void answer(bool taken) {
        std::lock_guard lock(mutex_);
        answer_ = taken;
    }

private:
    mutable std::mutex mutex_;
    std::vector<Call> calls_;
    bool answer_ = true;
};

// Records each system action by name ("power_off", "open_document about:blank").
class RecordedShell : public dezu::shell::ShellActions {
public:
    bool open_settings_program() override { return record("open_settings_program"); }
    bool start_screen_saver() override { return record("start_screen_saver"); }
    void power_off() override { record("power_off"); }
    bool open_date_time_settings() override { return record("open_date_time_settings"); }
    bool open_document(const std::string& target) override {
        return record("open_document " + target);
    }
    bool move_to_trash(const std::string& path) override { return record("move_to_trash " + path); }

    std::vector<std::string> calls;
    bool answer = true;

private:
    bool record(std::string call) {
        calls.push_back(std::move(call));
        return answer;
    }
};

// Every service a test stands in for, ready to hand to a Program.
struct TestServices {
    FixedClock clock;
    ScriptedPrompts prompts;
    dezu::ui::FailureReporter failures{prompts};
    RecordedExit process;
    RecordedDesktop desktop;
    RecordedShell shell;

    dezu::Services services() { return {clock, prompts, failures, process, desktop, shell}; }
};

// The site of a program folder, as image_entry forms it.
inline dezu::ProgramSite test_site(const std::string& dir, bool opacity_enabled = false) {
    dezu::ProgramSite site;
    site.dir = dir.empty() || dir.back() != '/' ? dir + "/" : dir;
    site.file_name = "dezu";
    site.opacity_enabled = opacity_enabled;
    return site;
}
