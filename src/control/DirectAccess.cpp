#include "control/DirectAccess.h"

#include "device/DeviceIdentity.h"
#include "platform/Log.h"
#include "profiles/ProfileFile.h"
#include "profiles/ProfileIndex.h"
#include "profiles/ProfileSaves.h"
#include "settings/SettingsTransfer.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace zk::control {

namespace {

std::size_t SlotOf(DeviceKind kind) {
    return static_cast<std::size_t>(kind);
}

// The pointer settings that the selected mouse profile stores: a profile load
// by the tool keeps them (the tool does not read the desktop's).
profiles::SystemPointer StoredPointer() {
    profiles::SystemPointer stored;
    const auto index = profiles::MouseProfileStore::Index();
    const auto path = profiles::ProfileFilePath(profiles::DeviceKind::Mouse,
                                                index.SelectedName(profiles::ProfileKind::Device),
                                                profiles::kDeviceExtension);
    std::vector<std::uint8_t> body(profiles::kMouseDeviceBody, 0);
    if (path && profiles::ReadProfileFile(*path, body) == 0) {
        const std::size_t at = settings::kButtonTableSize;
        if (body[at + 41] != 0)
            stored.pointerSpeed = body[at + 41];
        if (body[at + 42] != 0)
            stored.wheelLines = body[at + 42];
    }
    return stored;
}

} // namespace

const char* KindName(DeviceKind kind) {
    switch (kind) {
    case DeviceKind::Mouse:
        return "mouse";
    case DeviceKind::Keyboard:
        return "keyboard";
    case DeviceKind::Mousepad:
        return "mousepad";
    }
    return "device";
}

DirectAccess::DirectAccess(std::string moduleFolder) : moduleFolder_(std::move(moduleFolder)) {
    for (DeviceKind kind : {DeviceKind::Keyboard, DeviceKind::Mouse, DeviceKind::Mousepad}) {
        const auto& id = device::ConfigurationIdentity(kind);
        channels_[SlotOf(kind)].SetIdentity(id.vendorId, id.productIds[0], id.usage, id.usagePage);
    }
}

DirectAccess::~DirectAccess() {
    for (auto& channel : channels_) {
        channel.MarkDisconnected();
        channel.hid.Close();
    }
}

void DirectAccess::Note(std::string_view key) {
    // Each kind's store may raise the same first-run message.
    if (std::find(messages_.begin(), messages_.end(), key) == messages_.end())
        messages_.emplace_back(key);
}

profiles::StoreSeams DirectAccess::Seams() {
    profiles::StoreSeams seams;
    seams.showMessage = [this](std::string_view key) { Note(key); };
    seams.systemPointer = StoredPointer;
    seams.moduleFolder = moduleFolder_;
    return seams;
}

bool DirectAccess::Connect(DeviceKind kind, protocol::DeviceChannel& channel, std::string& why) {
    const auto& id = device::ConfigurationIdentity(kind);
    device::CHidDevice& hid = channel.hid;
    if (hid.EnumeratePaths() == 0) {
        why = "the HID interfaces cannot be listed";
        return false;
    }
    const std::vector<device::HidInterfaceInfo> infos = hid.pathInfo;
    int refused = 0;
    std::string refusedPath;
    for (const auto& info : infos) {
        if (!id.Matches(info.vendorId, info.productId, info.usagePage, info.usage))
            continue;
        hid.openForRead = 1;
        hid.openForWrite = 1;
        hid.openOverlapped = 1;
        hid.openExclusive = 0;
        hid.devicePath = info.path;
        if (hid.Open() == 0) {
            refused = hid.openError;
            refusedPath = info.path;
            continue;
        }
        if (id.Matches(hid.attributes.vendorId, hid.attributes.productId, hid.caps.usagePage,
                       hid.caps.usage)) {
            channel.SetIdentity(id.vendorId, hid.attributes.productId, id.usage, id.usagePage);
            channel.connected = 1;
            // A device that takes no request would make every transfer wait
            // out its retries: one read of its capabilities tells.
            std::array<std::uint8_t, sizeof(settings::DeviceCapabilities)> probe{};
            if (channel.CmdReadCapabilities(probe) == 1)
                return true;
            channel.MarkDisconnected();
            hid.Close();
            why = std::string("the ") + KindName(kind) + " does not answer";
            return false;
        }
        hid.Close();
    }
    if (refused == EACCES || refused == EPERM)
        why = std::string("the ") + KindName(kind) + " at " + refusedPath +
              " refuses this user: install the device rule (see zk412v's README)";
    else if (refused != 0)
        why = std::string("the ") + KindName(kind) + " at " + refusedPath +
              " cannot be opened: " + std::strerror(refused);
    else
        why = std::string("no ") + KindName(kind) + " is connected";
    return false;
}

profiles::MouseSession* DirectAccess::Mouse(std::string& why) {
    const std::size_t slot = SlotOf(DeviceKind::Mouse);
    if (!tried_[slot]) {
        tried_[slot] = true;
        if (Connect(DeviceKind::Mouse, channels_[slot], failure_[slot])) {
            mouse_ = std::make_unique<profiles::MouseSession>(channels_[slot], Seams());
            const auto entries = mouse_->store.InitialiseProfiles();
            if (!entries.names.empty())
                mouse_->store.LoadDeviceProfile(entries.select);
            const auto saves = profiles::BindTransferSaves(
                &mouse_->store, nullptr, nullptr, [this](std::string_view key) { Note(key); });
            settings::ReadMouseAll(channels_[slot], mouse_->image, saves);
            // The mouse may have been changed on its own while no window ran
            // (its DPI and light keys): its live settings are what it uses.
            settings::RereadMouseRecord(channels_[slot], mouse_->image, saves);
        }
    }
    why = failure_[slot];
    return mouse_.get();
}

profiles::KeyboardSession* DirectAccess::Keyboard(std::string& why) {
    const std::size_t slot = SlotOf(DeviceKind::Keyboard);
    if (!tried_[slot]) {
        tried_[slot] = true;
        if (Connect(DeviceKind::Keyboard, channels_[slot], failure_[slot])) {
            keyboard_ = std::make_unique<profiles::KeyboardSession>(channels_[slot], Seams());
            const std::uint16_t product = channels_[slot].productId;
            keyboard_->image.model.store(product == device::kKeyboardProductId ? 1 : 0);
            const auto selectors = keyboard_->store.InitialiseProfiles();
            if (!selectors.device.names.empty())
                keyboard_->store.LoadDeviceProfile(selectors.device.select);
            const auto saves = profiles::BindTransferSaves(
                nullptr, &keyboard_->store, nullptr, [this](std::string_view key) { Note(key); });
            if (!settings::ReadKeyboardAll(channels_[slot], keyboard_->image, saves))
                failure_[slot] = "the keyboard reports more keys than its key table holds";
            else
                settings::RereadKeyboardLight(channels_[slot], keyboard_->image, saves);
        }
    }
    why = failure_[slot];
    return keyboard_.get();
}

profiles::MousepadSession* DirectAccess::Mousepad(std::string& why) {
    const std::size_t slot = SlotOf(DeviceKind::Mousepad);
    if (!tried_[slot]) {
        tried_[slot] = true;
        if (Connect(DeviceKind::Mousepad, channels_[slot], failure_[slot])) {
            mousepad_ = std::make_unique<profiles::MousepadSession>(channels_[slot], Seams());
            mousepad_->store.InitialiseProfiles();
            const auto saves = profiles::BindTransferSaves(
                nullptr, nullptr, &mousepad_->store, [this](std::string_view key) { Note(key); });
            settings::ReadMousepadAll(channels_[slot], mousepad_->image, saves);
        }
    }
    why = failure_[slot];
    return mousepad_.get();
}

} // namespace zk::control
