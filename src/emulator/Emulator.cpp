#include "emulator/Emulator.h"

#include "device/Hotplug.h"

#include "device/HidReportDescriptor.h"
#include "emulator/Firmware.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace zk::emulator {

using device::HiddAttributes;
using device::HidInterfaceInfo;
using device::HidOpenFlags;
using device::HidPollTarget;
using device::IHidConnection;

namespace {

// Configuration interface: vendor page 0xFF1C, usage 0x92, report ID 4 with 63 data bytes in
// each direction.
constexpr uint8_t kConfigDescriptor[] = {
    0x06, 0x1C, 0xFF, // Usage Page (0xFF1C)
    0x09, 0x92,       // Usage (0x92)
    0xA1, 0x01,       // Collection (Application)
    0x85, 0x04,       //   Report ID (4)
    0x15, 0x00,       //   Logical Minimum (0)
    0x26, 0xFF, 0x00, //   Logical Maximum (255)
    0x75, 0x08,       //   Report Size (8)
    0x95, 0x3F,       //   Report Count (63)
    0x09, 0x01,       //   Usage (1)
    0x81, 0x02,       //   Input (Data,Var,Abs)
    0x09, 0x01,       //   Usage (1)
    0x91, 0x02,       //   Output (Data,Var,Abs)
    0xC0,             // End Collection
};

// Notification interface: a consumer-control collection whose report carries one 16-bit
// consumer usage (an array of usages 0 to 0x7FF).
constexpr uint8_t kNotifyDescriptor[] = {
    0x05, 0x0C,       // Usage Page (Consumer)
    0x09, 0x01,       // Usage (Consumer Control)
    0xA1, 0x01,       // Collection (Application)
    0x85, 0x03,       //   Report ID (3)
    0x15, 0x00,       //   Logical Minimum (0)
    0x26, 0xFF, 0x07, //   Logical Maximum (0x7FF)
    0x19, 0x00,       //   Usage Minimum (0)
    0x2A, 0xFF, 0x07, //   Usage Maximum (0x7FF)
    0x75, 0x10,       //   Report Size (16)
    0x95, 0x01,       //   Report Count (1)
    0x81, 0x00,       //   Input (Data,Array,Abs)
    0xC0,             // End Collection
};

// A plain three-button mouse, for the other interfaces of the bus.
constexpr uint8_t kOtherMouseDescriptor[] = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19,
    0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, 0x81, 0x02,
    0x95, 0x01, 0x75, 0x05, 0x81, 0x01, 0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15,
    0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06, 0xC0, 0xC0};

// A boot keyboard, for the other interfaces of the bus.
constexpr uint8_t kOtherKeyboardDescriptor[] = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25,
    0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01, 0x95, 0x06,
    0x75, 0x08, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x19, 0x00, 0x2A, 0xFF, 0x00, 0x81, 0x00, 0xC0};

std::string PathOf(int serial, uint16_t vid, uint16_t pid, int interfaceNumber) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "emu/%d/vid_%04x&pid_%04x&mi_%02d", serial, vid, pid,
                  interfaceNumber);
    return buf;
}

uint16_t DefaultProduct(DeviceKind kind) {
    switch (kind) {
    case DeviceKind::Mouse:
        return kMouseProductId;
    case DeviceKind::Keyboard:
        return kKeyboardProductId;
    case DeviceKind::Mousepad:
    default:
        return kMousepadProductId;
    }
}

uint16_t VendorOf(DeviceKind kind) {
    return kind == DeviceKind::Mouse ? kMouseVendorId : kKeyboardVendorId;
}

void CloseFd(int fd) {
    if (fd >= 0)
        ::close(fd);
}

// While closed, the device takes no reports: writers wait on the eventfd, which is readable
// exactly while the gate is open.
struct WriteGate {
    std::atomic<bool> open{true};
    int fd = ::eventfd(1, EFD_CLOEXEC | EFD_NONBLOCK);
    ~WriteGate() { CloseFd(fd); }
    void Set(bool value) { // called under the device's lock
        if (open.exchange(value) == value)
            return;
        uint64_t v = 1;
        if (value) {
            [[maybe_unused]] ssize_t n = ::write(fd, &v, sizeof v);
        } else {
            [[maybe_unused]] ssize_t n = ::read(fd, &v, sizeof v);
        }
    }
};

// The host side of an emulated interface: one end of a SEQPACKET socket pair, which keeps
// report boundaries as hidraw does.
class EmulatedConnection : public IHidConnection {
public:
    EmulatedConnection(int fd, std::shared_ptr<WriteGate> gate, HiddAttributes attributes,
                       std::vector<uint8_t> descriptor)
        : fd_(fd), gate_(std::move(gate)), attributes_(attributes),
          descriptor_(std::move(descriptor)) {}
    ~EmulatedConnection() override { CloseFd(fd_); }

    HidPollTarget ReadTarget() const override { return {fd_, POLLIN}; }
    HidPollTarget WriteTarget() const override {
        if (gate_ && !gate_->open)
            return {gate_->fd, POLLIN};
        return {fd_, POLLOUT};
    }
    ssize_t TryRead(uint8_t* buffer, size_t length) override {
        for (;;) {
            const ssize_t n = ::recv(fd_, buffer, length, MSG_DONTWAIT);
            if (n > 0)
                return n;
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return device::kHidWouldBlock;
            return device::kHidGone;
        }
    }
    ssize_t TryWrite(const uint8_t* buffer, size_t length) override {
        if (gate_ && !gate_->open)
            return device::kHidWouldBlock;
        for (;;) {
            const ssize_t n = ::send(fd_, buffer, length, MSG_DONTWAIT | MSG_NOSIGNAL);
            if (n > 0)
                return n;
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS))
                return device::kHidWouldBlock;
            return device::kHidGone;
        }
    }
    bool GetAttributes(HiddAttributes& attributes) override {
        attributes = attributes_;
        return true;
    }
    bool GetReportDescriptor(std::vector<uint8_t>& descriptor) override {
        descriptor = descriptor_;
        return true;
    }

private:
    int fd_;
    std::shared_ptr<WriteGate> gate_;
    HiddAttributes attributes_;
    std::vector<uint8_t> descriptor_;
};

// Makes a socket pair; the host end is returned, the device end stored in `deviceEnd`.
int MakePair(int& deviceEnd) {
    int sv[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, sv) < 0)
        return -1;
    deviceEnd = sv[1];
    return sv[0];
}

void Usage(const std::vector<uint8_t>& descriptor, uint16_t& usagePage, uint16_t& usage) {
    auto parsed = device::ParseReportDescriptor(descriptor.data(), descriptor.size());
    if (parsed && !parsed->collections.empty()) {
        usagePage = parsed->collections.front().caps.usagePage;
        usage = parsed->collections.front().caps.usage;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------

struct EmulatedDevice::Impl {
    struct Injection {
        uint8_t command;
        uint8_t status;
        int skip;
        int count;
    };

    Impl(const DeviceOptions& opts, int serialNumber)
        : options(opts), firmware(opts), serial(serialNumber) {
        vendorId = VendorOf(opts.kind);
        productId = opts.productId ? opts.productId : DefaultProduct(opts.kind);
        responseDelay = opts.responseDelay;
        configPath = PathOf(serial, vendorId, productId, 0);
        if (opts.kind != DeviceKind::Mousepad)
            notifyPath = PathOf(serial, vendorId, productId, 1);
        wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        thread = std::thread([this] { Run(); });
    }

    ~Impl() {
        {
            std::lock_guard lock(mutex);
            running = false;
        }
        cv.notify_all();
        Wake();
        thread.join();
        for (int fd : configEnds)
            CloseFd(fd);
        for (int fd : notifyEnds)
            CloseFd(fd);
        CloseFd(wakeFd);
    }

    void Wake() const {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(wakeFd, &one, sizeof one);
    }

    HiddAttributes Attributes() const { return {vendorId, productId, 0x0100}; }

    std::unique_ptr<IHidConnection> OpenInterface(bool config) {
        int deviceEnd = -1;
        std::lock_guard lock(mutex);
        if (!plugged || (!config && notifyPath.empty()))
            return nullptr;
        const int hostEnd = MakePair(deviceEnd);
        if (hostEnd < 0)
            return nullptr;
        (config ? configEnds : notifyEnds).push_back(deviceEnd);
        if (config)
            Wake();
        return std::make_unique<EmulatedConnection>(hostEnd, config ? gate : nullptr, Attributes(),
                                                    config ? EmulatedDevice::ConfigDescriptor()
                                                           : EmulatedDevice::NotifyDescriptor());
    }

    // Sends one input report to every open connection of an interface (as hidraw gives every
    // reader a copy). Ends whose host side has gone are dropped. Called under the lock.
    void Broadcast(std::vector<int>& ends, const uint8_t* data, size_t size, bool closeDead) {
        for (auto it = ends.begin(); it != ends.end();) {
            const ssize_t n = ::send(*it, data, size, MSG_DONTWAIT | MSG_NOSIGNAL);
            if (n < 0 && closeDead && errno != EAGAIN && errno != EWOULDBLOCK) {
                CloseFd(*it);
                it = ends.erase(it);
                continue;
            }
            ++it;
        }
    }

    void Run() {
        // Answers are due at a set time after each request: wake on time
        // rather than up to the default 50 us timer slack late.
        ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        std::vector<pollfd> fds;
        for (;;) {
            fds.clear();
            fds.push_back({wakeFd, POLLIN, 0});
            {
                std::lock_guard lock(mutex);
                if (!running)
                    return;
                if (!plugged) {
                    for (int fd : configEnds)
                        CloseFd(fd);
                    configEnds.clear();
                }
                if (!stopReading) {
                    for (int fd : configEnds)
                        fds.push_back({fd, POLLIN, 0});
                }
            }
            if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR)
                return;
            if (fds[0].revents) {
                uint64_t v;
                [[maybe_unused]] ssize_t n = ::read(wakeFd, &v, sizeof v);
            }
            for (size_t i = 1; i < fds.size(); ++i) {
                if (!fds[i].revents)
                    continue;
                Frame frame{};
                const ssize_t n = ::recv(fds[i].fd, frame.data(), frame.size(), MSG_DONTWAIT);
                if (n > 0) {
                    Process(frame);
                } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                    // The host closed this connection (or the device was unplugged).
                    std::lock_guard lock(mutex);
                    auto it = std::find(configEnds.begin(), configEnds.end(), fds[i].fd);
                    if (it != configEnds.end()) {
                        CloseFd(*it);
                        configEnds.erase(it);
                    }
                }
                std::lock_guard lock(mutex);
                if (!running || stopReading || !plugged)
                    break;
            }
        }
    }

    void Process(const Frame& frame) {
        std::unique_lock lock(mutex);
        LoggedRequest entry;
        entry.frame = frame;
        entry.checksumOk = static_cast<uint16_t>(frame[1] | (frame[2] << 8)) == FrameSum(frame);
        entry.time = std::chrono::steady_clock::now();
        entry.answered = entry.time;
        log.push_back(entry);
        const std::size_t logged = log.size() - 1;
        cv.notify_all();
        if (stopAnswering)
            return;
        if (dropCount > 0) {
            --dropCount;
            return;
        }
        auto delay = std::chrono::duration_cast<std::chrono::microseconds>(responseDelay);
        if (delayCount > 0) {
            --delayCount;
            delay += delayExtra;
        }
        std::optional<uint8_t> forced;
        for (auto it = injections.begin(); it != injections.end(); ++it) {
            if (it->command != frame[3])
                continue;
            if (it->skip > 0) {
                --it->skip;
            } else {
                forced = it->status;
                if (--it->count <= 0)
                    injections.erase(it);
            }
            break;
        }
        const Frame response = firmware.Handle(frame, forced);
        if (delay.count() > 0)
            cv.wait_until(lock, entry.time + delay, [this] { return !running || !plugged; });
        if (!running || !plugged)
            return;
        Broadcast(configEnds, response.data(), response.size(), false);
        if (logged < log.size())
            log[logged].answered = std::chrono::steady_clock::now();
    }

    bool Notify(uint16_t code) {
        std::lock_guard lock(mutex);
        if (!plugged || notifyPath.empty())
            return false;
        const uint8_t press[3] = {kNotifyReportId, static_cast<uint8_t>(code & 0xFF),
                                  static_cast<uint8_t>(code >> 8)};
        const uint8_t release[3] = {kNotifyReportId, 0, 0};
        Broadcast(notifyEnds, press, sizeof press, true);
        Broadcast(notifyEnds, release, sizeof release, true);
        return true;
    }

    DeviceOptions options;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string configPath;
    std::string notifyPath;

    mutable std::mutex mutex;
    mutable std::condition_variable cv;
    Firmware firmware;
    std::vector<int> configEnds;
    std::vector<int> notifyEnds;
    std::shared_ptr<WriteGate> gate = std::make_shared<WriteGate>();
    bool plugged = true;
    bool stopReading = false;
    bool stopAnswering = false;
    bool running = true;
    std::chrono::microseconds responseDelay{1000};
    int dropCount = 0;
    int delayCount = 0;
    std::chrono::microseconds delayExtra{0};
    std::vector<Injection> injections;
    std::vector<LoggedRequest> log;
    int serial = 0;
    int wakeFd = -1;
    std::thread thread;
};

EmulatedDevice::EmulatedDevice(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
EmulatedDevice::~EmulatedDevice() = default;

DeviceKind EmulatedDevice::Kind() const {
    return impl_->options.kind;
}
uint16_t EmulatedDevice::VendorId() const {
    return impl_->vendorId;
}
uint16_t EmulatedDevice::ProductId() const {
    return impl_->productId;
}
std::string EmulatedDevice::ConfigPath() const {
    return impl_->configPath;
}
std::string EmulatedDevice::NotifyPath() const {
    return impl_->notifyPath;
}

void EmulatedDevice::SetResponseDelay(std::chrono::microseconds delay) {
    std::lock_guard lock(impl_->mutex);
    impl_->responseDelay = delay;
}

void EmulatedDevice::DropResponses(int count) {
    std::lock_guard lock(impl_->mutex);
    impl_->dropCount = std::max(0, count);
}

void EmulatedDevice::DelayResponses(int count, std::chrono::milliseconds extra) {
    std::lock_guard lock(impl_->mutex);
    impl_->delayCount = std::max(0, count);
    impl_->delayExtra = extra;
}

void EmulatedDevice::InjectStatus(uint8_t command, uint8_t status, int skip, int count) {
    std::lock_guard lock(impl_->mutex);
    if (count > 0)
        impl_->injections.push_back({command, status, std::max(0, skip), count});
}

void EmulatedDevice::SetStopReading(bool stopped) {
    {
        std::lock_guard lock(impl_->mutex);
        impl_->stopReading = stopped;
        impl_->gate->Set(!stopped || !impl_->plugged);
    }
    impl_->Wake();
}

void EmulatedDevice::SetStopAnswering(bool stopped) {
    std::lock_guard lock(impl_->mutex);
    impl_->stopAnswering = stopped;
}

void EmulatedDevice::Unplug() {
    {
        std::lock_guard lock(impl_->mutex);
        if (!impl_->plugged)
            return;
        impl_->plugged = false;
        // The ends stay allocated (the firmware thread may be polling them) but every host
        // connection sees the device go away at once.
        for (int fd : impl_->configEnds)
            ::shutdown(fd, SHUT_RDWR);
        for (int fd : impl_->notifyEnds)
            CloseFd(fd);
        impl_->notifyEnds.clear();
        impl_->gate->Set(true); // writes fail at once instead of waiting
    }
    impl_->cv.notify_all();
    impl_->Wake();
    device::RaiseHotplug(); // as udev announces a removed node
}

void EmulatedDevice::Replug() {
    {
        std::lock_guard lock(impl_->mutex);
        impl_->plugged = true;
        impl_->gate->Set(!impl_->stopReading);
    }
    impl_->Wake();
    device::RaiseHotplug(); // as udev announces an added node
}

bool EmulatedDevice::Plugged() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->plugged;
}

void EmulatedDevice::PressDpiButton() {
    uint16_t code;
    {
        std::lock_guard lock(impl_->mutex);
        code = impl_->firmware.NextDpiStage();
    }
    impl_->Notify(code);
}

void EmulatedDevice::PressLightKey() {
    uint16_t code;
    {
        std::lock_guard lock(impl_->mutex);
        code = impl_->firmware.NextLightMode();
    }
    impl_->Notify(code);
}

void EmulatedDevice::PressProfileKey() {
    uint16_t code;
    {
        std::lock_guard lock(impl_->mutex);
        code = impl_->firmware.NextProfile();
    }
    impl_->Notify(code);
}

void EmulatedDevice::ReactiveEvent() {
    impl_->Notify(kNotifyReactive);
}

bool EmulatedDevice::SendNotification(uint16_t code) {
    return impl_->Notify(code);
}

std::vector<LoggedRequest> EmulatedDevice::RequestLog() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->log;
}

size_t EmulatedDevice::RequestCount() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->log.size();
}

void EmulatedDevice::ClearRequestLog() {
    std::lock_guard lock(impl_->mutex);
    impl_->log.clear();
}

bool EmulatedDevice::WaitForRequests(size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(impl_->mutex);
    return impl_->cv.wait_for(lock, timeout, [&] { return impl_->log.size() >= count; });
}

std::vector<uint8_t> EmulatedDevice::Memory(MemoryArea area) const {
    std::lock_guard lock(impl_->mutex);
    return impl_->firmware.memory.Area(area);
}

void EmulatedDevice::SetMemory(MemoryArea area, size_t offset, const std::vector<uint8_t>& bytes) {
    std::lock_guard lock(impl_->mutex);
    auto& a = impl_->firmware.memory.Area(area);
    if (offset > a.size())
        return;
    const size_t n = std::min(bytes.size(), a.size() - offset);
    std::copy_n(bytes.begin(), n, a.begin() + static_cast<long>(offset));
}

uint8_t EmulatedDevice::CurrentProfile() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->firmware.memory.settings[0];
}

void EmulatedDevice::FactoryReset() {
    std::lock_guard lock(impl_->mutex);
    impl_->firmware.FactoryReset();
}

void EmulatedDevice::SetMacroCapacity(uint8_t units) {
    std::lock_guard lock(impl_->mutex);
    impl_->firmware.SetMacroCapacity(units);
}

std::vector<uint8_t> EmulatedDevice::ConfigDescriptor() {
    return {std::begin(kConfigDescriptor), std::end(kConfigDescriptor)};
}

std::vector<uint8_t> EmulatedDevice::NotifyDescriptor() {
    return {std::begin(kNotifyDescriptor), std::end(kNotifyDescriptor)};
}

// ---------------------------------------------------------------------------------------------

struct EmulatedBus::State {
    struct Other {
        HidInterfaceInfo info;
        std::vector<uint8_t> descriptor;
    };
    mutable std::mutex mutex;
    std::vector<std::unique_ptr<EmulatedDevice>> devices;
    std::vector<Other> others;
    std::vector<int> otherEnds; // device ends of connections to the other interfaces
    std::atomic<bool> enumerationFails{false};
    int nextSerial = 0;

    ~State() {
        for (int fd : otherEnds)
            CloseFd(fd);
    }
};

EmulatedBus::EmulatedBus(const EmulatorOptions& options) : state_(std::make_shared<State>()) {
    for (int i = 0; i < options.otherInterfaces; ++i) {
        State::Other other;
        const bool mouse = (i % 2) == 0;
        const auto& bytes = mouse ? std::vector<uint8_t>(std::begin(kOtherMouseDescriptor),
                                                         std::end(kOtherMouseDescriptor))
                                  : std::vector<uint8_t>(std::begin(kOtherKeyboardDescriptor),
                                                         std::end(kOtherKeyboardDescriptor));
        other.descriptor = bytes;
        other.info.vendorId = mouse ? 0x046D : 0x046A;
        other.info.productId = mouse ? 0xC077 : 0x0011;
        other.info.busType = 3;
        other.info.path =
            PathOf(state_->nextSerial++, other.info.vendorId, other.info.productId, 0);
        Usage(other.descriptor, other.info.usagePage, other.info.usage);
        state_->others.push_back(std::move(other));
    }
    auto add = [&](DeviceKind kind, uint16_t product) {
        DeviceOptions d;
        d.kind = kind;
        d.productId = product;
        d.responseDelay = options.responseDelay;
        AddDevice(d);
    };
    if (options.mouse)
        add(DeviceKind::Mouse, options.mouseProductId);
    if (options.keyboard)
        add(DeviceKind::Keyboard, options.keyboardProductId);
    if (options.mousepad)
        add(DeviceKind::Mousepad, kMousepadProductId);
}

EmulatedBus::~EmulatedBus() = default;

EmulatedDevice& EmulatedBus::AddDevice(const DeviceOptions& options) {
    std::unique_lock lock(state_->mutex);
    auto impl = std::make_unique<EmulatedDevice::Impl>(options, state_->nextSerial++);
    state_->devices.push_back(std::unique_ptr<EmulatedDevice>(new EmulatedDevice(std::move(impl))));
    EmulatedDevice& added = *state_->devices.back();
    lock.unlock();
    device::RaiseHotplug(); // as udev announces an added node
    return added;
}

EmulatedDevice* EmulatedBus::Find(DeviceKind kind) const {
    std::lock_guard lock(state_->mutex);
    for (const auto& d : state_->devices)
        if (d->Kind() == kind)
            return d.get();
    return nullptr;
}

void EmulatedBus::SetEnumerationFails(bool fails) {
    state_->enumerationFails = fails;
}

bool EmulatedBus::Enumerate(std::vector<HidInterfaceInfo>& interfaces) {
    interfaces.clear();
    if (state_->enumerationFails)
        return false;
    std::lock_guard lock(state_->mutex);
    for (const auto& other : state_->others)
        interfaces.push_back(other.info);
    for (const auto& d : state_->devices) {
        if (!d->Plugged())
            continue;
        HidInterfaceInfo info;
        info.vendorId = d->VendorId();
        info.productId = d->ProductId();
        info.busType = 3;
        info.path = d->ConfigPath();
        info.usagePage = kConfigUsagePage;
        info.usage = kConfigUsage;
        interfaces.push_back(info);
        if (!d->NotifyPath().empty()) {
            info.path = d->NotifyPath();
            info.usagePage = kNotifyUsagePage;
            info.usage = kNotifyUsage;
            interfaces.push_back(info);
        }
    }
    return true;
}

std::unique_ptr<IHidConnection> EmulatedBus::Open(const std::string& path,
                                                  const HidOpenFlags& /*flags*/) {
    std::lock_guard lock(state_->mutex);
    for (const auto& other : state_->others) {
        if (other.info.path != path)
            continue;
        int deviceEnd = -1;
        const int hostEnd = MakePair(deviceEnd);
        if (hostEnd < 0)
            return nullptr;
        state_->otherEnds.push_back(deviceEnd);
        return std::make_unique<EmulatedConnection>(
            hostEnd, nullptr, HiddAttributes{other.info.vendorId, other.info.productId, 0x0100},
            other.descriptor);
    }
    for (const auto& d : state_->devices) {
        if (d->ConfigPath() == path)
            return d->impl_->OpenInterface(true);
        if (!d->NotifyPath().empty() && d->NotifyPath() == path)
            return d->impl_->OpenInterface(false);
    }
    return nullptr;
}

bool EmulatedBus::IsPresent(const std::string& path) {
    std::lock_guard lock(state_->mutex);
    for (const auto& other : state_->others)
        if (other.info.path == path)
            return true;
    for (const auto& d : state_->devices)
        if (d->ConfigPath() == path || (!d->NotifyPath().empty() && d->NotifyPath() == path))
            return d->Plugged();
    return false;
}

bool EmulatedBus::AnnouncesChanges() const {
    return true; // plugging, unplugging and adding a device raise notices
}

// ---------------------------------------------------------------------------------------------

EmulatorInstallation::EmulatorInstallation(std::shared_ptr<EmulatedBus> bus)
    : bus_(std::move(bus)) {
    device::InstallHidBackend(bus_);
}

EmulatorInstallation::~EmulatorInstallation() {
    device::InstallHidBackend(nullptr);
}

std::unique_ptr<EmulatorInstallation> InstallEmulatedBus(const EmulatorOptions& options) {
    return std::make_unique<EmulatorInstallation>(std::make_shared<EmulatedBus>(options));
}

} // namespace zk::emulator
