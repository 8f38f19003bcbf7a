#include "lighting/AnimationCounters.h"

namespace zk::lighting {

void AnimationCounters::Tick() {
    for (std::size_t i = 0; i < kPeriods.size(); ++i) {
        const unsigned next = counters_[i].load(std::memory_order_relaxed) + 1u;
        counters_[i].store(next >= kPeriods[i] ? 0 : static_cast<std::uint8_t>(next),
                           std::memory_order_relaxed);
    }
    free_.fetch_add(1, std::memory_order_relaxed);
}

} // namespace zk::lighting
