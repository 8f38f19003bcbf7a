// The program as a native Wayland client: the main window wired as `zk412v --emulate` runs it,
// shown by a real compositor, and the DPI page driven through its widgets. Runs where the Qt
// platform is "wayland" (scripts/wayland-smoke.sh starts a headless weston for it); skipped on
// any other platform.

#include "MainWndTestEnv.h"

#include "app/Subsystems.h"
#include "app/Wiring.h"
#include "emulator/Emulator.h"
#include "ui/Controls.h"
#include "ui/TrayIcon.h"

#include <QAbstractButton>
#include <QDir>
#include <QGuiApplication>
#include <QSlider>
#include <QTest>
#include <QWindow>

using namespace std::chrono_literals;
using apptest::Spin;
using apptest::SpinUntil;
namespace emu = zk::emulator;

namespace {

constexpr std::uint8_t kCmdWriteData = 0x06;

size_t Writes(const emu::EmulatedDevice& mouse) {
    size_t n = 0;
    for (const auto& r : mouse.RequestLog())
        n += r.frame[3] == kCmdWriteData ? 1 : 0;
    return n;
}

class WaylandSmoke : public apptest::MainWndTest {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("wayland"))
            GTEST_SKIP() << "not a Wayland session (platform "
                         << qPrintable(QGuiApplication::platformName()) << ")";
        apptest::MainWndTest::SetUp();
    }
};

TEST_F(WaylandSmoke, TheWindowIsMappedAndTheDpiPageReachesTheMouse) {
    // The desktop decides about the tray; the compositor alone has none.
    zk::ui::TrayIcon::SetTrayAvailableOverride(std::nullopt);
    zk::app::AppOptions options;
    options.emulate = true;
    zk::app::WireSubsystems(*wnd_, options);
    emu::EmulatedDevice* mouse = zk::app::Subsystems::Of(*wnd_)->Emulator()->Mouse();
    Open();
    ASSERT_TRUE(SpinUntil([&] { return wnd_->Channel(zk::app::kChannelMouse).IsConnected(); }, 5s));
    ASSERT_TRUE(SpinUntil([&] { return mouse->RequestCount() >= 63; }, 5s));
    ASSERT_TRUE(SpinUntil(
        [&] {
            return wnd_->isVisible() && wnd_->windowHandle() && wnd_->windowHandle()->isExposed();
        },
        5s))
        << "the compositor did not map the main window";

    wnd_->FindControl<QAbstractButton>(QStringLiteral("ms_tab"))->click();
    if (auto* dpiTab = wnd_->FindControl<QAbstractButton>(QStringLiteral("ms_dpi_Op_tab")))
        dpiTab->click();
    auto* slider = wnd_->FindControl<QSlider>(QStringLiteral("DPI_slider_3"));
    ASSERT_NE(slider, nullptr);
    ASSERT_TRUE(SpinUntil([&] { return slider->isVisible(); }, 2s));
    const QString label = zk::ui::GetText(wnd_->FindControl(QStringLiteral("DPI_label_3")));
    const size_t before = Writes(*mouse);
    slider->setFocus();
    QTest::keyClick(slider, slider->value() < slider->maximum() ? Qt::Key_Right : Qt::Key_Left);
    EXPECT_TRUE(SpinUntil([&] { return Writes(*mouse) > before; }, 2s));
    EXPECT_NE(zk::ui::GetText(wnd_->FindControl(QStringLiteral("DPI_label_3"))), label);

    const QString dir = qEnvironmentVariable("ZK_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        wnd_->grab().save(QDir(dir).filePath(QStringLiteral("wayland_dpi.png")));
}

} // namespace
