#include "app/ThreadPlaces.h"

#include <exception>
#include <string>
#include <system_error>

namespace zk::app {

void StopEvent::Set() {
    {
        std::lock_guard lock(mutex_);
        set_ = true;
    }
    cv_.notify_all();
}

void StopEvent::Reset() {
    std::lock_guard lock(mutex_);
    set_ = false;
}

bool StopEvent::IsSet() const {
    std::lock_guard lock(mutex_);
    return set_;
}

bool StopEvent::WaitFor(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    if (timeout.count() > 0)
        cv_.wait_for(lock, timeout, [this] { return set_ || woken_; });
    woken_ = false;
    return set_;
}

void StopEvent::Wake() {
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    cv_.notify_all();
}

device::HotplugSubscription WakeOnHotplug(const ThreadParam& param) {
    return device::SubscribeHotplug([stop = param.stop] {
        if (stop)
            stop->Wake();
    });
}

std::string_view OutcomeLine(StopOutcome outcome) {
    switch (outcome) {
    case StopOutcome::AllEnded:
        return "所有对象处于激发状态\n";
    case StopOutcome::TimedOut:
        return "所有对象处于非激发状态，超时\n";
    case StopOutcome::Failed:
        break;
    }
    return "错误\n";
}

void RunWorkerLoop(const ThreadParam& param, std::chrono::milliseconds period,
                   const std::function<void()>& step, std::string_view name, const LogFn& log) {
    do {
        if (step)
            step();
    } while (!param.stop->WaitFor(period));
    if (log)
        log(std::string(name) + " stopped");
}

ThreadPlaces::ThreadPlaces(LogFn log) : log_(std::move(log)) {}

ThreadPlaces::~ThreadPlaces() {
    if (StartedCount() > 0)
        StopAll();
}

void ThreadPlaces::CreateStopEvents() {
    for (int i = 0; i < kStopEventCount; ++i) {
        params_[i].place = i + 1;
        params_[i].stop = std::make_shared<StopEvent>();
    }
    completion_ = std::make_shared<Completion>();
    timedOut_ = {};
    startFailed_ = false;
}

bool ThreadPlaces::Start(int place, Body body) {
    if (place < 1 || place > kThreadPlaceCount || started_[place] || !HasStopEvents() || !body)
        return false;
    ThreadParam param = params_[place - 1];
    param.stop->Reset();
    auto completion = completion_;
    auto log = log_;
    try {
        threads_[place] = std::thread([param, completion, log, body = std::move(body)] {
            try {
                body(param);
            } catch (const std::exception& e) {
                if (log)
                    log("thread " + std::to_string(param.place) + " failed: " + e.what());
            } catch (...) {
                if (log)
                    log("thread " + std::to_string(param.place) + " failed");
            }
            {
                std::lock_guard lock(completion->mutex);
                completion->done[param.place] = true;
            }
            completion->cv.notify_all();
        });
    } catch (const std::system_error& e) {
        startFailed_ = true;
        if (log_)
            log_("thread " + std::to_string(place) + " not started: " + e.what());
        return false;
    }
    started_[place] = true;
    return true;
}

bool ThreadPlaces::IsRunning(int place) const {
    if (place < 1 || place > kThreadPlaceCount || !started_[place] || !completion_)
        return false;
    std::lock_guard lock(completion_->mutex);
    return !completion_->done[place];
}

int ThreadPlaces::StartedCount() const {
    int n = 0;
    for (int p = 1; p <= kThreadPlaceCount; ++p)
        n += started_[p] ? 1 : 0;
    return n;
}

const ThreadParam& ThreadPlaces::Param(int place) const {
    static const ThreadParam kNone;
    if (place < 1 || place > kStopEventCount)
        return kNone;
    return params_[place - 1];
}

std::shared_ptr<StopEvent> ThreadPlaces::Event(int place) const {
    return Param(place).stop;
}

StopOutcome ThreadPlaces::StopAll(std::chrono::milliseconds wait) {
    for (auto& p : params_)
        if (p.stop)
            p.stop->Set();

    timedOut_ = {};
    bool allEnded = true;
    if (completion_) {
        std::unique_lock lock(completion_->mutex);
        allEnded = completion_->cv.wait_for(lock, wait, [this] {
            for (int p = 1; p <= kThreadPlaceCount; ++p)
                if (started_[p] && !completion_->done[p])
                    return false;
            return true;
        });
        for (int p = 1; p <= kThreadPlaceCount; ++p)
            timedOut_[p] = started_[p] && !completion_->done[p];
    }

    const StopOutcome outcome = !allEnded      ? StopOutcome::TimedOut
                                : startFailed_ ? StopOutcome::Failed
                                               : StopOutcome::AllEnded;
    if (log_)
        log_(OutcomeLine(outcome));

    for (int p = 1; p <= kThreadPlaceCount; ++p) {
        if (!started_[p])
            continue;
        // A thread that ended only has to leave its wrapper; one that did not
        // is left to itself: it keeps its own copies of its record.
        if (timedOut_[p])
            threads_[p].detach();
        else
            threads_[p].join();
        started_[p] = false;
    }
    for (auto& p : params_)
        p.stop.reset();
    completion_.reset();
    startFailed_ = false;
    return outcome;
}

} // namespace zk::app
