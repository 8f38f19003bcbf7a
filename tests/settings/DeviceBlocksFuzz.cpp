// Fuzz target of the settings transfers: whatever the devices' memories hold
// (settings records, button and key tables, capability blocks, current profile
// numbers), reading a mouse, a keyboard and a mousepad fills the images
// without touching memory outside them and leaves indexes the pages and
// previews use within their ranges. The emulated devices answer at once.
#include "emulator/Emulator.h"
#include "protocol/DeviceChannel.h"
#include "settings/LightRecords.h"
#include "settings/MouseSettingsImage.h"
#include "settings/SettingsTransfer.h"

#include "support/FuzzInput.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using namespace zk;

using zktest::Check;

struct Devices {
    Devices() {
        emulator::EmulatorOptions options;
        options.responseDelay = std::chrono::microseconds(0);
        installation = emulator::InstallEmulatedBus(options);
        Open(*installation->Bus().Mouse(), mouse);
        Open(*installation->Bus().Keyboard(), keyboard);
        Open(*installation->Bus().Mousepad(), mousepad);
    }
    static void Open(emulator::EmulatedDevice& device, protocol::DeviceChannel& channel) {
        channel.SetIdentity(device.VendorId(), device.ProductId(), emulator::kConfigUsage,
                            emulator::kConfigUsagePage);
        channel.hid.openForRead = 1;
        channel.hid.openForWrite = 1;
        channel.hid.devicePath = device.ConfigPath();
        Check(channel.hid.Open() == 1);
        channel.connected = 1;
    }
    std::unique_ptr<emulator::EmulatorInstallation> installation;
    protocol::DeviceChannel mouse, keyboard, mousepad;
};

// Lays the input over the areas of a device in turn, as far as it reaches.
void Fill(emulator::EmulatedDevice& device, const uint8_t*& data, size_t& size) {
    device.FactoryReset();
    for (auto area : {emulator::MemoryArea::Capabilities, emulator::MemoryArea::Settings,
                      emulator::MemoryArea::Buttons, emulator::MemoryArea::Defaults}) {
        const size_t areaSize = device.Memory(area).size();
        const size_t n = std::min(size, areaSize);
        device.SetMemory(area, 0, std::vector<uint8_t>(data, data + n));
        data += n;
        size -= n;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Devices devices;
    emulator::EmulatedBus& bus = devices.installation->Bus();
    // The first byte chooses which device the rest describes.
    if (size == 0)
        return 0;
    const uint8_t which = data[0] % 3;
    ++data;
    --size;
    const settings::TransferSaves saves;
    if (which == 0) {
        Fill(*bus.Mouse(), data, size);
        auto image = std::make_unique<settings::MouseSettingsImage>();
        settings::ReadMouseAll(devices.mouse, *image, saves);
        settings::RereadMouseRecord(devices.mouse, *image, saves);
        settings::ClampDpiStages(*image);
        const int maxLevel = image->capabilities.dpiMaxLevel;
        for (std::size_t offset : settings::kDpiLevelOffsets)
            Check(maxLevel == 0 || image->RecordByte(offset) <= maxLevel);
    } else if (which == 1) {
        Fill(*bus.Keyboard(), data, size);
        auto image = std::make_unique<settings::KeyboardImage>();
        settings::ReadKeyboardAll(devices.keyboard, *image, saves);
        settings::RereadKeyboardLight(devices.keyboard, *image, saves);
    } else {
        Fill(*bus.Mousepad(), data, size);
        auto image = std::make_unique<settings::MousepadImage>();
        settings::ReadMousepadAll(devices.mousepad, *image, saves);
        Check(image->CurrentSlot() < settings::kLightProfileSlots);
    }
    return 0;
}
