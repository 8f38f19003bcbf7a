// The key-capture window on a real X server: keys typed through XTEST
// (xdotool) reach the window through its keyboard grab and become the
// low-level record of the scan-code table, as a user's typing would. Run by
// CTest under xvfb-run on the xcb platform; elsewhere the cases are skipped.

#include "pages/mouse/KeyCaptureWnd.h"
#include "support/TempDir.h"
#include "support/X11Keys.h"
#include "ui/Controls.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QThread>
#include <QWindow>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

using namespace std::chrono_literals;
using zk::settings::ButtonAction;

namespace {

using zktest::CapsLocked;

bool SpinUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 3s) {
    return zktest::SpinUntilX(done, limit);
}

bool Type(const QString& keysym) {
    return zktest::TypeKey(keysym);
}

class KeyCaptureOnX11 : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X server (run by CTest under xvfb-run)";
        ASSERT_TRUE(zktest::LoadStagedSkin(QStringLiteral("en")));

        window_ = new zk::pages::CKbkey;
        ASSERT_TRUE(
            window_->Create(nullptr, QStringLiteral("KbSetWnd"), zk::ui::WindowStyle::Dialog));
        window_->CenterWindow();
        window_->ShowWindow(true);
        // Shown, it takes the keyboard.
        ASSERT_TRUE(SpinUntil([this] {
            return window_->Hook().IsInstalled() && QWidget::keyboardGrabber() == window_ &&
                   window_->windowHandle() && window_->windowHandle()->isExposed();
        }));
        QThread::msleep(100); // the server has the grab before the first key
    }
    void TearDown() override { zktest::CloseAndDelete(window_); }

    QPointer<zk::pages::CKbkey> window_;
};

TEST_F(KeyCaptureOnX11, TypedKeysArriveThroughTheGrabWithTheirCodes) {
    struct Case {
        const char* keysym;
        const char* displayKey;
        ButtonAction action;
    };
    const Case cases[] = {
        {"Return", "keyboard_key_Enter", {0x20, 0x00, 0x28}},
        {"KP_Enter", "keyboard_key_Num Enter", {0x20, 0x00, 0x58}}, // the extended Enter
        {"a", "keyboard_key_A", {0x20, 0x00, 0x04}},
        {"Shift_L", "keyboard_key_LShift", {0x20, 0x02, 0x00}},
        {"Control_R", "keyboard_key_RCtrl", {0x20, 0x10, 0x00}}, // extended, the right one
        {"Home", "keyboard_key_Home", {0x20, 0x00, 0x4A}},
        {"KP_Divide", "keyboard_key_Num /", {0x20, 0x00, 0x54}},
        {"slash", "keyboard_key_/", {0x20, 0x00, 0x38}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keysym);
        ASSERT_TRUE(Type(QString::fromLatin1(c.keysym)));
        EXPECT_TRUE(SpinUntil([&] { return window_->ResultKey() == QLatin1String(c.displayKey); }))
            << window_->ResultKey().toStdString();
        ASSERT_TRUE(window_->Result());
        EXPECT_EQ(*window_->Result(), c.action);
        EXPECT_EQ(zk::ui::GetResourceKey(window_->FindControl(QStringLiteral("kb_name_edit"))),
                  QLatin1String(c.displayKey));
    }
    // A key no button can play changes nothing.
    ASSERT_TRUE(Type(QStringLiteral("XF86AudioRaiseVolume")));
    SpinUntil([] { return false; }, 200ms);
    EXPECT_EQ(window_->ResultKey(), QStringLiteral("keyboard_key_/"));

    // Confirm releases the keyboard.
    window_->FindControl<QAbstractButton>(QStringLiteral("kb_set_confirm"))->click();
    ASSERT_TRUE(SpinUntil([this] { return !window_->IsWindow(); }));
    EXPECT_TRUE(window_->Confirmed());
    EXPECT_FALSE(window_->Hook().IsInstalled());
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
}

TEST_F(KeyCaptureOnX11, CapsLockStillReachesTheSystemAndDestroyReleasesTheGrab) {
    const bool before = CapsLocked();
    ASSERT_TRUE(Type(QStringLiteral("Caps_Lock")));
    EXPECT_TRUE(SpinUntil([&] { return CapsLocked() != before; }));
    // It is a keyboard key as well.
    EXPECT_TRUE(
        SpinUntil([this] { return window_->ResultKey() == QLatin1String("keyboard_key_Caplk"); }));
    ASSERT_TRUE(Type(QStringLiteral("Caps_Lock")));
    EXPECT_TRUE(SpinUntil([&] { return CapsLocked() == before; }));

    // Gone without confirm or cancel: the keyboard is free again.
    window_->Close();
    ASSERT_TRUE(SpinUntil([this] { return !window_->IsWindow(); }));
    EXPECT_FALSE(window_->Confirmed());
    EXPECT_FALSE(window_->Hook().IsInstalled());
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
}

} // namespace
