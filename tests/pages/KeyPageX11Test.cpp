// The keyboard key page's capture on a real X server: with the key sub-page
// shown, keys typed through XTEST (xdotool) reach the main window through the
// input hook's single-key mode and become the chosen key's function on the
// emulated keyboard. Run by CTest under xvfb-run on the xcb platform;
// elsewhere the case is skipped.

#include "app/MainWndTestEnv.h"

#include "app/Subsystems.h"
#include "emulator/Emulator.h"
#include "pages/keyboard/KeyPage.h"
#include "support/X11Keys.h"
#include "ui/Controls.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QTest>
#include <QThread>

using namespace std::chrono_literals;
using apptest::Spin;
using apptest::SpinUntil;
namespace emu = zk::emulator;
using zk::settings::ButtonAction;

namespace {

constexpr int kKeyA = 64;

using zktest::TypeKey;

class KeyPageOnX11 : public apptest::MainWndTest {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X server (run by CTest under xvfb-run)";
        MainWndTest::SetUp();
    }

    ButtonAction OnKeyboard(int position) const {
        const auto area = keyboard_->Memory(emu::MemoryArea::Buttons);
        const std::size_t at = static_cast<std::size_t>(position) * 3;
        return ButtonAction{area[at], area[at + 1], area[at + 2]};
    }
};

TEST_F(KeyPageOnX11, TypedKeysBecomeTheChosenKeysFunction) {
    apptest::StartInLanguage(false);
    ASSERT_NO_FATAL_FAILURE(WireEmulated());
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(WaitForKeyboardRead());
    auto* page = subsystems_->Pages().Find<zk::pages::KeyPage>();
    ASSERT_NE(page, nullptr);
    ASSERT_NO_FATAL_FAILURE(ShowPage("kb_tab", "kb_key_Op_tab", 0ms));
    wnd_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(wnd_.get(), 3000));

    QTest::mouseClick(wnd_->FindControl(QStringLiteral("kb_key_%1").arg(kKeyA)), Qt::LeftButton);
    ASSERT_EQ(page->SelectedKey(), kKeyA);
    zk::ui::SelectItem(wnd_->FindControl(QStringLiteral("kb_key_fct_combo")), 1, true);
    // The key sub-page holds the keyboard for the main window.
    ASSERT_TRUE(SpinUntil([&] {
        return page->Hook().IsInstalled() &&
               page->Hook().Mode() == zk::ui::kHookKeyboardSingleKey &&
               QWidget::keyboardGrabber() == wnd_.get();
    }));
    QThread::msleep(100); // the server has the grab before the first key

    struct Case {
        const char* keysym;
        const char* displayKey;
        ButtonAction action;
    };
    const Case cases[] = {
        {"b", "keyboard_key_B", {0x20, 0x00, 0x05}},
        {"KP_Enter", "keyboard_key_Num Enter", {0x20, 0x00, 0x58}}, // the extended Enter
        {"Return", "keyboard_key_Enter", {0x20, 0x00, 0x28}},
        {"Control_R", "keyboard_key_RCtrl", {0x20, 0x10, 0x00}},
    };
    QWidget* edit = wnd_->FindControl(QStringLiteral("kb_key_fct_edit_21"));
    ASSERT_NE(edit, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keysym);
        ASSERT_TRUE(TypeKey(QString::fromLatin1(c.keysym)));
        EXPECT_TRUE(SpinUntil([&] { return OnKeyboard(kKeyA) == c.action; }, 3s));
        EXPECT_EQ(zk::ui::GetResourceKey(edit), QLatin1String(c.displayKey));
        EXPECT_EQ(zk::ui::GetResourceKey(wnd_->FindControl(QStringLiteral("kb_key_fct_label"))),
                  QLatin1String(c.displayKey));
    }
    // Keys the key table lacks or gives no keyboard function change nothing.
    keyboard_->ClearRequestLog();
    for (const char* keysym : {"XF86AudioRaiseVolume", "F13"})
        ASSERT_TRUE(TypeKey(QString::fromLatin1(keysym)));
    Spin(300ms);
    EXPECT_EQ(OnKeyboard(kKeyA), (ButtonAction{0x20, 0x10, 0x00}));
    EXPECT_TRUE(keyboard_->RequestLog().empty());
    EXPECT_EQ(zk::ui::GetResourceKey(edit), QStringLiteral("keyboard_key_RCtrl"));

    // Another kind of function gives the keyboard back.
    zk::ui::SelectItem(wnd_->FindControl(QStringLiteral("kb_key_fct_combo")), 0, true);
    EXPECT_FALSE(page->Hook().IsInstalled());
    EXPECT_TRUE(SpinUntil([] { return QWidget::keyboardGrabber() == nullptr; }));
    EXPECT_EQ(OnKeyboard(kKeyA), (ButtonAction{0x20, 0x00, 0x04}));
}

} // namespace
