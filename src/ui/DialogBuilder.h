#pragma once
// Builds a control tree from a .ui layout.

#include <QString>

class QWidget;

namespace zk::ui {

class WindowImplBase;

class DialogBuilder {
public:
    // Builds the layout `nameOrFile` (a layout name of the resource list or a
    // file in the skin folder, see ResourceManager::ResolveLayout) and returns
    // its root widget, a child of `parent` (or parentless), or null when the
    // layout is missing or broken (a warning is logged).
    //
    // Every <widget class="X" name="n"> is created by, in order:
    //   1. callback->CreateControl("X") when a callback window is given (when
    //      none is given, the window whose own layout is being built, if any);
    //   2. ControlFactory::CreateControl("X");
    //   3. Qt's own classes (QUiLoader).
    // The object name of the created control becomes "n" (also for the root
    // of a sub-layout that CreateControl returned; controls inside the
    // sub-layout keep their own names). Texts of controls carrying a
    // "resourceKey" property are applied from the current language.
    static QWidget* Create(const QString& nameOrFile, WindowImplBase* callback = nullptr,
                           QWidget* parent = nullptr);
};

} // namespace zk::ui
