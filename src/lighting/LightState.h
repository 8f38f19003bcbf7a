#pragma once

// The live light bytes as the previews read them, the moving-position
// convention, and the counters that the previews share between threads.

#include "lighting/LightTables.h"
#include "settings/LightLayout.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace zk::lighting {

// Byte offsets of the live light settings (settings/LightLayout.h).
using enum settings::LightByte;
using settings::kLiveLightStateSize;

// The light settings of one frame.
struct LightParams {
    std::uint8_t mode = 0;
    std::uint8_t brightness = 0;
    std::uint8_t speed = 0;
    std::uint8_t direction = 0;
    std::uint8_t colourCycle = 0;
    Rgb colour{};
    std::uint8_t step = 0;

    bool Forward() const { return direction != 0; }
    bool Cycle() const { return colourCycle != 0; }
    // B: the opacity of a lit LED.
    std::uint8_t B() const { return BrightnessValue(brightness); }
};

// A view of a record's bytes that another thread changes: every byte is read
// and written as an atomic value (std::atomic_ref), so the owner must write the
// bytes that previews read through an atomic too (StoreByte or its own
// std::atomic_ref). Copying the view copies the pointer only.
class LightBytesView {
public:
    LightBytesView() = default;
    explicit LightBytesView(std::uint8_t* base) : base_(base) {}

    bool IsBound() const { return base_ != nullptr; }
    std::uint8_t Load(std::size_t offset) const {
        return std::atomic_ref<std::uint8_t>(base_[offset]).load(std::memory_order_relaxed);
    }
    void Store(std::size_t offset, std::uint8_t value) const {
        std::atomic_ref<std::uint8_t>(base_[offset]).store(value, std::memory_order_relaxed);
    }
    // Bytes 1 to 9.
    LightParams Read() const;

private:
    std::uint8_t* base_ = nullptr;
};

// Writes one byte of a record that previews read.
inline void StoreByte(std::uint8_t& byte, std::uint8_t value) {
    std::atomic_ref<std::uint8_t>(byte).store(value, std::memory_order_relaxed);
}

// Moves an 8-bit position one step: forward it wraps to 0 at the period;
// backward it wraps from 0, or from any value at or above the period, to
// period − 1.
constexpr std::uint8_t StepPosition(std::uint8_t position, bool forward, std::uint8_t period) {
    if (forward) {
        const unsigned next = position + 1u;
        return next >= period ? 0 : static_cast<std::uint8_t>(next);
    }
    return (position == 0 || position >= period) ? static_cast<std::uint8_t>(period - 1)
                                                 : static_cast<std::uint8_t>(position - 1);
}

// (level × scale) / 256.
constexpr std::uint8_t Scale(unsigned level, unsigned scale) {
    return static_cast<std::uint8_t>((level * scale) >> 8);
}

// Values that the tickers share: the keyboard frame counter (which is also the
// ripple hue of the mouse and the mousepad), the position that the keyboard
// shares with the shared ticker, and the keyboard step counter.
struct SharedCounters {
    std::atomic<std::uint8_t> frameCounter{0};
    std::atomic<std::uint8_t> sharedPosition{0};
    std::atomic<std::uint8_t> keyboardStep{0};

    // Adds `step` to the frame counter and returns the new value.
    std::uint8_t AdvanceFrameCounter(std::uint8_t step) {
        return static_cast<std::uint8_t>(frameCounter.fetch_add(step, std::memory_order_relaxed) +
                                         step);
    }
};

// The outcome of one effect call.
struct StepOutcome {
    bool knownMode = true;     // false: the mode byte names no effect
    bool drawn = true;         // false: the frame ended without drawing
    std::uint32_t sleepMs = 0; // pause that the effect takes after its frame
};

// The ripple's ring step, shared by the mouse and the mousepad: every cell of
// the ring that holds a marker lights its LED (or column) at full level, with
// a new hue from the frame counter when the colour cycles; then the ring turns
// one cell in the effect's direction.
template <std::size_t RingSize, std::size_t LedCount>
void LightMarkedAndTurnRing(std::array<std::uint8_t, RingSize>& ring,
                            std::array<std::uint8_t, LedCount>& level,
                            std::array<std::uint8_t, LedCount>& colour, bool forward, bool cycle,
                            SharedCounters& counters) {
    static_assert(LedCount <= RingSize);
    for (std::size_t i = 0; i < LedCount; ++i) {
        if (ring[i] != 0) {
            level[i] = 255;
            if (cycle)
                colour[i] = counters.AdvanceFrameCounter(11);
        }
    }
    if (forward)
        std::rotate(ring.begin(), ring.begin() + 1, ring.end());
    else
        std::rotate(ring.rbegin(), ring.rbegin() + 1, ring.rend());
}

} // namespace zk::lighting
