#pragma once

// The lighting page of the mouse. The mouse runs its effects itself; the page
// stores the chosen effect in the light bytes of the settings record (mode,
// brightness, speed, colour cycle, single colour), which timer 2 writes, and
// the mouse picture's preview follows the same bytes.
//
// The page offers two forms over the same bytes, switched by
// "ms_deng_view_modes" and "ms_deng_view_list" (pages of "ms_deng_forms"):
//
//   modes   one option per effect ("light_check_1" .. "light_check_7") with
//           the effect's own slider ("slider_cl" brightness of the steady
//           light; "slider_hx" .. "slider_mc" speeds), and for the reactive
//           effect the key options "left_key_check", "right_key_check",
//           "middle_key_check";
//   list    a mode combo ("ms_deng_combo_modeSelect0/1/2", whichever the
//           layout shows; the index is the mode code) with the brightness
//           ("ms_deng_light_slider") and speed ("ms_deng_speed_slider", shown
//           as 4 − speed) sliders, and the parts that the chosen mode enables
//           ("ms_deng_fx_layout", "ms_deng_color_layout",
//           "ms_deng_7colorselect_layout", "ms_deng_speed_layout",
//           "ms_deng_same_mode").
//
// Both share the colour panel "mouse_light" ("light_btn" shows or hides it):
// the palette "ms_deng_Color_Pallet", the colour sample "ms_Deng_colordp_btn",
// the component edits "ms_Deng_edit_R/G/B", the swatches "color_option_n" and
// the seven-colour option "ms_Deng_7color_check".

#include "pages/Page.h"
#include "settings/SettingsFlush.h"

#include <QObject>
#include <QPointer>

#include <array>
#include <cstdint>
#include <optional>

class QAbstractButton;

namespace zk::pages {

// Which of the five parts of the list form a mode of a mode combo enables.
struct ModeParts {
    bool fx;
    bool colour;
    bool sevenColourSelect;
    bool speed;
    bool sameMode;
};

// The parts of `index` in mode combo `combo` (0 to 2); nothing for an index
// the combo does not have.
std::optional<ModeParts> ModePartsOf(int combo, int index);
// The number of modes that mode combo `combo` offers.
int ModeCountOf(int combo);

// Names of the five parts, in the order of ModeParts.
inline constexpr std::array<const char*, 5> kModePartNames = {
    "ms_deng_fx_layout", "ms_deng_color_layout", "ms_deng_7colorselect_layout",
    "ms_deng_speed_layout", "ms_deng_same_mode"};

// Applies the colour layouts that the flush of the settings record chose
// (settings::LayoutsForLightMode) to the controls below `window`.
void ApplyMouseLightLayouts(QWidget* window, const settings::MouseLightLayouts& layouts);

class MouseLightPage final : public Page {
public:
    MouseLightPage(QWidget* window, profiles::MouseSession& session, PageServices& services);
    ~MouseLightPage() override;

    DeviceKind Kind() const override { return DeviceKind::Mouse; }
    bool Claims(const QString& controlName) const override;
    // The page from the light bytes: the brightness and speed sliders, the
    // colour (unless the mode is the spectrum cycle), the seven-colour option,
    // and the chosen mode in both forms.
    void Refresh() override;
    bool Notify(ui::TNotifyUI& msg) override;

    // The mode combo the layout shows (0 to 2), or -1.
    int ShownCombo() const;

private:
    void Prepare();
    QWidget* Find(const QString& name) const;
    QAbstractButton* Button(const QString& name) const;
    std::uint8_t Byte(std::size_t offset) const;
    void Store(std::size_t offset, std::uint8_t value);
    // Marks the record for the flush and saves the profile once the current
    // pass of the event loop is done.
    void Save();
    void SaveNow();
    // Resets the mouse picture's effect state for a new mode.
    void ResetPreview(bool rippleFromCellSeven);

    // Selects each of the ten options of the modes form by `selected` (bit n:
    // option n in the order light_check_1..7, left, right, middle), enables
    // each mode slider with its own option and the key options by `keys`.
    void ApplyGroupState(unsigned selected, bool keys);
    void OnModeOption(int option);
    void OnKeyOption(int key);
    void OnModeSlider(const QString& name);
    void OnModeCombo(int combo, int index);
    void OnLevelSlider(const QString& name);
    void ApplyColour(std::uint32_t argb, bool store);
    void OnComponentEdit(int component);
    void OnSevenColourClick();
    void OnView(bool list);
    void ApplyModeParts(int combo, int mode);
    void ShowModeInForms(std::uint8_t mode);
    void ToggleColourPanel();

    QPointer<QWidget> window_;
    profiles::MouseSession& session_;
    PageServices& services_;
    QObject saveContext_; // the pending save is dropped with the page
    bool savePending_ = false;
    bool prepared_ = false;
};

} // namespace zk::pages
