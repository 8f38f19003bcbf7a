#pragma once

#include <filesystem>
#include <string>

namespace zktest {

// A fresh folder below the system's temporary folder, removed with everything
// in it when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Points HOME and the XDG folders at a temporary folder for the lifetime of
// the object, so that a test never touches the real user's files.
class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::filesystem::path& path() const { return dir_.path(); }

private:
    TempDir dir_;
    std::string saved_[3];
    bool had_[3] = {};
};

} // namespace zktest

namespace zktest {

// Sets ZK_SOURCE_DIR, ZK_STAGE_DIR, ZK_SHARED_TESTDATA and QT_QPA_PLATFORM
// (offscreen) for this process and its children, where not already set. Every
// test program's main calls it first.
void SetTestEnvironment();

} // namespace zktest
