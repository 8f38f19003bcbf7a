#pragma once

#include <QString>
#include <QStringList>

namespace zk::platform {

// Loads the font file `folder` + `relativeName` for this process only and
// keeps it until RemovePrivateFonts. False when the file is missing, empty
// or not a font; such a font is remembered as failed and its removal does
// nothing. GUI thread only.
bool LoadPrivateFont(const QString& folder, const QString& relativeName);

// Removes the loaded fonts, the last loaded first (the program loads the
// Chinese font, then "Talvane", so "Talvane" goes first).
void RemovePrivateFonts();

// Families of the fonts loaded so far, in load order.
QStringList PrivateFontFamilies();

} // namespace zk::platform
