// The main window on desktops with and without a tray, a minimised start, and a device that is
// plugged in but refuses this user: the whole program wired as it runs, against the emulated
// devices or the hidraw back end over a prepared node tree.

#include "MainWndTestEnv.h"

#include "app/DeviceNotice.h"
#include "app/Subsystems.h"
#include "app/Wiring.h"
#include "device/HidBackend.h"
#include "device/HidrawBackend.h"
#include "emulator/Emulator.h"
#include "support/RefusedNode.h"
#include "ui/ResourceManager.h"
#include "ui/TrayIcon.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace std::chrono_literals;
using apptest::Spin;
using apptest::SpinUntil;
using zk::app::kChannelMouse;
namespace emu = zk::emulator;

namespace {

QString Text(const char* key) {
    return zk::ui::ResourceManager::GetInstance().GetText(QString::fromLatin1(key));
}

QString LabelText(QWidget* parent, const char* name) {
    auto* label = parent->findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QString();
}

class DesktopTest : public apptest::MainWndTest {
protected:
    void TearDown() override {
        apptest::MainWndTest::TearDown();
        zk::ui::TrayIcon::SetTrayAvailableOverride(std::nullopt);
        zk::device::InstallHidBackend(nullptr);
    }
    // Starts the program with the emulated devices; `unplugged` are pulled
    // out before any thread runs.
    void Start(bool tray, const std::set<zk::device::DeviceKind>& unplugged = {}) {
        zk::ui::TrayIcon::SetTrayAvailableOverride(tray);
        ASSERT_NO_FATAL_FAILURE(WireEmulated({}, unplugged));
        Open();
    }
    bool Shown() const { return wnd_->isVisible() && !wnd_->isMinimized(); }
    bool NoticeShown() const { return wnd_->Notice() && wnd_->Notice()->isVisible(); }
    void ChooseTrayMenuItem(const char* name) {
        zk::ui::MenuWnd* menu = wnd_->TrayMenu();
        ASSERT_NE(menu, nullptr);
        QAction* item = menu->FindItem(QString::fromLatin1(name));
        ASSERT_NE(item, nullptr) << name;
        menu->Choose(item);
        Spin(50ms);
    }
};

using zk::device::DeviceKind;
constexpr std::initializer_list<DeviceKind> kAll = {DeviceKind::Mouse, DeviceKind::Keyboard,
                                                    DeviceKind::Mousepad};

TEST_F(DesktopTest, WithATrayTheWindowWaitsHiddenAndTheCaptionHasNoMenuButton) {
    Start(true, kAll);
    Spin(300ms);
    EXPECT_FALSE(wnd_->isVisible());
    EXPECT_EQ(wnd_->MenuButton(), nullptr);
    bus_->Keyboard()->Replug();
    ASSERT_TRUE(SpinUntil([this] { return Shown(); }, 3s));
    EXPECT_FALSE(NoticeShown());
    // The last device gone: hidden again (into the tray).
    bus_->Keyboard()->Unplug();
    EXPECT_TRUE(SpinUntil([this] { return !wnd_->isVisible(); }, 3s));
}

TEST_F(DesktopTest, WithoutATrayTheWindowStaysOnScreenSaysNoDeviceAndOffersTheTrayMenu) {
    Start(false, kAll);
    Spin(300ms);
    ASSERT_TRUE(Shown());
    ASSERT_TRUE(NoticeShown());
    EXPECT_EQ(LabelText(wnd_->Notice(), "device_notice_title"), Text("device_notice_title"));
    Screenshot(QStringLiteral("no_tray_no_device_cn"));

    // The tray menu from the caption: language, about and exit.
    QPushButton* menu = wnd_->MenuButton();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->toolTip(), Text("caption_tip_menu"));
    QTest::mouseClick(menu, Qt::LeftButton);
    ASSERT_TRUE(SpinUntil([this] { return wnd_->TrayMenu() && wnd_->TrayMenu()->IsOpen(); }));
    for (const char* item : {"exit", "language", "About_setting"})
        EXPECT_NE(wnd_->TrayMenu()->FindItem(QString::fromLatin1(item)), nullptr) << item;
    const QString chineseTitle = LabelText(wnd_->Notice(), "device_notice_title");
    ChooseMenuItem("lan_en");
    EXPECT_EQ(zk::ui::ResourceManager::GetInstance().GetLanguage(), QStringLiteral("en"));
    EXPECT_EQ(LabelText(wnd_->Notice(), "device_notice_title"), Text("device_notice_title"));
    EXPECT_NE(LabelText(wnd_->Notice(), "device_notice_title"), chineseTitle);
    EXPECT_EQ(menu->toolTip(), Text("caption_tip_menu"));
    EXPECT_EQ(wnd_->FindControl(QStringLiteral("closebtn"))->toolTip(), Text("caption_tip_close"));
    Screenshot(QStringLiteral("no_tray_no_device_en"));

    // A device comes and goes: the pages, then the notice again, never hidden.
    bus_->Mouse()->Replug();
    ASSERT_TRUE(SpinUntil([this] { return wnd_->Channel(kChannelMouse).IsConnected(); }, 3s));
    EXPECT_TRUE(SpinUntil([this] { return !NoticeShown(); }, 1s));
    bus_->Mouse()->Unplug();
    ASSERT_TRUE(SpinUntil([this] { return !wnd_->Channel(kChannelMouse).IsConnected(); }, 3s));
    EXPECT_TRUE(SpinUntil([this] { return NoticeShown(); }, 1s));
    Spin(200ms);
    EXPECT_TRUE(Shown());

    // Closing minimises into the task bar.
    QTest::mouseClick(wnd_->FindControl<QPushButton>(QStringLiteral("closebtn")), Qt::LeftButton);
    EXPECT_TRUE(SpinUntil([this] { return wnd_->isMinimized(); }));
    EXPECT_TRUE(wnd_->isVisible());
    ChooseTrayMenuItem("exit");
    EXPECT_TRUE(SpinUntil([this] { return !wnd_->IsWindow(); }, 15s));
}

class MinimizedStart : public DesktopTest, public ::testing::WithParamInterface<bool> {};

TEST_P(MinimizedStart, AFoundDeviceLeavesTheWindowDownUntilTheUserAsks) {
    const bool tray = GetParam();
    wnd_->SetStartMinimized(true);
    Start(tray);
    ASSERT_TRUE(SpinUntil([this] { return wnd_->Channel(kChannelMouse).IsConnected(); }, 3s));
    Spin(800ms); // the activation of the first scan and the keyboard's show have run
    EXPECT_FALSE(Shown());
    EXPECT_EQ(wnd_->isVisible(), !tray); // in the task bar when there is no tray
    wnd_->RequestActivation();
    EXPECT_TRUE(SpinUntil([this] { return Shown(); }, 2s));
}

INSTANTIATE_TEST_SUITE_P(Desktop, MinimizedStart, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "tray" : "noTray"; });

// The mouse, the keyboard and the mousepad are plugged in, but their nodes
// refuse this user (no device rule): the window comes up once, in both
// languages, with the commands that install the rule.
TEST_F(DesktopTest, RefusedDevicesBringUpTheRuleCommandsOnce) {
    zktest::FakeHidrawTree tree;
    const auto config = emu::EmulatedDevice::ConfigDescriptor();
    tree.AddNode("hidraw1", "0003:260D:1138.0001", "0003:0000260D:00001138", config, true);
    tree.AddNode("hidraw2", "0003:0C45:6556.0002", "0003:00000C45:00006556", config, true);
    tree.AddNode("hidraw3", "0003:0C45:5004.0003", "0003:00000C45:00005004", config, true);
    zk::device::InstallHidBackend(std::make_shared<zk::device::HidrawBackend>(
        zk::device::SysfsHidrawLister(tree.SysRoot(), tree.DevRoot())));
    zk::ui::TrayIcon::SetTrayAvailableOverride(true);
    zk::app::WireSubsystems(*wnd_, zk::app::AppOptions{});
    // The worker threads started by the window inherit this thread's rights.
    zktest::FileModesApply modes;
    if (!modes.Applies())
        GTEST_SKIP() << "file modes cannot be made to apply to this process";
    Open();

    ASSERT_TRUE(SpinUntil([this] { return Shown() && NoticeShown(); }, 5s));
    zk::app::DeviceNotice* notice = wnd_->Notice();
    ASSERT_TRUE(notice->IsNoAccess());
    const QString commands = notice->findChild<QPlainTextEdit*>()->toPlainText();
    const QString installed = zk::app::InstalledDeviceRule();
    const QString shipped = zk::app::ShippedDeviceRule();
    if (installed.isEmpty()) {
        ASSERT_FALSE(shipped.isEmpty()) << "the build stages the rule beside the program";
        EXPECT_TRUE(commands.startsWith(QStringLiteral("sudo install -m 0644 '%1' "
                                                       "/etc/udev/rules.d/70-zk412v.rules\n")
                                            .arg(shipped)))
            << commands.toStdString();
    }
    EXPECT_TRUE(commands.endsWith(QStringLiteral("sudo udevadm control --reload-rules\n"
                                                 "sudo udevadm trigger --subsystem-match=hidraw")))
        << commands.toStdString();
    const QString text = LabelText(notice, "device_notice_text");
    EXPECT_TRUE(text.contains(tree.DevNode("hidraw1").c_str()) ||
                text.contains(tree.DevNode("hidraw2").c_str()) ||
                text.contains(tree.DevNode("hidraw3").c_str()))
        << text.toStdString();
    EXPECT_EQ(LabelText(notice, "device_notice_title"), Text("device_access_title"));
    Screenshot(QStringLiteral("no_access_cn"));

    // Hidden by the user, it stays hidden: the notice came once, though three
    // threads saw refused nodes and keep scanning.
    wnd_->ShowWindow(false);
    Spin(2500ms);
    EXPECT_FALSE(wnd_->isVisible());
    int shown = 0;
    for (const char* node : {"hidraw1", "hidraw2", "hidraw3"})
        shown += lines_.Count("no access notice: " + tree.DevNode(node));
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(lines_.Count("no access to " + tree.DevNode("hidraw1")), 1);

    // Asked for from the tray, the window shows the commands instead of a
    // "no device" box; in English too.
    wnd_->PostMessage(zk::ui::UIMSG_TRAYICON, 1, zk::ui::WM_LBUTTONUP);
    ASSERT_TRUE(SpinUntil([this] { return Shown(); }, 2s));
    EXPECT_TRUE(boxes_.empty());
    const QString chinese = LabelText(notice, "device_notice_title");
    wnd_->PostMessage(zk::ui::UIMSG_TRAYICON, 1, zk::ui::WM_RBUTTONUP);
    ASSERT_TRUE(SpinUntil([this] { return wnd_->TrayMenu() != nullptr; }));
    ChooseMenuItem("lan_en");
    EXPECT_EQ(LabelText(notice, "device_notice_title"), Text("device_access_title"));
    EXPECT_NE(LabelText(notice, "device_notice_title"), chinese);
    Screenshot(QStringLiteral("no_access_en"));
}

} // namespace
