#pragma once

// What the keyboard's and the mousepad's light pages share: the colour
// controls (palette, sample, red/green/blue edits), the enable state of the
// groups of a mode, and the byte writes into a live light state that the
// previews read.

#include "ui/Notify.h"

#include <QString>

#include <array>
#include <cstdint>
#include <span>

class QWidget;

namespace zk::pages {

// The names of one page's colour controls.
struct ColourControls {
    QString palette;
    QString sample;
    std::array<QString, 3> edits; // red, green, blue
};

// 0xFFRRGGBB.
constexpr std::uint32_t OpaqueColour(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return 0xFF000000u | (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | b;
}
constexpr std::uint8_t ColourByte(std::uint32_t argb, int component) {
    return static_cast<std::uint8_t>(argb >> (16 - 8 * component));
}

// A colour edit's text as a component: a plain decimal conversion (leading
// blanks, an optional sign, the digits that follow; anything else reads 0),
// limited to 0 to 255. `overLimit` is set when the number was above 255.
std::uint8_t ComponentOfText(const QString& text, bool& overLimit);

// Shows `argb` on the palette, the sample and the three edits, without
// notifications. `cycling` puts the colour-wheel picture on the sample.
void ShowColour(QWidget* window, const ColourControls& names, std::uint32_t argb, bool cycling);
// Shows or clears the colour-wheel picture on a sample.
void ShowCycling(QWidget* sample, bool cycling);

// Enables each named group by its flag; groups the window lacks are skipped.
void EnableGroups(QWidget* window, std::span<const char* const> names, std::span<const bool> on);

// The index of a control name among `edits`, -1 when none.
int EditIndex(const ColourControls& names, const QString& name);

// The controls of a page that edits a live light state besides its mode: the
// colour controls, the colour-cycle check, the brightness and speed sliders
// and the two direction options.
struct LiveLightNames {
    ColourControls colour;
    QString cycle;
    QString brightness;
    QString speed;
    QString forward;
    QString backward;
};

// What such a page does when one of those controls changes.
class LiveLightHandlers {
public:
    virtual void OnColourChosen(std::uint32_t argb) = 0;
    virtual void OnColourEdited(int component) = 0;
    virtual void OnCycleClicked() = 0;
    virtual void OnBrightness() = 0;
    virtual void OnSpeed() = 0;
    virtual void OnDirection(bool forward) = 0;

protected:
    ~LiveLightHandlers() = default;
};

// Hands a notification of one of `names`' controls to its handler: a colour
// picked on the palette, an edit's text changed, the cycle check clicked, a
// slider moved, a direction option selected. True when it was one of them.
bool RouteLiveLightControls(const ui::TNotifyUI& msg, const LiveLightNames& names,
                            LiveLightHandlers& page);

} // namespace zk::pages
