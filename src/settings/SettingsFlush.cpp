#include "settings/SettingsFlush.h"

#include "protocol/DeviceChannel.h"

#include <array>

namespace zk::settings {

MouseLightLayouts LayoutsForLightMode(std::uint8_t lightMode) {
    MouseLightLayouts layouts;
    if (lightMode == 1) {
        layouts.rgbColourEditEnabled = false;
    } else if (lightMode == 3) {
        layouts.rgbColourEditEnabled = true;
        layouts.sevenColourSelectEnabled = false;
    } else {
        layouts.rgbColourEditEnabled = true;
        layouts.sevenColourSelectEnabled = true;
    }
    return layouts;
}

namespace {

// Writes `live` padded with zeros when `pending` is set; clears the flag.
bool FlushOne(protocol::DeviceChannel* channel, std::atomic<bool>& pending,
              std::span<const std::uint8_t> live) {
    if (!pending.exchange(false))
        return false;
    std::array<std::uint8_t, kFlushWriteBytes> buffer{};
    CopyBytes(buffer, live);
    if (channel)
        channel->CmdWriteData(buffer, kFlushWriteBytes, 0);
    return channel != nullptr;
}

} // namespace

FlushOutcome FlushPendingWrites(const FlushTargets& targets) {
    FlushOutcome outcome;
    if (targets.keyboard &&
        FlushOne(targets.keyboardChannel, targets.keyboard->pending, targets.keyboard->LiveBytes()))
        ++outcome.writes;
    if (targets.mouse) {
        const bool wasPending = targets.mouse->pending.load();
        if (FlushOne(targets.mouseChannel, targets.mouse->pending, targets.mouse->RecordBytes()))
            ++outcome.writes;
        if (wasPending)
            outcome.mouseLayouts = LayoutsForLightMode(targets.mouse->RecordByte(1));
    }
    if (targets.mousepad &&
        FlushOne(targets.mousepadChannel, targets.mousepad->pending, targets.mousepad->LiveBytes()))
        ++outcome.writes;
    return outcome;
}

} // namespace zk::settings
