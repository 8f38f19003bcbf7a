#include "lighting/LightState.h"

namespace zk::lighting {

LightParams LightBytesView::Read() const {
    LightParams p;
    if (base_ == nullptr) {
        return p;
    }
    p.mode = Load(kLightMode);
    p.brightness = Load(kLightBrightness);
    p.speed = Load(kLightSpeed);
    p.direction = Load(kLightDirection);
    p.colourCycle = Load(kLightColourCycle);
    p.colour = Rgb{Load(kLightRed), Load(kLightGreen), Load(kLightBlue)};
    p.step = Load(kLightStep);
    return p;
}

} // namespace zk::lighting
