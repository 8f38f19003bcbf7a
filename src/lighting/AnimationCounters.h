#pragma once

// The animation counters that the main window advances every 10 ms: five
// counters that wrap with periods 2, 2, 3, 4 and 5, and one free-running byte.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace zk::lighting {

class AnimationCounters {
public:
    static constexpr std::array<std::uint8_t, 5> kPeriods = {2, 2, 3, 4, 5};

    void Tick();
    std::uint8_t Counter(std::size_t i) const {
        return i < kPeriods.size() ? counters_[i].load(std::memory_order_relaxed) : 0;
    }
    std::uint8_t FreeRunning() const { return free_.load(std::memory_order_relaxed); }

private:
    std::array<std::atomic<std::uint8_t>, 5> counters_{};
    std::atomic<std::uint8_t> free_{0};
};

} // namespace zk::lighting
