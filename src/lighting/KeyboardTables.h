#pragma once

// The keyboard's key numbering as the per-key light effects see it: the key
// grid, the orders and routes through it, the rings, the script and the maps
// into the custom layers.

#include "settings/LightLayout.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace zk::lighting {

using settings::kKeyboardKeyCount;
inline constexpr std::uint8_t kNoKey = 126; // an empty place of a table
inline constexpr std::size_t kGridColumns = 23;
inline constexpr std::size_t kGridRows = 6;
inline constexpr std::size_t kLitKeyCount = 104; // keys that have a grid place

// Key grid, column by column, rows 0 (top) to 5.
// clang-format off
inline constexpr std::array<std::array<std::uint8_t, kGridRows>, kGridColumns> kKeyGrid = {{
    {kNoKey, kNoKey, kNoKey, kNoKey, kNoKey, 105},      // 0
    {kNoKey, 21, 42, 63, 84, 106},  // 1
    {0, 22, 43, 64, 85, 107},  // 2
    {1, 23, 44, 65, 86, kNoKey},    // 3
    {2, 24, 45, 66, 87, kNoKey},    // 4
    {3, 25, 46, 67, 88, kNoKey},    // 5
    {4, 26, 47, 68, 89, 108},  // 6
    {kNoKey, 27, 48, 69, 90, kNoKey},    // 7
    {5, 28, 49, 70, 91, kNoKey},    // 8
    {6, 29, 50, 71, 92, 109},  // 9
    {7, 30, 51, 72, 93, kNoKey},    // 10
    {8, 31, 52, 73, 94, 110},  // 11
    {9, 32, 53, 74, kNoKey, kNoKey},     // 12
    {10, 33, 54, kNoKey, kNoKey, 111},   // 13
    {11, 34, 55, 75, 95, kNoKey},   // 14
    {12, kNoKey, kNoKey, kNoKey, kNoKey, 112},     // 15
    {13, 35, 56, kNoKey, kNoKey, 113},   // 16
    {14, 36, 57, kNoKey, 96, 114},  // 17
    {15, 37, 58, kNoKey, kNoKey, 115},   // 18
    {kNoKey, 38, 59, 76, 97, 116},  // 19
    {kNoKey, 39, 60, 77, 98, kNoKey},    // 20
    {kNoKey, 40, 61, 78, 99, 117},  // 21
    {kNoKey, 41, kNoKey, 119, 118, kNoKey},   // 22
}};
// clang-format on

struct GridPlace {
    std::uint8_t column = 0xFF; // 0xFF: the key has no place
    std::uint8_t row = 0xFF;
};
// The grid place of key i (column 0xFF for the keys without a place).
GridPlace KeyPlace(std::size_t key);

// A path through all lit keys, row by row.
extern const std::array<std::uint8_t, kLitKeyCount> kSnakeOrder;
// A fixed shuffle of the indices 0 to 103 into the snake order.
extern const std::array<std::uint8_t, kLitKeyCount> kRandomOrder;
// The route of the snake path effect; kNoKey entries light nothing.
inline constexpr std::size_t kPathLength = 107;
extern const std::array<std::uint8_t, kPathLength> kPath;
// Twelve concentric rings of keys around key 51; kNoKey pads each ring.
extern const std::array<std::array<std::uint8_t, 12>, 12> kRings;
// Script rows (255 = none) and pairs of the script effect.
inline constexpr std::uint8_t kNoScriptKey = 255;
extern const std::array<std::array<std::uint8_t, 6>, 20> kScriptRows;
extern const std::array<std::array<std::uint8_t, 2>, 16> kScriptPairs;
// Starting phase of each grid place for the column pulse, column by column.
extern const std::array<std::array<std::uint8_t, kGridRows>, kGridColumns> kPulsePhases;
// Starting phase of grid column k for the free pulse (computed per column).
std::uint8_t FreePulsePhase(std::size_t column);

// Custom layers of the keyboard light record (settings/LightLayout.h).
using settings::kCustomLayerCount;
using settings::kCustomLayerSelectOffset;
using settings::kCustomLayerSize;
using settings::kCustomLayersOffset;
using settings::kCustomPaintColourOffset;
using settings::kKeyboardLightRecordSize;
// Colour entry (model 0) and brightness byte (model 1) of each key within a
// layer; kNoKey: the key is left as it is.
extern const std::array<std::uint8_t, kKeyboardKeyCount> kColourMap;
extern const std::array<std::uint8_t, kKeyboardKeyCount> kBrightnessMap;

// The fixed backlight colour of keyboard model 1.
inline constexpr std::uint8_t kModel1Red = 0xF6;
inline constexpr std::uint8_t kModel1Green = 0xFF;
inline constexpr std::uint8_t kModel1Blue = 0x00;

} // namespace zk::lighting
