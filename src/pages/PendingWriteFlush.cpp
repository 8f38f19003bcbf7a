#include "pages/PendingWriteFlush.h"

#include <chrono>
#include <utility>

namespace zk::pages {

PendingWriteFlush::PendingWriteFlush(settings::FlushTargets targets, After after, QObject* parent)
    : QObject(parent), targets_(targets), after_(std::move(after)) {
    // Precise: a coarse timer may fire up to 5 % early, inside the 100 ms.
    due_.setTimerType(Qt::PreciseTimer);
    due_.setSingleShot(true);
    connect(&due_, &QTimer::timeout, this, [this] { Run(); });
}

void PendingWriteFlush::ChangedSoon() {
    if (std::exchange(posted_, true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            posted_ = false;
            Run();
        },
        Qt::QueuedConnection);
}

void PendingWriteFlush::Run() {
    const settings::FlushOutcome outcome = settings::FlushPendingWrites(targets_, &pacer_);
    if (outcome.writes > 0 || outcome.mouseLayouts) {
        if (after_)
            after_(outcome);
    }
    if (outcome.nextDue) {
        // Rounded up: the write is never early.
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*outcome.nextDue);
        if (!due_.isActive() || due_.remainingTime() > wait.count())
            due_.start(static_cast<int>(wait.count()));
    }
}

} // namespace zk::pages
