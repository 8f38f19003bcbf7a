#include "platform/QtLog.h"

#include "platform/Log.h"

#include <QString>

// Warnings and above by default; QT_LOGGING_RULES="zk412v.debug=true" turns the
// diagnostic lines on.
Q_LOGGING_CATEGORY(lcZk412v, "zk412v", QtWarningMsg)

namespace zk::platform {

void InstallQtDebugSink() {
    SetDebugSink([](std::string_view line) {
        qCDebug(lcZk412v).noquote()
            << QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
    });
}

} // namespace zk::platform
