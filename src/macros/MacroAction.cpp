#include "macros/MacroAction.h"

#include <algorithm>

#include "platform/IniFile.h"
#include "settings/KeyTables.h"

namespace zk::macros {

void MacroAction::SetDelay(int ms) {
    ms = std::clamp(ms, 0, 0xFFFF);
    delayLow = static_cast<std::uint8_t>(ms & 0xFF);
    delayHigh = static_cast<std::uint8_t>(ms >> 8);
}

std::string FormatActionLine(const MacroAction& a) {
    std::string line;
    line.reserve(24 + a.name.size());
    for (int value : {int{a.delayLow}, int{a.delayHigh}, int{a.type}, int{a.code}, int{a.down}}) {
        line += std::to_string(value);
        line += ',';
    }
    line += a.name;
    return line;
}

bool ParseActionLine(std::string_view line, MacroAction& action) {
    auto comma = line.rfind(',');
    if (comma == std::string_view::npos)
        return false;
    action.name = std::string(line.substr(comma + 1));
    std::string_view rest = line.substr(0, comma);

    // Splits off the number after the last comma of `rest`.
    auto next = [&rest](int& value) {
        const auto at = rest.rfind(',');
        if (at == std::string_view::npos)
            return false;
        value = platform::ToInt(rest.substr(at + 1));
        rest = rest.substr(0, at);
        return true;
    };
    int value = 0;
    if (!next(value))
        return false;
    action.down = static_cast<std::uint16_t>(value);
    if (!next(value))
        return false;
    action.code = static_cast<std::uint8_t>(value);
    if (!next(value))
        return false;
    action.type = static_cast<std::uint8_t>(value);
    if (!next(value))
        return false;
    action.delayHigh = static_cast<std::uint8_t>(value);
    action.delayLow = static_cast<std::uint8_t>(platform::ToInt(rest));
    return true;
}

MacroAction ActionFromLine(std::string_view line) {
    MacroAction action;
    if (!ParseActionLine(line, action))
        action = MacroAction{};
    return action;
}

const std::array<MouseActionRow, 16> MouseActionTable = {{
    {0x201, 0x01, 0x81, "mouse_key_left"},
    {0x202, 0x01, 0x01, "mouse_key_left"},
    {0x204, 0x02, 0x81, "mouse_key_right"},
    {0x205, 0x02, 0x01, "mouse_key_right"},
    {0x207, 0x04, 0x81, "mouse_key_middle"},
    {0x208, 0x04, 0x01, "mouse_key_middle"},
    {0x20B, 0x10, 0x81, "mouse_key_forward"},
    {0x20C, 0x10, 0x01, "mouse_key_forward"},
    {0x20B, 0x08, 0x81, "mouse_key_back"},
    {0x20C, 0x08, 0x01, "mouse_key_back"},
    {4, 0, 0x84, "mouse_move_to_left_text"},
    {4, 0, 0x04, "mouse_move_to_right_text"},
    {5, 0, 0x85, "mouse_move_to_up_text"},
    {5, 0, 0x05, "mouse_move_to_down_text"},
    {0x20A, 0, 0, "mouse_cursor_text"},
    {0, 0, 0, "mouse_text"},
}};

bool ApplyKeyboardRow(MacroAction& action, std::size_t row) {
    if (row >= settings::kMacroKeyRows)
        return false;
    const auto& key = settings::KeyboardKeyTable[row];
    const std::uint8_t direction = action.type & kDirectionBit;
    if (key.p2 != 0) {
        action.code = key.p2;
        action.type = direction | action_class::kKey;
    } else if (key.p1 != 0) {
        action.code = key.p1;
        action.type = direction | action_class::kModifier;
    }
    action.name = std::string(settings::KeyboardKeyName(row));
    return true;
}

std::optional<std::size_t> KeyboardRowOf(const MacroAction& action) {
    const auto actionClass = action.ActionClass();
    for (std::size_t row = 0; row < settings::kMacroKeyRows; ++row) {
        const auto& key = settings::KeyboardKeyTable[row];
        if ((actionClass == action_class::kKey && key.p2 == action.code) ||
            (actionClass == action_class::kModifier && key.p1 == action.code))
            return row;
    }
    return std::nullopt;
}

std::optional<std::size_t> MouseActionRowOf(const MacroAction& action) {
    for (std::size_t row = 0; row < 10; ++row)
        if (MouseActionTable[row].buttonBit == action.code &&
            MouseActionTable[row].type == action.type)
            return row;
    const bool negative = (action.type & kDirectionBit) != 0;
    if (action.ActionClass() == action_class::kHorizontalMove)
        return negative ? 10 : 11;
    if (action.ActionClass() == action_class::kVerticalMove)
        return negative ? 12 : 13;
    return std::nullopt;
}

} // namespace zk::macros
