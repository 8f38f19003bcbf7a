// The program as a native Wayland client: the main window wired as `zk412v --emulate` runs it,
// shown by a real compositor, and the DPI page driven through its widgets. Runs where the Qt
// platform is "wayland" (scripts/wayland-smoke.sh starts a headless weston for it); skipped on
// any other platform.

#include "MainWndTestEnv.h"

#include "emulator/Emulator.h"
#include "ui/Controls.h"
#include "ui/TrayIcon.h"

#include <QGuiApplication>
#include <QSlider>
#include <QTest>
#include <QWindow>

using namespace std::chrono_literals;
using apptest::Spin;
using apptest::SpinUntil;

namespace {

using apptest::WritesOf;

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
    ASSERT_NO_FATAL_FAILURE(WireEmulated());
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(WaitForMouseRead(0ms, 5s));
    ASSERT_TRUE(SpinUntil(
        [&] {
            return wnd_->isVisible() && wnd_->windowHandle() && wnd_->windowHandle()->isExposed();
        },
        5s))
        << "the compositor did not map the main window";

    ShowPage("ms_tab", "ms_dpi_Op_tab", 0ms);
    auto* slider = wnd_->FindControl<QSlider>(QStringLiteral("DPI_slider_3"));
    ASSERT_NE(slider, nullptr);
    ASSERT_TRUE(SpinUntil([&] { return slider->isVisible(); }, 2s));
    const QString label = zk::ui::GetText(wnd_->FindControl(QStringLiteral("DPI_label_3")));
    const size_t before = WritesOf(*mouse_).size();
    slider->setFocus();
    QTest::keyClick(slider, slider->value() < slider->maximum() ? Qt::Key_Right : Qt::Key_Left);
    EXPECT_TRUE(SpinUntil([&] { return WritesOf(*mouse_).size() > before; }, 2s));
    EXPECT_NE(zk::ui::GetText(wnd_->FindControl(QStringLiteral("DPI_label_3"))), label);

    Screenshot(QStringLiteral("wayland_dpi"));
}

} // namespace
