#pragma once
// A window's control manager: finds controls by name, holds the window's font
// table and DPI, and routes notifications to the window.

#include "ui/Messages.h"

#include <QFont>
#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace zk::ui {

class WindowImplBase;

class PaintManager {
public:
    explicit PaintManager(WindowImplBase* window);

    // The window's root control (the layout's root widget); null before the
    // layout is built.
    QWidget* GetRoot() const;
    WindowImplBase* GetWindow() const { return window_; }

    // The control named `name` (exact object name) in the window's layout,
    // including sub-layouts; null when there is none.
    QWidget* FindControl(const QString& name) const;
    template <class T> T* FindControl(const QString& name) const {
        return qobject_cast<T*>(FindControl(name));
    }
    // The control named `name` below `parent`; null when there is none.
    static QWidget* FindSubControlByName(QWidget* parent, const QString& name);

    // Connects the notifications of a control tree added to the window after
    // its layout was built (children added later to a layout control are
    // connected automatically).
    void AttachControl(QWidget* control);

    // Raises a notification of `sender` to the window's Notify.
    void SendNotify(QWidget* sender, const QString& type, WPARAM wParam = 0, LPARAM lParam = 0);

    // Fonts by id. A control whose dynamic property "fontId" names an id
    // (set in its .ui file) shows that font; AddFont replaces an id and
    // applies it to such controls at once. Sizes are in device-independent
    // pixels (Qt scales them per monitor).
    void AddFont(int id, const QString& face, int pixelSize, bool bold = false,
                 bool underline = false, bool italic = false, bool shared = true);
    QFont GetFont(int id) const; // the default font for an unknown id
    bool HasFont(int id) const;
    void RemoveAllFonts();
    void SetDefaultFont(const QString& face, int pixelSize, bool bold = false,
                        bool underline = false, bool italic = false, bool shared = true);
    QFont GetDefaultFont() const;

    // DPI of the window's monitor (96 = 100 %). Qt lays windows out in
    // device-independent pixels and scales them per monitor by itself; the
    // value serves for device-pixel sizes the program computes (ScaleValue).
    void SetDPI(int dpi);
    int GetDPI() const { return dpi_; }
    int ScaleValue(int value) const { return value * dpi_ / 96; }
    // Re-applies the font table to the window's controls and redraws it.
    void ResetDPIAssets();

    // Runs the application's event loop until QuitMessageLoop.
    static int MessageLoop();
    // Ends MessageLoop with the given exit code once the current message is done.
    static void QuitMessageLoop(int exitCode = 0);

private:
    void ApplyFonts(int onlyId = -1);
    WindowImplBase* window_;
    QHash<int, QFont> fonts_;
    QFont defaultFont_;
    int dpi_ = 96;
};

// Raises a notification of `control` to the window that contains it (e.g.
// "colorchanged" from a custom control). Nothing happens when the control is
// in no window of this layer. GUI thread only.
void SendNotify(QWidget* control, const QString& type, WPARAM wParam = 0, LPARAM lParam = 0);

// The window of this layer that contains `control`, or null.
WindowImplBase* WindowOf(QWidget* control);

// Process DPI awareness. Qt is always per-monitor DPI aware; the value is kept
// for callers that ask.
struct Dpi {
    static bool SetDPIAwareness(int awareness);
    static int GetDPIAwareness();
};

} // namespace zk::ui
