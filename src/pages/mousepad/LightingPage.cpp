#include "pages/mousepad/LightingPage.h"

#include "lighting/LightPreview.h"
#include "pages/LightGroups.h"
#include "pages/LightPageParts.h"
#include "ui/Controls.h"
#include "ui/NotifyHub.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>

#include <algorithm>

namespace zk::pages {

using settings::LoadByte;

namespace {

const QString kModeCombo = QStringLiteral("mp_deng_combo_modeSelect");
const QString kCycleCheck = QStringLiteral("mp_Deng_7color_check");
const QString kBrightnessSlider = QStringLiteral("mp_deng_light_slider");
const QString kSpeedSlider = QStringLiteral("mp_deng_speed_slider");
const QString kForwardCheck = QStringLiteral("mp_Deng_FXL_check");
const QString kBackwardCheck = QStringLiteral("mp_Deng_FXR_check");

const ColourControls kColour{QStringLiteral("mp_deng_Color_Pallet"),
                             QStringLiteral("mp_Deng_colordp_btn"),
                             {QStringLiteral("mp_Deng_edit_R"), QStringLiteral("mp_Deng_edit_G"),
                              QStringLiteral("mp_Deng_edit_B")}};

const LiveLightNames kLive{kColour,      kCycleCheck,   kBrightnessSlider,
                           kSpeedSlider, kForwardCheck, kBackwardCheck};

constexpr std::array<const char*, kMousepadModeCount> kModeKeys = {
    "mp_light_mode_0", "mp_light_mode_1", "mp_light_mode_2", "mp_light_mode_3", "mp_light_mode_4",
    "mp_light_mode_5", "mp_light_mode_6", "mp_light_mode_7", "mp_light_mode_8"};

constexpr int kTopLevel = 4; // brightness and speed levels run 0 to 4

bool Is(const QString& name, const QString& control) {
    return name.compare(control, Qt::CaseInsensitive) == 0;
}

} // namespace

MousepadLightPage::MousepadLightPage(QWidget* window, profiles::MousepadSession& session,
                                     PageServices& services)
    : window_(window), session_(session), services_(services) {}

bool MousepadLightPage::Claims(const QString& name) const {
    for (const QString* control : {&kModeCombo, &kCycleCheck, &kBrightnessSlider, &kSpeedSlider,
                                   &kForwardCheck, &kBackwardCheck, &kColour.palette})
        if (Is(name, *control))
            return true;
    return EditIndex(kColour, name) >= 0;
}

QWidget* MousepadLightPage::Find(const QString& name) const {
    return FindControl(window_, name);
}

// The combo's entries come from the language files; the layout leaves it empty.
void MousepadLightPage::EnsureModeEntries() {
    QWidget* combo = Find(kModeCombo);
    if (!combo || ui::GetCount(combo) == static_cast<int>(kModeKeys.size()))
        return;
    ui::ProgramChangeGuard quiet;
    ui::RemoveAllItems(combo);
    for (const char* key : kModeKeys)
        ui::AddItem(combo, QString::fromLatin1(key), true);
}

void MousepadLightPage::Refresh() {
    EnsureModeEntries();
    const auto live = session_.image.LiveBytes();
    const std::uint8_t mode = LoadByte(live[settings::kLightMode]);
    ui::ProgramChangeGuard quiet;
    if (mode < kMousepadModeCount) {
        ui::SelectItem(Find(kModeCombo), mode);
        const MousepadGroups groups = MousepadRefreshGroups(mode);
        EnableGroups(window_, kMousepadGroupNames, groups);
    }
    if (auto* slider = qobject_cast<QSlider*>(Find(kBrightnessSlider)))
        slider->setValue(LoadByte(live[settings::kLightBrightness]));
    if (auto* slider = qobject_cast<QSlider*>(Find(kSpeedSlider)))
        slider->setValue(kTopLevel -
                         std::min<int>(LoadByte(live[settings::kLightSpeed]), kTopLevel));
    const bool cycling = LoadByte(live[settings::kLightColourCycle]) != 0;
    ShowColour(window_, kColour,
               OpaqueColour(LoadByte(live[settings::kLightRed]),
                            LoadByte(live[settings::kLightGreen]),
                            LoadByte(live[settings::kLightBlue])),
               cycling);
    if (auto* check = qobject_cast<QAbstractButton*>(Find(kCycleCheck)))
        ui::SetCheck(check, cycling);
    const bool forward = LoadByte(live[settings::kLightDirection]) != 0;
    if (auto* option = qobject_cast<QAbstractButton*>(Find(kForwardCheck)))
        ui::SetCheck(option, forward);
    if (auto* option = qobject_cast<QAbstractButton*>(Find(kBackwardCheck)))
        ui::SetCheck(option, !forward);
}

bool MousepadLightPage::Notify(ui::TNotifyUI& msg) {
    const QString& name = msg.senderName;
    if (msg.Is(ui::DUI_MSGTYPE_ITEMSELECT) && Is(name, kModeCombo)) {
        OnModePicked(ui::GetCurSel(Find(kModeCombo)));
        return true;
    }
    if (RouteLiveLightControls(msg, kLive, *this))
        return true;
    return false;
}

void MousepadLightPage::Put(std::size_t offset, std::uint8_t value) {
    settings::PutByte(session_.image.LiveBytes()[offset], value);
}

// The live state goes to the mousepad with timer 2's next flush and into the
// selected light profile now.
void MousepadLightPage::Commit() {
    session_.MarkPending();
    session_.store.SaveLightProfile();
}

void MousepadLightPage::OnModePicked(int mode) {
    if (mode < 0 || mode >= static_cast<int>(kMousepadModeCount))
        return;
    // The ripple starts from a marker in ring cell 0.
    services_.Preview().ResetMousepad(mode == 5);
    EnableGroups(window_, kMousepadGroupNames, kMousepadModeGroups[static_cast<std::size_t>(mode)]);
    Put(settings::kLightMode, static_cast<std::uint8_t>(mode));
    Commit();
    services_.Preview().SetPaused(lighting::DeviceKind::Mousepad, false);
}

void MousepadLightPage::OnColourChosen(std::uint32_t argb) {
    argb |= 0xFF000000u;
    ShowColour(window_, kColour, argb, false);
    if (auto* check = qobject_cast<QAbstractButton*>(Find(kCycleCheck)))
        ui::SetCheck(check, false);
    for (int c = 0; c < 3; ++c)
        Put(settings::kLightRed + static_cast<std::size_t>(c), ColourByte(argb, c));
    Put(settings::kLightColourCycle, 0);
    Commit();
}

void MousepadLightPage::OnColourEdited(int component) {
    auto* edit = qobject_cast<QLineEdit*>(Find(kColour.edits[component]));
    if (!edit)
        return;
    bool overLimit = false;
    const std::uint8_t value = ComponentOfText(edit->text(), overLimit);
    if (overLimit) {
        ui::ProgramChangeGuard quiet;
        edit->setText(QStringLiteral("255"));
    }
    // The other two components as the state holds them.
    const auto live = session_.image.LiveBytes();
    std::array<std::uint8_t, 3> rgb = {LoadByte(live[settings::kLightRed]),
                                       LoadByte(live[settings::kLightGreen]),
                                       LoadByte(live[settings::kLightBlue])};
    rgb[static_cast<std::size_t>(component)] = value;
    const std::uint32_t argb = OpaqueColour(rgb[0], rgb[1], rgb[2]);
    {
        ui::ProgramChangeGuard quiet;
        if (QWidget* palette = Find(kColour.palette))
            palette->setProperty("selectColor", static_cast<uint>(argb));
        if (QWidget* sample = Find(kColour.sample)) {
            ui::SetBkColor(sample, argb);
            ShowCycling(sample, false);
        }
        if (auto* check = qobject_cast<QAbstractButton*>(Find(kCycleCheck)))
            ui::SetCheck(check, false);
    }
    Put(settings::kLightRed + static_cast<std::size_t>(component), value);
    Put(settings::kLightColourCycle, 0);
    Commit();
}

void MousepadLightPage::OnCycleClicked() {
    auto* check = qobject_cast<QAbstractButton*>(Find(kCycleCheck));
    if (!check)
        return;
    const bool cycling = check->isChecked();
    ShowCycling(Find(kColour.sample), cycling);
    Put(settings::kLightColourCycle, cycling ? 1 : 0);
    Commit();
}

void MousepadLightPage::OnBrightness() {
    auto* slider = qobject_cast<QSlider*>(Find(kBrightnessSlider));
    if (!slider)
        return;
    const auto level = static_cast<std::uint8_t>(std::clamp(slider->value(), 0, kTopLevel));
    if (LoadByte(session_.image.LiveBytes()[settings::kLightBrightness]) == level)
        return;
    Put(settings::kLightBrightness, level);
    Commit();
}

void MousepadLightPage::OnSpeed() {
    auto* slider = qobject_cast<QSlider*>(Find(kSpeedSlider));
    if (!slider)
        return;
    const auto level =
        static_cast<std::uint8_t>(kTopLevel - std::clamp(slider->value(), 0, kTopLevel));
    if (LoadByte(session_.image.LiveBytes()[settings::kLightSpeed]) == level)
        return;
    Put(settings::kLightSpeed, level);
    Commit();
}

void MousepadLightPage::OnDirection(bool forward) {
    Put(settings::kLightDirection, forward ? 1 : 0);
    Commit();
}

} // namespace zk::pages
