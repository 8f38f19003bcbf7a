#pragma once
// Resize grips along the edges and corners of a frameless top-level window.
// Without a frame from the window system nothing else resizes such a window:
// a Wayland compositor draws no borders for it, and an X11 window manager
// only offers its own key or modifier tricks.
//
// The grips are strips inside the window: kEdgeWidth pixels along each edge,
// kCornerLength pixels along each edge from a corner for the diagonal grips.
// Hovering a grip shows the matching resize cursor; a left press starts the
// window system's interactive resize (QWindow::startSystemResize), or, where
// the platform offers none, resizes the window itself while the button is
// held, within the window's minimum and maximum size. Outside the grips every
// mouse event reaches the controls as before; inside them controls still see
// the pointer move, but presses belong to the grip.
//
// The controls fill the window, so the top-level widget never sees these
// events: the grips watch the native window (QWindow), whose events pass them
// before any control. A window whose size cannot change in a direction (its
// layout's minimum equals its maximum) has no grips for that direction;
// fixed-size dialogs have none at all, and neither has a maximised or
// full-screen window.

#include "ui/WindowWatch.h"

#include <QPointF>
#include <QRect>

class QMouseEvent;

namespace zk::ui {

class EdgeResizer : public WindowWatch {
    Q_OBJECT
public:
    static constexpr int kEdgeWidth = 6;
    static constexpr int kCornerLength = 16;

    // The grips of `window` (a top-level widget), made once (a child of the
    // window, so it lives as long as the window). Null for null.
    static EdgeResizer* Of(QWidget* window);

    // The edges that a press at `pos` (window coordinates) resizes; none
    // outside the grips or where the window cannot be resized.
    Qt::Edges EdgesAt(const QPoint& pos) const;
    // The cursor shown over a grip of these edges.
    static Qt::CursorShape CursorFor(Qt::Edges edges);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class WindowWatch;
    explicit EdgeResizer(QWidget* window);
    void FollowHandle();
    bool OnMouse(QMouseEvent* e);
    void ShowGripCursor(Qt::Edges edges);
    void RestoreControlCursor(const QPoint& pos);
    void DragTo(const QPointF& global);

    bool overGrip_ = false;
    bool gripPressed_ = false; // a press on a grip, until its release
    // A resize this object carries out itself (no interactive resize of the
    // window system): the edges, the geometry and the pointer at the press.
    Qt::Edges dragEdges_;
    QRect dragStart_;
    QPointF pressGlobal_;
};

} // namespace zk::ui
