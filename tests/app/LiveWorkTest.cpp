// What the program does while nobody can see it: the whole program wired as it
// runs against the emulated devices. The light tickers, the animation and
// repaint timers and the keyboard tab's connection poll run only while the
// window is on screen with a device to show, and come back at once; a start
// without a device never maps the window where a tray holds the program; the
// tab in front after a start with several devices does not depend on which
// detection thread reports last.

#include "MainWndTestEnv.h"

#include "app/Subsystems.h"
#include "app/Wiring.h"
#include "emulator/Emulator.h"
#include "ui/TrayIcon.h"

#include <QAbstractButton>
#include <QEvent>

#include <set>

using namespace std::chrono_literals;
using apptest::Spin;
using apptest::SpinUntil;
using zk::app::kChannelKeyboard;
using zk::app::kChannelMouse;
using zk::app::kChannelMousepad;
using zk::app::kTimerAnimation;
using zk::app::kTimerRepaint;
using zk::device::DeviceKind;

namespace {

// Counts the times a widget was shown.
class ShowCounter : public QObject {
public:
    int shows = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show)
            ++shows;
        return QObject::eventFilter(watched, event);
    }
};

class LiveWorkTest : public apptest::MainWndTest {
protected:
    void TearDown() override {
        apptest::MainWndTest::TearDown();
        zk::ui::TrayIcon::SetTrayAvailableOverride(std::nullopt);
    }

    // Starts the program as the entry point does, with the emulated devices
    // except `unplugged`.
    void Start(bool tray, const std::set<DeviceKind>& unplugged = {}) {
        zk::ui::TrayIcon::SetTrayAvailableOverride(tray);
        ASSERT_NO_FATAL_FAILURE(WireEmulated({}, unplugged));
        wnd_->installEventFilter(&shows_);
        ASSERT_TRUE(wnd_->Create(nullptr, QStringLiteral("ORVANE ZK412V"),
                                 zk::ui::WindowStyle::Frame, QRect(0, 0, 800, 572)));
        wnd_->CenterWindow();
        wnd_->ShowAtStart();
    }

    bool Connected(zk::app::ChannelIndex channel) { return wnd_->Channel(channel).IsConnected(); }
    std::uint32_t Frames(DeviceKind kind) {
        using Picture = zk::lighting::DeviceKind;
        const Picture picture = kind == DeviceKind::Mouse      ? Picture::Mouse
                                : kind == DeviceKind::Keyboard ? Picture::Keyboard
                                                               : Picture::Mousepad;
        return zk::app::Subsystems::Of(*wnd_)->Preview().Frame().Generation(picture);
    }
    // The preview of `kind` shows new frames.
    bool Animates(DeviceKind kind) {
        const std::uint32_t before = Frames(kind);
        return SpinUntil([&] { return Frames(kind) > before + 1; }, 2s);
    }
    // The preview of `kind` keeps its frame (a frame already under way may
    // still land first).
    bool Still(DeviceKind kind) {
        Spin(150ms);
        const std::uint32_t before = Frames(kind);
        Spin(300ms);
        return Frames(kind) == before;
    }
    bool Timers(bool animation, bool repaint) {
        return wnd_->HasTimer(kTimerAnimation) == animation &&
               wnd_->HasTimer(kTimerRepaint) == repaint;
    }
    QAbstractButton* Tab(const char* name) {
        return wnd_->FindControl<QAbstractButton>(QString::fromLatin1(name));
    }
    // The keyboard tab's copy of the report-rate row.
    QWidget* KeyboardRateRow() {
        QWidget* page = wnd_->FindControl(QStringLiteral("kb_cursor_page"));
        return page ? page->findChild<QWidget*>(QStringLiteral("perf_rate_row")) : nullptr;
    }

    ShowCounter shows_;
};

} // namespace

class StartWithoutDevice : public LiveWorkTest, public ::testing::WithParamInterface<bool> {};

TEST_P(StartWithoutDevice, TheWindowStaysUnmappedWhereATrayExistsAndNothingTicks) {
    const bool tray = GetParam();
    Start(tray, {DeviceKind::Mouse, DeviceKind::Keyboard, DeviceKind::Mousepad});
    // "windowinit", the first scans of the three detection threads, and the
    // second scans a second later.
    Spin(1500ms);
    EXPECT_EQ(shows_.shows == 0, tray);
    EXPECT_EQ(wnd_->isVisible(), !tray);
    EXPECT_TRUE(Timers(false, false));
    for (auto kind : {DeviceKind::Mouse, DeviceKind::Keyboard, DeviceKind::Mousepad})
        EXPECT_EQ(Frames(kind), 0u);

    // A device comes: the window shows it.
    bus_->Keyboard()->Replug();
    ASSERT_TRUE(SpinUntil([&] { return Connected(kChannelKeyboard) && wnd_->OnScreen(); }, 4s));
    EXPECT_TRUE(SpinUntil([&] { return Timers(true, true); }));
    EXPECT_TRUE(Animates(DeviceKind::Keyboard));
}

INSTANTIATE_TEST_SUITE_P(LiveWork, StartWithoutDevice, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "tray" : "noTray"; });

TEST_F(LiveWorkTest, TickersAndTimersRunWhileTheWindowShowsAConnectedDevice) {
    Start(false);
    ASSERT_TRUE(SpinUntil(
        [&] {
            return Connected(kChannelMouse) && Connected(kChannelKeyboard) &&
                   Connected(kChannelMousepad) && wnd_->OnScreen();
        },
        5s));
    // The mouse tab in front: the mouse's picture animates (its ticker starts
    // 3 s after "windowinit"), the others' pictures are not on screen.
    ASSERT_TRUE(SpinUntil([&] { return Frames(DeviceKind::Mouse) > 0; }, 6s));
    EXPECT_TRUE(Animates(DeviceKind::Mouse));
    EXPECT_TRUE(Timers(false, true));
    EXPECT_TRUE(Still(DeviceKind::Keyboard));
    EXPECT_TRUE(Still(DeviceKind::Mousepad));

    // The keyboard's tab: its picture and the animation counters at once.
    Tab("kb_tab")->click();
    EXPECT_TRUE(Timers(true, true));
    EXPECT_TRUE(Animates(DeviceKind::Keyboard));
    EXPECT_TRUE(Still(DeviceKind::Mouse));
    ASSERT_NE(KeyboardRateRow(), nullptr);
    EXPECT_TRUE(SpinUntil([&] { return KeyboardRateRow()->isEnabled(); }));

    // Minimised: isVisible stays true, yet everything that only feeds the
    // screen sleeps; the mouse going meanwhile is not looked at.
    wnd_->HandleMessage(zk::ui::WM_SYSCOMMAND, zk::ui::SC_MINIMIZE, 0);
    EXPECT_TRUE(wnd_->isVisible());
    EXPECT_TRUE(Timers(false, false));
    EXPECT_TRUE(Still(DeviceKind::Keyboard));
    bus_->Mouse()->Unplug();
    ASSERT_TRUE(SpinUntil([&] { return !Connected(kChannelMouse); }, 3s));
    Spin(700ms); // more than the poll's 500 ms
    EXPECT_TRUE(KeyboardRateRow()->isEnabled());

    // Restored: at once.
    wnd_->HandleMessage(zk::ui::WM_SYSCOMMAND, zk::ui::SC_RESTORE, 0);
    EXPECT_TRUE(Timers(true, true));
    EXPECT_FALSE(KeyboardRateRow()->isEnabled());
    EXPECT_TRUE(Animates(DeviceKind::Keyboard));

    // Hidden and shown again.
    wnd_->hide();
    EXPECT_TRUE(Timers(false, false));
    EXPECT_TRUE(Still(DeviceKind::Keyboard));
    wnd_->show();
    ASSERT_TRUE(SpinUntil([&] { return wnd_->OnScreen(); }));
    EXPECT_TRUE(Timers(true, true));
    EXPECT_TRUE(Animates(DeviceKind::Keyboard));

    // The mousepad's tab; the repaint runs while any device is there.
    Tab("mp_tab")->click();
    EXPECT_TRUE(Timers(false, true));
    EXPECT_TRUE(Animates(DeviceKind::Mousepad));
    EXPECT_TRUE(Still(DeviceKind::Keyboard));
    bus_->Keyboard()->Unplug();
    ASSERT_TRUE(SpinUntil([&] { return !Connected(kChannelKeyboard); }, 3s));
    EXPECT_TRUE(SpinUntil([&] { return Timers(false, true); }));
    EXPECT_TRUE(Animates(DeviceKind::Mousepad));
    bus_->Mousepad()->Unplug();
    ASSERT_TRUE(SpinUntil([&] { return !Connected(kChannelMousepad); }, 3s));
    EXPECT_TRUE(SpinUntil([&] { return Timers(false, false); }));
    EXPECT_TRUE(Still(DeviceKind::Mousepad));

    bus_->Mousepad()->Replug();
    ASSERT_TRUE(SpinUntil([&] { return Connected(kChannelMousepad); }, 3s));
    EXPECT_TRUE(SpinUntil([&] { return Timers(false, true); }));
    EXPECT_TRUE(Animates(DeviceKind::Mousepad));
}

struct FrontCase {
    std::set<DeviceKind> unplugged;
    const char* front;
};

void PrintTo(const FrontCase& c, std::ostream* os) {
    *os << c.front << " in front, " << c.unplugged.size() << " unplugged";
}

class FrontTabAtStart : public LiveWorkTest, public ::testing::WithParamInterface<FrontCase> {};

TEST_P(FrontTabAtStart, TheMouseThenTheKeyboardThenTheMousepad) {
    const FrontCase& c = GetParam();
    Start(true, c.unplugged);
    auto plugged = [&](DeviceKind kind) { return c.unplugged.count(kind) == 0; };
    ASSERT_TRUE(SpinUntil(
        [&] {
            return Connected(kChannelMouse) == plugged(DeviceKind::Mouse) &&
                   Connected(kChannelKeyboard) == plugged(DeviceKind::Keyboard) &&
                   Connected(kChannelMousepad) == plugged(DeviceKind::Mousepad);
        },
        5s));
    Spin(800ms); // every report of the start handled
    for (const char* tab : {"ms_tab", "kb_tab", "mp_tab"}) {
        QAbstractButton* option = Tab(tab);
        ASSERT_NE(option, nullptr) << tab;
        EXPECT_EQ(option->isChecked(), std::string(tab) == c.front) << tab;
    }
}

INSTANTIATE_TEST_SUITE_P(
    LiveWork, FrontTabAtStart,
    ::testing::Values(FrontCase{{}, "ms_tab"}, FrontCase{{DeviceKind::Mouse}, "kb_tab"},
                      FrontCase{{DeviceKind::Keyboard}, "ms_tab"},
                      FrontCase{{DeviceKind::Mouse, DeviceKind::Keyboard}, "mp_tab"}),
    [](const auto& info) {
        std::string name = std::string(info.param.front) + "_without";
        for (auto kind : info.param.unplugged)
            name += "_" + std::to_string(static_cast<int>(kind));
        return name;
    });
