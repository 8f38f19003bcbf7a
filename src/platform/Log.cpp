#include "platform/Log.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

namespace zk::platform {

namespace {

std::mutex& SinkMutex() {
    static std::mutex m;
    return m;
}

std::shared_ptr<const DebugSink>& SinkSlot() {
    static std::shared_ptr<const DebugSink> slot;
    return slot;
}

} // namespace

void DebugLine(std::string_view line) {
    std::shared_ptr<const DebugSink> sink;
    {
        std::lock_guard lock(SinkMutex());
        sink = SinkSlot();
    }
    if (sink && *sink) {
        (*sink)(line);
        return;
    }
    static const bool toStderr = std::getenv("ZK412V_DEBUG") != nullptr;
    if (toStderr) {
        // One call per line keeps lines of different threads apart.
        std::string text(line);
        text += '\n';
        std::fputs(text.c_str(), stderr);
    }
}

DebugSink SetDebugSink(DebugSink sink) {
    auto next = std::make_shared<const DebugSink>(std::move(sink));
    std::lock_guard lock(SinkMutex());
    auto previous = std::exchange(SinkSlot(), std::move(next));
    return previous ? *previous : DebugSink{};
}

} // namespace zk::platform
