#include "device/Hotplug.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <set>
#include <utility>

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

platform::UniqueFd WatchHidrawNodes(const std::string& devRoot) {
    platform::UniqueFd fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (fd && ::inotify_add_watch(fd.Get(), devRoot.c_str(),
                                  IN_CREATE | IN_DELETE | IN_ATTRIB | IN_MOVED_FROM | IN_MOVED_TO |
                                      IN_DELETE_SELF | IN_MOVE_SELF) < 0)
        fd.Reset();
    return fd;
}

HidrawNodeEvents ReadHidrawNodeEvents(int watchFd) {
    HidrawNodeEvents seen;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n =
            platform::RetryOnEintr([&] { return ::read(watchFd, buffer, sizeof buffer); });
        if (n <= 0) {
            seen.ended = seen.ended || (n < 0 && errno != EAGAIN);
            return seen;
        }
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT))
                seen.ended = true; // the folder itself went
            else if ((event->mask & IN_Q_OVERFLOW) ||
                     (event->len > 0 && std::strncmp(event->name, "hidraw", 6) == 0))
                seen.changed = true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

namespace {

// The device folders that running monitors watch (a folder twice when two monitors watch it).
struct WatchedRoots {
    std::mutex mutex;
    std::multiset<std::string> roots;
};

WatchedRoots& Watched() {
    static WatchedRoots watched;
    return watched;
}

void SetWatched(const std::string& devRoot, bool watched) {
    {
        std::lock_guard lock(Watched().mutex);
        auto& roots = Watched().roots;
        if (watched)
            roots.insert(devRoot);
        else if (const auto it = roots.find(devRoot); it != roots.end())
            roots.erase(it);
    }
    // Threads that sleep because notices were complete look again now that they are not.
    if (!watched)
        RaiseHotplug();
}

struct UdevEvents {
    udev* u = nullptr;
    udev_monitor* monitor = nullptr;

    UdevEvents() {
        u = udev_new();
        if (!u)
            return;
        // Events of the "udev" source arrive after the rules ran, so the node's access rights
        // are set when detection opens it.
        monitor = udev_monitor_new_from_netlink(u, "udev");
        if (monitor &&
            (udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0 ||
             udev_monitor_enable_receiving(monitor) < 0)) {
            udev_monitor_unref(monitor);
            monitor = nullptr;
        }
    }
    ~UdevEvents() {
        if (monitor)
            udev_monitor_unref(monitor);
        if (u)
            udev_unref(u);
    }
    UdevEvents(const UdevEvents&) = delete;
    UdevEvents& operator=(const UdevEvents&) = delete;

    // True when a node was added or removed among the waiting events.
    bool Receive() const {
        bool changed = false;
        while (udev_device* dev = udev_monitor_receive_device(monitor)) {
            const char* action = udev_device_get_action(dev);
            if (action && (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0))
                changed = true;
            udev_device_unref(dev);
        }
        return changed;
    }
};

void MonitorLoop(std::unique_ptr<UdevEvents> events, platform::UniqueFd watch, std::string devRoot,
                 int stopFd) {
    pollfd fds[3] = {{stopFd, POLLIN, 0},
                     {events->monitor ? udev_monitor_get_fd(events->monitor) : -1, POLLIN, 0},
                     {watch.Get(), POLLIN, 0}};
    for (;;) {
        const int n = ::poll(fds, 3, -1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || (fds[0].revents & POLLIN))
            break;
        bool changed = false;
        if (fds[1].revents & (POLLERR | POLLHUP | POLLNVAL))
            fds[1].fd = -1; // poll ignores it from now on
        else if (fds[1].revents & POLLIN)
            changed = events->Receive();
        if (fds[2].revents & POLLIN) {
            const HidrawNodeEvents seen = ReadHidrawNodeEvents(watch.Get());
            changed = changed || seen.changed;
            if (seen.ended) {
                fds[2].fd = -1;
                watch.Reset();
                SetWatched(devRoot, false);
            }
        }
        if (changed)
            RaiseHotplug();
    }
    if (watch)
        SetWatched(devRoot, false);
}

} // namespace

bool HidrawNoticesComplete(const std::string& devRoot) {
    std::lock_guard lock(Watched().mutex);
    return Watched().roots.count(devRoot) > 0;
}

HidrawMonitor::HidrawMonitor(std::string devRoot) : devRoot_(std::move(devRoot)) {}

HidrawMonitor::~HidrawMonitor() {
    Stop();
}

bool HidrawMonitor::Start() {
    if (Running())
        return true;
    auto events = std::make_unique<UdevEvents>();
    platform::UniqueFd watch = WatchHidrawNodes(devRoot_);
    if (!events->monitor && !watch)
        return false;
    stopFd_.Reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!stopFd_)
        return false;
    // Marked watched before Start returns, so that a scan right after it may rely on notices.
    if (watch)
        SetWatched(devRoot_, true);
    thread_ =
        std::thread(MonitorLoop, std::move(events), std::move(watch), devRoot_, stopFd_.Get());
    return true;
}

void HidrawMonitor::Stop() {
    if (!thread_.joinable())
        return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(stopFd_.Get(), &one, sizeof one);
    thread_.join();
    stopFd_.Reset();
}

} // namespace zk::device
