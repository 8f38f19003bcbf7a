#include "pages/macros/MacroManagerWnd.h"

#include "pages/macros/DelayWnd.h"
#include "pages/mouse/KeyCaptureWnd.h"
#include "platform/IniFile.h"
#include "settings/KeyTables.h"
#include "ui/Controls.h"
#include "ui/Log.h"
#include "ui/NotifyHub.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QRegularExpressionValidator>
#include <QStyle>

#include <algorithm>
#include <chrono>

namespace zk::pages {

using macros::MacroAction;
using macros::MacroError;

namespace {

const QString kMacroList = QStringLiteral("ms_MacroName_list");
const QString kActionList = QStringLiteral("ms_Macro_list");
const QString kMenu = QStringLiteral("right_click_list");
const QString kListEdit = QStringLiteral("list_edit");
const QString kNew = QStringLiteral("new_btn");
const QString kDelete = QStringLiteral("delete_btn");
const QString kStart = QStringLiteral("start_btn");
const QString kDelayOption = QStringLiteral("marco_delay_checkbox");
const QString kCountOption = QStringLiteral("circle_num_checkbox");
const QString kCountEdit = QStringLiteral("circle_num_edit");
const QString kCountRow = QStringLiteral("circle_num_row");
const QString kConfirm = QStringLiteral("confirm_btn");
const QString kCancel = QStringLiteral("cancel_btn");
const QString kInsertLeft = QStringLiteral("btn_insert_left");
const QString kInsertRight = QStringLiteral("btn_insert_right");
const QString kInsertMiddle = QStringLiteral("btn_insert_mid");
const QString kInsertKey = QStringLiteral("btn_insert_kb");
const QString kInsertDelay = QStringLiteral("btn_insert_delay");
const QString kDeleteAction = QStringLiteral("btn_delete");

// Rows are a little taller than the 20 pixels of the classic layout, so
// that the key labels' Chinese names keep their full height.
constexpr int kRowHeight = 24;
constexpr int kMenuWidth = 150;
constexpr int kMenuHeight = 128;
constexpr int kMaxRepeatCount = 255;
constexpr std::uint32_t kMaxDelay = 65535;
// The name a missing index entry reads as.
constexpr std::string_view kMissingName = "100";
constexpr std::uint32_t kKeypadEnterLookup = settings::kVkKeypadEnter;

// The virtual-key code of the last key pressed and not yet released, shared
// by every recording of the process: a press of the same key again is the
// keyboard's auto-repeat.
std::uint32_t g_lastPressedKey = 0;

// MouseActionTable rows of the press of the three insertable clicks; the
// release is the next row.
constexpr std::size_t kLeftPressRow = 0;
constexpr std::size_t kRightPressRow = 2;
constexpr std::size_t kMiddlePressRow = 4;

QString FromStd(const std::string& text) {
    return QString::fromStdString(text);
}

std::uint32_t SteadyTicks() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SetStyleClass(QWidget* w, const char* styleClass) {
    w->setProperty("styleClass", QString::fromLatin1(styleClass));
    w->style()->unpolish(w);
    w->style()->polish(w);
}

// The short text the manager shows for the three clicks it inserts.
std::optional<QString> ClickLabel(const std::string& name) {
    if (name == "mouse_key_left")
        return QStringLiteral("MS-L");
    if (name == "mouse_key_middle")
        return QStringLiteral("MS-M");
    if (name == "mouse_key_right")
        return QStringLiteral("MS-R");
    return std::nullopt;
}

void ShowControl(QWidget* w, bool visible) {
    if (w)
        w->setVisible(visible);
}

} // namespace

CmarcoManagerDialog::CmarcoManagerDialog(DeviceKind kind, macros::MacroLibrary library,
                                         PageServices& services)
    : kind_(kind), library_(std::move(library)), services_(services), clock_(SteadyTicks) {}

QWidget* CmarcoManagerDialog::Surface() {
    QWidget* root = GetPaintManager().GetRoot();
    return root ? root : this;
}

int CmarcoManagerDialog::RecordingMode() const {
    return IsMouse() ? ui::kHookMouseMacro : ui::kHookKeyboardMacro;
}

QListWidget* CmarcoManagerDialog::MacroList() const {
    return FindControl<QListWidget>(kMacroList);
}

QListWidget* CmarcoManagerDialog::ActionList() const {
    return FindControl<QListWidget>(kActionList);
}

std::vector<std::string> CmarcoManagerDialog::RowNames() const {
    std::vector<std::string> names;
    if (QListWidget* list = MacroList())
        for (int i = 0; i < list->count(); ++i)
            names.push_back(list->item(i)->data(Qt::UserRole).toString().toStdString());
    return names;
}

// --- opening ---------------------------------------------------------------------------

void CmarcoManagerDialog::InitWindow() {
    // The context menu and the rename edit float over the lists.
    QWidget* root = Surface();
    for (const QString& name : {kMenu, kListEdit})
        if (QWidget* w = FindControl(name)) {
            w->setParent(root);
            w->hide();
        }
    if (auto* edit = FindControl<QLineEdit>(kListEdit))
        edit->installEventFilter(this);
    if (auto* count = FindControl<QLineEdit>(kCountEdit))
        count->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("[0-9]{0,3}")), count));
    // The keyboard's library keeps no repeat counts.
    ShowControl(FindControl(kCountRow), IsMouse());
    SetStartText(false);

    const int count = library_.ReadCount();
    for (int i = 0; i < count; ++i)
        AddMacroRow(library_.ReadName(i, kMissingName));
    if (QWidget* del = FindControl(kDelete))
        del->setEnabled(count > 0);
    if (QWidget* start = FindControl(kStart))
        start->setEnabled(count > 0);
    if (QWidget* edit = FindControl(kCountEdit))
        edit->setEnabled(false);
    if (count > 0)
        ShowMacro(count - 1);
}

void CmarcoManagerDialog::AddMacroRow(const std::string& name) {
    QListWidget* list = MacroList();
    if (!list)
        return;
    auto* item = new QListWidgetItem(FromStd(name));
    item->setData(Qt::UserRole, FromStd(name));
    item->setSizeHint(QSize(0, kRowHeight));
    list->addItem(item);
}

// --- macros ----------------------------------------------------------------------------

void CmarcoManagerDialog::ShowMacro(int row) {
    QListWidget* list = MacroList();
    QListWidget* actions = ActionList();
    if (!list || !actions || row < 0 || row >= list->count())
        return;
    {
        ui::ProgramChangeGuard quiet;
        list->setCurrentRow(row);
        actions->clear();
    }
    shown_ = list->item(row)->data(Qt::UserRole).toString().toStdString();
    {
        ui::ProgramChangeGuard quiet;
        for (const std::string& line : library_.ReadActionLines(*shown_)) {
            const MacroAction action = macros::ActionFromLine(line);
            InsertPair(actions->count(), action);
        }
        if (actions->count() > 0)
            actions->setCurrentRow(0);
    }
    ShowRepeatCount(false);
    if (QWidget* del = FindControl(kDelete))
        del->setEnabled(true);
    if (QWidget* start = FindControl(kStart))
        start->setEnabled(true);
    HideMenu();
}

void CmarcoManagerDialog::ShowRepeatCount(bool editable) {
    auto* edit = FindControl<QLineEdit>(kCountEdit);
    if (!edit || !shown_)
        return;
    ui::ProgramChangeGuard quiet;
    edit->setText(QString::number(IsMouse() ? library_.ReadRepeatCount(*shown_) : 0));
    edit->setEnabled(editable);
    countTyped_ = false;
}

void CmarcoManagerDialog::StoreTypedRepeatCount() {
    auto* edit = FindControl<QLineEdit>(kCountEdit);
    if (!countTyped_ || !edit || !shown_ || !IsMouse())
        return;
    const int count = std::clamp(platform::ToInt(edit->text().toStdString()), 0, kMaxRepeatCount);
    if (const MacroError e = library_.WriteRepeatCount(*shown_, count); e != MacroError::None) {
        ShowError(e);
        return;
    }
    countTyped_ = false;
}

void CmarcoManagerDialog::OnMacroChosen() {
    QListWidget* list = MacroList();
    if (!list)
        return;
    const int row = list->currentRow();
    if (recording_)
        StopRecording(); // the recorded keys belong to the macro they were recorded for
    StoreTypedRepeatCount();
    ShowMacro(row);
}

void CmarcoManagerDialog::OnNew() {
    if (recording_)
        StopRecording();
    StoreTypedRepeatCount();
    std::vector<std::string> names = RowNames();
    if (static_cast<int>(names.size()) >= macros::kMaxMacros) {
        services_.ShowMessage("message_text_17");
        return;
    }
    // Stored in the index at once, with an empty action file and a repeat
    // count of 1, so the index never lists fewer names than the window.
    const std::string name = macros::MakeNewMacroName(names);
    if (const MacroError e = library_.AppendName(name); e != MacroError::None)
        return ShowError(e);
    MacroError e = library_.WriteActionLines(name, {});
    if (e == MacroError::None && IsMouse())
        e = library_.WriteRepeatCount(name, 1);
    if (e != MacroError::None)
        ShowError(e);
    AddMacroRow(name);
    ShowMacro(MacroList()->count() - 1);
    ShowRepeatCount(true);
    if (auto* option = FindControl<QAbstractButton>(kCountOption))
        ui::SetCheck(option, true, false);
}

void CmarcoManagerDialog::OnDelete() {
    QListWidget* list = MacroList();
    if (!list || list->count() == 0 || list->currentRow() < 0)
        return;
    if (recording_)
        StopRecording();
    const int row = list->currentRow();
    std::vector<std::string> names = RowNames();
    const std::string name = names[static_cast<std::size_t>(row)];
    names.erase(names.begin() + row);
    // The index first: when it cannot be written nothing is lost.
    if (const MacroError e = library_.RewriteIndex(names); e != MacroError::None)
        return ShowError(e);
    if (const MacroError e = library_.DeleteActionFile(name); e != MacroError::None)
        ShowError(e);
    {
        ui::ProgramChangeGuard quiet;
        delete list->takeItem(row);
        ActionList()->clear();
    }
    shown_.reset();
    countTyped_ = false;
    if (list->count() > 0) {
        ShowMacro(0);
    } else {
        for (const QString& name : {kDelete, kStart})
            if (QWidget* w = FindControl(name))
                w->setEnabled(false);
        if (auto* edit = FindControl<QLineEdit>(kCountEdit)) {
            edit->clear();
            edit->setEnabled(false);
        }
    }
}

void CmarcoManagerDialog::BeginRename(int row) {
    QListWidget* list = MacroList();
    auto* edit = FindControl<QLineEdit>(kListEdit);
    if (!list || !edit || row < 0 || row >= list->count())
        return;
    renameRow_ = row;
    renameOld_ = list->item(row)->data(Qt::UserRole).toString().toStdString();
    const QRect r = list->visualItemRect(list->item(row));
    const QPoint topLeft = list->viewport()->mapTo(Surface(), r.topLeft());
    edit->setGeometry(QRect(topLeft, QSize(r.width(), std::max(r.height(), 24))));
    edit->setText(FromStd(renameOld_));
    edit->show();
    edit->raise();
    edit->setFocus();
    edit->selectAll();
}

void CmarcoManagerDialog::EndRename(bool take) {
    auto* edit = FindControl<QLineEdit>(kListEdit);
    QListWidget* list = MacroList();
    if (renameRow_ < 0 || renaming_ || !edit || !list)
        return;
    renaming_ = true;
    const int row = renameRow_;
    const std::string oldName = renameOld_;
    const std::string newName = edit->text().toStdString();
    renameRow_ = -1;
    edit->hide();
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{renaming_};
    if (!take || row >= list->count() || macros::SameMacroName(newName, oldName))
        return; // a change of case only is no new name
    const std::vector<std::string> names = RowNames();
    for (const auto& other : names)
        if (macros::SameMacroName(other, newName)) {
            services_.ShowMessage("message_text_5");
            return;
        }
    if (const MacroError e = macros::CheckMacroName(newName); e != MacroError::None)
        return ShowError(e);
    const bool isShown = shown_ && *shown_ == oldName;
    if (isShown) {
        StoreTypedRepeatCount();
        // The listed actions are what the file holds: every change was saved.
    }
    if (const MacroError e = library_.MoveActionFile(oldName, newName); e != MacroError::None)
        return ShowError(e);
    if (const MacroError e = library_.SetName(row, newName); e != MacroError::None) {
        library_.MoveActionFile(newName, oldName); // the index still names the old file
        return ShowError(e);
    }
    if (IsMouse()) {
        library_.WriteSelectName(newName);
        // The repeat count goes with the macro.
        library_.WriteRepeatCount(newName, library_.ReadRepeatCount(oldName));
    }
    list->item(row)->setText(FromStd(newName));
    list->item(row)->setData(Qt::UserRole, FromStd(newName));
    if (isShown)
        shown_ = newName;
}

// --- action rows -----------------------------------------------------------------------

QWidget* CmarcoManagerDialog::MakeActionRow(const MacroAction& action) {
    auto* row = new QWidget;
    row->setObjectName(QStringLiteral("ms_macro_action"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(8, 0, 8, 0);
    layout->setSpacing(8);
    auto* direction = new QLabel(row);
    auto* name = new QLabel(row);
    SetStyleClass(direction, action.down != 0 ? "macro_down_style" : "macro_up_style");
    if (const auto click = ClickLabel(action.name)) {
        SetStyleClass(name, "macro_mouse_style");
        ui::SetText(name, *click, false);
    } else {
        SetStyleClass(name, "macro_key_style");
        ui::SetText(name, FromStd(action.name), !action.name.empty());
    }
    layout->addWidget(direction, 0, Qt::AlignVCenter);
    layout->addWidget(name, 0, Qt::AlignVCenter);
    layout->addStretch(1);
    ui::SetUserData(row, FromStd(macros::FormatActionLine(action)));
    return row;
}

QWidget* CmarcoManagerDialog::MakeDelayRow(int delay) {
    auto* row = new QWidget;
    row->setObjectName(QStringLiteral("ms_macro_delay"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(32, 0, 8, 0);
    layout->setSpacing(6);
    auto* icon = new QLabel(row);
    auto* time = new QLabel(row);
    SetStyleClass(icon, "macro_delay_icon_style");
    SetStyleClass(time, "macro_delay_time_style");
    ui::SetText(time, QString::number(delay), false);
    layout->addWidget(icon, 0, Qt::AlignVCenter);
    layout->addWidget(time, 0, Qt::AlignVCenter);
    layout->addStretch(1);
    return row;
}

void CmarcoManagerDialog::InsertPair(int at, const MacroAction& action) {
    QListWidget* list = ActionList();
    if (!list)
        return;
    ui::ProgramChangeGuard quiet;
    auto* actionItem = new QListWidgetItem;
    actionItem->setSizeHint(QSize(0, kRowHeight));
    list->insertItem(at, actionItem);
    list->setItemWidget(actionItem, MakeActionRow(action));
    auto* delayItem = new QListWidgetItem;
    delayItem->setSizeHint(QSize(0, kRowHeight));
    list->insertItem(at + 1, delayItem);
    list->setItemWidget(delayItem, MakeDelayRow(action.Delay()));
}

void CmarcoManagerDialog::SetActionDelay(int actionRow, int delay) {
    QListWidget* list = ActionList();
    if (!list || actionRow < 0 || actionRow + 1 >= list->count())
        return;
    QWidget* row = list->itemWidget(list->item(actionRow));
    MacroAction action = macros::ActionFromLine(ui::GetUserData(row).toStdString());
    action.delayLow = static_cast<std::uint8_t>(delay % 256);
    action.delayHigh = static_cast<std::uint8_t>((delay / 256) % 256);
    ui::SetUserData(row, FromStd(macros::FormatActionLine(action)));
    if (QWidget* delayRow = list->itemWidget(list->item(actionRow + 1)))
        if (auto* time = delayRow->findChildren<QLabel*>().value(1))
            ui::SetText(time, QString::number(action.Delay()), false);
}

std::vector<std::string> CmarcoManagerDialog::ActionLines() const {
    std::vector<std::string> lines;
    if (QListWidget* list = ActionList())
        for (int i = 0; i < list->count(); i += 2)
            lines.push_back(ui::GetUserData(list->itemWidget(list->item(i))).toStdString());
    return lines;
}

int CmarcoManagerDialog::SelectedRow() const {
    QListWidget* list = ActionList();
    return list ? list->currentRow() : -1;
}

void CmarcoManagerDialog::Save() {
    if (!shown_)
        return;
    if (const MacroError e = library_.WriteActionLines(*shown_, ActionLines());
        e != MacroError::None)
        return ShowError(e);
    StoreTypedRepeatCount();
}

void CmarcoManagerDialog::ShowError(MacroError error) {
    services_.ShowMessage(macros::MacroErrorKey(error));
}

// --- context menu ----------------------------------------------------------------------

void CmarcoManagerDialog::ShowMenu(const QPoint& at) {
    QListWidget* list = ActionList();
    QWidget* menu = FindControl(kMenu);
    if (!list || !menu || !shown_)
        return;
    QWidget* surface = Surface();
    QPoint corner = list->mapTo(surface, at);
    if (QListWidgetItem* item = list->item(list->currentRow()))
        corner = list->viewport()->mapTo(surface, list->visualItemRect(item).bottomRight());
    else if (list->count() > 0)
        return; // rows but none chosen
    // Kept inside the window.
    corner.setX(std::clamp(corner.x(), 0, std::max(0, surface->width() - kMenuWidth)));
    const int menuHeight = std::max(kMenuHeight, menu->sizeHint().height());
    corner.setY(std::clamp(corner.y(), 0, std::max(0, surface->height() - menuHeight)));
    menu->setGeometry(QRect(corner, QSize(kMenuWidth, menuHeight)));
    menu->show();
    menu->raise();
}

void CmarcoManagerDialog::HideMenu() {
    if (QWidget* menu = FindControl(kMenu))
        menu->hide();
}

void CmarcoManagerDialog::InsertClick(std::size_t pressRow) {
    HideMenu();
    QListWidget* list = ActionList();
    if (!list || !shown_)
        return;
    int s = SelectedRow();
    if (list->count() == 0)
        s = 0; // an empty macro takes its first actions
    else if (s < 0 || s % 2 != 0)
        return services_.ShowMessage("Do Not Insert At Delay");
    for (std::size_t row : {pressRow + 1, pressRow}) {
        const auto& mouse = macros::MouseActionTable[row];
        MacroAction action;
        action.type = mouse.type;
        action.code = mouse.buttonBit;
        action.down = (mouse.type & macros::kDirectionBit) != 0 ? 1 : 0;
        action.name = std::string(mouse.name);
        InsertPair(s, action); // the release first, then the press before it
    }
    {
        ui::ProgramChangeGuard quiet;
        list->setCurrentRow(list->count() > 4 && s + 4 < list->count() ? s + 4 : s);
    }
    Save();
}

void CmarcoManagerDialog::InsertKey() {
    HideMenu();
    QListWidget* list = ActionList();
    if (!list || !shown_)
        return;
    int s = SelectedRow();
    if (list->count() == 0)
        s = 0;
    else if (s < 0 || s % 2 != 0)
        return services_.ShowMessage("Do Not Insert At Delay");
    if (recording_)
        StopRecording(); // the key-capture window takes the keyboard
    const auto captured = RunKeyCapture(this);
    if (!captured || !list || !shown_)
        return;
    const bool modifier = captured->action.p2 == 0;
    for (bool down : {false, true}) {
        MacroAction action;
        action.type = static_cast<std::uint8_t>(
            (modifier ? macros::action_class::kModifier : macros::action_class::kKey) |
            (down ? macros::kDirectionBit : 0));
        action.code = modifier ? captured->action.p1 : captured->action.p2;
        action.down = down ? 1 : 0;
        action.name = captured->key.toStdString();
        InsertPair(s, action);
    }
    {
        ui::ProgramChangeGuard quiet;
        list->setCurrentRow(s + 4 < list->count() ? s + 4 : s);
    }
    Save();
}

void CmarcoManagerDialog::ChangeDelay() {
    HideMenu();
    const int s = SelectedRow();
    if (s < 0 || s % 2 == 0)
        return services_.ShowMessage("Modify_Delay_erro_text");
    const auto value = RunDelayWindow(this);
    if (!value)
        return; // cancelled: the delay stays as it was
    SetActionDelay(s - 1, *value);
    if (QListWidget* list = ActionList()) {
        ui::ProgramChangeGuard quiet;
        list->setCurrentRow(s);
    }
    Save();
}

void CmarcoManagerDialog::DeleteAction() {
    HideMenu();
    QListWidget* list = ActionList();
    const int s = SelectedRow();
    if (!list || s < 0 || s % 2 != 0)
        return services_.ShowMessage("Do Not Delete Delay");
    {
        ui::ProgramChangeGuard quiet;
        delete list->takeItem(s + 1);
        delete list->takeItem(s);
        const int next = s < list->count() ? s : s - 2;
        list->setCurrentRow(std::max(next, -1));
    }
    Save();
}

// --- recording -------------------------------------------------------------------------

void CmarcoManagerDialog::SetStartText(bool recording) {
    if (QWidget* start = FindControl(kStart))
        ui::SetText(start, recording ? QStringLiteral("marco_stop") : QStringLiteral("marco_start"),
                    true);
}

void CmarcoManagerDialog::OnStartStop() {
    if (recording_)
        StopRecording();
    else
        StartRecording();
}

void CmarcoManagerDialog::StartRecording() {
    QListWidget* list = MacroList();
    if (!list || list->currentRow() < 0 || !shown_)
        return;
    HideMenu();
    if (!hook_.Install(RecordingMode(), this)) {
        // Another program holds the keyboard: keys would go there, not here.
        services_.ShowMessage("marco_record_no_grab");
        return;
    }
    lastTick_ = clock_();
    recording_ = true;
    SetStartText(true);
}

void CmarcoManagerDialog::StopRecording() {
    hook_.Uninstall();
    if (!recording_)
        return;
    recording_ = false;
    SetStartText(false);
    Save();
}

ui::LRESULT CmarcoManagerDialog::HandleCustomMessage(unsigned uMsg, ui::WPARAM wParam,
                                                     ui::LPARAM lParam, bool& bHandled) {
    if (uMsg == ui::HookMessageOf(RecordingMode()) && lParam != 0) {
        bHandled = true;
        if (recording_)
            RecordKey(wParam, *reinterpret_cast<const ui::KeyboardEventRecord*>(lParam));
    }
    return 0;
}

void CmarcoManagerDialog::RecordKey(ui::WPARAM message, const ui::KeyboardEventRecord& record) {
    qCDebug(ui::uiLog()).noquote()
        << QString::asprintf("%d,%d,%d,%d,%d", static_cast<int>(record.vkCode),
                             static_cast<int>(record.scanCode), static_cast<int>(record.flags),
                             static_cast<int>(record.time), static_cast<int>(record.extraInfo));
    std::uint32_t vk = record.vkCode;
    if (vk == settings::kVkReturn && (record.flags == 1 || record.flags == 0x81))
        vk = kKeypadEnterLookup;
    const bool press = message == ui::WM_KEYDOWN || message == ui::WM_SYSKEYDOWN;
    if (press) {
        if (vk == g_lastPressedKey)
            return; // the keyboard repeats a held key
        g_lastPressedKey = vk;
    } else if (vk == g_lastPressedKey) {
        g_lastPressedKey = 0;
    }
    const auto row =
        vk <= 0xFFFF ? settings::FindKeyboardRow(static_cast<std::uint16_t>(vk)) : std::nullopt;
    if (!row || *row >= settings::kMacroKeyRows)
        return;
    const auto& key = settings::KeyboardKeyTable[*row];
    MacroAction action;
    if (key.p2 != 0) {
        action.type = macros::action_class::kKey;
        action.code = key.p2;
    } else if (key.p1 != 0) {
        action.type = macros::action_class::kModifier;
        action.code = key.p1;
    }
    if (press)
        action.type |= macros::kDirectionBit;
    action.down = press ? 1 : 0;
    action.name = std::string(settings::KeyboardKeyName(*row));

    QListWidget* list = ActionList();
    if (!list)
        return;
    const bool hadRows = list->count() > 0;
    InsertPair(list->count(), action);
    const std::uint32_t now = clock_();
    std::uint32_t delay = 0;
    if (auto* option = FindControl<QAbstractButton>(kDelayOption); option && option->isChecked())
        delay = now - lastTick_;
    lastTick_ = now;
    delay = std::min(delay, kMaxDelay);
    if (hadRows)
        SetActionDelay(list->count() - 4, static_cast<int>(delay));
    list->scrollToBottom();
    list->viewport()->update();
}

// --- notifications ---------------------------------------------------------------------

void CmarcoManagerDialog::Notify(ui::TNotifyUI& msg) {
    if (msg.Is(ui::DUI_MSGTYPE_ITEMSELECT, kMacroList)) {
        OnMacroChosen();
    } else if (msg.Is(ui::DUI_MSGTYPE_ITEMACTIVATE, kMacroList)) {
        BeginRename(static_cast<int>(msg.wParam));
    } else if (msg.Is(ui::DUI_MSGTYPE_KILLFOCUS, kListEdit)) {
        EndRename(true);
    } else if (msg.Is(ui::DUI_MSGTYPE_ITEMSELECT, kActionList)) {
        HideMenu();
    } else if (msg.Is(ui::DUI_MSGTYPE_MENU, kActionList)) {
        ShowMenu(msg.ptMouse);
    } else if (msg.Is(ui::DUI_MSGTYPE_TEXTCHANGED, kCountEdit)) {
        countTyped_ = true;
    } else if (msg.Is(ui::DUI_MSGTYPE_CLICK)) {
        const QString& name = msg.senderName;
        auto is = [&name](const QString& control) {
            return name.compare(control, Qt::CaseInsensitive) == 0;
        };
        if (is(kNew))
            OnNew();
        else if (is(kDelete))
            OnDelete();
        else if (is(kStart))
            OnStartStop();
        else if (is(kInsertLeft))
            InsertClick(kLeftPressRow);
        else if (is(kInsertRight))
            InsertClick(kRightPressRow);
        else if (is(kInsertMiddle))
            InsertClick(kMiddlePressRow);
        else if (is(kInsertKey))
            InsertKey();
        else if (is(kInsertDelay))
            ChangeDelay();
        else if (is(kDeleteAction))
            DeleteAction();
        else if (is(kConfirm)) {
            if (recording_)
                StopRecording();
            StoreTypedRepeatCount();
            Close(ui::IDOK);
        } else if (is(kCancel)) {
            Close(ui::IDCANCEL);
        }
    }
}

bool CmarcoManagerDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FindControl(kListEdit) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) {
            EndRename(key != Qt::Key_Escape);
            return true;
        }
    }
    return ui::WindowImplBase::eventFilter(watched, event);
}

bool CmarcoManagerDialog::ResponseDefaultKeyEvent(int key) {
    if (key == Qt::Key_Escape) {
        Close(ui::IDCANCEL);
        return true;
    }
    return false;
}

void CmarcoManagerDialog::changeEvent(QEvent* e) {
    // A recording swallows every key: it ends when the user turns to another
    // window, so no other program loses its keys to it.
    if (e->type() == QEvent::ActivationChange && !isActiveWindow() && recording_)
        StopRecording();
    ui::WindowImplBase::changeEvent(e);
}

void CmarcoManagerDialog::OnDestroy() {
    if (recording_)
        StopRecording();
    hook_.Uninstall();
}

void RunMacroManager(QWidget* parent, DeviceKind kind, macros::MacroLibrary library,
                     PageServices& services) {
    QPointer<CmarcoManagerDialog> window =
        new CmarcoManagerDialog(kind, std::move(library), services);
    if (!window->Create(parent ? parent->window() : nullptr, QStringLiteral("MarcoManagerWnd"),
                        ui::WindowStyle::Dialog)) {
        delete window;
        return;
    }
    window->CenterWindow();
    window->ShowModal();
    delete window;
}

} // namespace zk::pages
