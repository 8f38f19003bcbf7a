#include "platform/Folders.h"
#include "platform/Log.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace zk::platform;

TEST(Folders, DataAndProfileFoldersComeBackAfterDeletion) {
    zktest::TempHome home;
    const std::string data = GetDataFolder();
    EXPECT_EQ(data, (home.path() / "Documents" / "ZK412V").string() + "/");
    EXPECT_TRUE(fs::is_directory(data));

    const std::string ms = GetProfileFolder("ms");
    EXPECT_EQ(ms, data + "ms/");
    EXPECT_TRUE(fs::is_directory(ms));

    fs::remove_all(ms);
    EXPECT_EQ(GetProfileFolder("ms"), ms);
    EXPECT_TRUE(fs::is_directory(ms));

    // Even the Documents folder itself is made again.
    fs::remove_all(home.path() / "Documents");
    EXPECT_EQ(GetProfileFolder("kb"), data + "kb/");
    EXPECT_TRUE(fs::is_directory(data + "kb"));
}

TEST(Folders, DocumentsFolderFollowsUserDirs) {
    zktest::TempHome home;
    const auto dirs = home.path() / ".config" / "user-dirs.dirs";
    {
        std::ofstream out(dirs);
        out << "# written by xdg-user-dirs-update\n"
               "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
               "XDG_DOCUMENTS_DIR=\"$HOME/My \\\"Docs\\\"/\"\n";
    }
    EXPECT_EQ(GetDocumentsFolder(), (home.path() / "My \"Docs\"").string());
    EXPECT_EQ(GetDataFolder(), (home.path() / "My \"Docs\"" / "ZK412V").string() + "/");
    EXPECT_TRUE(fs::is_directory(home.path() / "My \"Docs\"" / "ZK412V"));

    {
        std::ofstream out(dirs);
        out << "XDG_DOCUMENTS_DIR=\"" << (home.path() / "abs").string() << "\"\n";
    }
    EXPECT_EQ(GetDocumentsFolder(), (home.path() / "abs").string());

    // Relative or malformed entries fall back to ~/Documents.
    {
        std::ofstream out(dirs);
        out << "XDG_DOCUMENTS_DIR=\"Documents\"\nXDG_DOCUMENTS_DIR=\"$HOME/unterminated\n";
    }
    EXPECT_EQ(GetDocumentsFolder(), (home.path() / "Documents").string());
}

TEST(Folders, FolderThatCannotBeCreatedStillGivesItsPath) {
    zktest::TempHome home;
    fs::remove_all(home.path() / "Documents");
    std::ofstream(home.path() / "Documents") << "a file in the way";
    EXPECT_EQ(GetProfileFolder("mp"), (home.path() / "Documents/ZK412V/mp").string() + "/");
    EXPECT_FALSE(fs::exists(home.path() / "Documents/ZK412V"));
}

TEST(Folders, ModuleFolderRule) {
    zktest::TempDir dir;
    // A folder path of more than 200 characters.
    fs::path deep = dir.path();
    while (deep.string().size() < 200)
        deep /= std::string(40, 'd');
    fs::create_directories(deep / "skin");
    EXPECT_EQ(ModuleFolderOf(deep / "zk412v"), deep.string() + "/");
    EXPECT_EQ(ModuleFolderOf(dir.path() / "zk412v"), InstalledDataFolder());
    EXPECT_EQ(InstalledDataFolder().back(), '/');
    EXPECT_EQ(GetModuleFolder().back(), '/');
}

namespace {
std::string RunAndReadLine(const fs::path& program) {
    std::string out;
    if (FILE* p = popen(("'" + program.string() + "'").c_str(), "r")) {
        char buf[1024];
        while (fgets(buf, sizeof buf, p))
            out += buf;
        pclose(p);
    }
    if (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}
} // namespace

TEST(Folders, ProgramInADeepFolderFindsItsOwnFolder) {
    zktest::TempDir dir;
    fs::path deep = dir.path();
    while (deep.string().size() < 200)
        deep /= std::string(45, 'p');
    fs::create_directories(deep / "skin");
    fs::create_directories(deep / "Font");
    fs::copy_file(ZK_MODULE_PROBE, deep / "zk412v");
    const std::string folder = RunAndReadLine(deep / "zk412v");
    EXPECT_EQ(folder, deep.string() + "/");
    EXPECT_GT(folder.size(), 200u);
    EXPECT_TRUE(fs::is_directory(folder + "Font"));

    // Without a skin folder beside it, the program uses the installed data.
    fs::create_directories(dir / "bare");
    fs::copy_file(ZK_MODULE_PROBE, dir / "bare" / "zk412v");
    EXPECT_EQ(RunAndReadLine(dir / "bare" / "zk412v"), InstalledDataFolder());
}

TEST(DebugLog, SinkReceivesEveryLineFromEveryThread) {
    std::mutex m;
    std::vector<std::string> lines;
    auto previous = SetDebugSink([&](std::string_view l) {
        std::lock_guard lock(m);
        lines.emplace_back(l);
    });
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 100; ++i)
                DebugLine("t" + std::to_string(t) + " " + std::to_string(i));
        });
    for (auto& th : threads)
        th.join();
    auto mine = SetDebugSink(previous);
    ASSERT_TRUE(mine);
    EXPECT_EQ(lines.size(), 400u);
    mine("direct");
    EXPECT_EQ(lines.back(), "direct");
}
