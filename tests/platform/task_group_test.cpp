#include "platform/work/task_group.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <atomic>
#include <chrono>
#include <thread>

namespace {

void pump_until(const std::function<bool()>& done, int ms = 5000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

}  // namespace

TEST(TaskGroupTest, ResultsArriveOnTheOwnersThread) {
    QObject owner;
    dezu::work::TaskGroup group(&owner);
    std::thread::id worker;
    QThread* delivered_on = nullptr;
    int result = 0;
    group.run(
        [&](const dezu::work::Task&) {
            worker = std::this_thread::get_id();
            return 42;
        },
        [&](int r) {
            result = r;
            delivered_on = QThread::currentThread();
        });
    pump_until([&] { return result != 0; });
    EXPECT_EQ(result, 42);
    EXPECT_EQ(delivered_on, owner.thread());
    EXPECT_NE(worker, std::this_thread::get_id());
    group.wait();
    EXPECT_FALSE(group.busy());
}

TEST(TaskGroupTest, CancelledWorkStopsAndDeliversNothing) {
    QObject owner;
    dezu::work::TaskGroup group(&owner);
    std::atomic<bool> started{false};
    bool delivered = false;
    int progress_seen = 0;
    group.run(
        [&](const dezu::work::Task& task) {
            started = true;
            while (!task.stop_requested()) {
                task.post([&] { ++progress_seen; });
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            return 1;
        },
        [&](int) { delivered = true; });
    pump_until([&] { return progress_seen > 0; });
    ASSERT_TRUE(started);
    group.cancel();
    group.wait();
    const int seen = progress_seen;
    QCoreApplication::processEvents();
    EXPECT_FALSE(delivered);
    EXPECT_EQ(progress_seen, seen);  // progress posted before the cancel is dropped too

    // Work started after a cancel runs normally.
    bool later = false;
    group.run([](const dezu::work::Task&) {}, [&] { later = true; });
    pump_until([&] { return later; });
    EXPECT_TRUE(later);
}

TEST(TaskGroupTest, TheGroupsEndWaitsForItsWork) {
    std::atomic<bool> finished{false};
    {
        QObject owner;
        dezu::work::TaskGroup group(&owner);
        group.run(
            [&](const dezu::work::Task& task) {
                for (int i = 0; i < 50 && !task.stop_requested(); ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                finished = true;
            },
            [] {});
    }
    EXPECT_TRUE(finished);
}
