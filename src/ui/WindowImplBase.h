#pragma once
// A window of the program: a QWidget built from a .ui layout, with
// notifications, numbered messages, timers by id and modal runs.
//
// Life of a window:
//   1. Create(parent, name, style, rect): builds the layout GetSkinFile()
//      (controls of custom tags come from CreateControl), takes the layout
//      root's size, then calls InitWindow. "windowinit" is raised to Notify
//      once the event loop next runs (after the caller's ShowWindow or inside
//      ShowModal), as the first notification of the window.
//   2. The window lives: Notify receives its controls' notifications,
//      HandleCustomMessage every message (posted, sent, timers, tray, menu,
//      WM_CLOSE, WM_SYSCOMMAND, WM_ACTIVATE, WM_DPICHANGED) before the
//      window's own handling.
//   3. Close(result) (or WM_CLOSE, or the window manager's close button,
//      unless HandleCustomMessage handles WM_CLOSE): once the current message
//      is done the window hides, OnDestroy runs, then HandleCustomMessage sees
//      WM_DESTROY, timers stop, a running ShowModal returns the result, and
//      OnFinalMessage runs last (a window that deletes itself does it there,
//      with deleteLater()). Messages that arrive later are dropped, and a
//      worker waiting in SendMessage is released with 0.
//
// The window's own handling of messages HandleCustomMessage leaves unhandled:
// WM_CLOSE closes with IDCANCEL; WM_SYSCOMMAND SC_MINIMIZE minimises,
// SC_MAXIMIZE maximises, SC_RESTORE shows normally, SC_CLOSE is WM_CLOSE;
// WM_DPICHANGED sets the paint manager's DPI. Everything else is ignored.
//
// Threads: PostMessage, SendMessage, SetTimer, KillTimer, Close and IsClosing
// may be called from any thread; everything else belongs to the GUI thread.

#include "ui/Messages.h"
#include "ui/Notify.h"
#include "ui/PaintManager.h"
#include "ui/ResourceManager.h"

#include <QHash>
#include <QRect>
#include <QWidget>

#include <atomic>
#include <memory>

class QEventLoop;

namespace zk::ui {

class NotifyHub;
struct SendQueue;

enum class WindowStyle {
    Frame,  // frameless top-level window with a taskbar entry
    Dialog, // frameless window owned by the parent (stays above it, no taskbar entry)
    Popup,  // frameless tool window owned by the parent, does not take activation
    Child,  // a child widget inside the parent
};

class WindowImplBase : public QWidget, public IQueryControlText {
    Q_OBJECT
public:
    WindowImplBase();
    ~WindowImplBase() override;

    // --- what a window class provides -------------------------------------
    virtual QString GetWindowClassName() const = 0;
    // Layout name of the resource list ("XML_MAIN") or a layout file name.
    virtual QString GetSkinFile() = 0;
    // Called once the layout is built, before "windowinit".
    virtual void InitWindow() {}
    // Receives every notification of the window's controls. The base does nothing.
    virtual void Notify(TNotifyUI& msg);
    // Sees every message first; set bHandled to stop the window's own handling.
    virtual LRESULT HandleCustomMessage(unsigned uMsg, WPARAM wParam, LPARAM lParam,
                                        bool& bHandled);
    // A control (or a sub-layout built with DialogBuilder::Create) for a
    // custom class name of the layout, or null to let the factory and Qt
    // create it. The base returns null.
    virtual QWidget* CreateControl(const QString& className);
    // Texts that the language files do not hold; the base returns none.
    QString QueryControlText(const QString& id, const QString& type) override;
    // First step of destruction, see above.
    virtual void OnDestroy() {}
    // Last step of destruction, see above.
    virtual void OnFinalMessage() {}
    // Escape or Enter that no control of the window took (a control that
    // captures keys takes them): true when the window acted on it. Dialogs
    // cancel on Escape and confirm on Enter; by default nothing happens.
    virtual bool ResponseDefaultKeyEvent(int key) {
        (void)key;
        return false;
    }

    // --- window operations -------------------------------------------------
    // Builds the window. False when the layout cannot be built (the window
    // then stays empty and is not initialised). `rect` places and sizes the
    // window before the layout's own size is taken; an empty rect keeps the
    // default place.
    bool Create(QWidget* parent, const QString& name, WindowStyle style = WindowStyle::Frame,
                const QRect& rect = {});
    // Centres the window on its parent window, or on its screen's work area.
    void CenterWindow();
    void ShowWindow(bool show = true, bool takeFocus = true);
    // Shows the window modally and runs a nested event loop until the window
    // is closed; returns the result given to Close (IDCANCEL for a close by
    // the window manager). A window that is already closed returns its result.
    int ShowModal();
    // Closes the window with a result (see the life of a window). The first
    // Close decides the result; later calls change nothing. Any thread (queued
    // when not on the GUI thread).
    void Close(int result = IDOK);
    // True between a successful Create and the end of the destroy sequence.
    bool IsWindow() const { return created_ && !destroyed_; }
    bool IsClosing() const { return closing_.load(); }
    int GetResult() const { return result_; }

    // --- messages ----------------------------------------------------------
    // Queues a message to the window's thread; any thread. False when the
    // window is already destroyed.
    bool PostMessage(unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0);
    // On the GUI thread: handles the message at once. On another thread:
    // queues it and blocks until the GUI thread has handled it, then returns
    // the result (0 when the window is or gets destroyed first).
    LRESULT SendMessage(unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0);
    // Full handling of one message: HandleCustomMessage, then the window's
    // own handling when not handled. GUI thread.
    LRESULT HandleMessage(unsigned msg, WPARAM wParam, LPARAM lParam);
    // Posts a message whose wParam points to `payload`; the message keeps the
    // payload alive until it has been handled (or dropped) and then frees it.
    bool PostMessageOwning(unsigned msg, std::shared_ptr<const void> payload, LPARAM lParam = 0);

    // --- timers --------------------------------------------------------------
    // Starts (or restarts) timer `id` with the period in milliseconds; each
    // tick arrives as WM_TIMER with wParam = id. Any thread (queued when not
    // on the GUI thread).
    bool SetTimer(unsigned id, unsigned elapseMs);
    // Stops timer `id`; no tick of it arrives after KillTimer returned on the
    // GUI thread. Any thread (queued when not on the GUI thread).
    bool KillTimer(unsigned id);
    // GUI thread.
    bool HasTimer(unsigned id) const;

    // --- controls ------------------------------------------------------------
    PaintManager& GetPaintManager() { return m_pm; }
    QWidget* FindControl(const QString& name) const { return m_pm.FindControl(name); }
    template <class T> T* FindControl(const QString& name) const {
        return m_pm.FindControl<T>(name);
    }
    // Raises a notification to this window's Notify (logged first).
    void RaiseNotify(TNotifyUI& msg);

    // Frameless windows: the top strip of this height (pixels) drags the
    // window, except over buttons, edits and other input controls. The
    // layout root's dynamic property "captionHeight" sets it too.
    void SetCaptionHeight(int height) { captionHeight_ = height; }

protected:
    PaintManager m_pm;

    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    friend class PaintManager;
    friend class NotifyHub;
    void DestroySequence();
    void SetTimerNow(unsigned id, unsigned elapseMs);
    void KillTimerNow(unsigned id);
    void ReleasePendingSends();
    LRESULT DefaultHandling(unsigned msg, WPARAM wParam, LPARAM lParam);

    QWidget* root_ = nullptr;
    bool created_ = false;
    bool destroyed_ = false;
    bool destroyQueued_ = false;
    std::atomic<bool> closing_{false};
    std::atomic<bool> gone_{false}; // destroy sequence started: no more messages
    int result_ = IDCANCEL;
    int captionHeight_ = 0;
    QEventLoop* modalLoop_ = nullptr;
    QHash<unsigned, int> timers_;   // our id -> Qt timer id
    QHash<int, unsigned> timerIds_; // Qt timer id -> our id
    NotifyHub* hub_ = nullptr;
    std::shared_ptr<SendQueue> sends_;
};

} // namespace zk::ui
