#pragma once
// Registry of control classes that layouts may name.
//
// A .ui file names a registered class in a <widget class="CCircleProgressUI"
// name="..."> element (listed under <customwidgets> so that Designer accepts
// it). The layout builder asks, in order: the window's CreateControl, this
// factory, then Qt's own widget classes.

#include <QString>

#include <functional>

class QWidget;

namespace zk::ui {

class ControlFactory {
public:
    using CreateClass = std::function<QWidget*(QWidget* parent)>;

    // Registers (or replaces) the creator of a class name. Class names are
    // compared without regard to case. Thread-safe.
    static void RegistControl(const QString& className, CreateClass creator);
    static bool IsRegistered(const QString& className);
    // A new control of the class with the given parent, or null when the
    // class is not registered or its creator returned null.
    static QWidget* CreateControl(const QString& className, QWidget* parent);
};

} // namespace zk::ui
