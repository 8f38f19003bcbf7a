#include "connection/Notification.h"
#include "RecordingLink.h"
#include "emulator/Emulator.h"
#include "protocol/DeviceChannel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <thread>

using namespace zk::connection;
using namespace std::chrono_literals;
using zk::protocol::Command;
using zktest::RecordingLink;

namespace {

class Notifications : public ::testing::Test {
protected:
    void Plug(const zk::emulator::EmulatorOptions& options) {
        installation_ = zk::emulator::InstallEmulatedBus(options);
    }
    void Start(DeviceKind kind) {
        thread_ = std::thread([this, kind] { RunNotifications(kind, link_, stop_.Waiter()); });
    }
    void TearDown() override {
        stop_.Set();
        if (thread_.joinable())
            thread_.join();
    }
    // Sends `code` until the thread has passed on `message` (the thread may
    // still be looking for the interface).
    bool Deliver(zk::emulator::EmulatedDevice& device, uint16_t code, unsigned message,
                 std::chrono::milliseconds limit) {
        const size_t before = link_.Count(RecordingLink::Kind::Send, message);
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            device.SendNotification(code);
            if (link_.WaitUntil(
                    [&](const auto& events) {
                        return std::count_if(events.begin(), events.end(), [&](const auto& e) {
                                   return e.kind == RecordingLink::Kind::Send &&
                                          e.number == message;
                               }) > static_cast<std::ptrdiff_t>(before);
                    },
                    100ms))
                return true;
        }
        return false;
    }
    bool Silent(zk::emulator::EmulatedDevice& device, uint16_t code,
                std::chrono::milliseconds span) {
        const auto end = std::chrono::steady_clock::now() + span;
        while (std::chrono::steady_clock::now() < end) {
            device.SendNotification(code);
            std::this_thread::sleep_for(100ms);
        }
        return link_.Events().empty();
    }

    std::unique_ptr<zk::emulator::EmulatorInstallation> installation_;
    RecordingLink link_;
    zktest::TestStop stop_;
    std::thread thread_;
};

// Each 0x402 is handled completely (here: a bracketed block read on the
// configuration interface) before the next one is read.
TEST_F(Notifications, MouseCodesAreHandledOneAfterTheOther) {
    zk::emulator::EmulatorOptions options;
    options.keyboard = false;
    options.mousepad = false;
    Plug(options);
    auto& mouse = *installation_->Bus().Mouse();
    zk::protocol::DeviceChannel channel;
    channel.hid.openForRead = channel.hid.openForWrite = 1;
    channel.hid.devicePath = mouse.ConfigPath();
    ASSERT_EQ(channel.hid.Open(), 1);
    channel.connected = 1;
    std::vector<uint8_t> block(512);
    link_.onSend = [&](unsigned message) {
        if (message != kMsgMouseReadAll)
            return;
        channel.CmdStart();
        channel.CmdReadDefaultBlock(block);
        channel.CmdFinish();
    };
    Start(DeviceKind::Mouse);
    ASSERT_TRUE(Deliver(mouse, 0x401, kMsgMouseReread, 3s));
    link_.Clear();
    mouse.ClearRequestLog();

    ASSERT_TRUE(mouse.SendNotification(0x402));
    ASSERT_TRUE(mouse.SendNotification(0x402));
    ASSERT_TRUE(mouse.SendNotification(0x403));
    ASSERT_TRUE(mouse.SendNotification(0x404)); // unknown: ignored
    ASSERT_TRUE(link_.WaitUntil([](const auto& e) { return e.size() >= 3; }, 3s));
    std::this_thread::sleep_for(100ms);
    const auto events = link_.Events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].kind, RecordingLink::Kind::Send);
    EXPECT_EQ(events[0].number, kMsgMouseReadAll);
    EXPECT_EQ(events[1].number, kMsgMouseReadAll);
    EXPECT_EQ(events[2].kind, RecordingLink::Kind::Reactive);

    const auto log = mouse.RequestLog();
    ASSERT_EQ(log.size(), 24u);
    for (size_t round = 0; round < 2; ++round) {
        const size_t at = round * 12;
        EXPECT_EQ(log[at].frame[3], static_cast<uint8_t>(Command::Start));
        for (size_t i = 1; i <= 10; ++i)
            EXPECT_EQ(log[at + i].frame[3], static_cast<uint8_t>(Command::ReadDefaultBlock));
        EXPECT_EQ(log[at + 11].frame[3], static_cast<uint8_t>(Command::Finish));
    }
}

TEST_F(Notifications, ReplugIsFoundAgainAndStopIsPrompt) {
    zk::emulator::EmulatorOptions options;
    options.keyboard = false;
    options.mousepad = false;
    Plug(options);
    auto& mouse = *installation_->Bus().Mouse();
    Start(DeviceKind::Mouse);
    ASSERT_TRUE(Deliver(mouse, 0x401, kMsgMouseReread, 3s));

    // Gone and back at once: the read on the old interface fails while the
    // path is present again; the loop must still end, and the next scan, a
    // second later, opens the interface anew.
    mouse.Unplug();
    mouse.Replug();
    const auto replugged = std::chrono::steady_clock::now();
    ASSERT_TRUE(Deliver(mouse, 0x401, kMsgMouseReread, 3s));
    EXPECT_LT(std::chrono::steady_clock::now() - replugged, 500ms + 1000ms + 400ms);

    // While reading a connected mouse, a stop ends the thread within about
    // one read time-out.
    std::this_thread::sleep_for(100ms);
    const auto t0 = std::chrono::steady_clock::now();
    stop_.Set();
    thread_.join();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 750ms);
}

TEST_F(Notifications, KeyboardOfTheOtherModelIsNotWatched) {
    zk::emulator::EmulatorOptions options;
    options.mouse = false;
    options.mousepad = false;
    options.keyboardProductId = 0x0800;
    Plug(options);
    Start(DeviceKind::Keyboard);
    EXPECT_TRUE(Silent(*installation_->Bus().Keyboard(), 0x402, 1500ms));
}

TEST_F(Notifications, KeyboardCodesBecomeItsMessages) {
    zk::emulator::EmulatorOptions options;
    options.mouse = false;
    options.mousepad = false;
    Plug(options);
    auto& keyboard = *installation_->Bus().Keyboard();
    Start(DeviceKind::Keyboard);
    ASSERT_TRUE(Deliver(keyboard, 0x402, kMsgKeyboardReadAll, 3s));
    ASSERT_TRUE(Deliver(keyboard, 0x401, kMsgKeyboardReread, 1s));
    link_.Clear();
    keyboard.SendNotification(0x403); // the keyboard has no reactive trigger
    std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(link_.Events().empty());
}

} // namespace
