#pragma once

// Profiles that follow the foreground application. Five watchers, one per
// linkable selector, look at the foreground program about every two seconds:
// while a linked program is in front its profile is selected (and so
// applied), otherwise the profile the user chose; the index file keeps the
// user's choice. Every cycle reads the index file again.
//
// A cycle's selection and the write-back of the user's choice run together
// on the main thread, where the user's own choices are made too, so a choice
// the user makes is never overwritten by a cycle.

#include "profiles/ProfileIndex.h"

#include <array>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zk::profiles {

struct WatcherEntry {
    DeviceKind device;
    ProfileKind kind;
    std::string_view selector; // control name
    std::string_view exitText; // debug line when the watcher stops
};

// The watchers in start order (thread places 10 to 14): mouse device
// ("config_list", the rows of the mouse device profiles), mouse key,
// keyboard device, keyboard key, mousepad light.
inline constexpr int kWatcherCount = 5;
const std::array<WatcherEntry, kWatcherCount>& Watchers();

// Debug line of a cycle that could not find the foreground program.
inline constexpr std::string_view kDebugForegroundUnknown = "文件名字访问失败";

// Waits of one cycle: on the stop event (a look without waiting, since the
// cycle ends in waits of its own), after the selection, between cycles.
inline constexpr std::chrono::milliseconds kWatcherStopPoll{0};
inline constexpr std::chrono::milliseconds kWatcherSettle{100};
inline constexpr std::chrono::milliseconds kWatcherPeriod{2000};
// How long a watcher with no profile linked sleeps before it looks at its index
// file again: a write of the file by this program wakes it at once (the program
// wires the watchers to its file replacements), so this wait only bounds how
// late a change made by another program is seen.
inline constexpr std::chrono::milliseconds kWatcherIdleRecheck{30000};

// The selectors as the main thread sees them (called on the main thread).
class WatchedSelectors {
public:
    virtual ~WatchedSelectors() = default;
    // The number of entries; nothing when the window or the selector is gone.
    virtual std::optional<int> Count(std::string_view selector) = 0;
    // Selects entry `index` as the user would, which applies it; an entry
    // that is already selected, or one beyond the entries, applies nothing.
    virtual void Select(std::string_view selector, int index) = 0;
    // The window is closing: a cycle selects nothing (the stop follows).
    virtual bool Closing() const { return false; }
};

// The first profile of `kind` among `count` whose flag is exactly 1 and whose
// path equals `foreground` in full, without regard to case; nothing for an
// empty foreground path.
std::optional<int> LinkedProfileFor(const ProfileIndex& index, ProfileKind kind, int count,
                                    std::string_view foreground);

enum class CycleResult {
    Followed,     // the selection was made and the user's choice written back
    SelectorGone, // the window or the selector is gone: the watcher ends
    Skipped,      // the window is closing: nothing was done
};

// The main thread's part of one cycle: select the linked profile, or the
// user's choice when none matches, then write the user's choice back.
CycleResult FollowForeground(const WatcherEntry& watcher, ProfileIndex index,
                             WatchedSelectors& selectors, std::string_view foreground);

// What a watcher thread needs of its surroundings.
struct WatcherEnvironment {
    // The foreground program's executable (watcher thread); nothing when it
    // cannot be found.
    std::function<std::optional<std::string>()> foreground;
    // Runs `cycle` on the main thread and waits until it ran; nothing when
    // the stop event was set first.
    std::function<std::optional<CycleResult>(std::function<CycleResult(WatchedSelectors&)> cycle)>
        onMainThread;
    // Waits on the stop event; true when it is set.
    std::function<bool(std::chrono::milliseconds)> wait;
    std::function<void(std::string_view)> log;
};

// The body of a watcher thread: cycles until the stop event is set (then
// writes its exit text) or until its selector is gone (silently). While no
// profile of its kind is linked and the user's choice is selected, cycles
// that could change nothing are left out until the index file changes.
void RunWatcher(const WatcherEntry& watcher, const WatcherEnvironment& env);
// The same on the given index file.
void RunWatcher(const WatcherEntry& watcher, const ProfileIndex& index,
                const WatcherEnvironment& env);

} // namespace zk::profiles
