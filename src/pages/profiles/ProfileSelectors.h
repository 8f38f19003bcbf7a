#pragma once

// The profile selectors of the keyboard and the mousepad, and the link display
// that every selector shares.
//
// Choosing an entry applies that profile: the selector's display shows its
// name and its linked program, the index file remembers the choice, the
// profile file loads into the device's image, the kind's pages refresh, and
// the device takes the profile:
//
//   kb_device_profile_combo  device profile: light state (timer 2's flush),
//                            key table (written at once); light preview reset
//   kb_deng_profile_combo    light profile: light state (flush); preview reset
//   kb_key_profile_combo     key profile: key table (written at once)
//   mp_deng_profile_combo    light profile: light state (flush); preview reset
//
// A profile file that cannot be read leaves the image as it was; the device
// then takes the image unchanged.
//
// The link display of a selector with prefix P ("ms_device", "kb_deng", ...):
// "P_profile_name_edit" (the applied profile's name), "P_profile_link_check"
// (linked to a program; where a watcher follows the selector the box also
// makes and removes links, pages/profiles/LinkBoxes.h),
// "P_profile_link_edit" (the program's file name) inside the row
// "P_profile_link_name_hor", which shows while a link is shown.

#include "pages/Page.h"
#include "profiles/ApplyProfile.h"

#include <QPointer>

namespace zk::pages {

// Shows a selector's name and link: the name in the name edit; a link with a
// program name in the link edit, with the check box selected and the row
// shown; an unlinked profile clears the check box and hides the row. A linked
// profile whose stored path names no folder leaves the display as it was.
void ShowProfileChoice(QWidget* window, const QString& prefix, const QString& name,
                       const profiles::LinkDisplay& link);

class KeyboardProfiles final : public Page {
public:
    KeyboardProfiles(QWidget* window, profiles::KeyboardSession& session, PageServices& services);

    DeviceKind Kind() const override { return DeviceKind::Keyboard; }
    bool Claims(const QString& controlName) const override;
    // The displays of the three selectors for their current entries.
    void Refresh() override;
    bool Notify(ui::TNotifyUI& msg) override;

private:
    int ApplyDevice(int index);
    int ApplyLight(int index);
    int ApplyKey(int index);
    // The common steps; the selected name.
    QString Choose(const QString& combo, const QString& prefix, profiles::ProfileKind kind,
                   int index);
    void ResetPreview();
    void DisableFunctionTab();

    QPointer<QWidget> window_;
    profiles::KeyboardSession& session_;
    PageServices& services_;
};

class MousepadProfiles final : public Page {
public:
    MousepadProfiles(QWidget* window, profiles::MousepadSession& session, PageServices& services);

    DeviceKind Kind() const override { return DeviceKind::Mousepad; }
    bool Claims(const QString& controlName) const override;
    void Refresh() override;
    bool Notify(ui::TNotifyUI& msg) override;

private:
    int ApplyLight(int index);

    QPointer<QWidget> window_;
    profiles::MousepadSession& session_;
    PageServices& services_;
};

} // namespace zk::pages
