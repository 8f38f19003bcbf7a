#include "MainWndTestEnv.h"

#include "app/SkinFrame.h"
#include "app/windows/Frameless.h"
#include "platform/Folders.h"
#include "platform/IniFile.h"
#include "ui/Controls.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

using namespace std::chrono_literals;
using apptest::MainWndTest;
using apptest::SpinUntil;
using zk::app::CMainWnd;
using zk::app::CSkinFrame;
using zk::app::ObserverImpl;
using zk::app::SkinChangedParam;
namespace ui = zk::ui;

namespace {

zk::platform::IniFile MainIni() {
    return zk::platform::IniFile(zk::platform::GetDataFolder() + "main.ini");
}

QByteArray MainIniBytes() {
    QFile f(QString::fromStdString(zk::platform::GetDataFolder() + "main.ini"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void Press(QWidget* target) {
    const QPointF at(2, 2);
    QMouseEvent press(QEvent::MouseButtonPress, at, target->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

class SkinFrameTest : public MainWndTest {
protected:
    void OpenShown() {
        Open();
        wnd_->ShowWindow(true);
        skinBtn_ = wnd_->FindControl<QAbstractButton>(QStringLiteral("skinbtn"));
        ASSERT_NE(skinBtn_, nullptr);
    }
    // Clicks the skin button and returns the chooser it opened.
    CSkinFrame* ClickSkin() {
        skinBtn_->click();
        return CSkinFrame::Current();
    }
    bool Gone(const QPointer<CSkinFrame>& chooser) {
        return SpinUntil([&] { return chooser.isNull() && !CSkinFrame::Current(); }, 2s);
    }
    QAbstractButton* skinBtn_ = nullptr;
};

} // namespace

TEST(SkinFramePlacement, TopRightCornerAtTheButtonsBottomRight) {
    const QRect placed = CSkinFrame::Placement(QRect(700, 10, 24, 20), QSize(256, 96));
    EXPECT_EQ(placed.size(), QSize(256, 96));
    EXPECT_EQ(placed.x() + placed.width(), 724);
    EXPECT_EQ(placed.y(), 30);
}

TEST_F(SkinFrameTest, SkinButtonOpensTheChooserBelowItWithoutActivatingIt) {
    std::vector<QString> clicks;
    wnd_->AddPageHandler(QStringLiteral("click"),
                         [&](CMainWnd&, ui::TNotifyUI& msg) { clicks.push_back(msg.senderName); });
    OpenShown();
    QWidget* activeBefore = QApplication::activeWindow();

    QPointer<CSkinFrame> chooser = ClickSkin();
    ASSERT_FALSE(chooser.isNull());
    EXPECT_TRUE(chooser->isVisible());
    EXPECT_EQ(chooser->objectName(), QStringLiteral("skinframe"));
    EXPECT_EQ(chooser->GetWindowClassName(), QStringLiteral("UISkinFrame"));
    EXPECT_EQ(chooser->parentWidget(), wnd_.get());
    // The click still reaches the page handlers.
    EXPECT_EQ(clicks, std::vector<QString>{QStringLiteral("skinbtn")});

    // The layout's own size, placed at the button's corner (kept on the screen).
    EXPECT_EQ(chooser->size(), QSize(256, 96));
    const QRect button(skinBtn_->mapToGlobal(QPoint(0, 0)), skinBtn_->size());
    const QRect area = skinBtn_->screen()->availableGeometry();
    EXPECT_EQ(chooser->geometry(),
              zk::app::KeepInside(CSkinFrame::Placement(button, chooser->size()), area));
    if (area.contains(QRect(button.right() - 256, button.bottom(), 258, 98))) {
        EXPECT_EQ(chooser->geometry().topRight(), QPoint(button.right(), button.bottom() + 1));
    }

    // Not activated: the main window keeps the activation and the focus.
    EXPECT_TRUE(chooser->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(chooser->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(chooser->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_NE(QApplication::activeWindow(), chooser.data());
    EXPECT_EQ(QApplication::activeWindow(), activeBefore);
    EXPECT_EQ(chooser->windowIcon().isNull(), false);
}

TEST_F(SkinFrameTest, ClicksInsideTheChooserChangeNothing) {
    MainIni().Write("SKINIMAGE", "LANGUAGE", "0");
    std::vector<QString> clicks;
    wnd_->AddPageHandler(QStringLiteral("click"),
                         [&](CMainWnd&, ui::TNotifyUI& msg) { clicks.push_back(msg.senderName); });
    OpenShown();
    QWidget* root = wnd_->FindControl(QStringLiteral("root"));
    ASSERT_NE(root, nullptr);
    const auto colour = ui::GetBkColor(root);
    const QString image = ui::GetBkImage(root);
    const QByteArray ini = MainIniBytes();

    QPointer<CSkinFrame> chooser = ClickSkin();
    ASSERT_FALSE(chooser.isNull());
    const auto tiles = chooser->findChildren<QPushButton*>();
    ASSERT_FALSE(tiles.isEmpty());
    for (QPushButton* tile : tiles) {
        Press(tile); // a press inside does not close it
        tile->click();
    }
    apptest::Spin(50ms);
    EXPECT_TRUE(CSkinFrame::Current() == chooser.data());
    EXPECT_EQ(ui::GetBkColor(root), colour);
    EXPECT_EQ(ui::GetBkImage(root), image);
    EXPECT_EQ(MainIniBytes(), ini);
    EXPECT_EQ(clicks, std::vector<QString>{QStringLiteral("skinbtn")});
}

TEST_F(SkinFrameTest, ClosesWhenTheUserTurnsElsewhere) {
    OpenShown();
    QWidget* tab = wnd_->FindControl(QStringLiteral("ms_tab"));
    ASSERT_NE(tab, nullptr);

    // A press anywhere else in the program.
    QPointer<CSkinFrame> chooser = ClickSkin();
    ASSERT_FALSE(chooser.isNull());
    Press(tab);
    EXPECT_TRUE(Gone(chooser));

    // The skin button toggles it: the press on the button leaves it open, the
    // click closes it, and the next click opens a new one.
    chooser = ClickSkin();
    ASSERT_FALSE(chooser.isNull());
    Press(skinBtn_);
    EXPECT_FALSE(chooser->IsClosing());
    EXPECT_EQ(ClickSkin(), nullptr);
    EXPECT_TRUE(Gone(chooser));
    chooser = ClickSkin();
    ASSERT_FALSE(chooser.isNull());

    // Escape, wherever the keyboard focus is.
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(tab, &escape);
    EXPECT_TRUE(Gone(chooser));

    // Losing the focus or the activation.
    chooser = ClickSkin();
    ASSERT_FALSE(chooser.isNull());
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(chooser.data(), &deactivate);
    EXPECT_TRUE(Gone(chooser));

    // The main window going to the tray.
    chooser = ClickSkin();
    ASSERT_FALSE(chooser.isNull());
    wnd_->ShowWindow(false);
    EXPECT_TRUE(Gone(chooser));
}

TEST_F(SkinFrameTest, MainWindowFollowsSkinChangeRecordsWhileItLives) {
    auto& observer = ObserverImpl::Instance();
    const std::size_t before = observer.ReceiverCount();
    OpenShown();
    EXPECT_EQ(observer.ReceiverCount(), before + 1);
    zk::app::ReceiveSkinChanges(*wnd_); // signing up twice keeps one entry
    EXPECT_EQ(observer.ReceiverCount(), before + 1);
    QWidget* root = wnd_->FindControl(QStringLiteral("root"));
    ASSERT_NE(root, nullptr);

    observer.Broadcast({.bColor = false, .bkcolor = 0xFF123456, .bgimage = "images/bg.png"});
    EXPECT_EQ(ui::GetBkColor(root), 0u);
    EXPECT_EQ(ui::GetBkImage(root), QStringLiteral("images/bg.png"));

    observer.Broadcast({.bColor = true, .bkcolor = 0xFF202830, .bgimage = "ignored.png"});
    EXPECT_EQ(ui::GetBkColor(root), 0xFF202830u);
    EXPECT_TRUE(ui::GetBkImage(root).isEmpty());

    CloseAndWait();
    wnd_.reset();
    EXPECT_EQ(observer.ReceiverCount(), before);
    observer.Broadcast({.bColor = true, .bkcolor = 1, .bgimage = {}}); // nobody left: no crash
}

TEST(SkinObserver, ReceiverThatLeavesDuringABroadcastStopsTheOthersNoMore) {
    struct Recorder : zk::app::ReceiverImpl {
        std::vector<std::uint32_t> seen;
        std::function<void()> onReceive;
        void Receive(const SkinChangedParam& p) override {
            seen.push_back(p.bkcolor);
            if (onReceive)
                onReceive();
        }
    };
    auto& observer = ObserverImpl::Instance();
    Recorder a, b, c;
    observer.AddReceiver(&a);
    observer.AddReceiver(&b);
    observer.AddReceiver(&c);
    a.onReceive = [&] { observer.RemoveReceiver(&b); }; // b leaves before its turn
    observer.Broadcast({.bColor = true, .bkcolor = 7, .bgimage = {}});
    EXPECT_EQ(a.seen, std::vector<std::uint32_t>{7});
    EXPECT_TRUE(b.seen.empty());
    EXPECT_EQ(c.seen, std::vector<std::uint32_t>{7});
    observer.RemoveReceiver(&a);
    observer.RemoveReceiver(&c);
}

TEST_F(SkinFrameTest, BackgroundImageFromMainIniOnlyWhenFlagsIsOne) {
    MainIni().Write("SKINIMAGE", "FLAGS", "1");
    MainIni().Write("SKINIMAGE", "IMAGE", "images/custom_bg.png");
    OpenShown();
    QWidget* root = wnd_->FindControl(QStringLiteral("root"));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(ui::GetBkImage(root), QStringLiteral("images/custom_bg.png"));
    EXPECT_EQ(ui::GetBkColor(root), 0u);
}

TEST_F(SkinFrameTest, NoBackgroundImageWhenFlagsIsNotOne) {
    MainIni().Write("SKINIMAGE", "FLAGS", "2");
    MainIni().Write("SKINIMAGE", "IMAGE", "images/custom_bg.png");
    OpenShown();
    QWidget* root = wnd_->FindControl(QStringLiteral("root"));
    ASSERT_NE(root, nullptr);
    EXPECT_TRUE(ui::GetBkImage(root).isEmpty());
}
