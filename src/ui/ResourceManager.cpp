#include "ui/ResourceManager.h"

#include "ui/Controls.h"
#include "ui/Log.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QListWidget>
#include <QMenu>
#include <QStandardItemModel>
#include <QWidget>
#include <QXmlStreamReader>

namespace zk::ui {

const QLoggingCategory& uiLog() {
    // The program's one diagnostics category; debug output only when enabled
    // (QT_LOGGING_RULES="zk412v.debug=true").
    static const QLoggingCategory category("zk412v", QtInfoMsg);
    return category;
}

ResourceManager& ResourceManager::GetInstance() {
    static ResourceManager instance;
    return instance;
}

ResourceManager::ResourceManager() {
    if (QCoreApplication::instance())
        instancePath_ = QCoreApplication::applicationDirPath();
}

void ResourceManager::SetResourcePath(const QString& path) {
    std::lock_guard lock(mutex_);
    resourcePath_ = path;
}

QString ResourceManager::GetResourcePath() const {
    std::lock_guard lock(mutex_);
    return resourcePath_;
}

void ResourceManager::SetInstancePath(const QString& path) {
    std::lock_guard lock(mutex_);
    instancePath_ = path;
}

QString ResourceManager::GetInstancePath() const {
    std::lock_guard lock(mutex_);
    if (instancePath_.isEmpty() && QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return instancePath_;
}

namespace {

QString InFolder(const QString& folder, const QString& file) {
    if (QFileInfo(file).isAbsolute() || folder.isEmpty())
        return file;
    return QDir(folder).filePath(file);
}

// Reads an XML file into `reader`'s device; false when it cannot be opened.
bool OpenXml(const QString& path, QFile& file) {
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(uiLog) << "cannot open" << path;
        return false;
    }
    return true;
}

} // namespace

bool ResourceManager::LoadResource(const QString& fileName) {
    const QString path = InFolder(GetResourcePath(), fileName);
    QFile file(path);
    if (!OpenXml(path, file))
        return false;
    QHash<QString, QString> layouts;
    QHash<int, QString> icons;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const auto attrs = xml.attributes();
        const QString tag = xml.name().toString();
        if (tag.compare(QLatin1String("Layout"), Qt::CaseInsensitive) == 0) {
            const QString name = attrs.value(QLatin1String("name")).toString();
            const QString layoutFile = attrs.value(QLatin1String("file")).toString();
            if (!name.isEmpty() && !layoutFile.isEmpty())
                layouts.insert(name.toLower(), layoutFile);
        } else if (tag.compare(QLatin1String("Icon"), Qt::CaseInsensitive) == 0) {
            bool ok = false;
            const int id = attrs.value(QLatin1String("id")).toInt(&ok);
            const QString iconFile = attrs.value(QLatin1String("file")).toString();
            if (ok && !iconFile.isEmpty())
                icons.insert(id, iconFile);
        }
    }
    if (xml.hasError()) {
        qCWarning(uiLog) << "malformed resource list" << path << xml.errorString();
        return false;
    }
    std::lock_guard lock(mutex_);
    for (auto it = layouts.cbegin(); it != layouts.cend(); ++it)
        layouts_.insert(it.key(), it.value());
    for (auto it = icons.cbegin(); it != icons.cend(); ++it)
        icons_.insert(it.key(), it.value());
    return true;
}

QString ResourceManager::ResolveLayout(const QString& nameOrFile) const {
    if (nameOrFile.isEmpty())
        return {};
    QString folder;
    QString mapped;
    {
        std::lock_guard lock(mutex_);
        folder = resourcePath_;
        mapped = layouts_.value(nameOrFile.toLower());
    }
    QStringList candidates;
    if (!mapped.isEmpty())
        candidates << InFolder(folder, mapped);
    candidates << InFolder(folder, nameOrFile);
    if (nameOrFile.endsWith(QLatin1String(".xml"), Qt::CaseInsensitive))
        candidates << InFolder(folder, nameOrFile.left(nameOrFile.size() - 4) + ".ui");
    for (const QString& c : candidates)
        if (QFileInfo(c).isFile())
            return c;
    // Layouts named with another letter case than the file has.
    for (const QString& c : candidates) {
        const QFileInfo info(c);
        const QDir dir = info.absoluteDir();
        const auto entries = dir.entryList(QDir::Files);
        for (const QString& entry : entries)
            if (entry.compare(info.fileName(), Qt::CaseInsensitive) == 0)
                return dir.filePath(entry);
    }
    return {};
}

QIcon ResourceManager::GetIcon(int id) const {
    QString file;
    QString folder;
    {
        std::lock_guard lock(mutex_);
        file = icons_.value(id);
        folder = resourcePath_;
    }
    if (file.isEmpty())
        return {};
    const QString path = InFolder(folder, file);
    if (!QFileInfo(path).isFile())
        return {};
    return QIcon(path);
}

void ResourceManager::SetLanguage(const QString& name) {
    std::lock_guard lock(mutex_);
    language_ = name;
}

QString ResourceManager::GetLanguage() const {
    std::lock_guard lock(mutex_);
    return language_;
}

bool ResourceManager::LoadLanguage(const QString& fileName) {
    const QString path = InFolder(GetResourcePath(), fileName);
    QFile file(path);
    if (!OpenXml(path, file))
        return false;
    QHash<QString, QString> texts;
    QXmlStreamReader xml(&file);
    bool sawRoot = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (!sawRoot) {
            sawRoot = true;
            continue;
        }
        if (xml.name().compare(QLatin1String("Text"), Qt::CaseInsensitive) != 0)
            continue;
        const QString id = xml.attributes().value(QLatin1String("id")).toString();
        const bool hasValue = xml.attributes().hasAttribute(QLatin1String("value"));
        const QString value = hasValue ? xml.attributes().value(QLatin1String("value")).toString()
                                       : xml.readElementText();
        if (!id.isEmpty())
            texts.insert(id, value);
    }
    if (xml.hasError() || !sawRoot) {
        qCWarning(uiLog) << "malformed language file" << path << xml.errorString();
        return false;
    }
    std::lock_guard lock(mutex_);
    texts_ = std::move(texts);
    languageFile_ = fileName;
    return true;
}

QString ResourceManager::GetLanguageFile() const {
    std::lock_guard lock(mutex_);
    return languageFile_;
}

QString ResourceManager::GetText(const QString& id, const QString& type) const {
    IQueryControlText* source = nullptr;
    {
        std::lock_guard lock(mutex_);
        auto it = texts_.constFind(id);
        if (it != texts_.cend())
            return it.value();
        source = textSource_;
    }
    if (source) {
        QString text = source->QueryControlText(id, type);
        if (!text.isEmpty())
            return text;
    }
    return id;
}

bool ResourceManager::HasText(const QString& id) const {
    std::lock_guard lock(mutex_);
    return texts_.contains(id);
}

void ResourceManager::SetTextQueryInterface(IQueryControlText* source) {
    std::lock_guard lock(mutex_);
    textSource_ = source;
}

IQueryControlText* ResourceManager::GetTextQueryInterface() const {
    std::lock_guard lock(mutex_);
    return textSource_;
}

namespace {

void ApplyItemTexts(QWidget* w, const ResourceManager& rm) {
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        for (int i = 0; i < combo->count(); ++i) {
            const QString key = combo->itemData(i, ResourceKeyRole).toString();
            if (!key.isEmpty())
                combo->setItemText(i, rm.GetText(key));
        }
    } else if (auto* list = qobject_cast<QListWidget*>(w)) {
        for (int i = 0; i < list->count(); ++i) {
            QListWidgetItem* item = list->item(i);
            const QString key = item->data(ResourceKeyRole).toString();
            if (!key.isEmpty())
                item->setText(rm.GetText(key));
        }
    }
}

void ApplyOne(QWidget* w, const ResourceManager& rm) {
    const QString key = GetResourceKey(w);
    if (!key.isEmpty())
        SetText(w, key, true);
    ApplyItemTexts(w, rm);
    if (auto* menu = qobject_cast<QMenu*>(w)) {
        const auto actions = menu->actions();
        for (QAction* a : actions) {
            const QString actionKey = a->property("resourceKey").toString();
            if (!actionKey.isEmpty())
                a->setText(rm.GetText(actionKey));
        }
    }
}

} // namespace

void ResourceManager::ApplyTexts(QWidget* root) {
    if (!root)
        return;
    ApplyOne(root, *this);
    const auto children = root->findChildren<QWidget*>();
    for (QWidget* w : children)
        ApplyOne(w, *this);
}

void ResourceManager::ReloadText() {
    const auto widgets = QApplication::allWidgets();
    for (QWidget* w : widgets)
        ApplyOne(w, *this);
}

} // namespace zk::ui
