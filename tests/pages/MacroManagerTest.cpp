// The macro manager and its delay window through their real widgets, over a
// temporary home with a small macro library: what each control does is read
// back from the library's files and the window's lists. Key events are fed as
// the platform delivers them (native scan codes), through the input hook.

#include "DpiPageTestEnv.h"

#include "macros/MacroLibrary.h"
#include "pages/macros/DelayWnd.h"
#include "pages/macros/MacroAssignWnd.h"
#include "pages/macros/MacroManagerWnd.h"
#include "pages/mouse/KeyCaptureWnd.h"
#include "platform/IniFile.h"
#include "profiles/NameFile.h"
#include "support/WidgetTools.h"
#include "ui/Controls.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QTest>

#include <filesystem>

namespace dpitest {
namespace {

using namespace zk;
using namespace std::chrono_literals;
using macros::MacroLibrary;
namespace fs = std::filesystem;

// X11 keycodes (evdev + 8).
constexpr quint32 kKeyA = 38;
constexpr quint32 kKeyB = 56;
constexpr quint32 kKeyReturn = 36;
constexpr quint32 kKeyKeypadEnter = 104;
constexpr quint32 kKeyLeftShift = 50;
constexpr quint32 kKeyF13 = 191;

using zktest::OpenWindowOf;

// Runs `inside` once a modal window W is open (it must close it).
template <class W> void WhenOpen(std::function<void(W&)> inside) {
    zktest::WhenFound<W>(qApp, OpenWindowOf<W>, std::move(inside), 3s);
}

void ClickButton(ui::WindowImplBase& window, const char* name) {
    auto* button = window.FindControl<QAbstractButton>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    ASSERT_TRUE(button->isVisible()) << name;
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

// A double click as the window system delivers it: press, release, press,
// double click, release.
void DoubleClick(QWidget* w, QPoint at) {
    const QPointF local(at);
    const QPointF global(w->mapToGlobal(at));
    for (QEvent::Type type :
         {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonPress,
          QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        const bool release = type == QEvent::MouseButtonRelease;
        QMouseEvent event(type, local, global, Qt::LeftButton,
                          release ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w, &event);
    }
}

class MacroManager : public ::testing::Test {
protected:
    void SetUp() override { UseStagedSkin(); }
    void TearDown() override {
        if (window_ && window_->IsWindow()) {
            window_->Close();
            SpinUntil([this] { return !window_ || !window_->IsWindow(); });
        }
        delete window_;
    }

    // A library of `count` macros "macro1".. each holding `actions` key actions.
    void MakeLibrary(int count, int actions = 2) {
        for (int i = 1; i <= count; ++i) {
            const std::string name = "macro" + std::to_string(i);
            ASSERT_EQ(library_.AppendName(name), macros::MacroError::None);
            std::vector<std::string> lines;
            for (int a = 0; a < actions; ++a)
                lines.push_back(a % 2 == 0 ? "0,0,138,4,1,keyboard_key_A"
                                           : "0,0,10,4,0,keyboard_key_A");
            ASSERT_EQ(library_.WriteActionLines(name, lines), macros::MacroError::None);
        }
    }
    void Open(pages::DeviceKind kind = pages::DeviceKind::Mouse) {
        window_ = new pages::CmarcoManagerDialog(kind, library_, services_);
        ASSERT_TRUE(
            window_->Create(nullptr, QStringLiteral("MarcoManagerWnd"), ui::WindowStyle::Dialog));
        window_->SetClock([this] { return now_; });
        window_->ShowWindow(true);
        window_->activateWindow();
        QApplication::setActiveWindow(window_);
        ASSERT_TRUE(SpinUntil([this] { return window_->isActiveWindow(); }));
        Spin(50ms); // laid out, "windowinit" raised
    }

    QListWidget* Macros() const {
        return window_->FindControl<QListWidget>(QStringLiteral("ms_MacroName_list"));
    }
    QListWidget* Actions() const {
        return window_->FindControl<QListWidget>(QStringLiteral("ms_Macro_list"));
    }
    QWidget* Row(int i) const { return Actions()->itemWidget(Actions()->item(i)); }
    std::string Line(int i) const { return ui::GetUserData(Row(i)).toStdString(); }
    // The shown text of a row: the name label of an action row (its language
    // key or its short text), the time of a delay row.
    QString Shown(int i) const {
        const auto labels = Row(i)->findChildren<QLabel*>();
        QLabel* label = labels.value(1);
        const QString key = ui::GetResourceKey(label);
        return key.isEmpty() ? label->text() : key;
    }
    std::vector<std::string> StoredLines(const std::string& name) const {
        return library_.ReadActionLines(name);
    }
    void Click(const char* name) { ClickButton(*window_, name); }
    void ChooseAction(int row) {
        QWidget* view = Actions()->viewport();
        QTest::mouseClick(view, Qt::LeftButton, {},
                          Actions()->visualItemRect(Actions()->item(row)).center());
        ASSERT_EQ(Actions()->currentRow(), row);
    }
    // Right click on a row (or on the empty list): the context menu opens.
    void OpenMenu(int row) {
        QWidget* view = Actions()->viewport();
        QPoint at(20, 10);
        if (row >= 0) {
            ChooseAction(row);
            at = Actions()->visualItemRect(Actions()->item(row)).center();
        }
        QContextMenuEvent menu(QContextMenuEvent::Mouse, at, view->mapToGlobal(at));
        QApplication::sendEvent(view, &menu);
        ASSERT_TRUE(window_->FindControl(QStringLiteral("right_click_list"))->isVisible());
    }
    void MenuClick(int row, const char* button) {
        OpenMenu(row);
        Click(button);
        EXPECT_FALSE(window_->FindControl(QStringLiteral("right_click_list"))->isVisible());
    }
    // A key as the platform delivers it, at time `now_`.
    void Key(quint32 keycode, bool press, Qt::Key key = Qt::Key_unknown) {
        QKeyEvent event(press ? QEvent::KeyPress : QEvent::KeyRelease, key, Qt::NoModifier, keycode,
                        0, 0);
        event.setTimestamp(++stamp_);
        QApplication::sendEvent(window_, &event);
    }
    void Tap(quint32 keycode, std::uint32_t heldMs = 0) {
        Key(keycode, true);
        now_ += heldMs;
        Key(keycode, false);
    }

    zktest::TempHome home_;
    MacroLibrary library_ = MacroLibrary::Mouse();
    TestServices services_;
    QPointer<pages::CmarcoManagerDialog> window_;
    std::uint32_t now_ = 1000;
    ulong stamp_ = 0;
};

// --- macros ---------------------------------------------------------------------------

TEST_F(MacroManager, NewAndDeleteKeepTheIndexTheFilesAndTheListInStep) {
    MakeLibrary(3);
    Open();
    ASSERT_EQ(Macros()->count(), 3);
    EXPECT_EQ(Macros()->currentRow(), 2); // the last macro is shown
    EXPECT_EQ(Actions()->count(), 4);
    EXPECT_FALSE(window_->FindControl(QStringLiteral("circle_num_edit"))->isEnabled());

    Click("new_btn");
    ASSERT_EQ(Macros()->count(), 4);
    EXPECT_EQ(Macros()->currentRow(), 3);
    EXPECT_EQ(library_.ReadNames(),
              (std::vector<std::string>{"macro1", "macro2", "macro3", "macro4"}));
    EXPECT_EQ(library_.ReadRepeatCount("macro4"), 1);
    EXPECT_EQ(Actions()->count(), 0);
    auto* count = window_->FindControl<QLineEdit>(QStringLiteral("circle_num_edit"));
    EXPECT_TRUE(count->isEnabled());
    EXPECT_EQ(count->text(), QStringLiteral("1"));
    EXPECT_TRUE(
        window_->FindControl<QAbstractButton>(QStringLiteral("circle_num_checkbox"))->isChecked());

    // Deleting macro2 renumbers the rest and removes its file.
    QTest::mouseClick(Macros()->viewport(), Qt::LeftButton, {},
                      Macros()->visualItemRect(Macros()->item(1)).center());
    ASSERT_EQ(Macros()->currentRow(), 1);
    EXPECT_FALSE(count->isEnabled()); // typing the count ends with the choice of a macro
    Click("delete_btn");
    EXPECT_EQ(library_.ReadNames(), (std::vector<std::string>{"macro1", "macro3", "macro4"}));
    EXPECT_FALSE(fs::exists(*library_.ActionFilePath("macro2")));
    EXPECT_TRUE(fs::exists(*library_.ActionFilePath("macro3")));
    ASSERT_EQ(Macros()->count(), 3);
    EXPECT_EQ(Macros()->currentRow(), 0);
    EXPECT_EQ(Macros()->item(1)->text(), QStringLiteral("macro3"));
    EXPECT_TRUE(services_.messages.empty());
}

TEST_F(MacroManager, TheFiftyFirstMacroIsRefused) {
    MakeLibrary(macros::kMaxMacros, 0);
    Open();
    Click("new_btn");
    ASSERT_EQ(services_.messages, (std::vector<std::string>{"message_text_17"}));
    EXPECT_EQ(Macros()->count(), macros::kMaxMacros);
    EXPECT_EQ(library_.ReadCount(), macros::kMaxMacros);
}

TEST_F(MacroManager, RenameInPlaceFollowsTheNameRules) {
    MakeLibrary(2);
    library_.WriteRepeatCount("macro2", 7);
    Open();
    auto* edit = window_->FindControl<QLineEdit>(QStringLiteral("list_edit"));
    struct Case {
        const char* typed;
        int key; // Qt::Key_Return takes, Qt::Key_Escape drops
        const char* message;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"MACRO1", Qt::Key_Return, "message_text_5", {"macro1", "macro2"}},
        {"a/b", Qt::Key_Return, "macro_name_slash", {"macro1", "macro2"}},
        {"burst", Qt::Key_Escape, "", {"macro1", "macro2"}},
        {"burst", Qt::Key_Return, "", {"macro1", "burst"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        services_.messages.clear();
        const QRect row = Macros()->visualItemRect(Macros()->item(1));
        DoubleClick(Macros()->viewport(), row.center());
        ASSERT_TRUE(edit->isVisible());
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromLatin1(c.typed));
        QTest::keyClick(edit, static_cast<Qt::Key>(c.key));
        EXPECT_FALSE(edit->isVisible());
        EXPECT_EQ(services_.messages,
                  c.message[0] ? std::vector<std::string>{c.message} : std::vector<std::string>{});
        EXPECT_EQ(library_.ReadNames(), c.names);
        EXPECT_EQ(Macros()->item(1)->text(), QString::fromStdString(c.names[1]));
    }
    EXPECT_FALSE(fs::exists(*library_.ActionFilePath("macro2")));
    EXPECT_EQ(StoredLines("burst").size(), 2u);
    EXPECT_EQ(library_.ReadRepeatCount("burst"), 7);
}

TEST_F(MacroManager, ConfirmStoresTheTypedRepeatCountAndCancelDropsIt) {
    MakeLibrary(1);
    for (const bool confirm : {false, true}) {
        SCOPED_TRACE(confirm ? "confirm" : "cancel");
        Open();
        Click("new_btn");
        const std::string name = Macros()->currentItem()->text().toStdString();
        auto* count = window_->FindControl<QLineEdit>(QStringLiteral("circle_num_edit"));
        count->selectAll();
        QTest::keyClicks(count, QStringLiteral("12"));
        Click(confirm ? "confirm_btn" : "cancel_btn");
        ASSERT_TRUE(SpinUntil([this] { return !window_->IsWindow(); }));
        delete window_;
        EXPECT_EQ(library_.ReadRepeatCount(name), confirm ? 12 : 1);
    }
}

// --- the action list ------------------------------------------------------------------

TEST_F(MacroManager, ALeftClickGoesBeforeTheChosenAction) {
    MakeLibrary(1, 4);
    Open();
    ASSERT_EQ(Actions()->count(), 8);
    const std::string third = Line(4);
    MenuClick(2, "btn_insert_left");
    ASSERT_EQ(Actions()->count(), 12);
    EXPECT_EQ(Line(2), "0,0,129,1,1,mouse_key_left");
    EXPECT_EQ(Shown(2), QStringLiteral("MS-L"));
    EXPECT_EQ(Shown(3), QStringLiteral("0"));
    EXPECT_EQ(Line(4), "0,0,1,1,0,mouse_key_left");
    EXPECT_EQ(Shown(5), QStringLiteral("0"));
    EXPECT_EQ(Line(6), "0,0,10,4,0,keyboard_key_A"); // the old row 2
    EXPECT_EQ(Actions()->currentRow(), 6);
    const auto stored = StoredLines("macro1");
    ASSERT_EQ(stored.size(), 6u);
    EXPECT_EQ(stored[1], "0,0,129,1,1,mouse_key_left");
    EXPECT_EQ(stored[2], "0,0,1,1,0,mouse_key_left");
    EXPECT_EQ(stored[4], third);

    // An empty macro takes clicks as well.
    Click("new_btn");
    MenuClick(-1, "btn_insert_right");
    EXPECT_EQ(StoredLines("macro2"), (std::vector<std::string>{"0,0,129,2,1,mouse_key_right",
                                                               "0,0,1,2,0,mouse_key_right"}));
}

TEST_F(MacroManager, WrongKindsOfRowAreRefusedWithTheirMessages) {
    MakeLibrary(1, 2);
    Open();
    struct Case {
        int row;
        const char* button;
        const char* message;
    };
    const Case cases[] = {
        {1, "btn_insert_left", "Do Not Insert At Delay"},
        {3, "btn_insert_mid", "Do Not Insert At Delay"},
        {1, "btn_insert_kb", "Do Not Insert At Delay"},
        {1, "btn_delete", "Do Not Delete Delay"},
        {0, "btn_insert_delay", "Modify_Delay_erro_text"},
    };
    const auto before = StoredLines("macro1");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        services_.messages.clear();
        MenuClick(c.row, c.button);
        EXPECT_EQ(services_.messages, std::vector<std::string>{c.message});
        EXPECT_EQ(Actions()->count(), 4);
    }
    EXPECT_EQ(StoredLines("macro1"), before);

    // An action goes with its delay.
    MenuClick(0, "btn_delete");
    EXPECT_EQ(Actions()->count(), 2);
    EXPECT_EQ(StoredLines("macro1"), (std::vector<std::string>{"0,0,10,4,0,keyboard_key_A"}));
}

TEST_F(MacroManager, DelayWindowStoresItsValueAndCancelKeepsTheOldOne) {
    MakeLibrary(1, 2);
    Open();
    struct Case {
        const char* typed;
        bool confirm;
        const char* line;
        const char* shown;
    };
    const Case cases[] = {
        {"300", true, "44,1,138,4,1,keyboard_key_A", "300"},
        {"5", false, "44,1,138,4,1,keyboard_key_A", "300"}, // cancel changes nothing
        {"99999", true, "255,255,138,4,1,keyboard_key_A", "65535"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        bool opened = false;
        WhenOpen<pages::Cdelay>([&](pages::Cdelay& w) {
            opened = true;
            auto* edit = w.FindControl<QLineEdit>(QStringLiteral("x_edit"));
            EXPECT_EQ(edit->text(), QStringLiteral("10"));
            MaybeScreenshot(&w, QStringLiteral("delay_window"));
            edit->clear();
            QTest::keyClicks(edit, QString::fromLatin1(c.typed));
            ClickButton(w, c.confirm ? "confirm_btn" : "cancel_btn");
        });
        MenuClick(1, "btn_insert_delay");
        EXPECT_TRUE(opened);
        EXPECT_EQ(Line(0), c.line);
        EXPECT_EQ(Shown(1), QString::fromLatin1(c.shown));
        EXPECT_EQ(StoredLines("macro1").at(0), c.line);
        EXPECT_EQ(Actions()->currentRow(), 1);
    }
}

TEST_F(MacroManager, AKeyFromTheCaptureWindowGoesInAsPressAndRelease) {
    MakeLibrary(1, 2);
    Open();
    WhenOpen<pages::CKbkey>([](pages::CKbkey& w) {
        w.StartCapture();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier, kKeyLeftShift, 0, 0);
        press.setTimestamp(1);
        QApplication::sendEvent(&w, &press);
        ClickButton(w, "kb_set_confirm");
    });
    MenuClick(0, "btn_insert_kb");
    EXPECT_EQ(StoredLines("macro1"), (std::vector<std::string>{"0,0,137,2,1,keyboard_key_LShift",
                                                               "0,0,9,2,0,keyboard_key_LShift",
                                                               "0,0,138,4,1,keyboard_key_A",
                                                               "0,0,10,4,0,keyboard_key_A"}));
    EXPECT_EQ(Actions()->currentRow(), 4);
    EXPECT_EQ(Shown(0), QStringLiteral("keyboard_key_LShift"));
}

// --- recording ------------------------------------------------------------------------

TEST_F(MacroManager, RecordingStoresKeysWithTheirMeasuredDelays) {
    MakeLibrary(1, 2);
    Open();
    Click("start_btn");
    ASSERT_TRUE(window_->Recording());
    EXPECT_EQ(ui::GetResourceKey(window_->FindControl(QStringLiteral("start_btn"))),
              QStringLiteral("marco_stop"));
    now_ += 40; // from Start to the first key: the delay of the action already there
    Key(kKeyA, true);
    for (int i = 0; i < 5; ++i) {
        now_ += 30;
        Key(kKeyA, true); // the keyboard's repeats
    }
    now_ += 20;
    Key(kKeyA, false);
    now_ += 70000; // more than a delay can hold
    Tap(kKeyKeypadEnter, 15);
    now_ += 5;
    Tap(kKeyReturn);
    Tap(kKeyF13); // outside the table: swallowed, not recorded
    Click("start_btn");
    EXPECT_FALSE(window_->Recording());
    EXPECT_FALSE(window_->Hook().IsInstalled());
    EXPECT_EQ(ui::GetResourceKey(window_->FindControl(QStringLiteral("start_btn"))),
              QStringLiteral("marco_start"));
    EXPECT_EQ(StoredLines("macro1"), (std::vector<std::string>{
                                         "0,0,138,4,1,keyboard_key_A",
                                         "40,0,10,4,0,keyboard_key_A",    // Start → first key
                                         "170,0,138,4,1,keyboard_key_A",  // 5 × 30 + 20
                                         "255,255,10,4,0,keyboard_key_A", // held to 65535
                                         "15,0,138,88,1,keyboard_key_Num Enter",
                                         "5,0,10,88,0,keyboard_key_Num Enter",
                                         "0,0,138,40,1,keyboard_key_Enter",
                                         "0,0,10,40,0,keyboard_key_Enter",
                                     }));
    EXPECT_EQ(Shown(7), QStringLiteral("65535"));
    EXPECT_EQ(Shown(8), QStringLiteral("keyboard_key_Num Enter"));
}

TEST_F(MacroManager, WithoutTheDelayOptionEveryDelayIsZeroAndModifiersAreClassNine) {
    library_ = MacroLibrary::Keyboard();
    Open(pages::DeviceKind::Keyboard);
    EXPECT_EQ(window_->RecordingMode(), ui::kHookKeyboardMacro);
    EXPECT_FALSE(window_->FindControl(QStringLiteral("circle_num_row"))->isVisible());
    Click("new_btn");
    ClickButton(*window_, "marco_delay_checkbox"); // cleared
    Click("start_btn");
    Key(kKeyLeftShift, true);
    now_ += 300;
    Tap(kKeyB, 120);
    now_ += 80;
    Key(kKeyLeftShift, false);
    Click("start_btn");
    EXPECT_EQ(
        StoredLines("macro1"),
        (std::vector<std::string>{"0,0,137,2,1,keyboard_key_LShift", "0,0,138,5,1,keyboard_key_B",
                                  "0,0,10,5,0,keyboard_key_B", "0,0,9,2,0,keyboard_key_LShift"}));
    EXPECT_TRUE(MacroLibrary::Mouse().ReadNames().empty());
}

TEST_F(MacroManager, RecordingStopsAndIsSavedWhenTheWindowLosesTheUser) {
    MakeLibrary(1, 0);
    Open();
    Click("start_btn");
    Tap(kKeyA);
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    ASSERT_TRUE(SpinUntil([this] { return !window_->Recording(); }));
    EXPECT_FALSE(window_->Hook().IsInstalled());
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
    EXPECT_EQ(ui::GetResourceKey(window_->FindControl(QStringLiteral("start_btn"))),
              QStringLiteral("marco_start"));
    EXPECT_EQ(StoredLines("macro1").size(), 2u);
    // Keys typed now are the other window's.
    Tap(kKeyB);
    EXPECT_EQ(Actions()->count(), 4);
}

// --- the assignment window ---------------------------------------------------------------

TEST_F(MacroManager, AssignmentWindowOverAHoleAndWithoutAMemo) {
    MakeLibrary(2);
    // The index counts four, but has no name under 2.
    platform::IniFile(library_.IndexPath()).Write("MACROCOUNT", "count", "4");
    platform::IniFile(library_.IndexPath()).Write("MACRONAME", "3", "late");
    pages::Cmacro window("profile1");
    ASSERT_TRUE(window.Create(nullptr, QStringLiteral("MarcoSetWnd"), ui::WindowStyle::Dialog));
    window.ShowWindow(true);
    auto* combo = window.FindControl<QComboBox>(QStringLiteral("macro_combo_select"));
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(1), QStringLiteral("macro2"));
    // The filling ends at the hole: confirm is left as the layout has it.
    EXPECT_TRUE(window.FindControl(QStringLiteral("macro_select_confirm"))->isEnabled());
    // No memo: the end options as the layout has them.
    EXPECT_TRUE(window.FindControl<QAbstractButton>(QStringLiteral("end_num_check"))->isChecked());
    EXPECT_FALSE(
        window.FindControl<QAbstractButton>(QStringLiteral("end_down_check"))->isChecked());
    EXPECT_FALSE(window.FindControl<QAbstractButton>(QStringLiteral("end_up_check"))->isChecked());
    MaybeScreenshot(&window, QStringLiteral("assign_window"));
    window.Close();
}

TEST_F(MacroManager, LooksRightInBothLanguages) {
    MakeLibrary(3, 4);
    for (const char* language : {"en", "cn"}) {
        SCOPED_TRACE(language);
        auto& rm = ui::ResourceManager::GetInstance();
        rm.SetLanguage(QString::fromLatin1(language));
        rm.LoadLanguage(QStringLiteral("lan_%1.xml").arg(QString::fromLatin1(language)));
        Open();
        OpenMenu(2);
        // Every text has the room it needs.
        for (QWidget* w : window_->findChildren<QWidget*>()) {
            if (!w->isVisible() ||
                (!qobject_cast<QAbstractButton*>(w) && !qobject_cast<QLabel*>(w)))
                continue;
            if (auto* label = qobject_cast<QLabel*>(w); label && label->wordWrap())
                continue;
            EXPECT_GE(w->width(), w->minimumSizeHint().width()) << w->objectName().toStdString();
        }
        const QString suffix = QString::fromLatin1(language);
        MaybeScreenshot(window_, QStringLiteral("macro_manager_%1").arg(suffix));
        // The two windows the manager and the button page open.
        pages::Cdelay delay;
        pages::Cmacro assign("profile1");
        for (ui::WindowImplBase* w : {static_cast<ui::WindowImplBase*>(&delay),
                                      static_cast<ui::WindowImplBase*>(&assign)}) {
            ASSERT_TRUE(w->Create(nullptr, w->GetWindowClassName(), ui::WindowStyle::Dialog));
            w->ShowWindow(true);
            Spin(30ms);
            for (QWidget* child : w->findChildren<QWidget*>()) {
                if (child->isVisible() && qobject_cast<QAbstractButton*>(child)) {
                    EXPECT_GE(child->width(), child->minimumSizeHint().width())
                        << child->objectName().toStdString();
                }
            }
            MaybeScreenshot(w, w->GetWindowClassName() + QLatin1Char('_') + suffix);
            w->Close();
        }
        window_->Close();
        SpinUntil([this] { return !window_->IsWindow(); });
        delete window_;
    }
    UseStagedSkin();
}

} // namespace
} // namespace dpitest
