#include "lighting/MouseEffects.h"

#include <algorithm>

namespace zk::lighting {

void MouseEffectState::Reset(std::uint8_t markerCell) {
    position = 0;
    ring.fill(0);
    columnLevel.fill(0);
    columnColour.fill(0);
    ring[markerCell % kMouseRingSize] = 1;
}

std::uint8_t MouseRippleDecay(std::uint8_t v) {
    return Fade(v, kRippleFade);
}

namespace {

void TintColumn(MouseFrame& frame, std::size_t column, Tint tint) {
    for (std::uint8_t led : kMouseColumns[column]) {
        frame[led] = tint;
    }
}

void Wave(MouseEffectState& s, const LightParams& p, MouseFrame& frame) {
    if (p.Cycle()) {
        s.position = StepPosition(s.position, p.Forward(), kWheelPeriod);
        for (std::size_t n = 0; n < kMouseColumns.size(); ++n) {
            TintColumn(frame, n, MakeTint(kColourWheel[(s.position + 15 * n) % 192], p.B()));
        }
        return;
    }
    s.position = StepPosition(s.position, p.Forward(), kWavePeriod);
    for (std::size_t n = 0; n < kMouseColumns.size(); ++n) {
        const std::uint8_t level = kWaveCurve[(s.position + 20 * (n + 1)) % 96];
        TintColumn(frame, n, MakeTint(p.colour, Scale(level, p.B())));
    }
}

void Spectrum(MouseEffectState& s, const LightParams& p, MouseFrame& frame) {
    s.position = StepPosition(s.position, p.Forward(), kWheelPeriod);
    frame.fill(MakeTint(kColourWheel[s.position], p.B()));
}

void Breathing(MouseEffectState& s, LightBytesView light, const LightParams& p, MouseFrame& frame) {
    s.position = StepPosition(s.position, p.Forward(), kBreathingPeriod);
    std::uint8_t set = p.step;
    if (s.position == 0) {
        set = set >= 2 ? 0 : static_cast<std::uint8_t>(set + 1);
        light.Store(kLightStep, set);
    }
    const std::uint8_t opacity = Scale(kBreathingCurve[s.position], p.B());
    const auto& colours = kMouseBreathingSets[set > 2 ? 0 : set];
    for (std::size_t n = 0; n < kMouseColumns.size(); ++n) {
        TintColumn(frame, n, MakeTint(p.Cycle() ? colours[n] : p.colour, opacity));
    }
}

void Fill(MouseEffectState& s, const LightParams& p, MouseFrame& frame) {
    if (!s.fillFalling) {
        if (++s.fillCount >= 8) {
            s.fillFalling = true;
        }
    } else if (--s.fillCount <= -1) {
        s.fillFalling = false;
    }
    s.position = StepPosition(s.position, p.Forward(), kWheelPeriod);
    const Tint lit = MakeTint(p.Cycle() ? kColourWheel[s.position] : p.colour, p.B());
    for (std::size_t n = 0; n < kMouseColumns.size(); ++n) {
        const auto col = static_cast<std::int32_t>(n);
        const bool on = p.Forward() ? col > s.fillCount : col < s.fillCount;
        TintColumn(frame, n, on ? lit : kDark);
    }
}

void Ripple(MouseEffectState& s, const LightParams& p, SharedCounters& counters,
            MouseFrame& frame) {
    s.position = StepPosition(s.position, p.Forward(), kWheelPeriod);
    LightMarkedAndTurnRing(s.ring, s.columnLevel, s.columnColour, p.Forward(), p.Cycle(), counters);
    for (std::size_t n = 0; n < kMouseColumns.size(); ++n) {
        s.columnLevel[n] = MouseRippleDecay(s.columnLevel[n]);
        std::uint8_t hue = s.columnColour[n];
        if (hue >= 192) {
            hue = static_cast<std::uint8_t>(hue - 192);
        }
        const Rgb colour = p.Cycle() ? kColourWheel[hue] : p.colour;
        TintColumn(frame, n, MakeTint(colour, Scale(p.B(), s.columnLevel[n])));
    }
}

void Reactive(MouseEffectState& s, const LightParams& p, EffectInputs& in, MouseFrame& frame) {
    if (in.reactiveTrigger.exchange(0, std::memory_order_relaxed) != 0) {
        s.flashOn = true;
        s.flashStart = in.nowMs;
        const unsigned hue = s.flashHue + 14u;
        s.flashHue = hue >= 192 ? 0 : static_cast<std::uint8_t>(hue);
    }
    Tint tint = kDark;
    if (s.flashOn) {
        if (in.nowMs - s.flashStart >= 100) {
            s.flashOn = false; // this frame is still drawn lit
        }
        tint = MakeTint(p.Cycle() ? kColourWheel[s.flashHue] : p.colour, p.B());
    }
    std::fill(frame.begin(), frame.begin() + 15, tint);
}

} // namespace

StepOutcome StepMouseEffect(MouseEffectState& state, LightBytesView light, EffectInputs in,
                            MouseFrame& frame) {
    const LightParams p = light.Read();
    switch (p.mode) {
    case 0:
        Wave(state, p, frame);
        break;
    case 1:
        Spectrum(state, p, frame);
        break;
    case 2:
        Breathing(state, light, p, frame);
        break;
    case 3:
        frame.fill(MakeTint(p.colour, p.B()));
        break;
    case 4:
        Fill(state, p, frame);
        break;
    case 5:
        Ripple(state, p, in.counters, frame);
        break;
    case 6:
        Reactive(state, p, in, frame);
        break;
    default:
        return StepOutcome{false, false, 0};
    }
    return StepOutcome{};
}

} // namespace zk::lighting
