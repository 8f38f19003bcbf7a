#include "ui/ControlFactory.h"

#include <QHash>
#include <QWidget>

#include <mutex>

namespace zk::ui {

namespace {

struct Registry {
    std::mutex mutex;
    QHash<QString, ControlFactory::CreateClass> creators; // lower-case class name
};

Registry& registry() {
    static Registry r;
    return r;
}

} // namespace

void ControlFactory::RegistControl(const QString& className, CreateClass creator) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    if (creator)
        r.creators.insert(className.toLower(), std::move(creator));
    else
        r.creators.remove(className.toLower());
}

bool ControlFactory::IsRegistered(const QString& className) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    return r.creators.contains(className.toLower());
}

QWidget* ControlFactory::CreateControl(const QString& className, QWidget* parent) {
    CreateClass creator;
    {
        auto& r = registry();
        std::lock_guard lock(r.mutex);
        creator = r.creators.value(className.toLower());
    }
    // The creator runs outside the lock: it may build further controls.
    return creator ? creator(parent) : nullptr;
}

} // namespace zk::ui
