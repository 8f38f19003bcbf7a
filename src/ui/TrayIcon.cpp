#include "ui/TrayIcon.h"

#include "ui/ResourceManager.h"
#include "ui/WindowImplBase.h"

#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace zk::ui {

namespace {

// A plain mark in the accent colour for an icon resource that is missing.
QIcon FallbackIcon() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0x01, 0x99, 0xCB));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(2, 2, 28, 28), 6, 6);
    return QIcon(pm);
}

std::optional<bool> g_trayOverride;

} // namespace

bool TrayIcon::SystemTrayAvailable() {
    if (g_trayOverride)
        return *g_trayOverride;
    const QByteArray forced = qgetenv("ZK412V_TRAY");
    if (forced == "0" || forced == "1")
        return forced == "1";
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::SetTrayAvailableOverride(std::optional<bool> available) {
    g_trayOverride = available;
}

TrayIcon::TrayIcon() = default;

TrayIcon::~TrayIcon() {
    DeleteTrayIcon();
}

void TrayIcon::CreateTrayIcon(WindowImplBase* owner, int iconId, const QString& tip,
                              unsigned message) {
    CreateTrayIcon(owner, ResourceManager::GetInstance().GetIcon(iconId), tip, message);
}

void TrayIcon::CreateTrayIcon(WindowImplBase* owner, const QIcon& icon, const QString& tip,
                              unsigned message) {
    DeleteTrayIcon();
    const unsigned msg = message ? message : UIMSG_TRAYICON;
    icon_ = new QSystemTrayIcon(icon.isNull() ? FallbackIcon() : icon);
    icon_->setToolTip(tip);
    QPointer<WindowImplBase> target(owner);
    QObject::connect(icon_, &QSystemTrayIcon::activated, icon_,
                     [target, msg](QSystemTrayIcon::ActivationReason reason) {
                         if (!target)
                             return;
                         LPARAM mouse = 0;
                         switch (reason) {
                         case QSystemTrayIcon::Trigger:
                             mouse = WM_LBUTTONUP;
                             break;
                         case QSystemTrayIcon::Context:
                             mouse = WM_RBUTTONUP;
                             break;
                         case QSystemTrayIcon::DoubleClick:
                             mouse = WM_LBUTTONDBLCLK;
                             break;
                         case QSystemTrayIcon::MiddleClick:
                             mouse = WM_MBUTTONUP;
                             break;
                         default:
                             return;
                         }
                         target->PostMessage(msg, 1, mouse);
                     });
    if (SystemTrayAvailable())
        icon_->show();
}

void TrayIcon::DeleteTrayIcon() {
    if (!icon_)
        return;
    icon_->hide();
    delete icon_;
    icon_ = nullptr;
}

bool TrayIcon::IsVisible() const {
    return icon_ && icon_->isVisible();
}

void TrayIcon::SetTooltipText(const QString& tip) {
    if (icon_)
        icon_->setToolTip(tip);
}

QString TrayIcon::GetTooltipText() const {
    return icon_ ? icon_->toolTip() : QString();
}

} // namespace zk::ui
