#pragma once

// The mousepad's light page: the mode combo ("mp_deng_combo_modeSelect", the
// nine effects of the mousepad), the single colour (palette
// "mp_deng_Color_Pallet", sample "mp_Deng_colordp_btn", edits
// "mp_Deng_edit_R/G/B"), colour cycling ("mp_Deng_7color_check"), brightness
// and speed sliders ("mp_deng_light_slider", "mp_deng_speed_slider", the
// speed shown as 4 − speed level), and the direction options
// ("mp_Deng_FXL_check" for a non-zero direction byte, "mp_Deng_FXR_check"
// for 0). Every change goes into the live light state, which timer 2 writes
// to the mousepad, and into the selected light profile.

#include "pages/LightPageParts.h"
#include "pages/Page.h"

#include <QPointer>

namespace zk::pages {

class MousepadLightPage final : public Page, private LiveLightHandlers {
public:
    MousepadLightPage(QWidget* window, profiles::MousepadSession& session, PageServices& services);

    DeviceKind Kind() const override { return DeviceKind::Mousepad; }
    bool Claims(const QString& controlName) const override;
    // Mode, groups, sliders, colour, cycle and direction from the live state.
    void Refresh() override;
    bool Notify(ui::TNotifyUI& msg) override;

private:
    QWidget* Find(const QString& name) const;
    void EnsureModeEntries();
    void OnModePicked(int mode);
    void OnColourChosen(std::uint32_t argb) override;
    void OnColourEdited(int component) override;
    void OnCycleClicked() override;
    void OnBrightness() override;
    void OnSpeed() override;
    void OnDirection(bool forward) override;
    void Put(std::size_t offset, std::uint8_t value);
    void Commit();

    QPointer<QWidget> window_;
    profiles::MousepadSession& session_;
    PageServices& services_;
};

} // namespace zk::pages
