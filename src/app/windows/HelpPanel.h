#pragma once
// The help panel of the main window: "ques_click" drops down from the help button "quesbtn"
// and offers the maker's web page ("menu_restore") and the firmware updater ("menu_update").
//
// The main window hands its "click" and "setfocus" notifications to Handle, which answers
// whether it took the notification. Positions are in the main window's client pixels, as
// rectangles (left, top, right, bottom).

#include "ui/Notify.h"

#include <QRect>
#include <QString>
#include <QUrl>

#include <functional>

class QWidget;

namespace zk::app {

class HelpPanel {
public:
    // Rectangles of the open and the collapsed panel, for the window at its
    // layout's width. A wider window keeps the help button at the same
    // distance from its right edge, and the panel with it.
    static constexpr int kLayoutWidth = 960;
    static QRect OpenRect() { return QRect(QPoint(800, 20), QPoint(950, 104)); } // 800,20,951,105
    static QRect CollapsedRect() { return QRect(800, 20, 0, 0); }                // 800,20,800,20
    static QRect HiddenRect() { return QRect(0, 0, 0, 0); }                      // 0,0,0,0

    // How the panel opens the web page and starts the updater (program, argument, folder).
    // Both default to the desktop's services; tests replace them.
    using OpenUrlFn = std::function<bool(const QUrl&)>;
    using StartFn = std::function<bool(const QString&, const QString&, const QString&)>;

    explicit HelpPanel(QWidget* window);
    void SetOpenUrl(OpenUrlFn fn) { openUrl_ = std::move(fn); }
    void SetStartProgram(StartFn fn) { start_ = std::move(fn); }

    // True when the notification was the panel's. A "windowsize" keeps the
    // open panel under the help button and is left to others.
    bool Handle(const ui::TNotifyUI& msg);

    bool IsCollapsed() const { return collapsed_; }
    // The panel's rectangle in the window's client pixels.
    QRect PanelRect() const;

private:
    void Place(const QRect& rect);
    // `rect` moved with the help button of a window wider than its layout.
    QRect BesideButton(const QRect& rect) const;
    QWidget* Panel() const;

    QWidget* window_;
    bool collapsed_ = true;
    OpenUrlFn openUrl_;
    StartFn start_;
};

} // namespace zk::app
