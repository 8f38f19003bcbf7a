#pragma once

// Device channel: one per device kind, owned by the main window. It holds the
// identity of its device, the connected flag, the HID interface and the
// transaction lock, and it performs every command of the device protocol.
//
// API summary (all commands return the result codes of protocol/Frame.h:
// 1 ok, 0 not connected / no answer, -1 write failed, -102 status 0xFF,
// -103 status 0xFE, -201 argument out of range and nothing sent):
//
//   Transact(request, response, bytesRead)   one request, up to 4 attempts of
//                                            write + 300 ms read; the lock is
//                                            held from each write to the end
//                                            of its read; reports left over
//                                            from earlier requests are dropped
//                                            before the first write
//   CmdStart()                               0x01
//   CmdFinish()                              waits `finishPause` (10 ms), then 0x02
//   CmdReadCapabilities(dest)                0x03, 33 bytes into dest[0..32]
//   CmdReadData(dest, length, address)       0x05, length 0..56 bytes into dest
//   CmdWriteData(src, length, address)       0x06, length 0..56 bytes from src
//   CmdReadDefaultBlock(dest)                0x07, blockLength bytes
//   CmdReadProfileBlock(dest, profile)       0x08, blockLength bytes at profile x 126
//   CmdWriteProfileBlock(src, profile)       0x09, blockLength bytes at profile x 126
//   CmdWriteMacroArea(src, totalLength)      0x15, totalLength bytes from offset 0
//
// Block commands move 56-byte chunks, one transaction each; blockLength is
// re-read before every chunk; a chunk that fails stops the transfer and the
// chunks before it stay delivered. Buffers are spans: a buffer shorter than
// the bytes the command moves yields -201 without traffic, so a command never
// reads or writes beyond the caller's memory.
//
// Detection code takes `transactionLock` for a whole poll step (it is
// recursive) and sets `connected`; every other thread only reads the flags.
//
// Fail fast (the program's window thread; off unless FailFast is called):
//
//   FailFast(budget, notice)   from now on a transaction waits at most
//                              `budget` for its write and answer together and
//                              makes one attempt. A request left unanswered
//                              (or a write that timed out) marks the channel
//                              not answering and returns 0 (-1 for the write);
//                              while it is not answering every transaction
//                              returns 0 at once with no traffic. A probe
//                              thread of the channel takes over the request:
//                              it waits out the rest of the 300 ms answer time,
//                              then writes it again (write + 300 ms read) until
//                              the device answers or goes, pausing 500 ms
//                              between attempts once it counts as stalled:
//                              after four unanswered attempts in all, or a
//                              write that timed out. `notice(false)` then, and
//                              `notice(true)` when it answers again. Both come
//                              from the probe thread. A disconnect ends the
//                              probe and clears the state.
//                              The budget follows the device's pace: an
//                              answer, including one that the probe sees in
//                              its first round (late, but without writing
//                              the request again), raises it at once to
//                              twice that answer time (at most the 300 ms
//                              answer time), so that a slow device is waited
//                              for instead of having every request handed
//                              to the probe; each faster answer brings it a
//                              quarter of the way back, never below the
//                              budget given. A stalled device answers no
//                              first round and never raises it. A
//                              disconnect restores the budget given.
//   IsAnswering()              false from the first unanswered request until
//                              the probe's request is answered
//
// Kept block writes (fail fast only): a block write (commands 9 and 0x15)
// that the connected device left unanswered or did not take is kept, whole,
// so that it reaches the device once it answers; the chunks before the one
// that failed are already on it, the rest would be missing. A block written
// between CmdStart and CmdFinish is kept with its bracket: when any of that
// bracket's commands fails that way, every block of the bracket is kept and
// sent again between Start and Finish. A later write of the same block
// replaces a kept one (kept again only if it fails too); a disconnect drops
// them all, like any write that went nowhere.
//
//   HasKeptBlocks()            a kept block waits
//   ResendKeptBlocks()         while the device answers, writes the kept
//                              blocks again in the order they were kept
//                              (a failure keeps them again); the number of
//                              blocks written
// Fail-fast transactions come from one thread (the window's).

#include "device/HidDevice.h"
#include "protocol/Frame.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace zk::protocol {

inline constexpr int kTransactionAttempts = 4;
inline constexpr uint32_t kResponseTimeoutMs = 300;
inline constexpr int kFinishPauseMs = 10;
// Pause of the probe between rounds of attempts at a stalled device.
inline constexpr std::chrono::milliseconds kProbePause{500};

class DeviceChannel {
public:
    DeviceChannel() = default;
    ~DeviceChannel();
    DeviceChannel(const DeviceChannel&) = delete;
    DeviceChannel& operator=(const DeviceChannel&) = delete;

    // Identity (written once before the detection threads start) and state.
    std::atomic<uint16_t> blockLength{kDefaultBlockLength};
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t usage = 0;
    uint16_t usagePage = 0;
    std::atomic<int32_t> connected{0};
    std::atomic<int32_t> effectPause{0};
    // The device's pause before the Finish command; set before the first
    // command. Only an emulated device that needs no pause may have it shortened.
    std::chrono::milliseconds finishPause{kFinishPauseMs};
    device::CHidDevice hid;
    std::recursive_mutex transactionLock;

    bool IsConnected() const { return connected.load() != 0; }
    // Sets the identity; clears connected and effectPause.
    void SetIdentity(uint16_t vendor, uint16_t product, uint16_t hidUsage, uint16_t hidUsagePage);
    // Clears the connected flag and the effect pause flag together.
    void MarkDisconnected();

    int32_t Transact(const ReportFrame& request, ReportFrame& response, uint32_t& bytesRead);

    // Called with false when the device stopped answering, true when it answers again.
    using AnswerNotice = std::function<void(bool answering)>;
    // Call before the first transaction; `budget` of 0 turns fail fast off.
    void FailFast(std::chrono::milliseconds budget, AnswerNotice notice = {});
    bool IsAnswering() const { return answering_.load(); }

    int32_t CmdStart();
    int32_t CmdFinish();
    int32_t CmdReadCapabilities(std::span<uint8_t> dest);
    int32_t CmdReadData(std::span<uint8_t> dest, uint8_t length, uint16_t address);
    int32_t CmdWriteData(std::span<const uint8_t> src, uint8_t length, uint16_t address);
    int32_t CmdReadDefaultBlock(std::span<uint8_t> dest);
    int32_t CmdReadProfileBlock(std::span<uint8_t> dest, int profile);
    int32_t CmdWriteProfileBlock(std::span<const uint8_t> src, int profile);
    int32_t CmdWriteMacroArea(std::span<const uint8_t> src, uint32_t totalLength);

    bool HasKeptBlocks() const;
    int ResendKeptBlocks();
    // True when a connected device did not take a write that returned
    // `result` (no answer, or the write failed): it may take it once it answers.
    bool Unanswered(int32_t result) const;

private:
    static constexpr int kMaxStaleReports = 16;
    // One bounded attempt of a fail-fast transaction.
    int32_t TransactOnce(const FrameBytes& out, ReportFrame& response, uint32_t& bytesRead);
    // Marks the channel not answering and hands `request` to the probe.
    void HandToProbe(const FrameBytes& request, bool written, std::chrono::milliseconds waited);
    void Probe(FrameBytes request, bool written, std::chrono::milliseconds waited);
    // Moves the budget after an answer that took `answerTime`.
    void FollowPace(std::chrono::milliseconds answerTime);
    // Waits `pause` unless the probe is told to stop; false when it is.
    bool ProbePause(std::chrono::milliseconds pause);
    void StopProbe();

    // Drops input reports already waiting before a new request is written.
    void DiscardStaleReports();
    // Builds, transacts and maps the status; copies `copyLength` response
    // data bytes into `dest` on acceptance.
    int32_t Run(Command command, uint8_t byte4, uint16_t address, std::span<const uint8_t> data,
                std::span<uint8_t> dest, std::size_t copyLength);
    // Chunked transfer of commands 7, 8, 9 (total = blockLength, re-read per
    // chunk when `fromBlockLength`) and 0x15.
    int32_t ReadChunks(Command command, uint16_t base, std::span<uint8_t> dest);
    int32_t WriteChunks(Command command, uint16_t base, std::span<const uint8_t> src,
                        bool fromBlockLength, uint32_t total);

    // A block write as it can be written again.
    struct KeptBlock {
        Command command;
        uint16_t base;
        bool bracketed;
        std::vector<uint8_t> bytes;
    };
    // WriteChunks, keeping the block when the device did not take it.
    int32_t WriteBlock(Command command, uint16_t base, std::span<const uint8_t> src,
                       bool fromBlockLength, uint32_t total);
    // Notes the outcome of a bracket's Start (`opens`) or Finish.
    void Bracket(bool opens, int32_t result);

    std::atomic<uint32_t> budgetMs_{0};      // in force (following the pace)
    std::atomic<uint32_t> givenBudgetMs_{0}; // as FailFast gave it
    AnswerNotice notice_;
    std::atomic<bool> answering_{true};
    std::mutex probeMutex_;
    std::condition_variable probeWake_;
    bool probeStop_ = false;
    std::thread probe_;

    mutable std::mutex keptMutex_;
    std::vector<KeptBlock> kept_;
    bool bracketOpen_ = false;
    bool bracketFailed_ = false;
    std::vector<KeptBlock> bracket_; // blocks written since the bracket's Start
};

} // namespace zk::protocol
