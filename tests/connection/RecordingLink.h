#pragma once

#include "connection/MainWindowLink.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

namespace zktest {

// The main window's side of the link, as a test sees it: every call is
// recorded in order; a sent message runs `onSend` on the calling thread (as
// the main window would run its handler while the sender waits).
class RecordingLink : public zk::connection::MainWindowLink {
public:
    enum class Kind { Post, Send, Change, Timer, Reactive };
    struct Event {
        Kind kind;
        unsigned number = 0; // message or timer id
        zk::connection::ControlChange change;
        std::chrono::steady_clock::time_point time;
    };

    std::function<void(unsigned)> onSend;

    void PostMessage(unsigned message) override { Add({Kind::Post, message, {}, Now()}); }
    void SendMessage(unsigned message) override {
        Add({Kind::Send, message, {}, Now()});
        if (onSend)
            onSend(message);
    }
    void QueueControlChanges(std::vector<zk::connection::ControlChange> changes) override {
        for (auto& c : changes)
            Add({Kind::Change, 0, std::move(c), Now()});
    }
    void StartTimer(unsigned id, std::chrono::milliseconds period) override {
        Add({Kind::Timer,
             id,
             {zk::connection::ControlOp::Update, "", static_cast<int>(period.count())},
             Now()});
    }
    void TriggerReactiveEffects() override { Add({Kind::Reactive, 0, {}, Now()}); }

    std::vector<Event> Events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }
    size_t Count(Kind kind, unsigned number) const {
        std::lock_guard lock(mutex_);
        size_t n = 0;
        for (const auto& e : events_)
            if (e.kind == kind && e.number == number)
                ++n;
        return n;
    }
    bool HasChange(const zk::connection::ControlChange& change) const {
        std::lock_guard lock(mutex_);
        for (const auto& e : events_)
            if (e.kind == Kind::Change && e.change == change)
                return true;
        return false;
    }
    // Waits until the change was asked for; false on time-out. Detection
    // queues its control changes after it marks the channel connected.
    bool WaitForChange(const zk::connection::ControlChange& change,
                       std::chrono::milliseconds timeout) const {
        return WaitUntil(
            [&](const std::vector<Event>& events) {
                for (const auto& e : events)
                    if (e.kind == Kind::Change && e.change == change)
                        return true;
                return false;
            },
            timeout);
    }
    // Waits until `pred` holds for the events; false on time-out.
    bool WaitUntil(const std::function<bool(const std::vector<Event>&)>& pred,
                   std::chrono::milliseconds timeout) const {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, timeout, [&] { return pred(events_); });
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        events_.clear();
    }

private:
    static std::chrono::steady_clock::time_point Now() { return std::chrono::steady_clock::now(); }
    void Add(Event e) {
        {
            std::lock_guard lock(mutex_);
            events_.push_back(std::move(e));
        }
        cv_.notify_all();
    }

    mutable std::mutex mutex_;
    mutable std::condition_variable cv_;
    std::vector<Event> events_;
};

// A stop event for a thread body under test.
class TestStop {
public:
    void Set() {
        {
            std::lock_guard lock(mutex_);
            set_ = true;
        }
        cv_.notify_all();
    }
    bool Wait(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, timeout, [&] { return set_; });
    }
    zk::connection::StopWait Waiter() {
        return [this](std::chrono::milliseconds t) { return Wait(t); };
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool set_ = false;
};

} // namespace zktest
