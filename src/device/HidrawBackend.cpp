#include "device/HidrawBackend.h"

#include "device/HidReportDescriptor.h"
#include "device/Hotplug.h"
#include "platform/UniqueFd.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <libudev.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace zk::device {

using platform::RetryOnEintr;
using platform::UniqueFd;

namespace {

// Number at the end of a node name, for listing nodes in their natural order.
long NodeNumber(const std::string& devnode) {
    size_t end = devnode.size();
    size_t begin = end;
    while (begin > 0 && devnode[begin - 1] >= '0' && devnode[begin - 1] <= '9')
        --begin;
    if (begin == end)
        return -1;
    return std::strtol(devnode.c_str() + begin, nullptr, 10);
}

void SortNodes(std::vector<HidrawNode>& nodes) {
    std::sort(nodes.begin(), nodes.end(), [](const HidrawNode& a, const HidrawNode& b) {
        const long na = NodeNumber(a.devnode), nb = NodeNumber(b.devnode);
        return na != nb ? na < nb : a.devnode < b.devnode;
    });
}

bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes, size_t limit) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (bytes.size() > limit)
        bytes.resize(limit);
    return true;
}

std::string UeventValue(const std::string& ueventPath, const std::string& key) {
    std::ifstream in(ueventPath);
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() > key.size() && line.compare(0, key.size(), key) == 0 &&
            line[key.size()] == '=')
            return line.substr(key.size() + 1);
    }
    return {};
}

} // namespace

bool ParseHidId(const std::string& hidId, uint32_t& bus, uint16_t& vendorId, uint16_t& productId) {
    unsigned b = 0, v = 0, p = 0;
    char tail = 0;
    if (std::sscanf(hidId.c_str(), "%x:%x:%x%c", &b, &v, &p, &tail) != 3)
        return false;
    bus = b;
    vendorId = static_cast<uint16_t>(v & 0xFFFF);
    productId = static_cast<uint16_t>(p & 0xFFFF);
    return true;
}

bool SplitHidrawPath(const std::string& path, std::string& devnode, int& collectionIndex) {
    const size_t hash = path.rfind('#');
    if (hash == std::string::npos) {
        devnode = path;
        collectionIndex = 0;
        return !path.empty();
    }
    const std::string number = path.substr(hash + 1);
    if (number.empty() || number.size() > 4 ||
        !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    devnode = path.substr(0, hash);
    collectionIndex = std::atoi(number.c_str());
    return !devnode.empty();
}

bool ListHidrawNodesUdev(std::vector<HidrawNode>& nodes) {
    nodes.clear();
    udev* u = udev_new();
    if (!u)
        return false;
    udev_enumerate* e = udev_enumerate_new(u);
    if (!e) {
        udev_unref(u);
        return false;
    }
    bool ok =
        udev_enumerate_add_match_subsystem(e, "hidraw") >= 0 && udev_enumerate_scan_devices(e) >= 0;
    if (ok) {
        udev_list_entry* entry = nullptr;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e)) {
            const char* syspath = udev_list_entry_get_name(entry);
            udev_device* dev = udev_device_new_from_syspath(u, syspath);
            if (!dev)
                continue;
            HidrawNode node;
            if (const char* devnode = udev_device_get_devnode(dev))
                node.devnode = devnode;
            // The parent is owned by the child; it is not unreferenced separately.
            if (udev_device* parent =
                    udev_device_get_parent_with_subsystem_devtype(dev, "hid", nullptr)) {
                if (const char* p = udev_device_get_syspath(parent)) {
                    node.hidSyspath = p;
                    node.descriptorPath = node.hidSyspath + "/report_descriptor";
                }
                if (const char* id = udev_device_get_property_value(parent, "HID_ID"))
                    node.hidId = id;
            }
            udev_device_unref(dev);
            if (!node.devnode.empty())
                nodes.push_back(std::move(node));
        }
    }
    udev_enumerate_unref(e);
    udev_unref(u);
    SortNodes(nodes);
    return ok;
}

bool FindHidrawNodeUdev(const std::string& devnode, HidrawNode& node) {
    const size_t slash = devnode.rfind('/');
    const std::string sysname = slash == std::string::npos ? devnode : devnode.substr(slash + 1);
    if (sysname.rfind("hidraw", 0) != 0)
        return false;
    udev* u = udev_new();
    if (!u)
        return false;
    bool found = false;
    if (udev_device* dev = udev_device_new_from_subsystem_sysname(u, "hidraw", sysname.c_str())) {
        const char* nodePath = udev_device_get_devnode(dev);
        if (nodePath && devnode == nodePath) {
            node = HidrawNode{};
            node.devnode = nodePath;
            if (udev_device* parent =
                    udev_device_get_parent_with_subsystem_devtype(dev, "hid", nullptr)) {
                if (const char* p = udev_device_get_syspath(parent)) {
                    node.hidSyspath = p;
                    node.descriptorPath = node.hidSyspath + "/report_descriptor";
                }
                if (const char* id = udev_device_get_property_value(parent, "HID_ID"))
                    node.hidId = id;
            }
            found = true;
        }
        udev_device_unref(dev);
    }
    udev_unref(u);
    return found;
}

HidrawNodeLister SysfsHidrawLister(std::string sysRoot, std::string devRoot) {
    return [sysRoot = std::move(sysRoot),
            devRoot = std::move(devRoot)](std::vector<HidrawNode>& nodes) {
        namespace fs = std::filesystem;
        nodes.clear();
        std::error_code ec;
        const fs::path classDir = fs::path(sysRoot) / "class" / "hidraw";
        if (!fs::is_directory(classDir, ec))
            return false;
        for (const auto& entry : fs::directory_iterator(classDir, ec)) {
            const std::string name = entry.path().filename().string();
            const fs::path device = entry.path() / "device";
            HidrawNode node;
            const std::string devName = UeventValue((entry.path() / "uevent").string(), "DEVNAME");
            node.devnode = (fs::path(devRoot) / (devName.empty() ? name : devName)).string();
            std::error_code ec2;
            const fs::path parent = fs::weakly_canonical(device, ec2);
            node.hidSyspath = ec2 ? device.string() : parent.string();
            node.hidId = UeventValue((device / "uevent").string(), "HID_ID");
            node.descriptorPath = (device / "report_descriptor").string();
            nodes.push_back(std::move(node));
        }
        SortNodes(nodes);
        return !ec;
    };
}

// ---------------------------------------------------------------------------------------------

// State shared by a connection and its writer thread, which may outlive the connection while a
// write is stuck in the kernel; the last owner closes the descriptor.
struct HidrawConnection::Shared {
    enum class State { Idle, Busy, Done };

    explicit Shared(int descriptor) : fd(descriptor) {}
    void SignalDone() const {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(doneFd.Get(), &one, sizeof one);
    }
    void DrainDone() const {
        uint64_t v;
        [[maybe_unused]] ssize_t n = ::read(doneFd.Get(), &v, sizeof v);
    }

    const UniqueFd fd;
    UniqueFd doneFd;
    std::mutex mutex;
    std::condition_variable wake;
    State state = State::Idle;
    bool abandoned = false;
    std::atomic<bool> stop{false};
    bool started = false;
    std::vector<uint8_t> frame;
    ssize_t result = 0;
};

namespace {

bool IsSocket(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISSOCK(st.st_mode);
}

// One write to the end, however long the descriptor makes it wait.
ssize_t BlockingWrite(int fd, const uint8_t* data, size_t size, const std::atomic<bool>& stop) {
    const bool socket = IsSocket(fd);
    for (;;) {
        const ssize_t n = RetryOnEintr([&] {
            return socket ? ::send(fd, data, size, MSG_NOSIGNAL) : ::write(fd, data, size);
        });
        if (n >= 0)
            return n;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return -1;
        if (stop)
            return -1;
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, 50);
    }
}

void WriterLoop(std::shared_ptr<HidrawConnection::Shared> shared);

} // namespace

HidrawConnection::HidrawConnection(int fd, int collectionIndex, WriteMode mode)
    : shared_(std::make_shared<Shared>(fd)), collectionIndex_(collectionIndex) {
    socket_ = IsSocket(fd);
    background_ = mode == WriteMode::Background || (mode == WriteMode::Auto && !socket_);
}

HidrawConnection::HidrawConnection(int fd, int collectionIndex, const HiddAttributes& attributes,
                                   std::vector<uint8_t> reportDescriptor, WriteMode mode)
    : HidrawConnection(fd, collectionIndex, mode) {
    given_ = true;
    attributes_ = attributes;
    descriptor_ = std::move(reportDescriptor);
}

HidrawConnection::~HidrawConnection() {
    std::lock_guard lock(shared_->mutex);
    shared_->stop = true;
    shared_->wake.notify_all();
    // A writer stuck in the kernel keeps the descriptor open until its write returns.
}

HidPollTarget HidrawConnection::ReadTarget() const {
    return {shared_->fd.Get(), POLLIN};
}

HidPollTarget HidrawConnection::WriteTarget() const {
    // A background write signals its end on doneFd (a write that ended before this call has
    // already signalled it).
    if (background_) {
        std::lock_guard lock(shared_->mutex);
        if (shared_->doneFd)
            return {shared_->doneFd.Get(), POLLIN};
    }
    return {shared_->fd.Get(), POLLOUT};
}

ssize_t HidrawConnection::TryRead(uint8_t* buffer, size_t length) {
    const ssize_t n = RetryOnEintr([&] { return ::read(shared_->fd.Get(), buffer, length); });
    if (n > 0)
        return n;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return kHidWouldBlock;
    return kHidGone; // end of file, or the device went away
}

void HidrawConnection::StartWriter() {
    shared_->doneFd.Reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    shared_->started = true;
    std::thread(WriterLoop, shared_).detach();
}

ssize_t HidrawConnection::TryWrite(const uint8_t* buffer, size_t length) {
    if (!background_) {
        const int fd = shared_->fd.Get();
        const ssize_t n = RetryOnEintr([&] {
            return socket_ ? ::send(fd, buffer, length, MSG_DONTWAIT | MSG_NOSIGNAL)
                           : ::write(fd, buffer, length);
        });
        if (n > 0)
            return n;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS))
            return kHidWouldBlock;
        return kHidGone;
    }
    std::lock_guard lock(shared_->mutex);
    if (!shared_->started)
        StartWriter();
    if (!shared_->doneFd)
        return kHidGone;
    shared_->DrainDone();
    switch (shared_->state) {
    case Shared::State::Idle:
        shared_->frame.assign(buffer, buffer + length);
        shared_->abandoned = false;
        shared_->state = Shared::State::Busy;
        shared_->wake.notify_all();
        return kHidWouldBlock;
    case Shared::State::Busy:
        return kHidWouldBlock;
    case Shared::State::Done:
    default: {
        shared_->state = Shared::State::Idle;
        return shared_->result > 0 ? shared_->result : kHidGone;
    }
    }
}

void HidrawConnection::AbandonWrite() {
    if (!background_)
        return;
    std::lock_guard lock(shared_->mutex);
    if (shared_->state == Shared::State::Busy)
        shared_->abandoned = true;
    else if (shared_->state == Shared::State::Done)
        shared_->state = Shared::State::Idle;
}

namespace {

void WriterLoop(std::shared_ptr<HidrawConnection::Shared> shared) {
    using State = HidrawConnection::Shared::State;
    std::unique_lock lock(shared->mutex);
    for (;;) {
        shared->wake.wait(lock, [&] { return shared->stop || shared->state == State::Busy; });
        if (shared->stop)
            return;
        const std::vector<uint8_t> frame = shared->frame;
        lock.unlock();
        const ssize_t n = BlockingWrite(shared->fd.Get(), frame.data(), frame.size(), shared->stop);
        lock.lock();
        shared->result = n;
        if (shared->abandoned) {
            shared->abandoned = false;
            shared->state = State::Idle;
        } else {
            shared->state = State::Done;
        }
        shared->SignalDone();
    }
}

} // namespace

bool HidrawConnection::GetAttributes(HiddAttributes& attributes) {
    if (given_) {
        attributes = attributes_;
        return true;
    }
    hidraw_devinfo info{};
    if (::ioctl(shared_->fd.Get(), HIDIOCGRAWINFO, &info) < 0)
        return false;
    attributes.vendorId = static_cast<uint16_t>(info.vendor);
    attributes.productId = static_cast<uint16_t>(info.product);
    attributes.versionNumber = 0;
    return true;
}

bool HidrawConnection::GetReportDescriptor(std::vector<uint8_t>& descriptor) {
    if (given_) {
        descriptor = descriptor_;
        return true;
    }
    int size = 0;
    if (::ioctl(shared_->fd.Get(), HIDIOCGRDESCSIZE, &size) < 0 || size < 0 ||
        size > HID_MAX_DESCRIPTOR_SIZE)
        return false;
    hidraw_report_descriptor rd{};
    rd.size = static_cast<uint32_t>(size);
    if (::ioctl(shared_->fd.Get(), HIDIOCGRDESC, &rd) < 0)
        return false;
    descriptor.assign(rd.value, rd.value + size);
    return true;
}

// ---------------------------------------------------------------------------------------------

namespace {

// A kept listing or presence answer is used only this long.
bool Fresh(std::chrono::steady_clock::time_point since) {
    return std::chrono::steady_clock::now() - since < kHidrawListingMaxAge;
}

} // namespace

// Counts the changes of hidraw nodes in a device folder.
class HidrawBackend::NodeWatch {
public:
    explicit NodeWatch(const std::string& devRoot) : fd_(WatchHidrawNodes(devRoot)) {}

    // One more than the number of changes so far, after reading the waiting events; 0 once the
    // folder cannot be watched (never could, or the watch ended).
    std::uint64_t Generation() {
        std::lock_guard lock(mutex_);
        if (fd_) {
            const HidrawNodeEvents seen = ReadHidrawNodeEvents(fd_.Get());
            if (seen.changed)
                ++generation_;
            if (seen.ended)
                fd_.Reset(); // watch no more
        }
        return fd_ ? generation_ : 0;
    }

private:
    std::mutex mutex_;
    UniqueFd fd_;
    std::uint64_t generation_ = 1;
};

HidrawBackend::HidrawBackend()
    : lister_(ListHidrawNodesUdev), lookup_(FindHidrawNodeUdev), watchedRoot_("/dev"),
      watch_(std::make_unique<NodeWatch>(watchedRoot_)) {}

HidrawBackend::HidrawBackend(HidrawNodeLister lister, const std::string& watchedDevRoot)
    : lister_(std::move(lister)), watchedRoot_(watchedDevRoot),
      watch_(watchedDevRoot.empty() ? nullptr : std::make_unique<NodeWatch>(watchedDevRoot)) {}

HidrawBackend::~HidrawBackend() = default;

bool HidrawBackend::Enumerate(std::vector<HidInterfaceInfo>& interfaces) {
    std::lock_guard listing(listingMutex_);
    // Read before listing: a node that changes while the listing runs makes the next call list.
    const std::uint64_t generation = watch_ ? watch_->Generation() : 0;
    if (keptListing_ && generation != 0 && generation == keptListingGeneration_ &&
        Fresh(keptListingTime_)) {
        interfaces = *keptListing_;
        return true;
    }
    keptListing_.reset();
    interfaces.clear();
    std::vector<HidrawNode> nodes;
    if (!lister_ || !lister_(nodes))
        return false;
    std::map<std::string, std::string> parents;
    for (const HidrawNode& node : nodes) {
        parents[node.devnode] = node.hidSyspath;
        HidInterfaceInfo base;
        base.path = node.devnode;
        ParseHidId(node.hidId, base.busType, base.vendorId, base.productId);
        std::vector<uint8_t> descriptor;
        std::optional<HidPreparsedData> parsed;
        if (ReadFile(node.descriptorPath, descriptor, HID_MAX_DESCRIPTOR_SIZE))
            parsed = ParseReportDescriptor(descriptor.data(), descriptor.size());
        if (!parsed) {
            interfaces.push_back(base); // listed; identity of its collection unknown
            continue;
        }
        for (size_t c = 0; c < parsed->collections.size(); ++c) {
            HidInterfaceInfo info = base;
            if (c > 0)
                info.path = node.devnode + "#" + std::to_string(c);
            info.usagePage = parsed->collections[c].caps.usagePage;
            info.usage = parsed->collections[c].caps.usage;
            interfaces.push_back(std::move(info));
        }
    }
    std::lock_guard lock(mutex_);
    knownParent_ = std::move(parents);
    if (generation != 0) {
        keptListing_ = interfaces;
        keptListingGeneration_ = generation;
        keptListingTime_ = std::chrono::steady_clock::now();
    }
    return true;
}

bool HidrawBackend::AnnouncesChanges() const {
    return !watchedRoot_.empty() && HidrawNoticesComplete(watchedRoot_);
}

bool HidrawBackend::FindNode(const std::string& devnode, HidrawNode& node) {
    if (lookup_)
        return lookup_(devnode, node);
    std::vector<HidrawNode> nodes;
    if (!lister_ || !lister_(nodes))
        return false;
    for (auto& n : nodes) {
        if (n.devnode == devnode) {
            node = std::move(n);
            return true;
        }
    }
    return false;
}

std::unique_ptr<IHidConnection> HidrawBackend::Open(const std::string& path,
                                                    const HidOpenFlags& flags) {
    std::string devnode;
    int collection = 0;
    if (!SplitHidrawPath(path, devnode, collection))
        return nullptr;
    int mode = O_RDWR;
    if (flags.read && !flags.write)
        mode = O_RDONLY;
    else if (!flags.read && flags.write)
        mode = O_WRONLY;
    UniqueFd fd(::open(devnode.c_str(), mode | O_NONBLOCK | O_CLOEXEC));
    if (!fd)
        return nullptr; // errno from open(): EACCES when the node's rights keep this user out
    // Advisory locks stand in for sharing modes between the programs that honour them.
    if (::flock(fd.Get(), (flags.exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) < 0 &&
        errno == EWOULDBLOCK) {
        fd.Reset();
        errno = EBUSY;
        return nullptr;
    }
    HidrawNode node;
    if (FindNode(devnode, node)) {
        std::lock_guard lock(mutex_);
        knownParent_[devnode] = node.hidSyspath;
    }
    return std::make_unique<HidrawConnection>(fd.Release(), collection);
}

bool HidrawBackend::IsPresent(const std::string& path) {
    std::string devnode;
    int collection = 0;
    if (!SplitHidrawPath(path, devnode, collection))
        return false;
    const std::uint64_t generation = watch_ ? watch_->Generation() : 0;
    if (generation != 0) {
        std::lock_guard lock(mutex_);
        const auto kept = keptPresence_.find(devnode);
        if (kept != keptPresence_.end() && kept->second.generation == generation &&
            Fresh(kept->second.time))
            return true;
    }
    HidrawNode node;
    if (!FindNode(devnode, node))
        return false;
    std::lock_guard lock(mutex_);
    const auto it = knownParent_.find(devnode);
    // A node number reused by another device (unplugged and replugged) has a new HID parent.
    const bool present = it == knownParent_.end() || it->second == node.hidSyspath;
    if (present && generation != 0)
        keptPresence_[devnode] = {generation, std::chrono::steady_clock::now()};
    else
        keptPresence_.erase(devnode);
    return present;
}

} // namespace zk::device
