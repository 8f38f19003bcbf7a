#pragma once

// The frame that the light tickers hand to the picture controls: one tint per
// LED or key in a single 32-bit atomic (0xAARRGGBB, the opacity in AA), so a
// control always reads a consistent colour and opacity without a lock. A
// picture control paints with, for example,
//     const Tint t = frame.Read(kPreviewMousepadFirst + led);
//     painter.fillPath(shape, QColor::fromRgba(t)); // alpha = tint opacity
// and may compare Generation() with the value of its last paint to skip work.

#include "lighting/LightTables.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace zk::lighting {

// Index of the preview array: mouse LEDs 0-19 ("ms_dkey_0".."ms_dkey_19"),
// mousepad LEDs 20-34 ("mp_dkey_0".."mp_dkey_14"), keyboard keys 35-160
// ("kb_key_0".."kb_key_125").
inline constexpr std::size_t kPreviewMouseFirst = 0;
inline constexpr std::size_t kPreviewMousepadFirst = 20;
inline constexpr std::size_t kPreviewKeyboardFirst = 35;
inline constexpr std::size_t kPreviewCount = 161;

enum class DeviceKind : std::uint8_t { Mouse = 0, Mousepad = 1, Keyboard = 2 };

class PreviewFrame {
public:
    PreviewFrame() {
        for (auto& cell : cells_) {
            cell.store(kDark, std::memory_order_relaxed);
        }
    }

    // The tint of preview index `index` (0 for an index outside the array).
    Tint Read(std::size_t index) const {
        return index < kPreviewCount ? cells_[index].load(std::memory_order_relaxed) : kDark;
    }
    Tint Mouse(std::size_t led) const { return Read(kPreviewMouseFirst + led); }
    Tint Mousepad(std::size_t led) const { return Read(kPreviewMousepadFirst + led); }
    Tint Keyboard(std::size_t key) const { return Read(kPreviewKeyboardFirst + key); }
    // Whether the key controls draw their tint (off while the key-operation
    // tab is selected). The mouse and mousepad tints are always on.
    bool KeyboardTintOn() const { return keyboardTintOn_.load(std::memory_order_relaxed); }
    // Moves on whenever a ticker has published a frame of that device kind, so
    // that a picture can skip repaints while nothing changed.
    std::uint32_t Generation(DeviceKind kind) const {
        return generation_[static_cast<std::size_t>(kind)].load(std::memory_order_acquire);
    }

    // Writer side (the tickers).
    void Write(std::size_t index, Tint tint) {
        if (index < kPreviewCount) {
            cells_[index].store(tint, std::memory_order_relaxed);
        }
    }
    void SetKeyboardTintOn(bool on) { keyboardTintOn_.store(on, std::memory_order_relaxed); }
    void Published(DeviceKind kind) {
        generation_[static_cast<std::size_t>(kind)].fetch_add(1, std::memory_order_release);
    }

private:
    std::array<std::atomic<Tint>, kPreviewCount> cells_;
    std::atomic<bool> keyboardTintOn_{false};
    std::array<std::atomic<std::uint32_t>, 3> generation_{};
};

} // namespace zk::lighting
