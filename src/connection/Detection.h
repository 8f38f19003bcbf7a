#pragma once

// Detection threads: one per device kind. Each finds its device's
// configuration interface among the HID interfaces, opens it in the kind's
// device channel, marks the channel connected and brings the kind's page into
// view through the main window link; while connected it tests that the device
// is still present and, once it is gone, marks it disconnected and moves the
// window to another connected kind or hides it.
//
//   RunDetection(kind, channels, names, link, stop [, timing])
//       the thread body; returns when `stop` reports the stop event set.
//   KeyboardModel()
//       0 for keyboard product 0x0800, 1 for 0x6556, unchanged for 0x7200.
//
// Between steps the thread waits with `stop`; a wait that ends early without
// the stop (a hot-plug notice woke it) makes the next step come at once, so a
// plugged device is found without waiting for the next scan. While the HID
// back end announces every change, a scan that found no interface of the kind
// waits for such a notice (at most noticedScanPause) instead of scanning every
// second; an interface that is listed but could not be opened is tried again
// at the usual poll.
//
// A poll step runs under the channel's transaction lock; nothing in it waits
// for the GUI thread. The channels, the link and the timing must outlive the
// thread.

#include "connection/MainWindowLink.h"
#include "protocol/DeviceChannel.h"

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace zk::connection {

struct DeviceChannels {
    protocol::DeviceChannel* keyboard = nullptr;
    protocol::DeviceChannel* mouse = nullptr;
    protocol::DeviceChannel* mousepad = nullptr;

    protocol::DeviceChannel* Of(DeviceKind kind) const;
};

// How the main window shows a kind: the names of its tab option, the tab's
// panel ("" when none), its same-mode control and its profile selector, and
// where the profile selected for the device is stored. The window hands them
// in; detection itself knows no control or file names.
struct KindPresentation {
    std::string tab;
    std::string tabPanel;
    std::string sameMode;
    std::string profileControl;
    // The stored selection of the kind's device profile (a row of the selector).
    std::function<int()> storedSelection;
};

struct PresentationNames {
    KindPresentation mouse;
    KindPresentation keyboard;
    KindPresentation mousepad;

    const KindPresentation& Of(DeviceKind kind) const;
};

struct DetectionTiming {
    std::chrono::milliseconds mousePoll{1000};
    std::chrono::milliseconds connectedPoll{100};     // mousepad and keyboard
    std::chrono::milliseconds disconnectedPoll{1000}; // mousepad and keyboard
    std::chrono::milliseconds keyboardConnectPause{100};
    // Instead of the poll of a device that is not connected, when none of its interfaces is
    // listed and its plugging will be announced (a hot-plug notice ends the pause).
    std::chrono::milliseconds noticedScanPause{kNoticedScanPause};
};

void RunDetection(DeviceKind kind, const DeviceChannels& channels, const PresentationNames& names,
                  MainWindowLink& link, const StopWait& stop, const DetectionTiming& timing = {});

int KeyboardModel();

} // namespace zk::connection
