#include "lighting/KeyboardEffects.h"

#include <algorithm>

namespace zk::lighting {

void KeyboardEffectState::Reset() {
    hue.fill(0);
    level.fill(0);
    phase.fill(0);
    position = 0;
    for (auto& plane : planes) {
        plane.fill(0);
    }
    scriptState = 0;
    twinkleIndex = 0;
}

std::uint8_t PlaneUnion(const WavePlanes& planes, std::size_t column) {
    return static_cast<std::uint8_t>(planes[0][column] | planes[1][column] | planes[2][column] |
                                     planes[3][column]);
}

// Plane 0 moves left and down, plane 1 right and down, plane 2 right and up,
// plane 3 left and up; each bit leaves both moved copies and no bit of its own.
void StepPlanes(WavePlanes& planes) {
    const WavePlanes old = planes;
    for (std::size_t c = 0; c < kGridColumns; ++c) {
        const std::uint8_t fromRight = c + 1 < kGridColumns ? 1 : 0;
        const std::uint8_t fromLeft = c > 0 ? 1 : 0;
        const auto right = [&](int p) { return fromRight ? old[p][c + 1] : std::uint8_t{0}; };
        const auto left = [&](int p) { return fromLeft ? old[p][c - 1] : std::uint8_t{0}; };
        planes[0][c] = static_cast<std::uint8_t>(right(0) | (old[0][c] << 1));
        planes[1][c] = static_cast<std::uint8_t>(left(1) | (old[1][c] << 1));
        planes[2][c] = static_cast<std::uint8_t>(left(2) | (old[2][c] >> 1));
        planes[3][c] = static_cast<std::uint8_t>(right(3) | (old[3][c] >> 1));
    }
}

void SeedPlanes(WavePlanes& planes, std::size_t column, std::uint8_t bits) {
    for (auto& plane : planes) {
        plane[column] = static_cast<std::uint8_t>(plane[column] | bits);
    }
}

std::uint8_t KeyDecay(std::uint8_t v) {
    return Fade(v, kKeyFade);
}

// A lit key fades 215, 175, 135, 95, 65, 35, 25, 17, 9, 5, 1, 0: below 17 the
// level loses 4 per frame until it reaches 0.
std::uint8_t RippleKeyDecay(std::uint8_t v) {
    return Fade(v, kRippleFade);
}

namespace {

constexpr std::array<std::uint8_t, kKeyboardModel0ModeCount> kModel0ExtraSleep = {
    0, 20, 0, 0, 12, 40, 15, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr std::array<std::uint8_t, kKeyboardModel1ModeCount> kModel1ExtraSleep = {
    0, 0, 0, 40, 15, 1, 0, 100, 0, 0, 0};
constexpr std::uint32_t kRingsPauseMs = 10;
constexpr std::uint32_t kCornerRipplesPauseMs = 50;

// What a frame works with.
struct Ctx {
    KeyboardEffectState& s;
    const LightParams& p;
    SharedCounters& counters;
};

void TintGridColumn(KeyboardFrame& frame, std::size_t column, Tint tint) {
    for (std::uint8_t key : kKeyGrid[column]) {
        if (key != kNoKey) {
            frame[key] = tint;
        }
    }
}

void TintGridRow(KeyboardFrame& frame, std::size_t row, Tint tint) {
    for (const auto& column : kKeyGrid) {
        if (column[row] != kNoKey) {
            frame[column[row]] = tint;
        }
    }
}

// Lighting a key: its level, and with colour cycle on a new hue from the frame
// counter moved on by the effect's step.
void LightKey(Ctx& c, std::size_t key, std::uint8_t level, std::uint8_t step) {
    if (key >= kKeyboardKeyCount) {
        return;
    }
    c.s.level[key] = level;
    if (c.p.Cycle()) {
        c.s.hue[key] = c.counters.AdvanceFrameCounter(step);
    }
}

void DrawByLevel(Ctx& c, std::size_t key) {
    const Rgb colour = c.p.Cycle() ? kColourWheel[c.s.hue[key]] : c.p.colour;
    c.s.frame[key] = MakeTint(colour, Scale(c.p.B(), c.s.level[key]));
}

template <typename Decay> void DecayAndDrawSnake(Ctx& c, Decay decay) {
    for (std::uint8_t key : kSnakeOrder) {
        c.s.level[key] = decay(c.s.level[key]);
        DrawByLevel(c, key);
    }
}

void LightPlaneKeys(Ctx& c, std::uint8_t level, std::uint8_t step) {
    for (std::size_t col = 0; col < kGridColumns; ++col) {
        const std::uint8_t bits = PlaneUnion(c.s.planes, col);
        for (std::size_t row = 0; row < kGridRows; ++row) {
            if (((bits >> row) & 1u) != 0 && kKeyGrid[col][row] != kNoKey) {
                LightKey(c, kKeyGrid[col][row], level, step);
            }
        }
    }
}

void ColumnWave(Ctx& c) {
    if (c.p.Cycle()) {
        c.s.position = StepPosition(c.s.position, c.p.Forward(), kWheelPeriod);
        for (std::size_t k = 0; k < kGridColumns; ++k) {
            TintGridColumn(c.s.frame, k,
                           MakeTint(kColourWheel[(c.s.position + 7 * k) % 192], c.p.B()));
        }
        return;
    }
    c.s.position = StepPosition(c.s.position, c.p.Forward(), kWavePeriod);
    for (std::size_t k = 0; k < kGridColumns; ++k) {
        const std::uint8_t wave = kWaveCurve[(c.s.position + 10 * (k + 1)) % 96];
        TintGridColumn(c.s.frame, k, MakeTint(c.p.colour, Scale(c.p.B(), wave)));
    }
}

void Breathing(Ctx& c, LightBytesView light) {
    c.s.position = StepPosition(c.s.position, c.p.Forward(), kBreathingPeriod);
    if (c.s.position == 0) {
        light.Store(kLightStep, c.p.step >= 2 ? 0 : static_cast<std::uint8_t>(c.p.step + 1));
    }
    const Rgb colour = c.p.Cycle() ? kColourWheel[c.s.position + 50] : c.p.colour;
    c.s.frame.fill(MakeTint(colour, Scale(c.p.B(), kBreathingCurve[c.s.position])));
}

void PerKeySpectrum(Ctx& c) {
    for (std::size_t i = 0; i < kKeyboardKeyCount; ++i) {
        c.s.hue[i] = c.s.hue[i] >= 191 ? 0 : static_cast<std::uint8_t>(c.s.hue[i] + 1);
        c.s.frame[i] = MakeTint(kColourWheel[c.s.hue[i]], c.p.B());
    }
}

void BouncingRipple(Ctx& c) {
    const std::uint8_t bits = PlaneUnion(c.s.planes, 9);
    if (bits == 0x01 || bits == 0x40) {
        SeedPlanes(c.s.planes, 9, bits);
    }
    LightPlaneKeys(c, 255, 11);
    StepPlanes(c.s.planes);
    DecayAndDrawSnake(c, RippleKeyDecay);
}

void Script(Ctx& c) {
    auto& s = c.s;
    switch (s.scriptState) {
    case 0:
        for (std::uint8_t key : kScriptRows[std::min<std::size_t>(s.position, 19)]) {
            if (key != kNoScriptKey) {
                LightKey(c, key, 255, 11);
            }
        }
        if (++s.position > 19) {
            s.scriptState = 1;
            s.position = 0;
        }
        break;
    case 1:
        if (s.position <= 30) {
            for (std::uint8_t key : kScriptPairs[s.position % 16]) {
                LightKey(c, key, 255, 11);
            }
            ++s.position;
        } else if (s.level[72] == 0) {
            s.scriptState = 2;
            s.position = 0;
        }
        break;
    case 2:
        // Leftovers of the last spread are cleared so that only the new one runs.
        for (auto& plane : s.planes) {
            plane.fill(0);
        }
        SeedPlanes(s.planes, KeyPlace(52).column,
                   static_cast<std::uint8_t>(1u << KeyPlace(52).row));
        s.scriptState = 3;
        break;
    case 3:
        LightPlaneKeys(c, 255, 11);
        StepPlanes(s.planes);
        if (s.level[105] != 0) {
            s.scriptState = 4;
        }
        break;
    default:
        if (s.level[105] == 0) {
            s.scriptState = 0;
            s.position = 0;
        }
        break;
    }
    DecayAndDrawSnake(c, KeyDecay);
}

void SnakeWave(Ctx& c, bool cycle) {
    if (cycle) {
        c.s.position = StepPosition(c.s.position, c.p.Forward(), kWheelPeriod);
        for (std::size_t n = 0; n < kSnakeOrder.size(); ++n) {
            c.s.frame[kSnakeOrder[n]] =
                MakeTint(kColourWheel[(c.s.position + 5 * n) % 192], c.p.B());
        }
        return;
    }
    c.s.position = StepPosition(c.s.position, c.p.Forward(), kWavePeriod);
    for (std::size_t n = 0; n < kSnakeOrder.size(); ++n) {
        const std::uint8_t wave = kWaveCurve[(c.s.position + 5 * n) % 96];
        c.s.frame[kSnakeOrder[n]] = MakeTint(c.p.colour, Scale(c.p.B(), wave));
    }
}

std::size_t SelectedLayerBase(LightBytesView record) {
    std::uint8_t layer = record.Load(kCustomLayerSelectOffset);
    if (layer >= kCustomLayerCount) {
        layer = 0; // a selector outside the five layers reads the first
    }
    return kCustomLayersOffset + layer * kCustomLayerSize;
}

void CustomColours(Ctx& c, LightBytesView record) {
    if (!record.IsBound()) {
        return;
    }
    const std::size_t base = SelectedLayerBase(record);
    for (std::size_t i = 0; i < kKeyboardKeyCount; ++i) {
        if (kColourMap[i] == kNoKey) {
            continue;
        }
        const std::size_t at = base + 3 * std::size_t{kColourMap[i]};
        c.s.frame[i] =
            MakeTint(Rgb{record.Load(at), record.Load(at + 1), record.Load(at + 2)}, c.p.B());
    }
}

void CustomBrightness(Ctx& c, LightBytesView record) {
    if (!record.IsBound()) {
        return;
    }
    const std::size_t base = SelectedLayerBase(record);
    for (std::size_t i = 0; i < kKeyboardKeyCount; ++i) {
        if (kBrightnessMap[i] == kNoKey) {
            continue;
        }
        c.s.frame[i] = MakeTint(c.p.colour, Scale(c.p.B(), record.Load(base + kBrightnessMap[i])));
    }
}

void Twinkle(Ctx& c) {
    for (int n = 0; n < 3; ++n) {
        c.s.twinkleIndex = c.s.twinkleIndex >= kLitKeyCount - 1
                               ? 0
                               : static_cast<std::uint8_t>(c.s.twinkleIndex + 1);
        LightKey(c, kSnakeOrder[kRandomOrder[c.s.twinkleIndex]], 255, 10);
    }
    for (std::size_t i = 0; i < kKeyboardKeyCount; ++i) {
        c.s.level[i] = KeyDecay(c.s.level[i]);
        DrawByLevel(c, i);
    }
}

void RowBands(Ctx& c) {
    const std::uint8_t pos = StepPosition(c.counters.sharedPosition.load(std::memory_order_relaxed),
                                          c.p.Forward(), kWheelPeriod);
    c.counters.sharedPosition.store(pos, std::memory_order_relaxed);
    for (std::size_t r = 0; r < kGridRows; ++r) {
        TintGridRow(c.s.frame, r, MakeTint(kColourWheel[(pos + 24 * r) % 192], c.p.B()));
    }
}

// Each key of the snake order moves its phase on by one; at 192 it starts
// again with a new hue. `phases` is the key levels (column pulse) or the
// second phase array.
void Pulse(Ctx& c, std::array<std::uint8_t, kKeyboardKeyCount>& phases, std::uint8_t step,
           bool wheel) {
    const std::uint8_t counter = c.counters.frameCounter.load(std::memory_order_relaxed);
    for (std::uint8_t key : kSnakeOrder) {
        unsigned ph = phases[key] + 1u;
        if (ph >= 192) {
            ph = 0;
            c.s.hue[key] = static_cast<std::uint8_t>(counter + step);
        }
        phases[key] = static_cast<std::uint8_t>(ph);
        const Rgb colour = wheel ? kColourWheel[c.s.hue[key]] : c.p.colour;
        c.s.frame[key] = MakeTint(colour, Scale(kPulseCurve[ph], c.p.B()));
    }
}

void Path(Ctx& c) {
    const std::uint8_t old = c.counters.sharedPosition.load(std::memory_order_relaxed);
    std::uint8_t next = 0;
    bool light = true;
    if (c.p.Forward()) {
        if (old > 105) {
            next = 0;
            light = false;
        } else {
            next = static_cast<std::uint8_t>(old + 1);
        }
    } else if (old == 0) {
        next = kPathLength - 1;
    } else if (old >= kPathLength) {
        next = kPathLength - 1; // a position left by another effect re-enters the route
        light = false;
    } else {
        next = static_cast<std::uint8_t>(old - 1);
    }
    c.counters.sharedPosition.store(next, std::memory_order_relaxed);
    if (light && kPath[old] != kNoKey) {
        LightKey(c, kPath[old], 254, 13);
    }
    DecayAndDrawSnake(c, KeyDecay);
}

StepOutcome Rings(Ctx& c) {
    const unsigned pos = c.s.position % 192u;
    c.s.position = static_cast<std::uint8_t>(c.p.Forward() ? (pos + 4) % 192 : (pos + 190) % 192);
    for (std::size_t k = 0; k < kRings.size(); ++k) {
        const Tint tint = MakeTint(kColourWheel[(c.s.position + 21 * (k + 1)) % 192], c.p.B());
        for (std::uint8_t key : kRings[k]) {
            if (key != kNoKey) {
                c.s.frame[key] = tint;
            }
        }
    }
    return StepOutcome{true, true, kRingsPauseMs};
}

void FineColumnWave(Ctx& c) {
    if (c.p.Cycle()) {
        const std::uint8_t pos = StepPosition(
            c.counters.sharedPosition.load(std::memory_order_relaxed), c.p.Forward(), kWheelPeriod);
        c.counters.sharedPosition.store(pos, std::memory_order_relaxed);
        for (std::size_t k = 0; k < kGridColumns; ++k) {
            TintGridColumn(c.s.frame, k, MakeTint(kColourWheel[(pos + 2 * k) % 192], c.p.B()));
        }
        return;
    }
    c.s.position = StepPosition(c.s.position, c.p.Forward(), kWavePeriod);
    const unsigned b = c.p.B();
    for (std::size_t k = 0; k < kGridColumns; ++k) {
        const unsigned colourScale = b * kPulseCurve[(c.s.position + 5 * k) % 96];
        const auto scaled = [&](std::uint8_t v) {
            return static_cast<std::uint8_t>((v * colourScale) >> 16);
        };
        const Rgb colour{scaled(c.p.colour.r), scaled(c.p.colour.g), scaled(c.p.colour.b)};
        const std::uint8_t opacity = Scale(b, kPulseCurve[(c.s.position + 5 * (k + 1)) % 96]);
        TintGridColumn(c.s.frame, k, MakeTint(colour, opacity));
    }
}

StepOutcome CornerRipples(Ctx& c) {
    if (PlaneUnion(c.s.planes, 1) == 0x01) {
        SeedPlanes(c.s.planes, 1, 0x01);
    }
    if (PlaneUnion(c.s.planes, 22) == 0x01) {
        SeedPlanes(c.s.planes, 22, 0x40);
    }
    LightPlaneKeys(c, 255, 11);
    StepPlanes(c.s.planes);
    DecayAndDrawSnake(c, KeyDecay);
    return StepOutcome{true, true, kCornerRipplesPauseMs};
}

StepOutcome StepModel0(Ctx& c, LightBytesView light, LightBytesView record) {
    switch (c.p.mode) {
    case 0:
        ColumnWave(c);
        break;
    case 1:
        c.s.position = StepPosition(c.s.position, c.p.Forward(), kWheelPeriod);
        c.s.frame.fill(MakeTint(kColourWheel[c.s.position], c.p.B()));
        break;
    case 2:
        Breathing(c, light);
        break;
    case 3:
        c.s.frame.fill(MakeTint(c.p.colour, c.p.B()));
        break;
    case 4:
        PerKeySpectrum(c);
        break;
    case 5:
        BouncingRipple(c);
        break;
    case 6:
        Script(c);
        break;
    case 7:
        SnakeWave(c, c.p.Cycle());
        break;
    case 8:
        CustomColours(c, record);
        break;
    case 9:
        Twinkle(c);
        break;
    case 10:
        RowBands(c);
        break;
    case 11:
        Pulse(c, c.s.level, 5, c.p.Cycle());
        break;
    case 12:
        Path(c);
        break;
    case 13:
        return Rings(c);
    case 14:
        FineColumnWave(c);
        break;
    case 15:
        return CornerRipples(c);
    case 16:
        Pulse(c, c.s.phase, 10, true);
        break;
    default:
        return StepOutcome{false, false, 0};
    }
    return StepOutcome{};
}

void WaveRings(Ctx& c) {
    auto& s = c.s;
    for (std::size_t col = 0; col < kGridColumns; ++col) {
        const std::uint8_t bits = PlaneUnion(s.planes, col);
        for (std::size_t row = 0; row < kGridRows; ++row) {
            const std::uint8_t key = kKeyGrid[col][row];
            if (key != kNoKey) {
                s.level[key] = ((bits >> row) & 1u) != 0 ? 254 : 0;
            }
        }
    }
    StepPlanes(s.planes);
    const std::uint8_t bits = PlaneUnion(s.planes, 9);
    if (bits == 0x01) {
        SeedPlanes(s.planes, 9, 0x03);
    } else if (bits == 0x60) {
        for (auto& plane : s.planes) {
            plane[9] = 0x60;
        }
    }
    DecayAndDrawSnake(c, KeyDecay);
}

StepOutcome StepModel1(Ctx& c, LightBytesView record) {
    auto& s = c.s;
    switch (c.p.mode) {
    case 0:
        s.position = StepPosition(s.position, c.p.Forward(), kWavePeriod);
        for (std::size_t k = 0; k < kGridColumns; ++k) {
            const std::uint8_t wave = kWaveCurve[(s.position + 7 * k) % 96];
            TintGridColumn(s.frame, k, MakeTint(c.p.colour, Scale(c.p.B(), wave)));
        }
        break;
    case 1:
        s.position = StepPosition(s.position, true, kBreathingPeriod);
        s.frame.fill(MakeTint(c.p.colour, Scale(c.p.B(), kBreathingCurve[s.position])));
        break;
    case 2:
        s.frame.fill(MakeTint(c.p.colour, c.p.B()));
        break;
    case 3:
        WaveRings(c);
        break;
    case 4:
        Script(c);
        break;
    case 5:
        SnakeWave(c, false);
        break;
    case 6:
        CustomBrightness(c, record);
        break;
    case 7:
        Twinkle(c);
        break;
    case 8:
    case 9:
        Pulse(c, s.phase, 0, false);
        break;
    case 10:
        Path(c);
        break;
    default:
        return StepOutcome{false, false, 0};
    }
    return StepOutcome{};
}

} // namespace

void SetUpKeyboardMode(KeyboardEffectState& s, int model, std::uint8_t mode) {
    const auto pulsePhases = [&](std::array<std::uint8_t, kKeyboardKeyCount>& phases, bool table) {
        for (std::size_t col = 0; col < kGridColumns; ++col) {
            for (std::size_t row = 0; row < kGridRows; ++row) {
                const std::uint8_t key = kKeyGrid[col][row];
                if (key != kNoKey) {
                    phases[key] = table ? kPulsePhases[col][row] : FreePulsePhase(col);
                    if (table && model == 0) {
                        s.hue[key] = static_cast<std::uint8_t>(7 * col);
                    }
                }
            }
        }
    };
    if (model == 0) {
        switch (mode) {
        case 4:
            for (std::size_t i = 0; i < kKeyboardKeyCount; ++i) {
                s.hue[i] = static_cast<std::uint8_t>((33 * (i + 1)) % 192);
            }
            break;
        case 5:
            SeedPlanes(s.planes, 9, 0x40);
            break;
        case 11:
            pulsePhases(s.level, true);
            break;
        case 15:
            SeedPlanes(s.planes, 1, 0x01);
            break;
        case 16:
            pulsePhases(s.phase, false);
            break;
        default:
            break;
        }
    } else {
        switch (mode) {
        case 3:
            SeedPlanes(s.planes, 9, 0x40);
            break;
        case 8:
            pulsePhases(s.phase, true);
            break;
        case 9:
            pulsePhases(s.phase, false);
            break;
        default:
            break;
        }
    }
}

std::uint32_t KeyboardExtraSleep(int model, std::uint8_t mode) {
    if (model == 0) {
        return mode < kModel0ExtraSleep.size() ? kModel0ExtraSleep[mode] : 0;
    }
    return mode < kModel1ExtraSleep.size() ? kModel1ExtraSleep[mode] : 0;
}

StepOutcome StepKeyboardEffect(KeyboardEffectState& state, int model, LightBytesView light,
                               LightBytesView record, SharedCounters& counters) {
    const LightParams p = light.Read();
    Ctx c{state, p, counters};
    return model == 0 ? StepModel0(c, light, record) : StepModel1(c, record);
}

} // namespace zk::lighting
