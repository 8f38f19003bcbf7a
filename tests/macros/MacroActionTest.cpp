#include <gtest/gtest.h>

#include "macros/MacroAction.h"

using namespace zk::macros;

TEST(ActionLine, ParsesFieldsAndTruncatesNumbers) {
    MacroAction a;
    ASSERT_TRUE(ParseActionLine("5,1,129,1,1,mouse_key_left", a));
    EXPECT_EQ(a.Delay(), 261);
    EXPECT_EQ(a.type, 0x81);
    EXPECT_EQ(a.ActionClass(), action_class::kMouseButton);
    EXPECT_TRUE(a.IsMouseAction());
    EXPECT_EQ(a.code, 1);
    EXPECT_EQ(a.down, 1);
    EXPECT_EQ(a.name, "mouse_key_left");

    ASSERT_TRUE(ParseActionLine("300,0,10,4,1,keyboard_key_A", a));
    EXPECT_EQ(a.delayLow, 44);
    EXPECT_FALSE(a.IsMouseAction());

    // Signs, blanks and trailing text are read as the C runtime reads them;
    // down keeps 16 bits.
    ASSERT_TRUE(ParseActionLine(" -1, +2,138x,4,70000,", a));
    EXPECT_EQ(a.delayLow, 255);
    EXPECT_EQ(a.delayHigh, 2);
    EXPECT_EQ(a.type, 138);
    EXPECT_EQ(a.down, 70000 & 0xFFFF);
    EXPECT_EQ(a.name, "");
}

TEST(ActionLine, SplitsFromTheRight) {
    MacroAction a;
    // Extra commas stay in the first field, which reads up to its first comma.
    ASSERT_TRUE(ParseActionLine("7,9,1,2,3,4,keyboard_key_<", a));
    EXPECT_EQ(a.delayLow, 7);
    EXPECT_EQ(a.delayHigh, 1);
    EXPECT_EQ(a.type, 2);
    EXPECT_EQ(a.code, 3);
    EXPECT_EQ(a.down, 4);
    EXPECT_EQ(a.name, "keyboard_key_<");
}

TEST(ActionLine, RejectsShortLinesKeepingWhatWasParsed) {
    MacroAction a;
    a.delayLow = 11;
    a.delayHigh = 22;
    a.type = 33;
    EXPECT_FALSE(ParseActionLine("9,10,4,1,mouse_key_right", a));
    EXPECT_EQ(a.name, "mouse_key_right");
    EXPECT_EQ(a.down, 1);
    EXPECT_EQ(a.code, 4);
    EXPECT_EQ(a.type, 10);
    EXPECT_EQ(a.delayHigh, 22);
    EXPECT_EQ(a.delayLow, 11);

    MacroAction untouched;
    untouched.name = "keep";
    EXPECT_FALSE(ParseActionLine("0", untouched));
    EXPECT_EQ(untouched.name, "keep");

    // A fresh action from a rejected line is all zeros.
    EXPECT_EQ(ActionFromLine("1,2,3,4,name"), MacroAction{});
    EXPECT_EQ(ActionFromLine(""), MacroAction{});
}

TEST(ActionLine, FormatReadsBack) {
    MacroAction a;
    a.SetDelay(70000);
    EXPECT_EQ(a.Delay(), 65535);
    a.SetDelay(-5);
    EXPECT_EQ(a.Delay(), 0);
    a.SetDelay(120);
    a.type = 0x0A;
    a.code = 4;
    a.down = 0;
    a.name = "keyboard_key_A";
    EXPECT_EQ(FormatActionLine(a), "120,0,10,4,0,keyboard_key_A");
    EXPECT_EQ(ActionFromLine(FormatActionLine(a)), a);
}

TEST(MouseActions, ButtonRowsPairPressWithRelease) {
    for (std::size_t i = 0; i < 10; i += 2) {
        const auto& press = MouseActionTable[i];
        const auto& release = MouseActionTable[i + 1];
        EXPECT_EQ(press.buttonBit, release.buttonBit);
        EXPECT_EQ(press.name, release.name);
        EXPECT_EQ(press.type, kDirectionBit | action_class::kMouseButton);
        EXPECT_EQ(release.type, action_class::kMouseButton);
        EXPECT_EQ(release.messageCode, press.messageCode + 1);
    }
    EXPECT_EQ(MouseActionTable[10].type & 0x7F, action_class::kHorizontalMove);
    EXPECT_EQ(MouseActionTable[13].type, action_class::kVerticalMove);
    EXPECT_EQ(MouseActionTable[15].name, "mouse_text");
}

TEST(MacroKeys, ChoosingAKeySetsClassAndCodeKeepingDirection) {
    MacroAction a = ActionFromLine("30,0,138,4,1,keyboard_key_A");
    ASSERT_TRUE(ApplyKeyboardRow(a, 1)); // LShift
    EXPECT_EQ(a.type, 0x89);
    EXPECT_EQ(a.code, 0x02);
    EXPECT_EQ(a.name, "keyboard_key_LShift");
    EXPECT_EQ(a.Delay(), 30);
    ASSERT_TRUE(ApplyKeyboardRow(a, 8)); // A
    EXPECT_EQ(a.type, 0x8A);
    EXPECT_EQ(a.code, 0x04);

    a.type = 0x0A;
    ASSERT_TRUE(ApplyKeyboardRow(a, 53));
    EXPECT_EQ(a.type, 0x0A);
    EXPECT_EQ(a.name, "keyboard_key_xiegang");
    EXPECT_FALSE(ApplyKeyboardRow(a, 104)); // consumer keys are no macro keys
    EXPECT_EQ(a.name, "keyboard_key_xiegang");

    // Every macro key is found again from the action it makes.
    for (std::size_t row = 0; row < 104; ++row) {
        MacroAction b;
        ASSERT_TRUE(ApplyKeyboardRow(b, row));
        EXPECT_EQ(KeyboardRowOf(b), row);
    }
    EXPECT_FALSE(KeyboardRowOf(ActionFromLine("0,0,138,255,1,x")));
}

TEST(MacroKeys, MouseActionsFindTheirChooserRow) {
    for (std::size_t row = 0; row < 10; ++row) {
        MacroAction a;
        a.type = MouseActionTable[row].type;
        a.code = MouseActionTable[row].buttonBit;
        EXPECT_EQ(MouseActionRowOf(a), row);
    }
    EXPECT_EQ(MouseActionRowOf(ActionFromLine("0,0,132,40,1,x")), 10u);
    EXPECT_EQ(MouseActionRowOf(ActionFromLine("0,0,4,40,0,x")), 11u);
    EXPECT_EQ(MouseActionRowOf(ActionFromLine("0,0,133,40,1,x")), 12u);
    EXPECT_EQ(MouseActionRowOf(ActionFromLine("0,0,5,0,0,x")), 13u);
    EXPECT_FALSE(MouseActionRowOf(ActionFromLine("0,0,129,32,1,x")));
}
