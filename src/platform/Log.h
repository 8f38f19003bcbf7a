#pragma once

#include <functional>
#include <string_view>

namespace zk::platform {

// Diagnostic lines for developers (never shown to the user). The Qt side
// routes them to the logging category "zk412v"; without a sink they go to
// standard error when ZK412V_DEBUG is set.
void DebugLine(std::string_view line);

using DebugSink = std::function<void(std::string_view)>;
// Replaces the sink; returns the previous one. Safe to call from any thread.
DebugSink SetDebugSink(DebugSink sink);

} // namespace zk::platform
