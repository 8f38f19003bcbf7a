#pragma once
// hidraw nodes for the hidraw back end without hardware: a sysfs tree as the kernel lays it out
// (class/hidraw/<node> -> the HID parent with its uevent and report_descriptor) and device
// nodes that are plain files. A node can refuse opening: mode 0000, and the thread that opens it
// runs without root's right to ignore file modes (FileModesApply), so open() fails with EACCES
// as it does for a user without the device rule.

#include "support/TempDir.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zktest {

// Writes node `node` ("hidraw3") of HID parent `parent` with identity `hidId`
// ("0003:0000260D:00001138") and report descriptor `descriptor` into the sysfs
// tree at `sys`: class/hidraw/<node> -> devices/<parent>/hidraw/<node>. A node
// of that name listed before is replaced.
void AddSysfsHidrawNode(const std::filesystem::path& sys, const std::string& node,
                        const std::string& parent, const std::string& hidId,
                        const std::vector<std::uint8_t>& descriptor);

class FakeHidrawTree {
public:
    FakeHidrawTree();
    // Adds node `node` to the sysfs tree (AddSysfsHidrawNode) and its device node.
    void AddNode(const std::string& node, const std::string& parent, const std::string& hidId,
                 const std::vector<std::uint8_t>& descriptor, bool refusesOpening);
    std::string SysRoot() const;
    std::string DevRoot() const;
    std::string DevNode(const std::string& node) const { return DevRoot() + "/" + node; }

private:
    TempDir dir_;
};

// While it lives, the calling thread (and the threads it starts) obeys file modes even when the
// process runs as root: the effective capabilities that override them are dropped, and given
// back afterwards. Applies() is false where they cannot be dropped.
class FileModesApply {
public:
    FileModesApply();
    ~FileModesApply();
    FileModesApply(const FileModesApply&) = delete;
    FileModesApply& operator=(const FileModesApply&) = delete;
    bool Applies() const { return applies_; }

private:
    bool dropped_ = false;
    bool applies_ = false;
    std::uint32_t saved_[2] = {0, 0};
};

} // namespace zktest
