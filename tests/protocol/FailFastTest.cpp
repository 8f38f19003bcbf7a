// A channel in fail-fast mode against an emulated mouse that hangs, stops
// reading, or answers late: the caller never waits beyond the budget, nothing
// is sent while the device is not answering, and the probe finds the device
// again and says so.

#include "ProtocolTestSupport.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

using namespace zk::protocol;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr auto kBudget = 30ms;

class FailFast : public zktest::ChannelOnEmulator {
protected:
    void SetUp() override {
        ChannelOnEmulator::SetUp();
        channel_->FailFast(kBudget, [this](bool answering) {
            std::lock_guard lock(mutex_);
            notices_.push_back(answering);
            changed_.notify_all();
        });
    }

    bool WaitForNotices(std::size_t count, std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return notices_.size() >= count; });
    }
    std::vector<bool> Notices() {
        std::lock_guard lock(mutex_);
        return notices_;
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<bool> notices_;
};

struct Stall {
    const char* name;
    void (*stop)(zk::emulator::EmulatedDevice&, bool);
    int32_t firstResult;
};

const Stall kStalls[] = {
    {"hangs", [](zk::emulator::EmulatedDevice& d, bool s) { d.SetStopAnswering(s); }, kResultNone},
    {"stops reading", [](zk::emulator::EmulatedDevice& d, bool s) { d.SetStopReading(s); },
     kResultWriteFailed},
};

TEST_F(FailFast, AStalledDeviceCostsOneBudgetThenNothingUntilItAnswersAgain) {
    for (const Stall& stall : kStalls) {
        SCOPED_TRACE(stall.name);
        std::array<uint8_t, 56> record{};
        record[17] = 9;
        stall.stop(*device_, true);
        auto t0 = Clock::now();
        EXPECT_EQ(channel_->CmdWriteData(record, 56, 0), stall.firstResult);
        EXPECT_LT(Clock::now() - t0, kBudget + 20ms);
        EXPECT_FALSE(channel_->IsAnswering());

        // Later commands return at once and put nothing on the wire: the
        // device never sees this read among the probe's repeats.
        std::array<uint8_t, 8> read{};
        t0 = Clock::now();
        EXPECT_EQ(channel_->CmdReadData(read, 8, 64), kResultNone);
        EXPECT_EQ(channel_->CmdStart(), kResultNone);
        EXPECT_LT(Clock::now() - t0, 5ms);

        // The probe keeps at it and says the device stopped answering once.
        ASSERT_TRUE(WaitForNotices(1, 3s));
        EXPECT_EQ(Notices(), std::vector<bool>{false});
        const auto probed = device_->RequestLog();
        for (const auto& request : probed)
            EXPECT_EQ(request.frame[3], static_cast<uint8_t>(Command::WriteData));

        // Resumed, the device takes the repeated request and is answering.
        stall.stop(*device_, false);
        ASSERT_TRUE(WaitForNotices(2, 3s));
        EXPECT_EQ(Notices(), (std::vector<bool>{false, true}));
        EXPECT_TRUE(channel_->IsAnswering());
        EXPECT_EQ(device_->Memory(zk::emulator::MemoryArea::Settings)[17], 9);
        // The answer is this read's own, not a late one to a probe write.
        EXPECT_EQ(channel_->CmdReadData(read, 8, 16), kResultOk);
        EXPECT_EQ(read[1], 9);
        device_->ClearRequestLog();
        notices_.clear();
    }
}

TEST_F(FailFast, ALateAnswerWithinTheAnswerTimeComesBackWithoutANotice) {
    device_->DelayResponses(1, 120ms);
    std::array<uint8_t, 8> read{};
    const auto t0 = Clock::now();
    EXPECT_EQ(channel_->CmdReadData(read, 8, 0), kResultNone);
    EXPECT_LT(Clock::now() - t0, kBudget + 20ms);
    // The probe waits out the rest of the 300 ms and takes the late answer:
    // the device is answering again without a second frame or a notice.
    const auto until = Clock::now() + 1s;
    while (!channel_->IsAnswering() && Clock::now() < until)
        std::this_thread::sleep_for(5ms);
    EXPECT_TRUE(channel_->IsAnswering());
    EXPECT_EQ(device_->RequestCount(), 1u);
    EXPECT_TRUE(Notices().empty());
    EXPECT_EQ(channel_->CmdReadData(read, 8, 0), kResultOk);
}

// A device that answers every request later than the budget but within the
// answer time: once the probe has seen its pace, writes wait for it (before,
// each write was handed to the probe, so a flushed change stayed pending and
// was written again every tick, for good); quick again, the budget comes back.
TEST_F(FailFast, ADeviceSlowerThanTheBudgetIsWaitedForOnceItsPaceIsKnown) {
    device_->SetResponseDelay(70ms);
    std::array<uint8_t, 56> record{};
    record[17] = 9;
    EXPECT_EQ(channel_->CmdWriteData(record, 56, 0), kResultNone);
    const auto until = Clock::now() + 1s;
    while (!channel_->IsAnswering() && Clock::now() < until)
        std::this_thread::sleep_for(5ms);
    ASSERT_TRUE(channel_->IsAnswering());
    EXPECT_EQ(device_->Memory(zk::emulator::MemoryArea::Settings)[17], 9);

    for (uint8_t value = 10; value < 13; ++value) {
        record[17] = value;
        EXPECT_EQ(channel_->CmdWriteData(record, 56, 0), kResultOk) << int(value);
        EXPECT_TRUE(channel_->IsAnswering());
    }
    EXPECT_EQ(device_->Memory(zk::emulator::MemoryArea::Settings)[17], 12);
    EXPECT_EQ(device_->RequestCount(), 4u); // each change written once
    EXPECT_TRUE(Notices().empty());

    // Quick again, it earns back the budget given: a stall then costs no
    // more than at the start.
    device_->SetResponseDelay(1ms);
    std::array<uint8_t, 8> read{};
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(channel_->CmdReadData(read, 8, 0), kResultOk);
    device_->SetStopAnswering(true);
    const auto t0 = Clock::now();
    EXPECT_EQ(channel_->CmdWriteData(record, 56, 0), kResultNone);
    EXPECT_LT(Clock::now() - t0, kBudget + 20ms);
    EXPECT_FALSE(channel_->IsAnswering());
}

// A block write the device did not take is kept whole and written again once
// the device answers, in a bracket when it went in one; a later write of the
// same block replaces it, and a disconnect drops it.
TEST_F(FailFast, ABlockTheDeviceDidNotTakeIsWrittenAgainWholeOnceItAnswers) {
    auto waitAnswering = [this] {
        const auto until = Clock::now() + 2s;
        while (!channel_->IsAnswering() && Clock::now() < until)
            std::this_thread::sleep_for(5ms);
        return channel_->IsAnswering();
    };
    const uint32_t macroLength = 150; // three chunks
    std::vector<uint8_t> macros(macroLength);
    for (uint32_t i = 0; i < macroLength; ++i)
        macros[i] = static_cast<uint8_t>(i * 3 + 1);

    EXPECT_EQ(channel_->CmdStart(), kResultOk);
    device_->DropResponses(1); // the first chunk goes unanswered
    EXPECT_EQ(channel_->CmdWriteMacroArea(macros, macroLength), kResultNone);
    EXPECT_EQ(channel_->CmdFinish(), kResultNone); // not answering: nothing sent
    EXPECT_TRUE(channel_->HasKeptBlocks());
    EXPECT_EQ(channel_->ResendKeptBlocks(), 0); // not while the probe has the device
    ASSERT_TRUE(waitAnswering());
    device_->ClearRequestLog();
    EXPECT_EQ(channel_->ResendKeptBlocks(), 1);
    EXPECT_FALSE(channel_->HasKeptBlocks());
    std::vector<uint8_t> commands;
    for (const auto& request : device_->RequestLog())
        commands.push_back(request.frame[3]);
    const auto c = [](Command command) { return static_cast<uint8_t>(command); };
    EXPECT_EQ(commands, (std::vector<uint8_t>{c(Command::Start), c(Command::WriteMacroArea),
                                              c(Command::WriteMacroArea),
                                              c(Command::WriteMacroArea), c(Command::Finish)}));
    const auto area = device_->Memory(zk::emulator::MemoryArea::Macros);
    EXPECT_TRUE(std::equal(macros.begin(), macros.end(), area.begin()));

    // A later write of the same block that lands leaves nothing to send.
    std::vector<uint8_t> older(channel_->blockLength.load(), 0x11);
    std::vector<uint8_t> newer(channel_->blockLength.load(), 0x22);
    device_->DropResponses(1);
    EXPECT_EQ(channel_->CmdWriteProfileBlock(older, 0), kResultNone);
    EXPECT_TRUE(channel_->HasKeptBlocks());
    ASSERT_TRUE(waitAnswering());
    EXPECT_EQ(channel_->CmdWriteProfileBlock(newer, 0), kResultOk);
    EXPECT_FALSE(channel_->HasKeptBlocks());
    EXPECT_EQ(device_->Memory(zk::emulator::MemoryArea::Buttons)[0], 0x22);

    // The device goes: what was kept for it goes too.
    device_->DropResponses(1);
    EXPECT_EQ(channel_->CmdWriteProfileBlock(older, 0), kResultNone);
    EXPECT_TRUE(channel_->HasKeptBlocks());
    channel_->MarkDisconnected();
    EXPECT_FALSE(channel_->HasKeptBlocks());
}

TEST_F(FailFast, AnUnpluggedDeviceEndsTheProbeAndANewConnectionAnswers) {
    device_->SetStopAnswering(true);
    std::array<uint8_t, 8> read{};
    EXPECT_EQ(channel_->CmdReadData(read, 8, 0), kResultNone);
    channel_->MarkDisconnected();
    const auto until = Clock::now() + 1s;
    while (!channel_->IsAnswering() && Clock::now() < until)
        std::this_thread::sleep_for(5ms);
    EXPECT_TRUE(channel_->IsAnswering());
    EXPECT_TRUE(Notices().empty());
    // The destructor does not wait for a stopped probe (TearDown).
}

} // namespace
