#pragma once

// The buttons page of the mouse: which function each of buttons 2 to 7
// performs, chosen from a popup of ready-made functions or built in the
// function editor.
//
// On the mouse picture: the button controls "mouse_key_1".."mouse_key_7"
// show each button's name (stored per profile in KEYNAME of its name file)
// and light the button's drawing while the pointer is over them; a click on
// buttons 2 to 7 opens the popup "mouse_key_list" beside them, with the
// sub-lists of DPI, office, media and window functions opening on hover.
// "MouseFront_check" and "MouseSide_check" switch "mouse_tab" between the top
// and side views.
//
// A popup choice changes the button's 3 bytes in button table 0, sends the
// macro library and the table to the mouse at once, saves the profile and
// stores the button's name. "gunlun_key" captures a keyboard key in the
// key-capture window, "marco_key" assigns a macro through the macro
// assignment window (whose failed write puts the old action back).
//
// On the page: the function labels "ms_key_0".."ms_key_6" show what each
// button does ("btn_distribute" shows or hides them), and the function editor
// "ms_tab_function" builds any action for the button chosen last; it stores
// into the table at every change and "ms_key_fct_apply" sends the table.

#include "pages/Page.h"
#include "settings/ButtonAction.h"
#include "ui/DeviceHook.h"

#include <QPointer>
#include <QSet>

#include <optional>

namespace zk::pages {

class ButtonPage final : public Page {
public:
    ButtonPage(QWidget* window, profiles::MouseSession& session, PageServices& services);
    ~ButtonPage() override;

    DeviceKind Kind() const override { return DeviceKind::Mouse; }
    bool Claims(const QString& controlName) const override;
    // Button names, function labels and the editor's macro list from the
    // button table, the profile's name file and the macro library.
    void Refresh() override;
    bool Notify(ui::TNotifyUI& msg) override;

    // A key of the input hook addressed to the main window (single-key mode):
    // the function editor's key capture. wParam and lParam as the hook sends them.
    void OnHookedKey(ui::WPARAM message, ui::LPARAM record);
    // The main window lost activation or is going: the editor's capture ends.
    void RemoveInputHooks();

    // The action the editor works on: button index, type, p1, p2.
    const settings::AssignmentEntry& CurrentAction() const { return currentAction_; }
    const ui::CDeviceHook& Hook() const { return hook_; }

private:
    QWidget* Find(const QString& name) const;
    void Prepare();
    int Language() const;

    // Popup.
    void OpenPopup(int button);
    void ClosePopup();
    void ShowSubList(const QString& list);
    void CollapseSubLists(const QString& keep);
    void Hover(int button, bool entering);
    void SelectView(bool side);
    bool OnPopupItem(const QString& item);
    void AssignEntry(const QString& item, const settings::AssignmentEntry& entry);
    void AssignCapturedKey();
    void AssignMacro();

    // Writing and names.
    bool WriteButtonTable();
    void StoreButtonName(int button, const QString& name);
    void ShowButtonNames();
    void RefreshLabels();
    void RefreshMacroChoices();

    // Function editor.
    void SelectEditorIndex(int index);
    void BuildAndStore();
    void ClampEdit(const QString& name);
    int EditValue(const QString& name) const;
    int ComboSelection(const QString& name) const;
    void ShowEditorButton();
    void ApplyEditor();

    QPointer<QWidget> window_;
    profiles::MouseSession& session_;
    PageServices& services_;
    QSet<QString> claims_;
    bool prepared_ = false;
    settings::AssignmentEntry currentAction_;
    int popupTop_ = 0;
    int editorIndex_ = 0;
    // The item that the last press chose by focusing it (its click follows).
    QString focusChosen_;
    // The key last captured for the editor's keyboard function.
    std::optional<settings::ButtonAction> editorKey_;
    ui::CDeviceHook hook_;
};

} // namespace zk::pages
