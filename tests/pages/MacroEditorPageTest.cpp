// The macro tabs of the mouse and the keyboard through their real widgets,
// over a temporary home with a small macro library, with the emulated mouse
// and keyboard plugged in.

#include "DpiPageTestEnv.h"

#include "macros/MacroBlock.h"
#include "macros/MacroUpload.h"
#include "pages/macros/MacroEditorPage.h"
#include "platform/IniFile.h"
#include "settings/KeyTables.h"
#include "ui/Controls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStackedWidget>
#include <QTest>

#include <cstring>
#include <filesystem>
#include <fstream>

namespace dpitest {
namespace {

using namespace zk;
using macros::MacroLibrary;
namespace fs = std::filesystem;

struct TabCase {
    pages::DeviceKind kind;
    const char* prefix;
    const char* skin;
    const char* busyMessage; // choosing another macro while editing
};

void PrintTo(const TabCase& tab, std::ostream* os) {
    *os << tab.prefix;
}

const TabCase kMouseTab{pages::DeviceKind::Mouse, "ms", "Mouse_macro.ui", "message_text_4"};
const TabCase kKeyboardTab{pages::DeviceKind::Keyboard, "kb", "keyboard_macro.ui",
                           "message_text_3"};

class MacroWindow : public ui::WindowImplBase {
public:
    MacroWindow(QString skin, std::function<void(ui::TNotifyUI&)> notify)
        : skin_(std::move(skin)), notify_(std::move(notify)) {}
    QString GetWindowClassName() const override { return QStringLiteral("MacroPageWnd"); }
    QString GetSkinFile() override { return skin_; }
    void Notify(ui::TNotifyUI& msg) override { notify_(msg); }

private:
    QString skin_;
    std::function<void(ui::TNotifyUI&)> notify_;
};

class Services : public TestServices {
public:
    void RefreshPages(pages::DeviceKind kind) override { refreshed.push_back(kind); }
    std::vector<pages::DeviceKind> refreshed;
};

int KeyRow(const char* name) {
    for (std::size_t row = 0; row < settings::kMacroKeyRows; ++row)
        if (settings::KeyboardKeyName(row) == name)
            return static_cast<int>(row);
    return -1;
}

class MacroTab : public ::testing::TestWithParam<TabCase> {
protected:
    MacroTab()
        : library_(GetParam().kind == pages::DeviceKind::Mouse ? MacroLibrary::Mouse()
                                                               : MacroLibrary::Keyboard()) {}

    void SetUp() override {
        UseStagedSkin();
        installation_ = emulator::InstallEmulatedBus(emulator::EmulatorOptions{});
        for (const char* name : {"macro1", "Macro3", "empty"})
            ASSERT_EQ(library_.AppendName(name), macros::MacroError::None);
        ASSERT_EQ(library_.WriteActionLines(
                      "macro1", {"0,0,138,4,1,keyboard_key_A", "120,0,10,4,0,keyboard_key_A"}),
                  macros::MacroError::None);
        ASSERT_EQ(library_.WriteActionLines(
                      "Macro3", {"5,1,129,1,1,mouse_key_left", "0,0,1,1,0,mouse_key_left"}),
                  macros::MacroError::None);
        ASSERT_EQ(library_.WriteActionLines("empty", {}), macros::MacroError::None);
        if (GetParam().kind == pages::DeviceKind::Mouse)
            library_.EnsureCursorFiles();

        window_ = std::make_unique<MacroWindow>(QString::fromLatin1(GetParam().skin),
                                                [this](ui::TNotifyUI& msg) {
                                                    if (page_ && page_->Claims(msg.senderName))
                                                        page_->Notify(msg);
                                                });
        ASSERT_TRUE(window_->Create(nullptr, QStringLiteral("Macros"), ui::WindowStyle::Frame,
                                    QRect(0, 0, 720, 520)));
        page_ = std::make_unique<pages::MacroEditorPage>(window_.get(), GetParam().kind, library_,
                                                         services_);
        page_->Refresh();
        window_->ShowWindow(true);
        window_->activateWindow();
        ASSERT_TRUE(SpinUntil([this] { return window_->isActiveWindow(); }));
        for (auto* device : Devices())
            device->ClearRequestLog();
    }

    void TearDown() override {
        page_.reset();
        if (window_ && window_->IsWindow()) {
            window_->Close();
            SpinUntil([this] { return !window_->IsWindow(); });
        }
        window_.reset();
        installation_.reset();
    }

    QString Name(const char* suffix) const {
        return QString::fromLatin1(GetParam().prefix) + suffix;
    }
    template <class W = QWidget> W* Control(const char* suffix) const {
        return qobject_cast<W*>(window_->FindControl(Name(suffix)));
    }
    QListWidget* Macros() const { return Control<QListWidget>("_MacroName_list"); }
    QListWidget* Actions() const { return Control<QListWidget>("_Macro_list"); }
    QWidget* Row(int i) const { return Actions()->itemWidget(Actions()->item(i)); }
    std::string Line(int i) const { return ui::GetUserData(Row(i)).toStdString(); }
    QLabel* RowLabel(int i, int child) const {
        return Row(i)->findChildren<QLabel*>(Qt::FindDirectChildrenOnly).at(child);
    }
    int EditPage() const { return Control<QStackedWidget>("_tab_macro_edit")->currentIndex(); }
    bool SaveOrCancelShown() const { return Control("_macro_tab_saveorcancel")->isVisible(); }

    void Click(QWidget* w) {
        ASSERT_NE(w, nullptr);
        QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
        Spin(std::chrono::milliseconds(10));
    }
    void ChooseMacro(int row) {
        const QRect rect = Macros()->visualItemRect(Macros()->item(row));
        QTest::mouseClick(Macros()->viewport(), Qt::LeftButton, {}, rect.center());
        Spin(std::chrono::milliseconds(10));
    }
    void ClickAction(int row) { Click(Row(row)); }
    // Picks an entry from the combo's open list, as the user does.
    void Choose(const char* comboSuffix, int index) {
        auto* combo = Control<QComboBox>(comboSuffix);
        ASSERT_NE(combo, nullptr);
        ASSERT_TRUE(combo->isVisible()) << comboSuffix;
        combo->showPopup();
        QAbstractItemView* view = combo->view();
        ASSERT_TRUE(SpinUntil([view] { return view->isVisible(); }));
        const QModelIndex at = view->model()->index(index, 0);
        view->scrollTo(at);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(at).center());
        ASSERT_TRUE(SpinUntil([combo, index] { return combo->currentIndex() == index; }));
        Spin(std::chrono::milliseconds(10));
    }
    void Type(QWidget* edit, const QString& text) {
        ASSERT_NE(edit, nullptr);
        // A combo's list took the activation with it.
        window_->activateWindow();
        ASSERT_TRUE(SpinUntil([this] { return window_->isActiveWindow(); }));
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }
    // Types a name into the name edit and moves the focus away from it.
    void Rename(const QString& text) {
        Type(Control("_macro_edit_macroname"), text);
        Actions()->setFocus();
        Spin(std::chrono::milliseconds(10));
    }
    std::vector<std::string> Stored(const char* macro) const {
        return library_.ReadActionLines(macro);
    }
    std::vector<emulator::EmulatedDevice*> Devices() const {
        auto& bus = installation_->Bus();
        return {bus.Mouse(), bus.Keyboard(), bus.Mousepad()};
    }
    bool NoDeviceTraffic() const {
        for (auto* device : Devices())
            if (!device->RequestLog().empty())
                return false;
        return true;
    }

    zktest::TempHome home_;
    MacroLibrary library_;
    std::unique_ptr<emulator::EmulatorInstallation> installation_;
    Services services_;
    std::unique_ptr<MacroWindow> window_;
    std::unique_ptr<pages::MacroEditorPage> page_;
};

TEST_P(MacroTab, KeyEditsChangeTheRowAndOnlySaveStoresThem) {
    // At start the last macro is shown: it has no actions, nothing is open.
    EXPECT_EQ(Macros()->currentRow(), 2);
    EXPECT_EQ(Actions()->count(), 0);
    EXPECT_EQ(EditPage(), 0);
    MaybeScreenshot(window_.get(), QStringLiteral("macro_%1_start").arg(GetParam().prefix));

    ChooseMacro(0);
    ASSERT_EQ(Actions()->count(), 2);
    EXPECT_EQ(ui::GetText(Control("_macro_edit_macroname")), QStringLiteral("macro1"));
    ClickAction(0);
    EXPECT_TRUE(page_->Editing());
    EXPECT_TRUE(SaveOrCancelShown());
    EXPECT_EQ(EditPage(), 1);
    EXPECT_EQ(Control<QComboBox>("_macro_combo_keyselect")->currentIndex(),
              KeyRow("keyboard_key_A"));
    EXPECT_EQ(Control<QComboBox>("_macro_combo_upordown")->currentIndex(), 1);

    Choose("_macro_combo_keyselect", KeyRow("keyboard_key_LShift"));
    EXPECT_EQ(Line(0), "0,0,137,2,1,keyboard_key_LShift");
    EXPECT_EQ(ui::GetResourceKey(RowLabel(0, 0)), QStringLiteral("keyboard_key_LShift"));
    Choose("_macro_combo_keyselect", KeyRow("keyboard_key_A"));
    EXPECT_EQ(Line(0), "0,0,138,4,1,keyboard_key_A");
    Choose("_macro_combo_upordown", 0);
    EXPECT_EQ(Line(0), "0,0,10,4,0,keyboard_key_A");
    EXPECT_EQ(RowLabel(0, 1)->property("styleClass").toString(),
              QStringLiteral("macro_label_up_style"));
    Type(Control("__macro_edit_ActionDelay"), QStringLiteral("70000"));
    EXPECT_EQ(ui::GetText(Control("__macro_edit_ActionDelay")), QStringLiteral("65535"));
    EXPECT_EQ(Line(0), "255,255,10,4,0,keyboard_key_A");
    EXPECT_EQ(ui::GetText(RowLabel(0, 2)), QStringLiteral("65535"));
    MaybeScreenshot(window_.get(), QStringLiteral("macro_%1_key").arg(GetParam().prefix));

    const std::vector<std::string> before = Stored("macro1");
    Rename(QStringLiteral("macro1")); // the name left as it was stores nothing
    EXPECT_EQ(Stored("macro1"), before);

    ChooseMacro(1); // refused while the changes are not stored
    ASSERT_EQ(services_.messages.size(), 1u);
    EXPECT_EQ(services_.messages[0], GetParam().busyMessage);
    EXPECT_EQ(Macros()->currentRow(), 0);
    EXPECT_EQ(Line(0), "255,255,10,4,0,keyboard_key_A");

    Click(Control("_macro_btn_save"));
    EXPECT_EQ(Stored("macro1"),
              (std::vector<std::string>{"255,255,10,4,0,keyboard_key_A", before[1]}));
    EXPECT_FALSE(page_->Editing());
    EXPECT_FALSE(SaveOrCancelShown());
    ChooseMacro(1);
    EXPECT_EQ(ui::GetText(Control("_macro_edit_macroname")), QStringLiteral("Macro3"));
    EXPECT_TRUE(NoDeviceTraffic());
}

TEST_P(MacroTab, MouseEditsMakeMovesAndCancelRestoresTheStoredRows) {
    ChooseMacro(1);
    ClickAction(0);
    EXPECT_EQ(EditPage(), 2);
    EXPECT_EQ(Control<QComboBox>("_macro_combo_mouselect")->currentIndex(), 0);
    EXPECT_EQ(ui::GetText(Control("__macro_edit_mou_action_delay")), QStringLiteral("261"));
    EXPECT_FALSE(Control("_macro_tab_mou_pointer_skewing")->isVisible());

    Choose("_macro_combo_mouselect", 10);
    EXPECT_EQ(Line(0), "5,1,132,0,1,mouse_move_to_left_text");
    EXPECT_TRUE(Control("_macro_tab_mou_pointer_skewing")->isVisible());
    EXPECT_EQ(ui::GetText(Control("_macro_edit_mou_pointer_skewing")), QStringLiteral("0"));
    Type(Control("_macro_edit_mou_pointer_skewing"), QStringLiteral("300"));
    EXPECT_EQ(ui::GetText(Control("_macro_edit_mou_pointer_skewing")), QStringLiteral("255"));
    EXPECT_EQ(Line(0), "5,1,132,255,1,mouse_move_to_left_text");
    EXPECT_EQ(ui::GetText(RowLabel(0, 1)), QStringLiteral("255"));
    Choose("_macro_combo_mouselect", 13); // the distance goes along to another move
    EXPECT_EQ(Line(0), "5,1,5,255,1,mouse_move_to_down_text");
    Type(Control("__macro_edit_mou_action_delay"), QStringLiteral("70000"));
    EXPECT_EQ(Line(0), "255,255,5,255,1,mouse_move_to_down_text");
    Choose("_macro_combo_mouselect", 3);
    EXPECT_EQ(Line(0), "255,255,1,2,0,mouse_key_right");
    EXPECT_FALSE(Control("_macro_tab_mou_pointer_skewing")->isVisible());
    MaybeScreenshot(window_.get(), QStringLiteral("macro_%1_mouse").arg(GetParam().prefix));

    Click(Control("_macro_btn_cancel"));
    EXPECT_FALSE(page_->Editing());
    EXPECT_EQ(Line(0), "5,1,129,1,1,mouse_key_left");
    EXPECT_EQ(Stored("Macro3"),
              (std::vector<std::string>{"5,1,129,1,1,mouse_key_left", "0,0,1,1,0,mouse_key_left"}));
    EXPECT_TRUE(NoDeviceTraffic());
}

TEST_P(MacroTab, RenamesFollowTheNameRules) {
    const bool mouse = GetParam().kind == pages::DeviceKind::Mouse;
    std::ofstream(library_.Folder() / "outside.mac") << "[MACROACTIONCOUNT]\ncount=0\n";
    struct Case {
        const char* typed;
        const char* message; // empty: none
        const char* stored;  // name of index entry 0 afterwards
    };
    const Case cases[] = {
        {"MACRO3", "message_text_5", "macro1"},     // another macro's name in other case
        {"MACRO1", "", "macro1"},                   // its own name: nothing happens
        {"a/b", "macro_name_slash", "macro1"},      // cannot be a file name
        {"outside", "macro_name_exists", "macro1"}, // a file of that name is not the library's
        {"renamed", "", "renamed"},
    };
    ChooseMacro(0);
    ClickAction(1);
    Type(Control("__macro_edit_ActionDelay"), QStringLiteral("300"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        services_.messages.clear();
        Rename(QString::fromLatin1(c.typed));
        if (*c.message)
            EXPECT_EQ(services_.messages, std::vector<std::string>{c.message});
        else
            EXPECT_TRUE(services_.messages.empty());
        EXPECT_EQ(library_.ReadName(0), c.stored);
        EXPECT_EQ(ui::GetText(Control("_macro_edit_macroname")), QString::fromLatin1(c.stored));
        EXPECT_EQ(Macros()->item(0)->text(), QString::fromLatin1(c.stored));
    }
    // The renamed file holds the rows as shown; the old one is gone and the
    // file outside the library is untouched.
    EXPECT_EQ(Stored("renamed"), (std::vector<std::string>{"0,0,138,4,1,keyboard_key_A",
                                                           "44,1,10,4,0,keyboard_key_A"}));
    EXPECT_FALSE(fs::exists(library_.Folder() / "macro1.mac"));
    EXPECT_EQ(library_.ReadActionCount("outside"), 0);
    const auto select =
        platform::IniFile(*library_.ActionFilePath("renamed")).Read("MACROSELECTNAME", "name", "");
    EXPECT_EQ(select, mouse ? "renamed" : "");
    EXPECT_EQ(services_.refreshed, std::vector<pages::DeviceKind>{GetParam().kind});
}

TEST_P(MacroTab, ListFollowsTheIndexSoARenameActsOnTheMacroShown) {
    ChooseMacro(0);
    ClickAction(0);
    Choose("_macro_combo_upordown", 0);
    // Meanwhile the manager puts a new macro first; the edited rows stay.
    ASSERT_EQ(library_.RewriteIndex({"fresh", "macro1", "Macro3", "empty"}),
              macros::MacroError::None);
    page_->Refresh();
    ASSERT_EQ(Macros()->count(), 4);
    EXPECT_EQ(Macros()->currentRow(), 1);
    EXPECT_TRUE(page_->Editing());
    EXPECT_EQ(Line(0), "0,0,10,4,0,keyboard_key_A");
    Rename(QStringLiteral("second"));
    EXPECT_EQ(library_.ReadNames(),
              (std::vector<std::string>{"fresh", "second", "Macro3", "empty"}));
    Click(Control("_macro_btn_save"));
    // Reordered again while the tab was not refreshed: a rename acts on the
    // macro shown, at its place in the index as it is now.
    ASSERT_EQ(library_.RewriteIndex({"second", "fresh", "Macro3", "empty"}),
              macros::MacroError::None);
    Rename(QStringLiteral("third"));
    EXPECT_EQ(library_.ReadNames(),
              (std::vector<std::string>{"third", "fresh", "Macro3", "empty"}));
    EXPECT_EQ(ui::GetText(Control("_macro_edit_macroname")), QStringLiteral("third"));
    EXPECT_EQ(Macros()->item(0)->text(), QStringLiteral("third"));
    EXPECT_EQ(Stored("third")[0], "0,0,10,4,0,keyboard_key_A");
    ClickAction(1);

    // The macro is deleted elsewhere: the tab shows the last macro instead.
    ASSERT_EQ(library_.RewriteIndex({"fresh", "Macro3"}), macros::MacroError::None);
    page_->Refresh();
    EXPECT_FALSE(page_->Editing());
    EXPECT_EQ(Macros()->currentRow(), 1);
    EXPECT_EQ(ui::GetText(Control("_macro_edit_macroname")), QStringLiteral("Macro3"));

    // An empty library leaves nothing to press.
    ASSERT_EQ(library_.RewriteIndex({}), macros::MacroError::None);
    page_->Refresh();
    EXPECT_EQ(Macros()->count(), 0);
    EXPECT_EQ(Actions()->count(), 0);
    for (const char* button : {"_macro_btn_up", "_macro_btn_deleteall", "_macro_edit_macroname"})
        EXPECT_FALSE(Control(button)->isEnabled()) << button;
}

TEST_P(MacroTab, RowButtonsMoveAndDeleteActionsUntilSaved) {
    ASSERT_EQ(library_.WriteActionLines(
                  "Macro3", {"1,0,138,4,1,keyboard_key_A", "2,0,138,5,1,keyboard_key_B",
                             "3,0,138,6,1,keyboard_key_C", "4,0,138,7,1,keyboard_key_D"}),
              macros::MacroError::None);
    ChooseMacro(1);
    struct Step {
        const char* button;
        int selected; // the row clicked first; -1: the selection stays
        const char* delays;
    };
    const Step steps[] = {
        {"_macro_btn_uptop", 2, "3124"},       {"_macro_btn_down", -1, "1324"},
        {"_macro_btn_downbottom", -1, "1243"}, {"_macro_btn_up", -1, "1234"},
        {"_macro_btn_up", 0, "1234"},          {"_macro_btn_delete", 1, "134"},
        {"_macro_btn_delete", -1, "14"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.button);
        if (s.selected >= 0)
            ClickAction(s.selected);
        Click(Control(s.button));
        std::string delays;
        for (int i = 0; i < Actions()->count(); ++i)
            delays += Line(i).substr(0, 1);
        EXPECT_EQ(delays, s.delays);
        EXPECT_TRUE(page_->Editing());
    }
    EXPECT_EQ(Stored("Macro3").size(), 4u);
    Click(Control("_macro_btn_save"));
    EXPECT_EQ(Stored("Macro3"), (std::vector<std::string>{"1,0,138,4,1,keyboard_key_A",
                                                          "4,0,138,7,1,keyboard_key_D"}));
    ClickAction(0);
    Click(Control("_macro_btn_deleteall"));
    EXPECT_EQ(Actions()->count(), 0);
    EXPECT_EQ(EditPage(), 0);
    Click(Control("_macro_btn_save"));
    EXPECT_TRUE(Stored("Macro3").empty());
}

INSTANTIATE_TEST_SUITE_P(Tabs, MacroTab, ::testing::Values(kMouseTab, kKeyboardTab),
                         [](const auto& info) { return std::string(info.param.prefix); });

class MouseMacroTab : public MacroTab {};

TEST_P(MouseMacroTab, CursorControlsRewriteTheCursorFileFoundWithoutRegardToCase) {
    const fs::path lower = library_.Folder() / "name_1.cur";
    const fs::path mixed = library_.Folder() / "NAME_1.Cur";
    fs::rename(lower, mixed);
    const auto lines = macros::ReadActionFileLines(mixed);
    ASSERT_EQ(lines.size(), 6u);
    const macros::MacroAction pause = macros::ActionFromLine(lines[3]);

    Type(window_->FindControl(QStringLiteral("ms_cursor_x_eidt")), QStringLiteral("300"));
    Click(window_->FindControl(QStringLiteral("ms_cursor_x_check")));
    const bool left =
        qobject_cast<QAbstractButton*>(window_->FindControl(QStringLiteral("ms_cursor_x_check")))
            ->isChecked();
    Type(window_->FindControl(QStringLiteral("ms_cursor_y_eidt")), QStringLiteral("20"));
    Type(window_->FindControl(QStringLiteral("ms_cursor_delay_eidt")), QStringLiteral("70000"));
    EXPECT_EQ(ui::GetText(window_->FindControl(QStringLiteral("ms_cursor_x_eidt"))),
              QStringLiteral("255"));
    EXPECT_EQ(ui::GetText(window_->FindControl(QStringLiteral("ms_cursor_delay_eidt"))),
              QStringLiteral("65535"));

    const auto after = macros::ReadActionFileLines(mixed);
    ASSERT_EQ(after.size(), 6u);
    macros::MacroAction expectedPause = pause;
    expectedPause.SetDelay(65535);
    EXPECT_EQ(after[3], macros::FormatActionLine(expectedPause));
    EXPECT_EQ(after[4], left ? "0,0,132,255,1,mouse_move_to_left_text"
                             : "0,0,4,255,0,mouse_move_to_right_text");
    const macros::MacroAction y = macros::ActionFromLine(after[5]);
    EXPECT_EQ(y.ActionClass(), macros::action_class::kVerticalMove);
    EXPECT_EQ(y.code, 20);
    EXPECT_EQ(y.Delay(), 0);
    EXPECT_EQ(after[0], lines[0]);
    EXPECT_FALSE(fs::exists(lower)); // no second file
}

TEST_P(MouseMacroTab, AnEditedMacroReachesTheMouseWithTheNextButtonTableWrite) {
    ChooseMacro(0);
    ClickAction(0);
    Choose("_macro_combo_keyselect", KeyRow("keyboard_key_LShift"));
    Type(Control("__macro_edit_ActionDelay"), QStringLiteral("258"));
    Click(Control("_macro_btn_save"));

    auto* mouse = installation_->Bus().Mouse();
    protocol::DeviceChannel channel;
    ASSERT_TRUE(OpenConfigChannel(*mouse, channel));
    std::vector<std::uint8_t> buttons(settings::kButtonTableSize, 0);
    const auto play = macros::MacroButtonAction(0, macros::MacroEndStyle::RepeatCount, 1);
    std::memcpy(buttons.data() + 3, &play, sizeof play);
    macros::MacroUploadSeams seams;
    seams.showMessage = [](std::string_view, std::optional<int>) {};
    seams.saveDeviceProfile = [] {};
    ASSERT_EQ(macros::WriteButtonTableWithMacros(channel, library_, 32, buttons, 0, seams), 1);

    const auto memory = mouse->Memory(emulator::MemoryArea::Macros);
    const std::size_t record = memory[16] | (memory[17] << 8);
    ASSERT_LT(record + 8, memory.size());
    EXPECT_EQ(memory[record], 2); // two actions
    EXPECT_EQ(std::vector<std::uint8_t>(memory.begin() + static_cast<long>(record) + 4,
                                        memory.begin() + static_cast<long>(record) + 8),
              (std::vector<std::uint8_t>{2, 1, 0x89, 0x02}));
    channel.hid.Close();
}

INSTANTIATE_TEST_SUITE_P(Mouse, MouseMacroTab, ::testing::Values(kMouseTab),
                         [](const auto&) { return std::string("ms"); });

} // namespace
} // namespace dpitest
