#pragma once

// Byte layout of the light settings that the devices apply and the previews
// read: the offsets within the mouse settings record and the 21-byte live
// light states of the keyboard and the mousepad (the same for all three), and
// the custom layers of the keyboard light record.

#include <cstddef>

namespace zk::settings {

enum LightByte : std::size_t {
    kLightMode = 1,
    kLightBrightness = 2,
    kLightSpeed = 3,
    kLightDirection = 4,
    kLightColourCycle = 5,
    kLightRed = 6,
    kLightGreen = 7,
    kLightBlue = 8,
    kLightStep = 9,
};
inline constexpr std::size_t kLiveLightStateSize = 21;

// Keys of the keyboard, numbered 0 to 125 ("kb_key_0" .. "kb_key_125").
inline constexpr std::size_t kKeyboardKeyCount = 126;

// Custom layers: five layers of 126 entries of 3 bytes, starting at byte 68 of
// the keyboard light record; byte 64 selects the layer, bytes 65 to 67 hold
// the custom paint colour.
inline constexpr std::size_t kCustomLayerSelectOffset = 64;
inline constexpr std::size_t kCustomPaintColourOffset = 65;
inline constexpr std::size_t kCustomLayersOffset = 68;
inline constexpr std::size_t kCustomLayerCount = 5;
inline constexpr std::size_t kCustomLayerSize = kKeyboardKeyCount * 3;
inline constexpr std::size_t kKeyboardLightRecordSize =
    kCustomLayersOffset + kCustomLayerCount * kCustomLayerSize;
static_assert(kKeyboardLightRecordSize == 1958);

} // namespace zk::settings
