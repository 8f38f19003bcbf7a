#pragma once
// Notifications: what a window's Notify receives when one of its controls is
// used.
//
// Which Qt widget stands for which kind of control, and what it raises:
//
//   Button     QPushButton, QToolButton (not checkable), QCommandLinkButton
//              "click" when clicked by mouse, keyboard or shortcut
//   Option     checkable QPushButton/QToolButton, QRadioButton (exclusive when
//              auto-exclusive or in an exclusive QButtonGroup)
//              "click", then "selectchanged" when the click changed the state;
//              an exclusive option raises it only when it becomes selected
//   CheckBox   QCheckBox: "click", then "selectchanged" on every change by the user
//   Slider     QSlider, QDial (any QAbstractSlider with a name)
//              "movevaluechanged" while dragged, "valuechanged" on release and
//              on keyboard, wheel and page steps; wParam the value
//   Edit       QLineEdit, QTextEdit, QPlainTextEdit
//              "textchanged" on the user's edits, "setfocus"/"killfocus"
//   Combo      QComboBox: "itemselect" when the user picks another entry;
//              wParam the new index, lParam the previous one
//   List       QListWidget, QTreeWidget, QTableWidget, any QAbstractItemView
//              "itemselect" when the user moves the current row (wParam new,
//              lParam previous row), "itemclick" on a click on an item,
//              "itemactivate" on a double click or Enter (wParam the row; the
//              sender is the row's widget when the row is shown by a named
//              widget, as list rows with names are, else the list), "menu" on
//              a context menu request (ptMouse in the list's coordinates)
//   TabLayout  QStackedWidget (pages, selected by the program) and QTabWidget
//              (tabs the user clicks: "selectchanged", wParam the new page)
//   Label      QLabel; Progress QProgressBar; containers QWidget, QFrame,
//              QGroupBox, QScrollArea (they raise nothing of their own)
//
// Every named control that can take the focus raises "setfocus" and
// "killfocus"; every named control except plain containers raises "msenter"
// and "msleave" when the mouse enters or leaves it (a container raises them
// when its dynamic property "hoverNotify" is true); any named widget whose
// dynamic property "menu" is true raises "menu" on a context menu request.
// The window raises "windowinit" once after InitWindow and "windowsize" on
// every size change. A custom control raises its own notifications, such as
// "colorchanged", with ui::SendNotify (ui/PaintManager.h).
//
// Changes the program makes raise nothing unless it asks for it: see
// ui::SelectItem and ui::SetCheck in ui/Controls.h.

#include "ui/Messages.h"

#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace zk::ui {

// Notification types.
inline constexpr const char* DUI_MSGTYPE_WINDOWINIT = "windowinit";
inline constexpr const char* DUI_MSGTYPE_WINDOWSIZE = "windowsize";
inline constexpr const char* DUI_MSGTYPE_CLICK = "click";
inline constexpr const char* DUI_MSGTYPE_SELECTCHANGED = "selectchanged";
inline constexpr const char* DUI_MSGTYPE_VALUECHANGED = "valuechanged";
inline constexpr const char* DUI_MSGTYPE_MOVEVALUECHANGED = "movevaluechanged";
inline constexpr const char* DUI_MSGTYPE_ITEMSELECT = "itemselect";
inline constexpr const char* DUI_MSGTYPE_ITEMCLICK = "itemclick";
inline constexpr const char* DUI_MSGTYPE_ITEMACTIVATE = "itemactivate";
inline constexpr const char* DUI_MSGTYPE_KILLFOCUS = "killfocus";
inline constexpr const char* DUI_MSGTYPE_SETFOCUS = "setfocus";
inline constexpr const char* DUI_MSGTYPE_TEXTCHANGED = "textchanged";
inline constexpr const char* DUI_MSGTYPE_MENU = "menu";
inline constexpr const char* DUI_MSGTYPE_MOUSEENTER = "msenter";
inline constexpr const char* DUI_MSGTYPE_MOUSELEAVE = "msleave";
inline constexpr const char* DUI_MSGTYPE_COLORCHANGED = "colorchanged";
inline constexpr const char* DUI_MSGTYPE_SHOWACTIVEX = "showactivex";

// One notification. pSender is the control (the window's root widget for
// "windowinit" and "windowsize"); it may be deleted by a handler, so it is
// guarded. senderName is the sender's object name at the time of raising.
struct TNotifyUI {
    QString sType;
    QPointer<QWidget> pSender;
    QString senderName;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    QPoint ptMouse; // cursor position in the sender's coordinates, where known

    // True when the type is `type` (exact) and, if `name` is given, the
    // sender's name equals it without regard to case.
    bool Is(const char* type, const QString& name = {}) const {
        return sType == QLatin1String(type) &&
               (name.isEmpty() || senderName.compare(name, Qt::CaseInsensitive) == 0);
    }
};

} // namespace zk::ui
