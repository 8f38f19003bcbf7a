#include "pages/Page.h"

#include "ui/PaintManager.h"

namespace zk::pages {

QWidget* FindControl(QWidget* window, const QString& name) {
    return window ? ui::PaintManager::FindSubControlByName(window, name) : nullptr;
}

} // namespace zk::pages
