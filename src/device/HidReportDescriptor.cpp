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

// ---- Item format -------------------------------------------------------------------------
// A short item is one prefix byte (bits 0-1: data size 0, 1, 2 or 4 bytes; bits 2-3: type;
// bits 4-7: tag) and its little-endian data. A long item starts with kLongItemPrefix, then its
// data size and its own tag byte.

constexpr uint8_t kLongItemPrefix = 0xFE;
constexpr size_t kLongItemHeader = 3;

enum class ItemType : uint8_t { Main = 0, Global = 1, Local = 2, Reserved = 3 };

enum class MainTag : uint8_t {
    Input = 0x8,
    Output = 0x9,
    Collection = 0xA,
    Feature = 0xB,
    EndCollection = 0xC,
};

enum class GlobalTag : uint8_t {
    UsagePage = 0x0,
    LogicalMin = 0x1,
    LogicalMax = 0x2,
    PhysicalMin = 0x3,
    PhysicalMax = 0x4,
    UnitExponent = 0x5,
    Unit = 0x6,
    ReportSize = 0x7,
    ReportId = 0x8,
    ReportCount = 0x9,
    Push = 0xA,
    Pop = 0xB,
};

enum class LocalTag : uint8_t {
    Usage = 0x0,
    UsageMin = 0x1,
    UsageMax = 0x2,
    DesignatorIndex = 0x3,
    DesignatorMin = 0x4,
    DesignatorMax = 0x5,
    StringIndex = 0x7,
    StringMin = 0x8,
    StringMax = 0x9,
    Delimiter = 0xA,
};

// Data bits of an Input, Output or Feature item.
constexpr uint32_t kMainVariable = 0x02u;
constexpr uint32_t kMainRelative = 0x04u;
constexpr uint32_t kMainNullState = 0x40u;

// A usage given with four data bytes carries its page in the high half.
constexpr uint8_t kExtendedUsageSize = 4;

struct Item {
    ItemType type = ItemType::Reserved;
    uint8_t tag = 0;
    uint8_t size = 0; // data bytes
    uint32_t value = 0;
};

// ---- Parser state ------------------------------------------------------------------------

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

// The full usages (page in the high half) named by one usage entry.
struct UsageSpan {
    uint32_t min = 0;
    uint32_t max = 0;
};

// The part of a main item's fields that one capability describes.
struct Piece {
    UsageSpan usages;
    bool isRange = false;
    uint32_t firstField = 0;
    uint32_t count = 0;
    uint32_t arrayOffset = 0;
};

// What all capabilities of one main item share.
struct FieldLayout {
    size_t type = 0; // HidReportType as an index
    uint32_t bits = 0;
    uint32_t start = 0; // bit position of the first field
    uint16_t ordinal = 0;
    bool variable = false;
    bool isButton = false;
    int32_t logicalMax = 0;
    int32_t physicalMax = 0;
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

// A maximum below a non-negative minimum had its sign bit set; it is read unsigned.
int32_t EffectiveMax(int32_t min, int32_t max, uint32_t raw) {
    return (min >= 0 && max < min) ? static_cast<int32_t>(raw) : max;
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

uint16_t& ReportByteLength(HidpCaps& caps, size_t type) {
    uint16_t* lengths[kHidReportTypeCount] = {
        &caps.inputReportByteLength, &caps.outputReportByteLength, &caps.featureReportByteLength};
    return *lengths[type];
}

uint16_t& DataIndexCount(HidpCaps& caps, size_t type) {
    uint16_t* counts[kHidReportTypeCount] = {&caps.numberInputDataIndices,
                                             &caps.numberOutputDataIndices,
                                             &caps.numberFeatureDataIndices};
    return *counts[type];
}

class Parser {
public:
    std::optional<HidPreparsedData> Run(const uint8_t* data, size_t size, std::string* error);

private:
    bool Fail(const char* why) {
        error_ = why;
        return false;
    }
    bool ReadItem(const uint8_t* data, size_t size, size_t& pos, Item& item);
    bool Dispatch(const Item& item);
    void Summarize(size_t collection);

    // Item handlers, one per item type.
    bool Main(const Item& item);
    bool Global(const Item& item);
    bool Local(const Item& item);

    // Main items.
    bool OpenCollection();
    bool CloseCollection();
    CollectionNode NodeOfLocalUsage() const;
    void StartTopLevel(const CollectionNode& node);
    bool Field(HidReportType type, uint32_t bits);
    bool ClaimReportBits(size_t type, uint32_t fieldBits, uint32_t* start);
    FieldLayout Layout(size_t type, uint32_t bits, uint32_t start, uint16_t ordinal) const;
    std::vector<Piece> VariablePieces() const;
    std::vector<Piece> ArrayPieces() const;
    HidpValueCaps MakeCaps(const Piece& piece, const FieldLayout& f);
    void AddCaps(const std::vector<Piece>& pieces, const FieldLayout& f);

    // Global items.
    bool SetReportSize(uint32_t value);
    bool SetReportId(uint32_t value);
    bool SetReportCount(uint32_t value);
    bool Push();
    bool Pop();

    // Local items.
    void AddUsageRange(uint32_t max, bool extended);

    uint32_t Resolve(uint32_t usage, bool extended) const {
        return extended ? usage : (uint32_t{global_.usagePage} << 16) | (usage & 0xFFFF);
    }
    UsageSpan Resolve(const UsageEntry& u) const;

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
    bool ok = true;
    size_t pos = 0;
    while (ok && pos < size) {
        Item item;
        ok = ReadItem(data, size, pos, item) && Dispatch(item);
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
    for (size_t c = 0; c < result_.collections.size(); ++c)
        Summarize(c);
    return std::move(result_);
}

// Reads the item at `pos` and moves past it. A long item comes back as a reserved-type item,
// which no handler uses.
bool Parser::ReadItem(const uint8_t* data, size_t size, size_t& pos, Item& item) {
    const uint8_t prefix = data[pos];
    if (prefix == kLongItemPrefix) {
        if (pos + 2 >= size || pos + kLongItemHeader + data[pos + 1] > size)
            return Fail("truncated long item");
        pos += kLongItemHeader + data[pos + 1];
        item = Item{};
        return true;
    }
    const uint8_t sizeCode = prefix & 3u;
    item.size = sizeCode == 3 ? 4 : sizeCode;
    if (pos + 1 + item.size > size)
        return Fail("truncated item");
    item.value = 0;
    for (uint8_t i = 0; i < item.size; ++i)
        item.value |= uint32_t{data[pos + 1 + i]} << (8 * i);
    item.type = static_cast<ItemType>((prefix >> 2) & 3u);
    item.tag = prefix >> 4;
    pos += 1 + item.size;
    return true;
}

bool Parser::Dispatch(const Item& item) {
    switch (item.type) {
    case ItemType::Main:
        return Main(item);
    case ItemType::Global:
        return Global(item);
    case ItemType::Local:
        return Local(item);
    case ItemType::Reserved:
        break;
    }
    return true;
}

// Report lengths and capability counts of a top-level collection, once all items are read.
void Parser::Summarize(size_t collection) {
    HidCollectionCaps& col = result_.collections[collection];
    for (size_t t = 0; t < kHidReportTypeCount; ++t) {
        auto ids = tlcIds_[t][collection];
        std::sort(ids.begin(), ids.end());
        ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
        uint32_t maxBits = 0;
        for (uint8_t id : ids)
            maxBits = std::max(maxBits, reportBits_[t][id]);
        ReportByteLength(col.caps, t) =
            ids.empty() ? 0 : static_cast<uint16_t>((maxBits + 7) / 8 + 1);
        col.reportIds[t] = std::move(ids);
    }
    col.caps.numberInputButtonCaps = static_cast<uint16_t>(col.buttonCaps[0].size());
    col.caps.numberInputValueCaps = static_cast<uint16_t>(col.valueCaps[0].size());
    col.caps.numberOutputButtonCaps = static_cast<uint16_t>(col.buttonCaps[1].size());
    col.caps.numberOutputValueCaps = static_cast<uint16_t>(col.valueCaps[1].size());
    col.caps.numberFeatureButtonCaps = static_cast<uint16_t>(col.buttonCaps[2].size());
    col.caps.numberFeatureValueCaps = static_cast<uint16_t>(col.valueCaps[2].size());
}

// ---- Main items ----------------------------------------------------------------------------

bool Parser::Main(const Item& item) {
    bool ok = true;
    switch (static_cast<MainTag>(item.tag)) {
    case MainTag::Input:
        ok = Field(HidReportType::Input, item.value);
        break;
    case MainTag::Output:
        ok = Field(HidReportType::Output, item.value);
        break;
    case MainTag::Feature:
        ok = Field(HidReportType::Feature, item.value);
        break;
    case MainTag::Collection:
        ok = OpenCollection();
        break;
    case MainTag::EndCollection:
        ok = CloseCollection();
        break;
    }
    local_.Clear(); // every main item ends the local state
    return ok;
}

bool Parser::OpenCollection() {
    if (path_.size() >= kMaxDepth)
        return Fail("collections nested too deep");
    CollectionNode node = NodeOfLocalUsage();
    if (path_.empty())
        StartTopLevel(node);
    node.linkIndex = nextLinkIndex_++;
    top_->caps.numberLinkCollectionNodes = nextLinkIndex_;
    path_.push_back(node);
    return true;
}

bool Parser::CloseCollection() {
    if (path_.empty())
        return Fail("end collection without collection");
    path_.pop_back();
    if (path_.empty())
        top_ = nullptr;
    return true;
}

// A collection is named by the first usage of the local state (only its page without one).
CollectionNode Parser::NodeOfLocalUsage() const {
    CollectionNode node;
    if (local_.usages.empty()) {
        node.usagePage = global_.usagePage;
        return node;
    }
    const UsageEntry& u = local_.usages.front();
    const uint32_t full = Resolve(u.min, u.extendedMin);
    node.usagePage = static_cast<uint16_t>(full >> 16);
    node.usage = static_cast<uint16_t>(full & 0xFFFF);
    return node;
}

void Parser::StartTopLevel(const CollectionNode& node) {
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

bool Parser::Field(HidReportType type, uint32_t bits) {
    const auto t = static_cast<size_t>(type);
    const uint32_t fieldBits = global_.reportSize * global_.reportCount;
    uint32_t start = 0;
    if (!ClaimReportBits(t, fieldBits, &start))
        return false;
    if (!top_)
        return true; // a field outside any collection carries nothing we can name
    tlcIds_[t].back().push_back(global_.reportId);
    // Padding is a field without a usage. A constant field that names a usage
    // is a capability like any other (it reports a fixed value).
    if (fieldBits == 0 || local_.usages.empty())
        return true;

    const FieldLayout layout = Layout(t, bits, start, fieldOrdinal_++);
    const std::vector<Piece> pieces = layout.variable ? VariablePieces() : ArrayPieces();
    if (capCount_ + pieces.size() > kMaxCaps)
        return Fail("too many capabilities");
    capCount_ += pieces.size();
    AddCaps(pieces, layout);
    return true;
}

// Places a field of `fieldBits` after the earlier fields of its report; `*start` is its first
// bit, counting the report ID byte as byte 0.
bool Parser::ClaimReportBits(size_t type, uint32_t fieldBits, uint32_t* start) {
    uint32_t& used = reportBits_[type][global_.reportId];
    if (used + fieldBits > kMaxReportBits)
        return Fail("report too long");
    *start = used + 8;
    used += fieldBits;
    return true;
}

FieldLayout Parser::Layout(size_t type, uint32_t bits, uint32_t start, uint16_t ordinal) const {
    FieldLayout f;
    f.type = type;
    f.bits = bits;
    f.start = start;
    f.ordinal = ordinal;
    f.variable = (bits & kMainVariable) != 0;
    f.isButton = !f.variable || global_.reportSize == 1;
    f.logicalMax = EffectiveMax(global_.logicalMin, global_.logicalMax, global_.logicalMaxRaw);
    f.physicalMax = EffectiveMax(global_.physicalMin, global_.physicalMax, global_.physicalMaxRaw);
    return f;
}

// The full first and last usage of an entry. A range whose maximum lies below its minimum or
// on another page names its minimum only; a short maximum takes an extended minimum's page.
UsageSpan Parser::Resolve(const UsageEntry& u) const {
    UsageSpan s;
    s.min = Resolve(u.min, u.extendedMin);
    s.max = u.isRange ? Resolve(u.max, u.extendedMax) : s.min;
    if (u.isRange && !u.extendedMax && u.extendedMin)
        s.max = (s.min & 0xFFFF0000u) | (u.max & 0xFFFF);
    if (s.max < s.min || (s.max >> 16) != (s.min >> 16))
        s.max = s.min;
    return s;
}

// A variable item gives each usage its own fields, in order; a range longer than the fields
// left is cut to them, and the last usage covers all fields left.
std::vector<Piece> Parser::VariablePieces() const {
    std::vector<Piece> pieces;
    const uint32_t fields = global_.reportCount;
    uint32_t field = 0;
    for (size_t i = 0; i < local_.usages.size() && field < fields; ++i) {
        const UsageEntry& u = local_.usages[i];
        UsageSpan s = Resolve(u);
        uint32_t count = std::min(s.max - s.min + 1, fields - field);
        s.max = s.min + count - 1;
        if (i + 1 == local_.usages.size())
            count = fields - field;
        pieces.push_back({s, u.isRange && s.max > s.min, field, count, 0});
        field += count;
    }
    return pieces;
}

// An array item shares all its fields among its usages, which are numbered across the item.
std::vector<Piece> Parser::ArrayPieces() const {
    std::vector<Piece> pieces;
    uint32_t offset = 0;
    for (const UsageEntry& u : local_.usages) {
        const UsageSpan s = Resolve(u);
        pieces.push_back({s, u.isRange, 0, global_.reportCount, offset});
        offset += s.max - s.min + 1;
    }
    return pieces;
}

HidpValueCaps Parser::MakeCaps(const Piece& p, const FieldLayout& f) {
    const CollectionNode& link = path_.back();
    const uint32_t indices = p.usages.max - p.usages.min + 1;
    const bool bitmap = f.isButton && f.variable; // on/off bits carry no logical range
    HidpValueCaps c;
    c.usagePage = static_cast<uint16_t>(p.usages.min >> 16);
    c.reportId = global_.reportId;
    c.bitField = static_cast<uint16_t>(f.bits);
    c.linkCollection = link.linkIndex;
    c.linkUsage = link.usage;
    c.linkUsagePage = link.usagePage;
    c.isRange = p.isRange ? 1 : 0;
    c.isAbsolute = (f.bits & kMainRelative) ? 0 : 1;
    c.usageMin = static_cast<uint16_t>(p.usages.min & 0xFFFF);
    c.usageMax = static_cast<uint16_t>(p.usages.max & 0xFFFF);
    c.dataIndexMin = dataIndex_[f.type];
    c.dataIndexMax = static_cast<uint16_t>(dataIndex_[f.type] + indices - 1);
    dataIndex_[f.type] = static_cast<uint16_t>(dataIndex_[f.type] + indices);
    c.bitPosition = f.start + p.firstField * global_.reportSize;
    c.bitSize = static_cast<uint16_t>(global_.reportSize);
    c.reportCount = static_cast<uint16_t>(p.count);
    c.fieldOrdinal = f.ordinal;
    c.arrayUsageOffset = p.arrayOffset;
    c.logicalMin = bitmap ? 0 : global_.logicalMin;
    c.logicalMax = bitmap ? 0 : f.logicalMax;
    c.hasNull = (f.bits & kMainNullState) ? 1 : 0;
    c.unitsExp = global_.unitExp;
    c.units = global_.unit;
    c.physicalMin = global_.physicalMin;
    c.physicalMax = f.physicalMax;
    return c;
}

void Parser::AddCaps(const std::vector<Piece>& pieces, const FieldLayout& f) {
    std::vector<HidpButtonCaps> buttons;
    std::vector<HidpValueCaps> values;
    for (const Piece& p : pieces) {
        HidpValueCaps c = MakeCaps(p, f);
        if (f.isButton)
            buttons.push_back(static_cast<HidpButtonCaps&>(static_cast<HidpCommonCaps&>(c)));
        else
            values.push_back(c);
    }
    // The Windows parser lists the capabilities of one variable field with several single
    // usages last usage first; tools and dumps follow that order.
    if (f.variable) {
        std::reverse(buttons.begin(), buttons.end());
        std::reverse(values.begin(), values.end());
    }
    auto& bc = top_->buttonCaps[f.type];
    bc.insert(bc.end(), buttons.begin(), buttons.end());
    auto& vc = top_->valueCaps[f.type];
    vc.insert(vc.end(), values.begin(), values.end());
    DataIndexCount(top_->caps, f.type) = dataIndex_[f.type];
}

// ---- Global items --------------------------------------------------------------------------

bool Parser::Global(const Item& item) {
    const uint32_t v = item.value;
    switch (static_cast<GlobalTag>(item.tag)) {
    case GlobalTag::UsagePage:
        global_.usagePage = static_cast<uint16_t>(v);
        break;
    case GlobalTag::LogicalMin:
        global_.logicalMin = SignExtend(v, item.size);
        break;
    case GlobalTag::LogicalMax:
        global_.logicalMax = SignExtend(v, item.size);
        global_.logicalMaxRaw = v;
        global_.logicalMaxSize = item.size;
        break;
    case GlobalTag::PhysicalMin:
        global_.physicalMin = SignExtend(v, item.size);
        break;
    case GlobalTag::PhysicalMax:
        global_.physicalMax = SignExtend(v, item.size);
        global_.physicalMaxRaw = v;
        global_.physicalMaxSize = item.size;
        break;
    case GlobalTag::UnitExponent:
        global_.unitExp = v;
        break;
    case GlobalTag::Unit:
        global_.unit = v;
        break;
    case GlobalTag::ReportSize:
        return SetReportSize(v);
    case GlobalTag::ReportId:
        return SetReportId(v);
    case GlobalTag::ReportCount:
        return SetReportCount(v);
    case GlobalTag::Push:
        return Push();
    case GlobalTag::Pop:
        return Pop();
    }
    return true;
}

bool Parser::SetReportSize(uint32_t value) {
    if (value > kMaxReportSize)
        return Fail("report size too large");
    global_.reportSize = value;
    return true;
}

bool Parser::SetReportId(uint32_t value) {
    if (value == 0 || value > 0xFF)
        return Fail("bad report ID");
    global_.reportId = static_cast<uint8_t>(value);
    result_.usesReportIds = true;
    return true;
}

bool Parser::SetReportCount(uint32_t value) {
    if (value > kMaxReportBits)
        return Fail("report count too large");
    global_.reportCount = value;
    return true;
}

bool Parser::Push() {
    if (stack_.size() >= kMaxPushDepth)
        return Fail("push too deep");
    stack_.push_back(global_);
    return true;
}

bool Parser::Pop() {
    if (stack_.empty())
        return Fail("pop without push");
    global_ = stack_.back();
    stack_.pop_back();
    return true;
}

// ---- Local items ---------------------------------------------------------------------------

bool Parser::Local(const Item& item) {
    if (local_.usages.size() >= kMaxUsagesPerItem)
        return Fail("too many usages");
    const bool extended = item.size == kExtendedUsageSize;
    switch (static_cast<LocalTag>(item.tag)) {
    case LocalTag::Usage:
        local_.usages.push_back({item.value, item.value, extended, extended, false});
        break;
    case LocalTag::UsageMin:
        local_.haveMin = true;
        local_.pendingMin = item.value;
        local_.pendingMinExtended = extended;
        break;
    case LocalTag::UsageMax:
        AddUsageRange(item.value, extended);
        break;
    case LocalTag::DesignatorIndex:
    case LocalTag::DesignatorMin:
    case LocalTag::DesignatorMax:
    case LocalTag::StringIndex:
    case LocalTag::StringMin:
    case LocalTag::StringMax:
    case LocalTag::Delimiter:
        break; // nothing the capabilities carry
    }
    return true;
}

void Parser::AddUsageRange(uint32_t max, bool extended) {
    if (!local_.haveMin)
        return; // a maximum without a minimum names nothing
    UsageEntry e;
    e.min = local_.pendingMin;
    e.extendedMin = local_.pendingMinExtended;
    e.max = max;
    e.extendedMax = extended;
    e.isRange = true;
    local_.usages.push_back(e);
    local_.haveMin = false;
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
