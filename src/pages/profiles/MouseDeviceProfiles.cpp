#include "pages/profiles/MouseDeviceProfiles.h"

#include "platform/PointerSettings.h"
#include "profiles/ApplyProfile.h"
#include "ui/Controls.h"
#include "ui/NotifyHub.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QListWidget>

namespace zk::pages {

namespace {

// The lighting sliders that an applied profile puts back to their middle.
constexpr const char* kLightingSliders[] = {"slider_cl", "slider_hx", "slider_RGB",
                                            "slider_ls", "slider_cx", "slider_mc"};
constexpr int kLightingSliderReset = 4;

const QString kList = QStringLiteral("config_list");
const QString kCombo = QStringLiteral("ms_device_profile_combo");

QWidget* Find(QWidget* window, const char* name) {
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

void ShowLink(QWidget* window, const profiles::LinkDisplay& link) {
    auto* check = qobject_cast<QAbstractButton*>(Find(window, "ms_device_profile_link_check"));
    if (link.programName) {
        if (QWidget* edit = Find(window, "ms_device_profile_link_edit"))
            ui::SetText(edit, QString::fromStdString(*link.programName), false);
        if (check)
            ui::SetCheck(check, true, false);
        if (QWidget* row = Find(window, "ms_device_profile_link_name_hor"))
            row->setVisible(true);
    } else if (!link.linked && check) {
        ui::SetCheck(check, false, false);
    }
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
    return name.compare(kList, Qt::CaseInsensitive) == 0 ||
           name.compare(kCombo, Qt::CaseInsensitive) == 0;
}

int MouseDeviceProfiles::Apply() {
    QWidget* window = window_;
    QWidget* list = Find(window, "config_list");
    const int index = list ? ui::GetCurSel(list) : -1;
    if (index < 0)
        return profiles::kProfileMissing;
    settings::MouseSettingsImage& image = session_.image;
    ui::ProgramChangeGuard quiet;

    // The selector's display and the index file.
    const QString name = EntryName(list, index);
    if (QWidget* edit = Find(window, "ms_device_profile_name_edit"))
        ui::SetText(edit, name, false);
    ShowLink(window, profiles::ApplySelection(profiles::MouseProfileStore::Index(),
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
    if (!msg.Is(ui::DUI_MSGTYPE_ITEMSELECT))
        return false;
    if (msg.senderName.compare(kList, Qt::CaseInsensitive) == 0) {
        if (QWidget* menu = Find(window_, "menu_clicked"))
            menu->setGeometry(0, 0, 0, 0);
    } else if (msg.senderName.compare(kCombo, Qt::CaseInsensitive) != 0) {
        return false;
    }
    Apply();
    return true;
}

} // namespace zk::pages
