// The request channel's messages: what one end encodes the other decodes, and
// every message that breaks a bound or does not parse is refused whole.

#include "platform/ControlSocket.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace {

using zk::platform::ControlReply;
using zk::platform::ControlRequest;

std::string U32(std::uint32_t v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
            static_cast<char>((v >> 16) & 0xFF), static_cast<char>(v >> 24)};
}

TEST(ControlChannel, RequestsAndRepliesSurviveTheTrip) {
    const ControlRequest request{"/home/u/a b",
                                 {"light", "mouse", "--colour", std::string("\0x", 2)}};
    const std::string wire = zk::platform::EncodeRequest(request);
    EXPECT_EQ(zk::platform::MessageSize(wire, 'Q', zk::platform::kMaxRequestBytes), wire.size());
    const auto back = zk::platform::DecodeRequest(wire);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->workingFolder, request.workingFolder);
    EXPECT_EQ(back->args, request.args);

    const ControlReply reply{2, "out\n", std::string(100000, 'e')};
    const auto replyBack = zk::platform::DecodeReply(zk::platform::EncodeReply(reply));
    ASSERT_TRUE(replyBack);
    EXPECT_EQ(replyBack->exitCode, 2);
    EXPECT_EQ(replyBack->err, reply.err);
}

TEST(ControlChannel, MalformedAndOversizedMessagesAreRefused) {
    const std::string good = zk::platform::EncodeRequest({"/", {"list"}});
    const std::string body = good.substr(8);
    const std::vector<std::pair<const char*, std::string>> bad = {
        {"empty body", "ZKQ1" + U32(0)},
        {"wrong kind", "ZKA1" + good.substr(4)},
        {"string beyond the end", "ZKQ1" + U32(12) + U32(2) + U32(1) + "/" + U32(50)},
        {"no strings", "ZKQ1" + U32(4) + U32(0)},
        {"too many strings", "ZKQ1" + U32(4) + U32(100000)},
        {"bytes left over", "ZKQ1" + U32(static_cast<std::uint32_t>(body.size() + 1)) + body + "x"},
        {"count beyond the strings",
         "ZKQ1" + U32(static_cast<std::uint32_t>(body.size())) + U32(9) + body.substr(4)},
    };
    for (const auto& [what, message] : bad) {
        SCOPED_TRACE(what);
        EXPECT_FALSE(zk::platform::DecodeRequest(message));
    }
    // A header announcing more than the bound is refused before the body comes.
    const std::string huge = "ZKQ1" + U32(0x7FFFFFFF);
    EXPECT_EQ(zk::platform::MessageSize(huge, 'Q', zk::platform::kMaxRequestBytes), 0u);
    EXPECT_FALSE(zk::platform::MessageSize("ZKQ", 'Q', zk::platform::kMaxRequestBytes));
}

TEST(ControlChannel, NothingListeningIsNoProgram) {
    ControlReply reply;
    EXPECT_EQ(zk::platform::SendControlRequest("/nonexistent/zk.ctl", {"/", {"list"}}, reply, 500),
              zk::platform::SendResult::NoProgram);
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    EXPECT_TRUE(zk::platform::PeerIsSameUser(pair[0]));
    ::close(pair[0]);
    ::close(pair[1]);
}

} // namespace
