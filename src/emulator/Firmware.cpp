#include "emulator/Firmware.h"

#include <algorithm>

namespace zk::emulator {

namespace {

// Factory button assignment of the mouse: left, middle, right, forward, back, DPI loop; the
// rest of the table is filled with 0x05 and ends with two zero bytes.
constexpr uint8_t kFactoryButtons[] = {0x10, 0x01, 0x00, 0x10, 0x04, 0x00, 0x10, 0x02, 0x00,
                                       0x10, 0x10, 0x00, 0x10, 0x08, 0x00, 0x13, 0x03, 0x00};

// DPI level index of each stage (index v is v × 100 + base below 49, (v − 24) × 200 + base
// from 49): 400, 800, 1600, 2400, 3200 and 6300 DPI with base 100.
constexpr uint8_t kFactoryDpiLevels[6] = {3, 7, 15, 23, 31, 55};
constexpr uint8_t kFactoryStageColours[6][3] = {{255, 0, 0},   {0, 255, 0},   {0, 0, 255},
                                                {255, 255, 0}, {0, 255, 255}, {255, 0, 255}};
// Offsets of the six stage levels in the mouse record (the current stage sits at 19).
constexpr size_t kDpiLevelOffsets[6] = {15, 16, 17, 18, 20, 21};
constexpr size_t kDpiStageOffset = 19;
constexpr size_t kReportRateOffset = 14;
constexpr size_t kLightModeOffset = 1;

// Offsets of the capability block.
constexpr size_t kCapKeyCount = 5;
constexpr size_t kCapMacroCapacity = 6;
constexpr size_t kCapDpiMaxLevel = 12;
constexpr size_t kCapDpiBase = 13;

constexpr size_t kDataBytes = 56;

uint8_t LightModeCount(DeviceKind kind) {
    return kind == DeviceKind::Mouse ? kMouseLightModes : 10;
}

} // namespace

uint16_t FrameSum(const Frame& frame) {
    uint32_t sum = 0;
    for (size_t i = 3; i < frame.size(); ++i)
        sum += frame[i];
    return static_cast<uint16_t>(sum & 0xFFFF);
}

std::vector<uint8_t>& FirmwareMemory::Area(MemoryArea area) {
    switch (area) {
    case MemoryArea::Settings:
        return settings;
    case MemoryArea::Buttons:
        return buttons;
    case MemoryArea::Defaults:
        return defaults;
    case MemoryArea::Capabilities:
        return capabilities;
    case MemoryArea::Macros:
    default:
        return macros;
    }
}

const std::vector<uint8_t>& FirmwareMemory::Area(MemoryArea area) const {
    return const_cast<FirmwareMemory*>(this)->Area(area);
}

Firmware::Firmware(const DeviceOptions& options)
    : kind_(options.kind), keyCount_(options.keyCount), macroCapacity_(options.macroCapacity) {
    FactoryReset();
}

void Firmware::FactoryReset() {
    memory.settings.assign(kSettingsAreaSize, 0);
    memory.buttons.assign(kButtonAreaSize, 0);
    memory.defaults.assign(kButtonBlockSize, 0);
    memory.capabilities.assign(kCapabilitySize, 0);
    memory.macros.assign(size_t{macroCapacity_} * kMacroUnit, 0);

    // Default block: the device's factory assignment.
    if (kind_ == DeviceKind::Keyboard) {
        // One plain key per position: the keyboard usages from 'a' upwards.
        for (size_t k = 0; k < keyCount_ && k * 3 + 2 < kButtonBlockSize; ++k) {
            memory.defaults[k * 3] = 0x20;
            memory.defaults[k * 3 + 1] = 0;
            memory.defaults[k * 3 + 2] = static_cast<uint8_t>(std::min<size_t>(0x04 + k, 0xE7));
        }
    } else if (kind_ == DeviceKind::Mouse) {
        std::fill(memory.defaults.begin(), memory.defaults.end() - 2, uint8_t{0x05});
        std::copy(std::begin(kFactoryButtons), std::end(kFactoryButtons), memory.defaults.begin());
    }
    // Button area: every profile starts from the factory table.
    for (size_t p = 0; p < kProfileCount; ++p) {
        const size_t base = p * kButtonProfileStride;
        const size_t n = p + 1 < kProfileCount ? kButtonProfileStride : kButtonBlockSize;
        std::copy_n(memory.defaults.begin(), n, memory.buttons.begin() + static_cast<long>(base));
    }

    // Settings area: one record per profile; byte 0 of the area is the current profile.
    for (size_t p = 0; p < kProfileCount; ++p) {
        uint8_t* r = memory.settings.data() + p * kSettingsRecordStride;
        r[0] = static_cast<uint8_t>(p);
        r[kLightModeOffset] = 1; // breathing
        r[2] = 4;                // full brightness
        r[3] = 2;                // medium speed
        r[4] = 0;                // direction
        r[5] = 0;                // single colour
        r[6] = 0x01;
        r[7] = 0x99;
        r[8] = 0xCB;
        if (kind_ == DeviceKind::Mouse) {
            r[kReportRateOffset] = 3; // 1000 Hz
            for (size_t s = 0; s < 6; ++s) {
                r[kDpiLevelOffsets[s]] = kFactoryDpiLevels[s];
                std::copy_n(kFactoryStageColours[s], 3, r + 23 + s * 3);
            }
            r[kDpiStageOffset] = 1; // 800 DPI
        }
    }
    memory.settings[0] = 0;

    uint8_t* caps = memory.capabilities.data();
    caps[0] = 0x01; // firmware revision
    caps[1] = 0x00;
    caps[kCapKeyCount] = kind_ == DeviceKind::Keyboard ? static_cast<uint8_t>(keyCount_)
                         : kind_ == DeviceKind::Mouse  ? 7
                                                       : 0;
    caps[kCapMacroCapacity] = macroCapacity_;
    if (kind_ == DeviceKind::Mouse) {
        caps[kCapDpiMaxLevel] = kFactoryDpiMaxLevel;
        caps[kCapDpiBase] = static_cast<uint8_t>(kFactoryDpiBase & 0xFF);
        caps[kCapDpiBase + 1] = static_cast<uint8_t>(kFactoryDpiBase >> 8);
    }
}

void Firmware::SetMacroCapacity(uint8_t units) {
    macroCapacity_ = units;
    memory.capabilities[kCapMacroCapacity] = units;
    memory.macros.assign(size_t{units} * kMacroUnit, 0);
}

size_t Firmware::RecordBase() const {
    const size_t p = memory.settings[0];
    return (p < kProfileCount ? p : 0) * kSettingsRecordStride;
}

uint16_t Firmware::NextDpiStage() {
    uint8_t& stage = memory.settings[RecordBase() + kDpiStageOffset];
    stage = static_cast<uint8_t>((stage + 1) % 6);
    return kNotifySettingsChanged;
}

uint16_t Firmware::NextLightMode() {
    uint8_t& mode = memory.settings[RecordBase() + kLightModeOffset];
    mode = static_cast<uint8_t>((mode + 1) % LightModeCount(kind_));
    return kNotifySettingsChanged;
}

uint16_t Firmware::NextProfile() {
    memory.settings[0] = static_cast<uint8_t>((memory.settings[0] + 1) % kProfileCount);
    return kNotifyProfileChanged;
}

Frame Firmware::Handle(const Frame& request, std::optional<uint8_t> forcedStatus) {
    Frame response{};
    response[0] = kConfigReportId;
    std::copy_n(request.begin() + 3, 4, response.begin() + 3); // command, length, address

    const uint8_t command = request[3];
    const size_t length = request[4];
    const size_t address = size_t{request[5]} | (size_t{request[6]} << 8);
    const uint16_t carried = static_cast<uint16_t>(request[1] | (request[2] << 8));

    auto inRange = [](const std::vector<uint8_t>& area, size_t at, size_t n) {
        return n <= kDataBytes && at <= area.size() && n <= area.size() - at;
    };
    auto readInto = [&](const std::vector<uint8_t>& area, size_t at, size_t n) {
        std::copy_n(area.begin() + static_cast<long>(at), n, response.begin() + 8);
    };
    auto writeFrom = [&](std::vector<uint8_t>& area, size_t at, size_t n) {
        std::copy_n(request.begin() + 8, n, area.begin() + static_cast<long>(at));
    };

    uint8_t status = kStatusOk;
    if (forcedStatus) {
        status = *forcedStatus;
    } else if (request[0] != kConfigReportId || carried != FrameSum(request)) {
        status = kStatusRefused;
    } else {
        switch (command) {
        case 0x01: // start of a transfer
        case 0x02: // end of a transfer
            break;
        case 0x03:
            readInto(memory.capabilities, 0, kCapabilitySize);
            break;
        case 0x05:
            if (length == 0 || !inRange(memory.settings, address, length))
                status = kStatusRefused;
            else
                readInto(memory.settings, address, length);
            break;
        case 0x06:
            if (!inRange(memory.settings, address, length))
                status = kStatusRefused;
            else
                writeFrom(memory.settings, address, length);
            break;
        case 0x07:
            if (length == 0 || !inRange(memory.defaults, address, length))
                status = kStatusRefused;
            else
                readInto(memory.defaults, address, length);
            break;
        case 0x08:
            if (length == 0 || !inRange(memory.buttons, address, length))
                status = kStatusRefused;
            else
                readInto(memory.buttons, address, length);
            break;
        case 0x09:
            if (length == 0 || !inRange(memory.buttons, address, length))
                status = kStatusRefused;
            else
                writeFrom(memory.buttons, address, length);
            break;
        case 0x15:
            if (length == 0 || !inRange(memory.macros, address, length))
                status = kStatusRefused;
            else
                writeFrom(memory.macros, address, length);
            break;
        default:
            status = kStatusRefused;
            break;
        }
    }
    response[7] = status;
    const uint16_t sum = FrameSum(response);
    response[1] = static_cast<uint8_t>(sum & 0xFF);
    response[2] = static_cast<uint8_t>(sum >> 8);
    return response;
}

} // namespace zk::emulator
