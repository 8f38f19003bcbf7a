#pragma once

// Change-notification threads of the mouse and the keyboard. Each finds its
// device's notification interface (consumer control, usage page 0x000C,
// usage 0x0001), reads its input reports and turns each notification code
// into a message to the main window, which re-reads the affected settings:
//
//   mouse     0x401 -> send 0x902, 0x402 -> send 0x901, 0x403 -> reactive triggers
//   keyboard  0x401 -> send 0xB02, 0x402 -> send 0xB01
//
// Other codes and reports with no usage on are ignored. The interface is
// opened read-only on a CHidDevice of the thread's own.
//
//   RunNotifications(kind, link, stop [, timing])
//       the thread body for DeviceKind::Mouse or DeviceKind::Keyboard; returns
//       when `stop` reports the stop event set (checked before every read, so
//       within one read time-out). The link must outlive the thread; its
//       SendMessage should give up once the main window is closing, or the
//       stop wait runs into its bound while this thread waits there.

#include "connection/MainWindowLink.h"

#include <chrono>
#include <cstdint>

namespace zk::connection {

struct NotificationTiming {
    std::chrono::milliseconds readTimeout{500};
    std::chrono::milliseconds rescanPause{1000};
    // Instead of rescanPause when the device is not listed and its plugging will be announced.
    std::chrono::milliseconds noticedRescanPause{kNoticedScanPause};
};

// Acts on one notification code of a kind: sends its message and waits for
// it to be handled, or sets the reactive triggers; other codes do nothing.
void DispatchCode(DeviceKind kind, uint16_t code, MainWindowLink& link);

void RunNotifications(DeviceKind kind, MainWindowLink& link, const StopWait& stop,
                      const NotificationTiming& timing = {});

} // namespace zk::connection
