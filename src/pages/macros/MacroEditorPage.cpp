#include "pages/macros/MacroEditorPage.h"

#include "pages/macros/MacroManagerWnd.h"
#include "platform/IniFile.h"
#include "platform/IniText.h"
#include "settings/KeyTables.h"
#include "ui/Controls.h"
#include "ui/NotifyHub.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpressionValidator>
#include <QStackedWidget>
#include <QStyle>

#include <algorithm>
#include <array>

namespace zk::pages {

using macros::MacroAction;
using macros::MacroError;

namespace {

// Pages of the action editor.
constexpr int kPageNone = 0;
constexpr int kPageKey = 1;
constexpr int kPageMouse = 2;

constexpr int kRowHeight = 30;
constexpr int kMaxDelay = 65535;
constexpr int kMaxDistance = 255;
// The mouse chooser offers the button actions and the four cursor moves. The
// table's last two rows (the wheel and the bare "mouse" entry) carry type 0,
// which no macro action has: the mouse could not play it and the editor could
// not show it again.
constexpr int kMouseChooserRows = 14;
constexpr int kFirstMoveRow = 10;

// The cursor macro's actions that the cursor controls edit.
constexpr int kCursorDelayAction = 3;
constexpr int kCursorXAction = 4;
constexpr int kCursorYAction = 5;
constexpr const char* kActionCountSection = "MACROACTIONCOUNT";
constexpr const char* kActionSection = "MACROACTION";
constexpr const char* kCountKey = "count";

enum Move { kMoveUp, kMoveDown, kMoveTop, kMoveBottom };

// Buttons and options that are disabled while the library is empty.
constexpr std::array kLibraryButtons = {
    "_macro_btn_save",   "_macro_btn_cancel",    "_macro_btn_up",
    "_macro_btn_down",   "_macro_btn_uptop",     "_macro_btn_downbottom",
    "_macro_btn_delete", "_macro_btn_deleteall", "_macro_edit_macroname",
};

constexpr std::array kClaimed = {
    "_MacroName_list",
    "_Macro_list",
    "_macro_action",
    "_macro_edit_macroname",
    "_macro_combo_keyselect",
    "_macro_combo_upordown",
    "_macro_combo_mouselect",
    "__macro_edit_ActionDelay",
    "__macro_edit_mou_action_delay",
    "_macro_edit_mou_pointer_skewing",
    "_macro_btn_save",
    "_macro_btn_cancel",
    "_macro_btn_up",
    "_macro_btn_down",
    "_macro_btn_uptop",
    "_macro_btn_downbottom",
    "_macro_btn_delete",
    "_macro_btn_deleteall",
};

const QString kMouseManagerButton = QStringLiteral("marco_manager_btn");
const QString kKeyboardManagerButton = QStringLiteral("kb_marco_manager_btn");
constexpr std::array kCursorControls = {"ms_cursor_x_eidt", "ms_cursor_y_eidt",
                                        "ms_cursor_delay_eidt", "ms_cursor_x_check",
                                        "ms_cursor_y_check"};

QString FromStd(const std::string& text) {
    return QString::fromStdString(text);
}

void SetStyleClass(QWidget* w, const char* styleClass) {
    const QString value = QString::fromLatin1(styleClass);
    if (w->property("styleClass").toString() == value)
        return;
    w->setProperty("styleClass", value);
    w->style()->unpolish(w);
    w->style()->polish(w);
}

bool IsMove(const MacroAction& action) {
    const int actionClass = action.type & 0x0F;
    return actionClass == macros::action_class::kHorizontalMove ||
           actionClass == macros::action_class::kVerticalMove;
}

// The edit's number, held to `limit`; the edit shows the limit when it held more.
int ClampedNumber(QLineEdit* edit, int limit) {
    if (!edit)
        return 0;
    const int v = platform::ToInt(edit->text().toStdString());
    if (v > limit) {
        ui::ProgramChangeGuard quiet;
        edit->setText(QString::number(limit));
        return limit;
    }
    return std::max(v, 0);
}

void SetEditText(QWidget* w, int value) {
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        if (edit->text() != QString::number(value))
            edit->setText(QString::number(value));
}

void Show(QWidget* w, bool visible) {
    if (w)
        w->setVisible(visible);
}

void SelectPage(QWidget* tab, int page) {
    if (auto* stack = qobject_cast<QStackedWidget*>(tab))
        stack->setCurrentIndex(page);
}

void DigitsOnly(QWidget* w, int digits) {
    auto* edit = qobject_cast<QLineEdit*>(w);
    if (!edit || edit->validator())
        return;
    edit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(digits)), edit));
}

} // namespace

MacroEditorPage::MacroEditorPage(QWidget* window, DeviceKind kind, macros::MacroLibrary library,
                                 PageServices& services)
    : window_(window), kind_(kind), library_(std::move(library)), services_(services),
      prefix_(kind == DeviceKind::Mouse ? QStringLiteral("ms") : QStringLiteral("kb")) {}

MacroEditorPage::MacroEditorPage(QWidget* window, DeviceKind kind, PageServices& services)
    : MacroEditorPage(window, kind,
                      kind == DeviceKind::Mouse ? macros::MacroLibrary::Mouse()
                                                : macros::MacroLibrary::Keyboard(),
                      services) {}

QString MacroEditorPage::Name(const char* suffix) const {
    return prefix_ + QString::fromLatin1(suffix);
}

QWidget* MacroEditorPage::Find(const QString& name) const {
    return FindControl(window_, name);
}

QListWidget* MacroEditorPage::MacroList() const {
    return qobject_cast<QListWidget*>(Find("_MacroName_list"));
}

QListWidget* MacroEditorPage::ActionList() const {
    return qobject_cast<QListWidget*>(Find("_Macro_list"));
}

bool MacroEditorPage::Claims(const QString& name) const {
    if (!name.startsWith(prefix_, Qt::CaseInsensitive)) {
        return IsMouse() && name.compare(kMouseManagerButton, Qt::CaseInsensitive) == 0;
    }
    for (const char* suffix : kClaimed)
        if (name.compare(Name(suffix), Qt::CaseInsensitive) == 0)
            return true;
    if (!IsMouse())
        return name.compare(kKeyboardManagerButton, Qt::CaseInsensitive) == 0;
    for (const char* cursor : kCursorControls)
        if (name.compare(QLatin1String(cursor), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// --- filling -----------------------------------------------------------------------

void MacroEditorPage::FillChoosers() {
    ui::ProgramChangeGuard quiet;
    if (QWidget* keys = Find("_macro_combo_keyselect");
        keys && ui::GetCount(keys) != static_cast<int>(settings::kMacroKeyRows)) {
        ui::RemoveAllItems(keys);
        for (std::size_t row = 0; row < settings::kMacroKeyRows; ++row) {
            const int at = ui::AddItem(
                keys,
                QString::fromLatin1(settings::KeyboardKeyName(row).data(),
                                    static_cast<int>(settings::KeyboardKeyName(row).size())),
                true);
            if (auto* combo = qobject_cast<QComboBox*>(keys))
                combo->setItemData(at, QSize(0, kRowHeight), Qt::SizeHintRole);
        }
    }
    if (QWidget* mouse = Find("_macro_combo_mouselect");
        mouse && ui::GetCount(mouse) != kMouseChooserRows) {
        ui::RemoveAllItems(mouse);
        for (int row = 0; row < kMouseChooserRows; ++row) {
            const auto name = macros::MouseActionTable[static_cast<std::size_t>(row)].name;
            ui::AddItem(mouse, QString::fromLatin1(name.data(), static_cast<int>(name.size())),
                        true);
        }
    }
    if (QWidget* direction = Find("_macro_combo_upordown");
        direction && ui::GetCount(direction) != 2) {
        ui::RemoveAllItems(direction);
        ui::AddItem(direction, QStringLiteral("macro_key_release"), true);
        ui::AddItem(direction, QStringLiteral("macro_key_press"), true);
    }
    DigitsOnly(Find("__macro_edit_ActionDelay"), 5);
    DigitsOnly(Find("__macro_edit_mou_action_delay"), 5);
    DigitsOnly(Find("_macro_edit_mou_pointer_skewing"), 3);
    if (IsMouse()) {
        DigitsOnly(Find(QStringLiteral("ms_cursor_x_eidt")), 3);
        DigitsOnly(Find(QStringLiteral("ms_cursor_y_eidt")), 3);
        DigitsOnly(Find(QStringLiteral("ms_cursor_delay_eidt")), 5);
    }
}

void MacroEditorPage::Refresh() {
    FillChoosers();
    ShowLibrary(shown_);
    if (IsMouse())
        ShowCursorMacro();
}

void MacroEditorPage::ShowLibrary(std::optional<std::string> prefer) {
    names_ = library_.ReadNames();
    QListWidget* list = MacroList();
    if (list) {
        ui::ProgramChangeGuard quiet;
        list->clear();
        for (const auto& name : names_) {
            auto* item = new QListWidgetItem(FromStd(name));
            item->setData(Qt::UserRole, FromStd(name));
            item->setSizeHint(QSize(0, kRowHeight));
            list->addItem(item);
        }
    }
    if (names_.empty()) {
        shown_.reset();
        if (QListWidget* actions = ActionList()) {
            ui::ProgramChangeGuard quiet;
            actions->clear();
        }
        if (auto* edit = qobject_cast<QLineEdit*>(Find("_macro_edit_macroname")))
            edit->clear();
        LeaveEditing();
        SetButtonsEnabled(false);
        return;
    }
    SetButtonsEnabled(true);
    int row = static_cast<int>(names_.size()) - 1;
    bool same = false;
    if (prefer) {
        for (std::size_t i = 0; i < names_.size(); ++i)
            if (macros::SameMacroName(names_[i], *prefer)) {
                row = static_cast<int>(i);
                same = true;
            }
    }
    if (editing_ && same) {
        // The rows being edited stay; the macro keeps its (perhaps new) place.
        shown_ = names_[static_cast<std::size_t>(row)];
        SelectMacroRow(row);
        return;
    }
    if (editing_)
        LeaveEditing(); // its macro was deleted elsewhere
    SelectMacroRow(row);
    ShowMacro(row);
}

void MacroEditorPage::SetButtonsEnabled(bool enabled) {
    for (const char* suffix : kLibraryButtons)
        if (QWidget* w = Find(suffix))
            w->setEnabled(enabled);
}

void MacroEditorPage::SelectMacroRow(int row) {
    if (QListWidget* list = MacroList()) {
        ui::ProgramChangeGuard quiet;
        list->setCurrentRow(row);
    }
}

int MacroEditorPage::ShownRow() const {
    if (!shown_)
        return -1;
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (macros::SameMacroName(names_[i], *shown_))
            return static_cast<int>(i);
    return -1;
}

void MacroEditorPage::ShowMacro(int row) {
    if (row < 0 || row >= static_cast<int>(names_.size()))
        return;
    const std::string name = names_[static_cast<std::size_t>(row)];
    if (auto* edit = qobject_cast<QLineEdit*>(Find("_macro_edit_macroname"))) {
        // A refresh while the user types a new name for this macro keeps the text.
        const bool typing = edit->hasFocus() && shown_ && *shown_ == name;
        if (!typing)
            edit->setText(FromStd(name));
    }
    shown_ = name;
    QListWidget* actions = ActionList();
    if (!actions)
        return;
    {
        ui::ProgramChangeGuard quiet;
        actions->clear();
    }
    const auto lines = library_.ReadActionLines(name);
    if (lines.empty())
        return; // an empty macro leaves the editor page as it was
    ui::ProgramChangeGuard quiet;
    for (const auto& line : lines) {
        auto* item = new QListWidgetItem(actions);
        item->setSizeHint(QSize(0, kRowHeight));
        actions->setItemWidget(item, MakeActionRow(line));
    }
    SelectPage(Find("_tab_macro_edit"), kPageNone);
    actions->setCurrentRow(-1);
    actions->clearSelection();
}

// --- action rows -------------------------------------------------------------------

QWidget* MacroEditorPage::MakeActionRow(const std::string& line) {
    auto* row = new QWidget;
    row->setObjectName(Name("_macro_action"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(8, 0, 8, 0);
    layout->setSpacing(8);
    auto* name = new QLabel(row);
    auto* direction = new QLabel(row);
    auto* delay = new QLabel(row);
    layout->addWidget(name, 0, Qt::AlignVCenter);
    layout->addWidget(direction, 0, Qt::AlignVCenter);
    layout->addStretch(1);
    layout->addWidget(delay, 0, Qt::AlignVCenter);
    ui::SetUserData(row, FromStd(line));
    UpdateRowLabels(row, macros::ActionFromLine(line));
    return row;
}

void MacroEditorPage::UpdateRowLabels(QWidget* row, const MacroAction& action) {
    const auto labels = row->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
    if (labels.size() < 3)
        return;
    SetStyleClass(labels[0], action.IsMouseAction() ? "macro_label_mouse_style"
                                                    : "macro_label_keyboard_style");
    ui::SetText(labels[0], FromStd(action.name), !action.name.empty());
    if (IsMove(action)) {
        SetStyleClass(labels[1], "macro_label_text_style");
        ui::SetText(labels[1], QString::number(action.code), false);
    } else {
        SetStyleClass(labels[1],
                      action.down != 0 ? "macro_label_down_style" : "macro_label_up_style");
        ui::SetText(labels[1], QString(), false);
    }
    SetStyleClass(labels[2], "macro_label_text_style");
    ui::SetText(labels[2], QString::number(action.Delay()), false);
}

QWidget* MacroEditorPage::SelectedActionRow() const {
    QListWidget* list = ActionList();
    if (!list || list->currentRow() < 0)
        return nullptr;
    return list->itemWidget(list->item(list->currentRow()));
}

std::optional<MacroAction> MacroEditorPage::SelectedAction() const {
    QWidget* row = SelectedActionRow();
    if (!row)
        return std::nullopt;
    return macros::ActionFromLine(ui::GetUserData(row).toStdString());
}

void MacroEditorPage::StoreSelectedAction(const MacroAction& action) {
    QWidget* row = SelectedActionRow();
    if (!row)
        return;
    ui::SetUserData(row, FromStd(macros::FormatActionLine(action)));
    UpdateRowLabels(row, action);
}

std::vector<std::string> MacroEditorPage::RowLines() const {
    std::vector<std::string> lines;
    if (QListWidget* list = ActionList())
        for (int i = 0; i < list->count(); ++i)
            lines.push_back(ui::GetUserData(list->itemWidget(list->item(i))).toStdString());
    return lines;
}

// --- editing -----------------------------------------------------------------------

void MacroEditorPage::EnterEditing() {
    if (names_.empty())
        return;
    editing_ = true;
    Show(Find("_macro_tab_saveorcancel"), true);
}

void MacroEditorPage::LeaveEditing() {
    editing_ = false;
    Show(Find("_macro_tab_saveorcancel"), false);
    SelectPage(Find("_tab_macro_edit"), kPageNone);
    if (QListWidget* list = ActionList()) {
        ui::ProgramChangeGuard quiet;
        list->setCurrentRow(-1);
        list->clearSelection();
    }
}

void MacroEditorPage::OpenAction() {
    const auto action = SelectedAction();
    if (!action)
        return;
    EnterEditing();
    ShowActionInEditor(*action);
}

void MacroEditorPage::ShowActionInEditor(const MacroAction& action) {
    ui::ProgramChangeGuard quiet;
    if (action.IsMouseAction()) {
        SelectPage(Find("_tab_macro_edit"), kPageMouse);
        const auto row = macros::MouseActionRowOf(action);
        if (auto* combo = qobject_cast<QComboBox*>(Find("_macro_combo_mouselect"));
            combo && row && static_cast<int>(*row) < combo->count())
            combo->setCurrentIndex(static_cast<int>(*row));
        Show(Find("_macro_tab_mou_pointer_skewing"), IsMove(action));
        SetEditText(Find("_macro_edit_mou_pointer_skewing"), action.code);
        SetEditText(Find("__macro_edit_mou_action_delay"), action.Delay());
    } else {
        SelectPage(Find("_tab_macro_edit"), kPageKey);
        const auto row = macros::KeyboardRowOf(action);
        if (auto* combo = qobject_cast<QComboBox*>(Find("_macro_combo_keyselect")); combo && row)
            combo->setCurrentIndex(static_cast<int>(*row));
        if (auto* combo = qobject_cast<QComboBox*>(Find("_macro_combo_upordown")))
            combo->setCurrentIndex(action.down != 0 ? 1 : 0);
        SetEditText(Find("__macro_edit_ActionDelay"), action.Delay());
    }
}

void MacroEditorPage::OnKeyChosen(int item) {
    auto action = SelectedAction();
    if (!action || item < 0 || item >= static_cast<int>(settings::kMacroKeyRows))
        return;
    const auto& key = settings::KeyboardKeyTable[static_cast<std::size_t>(item)];
    macros::ApplyKeyboardRow(*action, static_cast<std::size_t>(item));
    if (key.p2 != 0 || key.p1 != 0)
        action->type = static_cast<std::uint8_t>((action->type & 0x7F) |
                                                 (action->down != 0 ? macros::kDirectionBit : 0));
    StoreSelectedAction(*action);
}

void MacroEditorPage::OnMouseActionChosen(int item) {
    auto action = SelectedAction();
    if (!action || item < 0 || item >= kMouseChooserRows)
        return;
    const auto& row = macros::MouseActionTable[static_cast<std::size_t>(item)];
    action->name = std::string(row.name);
    if (item < kFirstMoveRow) {
        Show(Find("_macro_tab_mou_pointer_skewing"), false);
        action->code = row.buttonBit;
        action->type = row.type;
        action->down = (row.type & macros::kDirectionBit) != 0 ? 1 : 0;
    } else {
        Show(Find("_macro_tab_mou_pointer_skewing"), true);
        const std::uint8_t distance = IsMove(*action) ? action->code : 0;
        action->type = row.type;
        action->code = distance;
        ui::ProgramChangeGuard quiet;
        SetEditText(Find("_macro_edit_mou_pointer_skewing"), distance);
    }
    StoreSelectedAction(*action);
}

void MacroEditorPage::OnDirectionChosen(int item) {
    auto action = SelectedAction();
    if (!action || item < 0 || item > 1)
        return;
    action->down = static_cast<std::uint16_t>(item);
    action->type =
        static_cast<std::uint8_t>((action->type & 0x7F) | (item != 0 ? macros::kDirectionBit : 0));
    StoreSelectedAction(*action);
}

void MacroEditorPage::OnDelayTyped(QWidget* edit) {
    const int delay = ClampedNumber(qobject_cast<QLineEdit*>(edit), kMaxDelay);
    auto action = SelectedAction();
    if (!action)
        return;
    action->SetDelay(delay);
    StoreSelectedAction(*action);
}

void MacroEditorPage::OnDistanceTyped() {
    const int distance = ClampedNumber(
        qobject_cast<QLineEdit*>(Find("_macro_edit_mou_pointer_skewing")), kMaxDistance);
    auto action = SelectedAction();
    if (!action)
        return;
    action->code = static_cast<std::uint8_t>(distance);
    StoreSelectedAction(*action);
}

// --- macros ------------------------------------------------------------------------

void MacroEditorPage::OnMacroChosen() {
    QListWidget* list = MacroList();
    if (!list)
        return;
    if (editing_) {
        // The shown rows are not stored yet: the list stays on their macro.
        services_.ShowMessage(IsMouse() ? "message_text_4" : "message_text_3");
        SelectMacroRow(ShownRow());
        return;
    }
    ShowMacro(list->currentRow());
}

int MacroEditorPage::CurrentIndexOfShown() {
    if (!shown_)
        return -1;
    const auto names = library_.ReadNames();
    for (std::size_t i = 0; i < names.size(); ++i)
        if (macros::SameMacroName(names[i], *shown_)) {
            if (names != names_)
                ShowLibrary(shown_); // the manager changed the list meanwhile
            return static_cast<int>(i);
        }
    services_.ShowMessage("macro_gone");
    editing_ = false;
    ShowLibrary(std::nullopt);
    return -1;
}

void MacroEditorPage::OnNameEditLeft() {
    auto* edit = qobject_cast<QLineEdit*>(Find("_macro_edit_macroname"));
    if (renaming_ || !edit || !shown_ || !edit->isEnabled())
        return;
    renaming_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{renaming_};

    const std::string newName = edit->text().toStdString();
    const std::string oldName = *shown_;
    const int index = CurrentIndexOfShown();
    if (index < 0)
        return;
    auto refuse = [&](std::string_view key) {
        if (!key.empty())
            services_.ShowMessage(key);
        edit->setText(FromStd(*shown_));
    };
    if (macros::SameMacroName(newName, oldName)) {
        if (newName != oldName)
            refuse({}); // a change of case only is no new name
        return;
    }
    for (const auto& other : names_)
        if (macros::SameMacroName(other, newName))
            return refuse("message_text_5");
    if (const MacroError e = macros::CheckMacroName(newName); e != MacroError::None)
        return refuse(macros::MacroErrorKey(e));

    // The shown rows go into the old file, which then takes the new name.
    if (const MacroError e = library_.WriteActionLines(oldName, RowLines()); e != MacroError::None)
        return refuse(macros::MacroErrorKey(e));
    if (const MacroError e = library_.MoveActionFile(oldName, newName); e != MacroError::None)
        return refuse(macros::MacroErrorKey(e));
    if (IsMouse())
        library_.WriteSelectName(newName);
    if (const MacroError e = library_.SetName(index, newName); e != MacroError::None) {
        library_.MoveActionFile(newName, oldName); // the index still names the old file
        return refuse(macros::MacroErrorKey(e));
    }
    shown_ = newName;
    edit->setText(FromStd(newName));
    names_[static_cast<std::size_t>(index)] = newName;
    if (QListWidget* list = MacroList(); list && index < list->count()) {
        list->item(index)->setText(FromStd(newName));
        list->item(index)->setData(Qt::UserRole, FromStd(newName));
    }
    // The button page's macro chooser and labels read the index again.
    services_.RefreshPages(kind_);
}

void MacroEditorPage::OnSave() {
    if (!shown_ || CurrentIndexOfShown() < 0)
        return;
    if (const MacroError e = library_.WriteActionLines(*shown_, RowLines());
        e != MacroError::None) {
        services_.ShowMessage(macros::MacroErrorKey(e));
        return;
    }
    LeaveEditing();
}

void MacroEditorPage::OnCancel() {
    LeaveEditing();
    ShowMacro(ShownRow());
}

void MacroEditorPage::OnMove(int how) {
    QListWidget* list = ActionList();
    if (!list || list->currentRow() < 0)
        return;
    const int from = list->currentRow();
    const int last = list->count() - 1;
    const int to = how == kMoveUp     ? from - 1
                   : how == kMoveDown ? from + 1
                   : how == kMoveTop  ? 0
                                      : last;
    if (to < 0 || to > last || to == from)
        return;
    ui::ProgramChangeGuard quiet;
    QListWidgetItem* item = list->item(from);
    const QString line = ui::GetUserData(list->itemWidget(item));
    delete list->takeItem(from);
    auto* moved = new QListWidgetItem;
    moved->setSizeHint(QSize(0, kRowHeight));
    list->insertItem(to, moved);
    list->setItemWidget(moved, MakeActionRow(line.toStdString()));
    list->setCurrentRow(to);
    EnterEditing();
    if (const auto action = SelectedAction())
        ShowActionInEditor(*action);
}

void MacroEditorPage::OnDelete(bool all) {
    QListWidget* list = ActionList();
    if (!list || list->count() == 0 || (!all && list->currentRow() < 0))
        return;
    ui::ProgramChangeGuard quiet;
    int next = -1;
    if (all) {
        list->clear();
    } else {
        const int row = list->currentRow();
        delete list->takeItem(row);
        next = std::min(row, list->count() - 1);
    }
    list->setCurrentRow(next);
    EnterEditing();
    if (const auto action = SelectedAction())
        ShowActionInEditor(*action);
    else
        SelectPage(Find("_tab_macro_edit"), kPageNone);
}

void MacroEditorPage::OnManager() {
    RunMacroManager(window_, kind_, library_, services_);
    // The manager created, renamed or deleted macros: every list of the
    // kind's pages is read from the index again, so no page acts on a stale
    // position.
    services_.RefreshPages(kind_);
}

// --- cursor macro ------------------------------------------------------------------

std::optional<std::filesystem::path> MacroEditorPage::CursorFile() const {
    if (!IsMouse())
        return std::nullopt;
    if (auto path = library_.CursorFilePath(0))
        return path;
    // Rewriting the index after a delete drops the cursor sections; the
    // start-up check puts them back and keeps the files that are there.
    library_.EnsureCursorFiles();
    return library_.CursorFilePath(0);
}

void MacroEditorPage::ShowCursorMacro() {
    const auto path = CursorFile();
    if (!path)
        return;
    const auto lines = macros::ReadActionFileLines(*path);
    auto at = [&](int i) {
        return i < static_cast<int>(lines.size())
                   ? macros::ActionFromLine(lines[static_cast<std::size_t>(i)])
                   : MacroAction{};
    };
    const MacroAction delay = at(kCursorDelayAction);
    const MacroAction x = at(kCursorXAction);
    const MacroAction y = at(kCursorYAction);
    ui::ProgramChangeGuard quiet;
    auto show = [this](const char* name, int value) {
        QWidget* edit = Find(QString::fromLatin1(name));
        if (edit && !edit->hasFocus())
            SetEditText(edit, value);
    };
    show("ms_cursor_delay_eidt", delay.Delay());
    show("ms_cursor_x_eidt", x.code);
    show("ms_cursor_y_eidt", y.code);
    if (auto* check = qobject_cast<QAbstractButton*>(Find(QStringLiteral("ms_cursor_x_check"))))
        ui::SetCheck(check, (x.type & macros::kDirectionBit) != 0);
    if (auto* check = qobject_cast<QAbstractButton*>(Find(QStringLiteral("ms_cursor_y_check"))))
        ui::SetCheck(check, (y.type & macros::kDirectionBit) != 0);
}

void MacroEditorPage::OnCursorChanged() {
    const auto path = CursorFile();
    if (!path)
        return;
    const int x = ClampedNumber(qobject_cast<QLineEdit*>(Find(QStringLiteral("ms_cursor_x_eidt"))),
                                kMaxDistance);
    const int y = ClampedNumber(qobject_cast<QLineEdit*>(Find(QStringLiteral("ms_cursor_y_eidt"))),
                                kMaxDistance);
    const int delay = ClampedNumber(
        qobject_cast<QLineEdit*>(Find(QStringLiteral("ms_cursor_delay_eidt"))), kMaxDelay);
    auto checked = [this](const char* name) {
        auto* check = qobject_cast<QAbstractButton*>(Find(QString::fromLatin1(name)));
        return check && check->isChecked();
    };
    const bool left = checked("ms_cursor_x_check");
    const bool up = checked("ms_cursor_y_check");

    auto move = [](std::uint8_t actionClass, int distance, bool negative, const char* negativeName,
                   const char* positiveName) {
        MacroAction a;
        a.type = static_cast<std::uint8_t>(actionClass | (negative ? macros::kDirectionBit : 0));
        a.code = static_cast<std::uint8_t>(distance);
        a.down = negative ? 1 : 0;
        a.name = negative ? negativeName : positiveName;
        return a;
    };
    const MacroAction xMove = move(macros::action_class::kHorizontalMove, x, left,
                                   "mouse_move_to_left_text", "mouse_move_to_right_text");
    const MacroAction yMove = move(macros::action_class::kVerticalMove, y, up,
                                   "mouse_move_to_up_text", "mouse_move_to_down_text");
    platform::IniFile(*path).Update([&](platform::IniText& text) {
        const auto key = std::to_string(kCursorDelayAction);
        MacroAction pause = macros::ActionFromLine(text.Find(kActionSection, key).value_or("0"));
        pause.SetDelay(delay);
        text.Set(kActionSection, key, macros::FormatActionLine(pause));
        text.Set(kActionSection, std::to_string(kCursorXAction), macros::FormatActionLine(xMove));
        text.Set(kActionSection, std::to_string(kCursorYAction), macros::FormatActionLine(yMove));
        // A shorter file would hide the actions just written.
        const int count = platform::ToInt(text.Find(kActionCountSection, kCountKey).value_or("0"));
        if (count <= kCursorYAction)
            text.Set(kActionCountSection, kCountKey, std::to_string(kCursorYAction + 1));
        return true;
    });
}

// --- notifications -------------------------------------------------------------------

bool MacroEditorPage::Notify(ui::TNotifyUI& msg) {
    const QString& name = msg.senderName;
    auto is = [&](const char* suffix) {
        return name.compare(Name(suffix), Qt::CaseInsensitive) == 0;
    };
    if (msg.Is(ui::DUI_MSGTYPE_ITEMSELECT)) {
        const int item = static_cast<int>(msg.wParam);
        if (is("_MacroName_list"))
            OnMacroChosen();
        else if (is("_macro_combo_keyselect"))
            OnKeyChosen(item);
        else if (is("_macro_combo_mouselect"))
            OnMouseActionChosen(item);
        else if (is("_macro_combo_upordown"))
            OnDirectionChosen(item);
        else
            return false;
        return true;
    }
    if (msg.Is(ui::DUI_MSGTYPE_ITEMCLICK)) {
        if (!is("_macro_action") && !is("_Macro_list"))
            return false;
        if (QListWidget* list = ActionList()) {
            const int row = static_cast<int>(msg.wParam);
            if (row >= 0 && row < list->count() && list->currentRow() != row) {
                ui::ProgramChangeGuard quiet;
                list->setCurrentRow(row);
            }
        }
        OpenAction();
        return true;
    }
    if (msg.Is(ui::DUI_MSGTYPE_TEXTCHANGED)) {
        if (is("__macro_edit_ActionDelay") || is("__macro_edit_mou_action_delay"))
            OnDelayTyped(msg.pSender);
        else if (is("_macro_edit_mou_pointer_skewing"))
            OnDistanceTyped();
        else if (IsMouse() && name.startsWith(QLatin1String("ms_cursor_"), Qt::CaseInsensitive))
            OnCursorChanged();
        else
            return false;
        return true;
    }
    if (msg.Is(ui::DUI_MSGTYPE_SELECTCHANGED) && IsMouse() &&
        (name.compare(QLatin1String("ms_cursor_x_check"), Qt::CaseInsensitive) == 0 ||
         name.compare(QLatin1String("ms_cursor_y_check"), Qt::CaseInsensitive) == 0)) {
        OnCursorChanged();
        return true;
    }
    if (msg.Is(ui::DUI_MSGTYPE_KILLFOCUS) && is("_macro_edit_macroname")) {
        OnNameEditLeft();
        return true;
    }
    if (msg.Is(ui::DUI_MSGTYPE_CLICK)) {
        if (is("_macro_btn_save"))
            OnSave();
        else if (is("_macro_btn_cancel"))
            OnCancel();
        else if (is("_macro_btn_up"))
            OnMove(kMoveUp);
        else if (is("_macro_btn_down"))
            OnMove(kMoveDown);
        else if (is("_macro_btn_uptop"))
            OnMove(kMoveTop);
        else if (is("_macro_btn_downbottom"))
            OnMove(kMoveBottom);
        else if (is("_macro_btn_delete"))
            OnDelete(false);
        else if (is("_macro_btn_deleteall"))
            OnDelete(true);
        else if (name.compare(IsMouse() ? kMouseManagerButton : kKeyboardManagerButton,
                              Qt::CaseInsensitive) == 0)
            OnManager();
        else
            return false;
        return true;
    }
    return false;
}

} // namespace zk::pages
