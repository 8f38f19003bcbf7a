#pragma once

// The seven light effects of the mouse picture (20 LEDs).

#include "lighting/LightState.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace zk::lighting {

inline constexpr std::size_t kMouseLedCount = 20;
inline constexpr std::size_t kMouseModeCount = 7;
inline constexpr std::size_t kMouseRingSize = 23;
inline constexpr std::size_t kMouseRippleColumns = 14;
using MouseFrame = std::array<Tint, kMouseLedCount>;

// Effect state of the mouse preview, owned by the thread that steps it.
struct MouseEffectState {
    std::uint8_t position = 0;
    std::int32_t fillCount = 0;
    bool fillFalling = false;
    std::array<std::uint8_t, kMouseRingSize> ring{};
    std::array<std::uint8_t, kMouseRippleColumns> columnLevel{};
    std::array<std::uint8_t, kMouseRippleColumns> columnColour{};
    bool flashOn = false;
    std::uint32_t flashStart = 0;
    std::uint8_t flashHue = 0;

    // The reset of a mode change: position, ring, column levels and colours
    // become 0, then one ripple marker is placed in `markerCell` (0 when the
    // direction byte is 0, 7 otherwise). Fill, ripple hue, breathing set and
    // the reactive state stay.
    void Reset(std::uint8_t markerCell);
};

// What an effect needs besides its state and the light bytes.
struct EffectInputs {
    SharedCounters& counters;
    std::atomic<std::uint32_t>& reactiveTrigger;
    std::uint32_t nowMs = 0; // tick count at the start of the frame
};

// Ripple decay of the mouse: 215, 175, 135, 95, 65, 35, 25, 17, 9, 5, 1, 0
// from 255.
std::uint8_t MouseRippleDecay(std::uint8_t v);

// Computes one frame of the mode in byte 1 of `light` into `frame`. Entries
// that the mode does not draw keep their value. Writes byte 9 (the breathing
// set) of `light` in mode 2. knownMode is false for a mode above 6, which
// leaves the frame as it was.
StepOutcome StepMouseEffect(MouseEffectState& state, LightBytesView light, EffectInputs in,
                            MouseFrame& frame);

} // namespace zk::lighting
