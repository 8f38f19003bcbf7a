#include "protocol/DeviceChannel.h"

#include <chrono>
#include <cstring>
#include <thread>

namespace zk::protocol {

DeviceChannel::~DeviceChannel() {
    std::lock_guard lock(transactionLock);
    MarkDisconnected();
    vendorId = productId = usage = usagePage = 0;
    hid.Close();
}

void DeviceChannel::SetIdentity(uint16_t vendor, uint16_t product, uint16_t hidUsage,
                                uint16_t hidUsagePage) {
    vendorId = vendor;
    productId = product;
    usage = hidUsage;
    usagePage = hidUsagePage;
    MarkDisconnected();
}

void DeviceChannel::MarkDisconnected() {
    connected.store(0);
    effectPause.store(0);
}

int32_t DeviceChannel::Transact(const ReportFrame& request, ReportFrame& response,
                                uint32_t& bytesRead) {
    bytesRead = 0;
    if (!IsConnected())
        return kResultNone;
    const FrameBytes out = ToBytes(request);
    for (int attempt = 0; attempt < kTransactionAttempts; ++attempt) {
        std::lock_guard lock(transactionLock);
        if (attempt == 0)
            DiscardStaleReports();
        if (!hid.WriteReport(out.data()))
            return kResultWriteFailed;
        // A report shorter than a frame must not leave data of an earlier
        // response behind.
        FrameBytes in{};
        uint32_t got = 0;
        const int result =
            hid.ReadReport(in.data(), static_cast<uint32_t>(in.size()), &got, kResponseTimeoutMs);
        if (result != 0) {
            response = FromBytes(in);
            bytesRead = got;
            return result;
        }
    }
    return kResultNone;
}

void DeviceChannel::DiscardStaleReports() {
    // A response that came after its request had been given up (a slow
    // device answering an earlier attempt) would otherwise be taken as the
    // response to this request.
    FrameBytes stale{};
    uint32_t got = 0;
    for (int i = 0; i < kMaxStaleReports; ++i) {
        if (hid.ReadReport(stale.data(), static_cast<uint32_t>(stale.size()), &got, 0) == 0)
            break;
    }
}

int32_t DeviceChannel::Run(Command command, uint8_t byte4, uint16_t address,
                           std::span<const uint8_t> data, std::span<uint8_t> dest,
                           std::size_t copyLength) {
    const ReportFrame request = BuildRequest(command, byte4, address, data);
    ReportFrame response{};
    uint32_t bytesRead = 0;
    const int32_t result = Transact(request, response, bytesRead);
    if (result != kResultOk)
        return result;
    const int32_t status = StatusResult(response.status);
    if (status != kResultOk)
        return status;
    if (copyLength > 0)
        std::memcpy(dest.data(), response.data, copyLength);
    return kResultOk;
}

int32_t DeviceChannel::CmdStart() {
    return Run(Command::Start, 0, 0, {}, {}, 0);
}

int32_t DeviceChannel::CmdFinish() {
    std::this_thread::sleep_for(std::chrono::milliseconds(kFinishPauseMs));
    return Run(Command::Finish, 0, 0, {}, {}, 0);
}

int32_t DeviceChannel::CmdReadCapabilities(std::span<uint8_t> dest) {
    if (dest.size() < kCapabilityLength)
        return kResultOutOfRange;
    return Run(Command::ReadCapabilities, kCapabilityLength, 0, {}, dest, kCapabilityLength);
}

int32_t DeviceChannel::CmdReadData(std::span<uint8_t> dest, uint8_t length, uint16_t address) {
    if (length > kFrameDataSize || dest.size() < length)
        return kResultOutOfRange;
    return Run(Command::ReadData, length, address, {}, dest, length);
}

int32_t DeviceChannel::CmdWriteData(std::span<const uint8_t> src, uint8_t length,
                                    uint16_t address) {
    if (length > kFrameDataSize || src.size() < length)
        return kResultOutOfRange;
    return Run(Command::WriteData, length, address, src.first(length), {}, 0);
}

int32_t DeviceChannel::ReadChunks(Command command, uint16_t base, std::span<uint8_t> dest) {
    if (dest.size() < blockLength.load())
        return kResultOutOfRange;
    for (uint32_t k = 0; k < blockLength.load(); k += kFrameDataSize) {
        const uint32_t n = ChunkLength(k, blockLength.load());
        if (n == 0)
            break;
        if (k + n > dest.size())
            return kResultOutOfRange; // blockLength grew beyond the buffer
        const int32_t result = Run(command, static_cast<uint8_t>(n),
                                   static_cast<uint16_t>(base + k), {}, dest.subspan(k, n), n);
        if (result != kResultOk)
            return result;
    }
    return kResultOk;
}

int32_t DeviceChannel::WriteChunks(Command command, uint16_t base, std::span<const uint8_t> src,
                                   bool fromBlockLength, uint32_t total) {
    auto length = [&] { return fromBlockLength ? uint32_t{blockLength.load()} : total; };
    if (src.size() < length())
        return kResultOutOfRange;
    // Addresses are 16-bit: a transfer that would wrap is refused up front.
    if (uint32_t{base} + length() > 0x10000u)
        return kResultOutOfRange;
    for (uint32_t k = 0; k < length(); k += kFrameDataSize) {
        const uint32_t n = ChunkLength(k, length());
        if (n == 0)
            break;
        if (k + n > src.size() || uint32_t{base} + k > 0xFFFFu)
            return kResultOutOfRange;
        const int32_t result = Run(command, static_cast<uint8_t>(n),
                                   static_cast<uint16_t>(base + k), src.subspan(k, n), {}, 0);
        if (result != kResultOk)
            return result;
    }
    return kResultOk;
}

int32_t DeviceChannel::CmdReadDefaultBlock(std::span<uint8_t> dest) {
    return ReadChunks(Command::ReadDefaultBlock, 0, dest);
}

int32_t DeviceChannel::CmdReadProfileBlock(std::span<uint8_t> dest, int profile) {
    if (profile < 0 || profile >= kProfileBlockCount)
        return kResultOutOfRange;
    return ReadChunks(Command::ReadProfileBlock,
                      static_cast<uint16_t>(profile * kProfileBlockStride), dest);
}

int32_t DeviceChannel::CmdWriteProfileBlock(std::span<const uint8_t> src, int profile) {
    if (profile < 0 || profile >= kProfileBlockCount)
        return kResultOutOfRange;
    return WriteChunks(Command::WriteProfileBlock,
                       static_cast<uint16_t>(profile * kProfileBlockStride), src, true, 0);
}

int32_t DeviceChannel::CmdWriteMacroArea(std::span<const uint8_t> src, uint32_t totalLength) {
    return WriteChunks(Command::WriteMacroArea, 0, src, false, totalLength);
}

} // namespace zk::protocol
