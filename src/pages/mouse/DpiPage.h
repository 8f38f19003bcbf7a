#pragma once

// The DPI page of the mouse: six stages, each with a slider for its level
// index ("DPI_slider_n"), a label with its DPI value ("DPI_label_n"), an
// option that makes it the current stage ("DPI_check_n") and a colour button
// ("DPI_btn_n"), and the button "DPI_set_btn" that shows or hides the panel
// "DPI_setting". Everything the page shows lives in the settings record.

#include "pages/Page.h"

#include <QPointer>

namespace zk::pages {

// The stage (1 to 6) that a control name of this page ends in, with the
// expected prefix ("DPI_slider_", ...); 0 when the name is not one of them.
int StageOfControl(const QString& name, const QString& prefix);

// 0xFFRRGGBB of a stage colour.
std::uint32_t StageColourArgb(const settings::MouseSettingsImage& image, int stage);

class DpiPage final : public Page {
public:
    // `window` holds the page's controls (anywhere below it).
    DpiPage(QWidget* window, profiles::MouseSession& session, PageServices& services);

    DeviceKind Kind() const override { return DeviceKind::Mouse; }
    bool Claims(const QString& controlName) const override;
    // The page from the settings record and the capability block; levels
    // above a non-zero dpiMaxLevel are corrected and the image marked pending.
    // A dpiMaxLevel of 0 sets no limit: the sliders reach 255.
    void Refresh() override;
    // Slider moves (while dragged and on release), stage selection, colour
    // buttons and the details button.
    bool Notify(ui::TNotifyUI& msg) override;

private:
    QWidget* Find(const QString& name) const;
    void OnSlider(int stage);
    void OnStageSelected(int stage);
    void OnColourButton(int stage);
    void ToggleDetails();
    int Base() const;
    void Save();

    QPointer<QWidget> window_;
    profiles::MouseSession& session_;
    PageServices& services_;
};

} // namespace zk::pages
