#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <map>
#include <set>

#include "settings/KeyTables.h"

using namespace zk::settings;

namespace {

ActionLabel LabelOf(std::uint8_t type, std::uint8_t p1, std::uint8_t p2) {
    return DisplayKeyOf(ButtonAction{type, p1, p2}, nullptr);
}

ActionLabel Key(std::string_view key) {
    return ActionLabel{ActionLabel::Kind::ResourceKey, std::string(key)};
}

const ActionLabel kUnchanged{};

template <std::size_t N> void ExpectPositionsInOrder(const std::array<AssignmentEntry, N>& table) {
    for (std::size_t i = 0; i < N; ++i) {
        EXPECT_EQ(table[i].Number(), i);
        EXPECT_EQ(table[i].spare, 0);
    }
}

} // namespace

TEST(KeyTables, SmallTablesAreNumberedByPositionAndTyped) {
    ExpectPositionsInOrder(MouseButtonTable);
    ExpectPositionsInOrder(DpiKeyTable);
    ExpectPositionsInOrder(OfficeKeyTable);
    ExpectPositionsInOrder(MediaKeyTable);
    ExpectPositionsInOrder(SystemKeyTable);
    for (const auto& e : MouseButtonTable)
        EXPECT_EQ(e.type, 0x10);
    for (const auto& e : OfficeKeyTable)
        EXPECT_EQ(e.type, 0x20);
    for (const auto& e : MediaKeyTable)
        EXPECT_EQ(e.type, 0x30);

    // Assigning keeps the action and puts the button index in the number.
    const auto assigned = MediaKeyTable[10].ForButton(3);
    EXPECT_EQ(assigned.Number(), 3);
    EXPECT_EQ(assigned.Action(), (ButtonAction{0x30, 0x26, 0x02})); // stop_key: usage 0x0226
    // The serialised row is little-endian.
    const auto wide = AssignmentEntry::Make(0x0105, 0x40, 4, 0);
    EXPECT_EQ(wide.numberLow, 0x05);
    EXPECT_EQ(wide.numberHigh, 0x01);
}

TEST(KeyTables, KeyboardRowsFollowTheirBlocks) {
    ASSERT_EQ(KeyboardKeyTable.size(), 125u);
    std::set<std::uint8_t> modifierBits;
    for (std::size_t i = 0; i < kModifierRows; ++i) {
        const auto& e = KeyboardKeyTable[i];
        EXPECT_EQ(e.type, 0x20);
        EXPECT_EQ(e.p2, 0);
        EXPECT_EQ(std::popcount(e.p1), 1) << "row " << i;
        modifierBits.insert(e.p1);
    }
    EXPECT_EQ(modifierBits.size(), 8u);

    std::set<std::uint8_t> usages;
    for (std::size_t i = kModifierRows; i < kMacroKeyRows; ++i) {
        const auto& e = KeyboardKeyTable[i];
        EXPECT_EQ(e.type, 0x20) << "row " << i;
        EXPECT_EQ(e.p1, 0) << "row " << i;
        EXPECT_NE(e.p2, 0) << "row " << i;
        EXPECT_TRUE(usages.insert(e.p2).second) << "usage repeated in row " << i;
    }
    // Letters, digits and function keys are contiguous in both codes.
    for (int i = 0; i < 26; ++i) {
        EXPECT_EQ(KeyboardKeyTable[8 + i].Number(), 0x41 + i);
        EXPECT_EQ(KeyboardKeyTable[8 + i].p2, 0x04 + i);
    }
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(KeyboardKeyTable[61 + i].Number(), 0x70 + i);
        EXPECT_EQ(KeyboardKeyTable[61 + i].p2, 0x3A + i);
    }

    for (std::size_t i = kMacroKeyRows; i < 122; ++i)
        EXPECT_EQ(KeyboardKeyTable[i].type, 0x30) << "row " << i;
    for (std::size_t i = 122; i < 125; ++i) {
        EXPECT_EQ(KeyboardKeyTable[i].type, 0x40);
        EXPECT_EQ(KeyboardKeyTable[i].Number(), 0x103 + (i - 122));
        EXPECT_EQ(KeyboardKeyTable[i].p1, SystemKeyTable[i - 122].p1);
    }
}

TEST(KeyTables, VirtualKeyCodesAreUniqueButForTheDoubleMediaSelect) {
    std::map<std::uint16_t, std::vector<std::size_t>> rowsByVk;
    for (std::size_t i = 0; i < KeyboardKeyTable.size(); ++i)
        rowsByVk[KeyboardKeyTable[i].Number()].push_back(i);
    for (const auto& [vk, rows] : rowsByVk) {
        if (vk == 0xB5)
            EXPECT_EQ(rows, (std::vector<std::size_t>{120, 121}));
        else
            EXPECT_EQ(rows.size(), 1u) << "virtual key " << vk;
    }
}

TEST(KeyTables, EveryConsumerKeyOfTheKeyboardIsAMediaKey) {
    for (std::size_t i = kMacroKeyRows; i < 122; ++i) {
        const auto& row = KeyboardKeyTable[i];
        const bool found = std::any_of(MediaKeyTable.begin(), MediaKeyTable.end(),
                                       [&](auto& m) { return m.p1 == row.p1 && m.p2 == row.p2; });
        EXPECT_TRUE(found) << "row " << i;
    }
}

TEST(KeyTables, KeyNamesHaveTheirBlocksAndExactLabels) {
    ASSERT_EQ(KeyNameTable.size(), 190u);
    for (std::size_t i = 0; i < kKeyboardKeyRows; ++i) {
        EXPECT_TRUE(KeyNameTable[i].starts_with("keyboard_key_")) << i;
        EXPECT_GT(KeyNameTable[i].size(), kKeyboardKeyPrefix.size()) << i;
    }
    // Names travel in comma-separated action lines.
    for (auto name : KeyNameTable)
        EXPECT_EQ(name.find(','), std::string_view::npos) << name;

    EXPECT_EQ(KeyboardKeyLabel(53), "xiegang");
    EXPECT_EQ(KeyboardKeyLabel(57), "<");
    EXPECT_EQ(KeyboardKeyLabel(91), "Num Enter");
    EXPECT_EQ(KeyboardKeyLabel(103), "App");
    EXPECT_EQ(KeyboardKeyLabel(105), "Browaer Home");
    EXPECT_EQ(KeyboardKeyLabel(114), "Browser ForWard");
    EXPECT_EQ(KeyboardKeyLabel(120), "Launch Media Select");
    EXPECT_EQ(KeyboardKeyLabel(121), "Launch Media Select");
    EXPECT_EQ(KeyboardKeyLabel(124), "Wakeup");
    EXPECT_EQ(KeyboardKeyName(200), "");

    EXPECT_EQ(KeyNameTable[key_name_row::kMouseEvent], "mouse_key_left");
    EXPECT_EQ(KeyNameTable[key_name_row::kMouseEvent + 15], "mouse_text");
    EXPECT_EQ(KeyNameTable[key_name_row::kGun + 3], "GUN_4");
    EXPECT_EQ(KeyNameTable[key_name_row::kFire], "mouse_key_fire_key");
    EXPECT_EQ(KeyNameTable[189], "mouse_key_right_Swing");
}

TEST(KeyTables, EveryReadyMadeEntryIsLabelledFromItsOwnBlock) {
    const std::array<std::string_view, 5> mouse = {"mouse_key_left", "mouse_key_middle",
                                                   "mouse_key_right", "mouse_key_forward",
                                                   "mouse_key_back"};
    for (std::size_t i = 0; i < MouseButtonTable.size(); ++i)
        EXPECT_EQ(DisplayKeyOf(MouseButtonTable[i].Action(), nullptr), Key(mouse[i]));
    EXPECT_EQ(DisplayKeyOf(DpiKeyTable[2].Action(), nullptr), Key("mouse_key_DPI_loop"));
    EXPECT_EQ(DisplayKeyOf(SystemKeyTable[2].Action(), nullptr), Key("system_wake_up"));

    std::set<std::string> mediaLabels;
    for (const auto& e : MediaKeyTable) {
        auto label = DisplayKeyOf(e.Action(), nullptr);
        EXPECT_EQ(label.kind, ActionLabel::Kind::ResourceKey);
        mediaLabels.insert(label.text);
        // Type 0x21 is labelled as a consumer key.
        EXPECT_EQ(DisplayKeyOf(ButtonAction{0x21, e.p1, e.p2}, nullptr), label);
    }
    EXPECT_EQ(mediaLabels.size(), MediaKeyTable.size());
    EXPECT_EQ(DisplayKeyOf(MediaKeyTable[10].Action(), nullptr), Key("wed_stop"));
    EXPECT_EQ(LabelOf(0x30, 0xB7, 0x00), Key("media_stop"));
}

TEST(KeyTables, KeyboardActionsPreferTheCombinationName) {
    EXPECT_EQ(LabelOf(0x20, 0x01, 0x06), Key("combo_copy"));
    EXPECT_EQ(LabelOf(0x20, 0x00, 0x04), Key("keyboard_key_A"));
    EXPECT_EQ(LabelOf(0x20, 0x00, 0x09), Key("keyboard_key_F"));
    EXPECT_EQ(LabelOf(0x20, 0x01, 0x09), Key("combo_finde"));
    EXPECT_EQ(LabelOf(0x20, 0x02, 0x00), Key("keyboard_key_LShift"));
    EXPECT_EQ(LabelOf(0x00, 0x00, 0x28), Key("keyboard_key_Enter"));
    // Combinations without a display key of their own do not borrow a media name.
    EXPECT_EQ(LabelOf(0x20, 0x01, 0x13), kUnchanged); // Ctrl+P
    EXPECT_EQ(LabelOf(0x20, 0x04, 0x3D), kUnchanged); // Alt+F4
    // A keyboard action is never named after a consumer key with the same bytes.
    EXPECT_EQ(LabelOf(0x20, 0xE9, 0x00), kUnchanged);
    EXPECT_EQ(LabelOf(0x20, 0x00, 0xFF), kUnchanged);
}

TEST(KeyTables, OtherTypesFollowTheirRule) {
    EXPECT_EQ(LabelOf(0x11, 0x23, 0x7F), Key("mouse_key_left_Swing"));
    EXPECT_EQ(LabelOf(0x11, 0x23, 0x80), Key("mouse_key_right_Swing"));
    EXPECT_EQ(LabelOf(0x12, 0x00, 0x00), Key("mouse_key_up_Swing"));
    EXPECT_EQ(LabelOf(0x12, 0x00, 0xFF), Key("mouse_key_down_Swing"));
    EXPECT_EQ(LabelOf(0x14, 0x01, 0x02), Key("mouse_key_fire_key"));
    EXPECT_EQ(LabelOf(0x72, 0x02, 0x00), Key("GUN_3"));
    EXPECT_EQ(LabelOf(0x72, 0xFF, 0x00), kUnchanged);
    for (std::uint8_t keep : {0x15, 0x50, 0x60, 0xA0, 0xB0, 0xC0})
        EXPECT_EQ(LabelOf(keep, 1, 1), kUnchanged) << int(keep);
    for (std::uint8_t other : {0x01, 0x22, 0x73, 0xFF})
        EXPECT_EQ(LabelOf(other, 0, 0), Key("close_text")) << int(other);
    // No matching entry keeps the label.
    EXPECT_EQ(LabelOf(0x10, 0x20, 0), kUnchanged);
    EXPECT_EQ(LabelOf(0x13, 0x04, 0), kUnchanged);
    EXPECT_EQ(LabelOf(0x30, 0x00, 0x00), kUnchanged);
    EXPECT_EQ(LabelOf(0x40, 0x08, 0), kUnchanged);
}

TEST(KeyTables, MacroActionsShowTheMacroNameAsText) {
    const std::vector<std::string> names = {"macro1", "Burst"};
    MacroNameLookup lookup = [&](std::uint8_t i) -> std::optional<std::string> {
        if (i < names.size())
            return names[i];
        return std::nullopt;
    };
    EXPECT_EQ(DisplayKeyOf(ButtonAction{0x70, 1, 2}, lookup),
              (ActionLabel{ActionLabel::Kind::Text, "Burst"}));
    EXPECT_EQ(DisplayKeyOf(ButtonAction{0x71, 0, 5}, lookup),
              (ActionLabel{ActionLabel::Kind::Text, "macro1"}));
    EXPECT_EQ(DisplayKeyOf(ButtonAction{0x71, 2, 5}, lookup), kUnchanged);
    EXPECT_EQ(DisplayKeyOf(ButtonAction{0x70, 0, 1}, nullptr), kUnchanged);
}

TEST(KeyTables, CaptureTakesKeyboardKeysOnly) {
    const auto enter = CaptureKey(0x0D, 0);
    ASSERT_TRUE(enter);
    EXPECT_EQ(enter->action, (ButtonAction{0x20, 0x00, 0x28}));
    EXPECT_EQ(enter->label, "Enter");
    EXPECT_EQ(enter->displayKey, "keyboard_key_Enter");
    for (std::uint32_t flags : {0x01u, 0x81u}) {
        const auto keypad = CaptureKey(0x0D, flags);
        ASSERT_TRUE(keypad);
        EXPECT_EQ(keypad->action.p2, 0x58);
        EXPECT_EQ(keypad->label, "Num Enter");
    }
    EXPECT_EQ(CaptureKey(0x0D, 0x80)->action.p2, 0x28); // released, not extended

    const auto rshift = CaptureKey(0xA1, 0);
    ASSERT_TRUE(rshift);
    EXPECT_EQ(rshift->action, (ButtonAction{0x20, 0x20, 0x00}));
    EXPECT_EQ(rshift->label, "RShift");
    EXPECT_EQ(CaptureKey(0xDC, 0)->label, "xiegang");

    EXPECT_FALSE(CaptureKey(0xAF, 0));  // Volume Up
    EXPECT_FALSE(CaptureKey(0x103, 0)); // Power
    EXPECT_FALSE(CaptureKey(0x07, 0));  // no such key
    EXPECT_FALSE(CaptureKey(0x10041, 0));
}

TEST(KeyTables, ButtonNamesPerLanguage) {
    EXPECT_EQ(BuiltInButtonName(2, 1), "Средняя кнопка");
    EXPECT_EQ(BuiltInButtonName(2, 0), "Middle Click");
    EXPECT_EQ(BuiltInButtonName(6, -1), "DPI Loop");
    EXPECT_EQ(RestoreButtonName(6, 0), "DPI loop");
    EXPECT_EQ(RestoreButtonName(6, 1), "DPI循环");
    EXPECT_EQ(RestoreButtonName(3, 1), "右键");
    EXPECT_EQ(ButtonNameResourceKey(7), "mouse_key_DPI_sub");
    EXPECT_EQ(BuiltInButtonName(1, 0), "");
    EXPECT_EQ(RestoreButtonName(8, 1), "");
}
