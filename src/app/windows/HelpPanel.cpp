#include "app/windows/HelpPanel.h"

#include "app/windows/Copyright.h"
#include "ui/PaintManager.h"
#include "ui/ResourceManager.h"

#include <QDesktopServices>
#include <QDir>
#include <QProcess>
#include <QWidget>

#include <algorithm>

namespace zk::app {

HelpPanel::HelpPanel(QWidget* window) : window_(window) {
    openUrl_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    start_ = [](const QString& program, const QString& argument, const QString& folder) {
        return QProcess::startDetached(program, {argument}, folder);
    };
}

QWidget* HelpPanel::Panel() const {
    return window_ ? ui::PaintManager::FindSubControlByName(window_, QStringLiteral("ques_click"))
                   : nullptr;
}

void HelpPanel::Place(const QRect& rect) {
    QWidget* panel = Panel();
    if (!panel)
        return;
    QWidget* parent = panel->parentWidget();
    const QPoint topLeft =
        parent && parent != window_ ? parent->mapFrom(window_, rect.topLeft()) : rect.topLeft();
    panel->setGeometry(QRect(topLeft, rect.size()));
    panel->raise();
}

QRect HelpPanel::PanelRect() const {
    QWidget* panel = Panel();
    if (!panel)
        return {};
    QWidget* parent = panel->parentWidget();
    const QPoint topLeft =
        parent && parent != window_ ? parent->mapTo(window_, panel->pos()) : panel->pos();
    return QRect(topLeft, panel->size());
}

QRect HelpPanel::BesideButton(const QRect& rect) const {
    return rect.translated(window_ ? std::max(0, window_->width() - kLayoutWidth) : 0, 0);
}

bool HelpPanel::Handle(const ui::TNotifyUI& msg) {
    if (msg.Is(ui::DUI_MSGTYPE_WINDOWSIZE)) {
        if (QWidget* panel = Panel(); panel && panel->isVisible() && !collapsed_)
            Place(BesideButton(OpenRect()));
        return false;
    }
    if (msg.Is(ui::DUI_MSGTYPE_SETFOCUS, QStringLiteral("mouse_map"))) {
        if (QWidget* panel = Panel(); panel && panel->isVisible())
            panel->setVisible(false);
        return false; // others may want the focus change too
    }
    if (msg.sType != QLatin1String(ui::DUI_MSGTYPE_CLICK))
        return false;
    const auto is = [&](const char* name) {
        return msg.senderName.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
    };
    if (is("quesbtn")) {
        if (QWidget* panel = Panel())
            panel->setVisible(true);
        if (collapsed_) {
            Place(BesideButton(OpenRect()));
            collapsed_ = false;
        } else {
            Place(BesideButton(CollapsedRect()));
            collapsed_ = true;
        }
        return true;
    }
    if (is("menu_website")) {
        Place(HiddenRect());
        collapsed_ = true;
        return true;
    }
    if (is("menu_restore")) {
        openUrl_(Ccopyright::MakerWebPage());
        Place(HiddenRect());
        collapsed_ = true;
        return true;
    }
    if (is("menu_update")) {
        const QString folder = ui::ResourceManager::GetInstance().GetInstancePath();
        // A missing updater fails silently.
        start_(QDir(folder).filePath(QStringLiteral("Update_ms.exe")), QStringLiteral("NULL"),
               folder);
        Place(HiddenRect());
        collapsed_ = true;
        return true;
    }
    return false;
}

} // namespace zk::app
