#pragma once

// The keyboard's and the mousepad's light records, their 21-byte live light
// states, and the keyboard and mousepad images that the main window owns.
//
// Threads: the light previews read the live states and the keyboard's custom
// layers while the main thread changes them; every write to those bytes goes
// through PutByte/CopyBytes (ImageBytes.h).

#include "settings/DeviceCapabilities.h"
#include "settings/ImageBytes.h"
#include "settings/LightLayout.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>

namespace zk::settings {

// The light bytes that a device applies: byte 0 is the on-device profile
// number, bytes 1 to 9 are the light settings as the previews read them, then
// carried bytes, the 32-bit value at 16 and the byte at 20.
struct LiveLightState {
    std::uint8_t profileNumber;
    std::uint8_t lightMode;
    std::uint8_t lightBrightness;
    std::uint8_t lightSpeed;
    std::uint8_t lightOption;
    std::uint8_t colourCycle;
    std::uint8_t lightRed;
    std::uint8_t lightGreen;
    std::uint8_t lightBlue;
    std::uint8_t previewStep;
    std::uint8_t carried10[6];
    std::uint8_t value16[4];
    std::uint8_t byte20;
};
static_assert(sizeof(LiveLightState) == kLiveLightStateSize);
static_assert(offsetof(LiveLightState, lightMode) == kLightMode);
static_assert(offsetof(LiveLightState, lightBrightness) == kLightBrightness);
static_assert(offsetof(LiveLightState, lightSpeed) == kLightSpeed);
static_assert(offsetof(LiveLightState, lightOption) == kLightDirection);
static_assert(offsetof(LiveLightState, colourCycle) == kLightColourCycle);
static_assert(offsetof(LiveLightState, lightRed) == kLightRed);
static_assert(offsetof(LiveLightState, lightBlue) == kLightBlue);
static_assert(offsetof(LiveLightState, previewStep) == kLightStep);
static_assert(offsetof(LiveLightState, value16) == 16);
static_assert(offsetof(LiveLightState, byte20) == 20);
using KeyboardLightState = LiveLightState;
using MousepadLightState = LiveLightState;

// 64 bytes of light settings of one profile: the live state, then carried bytes.
struct LightHeader {
    LiveLightState live;
    std::uint8_t carried21[43];
};
inline constexpr std::size_t kLightHeaderSize = 64;
static_assert(sizeof(LightHeader) == kLightHeaderSize);

struct KeyboardLightRecord {
    LightHeader header;
    std::uint8_t customLayer;     // selected custom layer, 0 to 4
    std::uint8_t customColour[3]; // custom paint colour, red, green, blue
    std::uint8_t layers[kCustomLayerCount][kCustomLayerSize];
};
static_assert(sizeof(KeyboardLightRecord) == kKeyboardLightRecordSize);
static_assert(offsetof(KeyboardLightRecord, customLayer) == kCustomLayerSelectOffset);
static_assert(offsetof(KeyboardLightRecord, customColour) == kCustomPaintColourOffset);
static_assert(offsetof(KeyboardLightRecord, layers) == kCustomLayersOffset);

using MousepadLightRecord = LightHeader;
inline constexpr std::size_t kMousepadLightRecordSize = 64;
static_assert(sizeof(MousepadLightRecord) == kMousepadLightRecordSize);

// The keyboard's key tables: 3 bytes per key, 512 bytes each.
inline constexpr std::size_t kKeyTableSize = 512;
using KeyTable = std::array<std::uint8_t, kKeyTableSize>;
// The most keys whose table fits the 512 bytes.
inline constexpr std::size_t kMaxKeyboardKeys = kKeyTableSize / 3;

inline constexpr std::size_t kLightProfileSlots = 5;

struct KeyboardImage {
    KeyTable keyTable{};
    KeyTable defaultKeyTable{};
    DeviceCapabilities capabilities{};
    // The record of the selected profile; its header is the light header of
    // on-device profile 0.
    KeyboardLightRecord lightRecord{};
    // Light headers of on-device profiles 1 to 4 (index 0 unused: it is
    // lightRecord.header).
    std::array<LightHeader, kLightProfileSlots> otherHeaders{};
    KeyboardLightState live{};
    // The variant recorded by the keyboard detection (0 or 1).
    std::atomic<int> model{0};
    std::atomic<bool> pending{false};

    std::span<std::uint8_t, kLiveLightStateSize> LiveBytes() { return BytesOf(live); }
    std::span<std::uint8_t, kKeyboardLightRecordSize> RecordBytes() { return BytesOf(lightRecord); }
    // Light header of on-device profile p (0 to 4).
    std::span<std::uint8_t, kLightHeaderSize> HeaderBytes(std::size_t p) {
        return p == 0 ? BytesOf(lightRecord.header) : BytesOf(otherHeaders[p]);
    }
};

struct MousepadImage {
    // Light record of on-device profile p = 0 to 4; profile files load into and
    // save from the one of the current profile (live byte 0).
    std::array<MousepadLightRecord, kLightProfileSlots> lightRecords{};
    MousepadLightState live{};
    DeviceCapabilities capabilities{};
    std::atomic<bool> pending{false};

    std::span<std::uint8_t, kLiveLightStateSize> LiveBytes() { return BytesOf(live); }
    // The current profile number (live byte 0) as an index of lightRecords;
    // a number out of range counts as 0.
    std::size_t CurrentSlot() const {
        const std::uint8_t p = LoadByte(live.profileNumber);
        return p < kLightProfileSlots ? p : 0;
    }
    std::span<std::uint8_t, kMousepadLightRecordSize> RecordBytes(std::size_t p) {
        return BytesOf(lightRecords[p]);
    }
};

} // namespace zk::settings
