#pragma once

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <string>

// A fresh, empty program directory for one test (hand it to a Program as
// test_site(dir())); the log-on start entries go to a config folder inside
// it. Windows start anew.
class ProgramDirTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The directory as the system gives it (no trailing "/").
    std::string dir() const;
    // A path inside it.
    std::string path(const std::string& name) const;
    std::string clock_ini() const { return path("clock.ini"); }

    void write_file(const std::string& name, const std::string& bytes) const;
    std::string read_file(const std::string& name) const;

    // One pass of the event loop: posted events and deferred deletes.
    static void process_events();

    // For checks that something does NOT happen: runs the event loop until a
    // timer of this interval has fired this many times, so every timer and
    // posted event of the program due in that span has had its turn, however
    // slow the machine is. Bounded by a generous multiple of the span.
    static void run_timer_periods(int interval_ms, int periods);

    // Runs the event loop until the condition holds; false if it never did
    // within the bound.
    template <class Condition>
    static bool wait_until(Condition condition, int ms = 10000) {
        QDeadlineTimer deadline(ms);
        while (!condition()) {
            if (deadline.hasExpired()) return false;
            pump(5);
        }
        return true;
    }

private:
    static void pump(int milliseconds);

    QTemporaryDir temp_;
};
