#include "device/HidBackend.h"

#include "device/HidrawBackend.h"

#include <mutex>

namespace zk::device {

namespace {

std::mutex& BackendMutex() {
    static std::mutex m;
    return m;
}

std::shared_ptr<IHidBackend>& BackendSlot() {
    static std::shared_ptr<IHidBackend> slot;
    return slot;
}

} // namespace

std::shared_ptr<IHidBackend> CurrentHidBackend() {
    std::lock_guard lock(BackendMutex());
    auto& slot = BackendSlot();
    if (!slot)
        slot = std::make_shared<HidrawBackend>();
    return slot;
}

void InstallHidBackend(std::shared_ptr<IHidBackend> backend) {
    std::lock_guard lock(BackendMutex());
    BackendSlot() = std::move(backend);
}

} // namespace zk::device
