#include "lighting/LightPreview.h"

#include "platform/Log.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace zk::lighting {

// ---------------------------------------------------------------------------
// Clock

bool TickerClock::Park() {
    return Sleep(kParkMs);
}

SteadyTickerClock::SteadyTickerClock(WaitForStop waitForStop, std::function<void()> wake)
    : wait_(std::move(waitForStop)), wake_(std::move(wake)),
      start_(std::chrono::steady_clock::now()) {}

std::uint32_t SteadyTickerClock::NowMs() {
    const auto elapsed = std::chrono::steady_clock::now() - start_;
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

bool SteadyTickerClock::Sleep(std::uint32_t ms) {
    // A wake ends parks only: a frame delay or the start delay keeps its
    // length (the loop looks at its state again after every sleep anyway).
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (wait_(std::max(left, std::chrono::milliseconds(0)))) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
    }
}

bool SteadyTickerClock::WaitStop(std::uint32_t ms) {
    return wait_(std::chrono::milliseconds(ms));
}

bool SteadyTickerClock::Park() {
    return wait_(std::chrono::milliseconds(kParkMs));
}

void SteadyTickerClock::Wake() {
    if (wake_)
        wake_();
}

// ---------------------------------------------------------------------------
// Requests from the main thread. A request is one 32-bit value: bit 31 marks
// it pending; the low bits carry its arguments.

namespace {
constexpr std::uint32_t kPending = 0x8000'0000u;
constexpr std::uint32_t kKeyboardReset = 0x4000'0000u;
constexpr std::uint32_t kMousepadMarker = 0x1u;
} // namespace

LightPreview::LightPreview(const LightPreviewBindings& bindings)
    : bindings_(bindings),
      mouseLight_(bindings.mouseLight ? bindings.mouseLight : unboundMouse_.data()),
      mousepadLight_(bindings.mousepadLight ? bindings.mousepadLight : unboundMousepad_.data()),
      keyboardLight_(bindings.keyboardLight ? bindings.keyboardLight : unboundKeyboard_.data()),
      keyboardRecord_(bindings.keyboardRecord) {
    paused_ = {bindings.mousePaused ? bindings.mousePaused : &ownPaused_[0],
               bindings.mousepadPaused ? bindings.mousepadPaused : &ownPaused_[1],
               bindings.keyboardPaused ? bindings.keyboardPaused : &ownPaused_[2]};
}

void LightPreview::ResetMouse(std::uint8_t markerCell) {
    mouseRequest_.store(kPending | markerCell, std::memory_order_release);
}

void LightPreview::ResetMousepad(bool rippleMarker) {
    mousepadRequest_.store(kPending | (rippleMarker ? kMousepadMarker : 0u),
                           std::memory_order_release);
}

void LightPreview::SelectKeyboardMode(int model, std::uint8_t mode, bool reset) {
    const std::uint32_t mine = kPending | (reset ? kKeyboardReset : 0u) |
                               (static_cast<std::uint32_t>(model & 0xFF) << 8) | mode;
    // A set-up that follows a reset the ticker has not applied yet keeps it.
    std::uint32_t old = keyboardRequest_.load(std::memory_order_relaxed);
    while (!keyboardRequest_.compare_exchange_weak(
        old, mine | (old & kKeyboardReset), std::memory_order_release, std::memory_order_relaxed)) {
    }
}

void LightPreview::SetPaused(DeviceKind kind, bool paused) {
    paused_[static_cast<std::size_t>(kind)]->store(paused ? 1 : 0, std::memory_order_relaxed);
    WakeTickers();
}

void LightPreview::SetPicturesShown(bool shown) {
    bool changed = false;
    for (auto& flag : shown_)
        changed |= flag.exchange(shown, std::memory_order_relaxed) != shown;
    if (changed)
        WakeTickers();
}

void LightPreview::SetPictureShown(DeviceKind kind, bool shown) {
    if (shown_[static_cast<std::size_t>(kind)].exchange(shown, std::memory_order_relaxed) != shown)
        WakeTickers();
}

void LightPreview::WakeTickers() {
    std::lock_guard lock(parkMutex_);
    for (TickerClock* clock : parked_) {
        if (clock)
            clock->Wake();
    }
}

class LightPreview::ParkPlace {
public:
    ParkPlace(LightPreview& preview, Ticker ticker, TickerClock& clock)
        : preview_(preview), ticker_(ticker) {
        std::lock_guard lock(preview_.parkMutex_);
        preview_.parked_[ticker_] = &clock;
    }
    ~ParkPlace() {
        std::lock_guard lock(preview_.parkMutex_);
        preview_.parked_[ticker_] = nullptr;
    }
    ParkPlace(const ParkPlace&) = delete;
    ParkPlace& operator=(const ParkPlace&) = delete;

private:
    LightPreview& preview_;
    Ticker ticker_;
};

bool LightPreview::Live(Ticker ticker) const {
    switch (ticker) {
    case kMouseTicker:
        return PictureShown(DeviceKind::Mouse) && Connected(bindings_.mouseConnected);
    case kMousepadTicker:
        return PictureShown(DeviceKind::Mousepad) && Connected(bindings_.mousepadConnected);
    case kKeyboardTicker:
        return PictureShown(DeviceKind::Keyboard) && Connected(bindings_.keyboardConnected);
    case kSharedTicker:
        break;
    }
    // The shared effect draws on the shown pictures of paused devices.
    const bool anyConnected = Connected(bindings_.mouseConnected) ||
                              Connected(bindings_.mousepadConnected) ||
                              Connected(bindings_.keyboardConnected);
    bool target = false;
    for (DeviceKind kind : {DeviceKind::Mouse, DeviceKind::Mousepad, DeviceKind::Keyboard})
        target |= Paused(kind) && PictureShown(kind);
    return anyConnected && target;
}

bool LightPreview::Paused(DeviceKind kind) const {
    return paused_[static_cast<std::size_t>(kind)]->load(std::memory_order_relaxed) != 0;
}

void LightPreview::TriggerReactive() {
    mouseTrigger_.store(1, std::memory_order_relaxed);
    mousepadTrigger_.store(1, std::memory_order_relaxed);
}

bool LightPreview::Connected(const std::atomic<std::int32_t>* flag) {
    return flag != nullptr && flag->load(std::memory_order_relaxed) != 0;
}

void LightPreview::ApplyMouseRequest() {
    const std::uint32_t request = mouseRequest_.exchange(0, std::memory_order_acquire);
    if (request & kPending) {
        mouseState_.Reset(static_cast<std::uint8_t>(request & 0xFF));
    }
}

void LightPreview::ApplyMousepadRequest() {
    const std::uint32_t request = mousepadRequest_.exchange(0, std::memory_order_acquire);
    if (request & kPending) {
        mousepadState_.Reset((request & kMousepadMarker) != 0);
    }
}

void LightPreview::ApplyKeyboardRequest() {
    const std::uint32_t request = keyboardRequest_.exchange(0, std::memory_order_acquire);
    if ((request & kPending) == 0) {
        return;
    }
    if (request & kKeyboardReset) {
        keyboardState_.Reset();
        counters_.sharedPosition.store(0, std::memory_order_relaxed);
    }
    SetUpKeyboardMode(keyboardState_, static_cast<int>((request >> 8) & 0xFF),
                      static_cast<std::uint8_t>(request & 0xFF));
}

// ---------------------------------------------------------------------------
// Tickers

void LightPreview::RunMouseTicker(TickerClock& clock) {
    const ParkPlace place(*this, kMouseTicker, clock);
    if (!clock.Sleep(kMouseStartDelayMs)) {
        while (!clock.WaitStop(kStopPollMs)) {
            if (!Live(kMouseTicker)) {
                if (clock.Park()) {
                    break;
                }
                continue;
            }
            const std::uint32_t speed = mouseLight_.Load(kLightSpeed);
            if (clock.Sleep(2 * speed + 3) || clock.Sleep(10 * speed)) {
                break;
            }
            if (!Connected(bindings_.mouseConnected)) {
                if (clock.Sleep(kDisconnectedSleepMs)) {
                    break;
                }
                continue;
            }
            if (Paused(DeviceKind::Mouse)) {
                continue;
            }
            ApplyMouseRequest();
            const std::uint8_t mode = mouseLight_.Load(kLightMode);
            if ((mode == 4 || mode == 5) && clock.Sleep(50)) {
                break;
            }
            const StepOutcome out =
                StepMouseEffect(mouseState_, mouseLight_,
                                EffectInputs{counters_, mouseTrigger_, clock.NowMs()}, mouseFrame_);
            if (!out.knownMode) {
                platform::DebugLine(kMouseUnknownModeLine);
                continue;
            }
            for (std::size_t i = 0; i < kMouseLedCount; ++i) {
                frame_.Write(kPreviewMouseFirst + i, mouseFrame_[i]);
            }
            frame_.Published(DeviceKind::Mouse);
        }
    }
    platform::DebugLine(kMouseExitLine);
}

void LightPreview::RunMousepadTicker(TickerClock& clock) {
    const ParkPlace place(*this, kMousepadTicker, clock);
    if (!clock.Sleep(kMousepadStartDelayMs)) {
        while (!clock.WaitStop(kStopPollMs)) {
            if (!Live(kMousepadTicker)) {
                if (clock.Park()) {
                    break;
                }
                continue;
            }
            const LightParams p = mousepadLight_.Read();
            if (clock.Sleep(MousepadFrameDelay(p.mode, p.speed))) {
                break;
            }
            if (!Connected(bindings_.mousepadConnected)) {
                if (clock.Sleep(kDisconnectedSleepMs)) {
                    break;
                }
                continue;
            }
            if (Paused(DeviceKind::Mousepad)) {
                continue;
            }
            ApplyMousepadRequest();
            const std::uint8_t mode = mousepadLight_.Load(kLightMode);
            const std::uint32_t speed = mousepadLight_.Load(kLightSpeed);
            const std::uint32_t extra = mode == 4   ? 10 * speed + 100
                                        : mode == 5 ? 50
                                        : mode == 7 ? 5 * speed + 50
                                                    : 0;
            if (clock.Sleep(extra)) {
                break;
            }
            const StepOutcome out = StepMousepadEffect(
                mousepadState_, mousepadLight_,
                EffectInputs{counters_, mousepadTrigger_, clock.NowMs()}, mousepadFrame_);
            if (out.drawn) {
                for (std::size_t i = 0; i < kMousepadLedCount; ++i) {
                    frame_.Write(kPreviewMousepadFirst + i, mousepadFrame_[i]);
                }
                frame_.Published(DeviceKind::Mousepad);
            }
            if (out.sleepMs != 0 && clock.Sleep(out.sleepMs)) {
                break;
            }
        }
    }
    platform::DebugLine(kMousepadExitLine);
}

void LightPreview::PublishKeyboard(int model) {
    const bool keyOperation = bindings_.keyOperationTab != nullptr &&
                              bindings_.keyOperationTab->load(std::memory_order_relaxed);
    frame_.SetKeyboardTintOn(!keyOperation);
    const Rgb fixed{kModel1Red, kModel1Green, kModel1Blue};
    for (std::size_t i = 0; i < kKeyboardKeyCount; ++i) {
        const Tint t = keyboardState_.frame[i];
        frame_.Write(kPreviewKeyboardFirst + i, model == 0 ? t : MakeTint(fixed, TintOpacity(t)));
    }
    frame_.Published(DeviceKind::Keyboard);
}

void LightPreview::RunKeyboardTicker(TickerClock& clock) {
    const ParkPlace place(*this, kKeyboardTicker, clock);
    if (!clock.Sleep(kKeyboardStartDelayMs)) {
        while (!clock.WaitStop(kStopPollMs)) {
            if (!Live(kKeyboardTicker)) {
                if (clock.Park()) {
                    break;
                }
                continue;
            }
            const LightParams p = keyboardLight_.Read();
            if (clock.Sleep(KeyboardFrameDelay(p.mode, p.speed))) {
                break;
            }
            if (!Connected(bindings_.keyboardConnected)) {
                if (clock.Sleep(kDisconnectedSleepMs)) {
                    break;
                }
                continue;
            }
            if (!Paused(DeviceKind::Keyboard)) {
                ApplyKeyboardRequest();
                const int model = bindings_.keyboardModel != nullptr
                                      ? bindings_.keyboardModel->load(std::memory_order_relaxed)
                                      : 0;
                if (clock.Sleep(KeyboardExtraSleep(model, keyboardLight_.Load(kLightMode)))) {
                    break;
                }
                const StepOutcome out = StepKeyboardEffect(keyboardState_, model, keyboardLight_,
                                                           keyboardRecord_, counters_);
                if (out.sleepMs != 0 && clock.Sleep(out.sleepMs)) {
                    break;
                }
                if (out.knownMode) {
                    PublishKeyboard(model);
                }
            }
            counters_.AdvanceFrameCounter(1);
            counters_.keyboardStep.fetch_add(1, std::memory_order_relaxed);
        }
    }
    platform::DebugLine(kKeyboardExitLine);
}

void LightPreview::RunSharedTicker(TickerClock& clock) {
    const ParkPlace place(*this, kSharedTicker, clock);
    const LightBytesView shared(sharedLight_.data());
    while (!clock.WaitStop(kStopPollMs)) {
        if (!Live(kSharedTicker)) {
            if (clock.Park()) {
                break;
            }
            continue;
        }
        if (clock.Sleep(4u * shared.Load(kLightSpeed))) {
            break;
        }
        if (!Connected(bindings_.mouseConnected) && !Connected(bindings_.mousepadConnected) &&
            !Connected(bindings_.keyboardConnected)) {
            if (clock.Sleep(kSharedIdleSleepMs)) {
                break;
            }
            continue;
        }
        const SharedTargets targets{Paused(DeviceKind::Mouse), Paused(DeviceKind::Mousepad),
                                    Paused(DeviceKind::Keyboard)};
        if (targets.Any()) {
            StepSharedEffect(shared, counters_, targets, frame_);
        }
    }
    platform::DebugLine(kSharedExitLine);
}

// ---------------------------------------------------------------------------
// Threads

namespace {
class StopSignal {
public:
    void Set() {
        {
            std::lock_guard lock(mutex_);
            set_ = true;
        }
        cv_.notify_all();
    }
    // Ends the current wait early (or the next one) without a stop.
    void Wake() {
        {
            std::lock_guard lock(mutex_);
            woken_ = true;
        }
        cv_.notify_all();
    }
    bool WaitFor(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        cv_.wait_for(lock, timeout, [this] { return set_ || woken_; });
        woken_ = false;
        return set_;
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool set_ = false;
    bool woken_ = false;
};
} // namespace

struct LightTickerThreads::Impl {
    std::array<StopSignal, 4> stops;
    std::array<std::thread, 4> threads;
};

LightTickerThreads::LightTickerThreads(LightPreview& preview) : preview_(preview) {}

LightTickerThreads::~LightTickerThreads() {
    Stop();
}

void LightTickerThreads::Start() {
    if (impl_) {
        return;
    }
    impl_ = std::make_unique<Impl>();
    using Body = void (LightPreview::*)(TickerClock&);
    constexpr std::array<Body, 4> bodies = {
        &LightPreview::RunKeyboardTicker, &LightPreview::RunMouseTicker,
        &LightPreview::RunMousepadTicker, &LightPreview::RunSharedTicker};
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        auto* stop = &impl_->stops[i];
        impl_->threads[i] = std::thread([this, stop, body = bodies[i]] {
            SteadyTickerClock clock(
                [stop](std::chrono::milliseconds t) { return stop->WaitFor(t); },
                [stop] { stop->Wake(); });
            (preview_.*body)(clock);
        });
    }
}

void LightTickerThreads::Stop() {
    if (!impl_) {
        return;
    }
    for (auto& stop : impl_->stops) {
        stop.Set();
    }
    for (auto& thread : impl_->threads) {
        if (thread.joinable()) {
            thread.join();
        }
    }
    impl_.reset();
}

} // namespace zk::lighting
