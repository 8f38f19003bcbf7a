#include "profiles/ProfileFile.h"

#include "platform/FileIo.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <string>
#include <vector>

using namespace zk::profiles;

namespace {

void WriteRaw(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> Header(uint16_t tag) {
    std::vector<uint8_t> h(16, 0);
    h[0] = 0xAA;
    h[1] = 0x55;
    h[4] = static_cast<uint8_t>(tag);
    return h;
}

TEST(ProfileFile, WritesHeaderAndBodyAndReadsThemBack) {
    zktest::TempDir dir;
    std::array<uint8_t, 576> body{};
    for (size_t i = 0; i < body.size(); ++i)
        body[i] = static_cast<uint8_t>(i * 5 + 1);
    ASSERT_TRUE(WriteProfileFile(dir / "p.config", body, DeviceTag::Mousepad));

    const auto raw = zk::platform::ReadWholeFile(dir / "p.config");
    ASSERT_TRUE(raw);
    ASSERT_EQ(raw->size(), 16u + 576u);
    const std::vector<uint8_t> header(raw->begin(), raw->begin() + 16);
    EXPECT_EQ(header, Header(3));
    EXPECT_EQ(static_cast<uint8_t>((*raw)[16 + 575]), body[575]);

    std::array<uint8_t, 576> back{};
    EXPECT_EQ(ReadProfileFile(dir / "p.config", back), kProfileRead);
    EXPECT_EQ(back, body);
    // A rewrite replaces the whole file, shorter bodies included.
    ASSERT_TRUE(WriteProfileFile(dir / "p.config", std::span(body).first(10), DeviceTag::Mouse));
    EXPECT_EQ(zk::platform::ReadWholeFile(dir / "p.config")->size(), 26u);
}

TEST(ProfileFile, ResultsForMissingAndMalformedFiles) {
    zktest::TempDir dir;
    std::array<uint8_t, 8> buffer{};
    EXPECT_EQ(ReadProfileFile(dir / "none.led", buffer), kProfileMissing);
    EXPECT_EQ(ReadProfileFile(dir.path(), buffer), kProfileMissing); // a folder

    WriteRaw(dir / "empty.led", {});
    EXPECT_EQ(ReadProfileFile(dir / "empty.led", buffer), kProfileBadFormat);
    WriteRaw(dir / "one.led", {0xAA});
    EXPECT_EQ(ReadProfileFile(dir / "one.led", buffer), kProfileBadFormat);
    WriteRaw(dir / "swapped.led", {0x55, 0xAA, 0, 0, 2, 0});
    EXPECT_EQ(ReadProfileFile(dir / "swapped.led", buffer), kProfileBadFormat);
    // Only the magic counts: a cut header reads as a file without body.
    WriteRaw(dir / "cut.led", {0xAA, 0x55, 9});
    buffer.fill(0x77);
    EXPECT_EQ(ReadProfileFile(dir / "cut.led", buffer), kProfileRead);
    EXPECT_EQ(buffer[0], 0x77);
}

TEST(ProfileFile, ShortBodyKeepsTheRestAndLongBodyIsCut) {
    zktest::TempDir dir;
    auto bytes = Header(7); // a tag no device has still loads
    for (int i = 0; i < 5; ++i)
        bytes.push_back(static_cast<uint8_t>(0x10 + i));
    WriteRaw(dir / "short.config", bytes);
    std::array<uint8_t, 8> buffer;
    buffer.fill(0xEE);
    EXPECT_EQ(ReadProfileFile(dir / "short.config", buffer), kProfileRead);
    EXPECT_EQ(buffer, (std::array<uint8_t, 8>{0x10, 0x11, 0x12, 0x13, 0x14, 0xEE, 0xEE, 0xEE}));

    std::array<uint8_t, 3> small;
    small.fill(0);
    EXPECT_EQ(ReadProfileFile(dir / "short.config", small), kProfileRead);
    EXPECT_EQ(small, (std::array<uint8_t, 3>{0x10, 0x11, 0x12}));
}

TEST(ProfileFile, NamesMatchWithoutRegardToCase) {
    zktest::TempDir dir;
    const std::array<uint8_t, 4> body{1, 2, 3, 4};
    ASSERT_TRUE(WriteProfileFile(dir / "keys.pro", body, DeviceTag::Keyboard));
    std::array<uint8_t, 4> back{};
    EXPECT_EQ(ReadProfileFile(dir / "keys.PRO", back), kProfileRead);
    EXPECT_EQ(back, body);

    // Writing under another case replaces the existing file instead of adding one.
    const std::array<uint8_t, 4> other{9, 9, 9, 9};
    ASSERT_TRUE(WriteProfileFile(dir / "KEYS.Pro", other, DeviceTag::Keyboard));
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 1);
    EXPECT_EQ(ReadProfileFile(dir / "keys.pro", back), kProfileRead);
    EXPECT_EQ(back, other);
}

TEST(ProfileFile, UnwritablePlaceLeavesTheOldFile) {
    zktest::TempDir dir;
    const std::array<uint8_t, 2> body{1, 2};
    EXPECT_FALSE(WriteProfileFile(dir / "missing-folder" / "x.led", body, DeviceTag::Mouse));
    EXPECT_FALSE(std::filesystem::exists(dir / "missing-folder"));
    std::filesystem::create_directory(dir / "taken.led");
    EXPECT_FALSE(WriteProfileFile(dir / "taken.led", body, DeviceTag::Mouse));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "taken.led"));
}

} // namespace
