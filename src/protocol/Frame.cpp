#include "protocol/Frame.h"

#include <algorithm>
#include <cstring>

namespace zk::protocol {

FrameBytes ToBytes(const ReportFrame& frame) {
    FrameBytes bytes{};
    std::memcpy(bytes.data(), &frame, kFrameSize);
    return bytes;
}

ReportFrame FromBytes(std::span<const uint8_t> bytes) {
    ReportFrame frame{};
    std::memcpy(&frame, bytes.data(), std::min(bytes.size(), kFrameSize));
    return frame;
}

uint16_t ChecksumOf(const ReportFrame& frame) {
    const FrameBytes bytes = ToBytes(frame);
    uint32_t sum = 0;
    for (std::size_t i = 3; i < kFrameSize; ++i)
        sum += bytes[i];
    return static_cast<uint16_t>(sum & 0xFFFFu);
}

void FrameChecksum(ReportFrame& frame) {
    const uint16_t sum = ChecksumOf(frame);
    frame.checksumLow = static_cast<uint8_t>(sum & 0xFF);
    frame.checksumHigh = static_cast<uint8_t>(sum >> 8);
}

ReportFrame BuildRequest(Command command, uint8_t byte4, uint16_t address,
                         std::span<const uint8_t> data) {
    ReportFrame frame{};
    frame.reportId = kReportId;
    frame.command = static_cast<uint8_t>(command);
    frame.length = byte4;
    frame.addressLow = static_cast<uint8_t>(address & 0xFF);
    frame.addressHigh = static_cast<uint8_t>(address >> 8);
    frame.status = 0;
    const std::size_t n = std::min(data.size(), kFrameDataSize);
    if (n > 0)
        std::memcpy(frame.data, data.data(), n);
    FrameChecksum(frame);
    return frame;
}

int32_t StatusResult(uint8_t status) {
    switch (status) {
    case kStatusRefused:
        return kResultRefused;
    case kStatusFailed:
        return kResultFailed;
    default:
        return kResultOk;
    }
}

} // namespace zk::protocol
