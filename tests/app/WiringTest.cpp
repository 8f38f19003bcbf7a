// The whole program against the emulated devices: the main window with its
// subsystems wired as `zk412v --emulate` runs it.

#include "MainWndTestEnv.h"

#include "app/Subsystems.h"
#include "app/Wiring.h"
#include "controls/TintedPicture.h"
#include "emulator/Emulator.h"
#include "platform/Folders.h"
#include "platform/IniFile.h"
#include "ui/Controls.h"

#include <QAbstractButton>
#include <QSlider>

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>

using namespace std::chrono_literals;
using apptest::Spin;
using apptest::SpinUntil;
using zk::app::kChannelKeyboard;
using zk::app::kChannelMouse;
using zk::app::kChannelMousepad;
namespace emu = zk::emulator;

namespace {

constexpr std::uint8_t kCmdStart = 0x01;
constexpr std::uint8_t kCmdFinish = 0x02;
constexpr std::uint8_t kCmdReadCapabilities = 0x03;
constexpr std::uint8_t kCmdReadData = 0x05;
constexpr std::uint8_t kCmdWriteData = 0x06;
constexpr std::uint8_t kCmdReadProfileBlock = 0x08;
using apptest::kReadMouseAllFrames;

int CountCommand(const std::vector<emu::LoggedRequest>& log, std::uint8_t command) {
    return static_cast<int>(std::count_if(
        log.begin(), log.end(), [command](const auto& r) { return r.frame[3] == command; }));
}

std::uint16_t Address(const emu::Frame& frame) {
    return static_cast<std::uint16_t>(frame[5] | (frame[6] << 8));
}

class WiringTest : public apptest::MainWndTest {
protected:
    // `beforeOpen` runs once the emulated bus exists, before any thread starts.
    void Start(int keyboardModel = 0, const std::function<void()>& beforeOpen = {}) {
        zk::app::AppOptions options;
        options.keyboardModel = keyboardModel;
        ASSERT_NO_FATAL_FAILURE(WireEmulated(options));
        if (beforeOpen)
            beforeOpen();
        Open();
    }

    bool Connected(zk::app::ChannelIndex channel) { return wnd_->Channel(channel).IsConnected(); }
    bool Shown() { return wnd_->isVisible() && !wnd_->isMinimized(); }
    bool Checked(const char* name) {
        auto* b = wnd_->FindControl<QAbstractButton>(QString::fromLatin1(name));
        return b && b->isChecked();
    }
};

TEST_F(WiringTest, StartFindsTheMouseReadsItHalfASecondLaterAndShowsTheWindow) {
    Start();
    ASSERT_TRUE(SpinUntil([this] { return Connected(kChannelMouse); }, 3s));
    const auto connectedSeen = std::chrono::steady_clock::now();
    ASSERT_TRUE(SpinUntil([this] { return Shown(); }, 2s));
    EXPECT_TRUE(wnd_->FindControl(QStringLiteral("ms_tab"))->isVisible());

    emu::EmulatedDevice& mouse = *bus_->Mouse();
    // The stored profile, selected in "config_list" at start, reaches the
    // mouse first: its record through the flush, then the whole read.
    ASSERT_TRUE(SpinUntil([&] { return mouse.RequestCount() >= kReadMouseAllFrames + 1; }, 3s));
    Spin(100ms);
    auto log = mouse.RequestLog();
    ASSERT_EQ(log.size(), kReadMouseAllFrames + 1);
    EXPECT_EQ(log.front().frame[3], kCmdWriteData);
    EXPECT_EQ(Address(log.front().frame), 0);
    log.erase(log.begin());
    EXPECT_EQ(log.front().frame[3], kCmdStart);
    EXPECT_EQ(log.back().frame[3], kCmdFinish);
    EXPECT_EQ(CountCommand(log, kCmdReadCapabilities), 1);
    EXPECT_EQ(CountCommand(log, kCmdReadProfileBlock), 50);
    // Timer 8 runs 500 ms after the connection, not at once.
    EXPECT_GE(log.front().time - connectedSeen, -100ms);
    EXPECT_GE(log.front().time - connectedSeen + 100ms, 400ms);

    // The image holds what the device returned.
    auto& image = subsystems_->MouseImage();
    const auto caps = mouse.Memory(emu::MemoryArea::Capabilities);
    EXPECT_TRUE(std::equal(caps.begin(), caps.begin() + emu::kCapabilitySize,
                           reinterpret_cast<const std::uint8_t*>(&image.capabilities)));
    const auto buttons = mouse.Memory(emu::MemoryArea::Buttons);
    const auto table1 = image.buttonTables[1].Bytes();
    EXPECT_TRUE(
        std::equal(table1.begin(), table1.end(), buttons.begin() + emu::kButtonProfileStride));

    // Profile start-up: the first profile of each kind, its row selected, and
    // the default cursor files in the mouse folder.
    EXPECT_EQ(subsystems_->MouseProfileRow(), 0);
    for (const char* kind : {"ms", "kb", "mp"})
        EXPECT_TRUE(std::filesystem::exists(zk::platform::GetProfileFolder(kind) +
                                            std::string("profile1") +
                                            (kind == std::string("ms") ? ".config" : ".led")))
            << kind;
    const std::filesystem::path msFolder = zk::platform::GetProfileFolder("ms");
    for (int n = 1; n <= 4; ++n)
        EXPECT_TRUE(std::filesystem::exists(msFolder / ("name_" + std::to_string(n) + ".cur")));
    EXPECT_EQ(
        zk::platform::IniFile((msFolder / "msMacro.ini").string()).ReadInt("CURSORCOUNT", "count"),
        4);
    EXPECT_TRUE(boxes_.empty());

    // The device sessions name the window's channels.
    EXPECT_EQ(&subsystems_->Mouse().image, &image);
    EXPECT_EQ(&subsystems_->Mouse().channel, &wnd_->Channel(kChannelMouse));
    EXPECT_EQ(&subsystems_->Keyboard().channel, &wnd_->Channel(kChannelKeyboard));
    EXPECT_EQ(&subsystems_->Mousepad().channel, &wnd_->Channel(kChannelMousepad));
}

TEST_F(WiringTest, UnpluggingMovesToAnotherKindHidesWithTheLastAndReplugFindsItAgain) {
    Start();
    ASSERT_TRUE(SpinUntil(
        [this] {
            return Connected(kChannelMouse) && Connected(kChannelKeyboard) &&
                   Connected(kChannelMousepad) && Shown();
        },
        3s));
    // The previews run: some LED of the mouse or the mousepad picture lights up.
    EXPECT_TRUE(SpinUntil(
        [this] {
            for (int i = 0; i < zk::app::kMousePreviewCount + zk::app::kPadPreviewCount; ++i) {
                QWidget* led = i < zk::app::kMousePreviewCount
                                   ? wnd_->MousePreview(i)
                                   : wnd_->PadOrKeyControl(i - zk::app::kMousePreviewCount);
                auto* tint = dynamic_cast<zk::controls::TintMembers*>(led);
                if (tint && led->isVisible() && tint->GetChangerAlpha() > 0)
                    return true;
            }
            return false;
        },
        5s));

    bus_->Mousepad()->Unplug();
    ASSERT_TRUE(SpinUntil([this] { return !Connected(kChannelMousepad); }, 2s));
    bus_->Mouse()->Unplug();
    ASSERT_TRUE(SpinUntil([this] { return !Connected(kChannelMouse); }, 2s));
    Spin(100ms);
    EXPECT_TRUE(Checked("kb_tab"));
    EXPECT_FALSE(wnd_->FindControl(QStringLiteral("ms_tab"))->isVisible());
    EXPECT_TRUE(Shown());

    bus_->Keyboard()->Unplug();
    ASSERT_TRUE(SpinUntil([this] { return !Connected(kChannelKeyboard); }, 2s));
    EXPECT_TRUE(SpinUntil([this] { return !wnd_->isVisible(); }, 1s));

    bus_->Mouse()->ClearRequestLog();
    bus_->Mouse()->Replug();
    const auto replugged = std::chrono::steady_clock::now();
    ASSERT_TRUE(SpinUntil([this] { return Connected(kChannelMouse); }, 2s));
    EXPECT_LE(std::chrono::steady_clock::now() - replugged, 1300ms);
    EXPECT_TRUE(SpinUntil([this] { return Checked("ms_tab"); }, 1s));
    // Connecting again reads the mouse again.
    EXPECT_TRUE(
        SpinUntil([this] { return bus_->Mouse()->RequestCount() >= kReadMouseAllFrames; }, 2s));
}

TEST_F(WiringTest, OnDeviceChangesAreReadBackIntoTheImage) {
    Start();
    WaitForMouseRead(50ms);
    emu::EmulatedDevice& mouse = *bus_->Mouse();
    auto& image = subsystems_->MouseImage();

    // A DPI-stage press (0x401): the record is re-read, without a bracket.
    mouse.ClearRequestLog();
    const std::uint8_t before = mouse.Memory(emu::MemoryArea::Settings)[19];
    mouse.PressDpiButton();
    const std::uint8_t after = mouse.Memory(emu::MemoryArea::Settings)[19];
    ASSERT_NE(before, after);
    ASSERT_TRUE(SpinUntil([&] { return image.RecordByte(19) == after; }, 2s));
    Spin(50ms);
    auto log = mouse.RequestLog();
    EXPECT_EQ(CountCommand(log, kCmdReadData), 2);
    EXPECT_EQ(CountCommand(log, kCmdStart), 0);
    // The DPI page was refreshed from the image: every stage shows its DPI.
    for (int stage = 1; stage <= 6; ++stage) {
        const int level = image.RecordByte(zk::settings::kDpiLevelOffsets[stage - 1]);
        EXPECT_EQ(zk::ui::GetText(wnd_->FindControl(QStringLiteral("DPI_label_%1").arg(stage))),
                  QString::number(zk::settings::DpiOfLevel(level, image.capabilities.DpiBase())))
            << stage;
    }

    // A profile press (0x402): everything is read again.
    mouse.ClearRequestLog();
    mouse.PressProfileKey();
    ASSERT_TRUE(SpinUntil([&] { return mouse.RequestCount() >= kReadMouseAllFrames; }, 2s));
    log = mouse.RequestLog();
    EXPECT_EQ(CountCommand(log, kCmdStart), 1);
    EXPECT_EQ(CountCommand(log, kCmdReadProfileBlock), 50);
}

TEST_F(WiringTest, PendingRecordBecomesOneWriteWithinATick) {
    Start();
    WaitForMouseRead(50ms);
    emu::EmulatedDevice& mouse = *bus_->Mouse();
    auto& image = subsystems_->MouseImage();
    mouse.ClearRequestLog();

    const std::uint8_t level = static_cast<std::uint8_t>(image.RecordByte(17) + 1);
    const auto set = std::chrono::steady_clock::now();
    image.SetRecordByte(17, level);
    ASSERT_TRUE(SpinUntil([&] { return mouse.RequestCount() >= 1; }, 1s));
    EXPECT_LE(std::chrono::steady_clock::now() - set, 200ms);
    Spin(300ms); // a few more ticks: nothing more is written
    const auto log = mouse.RequestLog();
    ASSERT_EQ(log.size(), 1u);
    const auto& frame = log.front().frame;
    EXPECT_EQ(frame[3], kCmdWriteData);
    EXPECT_EQ(frame[4], 56);
    EXPECT_EQ(Address(frame), 0);
    EXPECT_EQ(frame[8 + 17], level);
    EXPECT_FALSE(image.pending.load());
    EXPECT_EQ(mouse.Memory(emu::MemoryArea::Settings)[17], level);
}

TEST_F(WiringTest, FlushSendsEachPendingKindOnceInOrderAndSetsTheColourLayouts) {
    Start();
    WaitForMouseRead(50ms);
    ASSERT_TRUE(SpinUntil(
        [this] { return Connected(kChannelKeyboard) && Connected(kChannelMousepad); }, 3s));
    Spin(700ms); // the keyboard and mousepad reads of timers 11 and 12
    QWidget* rgb = wnd_->FindControl(QStringLiteral("RGB_Color_Edit_Layout"));
    QWidget* cycle = wnd_->FindControl(QStringLiteral("deng_7colorselect_layout"));
    if (!rgb) {
        rgb = new QWidget(wnd_->GetPaintManager().GetRoot());
        rgb->setObjectName(QStringLiteral("RGB_Color_Edit_Layout"));
    }
    if (!cycle) {
        cycle = new QWidget(wnd_->GetPaintManager().GetRoot());
        cycle->setObjectName(QStringLiteral("deng_7colorselect_layout"));
    }
    std::array<emu::EmulatedDevice*, 3> devices{bus_->Keyboard(), bus_->Mouse(), bus_->Mousepad()};
    for (auto* device : devices)
        device->ClearRequestLog();
    auto& mouse = subsystems_->MouseImage();

    // Mode 3 (colour cycle) enables the colour editor and disables the cycle choice.
    mouse.SetRecordByte(1, 3);
    subsystems_->MousepadImage().pending = true;
    subsystems_->KeyboardImage().pending = true;
    ASSERT_TRUE(SpinUntil(
        [&] {
            return std::all_of(devices.begin(), devices.end(),
                               [](auto* d) { return d->RequestCount() >= 1; });
        },
        2s));
    Spin(250ms);
    // One 56-byte write each, keyboard first, then the mouse, then the
    // mousepad; the bytes after the live record are zero.
    const std::array<std::size_t, 3> recordSizes{21, 41, 21};
    std::vector<std::chrono::steady_clock::time_point> times;
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const auto log = devices[i]->RequestLog();
        ASSERT_EQ(log.size(), 1u) << i;
        EXPECT_EQ(log.front().frame[3], kCmdWriteData);
        EXPECT_EQ(log.front().frame[4], 56);
        for (std::size_t b = 8 + recordSizes[i]; b < 64; ++b)
            EXPECT_EQ(log.front().frame[b], 0) << i << " byte " << b;
        times.push_back(log.front().time);
    }
    EXPECT_TRUE(std::is_sorted(times.begin(), times.end()));
    EXPECT_FALSE(mouse.pending.load());
    EXPECT_FALSE(subsystems_->KeyboardImage().pending.load());
    EXPECT_FALSE(subsystems_->MousepadImage().pending.load());
    EXPECT_TRUE(rgb->isEnabled());
    EXPECT_FALSE(cycle->isEnabled());

    // Mode 1 disables the colour editor only; any other mode enables both.
    mouse.SetRecordByte(1, 1);
    ASSERT_TRUE(SpinUntil([&] { return !mouse.pending.load(); }, 1s));
    EXPECT_FALSE(rgb->isEnabled());
    EXPECT_FALSE(cycle->isEnabled());
    mouse.SetRecordByte(1, 2);
    ASSERT_TRUE(SpinUntil([&] { return !mouse.pending.load(); }, 1s));
    EXPECT_TRUE(rgb->isEnabled());
    EXPECT_TRUE(cycle->isEnabled());
}

TEST_F(WiringTest, DpiSliderChangeReachesTheMouseThroughTheFlush) {
    Start();
    WaitForMouseRead(50ms);
    emu::EmulatedDevice& mouse = *bus_->Mouse();
    auto* slider = wnd_->FindControl<QSlider>(QStringLiteral("DPI_slider_3"));
    ASSERT_NE(slider, nullptr);
    // Timer 2 sleeps while nothing is pending.
    ASSERT_TRUE(SpinUntil([this] { return !wnd_->HasTimer(zk::app::kTimerLightFlush); }, 1s));
    mouse.ClearRequestLog();

    const int level =
        slider->value() == slider->minimum() ? slider->minimum() + 1 : slider->minimum();
    slider->setValue(level);
    zk::ui::TNotifyUI msg;
    msg.sType = QString::fromLatin1(zk::ui::DUI_MSGTYPE_VALUECHANGED);
    msg.pSender = slider;
    msg.senderName = slider->objectName();
    wnd_->RaiseNotify(msg);

    // The page stored the level in byte 17; timer 2 writes the record once.
    EXPECT_EQ(subsystems_->MouseImage().RecordByte(17), level);
    ASSERT_TRUE(SpinUntil([&] { return mouse.RequestCount() >= 1; }, 1s));
    Spin(250ms);
    const auto log = mouse.RequestLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log.front().frame[3], kCmdWriteData);
    EXPECT_EQ(log.front().frame[8 + 17], level);
    EXPECT_FALSE(wnd_->HasTimer(zk::app::kTimerLightFlush));

    // A change marked pending outside a notification (a profile applied by a
    // watcher, say) wakes timer 2, which writes it.
    mouse.ClearRequestLog();
    subsystems_->MouseImage().SetRecordByte(17, static_cast<uint8_t>(level + 1));
    ASSERT_TRUE(SpinUntil([&] { return mouse.RequestCount() >= 1; }, 1s));
    EXPECT_EQ(mouse.RequestLog().front().frame[8 + 17], level + 1);
    EXPECT_TRUE(SpinUntil([this] { return !wnd_->HasTimer(zk::app::kTimerLightFlush); }, 1s));
}

TEST_F(WiringTest, KeyboardModelOfTheCommandLineReachesTheKeyboardImage) {
    Start(1);
    EXPECT_EQ(bus_->Keyboard()->ProductId(), emu::kKeyboardProductId);
    ASSERT_TRUE(SpinUntil([this] { return Connected(kChannelKeyboard); }, 3s));
    EXPECT_TRUE(SpinUntil([this] { return subsystems_->KeyboardImage().model.load() == 1; }, 1s));
}

TEST_F(WiringTest, OnlyAMousepadAtStartLeavesTheWindowHiddenWithoutANotice) {
    Start(0, [this] {
        bus_->Mouse()->Unplug();
        bus_->Keyboard()->Unplug();
    });
    ASSERT_TRUE(SpinUntil([this] { return Connected(kChannelMousepad); }, 3s));
    Spin(1200ms); // past the first scans of all three kinds
    EXPECT_FALSE(wnd_->isVisible());
    EXPECT_FALSE(Connected(kChannelMouse));
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(WiringTest, ClosingStopsEveryThreadWellWithinTheBound) {
    Start();
    WaitForMouseRead(50ms);
    // Detection, notifications, tickers and the five application watchers.
    EXPECT_EQ(wnd_->Threads().StartedCount(), 14);
    const auto start = std::chrono::steady_clock::now();
    CloseAndWait();
    EXPECT_LE(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_TRUE(lines_.Has(std::string(zk::app::OutcomeLine(zk::app::StopOutcome::AllEnded))));
    EXPECT_FALSE(lines_.Has(std::string(zk::app::OutcomeLine(zk::app::StopOutcome::TimedOut))));
    for (const char* exitLine :
         {"鼠标设备侦测线程设定退出", "键盘设备侦测线程设定退出", "鼠标垫设备侦测线程设定退出",
          "鼠标同步线程设定测试退出", "键盘同步线程设定退出", "鼠标灯光线程设定退出"})
        EXPECT_TRUE(lines_.Has(exitLine)) << exitLine;
}

} // namespace
