// The macro tabs of the mouse and the keyboard in the whole program, against
// the emulated devices, in both languages.

#include "app/MainWndTestEnv.h"

#include "macros/MacroLibrary.h"

#include <QAbstractButton>
#include <QLabel>
#include <QListWidget>
#include <QTest>

using namespace std::chrono_literals;
using apptest::Spin;
using apptest::SpinUntil;

namespace {

class MainWindowMacro : public apptest::MainWndTest, public ::testing::WithParamInterface<bool> {
protected:
    void OpenInLanguage(bool chinese) {
        apptest::StartInLanguage(chinese);
        for (auto library :
             {zk::macros::MacroLibrary::Mouse(), zk::macros::MacroLibrary::Keyboard()}) {
            for (const char* name : {"burst", "combo"})
                ASSERT_EQ(library.AppendName(name), zk::macros::MacroError::None);
            ASSERT_EQ(library.WriteActionLines("combo", {"0,0,137,2,1,keyboard_key_LShift",
                                                         "30,0,138,4,1,keyboard_key_A",
                                                         "12,0,132,40,1,mouse_move_to_left_text",
                                                         "0,0,1,1,0,mouse_key_left"}),
                      zk::macros::MacroError::None);
        }
        OpenEmulated();
    }
    // Every shown button and label of the page has the room its text needs.
    void ExpectNothingClipped(const char* page) {
        QWidget* root = wnd_->FindControl(QString::fromLatin1(page));
        ASSERT_NE(root, nullptr);
        for (QWidget* w : root->findChildren<QWidget*>()) {
            if (!w->isVisible() ||
                (!qobject_cast<QAbstractButton*>(w) && !qobject_cast<QLabel*>(w)))
                continue;
            EXPECT_GE(w->width(), w->minimumSizeHint().width()) << w->objectName().toStdString();
            EXPECT_TRUE(root->rect().contains(QRect(w->mapTo(root, QPoint()), w->size())))
                << w->objectName().toStdString();
        }
    }
};

TEST_P(MainWindowMacro, BothTabsListTheirLibraryAndOpenAnAction) {
    const bool chinese = GetParam();
    OpenInLanguage(chinese);
    const QString language = chinese ? QStringLiteral("cn") : QStringLiteral("en");
    for (const auto& [tab, page, prefix] : {std::tuple{"ms_tab", "ms_macro_Op_tab", "ms"},
                                            std::tuple{"kb_tab", "kb_macro_Op_tab", "kb"}}) {
        SCOPED_TRACE(prefix);
        ShowPage(tab, page, 100ms);
        const QString p = QString::fromLatin1(prefix);
        auto* names = wnd_->FindControl<QListWidget>(p + QStringLiteral("_MacroName_list"));
        ASSERT_NE(names, nullptr);
        ASSERT_EQ(names->count(), 2);
        EXPECT_EQ(names->currentRow(), 1);
        auto* actions = wnd_->FindControl<QListWidget>(p + QStringLiteral("_Macro_list"));
        ASSERT_EQ(actions->count(), 4);
        QWidget* row = actions->itemWidget(actions->item(2));
        QTest::mouseClick(row, Qt::LeftButton, {}, row->rect().center());
        Spin(50ms);
        EXPECT_TRUE(wnd_->FindControl(p + QStringLiteral("_macro_tab_saveorcancel"))->isVisible());
        EXPECT_TRUE(
            wnd_->FindControl(p + QStringLiteral("_macro_tab_mou_pointer_skewing"))->isVisible());
        ExpectNothingClipped(prefix == QLatin1String("ms") ? "ms_macro_page" : "kb_macro_page");
        Screenshot(QStringLiteral("macro_%1_%2").arg(p, language));
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, MainWindowMacro, ::testing::Values(false, true),
                         [](const auto& info) { return std::string(info.param ? "cn" : "en"); });

} // namespace
