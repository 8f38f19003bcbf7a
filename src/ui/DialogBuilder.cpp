#include "ui/DialogBuilder.h"

#include "ui/ControlFactory.h"
#include "ui/Log.h"
#include "ui/ResourceManager.h"
#include "ui/WindowImplBase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLayout>
#include <QUiLoader>
#include <QWidget>

#include <vector>

namespace zk::ui {

namespace {

// Windows whose layouts are being built on this thread, innermost last; a
// sub-layout built without a callback asks the innermost one.
thread_local std::vector<WindowImplBase*> tBuilding;
thread_local int tDepth = 0;
constexpr int kMaxDepth = 16;

class Loader : public QUiLoader {
public:
    explicit Loader(WindowImplBase* callback) : callback_(callback) { clearPluginPaths(); }

    QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override {
        QWidget* w = nullptr;
        if (callback_) {
            w = callback_->CreateControl(className);
            if (w) {
                if (w->parentWidget() != parent)
                    w->setParent(parent);
                w->setObjectName(name);
                return w;
            }
        }
        w = ControlFactory::CreateControl(className, parent);
        if (w) {
            if (w->parentWidget() != parent)
                w->setParent(parent);
            w->setObjectName(name);
            return w;
        }
        return QUiLoader::createWidget(className, parent, name);
    }

    // A layout class Qt does not know stands in as a box layout, since the
    // loader would use the missing layout; the layout counts as broken.
    QLayout* createLayout(const QString& className, QObject* parent, const QString& name) override {
        if (QLayout* layout = QUiLoader::createLayout(className, parent, name))
            return layout;
        unknownLayout_ = className;
        return QUiLoader::createLayout(QStringLiteral("QVBoxLayout"), parent, name);
    }
    const QString& UnknownLayout() const { return unknownLayout_; }

private:
    WindowImplBase* callback_;
    QString unknownLayout_;
};

} // namespace

QWidget* DialogBuilder::Create(const QString& nameOrFile, WindowImplBase* callback,
                               QWidget* parent) {
    if (tDepth >= kMaxDepth) {
        qCWarning(uiLog) << "layouts nested too deeply at" << nameOrFile;
        return nullptr;
    }
    const QString path = ResourceManager::GetInstance().ResolveLayout(nameOrFile);
    if (path.isEmpty()) {
        qCWarning(uiLog) << "no layout" << nameOrFile;
        return nullptr;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(uiLog) << "cannot open layout" << path;
        return nullptr;
    }
    WindowImplBase* cb = callback ? callback : (tBuilding.empty() ? nullptr : tBuilding.back());
    // Qt's form loader loads every designer plugin it finds while it is being
    // made (Qt Quick among them, megabytes the layouts never use): it is made
    // with no plugin folders, which are then given back.
    const QStringList pluginFolders = QCoreApplication::libraryPaths();
    QCoreApplication::setLibraryPaths({});
    Loader loader(cb);
    QCoreApplication::setLibraryPaths(pluginFolders);
    loader.setWorkingDirectory(QFileInfo(path).absoluteDir());
    ++tDepth;
    if (callback)
        tBuilding.push_back(callback);
    QWidget* root = loader.load(&file, parent);
    if (callback)
        tBuilding.pop_back();
    --tDepth;
    if (!root) {
        qCWarning(uiLog) << "cannot build layout" << path << loader.errorString();
        return nullptr;
    }
    if (!loader.UnknownLayout().isEmpty()) {
        qCWarning(uiLog) << "cannot build layout" << path << "unknown layout class"
                         << loader.UnknownLayout();
        delete root;
        return nullptr;
    }
    ResourceManager::GetInstance().ApplyTexts(root);
    return root;
}

} // namespace zk::ui
