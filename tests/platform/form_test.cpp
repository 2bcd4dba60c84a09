#include "platform/ui/form.h"

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QTimer>

#include "platform/ui/timer_control.h"
#include "support/program_dir.h"

namespace ui = dezu::ui;

namespace {

std::vector<std::string> events;

class ProbeWindow : public ui::Form {
public:
    explicit ProbeWindow(bool keep_on_close = false) : Form("ProbeWindow"), keep_(keep_on_close) {}
    void on_created() override {
        events.push_back(std::string("created, loaded=") +
                         (ui::is_window_loaded("ProbeWindow") ? "yes" : "no"));
    }
    bool on_close_requested() override {
        events.push_back("close requested");
        return !keep_;
    }
    void on_closing() override { events.push_back("closing"); }

private:
    bool keep_;
};

}  // namespace

class FormRuntimeTest : public ProgramDirTest {
protected:
    void SetUp() override {
        ProgramDirTest::SetUp();
        events.clear();
        ui::register_window("ProbeWindow", [this] { return std::make_unique<ProbeWindow>(keep_); });
    }
    void TearDown() override {
        ui::unregister_window("ProbeWindow");
        ProgramDirTest::TearDown();
    }
    bool keep_ = false;
};

TEST_F(FormRuntimeTest, LoadRunsTheCreatedHandlerOnceAndDestroyRunsTheClosingHandler) {
    ui::Form* form = ui::load_window("ProbeWindow");
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(events, (std::vector<std::string>{"created, loaded=yes"}));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(ui::load_window("ProbeWindow"), form);  // loaded already: unchanged
    EXPECT_EQ(events.size(), 1u);
    ui::destroy_window("ProbeWindow");
    EXPECT_FALSE(ui::is_window_loaded("ProbeWindow"));
    ui::destroy_window("ProbeWindow");  // not loaded: nothing
    EXPECT_EQ(events, (std::vector<std::string>{"created, loaded=yes", "closing"}));
}

TEST_F(FormRuntimeTest, UnregisteredIdentityLoadsNothing) {
    EXPECT_EQ(ui::load_window("NoSuchWindow"), nullptr);
    EXPECT_FALSE(ui::is_window_loaded("NoSuchWindow"));
}

TEST_F(FormRuntimeTest, UserCloseAsksTheWindowFirst) {
    for (bool keep : {true, false}) {
        keep_ = keep;
        events.clear();
        ui::Form* form = ui::load_window("ProbeWindow");
        form->close();
        EXPECT_EQ(ui::is_window_loaded("ProbeWindow"), keep);
        ui::discard_all_windows();
    }
    EXPECT_EQ(events,
              (std::vector<std::string>{"created, loaded=yes", "close requested", "closing"}));
}

TEST_F(FormRuntimeTest, ModalLoadWaitsUntilTheWindowIsDestroyed) {
    QTimer::singleShot(50, [] {
        events.push_back("during modal");
        ui::destroy_window("ProbeWindow");
    });
    EXPECT_EQ(ui::load_window("ProbeWindow", true), nullptr);
    EXPECT_EQ(events, (std::vector<std::string>{"created, loaded=yes", "during modal", "closing"}));
}

TEST_F(FormRuntimeTest, TimerIntervalZeroOrLessMeansStopped) {
    QObject owner;
    ui::TimerControl timer(&owner, "时钟1");
    int ticks = 0;
    QObject::connect(&timer, &ui::TimerControl::tick, [&] { ++ticks; });
    timer.set_interval(10);
    EXPECT_TRUE(wait_until([&] { return ticks > 1; }));
    for (int stop : {0, -5}) {
        timer.set_interval(stop);
        EXPECT_EQ(timer.interval(), 0);
        EXPECT_FALSE(timer.is_running());
        const int before = ticks;
        run_timer_periods(10, 4);
        EXPECT_EQ(ticks, before);
    }
}
