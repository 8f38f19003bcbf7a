#pragma once

// When the pending writes of the three device kinds go out. Timer 2 of the
// main window calls Tick every 100 ms; the window calls ChangedSoon for each
// notification, and the flush runs once the window is done with it (and with
// whatever the notification set off), so the frames a handler sends itself
// keep coming before the pending write. A kind whose last write is at least
// 100 ms old goes out at once; otherwise it waits until 100 ms after that
// write, when a precise single-shot timer sends it. So a burst of slider moves reaches the
// device as at most two frames, the first at once and the last with the final
// values, never two within 100 ms.

#include "settings/SettingsFlush.h"

#include <QObject>
#include <QTimer>

#include <functional>

namespace zk::pages {

class PendingWriteFlush : public QObject {
public:
    // `after` sees the outcome of every flush that wrote something (the window
    // applies the mouse colour layouts from it).
    using After = std::function<void(const settings::FlushOutcome&)>;
    PendingWriteFlush(settings::FlushTargets targets, After after, QObject* parent = nullptr);

    void Tick() { Run(); }
    void Changed() { Run(); }
    // Changed, from the window's event loop once the current event is handled.
    void ChangedSoon();
    // True while a held-back kind waits for its time.
    bool Waiting() const { return due_.isActive(); }

private:
    void Run();

    settings::FlushTargets targets_;
    After after_;
    settings::FlushPacer pacer_;
    QTimer due_;
    bool posted_ = false;
};

} // namespace zk::pages
