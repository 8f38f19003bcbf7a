// The keyboard's key page in the whole program: the main window with its
// subsystems as `zk412v --emulate --keyboard-model N` runs it. Keys are chosen
// by clicking the keys of the keyboard picture and the editor's real widgets;
// what the page did is read back from the emulated keyboard (its key area and
// frame log), the key and device profile files, and the labels.

#include "app/MainWndTestEnv.h"

#include "app/Subsystems.h"
#include "controls/DeviceKeyButton.h"
#include "emulator/Emulator.h"
#include "pages/keyboard/KeyPage.h"
#include "profiles/ProfileFile.h"
#include "profiles/ProfileStore.h"
#include "ui/Controls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QSlider>
#include <QTest>

#include <array>
#include <cstdlib>
#include <vector>

using namespace std::chrono_literals;
using apptest::Spin;
using apptest::SpinUntil;
namespace emu = zk::emulator;
namespace prof = zk::profiles;
using zk::settings::ButtonAction;

namespace {

constexpr std::uint8_t kCmdWriteProfileBlock = 0x09;
// Key positions of the keyboard picture.
constexpr int kKeyEsc = 0;
constexpr int kKeyF1 = 1;
constexpr int kKeyA = 64;
constexpr int kKeyS = 65;
constexpr int kKeyFn = 110;
constexpr int kKeyKeypadEnter = 118;

// Positions in the editor's combos.
enum Kind { kDefault, kKey, kCombination, kOffice, kMedia, kSystem, kDisabled };

struct Keyboard {
    int model;
    int keyCount;
};

class MainWindowKeys : public apptest::MainWndTest {
protected:
    void OpenEmulated(const Keyboard& keyboard, bool chinese = false) {
        unsetenv("XDG_CURRENT_DESKTOP");
        apptest::StartInLanguage(chinese);
        zk::app::AppOptions options;
        options.keyboardModel = keyboard.model;
        ASSERT_NO_FATAL_FAILURE(WireEmulated(options));
        keyboard_->SetMemory(emu::MemoryArea::Capabilities, 5,
                             {static_cast<std::uint8_t>(keyboard.keyCount)});
        ASSERT_NO_FATAL_FAILURE(Open());
        ASSERT_NO_FATAL_FAILURE(WaitForKeyboardRead());
        page_ = subsystems_->Pages().Find<zk::pages::KeyPage>();
        ASSERT_NE(page_, nullptr);
        ShowPage("kb_tab", "kb_key_Op_tab");
        keyboard_->ClearRequestLog();
    }

    template <class T = QWidget> T* Find(const QString& name) const {
        return wnd_->FindControl<T>(name);
    }
    using MainWndTest::Find;
    zk::controls::CDeviceKeyButtonUI* Key(int position) const {
        return Find<zk::controls::CDeviceKeyButtonUI>(QStringLiteral("kb_key_%1").arg(position));
    }
    void ClickKey(int position) {
        auto* key = Key(position);
        ASSERT_NE(key, nullptr) << position;
        QTest::mouseClick(key, Qt::LeftButton);
    }
    void Click(const char* name) {
        auto* button = Find<QAbstractButton>(name);
        ASSERT_NE(button, nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    // Chooses entry `index` of a combo as a click on the entry does.
    void Choose(const char* combo, int index) {
        auto* c = Find<QComboBox>(combo);
        ASSERT_NE(c, nullptr) << combo;
        ASSERT_LT(index, c->count()) << combo;
        zk::ui::SelectItem(c, index, true);
    }

    // The 3 bytes of key `position` in the keyboard's key area (profile 0).
    ButtonAction OnKeyboard(int position) const {
        const auto area = keyboard_->Memory(emu::MemoryArea::Buttons);
        const std::size_t at = static_cast<std::size_t>(position) * 3;
        return ButtonAction{area[at], area[at + 1], area[at + 2]};
    }
    ButtonAction Default(int position) const {
        const auto area = keyboard_->Memory(emu::MemoryArea::Defaults);
        const std::size_t at = static_cast<std::size_t>(position) * 3;
        return ButtonAction{area[at], area[at + 1], area[at + 2]};
    }
    // The body of the selected key or device profile file.
    template <std::size_t N>
    std::array<std::uint8_t, N> ProfileBody(prof::ProfileKind which,
                                            std::string_view extension) const {
        const std::string name = prof::KeyboardProfileStore::Index().SelectedName(which);
        std::array<std::uint8_t, N> body{};
        const auto path = prof::ProfileFilePath(prof::DeviceKind::Keyboard, name, extension);
        EXPECT_TRUE(path && prof::ReadProfileFile(*path, body) == prof::kProfileRead);
        return body;
    }
    ButtonAction InFile(bool deviceProfile, int position) const {
        const std::size_t at = static_cast<std::size_t>(position) * 3;
        if (deviceProfile) {
            const auto body = ProfileBody<prof::kKeyboardDeviceBody>(prof::ProfileKind::Device,
                                                                     prof::kDeviceExtension);
            return ButtonAction{body[at], body[at + 1], body[at + 2]};
        }
        const auto body =
            ProfileBody<prof::kKeyBody>(prof::ProfileKind::Key, prof::kKeyWriteExtension);
        return ButtonAction{body[at], body[at + 1], body[at + 2]};
    }
    std::vector<emu::LoggedRequest> BlockWrites() const {
        return apptest::Requests(*keyboard_, kCmdWriteProfileBlock);
    }
    QString FunctionKey() const { return zk::ui::GetResourceKey(Find("kb_key_fct_label")); }
    QString FunctionMods() const { return zk::ui::GetText(Find("kb_key_fct_mods")); }

    zk::pages::KeyPage* page_ = nullptr;
};

class KeyboardModels : public MainWindowKeys, public ::testing::WithParamInterface<Keyboard> {};

// A remap sends the whole table (key count × 3 bytes, in 56-byte chunks at
// profile 0's addresses), the keyboard holds it, both profiles hold it, and
// the key's label, mark and tooltip show the new function.
TEST_P(KeyboardModels, RemappingAKeyWritesTheWholeTableAndSavesBothProfiles) {
    const Keyboard keyboard = GetParam();
    OpenEmulated(keyboard);
    ASSERT_EQ(wnd_->Channel(zk::app::kChannelKeyboard).blockLength.load(), keyboard.keyCount * 3);
    ClickKey(kKeyA);
    EXPECT_EQ(page_->SelectedKey(), kKeyA);
    EXPECT_TRUE(Key(kKeyA)->property("selected").toBool());
    EXPECT_EQ(FunctionKey(), QStringLiteral("keyboard_key_A"));
    EXPECT_TRUE(Key(kKeyA)->IsKeySetHidden());

    Choose("kb_key_fct_combo", kKey);
    Choose("kb_key_fct_combo_11", 9); // row 9: B
    EXPECT_EQ(zk::ui::GetResourceKey(Find("kb_key_fct_edit_21")), QStringLiteral("keyboard_key_B"));
    const ButtonAction b{0x20, 0x00, 0x05};
    EXPECT_EQ(OnKeyboard(kKeyA), b);
    EXPECT_EQ(InFile(false, kKeyA), b);
    EXPECT_EQ(InFile(true, kKeyA), b);
    // Every other key kept its default.
    EXPECT_EQ(OnKeyboard(kKeyS), Default(kKeyS));

    const auto writes = BlockWrites();
    const int length = keyboard.keyCount * 3;
    ASSERT_EQ(static_cast<int>(writes.size()), (length + 55) / 56);
    int offset = 0;
    for (const auto& w : writes) {
        EXPECT_EQ(w.frame[5] | (w.frame[6] << 8), offset);
        EXPECT_EQ(w.frame[4], std::min(56, length - offset));
        offset += w.frame[4];
    }
    EXPECT_EQ(offset, length);

    EXPECT_EQ(FunctionKey(), QStringLiteral("keyboard_key_B"));
    EXPECT_FALSE(Key(kKeyA)->IsKeySetHidden());
    EXPECT_EQ(Key(kKeyA)->toolTip(), QStringLiteral("B"));
    EXPECT_TRUE(Key(kKeyS)->IsKeySetHidden());
}

INSTANTIATE_TEST_SUITE_P(Keyboards, KeyboardModels,
                         ::testing::Values(Keyboard{0, 126}, Keyboard{1, 126}, Keyboard{0, 104}),
                         [](const auto& info) {
                             return "model" + std::to_string(info.param.model) + "_keys" +
                                    std::to_string(info.param.keyCount);
                         });

// A remap whose table write the keyboard answered too late, or not at all
// until it answered again, reaches it whole once it answers: the keyboard
// ends with what the window and the profile files show.
TEST_F(MainWindowKeys, ARemapTheKeyboardDidNotTakeReachesItOnceItAnswers) {
    OpenEmulated({0, 126});
    struct Case {
        const char* fault;
        void (*begin)(emu::EmulatedDevice&);
        void (*end)(emu::EmulatedDevice&);
        int key;
        int row;
        ButtonAction stored;
    };
    const Case cases[] = {
        {"an answer after the budget",
         [](emu::EmulatedDevice& d) { d.DelayResponses(1, 200ms); },
         [](emu::EmulatedDevice&) {},
         kKeyA,
         9,
         {0x20, 0x00, 0x05}},
        {"no answer for a while",
         [](emu::EmulatedDevice& d) { d.SetStopAnswering(true); },
         [](emu::EmulatedDevice& d) { d.SetStopAnswering(false); },
         kKeyS,
         10,
         {0x20, 0x00, 0x06}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        ClickKey(c.key);
        Choose("kb_key_fct_combo", kKey);
        c.begin(*keyboard_);
        Choose("kb_key_fct_combo_11", c.row);
        EXPECT_EQ(InFile(false, c.key), c.stored);
        EXPECT_NE(OnKeyboard(c.key), c.stored); // its chunk never went
        c.end(*keyboard_);
        EXPECT_TRUE(SpinUntil([&] { return OnKeyboard(c.key) == c.stored; }, 4s));
        EXPECT_FALSE(wnd_->Channel(zk::app::kChannelKeyboard).HasKeptBlocks());
    }
    EXPECT_EQ(OnKeyboard(kKeyA), (ButtonAction{0x20, 0x00, 0x05}));
}

// Each kind of function the editor offers, stored as the key tables encode it
// and labelled from the tables.
TEST_F(MainWindowKeys, EveryKindOfFunctionReachesTheKeyboardWithItsLabel) {
    OpenEmulated({0, 126});
    struct Case {
        Kind kind;
        const char* combo;
        int position;
        ButtonAction stored;
        const char* label;
    };
    const Case cases[] = {
        {kKey, "kb_key_fct_combo_11", 1, {0x20, 0x02, 0x00}, "keyboard_key_LShift"},
        {kOffice, "kb_key_fct_combo_26", 4, {0x20, 0x01, 0x06}, "combo_copy"},
        {kMedia, "kb_key_fct_combo_21", 6, {0x30, 0xE9, 0x00}, "media_vol_add"},
        {kMedia, "kb_key_fct_combo_21", 10, {0x30, 0x26, 0x02}, "wed_stop"},
        {kSystem, "kb_key_fct_combo_22", 1, {0x40, 0x02, 0x00}, "system_sleep"},
        {kDisabled, nullptr, 0, {0xA0, 0x00, 0x00}, "close_text"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ClickKey(kKeyEsc);
        Choose("kb_key_fct_combo", kDefault); // from the key's default each time
        Choose("kb_key_fct_combo", c.kind);
        if (c.combo)
            Choose(c.combo, c.position);
        EXPECT_EQ(OnKeyboard(kKeyEsc), c.stored);
        EXPECT_EQ(InFile(false, kKeyEsc), c.stored);
        EXPECT_EQ(FunctionKey(), QString::fromLatin1(c.label));
        // Choosing the key again shows the same function in the editor.
        ClickKey(kKeyA);
        ClickKey(kKeyEsc);
        EXPECT_EQ(zk::ui::GetCurSel(Find("kb_key_fct_combo")), c.kind);
        if (c.combo) {
            EXPECT_EQ(zk::ui::GetCurSel(Find(c.combo)), c.position);
        }
    }
}

TEST_F(MainWindowKeys, ACombinationWithCtrlAndShift) {
    OpenEmulated({1, 126});
    ClickKey(kKeyF1);
    Choose("kb_key_fct_combo", kCombination);
    Click("kb_key_fct_check_ctrl");
    Click("kb_key_fct_check_shift");
    Choose("kb_key_fct_combo_12", 2); // C: the third key after the modifiers
    const ButtonAction ctrlShiftC{0x20, 0x03, 0x06};
    EXPECT_EQ(OnKeyboard(kKeyF1), ctrlShiftC);
    EXPECT_EQ(InFile(true, kKeyF1), ctrlShiftC);
    EXPECT_EQ(FunctionMods(), QStringLiteral("Ctrl+Shift+"));
    EXPECT_EQ(FunctionKey(), QStringLiteral("keyboard_key_C"));
    EXPECT_EQ(Key(kKeyF1)->toolTip(), QStringLiteral("Ctrl+Shift+C"));
    // Ctrl alone with C is the office shortcut's label.
    Click("kb_key_fct_check_shift");
    EXPECT_EQ(OnKeyboard(kKeyF1), (ButtonAction{0x20, 0x01, 0x06}));
    EXPECT_EQ(FunctionKey(), QStringLiteral("combo_copy"));
    EXPECT_TRUE(FunctionMods().isEmpty());
}

// Default restores one key; "Restore all keys" every key, each written at once.
TEST_F(MainWindowKeys, RestoringOneKeyAndAllKeys) {
    OpenEmulated({0, 126});
    for (int key : {kKeyA, kKeyS}) {
        ClickKey(key);
        Choose("kb_key_fct_combo", kDisabled);
        EXPECT_EQ(OnKeyboard(key), (ButtonAction{0xA0, 0, 0}));
    }
    ClickKey(kKeyA);
    EXPECT_EQ(zk::ui::GetCurSel(Find("kb_key_fct_combo")), kDisabled);
    Choose("kb_key_fct_combo", kDefault);
    EXPECT_EQ(OnKeyboard(kKeyA), Default(kKeyA));
    EXPECT_EQ(InFile(false, kKeyA), Default(kKeyA));
    EXPECT_TRUE(Key(kKeyA)->IsKeySetHidden());
    EXPECT_EQ(OnKeyboard(kKeyS), (ButtonAction{0xA0, 0, 0}));
    EXPECT_FALSE(Key(kKeyS)->IsKeySetHidden());

    keyboard_->ClearRequestLog();
    Click("kb_key_restore_all_btn");
    EXPECT_EQ(BlockWrites().size(), 7u);
    const auto area = keyboard_->Memory(emu::MemoryArea::Buttons);
    const auto defaults = keyboard_->Memory(emu::MemoryArea::Defaults);
    EXPECT_TRUE(std::equal(defaults.begin(), defaults.begin() + 378, area.begin()));
    EXPECT_EQ(InFile(true, kKeyS), Default(kKeyS));
    EXPECT_TRUE(Key(kKeyS)->IsKeySetHidden());
    EXPECT_EQ(zk::ui::GetCurSel(Find("kb_key_fct_combo")), kDefault);
}

// Keys the keyboard does not report or keeps to itself are not offered, and a
// click on a key outside the key tab chooses nothing.
TEST_F(MainWindowKeys, KeysThatCannotBeChanged) {
    // 117 keys: keypad Enter (118) is beyond them, Fn has no function of its own.
    OpenEmulated({0, 117});
    for (int key : {kKeyFn, kKeyKeypadEnter}) {
        SCOPED_TRACE(key);
        ClickKey(key);
        EXPECT_FALSE(Find("kb_key_fct_row")->isVisible());
        EXPECT_EQ(zk::ui::GetResourceKey(Find("kb_key_hint")), QStringLiteral("kb_key_hint_fixed"));
    }
    EXPECT_TRUE(BlockWrites().empty());

    ClickKey(kKeyA);
    EXPECT_TRUE(Find("kb_key_fct_row")->isVisible());
    ShowPage("kb_tab", "kb_deng_Op_tab");
    EXPECT_FALSE(Key(kKeyA)->property("selected").toBool());
    ClickKey(kKeyS);
    ShowPage("kb_tab", "kb_key_Op_tab");
    EXPECT_EQ(page_->SelectedKey(), kKeyA);
    EXPECT_TRUE(Key(kKeyA)->property("selected").toBool());
}

// Applying a key profile loads its table, writes it, refreshes the labels and
// leaves the editor disabled until a key is chosen again.
TEST_F(MainWindowKeys, AKeyProfileApplyRefreshesTheLabelsAndDisablesTheEditor) {
    OpenEmulated({0, 126});
    ClickKey(kKeyA);
    Choose("kb_key_fct_combo", kSystem);
    Choose("kb_key_fct_combo_22", 0);
    // The table in memory drifts from the saved profile.
    subsystems_->KeyboardImage().keyTable[kKeyA * 3] = 0x10;
    keyboard_->ClearRequestLog();
    auto* combo = Find<QComboBox>("kb_key_profile_combo");
    ASSERT_NE(combo, nullptr);
    combo->setCurrentIndex(-1);
    zk::ui::SelectItem(combo, 0, true);
    EXPECT_EQ(subsystems_->KeyboardImage().keyTable[kKeyA * 3], 0x40);
    EXPECT_EQ(BlockWrites().size(), 7u);
    EXPECT_EQ(OnKeyboard(kKeyA), (ButtonAction{0x40, 0x01, 0x00}));
    EXPECT_EQ(FunctionKey(), QStringLiteral("system_power"));
    EXPECT_FALSE(Find("kb_tab_function")->isEnabled());
    ClickKey(kKeyS);
    EXPECT_TRUE(Find("kb_tab_function")->isEnabled());
}

// The keyboard tab's performance page with only the keyboard connected: the
// pointer settings work, the report rate (the mouse's) is not offered.
TEST_F(MainWindowKeys, ThePerformanceTabWorksWithOnlyTheKeyboard) {
    ASSERT_NO_FATAL_FAILURE(WireEmulated({}, {zk::device::DeviceKind::Mouse}));
    unsetenv("XDG_CURRENT_DESKTOP");
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_TRUE(
        SpinUntil([this] { return wnd_->Channel(zk::app::kChannelKeyboard).IsConnected(); }, 3s));
    Spin(700ms);
    EXPECT_FALSE(wnd_->Channel(zk::app::kChannelMouse).IsConnected());
    ShowPage("kb_tab", "kb_cursor_Op_tab");
    QWidget* root = Find("kb_cursor_page");
    ASSERT_NE(root, nullptr);
    EXPECT_TRUE(root->isVisible());
    auto* rateRow = root->findChild<QWidget*>(QStringLiteral("perf_rate_row"));
    ASSERT_NE(rateRow, nullptr);
    EXPECT_TRUE(SpinUntil([rateRow] { return !rateRow->isEnabled(); }, 2s));
    auto* lines = root->findChild<QWidget*>(QStringLiteral("gunlun_speed_edit"));
    auto* up = root->findChild<QAbstractButton*>(QStringLiteral("speed_up_btn"));
    ASSERT_NE(lines, nullptr);
    ASSERT_NE(up, nullptr);
    const int before = zk::ui::GetText(lines).toInt();
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_EQ(zk::ui::GetText(lines).toInt(), before + 1);
    EXPECT_EQ(subsystems_->MouseImage().wheelLines.load(), before + 1);
    auto* speed = root->findChild<QSlider*>(QStringLiteral("mouse_speed_slider1"));
    ASSERT_NE(speed, nullptr);
    const int pointerBefore = subsystems_->MouseImage().pointerSpeed.load();
    QTest::keyClick(speed, speed->value() < speed->maximum() ? Qt::Key_Right : Qt::Key_Left);
    EXPECT_NE(subsystems_->MouseImage().pointerSpeed.load(), pointerBefore);
    Screenshot(QStringLiteral("keyboard_only_performance"));
}

// Pictures of the page with a key chosen and its function shown, in both languages.
class KeyPagePictures : public MainWindowKeys, public ::testing::WithParamInterface<bool> {};

TEST_P(KeyPagePictures, AKeyWithACombination) {
    const bool chinese = GetParam();
    OpenEmulated({0, 126}, chinese);
    ClickKey(kKeyS);
    Choose("kb_key_fct_combo", kMedia);
    Choose("kb_key_fct_combo_21", 1);
    ClickKey(kKeyF1);
    Choose("kb_key_fct_combo", kCombination);
    Click("kb_key_fct_check_ctrl");
    Click("kb_key_fct_check_alt");
    Choose("kb_key_fct_combo_12", 15); // P
    EXPECT_EQ(OnKeyboard(kKeyF1), (ButtonAction{0x20, 0x05, 0x13}));
    EXPECT_EQ(FunctionMods(), QStringLiteral("Ctrl+Alt+"));
    Spin(50ms); // the layouts settle
    // Nothing of the page is cut off: each visible control has its size.
    for (const char* name :
         {"kb_key_fct_combo", "kb_key_fct_combo_12", "kb_key_restore_all_btn", "kb_key_macro_note",
          "kb_key_selected_name", "kb_key_fct_label", "kb_key_fct_mods"}) {
        QWidget* w = Find(name);
        ASSERT_NE(w, nullptr) << name;
        EXPECT_TRUE(w->isVisible()) << name;
        EXPECT_GE(w->width(), w->minimumSizeHint().width()) << name;
        const QPoint bottomRight = w->mapTo(wnd_.get(), QPoint(w->width(), w->height()));
        EXPECT_LE(bottomRight.x(), wnd_->width()) << name;
        EXPECT_LE(bottomRight.y(), wnd_->height()) << name;
    }
    // The keyboard picture above keeps all of its room.
    QWidget* picture = Find("keyboard_picture");
    QWidget* tabs = Find("kb_page_tabs");
    ASSERT_TRUE(picture && tabs);
    EXPECT_LE(picture->mapTo(wnd_.get(), QPoint(0, picture->height())).y(),
              tabs->mapTo(wnd_.get(), QPoint(0, 0)).y());
    EXPECT_EQ(picture->visibleRegion().boundingRect().height(), picture->height());
    Screenshot(chinese ? QStringLiteral("keyboard_keys_cn") : QStringLiteral("keyboard_keys_en"));
}

INSTANTIATE_TEST_SUITE_P(Languages, KeyPagePictures, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "chinese" : "english"; });

} // namespace
