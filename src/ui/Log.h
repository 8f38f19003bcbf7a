#pragma once
// Diagnostics of the window layer, in the program's "zk412v" category.

#include <QLoggingCategory>

namespace zk::ui {
const QLoggingCategory& uiLog();
} // namespace zk::ui
