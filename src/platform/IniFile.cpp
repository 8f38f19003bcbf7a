#include "platform/IniFile.h"

#include "platform/IniText.h"
#include "platform/Log.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zk::platform {

int ToInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate as a negative number so that INT_MIN is reachable; out of range
    // values stop at the limits, as the C runtime's conversion reports them.
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 - (text[i] - '0');
        if (value < static_cast<long long>(INT_MIN))
            return negative ? INT_MIN : INT_MAX;
    }
    if (negative)
        return static_cast<int>(value);
    return value < -static_cast<long long>(INT_MAX) ? INT_MAX : static_cast<int>(-value);
}

namespace {

std::optional<std::string> ReadBytes(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string data;
    char buf[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const bool ok = n == 0;
            ::close(fd);
            if (!ok)
                return std::nullopt;
            return data;
        }
        data.append(buf, static_cast<std::size_t>(n));
    }
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR)
            continue;
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

// Exclusive advisory lock on a hidden file beside the INI file. The lock file
// is removed before the lock is released; a waiter that then holds a lock on
// the removed file notices that the name now leads elsewhere and tries again,
// so at any moment only one writer works on the file.
class WriteLock {
public:
    explicit WriteLock(const std::filesystem::path& path)
        : lockPath_(Folder(path) / ("." + path.filename().string() + ".lock")) {
        for (int attempt = 0; attempt < 1000; ++attempt) {
            const int fd = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
            if (fd < 0)
                return;
            int rc;
            do {
                rc = ::flock(fd, LOCK_EX);
            } while (rc != 0 && errno == EINTR);
            struct stat held {};
            struct stat named {};
            if (rc == 0 && ::fstat(fd, &held) == 0 && ::stat(lockPath_.c_str(), &named) == 0 &&
                held.st_ino == named.st_ino && held.st_dev == named.st_dev) {
                fd_ = fd;
                return;
            }
            ::close(fd);
        }
    }
    ~WriteLock() {
        if (fd_ >= 0) {
            ::unlink(lockPath_.c_str());
            ::close(fd_);
        }
    }
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;

    bool Held() const { return fd_ >= 0; }

private:
    std::filesystem::path lockPath_;
    int fd_ = -1;
};

std::string TempPrefix(const std::filesystem::path& path) {
    return "." + path.filename().string() + ".tmp";
}

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

// Writes the new content beside the file, flushes it to the disk and renames it
// over the file, so the file is always either the old or the new one whole.
bool ReplaceFile(const std::filesystem::path& path, std::string_view content) {
    RemoveStaleTemporaries(path);
    std::string tmp = (Folder(path) / (TempPrefix(path) + "XXXXXX")).string();
    const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat old {};
    const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    bool ok = WriteAll(fd, content) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = ::rename(tmp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(tmp.c_str());
        return false;
    }
    const int dirFd = ::open(Folder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

std::optional<IniText> Load(const std::filesystem::path& path) {
    auto bytes = ReadBytes(path);
    if (!bytes)
        return std::nullopt;
    return IniText(DecodeIniBytes(*bytes));
}

// Read-modify-write under the lock. `edit` returns whether it changed the
// text. A missing file is created only when `create` is set.
bool Modify(const std::filesystem::path& path, bool create,
            const std::function<bool(IniText&)>& edit) {
    WriteLock lock(path);
    if (!lock.Held()) {
        DebugLine("ini: cannot lock " + path.string() + ": " + std::strerror(errno));
        return false;
    }
    auto bytes = ReadBytes(path);
    if (!bytes) {
        if (errno != ENOENT)
            return false;
        if (!create)
            return true;
        bytes.emplace();
    }
    bool utf8Bom = false;
    IniText text(DecodeIniBytes(*bytes, &utf8Bom));
    if (!edit(text))
        return true;
    // A file read as UTF-16LE is written back as UTF-8 without a mark; every
    // reader of these files accepts both, and no text is lost on the way.
    std::string content = utf8Bom ? "\xEF\xBB\xBF" : "";
    content += text.Serialize();
    if (!ReplaceFile(path, content)) {
        DebugLine("ini: cannot write " + path.string() + ": " + std::strerror(errno));
        return false;
    }
    return true;
}

bool HasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

// Names that would not read back as written are refused rather than stored.
bool ValidSection(std::string_view section) {
    return !HasLineBreak(section) && section.find(']') == std::string_view::npos;
}

bool ValidKey(std::string_view key) {
    return !key.empty() && !HasLineBreak(key) && key.find('=') == std::string_view::npos &&
           key.front() != ';' && key.front() != '[';
}

} // namespace

IniFile::IniFile(std::filesystem::path path) : path_(std::move(path)) {}

std::string IniFile::Read(std::string_view section, std::string_view key, std::string_view def,
                          std::size_t bufferChars) const {
    if (bufferChars == 0)
        return {};
    std::optional<std::string> value;
    if (auto text = Load(path_))
        value = text->Find(TrimBlanks(section), TrimBlanks(key));
    return CutToChars(value ? *value : def, bufferChars - 1);
}

int IniFile::ReadInt(std::string_view section, std::string_view key, std::string_view def) const {
    return ToInt(Read(section, key, def));
}

bool IniFile::Write(std::string_view section, std::string_view key, std::string_view value) {
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    if (!ValidSection(section) || !ValidKey(key) || HasLineBreak(value)) {
        DebugLine("ini: refused to write [" + std::string(section) + "] " + std::string(key));
        return false;
    }
    return Modify(path_, true, [&](IniText& text) {
        text.Set(section, key, value);
        return true;
    });
}

bool IniFile::CreateSection(std::string_view section) {
    section = TrimBlanks(section);
    if (!ValidSection(section))
        return false;
    return Modify(path_, true, [&](IniText& text) {
        if (text.HasSection(section))
            return false;
        text.AddSection(section);
        return true;
    });
}

bool IniFile::DeleteKey(std::string_view section, std::string_view key) {
    return Modify(path_, false, [&](IniText& text) {
        return text.EraseKey(TrimBlanks(section), TrimBlanks(key));
    });
}

bool IniFile::DeleteSection(std::string_view section) {
    return Modify(path_, false,
                  [&](IniText& text) { return text.EraseSection(TrimBlanks(section)); });
}

bool IniFile::Remove() {
    WriteLock lock(path_);
    if (::unlink(path_.c_str()) != 0 && errno != ENOENT)
        return false;
    return !Exists();
}

bool IniFile::Exists() const {
    struct stat st {};
    return ::stat(path_.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IniFile::HasSection(std::string_view section) const {
    auto text = Load(path_);
    return text && text->HasSection(TrimBlanks(section));
}

std::vector<std::string> IniFile::SectionNames() const {
    auto text = Load(path_);
    return text ? text->SectionNames() : std::vector<std::string>{};
}

std::vector<std::string> IniFile::Keys(std::string_view section) const {
    auto text = Load(path_);
    return text ? text->Keys(TrimBlanks(section)) : std::vector<std::string>{};
}

} // namespace zk::platform
