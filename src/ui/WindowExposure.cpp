#include "ui/WindowExposure.h"

#include <QEvent>
#include <QWindow>

namespace zk::ui {

namespace {
const QString kObjectName = QStringLiteral("zkWindowExposure");
} // namespace

WindowExposure* WindowExposure::Of(QWidget* window) {
    if (!window)
        return nullptr;
    QWidget* top = window->window();
    if (auto* existing = top->findChild<WindowExposure*>(kObjectName, Qt::FindDirectChildrenOnly))
        return existing;
    return new WindowExposure(top);
}

WindowExposure::WindowExposure(QWidget* window) : QObject(window), window_(window) {
    setObjectName(kObjectName);
    window->installEventFilter(this);
    WatchHandle();
    Update();
}

// The native window exists once the widget was shown (or asked for its id);
// its exposure events are watched from then on.
void WindowExposure::WatchHandle() {
    QWindow* handle = window_ ? window_->windowHandle() : nullptr;
    if (handle == handle_)
        return;
    if (handle_)
        handle_->removeEventFilter(this);
    handle_ = handle;
    if (handle_)
        handle_->installEventFilter(this);
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
