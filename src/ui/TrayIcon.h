#pragma once
// The tray icon of a window: mouse events arrive at the window as
// UIMSG_TRAYICON (0x401) with lParam WM_LBUTTONUP (left click),
// WM_RBUTTONUP (right click / context request) or WM_LBUTTONDBLCLK.

#include "ui/Messages.h"

#include <QIcon>
#include <QPointer>
#include <QString>

#include <optional>

class QSystemTrayIcon;

namespace zk::ui {

class WindowImplBase;

class TrayIcon {
public:
    TrayIcon();
    ~TrayIcon(); // removes the icon

    // Shows the icon with the image of icon resource `iconId` (resource list,
    // see ResourceManager) and the tool tip. `message` is the message number
    // that carries its events (0 for UIMSG_TRAYICON). Replaces an icon that
    // was already created. The icon is created even where the desktop has no
    // tray (IsVisible then reports false).
    void CreateTrayIcon(WindowImplBase* owner, int iconId, const QString& tip,
                        unsigned message = 0);
    void CreateTrayIcon(WindowImplBase* owner, const QIcon& icon, const QString& tip,
                        unsigned message = 0);
    void DeleteTrayIcon();
    bool IsCreated() const { return icon_ != nullptr; }
    bool IsVisible() const;
    void SetTooltipText(const QString& tip);
    QString GetTooltipText() const;
    // The Qt tray icon; null when none is created.
    QSystemTrayIcon* GetQtIcon() const { return icon_; }

    // Whether the desktop shows tray icons (stock GNOME without an
    // AppIndicator extension does not). The answer can be forced: by
    // SetTrayAvailableOverride, else by the environment variable ZK412V_TRAY
    // ("0" or "1"), else the desktop is asked.
    static bool SystemTrayAvailable();
    static void SetTrayAvailableOverride(std::optional<bool> available);

private:
    QSystemTrayIcon* icon_ = nullptr;
};

} // namespace zk::ui
