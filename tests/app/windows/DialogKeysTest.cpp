// Escape cancels and Enter confirms in the dialogs, typed where the keyboard focus is.
#include "WindowTestEnv.h"

#include "app/windows/ColorPalette.h"
#include "app/windows/Copyright.h"
#include "app/windows/MsgWnd.h"
#include "app/windows/PalletDialog.h"
#include "ui/ResourceManager.h"

#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using zk::app::CPalletDialog;

namespace {

constexpr std::uint32_t kInitial = 0xFF0199CB;

// Types `key` as the user would: into the focused control of `window`, or into the window.
void Type(QWidget* window, Qt::Key key) {
    window->activateWindow();
    QWidget* focus = window->focusWidget();
    QTest::keyClick(focus && window->isAncestorOf(focus) ? focus : window, key);
}

class DialogKeysTest : public ::testing::Test {
protected:
    void SetUp() override { zktest::UseStagedSkin(); }
};

TEST_F(DialogKeysTest, MessageBoxEndsWithCancelOnEscapeAndOkOnEnter) {
    const struct {
        Qt::Key key;
        int result;
    } cases[] = {{Qt::Key_Escape, 0}, {Qt::Key_Return, 1}, {Qt::Key_Enter, 1}};
    for (const auto& c : cases) {
        zktest::Soon([&] {
            auto* box = zktest::FindTopLevel<zk::app::CMsgWnd>();
            ASSERT_NE(box, nullptr);
            Type(box, c.key);
        });
        EXPECT_EQ(zk::app::ShowMessage(nullptr, QStringLiteral("message_text_1"), true), c.result)
            << c.key;
    }
}

TEST_F(DialogKeysTest, PaletteDialogClosesOnEscapeAndConfirmsThePickOnEnter) {
    const struct {
        Qt::Key key;
        int result;
        std::uint32_t chosen;
    } cases[] = {{Qt::Key_Escape, CPalletDialog::kResultClosed, kInitial},
                 {Qt::Key_Return, CPalletDialog::kResultConfirmed, zk::app::kPresetColours[3]}};
    for (const auto& c : cases) {
        CPalletDialog d(kInitial);
        ASSERT_TRUE(d.CreateAt(nullptr, QPoint(100, 100)));
        zktest::Soon([&] {
            EXPECT_TRUE(zktest::Click(&d, QStringLiteral("ms_dpi_color_png_3")));
            d.Palette()->setFocus(); // the keys still reach the dialog past the palette
            Type(&d, c.key);
        });
        EXPECT_EQ(d.ShowModal(), c.result) << c.key;
        EXPECT_EQ(d.GetChosenColor(), c.chosen) << c.key;
    }
}

TEST_F(DialogKeysTest, AboutWindowClosesOnEscapeAndEnterButAControlTakingTheKeyKeepsIt) {
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
        QWidget main;
        main.setGeometry(40, 60, 960, 600);
        main.show();
        QPointer<zk::app::Ccopyright> about = zk::app::Ccopyright::Open(&main);
        ASSERT_FALSE(about.isNull());
        // A control that takes the key (a text field takes Enter, as a key-capture field takes
        // every key) keeps the window open.
        auto* edit = new QPlainTextEdit(about);
        edit->show();
        edit->setFocus();
        if (key == Qt::Key_Return) {
            Type(about, key);
            QCoreApplication::processEvents();
            EXPECT_EQ(edit->toPlainText(), QStringLiteral("\n"));
            EXPECT_TRUE(about->isVisible());
        }
        delete edit;
        Type(about, key);
        for (int i = 0; i < 5 && !about.isNull(); ++i) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        EXPECT_TRUE(about.isNull()) << key;
    }
}

// Tab goes round the dialog's own controls, and the caption's close button, which Escape stands
// for, tells so in its tip.
TEST_F(DialogKeysTest, TabGoesRoundTheDialogsControlsAndTheCloseButtonTellsOfEscape) {
    CPalletDialog pallet(kInitial);
    ASSERT_TRUE(pallet.CreateAt(nullptr, QPoint(100, 100)));
    zk::app::CMsgWnd box;
    ASSERT_TRUE(box.Create(nullptr, QStringLiteral("box"), zk::ui::WindowStyle::Dialog));
    const struct {
        zk::ui::WindowImplBase* dialog;
        const char* confirm;
    } dialogs[] = {{&pallet, "okbtn"}, {&box, "confirm_btn"}};
    for (const auto& d : dialogs) {
        QWidget* close = d.dialog->FindControl(QStringLiteral("closebtn"));
        ASSERT_NE(close, nullptr);
        EXPECT_EQ(close->toolTip(), zk::ui::ResourceManager::GetInstance().GetText(
                                        QStringLiteral("caption_tip_close_dialog")));
        EXPECT_TRUE(close->toolTip().contains(QStringLiteral("Esc")));
        std::vector<QWidget*> tabStops;
        for (QWidget* w = d.dialog->nextInFocusChain(); w && w != d.dialog;
             w = w->nextInFocusChain())
            if ((w->focusPolicy() & Qt::TabFocus) && d.dialog->isAncestorOf(w))
                tabStops.push_back(w);
        EXPECT_EQ(std::count(tabStops.begin(), tabStops.end(), close), 0);
        EXPECT_EQ(std::count(tabStops.begin(), tabStops.end(),
                             d.dialog->FindControl(QString::fromLatin1(d.confirm))),
                  1);
    }
}

} // namespace
