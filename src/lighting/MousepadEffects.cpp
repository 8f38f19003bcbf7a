#include "lighting/MousepadEffects.h"

#include <algorithm>

namespace zk::lighting {

void MousepadEffectState::Reset(bool rippleMarker) {
    position = 0;
    ledLevel.fill(0);
    ledColour.fill(0);
    ring.fill(0);
    if (rippleMarker) {
        ring[0] = 1;
    }
}

std::uint8_t MousepadRippleDecay(std::uint8_t v) {
    return Fade(v, kMousepadRippleFade);
}

namespace {

void TintColumn(MousepadFrame& frame, std::size_t column, Tint tint) {
    for (std::uint8_t led : kMousepadColumns[column]) {
        if (led != kNoLed) {
            frame[led] = tint;
        }
    }
}

void Wave(MousepadEffectState& s, const LightParams& p, MousepadFrame& frame) {
    if (p.Cycle()) {
        s.position = StepPosition(s.position, p.Forward(), kWheelPeriod);
        for (std::size_t i = 0; i < frame.size(); ++i) {
            frame[i] = MakeTint(kColourWheel[(s.position + 7 * i) % 192], p.B());
        }
        return;
    }
    s.position = StepPosition(s.position, p.Forward(), kWavePeriod);
    for (std::size_t i = 0; i < frame.size(); ++i) {
        frame[i] = MakeTint(p.colour, Scale(kWaveCurve[(s.position + 10 * i) % 96], p.B()));
    }
}

void Breathing(MousepadEffectState& s, LightBytesView light, const LightParams& p,
               MousepadFrame& frame) {
    s.position = StepPosition(s.position, p.Forward(), kBreathingPeriod);
    if (s.position == 0) {
        light.Store(kLightStep, p.step >= 2 ? 0 : static_cast<std::uint8_t>(p.step + 1));
    }
    const Rgb colour = p.Cycle() ? kColourWheel[s.position + 50] : p.colour;
    frame.fill(MakeTint(colour, Scale(kBreathingCurve[s.position], p.B())));
}

void Fill(MousepadEffectState& s, const LightParams& p, MousepadFrame& frame) {
    if (!s.fillFalling) {
        if (++s.fillCount >= 15) {
            s.fillFalling = true;
        }
    } else if (--s.fillCount <= -1) {
        s.fillFalling = false;
    }
    for (std::size_t i = 0; i < frame.size(); ++i) {
        const auto led = static_cast<std::int32_t>(i);
        const bool on = p.Forward() ? led > s.fillCount : led < s.fillCount;
        frame[i] = on ? MakeTint(p.Cycle() ? kColourWheel[(7 * i) % 192] : p.colour, p.B()) : kDark;
    }
}

void Ripple(MousepadEffectState& s, const LightParams& p, SharedCounters& counters,
            MousepadFrame& frame) {
    s.position = StepPosition(s.position, p.Forward(), kWheelPeriod);
    LightMarkedAndTurnRing(s.ring, s.ledLevel, s.ledColour, p.Forward(), p.Cycle(), counters);
    for (std::size_t i = 0; i < kMousepadLedCount; ++i) {
        s.ledLevel[i] = MousepadRippleDecay(s.ledLevel[i]);
        std::uint8_t hue = s.ledColour[i];
        if (hue >= 192) {
            hue = static_cast<std::uint8_t>(hue - 192);
        }
        frame[i] = MakeTint(p.Cycle() ? kColourWheel[hue] : p.colour, Scale(p.B(), s.ledLevel[i]));
    }
}

void ColumnSpectrum(MousepadEffectState& s, const LightParams& p, MousepadFrame& frame) {
    s.position = StepPosition(s.position, p.Forward(), kWheelPeriod);
    for (std::size_t k = 0; k < kMousepadColumns.size(); ++k) {
        TintColumn(frame, k, MakeTint(kColourWheel[(s.position + 7 * k) % 192], p.B()));
    }
}

StepOutcome BarSweep(MousepadEffectState& s, const LightParams& p, MousepadFrame& frame) {
    unsigned topBit = 0;
    if (s.barPhase) {
        ++s.barCount;
        s.barPattern = static_cast<std::int16_t>(s.barPattern >> 1);
        if (s.barCount == 15) {
            s.barPhase = false;
            s.barPattern = kBarPatternReturn;
            return StepOutcome{true, false, kBarPauseMs};
        }
        topBit = 7;
    } else {
        if (s.barCount == 0) {
            s.barPhase = true;
            s.barPattern = kBarPatternStart;
            return StepOutcome{true, false, kBarPauseMs};
        }
        topBit = 15;
    }
    const auto pattern = static_cast<std::uint16_t>(s.barPattern);
    // The colours always run backwards round the wheel, whatever the direction.
    s.position = StepPosition(s.position, false, kWheelPeriod);
    unsigned hue = s.position;
    for (std::size_t k = 0; k < kMousepadColumns.size(); ++k) {
        if (((pattern >> (topBit - k)) & 1u) != 0) {
            TintColumn(frame, k, MakeTint(p.Cycle() ? kColourWheel[hue] : p.colour, p.B()));
            hue = (hue + 20) % 192;
        } else {
            TintColumn(frame, k, kDark);
        }
    }
    if (!s.barPhase) {
        s.barPattern = static_cast<std::int16_t>(static_cast<std::uint16_t>(pattern << 1));
        --s.barCount;
    }
    return StepOutcome{};
}

void Reactive(MousepadEffectState& s, const LightParams& p, EffectInputs& in,
              MousepadFrame& frame) {
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
    frame.fill(tint);
}

} // namespace

StepOutcome StepMousepadEffect(MousepadEffectState& state, LightBytesView light, EffectInputs in,
                               MousepadFrame& frame) {
    const LightParams p = light.Read();
    switch (p.mode) {
    case 0:
        Wave(state, p, frame);
        break;
    case 1:
        state.position = StepPosition(state.position, p.Forward(), kWheelPeriod);
        frame.fill(MakeTint(kColourWheel[state.position], p.B()));
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
        ColumnSpectrum(state, p, frame);
        break;
    case 7:
        return BarSweep(state, p, frame);
    case 8:
        Reactive(state, p, in, frame);
        break;
    default:
        return StepOutcome{false, false, 0};
    }
    return StepOutcome{};
}

} // namespace zk::lighting
