// The mouse lighting page in the whole program: the main window with its
// subsystems as `zk412v --emulate` runs it. The page shows what the mouse
// holds, a mode and a colour reach the mouse, and the mouse picture's preview
// follows them.

#include "app/MainWndTestEnv.h"

#include "app/Subsystems.h"
#include "app/Wiring.h"
#include "emulator/Emulator.h"
#include "settings/LightLayout.h"
#include "ui/Controls.h"
#include "ui/ResourceManager.h"

#include <QAbstractButton>
#include <QDir>
#include <QSlider>
#include <QTest>

using namespace std::chrono_literals;
using apptest::Spin;
using apptest::SpinUntil;
namespace emu = zk::emulator;
using namespace zk::settings;

namespace {

constexpr std::size_t kReadMouseAllFrames = 63;

class MainWindowLight : public apptest::MainWndTest {
protected:
    void OpenEmulated() {
        zk::app::AppOptions options;
        options.emulate = true;
        zk::app::WireSubsystems(*wnd_, options);
        subsystems_ = zk::app::Subsystems::Of(*wnd_);
        ASSERT_NE(subsystems_, nullptr);
        mouse_ = subsystems_->Emulator()->Mouse();
        Open();
        ASSERT_TRUE(
            SpinUntil([this] { return wnd_->Channel(zk::app::kChannelMouse).IsConnected(); }, 3s));
        ASSERT_TRUE(
            SpinUntil([this] { return mouse_->RequestCount() >= kReadMouseAllFrames; }, 3s));
        Spin(100ms);
        for (const char* tab : {"ms_tab", "ms_deng_Op_tab"}) {
            auto* button = wnd_->FindControl<QAbstractButton>(QString::fromLatin1(tab));
            ASSERT_NE(button, nullptr) << tab;
            button->click();
        }
        Spin(50ms);
    }
    void Click(const char* name) {
        auto* button = wnd_->FindControl<QAbstractButton>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    }
    void Screenshot(const QString& name) {
        const QString dir = qEnvironmentVariable("ZK_SCREENSHOT_DIR");
        if (dir.isEmpty())
            return;
        QDir().mkpath(dir);
        wnd_->grab().save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
    }
    void Language(const char* code) {
        auto& rm = zk::ui::ResourceManager::GetInstance();
        rm.SetLanguage(QString::fromLatin1(code));
        rm.LoadLanguage(QStringLiteral("lan_%1.xml").arg(QString::fromLatin1(code)));
        rm.ReloadText();
        Spin(50ms);
    }
    // True once every LED of the mouse picture shows `tint`.
    bool PictureShows(std::uint32_t tint) const {
        for (std::size_t led = 0; led < 20; ++led)
            if (subsystems_->Preview().Frame().Mouse(led) != tint)
                return false;
        return true;
    }

    zk::app::Subsystems* subsystems_ = nullptr;
    emu::EmulatedDevice* mouse_ = nullptr;
};

TEST_F(MainWindowLight, ThePageShowsTheMouseAndThePictureFollowsModeAndColour) {
    OpenEmulated();
    // The page shows the light the mouse holds.
    const auto held = mouse_->Memory(emu::MemoryArea::Settings);
    EXPECT_EQ(wnd_->FindControl<QSlider>(QStringLiteral("ms_deng_light_slider"))->value(),
              held[kLightBrightness]);
    EXPECT_EQ(wnd_->FindControl<QSlider>(QStringLiteral("ms_deng_speed_slider"))->value(),
              4 - held[kLightSpeed]);
    Language("en");
    Screenshot(QStringLiteral("light_modes_en"));
    Language("cn");
    Screenshot(QStringLiteral("light_modes_cn"));
    Click("ms_deng_view_list");
    Spin(50ms);
    Screenshot(QStringLiteral("light_list_cn"));
    Language("en");
    Screenshot(QStringLiteral("light_list_en"));
    Click("ms_deng_view_modes");

    // Steady red: the mouse has it within a flush, the picture shows it. The
    // colour controls open for the steady light once it was written.
    Click("light_check_1");
    QWidget* colours = wnd_->FindControl(QStringLiteral("RGB_Color_Edit_Layout"));
    ASSERT_TRUE(SpinUntil([&] { return colours->isEnabled(); }, 1s));
    Click("color_option_1");
    const std::uint32_t red =
        zk::ui::GetBkColor(wnd_->FindControl(QStringLiteral("color_option_1"))) | 0xFF000000u;
    ASSERT_TRUE(SpinUntil(
        [&] {
            const auto m = mouse_->Memory(emu::MemoryArea::Settings);
            return m[kLightMode] == 3 && m[kLightRed] == ((red >> 16) & 0xFF) &&
                   m[kLightGreen] == ((red >> 8) & 0xFF) && m[kLightBlue] == (red & 0xFF);
        },
        1s));
    // The mouse ticker starts drawing 3 s after start-up.
    ASSERT_TRUE(SpinUntil([&] { return PictureShows(red); }, 6s));
    Spin(120ms);
    Screenshot(QStringLiteral("light_picture_steady"));

    // Seven-colour spectrum: the picture leaves the single colour.
    Click("light_check_3");
    ASSERT_TRUE(SpinUntil([&] { return !PictureShows(red); }, 2s));
    Click("light_check_4");
    QWidget* cycle = wnd_->FindControl(QStringLiteral("deng_7colorselect_layout"));
    ASSERT_TRUE(SpinUntil([&] { return cycle->isEnabled() && colours->isEnabled(); }, 1s));
    Click("ms_Deng_7color_check");
    EXPECT_EQ(subsystems_->MouseImage().RecordByte(kLightColourCycle), 1);
    Spin(400ms);
    Screenshot(QStringLiteral("light_picture_wave"));
    EXPECT_TRUE(
        SpinUntil([this] { return mouse_->Memory(emu::MemoryArea::Settings)[1] == 0; }, 1s));
}

} // namespace
