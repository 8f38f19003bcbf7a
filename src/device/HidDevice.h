#pragma once
// CHidDevice: the handle on one HID interface. It lists the interfaces present, opens one by its
// path, learns its identity and report capabilities, writes 64-byte output reports and reads
// input reports with time-outs that another thread can cut short, and unpacks input reports
// into the usages they carry. The operating system side is the installed back end
// (HidBackend.h): hidraw, or the emulated bus.

#include "device/HidBackend.h"
#include "device/HidReportDescriptor.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zk::device {

// One reportable control of a report group.
struct HidItem {
    uint8_t isButton = 0;
    uint8_t reserved = 0;
    uint16_t usagePage = 0;
    uint32_t status = 0; // last parser status
    uint32_t reportId = 0;
    uint8_t isSet = 0; // set when a report filled the item
    struct Button {
        uint32_t usageMin = 0;
        uint32_t usageMax = 0;
        uint32_t maxUsages = 0;
        std::vector<uint16_t> usages; // maxUsages entries; the usages that are on, 0-terminated
    } button;
    struct Value {
        uint16_t usage = 0;
        uint16_t reserved = 0;
        uint32_t value = 0;
        int32_t scaledValue = 0;
    } value;
};

// Input, output or feature: buffer of the report length, items, and the capabilities.
struct HidReportGroup {
    std::vector<uint8_t> reportBuffer;
    std::vector<HidItem> items;
    uint32_t itemCount = 0;
    std::vector<HidpButtonCaps> buttonCaps;
    std::vector<HidpValueCaps> valueCaps;
};

inline constexpr uint32_t kHidReportSize = 64;       // bytes of every output report written
inline constexpr uint32_t kHidWriteTimeoutMs = 1000; // longest wait of a write

class CHidDevice {
public:
    CHidDevice();  // as Create
    ~CHidDevice(); // as Destroy
    CHidDevice(const CHidDevice&) = delete;
    CHidDevice& operator=(const CHidDevice&) = delete;

    // Closes an open interface and clears the path list, flags and capability area.
    void Create();
    // Close, then frees the path list.
    void Destroy();

    // Fills pathList/pathCount (and pathInfo) with every present interface, in order. Returns 1,
    // or 0 with an empty list when the interfaces cannot be listed.
    int EnumeratePaths();
    // Opens devicePath with the open flags and reads its description. 1 on success; 0
    // otherwise (the device is then closed, and openError tells why the back end refused it).
    // Opening an open device closes it first.
    int Open();
    // Ends a waiting read or write at once (its result is 0), frees the capability area and
    // closes the interface. Safe to call from another thread than the one reading or writing.
    void Close();
    bool IsOpen() const;

    // Reads one input report of at most `length` bytes. Nonzero when a report arrived; 0 on
    // failure, time-out or cancel. *bytesRead is 0 unless data arrived.
    int ReadReport(uint8_t* buffer, uint32_t length, uint32_t* bytesRead, uint32_t timeoutMs);
    // Writes exactly 64 bytes; waits at most 1000 ms. Nonzero on success.
    int WriteReport(const uint8_t* buffer);
    // The same with a shorter longest wait (at most 1000 ms are waited whatever is asked).
    int WriteReport(const uint8_t* buffer, uint32_t timeoutMs);

    // Fills the items whose reportId equals report[0] from an input report. Returns a parser
    // status whose low byte is 1 when every matching item was filled; a value that cannot be
    // read stops the unpacking and returns its status with the low byte cleared.
    uint32_t UnpackInputReport(const uint8_t* report, uint32_t length, HidItem* items,
                               uint32_t itemCount);

    // Presence test of an interface path: true while it is plugged in. Needs no access rights
    // and does not disturb an open connection to it.
    static bool IsPresent(const std::string& path);
    // True while every interface that appears or goes raises a hot-plug notice.
    static bool ChangesAnnounced();

    // --- fields ---
    std::vector<std::string> pathList;      // paths found by the last enumeration
    uint32_t pathCount = 0;                 // entries in pathList
    uint32_t pathCursor = 0;                // next path to hand out
    std::vector<HidInterfaceInfo> pathInfo; // identity known from the enumeration, per path
    uint32_t openForRead = 0;
    uint32_t openForWrite = 0;
    uint32_t openOverlapped = 0;
    uint32_t openExclusive = 0;
    std::string devicePath;
    // Why the last Open could not open the interface: an errno value (EACCES when this user may
    // not open it), 0 after a successful open or a refusal for another reason.
    int openError = 0;
    std::shared_ptr<const HidPreparsedData> preparsedData;
    HidpCaps caps;
    HiddAttributes attributes;
    HidReportGroup input;
    HidReportGroup output;
    HidReportGroup feature;
    std::atomic<uint32_t> reading{0};
    std::atomic<uint32_t> writing{0};

private:
    struct Session;
    std::shared_ptr<Session> CurrentSession() const;
    void DropSession();
    void ClearCapabilities();
    void BuildGroup(HidReportType type, HidReportGroup& group);
    int Transfer(bool isRead, uint8_t* buffer, uint32_t length, uint32_t* bytesRead,
                 uint32_t timeoutMs);

    mutable std::mutex sessionMutex_;
    std::shared_ptr<Session> session_; // the open interface ("handle"); null when closed
    int collectionIndex_ = 0;
};

} // namespace zk::device
