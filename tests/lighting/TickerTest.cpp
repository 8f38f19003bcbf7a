#include "lighting/LightPreview.h"

#include "platform/Log.h"

#include "TestLight.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace zk::lighting;
using zktest::LightRecord;

namespace {

// Virtual time: sleeps advance the clock at once. The sleeps of each frame
// (between two stop polls) are kept; the loop is asked to stop after
// `maxFrames` frames.
class FakeClock final : public TickerClock {
public:
    explicit FakeClock(int maxFrames) : maxFrames_(maxFrames) {}

    std::uint32_t NowMs() override { return now; }
    bool Sleep(std::uint32_t ms) override {
        (frames.empty() ? startSleeps : frames.back()).push_back(ms);
        now += ms;
        return stopInSleep;
    }
    bool WaitStop(std::uint32_t ms) override {
        if (static_cast<int>(frames.size()) >= maxFrames_) {
            return true;
        }
        now += ms;
        pollTimes.push_back(now);
        frames.emplace_back();
        return false;
    }

    std::uint32_t now = 0;
    bool stopInSleep = false;
    std::vector<std::uint32_t> startSleeps;
    std::vector<std::vector<std::uint32_t>> frames;
    std::vector<std::uint32_t> pollTimes;

private:
    int maxFrames_;
};

// Collects the diagnostic lines for one test.
class LogCapture {
public:
    LogCapture() {
        previous_ = zk::platform::SetDebugSink([this](std::string_view line) {
            std::lock_guard lock(mutex_);
            lines_.emplace_back(line);
        });
    }
    ~LogCapture() { zk::platform::SetDebugSink(previous_); }
    int Count(std::string_view line) {
        std::lock_guard lock(mutex_);
        int n = 0;
        for (const auto& l : lines_) {
            n += l == line ? 1 : 0;
        }
        return n;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
    zk::platform::DebugSink previous_;
};

struct Devices {
    LightRecord mouse, mousepad, keyboard;
    std::vector<std::uint8_t> record = std::vector<std::uint8_t>(kKeyboardLightRecordSize, 0);
    std::atomic<std::int32_t> mouseOn{0}, padOn{0}, keyboardOn{0};
    std::atomic<std::int32_t> mousePause{0}, padPause{0}, keyboardPause{0};
    std::atomic<bool> keyOperation{false};
    std::atomic<int> model{0};

    LightPreviewBindings Bindings() {
        LightPreviewBindings b;
        b.mouseLight = mouse.bytes.data();
        b.mousepadLight = mousepad.bytes.data();
        b.keyboardLight = keyboard.bytes.data();
        b.keyboardRecord = record.data();
        b.mouseConnected = &mouseOn;
        b.mousepadConnected = &padOn;
        b.keyboardConnected = &keyboardOn;
        b.mousePaused = &mousePause;
        b.mousepadPaused = &padPause;
        b.keyboardPaused = &keyboardPause;
        b.keyboardModel = &model;
        b.keyOperationTab = &keyOperation;
        return b;
    }
};

using Sleeps = std::vector<std::uint32_t>;

} // namespace

TEST(Tickers, MouseFramePeriodFollowsTheSpeed) {
    for (std::uint8_t mode : {3, 4, 5}) {
        Devices d;
        d.mouseOn = 1;
        d.mouse.Mode(mode).Speed(4).Brightness(4);
        LightPreview preview(d.Bindings());
        FakeClock clock(5);
        preview.RunMouseTicker(clock);
        EXPECT_EQ(clock.startSleeps, Sleeps{kMouseStartDelayMs});
        ASSERT_EQ(clock.frames.size(), 5u);
        const Sleeps expected = mode == 3 ? Sleeps{11, 40} : Sleeps{11, 40, 50};
        for (const auto& frame : clock.frames) {
            EXPECT_EQ(frame, expected) << int(mode);
        }
        // 11 + 40 = 51 ms (+ 50 in fill and ripple), plus the stop poll.
        const std::uint32_t period = clock.pollTimes[2] - clock.pollTimes[1];
        EXPECT_EQ(period, (mode == 3 ? 51u : 101u) + kStopPollMs);
        EXPECT_EQ(preview.Frame().Generation(DeviceKind::Mouse), 5u);
    }
    Devices d;
    d.mouseOn = 1;
    d.mouse.Mode(3).Speed(0);
    LightPreview preview(d.Bindings());
    FakeClock clock(2);
    preview.RunMouseTicker(clock);
    EXPECT_EQ(clock.frames[1], (Sleeps{3, 0})); // the fastest: 3 ms
}

TEST(Tickers, WithoutDevicesEachTickerParks) {
    Devices d;
    d.mouse.Mode(3).Brightness(4).Speed(1);
    d.mousepad.Mode(3).Brightness(4).Speed(2);
    d.keyboard.Mode(3).Brightness(4).Speed(2);
    LightPreview preview(d.Bindings());
    preview.SharedLight().Store(kLightSpeed, 3);
    LogCapture log;

    FakeClock mouse(3), pad(3), keyboard(3), shared(3);
    preview.RunMouseTicker(mouse);
    preview.RunMousepadTicker(pad);
    preview.RunKeyboardTicker(keyboard);
    preview.RunSharedTicker(shared);
    // Nothing to draw: no frame delay, only the park until somebody wakes them.
    for (int f = 0; f < 3; ++f) {
        for (const FakeClock* clock : {&mouse, &pad, &keyboard, &shared}) {
            EXPECT_EQ(clock->frames[f], (Sleeps{kParkMs}));
        }
    }
    EXPECT_EQ(pad.startSleeps, Sleeps{kMousepadStartDelayMs});
    EXPECT_EQ(keyboard.startSleeps, Sleeps{kKeyboardStartDelayMs});
    EXPECT_TRUE(shared.startSleeps.empty());
    for (std::size_t i = 0; i < kPreviewCount; ++i) {
        EXPECT_EQ(preview.Frame().Read(i), kDark);
    }
    EXPECT_EQ(preview.Frame().Generation(DeviceKind::Mouse), 0u);
    EXPECT_EQ(preview.Frame().Generation(DeviceKind::Keyboard), 0u);
    EXPECT_EQ(preview.Counters().frameCounter.load(), 0); // only connected frames count
    EXPECT_EQ(log.Count(kMouseExitLine), 1);
    EXPECT_EQ(log.Count(kMousepadExitLine), 1);
    EXPECT_EQ(log.Count(kKeyboardExitLine), 1);
    EXPECT_EQ(log.Count(kSharedExitLine), 1);
}

TEST(Tickers, AStopDuringTheStartDelayEndsTheTicker) {
    Devices d;
    d.mouseOn = d.padOn = d.keyboardOn = 1;
    LightPreview preview(d.Bindings());
    LogCapture log;
    for (auto body : {&LightPreview::RunMouseTicker, &LightPreview::RunMousepadTicker,
                      &LightPreview::RunKeyboardTicker}) {
        FakeClock clock(100);
        clock.stopInSleep = true;
        (preview.*body)(clock);
        EXPECT_TRUE(clock.frames.empty());
    }
    EXPECT_EQ(log.Count(kMouseExitLine), 1);
    EXPECT_EQ(log.Count(kKeyboardExitLine), 1);
}

TEST(Tickers, UnknownMouseModeKeepsThePictureAndSaysSoEachFrame) {
    Devices d;
    d.mouseOn = 1;
    d.mouse.Mode(3).Brightness(4).Colour(1, 2, 3);
    LightPreview preview(d.Bindings());
    LogCapture log;
    FakeClock first(1);
    preview.RunMouseTicker(first);
    const Tint lit = preview.Frame().Mouse(5);
    EXPECT_EQ(lit, MakeTint(Rgb{1, 2, 3}, 255));
    d.mouse.Mode(9);
    FakeClock clock(4);
    preview.RunMouseTicker(clock);
    EXPECT_EQ(log.Count(kMouseUnknownModeLine), 4);
    EXPECT_EQ(preview.Frame().Mouse(5), lit);
}

TEST(Tickers, PausedDevicesSkipTheirEffectButTheKeyboardStillCounts) {
    Devices d;
    d.mouseOn = d.keyboardOn = 1;
    d.mouse.Mode(3).Brightness(4).Colour(9, 9, 9);
    d.keyboard.Mode(3).Brightness(4);
    LightPreview preview(d.Bindings());
    preview.SetPaused(DeviceKind::Mouse, true);
    preview.SetPaused(DeviceKind::Keyboard, true);
    EXPECT_EQ(d.mousePause.load(), 1); // the channel's own flag
    FakeClock mouse(3), keyboard(7);
    preview.RunMouseTicker(mouse);
    preview.RunKeyboardTicker(keyboard);
    EXPECT_EQ(preview.Frame().Mouse(0), kDark);
    EXPECT_EQ(preview.Frame().Keyboard(51), kDark);
    EXPECT_EQ(preview.Counters().frameCounter.load(), 7);
    EXPECT_EQ(preview.Counters().keyboardStep.load(), 7);
    EXPECT_EQ(mouse.frames[0], (Sleeps{3, 0})); // no 100 ms: connected

    // The shared ticker draws on the paused pictures only.
    preview.SetPaused(DeviceKind::Keyboard, false);
    auto shared = preview.SharedLight();
    shared.Store(kLightMode, 3);
    shared.Store(kLightBrightness, 4);
    shared.Store(kLightRed, 50);
    FakeClock sharedClock(2);
    preview.RunSharedTicker(sharedClock);
    EXPECT_EQ(preview.Frame().Mouse(19), MakeTint(Rgb{50, 0, 0}, 255));
    EXPECT_EQ(preview.Frame().Keyboard(51), kDark);
    EXPECT_EQ(sharedClock.frames[0], (Sleeps{0}));
}

TEST(Tickers, KeyboardModelOneShowsOneColourAndTheKeyTabHidesTheTint) {
    Devices d;
    d.keyboardOn = 1;
    d.model = 1;
    d.keyboard.Brightness(4).Cycle(1).Direction(1).Colour(10, 200, 30);
    d.record.assign(d.record.size(), 0xC0);
    LightPreview preview(d.Bindings());
    const Rgb fixed{kModel1Red, kModel1Green, kModel1Blue};
    for (std::uint8_t mode = 0; mode < kKeyboardModel1ModeCount; ++mode) {
        d.keyboard.Mode(mode);
        preview.SelectKeyboardMode(1, mode);
        FakeClock clock(40);
        preview.RunKeyboardTicker(clock);
        EXPECT_TRUE(preview.Frame().KeyboardTintOn());
        int lit = 0;
        for (std::size_t key = 0; key < kKeyboardKeyCount; ++key) {
            const Tint t = preview.Frame().Keyboard(key);
            EXPECT_EQ(TintRgb(t), fixed) << int(mode) << " key " << key;
            lit += TintOpacity(t) != 0 ? 1 : 0;
        }
        EXPECT_GT(lit, 0) << int(mode);
    }
    d.keyOperation = true;
    FakeClock clock(1);
    preview.RunKeyboardTicker(clock);
    EXPECT_FALSE(preview.Frame().KeyboardTintOn());
}

TEST(Tickers, PageRequestsReachTheNextFrame) {
    Devices d;
    d.mouseOn = d.keyboardOn = d.padOn = 1;
    d.mouse.Mode(5).Brightness(4).Cycle(0).Direction(1);
    d.keyboard.Mode(4).Brightness(4);
    d.mousepad.Mode(5).Brightness(4);
    LightPreview preview(d.Bindings());

    preview.ResetMouse(7);
    FakeClock mouse(1);
    preview.RunMouseTicker(mouse);
    EXPECT_EQ(preview.MouseState().columnLevel[7], 255); // the marker started at cell 7 (not drawn)
    EXPECT_EQ(preview.MouseState().ring[6], 1);

    preview.ResetMousepad(true);
    FakeClock pad(1);
    preview.RunMousepadTicker(pad);
    EXPECT_EQ(preview.MousepadState().ledLevel[0], 225);

    preview.SelectKeyboardMode(0, 4, true);
    preview.SelectKeyboardMode(0, 4, false); // a refresh before the ticker ran keeps the reset
    FakeClock keyboard(1);
    preview.RunKeyboardTicker(keyboard);
    EXPECT_EQ(preview.KeyboardState().hue[0], 34);  // 33 × 1, moved on once
    EXPECT_EQ(keyboard.frames[0], (Sleeps{3, 12})); // mode 4 at speed 0, then its extra sleep
}

TEST(Tickers, MousepadPausesAndExtraSleeps) {
    Devices d;
    d.padOn = 1;
    d.mousepad.Mode(7).Speed(2).Brightness(4);
    LightPreview preview(d.Bindings());
    FakeClock clock(16);
    preview.RunMousepadTicker(clock);
    for (int f = 0; f < 14; ++f) {
        EXPECT_EQ(clock.frames[f], (Sleeps{17, 60}));
    }
    EXPECT_EQ(clock.frames[14], (Sleeps{17, 60, kBarPauseMs})); // the turn
    EXPECT_EQ(preview.Frame().Generation(DeviceKind::Mousepad), 15u);

    d.mousepad.Mode(4);
    FakeClock fill(1);
    preview.RunMousepadTicker(fill);
    EXPECT_EQ(fill.frames[0], (Sleeps{17, 120}));
}

TEST(Tickers, OneReactiveEventFlashesMouseAndMousepad) {
    Devices d;
    d.mouseOn = d.padOn = 1;
    d.mouse.Mode(6).Brightness(4).Colour(0, 0, 200);
    d.mousepad.Mode(8).Brightness(4).Colour(0, 0, 200);
    LightPreview preview(d.Bindings());
    preview.TriggerReactive();
    FakeClock mouse(1), pad(1);
    preview.RunMouseTicker(mouse);
    preview.RunMousepadTicker(pad);
    EXPECT_EQ(preview.Frame().Mouse(0), MakeTint(Rgb{0, 0, 200}, 255));
    EXPECT_EQ(preview.Frame().Mousepad(14), MakeTint(Rgb{0, 0, 200}, 255));
}

TEST(Tickers, RealThreadsStopPromptlyAndTheSharedTickerKeepsItsPace) {
    Devices d;
    d.mouseOn = 1;
    LightPreview preview(d.Bindings());
    preview.SetPaused(DeviceKind::Mouse, true);
    auto shared = preview.SharedLight();
    shared.Store(kLightMode, 1);
    shared.Store(kLightBrightness, 4);
    shared.Store(kLightSpeed, 5); // 20 ms a frame

    LightTickerThreads threads(preview);
    const auto start = std::chrono::steady_clock::now();
    threads.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const std::uint32_t frames = preview.Frame().Generation(DeviceKind::Mouse);
    threads.Stop(); // the device tickers are still in their start delay
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::milliseconds(1000));
    // 300 ms at 20 ms (+ the stop poll) a frame: about 14 frames.
    EXPECT_GE(frames, 4u); // a loaded machine may stretch the waits, never shorten them
    EXPECT_LE(frames, 16u);
    EXPECT_NE(TintOpacity(preview.Frame().Mouse(0)), 0);
}

namespace {
// Real threads with short sleeps, for the concurrency check.
class QuickClock final : public TickerClock {
public:
    explicit QuickClock(const std::atomic<bool>& stop) : stop_(stop) {}
    std::uint32_t NowMs() override { return now_ += 7; }
    bool Sleep(std::uint32_t) override {
        std::this_thread::yield();
        return stop_.load();
    }
    bool WaitStop(std::uint32_t) override {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        return stop_.load();
    }

private:
    const std::atomic<bool>& stop_;
    std::uint32_t now_ = 0;
};
} // namespace

TEST(Tickers, ConcurrentChangesWhileAllTickersRun) {
    Devices d;
    d.mouseOn = d.padOn = d.keyboardOn = 1;
    LightPreview preview(d.Bindings());
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    for (auto body : {&LightPreview::RunMouseTicker, &LightPreview::RunMousepadTicker,
                      &LightPreview::RunKeyboardTicker, &LightPreview::RunSharedTicker}) {
        threads.emplace_back([&preview, &stop, body] {
            QuickClock clock(stop);
            (preview.*body)(clock);
        });
    }
    preview.SharedLight().Store(kLightBrightness, 4);
    std::uint64_t sum = 0;
    for (int i = 0; i < 400; ++i) {
        const auto mode = static_cast<std::uint8_t>(i % 17);
        d.mouse.Mode(mode % 7).Brightness(i % 5).Cycle(i % 2).Direction(i % 3);
        d.mousepad.Mode(mode % 9).Brightness(4).Cycle(i % 2);
        d.keyboard.Mode(mode).Brightness(4).Cycle(i % 2).Direction(i % 2);
        StoreByte(d.record[kCustomLayersOffset + static_cast<std::size_t>(i)],
                  static_cast<std::uint8_t>(i));
        d.model = (i / 50) % 2;
        preview.ResetMouse(static_cast<std::uint8_t>(i % 2 ? 7 : 0));
        preview.ResetMousepad(true);
        preview.SelectKeyboardMode(d.model, mode, i % 3 == 0);
        preview.TriggerReactive();
        preview.SetPaused(DeviceKind::Mouse, i % 10 == 0);
        d.keyOperation = i % 7 == 0;
        for (std::size_t k = 0; k < kPreviewCount; ++k) {
            sum += preview.Frame().Read(k);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    stop = true;
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_GT(preview.Frame().Generation(DeviceKind::Mouse), 0u);
    EXPECT_GT(preview.Frame().Generation(DeviceKind::Keyboard), 0u);
    EXPECT_GT(sum, 0u);
}

namespace {
// Real threads on virtual frame delays: sleeps return at once, a park blocks
// until Wake or the stop and is counted, so a ticker that wakes by itself
// shows as more parks.
class GateClock final : public TickerClock {
public:
    std::uint32_t NowMs() override { return now_ += 5; }
    bool Sleep(std::uint32_t) override {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        return Stopped();
    }
    bool WaitStop(std::uint32_t) override { return Stopped(); }
    bool Park() override {
        std::unique_lock lock(mutex_);
        ++parks_;
        cv_.wait(lock, [this] { return woken_ || stop_; });
        woken_ = false;
        return stop_;
    }
    void Wake() override {
        std::lock_guard lock(mutex_);
        woken_ = true;
        cv_.notify_all();
    }
    void Stop() {
        std::lock_guard lock(mutex_);
        stop_ = true;
        cv_.notify_all();
    }
    int Parks() {
        std::lock_guard lock(mutex_);
        return parks_;
    }

private:
    bool Stopped() {
        std::lock_guard lock(mutex_);
        return stop_;
    }
    std::mutex mutex_;
    std::condition_variable cv_;
    bool woken_ = false;
    bool stop_ = false;
    int parks_ = 0;
    std::uint32_t now_ = 0;
};

bool WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 2000 && !done(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
}
} // namespace

// Each device ticker draws only while its device is connected and the
// pictures are on screen; otherwise it parks without waking by itself and
// comes back at once when woken. The shared ticker also needs a paused device.
TEST(Tickers, TickersParkWithoutDeviceOrScreenAndResumeWhenWoken) {
    struct Case {
        const char* name;
        void (LightPreview::*body)(TickerClock&);
        DeviceKind kind;
        std::atomic<std::int32_t> Devices::*connected;
    };
    const Case cases[] = {
        {"mouse", &LightPreview::RunMouseTicker, DeviceKind::Mouse, &Devices::mouseOn},
        {"mousepad", &LightPreview::RunMousepadTicker, DeviceKind::Mousepad, &Devices::padOn},
        {"keyboard", &LightPreview::RunKeyboardTicker, DeviceKind::Keyboard, &Devices::keyboardOn},
        {"shared", &LightPreview::RunSharedTicker, DeviceKind::Mouse, &Devices::mouseOn},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool shared = c.body == &LightPreview::RunSharedTicker;
        Devices d;
        d.mouse.Mode(1).Brightness(4);
        d.mousepad.Mode(1).Brightness(4);
        d.keyboard.Mode(3).Brightness(4);
        LightPreview preview(d.Bindings());
        preview.SharedLight().Store(kLightMode, 1);
        preview.SharedLight().Store(kLightBrightness, 4);
        GateClock clock;
        std::thread ticker([&] { (preview.*c.body)(clock); });
        auto frames = [&] { return preview.Frame().Generation(c.kind); };

        // Parked and staying so: no park ends without a wake (a wake that came
        // while the ticker ran may end one more).
        auto staysParked = [&] {
            const int parks = clock.Parks();
            const std::uint32_t shown = frames();
            std::this_thread::sleep_for(std::chrono::milliseconds(60));
            return parks > 0 && clock.Parks() == parks && frames() == shown;
        };

        // No device.
        ASSERT_TRUE(WaitFor([&] { return clock.Parks() == 1; }));
        EXPECT_TRUE(staysParked());
        EXPECT_EQ(frames(), 0u);

        // The device comes: drawing starts with the wake.
        (d.*c.connected) = 1;
        if (shared) {
            preview.SetPaused(DeviceKind::Mouse, true); // wakes by itself
        } else {
            preview.WakeTickers();
        }
        ASSERT_TRUE(WaitFor([&] { return frames() >= 3; }));

        // Hidden or minimised: parked again, the picture stays as it was.
        int parks = clock.Parks();
        preview.SetPicturesShown(false);
        ASSERT_TRUE(WaitFor([&] { return clock.Parks() > parks; }));
        EXPECT_TRUE(staysParked());

        // Back on screen: at once.
        const std::uint32_t hidden = frames();
        preview.SetPicturesShown(true);
        ASSERT_TRUE(WaitFor([&] { return frames() > hidden + 2; }));

        // The device goes.
        parks = clock.Parks();
        (d.*c.connected) = 0;
        preview.WakeTickers();
        ASSERT_TRUE(WaitFor([&] { return clock.Parks() > parks; }));
        EXPECT_TRUE(staysParked());

        clock.Stop();
        ticker.join();
    }
}
