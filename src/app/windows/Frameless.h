#pragma once
// Behaviour shared by the frameless auxiliary windows: the window's region follows the rounded
// corners of its layout (the root's dynamic property "roundCorner", 6 pixels by default), the
// caption strip (the root's "captionHeight" property, or the given default) drags the window,
// and a maximised window takes its monitor's work area. Labels named "<anything>_logo" show the
// product mark.

#include "ui/WindowImplBase.h"

#include <QRect>

namespace zk::app {

// Corner radius the layout asks for; `fallback` when the root names none.
int LayoutCornerRadius(ui::WindowImplBase& window, int fallback = 6);

// Sets the window's region to its rectangle with rounded corners (none while maximised).
void ApplyRoundedRegion(ui::WindowImplBase& window, int radius);

// Prepares a frameless auxiliary window after Create: caption drag height from the layout
// (or `captionHeight`), rounded region, a maximum size of the monitor's work area, and the
// caption's close button ("closebtn") with its tool tip, left out of the Tab order (Escape
// closes).
void SetUpFrameless(ui::WindowImplBase& window, int captionHeight);

// Shows the skin picture `rel` (e.g. "icons/logo.png", with its @2x partner on HiDPI screens)
// in the label, scaled to the label's size. False when the picture is missing.
bool SetSkinPicture(QWidget* label, const QString& rel);

// Moves `rect` so that it lies inside `area` where it fits (keeps its size).
QRect KeepInside(QRect rect, const QRect& area);

} // namespace zk::app
