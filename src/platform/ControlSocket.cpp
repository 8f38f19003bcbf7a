#include "platform/ControlSocket.h"

#include "platform/UniqueFd.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace zk::platform {

namespace {

constexpr char kRequestKind = 'Q';
constexpr char kReplyKind = 'A';

void PutU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::uint32_t GetU32(std::string_view in, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<std::uint32_t>(static_cast<unsigned char>(in[at + i])) << (8 * i);
    return v;
}

void PutString(std::string& out, std::string_view s) {
    PutU32(out, static_cast<std::uint32_t>(s.size()));
    out.append(s);
}

std::string Framed(char kind, const std::string& body) {
    std::string out = {'Z', 'K', kind, '1'};
    PutU32(out, static_cast<std::uint32_t>(body.size()));
    return out + body;
}

// Reads strings from a message body; every read is checked against its end.
class Reader {
public:
    explicit Reader(std::string_view body) : body_(body) {}
    bool U32(std::uint32_t& v) {
        if (body_.size() - at_ < 4)
            return false;
        v = GetU32(body_, at_);
        at_ += 4;
        return true;
    }
    bool String(std::string& s) {
        std::uint32_t n = 0;
        if (!U32(n) || body_.size() - at_ < n)
            return false;
        s.assign(body_.substr(at_, n));
        at_ += n;
        return true;
    }
    bool AtEnd() const { return at_ == body_.size(); }

private:
    std::string_view body_;
    std::size_t at_ = 0;
};

// The body of a whole message of `kind`, or nothing.
std::optional<std::string_view> BodyOf(std::string_view message, char kind, std::size_t limit) {
    const auto size = MessageSize(message, kind, limit);
    if (!size || *size == 0 || *size != message.size())
        return std::nullopt;
    return message.substr(kMessageHeaderBytes);
}

std::string RuntimeFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        struct stat st {};
        if (::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode))
            return runtime;
    }
    if (const char* tmp = std::getenv("TMPDIR"); tmp && *tmp)
        return tmp;
    return "/tmp";
}

std::string InstanceBase() {
    return RuntimeFolder() + "/OSTRIXDRVER1-" + std::to_string(::getuid());
}

bool WaitFor(int fd, short events, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0)
            return false;
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, static_cast<int>(left));
        if (r > 0)
            return true;
        if (r < 0 && errno != EINTR)
            return false;
    }
}

} // namespace

std::string ControlSocketPath() {
    return InstanceBase() + ".ctl";
}

std::string InstanceLockPath() {
    return InstanceBase() + ".lock";
}

bool WindowProgramRuns(const std::string& lockPath) {
    UniqueFd fd(::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd)
        return false;
    if (::flock(fd.Get(), LOCK_SH | LOCK_NB) == 0) {
        ::flock(fd.Get(), LOCK_UN);
        return false;
    }
    return errno == EWOULDBLOCK;
}

std::string EncodeRequest(const ControlRequest& request) {
    std::string body;
    PutU32(body, static_cast<std::uint32_t>(request.args.size() + 1));
    PutString(body, request.workingFolder);
    for (const std::string& a : request.args)
        PutString(body, a);
    return Framed(kRequestKind, body);
}

std::string EncodeReply(const ControlReply& reply) {
    std::string body;
    PutU32(body, static_cast<std::uint32_t>(reply.exitCode));
    PutString(body, reply.out);
    PutString(body, reply.err);
    return Framed(kReplyKind, body);
}

std::optional<std::size_t> MessageSize(std::string_view buffer, char kind, std::size_t limit) {
    if (buffer.size() < kMessageHeaderBytes)
        return std::nullopt;
    if (buffer[0] != 'Z' || buffer[1] != 'K' || buffer[2] != kind || buffer[3] != '1')
        return 0;
    const std::size_t length = GetU32(buffer, 4);
    if (length > limit - kMessageHeaderBytes)
        return 0;
    return kMessageHeaderBytes + length;
}

std::optional<ControlRequest> DecodeRequest(std::string_view message) {
    const auto body = BodyOf(message, kRequestKind, kMaxRequestBytes);
    if (!body)
        return std::nullopt;
    Reader in(*body);
    std::uint32_t count = 0;
    if (!in.U32(count) || count == 0 || count > kMaxRequestStrings + 1)
        return std::nullopt;
    ControlRequest request;
    if (!in.String(request.workingFolder))
        return std::nullopt;
    request.args.resize(count - 1);
    for (std::string& a : request.args)
        if (!in.String(a))
            return std::nullopt;
    if (!in.AtEnd())
        return std::nullopt;
    return request;
}

std::optional<ControlReply> DecodeReply(std::string_view message) {
    const auto body = BodyOf(message, kReplyKind, kMaxReplyBytes);
    if (!body)
        return std::nullopt;
    Reader in(*body);
    std::uint32_t code = 0;
    ControlReply reply;
    if (!in.U32(code) || code > 255 || !in.String(reply.out) || !in.String(reply.err) ||
        !in.AtEnd())
        return std::nullopt;
    reply.exitCode = static_cast<int>(code);
    return reply;
}

bool PeerIsSameUser(int fd) {
    ucred cred{};
    socklen_t size = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &size) != 0 || size != sizeof cred)
        return false;
    return cred.uid == ::getuid();
}

SendResult SendControlRequest(const std::string& path, const ControlRequest& request,
                              ControlReply& reply, int timeoutMs) {
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path)
        return SendResult::NoProgram;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd)
        return SendResult::NoProgram;
    if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return SendResult::NoProgram;
    if (!PeerIsSameUser(fd.Get()))
        return SendResult::Refused;

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const std::string message = EncodeRequest(request);
    std::size_t sent = 0;
    while (sent < message.size()) {
        if (!WaitFor(fd.Get(), POLLOUT, deadline))
            return SendResult::TimedOut;
        const ssize_t n =
            ::send(fd.Get(), message.data() + sent, message.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return SendResult::Refused;
        sent += static_cast<std::size_t>(n);
    }

    std::string answer;
    char chunk[16384];
    for (;;) {
        const auto size = MessageSize(answer, kReplyKind, kMaxReplyBytes);
        if (size && *size == 0)
            return SendResult::Refused;
        if (size && answer.size() >= *size)
            break;
        if (!WaitFor(fd.Get(), POLLIN, deadline))
            return SendResult::TimedOut;
        const ssize_t n = ::recv(fd.Get(), chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return SendResult::Refused;
        answer.append(chunk, static_cast<std::size_t>(n));
    }
    const auto size = MessageSize(answer, kReplyKind, kMaxReplyBytes);
    auto decoded = DecodeReply(std::string_view(answer).substr(0, *size));
    if (!decoded)
        return SendResult::Refused;
    reply = std::move(*decoded);
    return SendResult::Answered;
}

} // namespace zk::platform
