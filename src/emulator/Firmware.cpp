#include "emulator/Firmware.h"

#include <algorithm>

namespace zk::emulator {

namespace {

// Factory button assignment of the mouse: left, middle, right, forward, back, DPI loop; the
// rest of the table is filled with 0x05 and ends with two zero bytes.
constexpr uint8_t kFactoryButtons[] = {0x10, 0x01, 0x00, 0x10, 0x04, 0x00, 0x10, 0x02, 0x00,
                                       0x10, 0x10, 0x00, 0x10, 0x08, 0x00, 0x13, 0x03, 0x00};

// Factory key table of the keyboard, by key position (the places of the keyboard picture):
// {type, modifier bits, HID keyboard usage}. Positions the keyboard lacks, and Fn, which the
// firmware keeps to itself, hold zeros.
struct FactoryKey {
    uint8_t position;
    uint8_t modifier;
    uint8_t usage;
};
// clang-format off
constexpr FactoryKey kFactoryKeys[] = {
    // Esc, F1..F12, Print Screen, Scroll Lock, Pause
    {0, 0, 0x29}, {1, 0, 0x3A}, {2, 0, 0x3B}, {3, 0, 0x3C}, {4, 0, 0x3D}, {5, 0, 0x3E},
    {6, 0, 0x3F}, {7, 0, 0x40}, {8, 0, 0x41}, {9, 0, 0x42}, {10, 0, 0x43}, {11, 0, 0x44},
    {12, 0, 0x45}, {13, 0, 0x46}, {14, 0, 0x47}, {15, 0, 0x48},
    // ` 1..9 0 - = Backspace, Insert Home PgUp, Num Lock, keypad / * -
    {21, 0, 0x35}, {22, 0, 0x1E}, {23, 0, 0x1F}, {24, 0, 0x20}, {25, 0, 0x21}, {26, 0, 0x22},
    {27, 0, 0x23}, {28, 0, 0x24}, {29, 0, 0x25}, {30, 0, 0x26}, {31, 0, 0x27}, {32, 0, 0x2D},
    {33, 0, 0x2E}, {34, 0, 0x2A}, {35, 0, 0x49}, {36, 0, 0x4A}, {37, 0, 0x4B}, {38, 0, 0x53},
    {39, 0, 0x54}, {40, 0, 0x55}, {41, 0, 0x56},
    // Tab Q..P [ ] \, Delete End PgDn, keypad 7 8 9
    {42, 0, 0x2B}, {43, 0, 0x14}, {44, 0, 0x1A}, {45, 0, 0x08}, {46, 0, 0x15}, {47, 0, 0x17},
    {48, 0, 0x1C}, {49, 0, 0x18}, {50, 0, 0x0C}, {51, 0, 0x12}, {52, 0, 0x13}, {53, 0, 0x2F},
    {54, 0, 0x30}, {55, 0, 0x31}, {56, 0, 0x4C}, {57, 0, 0x4D}, {58, 0, 0x4E}, {59, 0, 0x5F},
    {60, 0, 0x60}, {61, 0, 0x61},
    // Caps Lock A..L ; ' Enter, keypad 4 5 6
    {63, 0, 0x39}, {64, 0, 0x04}, {65, 0, 0x16}, {66, 0, 0x07}, {67, 0, 0x09}, {68, 0, 0x0A},
    {69, 0, 0x0B}, {70, 0, 0x0D}, {71, 0, 0x0E}, {72, 0, 0x0F}, {73, 0, 0x33}, {74, 0, 0x34},
    {75, 0, 0x28}, {76, 0, 0x5C}, {77, 0, 0x5D}, {78, 0, 0x5E},
    // left Shift, Z..M , . /, right Shift, Up, keypad 1 2 3
    {84, 0x02, 0}, {85, 0, 0x1D}, {86, 0, 0x1B}, {87, 0, 0x06}, {88, 0, 0x19}, {89, 0, 0x05},
    {90, 0, 0x11}, {91, 0, 0x10}, {92, 0, 0x36}, {93, 0, 0x37}, {94, 0, 0x38}, {95, 0x20, 0},
    {96, 0, 0x52}, {97, 0, 0x59}, {98, 0, 0x5A}, {99, 0, 0x5B},
    // left Ctrl, left Win, left Alt, Space, right Alt, (Fn), Menu, right Ctrl, Left Down Right,
    // keypad 0 . Enter +
    {105, 0x01, 0}, {106, 0x08, 0}, {107, 0x04, 0}, {108, 0, 0x2C}, {109, 0x40, 0}, {111, 0, 0x65},
    {112, 0x10, 0}, {113, 0, 0x50}, {114, 0, 0x51}, {115, 0, 0x4F}, {116, 0, 0x62}, {117, 0, 0x63},
    {118, 0, 0x58}, {119, 0, 0x57},
};
// clang-format on

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
        // The key of each position of the keyboard, as far as the key count reaches.
        for (const FactoryKey& key : kFactoryKeys) {
            const size_t at = size_t{key.position} * 3;
            if (key.position >= keyCount_ || at + 2 >= kButtonBlockSize)
                continue;
            memory.defaults[at] = 0x20;
            memory.defaults[at + 1] = key.modifier;
            memory.defaults[at + 2] = key.usage;
        }
    } else if (kind_ == DeviceKind::Mouse) {
        std::fill(memory.defaults.begin(), memory.defaults.end() - 2, uint8_t{0x05});
        std::copy(std::begin(kFactoryButtons), std::end(kFactoryButtons), memory.defaults.begin());
    }
    // Button area: every profile starts from the factory table. The profiles' blocks overlap
    // (each starts 126 bytes after the previous one), so they are written from the last to the
    // first: profile 0, the one the program reads and writes, holds the whole table.
    for (size_t p = kProfileCount; p-- > 0;)
        std::copy_n(memory.defaults.begin(), kButtonBlockSize,
                    memory.buttons.begin() + static_cast<long>(p * kButtonProfileStride));

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
