#pragma once

#include <cstddef>
#include <cstdint>

namespace zk::settings {

// What one mouse button does: 3 bytes of a button table, {type, p1, p2}.
struct ButtonAction {
    std::uint8_t type = 0;
    std::uint8_t p1 = 0;
    std::uint8_t p2 = 0;

    friend bool operator==(const ButtonAction&, const ButtonAction&) = default;
};
static_assert(sizeof(ButtonAction) == 3);
static_assert(offsetof(ButtonAction, type) == 0);
static_assert(offsetof(ButtonAction, p1) == 1);
static_assert(offsetof(ButtonAction, p2) == 2);

// Action types.
namespace action_type {
inline constexpr std::uint8_t kNone = 0x00;
inline constexpr std::uint8_t kMouseButton = 0x10;
inline constexpr std::uint8_t kHorizontalScroll = 0x11;
inline constexpr std::uint8_t kVerticalScroll = 0x12;
inline constexpr std::uint8_t kDpi = 0x13;
inline constexpr std::uint8_t kFire = 0x14;
inline constexpr std::uint8_t kKeyboard = 0x20;
inline constexpr std::uint8_t kConsumerAlias = 0x21;
inline constexpr std::uint8_t kConsumer = 0x30;
inline constexpr std::uint8_t kSystem = 0x40;
inline constexpr std::uint8_t kMacroEndMode = 0x70;
inline constexpr std::uint8_t kMacroRepeat = 0x71;
inline constexpr std::uint8_t kGunMode = 0x72;
inline constexpr std::uint8_t kOff = 0xA0;
} // namespace action_type

// Modifier bits of a keyboard action's p1 (the boot-keyboard modifier byte).
namespace modifier {
inline constexpr std::uint8_t kLeftCtrl = 0x01;
inline constexpr std::uint8_t kLeftShift = 0x02;
inline constexpr std::uint8_t kLeftAlt = 0x04;
inline constexpr std::uint8_t kLeftWin = 0x08;
inline constexpr std::uint8_t kRightCtrl = 0x10;
inline constexpr std::uint8_t kRightShift = 0x20;
inline constexpr std::uint8_t kRightAlt = 0x40;
inline constexpr std::uint8_t kRightWin = 0x80;
} // namespace modifier

// The 6-byte row form of the constant tables: a 16-bit little-endian number
// (a list position, or a virtual-key code in the keyboard key table), type,
// p1, p2 and a spare byte that is always 0.
struct AssignmentEntry {
    std::uint8_t numberLow = 0;
    std::uint8_t numberHigh = 0;
    std::uint8_t type = 0;
    std::uint8_t p1 = 0;
    std::uint8_t p2 = 0;
    std::uint8_t spare = 0;

    static constexpr AssignmentEntry Make(std::uint16_t number, std::uint8_t type, std::uint8_t p1,
                                          std::uint8_t p2) {
        return AssignmentEntry{static_cast<std::uint8_t>(number & 0xFF),
                               static_cast<std::uint8_t>(number >> 8),
                               type,
                               p1,
                               p2,
                               0};
    }
    constexpr std::uint16_t Number() const {
        return static_cast<std::uint16_t>(numberLow | (numberHigh << 8));
    }
    constexpr ButtonAction Action() const { return ButtonAction{type, p1, p2}; }
    // The entry as assigned to button index `index` (button number − 1).
    constexpr AssignmentEntry ForButton(std::uint16_t index) const {
        return Make(index, type, p1, p2);
    }

    friend bool operator==(const AssignmentEntry&, const AssignmentEntry&) = default;
};
static_assert(sizeof(AssignmentEntry) == 6);
static_assert(offsetof(AssignmentEntry, type) == 2);
static_assert(offsetof(AssignmentEntry, p2) == 4);
static_assert(offsetof(AssignmentEntry, spare) == 5);

} // namespace zk::settings
