#include "lighting/LightTables.h"

#include <algorithm>

namespace zk::lighting {

const std::array<std::uint8_t, 5> kBrightnessCurve = {0, 97, 149, 201, 255};

std::uint8_t BrightnessValue(std::uint8_t level) {
    return kBrightnessCurve[std::min<std::size_t>(level, kBrightnessCurve.size() - 1)];
}

namespace {

// Segment s of the wheel runs red → yellow → green → cyan → blue → magenta →
// red: one channel at 255, one ramping, one at 0.
constexpr std::array<Rgb, 256> BuildWheel() {
    std::array<Rgb, 256> w{};
    for (int s = 0; s < 6; ++s) {
        for (int k = 0; k < 32; ++k) {
            const std::uint8_t up = kRisingRamp[static_cast<std::size_t>(k)];
            const std::uint8_t down = kFallingRamp[static_cast<std::size_t>(k)];
            Rgb c{};
            switch (s) {
            case 0:
                c = {255, up, 0};
                break;
            case 1:
                c = {down, 255, 0};
                break;
            case 2:
                c = {0, 255, up};
                break;
            case 3:
                c = {0, down, 255};
                break;
            case 4:
                c = {up, 0, 255};
                break;
            default:
                c = {255, 0, down};
                break;
            }
            w[static_cast<std::size_t>(32 * s + k)] = c;
        }
    }
    for (std::size_t i = 192; i < 256; ++i) {
        w[i] = w[i - 192];
    }
    return w;
}

constexpr std::array<std::uint8_t, 64> kBreathingRise = {
    0,   1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  12,  14,  16,  18,  20,
    22,  24,  27,  30,  33,  36,  39,  42,  45,  49,  53,  57,  61,  65,  69,  73,
    77,  81,  85,  89,  94,  99,  104, 109, 114, 119, 124, 129, 134, 140, 146, 152,
    158, 164, 170, 176, 182, 188, 194, 200, 206, 213, 220, 227, 234, 241, 248, 255};

template <std::size_t N> constexpr std::array<std::uint8_t, 2 * N> RiseThenFall(std::size_t from) {
    std::array<std::uint8_t, 2 * N> out{};
    for (std::size_t i = 0; i < N; ++i) {
        out[i] = kBreathingRise[from + i];
        out[2 * N - 1 - i] = kBreathingRise[from + i];
    }
    return out;
}

// The pulse curve as stored: its rise and fall, then zero up to entry 191.
constexpr std::array<std::uint8_t, 96> kPulseShape = {
    0,   4,   8,   14,  22,  33,  45,  61,  77,  94,  114, 134, 158, 182, 206, 234,
    255, 248, 241, 234, 227, 220, 213, 206, 200, 194, 188, 182, 176, 170, 164, 158,
    152, 146, 140, 134, 129, 124, 119, 114, 109, 104, 99,  94,  89,  85,  81,  77,
    73,  69,  65,  61,  57,  53,  49,  45,  42,  39,  36,  33,  30,  27,  24,  22,
    20,  18,  16,  14,  12,  10,  9,   8,   7,   6,   5,   4,   3,   2,   2,   1};

constexpr std::array<std::uint8_t, 192> BuildPulse() {
    std::array<std::uint8_t, 192> p{};
    for (std::size_t i = 0; i < kPulseShape.size(); ++i) {
        p[i] = kPulseShape[i];
    }
    return p;
}

// Every mousepad row: 9 + 4 × speed.
constexpr std::array<std::array<std::uint8_t, 15>, 9> BuildMousepadDelays() {
    std::array<std::array<std::uint8_t, 15>, 9> t{};
    for (auto& row : t) {
        for (std::size_t s = 0; s < row.size(); ++s) {
            row[s] = static_cast<std::uint8_t>(9 + 4 * s);
        }
    }
    return t;
}

constexpr std::array<std::uint8_t, 15> kKeyboardDelayRow = {9,  13, 27, 37, 45, 29, 33, 37,
                                                            41, 45, 49, 53, 57, 61, 65};

constexpr std::array<std::array<std::uint8_t, 15>, 17> BuildKeyboardDelays() {
    std::array<std::array<std::uint8_t, 15>, 17> t{};
    for (auto& row : t) {
        row = kKeyboardDelayRow;
    }
    t[0][0] = 2;
    t[4][0] = 3;
    t[7][0] = 3;
    t[12][0] = 3;
    t[2][14] = 63;
    return t;
}

} // namespace

const std::array<Rgb, 256> kColourWheel = BuildWheel();
const std::array<std::uint8_t, 128> kBreathingCurve = RiseThenFall<64>(0);
const std::array<std::uint8_t, 96> kWaveCurve = RiseThenFall<48>(16);
const std::array<std::uint8_t, 192> kPulseCurve = BuildPulse();
const std::array<std::array<std::uint8_t, 15>, 9> kMousepadFrameDelay = BuildMousepadDelays();
const std::array<std::array<std::uint8_t, 15>, 17> kKeyboardFrameDelay = BuildKeyboardDelays();

std::uint32_t MousepadFrameDelay(std::uint8_t mode, std::uint8_t speed) {
    const auto& row =
        kMousepadFrameDelay[std::min<std::size_t>(mode, kMousepadFrameDelay.size() - 1)];
    return row[std::min<std::size_t>(speed, row.size() - 1)];
}

std::uint32_t KeyboardFrameDelay(std::uint8_t mode, std::uint8_t speed) {
    const auto& row =
        kKeyboardFrameDelay[std::min<std::size_t>(mode, kKeyboardFrameDelay.size() - 1)];
    return row[std::min<std::size_t>(speed, row.size() - 1)];
}

const std::array<std::array<std::uint8_t, 3>, 7> kMouseColumns = {{
    {0, 7, 19},
    {1, 8, 18},
    {2, 9, 9},
    {3, 10, 14},
    {4, 11, 15},
    {5, 12, 16},
    {6, 13, 17},
}};

const std::array<std::array<Rgb, 7>, 3> kMouseBreathingSets = {{
    {{{255, 255, 0},
      {200, 255, 0},
      {170, 255, 0},
      {140, 255, 0},
      {110, 255, 0},
      {80, 255, 0},
      {70, 255, 0}}},
    {{{0, 255, 255},
      {0, 200, 255},
      {0, 170, 255},
      {0, 140, 255},
      {0, 110, 255},
      {0, 80, 255},
      {0, 70, 255}}},
    {{{245, 0, 255},
      {245, 0, 200},
      {245, 0, 170},
      {245, 0, 140},
      {245, 0, 110},
      {245, 0, 80},
      {245, 0, 70}}},
}};

const std::array<std::array<std::uint8_t, 5>, 7> kMousepadColumns = {{
    {0, 1, 2, 3, 4},
    {5, kNoLed, kNoLed, kNoLed, kNoLed},
    {6, kNoLed, kNoLed, kNoLed, kNoLed},
    {7, kNoLed, kNoLed, kNoLed, kNoLed},
    {8, kNoLed, kNoLed, kNoLed, kNoLed},
    {9, kNoLed, kNoLed, kNoLed, kNoLed},
    {14, 13, 12, 11, 10},
}};

} // namespace zk::lighting
