#pragma once
// Shared set-up of the window tests: the staged skin as resource folder with the layouts of
// the auxiliary windows, the style sheet, and helpers to act inside a modal run.

#include <QString>
#include <QWidget>

#include <functional>

namespace zktest {

// Points the window layer at the staged skin (once per process).
void UseStagedSkin();

// Runs `action` as soon as the event loop runs (inside a modal run started right after).
void Soon(std::function<void()> action, int delayMs = 0);

// The visible top-level widget of type T, or null.
template <class T> T* FindTopLevel();

// Clicks the push button `name` below `root`; false when there is none.
bool Click(QWidget* root, const QString& name);

// Saves a picture of `w` as <ZK_SCREENSHOT_DIR>/<name>.png when that variable is set.
void MaybeScreenshot(QWidget* w, const QString& name);

} // namespace zktest

#include <QApplication>

template <class T> T* zktest::FindTopLevel() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* t = qobject_cast<T*>(w); t && t->isVisible())
            return t;
    }
    return nullptr;
}
