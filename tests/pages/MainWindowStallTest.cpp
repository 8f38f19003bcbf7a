// The main window as `zk412v --emulate` runs it, against an emulated mouse
// that stops answering or stops reading: the window keeps running, the user
// is told once when the mouse goes silent and once when it answers again, and
// the last DPI value reaches the mouse. And a burst of slider steps reaches a
// quiet mouse as two frames: the first at once, the last with the final value.

#include "app/MainWndTestEnv.h"

#include "app/windows/MsgWnd.h"
#include "emulator/Emulator.h"
#include "platform/PrivateFonts.h"
#include "support/WidgetTools.h"
#include "ui/Controls.h"
#include "ui/MenuWnd.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <algorithm>

using namespace std::chrono_literals;
using apptest::Spin;
using apptest::SpinUntil;
using Clock = std::chrono::steady_clock;
namespace emu = zk::emulator;

namespace {

using apptest::WritesOf;

constexpr std::size_t kStageThreeLevel = 8 + 17; // frame byte of the stage's level

// The longest time the window's event loop went without running a 5 ms timer.
class Heartbeat {
public:
    Heartbeat() {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const auto now = Clock::now();
            longest_ = std::max(longest_, now - last_);
            last_ = now;
        });
        last_ = Clock::now();
        timer_.start(5);
    }
    std::chrono::milliseconds Longest() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(longest_);
    }

private:
    QTimer timer_;
    Clock::time_point last_;
    Clock::duration longest_{};
};

class MainWindowStall : public apptest::MainWndTest {
protected:
    void OpenOnDpiPage() {
        ASSERT_NO_FATAL_FAILURE(OpenEmulated());
        ASSERT_NO_FATAL_FAILURE(ShowPage("ms_tab", "ms_dpi_Op_tab", 0ms));
        slider_ = wnd_->FindControl<QSlider>(QStringLiteral("DPI_slider_3"));
        ASSERT_NE(slider_, nullptr);
        ASSERT_GT(slider_->maximum(), 8);
        slider_->setFocus();
        Spin(50ms);
    }

    // One keyboard step of the stage-three slider, towards the far end, and
    // the event loop's turn that follows each key a user types.
    void Step(bool up) {
        QTest::keyClick(slider_, up ? Qt::Key_Right : Qt::Key_Left);
        QCoreApplication::processEvents();
    }

    int BoxesOf(const char* key) const {
        return static_cast<int>(std::count_if(boxes_.begin(), boxes_.end(), [key](const auto& b) {
            return b.isKey && b.text == QLatin1String(key);
        }));
    }

    std::uint8_t MouseLevel() const { return mouse_->Memory(emu::MemoryArea::Settings)[17]; }

    QSlider* slider_ = nullptr;
};

struct Stall {
    const char* name;
    void (*stop)(emu::EmulatedDevice&, bool);
};

TEST_F(MainWindowStall, ASilentMouseNeverFreezesTheWindowAndGetsTheLastValueWhenItAnswers) {
    const Stall stalls[] = {
        {"hangs", [](emu::EmulatedDevice& d, bool s) { d.SetStopAnswering(s); }},
        {"stops reading", [](emu::EmulatedDevice& d, bool s) { d.SetStopReading(s); }},
    };
    OpenOnDpiPage();
    for (const Stall& stall : stalls) {
        SCOPED_TRACE(stall.name);
        boxes_.clear();
        const bool up = slider_->value() < slider_->maximum() / 2;
        const Heartbeat heartbeat;
        stall.stop(*mouse_, true);
        // DPI changes while the mouse is silent, a tick of the flush apart.
        for (int i = 0; i < 4; ++i) {
            Step(up);
            Spin(110ms);
        }
        const int final = slider_->value();
        ASSERT_NE(MouseLevel(), final);
        ASSERT_TRUE(SpinUntil([this] { return BoxesOf("message_no_answer_mouse") > 0; }, 4s));
        Spin(600ms); // the probe keeps trying: no second box
        EXPECT_NE(MouseLevel(), final);

        stall.stop(*mouse_, false);
        ASSERT_TRUE(SpinUntil(
            [&] { return BoxesOf("message_answers_again_mouse") > 0 && MouseLevel() == final; },
            4s));
        Spin(250ms);
        EXPECT_EQ(BoxesOf("message_no_answer_mouse"), 1);
        EXPECT_EQ(BoxesOf("message_answers_again_mouse"), 1);
        const auto writes = WritesOf(*mouse_);
        ASSERT_FALSE(writes.empty());
        EXPECT_EQ(writes.back().frame[kStageThreeLevel], final);
        EXPECT_LT(heartbeat.Longest(), 100ms);
        mouse_->ClearRequestLog();
    }

    // The two notices as the user sees them, in both languages: the whole
    // text inside the box.
    zk::platform::LoadPrivateFont(apptest::StageDir() + QStringLiteral("/"),
                                  QStringLiteral("Font/Simplified_Chinese.ttf"));
    for (bool chinese : {false, true}) {
        zk::ui::MenuCmd cmd;
        cmd.szName = chinese ? QStringLiteral("lan_cn") : QStringLiteral("lan_en");
        wnd_->SendMessage(zk::ui::UIMSG_MENUCLICK, reinterpret_cast<zk::ui::WPARAM>(&cmd));
        Spin(50ms);
        for (const char* key : {"message_no_answer_mouse", "message_answers_again_mouse"}) {
            SCOPED_TRACE(key);
            auto* box = new zk::app::CMsgWnd;
            ASSERT_TRUE(
                box->Create(wnd_.get(), QStringLiteral("msgwnd"), zk::ui::WindowStyle::Dialog));
            box->SetMessage(QString::fromLatin1(key), true);
            box->CenterWindow();
            box->ShowWindow(true);
            Spin(150ms);
            auto* text = box->FindControl<QLabel>(QStringLiteral("MessageText"));
            ASSERT_NE(text, nullptr);
            EXPECT_FALSE(text->text().startsWith(QLatin1String("message_")));
            EXPECT_LE(text->heightForWidth(text->width()), text->height());
            zktest::SaveWindowPicture(
                box, QStringLiteral("stall_%1_%2")
                         .arg(QString::fromLatin1(key),
                              chinese ? QStringLiteral("cn") : QStringLiteral("en")));
            box->Close();
        }
    }
}

TEST_F(MainWindowStall, ABurstOfStepsOnAQuietMouseGoesOutAsTwoFramesTheLastWithTheFinalValue) {
    OpenOnDpiPage();
    Spin(200ms); // nothing written in the last 100 ms
    mouse_->ClearRequestLog();
    const bool up = slider_->value() < slider_->maximum() / 2;
    Step(up);
    const int first = slider_->value();
    for (int i = 0; i < 4; ++i)
        Step(up);
    const int final = slider_->value();
    ASSERT_NE(first, final);
    ASSERT_TRUE(SpinUntil([this] { return WritesOf(*mouse_).size() >= 2; }, 1s));
    Spin(300ms);

    const auto writes = WritesOf(*mouse_);
    ASSERT_EQ(writes.size(), 2u);
    // The first step went out before the rest of the burst was made.
    EXPECT_EQ(writes[0].frame[kStageThreeLevel], first);
    EXPECT_EQ(writes[1].frame[kStageThreeLevel], final);
    // Arrival times at the device: a loaded machine may deliver the first a
    // few milliseconds late.
    EXPECT_GE(writes[1].time - writes[0].time, 95ms);
    EXPECT_EQ(MouseLevel(), final);
}

} // namespace
