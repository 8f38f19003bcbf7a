// Hot-plug notices reach the listeners that are registered, and the udev monitor stops at once.
#include "device/Hotplug.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>

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

TEST(Hotplug, TheUdevMonitorStopsAtOnce) {
    HidrawMonitor monitor;
    if (!monitor.Start())
        GTEST_SKIP() << "udev's event socket cannot be opened here";
    EXPECT_TRUE(monitor.Running());
    const auto start = std::chrono::steady_clock::now();
    monitor.Stop();
    EXPECT_FALSE(monitor.Running());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_TRUE(monitor.Start()); // and starts again
}
