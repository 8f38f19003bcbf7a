#pragma once

// Physical keys as the keyboard hook reports them: the Linux input (evdev)
// code of a key turned into the codes of the low-level keyboard event record,
// a set-1 scan code with its extended (E0) flag and a Windows virtual-key
// code, as a US keyboard layout gives them. One table, plain data.

#include <cstdint>
#include <optional>

namespace zk::platform {

struct KeyCodes {
    std::uint16_t scanCode = 0;    // set-1 make code without the E0 prefix
    bool extended = false;         // the E0 keys: right Ctrl/Alt, arrows, keypad Enter and /, ...
    std::uint16_t virtualKey = 0;  // Windows virtual-key code
    bool keypadNavigation = false; // a keypad key whose code follows Num Lock (see below)
};

// The codes of the key with evdev code `evdev`; nothing for a key the table
// does not hold. On X11 the evdev code is the X keycode minus 8.
std::optional<KeyCodes> KeyCodesOfEvdev(std::uint32_t evdev);

// A keypad digit or decimal key with Num Lock off reports the navigation key
// it stands for (keypad 7 → Home, not extended); nothing for other keys.
std::optional<std::uint16_t> KeypadNavigationKey(std::uint32_t evdev);

// Offset of X11 keycodes over evdev codes.
inline constexpr std::uint32_t kXKeycodeOffset = 8;

} // namespace zk::platform
