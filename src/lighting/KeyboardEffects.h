#pragma once

// The per-key light effects of the keyboard picture: 17 modes of keyboard
// model 0 (a colour per key) and 11 of model 1 (one backlight colour, a
// brightness per key).

#include "lighting/KeyboardTables.h"
#include "lighting/LightState.h"

#include <array>
#include <cstdint>

namespace zk::lighting {

inline constexpr std::size_t kKeyboardModel0ModeCount = 17;
inline constexpr std::size_t kKeyboardModel1ModeCount = 11;
using KeyboardFrame = std::array<Tint, kKeyboardKeyCount>;
// Four planes of one bit per grid place: byte = column, bit r = row r.
using WavePlanes = std::array<std::array<std::uint8_t, kGridColumns>, 4>;

// Effect state of the keyboard preview, owned by the thread that steps it.
struct KeyboardEffectState {
    KeyboardFrame frame{}; // colour and opacity per key; untouched keys keep theirs
    std::array<std::uint8_t, kKeyboardKeyCount> hue{};
    std::array<std::uint8_t, kKeyboardKeyCount> level{}; // also the phase of model 0 mode 11
    std::array<std::uint8_t, kKeyboardKeyCount> phase{}; // the second phase array
    std::uint8_t position = 0;                           // also the script's row counter
    WavePlanes planes{};
    std::uint8_t scriptState = 0;
    std::uint8_t twinkleIndex = 0;

    // Clears positions, hues, levels, phases, planes, script and twinkle; the
    // frame keeps what it shows.
    void Reset();
};

// The set-up that selecting `mode` of `model` performs after the reset (and
// that a page refresh performs on its own).
void SetUpKeyboardMode(KeyboardEffectState& state, int model, std::uint8_t mode);

// The pause the ticker takes before the effect of `mode`.
std::uint32_t KeyboardExtraSleep(int model, std::uint8_t mode);

// Wave planes: the union of the four planes in one grid column, one step of
// all planes, and seeding one place in all four.
std::uint8_t PlaneUnion(const WavePlanes& planes, std::size_t column);
void StepPlanes(WavePlanes& planes);
void SeedPlanes(WavePlanes& planes, std::size_t column, std::uint8_t bits);

// Key decay, the normal rule and the rule of the bouncing ripple.
std::uint8_t KeyDecay(std::uint8_t v);
std::uint8_t RippleKeyDecay(std::uint8_t v);

// Computes one frame of the mode in byte 1 of `light` for `model` into
// state.frame. `record` views the keyboard light record (custom layers) and
// may be unbound, in which case the custom modes draw nothing. Model 1 frames
// carry only opacities; their colour is the fixed backlight colour.
StepOutcome StepKeyboardEffect(KeyboardEffectState& state, int model, LightBytesView light,
                               LightBytesView record, SharedCounters& counters);

} // namespace zk::lighting
