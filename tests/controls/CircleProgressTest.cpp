// The circular progress: a ring from the bottom, clockwise, over a disc.

#include "controls/CircleProgress.h"
#include "controls/ControlsTestUtil.h"
#include "ui/Controls.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cmath>

using namespace zk::controls;
using zktest::Grab;
using zktest::Near;

namespace {

const QColor kBack(0, 0, 128);
const QColor kFore(255, 0, 0);
const QColor kWhite(255, 255, 255);
constexpr int kSide = 100;

// The pixel on the ring (radius 45 of 50) at `degrees` measured clockwise on
// screen from three o'clock.
QColor RingAt(const QImage& img, double degrees) {
    const double a = degrees * M_PI / 180.0;
    const int x = static_cast<int>(std::lround(50 + 45 * std::cos(a)));
    const int y = static_cast<int>(std::lround(50 + 45 * std::sin(a)));
    return img.pixelColor(x, y);
}

struct Circle {
    Circle(int minimum, int maximum, int value) {
        bar.resize(kSide, kSide);
        bar.SetAttribute(QStringLiteral("BkColor"), QStringLiteral("#FF000080"));
        bar.SetAttribute(QStringLiteral("forecolor"), QStringLiteral("FFFF0000"));
        bar.setRange(minimum, maximum);
        bar.setValue(value);
    }
    CCircleProgressUI bar;
};

} // namespace

TEST(CircleProgress, QuarterRingFromTheBottomClockwise) {
    Circle c(0, 100, 25);
    EXPECT_EQ(c.bar.GetClass(), QStringLiteral("CircleProgress"));
    EXPECT_EQ(c.bar.SweepDegrees(), 90);
    const QImage img = Grab(&c.bar);
    // From 90 degrees (six o'clock) to 180 degrees (nine o'clock).
    for (double deg : {95.0, 120.0, 135.0, 160.0, 175.0})
        EXPECT_TRUE(Near(RingAt(img, deg), kFore)) << deg;
    for (double deg : {5.0, 45.0, 85.0, 185.0, 225.0, 270.0, 315.0, 355.0})
        EXPECT_TRUE(Near(RingAt(img, deg), kBack)) << deg;
    // The white centre leaves a ring 10 pixels wide.
    EXPECT_TRUE(Near(img.pixelColor(50, 50), kWhite));
    EXPECT_TRUE(Near(img.pixelColor(50, 85), kWhite));
    EXPECT_TRUE(Near(img.pixelColor(30, 70), kWhite));
    // Outside the disc nothing of the progress is drawn.
    EXPECT_FALSE(Near(img.pixelColor(1, 1), kBack));
    EXPECT_FALSE(Near(img.pixelColor(98, 98), kFore));
}

TEST(CircleProgress, EmptyAndFullRings) {
    Circle empty(0, 100, 0);
    EXPECT_EQ(empty.bar.SweepDegrees(), 0);
    const QImage img = Grab(&empty.bar);
    int foreground = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            foreground += Near(img.pixelColor(x, y), kFore, 60) ? 1 : 0;
    EXPECT_EQ(foreground, 0);
    for (double deg : {0.0, 90.0, 180.0, 270.0})
        EXPECT_TRUE(Near(RingAt(img, deg), kBack)) << deg;
    EXPECT_TRUE(Near(img.pixelColor(50, 50), kWhite));

    Circle full(0, 100, 100);
    EXPECT_EQ(full.bar.SweepDegrees(), 360);
    const QImage f = Grab(&full.bar);
    for (double deg : {0.0, 45.0, 90.0, 180.0, 270.0, 315.0})
        EXPECT_TRUE(Near(RingAt(f, deg), kFore)) << deg;
}

TEST(CircleProgress, SweepFollowsTheShareOfTheRange) {
    // Whole degrees, truncated.
    EXPECT_EQ(Circle(0, 7, 1).bar.SweepDegrees(), 51);
    EXPECT_EQ(Circle(0, 3, 1).bar.SweepDegrees(), 120);
    // A range that does not start at 0 counts from its minimum.
    EXPECT_EQ(Circle(50, 150, 75).bar.SweepDegrees(), 90);
    // An empty range draws no sweep (and does not divide by zero).
    Circle flat(10, 10, 10);
    EXPECT_EQ(flat.bar.SweepDegrees(), 0);
    EXPECT_FALSE(Grab(&flat.bar).isNull());
    // Before any value is set the progress is empty.
    CCircleProgressUI fresh;
    EXPECT_EQ(fresh.SweepDegrees(), 0);
}

TEST(CircleProgress, WindowLayerBackgroundColourStaysInsideTheDisc) {
    // On a black panel, as in a page.
    QWidget panel;
    panel.setAutoFillBackground(true);
    QPalette pal = panel.palette();
    pal.setColor(QPalette::Window, Qt::black);
    panel.setPalette(pal);
    panel.resize(kSide, kSide);
    Circle c(0, 100, 25);
    c.bar.setParent(&panel);
    c.bar.setGeometry(0, 0, kSide, kSide);
    zk::ui::SetBkColor(&c.bar, 0xFF00FF00);
    EXPECT_EQ(c.bar.GetBkColor(), 0xFF00FF00u);
    const QImage img = Grab(&panel);
    c.bar.setParent(nullptr);
    EXPECT_TRUE(Near(RingAt(img, 300.0), QColor(0, 255, 0)));
    EXPECT_TRUE(Near(RingAt(img, 120.0), kFore));
    // No rectangle behind the circle.
    EXPECT_TRUE(Near(img.pixelColor(1, 1), QColor(0, 0, 0)));
    EXPECT_TRUE(Near(img.pixelColor(98, 2), QColor(0, 0, 0)));
}
