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

    // Pumps the event loop for a while (timers, deferred deletes).
    static void process_events(int milliseconds = 0);

    // Runs the event loop until the condition holds; false if it never did
    // within the bound.
    template <class Condition>
    static bool wait_until(Condition condition, int ms = 10000) {
        QDeadlineTimer deadline(ms);
        while (!condition()) {
            if (deadline.hasExpired()) return false;
            process_events(5);
        }
        return true;
    }

private:
    QTemporaryDir temp_;
};
