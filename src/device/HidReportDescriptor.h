#pragma once
// HID report-descriptor parser: turns the descriptor bytes of one interface into the capability
// records that the rest of the device layer works with (one record per top-level collection),
// and extracts usages and values from reports.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zk::device {

// Parser status codes (the values of the Windows HID parser, so that logs read the same).
inline constexpr uint32_t kHidpStatusSuccess = 0x00110000u;
inline constexpr uint32_t kHidpStatusNull = 0x80110001u;
inline constexpr uint32_t kHidpStatusInvalidPreparsedData = 0xC0110001u;
inline constexpr uint32_t kHidpStatusInvalidReportType = 0xC0110002u;
inline constexpr uint32_t kHidpStatusInvalidReportLength = 0xC0110003u;
inline constexpr uint32_t kHidpStatusUsageNotFound = 0xC0110004u;
inline constexpr uint32_t kHidpStatusValueOutOfRange = 0xC0110005u;
inline constexpr uint32_t kHidpStatusBadLogPhyValues = 0xC0110006u;
inline constexpr uint32_t kHidpStatusBufferTooSmall = 0xC0110007u;
inline constexpr uint32_t kHidpStatusIncompatibleReportId = 0xC011000Au;

enum class HidReportType : uint8_t { Input = 0, Output = 1, Feature = 2 };
inline constexpr int kHidReportTypeCount = 3;

// Top-level capabilities of one collection. Report lengths count the report ID byte (which is
// 0 when the descriptor uses no report IDs); a length is 0 when the collection has no report of
// that type.
struct HidpCaps {
    uint16_t usage = 0;
    uint16_t usagePage = 0;
    uint16_t inputReportByteLength = 0;
    uint16_t outputReportByteLength = 0;
    uint16_t featureReportByteLength = 0;
    uint16_t numberLinkCollectionNodes = 0;
    uint16_t numberInputButtonCaps = 0;
    uint16_t numberInputValueCaps = 0;
    uint16_t numberInputDataIndices = 0;
    uint16_t numberOutputButtonCaps = 0;
    uint16_t numberOutputValueCaps = 0;
    uint16_t numberOutputDataIndices = 0;
    uint16_t numberFeatureButtonCaps = 0;
    uint16_t numberFeatureValueCaps = 0;
    uint16_t numberFeatureDataIndices = 0;
};

// Fields shared by button and value capabilities. A capability describes one main item (or one
// usage of a main item that lists several single usages). `bitPosition` is the offset of its
// first field in the report, in bits, counting the report ID byte as byte 0.
struct HidpCommonCaps {
    uint16_t usagePage = 0;
    uint8_t reportId = 0;
    uint8_t isAlias = 0;
    uint16_t bitField = 0; // the main item's data bits (Data/Constant, Array/Variable, ...)
    uint16_t linkCollection = 0;
    uint16_t linkUsage = 0;
    uint16_t linkUsagePage = 0;
    uint8_t isRange = 0;
    uint8_t isAbsolute = 0;
    uint16_t usageMin = 0; // equal to usageMax (the single usage) when isRange is 0
    uint16_t usageMax = 0;
    uint16_t dataIndexMin = 0;
    uint16_t dataIndexMax = 0;
    uint32_t bitPosition = 0;
    uint16_t bitSize = 0;
    uint16_t reportCount = 0;
    int32_t logicalMin = 0;
    int32_t logicalMax = 0;
    // Main items are numbered in descriptor order; the capabilities of one array field share
    // the number, and arrayUsageOffset is the array index of this capability's first usage.
    uint16_t fieldOrdinal = 0;
    uint32_t arrayUsageOffset = 0;
    bool IsArray() const { return (bitField & 0x02u) == 0; }
    uint16_t BytePosition() const { return static_cast<uint16_t>(bitPosition / 8); }
    uint8_t BitInByte() const { return static_cast<uint8_t>(bitPosition % 8); }
};

struct HidpButtonCaps : HidpCommonCaps {};

struct HidpValueCaps : HidpCommonCaps {
    uint8_t hasNull = 0;
    uint32_t unitsExp = 0;
    uint32_t units = 0;
    int32_t physicalMin = 0;
    int32_t physicalMax = 0;
};

// One top-level collection with everything its reports carry.
struct HidCollectionCaps {
    HidpCaps caps;
    std::vector<HidpButtonCaps> buttonCaps[kHidReportTypeCount];
    std::vector<HidpValueCaps> valueCaps[kHidReportTypeCount];
    std::vector<uint8_t> reportIds[kHidReportTypeCount]; // report IDs used per type, ascending

    bool HasReportId(HidReportType type, uint8_t id) const;
};

// The parsed form of a whole report descriptor.
struct HidPreparsedData {
    bool usesReportIds = false;
    std::vector<HidCollectionCaps> collections;
};

// Parses a report descriptor. Returns nothing (and a reason in `error`) for a descriptor that
// cannot be used: truncated items, unbalanced collections or push/pop, absurd sizes, no
// top-level collection.
std::optional<HidPreparsedData> ParseReportDescriptor(const uint8_t* data, size_t size,
                                                      std::string* error = nullptr);

// Largest number of usages of `usagePage` that can be on at once in one report of `type`
// (0 when the page has no button capability). usagePage 0 counts every page.
uint32_t HidpMaxUsageListLength(HidReportType type, uint16_t usagePage,
                                const HidCollectionCaps& collection);

// Lists the button usages of `usagePage` that are on in `report` (array fields and 1-bit
// variable fields). `*usageLength` is the room on entry and the count on return.
uint32_t HidpGetUsages(HidReportType type, uint16_t usagePage, const HidCollectionCaps& collection,
                       uint16_t* usageList, uint32_t* usageLength, const uint8_t* report,
                       uint32_t reportLength);

// Raw (unsigned bit field) value of a value usage in `report`.
uint32_t HidpGetUsageValue(HidReportType type, uint16_t usagePage, uint16_t usage,
                           const HidCollectionCaps& collection, uint32_t* value,
                           const uint8_t* report, uint32_t reportLength);

// Value of a value usage scaled from its logical to its physical range (the sign-extended
// logical value when no physical range is given).
uint32_t HidpGetScaledUsageValue(HidReportType type, uint16_t usagePage, uint16_t usage,
                                 const HidCollectionCaps& collection, int32_t* value,
                                 const uint8_t* report, uint32_t reportLength);

} // namespace zk::device
