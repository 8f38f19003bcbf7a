#pragma once
// The picture controls of the light previews and the step that shows one
// frame of the preview tickers on them.
//
// Preview index i: the mouse LEDs "ms_dkey_0".."ms_dkey_19" (0-19), the
// mousepad LEDs "mp_dkey_0".."mp_dkey_14" (20-34) and the keyboard keys
// "kb_key_0".."kb_key_125" (35-160), the order of the tickers' frame.
//
// Apply runs on the GUI thread (the main window's 50 ms redraw). It writes the
// tint of each control from the frame and repaints only the controls whose
// shown light changed and that are visible; while the window is hidden or
// minimised it does nothing at all.

#include "lighting/PreviewFrame.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>
#include <cstddef>
#include <functional>

namespace zk::controls {

class TintMembers;

class PreviewSet {
public:
    static constexpr std::size_t kCount = lighting::kPreviewCount;
    using Lookup = std::function<QWidget*(const QString& name)>;

    // The control name of preview index `index` (empty outside the array).
    static QString ControlName(std::size_t index);

    // Binds every preview index to the control that `lookup` gives for its
    // name; returns how many were found with a tint (others stay unbound).
    int Find(const Lookup& lookup);
    // Binds one index; false (and unbound) when the control carries no tint.
    bool Bind(std::size_t index, QWidget* control);
    QWidget* Control(std::size_t index) const;
    TintMembers* Tint(std::size_t index) const;

    // The start-up state of the mouse and mousepad LEDs: tint on, opacity 0,
    // each painting its own backdrop (CLightPictureUI::SetPaintsBackdrop).
    void PrepareLedPictures();

    // Shows one frame; `windowShown` is false while the window is hidden or
    // minimised. Returns the number of controls asked to repaint.
    int Apply(const lighting::PreviewFrame& frame, bool windowShown);
    // Whether the picture of `kind` is on its window's current page (any of
    // its controls visible).
    bool PictureVisible(lighting::DeviceKind kind) const;

private:
    std::array<QPointer<QWidget>, kCount> controls_{};
    std::array<TintMembers*, kCount> tints_{};
};

// Whether a window is on screen (shown and not minimised).
bool IsWindowShown(const QWidget* window);

} // namespace zk::controls
