#pragma once
// Hot-plug notices: whoever sees an HID interface appear or disappear raises one, and every
// listener hears it at once. The hidraw monitor raises them for real devices (udev events of the
// "hidraw" subsystem), the emulated bus when a device is plugged or unplugged; the detection
// threads listen, so that a plugged device is found without waiting for the next scan.

#include "platform/Broadcast.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

namespace zk::device {

// Keeps a listener registered while it lives.
using HotplugSubscription = platform::Broadcast<>::Subscription;

// Registers `listener`; it is called on the thread that raises a notice, so it must not block.
[[nodiscard]] HotplugSubscription SubscribeHotplug(std::function<void()> listener);
// Tells every listener that an interface appeared or disappeared.
void RaiseHotplug();

// Watches udev's events of the "hidraw" subsystem on a thread of its own and raises a hot-plug
// notice for each added or removed node. Without a running udev daemon no event arrives and the
// detection threads' periodic scan finds devices as before.
class HidrawMonitor {
public:
    HidrawMonitor() = default;
    ~HidrawMonitor(); // stops the thread
    HidrawMonitor(const HidrawMonitor&) = delete;
    HidrawMonitor& operator=(const HidrawMonitor&) = delete;

    // False when udev's event socket cannot be opened (nothing is watched then).
    bool Start();
    void Stop();
    bool Running() const { return thread_.joinable(); }

private:
    std::thread thread_;
    int stopFd_ = -1;
};

} // namespace zk::device
