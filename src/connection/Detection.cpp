#include "connection/Detection.h"

#include "platform/Log.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <mutex>
#include <string>
#include <thread>

namespace zk::connection {

using device::CHidDevice;
using device::HidInterfaceInfo;

namespace {

// Diagnostic lines written when a kind's thread ends.
std::string_view ExitLine(DeviceKind kind) {
    switch (kind) {
    case DeviceKind::Mouse:
        return "鼠标设备侦测线程设定退出";
    case DeviceKind::Keyboard:
        return "键盘设备侦测线程设定退出";
    case DeviceKind::Mousepad:
        break;
    }
    return "鼠标垫设备侦测线程设定退出";
}

std::atomic<int> g_keyboardModel{0};

bool Connected(const protocol::DeviceChannel* channel) {
    return channel != nullptr && channel->IsConnected();
}

int StoredSelection(const KindPresentation& names) {
    return names.storedSelection ? names.storedSelection() : 0;
}

ControlChange Change(ControlOp op, std::string_view control, int value = 0) {
    return ControlChange{op, std::string(control), value};
}

class Detector {
public:
    Detector(DeviceKind kind, const DeviceChannels& channels, const PresentationNames& names,
             MainWindowLink& link, const DetectionTiming& timing)
        : id_(device::ConfigurationIdentity(kind)), allNames_(names), names_(names.Of(kind)),
          channels_(channels), channel_(*channels.Of(kind)), link_(link), timing_(timing) {}

    // One poll step under the transaction lock; returns the pause before the
    // next one.
    std::chrono::milliseconds Step() {
        std::lock_guard lock(channel_.transactionLock);
        if (channel_.IsConnected())
            TestPresence();
        else
            Scan();
        if (!startScanned_) {
            startScanned_ = true;
            link_.QueueControlChanges({Change(ControlOp::StartScanned, "")});
        }
        if (!channel_.IsConnected() && !listingFailed_ && !ownInterfaceListed_ &&
            CHidDevice::ChangesAnnounced())
            return timing_.noticedScanPause;
        if (id_.kind == DeviceKind::Mouse)
            return timing_.mousePoll;
        return channel_.IsConnected() ? timing_.connectedPoll : timing_.disconnectedPoll;
    }

private:
    std::array<const protocol::DeviceChannel*, 2> Others() const {
        switch (id_.kind) {
        case DeviceKind::Mouse:
            return {channels_.keyboard, channels_.mousepad};
        case DeviceKind::Keyboard:
            return {channels_.mouse, channels_.mousepad};
        case DeviceKind::Mousepad:
            break;
        }
        return {channels_.keyboard, channels_.mouse};
    }

    void TestPresence() {
        const auto others = Others();
        const bool anyOther = Connected(others[0]) || Connected(others[1]);
        if (CHidDevice::IsPresent(channel_.hid.devicePath)) {
            if (sameModeShown_ != static_cast<int>(anyOther)) {
                sameModeShown_ = anyOther ? 1 : 0;
                link_.QueueControlChanges(
                    {Change(ControlOp::SetVisible, names_.sameMode, anyOther)});
            }
            return;
        }
        // The device is gone. The presence test does not close the handle;
        // the next scan's open replaces it.
        channel_.MarkDisconnected();
        sameModeShown_ = -1;
        std::vector<ControlChange> changes{Change(ControlOp::SetVisible, names_.tab, 0)};
        if (!anyOther) {
            if (id_.kind == DeviceKind::Mouse) {
                link_.QueueControlChanges(std::move(changes));
                link_.PostMessage(kMsgMouseRemoved);
                return;
            }
            changes.push_back(Change(ControlOp::ShowWindow, "", 0));
            link_.QueueControlChanges(std::move(changes));
            return;
        }
        switch (id_.kind) {
        case DeviceKind::Mouse:
            if (Connected(channels_.keyboard)) {
                changes.push_back(Change(ControlOp::SetVisible, allNames_.keyboard.tab, 1));
                changes.push_back(Change(ControlOp::Select, allNames_.keyboard.tab));
                changes.push_back(Change(ControlOp::SetFocus, allNames_.keyboard.tab));
            } else {
                changes.push_back(Change(ControlOp::Select, allNames_.mousepad.tab));
                changes.push_back(Change(ControlOp::SetFocus, allNames_.mousepad.tab));
            }
            break;
        case DeviceKind::Mousepad:
            changes.push_back(Change(ControlOp::Select, Connected(channels_.keyboard)
                                                            ? allNames_.keyboard.tab
                                                            : allNames_.mouse.tab));
            break;
        case DeviceKind::Keyboard:
            changes.push_back(Change(ControlOp::Select, Connected(channels_.mouse)
                                                            ? allNames_.mouse.tab
                                                            : allNames_.mousepad.tab));
            break;
        }
        link_.QueueControlChanges(std::move(changes));
    }

    void Scan() {
        CHidDevice& hid = channel_.hid;
        if (hid.EnumeratePaths() == 0) {
            // A listing that fails once (udev busy, out of memory) must not end
            // detection for the rest of the session: try again next step.
            if (!listingFailed_)
                platform::DebugLine("HID interface listing failed; detection retries");
            listingFailed_ = true;
            return;
        }
        listingFailed_ = false;
        const std::vector<std::string> paths = hid.pathList;
        const std::vector<HidInterfaceInfo> infos = hid.pathInfo;
        ownInterfaceListed_ = std::any_of(infos.begin(), infos.end(), [this](const auto& info) {
            return id_.IsProduct(info.vendorId, info.productId);
        });
        for (size_t i = 0; i < paths.size(); ++i) {
            const uint16_t vendor = i < infos.size() ? infos[i].vendorId : 0;
            if (vendor != id_.vendorId)
                continue;
            hid.openForRead = 1;
            hid.openForWrite = 1;
            hid.openOverlapped = 1;
            hid.openExclusive = 0;
            hid.devicePath = paths[i];
            if (hid.Open() == 0) {
                if (hid.openError == EACCES && i < infos.size())
                    ReportNoAccess(infos[i]);
                continue;
            }
            if (id_.Matches(hid.attributes.vendorId, hid.attributes.productId, hid.caps.usagePage,
                            hid.caps.usage)) {
                Connect(hid.attributes.productId);
                break;
            }
            hid.Close();
        }
        if (firstScan_) {
            firstScan_ = false;
            if (Connected(channels_.mouse))
                link_.PostMessage(kMsgActivate);
        }
        hid.pathList.clear();
        hid.pathInfo.clear();
        hid.pathCount = 0;
        hid.pathCursor = 0;
    }

    // The kind's own interface exists but refuses this user: said once per thread, so that the
    // window can tell the user how to install the device rule instead of showing no device.
    void ReportNoAccess(const HidInterfaceInfo& info) {
        if (noAccessReported_ ||
            !id_.Matches(info.vendorId, info.productId, info.usagePage, info.usage))
            return;
        noAccessReported_ = true;
        platform::DebugLine("no access to " + info.path);
        link_.QueueControlChanges({Change(ControlOp::ReportNoAccess, info.path)});
    }

    void Connect(uint16_t productId) {
        sameModeShown_ = -1;
        switch (id_.kind) {
        case DeviceKind::Mouse: {
            channel_.connected = 1;
            const int select = StoredSelection(names_);
            link_.QueueControlChanges(
                {Change(ControlOp::SelectItem, names_.profileControl, select)});
            link_.StartTimer(kTimerMouseRead, std::chrono::milliseconds(500));
            link_.QueueControlChanges({Change(ControlOp::SetVisible, names_.tab, 1),
                                       Change(ControlOp::Select, names_.tab),
                                       Change(ControlOp::SetVisible, names_.tabPanel, 1)});
            break;
        }
        case DeviceKind::Mousepad: {
            channel_.connected = 1;
            const int select = StoredSelection(names_);
            link_.QueueControlChanges({Change(ControlOp::SetVisible, names_.tab, 1),
                                       Change(ControlOp::Select, names_.tab),
                                       Change(ControlOp::SelectItem, names_.profileControl, select),
                                       Change(ControlOp::Update, names_.tab)});
            link_.StartTimer(kTimerRedraw, std::chrono::milliseconds(100));
            break;
        }
        case DeviceKind::Keyboard: {
            if (productId == device::kKeyboardProductIdAlt)
                g_keyboardModel = 0;
            else if (productId == device::kKeyboardProductId)
                g_keyboardModel = 1;
            link_.QueueControlChanges({Change(ControlOp::SetVisible, names_.tab, 1),
                                       Change(ControlOp::Select, names_.tab)});
            std::this_thread::sleep_for(timing_.keyboardConnectPause);
            channel_.connected = 1;
            const int select = StoredSelection(names_);
            link_.QueueControlChanges(
                {Change(ControlOp::LoadKeyboardDeviceProfile, "", select),
                 Change(ControlOp::SelectItem, names_.profileControl, select)});
            link_.StartTimer(kTimerRedraw, std::chrono::milliseconds(100));
            link_.QueueControlChanges({Change(ControlOp::SetVisible, names_.tabPanel, 1),
                                       Change(ControlOp::ShowWindow, "", 1)});
            break;
        }
        }
    }

    const device::DeviceIdentity& id_;
    const PresentationNames& allNames_;
    const KindPresentation& names_;
    const DeviceChannels& channels_;
    protocol::DeviceChannel& channel_;
    MainWindowLink& link_;
    const DetectionTiming& timing_;
    bool firstScan_ = true;
    bool startScanned_ = false;
    bool listingFailed_ = false;
    bool ownInterfaceListed_ = false; // by the last scan: one of the kind's products
    bool noAccessReported_ = false;
    int sameModeShown_ = -1; // last visibility handed over; -1 none since (dis)connect
};

} // namespace

protocol::DeviceChannel* DeviceChannels::Of(DeviceKind kind) const {
    return device::OfKind(kind, mouse, keyboard, mousepad);
}

const KindPresentation& PresentationNames::Of(DeviceKind kind) const {
    return device::OfKind(kind, mouse, keyboard, mousepad);
}

void RunDetection(DeviceKind kind, const DeviceChannels& channels, const PresentationNames& names,
                  MainWindowLink& link, const StopWait& stop, const DetectionTiming& timing) {
    if (channels.Of(kind) != nullptr) {
        Detector detector(kind, channels, names, link, timing);
        while (!stop(kStopCheck)) {
            if (stop(detector.Step()))
                break;
        }
    }
    platform::DebugLine(ExitLine(kind));
}

int KeyboardModel() {
    return g_keyboardModel.load();
}

} // namespace zk::connection
