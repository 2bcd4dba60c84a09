#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#if defined(__SANITIZE_THREAD__)
#define DEZU_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define DEZU_THREAD_SANITIZER 1
#endif
#endif
#ifdef DEZU_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>
#endif

// Slow work (picture conversion, desktop commands, web fetches, SMTP) runs
// off the UI thread in a TaskGroup that belongs to the object that started
// it. Results come back on the owner's thread; cancelled work delivers
// nothing; the group's end waits for its threads, so nothing outlives it.
namespace dezu::work {

namespace detail {

// Qt's event queue orders a post before its delivery, but inside Qt, where
// ThreadSanitizer does not look; these tell it so.
#ifdef DEZU_THREAD_SANITIZER
inline char handover = 0;
inline void handing_over() {
    __tsan_release(&handover);
}
inline void taking_over() {
    __tsan_acquire(&handover);
}
#else
inline void handing_over() {}
inline void taking_over() {}
#endif

// One call for the owner's thread, carried by an event built whole before it
// is posted.
class Delivery : public QEvent {
public:
    Delivery(std::shared_ptr<std::atomic<bool>> stop, std::function<void()> fn)
        : QEvent(QEvent::User), stop_(std::move(stop)), fn_(std::move(fn)) {}
    ~Delivery() override { taking_over(); }  // also when dropped undelivered
    void deliver() const {
        if (!stop_->load(std::memory_order_acquire)) fn_();
    }

private:
    std::shared_ptr<std::atomic<bool>> stop_;
    std::function<void()> fn_;
};

// Lives on the owner's thread and runs what the group's work posts.
class Mailbox : public QObject {
protected:
    bool event(QEvent* e) override {
        taking_over();
        if (e->type() != QEvent::User) return QObject::event(e);
        static_cast<const Delivery*>(e)->deliver();
        return true;
    }
};

}  // namespace detail

// What running work sees: whether it should stop, and a way to hand
// something (progress, a result) to the owner's thread.
class Task {
public:
    bool stop_requested() const { return stop_->load(std::memory_order_acquire); }

    // Runs fn on the owner's thread, unless the work is cancelled before then.
    void post(std::function<void()> fn) const {
        auto* delivery = new detail::Delivery(stop_, std::move(fn));
        detail::handing_over();
        QCoreApplication::postEvent(mailbox_, delivery);
    }

private:
    friend class TaskGroup;
    Task(std::shared_ptr<std::atomic<bool>> stop, QObject* mailbox)
        : stop_(std::move(stop)), mailbox_(mailbox) {}
    std::shared_ptr<std::atomic<bool>> stop_;
    QObject* mailbox_;
};

class TaskGroup {
public:
    // Results are delivered on the owner's thread; the owner must outlive the
    // group (make the group a member of the owner).
    explicit TaskGroup(QObject* owner) { mailbox_->moveToThread(owner->thread()); }
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
        const Task task(stop_, mailbox_.get());
        auto finished = std::make_shared<std::atomic<bool>>(false);
        std::thread thread([task, finished, work = std::move(work), done = std::move(done)] {
            using Result = std::invoke_result_t<Work&, const Task&>;
            if constexpr (std::is_void_v<Result>) {
                work(task);
                task.post(done);
            } else {
                // The worker keeps no share of the result, so it is read and
                // freed on the owner's thread alone.
                auto result = std::make_shared<Result>(work(task));
                task.post([done, result = std::move(result)] { done(std::move(*result)); });
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

    // Deleted after the threads are joined; undelivered posts go with it.
    std::unique_ptr<detail::Mailbox> mailbox_ = std::make_unique<detail::Mailbox>();
    std::shared_ptr<std::atomic<bool>> stop_ = std::make_shared<std::atomic<bool>>(false);
    std::mutex mutex_;
    std::vector<Running> running_;
};

}  // namespace dezu::work
