#include "connection/Detection.h"
#include "RecordingLink.h"
#include "emulator/Emulator.h"
#include "platform/Folders.h"
#include "platform/IniFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <thread>

using namespace zk::connection;
using namespace std::chrono_literals;
using zk::protocol::DeviceChannel;
using zktest::RecordingLink;

namespace {

DetectionTiming FastTiming() {
    DetectionTiming t;
    t.mousePoll = 40ms;
    t.connectedPoll = 20ms;
    t.disconnectedPoll = 40ms;
    t.keyboardConnectPause = 10ms;
    return t;
}

// The main window's names of the three kinds, with the stored selections
// read from the profile index files.
int StoredSelection(const char* prefix, const char* section) {
    return zk::platform::IniFile(zk::platform::GetProfileFolder(prefix) + prefix + "Profile.ini")
        .ReadInt(section, "select", "0");
}

const PresentationNames& Names() {
    static const PresentationNames names{
        {"ms_tab", "ms_tab_panel", "ms_deng_same_mode", "config_list",
         [] { return StoredSelection("ms", "PROFILEDEVICESELECT"); }},
        {"kb_tab", "kb_tab_panel", "kb_deng_same_mode", "kb_device_profile_combo",
         [] { return StoredSelection("kb", "PROFILEDEVICESELECT"); }},
        {"mp_tab", "", "mp_deng_same_mode", "mp_deng_profile_combo",
         [] { return StoredSelection("mp", "PROFILEDENGSELECT"); }},
    };
    return names;
}

// Three channels with their main-window identities, the detection threads
// of the chosen kinds, and a recording main window.
class Detection : public ::testing::Test {
protected:
    void Plug(const zk::emulator::EmulatorOptions& options) {
        installation_ = zk::emulator::InstallEmulatedBus(options);
        keyboard_.SetIdentity(0x0C45, 0x6556, 0x0092, 0xFF1C);
        mouse_.SetIdentity(0x260D, 0x1138, 0x0092, 0xFF1C);
        mousepad_.SetIdentity(0x0C45, 0x5004, 0x0092, 0xFF1C);
    }
    void Start(std::initializer_list<DeviceKind> kinds) {
        for (DeviceKind kind : kinds)
            threads_.emplace_back([this, kind] {
                RunDetection(kind, channels_, Names(), link_, stop_.Waiter(), timing_);
            });
    }
    void TearDown() override {
        stop_.Set();
        for (auto& t : threads_)
            t.join();
    }
    bool WaitConnected(const DeviceChannel& channel, bool state, std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            if (channel.IsConnected() == state)
                return true;
            std::this_thread::sleep_for(5ms);
        }
        return false;
    }
    zk::emulator::EmulatedBus& Bus() { return installation_->Bus(); }

    zktest::TempHome home_;
    std::unique_ptr<zk::emulator::EmulatorInstallation> installation_;
    DeviceChannel keyboard_, mouse_, mousepad_;
    DeviceChannels channels_{&keyboard_, &mouse_, &mousepad_};
    RecordingLink link_;
    zktest::TestStop stop_;
    DetectionTiming timing_ = FastTiming();
    std::vector<std::thread> threads_;
};

TEST_F(Detection, SecondMouseProductConnectsOnTheMouseChannel) {
    zk::emulator::EmulatorOptions options;
    options.mouseProductId = 0x1099;
    options.keyboard = false;
    options.mousepad = false;
    options.otherInterfaces = 3;
    Plug(options);
    zk::platform::IniFile(zk::platform::GetProfileFolder("ms") + "msProfile.ini")
        .Write("PROFILEDEVICESELECT", "select", "2");
    Start({DeviceKind::Mouse});

    ASSERT_TRUE(WaitConnected(mouse_, true, 2s));
    EXPECT_EQ(mouse_.hid.attributes.productId, 0x1099);
    // The notification interface of the same mouse was not taken.
    EXPECT_EQ(mouse_.hid.caps.usagePage, 0xFF1C);
    EXPECT_EQ(mouse_.CmdStart(), zk::protocol::kResultOk);

    ASSERT_TRUE(link_.WaitUntil(
        [](const auto& events) {
            for (const auto& e : events)
                if (e.kind == RecordingLink::Kind::Post && e.number == kMsgActivate)
                    return true;
            return false;
        },
        1s));
    EXPECT_TRUE(link_.HasChange({ControlOp::SelectItem, "config_list", 2}));
    EXPECT_TRUE(link_.HasChange({ControlOp::Select, "ms_tab", 0}));
    EXPECT_TRUE(link_.HasChange({ControlOp::SetVisible, "ms_tab_panel", 1}));
    EXPECT_EQ(link_.Count(RecordingLink::Kind::Timer, kTimerMouseRead), 1u);
}

TEST_F(Detection, OnlyMousepadAtStartPostsNoActivation) {
    zk::emulator::EmulatorOptions options;
    options.mouse = false;
    options.keyboard = false;
    Plug(options);
    Start({DeviceKind::Keyboard, DeviceKind::Mouse, DeviceKind::Mousepad});
    ASSERT_TRUE(WaitConnected(mousepad_, true, 2s));
    std::this_thread::sleep_for(200ms); // several more scans of the other kinds
    EXPECT_EQ(link_.Count(RecordingLink::Kind::Post, kMsgActivate), 0u);
    EXPECT_TRUE(link_.HasChange({ControlOp::Select, "mp_tab", 0}));
    EXPECT_FALSE(keyboard_.IsConnected());
    EXPECT_FALSE(mouse_.IsConnected());
}

TEST_F(Detection, UnpluggingMovesToAnotherKindOrHides) {
    zk::emulator::EmulatorOptions options;
    options.mousepad = false;
    Plug(options);
    Start({DeviceKind::Keyboard, DeviceKind::Mouse});
    ASSERT_TRUE(WaitConnected(mouse_, true, 2s));
    ASSERT_TRUE(WaitConnected(keyboard_, true, 2s));
    EXPECT_EQ(KeyboardModel(), 1);
    mouse_.effectPause = 1;
    link_.Clear();

    Bus().Mouse()->Unplug();
    ASSERT_TRUE(WaitConnected(mouse_, false, 2s));
    EXPECT_EQ(mouse_.effectPause.load(), 0);
    ASSERT_TRUE(link_.WaitUntil([](const auto& e) { return e.size() >= 4; }, 1s));
    EXPECT_TRUE(link_.HasChange({ControlOp::SetVisible, "ms_tab", 0}));
    EXPECT_TRUE(link_.HasChange({ControlOp::SetVisible, "kb_tab", 1}));
    EXPECT_TRUE(link_.HasChange({ControlOp::Select, "kb_tab", 0}));
    EXPECT_TRUE(link_.HasChange({ControlOp::SetFocus, "kb_tab", 0}));
    EXPECT_EQ(link_.Count(RecordingLink::Kind::Post, kMsgMouseRemoved), 0u);
    EXPECT_FALSE(link_.HasChange({ControlOp::ShowWindow, "", 0}));

    // The last device: the keyboard thread hides the window itself.
    Bus().Keyboard()->Unplug();
    ASSERT_TRUE(WaitConnected(keyboard_, false, 2s));
    ASSERT_TRUE(link_.WaitUntil(
        [](const auto& events) {
            for (const auto& e : events)
                if (e.kind == RecordingLink::Kind::Change && e.change.op == ControlOp::ShowWindow &&
                    e.change.value == 0)
                    return true;
            return false;
        },
        1s));

    // The mouse comes back alone and leaves again: the main window is told
    // with its message instead.
    Bus().Mouse()->Replug();
    ASSERT_TRUE(WaitConnected(mouse_, true, 2s));
    Bus().Mouse()->Unplug();
    ASSERT_TRUE(WaitConnected(mouse_, false, 2s));
    EXPECT_TRUE(link_.WaitUntil(
        [](const auto& events) {
            for (const auto& e : events)
                if (e.kind == RecordingLink::Kind::Post && e.number == kMsgMouseRemoved)
                    return true;
            return false;
        },
        1s));
}

TEST_F(Detection, FailedListingIsRetriedAndOldKeyboardSetsModel) {
    zk::emulator::EmulatorOptions options;
    options.mouse = false;
    options.mousepad = false;
    options.keyboardProductId = 0x0800;
    Plug(options);
    Bus().SetEnumerationFails(true);
    Start({DeviceKind::Keyboard});
    std::this_thread::sleep_for(150ms);
    EXPECT_FALSE(keyboard_.IsConnected());
    Bus().SetEnumerationFails(false);
    ASSERT_TRUE(WaitConnected(keyboard_, true, 2s));
    EXPECT_EQ(KeyboardModel(), 0);
    EXPECT_TRUE(link_.WaitForChange({ControlOp::LoadKeyboardDeviceProfile, "", 0}, 1s));
    EXPECT_TRUE(link_.WaitForChange({ControlOp::ShowWindow, "", 1}, 1s));
}

} // namespace
