// Fuzz target: arbitrary bytes as a profile file, read with buffers of the
// sizes the store uses; the read must stay inside the buffer and report one of
// its three results.
#include "profiles/ProfileFile.h"

#include "support/FuzzInput.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::filesystem::path path =
        zktest::MakeScratchFolder("zk_fuzz_profile") / "profile.config";
    zktest::PutFile(path, std::string_view(reinterpret_cast<const char*>(data), size));
    for (size_t bodySize : {0, 64, 442, 576, 2470}) {
        // Guard bytes on both sides of the body buffer stay untouched.
        std::vector<uint8_t> buffer(bodySize + 32, 0xC3);
        const int result =
            zk::profiles::ReadProfileFile(path, std::span(buffer).subspan(16, bodySize));
        if (result != 0 && result != 1 && result != -1)
            std::abort();
        const bool magic = size >= 2 && data[0] == 0xAA && data[1] == 0x55;
        if ((result == 0) != magic)
            std::abort();
        for (size_t i = 0; i < 16; ++i)
            if (buffer[i] != 0xC3 || buffer[buffer.size() - 1 - i] != 0xC3)
                std::abort();
        if (result == 0) {
            for (size_t i = 0; i < bodySize; ++i) {
                const uint8_t expected = 16 + i < size ? data[16 + i] : 0xC3;
                if (buffer[16 + i] != expected)
                    std::abort();
            }
        }
    }
    return 0;
}
