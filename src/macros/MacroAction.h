#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zk::macros {

// Low seven bits of an action's type; bit 7 is the direction (press, left, up).
namespace action_class {
inline constexpr std::uint8_t kMouseButton = 1;
inline constexpr std::uint8_t kHorizontalMove = 4;
inline constexpr std::uint8_t kVerticalMove = 5;
inline constexpr std::uint8_t kModifier = 9;
inline constexpr std::uint8_t kKey = 10;
} // namespace action_class

inline constexpr std::uint8_t kDirectionBit = 0x80;

// One step of a macro: what is done, and the pause that follows it.
struct MacroAction {
    std::uint8_t delayLow = 0;
    std::uint8_t delayHigh = 0;
    std::uint8_t type = 0;
    std::uint8_t code = 0;
    std::uint16_t down = 0; // the direction as the editor shows it
    std::string name;       // language key of the key or mouse action

    int Delay() const { return delayHigh * 256 + delayLow; }
    // Stores `ms` held to 0..65535.
    void SetDelay(int ms);
    std::uint8_t ActionClass() const { return type & 0x7F; }
    bool IsMouseAction() const { return ActionClass() < action_class::kModifier; }

    friend bool operator==(const MacroAction&, const MacroAction&) = default;
};

// The text form "%d,%d,%d,%d,%d,%s": delayLow, delayHigh, type, code, down, name.
std::string FormatActionLine(const MacroAction& action);

// Parses from the right: the name is everything after the last comma, then
// down, code, type and delayHigh each after the last remaining comma, and what
// is left is delayLow. Numbers are read as decimal text and cut to 8 bits (down
// to 16). A line with fewer than five commas is rejected (false); the fields
// parsed before the failure keep their new values, the others are untouched.
bool ParseActionLine(std::string_view line, MacroAction& action);

// A line parsed into a fresh action; a rejected line gives an action of zeros
// with an empty name.
MacroAction ActionFromLine(std::string_view line);

// The mouse actions that the editor offers, in the order of its chooser.
struct MouseActionRow {
    std::uint16_t messageCode;
    std::uint8_t buttonBit;
    std::uint8_t type;
    std::string_view name;
};
extern const std::array<MouseActionRow, 16> MouseActionTable;

// Keys of a macro are rows 0 to 103 of the keyboard key table. A row with a
// HID usage gives a key action (class 10, code = usage), a modifier row a
// modifier action (class 9, code = modifier bit). Sets type, code and name of
// `action` from row `row`, keeping its direction, delay and down; false (and
// nothing changed) for a row that is not a macro key.
bool ApplyKeyboardRow(MacroAction& action, std::size_t row);
// The first keyboard row whose usage (class 10) or modifier bit (class 9)
// equals the action's code.
std::optional<std::size_t> KeyboardRowOf(const MacroAction& action);
// The chooser row of a mouse action: the first of rows 0 to 9 with the
// action's button bit and type, else the move row of its class and direction.
std::optional<std::size_t> MouseActionRowOf(const MacroAction& action);

} // namespace zk::macros
