// The buttons page in the whole program: the main window with its subsystems
// as `zk412v --emulate` runs it. Choices are made through the real popup, the
// key-capture and macro windows and the function editor; what they did is read
// back from the emulated mouse (button area, macro memory, frame log), the
// profile's name file and the controls.

#include "app/MainWndTestEnv.h"

#include "app/Subsystems.h"
#include "emulator/Emulator.h"
#include "macros/MacroLibrary.h"
#include "pages/macros/MacroAssignWnd.h"
#include "pages/macros/MacroManagerWnd.h"
#include "pages/mouse/ButtonPage.h"
#include "pages/mouse/KeyCaptureWnd.h"
#include "platform/Folders.h"
#include "platform/IniFile.h"
#include "profiles/NameFile.h"
#include "support/WidgetTools.h"
#include "ui/Controls.h"
#include "ui/DeviceHook.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QStackedWidget>
#include <QTest>

#include <array>
#include <functional>

using namespace std::chrono_literals;
using apptest::Spin;
using apptest::SpinUntil;
namespace emu = zk::emulator;
using zk::settings::ButtonAction;

namespace {

constexpr std::uint8_t kCmdWriteProfileBlock = 0x09;
constexpr std::uint8_t kCmdWriteMacroArea = 0x15;
// X11 keycodes (evdev + 8) of the keys the tests press.
constexpr quint32 kKeycodeA = 38;
constexpr quint32 kKeycodeKeypadEnter = 104;
constexpr quint32 kKeycodeVolumeUp = 123;

int CountFrames(const emu::EmulatedDevice& mouse, std::uint8_t command) {
    int n = 0;
    for (const auto& r : mouse.RequestLog())
        if (r.frame[3] == command)
            ++n;
    return n;
}

// A key press as the platform delivers it: with its native scan code.
void PressNative(QWidget* receiver, quint32 keycode, Qt::Key key = Qt::Key_unknown,
                 const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, keycode, 0, 0, text);
    QApplication::sendEvent(receiver, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, keycode, 0, 0, text);
    QApplication::sendEvent(receiver, &release);
}

using zktest::OpenWindowOf;

class MainWindowButtons : public apptest::MainWndTest {
protected:
    // `capacity`: the mouse's macro memory in units of 128 bytes.
    void OpenEmulated(std::uint8_t capacity = 32) {
        apptest::LetEarlierQuitPass();
        ASSERT_NO_FATAL_FAILURE(WireEmulated());
        mouse_->SetMemory(emu::MemoryArea::Capabilities, 6, {capacity});
        // Pictures for a look at the page are taken in the language asked for
        // (Chinese, the first start's language, otherwise).
        if (qEnvironmentVariable("ZK_SCREENSHOT_LANGUAGE") == QLatin1String("en"))
            apptest::StartInLanguage(false);
        ASSERT_NO_FATAL_FAILURE(Open());
        ASSERT_NO_FATAL_FAILURE(WaitForMouseRead());
        ASSERT_NO_FATAL_FAILURE(ShowPage("ms_tab", "ms_key_Op_tab", 0ms));
        wnd_->activateWindow();
        QApplication::setActiveWindow(wnd_.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(wnd_.get(), 2000));
        page_ = subsystems_->Pages().Find<zk::pages::ButtonPage>();
        ASSERT_NE(page_, nullptr);
        mouse_->ClearRequestLog();
    }

    QWidget* Control(const QString& name) const { return wnd_->FindControl(name); }
    QWidget* Control(const char* name) const { return Control(QString::fromLatin1(name)); }

    ButtonAction MouseButton(int button) const {
        const auto area = mouse_->Memory(emu::MemoryArea::Buttons);
        const std::size_t at = static_cast<std::size_t>(button - 1) * 3;
        return ButtonAction{area[at], area[at + 1], area[at + 2]};
    }
    ButtonAction TableButton(int button) const {
        return subsystems_->MouseImage()
            .buttonTables[0]
            .actions[static_cast<std::size_t>(button - 1)];
    }
    std::string StoredName(int button) const {
        const auto file = zk::profiles::MouseNameFile::ForSelectedProfile();
        return file ? file->KeyName(button) : std::string("<no file>");
    }
    QString ButtonText(int button) const {
        return zk::ui::GetText(Control(QStringLiteral("mouse_key_%1").arg(button)));
    }
    bool PopupOpen() const {
        QWidget* popup = Control("mouse_key_list");
        return popup && popup->isVisible() && !popup->geometry().isEmpty();
    }

    void Enter(QWidget* w) {
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QApplication::sendEvent(w, &enter);
    }
    void Leave(QWidget* w) {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(w, &leave);
    }
    void Click(QWidget* w) {
        ASSERT_NE(w, nullptr);
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(w->width() / 2, w->height() / 2));
    }
    void OpenPopup(int button) {
        // As a window manager does once a dialog over the window closed.
        QApplication::setActiveWindow(wnd_.get());
        Click(Control(QStringLiteral("mouse_key_%1").arg(button)));
        ASSERT_TRUE(PopupOpen());
    }
    // Runs `inside` once the modal window W is open (it must close it).
    template <class W> void WhileOpen(const std::function<void(W&)>& inside) {
        zktest::WhenFound<W>(wnd_.get(), OpenWindowOf<W>, inside, 3s);
    }

    void Screenshot(const QString& name, QWidget* window = nullptr) {
        zktest::SaveWindowPicture(window ? window : wnd_.get(), name);
    }

    zk::pages::ButtonPage* page_ = nullptr;
};

// --- the popup --------------------------------------------------------------------

struct ReadyMade {
    int button;
    const char* opener; // the sub-list's item, or "" for an item of the popup itself
    const char* item;
    ButtonAction stored;
    const char* label; // the function label's text key afterwards ("" when it keeps its text)
    bool emptyName;
};

TEST_F(MainWindowButtons, ReadyMadeFunctionsReachTheMouseWithTheirNames) {
    OpenEmulated();
    const ReadyMade cases[] = {
        {4, "", "function_close_key", {0xA0, 0x00, 0x00}, "", true},
        {2, "media_set_key", "stop_key", {0x30, 0x26, 0x02}, "wed_stop", false},
        {3, "office_key", "copy_key", {0x20, 0x01, 0x06}, "combo_copy", false},
        {5, "switch_DPI_key", "DPI_key_sub", {0x13, 0x02, 0x00}, "mouse_key_DPI_sub", false},
        {6, "", "left_key_double_click", {0x14, 0x01, 0x02}, "mouse_key_fire_key", false},
        {7, "window_manager_key", "show_desktop_key", {0x20, 0x08, 0x07}, "", false},
        {2, "", "forward_key", {0x10, 0x10, 0x00}, "mouse_key_forward", false},
    };
    for (const ReadyMade& c : cases) {
        SCOPED_TRACE(c.item);
        const int tableWrites = CountFrames(*mouse_, kCmdWriteProfileBlock);
        OpenPopup(c.button);
        const int tops[] = {162, 183, 205, 228, 250, 272};
        const int top = tops[c.button - 2];
        EXPECT_EQ(Control("mouse_key_list")->geometry(), QRect(253, top, 106, 240));
        if (*c.opener) {
            Enter(Control(c.opener));
            const QString lists[] = {
                QStringLiteral("DPI_key_list"), QStringLiteral("media_key_list"),
                QStringLiteral("office_key_list"), QStringLiteral("window_manager_list")};
            const QRect places[] = {QRect(360, top + 120, 95, 63), QRect(360, top + 138, 97, 150),
                                    QRect(360, top + 118, 99, 168), QRect(360, top + 135, 97, 98)};
            const char* openers[] = {"switch_DPI_key", "media_set_key", "office_key",
                                     "window_manager_key"};
            for (int i = 0; i < 4; ++i) {
                QWidget* list = Control(lists[i]);
                if (QLatin1String(openers[i]) == QLatin1String(c.opener)) {
                    EXPECT_TRUE(list->isVisible());
                    EXPECT_EQ(list->geometry(), places[i]);
                } else {
                    EXPECT_TRUE(list->geometry().isEmpty()) << lists[i].toStdString();
                }
            }
            if (QLatin1String(c.opener) == QLatin1String("media_set_key"))
                Screenshot(QStringLiteral("button_popup_media"));
        }
        QWidget* item = Control(c.item);
        const QString itemText = zk::ui::GetText(item);
        Click(item);
        ASSERT_TRUE(SpinUntil(
            [&] { return CountFrames(*mouse_, kCmdWriteProfileBlock) > tableWrites; }, 2s));
        EXPECT_EQ(MouseButton(c.button), c.stored);
        EXPECT_EQ(TableButton(c.button), c.stored);
        const QString expectedName = c.emptyName ? QString() : itemText;
        EXPECT_EQ(ButtonText(c.button), expectedName);
        EXPECT_EQ(QString::fromStdString(StoredName(c.button)), expectedName);
        EXPECT_FALSE(PopupOpen());
        if (*c.label) {
            EXPECT_EQ(
                zk::ui::GetResourceKey(Control(QStringLiteral("ms_key_%1").arg(c.button - 1))),
                QLatin1String(c.label));
        }
    }
    // The left button is not reassigned from the picture.
    Click(Control("mouse_key_1"));
    EXPECT_FALSE(PopupOpen());
}

TEST_F(MainWindowButtons, HoverLightsTheButtonDrawingAndTheViewsSwitch) {
    OpenEmulated();
    struct Hover {
        int button, drawing;
        bool leader;
    };
    for (const Hover h :
         {Hover{2, 3, true}, Hover{3, 2, true}, Hover{5, 5, true}, Hover{7, 7, false}}) {
        SCOPED_TRACE(h.button);
        QWidget* control = Control(QStringLiteral("mouse_key_%1").arg(h.button));
        QWidget* picture = Control(QStringLiteral("mouse_btn_%1").arg(h.drawing));
        QWidget* leader = Control(QStringLiteral("mouse_btn_%1_0").arg(h.drawing));
        Enter(control);
        EXPECT_EQ(zk::ui::GetBkImage(picture), QStringLiteral("qelma/btn_%1_0.png").arg(h.drawing));
        if (h.leader) {
            EXPECT_EQ(zk::ui::GetBkImage(leader),
                      QStringLiteral("qelma/F-%1-over.png").arg(h.drawing));
        }
        Leave(control);
        EXPECT_EQ(zk::ui::GetBkImage(picture), QStringLiteral("qelma/btn_%1.png").arg(h.drawing));
        if (h.leader) {
            EXPECT_EQ(zk::ui::GetBkImage(leader),
                      QStringLiteral("qelma/F-%1-normal.png").arg(h.drawing));
        }
    }
    auto* views = qobject_cast<QStackedWidget*>(Control("mouse_tab"));
    auto* front = qobject_cast<QAbstractButton*>(Control("MouseFront_check"));
    auto* side = qobject_cast<QAbstractButton*>(Control("MouseSide_check"));
    Click(side);
    EXPECT_EQ(views->currentIndex(), 1);
    Screenshot(QStringLiteral("button_side_view"));
    EXPECT_FALSE(front->isChecked());
    Click(front);
    EXPECT_EQ(views->currentIndex(), 0);
    EXPECT_FALSE(side->isChecked());
}

// --- the key-capture window -------------------------------------------------------------

TEST_F(MainWindowButtons, KeyCaptureTakesOnlyKeyboardKeysAndCancelChangesNothing) {
    OpenEmulated();
    const ButtonAction before = MouseButton(4);
    const std::string nameBefore = StoredName(4);

    // Cancel after a key was captured: nothing changes, the popup closes.
    OpenPopup(4);
    WhileOpen<zk::pages::CKbkey>([](zk::pages::CKbkey& w) {
        SpinUntil([&] { return w.Hook().IsInstalled(); }, 2s);
        PressNative(&w, kKeycodeA, Qt::Key_A, QStringLiteral("a"));
        w.FindControl<QAbstractButton>(QStringLiteral("kb_set_cancel"))->click();
    });
    Click(Control("gunlun_key"));
    ASSERT_TRUE(SpinUntil([this] { return !PopupOpen(); }, 3s));
    Spin(50ms);
    EXPECT_EQ(CountFrames(*mouse_, kCmdWriteProfileBlock), 0);
    EXPECT_EQ(MouseButton(4), before);
    EXPECT_EQ(StoredName(4), nameBefore);

    // Confirm before any key: nothing is stored.
    OpenPopup(4);
    WhileOpen<zk::pages::CKbkey>([](zk::pages::CKbkey& w) {
        w.FindControl<QAbstractButton>(QStringLiteral("kb_set_confirm"))->click();
    });
    Click(Control("gunlun_key"));
    ASSERT_TRUE(SpinUntil([this] { return !PopupOpen(); }, 3s));
    Spin(50ms);
    EXPECT_EQ(CountFrames(*mouse_, kCmdWriteProfileBlock), 0);
    EXPECT_EQ(MouseButton(4), before);

    // A media key leaves label and result alone; the letter after it is taken.
    OpenPopup(4);
    bool mediaIgnored = false;
    WhileOpen<zk::pages::CKbkey>([&](zk::pages::CKbkey& w) {
        SpinUntil([&] { return w.Hook().IsInstalled(); }, 2s);
        QWidget* label = w.FindControl(QStringLiteral("kb_name_edit"));
        const QString waiting = zk::ui::GetText(label);
        PressNative(&w, kKeycodeVolumeUp, Qt::Key_VolumeUp);
        mediaIgnored = !w.Result() && zk::ui::GetText(label) == waiting;
        PressNative(&w, kKeycodeA, Qt::Key_A, QStringLiteral("a"));
        EXPECT_EQ(zk::ui::GetResourceKey(label), QStringLiteral("keyboard_key_A"));
        Screenshot(QStringLiteral("button_key_capture"), &w);
        w.FindControl<QAbstractButton>(QStringLiteral("kb_set_confirm"))->click();
    });
    Click(Control("gunlun_key"));
    ASSERT_TRUE(SpinUntil([this] { return CountFrames(*mouse_, kCmdWriteProfileBlock) > 0; }, 3s));
    EXPECT_TRUE(mediaIgnored);
    EXPECT_EQ(MouseButton(4), (ButtonAction{0x20, 0x00, 0x04}));
    EXPECT_EQ(ButtonText(4), QStringLiteral("A"));
    EXPECT_EQ(StoredName(4), "A");
    EXPECT_EQ(zk::ui::GetResourceKey(Control("ms_key_3")), QStringLiteral("keyboard_key_A"));
    EXPECT_FALSE(PopupOpen());
    // The window took its grab with it.
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
}

// --- the macro window --------------------------------------------------------------------

class MainWindowMacroButtons : public MainWindowButtons {
protected:
    void AddMacro(const std::string& name, int actions) {
        const auto library = zk::macros::MacroLibrary::Mouse();
        ASSERT_EQ(library.AppendName(name), zk::macros::MacroError::None);
        std::vector<zk::macros::MacroAction> list;
        for (int i = 0; i < actions; ++i) {
            zk::macros::MacroAction a;
            a.type = static_cast<std::uint8_t>(i % 2 ? 0x0A : 0x8A);
            a.code = 0x04;
            a.down = i % 2 ? 0 : 1;
            a.name = "keyboard_key_A";
            list.push_back(a);
        }
        ASSERT_EQ(library.WriteActions(name, list), zk::macros::MacroError::None);
    }
    // Opens the macro window for `button` and runs `inside` in it.
    void AssignMacro(int button, const std::function<void(zk::pages::Cmacro&)>& inside) {
        OpenPopup(button);
        bool ran = false;
        WhileOpen<zk::pages::Cmacro>([&](zk::pages::Cmacro& w) {
            ran = true;
            inside(w);
        });
        Click(Control("marco_key"));
        ASSERT_TRUE(SpinUntil([&] { return ran && !OpenWindowOf<zk::pages::Cmacro>(); }, 3s));
        Spin(50ms);
    }
};

TEST_F(MainWindowMacroButtons, ConfirmedMacroIsSentWithTheLibraryAndRemembered) {
    OpenEmulated();
    // An empty library leaves nothing to confirm.
    AssignMacro(5, [](zk::pages::Cmacro& w) {
        EXPECT_FALSE(w.FindControl(QStringLiteral("macro_select_confirm"))->isEnabled());
        EXPECT_TRUE(w.FindControl(QStringLiteral("macro_select_empty"))->isVisible());
        w.FindControl<QAbstractButton>(QStringLiteral("macro_select_cancel"))->click();
    });
    EXPECT_EQ(CountFrames(*mouse_, kCmdWriteProfileBlock), 0);
    Click(Control("mouse_key_1"));
    AddMacro("macro1", 2);
    AddMacro("burst", 3);
    AssignMacro(5, [](zk::pages::Cmacro& w) {
        // Without a memo the first macro counts as chosen.
        EXPECT_EQ(zk::ui::GetCurSel(w.FindControl(QStringLiteral("macro_combo_select"))), 0);
        zk::ui::SelectItem(w.FindControl(QStringLiteral("macro_combo_select")), 1, true);
        ASSERT_TRUE(w.FindControl(QStringLiteral("macro_select_confirm"))->isEnabled());
        w.FindControl<QAbstractButton>(QStringLiteral("end_down_check"))->click();
        w.FindControl<QAbstractButton>(QStringLiteral("macro_select_confirm"))->click();
    });
    EXPECT_EQ(MouseButton(5), (ButtonAction{0x70, 0x01, 0x02}));
    EXPECT_GT(CountFrames(*mouse_, kCmdWriteMacroArea), 0);
    const auto macros = mouse_->Memory(emu::MemoryArea::Macros);
    EXPECT_EQ(macros[0], 0xAA);
    EXPECT_EQ(macros[1], 0x55);
    EXPECT_EQ(macros[4], 2); // two macros in the block
    EXPECT_EQ(StoredName(5), "burst");
    EXPECT_EQ(zk::ui::GetText(Control("ms_key_4")), QStringLiteral("burst"));
    EXPECT_FALSE(PopupOpen());
    const auto nameFile = zk::profiles::MouseNameFile::ForSelectedProfile();
    ASSERT_TRUE(nameFile);
    const auto memo = zk::macros::ReadAssignmentMemo(nameFile->File().Path());
    EXPECT_EQ(memo.macroIndex, 1);
    EXPECT_EQ(memo.endStyle, 1);

    // The next opening starts from the memo.
    AssignMacro(6, [this](zk::pages::Cmacro& w) {
        EXPECT_EQ(zk::ui::GetCurSel(w.FindControl(QStringLiteral("macro_combo_select"))), 1);
        EXPECT_TRUE(w.FindControl<QAbstractButton>(QStringLiteral("end_down_check"))->isChecked());
        Screenshot(QStringLiteral("button_macro_window"), &w);
        w.FindControl<QAbstractButton>(QStringLiteral("macro_select_cancel"))->click();
    });
}

TEST_F(MainWindowMacroButtons, CancelAndALibraryTooLargeKeepTheOldAction) {
    OpenEmulated(/*capacity=*/1); // 128 bytes of macro memory
    AddMacro("small", 2);
    struct Case {
        const char* what;
        bool cancel;
        int extraActions; // added to a second macro before assigning
        bool message;
    };
    for (const Case c : {Case{"cancel", true, 0, false}, Case{"too large", false, 40, true}}) {
        SCOPED_TRACE(c.what);
        if (c.extraActions)
            AddMacro("large", c.extraActions); // 16 + 12 + 4 × 42 = 196 bytes
        const ButtonAction before = MouseButton(3);
        const std::string nameBefore = StoredName(3);
        const QString labelBefore = zk::ui::GetText(Control("ms_key_2"));
        mouse_->ClearRequestLog();
        boxes_.clear();
        AssignMacro(3, [&](zk::pages::Cmacro& w) {
            zk::ui::SelectItem(w.FindControl(QStringLiteral("macro_combo_select")), 0, true);
            w.FindControl<QAbstractButton>(
                 QString::fromLatin1(c.cancel ? "macro_select_cancel" : "macro_select_confirm"))
                ->click();
        });
        EXPECT_EQ(CountFrames(*mouse_, kCmdWriteProfileBlock), 0);
        EXPECT_EQ(CountFrames(*mouse_, kCmdWriteMacroArea), 0);
        EXPECT_EQ(MouseButton(3), before);
        EXPECT_EQ(TableButton(3), before);
        EXPECT_EQ(StoredName(3), nameBefore);
        EXPECT_EQ(zk::ui::GetText(Control("ms_key_2")), labelBefore);
        if (c.message) {
            // (196 − 128) / 4 + 1 actions too many.
            ASSERT_EQ(boxes_.size(), 1u);
            EXPECT_TRUE(boxes_[0].text.contains(QStringLiteral("18")))
                << boxes_[0].text.toStdString();
        } else {
            EXPECT_TRUE(boxes_.empty());
        }
        Click(Control("mouse_key_1")); // away from the popup
    }
}

// --- the function editor --------------------------------------------------------------------

TEST_F(MainWindowButtons, EditorBuildsScrollActionsHeldToTheirRangesAndSendsOnApply) {
    OpenEmulated();
    OpenPopup(5);
    Click(Control("mouse_key_title")); // a click away closes the popup
    EXPECT_FALSE(PopupOpen());
    const ButtonAction before = MouseButton(5);

    zk::ui::SelectItem(Control("ms_key_fct_combo"), 2, true);
    EXPECT_TRUE(Control("ms_tab_function_2")->isVisible());
    EXPECT_FALSE(Control("ms_tab_function_0")->isVisible());
    zk::ui::SelectItem(Control("ms_key_fct_combo_12"), 1, true);
    struct Typed {
        const char* edit;
        const char* text;
        const char* shown; // after the range rule
    };
    for (const Typed t :
         {Typed{"ms_key_fct_edit_15", "300", "127"}, Typed{"ms_key_fct_edit_15", "10", "10"},
          Typed{"ms_key_fct_edit_17", "99", "15"}, Typed{"ms_key_fct_edit_17", "2", "2"},
          Typed{"ms_key_fct_edit_20", "3", "3"}}) {
        auto* edit = qobject_cast<QLineEdit*>(Control(t.edit));
        ASSERT_NE(edit, nullptr);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromLatin1(t.text));
        EXPECT_EQ(edit->text(), QString::fromLatin1(t.shown)) << t.edit << " " << t.text;
    }
    EXPECT_EQ(TableButton(5), (ButtonAction{0x11, 0x23, 0x8A}));
    EXPECT_EQ(zk::ui::GetResourceKey(Control("ms_key_4")), QStringLiteral("mouse_key_right_Swing"));
    Screenshot(QStringLiteral("button_editor"));
    // Stored only: the mouse has its old action until the editor sends it.
    Spin(150ms);
    EXPECT_EQ(CountFrames(*mouse_, kCmdWriteProfileBlock), 0);
    EXPECT_EQ(MouseButton(5), before);
    Click(Control("ms_key_fct_apply"));
    ASSERT_TRUE(SpinUntil([this] { return CountFrames(*mouse_, kCmdWriteProfileBlock) > 0; }, 2s));
    EXPECT_EQ(MouseButton(5), (ButtonAction{0x11, 0x23, 0x8A}));
    EXPECT_EQ(QString::fromStdString(StoredName(5)), zk::ui::GetText(Control("ms_key_4")));

    // The repeat count of a macro is held to 1..255 and shows only for "repeat".
    zk::ui::SelectItem(Control("ms_key_fct_combo"), 9, true);
    EXPECT_FALSE(Control("ms_tab_function_26")->isVisible());
    zk::ui::SelectItem(Control("ms_key_fct_combo_24"), 4, true);
    EXPECT_TRUE(Control("ms_tab_function_26")->isVisible());
    auto* repeat = qobject_cast<QLineEdit*>(Control("ms_key_fct_edit_25"));
    repeat->setFocus();
    repeat->selectAll();
    QTest::keyClicks(repeat, QStringLiteral("0"));
    EXPECT_EQ(repeat->text(), QStringLiteral("1"));
}

TEST_F(MainWindowButtons, EditorTakesAKeyThroughTheMainWindowHook) {
    OpenEmulated();
    OpenPopup(6);
    Click(Control("mouse_key_title"));
    zk::ui::SelectItem(Control("ms_key_fct_combo"), 6, true);
    ASSERT_TRUE(page_->Hook().IsInstalled());
    // Keypad Enter (extended) is its own key; a media key is not taken.
    PressNative(wnd_.get(), kKeycodeVolumeUp, Qt::Key_VolumeUp);
    EXPECT_TRUE(qobject_cast<QLineEdit*>(Control("ms_key_fct_edit_21"))->text().isEmpty());
    PressNative(wnd_.get(), kKeycodeKeypadEnter, Qt::Key_Enter);
    EXPECT_EQ(zk::ui::GetResourceKey(Control("ms_key_fct_edit_21")),
              QStringLiteral("keyboard_key_Num Enter"));
    EXPECT_EQ(TableButton(6), (ButtonAction{0x20, 0x00, 0x58}));
    // Another function gives the keyboard back; so does losing activation.
    zk::ui::SelectItem(Control("ms_key_fct_combo"), 4, true);
    EXPECT_FALSE(page_->Hook().IsInstalled());
    EXPECT_EQ(TableButton(6).type, 0x13);
    zk::ui::SelectItem(Control("ms_key_fct_combo"), 6, true);
    ASSERT_TRUE(page_->Hook().IsInstalled());
    wnd_->HandleMessage(zk::ui::WM_ACTIVATE, zk::ui::WA_INACTIVE, 0);
    EXPECT_FALSE(page_->Hook().IsInstalled());
}

// --- refresh ----------------------------------------------------------------------------

TEST_F(MainWindowButtons, RefreshReadsNamesAndTheMacroList) {
    OpenEmulated();
    auto nameFile = zk::profiles::MouseNameFile::ForSelectedProfile();
    ASSERT_TRUE(nameFile);
    zk::platform::IniFile mainIni(zk::platform::GetDataFolder() + "main.ini");
    struct Named {
        int button;
        const char* stored;
        int language;
        QString shown;
    };
    const Named cases[] = {
        {3, "Boom", 0, QStringLiteral("Boom")},
        {2, "0", 1, QStringLiteral("中键")}, // not the Russian built-in set
        {6, "0", 1, QStringLiteral("DPI循环")},
        {2, "0", 0, QStringLiteral("Middle Click")},
    };
    for (const Named& c : cases) {
        SCOPED_TRACE(c.stored);
        ASSERT_TRUE(nameFile->SetKeyName(c.button, c.stored));
        ASSERT_TRUE(mainIni.Write("SKINIMAGE", "LANGUAGE", std::to_string(c.language)));
        subsystems_->RefreshPages(zk::pages::DeviceKind::Mouse);
        EXPECT_EQ(ButtonText(c.button), c.shown);
    }
    // Another tab renames and adds macros; the editor's list follows.
    const auto library = zk::macros::MacroLibrary::Mouse();
    ASSERT_EQ(library.AppendName("first"), zk::macros::MacroError::None);
    ASSERT_EQ(library.AppendName("second"), zk::macros::MacroError::None);
    subsystems_->RefreshPages(zk::pages::DeviceKind::Mouse);
    auto* combo = qobject_cast<QComboBox*>(Control("ms_key_fct_combo_23"));
    ASSERT_EQ(combo->count(), 2);
    ASSERT_EQ(library.SetName(1, "renamed"), zk::macros::MacroError::None);
    subsystems_->RefreshPages(zk::pages::DeviceKind::Mouse);
    EXPECT_EQ(combo->itemText(1), QStringLiteral("renamed"));
}

// --- the macro manager ----------------------------------------------------------------------

class MainWindowMacroManager : public MainWindowMacroButtons {
protected:
    // Opens the manager from the macro tab of `tab` and runs `inside` in it.
    void RunManager(const char* tab, const char* page, const char* button,
                    const std::function<void(zk::pages::CmarcoManagerDialog&)>& inside) {
        for (const char* name : {tab, page})
            Click(Control(name));
        bool ran = false;
        WhileOpen<zk::pages::CmarcoManagerDialog>([&](zk::pages::CmarcoManagerDialog& w) {
            ran = true;
            inside(w);
        });
        Click(Control(button));
        ASSERT_TRUE(
            SpinUntil([&] { return ran && !OpenWindowOf<zk::pages::CmarcoManagerDialog>(); }, 3s));
        Spin(50ms);
    }
    static void Press(zk::pages::CmarcoManagerDialog& w, quint32 keycode, bool press) {
        static ulong stamp = 0;
        QKeyEvent event(press ? QEvent::KeyPress : QEvent::KeyRelease, Qt::Key_unknown,
                        Qt::NoModifier, keycode, 0, 0);
        event.setTimestamp(++stamp);
        QApplication::sendEvent(&w, &event);
    }
    static void ClickIn(zk::ui::WindowImplBase& w, const char* name) {
        auto* button = w.FindControl<QAbstractButton>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        button->click();
    }
};

TEST_F(MainWindowMacroManager, RecordedMacroReachesTheMouseThroughTheAssignmentWindow) {
    OpenEmulated();
    AddMacro("burst", 2);
    constexpr quint32 kKeycodeB = 56;
    RunManager("ms_tab", "ms_macro_Op_tab", "marco_manager_btn",
               [](zk::pages::CmarcoManagerDialog& w) {
                   std::uint32_t now = 1000;
                   w.SetClock([&now] { return now; });
                   ClickIn(w, "new_btn");
                   ClickIn(w, "start_btn");
                   Press(w, kKeycodeA, true); // the first event: its delay belongs to nothing
                   now += 100;
                   Press(w, kKeycodeA, false);
                   now += 300;
                   Press(w, kKeycodeB, true);
                   now += 50;
                   Press(w, kKeycodeB, false);
                   ClickIn(w, "start_btn");
                   ClickIn(w, "confirm_btn");
               });
    // The macro tab lists the new macro at once.
    auto* names = qobject_cast<QListWidget*>(Control("ms_MacroName_list"));
    ASSERT_EQ(names->count(), 2);
    EXPECT_EQ(names->item(1)->text(), QStringLiteral("macro2"));

    Click(Control("ms_key_Op_tab"));
    AssignMacro(5, [](zk::pages::Cmacro& w) {
        zk::ui::SelectItem(w.FindControl(QStringLiteral("macro_combo_select")), 1, true);
        ClickIn(w, "end_num_check");
        auto* count = w.FindControl<QLineEdit>(QStringLiteral("num_edit"));
        count->setText(QStringLiteral("3"));
        ClickIn(w, "macro_select_confirm");
    });
    EXPECT_EQ(MouseButton(5), (ButtonAction{0x71, 0x01, 0x03}));
    const std::vector<std::uint8_t> block = {
        0xAA, 0x55, 52,   0,    2, 0, 0,    0,
        0,    0,    0,    0,    0, 0, 0,    0,    // header: size 52, 2 macros
        20,   0,    32,   0,                      // record offsets
        2,    0,    0,    0,                      // burst: 2 actions
        0,    0,    0x8A, 0x04, 0, 0, 0x0A, 0x04, //
        4,    0,    0,    0,                      // macro2: 4 actions
        100,  0,    0x8A, 0x04,                   // A down, 100 ms
        0x2C, 0x01, 0x0A, 0x04,                   // A up, 300 ms
        50,   0,    0x8A, 0x05,                   // B down, 50 ms
        0,    0,    0x0A, 0x05,                   // B up, the last
    };
    const auto memory = mouse_->Memory(emu::MemoryArea::Macros);
    ASSERT_GE(memory.size(), block.size());
    EXPECT_EQ(std::vector<std::uint8_t>(memory.begin(), memory.begin() + block.size()), block);
}

TEST_F(MainWindowMacroManager, ClosingTheManagerReloadsTheMacroListsOfItsTab) {
    OpenEmulated();
    for (auto library : {zk::macros::MacroLibrary::Mouse(), zk::macros::MacroLibrary::Keyboard()})
        for (const char* name : {"first", "second", "third"}) {
            ASSERT_EQ(library.AppendName(name), zk::macros::MacroError::None);
            ASSERT_EQ(library.WriteActionLines(name, {"0,0,138,4,1,keyboard_key_A"}),
                      zk::macros::MacroError::None);
        }
    subsystems_->RefreshPages(zk::pages::DeviceKind::Mouse);
    subsystems_->RefreshPages(zk::pages::DeviceKind::Keyboard);
    struct Case {
        const char* tab;
        const char* page;
        const char* button;
        const char* list;
        const char* combo; // the button page's macro chooser, where the tab has one
    };
    const Case cases[] = {
        {"ms_tab", "ms_macro_Op_tab", "marco_manager_btn", "ms_MacroName_list",
         "ms_key_fct_combo_23"},
        {"kb_tab", "kb_macro_Op_tab", "kb_marco_manager_btn", "kb_MacroName_list", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        // The manager deletes "first" and adds a macro: every index moves.
        RunManager(c.tab, c.page, c.button, [](zk::pages::CmarcoManagerDialog& w) {
            auto* list = w.FindControl<QListWidget>(QStringLiteral("ms_MacroName_list"));
            list->setCurrentRow(0);
            ClickIn(w, "delete_btn");
            ClickIn(w, "new_btn");
            ClickIn(w, "cancel_btn");
        });
        auto* list = qobject_cast<QListWidget*>(Control(c.list));
        ASSERT_EQ(list->count(), 3);
        EXPECT_EQ(list->item(0)->text(), QStringLiteral("second"));
        EXPECT_EQ(list->item(2)->text(), QStringLiteral("macro3"));
        if (c.combo[0]) {
            auto* combo = qobject_cast<QComboBox*>(Control(c.combo));
            ASSERT_EQ(combo->count(), 3);
            EXPECT_EQ(combo->itemText(0), QStringLiteral("second"));
        }
    }
}

} // namespace
