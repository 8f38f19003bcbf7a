#pragma once

// What the function editors of the mouse's buttons and the keyboard's keys
// share: the lists their combos offer (language keys of the key tables, in
// table order, so that an entry's position is its table position) and the
// single key that the input hook's capture takes.

#include "settings/KeyTables.h"
#include "ui/Messages.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <optional>

class QWidget;

namespace zk::pages {

// The display keys of `count` rows of the key name table from `first`.
QStringList KeyNameKeys(std::size_t first, std::size_t count);
// The office shortcuts in table order: the named ones, then the five that
// the name table lacks.
QStringList OfficeChoiceKeys();
// Replaces a combo's entries with language keys and selects the first,
// without notifications.
void FillChoices(QWidget* combo, const QStringList& keys);

// The key of a hook message (wParam, lParam as the hook sends them) that a
// capture takes: a press of a key the key table gives a keyboard action
// (keypad Enter from the extended Enter); nothing for releases, consumer and
// system keys and keys the table lacks.
std::optional<settings::CapturedKey> CaptureOfHookMessage(ui::WPARAM message, ui::LPARAM record);

} // namespace zk::pages
