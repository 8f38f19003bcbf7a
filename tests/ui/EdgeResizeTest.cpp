// Resize grips of frameless windows, driven with mouse events on the native
// window as the window system delivers them. The offscreen platform has no
// interactive resize of its own, so a drag resizes the window through the
// grips' own path; a real window system's resize is tested under X11 and
// Wayland by the main window's tests.

#include "TestWindow.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

using zktest::TestWindow;

namespace {

constexpr QPoint kOrigin(100, 100);

class EdgeResizeTest : public ::testing::Test {
protected:
    void SetUp() override { zktest::UseTestSkin(); }

    // Shows a window of `layout` at kOrigin, its button filling it edge to edge.
    void Open(TestWindow& wnd) {
        ASSERT_TRUE(wnd.Create(nullptr, QStringLiteral("resizetest")));
        wnd.move(kOrigin);
        wnd.ShowWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&wnd));
        ASSERT_NE(wnd.windowHandle(), nullptr);
        auto* button = wnd.FindControl<QPushButton>(QStringLiteral("edge_btn"));
        ASSERT_NE(button, nullptr);
        ASSERT_EQ(button->mapTo(&wnd, QPoint(0, 0)), QPoint(0, 0));
        ASSERT_EQ(button->size(), wnd.size());
        // The pointer comes in as the window system reports it: the control
        // under it sets its cursor.
        const QPoint centre = wnd.rect().center();
        QEnterEvent enter(centre, centre, wnd.mapToGlobal(centre));
        QCoreApplication::sendEvent(wnd.windowHandle(), &enter);
        QTest::mouseMove(wnd.windowHandle(), centre);
    }

    static Qt::CursorShape CursorAt(TestWindow& wnd, QPoint pos) {
        QTest::mouseMove(wnd.windowHandle(), pos);
        return wnd.windowHandle()->cursor().shape();
    }

    // `from` and `to` in the window's coordinates at the press; the release
    // comes at the same place on the screen as the last move.
    static void Drag(TestWindow& wnd, QPoint from, QPoint to) {
        QWindow* handle = wnd.windowHandle();
        const QPoint toOnScreen = handle->mapToGlobal(to);
        QTest::mouseMove(handle, from);
        QTest::mousePress(handle, Qt::LeftButton, {}, from);
        QTest::mouseMove(handle, to);
        QTest::mouseRelease(handle, Qt::LeftButton, {}, handle->mapFromGlobal(toOnScreen));
    }
};

TEST_F(EdgeResizeTest, EdgesAndCornersShowTheirResizeCursorAndTheControlKeepsItsOwnElsewhere) {
    TestWindow wnd(QStringLiteral("resizable.ui"));
    ASSERT_NO_FATAL_FAILURE(Open(wnd));
    ASSERT_EQ(wnd.size(), QSize(300, 200));
    struct Case {
        QPoint pos;
        Qt::CursorShape cursor;
    };
    const Case cases[] = {
        {{0, 100}, Qt::SizeHorCursor},
        {{5, 100}, Qt::SizeHorCursor},
        {{6, 100}, Qt::PointingHandCursor},
        {{299, 100}, Qt::SizeHorCursor},
        {{294, 100}, Qt::SizeHorCursor},
        {{293, 100}, Qt::PointingHandCursor},
        {{150, 0}, Qt::SizeVerCursor},
        {{150, 199}, Qt::SizeVerCursor},
        {{150, 193}, Qt::PointingHandCursor},
        // Corners reach 16 pixels along each edge.
        {{0, 1}, Qt::SizeFDiagCursor},
        {{15, 2}, Qt::SizeFDiagCursor},
        {{16, 2}, Qt::SizeVerCursor},
        {{2, 15}, Qt::SizeFDiagCursor},
        {{2, 16}, Qt::SizeHorCursor},
        {{299, 199}, Qt::SizeFDiagCursor},
        {{284, 197}, Qt::SizeFDiagCursor},
        {{299, 0}, Qt::SizeBDiagCursor},
        {{0, 199}, Qt::SizeBDiagCursor},
        {{150, 100}, Qt::PointingHandCursor},
    };
    for (const Case& c : cases) {
        // From the middle each time, so that leaving a grip is checked too.
        EXPECT_EQ(CursorAt(wnd, QPoint(150, 100)), Qt::PointingHandCursor);
        EXPECT_EQ(CursorAt(wnd, c.pos), c.cursor) << c.pos.x() << "," << c.pos.y();
    }
}

TEST_F(EdgeResizeTest, DraggingAGripResizesWithinTheMinimumAndPressesInsideStillClick) {
    struct Case {
        const char* grip;
        QPoint from, to;
        QRect expected; // relative to kOrigin
    };
    const Case cases[] = {
        {"right edge", {298, 100}, {338, 140}, {0, 0, 340, 200}},
        {"bottom edge", {150, 198}, {100, 258}, {0, 0, 300, 260}},
        {"bottom-left corner", {2, 197}, {-28, 227}, {-30, 0, 330, 230}},
        {"top-right corner", {290, 1}, {310, -19}, {0, -20, 320, 220}},
        // Not below the layout's minimum of 200 x 150; the opposite edge stays.
        {"left edge", {3, 100}, {400, 100}, {100, 0, 200, 200}},
        {"top edge", {150, 2}, {150, 300}, {0, 50, 300, 150}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.grip);
        TestWindow wnd(QStringLiteral("resizable.ui"));
        ASSERT_NO_FATAL_FAILURE(Open(wnd));
        Drag(wnd, c.from, c.to);
        EXPECT_EQ(wnd.geometry(), c.expected.translated(kOrigin));
        EXPECT_EQ(wnd.Count(QStringLiteral("click"), QStringLiteral("edge_btn")), 0);
        // The control under the grips still takes presses just inside them,
        // and the layout follows the new size.
        const QPoint inside(wnd.width() - 7, wnd.height() / 2);
        QTest::mouseMove(wnd.windowHandle(), inside);
        QTest::mouseClick(wnd.windowHandle(), Qt::LeftButton, {}, inside);
        EXPECT_EQ(wnd.Count(QStringLiteral("click"), QStringLiteral("edge_btn")), 1);
        EXPECT_EQ(wnd.FindControl(QStringLiteral("edge_btn"))->size(), wnd.size());
    }
}

TEST_F(EdgeResizeTest, FixedSizeAndMaximisedWindowsHaveNoGrips) {
    TestWindow fixed(QStringLiteral("fixed_size.ui"));
    ASSERT_NO_FATAL_FAILURE(Open(fixed));
    const QRect before = fixed.geometry();
    EXPECT_EQ(CursorAt(fixed, QPoint(1, 80)), Qt::PointingHandCursor);
    EXPECT_EQ(CursorAt(fixed, QPoint(239, 159)), Qt::PointingHandCursor);
    Drag(fixed, QPoint(1, 80), QPoint(-40, 80));
    EXPECT_EQ(fixed.geometry(), before);
    // A click at the edge is the control's.
    QTest::mouseClick(fixed.windowHandle(), Qt::LeftButton, {}, QPoint(1, 80));
    EXPECT_EQ(fixed.Count(QStringLiteral("click"), QStringLiteral("edge_btn")), 1);

    TestWindow maximised(QStringLiteral("resizable.ui"));
    ASSERT_NO_FATAL_FAILURE(Open(maximised));
    maximised.showMaximized();
    ASSERT_TRUE(zktest::WaitFor([&] { return maximised.isMaximized(); }));
    EXPECT_EQ(CursorAt(maximised, QPoint(1, 80)), Qt::PointingHandCursor);
}

} // namespace
