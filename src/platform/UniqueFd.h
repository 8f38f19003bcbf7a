#pragma once

// Owned file descriptors and the EINTR rule of system calls, for every layer
// that works with descriptors directly. Header only: layers that use no other
// part of platform include it without linking it.

#include <cerrno>
#include <unistd.h>
#include <utility>

namespace zk::platform {

// Calls `call` again for as long as it fails with EINTR (returns -1 with errno
// EINTR, as a blocking system call does when a signal arrives before anything
// happened) and returns the first other result, errno as that call left it.
// Not for close(): on Linux the descriptor is gone even when close() reports
// EINTR, and a second close() could hit a descriptor opened meanwhile.
template <typename Call> auto RetryOnEintr(Call&& call) -> decltype(call()) {
    for (;;) {
        auto result = call();
        if (result != -1 || errno != EINTR)
            return result;
    }
}

// Owns one file descriptor and closes it when it goes away or is reset; -1
// means none. Moving hands the descriptor over. Closing keeps errno, so a
// descriptor released on an error path does not change the error reported.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) noexcept : fd_(fd) {}
    ~UniqueFd() { Reset(); }

    UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        Reset(other.Release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const noexcept { return fd_; }
    explicit operator bool() const noexcept { return fd_ >= 0; }

    // Gives the descriptor up without closing it.
    [[nodiscard]] int Release() noexcept { return std::exchange(fd_, -1); }

    // Closes the descriptor held (if any) and takes `fd`.
    void Reset(int fd = -1) noexcept {
        const int old = std::exchange(fd_, fd);
        if (old >= 0 && old != fd) {
            const int saved = errno;
            ::close(old);
            errno = saved;
        }
    }

    // Closes now and reports close()'s result (0, or -1 with errno set), for a
    // writer that must know whether its data reached the file. Holding none is
    // an error (EBADF).
    int Close() noexcept {
        const int fd = Release();
        if (fd < 0) {
            errno = EBADF;
            return -1;
        }
        return ::close(fd);
    }

private:
    int fd_ = -1;
};

} // namespace zk::platform
