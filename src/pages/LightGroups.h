#pragma once

// Which groups of the keyboard's and the mousepad's light pages each light
// mode enables: the direction group for the moving modes, the colour groups
// for the modes that use the single colour or the colour wheel, the speed
// group for the animated modes, the same-mode group for the modes that every
// device of the family shares, and the custom groups for the custom layers.

#include <array>
#include <cstddef>

namespace zk::pages {

// --- mousepad -------------------------------------------------------------------

enum MousepadGroup : std::size_t {
    kMpFx,
    kMpColour,
    kMpCycle,
    kMpSpeed,
    kMpSameMode,
    kMousepadGroupCount
};
inline constexpr std::array<const char*, kMousepadGroupCount> kMousepadGroupNames = {
    "mp_deng_fx_layout", "mp_deng_color_layout", "mp_deng_7colorselect_layout",
    "mp_deng_speed_layout", "mp_deng_same_mode"};

using MousepadGroups = std::array<bool, kMousepadGroupCount>;
inline constexpr std::size_t kMousepadModeCount = 9;

// Rows: wave, spectrum cycle, breathing, steady, fill, ripple, column
// spectrum, bar sweep, reactive.
// clang-format off
inline constexpr std::array<MousepadGroups, kMousepadModeCount> kMousepadModeGroups = {{
    //  fx     colour cycle  speed  same
    {{true,  true,  true,  true,  true}},  // 0 wave
    {{false, false, false, true,  true}},  // 1 spectrum cycle
    {{false, true,  true,  true,  true}},  // 2 breathing
    {{false, true,  false, false, true}},  // 3 steady
    {{true,  true,  true,  true,  false}}, // 4 fill
    {{true,  true,  true,  true,  false}}, // 5 ripple
    {{true,  false, false, true,  false}}, // 6 column spectrum
    {{false, true,  true,  true,  false}}, // 7 bar sweep
    {{false, true,  true,  false, false}}, // 8 reactive
}};
// clang-format on

// The groups a refresh applies: the same, except that the column spectrum
// comes back with its direction group disabled.
constexpr MousepadGroups MousepadRefreshGroups(std::size_t mode) {
    MousepadGroups groups = kMousepadModeGroups[mode];
    if (mode == 6)
        groups[kMpFx] = false;
    return groups;
}

// --- keyboard -------------------------------------------------------------------

enum KeyboardGroup : std::size_t {
    kKbFx,           // direction checks and their labels
    kKbColour,       // the palette
    kKbCycle,        // colour-cycle check
    kKbSpeed,        // speed slider
    kKbSameMode,     // shared with the other devices
    kKbColourShow,   // sample of the single colour
    kKbCustomTool,   // painting tools
    kKbCustomSelect, // custom layer selector
    kKbCustomColour, // paint colour sample
    kKbRgb,          // the three colour edits
    kKbColourLump,   // the whole colour block
    kKeyboardGroupCount
};
inline constexpr std::array<const char*, kKeyboardGroupCount> kKeyboardGroupNames = {
    "kb_deng_fx_layout",           "kb_deng_color_layout",
    "kb_deng_7colorselect_layout", "kb_deng_speed_layout",
    "kb_deng_same_mode",           "kb_deng_color_display_layout",
    "kb_deng_custom_tool_layout",  "kb_deng_custom_select_layout",
    "kb_deng_custom_color_layout", "kb_deng_rgb_layout",
    "kb_deng_color_lump"};

using KeyboardGroups = std::array<bool, kKeyboardGroupCount>;
inline constexpr std::size_t kKeyboardModel0Modes = 17;
inline constexpr std::size_t kKeyboardModel1Modes = 11;
// The custom mode of each model.
inline constexpr std::size_t kKeyboardCustomMode[2] = {8, 6};

namespace detail {
// A mode that uses the single colour or the wheel (colour block with the
// sample), or only the wheel; moving or not; animated or not; shared or not.
struct KeyboardModeUse {
    bool fx;
    bool singleColour; // single colour or wheel: palette, edits, sample, cycle
    bool speed;
    bool same;
    bool custom;
};
constexpr KeyboardGroups GroupsOf(KeyboardModeUse u) {
    KeyboardGroups g{};
    g[kKbFx] = u.fx;
    g[kKbColour] = u.singleColour || u.custom;
    g[kKbRgb] = u.singleColour || u.custom;
    g[kKbColourLump] = u.singleColour || u.custom;
    g[kKbColourShow] = u.singleColour;
    g[kKbCycle] = u.singleColour;
    g[kKbSpeed] = u.speed;
    g[kKbSameMode] = u.same;
    g[kKbCustomTool] = u.custom;
    g[kKbCustomSelect] = u.custom;
    g[kKbCustomColour] = u.custom;
    return g;
}
} // namespace detail

// Model 0, a colour per key.
// clang-format off
inline constexpr std::array<KeyboardGroups, kKeyboardModel0Modes> kKeyboardModel0Groups = {{
    //                    fx     colour speed  same   custom
    detail::GroupsOf({true,  true,  true,  true,  false}), // 0 column wave
    detail::GroupsOf({false, false, true,  true,  false}), // 1 spectrum cycle
    detail::GroupsOf({false, true,  true,  true,  false}), // 2 breathing
    detail::GroupsOf({false, true,  false, true,  false}), // 3 steady
    detail::GroupsOf({false, false, true,  false, false}), // 4 per-key spectrum
    detail::GroupsOf({false, true,  true,  false, false}), // 5 bouncing ripple
    detail::GroupsOf({false, true,  true,  false, false}), // 6 script
    detail::GroupsOf({true,  true,  true,  false, false}), // 7 snake wave
    detail::GroupsOf({false, false, false, false, true}),  // 8 custom
    detail::GroupsOf({false, true,  true,  false, false}), // 9 twinkle
    detail::GroupsOf({true,  false, true,  false, false}), // 10 row bands
    detail::GroupsOf({false, true,  true,  false, false}), // 11 column pulse
    detail::GroupsOf({true,  true,  true,  false, false}), // 12 snake path
    detail::GroupsOf({true,  false, true,  false, false}), // 13 rings
    detail::GroupsOf({true,  true,  true,  false, false}), // 14 fine column wave
    detail::GroupsOf({false, true,  true,  false, false}), // 15 corner ripples
    detail::GroupsOf({false, false, true,  false, false}), // 16 free pulse
}};

// Model 1, one fixed backlight colour: no colour groups except the custom
// layer's paint colour, whose lightness is each painted key's brightness.
inline constexpr std::array<KeyboardGroups, kKeyboardModel1Modes> kKeyboardModel1Groups = {{
    //                    fx     colour speed  same   custom
    detail::GroupsOf({true,  false, true,  true,  false}), // 0 column wave
    detail::GroupsOf({false, false, true,  true,  false}), // 1 breathing
    detail::GroupsOf({false, false, false, true,  false}), // 2 steady
    detail::GroupsOf({false, false, true,  false, false}), // 3 wave rings
    detail::GroupsOf({false, false, true,  false, false}), // 4 script
    detail::GroupsOf({true,  false, true,  false, false}), // 5 snake wave
    detail::GroupsOf({false, false, false, false, true}),  // 6 custom brightness
    detail::GroupsOf({false, false, true,  false, false}), // 7 twinkle
    detail::GroupsOf({false, false, true,  false, false}), // 8 pulse
    detail::GroupsOf({false, false, true,  false, false}), // 9 sweeping pulse
    detail::GroupsOf({true,  false, true,  false, false}), // 10 snake path
}};
// clang-format on

} // namespace zk::pages
