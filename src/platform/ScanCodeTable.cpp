#include "platform/ScanCodeTable.h"

#include <algorithm>
#include <array>

namespace zk::platform {

namespace {

struct Row {
    std::uint16_t evdev;
    std::uint16_t scan;
    bool extended;
    std::uint16_t vk;
};

constexpr bool E0 = true;
constexpr bool N = false;

// Sorted by evdev code (linux/input-event-codes.h). Evdev codes 1 to 88 equal
// the set-1 scan codes of the same keys.
constexpr std::array kRows = std::to_array<Row>({
    {1, 0x01, N, 0x1B},    // Esc
    {2, 0x02, N, 0x31},    // 1
    {3, 0x03, N, 0x32},    // 2
    {4, 0x04, N, 0x33},    // 3
    {5, 0x05, N, 0x34},    // 4
    {6, 0x06, N, 0x35},    // 5
    {7, 0x07, N, 0x36},    // 6
    {8, 0x08, N, 0x37},    // 7
    {9, 0x09, N, 0x38},    // 8
    {10, 0x0A, N, 0x39},   // 9
    {11, 0x0B, N, 0x30},   // 0
    {12, 0x0C, N, 0xBD},   // minus
    {13, 0x0D, N, 0xBB},   // equals
    {14, 0x0E, N, 0x08},   // Backspace
    {15, 0x0F, N, 0x09},   // Tab
    {16, 0x10, N, 0x51},   // Q
    {17, 0x11, N, 0x57},   // W
    {18, 0x12, N, 0x45},   // E
    {19, 0x13, N, 0x52},   // R
    {20, 0x14, N, 0x54},   // T
    {21, 0x15, N, 0x59},   // Y
    {22, 0x16, N, 0x55},   // U
    {23, 0x17, N, 0x49},   // I
    {24, 0x18, N, 0x4F},   // O
    {25, 0x19, N, 0x50},   // P
    {26, 0x1A, N, 0xDB},   // [
    {27, 0x1B, N, 0xDD},   // ]
    {28, 0x1C, N, 0x0D},   // Enter
    {29, 0x1D, N, 0xA2},   // left Ctrl
    {30, 0x1E, N, 0x41},   // A
    {31, 0x1F, N, 0x53},   // S
    {32, 0x20, N, 0x44},   // D
    {33, 0x21, N, 0x46},   // F
    {34, 0x22, N, 0x47},   // G
    {35, 0x23, N, 0x48},   // H
    {36, 0x24, N, 0x4A},   // J
    {37, 0x25, N, 0x4B},   // K
    {38, 0x26, N, 0x4C},   // L
    {39, 0x27, N, 0xBA},   // ;
    {40, 0x28, N, 0xDE},   // '
    {41, 0x29, N, 0xC0},   // `
    {42, 0x2A, N, 0xA0},   // left Shift
    {43, 0x2B, N, 0xDC},   // backslash
    {44, 0x2C, N, 0x5A},   // Z
    {45, 0x2D, N, 0x58},   // X
    {46, 0x2E, N, 0x43},   // C
    {47, 0x2F, N, 0x56},   // V
    {48, 0x30, N, 0x42},   // B
    {49, 0x31, N, 0x4E},   // N
    {50, 0x32, N, 0x4D},   // M
    {51, 0x33, N, 0xBC},   // comma
    {52, 0x34, N, 0xBE},   // period
    {53, 0x35, N, 0xBF},   // slash
    {54, 0x36, N, 0xA1},   // right Shift
    {55, 0x37, N, 0x6A},   // keypad *
    {56, 0x38, N, 0xA4},   // left Alt
    {57, 0x39, N, 0x20},   // Space
    {58, 0x3A, N, 0x14},   // Caps Lock
    {59, 0x3B, N, 0x70},   // F1
    {60, 0x3C, N, 0x71},   // F2
    {61, 0x3D, N, 0x72},   // F3
    {62, 0x3E, N, 0x73},   // F4
    {63, 0x3F, N, 0x74},   // F5
    {64, 0x40, N, 0x75},   // F6
    {65, 0x41, N, 0x76},   // F7
    {66, 0x42, N, 0x77},   // F8
    {67, 0x43, N, 0x78},   // F9
    {68, 0x44, N, 0x79},   // F10
    {69, 0x45, E0, 0x90},  // Num Lock (reported with the extended flag)
    {70, 0x46, N, 0x91},   // Scroll Lock
    {71, 0x47, N, 0x67},   // keypad 7
    {72, 0x48, N, 0x68},   // keypad 8
    {73, 0x49, N, 0x69},   // keypad 9
    {74, 0x4A, N, 0x6D},   // keypad -
    {75, 0x4B, N, 0x64},   // keypad 4
    {76, 0x4C, N, 0x65},   // keypad 5
    {77, 0x4D, N, 0x66},   // keypad 6
    {78, 0x4E, N, 0x6B},   // keypad +
    {79, 0x4F, N, 0x61},   // keypad 1
    {80, 0x50, N, 0x62},   // keypad 2
    {81, 0x51, N, 0x63},   // keypad 3
    {82, 0x52, N, 0x60},   // keypad 0
    {83, 0x53, N, 0x6E},   // keypad decimal
    {86, 0x56, N, 0xE2},   // the key between left Shift and Z
    {87, 0x57, N, 0x7A},   // F11
    {88, 0x58, N, 0x7B},   // F12
    {96, 0x1C, E0, 0x0D},  // keypad Enter
    {97, 0x1D, E0, 0xA3},  // right Ctrl
    {98, 0x35, E0, 0x6F},  // keypad /
    {99, 0x37, E0, 0x2C},  // Print Screen
    {100, 0x38, E0, 0xA5}, // right Alt
    {102, 0x47, E0, 0x24}, // Home
    {103, 0x48, E0, 0x26}, // Up
    {104, 0x49, E0, 0x21}, // Page Up
    {105, 0x4B, E0, 0x25}, // Left
    {106, 0x4D, E0, 0x27}, // Right
    {107, 0x4F, E0, 0x23}, // End
    {108, 0x50, E0, 0x28}, // Down
    {109, 0x51, E0, 0x22}, // Page Down
    {110, 0x52, E0, 0x2D}, // Insert
    {111, 0x53, E0, 0x2E}, // Delete
    {113, 0x20, E0, 0xAD}, // Volume Mute
    {114, 0x2E, E0, 0xAE}, // Volume Down
    {115, 0x30, E0, 0xAF}, // Volume Up
    {119, 0x45, N, 0x13},  // Pause
    {125, 0x5B, E0, 0x5B}, // left Windows
    {126, 0x5C, E0, 0x5C}, // right Windows
    {127, 0x5D, E0, 0x5D}, // Application
    {128, 0x68, E0, 0xA9}, // Browser Stop
    {140, 0x21, E0, 0xB7}, // Launch App2 (calculator)
    {155, 0x6C, E0, 0xB4}, // Launch Mail
    {156, 0x66, E0, 0xAB}, // Browser Favorites
    {157, 0x6B, E0, 0xB6}, // Launch App1 (computer)
    {158, 0x6A, E0, 0xA6}, // Browser Back
    {159, 0x69, E0, 0xA7}, // Browser Forward
    {163, 0x19, E0, 0xB0}, // Media Next Track
    {164, 0x22, E0, 0xB3}, // Media Play Pause
    {165, 0x10, E0, 0xB1}, // Media Prev Track
    {166, 0x24, E0, 0xB2}, // Media Stop
    {171, 0x6D, E0, 0xB5}, // Launch Media Select
    {172, 0x32, E0, 0xAC}, // Browser Home
    {173, 0x67, E0, 0xA8}, // Browser Refresh
    {183, 0x64, N, 0x7C},  // F13
    {184, 0x65, N, 0x7D},  // F14
    {185, 0x66, N, 0x7E},  // F15
    {186, 0x67, N, 0x7F},  // F16
    {187, 0x68, N, 0x80},  // F17
    {188, 0x69, N, 0x81},  // F18
    {189, 0x6A, N, 0x82},  // F19
    {190, 0x6B, N, 0x83},  // F20
    {191, 0x6C, N, 0x84},  // F21
    {192, 0x6D, N, 0x85},  // F22
    {193, 0x6E, N, 0x86},  // F23
    {194, 0x76, N, 0x87},  // F24
    {217, 0x65, E0, 0xAA}, // Browser Search
});

constexpr bool Sorted() {
    for (std::size_t i = 1; i < kRows.size(); ++i)
        if (kRows[i - 1].evdev >= kRows[i].evdev)
            return false;
    return true;
}
static_assert(Sorted(), "rows must stay sorted by evdev code");

struct KeypadRow {
    std::uint16_t evdev;
    std::uint16_t navigation;
};
// Keypad keys with Num Lock off: Home, Up, Page Up, Left, Clear, Right, End,
// Down, Page Down, Insert, Delete.
constexpr std::array kKeypadNavigation = std::to_array<KeypadRow>({
    {71, 0x24},
    {72, 0x26},
    {73, 0x21},
    {75, 0x25},
    {76, 0x0C},
    {77, 0x27},
    {79, 0x23},
    {80, 0x28},
    {81, 0x22},
    {82, 0x2D},
    {83, 0x2E},
});

} // namespace

std::optional<KeyCodes> KeyCodesOfEvdev(std::uint32_t evdev) {
    const auto it =
        std::lower_bound(kRows.begin(), kRows.end(), evdev,
                         [](const Row& row, std::uint32_t code) { return row.evdev < code; });
    if (it == kRows.end() || it->evdev != evdev)
        return std::nullopt;
    const bool keypad = KeypadNavigationKey(evdev).has_value();
    return KeyCodes{it->scan, it->extended, it->vk, keypad};
}

std::optional<std::uint16_t> KeypadNavigationKey(std::uint32_t evdev) {
    for (const KeypadRow& row : kKeypadNavigation)
        if (row.evdev == evdev)
            return row.navigation;
    return std::nullopt;
}

} // namespace zk::platform
