#pragma once

// The keyboard's light page. The mode combo of the connected model is shown:
// "kb_deng_combo_modeSelect" (model 0, a colour per key, 17 effects) or
// "kb_deng_onecolor_combo_modeSelect" (model 1, one fixed backlight colour,
// 11 effects). The single colour (palette "kb_deng_Color_Pallet", sample
// "kb_Deng_colordp_btn", edits "kb_Deng_edit_R/G/B"), colour cycling
// ("kb_Deng_7color_check"), brightness and speed ("kb_deng_light_slider",
// "kb_deng_speed_slider") and direction ("kb_Deng_FXL_check",
// "kb_Deng_FXR_check", labelled by "kb_Deng_label_FXL/FXR" as the mode moves)
// go into the live light state, which timer 2 writes to the keyboard.
//
// Custom mode (model 0 mode 8, model 1 mode 6) shows one of five custom
// layers of the keyboard light record ("kb_deng_combo_curtom_count"). There
// the colour controls choose the paint colour ("kb_Deng_custom_colordp_btn"),
// and the keys of the keyboard picture are painted with it: a click or a drag
// with the left button paints, with the right button clears, and
// "kb_deng_custom_clear_btn" clears the whole layer. Model 1 keeps a
// brightness per key: the paint colour's lightness. Layers stay on the PC:
// they are saved into the light and device profiles and shown by the preview,
// and nothing is sent to the keyboard for them.
//
// Every change saves the selected light profile and the device profile.

#include "pages/LightPageParts.h"
#include "pages/Page.h"

#include <QPointer>

#include <memory>

class QObject;

namespace zk::pages {

class KeyboardLightPage final : public Page, private LiveLightHandlers {
public:
    KeyboardLightPage(QWidget* window, profiles::KeyboardSession& session, PageServices& services);
    ~KeyboardLightPage() override;

    DeviceKind Kind() const override { return DeviceKind::Keyboard; }
    bool Claims(const QString& controlName) const override;
    // The connected model's combo, the mode, groups, sliders, colours,
    // direction and layer from the live state and the light record; runs the
    // preview's set-up of the mode (without its reset).
    void Refresh() override;
    bool Notify(ui::TNotifyUI& msg) override;

    // Painting the keys of the picture (the key filter calls these): whether a
    // press on a key paints now; paints (or clears) key `key` of the selected
    // layer, true when its bytes changed; saves the profiles after a stroke.
    bool Painting() const;
    bool PaintKey(int key, bool clear);
    void EndStroke();

private:
    class KeyFilter;

    QWidget* Find(const QString& name) const;
    int Model() const;
    bool InCustomMode() const;
    void EnsureSetUp();
    void ShowModel(int model);
    void ShowMode(int model, int mode);
    void ShowColourControls(int model, int mode);
    void ShowPaintColour();
    void OnModePicked(int model, int mode);
    void OnLayerPicked(int layer);
    void OnColourChosen(std::uint32_t argb) override;
    void OnColourEdited(int component) override;
    void OnCycleClicked() override;
    void OnBrightness() override;
    void OnSpeed() override;
    void OnDirection(bool forward) override;
    void OnClearLayer();
    void SetColour(std::uint32_t argb);
    std::size_t LayerBase() const;
    void PutLive(std::size_t offset, std::uint8_t value);
    void PutRecord(std::size_t offset, std::uint8_t value);
    void Save();

    QPointer<QWidget> window_;
    profiles::KeyboardSession& session_;
    PageServices& services_;
    std::unique_ptr<KeyFilter> filter_;
    bool strokeChanged_ = false;
};

} // namespace zk::pages
