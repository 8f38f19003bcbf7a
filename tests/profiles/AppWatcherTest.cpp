// One watcher cycle's main-thread part against index files: which entry it
// selects for a foreground path, and that the file keeps the user's choice.
// The watchers in the running program are tested on a real X server
// (tests/app/WatcherX11Test.cpp).

#include "profiles/AppWatcher.h"

#include "platform/FileIo.h"
#include "platform/IniFile.h"
#include "profiles/ProfileLinks.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>

#include <string>
#include <vector>

using namespace zk::profiles;

namespace {

// Selectors that record the selections asked of them; selecting an entry
// other than the selected one remembers it in the index file, as applying a
// profile does.
class RecordedSelectors final : public WatchedSelectors {
public:
    RecordedSelectors(std::optional<int> count, ProfileIndex index)
        : count_(count), index_(std::move(index)) {}
    std::optional<int> Count(std::string_view) override { return count_; }
    void Select(std::string_view, int index) override {
        const bool applies = selected.empty() || selected.back() != index;
        selected.push_back(index);
        if (applies && count_ && index < *count_)
            index_.SetSelected(ProfileKind::Device, index);
    }
    std::vector<int> selected;

private:
    std::optional<int> count_;
    ProfileIndex index_;
};

const WatcherEntry& KeyboardDeviceWatcher() {
    return Watchers()[2];
}

TEST(AppWatcher, CycleSelectsTheLinkOrTheStoredChoiceAndKeepsTheChoice) {
    struct Case {
        const char* what;
        std::optional<int> entries; // nothing: selector gone
        std::string ini;            // kbProfile.ini
        std::string foreground;
        std::vector<int> selected;
        std::string after = {}; // the file afterwards, when not as it was
    };
    const std::string head = "[PROFILEDEVICESELECT]\nselect=3\n";
    const Case cases[] = {
        {"empty selector: only the key is rewritten",
         0,
         head + "[PROFILELIKEDEVICEEXE]\n0=1\n[DEVICEPROCESS]\n0=/usr/bin/game\n",
         "/usr/bin/game",
         {3}},
        {"empty selector without a key: the key is written",
         0,
         "[PROFILELIKEDEVICEEXE]\n0=1\n",
         "/usr/bin/game",
         {0},
         "[PROFILELIKEDEVICEEXE]\n0=1\n[PROFILEDEVICESELECT]\nselect=0\n"},
        {"selector gone: nothing selected, nothing written",
         std::nullopt,
         head + "[PROFILELIKEDEVICEEXE]\n0=1\n",
         "/usr/bin/game",
         {}},
        {"a file written before: the device link in PROCESS",
         5,
         head + "[PROFILELIKEDEVICEEXE]\n1=1\n[PROCESS]\n1=/usr/bin/game\n",
         "/usr/bin/game",
         {1}},
        {"the own section first",
         5,
         head + "[PROFILELIKEDEVICEEXE]\n1=1\n2=1\n[PROCESS]\n1=/usr/bin/game\n"
                "[DEVICEPROCESS]\n1=/usr/bin/other\n2=/usr/bin/game\n",
         "/usr/bin/game",
         {2}},
        {"a link beyond the entries is not looked at",
         2,
         head + "[PROFILELIKEDEVICEEXE]\n2=1\n[DEVICEPROCESS]\n2=/usr/bin/game\n",
         "/usr/bin/game",
         {3}},
        {"an unknown foreground matches no link without a path",
         5,
         head + "[PROFILELIKEDEVICEEXE]\n0=1\n",
         "",
         {3}},
        {"flag 2 and a shorter path do not count",
         5,
         head +
             "[PROFILELIKEDEVICEEXE]\n0=2\n1=1\n[DEVICEPROCESS]\n0=/usr/bin/game\n1=/usr/bin/gam\n",
         "/usr/bin/game",
         {3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        zktest::TempDir dir;
        const auto path = dir / "kbProfile.ini";
        ASSERT_TRUE(zk::platform::WriteFileAtomically(path, c.ini));
        const ProfileIndex index(DeviceKind::Keyboard, path);
        RecordedSelectors selectors(c.entries, index);
        const CycleResult result =
            FollowForeground(KeyboardDeviceWatcher(), index, selectors, c.foreground);
        EXPECT_EQ(result, c.entries ? CycleResult::Followed : CycleResult::SelectorGone);
        EXPECT_EQ(selectors.selected, c.selected);
        // The user's choice is written back over the applied selection.
        EXPECT_EQ(zk::platform::ReadWholeFile(path).value_or(""),
                  c.after.empty() ? c.ini : c.after);
    }
}

// A watcher whose kind has no linked profile does no cycle (no look at the
// foreground program, no call on the main thread) until the index file
// changes; once a profile is linked it cycles every time again, and after the
// link is removed one more cycle brings the user's choice back.
TEST(AppWatcher, CyclesOnlyWhileAProfileIsLinked) {
    zktest::TempDir dir;
    const auto path = dir / "kbProfile.ini";
    ASSERT_TRUE(zk::platform::WriteFileAtomically(path, "[PROFILEDEVICESELECT]\nselect=2\n"));
    ProfileIndex index(DeviceKind::Keyboard, path);
    RecordedSelectors selectors(4, index);

    // Each entry: what happens before that cycle; the run stops after the last.
    const std::vector<std::function<void()>> beforeCycle = {
        [] {}, [] {},
        [] {}, [&] { ASSERT_TRUE(WriteLink(index, ProfileKind::Device, 1, "/usr/bin/game")); },
        [] {}, [&] { ASSERT_TRUE(RemoveLink(index, ProfileKind::Device, 1)); },
        [] {}, [] {},
    };
    std::vector<int> asked; // the cycles that looked at the foreground program
    int cycle = -1;
    WatcherEnvironment env;
    env.foreground = [&] {
        asked.push_back(cycle);
        return std::optional<std::string>("/usr/bin/game");
    };
    env.onMainThread = [&](auto run) { return std::optional<CycleResult>(run(selectors)); };
    env.wait = [&](std::chrono::milliseconds wait) {
        if (wait != kWatcherStopPoll)
            return false;
        if (++cycle == static_cast<int>(beforeCycle.size()))
            return true;
        beforeCycle[static_cast<std::size_t>(cycle)]();
        return false;
    };
    RunWatcher(KeyboardDeviceWatcher(), index, env);

    // A cycle whose selection applied a profile changed the file: the next
    // one runs too, and finds nothing to do.
    EXPECT_EQ(asked, (std::vector<int>{0, 1, 3, 4, 5, 6}));
    EXPECT_EQ(selectors.selected, (std::vector<int>{2, 2, 1, 1, 2, 2}));
    EXPECT_EQ(index.Selected(ProfileKind::Device), 2);
}

// Removing a keyboard device link leaves "PROCESS", which a key link may use.
TEST(AppWatcher, KeyboardDeviceLinksHaveTheirOwnSection) {
    zktest::TempDir dir;
    ProfileIndex index(DeviceKind::Keyboard, dir / "kbProfile.ini");
    ASSERT_TRUE(WriteLink(index, ProfileKind::Key, 1, "/usr/bin/shooter"));
    ASSERT_TRUE(WriteLink(index, ProfileKind::Device, 1, "/usr/bin/racer"));
    EXPECT_EQ(LinkedPath(index, ProfileKind::Device, 1), "/usr/bin/racer");
    EXPECT_EQ(LinkedPath(index, ProfileKind::Key, 1), "/usr/bin/shooter");
    ASSERT_TRUE(RemoveLink(index, ProfileKind::Device, 1));
    EXPECT_FALSE(index.Linked(ProfileKind::Device, 1));
    EXPECT_EQ(index.File().Read("DEVICEPROCESS", "1", "none"), "none");
    EXPECT_TRUE(index.Linked(ProfileKind::Key, 1));
    EXPECT_EQ(LinkedPath(index, ProfileKind::Key, 1), "/usr/bin/shooter");
}

} // namespace
