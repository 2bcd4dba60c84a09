#pragma once

#include <QDateTime>
#include <QPointer>
#include <QPrinter>
#include <QWidget>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/program.h"
#include "platform/desktop/desktop_setter.h"
#include "platform/process/clock.h"
#include "platform/process/process.h"
#include "platform/shell/shell_actions.h"
#include "platform/ui/failures.h"
#include "platform/ui/printer_choice.h"
#include "platform/ui/window_system.h"
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
    // The screens' size the desktop tells; none unless the test sets one.
    QSize screen_size() override { return screen; }
    QSize screen;

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
    void show_run_dialog(QWidget*) override { record("show_run_dialog"); }
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

// The pointer, the screen and the foreground window as the test fixes them;
// what it leaves unfixed is the platform's own answer.
class FixedWindowSystem : public dezu::ui::WindowSystem {
public:
    QPoint pointer_position() const override {
        return pointer ? *pointer : live_.pointer_position();
    }
    QRect screen_geometry_at(QPoint point) const override {
        return screen ? *screen : live_.screen_geometry_at(point);
    }
    void bring_to_foreground(QWidget* window) override { live_.bring_to_foreground(window); }
    QWidget* foreground_window() const override {
        return foreground ? foreground->data() : live_.foreground_window();
    }

    std::optional<QPoint> pointer;
    std::optional<QRect> screen;
    // A null window stands for another program's.
    std::optional<QPointer<QWidget>> foreground;

private:
    dezu::ui::LiveWindowSystem live_;
};

// Prints into a PDF file when the test names one; else there is no printer.
class PdfPrinter : public dezu::ui::PrinterChoice {
public:
    bool direct(QPrinter& printer) override {
        if (!output) return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(*output));
        return true;
    }
    std::optional<std::string> output;
};

// Every service a test stands in for, ready to hand to a Program.
struct TestServices {
    FixedClock clock;
    ScriptedPrompts prompts;
    dezu::ui::FailureReporter failures{prompts};
    RecordedExit process;
    RecordedDesktop desktop;
    RecordedShell shell;
    FixedWindowSystem window_system;
    PdfPrinter printer;

    dezu::Services services() {
        return {clock, prompts, failures, process, desktop, shell, window_system, printer};
    }
};

// The site of a program folder, as image_entry forms it.
inline dezu::ProgramSite test_site(const std::string& dir, bool opacity_enabled = false) {
    dezu::ProgramSite site;
    site.dir = dir.empty() || dir.back() != '/' ? dir + "/" : dir;
    site.file_name = "dezu";
    site.opacity_enabled = opacity_enabled;
    return site;
}
