#pragma once

// Detection threads: one per device kind. Each finds its device's
// configuration interface among the HID interfaces, opens it in the kind's
// device channel, marks the channel connected and brings the kind's page into
// view through the main window link; while connected it tests that the device
// is still present and, once it is gone, marks it disconnected and moves the
// window to another connected kind or hides it.
//
//   RunDetection(kind, channels, link, stop [, timing])
//       the thread body; returns when `stop` reports the stop event set.
//   KeyboardModel()
//       0 for keyboard product 0x0800, 1 for 0x6556, unchanged for 0x7200.
//
// A poll step runs under the channel's transaction lock; nothing in it waits
// for the GUI thread. The channels, the link and the timing must outlive the
// thread.

#include "device/DetectionLink.h"
#include "protocol/DeviceChannel.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <string_view>

namespace zk::device {

struct DeviceChannels {
    protocol::DeviceChannel* keyboard = nullptr;
    protocol::DeviceChannel* mouse = nullptr;
    protocol::DeviceChannel* mousepad = nullptr;

    protocol::DeviceChannel* Of(DeviceKind kind) const;
};

// Accepted identity of a kind's configuration interface, with the names of
// its page controls and its profile index file.
struct KindIdentity {
    DeviceKind kind;
    uint16_t vendorId;
    std::array<uint16_t, 3> productIds; // 0 entries unused
    uint16_t usagePage;
    uint16_t usage;
    std::string_view prefix;         // "ms", "kb", "mp"
    std::string_view tab;            // tab option
    std::string_view tabPanel;       // tab panel ("" when none)
    std::string_view sameMode;       // same-mode control
    std::string_view profileControl; // profile selector
    std::string_view profileIni;     // index file in the kind's profile folder
    std::string_view profileSection; // section holding `select`
    std::string_view exitLine;       // diagnostic written when the thread ends

    bool AcceptsProduct(uint16_t productId) const;
};

const KindIdentity& IdentityOf(DeviceKind kind);

struct DetectionTiming {
    std::chrono::milliseconds mousePoll{1000};
    std::chrono::milliseconds connectedPoll{100};     // mousepad and keyboard
    std::chrono::milliseconds disconnectedPoll{1000}; // mousepad and keyboard
    std::chrono::milliseconds keyboardConnectPause{100};
};

void RunDetection(DeviceKind kind, const DeviceChannels& channels, MainWindowLink& link,
                  const StopWait& stop, const DetectionTiming& timing = {});

int KeyboardModel();

} // namespace zk::device
