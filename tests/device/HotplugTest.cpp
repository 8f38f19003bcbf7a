// Hot-plug notices reach the listeners that are registered, and the hidraw monitor raises them
// for the nodes of its device folder.
#include "device/Hotplug.h"
#include "device/HidrawBackend.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

using namespace zk::device;

TEST(Hotplug, NoticesReachExactlyTheListenersThatAreRegistered) {
    std::atomic<int> a{0}, b{0};
    std::optional<HotplugSubscription> first(SubscribeHotplug([&] { ++a; }));
    {
        HotplugSubscription second = SubscribeHotplug([&] { ++b; });
        RaiseHotplug();
        // Moved, it still listens once; the moved-from object unregisters nothing.
        HotplugSubscription moved = std::move(second);
        RaiseHotplug();
    }
    RaiseHotplug();
    first.reset();
    RaiseHotplug();
    EXPECT_EQ(a, 3);
    EXPECT_EQ(b, 2);
}

TEST(Hotplug, TheMonitorAnnouncesEveryHidrawNodeChangeOfItsFolderUntilTheFolderGoes) {
    namespace fs = std::filesystem;
    zktest::TempDir dir;
    const fs::path root = dir.path() / "dev";
    fs::create_directories(root);
    std::atomic<int> notices{0};
    const HotplugSubscription listening = SubscribeHotplug([&] { ++notices; });
    const auto heard = [&](int count) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (notices < count && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return notices == count;
    };
    HidrawBackend backend([](std::vector<HidrawNode>&) { return true; }, root.string());

    HidrawMonitor monitor(root.string());
    EXPECT_FALSE(backend.AnnouncesChanges());
    ASSERT_TRUE(monitor.Start());
    EXPECT_TRUE(HidrawNoticesComplete(root.string()));
    EXPECT_TRUE(backend.AnnouncesChanges());

    std::ofstream(root / "tty3").put('\0'); // not a hidraw node
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(notices, 0);
    std::ofstream(root / "hidraw3").put('\0');
    EXPECT_TRUE(heard(1)) << "added";
    fs::permissions(root / "hidraw3", fs::perms::owner_read); // as udev sets the rights
    EXPECT_TRUE(heard(2)) << "rights";
    fs::remove(root / "hidraw3");
    EXPECT_TRUE(heard(3)) << "removed";

    // The folder goes: nothing can be announced any more, and the sleepers are told so.
    fs::remove_all(root);
    EXPECT_TRUE(heard(4)) << "folder gone";
    EXPECT_FALSE(HidrawNoticesComplete(root.string()));
    EXPECT_FALSE(backend.AnnouncesChanges());

    const auto start = std::chrono::steady_clock::now();
    monitor.Stop();
    EXPECT_FALSE(monitor.Running());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    // It starts again, watching udev's events alone when the folder cannot be watched.
    if (monitor.Start()) {
        EXPECT_FALSE(HidrawNoticesComplete(root.string()));
        monitor.Stop();
    }
}
