#include "ProtocolTestSupport.h"

#include <array>
#include <chrono>
#include <numeric>

using namespace zk::protocol;
using zk::emulator::DeviceKind;
using zk::emulator::MemoryArea;
using zktest::AddressOf;
using Clock = std::chrono::steady_clock;

namespace {

class Commands : public zktest::ChannelOnEmulator {};

TEST_F(Commands, ProfileBlockReadAddressesAndData) {
    const auto buttons = Pattern(MemoryArea::Buttons, 5);
    std::vector<uint8_t> block(512);
    EXPECT_EQ(channel_->CmdReadProfileBlock(block, 1), kResultOk);
    const auto frames = RequestsOf(Command::ReadProfileBlock);
    ASSERT_EQ(frames.size(), 10u);
    EXPECT_EQ(frames.front().frame[5], 0x7E);
    EXPECT_EQ(frames.front().frame[6], 0x00);
    EXPECT_EQ(frames.front().frame[4], 56);
    EXPECT_EQ(frames.back().frame[5], 0x76);
    EXPECT_EQ(frames.back().frame[6], 0x02);
    EXPECT_EQ(frames.back().frame[4], 8);
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(AddressOf(frames[i].frame), 126 + 56 * i);
        EXPECT_TRUE(frames[i].checksumOk);
    }
    EXPECT_TRUE(std::equal(block.begin(), block.end(), buttons.begin() + 126));

    // The last valid profile reaches the end of the button area.
    EXPECT_EQ(channel_->CmdReadProfileBlock(block, 4), kResultOk);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), buttons.begin() + 4 * 126));
}

TEST_F(Commands, ProfileNumberOutOfRangeSendsNothing) {
    std::vector<uint8_t> block(512, 0x33);
    EXPECT_EQ(channel_->CmdReadProfileBlock(block, 5), kResultOutOfRange);
    EXPECT_EQ(channel_->CmdReadProfileBlock(block, 26), kResultOutOfRange);
    EXPECT_EQ(channel_->CmdReadProfileBlock(block, -1), kResultOutOfRange);
    EXPECT_EQ(channel_->CmdWriteProfileBlock(block, 5), kResultOutOfRange);
    EXPECT_EQ(device_->RequestCount(), 0u);
    EXPECT_EQ(block, std::vector<uint8_t>(512, 0x33));
}

TEST_F(Commands, RefusedChunkStopsTransferAndKeepsEarlierChunks) {
    const auto defaults = Pattern(MemoryArea::Defaults, 17);
    std::vector<uint8_t> block(512, 0xEE);
    device_->InjectStatus(0x07, 0xFE, 2);
    EXPECT_EQ(channel_->CmdReadDefaultBlock(block), kResultFailed);
    EXPECT_EQ(RequestsOf(Command::ReadDefaultBlock).size(), 3u);
    EXPECT_TRUE(std::equal(block.begin(), block.begin() + 112, defaults.begin()));
    for (size_t i = 112; i < block.size(); ++i)
        ASSERT_EQ(block[i], 0xEE) << i;

    // A refused write chunk: the chunks before it reached the device.
    device_->ClearRequestLog();
    std::vector<uint8_t> table(512);
    std::iota(table.begin(), table.end(), uint8_t{9});
    const auto before = device_->Memory(MemoryArea::Buttons);
    device_->InjectStatus(0x09, 0xFF, 1);
    EXPECT_EQ(channel_->CmdWriteProfileBlock(table, 0), kResultRefused);
    EXPECT_EQ(RequestsOf(Command::WriteProfileBlock).size(), 2u);
    const auto after = device_->Memory(MemoryArea::Buttons);
    EXPECT_TRUE(std::equal(table.begin(), table.begin() + 56, after.begin()));
    EXPECT_TRUE(std::equal(after.begin() + 56, after.begin() + 112, before.begin() + 56));
}

TEST_F(Commands, WritesReachTheirAreas) {
    // Profile block 2: ten chunks at 252 + k.
    std::vector<uint8_t> table(512);
    std::iota(table.begin(), table.end(), uint8_t{40});
    EXPECT_EQ(channel_->CmdWriteProfileBlock(table, 2), kResultOk);
    const auto buttons = device_->Memory(MemoryArea::Buttons);
    EXPECT_TRUE(std::equal(table.begin(), table.end(), buttons.begin() + 252));
    EXPECT_EQ(AddressOf(RequestsOf(Command::WriteProfileBlock).front().frame), 252);

    // Macro area: 57 bytes as 56 at offset 0 and 1 at offset 56.
    std::vector<uint8_t> macros(57);
    std::iota(macros.begin(), macros.end(), uint8_t{1});
    EXPECT_EQ(channel_->CmdWriteMacroArea(macros, 57), kResultOk);
    const auto frames = RequestsOf(Command::WriteMacroArea);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].frame[4], 56);
    EXPECT_EQ(AddressOf(frames[0].frame), 0);
    EXPECT_EQ(frames[1].frame[4], 1);
    EXPECT_EQ(AddressOf(frames[1].frame), 56);
    EXPECT_EQ(frames[1].frame[8], 57);
    EXPECT_EQ(frames[1].frame[9], 0);
    const auto area = device_->Memory(MemoryArea::Macros);
    EXPECT_TRUE(std::equal(macros.begin(), macros.end(), area.begin()));

    // Single write: exactly `length` bytes at the address, zero beyond.
    const std::array<uint8_t, 4> rate{0x02, 0xA1, 0xA2, 0xA3};
    EXPECT_EQ(channel_->CmdWriteData(rate, 1, 70), kResultOk);
    const auto write = RequestsOf(Command::WriteData).back().frame;
    EXPECT_EQ(write[4], 1);
    EXPECT_EQ(write[8], 0x02);
    EXPECT_EQ(write[9], 0);
    EXPECT_EQ(device_->Memory(MemoryArea::Settings)[70], 0x02);

    // Nothing to move: no traffic.
    const size_t count = device_->RequestCount();
    EXPECT_EQ(channel_->CmdWriteMacroArea(macros, 0), kResultOk);
    EXPECT_EQ(device_->RequestCount(), count);
}

TEST_F(Commands, BuffersShorterThanTheTransferAreRefused) {
    std::vector<uint8_t> small(100, 0x44);
    EXPECT_EQ(channel_->CmdReadDefaultBlock(small), kResultOutOfRange);
    EXPECT_EQ(channel_->CmdWriteProfileBlock(small, 0), kResultOutOfRange);
    EXPECT_EQ(channel_->CmdWriteMacroArea(small, 101), kResultOutOfRange);
    EXPECT_EQ(channel_->CmdReadData(small, 57, 0), kResultOutOfRange);
    std::array<uint8_t, 32> caps{};
    EXPECT_EQ(channel_->CmdReadCapabilities(caps), kResultOutOfRange);
    EXPECT_EQ(device_->RequestCount(), 0u);
    EXPECT_EQ(small, std::vector<uint8_t>(100, 0x44));
}

TEST_F(Commands, CapabilitiesAreThirtyThreeBytes) {
    const auto caps = Pattern(MemoryArea::Capabilities, 77);
    std::array<uint8_t, 40> dest;
    dest.fill(0xC3);
    EXPECT_EQ(channel_->CmdReadCapabilities(dest), kResultOk);
    const auto frames = RequestsOf(Command::ReadCapabilities);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].frame[4], 0x21);
    EXPECT_TRUE(std::equal(dest.begin(), dest.begin() + 33, caps.begin()));
    for (size_t i = 33; i < dest.size(); ++i)
        EXPECT_EQ(dest[i], 0xC3) << i;
}

TEST_F(Commands, FinishWaitsTenMilliseconds) {
    EXPECT_EQ(channel_->CmdStart(), kResultOk);
    const auto called = Clock::now();
    EXPECT_EQ(channel_->CmdFinish(), kResultOk);
    const auto frames = RequestsOf(Command::Finish);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_GE(frames[0].time - called, std::chrono::milliseconds(10));
    EXPECT_EQ(frames[0].frame[4], 0);
}

class KeyboardCommands : public zktest::ChannelOnEmulator {
protected:
    void SetUp() override { OpenOn(DeviceKind::Keyboard); }
};

TEST_F(KeyboardCommands, BlockLengthFollowsTheChannel) {
    const auto buttons = Pattern(MemoryArea::Buttons, 23);
    channel_->blockLength = 378;
    std::vector<uint8_t> block(512, 0);
    EXPECT_EQ(channel_->CmdReadProfileBlock(block, 0), kResultOk);
    const auto frames = RequestsOf(Command::ReadProfileBlock);
    ASSERT_EQ(frames.size(), 7u);
    EXPECT_EQ(frames.back().frame[4], 42);
    EXPECT_TRUE(std::equal(block.begin(), block.begin() + 378, buttons.begin()));
    EXPECT_EQ(block[378], 0);
}

} // namespace
