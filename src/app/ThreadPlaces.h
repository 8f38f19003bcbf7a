#pragma once

#include "device/Hotplug.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

namespace zk::app {

// A manual-reset event: once set it stays set until reset, and every waiter
// wakes. Safe to use from any thread.
class StopEvent {
public:
    void Set();
    void Reset();
    bool IsSet() const;
    // True when the event is (or becomes) set within `timeout`. A wake-up ends
    // the wait early with false. A timeout of 0 looks without waiting.
    bool WaitFor(std::chrono::milliseconds timeout) const;
    // Ends the current wait early (or the next one, when nobody waits yet)
    // without setting the event: a thread that waits between steps does its
    // next step at once.
    void Wake();

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable cv_;
    bool set_ = false;
    mutable bool woken_ = false;
};

// One stop event per thread place; threads are started in places 1 to 14 and
// the fifteenth event stays without a thread.
inline constexpr int kStopEventCount = 15;
inline constexpr int kThreadPlaceCount = 14;
// How long the stop protocol waits for all started threads together.
inline constexpr std::chrono::milliseconds kStopWait{10000};

// What a worker thread receives: its place (1-based) and its stop event. The
// record is shared with the thread, so it stays valid even for a thread that
// outlives its owner.
struct ThreadParam {
    int place = 0;
    std::shared_ptr<StopEvent> stop;
};

// Thread places of the thread numbers (start order).
enum ThreadPlace : int {
    kPlaceKeyboardDetection = 1,
    kPlaceMouseDetection = 2,
    kPlaceMousepadDetection = 3,
    kPlaceMouseNotifications = 4,
    kPlaceKeyboardNotifications = 5,
    kPlaceKeyboardTicker = 6,
    kPlaceMouseTicker = 7,
    kPlaceMousepadTicker = 8,
    kPlaceSyncTicker = 9,
    kPlaceWatcherFirst = 10,
    kPlaceWatcherLast = 14,
};

enum class StopOutcome {
    AllEnded, // every started thread ended within the wait
    TimedOut, // at least one thread was still running when the wait ran out
    Failed,   // a thread place could not be started (its thread was never created)
};

// Wakes the waits of the thread with `param` whenever an HID interface is
// plugged in or unplugged, while the returned subscription lives (the
// detection threads, so that they scan at once).
device::HotplugSubscription WakeOnHotplug(const ThreadParam& param);

// The diagnostic line that reports the outcome of the stop wait.
std::string_view OutcomeLine(StopOutcome outcome);

using LogFn = std::function<void(std::string_view)>;

// The body of a well-behaved worker: calls `step` and then waits up to `period`
// on the stop event, until the event is set; then writes "<name> stopped" to
// `log` and returns.
void RunWorkerLoop(const ThreadParam& param, std::chrono::milliseconds period,
                   const std::function<void()>& step, std::string_view name, const LogFn& log);

// The worker threads of the main window with their stop events, and the stop
// protocol: set every event, wait for all started threads up to a bound, write
// the outcome, and release the places. A thread that does not end in time is
// left detached, so the process can still exit.
class ThreadPlaces {
public:
    using Body = std::function<void(const ThreadParam&)>;

    explicit ThreadPlaces(LogFn log = {});
    // Stops whatever still runs (with the full wait, without an outcome line
    // unless a thread runs).
    ~ThreadPlaces();
    ThreadPlaces(const ThreadPlaces&) = delete;
    ThreadPlaces& operator=(const ThreadPlaces&) = delete;

    // Makes the 15 stop events (not set) and their parameter records.
    void CreateStopEvents();
    bool HasStopEvents() const { return static_cast<bool>(params_[0].stop); }

    // Starts `body` in `place` (1..14) with that place's parameter record. The
    // stop event is reset before the thread starts, never by the thread, so a
    // stop that comes right after the start is not lost. False when the place
    // is out of range or taken, the events do not exist, or no thread could be
    // created.
    bool Start(int place, Body body);

    bool IsRunning(int place) const;
    int StartedCount() const;
    // The record of place 1..15; null stop event before CreateStopEvents.
    const ThreadParam& Param(int place) const;
    // The stop event of place 1..15 (null before CreateStopEvents).
    std::shared_ptr<StopEvent> Event(int place) const;

    // Sets every stop event, waits up to `wait` for all started threads
    // together, writes the outcome line, joins the threads that ended and
    // detaches the others, and empties the places and the events.
    StopOutcome StopAll(std::chrono::milliseconds wait = kStopWait);
    // The places whose threads did not end in the last StopAll.
    const std::array<bool, kStopEventCount + 1>& LastTimedOut() const { return timedOut_; }

private:
    struct Completion {
        std::mutex mutex;
        std::condition_variable cv;
        std::array<bool, kStopEventCount + 1> done{};
    };

    LogFn log_;
    std::array<ThreadParam, kStopEventCount> params_;
    std::array<std::thread, kStopEventCount + 1> threads_;
    std::array<bool, kStopEventCount + 1> started_{};
    std::array<bool, kStopEventCount + 1> timedOut_{};
    bool startFailed_ = false;
    std::shared_ptr<Completion> completion_;
};

} // namespace zk::app
