#pragma once

// Constant tables shared by the light-effect previews of the mouse, the
// mousepad and the keyboard, and the tint value handed to picture controls.

#include <array>
#include <cstddef>
#include <cstdint>

namespace zk::lighting {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend constexpr bool operator==(const Rgb&, const Rgb&) = default;
};

// Brightness curve, indexed by the brightness level 0 to 4.
extern const std::array<std::uint8_t, 5> kBrightnessCurve;
// The opacity of a lit LED at a brightness level; levels above 4 count as 4.
std::uint8_t BrightnessValue(std::uint8_t level);

// Colour wheel: six segments of 32 entries built from the rising and falling
// ramps, then entries 0 to 63 once more (so that a position up to 255 may be
// looked up without wrapping).
extern const std::array<Rgb, 256> kColourWheel;
inline constexpr std::array<std::uint8_t, 32> kRisingRamp = {
    1,  3,  5,  7,   10,  14,  18,  22,  26,  32,  38,  44,  50,  57,  65,  73,
    81, 89, 99, 109, 119, 129, 140, 152, 164, 176, 188, 200, 213, 227, 241, 255};
inline constexpr std::array<std::uint8_t, 32> kFallingRamp = {
    248, 234, 220, 206, 194, 182, 170, 158, 146, 134, 124, 114, 104, 94, 85, 77,
    69,  61,  53,  47,  41,  35,  29,  24,  20,  16,  12,  8,   6,   4,  2,  0};

// Breathing curve: a rising half of 64 values, then the same values falling.
extern const std::array<std::uint8_t, 128> kBreathingCurve;
// Wave curve: the last 48 values of the rising breathing half, then falling.
extern const std::array<std::uint8_t, 96> kWaveCurve;
// Pulse curve: a sharp rise, a long fall, then dark up to entry 191.
extern const std::array<std::uint8_t, 192> kPulseCurve;

// Periods of the moving positions.
inline constexpr std::uint8_t kWheelPeriod = 192;
inline constexpr std::uint8_t kWavePeriod = 96;
inline constexpr std::uint8_t kBreathingPeriod = 128;

// Frame delays in milliseconds of the mousepad ticker [mode][speed] and of the
// keyboard ticker [mode][speed].
extern const std::array<std::array<std::uint8_t, 15>, 9> kMousepadFrameDelay;
extern const std::array<std::array<std::uint8_t, 15>, 17> kKeyboardFrameDelay;
// Table look-ups that keep a mode or speed byte outside the table on its last
// row or column.
std::uint32_t MousepadFrameDelay(std::uint8_t mode, std::uint8_t speed);
std::uint32_t KeyboardFrameDelay(std::uint8_t mode, std::uint8_t speed);

// ---------------------------------------------------------------------------
// Tints. A tint is a colour with an opacity, kept in one 32-bit value laid out
// as 0xAARRGGBB with the opacity in the top byte, so that one atomic load gives
// a consistent tint (and QColor::fromRgba takes it as it is).
using Tint = std::uint32_t;
inline constexpr Tint kDark = 0; // colour 0, opacity 0

constexpr Tint MakeTint(Rgb c, std::uint8_t opacity) {
    return (Tint{opacity} << 24) | (Tint{c.r} << 16) | (Tint{c.g} << 8) | Tint{c.b};
}
constexpr std::uint8_t TintOpacity(Tint t) {
    return static_cast<std::uint8_t>(t >> 24);
}
constexpr Rgb TintRgb(Tint t) {
    return Rgb{static_cast<std::uint8_t>(t >> 16), static_cast<std::uint8_t>(t >> 8),
               static_cast<std::uint8_t>(t)};
}
// The colour value of the picture controls' tint: (second byte × 65536) +
// (third byte × 256) + first byte, the bytes in stored order red, green, blue.
constexpr std::uint32_t ChangerColor(Rgb c) {
    return (std::uint32_t{c.g} << 16) | (std::uint32_t{c.b} << 8) | std::uint32_t{c.r};
}
constexpr std::uint32_t ChangerColor(Tint t) {
    return ChangerColor(TintRgb(t));
}

// ---------------------------------------------------------------------------
// Mouse picture: 20 LEDs drawn as 7 columns of 3 controls (LED 9 twice).
extern const std::array<std::array<std::uint8_t, 3>, 7> kMouseColumns;
// Breathing colour sets of the mouse: three sets of one colour per column.
extern const std::array<std::array<Rgb, 7>, 3> kMouseBreathingSets;

// Mousepad picture: 15 LEDs, in 7 columns (0: LEDs 0-4, 1-5: LED 4 + k,
// 6: LEDs 14-10). Unused places hold kNoLed.
inline constexpr std::uint8_t kNoLed = 0xFF;
extern const std::array<std::array<std::uint8_t, 5>, 7> kMousepadColumns;

// A fading level loses a step that depends on how bright it still is: the
// first step from 128 up, the next from 64, from 32, from 17, and the last
// below 17, where a level under `floor` becomes 0.
struct FadeSteps {
    std::uint8_t from128, from64, from32, from17, below17, floor;
};

constexpr std::uint8_t Fade(std::uint8_t v, const FadeSteps& s) {
    if (v >= 128)
        return static_cast<std::uint8_t>(v - s.from128);
    if (v >= 64)
        return static_cast<std::uint8_t>(v - s.from64);
    if (v >= 32)
        return static_cast<std::uint8_t>(v - s.from32);
    if (v >= 17)
        return static_cast<std::uint8_t>(v - s.from17);
    return v >= s.floor ? static_cast<std::uint8_t>(v - s.below17) : 0;
}

// Ripple of the mouse and of the keyboard's keys.
inline constexpr FadeSteps kRippleFade{40, 30, 10, 8, 4, 5};
// Ripple of the mousepad.
inline constexpr FadeSteps kMousepadRippleFade{30, 20, 10, 5, 1, 1};
// A lit key of the keyboard's other effects.
inline constexpr FadeSteps kKeyFade{30, 20, 10, 5, 4, 9};

} // namespace zk::lighting
