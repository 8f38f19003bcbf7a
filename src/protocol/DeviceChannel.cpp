#include "protocol/DeviceChannel.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <iterator>
#include <thread>

namespace zk::protocol {

DeviceChannel::~DeviceChannel() {
    StopProbe();
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
    budgetMs_.store(givenBudgetMs_.load()); // the next device has not shown its pace yet
    {
        // Blocks meant for the device that went are not for the next one.
        std::lock_guard lock(keptMutex_);
        kept_.clear();
        bracket_.clear();
        bracketOpen_ = false;
    }
    // A probe of the device that went ends at once.
    std::lock_guard lock(probeMutex_);
    probeWake_.notify_all();
}

void DeviceChannel::FailFast(std::chrono::milliseconds budget, AnswerNotice notice) {
    StopProbe();
    notice_ = std::move(notice);
    givenBudgetMs_.store(static_cast<uint32_t>(std::max<long long>(0, budget.count())));
    budgetMs_.store(givenBudgetMs_.load());
    answering_.store(true);
    std::lock_guard lock(probeMutex_);
    probeStop_ = false;
}

void DeviceChannel::StopProbe() {
    {
        std::lock_guard lock(probeMutex_);
        probeStop_ = true;
        probeWake_.notify_all();
    }
    if (probe_.joinable())
        probe_.join();
}

int32_t DeviceChannel::TransactOnce(const FrameBytes& out, ReportFrame& response,
                                    uint32_t& bytesRead) {
    using Clock = std::chrono::steady_clock;
    const std::chrono::milliseconds budget{budgetMs_.load()};
    std::unique_lock lock(transactionLock);
    DiscardStaleReports();
    const auto start = Clock::now();
    if (!hid.WriteReport(out.data(), static_cast<uint32_t>(budget.count()))) {
        // A device that went fails the write at once; one that stopped
        // reading keeps it waiting to the end of the budget.
        const auto waited = Clock::now() - start;
        lock.unlock();
        if (waited >= budget / 2 && IsConnected())
            HandToProbe(out, false, {});
        return kResultWriteFailed;
    }
    const auto written = Clock::now();
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(budget - (written - start));
    FrameBytes in{};
    uint32_t got = 0;
    const int result = hid.ReadReport(in.data(), static_cast<uint32_t>(in.size()), &got,
                                      static_cast<uint32_t>(std::max<long long>(1, left.count())));
    if (result != 0) {
        FollowPace(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - written));
        response = FromBytes(in);
        bytesRead = got;
        return result;
    }
    lock.unlock();
    if (IsConnected())
        HandToProbe(out, true,
                    std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - written));
    return kResultNone;
}

void DeviceChannel::HandToProbe(const FrameBytes& request, bool written,
                                std::chrono::milliseconds waited) {
    if (!answering_.exchange(false))
        return;
    // A probe that ended (its device answered) is joined before the next one.
    if (probe_.joinable())
        probe_.join();
    probe_ = std::thread([this, request, written, waited] { Probe(request, written, waited); });
}

void DeviceChannel::FollowPace(std::chrono::milliseconds answerTime) {
    const uint32_t given = givenBudgetMs_.load();
    const auto wanted = std::max(given, static_cast<uint32_t>(std::min<long long>(
                                            kResponseTimeoutMs, 2 * answerTime.count())));
    const uint32_t now = budgetMs_.load();
    // Up at once; down a quarter of the way at each faster answer.
    budgetMs_.store(wanted >= now ? wanted : now - (now - wanted + 3) / 4);
}

bool DeviceChannel::ProbePause(std::chrono::milliseconds pause) {
    std::unique_lock lock(probeMutex_);
    probeWake_.wait_for(lock, pause, [this] { return probeStop_ || !IsConnected(); });
    return !probeStop_ && IsConnected();
}

void DeviceChannel::Probe(FrameBytes request, bool written, std::chrono::milliseconds waited) {
    // The first round waits out the rest of the answer time of the request
    // the window thread wrote; every later round writes it again.
    bool writeFirst = !written;
    auto readFor = std::chrono::milliseconds(kResponseTimeoutMs) - waited;
    int attempts = written ? 1 : 0;
    bool announced = false;
    for (;;) {
        {
            std::lock_guard lock(probeMutex_);
            if (probeStop_ || !IsConnected())
                break;
        }
        bool answered = false;
        bool writeFailed = false;
        bool writeRefused = false; // failed at once: the device went
        const auto roundStart = std::chrono::steady_clock::now();
        {
            std::lock_guard lock(transactionLock);
            if (writeFirst) {
                ++attempts;
                const auto start = std::chrono::steady_clock::now();
                writeFailed = hid.WriteReport(request.data()) == 0;
                writeRefused =
                    writeFailed && std::chrono::steady_clock::now() - start <
                                       std::chrono::milliseconds(device::kHidWriteTimeoutMs / 2);
            }
            if (!writeFailed && readFor.count() > 0) {
                FrameBytes in{};
                uint32_t got = 0;
                answered = hid.ReadReport(in.data(), static_cast<uint32_t>(in.size()), &got,
                                          static_cast<uint32_t>(readFor.count())) != 0;
            }
        }
        if (answered) {
            if (!writeFirst)
                FollowPace(waited + std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now() - roundStart));
            answering_.store(true);
            if (announced && notice_)
                notice_(true);
            return;
        }
        if (writeRefused) {
            // Detection takes a device that went off the channel soon.
            if (!ProbePause(kProbePause))
                break;
            continue;
        }
        if (!announced && (writeFailed || attempts >= kTransactionAttempts)) {
            announced = true;
            if (notice_ && IsConnected())
                notice_(false);
        }
        if (announced && !ProbePause(kProbePause))
            break;
        writeFirst = true;
        readFor = std::chrono::milliseconds(kResponseTimeoutMs);
    }
    // The device went (or the channel closes): a new connection starts
    // answering.
    answering_.store(true);
}

int32_t DeviceChannel::Transact(const ReportFrame& request, ReportFrame& response,
                                uint32_t& bytesRead) {
    bytesRead = 0;
    if (!IsConnected())
        return kResultNone;
    const FrameBytes out = ToBytes(request);
    if (budgetMs_.load() > 0) {
        // Fail fast: while the device is not answering the probe has it.
        if (!answering_.load())
            return kResultNone;
        return TransactOnce(out, response, bytesRead);
    }
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
    const int32_t result = Run(Command::Start, 0, 0, {}, {}, 0);
    Bracket(true, result);
    return result;
}

int32_t DeviceChannel::CmdFinish() {
    if (finishPause.count() > 0)
        std::this_thread::sleep_for(finishPause);
    const int32_t result = Run(Command::Finish, 0, 0, {}, {}, 0);
    Bracket(false, result);
    return result;
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
    return WriteBlock(Command::WriteProfileBlock,
                      static_cast<uint16_t>(profile * kProfileBlockStride), src, true, 0);
}

int32_t DeviceChannel::CmdWriteMacroArea(std::span<const uint8_t> src, uint32_t totalLength) {
    return WriteBlock(Command::WriteMacroArea, 0, src, false, totalLength);
}

// --- kept block writes ----------------------------------------------------------------

bool DeviceChannel::Unanswered(int32_t result) const {
    return (result == kResultNone || result == kResultWriteFailed) && IsConnected();
}

int32_t DeviceChannel::WriteBlock(Command command, uint16_t base, std::span<const uint8_t> src,
                                  bool fromBlockLength, uint32_t total) {
    const int32_t result = WriteChunks(command, base, src, fromBlockLength, total);
    if (budgetMs_.load() == 0)
        return result; // no flush writes it again
    const std::size_t length =
        std::min<std::size_t>(fromBlockLength ? blockLength.load() : total, src.size());
    auto same = [&](const KeptBlock& block) {
        return block.command == command && block.base == base;
    };
    // Connected is read under the lock that a disconnect takes to drop the
    // kept blocks, so nothing is kept for a device that went.
    std::lock_guard lock(keptMutex_);
    const bool unanswered = Unanswered(result);
    std::erase_if(kept_, same); // this write supersedes it
    if (bracketOpen_) {
        std::erase_if(bracket_, same);
        bracket_.push_back({command, base, true, {src.begin(), src.begin() + length}});
        bracketFailed_ = bracketFailed_ || unanswered;
    } else if (unanswered) {
        kept_.push_back({command, base, false, {src.begin(), src.begin() + length}});
    }
    return result;
}

void DeviceChannel::Bracket(bool opens, int32_t result) {
    if (budgetMs_.load() == 0)
        return;
    std::lock_guard lock(keptMutex_);
    const bool unanswered = Unanswered(result);
    // A bracket closes with its Finish; one left open closes with the next Start.
    if (bracketOpen_ && (bracketFailed_ || (!opens && unanswered)))
        std::move(bracket_.begin(), bracket_.end(), std::back_inserter(kept_));
    bracket_.clear();
    bracketOpen_ = opens;
    bracketFailed_ = opens && unanswered;
}

bool DeviceChannel::HasKeptBlocks() const {
    std::lock_guard lock(keptMutex_);
    return !kept_.empty();
}

int DeviceChannel::ResendKeptBlocks() {
    std::vector<KeptBlock> blocks;
    {
        std::lock_guard lock(keptMutex_);
        if (!IsConnected() || !answering_.load())
            return 0;
        blocks.swap(kept_);
    }
    int written = 0;
    for (auto block = blocks.begin(); block != blocks.end(); ++block) {
        if (!answering_.load()) {
            // It stopped answering again: the rest wait with the one that failed.
            std::lock_guard lock(keptMutex_);
            if (IsConnected())
                std::move(block, blocks.end(), std::back_inserter(kept_));
            break;
        }
        if (block->bracketed)
            CmdStart();
        // Exactly the bytes kept: a block length of the device never changes
        // while it stays connected.
        WriteBlock(block->command, block->base, block->bytes, false,
                   static_cast<uint32_t>(block->bytes.size()));
        if (block->bracketed)
            CmdFinish();
        ++written;
    }
    return written;
}

} // namespace zk::protocol
