// A process killed at random moments while it saves profiles and index
// entries never leaves a file that fails to read.
#include "profiles/ProfileFile.h"
#include "profiles/ProfileIndex.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <csignal>
#include <random>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace zk::profiles;

namespace {

constexpr size_t kBody = 2470;

std::array<uint8_t, kBody> Filled(uint8_t value) {
    std::array<uint8_t, kBody> body;
    body.fill(value);
    return body;
}

[[noreturn]] void SaveForever(const std::filesystem::path& folder) {
    ProfileIndex index(DeviceKind::Keyboard, folder / "kbProfile.ini");
    for (unsigned round = 1;; ++round) {
        const uint8_t value = static_cast<uint8_t>(round);
        WriteProfileFile(folder / "profile1.config", Filled(value), DeviceTag::Keyboard);
        index.SetName(ProfileKind::Device, static_cast<int>(round % 3),
                      "name" + std::to_string(round));
        index.SetSelected(ProfileKind::Device, static_cast<int>(round));
    }
}

TEST(CrashSafety, KilledSavesLeaveReadableFiles) {
    zktest::TempDir dir;
    // Files exist before the first kill.
    ASSERT_TRUE(WriteProfileFile(dir / "profile1.config", Filled(0), DeviceTag::Keyboard));
    ProfileIndex index(DeviceKind::Keyboard, dir / "kbProfile.ini");
    ASSERT_TRUE(index.SetSelected(ProfileKind::Device, 0));

    std::mt19937 rng(20261209);
    for (int round = 0; round < 25; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            SaveForever(dir.path());
        std::this_thread::sleep_for(std::chrono::microseconds(500 + rng() % 15000));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));

        std::array<uint8_t, kBody> body;
        body.fill(0xEE);
        ASSERT_EQ(ReadProfileFile(dir / "profile1.config", body), kProfileRead) << round;
        const auto size = std::filesystem::file_size(dir / "profile1.config");
        ASSERT_EQ(size, 16 + kBody) << round;
        for (uint8_t b : body)
            ASSERT_EQ(b, body[0]) << round; // one whole version, never a mix

        // The index parses and holds a written value.
        const std::string select = index.File().Read("PROFILEDEVICESELECT", "select", "none");
        ASSERT_NE(select, "none") << round;
        ASSERT_EQ(std::to_string(std::stoi(select)), select) << round;
        for (int i = 0; i < 3; ++i) {
            const std::string name = index.Name(ProfileKind::Device, i);
            ASSERT_TRUE(name == "0" || name.rfind("name", 0) == 0) << name;
        }
    }
}

} // namespace
