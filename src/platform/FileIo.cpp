#include "platform/FileIo.h"

#include "platform/UniqueFd.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zk::platform {

namespace {

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = RetryOnEintr([&] { return ::write(fd, data.data(), data.size()); });
        if (n <= 0)
            return false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::filesystem::path Folder(const std::filesystem::path& path) {
    const auto parent = path.parent_path();
    return parent.empty() ? std::filesystem::path(".") : parent;
}

std::string TempPrefix(const std::filesystem::path& path) {
    return "." + path.filename().string() + ".tmp";
}
// The temporary file's name is the longest one derived from a file's name.
static_assert(kMaxFileNameBytes - kMaxWritableFileNameBytes ==
              sizeof(".") - 1 + sizeof(".tmp") - 1 + sizeof("XXXXXX") - 1);

// Temporary files left by a writer that died before its rename. Only called
// under the lock, when no live writer of this file has one.
void RemoveStaleTemporaries(const std::filesystem::path& path) {
    const std::string prefix = TempPrefix(path);
    DIR* dir = ::opendir(Folder(path).c_str());
    if (!dir)
        return;
    while (const dirent* e = ::readdir(dir)) {
        if (std::strncmp(e->d_name, prefix.c_str(), prefix.size()) == 0 &&
            std::strlen(e->d_name) == prefix.size() + 6)
            ::unlinkat(::dirfd(dir), e->d_name, 0);
    }
    ::closedir(dir);
}

} // namespace

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd)
        return std::nullopt;
    std::string data;
    char buf[8192];
    for (;;) {
        const ssize_t n = RetryOnEintr([&] { return ::read(fd.Get(), buf, sizeof buf); });
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            return data;
        data.append(buf, static_cast<std::size_t>(n));
    }
}

FileWriteLock::FileWriteLock(const std::filesystem::path& path)
    : lockPath_(Folder(path) / ("." + path.filename().string() + ".lock")) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        UniqueFd fd(::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
        if (!fd)
            return;
        const int rc = RetryOnEintr([&] { return ::flock(fd.Get(), LOCK_EX); });
        struct stat held {};
        struct stat named {};
        if (rc == 0 && ::fstat(fd.Get(), &held) == 0 && ::stat(lockPath_.c_str(), &named) == 0 &&
            held.st_ino == named.st_ino && held.st_dev == named.st_dev) {
            fd_ = std::move(fd);
            return;
        }
    }
}

FileWriteLock::~FileWriteLock() {
    if (fd_)
        ::unlink(lockPath_.c_str());
}

bool ReplaceFileLocked(const std::filesystem::path& path, std::string_view bytes) {
    RemoveStaleTemporaries(path);
    std::string tmp = (Folder(path) / (TempPrefix(path) + "XXXXXX")).string();
    UniqueFd fd(::mkostemp(tmp.data(), O_CLOEXEC));
    if (!fd)
        return false;
    struct stat old {};
    const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    bool ok = WriteAll(fd.Get(), bytes) && ::fchmod(fd.Get(), mode) == 0 && ::fsync(fd.Get()) == 0;
    ok = (fd.Close() == 0) && ok;
    if (ok)
        ok = ::rename(tmp.c_str(), path.c_str()) == 0;
    if (!ok) {
        const int err = errno;
        ::unlink(tmp.c_str());
        errno = err;
        return false;
    }
    // Make the rename itself durable.
    if (const UniqueFd dir(::open(Folder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); dir)
        ::fsync(dir.Get());
    FileReplacements().Raise(path);
    return true;
}

Broadcast<std::filesystem::path>& FileReplacements() {
    static Broadcast<std::filesystem::path> replacements;
    return replacements;
}

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
    FileWriteLock lock(path);
    return lock.Held() && ReplaceFileLocked(path, bytes);
}

} // namespace zk::platform
