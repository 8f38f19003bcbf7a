#include "pages/mouse/ButtonPage.h"

#include "macros/MacroLibrary.h"
#include "macros/MacroUpload.h"
#include "pages/FunctionChoices.h"
#include "pages/macros/MacroAssignWnd.h"
#include "pages/mouse/KeyCaptureWnd.h"
#include "platform/Folders.h"
#include "platform/IniFile.h"
#include "profiles/NameFile.h"
#include "profiles/ProfileIndex.h"
#include "settings/KeyTables.h"
#include "ui/Controls.h"
#include "ui/NotifyHub.h"
#include "ui/ResourceManager.h"
#include "ui/WindowImplBase.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>
#include <array>
#include <functional>
#include <string>

namespace zk::pages {

using settings::AssignmentEntry;
using settings::ButtonAction;
namespace type = settings::action_type;

namespace {

const QString kPopup = QStringLiteral("mouse_key_list");
const QString kDpiList = QStringLiteral("DPI_key_list");
const QString kOfficeList = QStringLiteral("office_key_list");
const QString kMediaList = QStringLiteral("media_key_list");
const QString kWindowList = QStringLiteral("window_manager_list");
const QString kButtonPrefix = QStringLiteral("mouse_key_");
const QString kLabelPrefix = QStringLiteral("ms_key_");
const QString kDistribute = QStringLiteral("btn_distribute");
const QString kDistributePanel = QStringLiteral("mouse_key_distribute");
const QString kFrontView = QStringLiteral("MouseFront_check");
const QString kSideView = QStringLiteral("MouseSide_check");
const QString kViews = QStringLiteral("mouse_tab");
const QString kEditorCombo = QStringLiteral("ms_key_fct_combo");
const QString kEditorPagePrefix = QStringLiteral("ms_tab_function_");
const QString kRepeatPage = QStringLiteral("ms_tab_function_26");
const QString kEditorButton = QStringLiteral("ms_key_fct_button");
const QString kApply = QStringLiteral("ms_key_fct_apply");
const QString kKeyEdit = QStringLiteral("ms_key_fct_edit_21");

QString Combo(int n) {
    return QStringLiteral("ms_key_fct_combo_%1").arg(n);
}
QString Edit(int n) {
    return QStringLiteral("ms_key_fct_edit_%1").arg(n);
}
QString FromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

// Popup placement: x 253 to 359, 240 pixels high, the top by button 2 to 7.
constexpr int kPopupLeft = 253;
constexpr int kPopupWidth = 359 - 253;
constexpr int kPopupHeight = 240;
constexpr std::array<int, 6> kPopupTops{162, 183, 205, 228, 250, 272};

// A sub-list and where it opens, relative to the popup's top edge.
struct SubList {
    const char* opener;
    const QString* list;
    int top, bottom, right;
};
constexpr int kSubListLeft = 360;
const std::array<SubList, 4> kSubLists{{
    {"switch_DPI_key", &kDpiList, 120, 183, 455},
    {"media_set_key", &kMediaList, 138, 288, 457},
    {"office_key", &kOfficeList, 118, 286, 459},
    {"window_manager_key", &kWindowList, 135, 233, 457},
}};

// What a function item of the popup assigns.
enum class Source { Mouse, Dpi, Office, Media, DoubleClick, Off, Key, Macro };
struct PopupItem {
    const char* name;
    Source source;
    int position;
    const QString* subList; // closed with the popup, and kept open on hover
};
const std::array<PopupItem, 35> kItems{{
    {"left_key", Source::Mouse, 0, nullptr},
    {"middle_key", Source::Mouse, 1, nullptr},
    {"right_key", Source::Mouse, 2, nullptr},
    {"forward_key", Source::Mouse, 3, nullptr},
    {"back_key", Source::Mouse, 4, nullptr},
    {"left_key_double_click", Source::DoubleClick, 0, nullptr},
    {"function_close_key", Source::Off, 0, nullptr},
    {"DPI_key_add", Source::Dpi, 0, &kDpiList},
    {"DPI_key_sub", Source::Dpi, 1, &kDpiList},
    {"DPI_key_loop", Source::Dpi, 2, &kDpiList},
    {"open_key", Source::Office, 0, &kOfficeList},
    {"new_key", Source::Office, 1, &kOfficeList},
    {"cancel_key", Source::Office, 2, &kOfficeList},
    {"save_key", Source::Office, 3, &kOfficeList},
    {"copy_key", Source::Office, 4, &kOfficeList},
    {"cut_key", Source::Office, 5, &kOfficeList},
    {"paste_key", Source::Office, 6, &kOfficeList},
    {"all_key", Source::Office, 8, &kOfficeList},
    {"print_key", Source::Office, 11, &kOfficeList},
    {"repeat_key", Source::Office, 12, &kOfficeList},
    {"open_play_key", Source::Media, 0, &kMediaList},
    {"play_pause_key", Source::Media, 1, &kMediaList},
    {"previous_key", Source::Media, 3, &kMediaList},
    {"next_key", Source::Media, 4, &kMediaList},
    {"voice_sub_key", Source::Media, 5, &kMediaList},
    {"voice_add_key", Source::Media, 6, &kMediaList},
    {"quiet_key", Source::Media, 7, &kMediaList},
    {"stop_key", Source::Media, 10, &kMediaList},
    {"web_page_key", Source::Media, 8, &kWindowList},
    {"computer_key", Source::Media, 15, &kWindowList},
    {"close_find_key", Source::Office, 13, &kWindowList},
    {"show_desktop_key", Source::Office, 14, &kWindowList},
    {"run_key", Source::Office, 15, &kWindowList},
    {"gunlun_key", Source::Key, 0, nullptr},
    {"marco_key", Source::Macro, 0, nullptr},
}};

const PopupItem* ItemNamed(const QString& name) {
    for (const PopupItem& item : kItems)
        if (name.compare(QLatin1String(item.name), Qt::CaseInsensitive) == 0)
            return &item;
    return nullptr;
}
const SubList* SubListOpenedBy(const QString& name) {
    for (const SubList& sub : kSubLists)
        if (name.compare(QLatin1String(sub.opener), Qt::CaseInsensitive) == 0)
            return &sub;
    return nullptr;
}

// An item keeps no focus once its list closes, not even as the focus the
// window gives back when it is activated again: the next click on it must
// raise "setfocus" once more.
void DropFocusIn(QWidget* list) {
    for (QWidget* focus : {QApplication::focusWidget(), list->window()->focusWidget()})
        if (focus && list->isAncestorOf(focus))
            focus->clearFocus();
}

// The button (1 to 7) of a mouse_key_<n> control; 0 for other names.
int ButtonOfControl(const QString& name) {
    if (name.size() != kButtonPrefix.size() + 1 || !name.startsWith(kButtonPrefix))
        return 0;
    const int n = name.back().digitValue();
    return n >= 1 && n <= 7 ? n : 0;
}

// The drawing of the mouse picture that button n lights: the middle and right
// buttons are drawn as 3 and 2.
int DrawingOfButton(int button) {
    return button == 2 ? 3 : button == 3 ? 2 : button;
}

// Ranges of the editor's edits: {edit, lowest, highest}.
struct EditRange {
    int edit, low, high;
};
constexpr std::array<EditRange, 9> kEditRanges{{
    {11, 0, 255},
    {12, 0, 255},
    {15, 0, 127},
    {16, 0, 127},
    {17, 0, 15},
    {18, 0, 15},
    {19, 0, 15},
    {20, 0, 15},
    {25, 1, 255},
}};
constexpr int kFirstCombo = 11;
constexpr int kLastCombo = 26;
constexpr int kEditorPages = 12;
constexpr int kKeyPage = 6;
constexpr int kMacroPage = 9;
constexpr int kRepeatSelection = 4;

// A decimal number of an edit; text that is not a number reads as 0.
int DecimalOf(const QString& text) {
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok);
    if (!ok)
        return 0;
    return static_cast<int>(std::clamp<qlonglong>(value, -1000000, 1000000));
}

} // namespace

// Closes the popup when the user presses a mouse button anywhere outside it.
class PopupCloser : public QObject {
public:
    explicit PopupCloser(std::function<void(QWidget*)> pressed) : pressed_(std::move(pressed)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType())
            pressed_(static_cast<QWidget*>(watched));
        return false;
    }

private:
    std::function<void(QWidget*)> pressed_;
};

ButtonPage::ButtonPage(QWidget* window, profiles::MouseSession& session, PageServices& services)
    : window_(window), session_(session), services_(services) {
    const QStringList names = {kFrontView, kSideView,   kDistribute, kEditorCombo, kApply,   kPopup,
                               kDpiList,   kOfficeList, kMediaList,  kWindowList,  QString()};
    for (const QString& name : names)
        if (!name.isEmpty())
            claims_.insert(name.toLower());
    for (int n = 1; n <= 7; ++n)
        claims_.insert((kButtonPrefix + QString::number(n)).toLower());
    for (const PopupItem& item : kItems)
        claims_.insert(QString::fromLatin1(item.name).toLower());
    for (const SubList& sub : kSubLists)
        claims_.insert(QString::fromLatin1(sub.opener).toLower());
    for (int n = kFirstCombo; n <= kLastCombo; ++n) {
        claims_.insert(Combo(n).toLower());
        claims_.insert(Edit(n).toLower());
    }
}

ButtonPage::~ButtonPage() = default;

bool ButtonPage::Claims(const QString& name) const {
    return claims_.contains(name.toLower());
}

QWidget* ButtonPage::Find(const QString& name) const {
    return FindControl(window_, name);
}

int ButtonPage::Language() const {
    const platform::IniFile mainIni(platform::GetDataFolder() + "main.ini");
    const int stored = mainIni.ReadInt("SKINIMAGE", "LANGUAGE", "-1");
    if (stored != -1)
        return stored;
    // Nothing stored yet: the language the window shows.
    return ui::ResourceManager::GetInstance().GetLanguage().startsWith(QLatin1String("cn")) ? 1 : 0;
}

// --- set-up -----------------------------------------------------------------------

void ButtonPage::Prepare() {
    // Once, when the window's layout with the page's controls is built.
    if (prepared_ || !window_ || (!Find(kPopup) && !Find(kEditorCombo)))
        return;
    prepared_ = true;
    // The popup and its sub-lists float over the window, placed in its
    // coordinates; closed they have the empty rectangle.
    QWidget* frame = nullptr;
    if (QWidget* popup = Find(kPopup)) {
        // The layout's root: the widget that fills the window.
        frame = popup;
        while (frame->parentWidget() && !frame->parentWidget()->isWindow())
            frame = frame->parentWidget();
    }
    for (const QString* name : {&kPopup, &kDpiList, &kOfficeList, &kMediaList, &kWindowList})
        if (QWidget* list = Find(*name); list && frame) {
            list->setParent(frame);
            list->setGeometry(0, 0, 0, 0);
            list->hide();
        }
    auto* closer = new PopupCloser([this](QWidget* pressed) {
        QWidget* popup = Find(kPopup);
        if (!popup || !popup->isVisible() || !window_ || pressed->window() != window_->window())
            return;
        for (QWidget* w = pressed; w; w = w->parentWidget()) {
            const QString name = w->objectName();
            if (w == popup || name == kDpiList || name == kOfficeList || name == kMediaList ||
                name == kWindowList || ButtonOfControl(name) >= 2)
                return;
        }
        ClosePopup();
    });
    closer->setParent(window_);
    qApp->installEventFilter(closer);

    // The pictures of the mouse drawing: normal, and not in the way of clicks.
    for (int m = 1; m <= 7; ++m) {
        if (QWidget* picture = Find(QStringLiteral("mouse_btn_%1").arg(m))) {
            ui::SetBkImage(picture, QStringLiteral("qelma/btn_%1.png").arg(m));
            picture->setAttribute(Qt::WA_TransparentForMouseEvents);
        }
        const QString line =
            m == 7 ? QStringLiteral("mouse_btn_7_line") : QStringLiteral("mouse_btn_%1_0").arg(m);
        if (QWidget* picture = Find(line)) {
            ui::SetBkImage(picture, QStringLiteral("qelma/F-%1-normal.png").arg(m));
            picture->setAttribute(Qt::WA_TransparentForMouseEvents);
        }
    }

    // The editor's lists, from the tables they index.
    using settings::KeyNameTable;
    namespace row = settings::key_name_row;
    const auto fill = [this](const QString& name, const QStringList& keys) {
        FillChoices(Find(name), keys);
    };
    QStringList types;
    for (int i = 0; i < kEditorPages; ++i)
        types << QStringLiteral("fct_type_%1").arg(i);
    fill(kEditorCombo, types);
    fill(Combo(11), KeyNameKeys(row::kMouseButton, settings::MouseButtonTable.size()));
    fill(Combo(12), QStringList{FromView(KeyNameTable[row::kSwingLeft]),
                                FromView(KeyNameTable[row::kSwingRight])});
    fill(Combo(13), QStringList{FromView(KeyNameTable[row::kSwingUp]),
                                FromView(KeyNameTable[row::kSwingDown])});
    fill(Combo(14), KeyNameKeys(row::kDpi, settings::DpiKeyTable.size()));
    fill(Combo(21), KeyNameKeys(row::kMedia, settings::MediaKeyTable.size()));
    fill(Combo(22), KeyNameKeys(row::kSystem, settings::SystemKeyTable.size()));
    QStringList ends;
    for (int i = 0; i <= kRepeatSelection; ++i)
        ends << QStringLiteral("fct_macro_end_%1").arg(i);
    fill(Combo(24), ends);
    fill(Combo(25), KeyNameKeys(row::kGun, 4));
    fill(Combo(26), OfficeChoiceKeys());
    ui::ProgramChangeGuard quiet;
    for (const EditRange& range : kEditRanges)
        if (auto* edit = qobject_cast<QLineEdit*>(Find(Edit(range.edit))))
            edit->setText(QString::number(range.low));
    for (int i = 0; i < kEditorPages; ++i)
        if (QWidget* page = Find(kEditorPagePrefix + QString::number(i)))
            page->setVisible(i == 0);
    if (QWidget* repeat = Find(kRepeatPage))
        repeat->setVisible(false);
}

// --- refresh ----------------------------------------------------------------------

void ButtonPage::Refresh() {
    if (!window_)
        return;
    Prepare();
    ShowButtonNames();
    RefreshLabels();
    RefreshMacroChoices();
    ShowEditorButton();
}

void ButtonPage::ShowButtonNames() {
    ui::ProgramChangeGuard quiet;
    if (QWidget* left = Find(kButtonPrefix + QLatin1Char('1'))) {
        ui::SetText(left, FromView(settings::KeyNameTable[settings::key_name_row::kMouseButton]),
                    true);
        left->setToolTip(ui::GetText(left));
    }
    const auto nameFile = profiles::MouseNameFile::ForSelectedProfile();
    const int language = Language();
    for (int n = profiles::name_file::kFirstNamedButton; n <= profiles::name_file::kLastNamedButton;
         ++n) {
        QWidget* control = Find(kButtonPrefix + QString::number(n));
        if (!control)
            continue;
        const std::string stored = nameFile ? nameFile->KeyName(n) : std::string("0");
        if (stored == "0") {
            // Chinese shows the Chinese names of the restore set (the built-in
            // set of that language is not Chinese).
            const std::string_view name = language == 1 ? settings::RestoreButtonName(n, language)
                                                        : settings::BuiltInButtonName(n, language);
            ui::SetText(control, FromView(name), false);
        } else if (stored == "1") {
            ui::SetText(control, FromView(settings::ButtonNameResourceKey(n)), true);
        } else {
            ui::SetText(control, QString::fromStdString(stored), false);
        }
        control->setToolTip(ui::GetText(control));
    }
}

void ButtonPage::RefreshLabels() {
    const settings::MacroNameLookup macroName =
        macros::MacroNameLookupOf(macros::MacroLibrary::Mouse());
    const auto& table = session_.image.buttonTables[0];
    for (int i = 0; i < 7; ++i) {
        QWidget* label = Find(kLabelPrefix + QString::number(i));
        if (!label)
            continue;
        const settings::ActionLabel shown =
            settings::DisplayKeyOf(table.actions[static_cast<std::size_t>(i)], macroName);
        if (shown.kind == settings::ActionLabel::Kind::Unchanged)
            continue;
        ui::SetText(label, QString::fromStdString(shown.text),
                    shown.kind == settings::ActionLabel::Kind::ResourceKey);
        label->setToolTip(ui::GetText(label));
    }
}

void ButtonPage::RefreshMacroChoices() {
    auto* combo = qobject_cast<QComboBox*>(Find(Combo(23)));
    if (!combo)
        return;
    ui::ProgramChangeGuard quiet;
    const int previous = combo->currentIndex();
    ui::RemoveAllItems(combo);
    for (const std::string& name : macros::MacroLibrary::Mouse().ReadNames())
        ui::AddItem(combo, QString::fromStdString(name));
    combo->setCurrentIndex(previous < combo->count() ? previous : -1);
}

void ButtonPage::ShowEditorButton() {
    QWidget* label = Find(kEditorButton);
    if (!label)
        return;
    const int button = session_.image.selectedButton;
    ui::SetText(label,
                button >= 2 && button <= 7 ? QStringLiteral("button_no_%1").arg(button)
                                           : QStringLiteral("fct_button_none"),
                true);
}

// --- notifications ----------------------------------------------------------------

bool ButtonPage::Notify(ui::TNotifyUI& msg) {
    if (!window_)
        return false;
    Prepare();
    const QString& name = msg.senderName;
    const int button = ButtonOfControl(name);

    if (msg.Is(ui::DUI_MSGTYPE_CLICK)) {
        if (button >= 2) {
            OpenPopup(button);
            return true;
        }
        if (button == 1)
            return true; // the left button keeps its function
        if (name == kDistribute) {
            if (QWidget* panel = Find(kDistributePanel))
                panel->setVisible(panel->isHidden());
            return true;
        }
        if (name == kApply) {
            ApplyEditor();
            return true;
        }
        if (ItemNamed(name)) {
            // The press already chose the item when it gave it the focus; a
            // click on an item that had the focus chooses it here.
            if (focusChosen_ == name) {
                focusChosen_.clear();
                return true;
            }
            return OnPopupItem(name);
        }
        return false;
    }
    if (msg.Is(ui::DUI_MSGTYPE_SELECTCHANGED)) {
        if (name == kFrontView || name == kSideView) {
            auto* option = qobject_cast<QAbstractButton*>(msg.pSender.data());
            if (!option || option->isChecked())
                SelectView(name == kSideView);
            return true;
        }
        return false;
    }
    if (msg.Is(ui::DUI_MSGTYPE_MOUSEENTER)) {
        if (button) {
            Hover(button, true);
            CollapseSubLists(QString());
            return true;
        }
        if (const SubList* sub = SubListOpenedBy(name)) {
            ShowSubList(*sub->list);
            return true;
        }
        if (const PopupItem* item = ItemNamed(name)) {
            CollapseSubLists(item->subList ? *item->subList : QString());
            return true;
        }
        return false;
    }
    if (msg.Is(ui::DUI_MSGTYPE_MOUSELEAVE)) {
        if (button) {
            Hover(button, false);
            return true;
        }
        return false;
    }
    if (msg.Is(ui::DUI_MSGTYPE_SETFOCUS)) {
        if (!ItemNamed(name))
            return false;
        focusChosen_ = name;
        return OnPopupItem(name);
    }
    if (msg.Is(ui::DUI_MSGTYPE_ITEMSELECT)) {
        if (name == kEditorCombo) {
            SelectEditorIndex(static_cast<int>(msg.wParam));
            return true;
        }
        for (int n = kFirstCombo; n <= kLastCombo; ++n)
            if (name == Combo(n)) {
                if (n == 24)
                    if (QWidget* repeat = Find(kRepeatPage))
                        repeat->setVisible(editorIndex_ == kMacroPage &&
                                           ComboSelection(Combo(24)) == kRepeatSelection);
                BuildAndStore();
                return true;
            }
        return false;
    }
    if (msg.Is(ui::DUI_MSGTYPE_TEXTCHANGED)) {
        for (const EditRange& range : kEditRanges)
            if (name == Edit(range.edit)) {
                ClampEdit(name);
                BuildAndStore();
                return true;
            }
        return false;
    }
    return false;
}

// --- the popup ----------------------------------------------------------------------

void ButtonPage::OpenPopup(int button) {
    QWidget* popup = Find(kPopup);
    if (!popup)
        return;
    CollapseSubLists(QString());
    popupTop_ = kPopupTops[static_cast<std::size_t>(button - 2)];
    popup->setGeometry(kPopupLeft, popupTop_, kPopupWidth, kPopupHeight);
    popup->show();
    popup->raise();
    session_.image.selectedButton = button;
    // The editor works on the button whose popup was opened last.
    const ButtonAction action =
        session_.image.buttonTables[0].actions[static_cast<std::size_t>(button - 1)];
    currentAction_ = AssignmentEntry::Make(static_cast<std::uint16_t>(button - 1), action.type,
                                           action.p1, action.p2);
    ShowEditorButton();
}

void ButtonPage::ClosePopup() {
    CollapseSubLists(QString());
    QWidget* popup = Find(kPopup);
    if (!popup)
        return;
    DropFocusIn(popup);
    popup->setGeometry(0, 0, 0, 0);
    popup->hide();
}

void ButtonPage::ShowSubList(const QString& listName) {
    for (const SubList& sub : kSubLists) {
        QWidget* list = Find(*sub.list);
        if (!list)
            continue;
        if (*sub.list != listName) {
            list->setGeometry(0, 0, 0, 0);
            list->hide();
            continue;
        }
        list->setGeometry(kSubListLeft, popupTop_ + sub.top, sub.right - kSubListLeft,
                          sub.bottom - sub.top);
        list->show();
        list->raise();
    }
}

void ButtonPage::CollapseSubLists(const QString& keep) {
    for (const SubList& sub : kSubLists) {
        if (*sub.list == keep)
            continue;
        if (QWidget* list = Find(*sub.list)) {
            DropFocusIn(list);
            list->setGeometry(0, 0, 0, 0);
            list->hide();
        }
    }
}

void ButtonPage::Hover(int button, bool entering) {
    const int m = DrawingOfButton(button);
    if (QWidget* picture = Find(QStringLiteral("mouse_btn_%1").arg(m)))
        ui::SetBkImage(picture, entering ? QStringLiteral("qelma/btn_%1_0.png").arg(m)
                                         : QStringLiteral("qelma/btn_%1.png").arg(m));
    if (m == 7)
        return; // the DPI-down button has no leader picture of its own
    if (QWidget* line = Find(QStringLiteral("mouse_btn_%1_0").arg(m)))
        ui::SetBkImage(line, entering ? QStringLiteral("qelma/F-%1-over.png").arg(m)
                                      : QStringLiteral("qelma/F-%1-normal.png").arg(m));
}

void ButtonPage::SelectView(bool side) {
    auto* front = qobject_cast<QAbstractButton*>(Find(kFrontView));
    auto* sideOption = qobject_cast<QAbstractButton*>(Find(kSideView));
    if (front)
        ui::SetCheck(front, !side, false);
    if (sideOption)
        ui::SetCheck(sideOption, side, false);
    if (QWidget* views = Find(kViews))
        ui::SelectItem(views, side ? 1 : 0);
    ClosePopup();
}

bool ButtonPage::OnPopupItem(const QString& name) {
    const PopupItem* item = ItemNamed(name);
    if (!item)
        return false;
    const int button = session_.image.selectedButton;
    if (button < 2 || button > 7)
        return true; // no popup was opened from a button
    switch (item->source) {
    case Source::Mouse:
        AssignEntry(name, settings::MouseButtonTable[static_cast<std::size_t>(item->position)]);
        break;
    case Source::Dpi:
        AssignEntry(name, settings::DpiKeyTable[static_cast<std::size_t>(item->position)]);
        break;
    case Source::Office:
        AssignEntry(name, settings::OfficeKeyTable[static_cast<std::size_t>(item->position)]);
        break;
    case Source::Media:
        AssignEntry(name, settings::MediaKeyTable[static_cast<std::size_t>(item->position)]);
        break;
    case Source::DoubleClick:
        AssignEntry(name, AssignmentEntry::Make(0, type::kFire, 0x01, 0x02));
        break;
    case Source::Off:
        AssignEntry(name, AssignmentEntry::Make(0, type::kOff, 0, 0));
        break;
    case Source::Key:
    case Source::Macro: {
        // The window runs its own loop: let the click that chose the item end first.
        QPointer<QWidget> guard = window_;
        const bool key = item->source == Source::Key;
        QTimer::singleShot(0, window_, [this, guard, key] {
            if (!guard)
                return;
            if (key)
                AssignCapturedKey();
            else
                AssignMacro();
        });
        break;
    }
    }
    return true;
}

void ButtonPage::AssignEntry(const QString& item, const AssignmentEntry& entry) {
    const int button = session_.image.selectedButton;
    QWidget* control = Find(item);
    // A switched-off button has no name.
    const QString name = entry.type == type::kOff || !control ? QString() : ui::GetText(control);
    currentAction_ = entry.ForButton(static_cast<std::uint16_t>(button - 1));
    session_.image.buttonTables[0].actions[static_cast<std::size_t>(button - 1)] = entry.Action();
    // A write the mouse did not take is kept by its channel and sent again
    // when the mouse answers.
    WriteButtonTable();
    StoreButtonName(button, name);
    ClosePopup();
    RefreshLabels();
}

void ButtonPage::AssignCapturedKey() {
    const int button = session_.image.selectedButton;
    if (button < 2 || button > 7)
        return;
    // The page's own capture gives the keyboard to the window.
    hook_.Uninstall();
    const auto captured = RunKeyCapture(window_);
    if (captured) {
        currentAction_ =
            AssignmentEntry::Make(static_cast<std::uint16_t>(button - 1), captured->action.type,
                                  captured->action.p1, captured->action.p2);
        session_.image.buttonTables[0].actions[static_cast<std::size_t>(button - 1)] =
            captured->action;
        WriteButtonTable();
        StoreButtonName(button, captured->name);
        RefreshLabels();
    }
    ClosePopup();
}

void ButtonPage::AssignMacro() {
    const int button = session_.image.selectedButton;
    if (button < 2 || button > 7)
        return;
    const std::string profile =
        profiles::MouseProfileStore::Index().SelectedName(profiles::ProfileKind::Device);
    QPointer<Cmacro> dialog = new Cmacro(profile);
    if (!dialog->Create(window_ ? window_->window() : nullptr, QStringLiteral("MarcoSetWnd"),
                        ui::WindowStyle::Dialog)) {
        delete dialog;
        return;
    }
    dialog->CenterWindow();
    dialog->ShowModal();
    if (!dialog)
        return;
    if (dialog->Confirmed()) {
        auto& slot = session_.image.buttonTables[0].actions[static_cast<std::size_t>(button - 1)];
        const ButtonAction old = slot;
        slot = dialog->Action();
        if (!WriteButtonTable()) {
            slot = old; // the library did not fit: the button keeps its action
        } else {
            if (auto nameFile = profiles::MouseNameFile::ForProfile(profile))
                macros::WriteAssignmentMemo(nameFile->File().Path(), dialog->MacroIndex(),
                                            dialog->EndStyle());
            ClosePopup();
            StoreButtonName(button, dialog->MacroName());
            RefreshLabels();
        }
    }
    delete dialog;
}

// --- writing and names ----------------------------------------------------------------

bool ButtonPage::WriteButtonTable() {
    macros::MacroUploadSeams seams;
    seams.showMessage = [this](std::string_view key, std::optional<int> argument) {
        if (argument)
            services_.ShowFormattedMessage(key, *argument);
        else
            services_.ShowMessage(key);
    };
    seams.saveDeviceProfile = [this] { session_.store.SaveDeviceProfile(); };
    settings::MouseSettingsImage& image = session_.image;
    const int profile = image.RecordByte(offsetof(settings::MouseSettingsRecord, profileNumber));
    return macros::WriteButtonTableWithMacros(session_.channel, macros::MacroLibrary::Mouse(),
                                              image.capabilities.macroCapacity,
                                              image.buttonTables[0].Bytes(), profile, seams) == 1;
}

void ButtonPage::StoreButtonName(int button, const QString& name) {
    if (button < profiles::name_file::kFirstNamedButton ||
        button > profiles::name_file::kLastNamedButton)
        return;
    if (QWidget* control = Find(kButtonPrefix + QString::number(button))) {
        ui::SetText(control, name, false);
        control->setToolTip(name);
    }
    if (auto nameFile = profiles::MouseNameFile::ForSelectedProfile())
        nameFile->SetKeyName(button, name.toStdString());
}

// --- the function editor ------------------------------------------------------------------

int ButtonPage::EditValue(const QString& name) const {
    auto* edit = qobject_cast<QLineEdit*>(Find(name));
    return edit ? DecimalOf(edit->text()) : 0;
}

int ButtonPage::ComboSelection(const QString& name) const {
    QWidget* combo = Find(name);
    return combo ? ui::GetCurSel(combo) : -1;
}

void ButtonPage::ClampEdit(const QString& name) {
    auto* edit = qobject_cast<QLineEdit*>(Find(name));
    if (!edit)
        return;
    for (const EditRange& range : kEditRanges) {
        if (name != Edit(range.edit))
            continue;
        const int value = DecimalOf(edit->text());
        // Only the limits the editor names are rewritten: above the highest,
        // and below 1 for the repeat count.
        if (value > range.high)
            edit->setText(QString::number(range.high));
        else if (range.low > 0 && value < range.low)
            edit->setText(QString::number(range.low));
        return;
    }
}

void ButtonPage::SelectEditorIndex(int index) {
    if (index < 0 || index >= kEditorPages)
        return;
    for (int i = 0; i < kEditorPages; ++i)
        if (QWidget* page = Find(kEditorPagePrefix + QString::number(i)))
            page->setVisible(i == index);
    editorIndex_ = index;
    if (QWidget* repeat = Find(kRepeatPage))
        repeat->setVisible(index == kMacroPage && ComboSelection(Combo(24)) == kRepeatSelection);
    // The keyboard function takes the next key typed; elsewhere the keys go
    // to the edits again.
    if (index == kKeyPage) {
        if (auto* target = qobject_cast<ui::WindowImplBase*>(window_ ? window_->window() : nullptr))
            hook_.Install(ui::kHookMouseSingleKey, target);
    } else {
        hook_.Uninstall();
    }
    BuildAndStore();
}

void ButtonPage::BuildAndStore() {
    const int button = session_.image.selectedButton;
    if (button < 2 || button > 7)
        return; // no button chosen yet: the left button is never changed here
    const auto at = [](const auto& table, int position) -> std::optional<ButtonAction> {
        if (position < 0 || position >= static_cast<int>(table.size()))
            return std::nullopt;
        return table[static_cast<std::size_t>(position)].Action();
    };
    const auto lowByte = [](int value) { return static_cast<std::uint8_t>(value & 0xFF); };
    std::optional<ButtonAction> built;
    switch (editorIndex_) {
    case 0:
        built = session_.image.defaultButtonTable.actions[static_cast<std::size_t>(button - 1)];
        break;
    case 1:
        built = at(settings::MouseButtonTable, ComboSelection(Combo(11)));
        break;
    case 2:
    case 3: {
        const bool horizontal = editorIndex_ == 2;
        const int position = ComboSelection(Combo(horizontal ? 12 : 13));
        if (position < 0 || position > 1)
            break;
        const int amount = EditValue(Edit(horizontal ? 15 : 16));
        const int high = EditValue(Edit(horizontal ? 17 : 18));
        const int low = EditValue(Edit(horizontal ? 20 : 19));
        ButtonAction action;
        action.type = horizontal ? type::kHorizontalScroll : type::kVerticalScroll;
        // The two directions: amounts from 0x80 on scroll the other way.
        const bool firstDirection = position == 0;
        action.p2 = lowByte(firstDirection ? amount : amount - 0x80);
        action.p1 = lowByte((high << 4) | low);
        built = action;
        break;
    }
    case 4:
        built = at(settings::DpiKeyTable, ComboSelection(Combo(14)));
        break;
    case 5:
        built =
            ButtonAction{type::kFire, lowByte(EditValue(Edit(11))), lowByte(EditValue(Edit(12)))};
        break;
    case kKeyPage: {
        auto* edit = qobject_cast<QLineEdit*>(Find(kKeyEdit));
        if (edit && !edit->text().isEmpty() && editorKey_)
            built = editorKey_;
        break;
    }
    case 7:
        built = at(settings::MediaKeyTable, ComboSelection(Combo(21)));
        break;
    case 8:
        built = at(settings::SystemKeyTable, ComboSelection(Combo(22)));
        break;
    case kMacroPage: {
        const int macro = ComboSelection(Combo(23));
        if (macro < 0)
            break;
        const int end = ComboSelection(Combo(24));
        if (end == kRepeatSelection)
            built = ButtonAction{type::kMacroRepeat, lowByte(macro), lowByte(EditValue(Edit(25)))};
        else
            built = ButtonAction{type::kMacroEndMode, lowByte(macro), lowByte(std::max(end, 0))};
        break;
    }
    case 10: {
        const int mode = ComboSelection(Combo(25));
        if (mode >= 0)
            built = ButtonAction{type::kGunMode, lowByte(mode), 0};
        break;
    }
    case 11:
        built = at(settings::OfficeKeyTable, ComboSelection(Combo(26)));
        break;
    default:
        break;
    }
    if (!built)
        return;
    currentAction_ = AssignmentEntry::Make(static_cast<std::uint16_t>(button - 1), built->type,
                                           built->p1, built->p2);
    session_.image.buttonTables[0].actions[static_cast<std::size_t>(button - 1)] = *built;
    RefreshLabels();
}

void ButtonPage::OnHookedKey(ui::WPARAM message, ui::LPARAM record) {
    const auto key = CaptureOfHookMessage(message, record);
    if (!key)
        return; // not a key a button can play
    if (QWidget* edit = Find(kKeyEdit))
        ui::SetText(edit, FromView(key->displayKey), true);
    editorKey_ = key->action;
    currentAction_.type = key->action.type;
    currentAction_.p1 = key->action.p1;
    currentAction_.p2 = key->action.p2;
    BuildAndStore();
}

void ButtonPage::RemoveInputHooks() {
    hook_.Uninstall();
}

void ButtonPage::ApplyEditor() {
    const int button = session_.image.selectedButton;
    if (button < 2 || button > 7)
        return;
    if (!WriteButtonTable())
        return;
    // The button's name follows the function it now performs.
    if (QWidget* label = Find(kLabelPrefix + QString::number(button - 1)))
        StoreButtonName(button, ui::GetText(label));
}

} // namespace zk::pages
