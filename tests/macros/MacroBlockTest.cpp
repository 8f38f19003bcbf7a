#include <gtest/gtest.h>

#include "macros/MacroBlock.h"
#include "macros/MacroLibrary.h"
#include "support/TempDir.h"

using namespace zk::macros;

namespace {

MacroAction Action(std::uint8_t delayLow, std::uint8_t delayHigh, std::uint8_t type,
                   std::uint8_t code) {
    MacroAction a;
    a.delayLow = delayLow;
    a.delayHigh = delayHigh;
    a.type = type;
    a.code = code;
    a.down = 1;
    a.name = "keyboard_key_A";
    return a;
}

std::vector<std::vector<MacroAction>> MacrosOfSize(std::size_t actions) {
    return {std::vector<MacroAction>(actions, Action(1, 2, 3, 4))};
}

} // namespace

TEST(MacroBlock, EmptyLibraryIsHeaderOnly) {
    const auto block = PackMacroBlock({});
    ASSERT_TRUE(block);
    const std::vector<std::uint8_t> expected = {0xAA, 0x55, 16, 0, 0, 0, 0, 0,
                                                0,    0,    0,  0, 0, 0, 0, 0};
    EXPECT_EQ(*block, expected);
}

TEST(MacroBlock, RecordsFollowTheOffsetTable) {
    const std::vector<std::vector<MacroAction>> macros = {
        {Action(0, 0, 0x8A, 0x04), Action(0x2C, 0x01, 0x0A, 0x04), Action(5, 0, 0x81, 1)},
        {},
    };
    const auto block = PackMacroBlock(macros);
    ASSERT_TRUE(block);
    const std::vector<std::uint8_t> expected = {
        0xAA, 0x55, 40,   0, 2,    0, 0,    0, 0, 0, 0,    0, 0, 0, 0, 0, // header
        20,   0,    36,   0,                                              // offsets
        3,    0,    0,    0,                                              // record 0
        0,    0,    0x8A, 4, 0x2C, 1, 0x0A, 4, 5, 0, 0x81, 1,             //
        0,    0,    0,    0,                                              // record 1
    };
    EXPECT_EQ(*block, expected);
    EXPECT_EQ(MacroBlockSize({3, 0}), 40u);
}

TEST(MacroBlock, CapacityBoundary) {
    // One macro of M actions: 16 + 6 + 4M bytes. Capacity 1 holds 128 bytes.
    EXPECT_FALSE(MacroOverflow(128, 1));
    EXPECT_EQ(MacroOverflow(129, 1), 1);
    EXPECT_EQ(MacroOverflow(264, 2), 3);
    EXPECT_EQ(MacroOverflow(1, 0), 1);
    EXPECT_FALSE(MacroOverflow(255 * 128, 255));

    // A block whose size does not fit its 16-bit field is never made.
    EXPECT_FALSE(PackMacroBlock(MacrosOfSize(16380)));
    ASSERT_TRUE(PackMacroBlock(MacrosOfSize(16378)));
}

TEST(MacroBlock, LibraryIsPackedFromItsFiles) {
    zktest::TempDir dir;
    const MacroLibrary library(dir.path(), kMouseIndexFile);
    EXPECT_EQ(BuildLibraryBlock(library, 10).status, LibraryBlock::Status::Empty);

    ASSERT_EQ(library.AppendName("first"), MacroError::None);
    ASSERT_EQ(library.AppendName("nofile"), MacroError::None);
    ASSERT_EQ(library.WriteActions("first", {Action(1, 0, 0x89, 2), Action(2, 0, 0x09, 2)}),
              MacroError::None);
    // 16 + 12 + 8 = 36 bytes; a macro without a file is an empty record.
    const auto built = BuildLibraryBlock(library, 1);
    ASSERT_EQ(built.status, LibraryBlock::Status::Ready);
    const std::vector<std::uint8_t> expected = {0xAA, 0x55, 36,   0, 2,  0, 0,    0, 0, 0, 0, 0,
                                                0,    0,    0,    0, 20, 0, 32,   0, 2, 0, 0, 0,
                                                1,    0,    0x89, 2, 2,  0, 0x09, 2, 0, 0, 0, 0};
    EXPECT_EQ(built.block, expected);

    // Capacity 0 holds nothing: (36 − 0) div 4 + 1.
    const auto refused = BuildLibraryBlock(library, 0);
    EXPECT_EQ(refused.status, LibraryBlock::Status::TooLarge);
    EXPECT_EQ(refused.overflow, 10);
    EXPECT_TRUE(refused.block.empty());
}

TEST(MacroBlock, ButtonActionsNameTheMacroByIndex) {
    using zk::settings::ButtonAction;
    EXPECT_EQ(MacroButtonAction(4, MacroEndStyle::RepeatCount, 9), (ButtonAction{0x71, 4, 9}));
    EXPECT_EQ(MacroButtonAction(4, MacroEndStyle::ButtonDown, 9), (ButtonAction{0x70, 4, 2}));
    EXPECT_EQ(MacroButtonAction(0, MacroEndStyle::ButtonUp, 9), (ButtonAction{0x70, 0, 1}));
}
