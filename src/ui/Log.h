#pragma once
// Logging category of the window layer (part of the program's "zk412v" output).

#include <QLoggingCategory>

namespace zk::ui {
const QLoggingCategory& uiLog();
} // namespace zk::ui
