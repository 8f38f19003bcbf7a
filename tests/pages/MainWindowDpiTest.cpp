// The DPI page in the whole program: the main window with its subsystems as
// `zk412v --emulate` runs it, a drag on a stage slider, and the frame the
// emulated mouse receives.

#include "app/MainWndTestEnv.h"

#include "emulator/Emulator.h"
#include "profiles/ProfileFile.h"
#include "profiles/ProfileIndex.h"
#include "profiles/ProfileStore.h"
#include "support/WidgetTools.h"
#include "ui/Controls.h"

#include <QSlider>
#include <QTest>

#include <algorithm>

using namespace std::chrono_literals;
using apptest::Spin;
using apptest::SpinUntil;
namespace emu = zk::emulator;

namespace {

using apptest::WritesOf;

using MainWindowDpi = apptest::MainWndTest;

TEST_F(MainWindowDpi, ADragOnStageThreeReachesTheMouseAsOneFrameWithin100Ms) {
    OpenEmulated();
    ShowPage("ms_tab", "ms_dpi_Op_tab");
    auto* slider = wnd_->FindControl<QSlider>(QStringLiteral("DPI_slider_3"));
    ASSERT_NE(slider, nullptr);
    const auto caps = mouse_->Memory(emu::MemoryArea::Capabilities);
    const int maxLevel = caps[12];
    const int base = caps[13] | (caps[14] << 8);
    ASSERT_GT(maxLevel, 0);
    // The page shows what the mouse holds.
    EXPECT_EQ(slider->maximum(), maxLevel);
    const auto settings = mouse_->Memory(emu::MemoryArea::Settings);
    EXPECT_EQ(slider->value(), std::min<int>(settings[17], maxLevel));
    EXPECT_EQ(zk::ui::GetText(wnd_->FindControl(QStringLiteral("DPI_label_3"))),
              QString::number(zk::settings::DpiOfLevel(slider->value(), base)));
    Screenshot(QStringLiteral("dpi_main"));

    // Start right after a flush: a keyboard step on another stage, whose
    // frame marks a tick of timer 2.
    mouse_->ClearRequestLog();
    auto* other = wnd_->FindControl<QSlider>(QStringLiteral("DPI_slider_1"));
    ASSERT_NE(other, nullptr);
    other->setFocus();
    QTest::keyClick(other, other->value() > 0 ? Qt::Key_Left : Qt::Key_Right);
    ASSERT_TRUE(SpinUntil([this] { return WritesOf(*mouse_).size() == 1; }, 1s));
    mouse_->ClearRequestLog();

    const int before = slider->value();
    const QPoint start = zktest::HandleCentre(slider);
    const int step = std::max(1, slider->width() / std::max(1, maxLevel));
    const int direction = before < maxLevel / 2 ? 1 : -1;
    QTest::mousePress(slider, Qt::LeftButton, {}, start);
    const auto firstMove = std::chrono::steady_clock::now();
    for (int i = 1; i <= 4; ++i)
        QTest::mouseMove(slider, start + QPoint(direction * step * 3 * i, 0));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, start + QPoint(direction * step * 12, 0));
    const int level = slider->value();
    ASSERT_NE(level, before);

    ASSERT_TRUE(SpinUntil([this] { return !WritesOf(*mouse_).empty(); }, 1s));
    Spin(250ms);
    const auto writes = WritesOf(*mouse_);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].frame[4], 56);
    EXPECT_EQ(writes[0].frame[5] | (writes[0].frame[6] << 8), 0);
    EXPECT_EQ(writes[0].frame[8 + 17], level);
    EXPECT_TRUE(writes[0].checksumOk);
    EXPECT_LE(
        std::chrono::duration_cast<std::chrono::milliseconds>(writes[0].time - firstMove).count(),
        110);
    EXPECT_EQ(mouse_->Memory(emu::MemoryArea::Settings)[17], level);
    EXPECT_EQ(zk::ui::GetText(wnd_->FindControl(QStringLiteral("DPI_label_3"))),
              QString::number(zk::settings::DpiOfLevel(level, base)));

    // The selected profile on disk holds the same byte.
    const auto path = zk::profiles::ProfileFilePath(
        zk::profiles::DeviceKind::Mouse,
        zk::profiles::MouseProfileStore::Index().SelectedName(zk::profiles::ProfileKind::Device),
        zk::profiles::kDeviceExtension);
    ASSERT_TRUE(path);
    std::array<std::uint8_t, zk::profiles::kMouseDeviceBody> body{};
    ASSERT_EQ(zk::profiles::ReadProfileFile(*path, body), zk::profiles::kProfileRead);
    EXPECT_EQ(body[zk::settings::kButtonTableSize + 17], level);
}

} // namespace
