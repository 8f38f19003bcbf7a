#include "platform/PrivateFonts.h"

#include "platform/Log.h"

#include <QFileInfo>
#include <QFontDatabase>

#include <vector>

namespace zk::platform {

namespace {

// Application font ids in load order; -1 for a font that failed.
std::vector<int>& LoadedFonts() {
    static std::vector<int> ids;
    return ids;
}

} // namespace

bool LoadPrivateFont(const QString& folder, const QString& relativeName) {
    QString path = folder;
    if (!path.isEmpty() && !path.endsWith('/') && !relativeName.startsWith('/'))
        path += '/';
    path += relativeName;
    int id = -1;
    const QFileInfo info(path);
    if (info.isFile() && info.size() > 0)
        id = QFontDatabase::addApplicationFont(path);
    LoadedFonts().push_back(id);
    if (id < 0)
        DebugLine("font not loaded: " + path.toStdString());
    return id >= 0;
}

void RemovePrivateFonts() {
    auto& ids = LoadedFonts();
    for (auto it = ids.rbegin(); it != ids.rend(); ++it) {
        if (*it >= 0)
            QFontDatabase::removeApplicationFont(*it);
    }
    ids.clear();
}

QStringList PrivateFontFamilies() {
    QStringList families;
    for (int id : LoadedFonts()) {
        if (id >= 0)
            families += QFontDatabase::applicationFontFamilies(id);
    }
    return families;
}

} // namespace zk::platform
