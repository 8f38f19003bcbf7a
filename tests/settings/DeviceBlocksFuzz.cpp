// Fuzz target of the settings transfers: whatever the devices' memories hold
// (settings records, button and key tables, capability blocks, current profile
// numbers), reading a mouse, a keyboard and a mousepad fills the images
// without touching memory outside them and leaves indexes the pages and
// previews use within their ranges. The emulated devices answer at once.
#include "emulator/Firmware.h"
#include "protocol/DeviceChannel.h"
#include "settings/LightRecords.h"
#include "settings/MouseSettingsImage.h"
#include "settings/SettingsTransfer.h"

#include "support/FuzzInput.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace zk;

using zktest::Check;

// The configuration interface of an emulated device whose firmware answers in
// the writer's thread: each request written is handled at once and its answer
// is the next report read. (The emulated bus runs each device on a thread of
// its own; its two thread switches a frame were most of an input's time.)
class FirmwareConnection : public device::IHidConnection {
public:
    FirmwareConnection(emulator::Firmware& firmware, device::HiddAttributes attributes)
        : firmware_(firmware), attributes_(attributes) {}
    device::HidPollTarget ReadTarget() const override { return {}; }
    device::HidPollTarget WriteTarget() const override { return {}; }
    ssize_t TryRead(uint8_t* buffer, size_t length) override {
        if (answers_.empty())
            return device::kHidWouldBlock;
        const size_t n = std::min(length, answers_.front().size());
        std::copy_n(answers_.front().begin(), n, buffer);
        answers_.pop_front();
        return static_cast<ssize_t>(n);
    }
    ssize_t TryWrite(const uint8_t* buffer, size_t length) override {
        emulator::Frame request{};
        std::copy_n(buffer, std::min(length, request.size()), request.begin());
        answers_.push_back(firmware_.Handle(request, std::nullopt));
        return static_cast<ssize_t>(length);
    }
    bool GetAttributes(device::HiddAttributes& attributes) override {
        attributes = attributes_;
        return true;
    }
    bool GetReportDescriptor(std::vector<uint8_t>& descriptor) override {
        descriptor = emulator::EmulatedDevice::ConfigDescriptor();
        return true;
    }

private:
    emulator::Firmware& firmware_;
    device::HiddAttributes attributes_;
    std::deque<emulator::Frame> answers_;
};

// One emulated device: its firmware and the channel the program reads it with.
struct Device {
    Device(device::DeviceKind kind, uint16_t vendor, uint16_t product)
        : firmware(emulator::DeviceOptions{.kind = kind, .productId = product}), vendorId(vendor),
          productId(product) {}
    emulator::Firmware firmware;
    uint16_t vendorId;
    uint16_t productId;
    protocol::DeviceChannel channel;
};

class Devices : public device::IHidBackend {
public:
    Device mouse{device::DeviceKind::Mouse, emulator::kMouseVendorId, emulator::kMouseProductId};
    Device keyboard{device::DeviceKind::Keyboard, emulator::kKeyboardVendorId,
                    emulator::kKeyboardProductId};
    Device mousepad{device::DeviceKind::Mousepad, emulator::kMousepadVendorId,
                    emulator::kMousepadProductId};

    bool Enumerate(std::vector<device::HidInterfaceInfo>& interfaces) override {
        interfaces.clear();
        return true;
    }
    std::unique_ptr<device::IHidConnection> Open(const std::string& path,
                                                 const device::HidOpenFlags&) override {
        Device& d = path == "mouse" ? mouse : path == "keyboard" ? keyboard : mousepad;
        return std::make_unique<FirmwareConnection>(
            d.firmware, device::HiddAttributes{d.vendorId, d.productId, 0x0100});
    }
    bool IsPresent(const std::string&) override { return true; }

    // Opens the channels; call once the back end is installed.
    void OpenChannels() {
        Open(mouse, "mouse");
        Open(keyboard, "keyboard");
        Open(mousepad, "mousepad");
    }

private:
    static void Open(Device& device, const char* path) {
        protocol::DeviceChannel& channel = device.channel;
        channel.SetIdentity(device.vendorId, device.productId, emulator::kConfigUsage,
                            emulator::kConfigUsagePage);
        channel.hid.openForRead = 1;
        channel.hid.openForWrite = 1;
        channel.hid.devicePath = path;
        Check(channel.hid.Open() == 1);
        channel.connected = 1;
        // The emulated devices need no pause before Finish.
        channel.finishPause = std::chrono::milliseconds(0);
    }
};

// Lays the input over the areas of a device in turn, as far as it reaches.
void Fill(emulator::Firmware& firmware, const uint8_t*& data, size_t& size) {
    firmware.FactoryReset();
    for (auto area : {emulator::MemoryArea::Capabilities, emulator::MemoryArea::Settings,
                      emulator::MemoryArea::Buttons, emulator::MemoryArea::Defaults}) {
        std::vector<uint8_t>& memory = firmware.memory.Area(area);
        const size_t n = std::min(size, memory.size());
        std::copy_n(data, n, memory.begin());
        data += n;
        size -= n;
    }
}

Devices& TheDevices() {
    static Devices* devices = [] {
        auto backend = std::make_shared<Devices>();
        device::InstallHidBackend(backend);
        backend->OpenChannels();
        return backend.get();
    }();
    return *devices;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Devices& devices = TheDevices();
    // The first byte chooses which device the rest describes.
    if (size == 0)
        return 0;
    const uint8_t which = data[0] % 3;
    ++data;
    --size;
    const settings::TransferSaves saves;
    if (which == 0) {
        Fill(devices.mouse.firmware, data, size);
        auto image = std::make_unique<settings::MouseSettingsImage>();
        settings::ReadMouseAll(devices.mouse.channel, *image, saves);
        settings::RereadMouseRecord(devices.mouse.channel, *image, saves);
        settings::ClampDpiStages(*image);
        const int maxLevel = image->capabilities.dpiMaxLevel;
        for (std::size_t offset : settings::kDpiLevelOffsets)
            Check(maxLevel == 0 || image->RecordByte(offset) <= maxLevel);
    } else if (which == 1) {
        Fill(devices.keyboard.firmware, data, size);
        auto image = std::make_unique<settings::KeyboardImage>();
        settings::ReadKeyboardAll(devices.keyboard.channel, *image, saves);
        settings::RereadKeyboardLight(devices.keyboard.channel, *image, saves);
    } else {
        Fill(devices.mousepad.firmware, data, size);
        auto image = std::make_unique<settings::MousepadImage>();
        settings::ReadMousepadAll(devices.mousepad.channel, *image, saves);
        Check(image->CurrentSlot() < settings::kLightProfileSlots);
    }
    return 0;
}
