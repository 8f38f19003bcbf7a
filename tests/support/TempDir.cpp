#include "support/TempDir.h"

#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace zktest {

TempDir::TempDir() {
    std::string templ = (std::filesystem::temp_directory_path() / "zk412v-test-XXXXXX").string();
    if (!mkdtemp(templ.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = templ;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

namespace {
const char* const kVars[3] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"};
}

TempHome::TempHome() {
    for (int i = 0; i < 3; ++i) {
        if (const char* v = std::getenv(kVars[i])) {
            had_[i] = true;
            saved_[i] = v;
        }
    }
    const auto home = dir_.path();
    std::filesystem::create_directories(home / ".config");
    std::filesystem::create_directories(home / ".local/share");
    std::filesystem::create_directories(home / "Documents");
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home / ".local/share").c_str(), 1);
}

TempHome::~TempHome() {
    for (int i = 0; i < 3; ++i) {
        if (had_[i])
            setenv(kVars[i], saved_[i].c_str(), 1);
        else
            unsetenv(kVars[i]);
    }
}

} // namespace zktest

namespace zktest {

void SetTestEnvironment() {
    setenv("ZK_SOURCE_DIR", ZK_TEST_SOURCE_DIR, 0);
    setenv("ZK_STAGE_DIR", ZK_TEST_STAGE_DIR_DEFAULT, 0);
    setenv("ZK_SHARED_TESTDATA", ZK_TEST_SHARED_TESTDATA, 0);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
}

} // namespace zktest
