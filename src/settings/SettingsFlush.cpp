#include "settings/SettingsFlush.h"

#include "protocol/DeviceChannel.h"

#include <algorithm>
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

FlushPacer::Clock::duration FlushPacer::Wait(Kind kind, Clock::time_point now) const {
    if (!last_[kind])
        return Clock::duration::zero();
    return std::max(Clock::duration::zero(), *last_[kind] + kFlushSpacing - now);
}

namespace {

struct Flusher {
    FlushPacer* pacer;
    FlushPacer::Clock::time_point now;
    FlushOutcome& outcome;

    // Writes `live` padded with zeros when `pending` is set and the pacer
    // lets the kind go; true when the flag was taken (the write attempted).
    bool One(protocol::DeviceChannel* channel, std::atomic<bool>& pending,
             std::span<const std::uint8_t> live, FlushPacer::Kind kind) {
        if (!pending.load())
            return false;
        // A device that is not answering keeps its change until it answers.
        if (channel && channel->IsConnected() && !channel->IsAnswering())
            return false;
        if (pacer) {
            const auto wait = pacer->Wait(kind, now);
            if (wait > FlushPacer::Clock::duration::zero()) {
                outcome.nextDue = outcome.nextDue ? std::min(*outcome.nextDue, wait) : wait;
                return false;
            }
        }
        pending.store(false);
        if (!channel)
            return true;
        std::array<std::uint8_t, kFlushWriteBytes> buffer{};
        CopyBytes(buffer, live);
        const bool sends = channel->IsConnected();
        const std::int32_t result = channel->CmdWriteData(buffer, kFlushWriteBytes, 0);
        if (pacer && sends)
            pacer->Wrote(kind, now);
        if (channel->Unanswered(result))
            pending.store(true); // the device did not take it: keep it for later
        ++outcome.writes;
        return true;
    }

    // Block writes the device left unanswered, once it answers again.
    void KeptBlocks(protocol::DeviceChannel* channel) {
        if (channel && channel->HasKeptBlocks())
            outcome.writes += channel->ResendKeptBlocks();
    }
};

} // namespace

FlushOutcome FlushPendingWrites(const FlushTargets& targets, FlushPacer* pacer) {
    FlushOutcome outcome;
    Flusher flush{pacer, FlushPacer::Clock::now(), outcome};
    flush.KeptBlocks(targets.keyboardChannel);
    flush.KeptBlocks(targets.mouseChannel);
    flush.KeptBlocks(targets.mousepadChannel);
    if (targets.keyboard)
        flush.One(targets.keyboardChannel, targets.keyboard->pending, targets.keyboard->LiveBytes(),
                  FlushPacer::Keyboard);
    if (targets.mouse && flush.One(targets.mouseChannel, targets.mouse->pending,
                                   targets.mouse->RecordBytes(), FlushPacer::Mouse))
        outcome.mouseLayouts = LayoutsForLightMode(targets.mouse->RecordByte(1));
    if (targets.mousepad)
        flush.One(targets.mousepadChannel, targets.mousepad->pending, targets.mousepad->LiveBytes(),
                  FlushPacer::Mousepad);
    return outcome;
}

} // namespace zk::settings
