#include "settings/pages/MouseProfileApply.h"

#include "profiles/ApplyProfile.h"
#include "settings/pages/DpiPage.h"
#include "ui/Controls.h"
#include "ui/NotifyHub.h"
#include "ui/PaintManager.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QListWidget>

namespace zk::settings::pages {

namespace {

// The lighting sliders that an applied profile puts back to their middle.
constexpr const char* kLightingSliders[] = {"slider_cl", "slider_hx", "slider_RGB",
                                            "slider_ls", "slider_cx", "slider_mc"};
constexpr int kLightingSliderReset = 4;

QWidget* Find(QWidget* window, const char* name) {
    return ui::PaintManager::FindSubControlByName(window, QString::fromLatin1(name));
}

void SetSlider(QWidget* window, const char* name, int value) {
    if (auto* slider = qobject_cast<QAbstractSlider*>(Find(window, name)))
        slider->setValue(value);
}

void SetPicture(QWidget* window, const char* name, const std::optional<std::string>& file) {
    if (!file)
        return;
    if (QWidget* control = Find(window, name))
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

int ApplyMouseDeviceProfile(QWidget* window, MousePageDeps& deps, DpiPage* dpi) {
    QWidget* list = Find(window, "config_list");
    const int index = list ? ui::GetCurSel(list) : -1;
    if (index < 0 || !deps.image)
        return profiles::kProfileMissing;
    MouseSettingsImage& image = *deps.image;
    ui::ProgramChangeGuard quiet;

    // The selector's display and the index file.
    const QString name = EntryName(list, index);
    if (QWidget* edit = Find(window, "ms_device_profile_name_edit"))
        ui::SetText(edit, name, false);
    ShowLink(window, profiles::ApplySelection(profiles::MouseProfileStore::Index(),
                                              profiles::ProfileKind::Device, index));

    // The profile into the image.
    profiles::MouseDeviceLoad load;
    if (deps.store)
        load = profiles::LoadMouseDeviceForApply(*deps.store, image, index);

    // Pointer speed, lighting sliders, DPI page.
    SetSlider(window, "ms_point_speed_slider",
              profiles::PointerSliderOf(image.pointerSpeed.load()));
    if (deps.startPointerSpeed)
        deps.startPointerSpeed();
    for (const char* slider : kLightingSliders)
        SetSlider(window, slider, kLightingSliderReset);
    if (dpi)
        dpi->Refresh();

    // The mouse takes the profile: its record at once and again through the
    // flush, then its buttons.
    profiles::WriteAppliedRecord(image, deps.channel);
    if (deps.markPending)
        deps.markPending();
    if (deps.refreshButtonNames)
        deps.refreshButtonNames();
    profiles::WriteAppliedButtons(load.buttons, deps.channel);

    // Pictures of the pointer page from the profile's name file.
    const auto pictures = profiles::PicturesOfNameFile(name.toStdString());
    SetPicture(window, "USB_rate_slider1", pictures.usbRate);
    SetPicture(window, "mouse_speed_slider1", pictures.mouseSpeed);
    SetPicture(window, "DBC_speed_slider2", pictures.doubleClick);
    return load.result;
}

bool HandleMouseDeviceSelect(ui::TNotifyUI& msg, QWidget* window, MousePageDeps& deps,
                             DpiPage* dpi) {
    if (msg.Is(ui::DUI_MSGTYPE_ITEMSELECT, QStringLiteral("config_list"))) {
        if (QWidget* menu = Find(window, "menu_clicked"))
            menu->setGeometry(0, 0, 0, 0);
        ApplyMouseDeviceProfile(window, deps, dpi);
        return true;
    }
    if (msg.Is(ui::DUI_MSGTYPE_ITEMSELECT, QStringLiteral("ms_device_profile_combo"))) {
        ApplyMouseDeviceProfile(window, deps, dpi);
        return true;
    }
    return false;
}

} // namespace zk::settings::pages
