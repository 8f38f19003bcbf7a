// Fuzz target of the command line: the input split at NUL bytes is the list of
// arguments. Every list is either accepted with options in their ranges or
// refused with a message; nothing else happens.
#include "app/AppOptions.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> args(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back() += static_cast<char>(data[i]);
    }
    const zk::app::ParsedCommandLine parsed = zk::app::ParseCommandLine(args);
    if (parsed.error.empty() && parsed.options.keyboardModel != 0 &&
        parsed.options.keyboardModel != 1)
        std::abort();
    return 0;
}
