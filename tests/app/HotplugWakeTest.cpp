// A detection thread that waits on its stop event as the main window starts it, with the
// hot-plug wake-up: plugging and unplugging the emulated mouse is noticed at once although the
// thread's own scan would come only after a minute. And the scans for an absent device over the
// hidraw back end: while a monitor watches the device folder they wait for its notices.
#include "app/ThreadPlaces.h"
#include "connection/Detection.h"
#include "connection/Notification.h"
#include "connection/RecordingLink.h"
#include "device/HidrawBackend.h"
#include "device/Hotplug.h"
#include "emulator/Emulator.h"
#include "support/RefusedNode.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
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

// The three channels with the mouse's identity, and the window's names of the kinds.
struct MouseChannels {
    MouseChannels() { mouse.SetIdentity(0x260D, 0x1138, 0x0092, 0xFF1C); }

    zk::protocol::DeviceChannel keyboard, mouse, mousepad;
    const conn::DeviceChannels channels{&keyboard, &mouse, &mousepad};
    const conn::PresentationNames names{
        {"ms_tab", "ms_tab_panel", "ms_deng_same_mode", "config_list", {}},
        {"kb_tab", "kb_tab_panel", "kb_deng_same_mode", "kb_combo", {}},
        {"mp_tab", "", "mp_deng_same_mode", "mp_combo", {}}};
};

TEST(HotplugWake, PlugAndUnplugReachTheDetectionThreadLongBeforeItsNextScan) {
    zktest::TempHome home;
    zk::emulator::EmulatorOptions options;
    options.keyboard = false;
    options.mousepad = false;
    auto installation = zk::emulator::InstallEmulatedBus(options);
    zk::emulator::EmulatedDevice& mouse = *installation->Bus().Mouse();

    MouseChannels devices;
    zk::protocol::DeviceChannel& mouseChannel = devices.mouse;
    conn::DetectionTiming timing;
    timing.mousePoll = 60s; // only a wake-up can make the next step come soon
    zktest::RecordingLink link;

    ThreadPlaces places;
    places.CreateStopEvents();
    ASSERT_TRUE(places.Start(zk::app::kPlaceMouseDetection, [&](const ThreadParam& param) {
        const auto wake = zk::app::WakeOnHotplug(param);
        conn::RunDetection(
            conn::DeviceKind::Mouse, devices.channels, devices.names, link,
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

// Passes everything to the hidraw back end and counts its listings.
class CountingBackend : public zk::device::IHidBackend {
public:
    explicit CountingBackend(std::shared_ptr<zk::device::IHidBackend> inner)
        : inner_(std::move(inner)) {}
    bool Enumerate(std::vector<zk::device::HidInterfaceInfo>& interfaces) override {
        ++listings;
        return inner_->Enumerate(interfaces);
    }
    std::unique_ptr<zk::device::IHidConnection>
    Open(const std::string& path, const zk::device::HidOpenFlags& flags) override {
        return inner_->Open(path, flags);
    }
    bool IsPresent(const std::string& path) override { return inner_->IsPresent(path); }
    bool AnnouncesChanges() const override { return inner_->AnnouncesChanges(); }

    std::atomic<int> listings{0};

private:
    std::shared_ptr<zk::device::IHidBackend> inner_;
};

class AbsentMouseScans : public ::testing::TestWithParam<bool> {};

// The mouse's detection and notification threads as the window runs them, with polls of 20 ms.
// Watched, they look once and then when a node appears; while the mouse's own node is listed but
// cannot be opened they poll; once it is gone they wait again; when the folder's watch ends they
// poll again. Unwatched, they poll throughout.
TEST_P(AbsentMouseScans, WaitForANoticeOnlyWhileTheDeviceFolderIsWatched) {
    const bool watched = GetParam();
    zktest::TempHome home;
    zktest::FakeHidrawTree tree;
    auto backend = std::make_shared<CountingBackend>(std::make_shared<zk::device::HidrawBackend>(
        zk::device::SysfsHidrawLister(tree.SysRoot(), tree.DevRoot()), tree.DevRoot()));
    zk::device::InstallHidBackend(backend);
    zk::device::HidrawMonitor monitor(tree.DevRoot());
    if (watched) {
        ASSERT_TRUE(monitor.Start());
    }

    MouseChannels devices;
    conn::DetectionTiming timing;
    timing.mousePoll = 20ms;
    conn::NotificationTiming notes;
    notes.rescanPause = 20ms;
    zktest::RecordingLink link;
    const auto waitOf = [](const ThreadParam& param) {
        return [stop = param.stop](std::chrono::milliseconds t) { return stop->WaitFor(t); };
    };
    ThreadPlaces places;
    places.CreateStopEvents();
    ASSERT_TRUE(places.Start(zk::app::kPlaceMouseDetection, [&](const ThreadParam& param) {
        const auto wake = zk::app::WakeOnHotplug(param);
        conn::RunDetection(conn::DeviceKind::Mouse, devices.channels, devices.names, link,
                           waitOf(param), timing);
    }));
    ASSERT_TRUE(places.Start(zk::app::kPlaceMouseNotifications, [&](const ThreadParam& param) {
        const auto wake = zk::app::WakeOnHotplug(param);
        conn::RunNotifications(conn::DeviceKind::Mouse, link, waitOf(param), notes);
    }));
    // Listings within `window`, after a pause for what is under way.
    const auto listingsWithin = [&](std::chrono::milliseconds window) {
        std::this_thread::sleep_for(100ms);
        const int before = backend->listings;
        std::this_thread::sleep_for(window);
        return backend->listings - before;
    };
    const auto polling = [&] { return listingsWithin(400ms) >= 10; };
    const auto waiting = [&] { return listingsWithin(400ms) == 0; };

    EXPECT_EQ(polling(), !watched) << "no node";
    EXPECT_EQ(waiting(), watched) << "no node";
    // The mouse's node appears, but opens as no HID node.
    tree.AddNode("hidraw4", "0003:260D:1138.0004", "0003:0000260D:00001138",
                 zk::emulator::EmulatedDevice::ConfigDescriptor(), false);
    EXPECT_TRUE(polling()) << "its node listed";
    std::filesystem::remove(std::filesystem::path(tree.SysRoot()) / "class/hidraw/hidraw4");
    std::filesystem::remove(tree.DevNode("hidraw4"));
    EXPECT_EQ(waiting(), watched) << "its node gone";
    if (watched) {
        std::filesystem::remove_all(tree.DevRoot());
        EXPECT_TRUE(polling()) << "the watch ended";
    }
    EXPECT_EQ(places.StopAll(10s), zk::app::StopOutcome::AllEnded);
    EXPECT_FALSE(devices.mouse.IsConnected());
    zk::device::InstallHidBackend(nullptr);
}

INSTANTIATE_TEST_SUITE_P(HotplugWake, AbsentMouseScans, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "watched" : "unwatched"; });

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
