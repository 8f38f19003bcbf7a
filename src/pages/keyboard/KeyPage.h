#pragma once

// The keyboard's key page: what each key of the keyboard does.
//
// While the key tab "kb_key_Op_tab" is selected, a click on a key of the
// keyboard picture ("kb_key_0".."kb_key_125") selects it: the key is marked,
// its name ("kb_key_selected_name") and its function ("kb_key_fct_mods" with
// "kb_key_fct_label") are shown, and the function editor "kb_tab_function"
// loads what the key does now. The editor's combo "kb_key_fct_combo" picks the
// kind of function, each with its sub-page "kb_tab_function_<n>":
//
//   0 default      the key's entry of the keyboard's default table
//   1 key          another key: chosen in "kb_key_fct_combo_11", or pressed
//                  while the sub-page shows (the input hook's single-key mode
//                  sends it to the main window; "kb_key_fct_edit_21" names it)
//   2 combination  modifiers "kb_key_fct_check_ctrl/_shift/_alt/_win" with a
//                  key of "kb_key_fct_combo_12"
//   3 office       a shortcut of "kb_key_fct_combo_26"
//   4 media        a consumer key of "kb_key_fct_combo_21"
//   5 system       a system key of "kb_key_fct_combo_22"
//   6 disabled     the key does nothing
//
// Every change writes the whole key table to the keyboard (profile 0's block,
// blockLength bytes) and saves the selected key profile and device profile,
// which both hold the table. "kb_key_restore_all_btn" gives every key its
// default again. Keyboard macros stay on the PC, so no macro is offered.
//
// Keys whose table entry has a function other than its default carry the
// picture's key-set mark; every key's tooltip names its function. Keys the
// keyboard does not report (beyond its key count, or without a default
// function) cannot be changed, and nothing can be changed before the keyboard
// was read once.

#include "pages/Page.h"
#include "settings/ButtonAction.h"
#include "ui/DeviceHook.h"

#include <QPointer>

#include <memory>
#include <optional>

namespace zk::pages {

class KeyPage final : public Page {
public:
    KeyPage(QWidget* window, profiles::KeyboardSession& session, PageServices& services);
    ~KeyPage() override;

    DeviceKind Kind() const override { return DeviceKind::Keyboard; }
    bool Claims(const QString& controlName) const override;
    // The keys' marks and tooltips, and the selected key's function, from the
    // key table (the editor keeps its enabled state: an applied key profile
    // leaves it disabled until a key is chosen again).
    void Refresh() override;
    bool Notify(ui::TNotifyUI& msg) override;

    // A key of the input hook addressed to the main window (single-key mode):
    // the editor's key capture. wParam and lParam as the hook sends them.
    void OnHookedKey(ui::WPARAM message, ui::LPARAM record);
    // The main window lost activation or is going: the capture ends.
    void RemoveInputHooks();

    // The selected key position, -1 for none.
    int SelectedKey() const { return selectedKey_; }
    const ui::CDeviceHook& Hook() const { return hook_; }

private:
    class ShowWatcher;

    QWidget* Find(const QString& name) const;
    void Prepare();
    int KeyCount() const;
    bool Assignable(int key) const;
    settings::ButtonAction ActionOf(int key) const;
    settings::ButtonAction DefaultOf(int key) const;

    void SelectKey(int key);
    void MarkSelected(bool shown);
    void ShowHint(const QString& key);
    void ShowSelection();
    void LoadEditor();
    void PresetKind(int index);
    void ShowSubPage(int index);
    void UpdateCapture();
    void BuildAndStore();
    void Store(const settings::ButtonAction& action);
    void RestoreAll();
    void WriteAndSave();
    void RefreshLabels();
    void PageShown(bool shown);

    QPointer<QWidget> window_;
    profiles::KeyboardSession& session_;
    bool prepared_ = false;
    int selectedKey_ = -1;
    int editorIndex_ = -1;
    std::unique_ptr<ShowWatcher> watcher_;
    ui::CDeviceHook hook_;
};

} // namespace zk::pages
