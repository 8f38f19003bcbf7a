#pragma once

// Helpers of the lighting tests: a live light record and its settings.

#include "lighting/LightState.h"

#include <array>
#include <cstdint>

namespace zktest {

struct LightRecord {
    std::array<std::uint8_t, 64> bytes{};

    zk::lighting::LightBytesView View() { return zk::lighting::LightBytesView(bytes.data()); }
    LightRecord& Mode(std::uint8_t v) { return Set(zk::lighting::kLightMode, v); }
    LightRecord& Brightness(std::uint8_t v) { return Set(zk::lighting::kLightBrightness, v); }
    LightRecord& Speed(std::uint8_t v) { return Set(zk::lighting::kLightSpeed, v); }
    LightRecord& Direction(std::uint8_t v) { return Set(zk::lighting::kLightDirection, v); }
    LightRecord& Cycle(std::uint8_t v) { return Set(zk::lighting::kLightColourCycle, v); }
    LightRecord& Colour(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        Set(zk::lighting::kLightRed, r);
        Set(zk::lighting::kLightGreen, g);
        return Set(zk::lighting::kLightBlue, b);
    }
    LightRecord& Set(std::size_t offset, std::uint8_t v) {
        View().Store(offset, v);
        return *this;
    }
    std::uint8_t Get(std::size_t offset) { return View().Load(offset); }
};

} // namespace zktest
