// Detection over the hidraw back end when the device's node refuses this user: the window is told
// once, and only about the kind's own interface refusing with EACCES.
#include "RecordingLink.h"
#include "connection/Detection.h"
#include "device/HidBackend.h"
#include "device/HidrawBackend.h"
#include "emulator/Emulator.h"
#include "support/RefusedNode.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace zk::connection;
using namespace std::chrono_literals;
using zktest::RecordingLink;

namespace {

constexpr char kMouseId[] = "0003:0000260D:00001138";

struct NoAccessCase {
    const char* what;
    std::string hidId;
    bool configInterface; // else the notification interface
    bool refusesOpening;
    bool reported;
};

void PrintTo(const NoAccessCase& c, std::ostream* os) {
    *os << c.what;
}

class NoAccess : public ::testing::TestWithParam<NoAccessCase> {};

TEST_P(NoAccess, OnlyTheKindsOwnRefusedInterfaceIsReportedAndOnlyOnce) {
    const NoAccessCase& c = GetParam();
    zktest::TempHome home;
    zktest::FakeHidrawTree tree;
    const auto descriptor = c.configInterface ? zk::emulator::EmulatedDevice::ConfigDescriptor()
                                              : zk::emulator::EmulatedDevice::NotifyDescriptor();
    tree.AddNode("hidraw4", "0003:260D:1138.0004", c.hidId, descriptor, c.refusesOpening);
    zk::device::InstallHidBackend(std::make_shared<zk::device::HidrawBackend>(
        zk::device::SysfsHidrawLister(tree.SysRoot(), tree.DevRoot())));

    zk::protocol::DeviceChannel keyboard, mouse, mousepad;
    mouse.SetIdentity(0x260D, 0x1138, 0x0092, 0xFF1C);
    DeviceChannels channels{&keyboard, &mouse, &mousepad};
    const PresentationNames names{
        {"ms_tab", "ms_tab_panel", "ms_deng_same_mode", "config_list", {}},
        {"kb_tab", "kb_tab_panel", "kb_deng_same_mode", "kb_combo", {}},
        {"mp_tab", "", "mp_deng_same_mode", "mp_combo", {}}};
    DetectionTiming timing;
    timing.mousePoll = 10ms;
    RecordingLink link;
    zktest::TestStop stop;
    std::atomic<int> applies{-1};
    std::thread thread([&] {
        zktest::FileModesApply modes;
        applies = modes.Applies() ? 1 : 0;
        RunDetection(DeviceKind::Mouse, channels, names, link, stop.Waiter(), timing);
    });
    // Twenty scans and more.
    std::this_thread::sleep_for(300ms);
    stop.Set();
    thread.join();
    zk::device::InstallHidBackend(nullptr);
    if (applies == 0)
        GTEST_SKIP() << "file modes cannot be made to apply to this process";

    const ControlChange notice{ControlOp::ReportNoAccess, tree.DevNode("hidraw4"), 0};
    size_t notices = 0;
    for (const auto& e : link.Events())
        if (e.kind == RecordingLink::Kind::Change && e.change.op == ControlOp::ReportNoAccess) {
            EXPECT_EQ(e.change, notice);
            ++notices;
        }
    EXPECT_EQ(notices, c.reported ? 1u : 0u) << c.what;
    EXPECT_FALSE(mouse.IsConnected()) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Detection, NoAccess,
    ::testing::Values(
        NoAccessCase{"the mouse's configuration interface refused", kMouseId, true, true, true},
        NoAccessCase{"the mouse's notification interface refused", kMouseId, false, true, false},
        NoAccessCase{"another product of the vendor refused", "0003:0000260D:00002222", true, true,
                     false},
        NoAccessCase{"opened, but it is no HID node", kMouseId, true, false, false}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

} // namespace
