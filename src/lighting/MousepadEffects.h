#pragma once

// The nine light effects of the mousepad picture (15 LEDs).

#include "lighting/MouseEffects.h"

#include <array>
#include <cstdint>

namespace zk::lighting {

inline constexpr std::size_t kMousepadLedCount = 15;
inline constexpr std::size_t kMousepadModeCount = 9;
using MousepadFrame = std::array<Tint, kMousepadLedCount>;

inline constexpr std::int16_t kBarPatternStart = 0x3F00;
inline constexpr std::int16_t kBarPatternReturn = 0x00FC;
inline constexpr std::uint32_t kBarPauseMs = 1000;

// Effect state of the mousepad preview, owned by the thread that steps it.
struct MousepadEffectState {
    std::uint8_t position = 0;
    std::int32_t fillCount = 0;
    bool fillFalling = false;
    std::array<std::uint8_t, kMousepadLedCount> ring{};
    std::array<std::uint8_t, kMousepadLedCount> ledLevel{};
    std::array<std::uint8_t, kMousepadLedCount> ledColour{};
    std::int16_t barPattern = kBarPatternStart;
    bool barPhase = true;
    std::uint32_t barCount = 0;
    bool flashOn = false;
    std::uint32_t flashStart = 0;
    std::uint8_t flashHue = 0;

    // The reset of a mode change: position, LED levels, LED colours and ring
    // become 0; with `rippleMarker` one marker is placed in ring cell 0. Fill,
    // bar, ripple hue and reactive state stay.
    void Reset(bool rippleMarker);
};

// 255 → 225, 195, 165, 135, 105, 85, 65, 45, 35, 25, 20, 15, 10, 9, …, 1, 0.
std::uint8_t MousepadRippleDecay(std::uint8_t v);

// Computes one frame of the mode in byte 1 of `light`. The bar sweep ends its
// frame without drawing at each turn and asks for a pause of kBarPauseMs.
// Writes byte 9 (the breathing set) in mode 2. A mode above 8 does nothing.
StepOutcome StepMousepadEffect(MousepadEffectState& state, LightBytesView light, EffectInputs in,
                               MousepadFrame& frame);

} // namespace zk::lighting
