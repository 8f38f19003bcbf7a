#pragma once
// Where the LEDs, keys and buttons sit on the generated device pictures.
//
// All rectangles are in logical pixels (1x) of the picture they belong to, with the origin at
// the picture's top-left corner; the @2x pictures double every value. A control that shows an
// LED, a key light or a button highlight is placed at its rectangle on top of the picture and
// shows the image of the same size that the art tool draws for it (white shapes on
// transparency, meant to be tinted). Plain data, no Qt: layouts, controls and tests may use it.

#include <array>
#include <cstdint>

namespace zk::art {

struct Rect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    constexpr bool empty() const { return w <= 0 || h <= 0; }
    constexpr bool contains(const Rect& o) const {
        return o.x >= x && o.y >= y && o.x + o.w <= x + w && o.y + o.h <= y + h;
    }
};

struct Point {
    int x = 0;
    int y = 0;
};

// ---------------------------------------------------------------- mouse, front (top) view
// "device/mouse_front.png", the 20 LED masks "device/ms_led_<i>.png" (i = 0..19).
inline constexpr Rect kMouseFrontPicture{0, 0, 320, 440};

// LED i of the light preview (controls "ms_dkey_<i>"). 0..6 run down the left light strip from
// front to rear, 7..13 down the right strip, 14..17 are the four quarters of the rear logo ring
// (top-right, bottom-right, bottom-left, top-left), 18 is the DPI indicator and 19 the wheel glow.
inline constexpr std::array<Rect, 20> kMouseFrontLeds{{
    {60, 116, 100, 40},  {60, 156, 100, 40},  {60, 196, 100, 40},  {60, 236, 100, 40},
    {60, 276, 100, 40},  {60, 316, 100, 40},  {60, 356, 100, 40},  {160, 116, 100, 40},
    {160, 156, 100, 40}, {160, 196, 100, 40}, {160, 236, 100, 40}, {160, 276, 100, 40},
    {160, 316, 100, 40}, {160, 356, 100, 40}, {160, 300, 30, 30},  {160, 330, 30, 30},
    {130, 330, 30, 30},  {130, 300, 30, 30},  {152, 192, 16, 16},  {142, 70, 36, 68},
}};

// Button drawings M = 1..7 (index M - 1): 1 left, 2 right, 3 middle (wheel), 4 forward,
// 5 back, 6 DPI loop, 7 DPI down. "qelma/btn_M.png" (normal) and "qelma/btn_M_0.png"
// (highlighted) have the size of the rectangle (controls "mouse_btn_M").
inline constexpr std::array<Rect, 7> kMouseButtons{{
    {68, 34, 92, 184},
    {160, 34, 92, 184},
    {148, 76, 24, 56},
    {62, 196, 18, 46},
    {62, 248, 18, 46},
    {151, 142, 18, 20},
    {151, 168, 18, 18},
}};

// Leader lines "qelma/F-M-normal.png" / "qelma/F-M-over.png" (controls "mouse_btn_M_0"): a
// horizontal line from the picture's edge to a dot on button M. The label of the button
// (control "mouse_key_n") belongs just outside the picture at kMouseLabelAnchors[M - 1], the
// point where the line leaves the picture (x = 0 on the left side, x = 320 on the right).
inline constexpr std::array<Rect, 7> kMouseCallouts{{
    {0, 94, 118, 12},
    {202, 58, 118, 12},
    {166, 98, 154, 12},
    {0, 213, 74, 12},
    {0, 265, 74, 12},
    {164, 146, 156, 12},
    {164, 171, 156, 12},
}};
inline constexpr std::array<Point, 7> kMouseLabelAnchors{{
    {0, 100},
    {320, 64},
    {320, 104},
    {0, 219},
    {0, 271},
    {320, 152},
    {320, 177},
}};

// ---------------------------------------------------------------- mouse, side view
// "device/mouse_side.png" (left side, front to the left) and "device/ms_side_led_<i>.png" for
// the seven segments of the left light strip (LEDs 0..6, front to rear).
inline constexpr Rect kMouseSidePicture{0, 0, 440, 240};
inline constexpr std::array<Rect, 7> kMouseSideLeds{{
    {56, 120, 46, 90},
    {102, 120, 46, 90},
    {148, 120, 46, 90},
    {194, 120, 46, 90},
    {240, 120, 46, 90},
    {286, 120, 46, 90},
    {332, 120, 46, 90},
}};

// ---------------------------------------------------------------- keyboard
// "device/keyboard.png" holds the case, the key caps and their legends. Key i (control
// "kb_key_<i>") has the light mask "device/kb_light_<i>.png" and the mark of a key with its own
// assignment "device/kb_keyset_<i>.png", both of its rectangle's size. Key places that the
// keyboard does not have stay empty (zero rectangle, no image).
inline constexpr int kKeyUnit = 36;     // one key unit in pixels
inline constexpr int kKeyboardPad = 20; // case border around the key field
inline constexpr int kKeyGap = 2;       // free pixels on each side of a key cap
inline constexpr Rect kKeyboardPicture{0, 0, 22 * kKeyUnit + kKeyUnit / 2 + 2 * kKeyboardPad,
                                       6 * kKeyUnit + kKeyUnit / 2 + 2 * kKeyboardPad};

// A key place in quarter units (x, y, w, h) with its legend (UTF-8, "\n" between two lines).
struct KeyPlace {
    int qx = 0;
    int qy = 0;
    int qw = 0;
    int qh = 0;
    const char* legend = nullptr;
    constexpr bool present() const { return qw > 0; }
};

// clang-format off
inline constexpr std::array<KeyPlace, 126> kKeyboardKeys{{
    // 0..15: function row
    {0, 0, 4, 4, "Esc"}, {8, 0, 4, 4, "F1"}, {12, 0, 4, 4, "F2"}, {16, 0, 4, 4, "F3"},
    {20, 0, 4, 4, "F4"}, {26, 0, 4, 4, "F5"}, {30, 0, 4, 4, "F6"}, {34, 0, 4, 4, "F7"},
    {38, 0, 4, 4, "F8"}, {44, 0, 4, 4, "F9"}, {48, 0, 4, 4, "F10"}, {52, 0, 4, 4, "F11"},
    {56, 0, 4, 4, "F12"}, {61, 0, 4, 4, "PrtSc"}, {65, 0, 4, 4, "ScrLk"}, {69, 0, 4, 4, "Pause"},
    // 16..20: not present
    {}, {}, {}, {}, {},
    // 21..41: number row, navigation, numpad top
    {0, 6, 4, 4, "~\n`"}, {4, 6, 4, 4, "!\n1"}, {8, 6, 4, 4, "@\n2"}, {12, 6, 4, 4, "#\n3"},
    {16, 6, 4, 4, "$\n4"}, {20, 6, 4, 4, "%\n5"}, {24, 6, 4, 4, "^\n6"}, {28, 6, 4, 4, "&\n7"},
    {32, 6, 4, 4, "*\n8"}, {36, 6, 4, 4, "(\n9"}, {40, 6, 4, 4, ")\n0"}, {44, 6, 4, 4, "_\n-"},
    {48, 6, 4, 4, "+\n="}, {52, 6, 8, 4, "Backspace"}, {61, 6, 4, 4, "Ins"}, {65, 6, 4, 4, "Home"},
    {69, 6, 4, 4, "PgUp"}, {74, 6, 4, 4, "Num"}, {78, 6, 4, 4, "/"}, {82, 6, 4, 4, "*"},
    {86, 6, 4, 4, "-"},
    // 42..61: top letter row
    {0, 10, 6, 4, "Tab"}, {6, 10, 4, 4, "Q"}, {10, 10, 4, 4, "W"}, {14, 10, 4, 4, "E"},
    {18, 10, 4, 4, "R"}, {22, 10, 4, 4, "T"}, {26, 10, 4, 4, "Y"}, {30, 10, 4, 4, "U"},
    {34, 10, 4, 4, "I"}, {38, 10, 4, 4, "O"}, {42, 10, 4, 4, "P"}, {46, 10, 4, 4, "{\n["},
    {50, 10, 4, 4, "}\n]"}, {54, 10, 6, 4, "|\n\\"}, {61, 10, 4, 4, "Del"}, {65, 10, 4, 4, "End"},
    {69, 10, 4, 4, "PgDn"}, {74, 10, 4, 4, "7"}, {78, 10, 4, 4, "8"}, {82, 10, 4, 4, "9"},
    // 62: not present
    {},
    // 63..78: home row, numpad middle
    {0, 14, 7, 4, "Caps"}, {7, 14, 4, 4, "A"}, {11, 14, 4, 4, "S"}, {15, 14, 4, 4, "D"},
    {19, 14, 4, 4, "F"}, {23, 14, 4, 4, "G"}, {27, 14, 4, 4, "H"}, {31, 14, 4, 4, "J"},
    {35, 14, 4, 4, "K"}, {39, 14, 4, 4, "L"}, {43, 14, 4, 4, ":\n;"}, {47, 14, 4, 4, "\"\n'"},
    {51, 14, 9, 4, "Enter"}, {74, 14, 4, 4, "4"}, {78, 14, 4, 4, "5"}, {82, 14, 4, 4, "6"},
    // 79..83: not present
    {}, {}, {}, {}, {},
    // 84..99: bottom letter row, arrow up, numpad bottom
    {0, 18, 9, 4, "Shift"}, {9, 18, 4, 4, "Z"}, {13, 18, 4, 4, "X"}, {17, 18, 4, 4, "C"},
    {21, 18, 4, 4, "V"}, {25, 18, 4, 4, "B"}, {29, 18, 4, 4, "N"}, {33, 18, 4, 4, "M"},
    {37, 18, 4, 4, "<\n,"}, {41, 18, 4, 4, ">\n."}, {45, 18, 4, 4, "?\n/"}, {49, 18, 11, 4, "Shift"},
    {65, 18, 4, 4, "\xE2\x86\x91"}, {74, 18, 4, 4, "1"}, {78, 18, 4, 4, "2"}, {82, 18, 4, 4, "3"},
    // 100..104: not present
    {}, {}, {}, {}, {},
    // 105..119: space row, arrows, numpad 0 and '.', numpad Enter and +
    {0, 22, 5, 4, "Ctrl"}, {5, 22, 5, 4, "Win"}, {10, 22, 5, 4, "Alt"}, {15, 22, 25, 4, ""},
    {40, 22, 5, 4, "Alt"}, {45, 22, 5, 4, "Fn"}, {50, 22, 5, 4, "Menu"}, {55, 22, 5, 4, "Ctrl"},
    {61, 22, 4, 4, "\xE2\x86\x90"}, {65, 22, 4, 4, "\xE2\x86\x93"}, {69, 22, 4, 4, "\xE2\x86\x92"},
    {74, 22, 8, 4, "0"}, {82, 22, 4, 4, "."}, {86, 18, 4, 8, "Enter"}, {86, 10, 4, 8, "+"},
    // 120..125: not present
    {}, {}, {}, {}, {}, {},
}};
// clang-format on

// Rectangle of key i in the keyboard picture (empty for a place without a key).
constexpr Rect KeyRect(int index) {
    if (index < 0 || index >= static_cast<int>(kKeyboardKeys.size()))
        return {};
    const KeyPlace& k = kKeyboardKeys[static_cast<std::size_t>(index)];
    if (!k.present())
        return {};
    const int q = kKeyUnit / 4;
    return {kKeyboardPad + k.qx * q, kKeyboardPad + k.qy * q, k.qw * q, k.qh * q};
}

// ---------------------------------------------------------------- mousepad
// "device/mousepad.png" and "device/mp_led_<i>.png" (controls "mp_dkey_<i>"): LEDs 0..4 run
// down the left edge, 5..9 along the bottom from left to right, 10..14 up the right edge.
inline constexpr Rect kMousepadPicture{0, 0, 520, 320};
inline constexpr std::array<Rect, 15> kMousepadLeds{{
    {8, 20, 24, 56},
    {8, 76, 24, 56},
    {8, 132, 24, 56},
    {8, 188, 24, 56},
    {8, 244, 24, 56},
    {32, 288, 91, 24},
    {123, 288, 91, 24},
    {214, 288, 92, 24},
    {306, 288, 91, 24},
    {397, 288, 91, 24},
    {488, 244, 24, 56},
    {488, 188, 24, 56},
    {488, 132, 24, 56},
    {488, 76, 24, 56},
    {488, 20, 24, 56},
}};

// ---------------------------------------------------------------- colours of the look
inline constexpr std::uint32_t kColourWindow = 0xFF15171C;
inline constexpr std::uint32_t kColourPanel = 0xFF1E2128;
inline constexpr std::uint32_t kColourText = 0xFFE6E8EB;
inline constexpr std::uint32_t kColourAccent = 0xFF0199CB;

} // namespace zk::art
