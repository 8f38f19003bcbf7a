#include <gtest/gtest.h>

#include <atomic>
#include <charconv>
#include <chrono>
#include <fstream>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include "macros/MacroLibrary.h"
#include "platform/FileIo.h"
#include "platform/IniFile.h"
#include "support/TempDir.h"

using namespace zk::macros;
namespace fs = std::filesystem;
using zk::platform::IniFile;

namespace {

class MacroLibraryTest : public ::testing::Test {
protected:
    MacroLibraryTest() : folder(temp.path() / "ms"), library(folder, kMouseIndexFile) {
        fs::create_directories(folder);
    }

    std::set<std::string> Listing(const fs::path& dir) const {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(dir))
            names.insert(e.path().filename().string());
        return names;
    }

    static MacroAction Key(std::uint8_t usage, bool down, int delay, std::string name) {
        MacroAction a;
        a.SetDelay(delay);
        a.type = static_cast<std::uint8_t>(action_class::kKey | (down ? kDirectionBit : 0));
        a.code = usage;
        a.down = down;
        a.name = std::move(name);
        return a;
    }

    zktest::TempDir temp;
    fs::path folder;
    MacroLibrary library;
};

// The shape of an index that only RewriteIndex({"r<round>", "s<round>"}) and
// AppendName("a<n>") with rising n have written: one rewrite's two names, then
// the names appended since, numbered without a gap.
struct IndexShape {
    int round = -1;
    std::vector<int> appended;
};

int NumberAfter(const std::string& name, char prefix) {
    int n = -1;
    if (name.size() < 2 || name[0] != prefix)
        return -1;
    const auto end = name.data() + name.size();
    const auto [ptr, ec] = std::from_chars(name.data() + 1, end, n);
    return ec == std::errc() && ptr == end ? n : -1;
}

// Nothing for any other index: a lost rewrite, or a count and names mixed from
// different writes (a missing name reads as "0").
std::optional<IndexShape> ShapeOf(const std::vector<std::string>& names) {
    IndexShape shape;
    if (names.size() < 2)
        return std::nullopt;
    shape.round = NumberAfter(names[0], 'r');
    if (shape.round < 0 || NumberAfter(names[1], 's') != shape.round)
        return std::nullopt;
    for (std::size_t i = 2; i < names.size(); ++i) {
        const int n = NumberAfter(names[i], 'a');
        if (n < 0 || (!shape.appended.empty() && n != shape.appended.back() + 1))
            return std::nullopt;
        shape.appended.push_back(n);
    }
    return shape;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const auto& name : names)
        text += name + " ";
    return text;
}

} // namespace

TEST_F(MacroLibraryTest, EmptyLibraryReadsAsNoMacros) {
    EXPECT_EQ(library.ReadCount(), 0);
    EXPECT_TRUE(library.ReadNames().empty());
    EXPECT_EQ(library.ReadName(0), "0");
    EXPECT_EQ(library.ReadName(0, "100"), "100");
    EXPECT_EQ(library.MakeNewName(), "macro1");
    EXPECT_TRUE(library.ReadActions("macro1").empty());
    EXPECT_EQ(library.ReadRepeatCount("macro1"), 0);
}

TEST_F(MacroLibraryTest, NewNamesSkipNamesTakenInAnyCase) {
    ASSERT_EQ(library.AppendName("macro1"), MacroError::None);
    ASSERT_EQ(library.AppendName("Macro3"), MacroError::None);
    EXPECT_EQ(library.ReadCount(), 2);
    EXPECT_EQ(library.MakeNewName(), "macro4");
    EXPECT_EQ(MakeNewMacroName({"a", "b", "MACRO3", "macro4"}), "macro5");
    EXPECT_EQ(MakeNewMacroName({"x"}), "macro2");
}

TEST_F(MacroLibraryTest, IndexKeepsNamesInOrder) {
    for (auto name : {"one", "two", "three"})
        ASSERT_EQ(library.AppendName(name), MacroError::None);
    ASSERT_EQ(library.SetName(1, "Two"), MacroError::None);
    EXPECT_EQ(library.ReadNames(), (std::vector<std::string>{"one", "Two", "three"}));
    EXPECT_EQ(library.SetName(3, "four"), MacroError::IndexOutOfRange);
    EXPECT_EQ(library.SetName(-1, "four"), MacroError::IndexOutOfRange);
    EXPECT_EQ(library.ReadCount(), 3);
}

TEST_F(MacroLibraryTest, ActionsRoundTripAndShrinkingKeepsLaterKeys) {
    const std::vector<MacroAction> actions = {Key(0x04, true, 120, "keyboard_key_A"),
                                              Key(0x04, false, 0, "keyboard_key_A"),
                                              Key(0x36, true, 65535, "keyboard_key_<")};
    ASSERT_EQ(library.WriteActions("m", actions), MacroError::None);
    EXPECT_EQ(library.ReadActionCount("m"), 3);
    EXPECT_EQ(library.ReadActions("m"), actions);
    EXPECT_EQ(library.ReadActionLines("m")[0], "120,0,138,4,1,keyboard_key_A");

    ASSERT_EQ(library.WriteActions("m", {actions[2]}), MacroError::None);
    EXPECT_EQ(library.ReadActions("m"), std::vector<MacroAction>{actions[2]});
    const IniFile file(*library.ActionFilePath("m"));
    EXPECT_EQ(file.Read("MACROACTION", "2"), FormatActionLine(actions[2]));

    // A line that is missing reads as "0" and gives an action of zeros.
    IniFile(*library.ActionFilePath("gap")).Write("MACROACTIONCOUNT", "count", "2");
    EXPECT_EQ(library.ReadActions("gap"), (std::vector<MacroAction>{{}, {}}));

    // Lines that would break the file are refused.
    EXPECT_EQ(library.WriteActionLines("m", {"0,0,1,1,1,a\n[MACROACTIONCOUNT]"}),
              MacroError::BadActionLine);
    EXPECT_EQ(library.WriteActions("m", {Key(4, true, 0, "a,b")}), MacroError::BadActionLine);
    EXPECT_EQ(library.ReadActionCount("m"), 1);
}

TEST_F(MacroLibraryTest, ActionFilesAreReadAsSingleLookUpsWouldReadThem) {
    // Keys as another writer may leave them: each action line is what a read of
    // its own key gives, whatever the order, repeats and neighbours.
    const fs::path file = folder / "odd.mac";
    {
        std::ofstream out(file);
        out << "[MACROACTIONCOUNT]\ncount=6\n[MACROACTION]\n3=first\n01=leading zero\n"
               " 1 = \"quoted\" \n3=second\n+2=sign\n9=beyond count\n[other]\n0=elsewhere\n"
               "[macroaction]\n0=later section\n4="
            << std::string(400, 'x') << "\n";
    }
    const auto lines = ReadActionFileLines(file);
    ASSERT_EQ(lines.size(), 6u);
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i], IniFile(file).Read("MACROACTION", std::to_string(i))) << i;
    EXPECT_EQ(lines[3], "first");
    EXPECT_EQ(lines[2], "0");

    // The largest file a macro can have is written and read back in one pass
    // each: eight times the lines take about eight times as long (with a
    // look-up per line, 64 times: seconds at this size).
    std::vector<std::string> many;
    const auto roundTrip = [&](std::size_t count) {
        many.resize(count);
        for (std::size_t i = 0; i < many.size(); ++i)
            many[i] = std::to_string(i % 500) + ",0,138,4,1,keyboard_key_A";
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(library.WriteActionLines("big", many), MacroError::None);
        EXPECT_EQ(library.ReadActionLines("big"), many);
        return std::chrono::steady_clock::now() - start;
    };
    const auto eighth = roundTrip(8191);
    EXPECT_LT(roundTrip(65535), eighth * 24);
    many.resize(3);
    ASSERT_EQ(library.WriteActionLines("big", many), MacroError::None);
    EXPECT_EQ(library.ReadActionLines("big"), many);
}

TEST_F(MacroLibraryTest, FilesAreFoundWithoutRegardToCase) {
    {
        std::ofstream out(folder / "MACRO1.MAC");
        out << "[MACROACTIONCOUNT]\r\ncount=1\r\n[MACROACTION]\r\n0=0,0,138,4,1,keyboard_key_A\r\n";
    }
    ASSERT_EQ(library.ReadActions("macro1").size(), 1u);
    ASSERT_EQ(library.WriteActions("Macro1", {}), MacroError::None);
    EXPECT_EQ(Listing(folder), (std::set<std::string>{"MACRO1.MAC"}));
    EXPECT_EQ(library.ReadActionCount("macro1"), 0);
}

TEST_F(MacroLibraryTest, IndexWrittenByTheWindowsVersionIsRead) {
    // UTF-16LE with a byte-order mark and CRLF line ends.
    const std::u16string text = u"[MACROCOUNT]\r\ncount=2\r\n[MACRONAME]\r\n0=Макрос\r\n1=b\r\n";
    std::ofstream out(library.IndexPath(), std::ios::binary);
    out.put(static_cast<char>(0xFF)).put(static_cast<char>(0xFE));
    for (char16_t c : text)
        out.put(static_cast<char>(c & 0xFF)).put(static_cast<char>(c >> 8));
    out.close();
    EXPECT_EQ(library.ReadNames(), (std::vector<std::string>{"Макрос", "b"}));
}

TEST_F(MacroLibraryTest, MovingRenamesButNeverOverwritesAnotherFile) {
    ASSERT_EQ(library.WriteActions("old", {Key(5, true, 1, "keyboard_key_B")}), MacroError::None);
    ASSERT_EQ(library.MoveActionFile("old", "new"), MacroError::None);
    EXPECT_EQ(Listing(folder), (std::set<std::string>{"new.mac"}));
    EXPECT_EQ(library.ReadActionCount("new"), 1);

    // A change of case only is a rename of the same file.
    ASSERT_EQ(library.MoveActionFile("new", "NEW"), MacroError::None);
    EXPECT_EQ(Listing(folder), (std::set<std::string>{"NEW.mac"}));

    ASSERT_EQ(library.WriteActions("other", {}), MacroError::None);
    EXPECT_EQ(library.MoveActionFile("NEW", "Other"), MacroError::NameExists);
    EXPECT_EQ(library.ReadActionCount("NEW"), 1);
    EXPECT_EQ(library.MoveActionFile("missing", "fresh"), MacroError::FileError);
}

TEST_F(MacroLibraryTest, DeleteRenumbersAndDropsCursorSectionsUntilNextStart) {
    const zktest::TempDir program; // a program folder without cursor files
    library.EnsureCursorFiles(program.path());
    for (auto name : {"a", "b", "c"}) {
        ASSERT_EQ(library.AppendName(name), MacroError::None);
        ASSERT_EQ(library.WriteActions(name, {}), MacroError::None);
    }
    const IniFile index(library.IndexPath());
    ASSERT_EQ(index.ReadInt("CURSORCOUNT", "count"), 4);

    // The manager's delete: action file, then the index from the remaining list.
    ASSERT_EQ(library.DeleteActionFile("a"), MacroError::None);
    ASSERT_EQ(library.RewriteIndex({"b", "c"}), MacroError::None);
    EXPECT_EQ(library.ReadNames(), (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(index.ReadInt("CURSORCOUNT", "count"), 0);
    EXPECT_FALSE(library.ActionFilePath("a").has_value() &&
                 fs::exists(*library.ActionFilePath("a")));
    EXPECT_TRUE(fs::exists(folder / "name_1.cur"));

    // A cursor file edited by the user survives the next start's check.
    IniFile(folder / "name_1.cur").Write("MACROACTION", "3", "99,0,1,1,0,mouse_key_left");
    library.EnsureCursorFiles(program.path());
    EXPECT_EQ(index.ReadInt("CURSORCOUNT", "count"), 4);
    EXPECT_EQ(index.Read("CURSORNAME", "3"), "name_4");
    EXPECT_EQ(library.ReadNames(), (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(IniFile(folder / "name_1.cur").Read("MACROACTION", "3"), "99,0,1,1,0,mouse_key_left");

    // Deleting a macro that has no file is no failure; a bad list changes nothing.
    EXPECT_EQ(library.DeleteActionFile("a"), MacroError::None);
    EXPECT_EQ(library.RewriteIndex({"b", "../c"}), MacroError::NameSlash);
    EXPECT_EQ(library.ReadNames(), (std::vector<std::string>{"b", "c"}));
}

TEST_F(MacroLibraryTest, CursorFilesComeFromTheProgramFolderOrTheDefaults) {
    const zktest::TempDir program;
    {
        std::ofstream out(program.path() / "NAME_2.CUR");
        out << "[MACROACTIONCOUNT]\ncount=1\n[MACROACTION]\n0=1,0,4,7,0,mouse_move_to_right_text\n";
    }
    library.EnsureCursorFiles(program.path());
    for (int n = 1; n <= kCursorFileCount; ++n)
        EXPECT_TRUE(fs::exists(folder / CursorFileName(n)) || n == 2) << n;
    ASSERT_TRUE(library.CursorFilePath(1));
    EXPECT_EQ(IniFile(*library.CursorFilePath(1)).ReadInt("MACROACTIONCOUNT", "count"), 1);

    // The defaults: six actions; the pause is action 3 and the moves are 4 and 5.
    const auto actions = ReadActionFile(folder / "name_1.cur");
    ASSERT_EQ(actions.size(), 6u);
    EXPECT_GT(actions[3].Delay(), 0);
    EXPECT_EQ(actions[4].ActionClass(), action_class::kHorizontalMove);
    EXPECT_EQ(actions[5].ActionClass(), action_class::kVerticalMove);
    std::set<std::pair<int, int>> directions;
    for (int n : {1, 3, 4}) {
        const auto a = ReadActionFile(folder / CursorFileName(n));
        directions.insert({a[4].type, a[5].type});
    }
    EXPECT_EQ(directions.size(), 3u);
    EXPECT_EQ(DefaultCursorFileText(0), "");

    // With the count in place nothing is checked or copied again.
    fs::remove(folder / "name_3.cur");
    library.EnsureCursorFiles(program.path());
    EXPECT_FALSE(fs::exists(folder / "name_3.cur"));

    // The build writes the same files beside the program.
    const zktest::TempDir stage;
    ASSERT_TRUE(WriteDefaultCursorFiles(stage.path()));
    std::ifstream in(stage.path() / "name_4.cur");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, DefaultCursorFileText(4));
}

TEST_F(MacroLibraryTest, NamesThatAreNoPlainFileNameAreRefused) {
    const std::vector<std::pair<std::string, MacroError>> bad = {
        {"", MacroError::NameEmpty},
        {".", MacroError::NameDots},
        {"..", MacroError::NameDots},
        {"../../escape", MacroError::NameSlash},
        {"/tmp/abs", MacroError::NameSlash},
        {std::string("a\0b", 3), MacroError::NameControl},
        {"two\nlines", MacroError::NameControl},
        {"a=b", MacroError::NameIniSyntax},
        {"[section]", MacroError::NameIniSyntax},
        {" padded", MacroError::NameIniSyntax},
        {"\"quoted\"", MacroError::NameIniSyntax},
        {std::string(zk::platform::kMaxWritableFileNameBytes - 3, 'x'), MacroError::NameTooLong},
    };
    for (const auto& [name, error] : bad) {
        EXPECT_EQ(CheckMacroName(name), error) << name;
        EXPECT_EQ(library.AppendName(name), error) << name;
        EXPECT_EQ(library.WriteActions(name, {}), error) << name;
        EXPECT_EQ(library.WriteRepeatCount(name, 3), error) << name;
        EXPECT_EQ(library.MoveActionFile("x", name), error) << name;
        EXPECT_FALSE(MacroErrorText(error).empty());
        EXPECT_FALSE(MacroErrorKey(error).empty());
    }
    EXPECT_EQ(library.ReadCount(), 0);
    EXPECT_TRUE(Listing(folder).empty());
    EXPECT_EQ(Listing(temp.path()), (std::set<std::string>{"ms"}));

    for (const std::string good : {"a.b", "..x", "Макрос 1", "with space", "back\\slash"})
        EXPECT_EQ(CheckMacroName(good), MacroError::None) << good;
    // The longest name whose action file, with its lock and temporary files, fits.
    const std::string longest(zk::platform::kMaxWritableFileNameBytes - 4, 'y');
    EXPECT_EQ(CheckMacroName(longest), MacroError::None);
    EXPECT_EQ(library.AppendName(longest), MacroError::None);
    EXPECT_EQ(library.WriteActions(longest, {}), MacroError::None);
}

TEST_F(MacroLibraryTest, NamesDifferingInCaseOnlyAndAFullLibraryAreRefused) {
    ASSERT_EQ(library.AppendName("Macro1"), MacroError::None);
    ASSERT_EQ(library.WriteRepeatCount("Macro1", 4), MacroError::None);
    EXPECT_EQ(library.AppendName("macro1"), MacroError::NameExists);
    EXPECT_EQ(library.ReadNames(), std::vector<std::string>{"Macro1"});
    EXPECT_EQ(library.ReadRepeatCount("Macro1"), 4);

    for (int i = 2; i <= kMaxMacros; ++i)
        ASSERT_EQ(library.AppendName("m" + std::to_string(i)), MacroError::None) << i;
    EXPECT_EQ(library.AppendName("one too many"), MacroError::LibraryFull);
    EXPECT_EQ(library.ReadCount(), kMaxMacros);
    EXPECT_FALSE(MacroErrorText(MacroError::LibraryFull).empty());
    // An index that counts more than a library holds lists its first macros.
    ASSERT_TRUE(IniFile(folder / "msMacro.ini").Write("MACROCOUNT", "count", "2147483647"));
    EXPECT_EQ(library.ReadNames().size(), static_cast<std::size_t>(kMaxMacros));
}

TEST_F(MacroLibraryTest, RepeatCountsAndAssignmentMemo) {
    ASSERT_EQ(library.WriteRepeatCount("macro1", 1), MacroError::None);
    ASSERT_EQ(library.WriteRepeatCount("Macro1", 7), MacroError::None);
    EXPECT_EQ(library.ReadRepeatCount("MACRO1"), 7);
    EXPECT_EQ(library.ReadRepeatCount("macro2"), 0);

    const auto memoFile = folder / "defaultname.ini";
    EXPECT_EQ(ReadAssignmentMemo(memoFile).macroIndex, 0);
    EXPECT_EQ(ReadAssignmentMemo(memoFile).endStyle, 100);
    ASSERT_TRUE(WriteAssignmentMemo(memoFile, 3, 2));
    EXPECT_EQ(IniFile(memoFile).Read("MACROSET", "MACRONAME"), "3");
    EXPECT_EQ(ReadAssignmentMemo(memoFile).endStyle, 2);
}

TEST_F(MacroLibraryTest, ButtonLabelsNameMacrosOfTheIndexOnly) {
    using zk::settings::ActionLabel;
    using zk::settings::ButtonAction;
    ASSERT_EQ(library.AppendName("Burst"), MacroError::None);
    const auto lookup = MacroNameLookupOf(library);
    EXPECT_EQ(DisplayKeyOf(ButtonAction{0x71, 0, 3}, lookup),
              (ActionLabel{ActionLabel::Kind::Text, "Burst"}));
    EXPECT_EQ(DisplayKeyOf(ButtonAction{0x70, 1, 2}, lookup), ActionLabel{});
    // The lookup follows later changes of the index.
    ASSERT_EQ(library.AppendName("Second"), MacroError::None);
    EXPECT_EQ(DisplayKeyOf(ButtonAction{0x70, 1, 2}, lookup).text, "Second");
}

TEST_F(MacroLibraryTest, ConcurrentAppendsAndRewritesOfTheIndexNeverTearIt) {
    constexpr int kRounds = 100;
    // The appends fit the library even when every rewrite came first.
    constexpr int kAppends = kMaxMacros - 2;
    ASSERT_EQ(library.RewriteIndex({"r0", "s0"}), MacroError::None);

    std::atomic<int> failures{0};
    std::mutex firstBadMutex;
    std::string firstBad;
    const auto fail = [&](const std::string& what, const std::vector<std::string>& names) {
        if (failures++ == 0) {
            std::lock_guard lock(firstBadMutex);
            firstBad = what + ": " + Joined(names);
        }
    };

    // After its own write each thread reads the index back: the rewriter must
    // find its latest list (nothing put an older index back), the appender its
    // name last or a newer rewrite, and neither ever an index of another shape.
    std::thread rewriter([&] {
        for (int round = 1; round <= kRounds; ++round) {
            const std::string r = std::to_string(round);
            if (library.RewriteIndex({"r" + r, "s" + r}) != MacroError::None)
                return fail("rewrite failed", {});
            const auto names = library.ReadNames();
            const auto shape = ShapeOf(names);
            if (!shape || shape->round != round)
                fail("after rewrite " + r, names);
        }
    });
    std::thread appender([&] {
        int lastRound = 0;
        for (int n = 0; n < kAppends; ++n) {
            if (library.AppendName("a" + std::to_string(n)) != MacroError::None)
                return fail("append failed", {});
            const auto names = library.ReadNames();
            const auto shape = ShapeOf(names);
            if (!shape || shape->round < lastRound ||
                (!shape->appended.empty() && shape->appended.back() != n))
                fail("after append " + std::to_string(n), names);
            else
                lastRound = shape->round;
        }
    });
    rewriter.join();
    appender.join();
    EXPECT_EQ(failures.load(), 0) << firstBad;

    // The last rewrite stays, with only the appends that came after it.
    const auto names = library.ReadNames();
    const auto shape = ShapeOf(names);
    ASSERT_TRUE(shape) << Joined(names);
    EXPECT_EQ(shape->round, kRounds);
    EXPECT_TRUE(shape->appended.empty() || shape->appended.back() == kAppends - 1) << Joined(names);
    EXPECT_EQ(IniFile(library.IndexPath()).Keys("MACRONAME").size(), names.size());
    EXPECT_EQ(Listing(folder), (std::set<std::string>{std::string(kMouseIndexFile)}));
}
