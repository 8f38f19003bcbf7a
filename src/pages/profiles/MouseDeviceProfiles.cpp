#include "pages/profiles/MouseDeviceProfiles.h"

#include "pages/profiles/ProfileSelectors.h"
#include "platform/PointerSettings.h"
#include "profiles/ApplyProfile.h"
#include "profiles/ProfileList.h"
#include "ui/Controls.h"
#include "ui/NotifyHub.h"
#include "ui/ResourceManager.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <utility>

namespace zk::pages {

namespace {

// The lighting sliders that an applied profile puts back to their middle.
constexpr const char* kLightingSliders[] = {"slider_cl", "slider_hx", "slider_RGB",
                                            "slider_ls", "slider_cx", "slider_mc"};
constexpr int kLightingSliderReset = 4;

const QString kList = QStringLiteral("config_list");
const QString kCombo = QStringLiteral("ms_device_profile_combo");
const QString kLinkPrefix = QStringLiteral("ms_device");
const QString kRenameEdit = QStringLiteral("list_edit");

// Rows of "config_list" are 20 pixels high; the pop-up is at least 75 × 64.
constexpr int kRowHeight = 20;
constexpr int kMenuWidth = 75;
constexpr int kMenuHeight = 64;

// The panel's buttons: each twin with the suffix "1" sits in the pop-up.
enum class PanelAction { None, Show, Hide, New, Copy, Rename, Delete };
struct PanelButton {
    const char* name;
    PanelAction action;
};
constexpr PanelButton kPanelButtons[] = {
    {"config_btn", PanelAction::Show},          {"config_close_btn", PanelAction::Hide},
    {"new_config_btn", PanelAction::New},       {"config_copy_btn", PanelAction::Copy},
    {"config_copy_btn1", PanelAction::Copy},    {"config_edit_btn", PanelAction::Rename},
    {"config_edit_btn1", PanelAction::Rename},  {"config_delete_btn", PanelAction::Delete},
    {"config_delete_btn1", PanelAction::Delete}};

PanelAction ActionOf(const QString& name) {
    for (const PanelButton& button : kPanelButtons)
        if (name.compare(QLatin1String(button.name), Qt::CaseInsensitive) == 0)
            return button.action;
    return PanelAction::None;
}

bool Is(const QString& name, const QString& control) {
    return name.compare(control, Qt::CaseInsensitive) == 0;
}

// The rectangle of row `row` of the list in the coordinates of `parent`.
QRect RowRect(QListWidget* list, int row, QWidget* parent) {
    QListWidgetItem* item = list->item(row);
    if (!item || !parent)
        return {};
    const QRect rect = list->visualItemRect(item);
    QWidget* viewport = list->viewport();
    return QRect(parent->mapFromGlobal(viewport->mapToGlobal(rect.topLeft())),
                 QSize(viewport->width(), rect.height()));
}

QWidget* FindIn(QWidget* window, const char* name) {
    return FindControl(window, QString::fromLatin1(name));
}

// Every control of the name: the performance page exists on the mouse and on
// the keyboard tab.
void SetSlider(QWidget* window, const char* name, int value) {
    for (QWidget* control : window->findChildren<QWidget*>(QString::fromLatin1(name)))
        if (auto* slider = qobject_cast<QAbstractSlider*>(control))
            slider->setValue(value);
}

void SetPicture(QWidget* window, const char* name, const std::optional<std::string>& file) {
    if (!file)
        return;
    for (QWidget* control : window->findChildren<QWidget*>(QString::fromLatin1(name)))
        ui::SetBkImage(control, QString::fromStdString(*file));
}

} // namespace

QString EntryName(QWidget* selector, int index) {
    if (auto* list = qobject_cast<QListWidget*>(selector)) {
        if (QListWidgetItem* item = list->item(index)) {
            const QVariant data = item->data(Qt::UserRole);
            return data.isValid() ? data.toString() : item->text();
        }
        return {};
    }
    if (auto* combo = qobject_cast<QComboBox*>(selector)) {
        const QVariant data = combo->itemData(index, Qt::UserRole);
        return data.isValid() ? data.toString() : combo->itemText(index);
    }
    return ui::GetItemText(selector, index);
}

MouseDeviceProfiles::MouseDeviceProfiles(QWidget* window, profiles::MouseSession& session,
                                         PageServices& services)
    : window_(window), session_(session), services_(services) {}

bool MouseDeviceProfiles::Claims(const QString& name) const {
    return Is(name, kList) || Is(name, kCombo) || Is(name, kRenameEdit) ||
           ActionOf(name) != PanelAction::None;
}

int MouseDeviceProfiles::Apply() {
    QWidget* window = window_;
    QWidget* list = FindIn(window, "config_list");
    const int index = list ? ui::GetCurSel(list) : -1;
    if (index < 0)
        return profiles::kProfileMissing;
    settings::MouseSettingsImage& image = session_.image;
    ui::ProgramChangeGuard quiet;

    // The selector's display and the index file.
    const QString name = EntryName(list, index);
    ShowProfileChoice(window, kLinkPrefix, name,
                      profiles::ApplySelection(profiles::MouseProfileStore::Index(),
                                               profiles::ProfileKind::Device, index));

    // The profile into the image.
    const profiles::MouseDeviceLoad load =
        profiles::LoadMouseDeviceForApply(session_.store, image, index);

    // Pointer speed and lighting sliders, then every mouse page.
    SetSlider(window, "ms_point_speed_slider",
              profiles::PointerSliderOf(image.pointerSpeed.load()));
    services_.Pointer().Push(platform::PointerSetting::Speed, image.pointerSpeed.load());
    for (const char* slider : kLightingSliders)
        SetSlider(window, slider, kLightingSliderReset);
    services_.RefreshPages(DeviceKind::Mouse);

    // The mouse takes the profile: its record at once and again through the
    // flush, then its buttons.
    profiles::WriteAppliedRecord(image, &session_.channel);
    profiles::WriteAppliedButtons(load.buttons, &session_.channel);

    // Pictures of the pointer page from the profile's name file.
    const auto pictures = profiles::PicturesOfNameFile(name.toStdString());
    SetPicture(window, "USB_rate_slider1", pictures.usbRate);
    SetPicture(window, "mouse_speed_slider1", pictures.mouseSpeed);
    SetPicture(window, "DBC_speed_slider2", pictures.doubleClick);
    return load.result;
}

bool MouseDeviceProfiles::Notify(ui::TNotifyUI& msg) {
    const QString& name = msg.senderName;
    if (msg.Is(ui::DUI_MSGTYPE_ITEMSELECT)) {
        if (Is(name, kList))
            HideMenu();
        else if (!Is(name, kCombo))
            return false;
        Apply();
        return true;
    }
    if (msg.Is(ui::DUI_MSGTYPE_MENU) && Is(name, kList)) {
        ShowMenu();
        return true;
    }
    if (msg.Is(ui::DUI_MSGTYPE_KILLFOCUS)) {
        if (Is(name, kRenameEdit)) {
            FinishRename();
            return true;
        }
        return false;
    }
    if (!msg.Is(ui::DUI_MSGTYPE_CLICK))
        return false;
    const PanelAction action = ActionOf(name);
    if (action == PanelAction::None)
        return false;
    // Each of the panel's buttons closes the pop-up first.
    HideMenu();
    switch (action) {
    case PanelAction::Show:
        ShowPanel();
        break;
    case PanelAction::Hide:
        HidePanel();
        break;
    case PanelAction::New:
        NewProfile();
        break;
    case PanelAction::Copy:
        CopyProfile();
        break;
    case PanelAction::Rename:
        StartRename();
        break;
    case PanelAction::Delete:
        DeleteProfile();
        break;
    case PanelAction::None:
        break;
    }
    return true;
}

QWidget* MouseDeviceProfiles::Find(const char* name) const {
    return FindIn(window_, name);
}

std::vector<std::string> MouseDeviceProfiles::Rows() const {
    std::vector<std::string> rows;
    QWidget* list = List();
    const int count = list ? ui::GetCount(list) : 0;
    for (int i = 0; i < count; ++i)
        rows.push_back(EntryName(list, i).toStdString());
    return rows;
}

void MouseDeviceProfiles::AddRow(const std::string& name) {
    auto* list = qobject_cast<QListWidget*>(List());
    if (!list)
        return;
    const QString text = QString::fromStdString(name);
    const int row = ui::AddItem(list, text);
    if (QListWidgetItem* item = list->item(row)) {
        item->setData(Qt::UserRole, text);
        item->setSizeHint(QSize(item->sizeHint().width(), kRowHeight));
    }
}

void MouseDeviceProfiles::SelectAndApply(int row) {
    auto* list = qobject_cast<QListWidget*>(List());
    if (!list)
        return;
    if (ui::GetCurSel(list) == row) {
        ui::ProgramChangeGuard quiet;
        list->setCurrentRow(-1);
    }
    ui::SelectItem(list, row, true);
}

void MouseDeviceProfiles::Show(const std::string& message) {
    if (!message.empty())
        services_.ShowMessage(message);
}

// --- the panel and its pop-up ----------------------------------------------------

// The panel is the profile column of the mouse tab: the layout places it.
void MouseDeviceProfiles::ShowPanel() {
    if (QWidget* panel = Find("config_display"))
        panel->setVisible(true);
    if (QWidget* button = Find("config_btn"))
        button->setVisible(false);
}

void MouseDeviceProfiles::HidePanel() {
    CancelRename();
    if (QWidget* panel = Find("config_display"))
        panel->setVisible(false);
    if (QWidget* button = Find("config_btn"))
        button->setVisible(true);
}

// Beside the selected row, below its right end; kept inside the window.
void MouseDeviceProfiles::ShowMenu() {
    auto* list = qobject_cast<QListWidget*>(List());
    QWidget* menu = Find("menu_clicked");
    const int row = list ? ui::GetCurSel(list) : -1;
    if (!menu || row < 0 || !menu->parentWidget())
        return;
    QWidget* parent = menu->parentWidget();
    const QRect rect = RowRect(list, row, parent);
    const QSize hint = menu->sizeHint();
    const int width = std::max(kMenuWidth, hint.width());
    const int height = std::max(kMenuHeight, hint.height());
    int x = rect.right() + 1;
    int y = rect.bottom() + 1;
    x = std::clamp(x, 0, std::max(0, parent->width() - width));
    if (y + height > parent->height())
        y = std::max(0, rect.top() - height);
    menu->setGeometry(x, y, width, height);
    menu->setVisible(true);
    menu->raise();
}

void MouseDeviceProfiles::HideMenu() {
    if (QWidget* menu = Find("menu_clicked")) {
        menu->setGeometry(0, 0, 0, 0);
        menu->setVisible(false);
    }
}

// --- new, copy, delete -----------------------------------------------------------

namespace {

// Runs `onEscape` when Escape is pressed in the watched edit.
class EscapeFilter final : public QObject {
public:
    EscapeFilter(QObject* parent, std::function<void()> onEscape)
        : QObject(parent), onEscape_(std::move(onEscape)) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress ||
            static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape)
            return false;
        onEscape_();
        return true;
    }

private:
    std::function<void()> onEscape_;
};

profiles::MouseProfileList ProfileList() {
    const std::string folder = ui::ResourceManager::GetInstance().GetInstancePath().toStdString();
    return profiles::MouseProfileList(std::filesystem::path(folder) /
                                      profiles::kMouseDeviceDefault);
}

} // namespace

void MouseDeviceProfiles::NewProfile() {
    if (!FinishRename())
        return;
    const auto result = ProfileList().Create(Rows());
    Show(result.message);
    if (!result.changed)
        return;
    AddRow(result.name);
    SelectAndApply(ui::GetCount(List()) - 1);
    ShowPanel();
}

void MouseDeviceProfiles::CopyProfile() {
    if (!FinishRename())
        return;
    QWidget* list = List();
    const int source = list ? ui::GetCurSel(list) : -1;
    if (source < 0)
        return;
    const auto result = ProfileList().Copy(Rows(), source);
    Show(result.message);
    if (result.changed)
        AddRow(result.name);
}

void MouseDeviceProfiles::DeleteProfile() {
    if (!FinishRename())
        return;
    QWidget* list = List();
    const int row = list ? ui::GetCurSel(list) : -1;
    if (row < 0)
        return;
    const auto result = ProfileList().Delete(Rows(), row);
    Show(result.message);
    if (!result.changed)
        return;
    ui::RemoveItem(list, row);
    SelectAndApply(ui::GetCount(list) - 1);
    ShowPanel();
}

// --- rename ----------------------------------------------------------------------

void MouseDeviceProfiles::StartRename() {
    CancelRename();
    auto* list = qobject_cast<QListWidget*>(List());
    auto* edit = qobject_cast<QLineEdit*>(FindControl(window_, kRenameEdit));
    const int row = list ? ui::GetCurSel(list) : -1;
    if (!edit || row < 0)
        return;
    if (!edit->property("zkEnterEnds").toBool()) {
        // Enter ends the edit as leaving it does: the list takes the focus.
        QObject::connect(edit, &QLineEdit::returnPressed, edit, [list = QPointer(list)] {
            if (list)
                list->setFocus(Qt::OtherFocusReason);
        });
        // Escape drops it: a hidden edit takes no name.
        edit->installEventFilter(new EscapeFilter(edit, [edit] {
            edit->setGeometry(0, 0, 0, 0);
            edit->setVisible(false);
        }));
        edit->setProperty("zkEnterEnds", true);
    }
    editingRow_ = row;
    list->scrollToItem(list->item(row));
    {
        ui::ProgramChangeGuard quiet;
        edit->setText(list->item(row)->text());
    }
    edit->setGeometry(RowRect(list, row, edit->parentWidget()));
    edit->setVisible(true);
    edit->raise();
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
}

bool MouseDeviceProfiles::FinishRename() {
    auto* edit = qobject_cast<QLineEdit*>(FindControl(window_, kRenameEdit));
    if (editingRow_ < 0 || !edit || finishing_)
        return editingRow_ < 0;
    if (edit->isHidden()) {
        editingRow_ = -1;
        return true;
    }
    // Only the window lost the focus (another window came up), the edit still
    // has the window's: the edit goes on.
    if (edit->isVisible() && edit->window()->focusWidget() == edit && !edit->hasFocus())
        return false;
    finishing_ = true;
    const auto result = ProfileList().Rename(Rows(), editingRow_, edit->text().toStdString());
    Show(result.message);
    finishing_ = false;
    if (!result.message.empty()) {
        // The edit stays where it is, ready for another name (Escape drops it).
        edit->setFocus(Qt::OtherFocusReason);
        edit->selectAll();
        return false;
    }

    const int row = std::exchange(editingRow_, -1);
    CancelRename();
    auto* list = qobject_cast<QListWidget*>(List());
    if (!result.changed || !list || !list->item(row))
        return true;
    QListWidgetItem* item = list->item(row);
    const QString name = QString::fromStdString(result.name);
    item->setText(name);
    item->setData(Qt::UserRole, name);
    item->setSizeHint(QSize(item->sizeHint().width(), kRowHeight));
    if (ui::GetCurSel(list) == row)
        if (QWidget* shown = Find("ms_device_profile_name_edit"))
            ui::SetText(shown, name, false);
    return true;
}

void MouseDeviceProfiles::CancelRename() {
    editingRow_ = -1;
    if (QWidget* edit = FindControl(window_, kRenameEdit)) {
        edit->setGeometry(0, 0, 0, 0);
        edit->setVisible(false);
    }
}

} // namespace zk::pages
