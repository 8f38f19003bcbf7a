#pragma once

// Applying the mouse device profile chosen in "config_list" (or in
// "ms_device_profile_combo", which applies the row selected in the list): the
// selector's name and link display, the load into the settings image, the
// pointer and lighting sliders, the DPI page, the writes of the settings
// record and the button table to the mouse, and the pointer-page pictures of
// the profile's name file.

#include "settings/pages/MousePageDeps.h"
#include "ui/Notify.h"

#include <QString>

class QWidget;

namespace zk::settings::pages {

class DpiPage;

// The name of entry `index` of a list or combo: its user data (Qt::UserRole)
// when it has one, else its text.
QString EntryName(QWidget* selector, int index);

// Runs the apply for the row selected in "config_list" below `window`.
// Returns the load's result (0 read, 1 missing, -1 malformed), or nothing
// applied (1) when the list is missing or has no selected row.
int ApplyMouseDeviceProfile(QWidget* window, MousePageDeps& deps, DpiPage* dpi);

// "itemselect" from "config_list" (which first hides "menu_clicked") or from
// "ms_device_profile_combo". True when the notification was one of them.
bool HandleMouseDeviceSelect(ui::TNotifyUI& msg, QWidget* window, MousePageDeps& deps,
                             DpiPage* dpi);

} // namespace zk::settings::pages
