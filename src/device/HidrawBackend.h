#pragma once
// The hidraw back end: HID interfaces of real devices through /dev/hidraw* nodes.
//
// Each node is listed once per top-level collection of its report descriptor: the path of the
// first collection is the node itself ("/dev/hidraw3"), further collections get "#<index>"
// ("/dev/hidraw3#1"), so that an interface that carries a mouse and a consumer-control
// collection shows both identities. Nodes are found with libudev; identity comes from the HID
// parent's HID_ID property and the descriptor from its report_descriptor file in sysfs, so
// enumeration needs no access rights to the nodes.
//
// Detection lists the interfaces every second (or, while a hidraw monitor announces every change,
// when a node changes) and tests a connected device's presence up to ten times a second. Where
// the device folder can be watched (inotify), a listing and a presence answer are kept until a
// hidraw node appears, goes or changes its rights there, or for at most kHidrawListingMaxAge, so
// that an idle scan reads no file.

#include "device/HidBackend.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace zk::device {

// One hidraw node as the system describes it.
struct HidrawNode {
    std::string devnode;        // "/dev/hidraw3"
    std::string hidSyspath;     // sysfs path of the HID parent (unique per plug-in)
    std::string hidId;          // "BBBB:VVVVVVVV:PPPPPPPP" (bus, vendor, product in hex)
    std::string descriptorPath; // the parent's report_descriptor file
};

// Lists hidraw nodes; false when they cannot be listed.
using HidrawNodeLister = std::function<bool(std::vector<HidrawNode>&)>;

// Node listers: libudev (the default), and a plain walk of a sysfs tree below `sysRoot`
// (class/hidraw/<name>/device/{uevent,report_descriptor}), with device nodes in `devRoot`.
bool ListHidrawNodesUdev(std::vector<HidrawNode>& nodes);
// Looks one node up by its device path with libudev (no listing, no access to the node).
bool FindHidrawNodeUdev(const std::string& devnode, HidrawNode& node);
HidrawNodeLister SysfsHidrawLister(std::string sysRoot, std::string devRoot = "/dev");

// Parses "0003:0000260D:00001138".
bool ParseHidId(const std::string& hidId, uint32_t& bus, uint16_t& vendorId, uint16_t& productId);
// Splits a path into its node and collection index; false for a malformed suffix.
bool SplitHidrawPath(const std::string& path, std::string& devnode, int& collectionIndex);

// A connection over a file descriptor that keeps report boundaries: a hidraw node, or (in
// tests) one end of a SEQPACKET socket pair. The descriptor is owned and closed.
//
// A write to a hidraw node blocks in the kernel until the device takes the report (up to the
// USB driver's own time-out of several seconds), whatever the descriptor's flags. So that a
// write can be given up after its own time-out, or cancelled, such writes run on a helper
// thread of the connection (WriteMode::Background). Sockets never block (WriteMode::Direct).
enum class WriteMode { Auto, Direct, Background };

class HidrawConnection : public IHidConnection {
public:
    HidrawConnection(int fd, int collectionIndex, WriteMode mode = WriteMode::Auto);
    // For a descriptor that answers no hidraw ioctl: identity and report descriptor given.
    HidrawConnection(int fd, int collectionIndex, const HiddAttributes& attributes,
                     std::vector<uint8_t> reportDescriptor, WriteMode mode = WriteMode::Auto);
    ~HidrawConnection() override;

    HidPollTarget ReadTarget() const override;
    HidPollTarget WriteTarget() const override;
    ssize_t TryRead(uint8_t* buffer, size_t length) override;
    ssize_t TryWrite(const uint8_t* buffer, size_t length) override;
    void AbandonWrite() override;
    bool GetAttributes(HiddAttributes& attributes) override;
    bool GetReportDescriptor(std::vector<uint8_t>& descriptor) override;
    int CollectionIndex() const override { return collectionIndex_; }

    struct Shared; // the descriptor and the background writer's state

private:
    void StartWriter();

    std::shared_ptr<Shared> shared_; // owns the descriptor
    int collectionIndex_;
    bool socket_ = false;
    bool background_ = false;
    bool given_ = false;
    HiddAttributes attributes_;
    std::vector<uint8_t> descriptor_;
};

// How long a kept listing or presence answer stands without any change seen in the device folder
// (a folder whose nodes come and go without inotify events, as a bind mount can).
inline constexpr std::chrono::seconds kHidrawListingMaxAge{30};

class HidrawBackend : public IHidBackend {
public:
    HidrawBackend(); // libudev, watching /dev
    // `watchedDevRoot`: the folder whose hidraw nodes the lister lists; empty: nothing is kept.
    explicit HidrawBackend(HidrawNodeLister lister, const std::string& watchedDevRoot = {});
    ~HidrawBackend() override;

    bool Enumerate(std::vector<HidInterfaceInfo>& interfaces) override;
    std::unique_ptr<IHidConnection> Open(const std::string& path,
                                         const HidOpenFlags& flags) override;
    // The node still exists and belongs to the same plugged-in device (same HID parent) as
    // when it was last listed or opened. Nothing is opened.
    bool IsPresent(const std::string& path) override;
    // While a hidraw monitor watches the listed folder (device/Hotplug.h).
    bool AnnouncesChanges() const override;

private:
    class NodeWatch;
    struct KeptPresence {
        std::uint64_t generation;
        std::chrono::steady_clock::time_point time;
    };
    bool FindNode(const std::string& devnode, HidrawNode& node);

    HidrawNodeLister lister_;
    std::function<bool(const std::string&, HidrawNode&)> lookup_; // empty: search the listing
    std::string watchedRoot_;
    std::unique_ptr<NodeWatch> watch_; // null: nothing is kept
    std::mutex listingMutex_;          // one listing at a time; guards the kept listing
    std::optional<std::vector<HidInterfaceInfo>> keptListing_;
    std::uint64_t keptListingGeneration_ = 0;
    std::chrono::steady_clock::time_point keptListingTime_;
    std::mutex mutex_;
    std::map<std::string, std::string> knownParent_;   // devnode -> HID parent seen last
    std::map<std::string, KeptPresence> keptPresence_; // devnode -> when last found present
};

} // namespace zk::device
