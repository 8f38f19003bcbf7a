#pragma once

// The macro tab of a device kind: the macro library on the left, the actions
// of the shown macro on the right, and the editor of one action below them.
// The mouse tab and the keyboard tab are the same page over their own
// library and their own control names ("ms_..." and "kb_...").
//
// Controls (prefix p = "ms" or "kb"):
//   p_MacroName_list                 one row per macro of the index; the row's
//                                    user data and text are the macro's name
//   p_Macro_list                     one row per action, each a widget named
//                                    "p_macro_action" whose user data is the
//                                    action line and whose three labels show
//                                    the name, the direction or distance, and
//                                    the delay
//   p_macro_edit_macroname           the shown macro's name; leaving it renames
//   p_tab_macro_edit                 page 0 nothing chosen, 1 key, 2 mouse
//   p_macro_combo_keyselect, p_macro_combo_upordown, p__macro_edit_ActionDelay
//   p_macro_combo_mouselect, p_macro_tab_mou_pointer_skewing,
//   p_macro_edit_mou_pointer_skewing, p__macro_edit_mou_action_delay
//   p_macro_tab_saveorcancel         shown while actions are being edited;
//                                    holds p_macro_btn_save and _cancel
//   p_macro_btn_up, _down, _uptop, _downbottom, _delete, _deleteall
//                                    move or delete the chosen action(s)
//   marco_manager_btn (mouse), kb_marco_manager_btn (keyboard)
//                                    open the macro manager; when it closes,
//                                    the kind's pages reload from the index
//   ms_cursor_x_eidt, ms_cursor_y_eidt, ms_cursor_delay_eidt,
//   ms_cursor_x_check, ms_cursor_y_check   the cursor macro (mouse only)
//
// Two states. Browsing: choosing a macro shows its stored actions. Editing:
// entered by opening an action or by moving or deleting actions; the shown
// rows differ from the file, so choosing another macro is refused with a
// message and the selection stays on the shown macro, until "save" writes the
// rows under the macro's name or "cancel" reloads the stored ones. Leaving
// the name edit with another name stores the rows under the new name.
//
// The library's files are the only store: every change of the list is
// followed by a refresh of the kind's pages (the button page's macro chooser
// reads the index), and Refresh reloads the list from the index.

#include "macros/MacroLibrary.h"
#include "pages/Page.h"

#include <QPointer>

#include <optional>
#include <string>
#include <vector>

class QListWidget;

namespace zk::pages {

class MacroEditorPage final : public Page {
public:
    // The tab of the mouse's library ("ms" controls) or the keyboard's ("kb").
    MacroEditorPage(QWidget* window, DeviceKind kind, macros::MacroLibrary library,
                    PageServices& services);
    // The same with the kind's own library in its profile folder.
    MacroEditorPage(QWidget* window, DeviceKind kind, PageServices& services);

    DeviceKind Kind() const override { return kind_; }
    bool Claims(const QString& controlName) const override;
    // Reloads the macro list from the index and shows the same macro again
    // (the last one when it is gone). Rows being edited are kept while their
    // macro is still listed.
    void Refresh() override;
    bool Notify(ui::TNotifyUI& msg) override;

    // True while shown rows may differ from the stored ones.
    bool Editing() const { return editing_; }

private:
    QString Name(const char* suffix) const;
    QWidget* Find(const QString& name) const;
    QWidget* Find(const char* suffix) const { return Find(Name(suffix)); }
    QListWidget* MacroList() const;
    QListWidget* ActionList() const;
    bool IsMouse() const { return kind_ == DeviceKind::Mouse; }

    void FillChoosers();
    void ShowLibrary(std::optional<std::string> prefer);
    void SetButtonsEnabled(bool enabled);
    void ShowMacro(int row);
    void SelectMacroRow(int row);
    int ShownRow() const;

    // Action rows.
    QWidget* MakeActionRow(const std::string& line);
    void UpdateRowLabels(QWidget* row, const macros::MacroAction& action);
    QWidget* SelectedActionRow() const;
    std::optional<macros::MacroAction> SelectedAction() const;
    void StoreSelectedAction(const macros::MacroAction& action);
    std::vector<std::string> RowLines() const;

    void EnterEditing();
    void LeaveEditing();
    void OpenAction();
    void ShowActionInEditor(const macros::MacroAction& action);
    void OnKeyChosen(int item);
    void OnMouseActionChosen(int item);
    void OnDirectionChosen(int item);
    void OnDelayTyped(QWidget* edit);
    void OnDistanceTyped();
    void OnMacroChosen();
    void OnNameEditLeft();
    void OnSave();
    void OnCancel();
    void OnMove(int how);
    void OnDelete(bool all);
    void OnManager();
    // The index position of the shown macro as the index stands now, or -1
    // after a message and a reload when it is no longer listed.
    int CurrentIndexOfShown();

    // Cursor macro (mouse).
    std::optional<std::filesystem::path> CursorFile() const;
    void ShowCursorMacro();
    void OnCursorChanged();

    QPointer<QWidget> window_;
    DeviceKind kind_;
    macros::MacroLibrary library_;
    PageServices& services_;
    QString prefix_;
    std::vector<std::string> names_;   // the index as last read
    std::optional<std::string> shown_; // the macro whose rows are shown
    bool editing_ = false;
    bool renaming_ = false; // a rename is running (its message box moves the focus)
};

} // namespace zk::pages
