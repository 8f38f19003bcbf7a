#pragma once

// The mouse device profiles of "config_list" (and "ms_device_profile_combo",
// which applies the row selected in the list): applying the chosen profile
// shows the selector's name and link, loads the profile into the settings
// image, puts the pointer and lighting sliders where the profile wants them,
// refreshes the mouse pages, writes the settings record and the button table
// to the mouse, and shows the pointer-page pictures of the profile's name file.

#include "pages/Page.h"

#include <QPointer>

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
    // "itemselect" from "config_list" (which first hides "menu_clicked") or
    // from "ms_device_profile_combo".
    bool Notify(ui::TNotifyUI& msg) override;

    // Runs the apply for the row selected in "config_list". Returns the load's
    // result (0 read, 1 missing, -1 malformed), or nothing applied (1) when
    // the list is missing or has no selected row.
    int Apply();

private:
    QPointer<QWidget> window_;
    profiles::MouseSession& session_;
    PageServices& services_;
};

} // namespace zk::pages
