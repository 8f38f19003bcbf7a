// Fuzz target of the report-descriptor parser and of the report readers that work on its
// result. A seed that is a descriptor test file (header lines starting with '#', then hex bytes)
// is decoded first, so that the shared real descriptors seed the run.
#include "device/HidReportDescriptor.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace zk::device;

namespace {

std::vector<uint8_t> DecodeHexText(const uint8_t* data, size_t size) {
    std::vector<uint8_t> out;
    bool comment = false;
    int nibbles = 0;
    uint8_t cur = 0;
    for (size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '\n') {
            comment = false;
            continue;
        }
        if (comment)
            continue;
        if (c == '#') {
            comment = true;
            continue;
        }
        int v = -1;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        if (v < 0) {
            nibbles = 0;
            continue;
        }
        cur = static_cast<uint8_t>((cur << 4) | v);
        if (++nibbles == 2) {
            out.push_back(cur);
            nibbles = 0;
        }
    }
    return out;
}

void Exercise(const std::vector<uint8_t>& descriptor, const uint8_t* tail, size_t tailSize) {
    const auto parsed = ParseReportDescriptor(descriptor.data(), descriptor.size());
    if (!parsed)
        return;
    // A report made from the input (or zeros), as long as each collection's longest report.
    for (const auto& c : parsed->collections) {
        for (int t = 0; t < kHidReportTypeCount; ++t) {
            const auto type = static_cast<HidReportType>(t);
            const uint16_t len = t == 0   ? c.caps.inputReportByteLength
                                 : t == 1 ? c.caps.outputReportByteLength
                                          : c.caps.featureReportByteLength;
            if (len == 0)
                continue;
            std::vector<uint8_t> report(len, 0);
            for (size_t i = 0; i < report.size() && i < tailSize; ++i)
                report[i] = tail[i];
            for (const auto& b : c.buttonCaps[t]) {
                report[0] = b.reportId;
                const uint32_t room = HidpMaxUsageListLength(type, b.usagePage, c);
                std::vector<uint16_t> usages(room + 1);
                uint32_t n = room;
                HidpGetUsages(type, b.usagePage, c, usages.data(), &n, report.data(),
                              static_cast<uint32_t>(report.size()));
            }
            for (const auto& v : c.valueCaps[t]) {
                report[0] = v.reportId;
                uint32_t raw = 0;
                int32_t scaled = 0;
                HidpGetUsageValue(type, v.usagePage, v.usageMax, c, &raw, report.data(),
                                  static_cast<uint32_t>(report.size()));
                HidpGetScaledUsageValue(type, v.usagePage, v.usageMin, c, &scaled, report.data(),
                                        static_cast<uint32_t>(report.size()));
                // A report shorter than the field must be refused, not read past.
                HidpGetUsageValue(type, v.usagePage, v.usageMin, c, &raw, report.data(), 1);
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0 && data[0] == '#') {
        Exercise(DecodeHexText(data, size), nullptr, 0);
        return 0;
    }
    Exercise(std::vector<uint8_t>(data, data + size), data, size);
    return 0;
}
