#include "pages/keyboard/KeyPage.h"

#include "controls/DeviceKeyButton.h"
#include "macros/MacroLibrary.h"
#include "pages/FunctionChoices.h"
#include "settings/KeyTables.h"
#include "ui/Controls.h"
#include "ui/NotifyHub.h"
#include "ui/ResourceManager.h"
#include "ui/WindowImplBase.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEvent>
#include <QStyle>

#include <algorithm>
#include <array>

namespace zk::pages {

using settings::ButtonAction;
namespace type = settings::action_type;

namespace {

const QString kKeyPrefix = QStringLiteral("kb_key_");
const QString kKeyTab = QStringLiteral("kb_key_Op_tab");
const QString kEditor = QStringLiteral("kb_tab_function");
const QString kEditorRow = QStringLiteral("kb_key_fct_row");
const QString kEditorCombo = QStringLiteral("kb_key_fct_combo");
const QString kSubPagePrefix = QStringLiteral("kb_tab_function_");
const QString kSelectionRow = QStringLiteral("kb_key_selection_row");
const QString kSelectedName = QStringLiteral("kb_key_selected_name");
const QString kFunctionMods = QStringLiteral("kb_key_fct_mods");
const QString kFunctionLabel = QStringLiteral("kb_key_fct_label");
const QString kHint = QStringLiteral("kb_key_hint");
const QString kKeyCombo = QStringLiteral("kb_key_fct_combo_11");
const QString kComboKeyCombo = QStringLiteral("kb_key_fct_combo_12");
const QString kMediaCombo = QStringLiteral("kb_key_fct_combo_21");
const QString kSystemCombo = QStringLiteral("kb_key_fct_combo_22");
const QString kOfficeCombo = QStringLiteral("kb_key_fct_combo_26");
const QString kKeyEdit = QStringLiteral("kb_key_fct_edit_21");
const QString kRestoreAll = QStringLiteral("kb_key_restore_all_btn");

// The editor's kinds of function, in the order of its combo.
enum EditorIndex : int {
    kDefault = 0,
    kKey = 1,
    kCombination = 2,
    kOffice = 3,
    kMedia = 4,
    kSystem = 5,
    kDisabled = 6,
    kEditorPages = 7,
};

// The modifier check boxes of a combination and their bits (left-hand keys).
struct ModifierCheck {
    const char* name;
    std::uint8_t bit;
};
constexpr std::array<ModifierCheck, 4> kModifierChecks{{
    {"kb_key_fct_check_ctrl", settings::modifier::kLeftCtrl},
    {"kb_key_fct_check_shift", settings::modifier::kLeftShift},
    {"kb_key_fct_check_alt", settings::modifier::kLeftAlt},
    {"kb_key_fct_check_win", settings::modifier::kLeftWin},
}};
// Either hand's bit of each modifier, for loading a combination.
constexpr std::uint8_t kEitherHand[4] = {0x11, 0x22, 0x44, 0x88};

// The modifier names of a combination's label, the same in every language.
struct ModifierName {
    std::uint8_t bit;
    const char* name;
};
constexpr std::array<ModifierName, 8> kModifierNames{{
    {settings::modifier::kLeftCtrl, "Ctrl"},
    {settings::modifier::kRightCtrl, "RCtrl"},
    {settings::modifier::kLeftShift, "Shift"},
    {settings::modifier::kRightShift, "RShift"},
    {settings::modifier::kLeftAlt, "Alt"},
    {settings::modifier::kRightAlt, "RAlt"},
    {settings::modifier::kLeftWin, "Win"},
    {settings::modifier::kRightWin, "RWin"},
}};

// The first rows of the keyboard key table: the combination combo lists the
// ordinary keys only (rows from the first after the modifiers).
constexpr std::size_t kKeyRows = settings::kMacroKeyRows;
constexpr std::size_t kOrdinaryFirst = settings::kModifierRows;

QString FromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

// The key position of a picture key's name, -1 for other names.
int KeyOfName(const QString& name) {
    if (!name.startsWith(kKeyPrefix))
        return -1;
    bool ok = false;
    const int key = name.mid(kKeyPrefix.size()).toInt(&ok);
    return ok && key >= 0 && key < static_cast<int>(settings::kKeyboardKeyCount) ? key : -1;
}

// What a key's label shows for an action: the display key of the key tables
// (a language key), a macro's name, or for a key with modifiers that no table
// names, the modifiers ("Ctrl+Shift+") before the key's display key.
struct FunctionLabel {
    QString prefix;
    QString text;
    bool isKey = false;

    QString Shown() const {
        return prefix + (isKey ? ui::ResourceManager::GetInstance().GetText(text) : text);
    }
};

QString ModifierPrefix(std::uint8_t bits) {
    QString prefix;
    for (const ModifierName& m : kModifierNames)
        if (bits & m.bit)
            prefix += QLatin1String(m.name) + QLatin1Char('+');
    return prefix;
}

// Row of an ordinary key with this HID usage, or nothing.
std::optional<std::size_t> OrdinaryRowOf(std::uint8_t usage) {
    for (std::size_t row = kOrdinaryFirst; row < kKeyRows; ++row) {
        const auto& entry = settings::KeyboardKeyTable[row];
        if (entry.p1 == 0 && entry.p2 == usage)
            return row;
    }
    return std::nullopt;
}

// Row of the key (ordinary or modifier) that sends exactly this action.
std::optional<std::size_t> SingleRowOf(const ButtonAction& action) {
    for (std::size_t row = 0; row < kKeyRows; ++row) {
        const auto& entry = settings::KeyboardKeyTable[row];
        if (entry.type == action.type && entry.p1 == action.p1 && entry.p2 == action.p2)
            return row;
    }
    return std::nullopt;
}

FunctionLabel LabelOf(const ButtonAction& action, const settings::MacroNameLookup& macroName) {
    if (action.type == type::kOff)
        return {{}, QString::fromLatin1(settings::kCloseText.data()), true};
    const settings::ActionLabel shown = settings::DisplayKeyOf(action, macroName);
    if (shown.kind == settings::ActionLabel::Kind::ResourceKey)
        return {{}, QString::fromStdString(shown.text), true};
    if (shown.kind == settings::ActionLabel::Kind::Text)
        return {{}, QString::fromStdString(shown.text), false};
    if ((action.type == type::kKeyboard || action.type == type::kNone) && action.p2 != 0)
        if (const auto row = OrdinaryRowOf(action.p2))
            return {ModifierPrefix(action.p1), FromView(settings::KeyboardKeyName(*row)), true};
    return {};
}

void ShowLabel(QWidget* mods, QWidget* text, const FunctionLabel& label) {
    if (mods) {
        ui::SetText(mods, label.prefix, false);
        mods->setVisible(!label.prefix.isEmpty());
    }
    if (text) {
        if (label.text.isEmpty())
            ui::SetText(text, QStringLiteral("kb_key_fct_none"), true);
        else
            ui::SetText(text, label.text, label.isKey);
    }
}

template <std::size_t N>
int PositionIn(const std::array<settings::AssignmentEntry, N>& table, const ButtonAction& action,
               bool compareP1Only = false) {
    for (std::size_t i = 0; i < N; ++i)
        if (table[i].type == action.type && table[i].p1 == action.p1 &&
            (compareP1Only || table[i].p2 == action.p2))
            return static_cast<int>(i);
    return -1;
}

} // namespace

// Tells the page when its editor comes into view or leaves it (a tab switch
// hides the whole page, and its children with it).
class KeyPage::ShowWatcher final : public QObject {
public:
    explicit ShowWatcher(KeyPage& page) : page_(page) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show)
            page_.PageShown(true);
        else if (event->type() == QEvent::Hide)
            page_.PageShown(false);
        return false;
    }

private:
    KeyPage& page_;
};

KeyPage::KeyPage(QWidget* window, profiles::KeyboardSession& session, PageServices&)
    : window_(window), session_(session), watcher_(std::make_unique<ShowWatcher>(*this)) {}

// The watcher leaves the editor's filters when it goes.
KeyPage::~KeyPage() = default;

bool KeyPage::Claims(const QString& name) const {
    if (KeyOfName(name) >= 0)
        return true;
    for (const QString* control : {&kEditorCombo, &kKeyCombo, &kComboKeyCombo, &kMediaCombo,
                                   &kSystemCombo, &kOfficeCombo, &kRestoreAll})
        if (name == *control)
            return true;
    for (const ModifierCheck& check : kModifierChecks)
        if (name == QLatin1String(check.name))
            return true;
    return false;
}

QWidget* KeyPage::Find(const QString& name) const {
    return FindControl(window_, name);
}

void KeyPage::Prepare() {
    // Once, when the window's layout with the page's controls is built.
    if (prepared_ || !window_ || !Find(kEditorCombo))
        return;
    prepared_ = true;
    namespace row = settings::key_name_row;
    QStringList kinds;
    for (int i = 0; i < kEditorPages; ++i)
        kinds << QStringLiteral("kb_fct_type_%1").arg(i);
    FillChoices(Find(kEditorCombo), kinds);
    FillChoices(Find(kKeyCombo), KeyNameKeys(row::kKeyboard, kKeyRows));
    FillChoices(Find(kComboKeyCombo),
                KeyNameKeys(row::kKeyboard + kOrdinaryFirst, kKeyRows - kOrdinaryFirst));
    FillChoices(Find(kMediaCombo), KeyNameKeys(row::kMedia, settings::MediaKeyTable.size()));
    FillChoices(Find(kSystemCombo), KeyNameKeys(row::kSystem, settings::SystemKeyTable.size()));
    FillChoices(Find(kOfficeCombo), OfficeChoiceKeys());
    if (QWidget* editor = Find(kEditor))
        editor->installEventFilter(watcher_.get());
    ShowSubPage(-1);
    ShowSelection();
}

// --- what the keyboard has -------------------------------------------------------------

int KeyPage::KeyCount() const {
    // A key count whose table does not fit the block was refused when the
    // keyboard was read: nothing is changed on such a keyboard.
    const std::size_t count = session_.image.capabilities.keyCount;
    if (count * 3 > settings::kKeyTableSize)
        return 0;
    return static_cast<int>(std::min(count, settings::kKeyboardKeyCount));
}

ButtonAction KeyPage::ActionOf(int key) const {
    const auto& table = session_.image.keyTable;
    const std::size_t at = static_cast<std::size_t>(key) * 3;
    return ButtonAction{table[at], table[at + 1], table[at + 2]};
}

ButtonAction KeyPage::DefaultOf(int key) const {
    const auto& table = session_.image.defaultKeyTable;
    const std::size_t at = static_cast<std::size_t>(key) * 3;
    return ButtonAction{table[at], table[at + 1], table[at + 2]};
}

bool KeyPage::Assignable(int key) const {
    return key >= 0 && key < KeyCount() && DefaultOf(key) != ButtonAction{};
}

// --- selection ----------------------------------------------------------------------

void KeyPage::SelectKey(int key) {
    selectedKey_ = key;
    MarkSelected(true);
    // A key chosen again makes the editor usable after a key profile was applied.
    if (QWidget* editor = Find(kEditor))
        editor->setEnabled(true);
    ShowSelection();
    LoadEditor();
}

void KeyPage::MarkSelected(bool shown) {
    for (std::size_t i = 0; i < settings::kKeyboardKeyCount; ++i) {
        QWidget* key = Find(kKeyPrefix + QString::number(i));
        if (!key)
            continue;
        const bool selected = shown && static_cast<int>(i) == selectedKey_;
        if (key->property("selected").toBool() == selected)
            continue;
        key->setProperty("selected", selected);
        key->style()->unpolish(key);
        key->style()->polish(key);
        key->update();
    }
}

void KeyPage::ShowHint(const QString& key) {
    if (QWidget* hint = Find(kHint)) {
        hint->setVisible(!key.isEmpty());
        if (!key.isEmpty())
            ui::SetText(hint, key, true);
    }
}

void KeyPage::ShowSelection() {
    QWidget* selection = Find(kSelectionRow);
    QWidget* row = Find(kEditorRow);
    const bool chosen = selectedKey_ >= 0;
    const bool assignable = Assignable(selectedKey_);
    if (selection)
        selection->setVisible(chosen && assignable);
    if (row)
        row->setVisible(chosen && assignable);
    if (KeyCount() == 0)
        ShowHint(QStringLiteral("kb_key_hint_nodevice"));
    else if (!chosen)
        ShowHint(QStringLiteral("kb_key_hint"));
    else if (!assignable)
        ShowHint(QStringLiteral("kb_key_hint_fixed"));
    else
        ShowHint(QString());
    if (!chosen || !assignable)
        return;
    const settings::MacroNameLookup macroName =
        macros::MacroNameLookupOf(macros::MacroLibrary::Keyboard());
    if (QWidget* name = Find(kSelectedName)) {
        // The key's own name: the function it has out of the box.
        const FunctionLabel own = LabelOf(DefaultOf(selectedKey_), macroName);
        if (own.prefix.isEmpty())
            ShowLabel(nullptr, name, own);
        else
            ui::SetText(name, own.Shown(), false);
    }
    ShowLabel(Find(kFunctionMods), Find(kFunctionLabel),
              LabelOf(ActionOf(selectedKey_), macroName));
}

// --- the editor ---------------------------------------------------------------------

void KeyPage::LoadEditor() {
    if (!Assignable(selectedKey_)) {
        ShowSubPage(-1);
        return;
    }
    ui::ProgramChangeGuard quiet;
    const ButtonAction action = ActionOf(selectedKey_);
    int index = -1;
    const auto select = [this](const QString& combo, int position) {
        if (QWidget* c = Find(combo))
            ui::SelectItem(c, position);
    };
    if (action == DefaultOf(selectedKey_)) {
        index = kDefault;
    } else if (action.type == type::kOff) {
        index = kDisabled;
    } else if (action.type == type::kConsumer || action.type == type::kConsumerAlias) {
        const ButtonAction asConsumer{type::kConsumer, action.p1, action.p2};
        if (const int at = PositionIn(settings::MediaKeyTable, asConsumer); at >= 0) {
            index = kMedia;
            select(kMediaCombo, at);
        }
    } else if (action.type == type::kSystem) {
        if (const int at = PositionIn(settings::SystemKeyTable, action, true); at >= 0) {
            index = kSystem;
            select(kSystemCombo, at);
        }
    } else if (action.type == type::kKeyboard) {
        const int office = action.p1 != 0 ? PositionIn(settings::OfficeKeyTable, action) : -1;
        const std::optional<std::size_t> single = SingleRowOf(action);
        if (office >= 0) {
            index = kOffice;
            select(kOfficeCombo, office);
        } else if (single) {
            index = kKey;
            select(kKeyCombo, static_cast<int>(*single));
            if (QWidget* edit = Find(kKeyEdit))
                ui::SetText(edit, FromView(settings::KeyboardKeyName(*single)), true);
        } else if (const auto row = OrdinaryRowOf(action.p2)) {
            index = kCombination;
            select(kComboKeyCombo, static_cast<int>(*row - kOrdinaryFirst));
            for (std::size_t i = 0; i < kModifierChecks.size(); ++i)
                if (auto* check = qobject_cast<QAbstractButton*>(
                        Find(QLatin1String(kModifierChecks[i].name))))
                    ui::SetCheck(check, (action.p1 & kEitherHand[i]) != 0);
        }
    }
    // A function the editor does not build (a macro or mouse function read
    // from the keyboard) shows no kind until one is chosen.
    if (QWidget* combo = Find(kEditorCombo)) {
        if (index >= 0)
            ui::SelectItem(combo, index);
        else if (auto* c = qobject_cast<QComboBox*>(combo))
            c->setCurrentIndex(-1);
    }
    ShowSubPage(index);
}

void KeyPage::PresetKind(int index) {
    // A key or a combination starts from the key's function (or, for another
    // kind of function, from the key itself), so that choosing the kind alone
    // changes nothing.
    if (!Assignable(selectedKey_) || (index != kKey && index != kCombination))
        return;
    ui::ProgramChangeGuard quiet;
    const ButtonAction now = ActionOf(selectedKey_);
    const ButtonAction own = DefaultOf(selectedKey_);
    const bool keyboardNow = now.type == type::kKeyboard;
    if (index == kKey) {
        std::optional<std::size_t> row = keyboardNow ? SingleRowOf(now) : std::nullopt;
        if (!row)
            row = SingleRowOf(own);
        if (QWidget* combo = Find(kKeyCombo); combo && row)
            ui::SelectItem(combo, static_cast<int>(*row));
        if (QWidget* edit = Find(kKeyEdit))
            ui::SetText(edit, row ? FromView(settings::KeyboardKeyName(*row)) : QString(),
                        row.has_value());
        return;
    }
    std::optional<std::size_t> row = keyboardNow ? OrdinaryRowOf(now.p2) : std::nullopt;
    if (!row)
        row = OrdinaryRowOf(own.p2);
    if (QWidget* combo = Find(kComboKeyCombo); combo && row)
        ui::SelectItem(combo, static_cast<int>(*row - kOrdinaryFirst));
    for (std::size_t i = 0; i < kModifierChecks.size(); ++i)
        if (auto* check =
                qobject_cast<QAbstractButton*>(Find(QLatin1String(kModifierChecks[i].name))))
            ui::SetCheck(check, keyboardNow && row && (now.p1 & kEitherHand[i]) != 0);
}

void KeyPage::ShowSubPage(int index) {
    for (int i = 0; i < kEditorPages; ++i)
        if (QWidget* page = Find(kSubPagePrefix + QString::number(i)))
            page->setVisible(i == index);
    editorIndex_ = index;
    UpdateCapture();
}

void KeyPage::UpdateCapture() {
    // The key sub-page takes the next key typed; elsewhere the keys go to the
    // controls again.
    QWidget* editor = Find(kEditor);
    const bool capturing = editorIndex_ == kKey && Assignable(selectedKey_) && editor &&
                           editor->isVisible() && editor->isEnabled();
    if (!capturing) {
        hook_.Uninstall();
        return;
    }
    if (hook_.IsInstalled())
        return;
    if (auto* target = qobject_cast<ui::WindowImplBase*>(window_ ? window_->window() : nullptr))
        hook_.Install(ui::kHookKeyboardSingleKey, target);
}

void KeyPage::BuildAndStore() {
    if (!Assignable(selectedKey_))
        return;
    const auto at = [](const auto& table, int position) -> std::optional<ButtonAction> {
        if (position < 0 || position >= static_cast<int>(table.size()))
            return std::nullopt;
        return table[static_cast<std::size_t>(position)].Action();
    };
    const auto selection = [this](const QString& combo) {
        QWidget* c = Find(combo);
        return c ? ui::GetCurSel(c) : -1;
    };
    std::optional<ButtonAction> built;
    switch (editorIndex_) {
    case kDefault:
        built = DefaultOf(selectedKey_);
        break;
    case kKey: {
        const int row = selection(kKeyCombo);
        if (row >= 0 && row < static_cast<int>(kKeyRows))
            built = settings::KeyboardKeyTable[static_cast<std::size_t>(row)].Action();
        break;
    }
    case kCombination: {
        const int position = selection(kComboKeyCombo);
        if (position < 0 || position >= static_cast<int>(kKeyRows - kOrdinaryFirst))
            break;
        ButtonAction action =
            settings::KeyboardKeyTable[kOrdinaryFirst + static_cast<std::size_t>(position)]
                .Action();
        for (const ModifierCheck& check : kModifierChecks)
            if (auto* box = qobject_cast<QAbstractButton*>(Find(QLatin1String(check.name)));
                box && box->isChecked())
                action.p1 |= check.bit;
        built = action;
        break;
    }
    case kOffice:
        built = at(settings::OfficeKeyTable, selection(kOfficeCombo));
        break;
    case kMedia:
        built = at(settings::MediaKeyTable, selection(kMediaCombo));
        break;
    case kSystem:
        built = at(settings::SystemKeyTable, selection(kSystemCombo));
        break;
    case kDisabled:
        built = ButtonAction{type::kOff, 0, 0};
        break;
    default:
        break;
    }
    if (built)
        Store(*built);
}

void KeyPage::Store(const ButtonAction& action) {
    if (action != ActionOf(selectedKey_)) {
        auto& table = session_.image.keyTable;
        const std::size_t at = static_cast<std::size_t>(selectedKey_) * 3;
        table[at] = action.type;
        table[at + 1] = action.p1;
        table[at + 2] = action.p2;
        WriteAndSave();
    }
    RefreshLabels();
    ShowSelection();
}

void KeyPage::RestoreAll() {
    const std::size_t length = static_cast<std::size_t>(KeyCount()) * 3;
    if (length == 0)
        return;
    std::copy_n(session_.image.defaultKeyTable.begin(), length, session_.image.keyTable.begin());
    WriteAndSave();
    RefreshLabels();
    ShowSelection();
    LoadEditor();
}

void KeyPage::WriteAndSave() {
    // A write the keyboard did not take is kept by its channel and sent again
    // when the keyboard answers. Both profiles hold the table, so both are saved.
    session_.channel.CmdWriteProfileBlock(session_.image.keyTable, 0);
    session_.store.SaveKeyProfile();
    session_.store.SaveDeviceProfile();
}

void KeyPage::RefreshLabels() {
    const settings::MacroNameLookup macroName =
        macros::MacroNameLookupOf(macros::MacroLibrary::Keyboard());
    const int count = KeyCount();
    for (int i = 0; i < static_cast<int>(settings::kKeyboardKeyCount); ++i) {
        auto* key =
            qobject_cast<controls::CDeviceKeyButtonUI*>(Find(kKeyPrefix + QString::number(i)));
        if (!key)
            continue;
        const bool known = i < count && DefaultOf(i) != ButtonAction{};
        const bool ownFunction = known && ActionOf(i) != DefaultOf(i);
        if (key->IsKeySetHidden() == ownFunction) {
            key->SetKeySetHidden(!ownFunction);
            key->update();
        }
        key->setToolTip(known ? LabelOf(ActionOf(i), macroName).Shown() : QString());
    }
}

// --- page life ------------------------------------------------------------------------

void KeyPage::PageShown(bool shown) {
    MarkSelected(shown);
    if (shown) {
        RefreshLabels();
        ShowSelection();
    }
    UpdateCapture();
}

void KeyPage::Refresh() {
    if (!window_)
        return;
    Prepare();
    RefreshLabels();
    ShowSelection();
    LoadEditor();
}

bool KeyPage::Notify(ui::TNotifyUI& msg) {
    if (!window_)
        return false;
    Prepare();
    const QString& name = msg.senderName;
    if (msg.Is(ui::DUI_MSGTYPE_CLICK)) {
        if (const int key = KeyOfName(name); key >= 0) {
            // Keys are chosen on the key tab only; elsewhere a click belongs
            // to the light page's painting or to nothing.
            auto* tab = qobject_cast<QAbstractButton*>(Find(kKeyTab));
            if (tab && !tab->isChecked())
                return false;
            SelectKey(key);
            return true;
        }
        if (name == kRestoreAll) {
            RestoreAll();
            return true;
        }
        return false;
    }
    if (msg.Is(ui::DUI_MSGTYPE_ITEMSELECT)) {
        if (name == kEditorCombo) {
            PresetKind(static_cast<int>(msg.wParam));
            ShowSubPage(static_cast<int>(msg.wParam));
            BuildAndStore();
            return true;
        }
        struct Owner {
            const QString* combo;
            int page;
        };
        for (const Owner& owner : {Owner{&kKeyCombo, kKey}, Owner{&kComboKeyCombo, kCombination},
                                   Owner{&kOfficeCombo, kOffice}, Owner{&kMediaCombo, kMedia},
                                   Owner{&kSystemCombo, kSystem}})
            if (name == *owner.combo) {
                if (editorIndex_ == owner.page) {
                    if (owner.page == kKey)
                        if (QWidget* edit = Find(kKeyEdit); edit && msg.wParam < kKeyRows)
                            ui::SetText(edit, FromView(settings::KeyboardKeyName(msg.wParam)),
                                        true);
                    BuildAndStore();
                }
                return true;
            }
        return false;
    }
    if (msg.Is(ui::DUI_MSGTYPE_SELECTCHANGED)) {
        for (const ModifierCheck& check : kModifierChecks)
            if (name == QLatin1String(check.name)) {
                if (editorIndex_ == kCombination)
                    BuildAndStore();
                return true;
            }
        return false;
    }
    return false;
}

void KeyPage::OnHookedKey(ui::WPARAM message, ui::LPARAM record) {
    if (editorIndex_ != kKey || !Assignable(selectedKey_))
        return;
    const auto key = CaptureOfHookMessage(message, record);
    if (!key || key->row >= kKeyRows)
        return; // not a key the keyboard can send for another
    {
        ui::ProgramChangeGuard quiet;
        if (QWidget* combo = Find(kKeyCombo))
            ui::SelectItem(combo, static_cast<int>(key->row));
    }
    if (QWidget* edit = Find(kKeyEdit))
        ui::SetText(edit, FromView(key->displayKey), true);
    Store(key->action);
}

void KeyPage::RemoveInputHooks() {
    hook_.Uninstall();
}

} // namespace zk::pages
