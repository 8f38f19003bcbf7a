#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "settings/ButtonAction.h"

namespace zk::settings {

// Ready-made actions of the assignment popup and the function editor; the
// number of each entry is its position in its list.
extern const std::array<AssignmentEntry, 5> MouseButtonTable;
extern const std::array<AssignmentEntry, 3> DpiKeyTable;
extern const std::array<AssignmentEntry, 16> OfficeKeyTable;
extern const std::array<AssignmentEntry, 18> MediaKeyTable;
extern const std::array<AssignmentEntry, 3> SystemKeyTable;

// One row per key that the keyboard hook can report: the number is the Windows
// virtual-key code (0x101 for keypad Enter, 0x103 to 0x105 for the system
// keys), then the action that reproduces the key. Row i's display key is
// KeyNameTable[i].
inline constexpr std::size_t kKeyboardKeyRows = 125;
extern const std::array<AssignmentEntry, kKeyboardKeyRows> KeyboardKeyTable;

// Rows 0 to 7 are the modifiers, 8 to 103 the ordinary keys; together the keys
// that a macro can hold.
inline constexpr std::size_t kModifierRows = 8;
inline constexpr std::size_t kMacroKeyRows = 104;

inline constexpr std::uint16_t kVkReturn = 0x0D;
inline constexpr std::uint16_t kVkKeypadEnter = 0x101;

// Display keys: language-file keys, in blocks.
inline constexpr std::size_t kKeyNameRows = 190;
extern const std::array<std::string_view, kKeyNameRows> KeyNameTable;

namespace key_name_row {
inline constexpr std::size_t kKeyboard = 0;
inline constexpr std::size_t kMouseButton = 125;
inline constexpr std::size_t kMouseEvent = 130; // the macro editor's 16 mouse events
inline constexpr std::size_t kGun = 146;
inline constexpr std::size_t kSystem = 150;
inline constexpr std::size_t kOffice = 153; // positions 0 to 10 only
inline constexpr std::size_t kOfficeCount = 11;
inline constexpr std::size_t kMedia = 164;
inline constexpr std::size_t kFire = 182;
inline constexpr std::size_t kDpi = 183;
inline constexpr std::size_t kSwingUp = 186;
inline constexpr std::size_t kSwingDown = 187;
inline constexpr std::size_t kSwingLeft = 188;
inline constexpr std::size_t kSwingRight = 189;
} // namespace key_name_row

inline constexpr std::string_view kKeyboardKeyPrefix = "keyboard_key_";
inline constexpr std::string_view kCloseText = "close_text";

// The virtual-key code under which a hooked key is looked up: the Enter key
// reported with the extended flag (flags 1 or 0x81) is keypad Enter, 0x101.
std::uint16_t LookupVirtualKey(std::uint32_t vk, std::uint32_t flags);

// First row of KeyboardKeyTable with this virtual-key code.
std::optional<std::size_t> FindKeyboardRow(std::uint16_t vk);

// Row i's display key ("keyboard_key_A") and its label without the prefix ("A").
std::string_view KeyboardKeyName(std::size_t row);
std::string_view KeyboardKeyLabel(std::size_t row);

// A single key taken by the key-capture window or the function editor: only
// rows of type 0x20 are taken; consumer and system keys are not.
struct CapturedKey {
    std::size_t row = 0;
    ButtonAction action;
    std::string_view displayKey; // with the "keyboard_key_" prefix
    std::string_view label;      // without it
};
std::optional<CapturedKey> CaptureKey(std::uint32_t vk, std::uint32_t flags);

// What a button's function label shows for a stored action.
struct ActionLabel {
    enum class Kind {
        Unchanged,   // keep whatever the label showed before
        ResourceKey, // text is a language-file key
        Text,        // text is shown as it stands (a macro name)
    };
    Kind kind = Kind::Unchanged;
    std::string text;

    friend bool operator==(const ActionLabel&, const ActionLabel&) = default;
};

// Name of macro `index` of the mouse library, or nothing when the library has
// no macro of that index.
using MacroNameLookup = std::function<std::optional<std::string>(std::uint8_t index)>;

ActionLabel DisplayKeyOf(const ButtonAction& action, const MacroNameLookup& macroName);

// Names of buttons 2 to 7 when none is stored: `language` is the LANGUAGE value
// of main.ini (1 selects the first set). Empty for other buttons.
std::string_view BuiltInButtonName(int button, int language);
// The names that restoring the defaults gives buttons 2 to 7.
std::string_view RestoreButtonName(int button, int language);
// The language-file key of the built-in function of buttons 2 to 7.
std::string_view ButtonNameResourceKey(int button);

} // namespace zk::settings
