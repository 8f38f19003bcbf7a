#include "ui/WindowWatch.h"

#include <QWindow>

namespace zk::ui {

WindowWatch::WindowWatch(QWidget* window, const QString& objectName)
    : QObject(window), window_(window) {
    setObjectName(objectName);
    window->installEventFilter(this);
    WatchHandle();
}

bool WindowWatch::WatchHandle() {
    QWindow* handle = window_ ? window_->windowHandle() : nullptr;
    if (handle == handle_)
        return false;
    if (handle_)
        handle_->removeEventFilter(this);
    handle_ = handle;
    if (handle_)
        handle_->installEventFilter(this);
    return true;
}

} // namespace zk::ui
