#pragma once

// The light previews of the three device pictures: the effect state of each
// device kind, the four ticker loops (keyboard, mouse, mousepad, shared) and
// the frame they hand to the picture controls. No Qt here: the controls read
// Frame() when they paint.
//
// Threads: each ticker loop runs on its own thread and alone writes its device
// kind's effect state. The main thread asks for resets and set-ups through
// atomic requests that the ticker applies at the start of its next frame; the
// notification thread sets the reactive triggers. Everything the loops share
// with other threads is atomic.

#include "lighting/KeyboardEffects.h"
#include "lighting/LightState.h"
#include "lighting/MouseEffects.h"
#include "lighting/MousepadEffects.h"
#include "lighting/PreviewFrame.h"
#include "lighting/SharedEffects.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace zk::lighting {

// Time and sleeping as a ticker sees them, so that tests can run the loops on
// a virtual clock.
class TickerClock {
public:
    virtual ~TickerClock() = default;
    // A millisecond tick count.
    virtual std::uint32_t NowMs() = 0;
    // Sleeps `ms`; returns true (early) when the thread is asked to stop.
    virtual bool Sleep(std::uint32_t ms) = 0;
    // The loop test: waits up to `ms` for the stop request; true when asked to
    // stop.
    virtual bool WaitStop(std::uint32_t ms) = 0;
    // Waits while the ticker has nothing to draw, until Wake, a stop or
    // kParkMs; true when asked to stop.
    virtual bool Park();
    // Ends the current Park early, or the next one when the ticker is not
    // parked yet (any thread).
    virtual void Wake() {}
};

// The real clock: the steady clock, and sleeps that are waits on the thread's
// stop event (`waitForStop` waits up to the given time and returns true when
// the event is set), so that a stop ends any sleep at once.
// `wake`, when given, ends the current park early without a stop; sleeps keep
// their length.
class SteadyTickerClock final : public TickerClock {
public:
    using WaitForStop = std::function<bool(std::chrono::milliseconds)>;
    explicit SteadyTickerClock(WaitForStop waitForStop, std::function<void()> wake = {});

    std::uint32_t NowMs() override;
    bool Sleep(std::uint32_t ms) override;
    bool WaitStop(std::uint32_t ms) override;
    bool Park() override;
    void Wake() override;

private:
    WaitForStop wait_;
    std::function<void()> wake_;
    std::chrono::steady_clock::time_point start_;
};

// What the previews read from their owner. Every pointer may be null: a null
// light record reads as all zero, a null connected flag as not connected, a
// null pause flag is replaced by one of the preview's own, a null model is 0.
struct LightPreviewBindings {
    std::uint8_t* mouseLight = nullptr;     // MouseSettingsRecord (bytes 1-9 used, 9 written)
    std::uint8_t* mousepadLight = nullptr;  // MousepadLightState, 21 bytes
    std::uint8_t* keyboardLight = nullptr;  // KeyboardLightState, 21 bytes
    std::uint8_t* keyboardRecord = nullptr; // KeyboardLightRecord, 1958 bytes (custom layers)
    // The device channels' connected and effect-pause flags (non-zero: set).
    const std::atomic<std::int32_t>* mouseConnected = nullptr;
    const std::atomic<std::int32_t>* mousepadConnected = nullptr;
    const std::atomic<std::int32_t>* keyboardConnected = nullptr;
    std::atomic<std::int32_t>* mousePaused = nullptr;
    std::atomic<std::int32_t>* mousepadPaused = nullptr;
    std::atomic<std::int32_t>* keyboardPaused = nullptr;
    const std::atomic<int>* keyboardModel = nullptr;    // 0 or 1
    const std::atomic<bool>* keyOperationTab = nullptr; // "kb_key_Op_tab" selected
};

// Timing of the tickers.
inline constexpr std::uint32_t kMouseStartDelayMs = 3000;
inline constexpr std::uint32_t kMousepadStartDelayMs = 3000;
inline constexpr std::uint32_t kKeyboardStartDelayMs = 1000;
inline constexpr std::uint32_t kStopPollMs = 1;
inline constexpr std::uint32_t kDisconnectedSleepMs = 100;
inline constexpr std::uint32_t kSharedIdleSleepMs = 1000;
// The longest park of a ticker with nothing to draw; a wake ends it at once.
inline constexpr std::uint32_t kParkMs = 3'600'000;

// Diagnostic lines of the tickers.
inline constexpr const char* kMouseUnknownModeLine = "鼠标灯光线程设定2";
inline constexpr const char* kMouseExitLine = "鼠标灯光线程设定退出";
inline constexpr const char* kMousepadExitLine = "鼠标垫灯光线程设定退出";
inline constexpr const char* kKeyboardExitLine = "键盘灯光线程设定退出";
inline constexpr const char* kSharedExitLine = "同步灯光线程设定退出";

class LightPreview {
public:
    explicit LightPreview(const LightPreviewBindings& bindings = {});
    LightPreview(const LightPreview&) = delete;
    LightPreview& operator=(const LightPreview&) = delete;

    // --- Picture side (any thread) ---------------------------------------
    const PreviewFrame& Frame() const { return frame_; }

    // --- Main thread -------------------------------------------------------
    // The mouse page changed the light mode: reset, ripple marker in
    // `markerCell` (0 when the direction byte is 0, 7 otherwise).
    void ResetMouse(std::uint8_t markerCell);
    // The mousepad page changed the mode: reset, and for the ripple a marker in
    // ring cell 0.
    void ResetMousepad(bool rippleMarker);
    // The keyboard page picked `mode` of `model` (with the reset) or refreshed
    // (set-up only).
    void SelectKeyboardMode(int model, std::uint8_t mode, bool reset = true);
    // The pause flag of a device kind (the bound one, or the preview's own);
    // wakes the shared ticker.
    void SetPaused(DeviceKind kind, bool paused);
    // Whether the pictures are on screen (the window shown, not minimised, and
    // the picture's page the current one): all of them, or the one of `kind`.
    // A ticker draws only while its device is connected and its picture is
    // shown; otherwise it parks until WakeTickers. Initially shown.
    void SetPicturesShown(bool shown);
    void SetPictureShown(DeviceKind kind, bool shown);
    bool PictureShown(DeviceKind kind) const {
        return shown_[static_cast<std::size_t>(kind)].load(std::memory_order_relaxed);
    }
    // Wakes the parked tickers to look again at the connected flags and the
    // shown state (after a device came or went; any thread).
    void WakeTickers();
    bool Paused(DeviceKind kind) const;
    // The shared effect's settings (bytes 1-8 as in a live light state); all
    // zero unless somebody sets them.
    LightBytesView SharedLight() { return LightBytesView(sharedLight_.data()); }

    // --- Notification thread ----------------------------------------------
    // Event 0x403 of the mouse: the reactive triggers of mouse and mousepad.
    void TriggerReactive();

    // --- Shared values ----------------------------------------------------
    SharedCounters& Counters() { return counters_; }

    // --- Ticker bodies, each on its own thread, until the clock says stop --
    void RunMouseTicker(TickerClock& clock);
    void RunMousepadTicker(TickerClock& clock);
    void RunKeyboardTicker(TickerClock& clock);
    void RunSharedTicker(TickerClock& clock);

    // The effect states, for inspection while no ticker runs.
    const MouseEffectState& MouseState() const { return mouseState_; }
    const MousepadEffectState& MousepadState() const { return mousepadState_; }
    const KeyboardEffectState& KeyboardState() const { return keyboardState_; }

private:
    enum Ticker : std::size_t { kMouseTicker, kMousepadTicker, kKeyboardTicker, kSharedTicker };
    // Registers `clock` for WakeTickers while the ticker body runs.
    class ParkPlace;
    static bool Connected(const std::atomic<std::int32_t>* flag);
    // Whether the ticker has anything to draw now.
    bool Live(Ticker ticker) const;
    void ApplyMouseRequest();
    void ApplyMousepadRequest();
    void ApplyKeyboardRequest();
    void PublishKeyboard(int model);

    LightPreviewBindings bindings_;
    std::array<std::uint8_t, kLiveLightStateSize> unboundMouse_{};
    std::array<std::uint8_t, kLiveLightStateSize> unboundMousepad_{};
    std::array<std::uint8_t, kLiveLightStateSize> unboundKeyboard_{};
    std::array<std::uint8_t, kLiveLightStateSize> sharedLight_{};
    LightBytesView mouseLight_;
    LightBytesView mousepadLight_;
    LightBytesView keyboardLight_;
    LightBytesView keyboardRecord_;

    PreviewFrame frame_;
    SharedCounters counters_;
    std::array<std::atomic<std::int32_t>, 3> ownPaused_{};
    std::array<std::atomic<std::int32_t>*, 3> paused_{};
    std::atomic<std::uint32_t> mouseTrigger_{0};
    std::atomic<std::uint32_t> mousepadTrigger_{0};
    std::atomic<std::uint32_t> mouseRequest_{0};
    std::atomic<std::uint32_t> mousepadRequest_{0};
    std::atomic<std::uint32_t> keyboardRequest_{0};
    std::array<std::atomic<bool>, 3> shown_{true, true, true};
    std::mutex parkMutex_;
    std::array<TickerClock*, 4> parked_{};

    // Written by the owning ticker only.
    MouseEffectState mouseState_;
    MouseFrame mouseFrame_{};
    MousepadEffectState mousepadState_;
    MousepadFrame mousepadFrame_{};
    KeyboardEffectState keyboardState_;
};

// The four ticker loops of one LightPreview on threads of their own, with a
// stop for each, for owners that do not manage thread places themselves.
class LightTickerThreads {
public:
    explicit LightTickerThreads(LightPreview& preview);
    ~LightTickerThreads(); // stops and joins
    LightTickerThreads(const LightTickerThreads&) = delete;
    LightTickerThreads& operator=(const LightTickerThreads&) = delete;

    void Start();
    void Stop();

private:
    struct Impl;
    LightPreview& preview_;
    std::unique_ptr<Impl> impl_;
};

} // namespace zk::lighting
