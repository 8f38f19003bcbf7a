#pragma once

// The mouse's profile panel: the device profiles of "config_list" and what the
// user does with them.
//
// Applying the chosen profile (a row selected in "config_list", by the user
// or by the program, or an entry of "ms_device_profile_combo", which applies
// the row selected in the list) shows the selector's name and link, loads the
// profile into the settings image, puts the pointer and lighting sliders
// where the profile wants them, refreshes the mouse pages, writes the
// settings record and the button table to the mouse, and shows the
// pointer-page pictures of the profile's name file.
//
// The panel "config_display" is the profile column of the mouse tab;
// "config_close_btn" folds it away and "config_btn" brings it back.
// "new_config_btn" adds a profile made from the factory settings and applies
// it; "config_copy_btn" adds a copy of the selected profile under a name of
// its own; "config_edit_btn" puts the edit "list_edit" over the selected row,
// and the name is taken when the edit loses the focus (or on Enter);
// "config_delete_btn" deletes the selected profile and applies the last row.
// A right click on a row shows the pop-up "menu_clicked" beside it with the
// twins "config_copy_btn1", "config_edit_btn1" and "config_delete_btn1".
// Refusals and failures are shown in the message box; the list, the index and
// the files then stay as they were.

#include "pages/Page.h"

#include <QPointer>

#include <string>
#include <vector>

namespace zk::pages {

// The name of entry `index` of a list or combo: its user data (Qt::UserRole)
// when it has one, else its text.
QString EntryName(QWidget* selector, int index);

class MouseDeviceProfiles final : public Page {
public:
    MouseDeviceProfiles(QWidget* window, profiles::MouseSession& session, PageServices& services);

    DeviceKind Kind() const override { return DeviceKind::Mouse; }
    bool Claims(const QString& controlName) const override;
    // Nothing of its own to refresh: the list is filled at start-up.
    void Refresh() override {}
    bool Notify(ui::TNotifyUI& msg) override;

    // Runs the apply for the row selected in "config_list". Returns the load's
    // result (0 read, 1 missing, -1 malformed), or nothing applied (1) when
    // the list is missing or has no selected row.
    int Apply();

private:
    QWidget* Find(const char* name) const;
    QWidget* List() const { return Find("config_list"); }
    std::vector<std::string> Rows() const;
    void AddRow(const std::string& name);
    // Selects `row` so that its selection applies it, also when the list had
    // already moved its current row there.
    void SelectAndApply(int row);
    void Show(const std::string& message);

    void ShowPanel();
    void HidePanel();
    void ShowMenu();
    void HideMenu();
    void NewProfile();
    void CopyProfile();
    void DeleteProfile();
    void StartRename();
    // Takes the edited name; false when it was refused (the edit stays).
    bool FinishRename();
    void CancelRename();

    QPointer<QWidget> window_;
    profiles::MouseSession& session_;
    PageServices& services_;
    // The row whose name is being edited; −1 when none.
    int editingRow_ = -1;
    bool finishing_ = false;
};

} // namespace zk::pages
