#pragma once
// The seam between CHidDevice and the operating system: a back end lists HID interfaces and
// opens one as a connection whose reads and writes are waited for with poll(). Two back ends
// exist: hidraw (real devices) and the emulated bus (src/emulator). One of them is installed for
// the whole process; hidraw is the default.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace zk::device {

// Vendor ID, product ID and version of an opened interface.
struct HiddAttributes {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t versionNumber = 0;
};

// One entry of an enumeration: the path to open and the identity that is known without
// opening the interface (0 where it could not be read).
struct HidInterfaceInfo {
    std::string path;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint32_t busType = 0;
    uint16_t usagePage = 0;
    uint16_t usage = 0;
};

struct HidOpenFlags {
    bool read = true;
    bool write = true;
    bool exclusive = false;
};

// What poll() waits for before a read or a write may be tried.
struct HidPollTarget {
    int fd = -1;
    short events = 0;
};

// Result of a non-blocking transfer: a byte count (> 0), kHidWouldBlock, or kHidGone when the
// interface failed or went away.
inline constexpr ssize_t kHidWouldBlock = 0;
inline constexpr ssize_t kHidGone = -1;

// One open interface. All calls may come from several threads at once; the connection lives
// until the last user releases it.
class IHidConnection {
public:
    virtual ~IHidConnection() = default;
    virtual HidPollTarget ReadTarget() const = 0;
    virtual HidPollTarget WriteTarget() const = 0;
    virtual ssize_t TryRead(uint8_t* buffer, size_t length) = 0;
    // Writes one report. A connection whose writes can block may start the write in the
    // background and answer kHidWouldBlock; WriteTarget() then waits for its end and the next
    // call returns its result.
    virtual ssize_t TryWrite(const uint8_t* buffer, size_t length) = 0;
    // The write that was started is no longer waited for (time-out or cancel): its result is
    // dropped, and the next write starts once it has ended.
    virtual void AbandonWrite() {}
    virtual bool GetAttributes(HiddAttributes& attributes) = 0;
    virtual bool GetReportDescriptor(std::vector<uint8_t>& descriptor) = 0;
    // Which top-level collection of the descriptor this connection stands for.
    virtual int CollectionIndex() const { return 0; }
};

class IHidBackend {
public:
    virtual ~IHidBackend() = default;
    // Lists the present interfaces in a stable order; false when the list cannot be read.
    virtual bool Enumerate(std::vector<HidInterfaceInfo>& interfaces) = 0;
    // Opens a path; nullptr when it cannot be opened (gone, in exclusive use, no access), with
    // errno telling why (EACCES: this user may not open it).
    virtual std::unique_ptr<IHidConnection> Open(const std::string& path,
                                                 const HidOpenFlags& flags) = 0;
    // Presence test: whether the interface at `path` is still plugged in, without opening it
    // for reading or writing and without disturbing an open connection.
    virtual bool IsPresent(const std::string& path) = 0;
    // True when every interface that appears or goes raises a hot-plug notice (device/Hotplug.h),
    // so that a scan that found nothing may wait for one instead of looking again soon.
    virtual bool AnnouncesChanges() const { return false; }
};

// The back end in use. Never null: the hidraw back end unless another one was installed.
std::shared_ptr<IHidBackend> CurrentHidBackend();
// Installs a back end for the whole process; nullptr restores the hidraw back end. Objects that
// already hold a connection keep it.
void InstallHidBackend(std::shared_ptr<IHidBackend> backend);

} // namespace zk::device
