#include "ui/WindowExposure.h"

#include <QEvent>
#include <QWindow>

namespace zk::ui {

namespace {
const QString kObjectName = QStringLiteral("zkWindowExposure");
} // namespace

WindowExposure* WindowExposure::Of(QWidget* window) {
    return WindowWatch::Of<WindowExposure>(window, kObjectName);
}

WindowExposure::WindowExposure(QWidget* window) : WindowWatch(window, kObjectName) {
    Update();
}

bool WindowExposure::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::WindowStateChange:
    case QEvent::WinIdChange:
    case QEvent::Expose:
    case QEvent::PlatformSurface:
        if (watched == window_.data())
            WatchHandle();
        Update();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void WindowExposure::Update() {
    const bool shown = window_ && window_->isVisible() &&
                       !(window_->windowState() & Qt::WindowMinimized) &&
                       (!handle_ || handle_->isExposed());
    if (shown == shown_)
        return;
    shown_ = shown;
    emit ShownChanged(shown);
}

} // namespace zk::ui
