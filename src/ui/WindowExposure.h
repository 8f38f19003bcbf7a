#pragma once
// Whether a top-level window is on screen: shown, not minimised, and exposed
// by the window system (a window that the desktop unmapped or iconified is
// not, although QWidget::isVisible stays true for a minimised window). Work
// that only feeds the screen (animations, repaints, polls of what a page
// shows) follows it, so that a hidden or minimised program sleeps.

#include "ui/WindowWatch.h"

namespace zk::ui {

class WindowExposure : public WindowWatch {
    Q_OBJECT
public:
    // The watcher of `window`'s top-level window, made on first use (a child
    // of that window, so it lives as long as the window). Null for null.
    static WindowExposure* Of(QWidget* window);

    bool Shown() const { return shown_; }

signals:
    // The window came on screen (true) or left it (false).
    void ShownChanged(bool shown);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class WindowWatch;
    explicit WindowExposure(QWidget* window);
    void Update();

    bool shown_ = false;
};

} // namespace zk::ui
