#include "settings/KeyTables.h"

namespace zk::settings {

namespace {

using E = AssignmentEntry;
using namespace action_type;

constexpr E Key(std::uint16_t vk, std::uint8_t usage) {
    return E::Make(vk, kKeyboard, 0, usage);
}
constexpr E Mod(std::uint16_t vk, std::uint8_t bit) {
    return E::Make(vk, kKeyboard, bit, 0);
}
constexpr E Consumer(std::uint16_t number, std::uint16_t usage) {
    return E::Make(number, kConsumer, static_cast<std::uint8_t>(usage & 0xFF),
                   static_cast<std::uint8_t>(usage >> 8));
}
constexpr E Office(std::uint16_t pos, std::uint8_t mods, std::uint8_t usage) {
    return E::Make(pos, kKeyboard, mods, usage);
}

} // namespace

const std::array<AssignmentEntry, 5> MouseButtonTable = {
    E::Make(0, kMouseButton, 0x01, 0), // left
    E::Make(1, kMouseButton, 0x04, 0), // middle
    E::Make(2, kMouseButton, 0x02, 0), // right
    E::Make(3, kMouseButton, 0x10, 0), // forward
    E::Make(4, kMouseButton, 0x08, 0), // back
};

const std::array<AssignmentEntry, 3> DpiKeyTable = {
    E::Make(0, kDpi, 1, 0), // up
    E::Make(1, kDpi, 2, 0), // down
    E::Make(2, kDpi, 3, 0), // loop
};

const std::array<AssignmentEntry, 16> OfficeKeyTable = {
    Office(0, modifier::kLeftCtrl, 0x12),  // Ctrl+O
    Office(1, modifier::kLeftCtrl, 0x11),  // Ctrl+N
    Office(2, modifier::kLeftCtrl, 0x1D),  // Ctrl+Z
    Office(3, modifier::kLeftCtrl, 0x16),  // Ctrl+S
    Office(4, modifier::kLeftCtrl, 0x06),  // Ctrl+C
    Office(5, modifier::kLeftCtrl, 0x1B),  // Ctrl+X
    Office(6, modifier::kLeftCtrl, 0x19),  // Ctrl+V
    Office(7, modifier::kLeftCtrl, 0x09),  // Ctrl+F
    Office(8, modifier::kLeftCtrl, 0x04),  // Ctrl+A
    Office(9, modifier::kLeftCtrl, 0x2D),  // Ctrl+minus
    Office(10, modifier::kLeftCtrl, 0x2E), // Ctrl+equals
    Office(11, modifier::kLeftCtrl, 0x13), // Ctrl+P
    Office(12, modifier::kLeftCtrl, 0x09), // Ctrl+F (repeat)
    Office(13, modifier::kLeftAlt, 0x3D),  // Alt+F4
    Office(14, modifier::kLeftWin, 0x07),  // Windows+D
    Office(15, modifier::kLeftWin, 0x15),  // Windows+R
};

const std::array<AssignmentEntry, 18> MediaKeyTable = {
    Consumer(0, 0x0183),  Consumer(1, 0x00CD),  Consumer(2, 0x00B7),  Consumer(3, 0x00B6),
    Consumer(4, 0x00B5),  Consumer(5, 0x00EA),  Consumer(6, 0x00E9),  Consumer(7, 0x00E2),
    Consumer(8, 0x0223),  Consumer(9, 0x0227),  Consumer(10, 0x0226), Consumer(11, 0x0224),
    Consumer(12, 0x0225), Consumer(13, 0x022A), Consumer(14, 0x0221), Consumer(15, 0x0194),
    Consumer(16, 0x0192), Consumer(17, 0x018A),
};

const std::array<AssignmentEntry, 3> SystemKeyTable = {
    E::Make(0, kSystem, 0x01, 0), // power
    E::Make(1, kSystem, 0x02, 0), // sleep
    E::Make(2, kSystem, 0x04, 0), // wake-up
};

const std::array<AssignmentEntry, kKeyboardKeyRows> KeyboardKeyTable = {
    // Modifiers.
    Mod(0xA2, modifier::kLeftCtrl),
    Mod(0xA0, modifier::kLeftShift),
    Mod(0xA4, modifier::kLeftAlt),
    Mod(0x5B, modifier::kLeftWin),
    Mod(0xA3, modifier::kRightCtrl),
    Mod(0xA1, modifier::kRightShift),
    Mod(0xA5, modifier::kRightAlt),
    Mod(0x5C, modifier::kRightWin),
    // A to Z.
    Key(0x41, 0x04),
    Key(0x42, 0x05),
    Key(0x43, 0x06),
    Key(0x44, 0x07),
    Key(0x45, 0x08),
    Key(0x46, 0x09),
    Key(0x47, 0x0A),
    Key(0x48, 0x0B),
    Key(0x49, 0x0C),
    Key(0x4A, 0x0D),
    Key(0x4B, 0x0E),
    Key(0x4C, 0x0F),
    Key(0x4D, 0x10),
    Key(0x4E, 0x11),
    Key(0x4F, 0x12),
    Key(0x50, 0x13),
    Key(0x51, 0x14),
    Key(0x52, 0x15),
    Key(0x53, 0x16),
    Key(0x54, 0x17),
    Key(0x55, 0x18),
    Key(0x56, 0x19),
    Key(0x57, 0x1A),
    Key(0x58, 0x1B),
    Key(0x59, 0x1C),
    Key(0x5A, 0x1D),
    // 1 to 9, 0.
    Key(0x31, 0x1E),
    Key(0x32, 0x1F),
    Key(0x33, 0x20),
    Key(0x34, 0x21),
    Key(0x35, 0x22),
    Key(0x36, 0x23),
    Key(0x37, 0x24),
    Key(0x38, 0x25),
    Key(0x39, 0x26),
    Key(0x30, 0x27),
    // Enter, Esc, Backspace, Tab, Space.
    Key(0x0D, 0x28),
    Key(0x1B, 0x29),
    Key(0x08, 0x2A),
    Key(0x09, 0x2B),
    Key(0x20, 0x2C),
    // - = [ ] backslash ; ' ` , . /
    Key(0xBD, 0x2D),
    Key(0xBB, 0x2E),
    Key(0xDB, 0x2F),
    Key(0xDD, 0x30),
    Key(0xDC, 0x31),
    Key(0xBA, 0x33),
    Key(0xDE, 0x34),
    Key(0xC0, 0x35),
    Key(0xBC, 0x36),
    Key(0xBE, 0x37),
    Key(0xBF, 0x38),
    // Caps Lock, F1 to F12.
    Key(0x14, 0x39),
    Key(0x70, 0x3A),
    Key(0x71, 0x3B),
    Key(0x72, 0x3C),
    Key(0x73, 0x3D),
    Key(0x74, 0x3E),
    Key(0x75, 0x3F),
    Key(0x76, 0x40),
    Key(0x77, 0x41),
    Key(0x78, 0x42),
    Key(0x79, 0x43),
    Key(0x7A, 0x44),
    Key(0x7B, 0x45),
    // Print Screen, Scroll Lock, Pause, Insert, Home, Page Up, Delete, End, Page Down.
    Key(0x2C, 0x46),
    Key(0x91, 0x47),
    Key(0x13, 0x48),
    Key(0x2D, 0x49),
    Key(0x24, 0x4A),
    Key(0x21, 0x4B),
    Key(0x2E, 0x4C),
    Key(0x23, 0x4D),
    Key(0x22, 0x4E),
    // Right, Left, Down, Up, Num Lock.
    Key(0x27, 0x4F),
    Key(0x25, 0x50),
    Key(0x28, 0x51),
    Key(0x26, 0x52),
    Key(0x90, 0x53),
    // Keypad / * - + Enter.
    Key(0x6F, 0x54),
    Key(0x6A, 0x55),
    Key(0x6D, 0x56),
    Key(0x6B, 0x57),
    Key(kVkKeypadEnter, 0x58),
    // Keypad 1 to 9, 0, decimal; Application.
    Key(0x61, 0x59),
    Key(0x62, 0x5A),
    Key(0x63, 0x5B),
    Key(0x64, 0x5C),
    Key(0x65, 0x5D),
    Key(0x66, 0x5E),
    Key(0x67, 0x5F),
    Key(0x68, 0x60),
    Key(0x69, 0x61),
    Key(0x60, 0x62),
    Key(0x6E, 0x63),
    Key(0x5D, 0x65),
    // Consumer keys.
    Consumer(0xB7, 0x0192), // Launch App2
    Consumer(0xAC, 0x0223), // Browser Home
    Consumer(0xB3, 0x00CD), // Media Play Pause
    Consumer(0xAA, 0x0221), // Browser Search
    Consumer(0xB4, 0x018A), // Launch Mail
    Consumer(0xAF, 0x00E9), // Volume Up
    Consumer(0xAD, 0x00E2), // Volume Mute
    Consumer(0xB2, 0x00B7), // Media Stop
    Consumer(0xAE, 0x00EA), // Volume Down
    Consumer(0xAB, 0x022A), // Browser Favorites
    Consumer(0xA7, 0x0225), // Browser Forward
    Consumer(0xA6, 0x0224), // Browser Back
    Consumer(0xB1, 0x00B6), // Media Prev Track
    Consumer(0xB0, 0x00B5), // Media Next Track
    Consumer(0xB6, 0x0194), // Computer
    Consumer(0xA8, 0x0227), // Browser Refresh
    Consumer(0xB5, 0x0183), // Launch Media Select
    Consumer(0xB5, 0x0183), // Launch Media Select, listed twice
    // System keys.
    E::Make(0x103, kSystem, 0x01, 0),
    E::Make(0x104, kSystem, 0x02, 0),
    E::Make(0x105, kSystem, 0x04, 0),
};

const std::array<std::string_view, kKeyNameRows> KeyNameTable = {
    // 0 to 124: the keyboard key table's rows.
    "keyboard_key_LCtrl",
    "keyboard_key_LShift",
    "keyboard_key_LAlt",
    "keyboard_key_LWin",
    "keyboard_key_RCtrl",
    "keyboard_key_RShift",
    "keyboard_key_RAlt",
    "keyboard_key_RWin",
    "keyboard_key_A",
    "keyboard_key_B",
    "keyboard_key_C",
    "keyboard_key_D",
    "keyboard_key_E",
    "keyboard_key_F",
    "keyboard_key_G",
    "keyboard_key_H",
    "keyboard_key_I",
    "keyboard_key_J",
    "keyboard_key_K",
    "keyboard_key_L",
    "keyboard_key_M",
    "keyboard_key_N",
    "keyboard_key_O",
    "keyboard_key_P",
    "keyboard_key_Q",
    "keyboard_key_R",
    "keyboard_key_S",
    "keyboard_key_T",
    "keyboard_key_U",
    "keyboard_key_V",
    "keyboard_key_W",
    "keyboard_key_X",
    "keyboard_key_Y",
    "keyboard_key_Z",
    "keyboard_key_1",
    "keyboard_key_2",
    "keyboard_key_3",
    "keyboard_key_4",
    "keyboard_key_5",
    "keyboard_key_6",
    "keyboard_key_7",
    "keyboard_key_8",
    "keyboard_key_9",
    "keyboard_key_0",
    "keyboard_key_Enter",
    "keyboard_key_Esc",
    "keyboard_key_BackSpace",
    "keyboard_key_Tab",
    "keyboard_key_Space",
    "keyboard_key_-",
    "keyboard_key_=",
    "keyboard_key_[",
    "keyboard_key_]",
    "keyboard_key_xiegang",
    "keyboard_key_;",
    "keyboard_key_'",
    "keyboard_key_`",
    "keyboard_key_<",
    "keyboard_key_.",
    "keyboard_key_/",
    "keyboard_key_Caplk",
    "keyboard_key_F1",
    "keyboard_key_F2",
    "keyboard_key_F3",
    "keyboard_key_F4",
    "keyboard_key_F5",
    "keyboard_key_F6",
    "keyboard_key_F7",
    "keyboard_key_F8",
    "keyboard_key_F9",
    "keyboard_key_F10",
    "keyboard_key_F11",
    "keyboard_key_F12",
    "keyboard_key_Print Scr",
    "keyboard_key_Scroll Lock",
    "keyboard_key_Pause",
    "keyboard_key_Insert",
    "keyboard_key_Home",
    "keyboard_key_Page Up",
    "keyboard_key_Delete",
    "keyboard_key_End",
    "keyboard_key_Page Down",
    "keyboard_key_Right",
    "keyboard_key_Left",
    "keyboard_key_Down",
    "keyboard_key_Up",
    "keyboard_key_Num Lock",
    "keyboard_key_Num /",
    "keyboard_key_Num *",
    "keyboard_key_Num -",
    "keyboard_key_Num +",
    "keyboard_key_Num Enter",
    "keyboard_key_Num 1",
    "keyboard_key_Num 2",
    "keyboard_key_Num 3",
    "keyboard_key_Num 4",
    "keyboard_key_Num 5",
    "keyboard_key_Num 6",
    "keyboard_key_Num 7",
    "keyboard_key_Num 8",
    "keyboard_key_Num 9",
    "keyboard_key_Num 0",
    "keyboard_key_Decimal",
    "keyboard_key_App",
    "keyboard_key_Launch App2",
    "keyboard_key_Browaer Home",
    "keyboard_key_Media Play Pause",
    "keyboard_key_Browser Search",
    "keyboard_key_Launch Mail",
    "keyboard_key_Volume Up",
    "keyboard_key_Volume Mute",
    "keyboard_key_Media Stop",
    "keyboard_key_Volume Down",
    "keyboard_key_Browser Favorites",
    "keyboard_key_Browser ForWard",
    "keyboard_key_Browser Back",
    "keyboard_key_Media Prev Track",
    "keyboard_key_Media Next Track",
    "keyboard_key_Computer",
    "keyboard_key_Browser Refresh",
    "keyboard_key_Launch Media Select",
    "keyboard_key_Launch Media Select",
    "keyboard_key_Power",
    "keyboard_key_Sleep",
    "keyboard_key_Wakeup",
    // 125 to 129: MouseButtonTable.
    "mouse_key_left",
    "mouse_key_middle",
    "mouse_key_right",
    "mouse_key_forward",
    "mouse_key_back",
    // 130 to 145: mouse events of the macro editor.
    "mouse_key_left",
    "mouse_key_left",
    "mouse_key_right",
    "mouse_key_right",
    "mouse_key_middle",
    "mouse_key_middle",
    "mouse_key_forward",
    "mouse_key_forward",
    "mouse_key_back",
    "mouse_key_back",
    "mouse_move_to_left_text",
    "mouse_move_to_right_text",
    "mouse_move_to_up_text",
    "mouse_move_to_down_text",
    "mouse_cursor_text",
    "mouse_text",
    // 146 to 149: gun modes.
    "GUN_1",
    "GUN_2",
    "GUN_3",
    "GUN_4",
    // 150 to 152: SystemKeyTable.
    "system_power",
    "system_sleep",
    "system_wake_up",
    // 153 to 163: OfficeKeyTable positions 0 to 10.
    "combo_open",
    "combo_new",
    "combo_revocation",
    "combo_save",
    "combo_copy",
    "combo_cut",
    "combo_paste",
    "combo_finde",
    "combo_all",
    "combo_narrow",
    "combo_magnify",
    // 164 to 181: MediaKeyTable.
    "media_text",
    "media_play",
    "media_stop",
    "media_prev",
    "media_next",
    "media_vol_sub",
    "media_vol_add",
    "media_mute",
    "web_text",
    "web_refresh",
    "wed_stop",
    "wed_back",
    "wed_forward",
    "wed_favorite",
    "web_search",
    "media_mypc",
    "media_calc",
    "media_mail",
    // 182: fire key; 183 to 185: DpiKeyTable; 186 to 189: scroll functions.
    "mouse_key_fire_key",
    "mouse_key_DPI_add",
    "mouse_key_DPI_sub",
    "mouse_key_DPI_loop",
    "mouse_key_up_Swing",
    "mouse_key_down_Swing",
    "mouse_key_left_Swing",
    "mouse_key_right_Swing",
};

namespace {

struct ButtonNames {
    std::string_view firstSet;
    std::string_view otherSet;
    std::string_view restoreFirstSet;
    std::string_view restoreOtherSet;
    std::string_view resourceKey;
};

// Buttons 2 to 7.
constexpr std::array<ButtonNames, 6> kButtonNames = {{
    {"Средняя кнопка", "Middle Click", "中键", "Middle Click", "mouse_key_middle"},
    {"Правая кнопка", "Right Click", "右键", "Right Click", "mouse_key_right"},
    {"Вперед", "Forward", "前进", "Forward", "mouse_key_forward"},
    {"Назад", "Backward", "后退", "Backward", "mouse_key_back"},
    {"Цикл DPI", "DPI Loop", "DPI循环", "DPI loop", "mouse_key_DPI_loop"},
    {"DPI-", "DPI-", "DPI-", "DPI-", "mouse_key_DPI_sub"},
}};

const ButtonNames* NamesOf(int button) {
    if (button < 2 || button > 7)
        return nullptr;
    return &kButtonNames[static_cast<std::size_t>(button - 2)];
}

ActionLabel Resource(std::string_view key) {
    return ActionLabel{ActionLabel::Kind::ResourceKey, std::string(key)};
}

} // namespace

std::uint16_t LookupVirtualKey(std::uint32_t vk, std::uint32_t flags) {
    if (vk == kVkReturn && (flags == 0x01 || flags == 0x81))
        return kVkKeypadEnter;
    return static_cast<std::uint16_t>(vk);
}

std::optional<std::size_t> FindKeyboardRow(std::uint16_t vk) {
    for (std::size_t i = 0; i < KeyboardKeyTable.size(); ++i)
        if (KeyboardKeyTable[i].Number() == vk)
            return i;
    return std::nullopt;
}

std::string_view KeyboardKeyName(std::size_t row) {
    return row < kKeyboardKeyRows ? KeyNameTable[row] : std::string_view{};
}

std::string_view KeyboardKeyLabel(std::size_t row) {
    return KeyboardKeyName(row).substr(row < kKeyboardKeyRows ? kKeyboardKeyPrefix.size() : 0);
}

std::optional<CapturedKey> CaptureKey(std::uint32_t vk, std::uint32_t flags) {
    if (vk > 0xFFFF)
        return std::nullopt;
    const auto row = FindKeyboardRow(LookupVirtualKey(vk, flags));
    if (!row || KeyboardKeyTable[*row].type != kKeyboard)
        return std::nullopt;
    const auto& e = KeyboardKeyTable[*row];
    return CapturedKey{*row, ButtonAction{kKeyboard, e.p1, e.p2}, KeyboardKeyName(*row),
                       KeyboardKeyLabel(*row)};
}

ActionLabel DisplayKeyOf(const ButtonAction& action, const MacroNameLookup& macroName) {
    ActionLabel label;
    switch (action.type) {
    case kNone:
    case kKeyboard:
        // Only rows that are keyboard keys can name a keyboard action; a
        // consumer row with the same two bytes is a different function.
        for (std::size_t i = 0; i < KeyboardKeyTable.size(); ++i) {
            const auto& e = KeyboardKeyTable[i];
            if (e.type == kKeyboard && e.p1 == action.p1 && e.p2 == action.p2) {
                label = Resource(KeyNameTable[i]);
                break;
            }
        }
        // A known key combination names the action instead. Positions 11 to 15
        // have no display key of their own and leave the label as it is.
        for (std::size_t pos = 0; pos < OfficeKeyTable.size(); ++pos) {
            const auto& e = OfficeKeyTable[pos];
            if (e.p1 == action.p1 && e.p2 == action.p2) {
                if (pos < key_name_row::kOfficeCount)
                    label = Resource(KeyNameTable[key_name_row::kOffice + pos]);
                break;
            }
        }
        return label;
    case kMouseButton:
        for (std::size_t pos = 0; pos < MouseButtonTable.size(); ++pos)
            if (MouseButtonTable[pos].p1 == action.p1)
                label = Resource(KeyNameTable[key_name_row::kMouseButton + pos]);
        return label;
    case kHorizontalScroll:
        return Resource(
            KeyNameTable[action.p2 < 0x80 ? key_name_row::kSwingLeft : key_name_row::kSwingRight]);
    case kVerticalScroll:
        return Resource(
            KeyNameTable[action.p2 < 0x80 ? key_name_row::kSwingUp : key_name_row::kSwingDown]);
    case kDpi:
        for (std::size_t pos = 0; pos < DpiKeyTable.size(); ++pos)
            if (DpiKeyTable[pos].p1 == action.p1)
                label = Resource(KeyNameTable[key_name_row::kDpi + pos]);
        return label;
    case kFire:
        return Resource(KeyNameTable[key_name_row::kFire]);
    case kConsumerAlias:
    case kConsumer:
        for (std::size_t pos = 0; pos < MediaKeyTable.size(); ++pos)
            if (MediaKeyTable[pos].p1 == action.p1 && MediaKeyTable[pos].p2 == action.p2)
                return Resource(KeyNameTable[key_name_row::kMedia + pos]);
        return label;
    case kSystem:
        for (std::size_t pos = 0; pos < SystemKeyTable.size(); ++pos)
            if (SystemKeyTable[pos].p1 == action.p1)
                return Resource(KeyNameTable[key_name_row::kSystem + pos]);
        return label;
    case kMacroEndMode:
    case kMacroRepeat:
        if (macroName)
            if (auto name = macroName(action.p1))
                return ActionLabel{ActionLabel::Kind::Text, std::move(*name)};
        return label;
    case kGunMode:
        // Only modes 0 to 3 have a name; a larger number would reach into the
        // next block of names.
        if (action.p1 < 4)
            return Resource(KeyNameTable[key_name_row::kGun + action.p1]);
        return label;
    case 0x15:
    case 0x50:
    case 0x60:
    case kOff:
    case 0xB0:
    case 0xC0:
        return label;
    default:
        return Resource(kCloseText);
    }
}

std::string_view BuiltInButtonName(int button, int language) {
    const auto* n = NamesOf(button);
    return n ? (language == 1 ? n->firstSet : n->otherSet) : std::string_view{};
}

std::string_view RestoreButtonName(int button, int language) {
    const auto* n = NamesOf(button);
    return n ? (language == 1 ? n->restoreFirstSet : n->restoreOtherSet) : std::string_view{};
}

std::string_view ButtonNameResourceKey(int button) {
    const auto* n = NamesOf(button);
    return n ? n->resourceKey : std::string_view{};
}

} // namespace zk::settings
