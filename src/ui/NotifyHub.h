#pragma once
// Internal: turns the signals and events of a window's widgets into
// notifications. One hub per window.

#include "ui/Messages.h"

#include <QHash>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QSet>

class QWidget;

namespace zk::ui {

class WindowImplBase;

// While one exists on the GUI thread, changes of controls are the program's:
// they raise no notification even inside a user's input event.
class ProgramChangeGuard {
public:
    ProgramChangeGuard();
    ~ProgramChangeGuard();
    ProgramChangeGuard(const ProgramChangeGuard&) = delete;
    ProgramChangeGuard& operator=(const ProgramChangeGuard&) = delete;
    static bool Active();
};

class NotifyHub : public QObject {
public:
    explicit NotifyHub(WindowImplBase* window);

    // Connects `root` and every widget below it (idempotent).
    void Attach(QWidget* root);
    void Raise(QWidget* sender, const char* type, WPARAM wParam = 0, LPARAM lParam = 0,
               QPoint pt = {});

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Wire(QWidget* w);
    void WireButton(QWidget* w);
    void WireSlider(QWidget* w);
    void WireCombo(QWidget* w);
    void WireItemView(QWidget* w);
    void WireTabs(QWidget* w);
    void WireEdit(QWidget* w);
    void AddProxy(QObject* part, QWidget* control);
    // Connects the list of the combo's popup `popup` once it shows.
    void WatchPopup(QWidget* popup, QWidget* combo);
    // The user is acting on `control` during the current event.
    void MarkUser(QWidget* control);
    bool IsUser(QWidget* control) const;

    WindowImplBase* window_;
    QHash<QObject*, QPointer<QWidget>> proxies_; // inner part -> control it belongs to
    QHash<QObject*, QPointer<QWidget>> popups_;  // combo popup not shown yet -> its combo
    QSet<QObject*> userActive_;
    bool clearQueued_ = false;
};

} // namespace zk::ui
