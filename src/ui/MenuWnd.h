#pragma once
// Popup menus built from a menu layout, and the record of a chosen item.
//
// Menu layout ("menu1.xml" in the skin folder):
//
//   <Menu>
//     <MenuElement name="lan_en" text="English" userdata="" checked="false"/>
//     <MenuElement name="lang" text="language_key" resourcetext="true">
//       <MenuElement name="lan_cn" text="中文"/>                  (a sub-menu)
//     </MenuElement>
//     <Separator/>
//   </Menu>
//
// "resourcetext" makes the text a language key. A chosen item is posted to
// the owner window as UIMSG_MENUCLICK (0x479) with wParam pointing to a
// MenuCmd. The message owns the record: it stays valid while the owner's
// HandleCustomMessage runs and is freed afterwards, whether the message was
// handled or not, so there is nothing to release and nothing can leak.

#include "ui/Messages.h"

#include <QMenu>
#include <QPoint>
#include <QPointer>
#include <QString>

namespace zk::ui {

class WindowImplBase;

struct MenuCmd {
    QString szName;     // item name (up to 256 characters)
    QString szUserData; // item user data (up to 1024)
    QString szText;     // item text as shown (up to 1024)
    bool bChecked = false;
};

// The MenuCmd of a UIMSG_MENUCLICK message's wParam, or null for 0.
inline const MenuCmd* MenuCmdFromWParam(WPARAM wParam) {
    return reinterpret_cast<const MenuCmd*>(wParam);
}

// One item of a menu.
struct MenuElement {
    QString name;
    QString text;
    QString userData;
    bool isKey = false; // text is a language key
    bool checkable = false;
    bool checked = false;
};

// Menu alignment: where the menu lies relative to the point.
enum MenuAlignment : unsigned {
    eMenuAlignment_Left = 1 << 1,   // the menu's left edge at the point
    eMenuAlignment_Top = 1 << 2,    // the menu's top edge at the point
    eMenuAlignment_Right = 1 << 3,  // the menu's right edge at the point
    eMenuAlignment_Bottom = 1 << 4, // the menu's bottom edge at the point
};

class MenuWnd {
public:
    MenuWnd();
    ~MenuWnd(); // closes the menu

    // Builds the menu from a menu layout and shows it at the screen point
    // `pt`, placed by `alignment` (6: left and top edges at the point). Chosen
    // items go to `owner`. False when the layout cannot be read (nothing is
    // shown then). The menu closes itself when an item is chosen or the user
    // clicks elsewhere.
    bool Init(WindowImplBase* owner, const QString& layout, QPoint pt,
              unsigned alignment = eMenuAlignment_Left | eMenuAlignment_Top);

    // Adds an item at `index` (at the end when index < 0 or past the end).
    void InsertItem(int index, const MenuElement& item);
    // Number of items at the top level.
    int GetCount() const;
    // The top-level item named `name`; null when there is none.
    QAction* FindItem(const QString& name) const;
    // Re-computes the menu's size and keeps it at its point and alignment.
    void ResizeMenu();
    // Closes the menu now.
    void DestroyMenu();
    bool IsOpen() const;
    // The underlying Qt menu (for tests and styling); null before Init.
    QMenu* GetMenuUI() const { return menu_; }

    // Delivers `action` as a chosen item to the owner (what a user's choice
    // does). Used by the menu itself; callable for tests.
    void Choose(QAction* action);

private:
    void Place();
    QPointer<QMenu> menu_;
    QPointer<WindowImplBase> owner_;
    QPoint point_;
    unsigned alignment_ = eMenuAlignment_Left | eMenuAlignment_Top;
};

} // namespace zk::ui
