#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Broadcast.h"
#include "platform/UniqueFd.h"

namespace zk::platform {

// The longest file name the file systems take, in bytes, and the longest a
// file may have to be written here: its temporary file ".<name>.tmpXXXXXX"
// and its lock file ".<name>.lock" must fit too.
inline constexpr std::size_t kMaxFileNameBytes = 255;
inline constexpr std::size_t kMaxWritableFileNameBytes = kMaxFileNameBytes - 11;

// The whole content of a file; nothing when it cannot be opened or read
// (errno tells why).
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

// Replaces the file's content so that, whatever happens (a crash, a kill, a
// power loss), the file holds either its old or its new content, never part
// of it: the bytes go to a temporary file in the same folder, are flushed to
// the disk and renamed over the file, under the file's write lock. The file's
// permissions are kept. The folder must exist.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// Exclusive advisory lock for writing one file, shared by every thread and
// process: a hidden lock file ".<name>.lock" beside it, taken with flock and
// removed again when the lock is released. A waiter that was holding a lock
// on a removed lock file notices that the name now leads elsewhere and tries
// again, so only one writer at a time works on the file, and no lock file
// stays behind.
class FileWriteLock {
public:
    explicit FileWriteLock(const std::filesystem::path& path);
    ~FileWriteLock();
    FileWriteLock(const FileWriteLock&) = delete;
    FileWriteLock& operator=(const FileWriteLock&) = delete;

    // False when the folder does not exist or cannot be written.
    bool Held() const { return static_cast<bool>(fd_); }

private:
    std::filesystem::path lockPath_;
    UniqueFd fd_;
};

// WriteFileAtomically for a caller that holds the file's FileWriteLock (for a
// read-modify-write); also removes temporary files of writers that died.
bool ReplaceFileLocked(const std::filesystem::path& path, std::string_view bytes);

// Told of each file this process replaced, with the path as the writer gave it,
// once the new contents are in place.
Broadcast<std::filesystem::path>& FileReplacements();

} // namespace zk::platform
