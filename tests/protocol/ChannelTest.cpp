#include "ProtocolTestSupport.h"

#include <array>
#include <atomic>
#include <chrono>
#include <thread>

using namespace zk::protocol;
using zk::emulator::MemoryArea;
using Clock = std::chrono::steady_clock;

namespace {

class Channel : public zktest::ChannelOnEmulator {};

TEST_F(Channel, DisconnectedChannelReturnsZeroWithoutTraffic) {
    channel_->connected = 0;
    std::vector<uint8_t> buffer(512, 0x5A);
    EXPECT_EQ(channel_->CmdStart(), kResultNone);
    EXPECT_EQ(channel_->CmdFinish(), kResultNone);
    EXPECT_EQ(channel_->CmdReadCapabilities(buffer), kResultNone);
    EXPECT_EQ(channel_->CmdReadData(buffer, 56, 0), kResultNone);
    EXPECT_EQ(channel_->CmdWriteData(buffer, 56, 0), kResultNone);
    EXPECT_EQ(channel_->CmdReadDefaultBlock(buffer), kResultNone);
    EXPECT_EQ(channel_->CmdReadProfileBlock(buffer, 0), kResultNone);
    EXPECT_EQ(channel_->CmdWriteProfileBlock(buffer, 0), kResultNone);
    EXPECT_EQ(channel_->CmdWriteMacroArea(buffer, 100), kResultNone);
    EXPECT_EQ(channel_->CmdReadProfileBlock(buffer, 5), kResultOutOfRange);
    EXPECT_EQ(device_->RequestCount(), 0u);
    EXPECT_EQ(buffer, std::vector<uint8_t>(512, 0x5A));
}

TEST_F(Channel, SlowFirstAnswerIsTakenAfterRetryAndLeavesNoStaleResponse) {
    const auto settings = Pattern(MemoryArea::Settings, 3);
    device_->DelayResponses(1, std::chrono::milliseconds(400));
    std::array<uint8_t, 56> first{};
    EXPECT_EQ(channel_->CmdReadData(first, 56, 64), kResultOk);
    // The late answer to the first request may arrive while the repeated one
    // is still on its way to the device's log.
    ASSERT_TRUE(device_->WaitForRequests(2, std::chrono::milliseconds(1000)));
    const auto requests = device_->RequestLog();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].frame, requests[1].frame);
    const auto gap = requests[1].time - requests[0].time;
    EXPECT_GE(gap, std::chrono::milliseconds(290));
    EXPECT_TRUE(std::equal(first.begin(), first.end(), settings.begin() + 64));

    // The device also answers the repeated request; that answer must not be
    // taken for the next command's.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::array<uint8_t, 56> second{};
    EXPECT_EQ(channel_->CmdReadData(second, 56, 128), kResultOk);
    EXPECT_TRUE(std::equal(second.begin(), second.end(), settings.begin() + 128));
}

TEST_F(Channel, NoAnswerGivesZeroAfterFourAttempts) {
    std::array<uint8_t, 8> buffer{};
    device_->DropResponses(3);
    EXPECT_EQ(channel_->CmdReadData(buffer, 8, 0), kResultOk);
    EXPECT_EQ(device_->RequestCount(), 4u);

    device_->ClearRequestLog();
    device_->DropResponses(4);
    const auto t0 = Clock::now();
    EXPECT_EQ(channel_->CmdStart(), kResultNone);
    const auto took = Clock::now() - t0;
    EXPECT_EQ(device_->RequestCount(), 4u);
    EXPECT_GE(took, std::chrono::milliseconds(4 * 290));
    EXPECT_LT(took, std::chrono::milliseconds(4 * 300 + 500));
}

TEST_F(Channel, WriteFailureEndsAtOnceWithoutRetry) {
    device_->SetStopReading(true);
    const auto t0 = Clock::now();
    EXPECT_EQ(channel_->CmdStart(), kResultWriteFailed);
    const auto took = Clock::now() - t0;
    EXPECT_LT(took, std::chrono::milliseconds(1800)); // one 1000 ms write wait, not four
    device_->SetStopReading(false);

    device_->Unplug();
    EXPECT_EQ(channel_->CmdStart(), kResultWriteFailed);
}

TEST_F(Channel, StatusBytesMapToResultsAndLeaveDestination) {
    std::array<uint8_t, 56> buffer;
    buffer.fill(0x11);
    device_->InjectStatus(0x05, 0xFF);
    EXPECT_EQ(channel_->CmdReadData(buffer, 56, 0), kResultRefused);
    device_->InjectStatus(0x05, 0xFE);
    EXPECT_EQ(channel_->CmdReadData(buffer, 56, 0), kResultFailed);
    for (uint8_t b : buffer)
        EXPECT_EQ(b, 0x11);
    EXPECT_EQ(channel_->CmdReadData(buffer, 56, 0), kResultOk);
}

// Two threads read different addresses as fast as they can while a third
// takes the lock for whole steps, as detection does; every answer must belong
// to its own request.
TEST_F(Channel, ConcurrentTransactionsNeverMixResponses) {
    device_->SetResponseDelay(std::chrono::microseconds(200));
    const auto settings = Pattern(MemoryArea::Settings, 91);
    std::atomic<int> mismatches{0};
    std::atomic<bool> done{false};
    auto reader = [&](uint16_t address) {
        for (int i = 0; i < 40; ++i) {
            std::array<uint8_t, 56> data{};
            if (channel_->CmdReadData(data, 56, address) != kResultOk ||
                !std::equal(data.begin(), data.end(), settings.begin() + address))
                ++mismatches;
        }
    };
    std::thread poller([&] {
        while (!done) {
            std::lock_guard lock(channel_->transactionLock);
            std::lock_guard again(channel_->transactionLock); // recursive
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
    });
    std::thread a(reader, uint16_t{0});
    std::thread b(reader, uint16_t{192});
    a.join();
    b.join();
    done = true;
    poller.join();
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_EQ(device_->RequestCount(), 80u);
}

} // namespace
