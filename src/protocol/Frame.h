#pragma once

// The 64-byte report frame of the configuration interface, its checksum, the
// command codes and the result codes that every device command returns.
//
//   ReportFrame         request (output report) and response (input report)
//   FrameChecksum(f)    16-bit sum of bytes 3..63 into bytes 1 (low) and 2 (high)
//   BuildRequest(...)   zeroed frame with report ID, command, byte 4, address,
//                       data and checksum
//   StatusResult(s)     response status byte -> kResultOk / kResultRefused /
//                       kResultFailed
//   ChunkLength(k, L)   length of the block-transfer chunk at offset k of L

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace zk::protocol {

// Result codes of a transaction and of every command.
inline constexpr int32_t kResultOk = 1;            // success
inline constexpr int32_t kResultNone = 0;          // not connected, or no response
inline constexpr int32_t kResultWriteFailed = -1;  // writing the request failed
inline constexpr int32_t kResultRefused = -102;    // status 0xFF
inline constexpr int32_t kResultFailed = -103;     // status 0xFE
inline constexpr int32_t kResultOutOfRange = -201; // argument out of range, nothing sent

inline constexpr std::size_t kFrameSize = 64;
inline constexpr std::size_t kFrameDataSize = 56;
inline constexpr uint8_t kReportId = 0x04;
inline constexpr uint8_t kStatusRefused = 0xFF;
inline constexpr uint8_t kStatusFailed = 0xFE;

// Command codes (byte 3 of the request).
enum class Command : uint8_t {
    Start = 0x01,
    Finish = 0x02,
    ReadCapabilities = 0x03,
    ReadData = 0x05,
    WriteData = 0x06,
    ReadDefaultBlock = 0x07,
    ReadProfileBlock = 0x08,
    WriteProfileBlock = 0x09,
    WriteMacroArea = 0x15,
};

inline constexpr uint8_t kCapabilityLength = 0x21;   // byte 4 of CmdReadCapabilities
inline constexpr uint16_t kProfileBlockStride = 126; // button-area address step per profile
inline constexpr int kProfileBlockCount = 5;         // profile numbers 0..4 are valid
inline constexpr uint16_t kDefaultBlockLength = 512;

// Request and response frame. The response carries its status in byte 7
// (`status`); a request always has 0 there.
struct ReportFrame {
    uint8_t reportId;
    uint8_t checksumLow;
    uint8_t checksumHigh;
    uint8_t command;
    uint8_t length; // data length 0..56, or a command argument
    uint8_t addressLow;
    uint8_t addressHigh;
    uint8_t status;
    uint8_t data[kFrameDataSize];
};
static_assert(sizeof(ReportFrame) == kFrameSize);
static_assert(offsetof(ReportFrame, checksumLow) == 1);
static_assert(offsetof(ReportFrame, checksumHigh) == 2);
static_assert(offsetof(ReportFrame, command) == 3);
static_assert(offsetof(ReportFrame, length) == 4);
static_assert(offsetof(ReportFrame, addressLow) == 5);
static_assert(offsetof(ReportFrame, addressHigh) == 6);
static_assert(offsetof(ReportFrame, status) == 7);
static_assert(offsetof(ReportFrame, data) == 8);

using FrameBytes = std::array<uint8_t, kFrameSize>;

FrameBytes ToBytes(const ReportFrame& frame);
ReportFrame FromBytes(std::span<const uint8_t> bytes); // missing bytes read as 0

// Sum of bytes 3..63 modulo 65536.
uint16_t ChecksumOf(const ReportFrame& frame);
// Fills bytes 1 and 2 of the frame with its checksum, little-endian.
void FrameChecksum(ReportFrame& frame);

inline uint16_t FrameAddress(const ReportFrame& frame) {
    return static_cast<uint16_t>(frame.addressLow | (frame.addressHigh << 8));
}

// A zeroed request with report ID 0x04, the command, byte 4, the address
// little-endian in bytes 5-6, at most 56 data bytes from byte 8 and its
// checksum. Data beyond 56 bytes is not taken.
ReportFrame BuildRequest(Command command, uint8_t byte4, uint16_t address,
                         std::span<const uint8_t> data = {});

int32_t StatusResult(uint8_t status);

// Chunk length at offset k of a block transfer of L bytes: 56, or L - k for
// the last chunk (0 when k >= L).
inline uint32_t ChunkLength(uint32_t offset, uint32_t total) {
    if (offset >= total)
        return 0;
    return offset + kFrameDataSize < total ? static_cast<uint32_t>(kFrameDataSize) : total - offset;
}

} // namespace zk::protocol
