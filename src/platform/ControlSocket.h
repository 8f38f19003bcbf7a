#pragma once

// The request channel between the command-line tool and the running window
// program: a Unix stream socket beside the single-instance socket, private to
// the user. One connection carries one request and its reply.
//
//   request  "ZKQ1", u32 length, then strings: the caller's working folder and
//            the arguments (each a u32 length and its bytes)
//   reply    "ZKA1", u32 length, then the exit code (u32) and two strings:
//            what goes to standard output and to standard error
//
// Lengths are little-endian and bounded (kMaxRequestBytes, kMaxReplyBytes,
// kMaxRequestStrings); a message that breaks a bound or does not parse is
// refused whole. Both ends accept only a peer of the same user.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zk::platform {

inline constexpr std::size_t kMaxRequestBytes = 64 * 1024;
inline constexpr std::size_t kMaxRequestStrings = 128;
inline constexpr std::size_t kMaxReplyBytes = 8 * 1024 * 1024;
inline constexpr std::size_t kMessageHeaderBytes = 8;

struct ControlRequest {
    std::string workingFolder;
    std::vector<std::string> args;
};

struct ControlReply {
    int exitCode = 0;
    std::string out;
    std::string err;
};

// The socket's path: "OSTRIXDRVER1-<uid>.ctl" in $XDG_RUNTIME_DIR when that is
// a folder, otherwise in $TMPDIR or /tmp — the folder of the single-instance
// socket.
std::string ControlSocketPath();
// The lock file that the running window program holds for its lifetime.
std::string InstanceLockPath();
// True while a window program of this user holds its instance lock.
bool WindowProgramRuns(const std::string& lockPath = InstanceLockPath());

std::string EncodeRequest(const ControlRequest& request);
std::string EncodeReply(const ControlReply& reply);

// How much of a message has arrived: the whole message's size once its header
// is in `buffer`; nothing when the header is incomplete; 0 when the header is
// not of the kind or announces more than `limit` bytes.
std::optional<std::size_t> MessageSize(std::string_view buffer, char kind, std::size_t limit);
// Parses a whole message; nothing when it is malformed.
std::optional<ControlRequest> DecodeRequest(std::string_view message);
std::optional<ControlReply> DecodeReply(std::string_view message);

// True when the peer of a connected Unix socket runs as this process's user.
bool PeerIsSameUser(int fd);

enum class SendResult {
    Answered,  // `reply` holds the program's answer
    NoProgram, // nothing listens on the socket
    Refused,   // the listener is another user's, or it closed without answer
    TimedOut,  // no whole answer within the time
};
SendResult SendControlRequest(const std::string& path, const ControlRequest& request,
                              ControlReply& reply, int timeoutMs);

} // namespace zk::platform
