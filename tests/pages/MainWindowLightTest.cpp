// The mouse lighting page in the whole program: the main window with its
// subsystems as `zk412v --emulate` runs it. The page shows what the mouse
// holds, a mode and a colour reach the mouse, and the mouse picture's preview
// follows them.

#include "app/MainWndTestEnv.h"

#include "app/Subsystems.h"
#include "controls/LightPicture.h"
#include "emulator/Emulator.h"
#include "settings/LightLayout.h"
#include "ui/Controls.h"
#include "ui/ResourceManager.h"

#include "support/WidgetTools.h"

#include <QAbstractButton>
#include <QSlider>
#include <QTest>

using namespace std::chrono_literals;
using apptest::Spin;
using apptest::SpinUntil;
namespace emu = zk::emulator;
using namespace zk::settings;

namespace {

class MainWindowLight : public apptest::MainWndTest {
protected:
    void Click(const char* name) {
        auto* button = wnd_->FindControl<QAbstractButton>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
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
};

TEST_F(MainWindowLight, ThePageShowsTheMouseAndThePictureFollowsModeAndColour) {
    OpenEmulated();
    ShowPage("ms_tab", "ms_deng_Op_tab");
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

TEST_F(MainWindowLight, TheMousePictureOverKeptBackdropsLooksAsDrawnBeneath) {
    OpenEmulated();
    ShowPage("ms_tab", "ms_deng_Op_tab");
    QWidget* picture = wnd_->FindControl(QStringLiteral("mouse_picture"));
    ASSERT_NE(picture, nullptr);
    const auto leds = picture->findChildren<zk::controls::CLightPictureUI*>();
    ASSERT_EQ(leds.size(), 20);
    for (auto* led : leds)
        EXPECT_TRUE(led->PaintsBackdrop()) << led->objectName().toStdString();
    // What the window shows of the mouse picture (the offscreen screen holds
    // the window's repainted pixels).
    const QRect area(picture->mapTo(wnd_.get(), QPoint()), picture->size());
    const auto onScreen = [&] {
        Spin(150ms);
        return wnd_->screen()
            ->grabWindow(wnd_->winId(), area.x(), area.y(), area.width(), area.height())
            .toImage();
    };

    // Two steady colours one after the other: the second repaints the LEDs
    // over their backdrops and the captions from their kept pictures.
    Click("light_check_1");
    QWidget* colours = wnd_->FindControl(QStringLiteral("RGB_Color_Edit_Layout"));
    ASSERT_TRUE(SpinUntil([&] { return colours->isEnabled(); }, 1s));
    for (const char* option : {"color_option_1", "color_option_3"}) {
        Click(option);
        const std::uint32_t tint =
            zk::ui::GetBkColor(wnd_->FindControl(QString::fromLatin1(option))) | 0xFF000000u;
        ASSERT_TRUE(SpinUntil([&] { return PictureShows(tint); }, 6s)) << option;
    }
    const QImage kept = onScreen();

    // The same light drawn over the widgets beneath, as without backdrops.
    for (auto* led : leds)
        led->SetPaintsBackdrop(false);
    const QImage beneath = onScreen();
    EXPECT_LE(zktest::LargestDifference(kept, beneath), 1);
    for (auto* led : leds)
        led->SetPaintsBackdrop(true);
    EXPECT_LE(zktest::LargestDifference(onScreen(), beneath), 1);
}

} // namespace
