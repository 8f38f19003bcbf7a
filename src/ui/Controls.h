#pragma once
// Operations on controls that carry meaning beyond Qt's own setters: texts
// that are language keys, program-made selections with or without their
// notification, user data and background colour and image.
//
// Program-made changes through Qt's own setters (setChecked, setCurrentIndex,
// setValue, setText) never raise notifications; use SelectItem and SetCheck
// with sendNotify = true to raise the notification a user's change would.

#include "ui/Messages.h"

#include <QString>
#include <QVariant>

#include <cstdint>

class QAbstractButton;
class QWidget;

namespace zk::ui {

// Item data role under which combo and list entries keep their text key.
inline constexpr int ResourceKeyRole = 0x0100 + 0x5A4B; // Qt::UserRole + offset

// --- texts -------------------------------------------------------------------
// The resource-text flag: when set, texts given to SetText are language keys.
void SetResourceText(QWidget* control, bool isKey);
bool IsResourceText(QWidget* control);
// Sets the control's text ("text" property, or the title of a group box or
// window). With the resource-text flag set, `text` is a key: the control keeps
// it in "resourceKey" and shows the current language's text. Otherwise any
// previous key is dropped and the text is shown as given.
void SetText(QWidget* control, const QString& text);
// As SetText, setting the resource-text flag to `isKey` first.
void SetText(QWidget* control, const QString& text, bool isKey);
// The shown text.
QString GetText(QWidget* control);
// The key of a control whose text is a resource key, else empty.
QString GetResourceKey(QWidget* control);

// --- items of combos and lists (QComboBox, QListWidget) ------------------------
// Adds an entry (at `index`, or at the end when index < 0); with isKey the
// text is a language key and follows language changes. Returns the index or -1.
// Adding never raises "itemselect".
int AddItem(QWidget* control, const QString& text, bool isKey = false, int index = -1);
bool RemoveItem(QWidget* control, int index);
void RemoveAllItems(QWidget* control);
int GetCount(QWidget* control);
QString GetItemText(QWidget* control, int index);
// Index of the current entry (combo, list, tab widget, stacked pages); -1 when none.
int GetCurSel(QWidget* control);
// Makes entry `index` current in a QComboBox, an item view, a QTabWidget,
// QTabBar or QStackedWidget. With sendNotify the notification a user's
// change raises follows ("itemselect" for combos and lists, "selectchanged"
// for tabs and pages). Selecting the current entry changes and raises
// nothing. False for an index out of range or an unsupported control.
bool SelectItem(QWidget* control, int index, bool sendNotify = false);

// --- options and check boxes ---------------------------------------------------
// Sets the check state; with sendNotify "selectchanged" follows when the state
// changed (for an exclusive option only when it becomes selected). Other
// options of its group are deselected without notifications.
void SetCheck(QAbstractButton* option, bool checked, bool sendNotify = false);
bool IsSelected(QAbstractButton* option);

// --- user data, colours, images --------------------------------------------------
void SetUserData(QWidget* control, const QString& data);
QString GetUserData(QWidget* control);
// Background colour as 0xAARRGGBB; 0 means none. Drawn through the control's
// style sheet; custom controls may read the "bkColor" property themselves.
void SetBkColor(QWidget* control, std::uint32_t argb);
std::uint32_t GetBkColor(QWidget* control);
// Background image file, relative to the skin folder; empty for none.
void SetBkImage(QWidget* control, const QString& file);
QString GetBkImage(QWidget* control);

} // namespace zk::ui
