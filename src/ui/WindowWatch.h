#pragma once
// The base of the helpers that watch a top-level window: one of each kind per
// window, a child of it (so it lives as long as the window), filtering the
// events of the window widget and, once it exists, of its native window
// (QWindow), which is made when the widget is first shown or asked for its id.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class QWindow;

namespace zk::ui {

class WindowWatch : public QObject {
protected:
    WindowWatch(QWidget* window, const QString& objectName);

    // The watch of kind T of `window`'s top-level window, made on first use;
    // null for null. T names itself `objectName` and befriends WindowWatch.
    template <class T> static T* Of(QWidget* window, const QString& objectName) {
        if (!window)
            return nullptr;
        QWidget* top = window->window();
        if (auto* existing = top->findChild<T*>(objectName, Qt::FindDirectChildrenOnly))
            return existing;
        return new T(top);
    }

    // Follows the native window of the widget; true when it is another one.
    bool WatchHandle();

    QPointer<QWidget> window_;
    QPointer<QWindow> handle_;
};

} // namespace zk::ui
