#include "platform/IniFile.h"
#include "platform/FileIo.h"
#include "platform/IniText.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <csignal>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using zk::platform::IniFile;
using zk::platform::ToInt;

namespace {

void WriteRaw(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary);
    out << bytes;
}

std::string ReadRaw(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Utf16Le(const std::u16string& text) {
    std::string out = "\xFF\xFE";
    for (char16_t c : text) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

std::vector<std::string> FolderEntries(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    return names;
}

} // namespace

TEST(IniFile, ReadsWithWindowsProfileRules) {
    zktest::TempDir dir;
    WriteRaw(dir / "a.ini", "; comment=1\r\n"
                            "stray=before any section\r\n"
                            "[SkinImage]\r\n"
                            "  Flags  =  1  \r\n"
                            "IMAGE=\"  bg.png \"\r\n"
                            "single='x'\r\n"
                            "mixed=\"x'\r\n"
                            "lonequote=\"\r\n"
                            "empty=\r\n"
                            "noequals\r\n"
                            "[ other ]\r\n"
                            "flags=2\r\n"
                            "[SKINIMAGE]\r\n"
                            "late=3\r\n"
                            "FLAGS=9\r\n");
    IniFile ini(dir / "a.ini");
    EXPECT_EQ(ini.Read("SKINIMAGE", "FLAGS"), "1");
    EXPECT_EQ(ini.Read("skinimage", "flags"), "1");
    EXPECT_EQ(ini.Read("SKINIMAGE", "IMAGE"), "  bg.png ");
    EXPECT_EQ(ini.Read("SKINIMAGE", "single"), "x");
    EXPECT_EQ(ini.Read("SKINIMAGE", "mixed"), "\"x'");
    EXPECT_EQ(ini.Read("SKINIMAGE", "lonequote"), "\"");
    EXPECT_EQ(ini.Read("SKINIMAGE", "empty", "def"), "");
    EXPECT_EQ(ini.Read("SKINIMAGE", "noequals", "def"), "def");
    EXPECT_EQ(ini.Read("OTHER", "FLAGS"), "2");
    // A repeated section continues the first one.
    EXPECT_EQ(ini.Read("SKINIMAGE", "LATE"), "3");
    EXPECT_EQ(ini.Read("", "stray", "none"), "none");
    EXPECT_EQ(ini.Read("x", "; comment", "none"), "none");
    EXPECT_EQ(ini.ReadInt("SKINIMAGE", "FLAGS"), 1);
    EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"SkinImage", "other"}));
    EXPECT_EQ(ini.Keys("skinimage"), (std::vector<std::string>{"Flags", "IMAGE", "single", "mixed",
                                                               "lonequote", "empty", "late"}));
    EXPECT_TRUE(ini.HasSection(" Other"));
}

TEST(IniFile, MissingFileSectionOrKeyGivesDefault) {
    zktest::TempDir dir;
    IniFile missing(dir / "none.ini");
    EXPECT_EQ(missing.Read("A", "B"), "0");
    EXPECT_EQ(missing.Read("A", "B", "-1"), "-1");
    EXPECT_EQ(missing.ReadInt("A", "B", "-1"), -1);
    EXPECT_FALSE(missing.Exists());
    EXPECT_TRUE(missing.SectionNames().empty());

    WriteRaw(dir / "a.ini", "[A]\nB=5\n");
    IniFile ini(dir / "a.ini");
    EXPECT_EQ(ini.Read("A", "C", "x"), "x");
    EXPECT_EQ(ini.Read("Z", "B", "y"), "y");
    // The default is cut to the buffer like a value.
    EXPECT_EQ(ini.Read("Z", "B", "abcdef", 4), "abc");
}

TEST(IniFile, ValueIsCutToBufferInCharacters) {
    zktest::TempDir dir;
    IniFile ini(dir / "a.ini");
    const std::string ascii(300, 'a');
    ASSERT_TRUE(ini.Write("S", "K", ascii));
    EXPECT_EQ(ini.Read("S", "K", "0").size(), 259u);
    EXPECT_EQ(ini.Read("S", "K", "0", 10), std::string(9, 'a'));
    EXPECT_EQ(ini.Read("S", "K", "0", 0), "");

    // 300 three-byte characters: 259 of them survive, none split.
    std::string wide;
    for (int i = 0; i < 300; ++i)
        wide += "\xE4\xB8\xAD"; // U+4E2D
    ASSERT_TRUE(ini.Write("S", "W", wide));
    const std::string got = ini.Read("S", "W");
    EXPECT_EQ(got, wide.substr(0, 259 * 3));
    // Four-byte characters and stray bytes count as one character each.
    ASSERT_TRUE(ini.Write("S", "M",
                          "\xF0\x9F\x98\x80\xFF"
                          "ab"));
    EXPECT_EQ(ini.Read("S", "M", "0", 3), "\xF0\x9F\x98\x80\xFF");
}

TEST(IniFile, WriteKeepsOrderAndLinesAndReplacesInPlace) {
    zktest::TempDir dir;
    const auto path = dir / "a.ini";
    WriteRaw(path, "; keep me\r\n[A]\r\nx=1\r\n; inner\r\ny=2\r\n\r\n[B]\r\nz=3\r\n");
    IniFile ini(path);
    ASSERT_TRUE(ini.Write("a", "X", "10"));  // existing key, other case
    ASSERT_TRUE(ini.Write("A", "new", "n")); // new key after the last entry
    ASSERT_TRUE(ini.Write("C", "c", "c v")); // new section at the end
    EXPECT_EQ(ReadRaw(path), "; keep me\r\n[A]\r\nx=10\r\n; inner\r\ny=2\r\nnew=n\r\n\r\n"
                             "[B]\r\nz=3\r\n[C]\r\nc=c v\r\n");

    IniFile fresh(dir / "sub.ini");
    ASSERT_TRUE(fresh.Write(" S ", " K ", "v"));
    EXPECT_EQ(ReadRaw(dir / "sub.ini"), "[S]\nK=v\n");
    // Only the file itself remains: no lock or temporary file is left behind.
    std::set<std::string> names;
    for (const auto& n : FolderEntries(dir.path()))
        names.insert(n);
    EXPECT_EQ(names, (std::set<std::string>{"a.ini", "sub.ini"}));
}

TEST(IniFile, RefusesNamesAndValuesThatWouldNotReadBack) {
    zktest::TempDir dir;
    IniFile ini(dir / "a.ini");
    ASSERT_TRUE(ini.Write("A", "k", "keep"));
    EXPECT_FALSE(ini.Write("A", "k", "line1\n[A]\nk=evil"));
    EXPECT_FALSE(ini.Write("A", "a=b", "v"));
    EXPECT_FALSE(ini.Write("A", "", "v"));
    EXPECT_FALSE(ini.Write("A]", "k", "v"));
    EXPECT_EQ(ini.Read("A", "k"), "keep");
    EXPECT_EQ(ini.Keys("A").size(), 1u);
    // Writing into a folder that does not exist fails without creating it.
    IniFile nowhere(dir / "no" / "a.ini");
    EXPECT_FALSE(nowhere.Write("A", "k", "v"));
    EXPECT_FALSE(std::filesystem::exists(dir / "no"));
}

TEST(IniFile, DeletesKeysSectionsAndFile) {
    zktest::TempDir dir;
    const auto path = dir / "a.ini";
    WriteRaw(path, "[A]\nk=1\nK=dup\nj=2\n[B]\nk=3\n[a]\nk=4\nl=5\n");
    IniFile ini(path);
    ASSERT_TRUE(ini.DeleteKey("a", "K"));
    // Every copy goes, so a duplicate does not surface afterwards.
    EXPECT_EQ(ini.Read("A", "k", "gone"), "gone");
    EXPECT_EQ(ini.Read("B", "k"), "3");
    ASSERT_TRUE(ini.DeleteSection("A"));
    EXPECT_EQ(ReadRaw(path), "[B]\nk=3\n");
    EXPECT_TRUE(ini.DeleteSection("missing"));
    EXPECT_TRUE(ini.DeleteKey("B", "missing"));
    ASSERT_TRUE(ini.Remove());
    EXPECT_FALSE(ini.Exists());
    // Deleting from a missing file succeeds and creates nothing.
    EXPECT_TRUE(ini.DeleteKey("B", "k"));
    EXPECT_TRUE(ini.Remove());
    EXPECT_FALSE(ini.Exists());

    ASSERT_TRUE(ini.CreateSection("Empty"));
    ASSERT_TRUE(ini.CreateSection("EMPTY"));
    EXPECT_EQ(ReadRaw(path), "[Empty]\n");
}

TEST(IniFile, ToIntFollowsTheCRuntime) {
    EXPECT_EQ(ToInt("42"), 42);
    EXPECT_EQ(ToInt("  \t-17xyz"), -17);
    EXPECT_EQ(ToInt("+8"), 8);
    EXPECT_EQ(ToInt("abc"), 0);
    EXPECT_EQ(ToInt(""), 0);
    EXPECT_EQ(ToInt("-"), 0);
    EXPECT_EQ(ToInt("- 5"), 0);
    EXPECT_EQ(ToInt("12 34"), 12);
    EXPECT_EQ(ToInt("0x1F"), 0);
    EXPECT_EQ(ToInt("2147483647"), INT_MAX);
    EXPECT_EQ(ToInt("-2147483648"), INT_MIN);
    EXPECT_EQ(ToInt("2147483648"), INT_MAX);
    EXPECT_EQ(ToInt("-99999999999999999999999"), INT_MIN);
    EXPECT_EQ(ToInt("000000000000000000000000007"), 7);
}

TEST(IniFile, ReadsUtf16AndUtf8BomFiles) {
    zktest::TempDir dir;
    const auto u16 = dir / "u16.ini";
    WriteRaw(u16, Utf16Le(u"[PROFILE]\r\nNAME=\u4E2D\u6587 \U0001F600\r\nCOUNT=3\r\n"));
    IniFile a(u16);
    EXPECT_EQ(a.Read("profile", "name"), "\xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80");
    EXPECT_EQ(a.ReadInt("PROFILE", "COUNT"), 3);
    ASSERT_TRUE(a.Write("PROFILE", "COUNT", "4"));
    EXPECT_EQ(a.Read("profile", "name"), "\xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80");
    EXPECT_EQ(a.ReadInt("PROFILE", "COUNT"), 4);

    const auto u8 = dir / "u8.ini";
    WriteRaw(u8, "\xEF\xBB\xBF[A]\nk=v\n");
    IniFile b(u8);
    EXPECT_EQ(b.Read("A", "k"), "v");
    ASSERT_TRUE(b.Write("A", "j", "w"));
    EXPECT_EQ(ReadRaw(u8), "\xEF\xBB\xBF[A]\nk=v\nj=w\n");

    // An unpaired surrogate becomes U+FFFD rather than breaking the text.
    WriteRaw(u16, Utf16Le(u"[A]\nk=") + std::string("\x00\xD8", 2) + Utf16Le(u"x\n").substr(2));
    EXPECT_EQ(a.Read("A", "k"), "\xEF\xBF\xBDx");

    // UTF-16LE without its mark reads the same, and a write replaces the whole
    // file with UTF-8 instead of adding to bytes it did not understand.
    const auto bare = dir / "bare.ini";
    WriteRaw(bare, Utf16Le(u"[PROFILE]\r\nNAME=\u4E2D\u6587\r\nCOUNT=3\r\n").substr(2));
    IniFile c(bare);
    EXPECT_EQ(c.Read("PROFILE", "NAME"), "\xE4\xB8\xAD\xE6\x96\x87");
    EXPECT_EQ(c.ReadInt("PROFILE", "COUNT"), 3);
    ASSERT_TRUE(c.Write("PROFILE", "COUNT", "5"));
    const std::string written = ReadRaw(bare);
    EXPECT_EQ(written.find('\0'), std::string::npos);
    EXPECT_EQ(c.Read("PROFILE", "NAME"), "\xE4\xB8\xAD\xE6\x96\x87");
    EXPECT_EQ(c.ReadInt("PROFILE", "COUNT"), 5);
}

TEST(IniFile, ConcurrentWritersOfDifferentKeysLoseNothing) {
    zktest::TempDir dir;
    const auto path = dir / "c.ini";
    constexpr int kThreads = 4;
    constexpr int kKeysEach = 40;
    {
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                IniFile ini(path);
                for (int k = 0; k < kKeysEach; ++k)
                    ASSERT_TRUE(ini.Write("T" + std::to_string(t), "K" + std::to_string(k),
                                          std::to_string(t * 1000 + k)));
            });
        }
        for (auto& th : threads)
            th.join();
    }

    constexpr int kProcs = 3;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcs; ++p) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            IniFile ini(path);
            bool ok = true;
            for (int k = 0; k < kKeysEach; ++k)
                ok = ini.Write("SHARED", "P" + std::to_string(p) + "_" + std::to_string(k),
                               std::to_string(k)) &&
                     ok;
            _exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    IniFile ini(path);
    for (int t = 0; t < kThreads; ++t)
        for (int k = 0; k < kKeysEach; ++k)
            EXPECT_EQ(ini.ReadInt("T" + std::to_string(t), "K" + std::to_string(k), "-1"),
                      t * 1000 + k);
    EXPECT_EQ(ini.Keys("SHARED").size(), static_cast<std::size_t>(kProcs * kKeysEach));
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"c.ini"});
}

TEST(IniFile, WriterKilledMidWriteLeavesOldOrNewFile) {
    zktest::TempDir dir;
    const auto path = dir / "crash.ini";
    // A file large enough that its write takes a while.
    IniFile ini(path);
    for (int k = 0; k < 200; ++k)
        ASSERT_TRUE(ini.Write("FILL", "K" + std::to_string(k), std::string(100, 'f')));
    ASSERT_TRUE(ini.Write("S", "GEN", "0"));

    int lastSeen = 0;
    for (int round = 0; round < 15; ++round) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            IniFile child(path);
            for (int gen = 1;; ++gen)
                child.Write("S", "GEN", std::to_string(lastSeen + gen));
        }
        usleep(2000 + 1500 * static_cast<useconds_t>(round));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);

        // Whole, readable, and the counter only ever moves forward.
        EXPECT_EQ(ini.Keys("FILL").size(), 200u);
        EXPECT_EQ(ini.Read("FILL", "K199"), std::string(100, 'f'));
        const int gen = ini.ReadInt("S", "GEN", "-1");
        EXPECT_GE(gen, lastSeen);
        lastSeen = gen;
    }
    // The next writer clears what killed writers left behind.
    ASSERT_TRUE(ini.Write("S", "DONE", "1"));
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"crash.ini"});
}

TEST(IniFile, ReadersNeverSeeAPartialFileWhileAnotherThreadWrites) {
    zktest::TempDir dir;
    const auto path = dir / "r.ini";
    IniFile ini(path);
    for (int k = 0; k < 50; ++k)
        ASSERT_TRUE(ini.Write("A", "K" + std::to_string(k), "value"));
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        IniFile w(path);
        for (int i = 0; !stop.load(); ++i)
            w.Write("B", "N", std::to_string(i));
    });
    int bad = 0;
    for (int i = 0; i < 300; ++i)
        bad += ini.Read("A", "K49", "missing") != "value";
    stop = true;
    writer.join();
    EXPECT_EQ(bad, 0);
}

TEST(FileIo, AtomicWriteReplacesContentAndKeepsPermissions) {
    zktest::TempDir dir;
    const auto path = dir / "p.config";
    ASSERT_TRUE(zk::platform::WriteFileAtomically(path, std::string("\x55\xAA\0\x01", 4)));
    EXPECT_EQ(zk::platform::ReadWholeFile(path), std::string("\x55\xAA\0\x01", 4));
    std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write);
    ASSERT_TRUE(zk::platform::WriteFileAtomically(path, "new"));
    EXPECT_EQ(zk::platform::ReadWholeFile(path), "new");
    EXPECT_EQ(std::filesystem::status(path).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"p.config"});

    EXPECT_FALSE(zk::platform::WriteFileAtomically(dir / "missing" / "p.config", "x"));
    EXPECT_FALSE(zk::platform::ReadWholeFile(dir / "missing" / "p.config"));

    IniFile ini(dir / "n.ini");
    ASSERT_TRUE(ini.WriteInt("A", "N", -42));
    EXPECT_EQ(ini.ReadInt("A", "N"), -42);
}

TEST(FileIo, ReplacementsAreAnnouncedOnceInPlace) {
    zktest::TempDir dir;
    const auto path = dir / "index.ini";
    std::vector<std::pair<std::filesystem::path, std::string>> heard;
    auto subscription =
        zk::platform::FileReplacements().Subscribe([&](const std::filesystem::path& written) {
            heard.emplace_back(written, zk::platform::ReadWholeFile(written).value_or("?"));
        });
    ASSERT_TRUE(zk::platform::WriteFileAtomically(path, "[a]\n"));
    ASSERT_TRUE(IniFile(path).Write("a", "k", "v"));
    EXPECT_FALSE(zk::platform::WriteFileAtomically(dir / "missing" / "x.ini", "x"));
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[0], std::make_pair(path, std::string("[a]\n")));
    EXPECT_EQ(heard[1], std::make_pair(path, std::string("[a]\nk=v\n")));
    subscription.Reset();
    ASSERT_TRUE(zk::platform::WriteFileAtomically(path, "later"));
    EXPECT_EQ(heard.size(), 2u);
}
