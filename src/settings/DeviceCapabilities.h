#pragma once

#include <cstddef>
#include <cstdint>

namespace zk::settings {

// The 33-byte capability block that every device answers to
// CmdReadCapabilities. The pages interpret a few bytes; the rest is carried.
struct DeviceCapabilities {
    std::uint8_t reserved0[5];
    std::uint8_t keyCount;      // keyboard: number of keys (3 key-table bytes each)
    std::uint8_t macroCapacity; // mouse: macro memory in units of 128 bytes
    std::uint8_t reserved7[5];
    std::uint8_t dpiMaxLevel; // highest DPI level index; 0: no limit
    std::uint8_t dpiBase[2];  // DPI of level index 0, little-endian
    std::uint8_t reserved15[18];

    std::uint16_t DpiBase() const {
        return static_cast<std::uint16_t>(dpiBase[0] | (dpiBase[1] << 8));
    }
};
static_assert(sizeof(DeviceCapabilities) == 33);
static_assert(offsetof(DeviceCapabilities, keyCount) == 5);
static_assert(offsetof(DeviceCapabilities, macroCapacity) == 6);
static_assert(offsetof(DeviceCapabilities, dpiMaxLevel) == 12);
static_assert(offsetof(DeviceCapabilities, dpiBase) == 13);

} // namespace zk::settings
