// Recording in the macro manager on a real X server: keys typed through XTEST
// (xdotool) reach the manager through its keyboard grab and are stored in the
// macro file, as a user's typing would be. Run by CTest under xvfb-run on the
// xcb platform; elsewhere the cases are skipped.

#include "lighting/LightPreview.h"
#include "macros/MacroLibrary.h"
#include "pages/macros/MacroManagerWnd.h"
#include "platform/PointerSettings.h"
#include "support/TempDir.h"
#include "support/WidgetTools.h"
#include "support/X11Keys.h"
#include "ui/Controls.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QPointer>
#include <QThread>
#include <QWindow>

#include <xcb/xcb.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

using namespace std::chrono_literals;
using zk::macros::MacroLibrary;

namespace {

using zktest::CapsLocked;
using zktest::XdoTool;

bool SpinUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 3s) {
    return zktest::SpinUntilX(done, limit);
}

void Spin(std::chrono::milliseconds time) {
    SpinUntil([] { return false; }, time);
}

bool Type(const char* keysym) {
    return zktest::TypeKey(QString::fromLatin1(keysym));
}

// Another X client holding the keyboard, as an open menu of another program does.
class OtherClientGrab {
public:
    OtherClientGrab() {
        c_ = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(c_))
            return;
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        window_ = xcb_generate_id(c_);
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        xcb_map_window(c_, window_);
        xcb_flush(c_);
        for (int attempt = 0; attempt < 50 && !held_; ++attempt) {
            auto* reply =
                xcb_grab_keyboard_reply(c_,
                                        xcb_grab_keyboard(c_, 1, window_, XCB_CURRENT_TIME,
                                                          XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                        nullptr);
            held_ = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
            free(reply);
            if (!held_)
                QThread::msleep(10); // not viewable yet
        }
    }
    ~OtherClientGrab() {
        if (held_)
            xcb_ungrab_keyboard(c_, XCB_CURRENT_TIME);
        xcb_disconnect(c_);
    }
    bool Held() const { return held_; }

private:
    xcb_connection_t* c_ = nullptr;
    xcb_window_t window_ = 0;
    bool held_ = false;
};

class Services : public zk::pages::PageServices {
public:
    bool PickColour(QWidget*, std::uint32_t, std::uint32_t&) override { return false; }
    void ShowMessage(std::string_view key) override { messages.emplace_back(key); }
    void RefreshPages(zk::pages::DeviceKind) override {}
    zk::lighting::LightPreview& Preview() override { return preview; }
    zk::platform::PointerSettings& Pointer() override { return pointer; }

    std::vector<std::string> messages;
    zk::lighting::LightPreview preview;
    zk::platform::PointerSettings pointer{nullptr};
};

// Counts the key presses that the keyboard repeats for a held key.
class RepeatCounter : public QObject {
public:
    int repeats = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->isAutoRepeat())
            ++repeats;
        return false;
    }
};

class MacroRecordOnX11 : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X server (run by CTest under xvfb-run)";
        ASSERT_TRUE(zktest::LoadStagedSkin(
            qEnvironmentVariable("ZK_SCREENSHOT_LANGUAGE", QStringLiteral("en"))));
        const QString stage = qEnvironmentVariable("ZK_STAGE_DIR");
        QFile qss(stage + QStringLiteral("/skin/style.qss"));
        if (qss.open(QIODevice::ReadOnly))
            qApp->setStyleSheet(QString::fromUtf8(qss.readAll()));

        ASSERT_EQ(library_.AppendName("macro1"), zk::macros::MacroError::None);
        ASSERT_EQ(library_.WriteActionLines("macro1", {}), zk::macros::MacroError::None);
        window_ =
            new zk::pages::CmarcoManagerDialog(zk::pages::DeviceKind::Mouse, library_, services_);
        ASSERT_TRUE(window_->Create(nullptr, QStringLiteral("MarcoManagerWnd"),
                                    zk::ui::WindowStyle::Dialog));
        window_->CenterWindow();
        window_->ShowWindow(true);
        ASSERT_TRUE(SpinUntil([this] {
            return window_->windowHandle() && window_->windowHandle()->isExposed() &&
                   window_->isActiveWindow();
        }));
        Spin(100ms);
    }
    void TearDown() override { zktest::CloseAndDelete(window_); }

    void Click(const char* name) {
        auto* button = window_->FindControl<QAbstractButton>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr);
        button->click();
    }
    void Start() {
        Click("start_btn");
        ASSERT_TRUE(window_->Recording());
        ASSERT_EQ(QWidget::keyboardGrabber(), window_);
        QThread::msleep(100); // the server has the grab before the first key
    }
    std::vector<std::string> StopAndRead() {
        Spin(200ms); // the last keys arrive
        Click("start_btn");
        EXPECT_FALSE(window_->Recording());
        EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
        return library_.ReadActionLines("macro1");
    }

    zktest::TempHome home_;
    MacroLibrary library_ = MacroLibrary::Mouse();
    Services services_;
    QPointer<zk::pages::CmarcoManagerDialog> window_;
};

TEST_F(MacroRecordOnX11, TypedKeysAreRecordedOnceWithTheirCodes) {
    // Delays are measured in real time here; their values are tested with a
    // set clock elsewhere.
    window_->FindControl<QAbstractButton>(QStringLiteral("marco_delay_checkbox"))->click();
    Start();
    RepeatCounter counter;
    qApp->installEventFilter(&counter); // runs before the hook's own filter
    ASSERT_TRUE(XdoTool({QStringLiteral("keydown"), QStringLiteral("a")}));
    Spin(900ms); // held past the keyboard's repeat delay
    ASSERT_TRUE(XdoTool({QStringLiteral("keyup"), QStringLiteral("a")}));
    for (const char* keysym : {"KP_Enter", "Return", "Shift_L", "F13"})
        ASSERT_TRUE(Type(keysym));
    const auto lines = StopAndRead();
    qApp->removeEventFilter(&counter);
    EXPECT_GT(counter.repeats, 0) << "the X server did not repeat the held key";
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  "0,0,138,4,1,keyboard_key_A", "0,0,10,4,0,keyboard_key_A",
                  "0,0,138,88,1,keyboard_key_Num Enter", "0,0,10,88,0,keyboard_key_Num Enter",
                  "0,0,138,40,1,keyboard_key_Enter", "0,0,10,40,0,keyboard_key_Enter",
                  "0,0,137,2,1,keyboard_key_LShift", "0,0,9,2,0,keyboard_key_LShift",
                  // F13 is swallowed but not recorded
              }));
    zktest::SaveWindowPicture(window_, QStringLiteral("macro_manager_recorded"));
}

TEST_F(MacroRecordOnX11, CapsLockStillReachesTheSystemAndMeasuredDelaysAreKept) {
    Start();
    const bool before = CapsLocked();
    ASSERT_TRUE(Type("Caps_Lock"));
    EXPECT_TRUE(SpinUntil([&] { return CapsLocked() != before; }));
    Spin(150ms);
    ASSERT_TRUE(Type("Caps_Lock"));
    EXPECT_TRUE(SpinUntil([&] { return CapsLocked() == before; }));
    const auto lines = StopAndRead();
    ASSERT_EQ(lines.size(), 4u);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto action = zk::macros::ActionFromLine(lines[i]);
        EXPECT_EQ(action.name, "keyboard_key_Caplk");
        EXPECT_EQ(action.down, i % 2 == 0 ? 1 : 0);
    }
    // The time between the release and the second press is measured.
    EXPECT_GE(zk::macros::ActionFromLine(lines[1]).Delay(), 100);
    EXPECT_EQ(zk::macros::ActionFromLine(lines[3]).Delay(), 0); // the last keeps 0
}

TEST_F(MacroRecordOnX11, AKeyboardHeldByAnotherProgramKeepsRecordingFromStarting) {
    OtherClientGrab other;
    ASSERT_TRUE(other.Held());
    Click("start_btn");
    EXPECT_FALSE(window_->Recording());
    EXPECT_FALSE(window_->Hook().IsInstalled());
    EXPECT_EQ(services_.messages, std::vector<std::string>{"marco_record_no_grab"});
    EXPECT_EQ(zk::ui::GetResourceKey(window_->FindControl(QStringLiteral("start_btn"))),
              QStringLiteral("marco_start"));
}

} // namespace
