#include "app/windows/Copyright.h"

#include "app/windows/Frameless.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QScreen>

namespace zk::app {
namespace {
constexpr int kCaptionHeight = 40;
}

QUrl Ccopyright::MakerWebPage() {
    return QUrl(QStringLiteral("https://www.orvane.com/"));
}

void Ccopyright::InitWindow() {
    setWindowTitle(QStringLiteral("关于"));
    SetUpFrameless(*this, kCaptionHeight);
}

void Ccopyright::resizeEvent(QResizeEvent* e) {
    ui::WindowImplBase::resizeEvent(e);
    ApplyRoundedRegion(*this, LayoutCornerRadius(*this));
}

bool Ccopyright::ResponseDefaultKeyEvent(int /*key*/) {
    Close(ui::IDCANCEL);
    return true;
}

void Ccopyright::Notify(ui::TNotifyUI& msg) {
    if (msg.Is(ui::DUI_MSGTYPE_CLICK, QStringLiteral("closebtn")))
        Close(ui::IDCANCEL);
    else if (msg.Is(ui::DUI_MSGTYPE_CLICK, QStringLiteral("NetText")))
        QDesktopServices::openUrl(MakerWebPage());
}

void Ccopyright::OnFinalMessage() {
    deleteLater();
}

QRect Ccopyright::Placement(const QRect& mainFrame, QSize size, const QRect& area) {
    const QRect wanted(QPoint(2 * mainFrame.left(), mainFrame.bottom() / 2 - 80), size);
    return KeepInside(wanted, area);
}

Ccopyright* Ccopyright::Open(QWidget* mainWindow) {
    auto* about = new Ccopyright;
    if (!about->Create(mainWindow, QStringLiteral("UICOPYRIGHT"), ui::WindowStyle::Dialog,
                       QRect(0, 0, 800, 572))) {
        delete about;
        return nullptr;
    }
    const QRect mainFrame = mainWindow ? mainWindow->frameGeometry() : QRect();
    QScreen* screen = mainWindow && mainWindow->screen() ? mainWindow->screen()
                                                         : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    about->move(Placement(mainFrame, about->size(), area).topLeft());
    about->ShowWindow(true);
    return about;
}

} // namespace zk::app
