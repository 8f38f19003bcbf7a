#include "device/Hotplug.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace zk::device {

namespace {

platform::Broadcast<>& Notices() {
    static platform::Broadcast<> notices;
    return notices;
}

} // namespace

HotplugSubscription SubscribeHotplug(std::function<void()> listener) {
    return Notices().Subscribe(std::move(listener));
}

void RaiseHotplug() {
    Notices().Raise();
}

// ---------------------------------------------------------------------------------------------

namespace {

void MonitorLoop(udev* u, udev_monitor* monitor, int stopFd) {
    pollfd fds[2] = {{udev_monitor_get_fd(monitor), POLLIN, 0}, {stopFd, POLLIN, 0}};
    for (;;) {
        const int n = ::poll(fds, 2, -1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || (fds[1].revents & POLLIN))
            break;
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL))
            break;
        if (!(fds[0].revents & POLLIN))
            continue;
        bool changed = false;
        while (udev_device* dev = udev_monitor_receive_device(monitor)) {
            const char* action = udev_device_get_action(dev);
            if (action && (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0))
                changed = true;
            udev_device_unref(dev);
        }
        if (changed)
            RaiseHotplug();
    }
    udev_monitor_unref(monitor);
    udev_unref(u);
}

} // namespace

HidrawMonitor::~HidrawMonitor() {
    Stop();
}

bool HidrawMonitor::Start() {
    if (Running())
        return true;
    udev* u = udev_new();
    if (!u)
        return false;
    // Events of the "udev" source arrive after the rules ran, so the node's access rights are
    // set when detection opens it.
    udev_monitor* monitor = udev_monitor_new_from_netlink(u, "udev");
    if (!monitor ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor) < 0) {
        if (monitor)
            udev_monitor_unref(monitor);
        udev_unref(u);
        return false;
    }
    stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd_ < 0) {
        udev_monitor_unref(monitor);
        udev_unref(u);
        return false;
    }
    thread_ = std::thread(MonitorLoop, u, monitor, stopFd_);
    return true;
}

void HidrawMonitor::Stop() {
    if (!thread_.joinable())
        return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(stopFd_, &one, sizeof one);
    thread_.join();
    ::close(stopFd_);
    stopFd_ = -1;
}

} // namespace zk::device
