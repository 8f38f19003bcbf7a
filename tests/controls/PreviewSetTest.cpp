// Showing the light previews' frames on the picture controls: which controls,
// which tint, and no painting while nothing can be seen.

#include "controls/PreviewSet.h"
#include "controls/ControlsTestUtil.h"
#include "controls/DeviceKeyButton.h"
#include "controls/LightPicture.h"
#include "lighting/LightTables.h"
#include "lighting/PreviewFrame.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QLabel>
#include <QWindow>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

using namespace zk::controls;
using zk::lighting::ChangerColor;
using zk::lighting::MakeTint;
using zk::lighting::PreviewFrame;
using zk::lighting::Rgb;
using zktest::Grab;
using zktest::Near;

namespace {

constexpr std::size_t kMissingKey = 5;  // no control of that name
constexpr std::size_t kUntintedKey = 6; // a control without a tint

// A window with every preview control, each 20 x 20, lit by a white square.
class PreviewWindow : public ::testing::Test {
protected:
    void SetUp() override {
        light = zktest::WriteLightPicture(dir.path(), QStringLiteral("l.png"), 20, 4);
        window = std::make_unique<QWidget>();
        window->resize(460, 240);
        for (std::size_t i = 0; i < PreviewSet::kCount; ++i) {
            const QString name = PreviewSet::ControlName(i);
            QWidget* w = nullptr;
            const std::size_t key = i - zk::lighting::kPreviewKeyboardFirst;
            if (i < zk::lighting::kPreviewKeyboardFirst) {
                auto* led = new CLightPictureUI(window.get());
                led->SetLightImage(light);
                w = led;
            } else if (key == kMissingKey) {
                continue;
            } else if (key == kUntintedKey) {
                w = new QLabel(window.get());
            } else {
                auto* k = new CDeviceKeyButtonUI(window.get());
                k->setStyleSheet(
                    QStringLiteral("QPushButton { background: black; border: none; }"));
                k->SetLightImage(light);
                w = k;
            }
            w->setObjectName(name);
            w->setGeometry(static_cast<int>(i % 23) * 20, static_cast<int>(i / 23) * 20, 20, 20);
            counter.Watch(w);
        }
        found = set.Find([this](const QString& n) { return window->findChild<QWidget*>(n); });
    }

    CDeviceKeyButtonUI* Key(std::size_t key) {
        return dynamic_cast<CDeviceKeyButtonUI*>(
            set.Control(zk::lighting::kPreviewKeyboardFirst + key));
    }
    void ShowAndSettle() {
        window->show();
        ASSERT_TRUE(WaitExposed());
        QApplication::processEvents();
    }
    bool WaitExposed() {
        for (int i = 0; i < 100 && !window->windowHandle()->isExposed(); ++i) {
            QApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return window->windowHandle()->isExposed();
    }

    zktest::TempDir dir;
    QString light;
    std::unique_ptr<QWidget> window;
    zktest::PaintCounter counter;
    PreviewSet set;
    int found = 0;
};

} // namespace

TEST(PreviewNames, IndicesFollowTheFrameOrder) {
    EXPECT_EQ(PreviewSet::ControlName(0), QStringLiteral("ms_dkey_0"));
    EXPECT_EQ(PreviewSet::ControlName(19), QStringLiteral("ms_dkey_19"));
    EXPECT_EQ(PreviewSet::ControlName(20), QStringLiteral("mp_dkey_0"));
    EXPECT_EQ(PreviewSet::ControlName(34), QStringLiteral("mp_dkey_14"));
    EXPECT_EQ(PreviewSet::ControlName(35), QStringLiteral("kb_key_0"));
    EXPECT_EQ(PreviewSet::ControlName(160), QStringLiteral("kb_key_125"));
    EXPECT_TRUE(PreviewSet::ControlName(161).isEmpty());
}

TEST_F(PreviewWindow, FindsTintedControlsAndCopiesTheFrame) {
    EXPECT_EQ(found, 159);
    EXPECT_EQ(set.Tint(zk::lighting::kPreviewKeyboardFirst + kMissingKey), nullptr);
    EXPECT_EQ(set.Tint(zk::lighting::kPreviewKeyboardFirst + kUntintedKey), nullptr);

    set.PrepareLedPictures();
    for (std::size_t i = 0; i < zk::lighting::kPreviewKeyboardFirst; ++i) {
        EXPECT_TRUE(set.Tint(i)->IsChangerColor());
        EXPECT_EQ(set.Tint(i)->GetChangerAlpha(), 0u);
    }
    // Keys keep their own tint until a frame arrives.
    EXPECT_FALSE(Key(0)->IsChangerColor());

    ShowAndSettle();
    PreviewFrame frame;
    const Rgb red{255, 0, 0}, blue{0, 0, 255};
    frame.Write(3, MakeTint(red, 255));                                        // mouse LED 3
    frame.Write(zk::lighting::kPreviewMousepadFirst + 14, MakeTint(blue, 90)); // pad LED 14
    frame.Write(zk::lighting::kPreviewKeyboardFirst + 125, MakeTint(blue, 255));
    frame.SetKeyboardTintOn(true);
    const int repainted = set.Apply(frame, IsWindowShown(window.get()));
    // Two LEDs and one key became visible; the other keys' tints are on but
    // dark, which looks as before.
    EXPECT_EQ(repainted, 3);
    EXPECT_TRUE(Key(0)->IsChangerColor());

    EXPECT_EQ(set.Tint(3)->GetChangerColor(), ChangerColor(red));
    EXPECT_EQ(set.Tint(3)->GetChangerAlpha(), 255u);
    EXPECT_EQ(set.Tint(34)->GetChangerAlpha(), 90u);
    EXPECT_TRUE(Key(125)->IsChangerColor());
    EXPECT_EQ(Key(125)->GetChangerColor(), ChangerColor(blue));
    EXPECT_TRUE(Near(Grab(set.Control(3)).pixelColor(10, 10), QColor(255, 0, 0)));
    EXPECT_TRUE(Near(Grab(Key(125)).pixelColor(10, 10), QColor(0, 0, 255)));

    // The same frame again changes nothing and repaints nothing.
    EXPECT_EQ(set.Apply(frame, true), 0);
    // A dark LED that gets another colour still shows nothing.
    frame.Write(4, MakeTint(blue, 0));
    EXPECT_EQ(set.Apply(frame, true), 0);
    frame.Write(3, MakeTint(blue, 255));
    EXPECT_EQ(set.Apply(frame, true), 1);
}

TEST_F(PreviewWindow, KeyOperationTabTurnsTheKeyboardLightOff) {
    ShowAndSettle();
    PreviewFrame frame;
    for (std::size_t k = 0; k < 126; ++k)
        frame.Write(zk::lighting::kPreviewKeyboardFirst + k, MakeTint(Rgb{0, 255, 0}, 255));
    frame.SetKeyboardTintOn(true);
    set.Apply(frame, true);
    EXPECT_TRUE(Near(Grab(Key(40)).pixelColor(10, 10), QColor(0, 255, 0)));

    // The tickers keep computing frames while the tab is selected; the keys
    // show none of them.
    frame.SetKeyboardTintOn(false);
    frame.Write(zk::lighting::kPreviewKeyboardFirst + 40, MakeTint(Rgb{255, 0, 0}, 255));
    EXPECT_EQ(set.Apply(frame, true), 124);
    EXPECT_FALSE(Key(40)->IsChangerColor());
    EXPECT_TRUE(Near(Grab(Key(40)).pixelColor(10, 10), QColor(0, 0, 0)));
}

TEST_F(PreviewWindow, NothingIsPaintedWhileHiddenOrMinimised) {
    set.PrepareLedPictures();
    PreviewFrame frame;
    frame.SetKeyboardTintOn(true);
    frame.Write(0, MakeTint(Rgb{255, 255, 255}, 255));

    // Never shown: the redraw does nothing, and a control's own update paints
    // nothing either.
    EXPECT_FALSE(IsWindowShown(window.get()));
    EXPECT_EQ(set.Apply(frame, IsWindowShown(window.get())), 0);
    set.Control(0)->update();
    Key(1)->update();
    QApplication::processEvents();
    EXPECT_EQ(counter.count, 0);
    EXPECT_EQ(set.Tint(0)->GetChangerColor(), 0u); // nothing copied

    ShowAndSettle();
    EXPECT_GT(counter.count, 0);
    EXPECT_GT(set.Apply(frame, IsWindowShown(window.get())), 0);

    // Hidden again.
    window->hide();
    QApplication::processEvents();
    counter.count = 0;
    frame.Write(0, MakeTint(Rgb{255, 0, 0}, 255));
    EXPECT_EQ(set.Apply(frame, IsWindowShown(window.get())), 0);
    set.Control(0)->update();
    QApplication::processEvents();
    EXPECT_EQ(counter.count, 0);

    // Minimised.
    window->showMinimized();
    QApplication::processEvents();
    counter.count = 0;
    EXPECT_FALSE(IsWindowShown(window.get()));
    EXPECT_EQ(set.Apply(frame, IsWindowShown(window.get())), 0);
    QApplication::processEvents();
    EXPECT_EQ(counter.count, 0);
}

TEST_F(PreviewWindow, ControlsOfAHiddenPageAreLeftAlone) {
    set.PrepareLedPictures();
    ShowAndSettle();
    QWidget* mouseLed = set.Control(2);
    mouseLed->hide();
    QApplication::processEvents();
    counter.count = 0;
    PreviewFrame frame;
    frame.Write(2, MakeTint(Rgb{1, 2, 3}, 200));
    frame.Write(7, MakeTint(Rgb{1, 2, 3}, 200));
    EXPECT_EQ(set.Apply(frame, true), 1);
    EXPECT_EQ(set.Tint(2)->GetChangerAlpha(), 0u);
    EXPECT_NE(set.Tint(2)->GetChangerColor(), ChangerColor(Rgb{1, 2, 3}));
    EXPECT_EQ(set.Tint(7)->GetChangerColor(), ChangerColor(Rgb{1, 2, 3}));
    QApplication::processEvents();
    EXPECT_EQ(counter.count, 1);

    // A destroyed control drops out of the set.
    delete set.Control(7);
    EXPECT_EQ(set.Tint(7), nullptr);
    frame.Write(7, MakeTint(Rgb{9, 9, 9}, 255));
    EXPECT_EQ(set.Apply(frame, true), 0);
}

TEST_F(PreviewWindow, TickerThreadsWriteTintsWhilePainting) {
    ShowAndSettle();
    std::atomic<bool> stop{false};
    std::vector<TintMembers*> keys;
    for (std::size_t k = 60; k < 126; ++k)
        if (auto* t = set.Tint(zk::lighting::kPreviewKeyboardFirst + k))
            keys.push_back(t);
    // One thread writes the control members directly, as a ticker may; one
    // writes the frame that the GUI thread copies.
    std::thread direct([&] {
        std::uint32_t n = 0;
        while (!stop.load()) {
            for (TintMembers* t : keys) {
                t->SetIsChangerColor(true);
                t->SetChangerColor(n & 0xFFFFFF);
                t->SetChangerAlpha(n & 0xFF);
            }
            ++n;
        }
    });
    PreviewFrame frame;
    std::thread ticker([&] {
        std::uint8_t v = 0;
        while (!stop.load()) {
            for (std::size_t i = 0; i < 60; ++i)
                frame.Write(i, MakeTint(Rgb{v, v, v}, v));
            frame.SetKeyboardTintOn((v & 1) != 0);
            frame.Published(zk::lighting::DeviceKind::Mouse);
            ++v;
        }
    });
    for (int round = 0; round < 40; ++round) {
        set.Apply(frame, true);
        window->repaint();
        QApplication::processEvents();
    }
    stop.store(true);
    direct.join();
    ticker.join();

    // After the writers stop, the picture shows the last values written.
    auto* t = set.Tint(zk::lighting::kPreviewKeyboardFirst + 70);
    t->SetIsChangerColor(true);
    t->SetChangerColor(ChangerColor(Rgb{255, 0, 255}));
    t->SetChangerAlpha(255);
    EXPECT_TRUE(Near(Grab(Key(70)).pixelColor(10, 10), QColor(255, 0, 255)));
}
