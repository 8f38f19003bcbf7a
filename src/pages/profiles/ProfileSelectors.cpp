#include "pages/profiles/ProfileSelectors.h"

#include "lighting/KeyboardEffects.h"
#include "lighting/LightPreview.h"
#include "lighting/MousepadEffects.h"
#include "pages/profiles/MouseDeviceProfiles.h"
#include "ui/Controls.h"
#include "ui/NotifyHub.h"

#include <QAbstractButton>

namespace zk::pages {

namespace {

using profiles::ProfileKind;
using settings::LoadByte;

const QString kKeyboardDevice = QStringLiteral("kb_device");
const QString kKeyboardLight = QStringLiteral("kb_deng");
const QString kKeyboardKey = QStringLiteral("kb_key");
const QString kMousepadLight = QStringLiteral("mp_deng");
const QString kComboSuffix = QStringLiteral("_profile_combo");
// Keyboard key-function tab: disabled when another key profile is applied.
const QString kFunctionTab = QStringLiteral("kb_tab_function");

QString ComboOf(const QString& prefix) {
    return prefix + kComboSuffix;
}

bool Is(const QString& name, const QString& control) {
    return name.compare(control, Qt::CaseInsensitive) == 0;
}

QWidget* Part(QWidget* window, const QString& prefix, const char* ending) {
    return FindControl(window, prefix + QString::fromLatin1(ending));
}

// The current entry's name and link, the index left alone.
void ShowCurrent(QWidget* window, const QString& prefix, const profiles::ProfileIndex& index,
                 ProfileKind kind) {
    QWidget* combo = FindControl(window, ComboOf(prefix));
    const int current = combo ? ui::GetCurSel(combo) : -1;
    if (current < 0)
        return;
    ShowProfileChoice(window, prefix, EntryName(combo, current),
                      profiles::LinkOf(index, kind, current));
}

} // namespace

void ShowProfileChoice(QWidget* window, const QString& prefix, const QString& name,
                       const profiles::LinkDisplay& link) {
    ui::ProgramChangeGuard quiet;
    if (QWidget* edit = Part(window, prefix, "_profile_name_edit"))
        ui::SetText(edit, name, false);
    auto* check = qobject_cast<QAbstractButton*>(Part(window, prefix, "_profile_link_check"));
    QWidget* row = Part(window, prefix, "_profile_link_name_hor");
    if (link.programName) {
        if (QWidget* edit = Part(window, prefix, "_profile_link_edit"))
            ui::SetText(edit, QString::fromStdString(*link.programName), false);
        if (check)
            ui::SetCheck(check, true, false);
        if (row)
            row->setVisible(true);
    } else if (!link.linked) {
        if (check)
            ui::SetCheck(check, false, false);
        if (row)
            row->setVisible(false);
    }
}

// --- keyboard ----------------------------------------------------------------------

KeyboardProfiles::KeyboardProfiles(QWidget* window, profiles::KeyboardSession& session,
                                   PageServices& services)
    : window_(window), session_(session), services_(services) {}

bool KeyboardProfiles::Claims(const QString& name) const {
    return Is(name, ComboOf(kKeyboardDevice)) || Is(name, ComboOf(kKeyboardLight)) ||
           Is(name, ComboOf(kKeyboardKey));
}

void KeyboardProfiles::Refresh() {
    const auto index = profiles::KeyboardProfileStore::Index();
    ShowCurrent(window_, kKeyboardDevice, index, ProfileKind::Device);
    ShowCurrent(window_, kKeyboardLight, index, ProfileKind::Light);
    ShowCurrent(window_, kKeyboardKey, index, ProfileKind::Key);
}

bool KeyboardProfiles::Notify(ui::TNotifyUI& msg) {
    if (!msg.Is(ui::DUI_MSGTYPE_ITEMSELECT))
        return false;
    QWidget* combo = FindControl(window_, msg.senderName);
    const int index = combo ? ui::GetCurSel(combo) : -1;
    if (index < 0)
        return false;
    if (Is(msg.senderName, ComboOf(kKeyboardDevice)))
        ApplyDevice(index);
    else if (Is(msg.senderName, ComboOf(kKeyboardLight)))
        ApplyLight(index);
    else if (Is(msg.senderName, ComboOf(kKeyboardKey)))
        ApplyKey(index);
    else
        return false;
    return true;
}

QString KeyboardProfiles::Choose(const QString& combo, const QString& prefix, ProfileKind kind,
                                 int index) {
    const QString name = EntryName(FindControl(window_, combo), index);
    ShowProfileChoice(
        window_, prefix, name,
        profiles::ApplySelection(profiles::KeyboardProfileStore::Index(), kind, index));
    return name;
}

// The picture restarts the effect of the applied light state.
void KeyboardProfiles::ResetPreview() {
    const int model = session_.image.model.load() == 1 ? 1 : 0;
    const int mode = LoadByte(session_.image.live.lightMode);
    const std::size_t modes =
        model == 0 ? lighting::kKeyboardModel0ModeCount : lighting::kKeyboardModel1ModeCount;
    if (mode < static_cast<int>(modes))
        services_.Preview().SelectKeyboardMode(model, static_cast<std::uint8_t>(mode), true);
    services_.Preview().SetPaused(lighting::DeviceKind::Keyboard, false);
}

void KeyboardProfiles::DisableFunctionTab() {
    QWidget* tab = FindControl(window_, kFunctionTab);
    if (tab && tab->isVisible())
        tab->setEnabled(false);
}

int KeyboardProfiles::ApplyDevice(int index) {
    Choose(ComboOf(kKeyboardDevice), kKeyboardDevice, ProfileKind::Device, index);
    const int result = session_.store.LoadDeviceProfile(index);
    services_.RefreshPages(DeviceKind::Keyboard);
    ResetPreview();
    session_.MarkPending();
    session_.channel.CmdWriteProfileBlock(session_.image.keyTable, 0);
    return result;
}

int KeyboardProfiles::ApplyLight(int index) {
    Choose(ComboOf(kKeyboardLight), kKeyboardLight, ProfileKind::Light, index);
    const int result = session_.store.LoadLightProfile(index);
    services_.RefreshPages(DeviceKind::Keyboard);
    ResetPreview();
    session_.MarkPending();
    return result;
}

int KeyboardProfiles::ApplyKey(int index) {
    Choose(ComboOf(kKeyboardKey), kKeyboardKey, ProfileKind::Key, index);
    const int result = session_.store.LoadKeyProfile(index);
    DisableFunctionTab();
    services_.RefreshPages(DeviceKind::Keyboard);
    session_.channel.CmdWriteProfileBlock(session_.image.keyTable, 0);
    return result;
}

// --- mousepad ----------------------------------------------------------------------

MousepadProfiles::MousepadProfiles(QWidget* window, profiles::MousepadSession& session,
                                   PageServices& services)
    : window_(window), session_(session), services_(services) {}

bool MousepadProfiles::Claims(const QString& name) const {
    return Is(name, ComboOf(kMousepadLight));
}

void MousepadProfiles::Refresh() {
    ShowCurrent(window_, kMousepadLight, profiles::MousepadProfileStore::Index(),
                ProfileKind::Light);
}

bool MousepadProfiles::Notify(ui::TNotifyUI& msg) {
    if (!msg.Is(ui::DUI_MSGTYPE_ITEMSELECT) || !Claims(msg.senderName))
        return false;
    const int index = ui::GetCurSel(FindControl(window_, ComboOf(kMousepadLight)));
    if (index < 0)
        return false;
    ApplyLight(index);
    return true;
}

int MousepadProfiles::ApplyLight(int index) {
    const QString combo = ComboOf(kMousepadLight);
    ShowProfileChoice(window_, kMousepadLight, EntryName(FindControl(window_, combo), index),
                      profiles::ApplySelection(profiles::MousepadProfileStore::Index(),
                                               ProfileKind::Light, index));
    const int result = session_.store.LoadLightProfile(index);
    services_.RefreshPages(DeviceKind::Mousepad);
    const int mode = LoadByte(session_.image.LiveBytes()[settings::kLightMode]);
    services_.Preview().ResetMousepad(mode == 5);
    services_.Preview().SetPaused(lighting::DeviceKind::Mousepad, false);
    session_.MarkPending();
    return result;
}

} // namespace zk::pages
