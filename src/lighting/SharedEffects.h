#pragma once

// The shared ("sync") light effect, drawn on the pictures of paused devices.

#include "lighting/LightState.h"
#include "lighting/PreviewFrame.h"

namespace zk::lighting {

inline constexpr std::size_t kSharedModeCount = 4;

// Which pictures the shared effect draws on.
struct SharedTargets {
    bool mouse = false;
    bool mousepad = false;
    bool keyboard = false;
    bool Any() const { return mouse || mousepad || keyboard; }
};

// One frame of the shared effect chosen by byte 1 of `light` (0 wave over the
// keyboard's grid columns, the mouse columns and the mousepad LEDs; 1 one
// wheel colour everywhere; 2 breathing; 3 steady), written straight into
// `frame` for the targets. The effect moves the position it shares with the
// keyboard. A mode above 3 draws nothing.
void StepSharedEffect(LightBytesView light, SharedCounters& counters, SharedTargets targets,
                      PreviewFrame& frame);

} // namespace zk::lighting
