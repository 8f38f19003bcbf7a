#include "connection/Notification.h"

#include "device/HidDevice.h"
#include "platform/Log.h"

#include <string>
#include <vector>

namespace zk::connection {

using device::CHidDevice;
using device::HidInterfaceInfo;
using device::HidItem;

namespace {

constexpr uint16_t kCodeSettingsChanged = 0x401;
constexpr uint16_t kCodeProfileChanged = 0x402;
constexpr uint16_t kCodeReactive = 0x403;

std::string_view ExitLine(DeviceKind kind) {
    return kind == DeviceKind::Mouse ? "鼠标同步线程设定测试退出" : "键盘同步线程设定退出";
}

// Scans for the notification interface and opens it in `hid`; false when it
// is not there (or the interfaces cannot be listed). `listed` tells whether
// the listing held one of the kind's products.
bool FindInterface(const device::DeviceIdentity& id, CHidDevice& hid, bool& listingFailed,
                   bool& listed) {
    listed = false;
    if (hid.EnumeratePaths() == 0) {
        if (!listingFailed)
            platform::DebugLine("HID interface listing failed; notifications retry");
        listingFailed = true;
        return false;
    }
    listingFailed = false;
    const std::vector<std::string> paths = hid.pathList;
    const std::vector<HidInterfaceInfo> infos = hid.pathInfo;
    for (size_t i = 0; i < paths.size(); ++i) {
        if (i >= infos.size() || !id.IsProduct(infos[i].vendorId, infos[i].productId))
            continue;
        listed = true;
        hid.openForRead = 1;
        hid.openForWrite = 0;
        hid.openOverlapped = 1;
        hid.openExclusive = 0;
        hid.devicePath = paths[i];
        if (hid.Open() == 0)
            continue;
        if (id.Matches(hid.attributes.vendorId, hid.attributes.productId, hid.caps.usagePage,
                       hid.caps.usage))
            return true;
        hid.Close();
    }
    return false;
}

// The first usage that the first input item reports, 0 when none is on.
uint16_t FirstUsage(CHidDevice& hid, uint32_t length) {
    if (hid.input.items.empty())
        return 0;
    hid.UnpackInputReport(hid.input.reportBuffer.data(), length, hid.input.items.data(),
                          static_cast<uint32_t>(hid.input.items.size()));
    const HidItem& item = hid.input.items.front();
    if (!item.isSet)
        return 0;
    if (item.isButton)
        return item.button.usages.empty() ? 0 : item.button.usages.front();
    return static_cast<uint16_t>(item.value.value);
}

void FreePaths(CHidDevice& hid) {
    hid.pathList.clear();
    hid.pathInfo.clear();
    hid.pathCount = 0;
    hid.pathCursor = 0;
}

} // namespace

void DispatchCode(DeviceKind kind, uint16_t code, MainWindowLink& link) {
    if (kind == DeviceKind::Mouse) {
        if (code == kCodeSettingsChanged)
            link.SendMessage(kMsgMouseReread);
        else if (code == kCodeProfileChanged)
            link.SendMessage(kMsgMouseReadAll);
        else if (code == kCodeReactive)
            link.TriggerReactiveEffects();
    } else if (kind == DeviceKind::Keyboard) {
        if (code == kCodeSettingsChanged)
            link.SendMessage(kMsgKeyboardReread);
        else if (code == kCodeProfileChanged)
            link.SendMessage(kMsgKeyboardReadAll);
    }
}

void RunNotifications(DeviceKind kind, MainWindowLink& link, const StopWait& stop,
                      const NotificationTiming& timing) {
    const device::DeviceIdentity* id =
        device::FindIdentity(kind, device::InterfaceRole::Notification);
    if (id == nullptr)
        return;
    CHidDevice hid;
    bool listingFailed = false;
    bool listed = false;
    bool stopped = false;
    while (!stopped && !stop(kStopCheck)) {
        if (FindInterface(*id, hid, listingFailed, listed)) {
            const std::string path = hid.devicePath;
            const uint32_t length = hid.caps.inputReportByteLength;
            for (;;) {
                if (stop(kStopCheck)) {
                    stopped = true;
                    break;
                }
                if (hid.input.reportBuffer.size() < length || length == 0)
                    break; // nothing readable on this interface
                uint32_t got = 0;
                const auto started = std::chrono::steady_clock::now();
                if (hid.ReadReport(hid.input.reportBuffer.data(), length, &got,
                                   static_cast<uint32_t>(timing.readTimeout.count())) != 0 &&
                    got > 0) {
                    DispatchCode(kind, FirstUsage(hid, got), link);
                    continue;
                }
                if (!CHidDevice::IsPresent(path))
                    break; // unplugged
                // A read that failed well before its time-out means the open
                // interface is dead although the path is back (unplugged and
                // plugged in again): reading it again would fail at once,
                // forever. Find the interface anew instead.
                if (std::chrono::steady_clock::now() - started < timing.readTimeout / 2)
                    break;
            }
            hid.Close();
        }
        FreePaths(hid);
        const bool awaitNotice = !listed && !listingFailed && CHidDevice::ChangesAnnounced();
        if (stopped || stop(awaitNotice ? timing.noticedRescanPause : timing.rescanPause))
            break;
    }
    platform::DebugLine(ExitLine(kind));
}

} // namespace zk::connection
