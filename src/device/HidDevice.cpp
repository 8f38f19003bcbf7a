#include "device/HidDevice.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace zk::device {

// An open interface together with the descriptor that ends its waits. A new session is made on
// every Open; Close signals the old one and drops it, so a stale wake-up can never reach a later
// transfer. Waiting transfers hold their own reference, so the file descriptors stay valid until
// they return.
struct CHidDevice::Session {
    std::shared_ptr<IHidConnection> connection;
    std::shared_ptr<const HidPreparsedData> preparsed;
    int collectionIndex = 0;
    int cancelFd = -1;

    ~Session() {
        if (cancelFd >= 0)
            ::close(cancelFd);
    }
    void Cancel() const {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(cancelFd, &one, sizeof one);
    }
};

CHidDevice::CHidDevice() {
    Create();
}

CHidDevice::~CHidDevice() {
    Destroy();
}

void CHidDevice::Create() {
    DropSession(); // an open interface is not leaked by a second Create
    pathList.clear();
    pathInfo.clear();
    pathCount = 0;
    pathCursor = 0;
    openForRead = openForWrite = openOverlapped = openExclusive = 0;
    reading = 0;
    writing = 0;
    devicePath.clear();
    ClearCapabilities();
}

void CHidDevice::Destroy() {
    Close();
    pathList.clear();
    pathInfo.clear();
    pathCount = 0;
    pathCursor = 0;
}

int CHidDevice::EnumeratePaths() {
    pathList.clear();
    pathInfo.clear();
    pathCount = 0;
    std::vector<HidInterfaceInfo> found;
    if (!CurrentHidBackend()->Enumerate(found))
        return 0;
    pathList.reserve(found.size());
    for (const auto& info : found)
        pathList.push_back(info.path);
    pathInfo = std::move(found);
    pathCount = static_cast<uint32_t>(pathList.size());
    return 1;
}

std::shared_ptr<CHidDevice::Session> CHidDevice::CurrentSession() const {
    std::lock_guard lock(sessionMutex_);
    return session_;
}

bool CHidDevice::IsOpen() const {
    return CurrentSession() != nullptr;
}

void CHidDevice::DropSession() {
    std::shared_ptr<Session> old;
    {
        std::lock_guard lock(sessionMutex_);
        old.swap(session_);
    }
    if (old)
        old->Cancel();
}

void CHidDevice::Close() {
    DropSession();
    ClearCapabilities();
}

void CHidDevice::ClearCapabilities() {
    preparsedData.reset();
    caps = HidpCaps{};
    attributes = HiddAttributes{};
    input = HidReportGroup{};
    output = HidReportGroup{};
    feature = HidReportGroup{};
    collectionIndex_ = 0;
}

int CHidDevice::Open() {
    Close();

    HidOpenFlags flags;
    flags.read = openForRead != 0;
    flags.write = openForWrite != 0;
    flags.exclusive = openExclusive != 0;
    errno = 0;
    std::shared_ptr<IHidConnection> connection = CurrentHidBackend()->Open(devicePath, flags);
    openError = connection ? 0 : errno;
    if (!connection)
        return 0;

    HiddAttributes attrs;
    std::vector<uint8_t> descriptor;
    if (!connection->GetAttributes(attrs) || !connection->GetReportDescriptor(descriptor))
        return 0;
    auto parsed = ParseReportDescriptor(descriptor.data(), descriptor.size());
    if (!parsed)
        return 0;
    const int index = connection->CollectionIndex();
    if (index < 0 || static_cast<size_t>(index) >= parsed->collections.size())
        return 0;

    auto session = std::make_shared<Session>();
    session->cancelFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (session->cancelFd < 0)
        return 0;
    session->connection = std::move(connection);
    session->preparsed = std::make_shared<const HidPreparsedData>(std::move(*parsed));
    session->collectionIndex = index;

    preparsedData = session->preparsed;
    collectionIndex_ = index;
    attributes = attrs;
    caps = preparsedData->collections[static_cast<size_t>(index)].caps;
    BuildGroup(HidReportType::Input, input);
    BuildGroup(HidReportType::Output, output);
    BuildGroup(HidReportType::Feature, feature);

    std::lock_guard lock(sessionMutex_);
    session_ = std::move(session);
    return 1;
}

void CHidDevice::BuildGroup(HidReportType type, HidReportGroup& group) {
    const auto& collection = preparsedData->collections[static_cast<size_t>(collectionIndex_)];
    const auto t = static_cast<size_t>(type);
    uint16_t length = type == HidReportType::Input    ? caps.inputReportByteLength
                      : type == HidReportType::Output ? caps.outputReportByteLength
                                                      : caps.featureReportByteLength;
    group.reportBuffer.assign(length, 0);
    group.buttonCaps = collection.buttonCaps[t];
    group.valueCaps = collection.valueCaps[t];
    group.items.clear();
    for (const auto& bc : group.buttonCaps) {
        HidItem item;
        item.isButton = 1;
        item.usagePage = bc.usagePage;
        item.reportId = bc.reportId;
        item.status = kHidpStatusSuccess;
        item.button.usageMin = bc.usageMin;
        item.button.usageMax = bc.usageMax;
        item.button.maxUsages = HidpMaxUsageListLength(type, bc.usagePage, collection);
        item.button.usages.assign(item.button.maxUsages, 0);
        group.items.push_back(std::move(item));
    }
    for (const auto& vc : group.valueCaps) {
        for (uint32_t usage = vc.usageMin; usage <= vc.usageMax; ++usage) {
            HidItem item;
            item.usagePage = vc.usagePage;
            item.reportId = vc.reportId;
            item.status = kHidpStatusSuccess;
            item.value.usage = static_cast<uint16_t>(usage);
            group.items.push_back(std::move(item));
        }
    }
    group.itemCount = static_cast<uint32_t>(group.items.size());
}

namespace {

int RemainingMs(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0)
        return 0;
    return static_cast<int>((left.count() + 999) / 1000);
}

} // namespace

int CHidDevice::Transfer(bool isRead, uint8_t* buffer, uint32_t length, uint32_t* bytesRead,
                         uint32_t timeoutMs) {
    std::atomic<uint32_t>& busy = isRead ? reading : writing;
    busy = 1;
    if (bytesRead)
        *bytesRead = 0;
    int result = 0;
    const std::shared_ptr<Session> session = CurrentSession();
    if (session && buffer && length > 0) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        const HidCollectionCaps& collection =
            session->preparsed->collections[static_cast<size_t>(session->collectionIndex)];
        const bool filterIds = isRead && session->preparsed->usesReportIds &&
                               session->preparsed->collections.size() > 1;
        // Without report IDs the interface delivers bare report data; the caller always gets
        // the report ID byte (0) first, as it writes one.
        const bool prependId = isRead && !session->preparsed->usesReportIds;
        for (bool room = !prependId || length >= 2; room;) {
            ssize_t n = isRead ? session->connection->TryRead(buffer + (prependId ? 1 : 0),
                                                              length - (prependId ? 1 : 0))
                               : session->connection->TryWrite(buffer, length);
            if (n == kHidGone || n < 0)
                break;
            if (n > 0 && prependId) {
                buffer[0] = 0;
                ++n;
            }
            if (n > 0) {
                if (!isRead && static_cast<uint32_t>(n) != length)
                    break;
                // A node that carries several collections delivers their reports to every
                // reader; a reader of one collection takes only that collection's reports.
                if (filterIds && !collection.HasReportId(HidReportType::Input, buffer[0]))
                    continue;
                if (bytesRead)
                    *bytesRead = static_cast<uint32_t>(n);
                result = 1;
                break;
            }
            const int waitMs = RemainingMs(deadline);
            if (waitMs <= 0)
                break;
            const HidPollTarget target =
                isRead ? session->connection->ReadTarget() : session->connection->WriteTarget();
            pollfd fds[2] = {{target.fd, target.events, 0}, {session->cancelFd, POLLIN, 0}};
            const int r = ::poll(fds, 2, waitMs);
            if (r < 0) {
                if (errno == EINTR)
                    continue;
                break;
            }
            if (fds[1].revents != 0)
                break; // cancelled by Open or Close on another thread
            if (r == 0)
                break; // time-out: nothing is left queued by this call
            if ((fds[0].revents & POLLNVAL) != 0)
                break;
        }
    }
    if (session && !isRead && result == 0)
        session->connection->AbandonWrite();
    busy = 0;
    return result;
}

int CHidDevice::ReadReport(uint8_t* buffer, uint32_t length, uint32_t* bytesRead,
                           uint32_t timeoutMs) {
    return Transfer(true, buffer, length, bytesRead, timeoutMs);
}

int CHidDevice::WriteReport(const uint8_t* buffer) {
    return WriteReport(buffer, kHidWriteTimeoutMs);
}

int CHidDevice::WriteReport(const uint8_t* buffer, uint32_t timeoutMs) {
    // The transfer never writes into the buffer of a write.
    return Transfer(false, const_cast<uint8_t*>(buffer), kHidReportSize, nullptr,
                    std::min(timeoutMs, kHidWriteTimeoutMs));
}

uint32_t CHidDevice::UnpackInputReport(const uint8_t* report, uint32_t length, HidItem* items,
                                       uint32_t itemCount) {
    const std::shared_ptr<const HidPreparsedData> parsed = preparsedData;
    if (!parsed || !report || length == 0 || (itemCount > 0 && !items))
        return kHidpStatusInvalidPreparsedData & ~0xFFu;
    const HidCollectionCaps& collection =
        parsed->collections[static_cast<size_t>(collectionIndex_)];
    for (uint32_t i = 0; i < itemCount; ++i) {
        HidItem& item = items[i];
        if (item.reportId != report[0])
            continue;
        if (item.isButton) {
            auto& usages = item.button.usages;
            if (usages.size() < item.button.maxUsages)
                usages.resize(item.button.maxUsages, 0);
            uint32_t count = item.button.maxUsages;
            item.status = HidpGetUsages(HidReportType::Input, item.usagePage, collection,
                                        usages.data(), &count, report, length);
            if (item.status != kHidpStatusSuccess)
                count = 0;
            uint32_t kept = 0;
            for (uint32_t k = 0; k < count; ++k) {
                const uint16_t u = usages[k];
                if (u >= item.button.usageMin && u <= item.button.usageMax)
                    usages[kept++] = u;
            }
            if (kept < item.button.maxUsages)
                usages[kept] = 0;
        } else {
            uint32_t raw = 0;
            item.status = HidpGetUsageValue(HidReportType::Input, item.usagePage, item.value.usage,
                                            collection, &raw, report, length);
            if (item.status != kHidpStatusSuccess)
                return item.status & ~0xFFu;
            item.value.value = raw;
            int32_t scaled = 0;
            item.status =
                HidpGetScaledUsageValue(HidReportType::Input, item.usagePage, item.value.usage,
                                        collection, &scaled, report, length);
            item.value.scaledValue = scaled;
        }
        item.isSet = 1;
    }
    return (kHidpStatusSuccess & ~0xFFu) | 1u;
}

bool CHidDevice::IsPresent(const std::string& path) {
    return CurrentHidBackend()->IsPresent(path);
}

bool CHidDevice::ChangesAnnounced() {
    return CurrentHidBackend()->AnnouncesChanges();
}

} // namespace zk::device
