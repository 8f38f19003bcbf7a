#include "app/windows/Frameless.h"

#include "ui/ResourceManager.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QPainterPath>
#include <QRegion>
#include <QScreen>

namespace zk::app {

int LayoutCornerRadius(ui::WindowImplBase& window, int fallback) {
    QWidget* root = window.GetPaintManager().GetRoot();
    if (root) {
        bool ok = false;
        const int r = root->property("roundCorner").toInt(&ok);
        if (ok && r >= 0)
            return r;
    }
    return fallback;
}

void ApplyRoundedRegion(ui::WindowImplBase& window, int radius) {
    if (window.isMaximized() || window.isFullScreen() || radius <= 0) {
        window.clearMask();
        return;
    }
    QPainterPath path;
    path.addRoundedRect(QRectF(window.rect()), radius, radius);
    window.setMask(QRegion(path.toFillPolygon().toPolygon()));
}

void SetUpFrameless(ui::WindowImplBase& window, int captionHeight) {
    QWidget* root = window.GetPaintManager().GetRoot();
    bool ok = false;
    const int fromLayout = root ? root->property("captionHeight").toInt(&ok) : 0;
    window.SetCaptionHeight(ok && fromLayout > 0 ? fromLayout : captionHeight);
    QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (screen)
        window.setMaximumSize(screen->availableGeometry().size());
    ApplyRoundedRegion(window, LayoutCornerRadius(window));
    if (root) {
        for (QLabel* label : root->findChildren<QLabel*>()) {
            if (label->objectName().endsWith(QLatin1String("_logo")))
                SetSkinPicture(label, QStringLiteral("icons/logo.png"));
        }
    }
    if (QWidget* close = window.FindControl(QStringLiteral("closebtn"))) {
        close->setToolTip(
            ui::ResourceManager::GetInstance().GetText(QStringLiteral("caption_tip_close_dialog")));
        // Tab goes round the window's own controls; Escape closes, as the tip says.
        close->setFocusPolicy(Qt::ClickFocus);
    }
}

bool SetSkinPicture(QWidget* widget, const QString& rel) {
    auto* label = qobject_cast<QLabel*>(widget);
    if (!label)
        return false;
    const QString folder = ui::ResourceManager::GetInstance().GetResourcePath();
    const QString path = folder.isEmpty() ? rel : QDir(folder).filePath(rel);
    if (!QFileInfo::exists(path))
        return false;
    const QIcon icon(path);
    const QSize size = label->minimumSize().isEmpty() ? QSize(32, 32) : label->minimumSize();
    label->setPixmap(icon.pixmap(size, label->devicePixelRatioF()));
    return true;
}

QRect KeepInside(QRect rect, const QRect& area) {
    if (area.isEmpty())
        return rect;
    if (rect.right() > area.right())
        rect.moveRight(area.right());
    if (rect.bottom() > area.bottom())
        rect.moveBottom(area.bottom());
    if (rect.left() < area.left())
        rect.moveLeft(area.left());
    if (rect.top() < area.top())
        rect.moveTop(area.top());
    return rect;
}

} // namespace zk::app
