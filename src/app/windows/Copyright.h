#pragma once
// The about window: product name, version, the maker's web page ("NetText") and a close
// button. Not modal; it lives until closed and then deletes itself.
//
//   Ccopyright::Open(mainWindow);

#include "ui/WindowImplBase.h"

#include <QUrl>

namespace zk::app {

class Ccopyright : public ui::WindowImplBase {
    Q_OBJECT
public:
    Ccopyright() = default;

    QString GetWindowClassName() const override { return QStringLiteral("UICOPYRIGHT"); }
    QString GetSkinFile() override { return QStringLiteral("CopyRight.xml"); }
    void InitWindow() override;
    void Notify(ui::TNotifyUI& msg) override;
    void OnFinalMessage() override;
    // Escape and Enter close the window as its close button does.
    bool ResponseDefaultKeyEvent(int key) override;

    // The maker's web page that "NetText" opens.
    static QUrl MakerWebPage();

    // Creates and shows the about window owned by `mainWindow`, placed at x = twice the main
    // window's left edge and y = half its bottom edge minus 80 (kept on the screen). Returns
    // the window (it deletes itself when closed), or null when the layout cannot be built.
    static Ccopyright* Open(QWidget* mainWindow);

    // Where Open places a window of `size` for a main window with `mainFrame` (screen
    // coordinates) on a screen whose work area is `area`.
    static QRect Placement(const QRect& mainFrame, QSize size, const QRect& area);

protected:
    void resizeEvent(QResizeEvent* e) override;
};

} // namespace zk::app
