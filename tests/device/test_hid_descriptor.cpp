// The report-descriptor parser against descriptors of real devices (facts stated by their
// sources: top-level collections, report IDs, and Windows capability dumps) and against the
// emulator's own descriptors.
#include "device/HidReportDescriptor.h"
#include "device/RdescFile.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

using namespace zk::device;

namespace {

zktest::RdescFile Load(const std::string& name) {
    const auto dir = zktest::SharedHidDir();
    if (dir.empty())
        return {};
    return zktest::ReadRdesc(dir / name);
}

#define LOAD_OR_SKIP(var, name)                                                                    \
    const zktest::RdescFile var = Load(name);                                                      \
    if (!var.ok)                                                                                   \
    GTEST_SKIP() << "shared HID test data not found"

HidPreparsedData ParseOk(const std::vector<uint8_t>& bytes) {
    std::string error;
    auto parsed = ParseReportDescriptor(bytes.data(), bytes.size(), &error);
    EXPECT_TRUE(parsed.has_value()) << error;
    return parsed ? *parsed : HidPreparsedData{};
}

// ---- Windows capability dumps quoted in the file headers -----------------------------------

struct ExpectedCap {
    std::map<std::string, long> f;
};
struct ExpectedGroup {
    long length = -1;
    long numberOfCaps = -1;
    std::vector<ExpectedCap> caps;
};
struct ExpectedCollection {
    long usagePage = 0;
    long usage = 0;
    ExpectedGroup groups[3];
};

bool IsWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// "Name=0x1F Other=-5 ..." -> {Name: 31, Other: -5}
std::map<std::string, long> KeyValues(const std::string& text) {
    std::map<std::string, long> out;
    for (size_t eq = text.find('='); eq != std::string::npos; eq = text.find('=', eq + 1)) {
        size_t b = eq;
        while (b > 0 && IsWordChar(text[b - 1]))
            --b;
        size_t e = eq + 1;
        if (e < text.size() && text[e] == '-')
            ++e;
        while (e < text.size() && IsWordChar(text[e]))
            ++e;
        if (b == eq || e == eq + 1)
            continue;
        out[text.substr(b, eq - b)] = std::stol(text.substr(eq + 1, e - eq - 1), nullptr, 0);
    }
    return out;
}

std::map<std::string, ExpectedCollection> PpDataFacts(const zktest::RdescFile& file) {
    static const std::string kPrefix = "expect: [";
    static const std::string kTag = ".pp_data] ";
    std::map<std::string, ExpectedCollection> out;
    for (const auto& h : file.header) {
        const size_t tag = h.find(kTag);
        if (h.rfind(kPrefix, 0) != 0 || tag == std::string::npos)
            continue;
        const std::string dump = h.substr(kPrefix.size(), tag + 8 - kPrefix.size());
        const std::string body = h.substr(tag + kTag.size());
        ExpectedCollection& c = out[dump];
        const auto kv = KeyValues(body);
        if (body.rfind("dev->usage_page", 0) == 0) {
            c.usagePage = kv.at("usage_page");
            c.usage = kv.at("usage");
            continue;
        }
        int t = -1;
        std::string rest;
        for (int k = 0; k < 3; ++k) {
            const std::string name = k == 0 ? "Input" : k == 1 ? "Output" : "Feature";
            if (body.rfind(name, 0) == 0) {
                t = k;
                rest = body.substr(name.size());
            }
        }
        if (t < 0)
            continue;
        if (rest.rfind(":", 0) == 0) {
            c.groups[t].length = kv.at("ReportByteLength");
            c.groups[t].numberOfCaps = kv.at("NumberOfCaps");
        } else if (rest.rfind(" cap[", 0) == 0) {
            c.groups[t].caps.push_back({kv});
        }
    }
    return out;
}

const HidCollectionCaps* FindCollection(const HidPreparsedData& parsed,
                                        const ExpectedCollection& e) {
    long id = -1;
    for (const auto& g : e.groups)
        if (!g.caps.empty() && id < 0)
            id = g.caps.front().f.at("ReportID");
    for (const auto& c : parsed.collections) {
        if (c.caps.usagePage != e.usagePage || c.caps.usage != e.usage)
            continue;
        if (id < 0 || c.HasReportId(HidReportType::Input, static_cast<uint8_t>(id)) ||
            c.HasReportId(HidReportType::Output, static_cast<uint8_t>(id)))
            return &c;
    }
    return nullptr;
}

void CheckCap(const HidpCommonCaps& c, const ExpectedCap& e, const std::string& where) {
    const auto& f = e.f;
    SCOPED_TRACE(where);
    EXPECT_EQ(c.usagePage, f.at("UsagePage"));
    if (f.count("Usage")) {
        EXPECT_EQ(c.usageMin, f.at("Usage"));
    } else {
        EXPECT_EQ(c.usageMin, f.at("UsageMin"));
        EXPECT_EQ(c.usageMax, f.at("UsageMax"));
    }
    EXPECT_EQ(c.reportId, f.at("ReportID"));
    EXPECT_EQ(c.BytePosition(), f.at("BytePosition"));
    EXPECT_EQ(c.BitInByte(), f.at("BitPosition"));
    EXPECT_EQ(c.bitSize, f.at("BitSize"));
    EXPECT_EQ(c.reportCount, f.at("ReportCount"));
    EXPECT_EQ(c.isRange, f.at("IsRange"));
    EXPECT_EQ(c.logicalMin, f.at("LogicalMin"));
    EXPECT_EQ(c.logicalMax, f.at("LogicalMax"));
    EXPECT_EQ(c.linkUsagePage, f.at("LinkUsagePage"));
    EXPECT_EQ(c.linkUsage, f.at("LinkUsage"));
}

void CheckAgainstDumps(const std::string& fileName, size_t expectedCollections) {
    const zktest::RdescFile file = Load(fileName);
    if (!file.ok)
        GTEST_SKIP() << "shared HID test data not found";
    const HidPreparsedData parsed = ParseOk(file.bytes);
    const auto facts = PpDataFacts(file);
    ASSERT_EQ(facts.size(), expectedCollections) << "facts read from the header";
    for (const auto& [dump, e] : facts) {
        SCOPED_TRACE(dump);
        const HidCollectionCaps* c = FindCollection(parsed, e);
        ASSERT_NE(c, nullptr);
        const uint16_t lengths[3] = {c->caps.inputReportByteLength, c->caps.outputReportByteLength,
                                     c->caps.featureReportByteLength};
        for (int t = 0; t < 3; ++t) {
            const ExpectedGroup& g = e.groups[t];
            EXPECT_EQ(lengths[t], g.length) << "report type " << t;
            EXPECT_EQ(c->buttonCaps[t].size() + c->valueCaps[t].size(),
                      static_cast<size_t>(g.numberOfCaps))
                << "report type " << t;
            // The dump lists button and value capabilities in one sequence; each kind keeps its
            // relative order in ours.
            size_t nextButton = 0, nextValue = 0;
            for (const ExpectedCap& cap : g.caps) {
                if (cap.f.at("IsButtonCap")) {
                    ASSERT_LT(nextButton, c->buttonCaps[t].size());
                    CheckCap(c->buttonCaps[t][nextButton++], cap, "button cap");
                } else {
                    ASSERT_LT(nextValue, c->valueCaps[t].size());
                    CheckCap(c->valueCaps[t][nextValue++], cap, "value cap");
                }
            }
        }
    }
}

struct Tlc {
    uint16_t usagePage;
    uint16_t usage;
    std::vector<uint8_t> reportIds; // as the source's decode lists them
};

void CheckCollections(const std::string& fileName, const std::vector<Tlc>& expected) {
    const zktest::RdescFile file = Load(fileName);
    if (!file.ok)
        GTEST_SKIP() << "shared HID test data not found";
    const HidPreparsedData parsed = ParseOk(file.bytes);
    ASSERT_EQ(parsed.collections.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("collection " + std::to_string(i + 1));
        const auto& c = parsed.collections[i];
        EXPECT_EQ(c.caps.usagePage, expected[i].usagePage);
        EXPECT_EQ(c.caps.usage, expected[i].usage);
        for (uint8_t id : expected[i].reportIds) {
            const bool used = c.HasReportId(HidReportType::Input, id) ||
                              c.HasReportId(HidReportType::Output, id) ||
                              c.HasReportId(HidReportType::Feature, id);
            EXPECT_TRUE(used) << "report ID " << int(id);
        }
    }
}

} // namespace

TEST(HidDescriptorRealDevices, CapabilitiesMatchWindowsDumps) {
    CheckAgainstDumps("bt-mouse-046d-b010.rdesc.txt", 5);
    CheckAgainstDumps("usb-receiver-046d-c534-consumer-tlc.rdesc.txt", 1);
    CheckAgainstDumps("usb-keyboard-046a-0011-noid.rdesc.txt", 1);
}

TEST(HidDescriptorRealDevices, TopLevelCollectionsAndReportIds) {
    CheckCollections("ite-keyboard-06cb-2968.rdesc.txt", {{0xFF85, 0x95, {90}},
                                                          {0x01, 0x06, {1}},
                                                          {0x0C, 0x01, {2}},
                                                          {0x01, 0x0C, {3}},
                                                          {0x88, 0x01, {4}},
                                                          {0x01, 0x80, {5}}});
    CheckCollections("apple-wireless-keyboard-05ac-0256.rdesc.txt",
                     {{0x01, 0x06, {1}}, {0x0C, 0x01, {71}}, {0x0C, 0x01, {17, 18, 19, 9}}});
    CheckCollections("usb-mouse-24ae-2015.rdesc.txt", {{0x01, 0x02, {1}},
                                                       {0x0C, 0x01, {2}},
                                                       {0x01, 0x80, {3}},
                                                       {0x01, 0x00, {5}},
                                                       {0xFF00, 0x0E, {186}}});
    // Parsed as captured, with the device's faulty array item.
    CheckCollections("usb-keyboard-04d9-0339-second-if.rdesc.txt",
                     {{0x01, 0x80, {1}}, {0x0C, 0x01, {2}}, {0x01, 0x02, {3}}, {0x01, 0x06, {4}}});
}

TEST(HidDescriptorRealDevices, FieldsNamedBySources) {
    {
        LOAD_OR_SKIP(apple, "apple-wireless-keyboard-05ac-0256.rdesc.txt");
        // The Fn key state is usage 0xFF0003 (page 0x00FF, usage 3) in report 17.
        const HidPreparsedData p = ParseOk(apple.bytes);
        ASSERT_EQ(p.collections.size(), 3u);
        bool found = false;
        for (const auto& v : p.collections[2].valueCaps[0])
            found |=
                v.usagePage == 0x00FF && v.usageMin <= 3 && v.usageMax >= 3 && v.reportId == 17;
        for (const auto& b : p.collections[2].buttonCaps[0])
            found |=
                b.usagePage == 0x00FF && b.usageMin <= 3 && b.usageMax >= 3 && b.reportId == 17;
        EXPECT_TRUE(found);
    }
    {
        LOAD_OR_SKIP(rapoo, "usb-mouse-24ae-2015.rdesc.txt");
        // The original descriptor names buttons 1 to 3 only (Usage Maximum (3) at offset 16).
        ASSERT_EQ(rapoo.bytes.at(16), 0x29);
        const HidPreparsedData p = ParseOk(rapoo.bytes);
        ASSERT_FALSE(p.collections.empty());
        ASSERT_FALSE(p.collections[0].buttonCaps[0].empty());
        const auto& buttons = p.collections[0].buttonCaps[0].front();
        EXPECT_EQ(buttons.usagePage, 0x09);
        EXPECT_EQ(buttons.usageMin, 1);
        EXPECT_EQ(buttons.usageMax, 3);
    }
    {
        LOAD_OR_SKIP(kbd, "usb-mouse-258a-0027-kbd-if.rdesc.txt");
        EXPECT_EQ(kbd.bytes.size(), 213u);
        const HidPreparsedData p = ParseOk(kbd.bytes);
        ASSERT_FALSE(p.collections.empty());
        EXPECT_EQ(p.collections[0].caps.usage, kbd.bytes[3]); // 0x06: the keyboard interface
        EXPECT_EQ(p.collections[0].caps.usage, 0x06);
    }
    {
        LOAD_OR_SKIP(mouse, "usb-mouse-04d9-a09f-noid.rdesc.txt");
        EXPECT_EQ(mouse.bytes.size(), 71u);
        const HidPreparsedData p = ParseOk(mouse.bytes);
        ASSERT_FALSE(p.usesReportIds);
        // Y is a signed 16-bit value at data bytes 3 and 4 of a report without an ID byte,
        // which is byte 4 when the (absent) ID counts as byte 0.
        bool found = false;
        for (const auto& c : p.collections)
            for (const auto& v : c.valueCaps[0])
                if (v.usagePage == 0x01 && v.usageMin <= 0x31 && v.usageMax >= 0x31) {
                    const uint32_t bit = v.bitPosition + (0x31u - v.usageMin) * v.bitSize;
                    EXPECT_EQ(bit, 4u * 8u);
                    EXPECT_EQ(v.bitSize, 16);
                    EXPECT_LT(v.logicalMin, 0);
                    found = true;
                }
        EXPECT_TRUE(found);
    }
    {
        LOAD_OR_SKIP(other, "usb-keyboard-0951-16be.rdesc.txt");
        EXPECT_EQ(other.bytes.size(), 245u);
        EXPECT_FALSE(ParseOk(other.bytes).collections.empty());
    }
}

TEST(HidDescriptorReports, UsagesAndValuesOfRealReports) {
    LOAD_OR_SKIP(b010, "bt-mouse-046d-b010.rdesc.txt");
    const HidPreparsedData p = ParseOk(b010.bytes);
    ASSERT_GE(p.collections.size(), 5u);
    const HidCollectionCaps& mouse = p.collections[0];
    // Report 2: buttons 1 and 3, X = -5 and Y = +300 as 12-bit fields, wheel -1.
    const int16_t x = -5, y = 300;
    const uint16_t ux = static_cast<uint16_t>(x) & 0xFFF, uy = static_cast<uint16_t>(y) & 0xFFF;
    uint8_t report[7] = {0x02,
                         0x05,
                         static_cast<uint8_t>(ux & 0xFF),
                         static_cast<uint8_t>((ux >> 8) | ((uy & 0x0F) << 4)),
                         static_cast<uint8_t>(uy >> 4),
                         0xFF,
                         0x00};
    uint16_t usages[8] = {};
    uint32_t n = 8;
    ASSERT_EQ(HidpGetUsages(HidReportType::Input, 0x09, mouse, usages, &n, report, 7),
              kHidpStatusSuccess);
    ASSERT_EQ(n, 2u);
    EXPECT_EQ(usages[0], 1);
    EXPECT_EQ(usages[1], 3);
    uint32_t raw = 0;
    int32_t scaled = 0;
    ASSERT_EQ(HidpGetUsageValue(HidReportType::Input, 0x01, 0x30, mouse, &raw, report, 7),
              kHidpStatusSuccess);
    EXPECT_EQ(raw, ux);
    ASSERT_EQ(HidpGetScaledUsageValue(HidReportType::Input, 0x01, 0x30, mouse, &scaled, report, 7),
              kHidpStatusSuccess);
    EXPECT_EQ(scaled, -5);
    ASSERT_EQ(HidpGetScaledUsageValue(HidReportType::Input, 0x01, 0x31, mouse, &scaled, report, 7),
              kHidpStatusSuccess);
    EXPECT_EQ(scaled, 300);
    ASSERT_EQ(HidpGetScaledUsageValue(HidReportType::Input, 0x01, 0x38, mouse, &scaled, report, 7),
              kHidpStatusSuccess);
    EXPECT_EQ(scaled, -1);

    // Room for one usage only: the call says so and reports how many it needs.
    n = 1;
    EXPECT_EQ(HidpGetUsages(HidReportType::Input, 0x09, mouse, usages, &n, report, 7),
              kHidpStatusBufferTooSmall);
    EXPECT_EQ(n, 2u);
    // A report of another collection's ID, and a report too short for the field.
    report[0] = 0x03;
    n = 8;
    EXPECT_EQ(HidpGetUsages(HidReportType::Input, 0x09, mouse, usages, &n, report, 7),
              kHidpStatusIncompatibleReportId);
    report[0] = 0x02;
    EXPECT_EQ(HidpGetUsageValue(HidReportType::Input, 0x01, 0x38, mouse, &raw, report, 4),
              kHidpStatusInvalidReportLength);
    EXPECT_EQ(HidpGetUsageValue(HidReportType::Input, 0x01, 0x99, mouse, &raw, report, 7),
              kHidpStatusUsageNotFound);

    // The keyboard collection: modifiers as a bitmap, keys as an array; empty slots are 0.
    const HidCollectionCaps& kbd = p.collections[4];
    const uint8_t keys[9] = {0x04, 0x02 /* left shift */, 0, 0x04 /* a */, 0x1D /* z */, 0, 0, 0,
                             0};
    n = 8;
    ASSERT_EQ(HidpGetUsages(HidReportType::Input, 0x07, kbd, usages, &n, keys, 9),
              kHidpStatusSuccess);
    ASSERT_EQ(n, 3u);
    EXPECT_EQ(usages[0], 0xE1);
    EXPECT_EQ(usages[1], 0x04);
    EXPECT_EQ(usages[2], 0x1D);
    EXPECT_EQ(HidpMaxUsageListLength(HidReportType::Input, 0x07, kbd), 8u + 6u);
}

TEST(HidDescriptorReports, ConsumerArrayOfTheReceiver) {
    LOAD_OR_SKIP(c534, "usb-receiver-046d-c534-consumer-tlc.rdesc.txt");
    const HidPreparsedData p = ParseOk(c534.bytes);
    ASSERT_EQ(p.collections.size(), 1u);
    const uint8_t report[5] = {0x03, 0xE9, 0x00, 0x23, 0x02}; // volume up, AC home
    uint16_t usages[2] = {};
    uint32_t n = 2;
    ASSERT_EQ(HidpGetUsages(HidReportType::Input, 0x0C, p.collections[0], usages, &n, report, 5),
              kHidpStatusSuccess);
    ASSERT_EQ(n, 2u);
    EXPECT_EQ(usages[0], 0xE9);
    EXPECT_EQ(usages[1], 0x223);
    EXPECT_EQ(HidpMaxUsageListLength(HidReportType::Input, 0x0C, p.collections[0]), 2u);
}

TEST(HidDescriptorMalformed, RejectedWithAReason) {
    const std::vector<std::vector<uint8_t>> bad = {
        {},                                                     // nothing
        {0x05, 0x01, 0x09, 0x02, 0xA1},                         // truncated item
        {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01},                   // collection never ended
        {0xC0},                                                 // end without collection
        {0xB4},                                                 // pop without push
        {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x75, 0x40, 0xC0}, // 64-bit fields
        {0x85, 0x00, 0xA1, 0x01, 0xC0},                         // report ID 0
        {0xFE, 0x05, 0x01},                                     // truncated long item
    };
    for (const auto& d : bad) {
        std::string error;
        EXPECT_FALSE(ParseReportDescriptor(d.data(), d.size(), &error).has_value());
        EXPECT_FALSE(error.empty());
    }
    // Fields that would make a report longer than any device sends.
    std::vector<uint8_t> huge = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01};
    for (int i = 0; i < 40; ++i) {
        const std::vector<uint8_t> field = {0x09, 0x30, 0x75, 0x20, 0x96, 0x00, 0x04, 0x81, 0x02};
        huge.insert(huge.end(), field.begin(), field.end());
    }
    huge.push_back(0xC0);
    EXPECT_FALSE(ParseReportDescriptor(huge.data(), huge.size()).has_value());
}

namespace {

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::vector<uint8_t> Repeat(const std::vector<uint8_t>& bytes, int times) {
    std::vector<uint8_t> out;
    for (int i = 0; i < times; ++i)
        out.insert(out.end(), bytes.begin(), bytes.end());
    return out;
}

} // namespace

TEST(HidDescriptorMalformed, AbsurdCountsRejectedWithAReason) {
    // Each body parses with a modest count and is refused, with a reason, with an absurd one.
    const std::vector<uint8_t> oneByteField = {0x75, 0x08, 0x95, 0x01, 0x81, 0x02};
    const std::vector<uint8_t> hundredBits = {0x75, 0x01, 0x95, 0x64};
    struct Case {
        const char* what;
        std::function<std::vector<uint8_t>(int)> body;
        int modest, absurd;
    };
    const Case cases[] = {
        {"usages of one field",
         [&](int n) {
             return Join({Repeat({0x09, 0x30}, n), oneByteField});
         },
         10, 5000},
        {"pushes",
         [](int n) {
             return Join({Repeat({0xA4}, n), Repeat({0xB4}, n)});
         },
         4, 100},
        {"nested collections",
         [](int n) {
             return Join({Repeat({0xA1, 0x00}, n), Repeat({0xC0}, n)});
         },
         4, 100},
        {"capabilities",
         [&](int n) {
             return Repeat(Join({hundredBits, Repeat({0x09, 0x01}, 100), {0x81, 0x02}}), n);
         },
         2, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto descriptor = [&](int n) {
            return Join({{0x05, 0x01, 0x09, 0x02, 0xA1, 0x01}, c.body(n), {0xC0}});
        };
        EXPECT_FALSE(ParseOk(descriptor(c.modest)).collections.empty());
        const auto d = descriptor(c.absurd);
        std::string error;
        EXPECT_FALSE(ParseReportDescriptor(d.data(), d.size(), &error).has_value());
        EXPECT_FALSE(error.empty());
    }
}

TEST(HidDescriptorMalformed, ReportIdTakesTheFirstByteOnlyWhenUsed) {
    // Two output fields, the second given by an extended (page in the high half) usage.
    const std::vector<uint8_t> d = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15,
                                    0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x02,
                                    0x09, 0x10, 0x91, 0x02, 0x0B, 0x20, 0x00, 0x0C,
                                    0x00, 0x95, 0x01, 0x75, 0x10, 0x91, 0x02, 0xC0};
    const HidPreparsedData p = ParseOk(d);
    ASSERT_EQ(p.collections.size(), 1u);
    const auto& c = p.collections[0];
    EXPECT_FALSE(p.usesReportIds);
    EXPECT_EQ(c.caps.outputReportByteLength, 1 + 2 + 2);
    EXPECT_EQ(c.caps.inputReportByteLength, 0);
    ASSERT_EQ(c.valueCaps[1].size(), 2u);
    EXPECT_EQ(c.valueCaps[1][1].usagePage, 0x0C);
    EXPECT_EQ(c.valueCaps[1][1].usageMin, 0x20);
    EXPECT_EQ(c.valueCaps[1][1].BytePosition(), 3);
}

TEST(HidDescriptorReports, ConstantFieldsCountWithAUsageAndPadWithout) {
    // Vendor collection: a constant feature byte that names usage 0x30, then a
    // constant input byte with no usage (padding) and a data input byte.
    const std::vector<uint8_t> d = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00,
                                    0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x01, 0x09, 0x30,
                                    0xB1, 0x03, 0x81, 0x03, 0x09, 0x31, 0x81, 0x02, 0xC0};
    const HidPreparsedData p = ParseOk(d);
    ASSERT_EQ(p.collections.size(), 1u);
    const auto& caps = p.collections[0].caps;
    EXPECT_EQ(caps.numberFeatureValueCaps, 1);
    EXPECT_EQ(caps.featureReportByteLength, 2);
    EXPECT_EQ(caps.numberInputValueCaps, 1); // the padding byte is no capability
    EXPECT_EQ(caps.inputReportByteLength, 3);
    ASSERT_EQ(p.collections[0].valueCaps[2].size(), 1u);
    EXPECT_EQ(p.collections[0].valueCaps[2][0].usageMin, 0x30);
}
