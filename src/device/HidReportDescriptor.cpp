#include "device/HidReportDescriptor.h"

#include <algorithm>
#include <map>

namespace zk::device {

namespace {

// Limits that keep a hostile descriptor from costing unbounded memory or time.
constexpr size_t kMaxDepth = 32;
constexpr size_t kMaxPushDepth = 16;
constexpr size_t kMaxUsagesPerItem = 4096;
constexpr size_t kMaxCaps = 4096;
constexpr uint32_t kMaxReportBits = 8u * 4096u;
constexpr uint32_t kMaxReportSize = 32;

struct GlobalState {
    uint16_t usagePage = 0;
    int32_t logicalMin = 0;
    int32_t logicalMax = 0;
    int32_t physicalMin = 0;
    int32_t physicalMax = 0;
    uint32_t unitExp = 0;
    uint32_t unit = 0;
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint8_t reportId = 0;
    // Raw (unsigned) forms of the logical and physical maxima, for the usual reading of a
    // maximum whose sign bit is set while its minimum is not negative.
    uint32_t logicalMaxRaw = 0;
    uint32_t physicalMaxRaw = 0;
    uint8_t logicalMaxSize = 0;
    uint8_t physicalMaxSize = 0;
};

// A usage entry of the local state: a single usage or a range, extended (page in the high half)
// when given with four bytes.
struct UsageEntry {
    uint32_t min = 0;
    uint32_t max = 0;
    bool extendedMin = false;
    bool extendedMax = false;
    bool isRange = false;
};

struct LocalState {
    std::vector<UsageEntry> usages;
    bool haveMin = false;
    uint32_t pendingMin = 0;
    bool pendingMinExtended = false;
    void Clear() {
        usages.clear();
        haveMin = false;
        pendingMin = 0;
        pendingMinExtended = false;
    }
};

struct CollectionNode {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    uint16_t linkIndex = 0; // index within its top-level collection
};

int32_t SignExtend(uint32_t v, uint8_t size) {
    switch (size) {
    case 1:
        return static_cast<int8_t>(v & 0xFF);
    case 2:
        return static_cast<int16_t>(v & 0xFFFF);
    case 4:
        return static_cast<int32_t>(v);
    default:
        return 0;
    }
}

uint32_t ReadBits(const uint8_t* report, uint32_t bitPos, uint32_t bitSize) {
    uint64_t v = 0;
    for (uint32_t i = 0; i < bitSize; ++i) {
        const uint32_t b = bitPos + i;
        if ((report[b / 8] >> (b % 8)) & 1u)
            v |= (uint64_t{1} << i);
    }
    return static_cast<uint32_t>(v);
}

int32_t ToSigned(uint32_t raw, uint32_t bitSize) {
    if (bitSize == 0 || bitSize >= 32)
        return static_cast<int32_t>(raw);
    if (raw & (1u << (bitSize - 1)))
        return static_cast<int32_t>(raw | ~((1u << bitSize) - 1u));
    return static_cast<int32_t>(raw);
}

class Parser {
public:
    std::optional<HidPreparsedData> Run(const uint8_t* data, size_t size, std::string* error);

private:
    bool Fail(const char* why) {
        error_ = why;
        return false;
    }
    bool Main(uint8_t tag, uint32_t value);
    bool Field(HidReportType type, uint32_t bits);
    uint32_t Resolve(uint32_t usage, bool extended) const {
        return extended ? usage : (uint32_t{global_.usagePage} << 16) | (usage & 0xFFFF);
    }

    GlobalState global_;
    std::vector<GlobalState> stack_;
    LocalState local_;
    std::vector<CollectionNode> path_;
    HidPreparsedData result_;
    HidCollectionCaps* top_ = nullptr;
    uint16_t nextLinkIndex_ = 0;
    uint16_t dataIndex_[kHidReportTypeCount] = {};
    uint16_t fieldOrdinal_ = 0;
    size_t capCount_ = 0;
    // Bits used so far per report type and report ID, across the whole descriptor.
    std::map<uint8_t, uint32_t> reportBits_[kHidReportTypeCount];
    // Report IDs used per report type and top-level collection index.
    std::vector<std::vector<uint8_t>> tlcIds_[kHidReportTypeCount];
    std::string error_;
};

std::optional<HidPreparsedData> Parser::Run(const uint8_t* data, size_t size, std::string* error) {
    size_t pos = 0;
    bool ok = true;
    while (ok && pos < size) {
        const uint8_t prefix = data[pos];
        if (prefix == 0xFE) { // long item: skipped
            if (pos + 2 >= size) {
                ok = Fail("truncated long item");
                break;
            }
            const size_t len = data[pos + 1];
            if (pos + 3 + len > size) {
                ok = Fail("truncated long item");
                break;
            }
            pos += 3 + len;
            continue;
        }
        uint8_t len = prefix & 3u;
        if (len == 3)
            len = 4;
        if (pos + 1 + len > size) {
            ok = Fail("truncated item");
            break;
        }
        uint32_t value = 0;
        for (uint8_t i = 0; i < len; ++i)
            value |= uint32_t{data[pos + 1 + i]} << (8 * i);
        const uint8_t type = (prefix >> 2) & 3u;
        const uint8_t tag = prefix >> 4;
        pos += 1 + len;

        if (type == 0) {
            ok = Main(tag, value);
        } else if (type == 1) {
            switch (tag) {
            case 0x0:
                global_.usagePage = static_cast<uint16_t>(value);
                break;
            case 0x1:
                global_.logicalMin = SignExtend(value, len);
                break;
            case 0x2:
                global_.logicalMax = SignExtend(value, len);
                global_.logicalMaxRaw = value;
                global_.logicalMaxSize = len;
                break;
            case 0x3:
                global_.physicalMin = SignExtend(value, len);
                break;
            case 0x4:
                global_.physicalMax = SignExtend(value, len);
                global_.physicalMaxRaw = value;
                global_.physicalMaxSize = len;
                break;
            case 0x5:
                global_.unitExp = value;
                break;
            case 0x6:
                global_.unit = value;
                break;
            case 0x7:
                if (value > kMaxReportSize)
                    ok = Fail("report size too large");
                global_.reportSize = value;
                break;
            case 0x8:
                if (value == 0 || value > 0xFF)
                    ok = Fail("bad report ID");
                global_.reportId = static_cast<uint8_t>(value);
                result_.usesReportIds = true;
                break;
            case 0x9:
                if (value > kMaxReportBits)
                    ok = Fail("report count too large");
                global_.reportCount = value;
                break;
            case 0xA:
                if (stack_.size() >= kMaxPushDepth)
                    ok = Fail("push too deep");
                else
                    stack_.push_back(global_);
                break;
            case 0xB:
                if (stack_.empty()) {
                    ok = Fail("pop without push");
                } else {
                    global_ = stack_.back();
                    stack_.pop_back();
                }
                break;
            default:
                break;
            }
        } else if (type == 2) {
            if (local_.usages.size() >= kMaxUsagesPerItem)
                return Fail("too many usages"), std::nullopt;
            switch (tag) {
            case 0x0: {
                UsageEntry e;
                e.min = e.max = value;
                e.extendedMin = e.extendedMax = (len == 4);
                local_.usages.push_back(e);
                break;
            }
            case 0x1:
                local_.haveMin = true;
                local_.pendingMin = value;
                local_.pendingMinExtended = (len == 4);
                break;
            case 0x2: {
                if (!local_.haveMin)
                    break; // a maximum without a minimum names nothing
                UsageEntry e;
                e.min = local_.pendingMin;
                e.extendedMin = local_.pendingMinExtended;
                e.max = value;
                e.extendedMax = (len == 4);
                e.isRange = true;
                local_.usages.push_back(e);
                local_.haveMin = false;
                break;
            }
            default:
                break;
            }
        }
    }
    if (ok && !path_.empty())
        ok = Fail("unterminated collection");
    if (ok && result_.collections.empty())
        ok = Fail("no top-level collection");
    if (!ok) {
        if (error)
            *error = error_;
        return std::nullopt;
    }

    for (size_t c = 0; c < result_.collections.size(); ++c) {
        HidCollectionCaps& col = result_.collections[c];
        uint16_t* lengths[kHidReportTypeCount] = {&col.caps.inputReportByteLength,
                                                  &col.caps.outputReportByteLength,
                                                  &col.caps.featureReportByteLength};
        for (int t = 0; t < kHidReportTypeCount; ++t) {
            auto ids = tlcIds_[t][c];
            std::sort(ids.begin(), ids.end());
            ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
            uint32_t maxBits = 0;
            for (uint8_t id : ids)
                maxBits = std::max(maxBits, reportBits_[t][id]);
            *lengths[t] = ids.empty() ? 0 : static_cast<uint16_t>((maxBits + 7) / 8 + 1);
            col.reportIds[t] = std::move(ids);
        }
        col.caps.numberInputButtonCaps = static_cast<uint16_t>(col.buttonCaps[0].size());
        col.caps.numberInputValueCaps = static_cast<uint16_t>(col.valueCaps[0].size());
        col.caps.numberOutputButtonCaps = static_cast<uint16_t>(col.buttonCaps[1].size());
        col.caps.numberOutputValueCaps = static_cast<uint16_t>(col.valueCaps[1].size());
        col.caps.numberFeatureButtonCaps = static_cast<uint16_t>(col.buttonCaps[2].size());
        col.caps.numberFeatureValueCaps = static_cast<uint16_t>(col.valueCaps[2].size());
    }
    return std::move(result_);
}

bool Parser::Main(uint8_t tag, uint32_t value) {
    bool ok = true;
    switch (tag) {
    case 0xA: { // Collection
        if (path_.size() >= kMaxDepth)
            return Fail("collections nested too deep");
        CollectionNode node;
        if (!local_.usages.empty()) {
            const UsageEntry& u = local_.usages.front();
            const uint32_t full = Resolve(u.min, u.extendedMin);
            node.usagePage = static_cast<uint16_t>(full >> 16);
            node.usage = static_cast<uint16_t>(full & 0xFFFF);
        } else {
            node.usagePage = global_.usagePage;
        }
        if (path_.empty()) {
            HidCollectionCaps col;
            col.caps.usagePage = node.usagePage;
            col.caps.usage = node.usage;
            result_.collections.push_back(std::move(col));
            top_ = &result_.collections.back();
            for (auto& ids : tlcIds_)
                ids.emplace_back();
            nextLinkIndex_ = 0;
            std::fill(std::begin(dataIndex_), std::end(dataIndex_), uint16_t{0});
        }
        node.linkIndex = nextLinkIndex_++;
        top_->caps.numberLinkCollectionNodes = nextLinkIndex_;
        path_.push_back(node);
        (void)value;
        break;
    }
    case 0xC: // End Collection
        if (path_.empty())
            return Fail("end collection without collection");
        path_.pop_back();
        if (path_.empty())
            top_ = nullptr;
        break;
    case 0x8:
        ok = Field(HidReportType::Input, value);
        break;
    case 0x9:
        ok = Field(HidReportType::Output, value);
        break;
    case 0xB:
        ok = Field(HidReportType::Feature, value);
        break;
    default:
        break;
    }
    local_.Clear();
    return ok;
}

bool Parser::Field(HidReportType type, uint32_t bits) {
    const auto t = static_cast<size_t>(type);
    const uint32_t fieldBits = global_.reportSize * global_.reportCount;
    uint32_t& used = reportBits_[t][global_.reportId];
    const uint32_t start = used + 8; // the report ID byte is byte 0
    if (used + fieldBits > kMaxReportBits)
        return Fail("report too long");
    used += fieldBits;
    if (!top_)
        return true; // a field outside any collection carries nothing we can name
    tlcIds_[t].back().push_back(global_.reportId);

    const bool constant = (bits & 0x01u) != 0;
    const bool variable = (bits & 0x02u) != 0;
    if (constant || fieldBits == 0 || local_.usages.empty())
        return true; // padding
    const uint16_t ordinal = fieldOrdinal_++;

    int32_t logicalMax = global_.logicalMax;
    if (global_.logicalMin >= 0 && logicalMax < global_.logicalMin)
        logicalMax = static_cast<int32_t>(global_.logicalMaxRaw);
    int32_t physicalMax = global_.physicalMax;
    if (global_.physicalMin >= 0 && physicalMax < global_.physicalMin)
        physicalMax = static_cast<int32_t>(global_.physicalMaxRaw);

    const CollectionNode& link = path_.back();
    const bool isButton = !variable || global_.reportSize == 1;

    struct Piece {
        uint32_t min, max; // full usages
        bool isRange;
        uint32_t firstField, count;
        uint32_t arrayOffset;
    };
    std::vector<Piece> pieces;
    if (variable) {
        uint32_t field = 0;
        for (size_t i = 0; i < local_.usages.size() && field < global_.reportCount; ++i) {
            const UsageEntry& u = local_.usages[i];
            uint32_t min = Resolve(u.min, u.extendedMin);
            uint32_t max = u.isRange ? Resolve(u.max, u.extendedMax) : min;
            if (u.isRange && !u.extendedMax && u.extendedMin)
                max = (min & 0xFFFF0000u) | (u.max & 0xFFFF);
            if (max < min || (max >> 16) != (min >> 16))
                max = min;
            const bool last = (i + 1 == local_.usages.size());
            uint32_t span = max - min + 1;
            uint32_t count = std::min(span, global_.reportCount - field);
            if (span > count)
                max = min + count - 1;
            if (last)
                count = global_.reportCount - field; // the last usage covers the rest
            pieces.push_back({min, max, u.isRange && max > min, field, count, 0});
            field += count;
        }
    } else {
        uint32_t offset = 0;
        for (const UsageEntry& u : local_.usages) {
            uint32_t min = Resolve(u.min, u.extendedMin);
            uint32_t max = u.isRange ? Resolve(u.max, u.extendedMax) : min;
            if (u.isRange && !u.extendedMax && u.extendedMin)
                max = (min & 0xFFFF0000u) | (u.max & 0xFFFF);
            if (max < min || (max >> 16) != (min >> 16))
                max = min;
            pieces.push_back({min, max, u.isRange, 0, global_.reportCount, offset});
            offset += max - min + 1;
        }
    }
    if (capCount_ + pieces.size() > kMaxCaps)
        return Fail("too many capabilities");
    capCount_ += pieces.size();

    std::vector<HidpButtonCaps> buttons;
    std::vector<HidpValueCaps> values;
    for (const Piece& p : pieces) {
        HidpValueCaps c;
        c.usagePage = static_cast<uint16_t>(p.min >> 16);
        c.reportId = global_.reportId;
        c.bitField = static_cast<uint16_t>(bits);
        c.linkCollection = link.linkIndex;
        c.linkUsage = link.usage;
        c.linkUsagePage = link.usagePage;
        c.isRange = p.isRange ? 1 : 0;
        c.isAbsolute = (bits & 0x04u) ? 0 : 1;
        c.usageMin = static_cast<uint16_t>(p.min & 0xFFFF);
        c.usageMax = static_cast<uint16_t>(p.max & 0xFFFF);
        const uint32_t indices = variable ? (p.max - p.min + 1) : (p.max - p.min + 1);
        c.dataIndexMin = dataIndex_[t];
        c.dataIndexMax = static_cast<uint16_t>(dataIndex_[t] + indices - 1);
        dataIndex_[t] = static_cast<uint16_t>(dataIndex_[t] + indices);
        c.bitPosition = start + p.firstField * global_.reportSize;
        c.bitSize = static_cast<uint16_t>(global_.reportSize);
        c.reportCount = static_cast<uint16_t>(p.count);
        c.fieldOrdinal = ordinal;
        c.arrayUsageOffset = p.arrayOffset;
        if (isButton && variable) {
            c.logicalMin = 0;
            c.logicalMax = 0;
        } else {
            c.logicalMin = global_.logicalMin;
            c.logicalMax = logicalMax;
        }
        c.hasNull = (bits & 0x40u) ? 1 : 0;
        c.unitsExp = global_.unitExp;
        c.units = global_.unit;
        c.physicalMin = global_.physicalMin;
        c.physicalMax = physicalMax;
        if (isButton)
            buttons.push_back(static_cast<HidpButtonCaps&>(static_cast<HidpCommonCaps&>(c)));
        else
            values.push_back(c);
    }
    // The Windows parser lists the capabilities of one variable field with several single
    // usages last usage first; tools and dumps follow that order.
    if (variable) {
        std::reverse(buttons.begin(), buttons.end());
        std::reverse(values.begin(), values.end());
    }
    auto& bc = top_->buttonCaps[t];
    bc.insert(bc.end(), buttons.begin(), buttons.end());
    auto& vc = top_->valueCaps[t];
    vc.insert(vc.end(), values.begin(), values.end());
    uint16_t* dataCount[kHidReportTypeCount] = {&top_->caps.numberInputDataIndices,
                                                &top_->caps.numberOutputDataIndices,
                                                &top_->caps.numberFeatureDataIndices};
    *dataCount[t] = dataIndex_[t];
    return true;
}

template <typename Caps> bool ReportFits(const Caps& c, uint32_t reportLength) {
    const uint64_t end = uint64_t{c.bitPosition} + uint64_t{c.bitSize} * c.reportCount;
    return end <= uint64_t{reportLength} * 8;
}

} // namespace

bool HidCollectionCaps::HasReportId(HidReportType type, uint8_t id) const {
    const auto& ids = reportIds[static_cast<size_t>(type)];
    return std::binary_search(ids.begin(), ids.end(), id);
}

std::optional<HidPreparsedData> ParseReportDescriptor(const uint8_t* data, size_t size,
                                                      std::string* error) {
    if (!data && size > 0) {
        if (error)
            *error = "no data";
        return std::nullopt;
    }
    Parser parser;
    return parser.Run(data, size, error);
}

uint32_t HidpMaxUsageListLength(HidReportType type, uint16_t usagePage,
                                const HidCollectionCaps& collection) {
    uint32_t total = 0;
    int lastArray = -1;
    for (const auto& c : collection.buttonCaps[static_cast<size_t>(type)]) {
        if (usagePage != 0 && c.usagePage != usagePage)
            continue;
        if (c.IsArray()) {
            if (c.fieldOrdinal == lastArray)
                continue; // one array field, several usage ranges
            lastArray = c.fieldOrdinal;
        }
        total += c.reportCount;
    }
    return total;
}

uint32_t HidpGetUsages(HidReportType type, uint16_t usagePage, const HidCollectionCaps& collection,
                       uint16_t* usageList, uint32_t* usageLength, const uint8_t* report,
                       uint32_t reportLength) {
    if (!usageLength || !report || reportLength == 0)
        return kHidpStatusInvalidReportLength;
    const auto& caps = collection.buttonCaps[static_cast<size_t>(type)];
    bool pageSeen = false;
    bool idSeen = false;
    uint32_t found = 0;
    const uint32_t room = usageList ? *usageLength : 0;
    auto emit = [&](uint16_t usage) {
        if (found < room)
            usageList[found] = usage;
        ++found;
    };
    int doneArray = -1;
    for (const auto& c : caps) {
        if (c.usagePage != usagePage)
            continue;
        pageSeen = true;
        if (c.reportId != report[0])
            continue;
        idSeen = true;
        if (!ReportFits(c, reportLength))
            return kHidpStatusInvalidReportLength;
        if (!c.IsArray()) {
            for (uint32_t i = 0; i < c.reportCount; ++i) {
                if (ReadBits(report, c.bitPosition + i * c.bitSize, c.bitSize) == 0)
                    continue;
                const uint32_t u =
                    c.isRange ? std::min<uint32_t>(c.usageMin + i, c.usageMax) : c.usageMin;
                emit(static_cast<uint16_t>(u));
            }
            continue;
        }
        if (c.fieldOrdinal == doneArray)
            continue;
        doneArray = c.fieldOrdinal;
        for (uint32_t i = 0; i < c.reportCount; ++i) {
            uint32_t raw = ReadBits(report, c.bitPosition + i * c.bitSize, c.bitSize);
            int64_t v = c.logicalMin < 0 ? ToSigned(raw, c.bitSize) : int64_t{raw};
            if (v < c.logicalMin || v > c.logicalMax)
                continue;
            const uint64_t index = static_cast<uint64_t>(v - c.logicalMin);
            // Find the usage range of this array field that holds the index.
            for (const auto& r : caps) {
                if (r.fieldOrdinal != c.fieldOrdinal || r.reportId != c.reportId)
                    continue;
                const uint64_t span = uint64_t{r.usageMax} - r.usageMin + 1;
                if (index >= r.arrayUsageOffset && index < r.arrayUsageOffset + span) {
                    const uint32_t u =
                        static_cast<uint32_t>(r.usageMin + index - r.arrayUsageOffset);
                    if (u != 0)
                        emit(static_cast<uint16_t>(u));
                    break;
                }
            }
        }
    }
    if (!pageSeen)
        return kHidpStatusUsageNotFound;
    if (!idSeen)
        return kHidpStatusIncompatibleReportId;
    *usageLength = found;
    if (found > room)
        return kHidpStatusBufferTooSmall;
    return kHidpStatusSuccess;
}

namespace {

const HidpValueCaps* FindValue(HidReportType type, uint16_t usagePage, uint16_t usage,
                               const HidCollectionCaps& collection, uint8_t reportId,
                               uint32_t* fieldIndex, uint32_t* status) {
    bool seen = false;
    for (const auto& c : collection.valueCaps[static_cast<size_t>(type)]) {
        if (c.usagePage != usagePage || usage < c.usageMin || usage > c.usageMax)
            continue;
        seen = true;
        if (c.reportId != reportId)
            continue;
        *fieldIndex = c.isRange ? std::min<uint32_t>(usage - c.usageMin, c.reportCount - 1u) : 0;
        return &c;
    }
    *status = seen ? kHidpStatusIncompatibleReportId : kHidpStatusUsageNotFound;
    return nullptr;
}

// Finds the value field of `usage` for the report's ID and reads its raw bits.
uint32_t ReadRawValue(HidReportType type, uint16_t usagePage, uint16_t usage,
                      const HidCollectionCaps& collection, const uint8_t* report,
                      uint32_t reportLength, const HidpValueCaps** caps, uint32_t* raw) {
    if (!report || reportLength == 0)
        return kHidpStatusInvalidReportLength;
    uint32_t index = 0;
    uint32_t status = kHidpStatusSuccess;
    const HidpValueCaps* c =
        FindValue(type, usagePage, usage, collection, report[0], &index, &status);
    if (!c)
        return status;
    if (!ReportFits(*c, reportLength))
        return kHidpStatusInvalidReportLength;
    *caps = c;
    *raw = ReadBits(report, c->bitPosition + index * c->bitSize, c->bitSize);
    return kHidpStatusSuccess;
}

} // namespace

uint32_t HidpGetUsageValue(HidReportType type, uint16_t usagePage, uint16_t usage,
                           const HidCollectionCaps& collection, uint32_t* value,
                           const uint8_t* report, uint32_t reportLength) {
    if (!value)
        return kHidpStatusInvalidReportLength;
    const HidpValueCaps* c = nullptr;
    uint32_t raw = 0;
    const uint32_t status =
        ReadRawValue(type, usagePage, usage, collection, report, reportLength, &c, &raw);
    if (status == kHidpStatusSuccess)
        *value = raw;
    return status;
}

uint32_t HidpGetScaledUsageValue(HidReportType type, uint16_t usagePage, uint16_t usage,
                                 const HidCollectionCaps& collection, int32_t* value,
                                 const uint8_t* report, uint32_t reportLength) {
    if (!value)
        return kHidpStatusInvalidReportLength;
    const HidpValueCaps* c = nullptr;
    uint32_t raw = 0;
    const uint32_t status =
        ReadRawValue(type, usagePage, usage, collection, report, reportLength, &c, &raw);
    if (status != kHidpStatusSuccess)
        return status;
    const int64_t logical = c->logicalMin < 0 ? int64_t{ToSigned(raw, c->bitSize)} : int64_t{raw};
    if (c->logicalMax <= c->logicalMin)
        return kHidpStatusBadLogPhyValues;
    if (logical < c->logicalMin || logical > c->logicalMax) {
        *value = 0;
        return c->hasNull ? kHidpStatusNull : kHidpStatusValueOutOfRange;
    }
    int64_t physMin = c->physicalMin;
    int64_t physMax = c->physicalMax;
    if (physMin == 0 && physMax == 0) {
        physMin = c->logicalMin;
        physMax = c->logicalMax;
    }
    if (physMax <= physMin)
        return kHidpStatusBadLogPhyValues;
    const int64_t scaled = physMin + (logical - c->logicalMin) * (physMax - physMin) /
                                         (int64_t{c->logicalMax} - c->logicalMin);
    *value = static_cast<int32_t>(scaled);
    return kHidpStatusSuccess;
}

} // namespace zk::device
