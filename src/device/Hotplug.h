#pragma once
// Hot-plug notices: whoever sees an HID interface appear or disappear raises one, and every
// listener hears it at once. The hidraw monitor raises them for real devices (udev events of the
// "hidraw" subsystem, and inotify events of the hidraw nodes in /dev, which need no udev daemon),
// the emulated bus when a device is plugged or unplugged; the detection and notification threads
// listen, so that a plugged device is found without waiting for the next scan.

#include "platform/Broadcast.h"
#include "platform/UniqueFd.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace zk::device {

// Keeps a listener registered while it lives.
using HotplugSubscription = platform::Broadcast<>::Subscription;

// Registers `listener`; it is called on the thread that raises a notice, so it must not block.
[[nodiscard]] HotplugSubscription SubscribeHotplug(std::function<void()> listener);
// Tells every listener that an interface appeared or disappeared.
void RaiseHotplug();

// What one read of a device folder's watch saw.
struct HidrawNodeEvents {
    bool changed = false; // a hidraw node appeared, went or changed its rights, or events were lost
    bool ended = false;   // the watch ended: the folder itself went, or the watch failed
};
// Watches the hidraw nodes of `devRoot` with inotify (non-blocking): node files created, removed,
// renamed or given other rights (udev sets the rights after the kernel made the node). An empty
// handle when the folder cannot be watched.
platform::UniqueFd WatchHidrawNodes(const std::string& devRoot);
// Reads every event waiting on such a watch.
HidrawNodeEvents ReadHidrawNodeEvents(int watchFd);

// True while a hidraw monitor watches `devRoot`: then every hidraw node that appears there, goes
// or changes its rights raises a hot-plug notice, and a scan that found nothing may wait for one.
bool HidrawNoticesComplete(const std::string& devRoot);

// Watches, on a thread of its own, the hidraw nodes of the device folder and udev's events of the
// "hidraw" subsystem, and raises a hot-plug notice for each node added, removed or given other
// rights. The folder's watch works without a udev daemon; when it cannot be set up or ends,
// notices are no longer complete and the detection threads scan every second as before.
class HidrawMonitor {
public:
    explicit HidrawMonitor(std::string devRoot = "/dev");
    ~HidrawMonitor(); // stops the thread
    HidrawMonitor(const HidrawMonitor&) = delete;
    HidrawMonitor& operator=(const HidrawMonitor&) = delete;

    // False when neither the folder's watch nor udev's event socket can be set up (nothing is
    // watched then).
    bool Start();
    void Stop();
    bool Running() const { return thread_.joinable(); }

private:
    std::string devRoot_;
    std::thread thread_;
    platform::UniqueFd stopFd_;
};

} // namespace zk::device
