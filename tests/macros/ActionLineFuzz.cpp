// Action lines come from files that other programs and users may edit.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "macros/MacroAction.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    zk::macros::MacroAction action;
    if (!zk::macros::ParseActionLine(line, action))
        return 0;
    // An accepted line whose name has no comma reads back the same after
    // being written out again.
    if (action.name.find(',') == std::string::npos) {
        const auto again = zk::macros::ActionFromLine(zk::macros::FormatActionLine(action));
        if (!(again == action))
            std::abort();
    }
    return 0;
}
