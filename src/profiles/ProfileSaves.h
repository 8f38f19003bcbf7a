#pragma once

// The saves that the settings transfers end with, bound to the profile stores.

#include "profiles/ProfileStore.h"
#include "settings/SettingsTransfer.h"

#include <functional>
#include <string_view>

namespace zk::profiles {

// Any store may be null: its saves then do nothing.
settings::TransferSaves BindTransferSaves(MouseProfileStore* mouse, KeyboardProfileStore* keyboard,
                                          MousepadProfileStore* mousepad,
                                          std::function<void(std::string_view)> showMessage);

} // namespace zk::profiles
