// LEDs that paint their own backdrop: the window looks exactly as when the
// widgets beneath paint under them, and a new light repaints the LED alone.

#include "controls/ControlsTestUtil.h"
#include "controls/LightPicture.h"
#include "lighting/LightTables.h"
#include "support/TempDir.h"
#include "support/WidgetTools.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

using namespace zk::controls;
using zk::lighting::ChangerColor;
using zk::lighting::Rgb;

namespace {

// A picture with soft edges and varying pixels, so that any difference in
// what lies under an LED or how it is blended shows.
QString WriteGradientPicture(const std::filesystem::path& folder, const QString& name, int w,
                             int h) {
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgba((x * 7) & 0xFF, (y * 5) & 0xFF, 90, (x + y) * 255 / (w + h)));
    const QString path = QString::fromStdString((folder / name.toStdString()).string());
    img.save(path);
    return path;
}

// A caption laid over an LED from its kept picture is blended in another
// order than when it draws itself over the LED: a channel may round one level
// apart. Anything more is a fault.
constexpr int kBlendRounding = 1;

// A caption button that counts the times it draws itself.
class CaptionButton : public QPushButton {
public:
    using QPushButton::QPushButton;
    int drawn = 0;

protected:
    void paintEvent(QPaintEvent* e) override {
        ++drawn;
        QPushButton::paintEvent(e);
    }
};

// A window like the device pictures: a styled background, a container whose
// style draws a picture, two LEDs on it, one half under a translucent caption
// button, the other under a drawing pictured by its style.
class LedBackdrop : public ::testing::Test {
protected:
    void SetUp() override {
        const QString light = zktest::WriteLightPicture(dir.path(), QStringLiteral("l.png"), 40, 6);
        const QString drawing =
            WriteGradientPicture(dir.path(), QStringLiteral("drawing.png"), 160, 100);
        window = std::make_unique<QWidget>();
        window->setObjectName(QStringLiteral("root"));
        window->setStyleSheet(QStringLiteral("#root { background: #1B2030; }"));
        window->resize(200, 140);
        picture = new QWidget(window.get());
        picture->setObjectName(QStringLiteral("picture"));
        picture->setStyleSheet(QStringLiteral("#picture { image: url(%1); }").arg(drawing));
        picture->setGeometry(20, 20, 160, 100);
        for (int i = 0; i < 2; ++i) {
            leds[i] = new CLightPictureUI(picture);
            leds[i]->SetLightImage(light);
            leds[i]->setGeometry(10 + 50 * i, 30, 40, 40);
        }
        caption = new CaptionButton(QStringLiteral("Left"), picture);
        caption->setStyleSheet(QStringLiteral(
            "QPushButton { background: rgba(21, 23, 28, 0.6); border: 1px solid #343A45; "
            "border-radius: 8px; color: #E6E8EB; }"));
        caption->setGeometry(0, 40, 35, 20);
        // A drawing laid over the second LED, pictured by its style.
        auto* drawingOver = new QLabel(picture);
        drawingOver->setObjectName(QStringLiteral("over"));
        drawingOver->setStyleSheet(
            QStringLiteral("#over { border-image: url(%1) 0 0 0 0 stretch stretch; }")
                .arg(drawing));
        drawingOver->setGeometry(70, 20, 30, 60);
        counter.Watch(window.get());
        counter.Watch(picture);
        counter.Watch(leds[0]);
        ledCounter.Watch(leds[1]);
        window->show();
        for (int i = 0; i < 100 && !window->windowHandle()->isExposed(); ++i) {
            QApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ASSERT_TRUE(window->windowHandle()->isExposed());
        QApplication::processEvents();
    }
    // What the window shows on its screen: the backing store after repaints.
    QImage OnScreen() {
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
        return window->screen()
            ->grabWindow(window->winId())
            .toImage()
            .convertToFormat(QImage::Format_ARGB32);
    }
    void Light(int led, bool on, Rgb colour, std::uint32_t opacity) {
        leds[led]->SetIsChangerColor(on);
        leds[led]->SetChangerColor(ChangerColor(colour));
        leds[led]->SetChangerAlpha(opacity);
        leds[led]->update();
    }
    void PaintBackdrops(bool on) {
        for (CLightPictureUI* led : leds)
            led->SetPaintsBackdrop(on);
    }

    zktest::TempDir dir;
    std::unique_ptr<QWidget> window;
    QWidget* picture = nullptr;
    CLightPictureUI* leds[2] = {};
    CaptionButton* caption = nullptr;
    zktest::PaintCounter counter;    // the window, the container, the first LED
    zktest::PaintCounter ledCounter; // the second LED
};

} // namespace

TEST_F(LedBackdrop, TheWindowLooksTheSameWithOrWithoutBackdrops) {
    struct Case {
        const char* name;
        bool on;
        Rgb colour;
        std::uint32_t opacity;
    };
    const Case cases[] = {
        {"dark", true, Rgb{255, 0, 0}, 0},         {"half", true, Rgb{0, 200, 120}, 128},
        {"faint", true, Rgb{40, 90, 250}, 17},     {"full", true, Rgb{255, 255, 0}, 255},
        {"plain picture", false, Rgb{0, 0, 0}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PaintBackdrops(false);
        Light(0, c.on, c.colour, c.opacity);
        Light(1, c.on, c.colour, c.opacity);
        const QImage beneath = OnScreen();
        PaintBackdrops(true);
        ASSERT_TRUE(leds[0]->PaintsBackdrop());
        ASSERT_TRUE(leds[1]->PaintsBackdrop());
        EXPECT_LE(zktest::LargestDifference(OnScreen(), beneath), kBlendRounding);
        // A new light over the kept backdrop, against the same light painted
        // over the widgets beneath.
        Light(0, true, Rgb{10, 20, 30}, 200);
        Light(1, true, Rgb{10, 20, 30}, 200);
        const QImage kept = OnScreen();
        PaintBackdrops(false);
        Light(0, true, Rgb{10, 20, 30}, 200);
        Light(1, true, Rgb{10, 20, 30}, 200);
        EXPECT_LE(zktest::LargestDifference(OnScreen(), kept), kBlendRounding);
    }
}

TEST_F(LedBackdrop, ANewLightRepaintsTheLedAlone) {
    PaintBackdrops(true);
    Light(1, true, Rgb{0, 255, 0}, 255);
    OnScreen();
    const QPoint centre = leds[1]->mapTo(window.get(), QPoint(20, 20));
    const QColor green = OnScreen().pixelColor(centre);
    counter.count = ledCounter.count = 0;
    Light(1, true, Rgb{255, 0, 0}, 200);
    EXPECT_NE(OnScreen().pixelColor(centre), green);
    EXPECT_EQ(ledCounter.count, 1);
    EXPECT_EQ(counter.count, 0); // neither the window, the container nor the other LED

    // The caption over the first LED: repainted with it from its kept picture
    // while its look stays, drawn anew once its look changes.
    Light(0, true, Rgb{0, 255, 0}, 255);
    OnScreen();
    Light(0, true, Rgb{0, 0, 255}, 255);
    OnScreen();
    int drawn = caption->drawn;
    Light(0, true, Rgb{255, 0, 0}, 255);
    OnScreen();
    EXPECT_EQ(caption->drawn, drawn);
    caption->setText(QStringLiteral("Back"));
    Light(0, true, Rgb{0, 255, 0}, 255);
    OnScreen();
    EXPECT_GT(caption->drawn, drawn);
    // A style of the window that reaches the caption.
    Light(0, true, Rgb{0, 0, 255}, 255);
    OnScreen();
    drawn = caption->drawn;
    window->setStyleSheet(window->styleSheet() + QStringLiteral(" QPushButton { color: red; }"));
    OnScreen();
    Light(0, true, Rgb{255, 0, 0}, 255);
    OnScreen();
    EXPECT_GT(caption->drawn, drawn);

    // Without its backdrop the LED's light repaints what lies beneath it too.
    PaintBackdrops(false);
    OnScreen();
    counter.count = ledCounter.count = 0;
    Light(1, true, Rgb{0, 0, 255}, 200);
    OnScreen();
    EXPECT_EQ(ledCounter.count, 1);
    EXPECT_GE(counter.count, 2);
}

TEST_F(LedBackdrop, ALookChangeBeneathIsRenderedAgain) {
    PaintBackdrops(true);
    Light(0, true, Rgb{0, 0, 0}, 0);
    Light(1, true, Rgb{0, 0, 0}, 0);
    OnScreen();
    // The window's background changes: the LEDs, dark, show the new one.
    window->setStyleSheet(QStringLiteral("#root { background: #F0E0D0; }"));
    picture->setStyleSheet(QString());
    const QImage shown = OnScreen();
    // (Points of the LEDs that neither the caption nor the drawing covers.)
    EXPECT_TRUE(zktest::Near(shown.pixelColor(leds[0]->mapTo(window.get(), QPoint(30, 20))),
                             QColor(0xF0, 0xE0, 0xD0)));
    EXPECT_TRUE(zktest::Near(shown.pixelColor(leds[1]->mapTo(window.get(), QPoint(5, 20))),
                             QColor(0xF0, 0xE0, 0xD0)));

    // A widget laid beneath an LED: that LED does not hide it with a backdrop.
    PaintBackdrops(false);
    auto* under = new QWidget(picture);
    under->setGeometry(leds[1]->geometry().adjusted(5, 5, -5, -5));
    under->setStyleSheet(QStringLiteral("background: #3050A0;"));
    under->stackUnder(leds[0]);
    under->show();
    const QImage beneath = OnScreen();
    PaintBackdrops(true);
    EXPECT_TRUE(leds[0]->PaintsBackdrop());
    EXPECT_FALSE(leds[1]->PaintsBackdrop());
    EXPECT_LE(zktest::LargestDifference(OnScreen(), beneath), kBlendRounding);
}
