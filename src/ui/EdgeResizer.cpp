#include "ui/EdgeResizer.h"

#include <QCursor>
#include <QEvent>
#include <QLayout>
#include <QMouseEvent>
#include <QWindow>

#include <algorithm>

namespace zk::ui {

namespace {

const QString kObjectName = QStringLiteral("zkEdgeResizer");

// The sizes the window may take: its own limits narrowed by its layout's.
struct SizeRange {
    QSize min, max;
};

SizeRange RangeOf(const QWidget& w) {
    SizeRange r{w.minimumSize(), w.maximumSize()};
    if (const QLayout* layout = w.layout()) {
        r.min = r.min.expandedTo(layout->minimumSize());
        r.max = r.max.boundedTo(layout->maximumSize());
    }
    r.max = r.max.expandedTo(r.min);
    return r;
}

} // namespace

EdgeResizer* EdgeResizer::Of(QWidget* window) {
    return WindowWatch::Of<EdgeResizer>(window, kObjectName);
}

EdgeResizer::EdgeResizer(QWidget* window) : WindowWatch(window, kObjectName) {}

// A new native window starts with no grip hovered and no drag.
void EdgeResizer::FollowHandle() {
    if (!WatchHandle())
        return;
    overGrip_ = false;
    dragEdges_ = {};
}

Qt::Edges EdgeResizer::EdgesAt(const QPoint& pos) const {
    if (!window_ || !window_->isWindow() ||
        (window_->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        return {};
    const QRect r = window_->rect();
    if (!r.contains(pos))
        return {};
    const int x = pos.x() - r.left();
    const int y = pos.y() - r.top();
    const bool nearLeft = x < kEdgeWidth;
    const bool nearRight = x >= r.width() - kEdgeWidth;
    const bool nearTop = y < kEdgeWidth;
    const bool nearBottom = y >= r.height() - kEdgeWidth;
    const bool alongTopOrBottom = nearTop || nearBottom;
    const bool alongLeftOrRight = nearLeft || nearRight;
    Qt::Edges edges;
    if (nearLeft || (alongTopOrBottom && x < kCornerLength))
        edges |= Qt::LeftEdge;
    else if (nearRight || (alongTopOrBottom && x >= r.width() - kCornerLength))
        edges |= Qt::RightEdge;
    if (nearTop || (alongLeftOrRight && y < kCornerLength))
        edges |= Qt::TopEdge;
    else if (nearBottom || (alongLeftOrRight && y >= r.height() - kCornerLength))
        edges |= Qt::BottomEdge;

    const SizeRange range = RangeOf(*window_);
    if (range.min.width() >= range.max.width())
        edges &= ~(Qt::LeftEdge | Qt::RightEdge);
    if (range.min.height() >= range.max.height())
        edges &= ~(Qt::TopEdge | Qt::BottomEdge);
    return edges;
}

Qt::CursorShape EdgeResizer::CursorFor(Qt::Edges edges) {
    const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
    const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
    if (horizontal && vertical) {
        // Falling diagonal at the top-left and bottom-right corners, rising at the others.
        const bool falling = bool(edges & Qt::LeftEdge) == bool(edges & Qt::TopEdge);
        return falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
    }
    if (horizontal)
        return Qt::SizeHorCursor;
    if (vertical)
        return Qt::SizeVerCursor;
    return Qt::ArrowCursor;
}

bool EdgeResizer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_.data()) {
        if (event->type() == QEvent::Show || event->type() == QEvent::WinIdChange ||
            event->type() == QEvent::PlatformSurface)
            FollowHandle();
        return false;
    }
    if (watched != handle_.data())
        return false;
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return OnMouse(static_cast<QMouseEvent*>(event));
    case QEvent::Leave:
        if (overGrip_ && !dragEdges_) {
            overGrip_ = false;
            RestoreControlCursor(QPoint(-1, -1));
        }
        return false;
    default:
        return false;
    }
}

bool EdgeResizer::OnMouse(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    if (dragEdges_) {
        // A resize carried out here: it owns the pointer until the button is released.
        if (e->type() == QEvent::MouseMove) {
            DragTo(e->globalPosition());
        } else if (e->type() == QEvent::MouseButtonRelease && e->button() == Qt::LeftButton) {
            dragEdges_ = {};
            gripPressed_ = false;
            handle_->setMouseGrabEnabled(false);
        }
        return true;
    }
    switch (e->type()) {
    case QEvent::MouseMove: {
        if (e->buttons() != Qt::NoButton)
            return gripPressed_; // a control's drag passes by
        gripPressed_ = false;
        const Qt::Edges edges = EdgesAt(pos);
        if (!edges) {
            if (overGrip_) {
                overGrip_ = false;
                RestoreControlCursor(pos);
            }
            return false;
        }
        // The controls beneath still follow the pointer (hover, enter and
        // leave, their cursors); the grip's cursor is set after them.
        static_cast<QObject*>(handle_.data())->event(e);
        overGrip_ = true;
        ShowGripCursor(edges);
        return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const Qt::Edges edges = EdgesAt(pos);
        if (!edges)
            return false;
        gripPressed_ = true;
        if (e->type() == QEvent::MouseButtonPress && e->button() == Qt::LeftButton &&
            e->buttons() == Qt::LeftButton && !handle_->startSystemResize(edges)) {
            dragEdges_ = edges;
            dragStart_ = window_->geometry();
            pressGlobal_ = e->globalPosition();
            handle_->setMouseGrabEnabled(true);
        }
        return true;
    }
    case QEvent::MouseButtonRelease:
        // The release of a press on a grip; a control's press released here
        // goes to that control.
        if (!gripPressed_)
            return false;
        gripPressed_ = e->buttons() != Qt::NoButton;
        return true;
    default:
        return false;
    }
}

void EdgeResizer::ShowGripCursor(Qt::Edges edges) {
    const Qt::CursorShape shape = CursorFor(edges);
    if (handle_->cursor().shape() != shape)
        handle_->setCursor(shape);
}

// The cursor of the control under `pos` (as Qt sets it when the pointer
// enters a control), or the plain arrow.
void EdgeResizer::RestoreControlCursor(const QPoint& pos) {
    QWidget* w = window_->rect().contains(pos) ? window_->childAt(pos) : nullptr;
    if (!w)
        w = window_;
    while (w && !w->testAttribute(Qt::WA_SetCursor) && !w->isWindow())
        w = w->parentWidget();
    if (w && w->testAttribute(Qt::WA_SetCursor))
        handle_->setCursor(w->cursor());
    else
        handle_->unsetCursor();
}

void EdgeResizer::DragTo(const QPointF& global) {
    const SizeRange range = RangeOf(*window_);
    const QPoint d = (global - pressGlobal_).toPoint();
    QRect r = dragStart_;
    if (dragEdges_ & Qt::LeftEdge)
        r.setLeft(dragStart_.right() + 1 -
                  std::clamp(dragStart_.width() - d.x(), range.min.width(), range.max.width()));
    if (dragEdges_ & Qt::RightEdge)
        r.setWidth(std::clamp(dragStart_.width() + d.x(), range.min.width(), range.max.width()));
    if (dragEdges_ & Qt::TopEdge)
        r.setTop(dragStart_.bottom() + 1 -
                 std::clamp(dragStart_.height() - d.y(), range.min.height(), range.max.height()));
    if (dragEdges_ & Qt::BottomEdge)
        r.setHeight(
            std::clamp(dragStart_.height() + d.y(), range.min.height(), range.max.height()));
    if (r != window_->geometry())
        window_->setGeometry(r);
}

} // namespace zk::ui
