#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "macros/MacroAction.h"
#include "settings/ButtonAction.h"

namespace zk::macros {

class MacroLibrary;

// The image of a macro library in the mouse's macro memory. All multi-byte
// fields are 16-bit little-endian:
//   0  magic 0x55AA      2  size S of the block    4  number N of macros
//   6  reserved (10)    16  N record offsets from the start of the block
//   then the records in index order: action count M, 2 reserved bytes, and
//   M actions of 4 bytes (delayLow, delayHigh, type, code).
inline constexpr std::uint16_t kMacroBlockMagic = 0x55AA;
inline constexpr std::size_t kMacroBlockHeaderSize = 16;
inline constexpr std::size_t kMacroOffsetSize = 2;
inline constexpr std::size_t kMacroRecordHeaderSize = 4;
inline constexpr std::size_t kDeviceActionSize = 4;
// The macro memory holds macroCapacity units of this many bytes.
inline constexpr std::size_t kMacroCapacityUnit = 128;

// The 4 bytes of one action in the macro memory.
struct DeviceMacroAction {
    std::uint8_t delayLow = 0;
    std::uint8_t delayHigh = 0;
    std::uint8_t type = 0;
    std::uint8_t code = 0;
};
static_assert(sizeof(DeviceMacroAction) == kDeviceActionSize);

// S = 16 + 6 × N + 4 × (sum of the action counts).
std::size_t MacroBlockSize(const std::vector<std::size_t>& actionCounts);

// The block of these macros, or nothing when it would not fit its 16-bit size
// field.
std::optional<std::vector<std::uint8_t>>
PackMacroBlock(const std::vector<std::vector<MacroAction>>& macros);

// Whether a block of `size` bytes fits a macro memory of `capacity` units;
// when it does not, the number to show in "message_text_16":
// (size − capacity × 128) div 4 + 1.
std::optional<int> MacroOverflow(std::size_t size, std::uint8_t capacity);

// The library packed for the device.
struct LibraryBlock {
    enum class Status {
        Empty,    // no macros: nothing to send
        Ready,    // `block` holds the image
        TooLarge, // does not fit; `overflow` is the number for the message
    };
    Status status = Status::Empty;
    std::vector<std::uint8_t> block;
    int overflow = 0;
};

// How a macro assigned to a button ends; the values are those of the
// assignment memo's ENDSTYLE.
enum class MacroEndStyle : int { RepeatCount = 0, ButtonDown = 1, ButtonUp = 2 };
inline constexpr std::uint8_t kEndModeButtonDown = 2;
inline constexpr std::uint8_t kEndModeButtonUp = 1;

// The button action that plays macro `index`: {0x71, index, repeatCount}, or
// {0x70, index, end mode}.
settings::ButtonAction MacroButtonAction(std::uint8_t index, MacroEndStyle style,
                                         std::uint8_t repeatCount);

// Reads the library's index and action files and packs them; the size is
// checked against the capacity before any action line is read.
LibraryBlock BuildLibraryBlock(const MacroLibrary& library, std::uint8_t capacity);

} // namespace zk::macros
