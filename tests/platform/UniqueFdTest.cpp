#include "platform/UniqueFd.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

using zk::platform::RetryOnEintr;
using zk::platform::UniqueFd;

namespace {

bool IsOpen(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}

} // namespace

TEST(UniqueFd, ClosesExactlyOnceWhereverOwnershipEnds) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const int readEnd = ends[0];
    const int writeEnd = ends[1];
    {
        UniqueFd a(readEnd);
        UniqueFd b(std::move(a));
        EXPECT_FALSE(a);
        EXPECT_EQ(b.Get(), readEnd);
        UniqueFd c;
        c = std::move(b);
        EXPECT_TRUE(IsOpen(readEnd));
    }
    EXPECT_FALSE(IsOpen(readEnd));

    UniqueFd w(writeEnd);
    const int released = w.Release();
    EXPECT_FALSE(w);
    EXPECT_TRUE(IsOpen(released));

    // Reset closes what was held, and an error reported before stays reported.
    w.Reset(released);
    errno = ENOSPC;
    w.Reset();
    EXPECT_EQ(errno, ENOSPC);
    EXPECT_FALSE(IsOpen(writeEnd));

    ASSERT_EQ(::pipe(ends), 0);
    UniqueFd r(ends[0]);
    EXPECT_EQ(UniqueFd(ends[1]).Close(), 0);
    EXPECT_EQ(r.Close(), 0);
    EXPECT_FALSE(IsOpen(ends[0]));
    EXPECT_EQ(r.Close(), -1);
    EXPECT_EQ(errno, EBADF);
}

TEST(UniqueFd, RetryOnEintrRepeatsOnlyInterruptedCalls) {
    int calls = 0;
    const auto interruptedTwice = [&]() -> ssize_t {
        if (++calls <= 2) {
            errno = EINTR;
            return -1;
        }
        return 7;
    };
    EXPECT_EQ(RetryOnEintr(interruptedTwice), 7);
    EXPECT_EQ(calls, 3);

    calls = 0;
    EXPECT_EQ(RetryOnEintr([&] {
                  ++calls;
                  errno = EAGAIN;
                  return -1;
              }),
              -1);
    EXPECT_EQ(errno, EAGAIN);
    EXPECT_EQ(calls, 1);

    // Another result than -1 ends the loop whatever errno holds.
    errno = EINTR;
    EXPECT_EQ(RetryOnEintr([] { return 0; }), 0);
}
