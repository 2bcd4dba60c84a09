#pragma once

#include <QMetaObject>
#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

// Slow work (picture conversion, desktop commands, web fetches, SMTP) runs
// off the UI thread in a TaskGroup that belongs to the object that started
// it. Results come back on the owner's thread; cancelled work delivers
// nothing; the group's end waits for its threads, so nothing outlives it.
namespace dezu::work {

// What running work sees: whether it should stop, and a way to hand
// something (progress, a result) to the owner's thread.
class Task {
public:
    bool stop_requested() const { return stop_->load(std::memory_order_acquire); }

    // Runs fn on the owner's thread, unless the work is cancelled before then.
    void post(std::function<void()> fn) const {
        QMetaObject::invokeMethod(
            owner_,
            [stop = stop_, fn = std::move(fn)] {
                if (!stop->load(std::memory_order_acquire)) fn();
            },
            Qt::QueuedConnection);
    }

private:
    friend class TaskGroup;
    Task(std::shared_ptr<std::atomic<bool>> stop, QObject* owner)
        : stop_(std::move(stop)), owner_(owner) {}
    std::shared_ptr<std::atomic<bool>> stop_;
    QObject* owner_;
};

class TaskGroup {
public:
    // Results are delivered on the owner's thread; the owner must outlive the
    // group (make the group a member of the owner).
    explicit TaskGroup(QObject* owner) : owner_(owner) {}
    ~TaskGroup() {
        cancel();
        wait();
    }
    TaskGroup(const TaskGroup&) = delete;
    TaskGroup& operator=(const TaskGroup&) = delete;

    // work(const Task&) runs on a thread of its own; done(result), or done()
    // for work without a result, runs afterwards on the owner's thread unless
    // the work was cancelled.
    template <class Work, class Done>
    void run(Work work, Done done) {
        reap_finished();
        const Task task(stop_, owner_);
        auto finished = std::make_shared<std::atomic<bool>>(false);
        std::thread thread([task, finished, work = std::move(work), done = std::move(done)] {
            using Result = std::invoke_result_t<Work&, const Task&>;
            if constexpr (std::is_void_v<Result>) {
                work(task);
                task.post(done);
            } else {
                auto result = std::make_shared<Result>(work(task));
                task.post([done, result] { done(std::move(*result)); });
            }
            finished->store(true, std::memory_order_release);
        });
        std::lock_guard lock(mutex_);
        running_.push_back({std::move(thread), std::move(finished)});
    }

    // Asks all running work to stop and drops its results. Later work runs
    // normally.
    void cancel() {
        stop_->store(true, std::memory_order_release);
        stop_ = std::make_shared<std::atomic<bool>>(false);
    }

    // Waits until every thread of the group has ended.
    void wait() {
        std::vector<Running> running;
        {
            std::lock_guard lock(mutex_);
            running.swap(running_);
        }
        for (Running& r : running) r.thread.join();
    }

    // Whether work started here is still running.
    bool busy() {
        std::lock_guard lock(mutex_);
        for (const Running& r : running_)
            if (!r.finished->load(std::memory_order_acquire)) return true;
        return false;
    }

private:
    struct Running {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };

    void reap_finished() {
        std::lock_guard lock(mutex_);
        for (auto it = running_.begin(); it != running_.end();) {
            if (it->finished->load(std::memory_order_acquire)) {
                it->thread.join();
                it = running_.erase(it);
            } else {
                ++it;
            }
        }
    }

    QObject* owner_;
    std::shared_ptr<std::atomic<bool>> stop_ = std::make_shared<std::atomic<bool>>(false);
    std::mutex mutex_;
    std::vector<Running> running_;
};

}  // namespace dezu::work
