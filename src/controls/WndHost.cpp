#include "controls/WndHost.h"

#include <QEvent>
#include <QWindow>

namespace zk::controls {

CWndUI::CWndUI(QWidget* parent) : QWidget(parent) {}

CWndUI::~CWndUI() {
    if (watchedTop_)
        watchedTop_->removeEventFilter(this);
    // A window of its own outlives the host but no longer follows it.
    if (native_ && !ownsNative_ && native_->parentWidget() != this)
        native_->hide();
}

void CWndUI::Attach(QWindow* window) {
    Detach();
    if (!window)
        return;
    QWidget* container = QWidget::createWindowContainer(window, this);
    native_ = container;
    ownsNative_ = true;
    PlaceNative();
}

void CWndUI::Attach(QWidget* widget, bool embed) {
    Detach();
    if (!widget)
        return;
    if (embed) {
        widget->setParent(this);
    } else {
        widget->setAttribute(Qt::WA_ShowWithoutActivating, true);
        WatchTopLevel();
    }
    native_ = widget;
    ownsNative_ = false;
    PlaceNative();
}

void CWndUI::Detach() {
    if (native_ && ownsNative_)
        delete native_.data();
    native_ = nullptr;
    ownsNative_ = false;
}

void CWndUI::SetPos(const QRect& rect) {
    setGeometry(rect);
    PlaceNative();
}

void CWndUI::SetVisible(bool visible) {
    setVisible(visible);
    PlaceNative();
}

void CWndUI::SetInternVisible(bool visible) {
    // The host's own state changes only through SetVisible; an outer
    // container hiding it hides the attached window too.
    if (!visible) {
        if (native_)
            native_->hide();
        return;
    }
    PlaceNative();
}

void CWndUI::PlaceNative() {
    if (!native_)
        return;
    if (native_->parentWidget() == this) {
        native_->setGeometry(rect());
        native_->setVisible(isVisible());
        return;
    }
    // A window of its own: over the host's rectangle on the screen.
    native_->setGeometry(QRect(mapToGlobal(QPoint(0, 0)), size()));
    if (isVisible()) {
        native_->show();
    } else {
        native_->hide();
    }
}

void CWndUI::WatchTopLevel() {
    QWidget* top = window();
    if (top == watchedTop_)
        return;
    if (watchedTop_)
        watchedTop_->removeEventFilter(this);
    watchedTop_ = top;
    if (top && top != this)
        top->installEventFilter(this);
}

bool CWndUI::eventFilter(QObject* watched, QEvent* e) {
    if (watched == watchedTop_ && native_ && native_->parentWidget() != this) {
        switch (e->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::WindowStateChange:
            PlaceNative();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, e);
}

void CWndUI::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    PlaceNative();
}

void CWndUI::moveEvent(QMoveEvent* e) {
    QWidget::moveEvent(e);
    PlaceNative();
}

void CWndUI::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    WatchTopLevel();
    PlaceNative();
}

void CWndUI::hideEvent(QHideEvent* e) {
    QWidget::hideEvent(e);
    PlaceNative();
}

} // namespace zk::controls
