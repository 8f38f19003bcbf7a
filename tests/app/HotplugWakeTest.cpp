// A detection thread that waits on its stop event as the main window starts it, with the
// hot-plug wake-up: plugging and unplugging the emulated mouse is noticed at once although the
// thread's own scan would come only after a minute.
#include "app/ThreadPlaces.h"
#include "connection/Detection.h"
#include "connection/RecordingLink.h"
#include "emulator/Emulator.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;
using zk::app::ThreadParam;
using zk::app::ThreadPlaces;
namespace conn = zk::connection;

namespace {

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

TEST(HotplugWake, PlugAndUnplugReachTheDetectionThreadLongBeforeItsNextScan) {
    zktest::TempHome home;
    zk::emulator::EmulatorOptions options;
    options.keyboard = false;
    options.mousepad = false;
    auto installation = zk::emulator::InstallEmulatedBus(options);
    zk::emulator::EmulatedDevice& mouse = *installation->Bus().Mouse();

    zk::protocol::DeviceChannel keyboard, mouseChannel, mousepad;
    mouseChannel.SetIdentity(0x260D, 0x1138, 0x0092, 0xFF1C);
    const conn::DeviceChannels channels{&keyboard, &mouseChannel, &mousepad};
    const conn::PresentationNames names{
        {"ms_tab", "ms_tab_panel", "ms_deng_same_mode", "config_list", {}},
        {"kb_tab", "kb_tab_panel", "kb_deng_same_mode", "kb_combo", {}},
        {"mp_tab", "", "mp_deng_same_mode", "mp_combo", {}}};
    conn::DetectionTiming timing;
    timing.mousePoll = 60s; // only a wake-up can make the next step come soon
    zktest::RecordingLink link;

    ThreadPlaces places;
    places.CreateStopEvents();
    ASSERT_TRUE(places.Start(zk::app::kPlaceMouseDetection, [&](const ThreadParam& param) {
        const auto wake = zk::app::WakeOnHotplug(param);
        conn::RunDetection(
            conn::DeviceKind::Mouse, channels, names, link,
            [stop = param.stop](std::chrono::milliseconds t) { return stop->WaitFor(t); }, timing);
    }));
    ASSERT_TRUE(WaitFor([&] { return mouseChannel.IsConnected(); }, 2s)); // the first scan

    for (int round = 0; round < 3; ++round) {
        mouse.Unplug();
        ASSERT_TRUE(WaitFor([&] { return !mouseChannel.IsConnected(); }, 2s)) << round;
        mouse.Replug();
        ASSERT_TRUE(WaitFor([&] { return mouseChannel.IsConnected(); }, 2s)) << round;
    }
    // A wake-up is no stop, and a stop still ends the thread at once.
    EXPECT_TRUE(places.IsRunning(zk::app::kPlaceMouseDetection));
    const auto stopStart = std::chrono::steady_clock::now();
    EXPECT_EQ(places.StopAll(10s), zk::app::StopOutcome::AllEnded);
    EXPECT_LT(std::chrono::steady_clock::now() - stopStart, 2s);
}

TEST(HotplugWake, AWakeUpEndsOneWaitEarlyWithoutSettingTheEvent) {
    zk::app::StopEvent event;
    event.Wake(); // before anybody waits: the next wait ends at once
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(event.WaitFor(10s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    // Consumed: the following wait runs its time.
    start = std::chrono::steady_clock::now();
    EXPECT_FALSE(event.WaitFor(50ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 45ms);
    std::thread waker([&] {
        std::this_thread::sleep_for(30ms);
        event.Set();
    });
    EXPECT_TRUE(event.WaitFor(10s));
    waker.join();
}

} // namespace
