// Fuzz target of the request channel's messages as the window program reads
// them: any bytes are either refused or decode to a request that encodes back
// to the same bytes; nothing else happens.
#include "platform/ControlSocket.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto whole = zk::platform::MessageSize(bytes, 'Q', zk::platform::kMaxRequestBytes);
    if (whole && *whole > zk::platform::kMaxRequestBytes)
        std::abort();
    if (const auto request = zk::platform::DecodeRequest(bytes)) {
        if (request->args.size() > zk::platform::kMaxRequestStrings ||
            zk::platform::EncodeRequest(*request) != bytes)
            std::abort();
    }
    if (const auto reply = zk::platform::DecodeReply(bytes))
        if (zk::platform::EncodeReply(*reply) != bytes)
            std::abort();
    return 0;
}
