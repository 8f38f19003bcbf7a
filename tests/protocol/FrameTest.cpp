#include "protocol/Frame.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

using namespace zk::protocol;

TEST(Frame, ChecksumCoversBytesThreeToSixtyThreeLittleEndian) {
    // Block read of 56 bytes at address 0: 0x07 + 0x38.
    ReportFrame block = BuildRequest(Command::ReadDefaultBlock, 0x38, 0);
    EXPECT_EQ(block.checksumLow, 0x3F);
    EXPECT_EQ(block.checksumHigh, 0x00);

    ReportFrame start = BuildRequest(Command::Start, 0, 0);
    EXPECT_EQ(start.checksumLow, 0x01);
    EXPECT_EQ(start.checksumHigh, 0x00);

    // Full data area: the sum needs the high byte, and the report ID and the
    // checksum bytes themselves are not part of it.
    std::vector<uint8_t> data(56, 0xFF);
    ReportFrame full = BuildRequest(Command::WriteData, 56, 0x1234, data);
    const unsigned expected = 0x06 + 56 + 0x34 + 0x12 + 56 * 0xFF;
    EXPECT_EQ(full.checksumLow, expected & 0xFF);
    EXPECT_EQ(full.checksumHigh, expected >> 8);
    EXPECT_EQ(ChecksumOf(full), expected);
}

TEST(Frame, RequestLayout) {
    std::vector<uint8_t> data(60);
    std::iota(data.begin(), data.end(), uint8_t{1});
    const ReportFrame f = BuildRequest(Command::WriteProfileBlock, 8, 630, data);
    const FrameBytes b = ToBytes(f);
    EXPECT_EQ(b[0], 0x04);
    EXPECT_EQ(b[3], 0x09);
    EXPECT_EQ(b[4], 8);
    EXPECT_EQ(b[5], 0x76);
    EXPECT_EQ(b[6], 0x02);
    EXPECT_EQ(b[7], 0);
    // Only 56 data bytes fit; the rest of the caller's data is not taken.
    for (size_t i = 0; i < 56; ++i)
        EXPECT_EQ(b[8 + i], data[i]) << i;
    EXPECT_EQ(FromBytes(b).addressHigh, 0x02);
    EXPECT_EQ(FrameAddress(f), 630);

    // Data shorter than the frame leaves the rest zero.
    const std::vector<uint8_t> three{0xAA, 0xBB, 0xCC};
    const FrameBytes s = ToBytes(BuildRequest(Command::WriteData, 3, 0, three));
    EXPECT_EQ(s[10], 0xCC);
    for (size_t i = 11; i < 64; ++i)
        EXPECT_EQ(s[i], 0) << i;
}

TEST(Frame, StatusAndChunking) {
    EXPECT_EQ(StatusResult(0xFF), kResultRefused);
    EXPECT_EQ(StatusResult(0xFE), kResultFailed);
    EXPECT_EQ(StatusResult(0x00), kResultOk);
    EXPECT_EQ(StatusResult(0x01), kResultOk);
    EXPECT_EQ(StatusResult(0xFD), kResultOk);

    // 512 bytes: nine chunks of 56 and one of 8; 378 bytes: six of 56 and one of 42.
    auto chunks = [](uint32_t total) {
        std::vector<uint32_t> lengths;
        for (uint32_t k = 0; k < total; k += 56)
            lengths.push_back(ChunkLength(k, total));
        return lengths;
    };
    const auto block = chunks(512);
    ASSERT_EQ(block.size(), 10u);
    EXPECT_EQ(block.back(), 8u);
    EXPECT_EQ(std::accumulate(block.begin(), block.end(), 0u), 512u);
    const auto keys = chunks(378);
    ASSERT_EQ(keys.size(), 7u);
    EXPECT_EQ(keys.back(), 42u);
    EXPECT_EQ(chunks(56), std::vector<uint32_t>{56});
    EXPECT_EQ(chunks(57), (std::vector<uint32_t>{56, 1}));
    EXPECT_EQ(ChunkLength(512, 512), 0u);
}
