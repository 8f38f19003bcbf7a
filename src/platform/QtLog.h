#pragma once

#include <QLoggingCategory>

// Diagnostics of the program: QT_LOGGING_RULES="zk412v.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcZk412v)

namespace zk::platform {

// Routes DebugLine to the logging category "zk412v".
void InstallQtDebugSink();

} // namespace zk::platform
