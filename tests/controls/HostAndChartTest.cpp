// The host of an outside window and the chart view.

#include "controls/ChartView.h"
#include "controls/ControlsTestUtil.h"
#include "controls/WndHost.h"

#include <QApplication>
#include <QWindow>
#include <gtest/gtest.h>

#include <memory>

using namespace zk::controls;
using zktest::Grab;
using zktest::Near;

TEST(WndHost, EmbeddedWindowFillsTheHostAndFollowsItsVisibility) {
    QWidget window;
    window.resize(300, 200);
    auto* host = new CWndUI(&window);
    EXPECT_EQ(host->GetClass(), QStringLiteral("Wnd"));
    auto* child = new QWidget;
    host->Attach(child, true);
    host->SetPos(QRect(10, 20, 120, 60));
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(child->parentWidget(), host);
    EXPECT_EQ(child->geometry(), QRect(0, 0, 120, 60));
    EXPECT_TRUE(child->isVisible());

    host->SetPos(QRect(0, 0, 80, 40));
    EXPECT_EQ(child->geometry(), QRect(0, 0, 80, 40));
    host->SetVisible(false);
    EXPECT_FALSE(child->isVisible());
    host->SetVisible(true);
    EXPECT_TRUE(child->isVisible());
    host->SetInternVisible(false);
    EXPECT_FALSE(child->isVisible());
    host->SetInternVisible(true);
    EXPECT_TRUE(child->isVisible());

    // A window embedded through its container.
    auto* native = new QWindow;
    host->Attach(native);
    ASSERT_NE(host->GetNativeWindow(), nullptr);
    EXPECT_EQ(host->GetNativeWindow()->parentWidget(), host);
    EXPECT_EQ(host->GetNativeWindow()->geometry(), QRect(0, 0, 80, 40));
    host->Detach();
    EXPECT_EQ(host->GetNativeWindow(), nullptr);
}

TEST(WndHost, WindowOfItsOwnIsKeptOverTheHost) {
    QWidget window;
    window.setGeometry(100, 100, 300, 200);
    auto* host = new CWndUI(&window);
    host->setGeometry(30, 40, 100, 50);
    auto outside = std::make_unique<QWidget>();
    host->Attach(outside.get(), false);
    EXPECT_FALSE(outside->isVisible()); // the host is not shown yet

    window.show();
    QApplication::processEvents();
    EXPECT_TRUE(outside->isVisible());
    EXPECT_TRUE(outside->isWindow());
    EXPECT_EQ(outside->geometry().topLeft(), host->mapToGlobal(QPoint(0, 0)));
    EXPECT_EQ(outside->geometry().size(), QSize(100, 50));

    // Moving the host's window moves the outside window along.
    window.move(160, 130);
    QApplication::processEvents();
    EXPECT_EQ(outside->geometry().topLeft(), host->mapToGlobal(QPoint(0, 0)));

    window.hide();
    QApplication::processEvents();
    EXPECT_FALSE(outside->isVisible());
}

namespace {
QColor Background(const QImage& img) {
    return img.pixelColor(0, 0);
}
} // namespace

TEST(ChartView, SliceColoursSwapRedAndBlue) {
    EXPECT_EQ(ChartSliceColour(0), QColor(0x3F, 0x96, 0xF5));
    EXPECT_EQ(ChartSliceColour(1), QColor(0xFF, 0x5A, 0x01));
    EXPECT_EQ(ChartSliceColour(17), QColor(0x88, 0x26, 0x12));
    EXPECT_EQ(ChartSliceColour(18), ChartSliceColour(0));
}

TEST(ChartView, PieAndHistogramOfTheItems) {
    CChartViewUI chart;
    chart.resize(100, 100);
    const QImage empty = Grab(&chart);
    // Without items only the base control is drawn.
    CChartViewUI plain;
    plain.resize(100, 100);
    EXPECT_EQ(empty, Grab(&plain));

    EXPECT_TRUE(chart.Add(QStringLiteral("a"), 1.0));
    EXPECT_TRUE(chart.Add(QStringLiteral("b"), 3.0));
    EXPECT_FALSE(chart.AddAt(5, QStringLiteral("c"), 1.0));
    // A pie from twelve o'clock, clockwise: a quarter for "a", the rest "b".
    QImage img = Grab(&chart);
    EXPECT_TRUE(Near(img.pixelColor(75, 25), ChartSliceColour(0)));
    EXPECT_TRUE(Near(img.pixelColor(25, 75), ChartSliceColour(1)));
    EXPECT_TRUE(Near(img.pixelColor(25, 25), ChartSliceColour(1)));
    EXPECT_TRUE(Near(img.pixelColor(75, 75), ChartSliceColour(1)));

    // Histogram (the layout's spelling), set as a layout sets it.
    chart.setProperty("View", QStringLiteral("histpgram"));
    EXPECT_EQ(chart.GetView(), CChartViewUI::View::Histogram);
    img = Grab(&chart);
    // Two slots of 50 pixels; "b" is the largest and fills its height.
    EXPECT_TRUE(Near(img.pixelColor(75, 2), ChartSliceColour(1)));
    EXPECT_TRUE(Near(img.pixelColor(75, 98), ChartSliceColour(1)));
    EXPECT_TRUE(Near(img.pixelColor(25, 98), ChartSliceColour(0)));
    EXPECT_TRUE(Near(img.pixelColor(25, 70), ChartSliceColour(0)));
    EXPECT_TRUE(Near(img.pixelColor(25, 60), Background(img)));

    // With the label row the pillars end 25 pixels higher.
    chart.SetAttribute(QStringLiteral("showtext"), QStringLiteral("true"));
    img = Grab(&chart);
    EXPECT_TRUE(Near(img.pixelColor(75, 72), ChartSliceColour(1)));
    EXPECT_FALSE(Near(img.pixelColor(75, 80), ChartSliceColour(1)));

    chart.RemoveAll();
    chart.SetAttribute(QStringLiteral("showtext"), QStringLiteral("false"));
    EXPECT_EQ(Grab(&chart), empty);
}
