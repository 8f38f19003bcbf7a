#include "lighting/SharedEffects.h"

#include "lighting/KeyboardTables.h"
#include "lighting/MouseEffects.h"
#include "lighting/MousepadEffects.h"

namespace zk::lighting {

namespace {

// Calls draw(picture column or LED index n, the preview indices of it).
template <typename Draw> void ForEachColumn(SharedTargets targets, Draw draw) {
    if (targets.keyboard) {
        for (std::size_t k = 0; k < kGridColumns; ++k) {
            for (std::uint8_t key : kKeyGrid[k]) {
                if (key != kNoKey) {
                    draw(k, kPreviewKeyboardFirst + key);
                }
            }
        }
    }
    if (targets.mouse) {
        for (std::size_t n = 0; n < kMouseColumns.size(); ++n) {
            for (std::uint8_t led : kMouseColumns[n]) {
                draw(n, kPreviewMouseFirst + led);
            }
        }
    }
    if (targets.mousepad) {
        for (std::size_t i = 0; i < kMousepadLedCount; ++i) {
            draw(i, kPreviewMousepadFirst + i);
        }
    }
}

void FillAll(SharedTargets targets, PreviewFrame& frame, Tint tint) {
    ForEachColumn(targets, [&](std::size_t, std::size_t index) { frame.Write(index, tint); });
}

} // namespace

void StepSharedEffect(LightBytesView light, SharedCounters& counters, SharedTargets targets,
                      PreviewFrame& frame) {
    const LightParams p = light.Read();
    std::uint8_t pos = counters.sharedPosition.load(std::memory_order_relaxed);
    switch (p.mode) {
    case 0:
        if (p.Cycle()) {
            pos = StepPosition(pos, p.Forward(), kWheelPeriod);
            ForEachColumn(targets, [&](std::size_t n, std::size_t index) {
                frame.Write(index, MakeTint(kColourWheel[(pos + 7 * n) % 192], p.B()));
            });
        } else {
            pos = StepPosition(pos, p.Forward(), kWavePeriod);
            ForEachColumn(targets, [&](std::size_t n, std::size_t index) {
                frame.Write(index,
                            MakeTint(p.colour, Scale(p.B(), kWaveCurve[(pos + 10 * n) % 96])));
            });
        }
        break;
    case 1:
        pos = StepPosition(pos, p.Forward(), kWheelPeriod);
        FillAll(targets, frame, MakeTint(kColourWheel[pos], p.B()));
        break;
    case 2:
        pos = StepPosition(pos, p.Forward(), kBreathingPeriod);
        FillAll(targets, frame,
                MakeTint(p.Cycle() ? kColourWheel[pos + 50] : p.colour,
                         Scale(p.B(), kBreathingCurve[pos])));
        break;
    case 3:
        FillAll(targets, frame, MakeTint(p.colour, p.B()));
        break;
    default:
        return;
    }
    counters.sharedPosition.store(pos, std::memory_order_relaxed);
    if (targets.mouse) {
        frame.Published(DeviceKind::Mouse);
    }
    if (targets.mousepad) {
        frame.Published(DeviceKind::Mousepad);
    }
    if (targets.keyboard) {
        frame.Published(DeviceKind::Keyboard);
    }
}

} // namespace zk::lighting
