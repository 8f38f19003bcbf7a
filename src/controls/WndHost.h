#pragma once
// A place in a layout for a window that is not one of the layout's controls.
//
// Attach a QWindow (embedded through a window container, as a child) or a
// QWidget. A child of the host fills the host's rectangle; a window outside
// the host's window is kept over the host's rectangle in screen coordinates.
// After every change of position or visibility the window follows: shown
// without being activated while the host is visible, hidden otherwise.

#include <QPointer>
#include <QWidget>

class QWindow;

namespace zk::controls {

class CWndUI : public QWidget {
    Q_OBJECT
public:
    explicit CWndUI(QWidget* parent = nullptr);
    ~CWndUI() override;

    QString GetClass() const { return QStringLiteral("Wnd"); }

    // Embeds `window` as a child of the host (the host owns the container;
    // the window is reparented into it). Replaces any attached window.
    void Attach(QWindow* window);
    // Attaches a widget: with `embed` it becomes a child of the host,
    // otherwise it stays a window of its own and is placed over the host.
    void Attach(QWidget* widget, bool embed);
    // Lets go of the attached window (a window of its own is left as it is).
    void Detach();
    QWidget* GetNativeWindow() const { return native_; }

    void SetPos(const QRect& rect);
    void SetVisible(bool visible);
    void SetInternVisible(bool visible);

    // Places the attached window over the host's rectangle.
    void PlaceNative();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void WatchTopLevel();

    QPointer<QWidget> native_;
    bool ownsNative_ = false;
    QPointer<QWidget> watchedTop_;
};

} // namespace zk::controls
