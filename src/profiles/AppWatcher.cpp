#include "profiles/AppWatcher.h"

#include "platform/IniText.h"
#include "profiles/ProfileLinks.h"

#include <algorithm>

#include <sys/stat.h>

namespace zk::profiles {

namespace {

// clang-format off
const std::array<WatcherEntry, kWatcherCount> kWatchers = {{
    {DeviceKind::Mouse, ProfileKind::Device, "config_list", "鼠标灯光进程侦测线程设定退出"},
    {DeviceKind::Mouse, ProfileKind::Key, "ms_key_profile_combo", "鼠标按键进程线程设定退出"},
    {DeviceKind::Keyboard, ProfileKind::Device, "kb_device_profile_combo", "键盘灯光进程侦测线程设定退出"},
    {DeviceKind::Keyboard, ProfileKind::Key, "kb_key_profile_combo", "键盘按键进程侦测线程设定退出"},
    {DeviceKind::Mousepad, ProfileKind::Light, "mp_deng_profile_combo", "鼠标垫灯光进程侦测线程设定退出"},
}};
// clang-format on

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldAscii(x) == FoldAscii(y);
           });
}

} // namespace

const std::array<WatcherEntry, kWatcherCount>& Watchers() {
    return kWatchers;
}

std::optional<int> LinkedProfileFor(const ProfileIndex& index, ProfileKind kind, int count,
                                    std::string_view foreground) {
    if (foreground.empty())
        return std::nullopt;
    for (int i = 0; i < count; ++i)
        if (index.Linked(kind, i) && EqualIgnoringCase(LinkedPath(index, kind, i), foreground))
            return i;
    return std::nullopt;
}

CycleResult FollowForeground(const WatcherEntry& watcher, ProfileIndex index,
                             WatchedSelectors& selectors, std::string_view foreground) {
    if (selectors.Closing())
        return CycleResult::Skipped;
    const std::optional<int> count = selectors.Count(watcher.selector);
    if (!count)
        return CycleResult::SelectorGone;
    const int stored = index.Selected(watcher.kind);
    const std::optional<int> linked = LinkedProfileFor(index, watcher.kind, *count, foreground);
    selectors.Select(watcher.selector, linked.value_or(stored));
    // The apply remembered the selection; the user's choice stays the one kept.
    // A key that holds it already is left alone, so a cycle that changed
    // nothing writes nothing.
    const std::string_view section = SectionsOf(index.Kind(), watcher.kind).select;
    const std::string value = std::to_string(stored);
    platform::IniFile(index.File().Path()).Update([&](platform::IniText& text) {
        const std::optional<std::string> current = text.Find(section, kSelectKey);
        if (current && *current == value)
            return false;
        text.Set(section, kSelectKey, value);
        return true;
    });
    return CycleResult::Followed;
}

namespace {

// What tells one version of a file from another: every write replaces the
// file, so a new version is a new inode.
struct FileVersion {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    static FileVersion Of(const std::filesystem::path& path) {
        FileVersion v;
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0)
            return v;
        v.exists = true;
        v.device = st.st_dev;
        v.inode = st.st_ino;
        v.size = st.st_size;
        v.modified = st.st_mtim;
        return v;
    }
    bool operator==(const FileVersion& o) const {
        return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
               modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec;
    }
};

bool AnyLinked(const ProfileIndex& index, ProfileKind kind) {
    const std::string_view section = SectionsOf(index.Kind(), kind).linked;
    const std::vector<std::string> keys = index.File().Keys(section);
    return std::any_of(keys.begin(), keys.end(), [&](const std::string& key) {
        return index.File().ReadInt(section, key) == 1;
    });
}

} // namespace

void RunWatcher(const WatcherEntry& watcher, const WatcherEnvironment& env) {
    RunWatcher(watcher, ProfileIndex(watcher.device), env);
}

void RunWatcher(const WatcherEntry& watcher, const ProfileIndex& index,
                const WatcherEnvironment& env) {
    // The index file as it was when a cycle found no profile linked and so
    // selected the user's choice: while the file stays so, a cycle could
    // change nothing, and none runs (no look at the foreground program, no
    // call on the main thread); the watcher sleeps until woken or
    // kWatcherIdleRecheck.
    bool idle = false;
    FileVersion idleVersion;
    while (!env.wait(kWatcherStopPoll)) {
        const FileVersion version = FileVersion::Of(index.File().Path());
        if (idle && idleVersion == version) {
            if (env.wait(kWatcherIdleRecheck))
                break;
            continue;
        }
        idle = false;
        const bool anyLinked = AnyLinked(index, watcher.kind);
        const std::optional<std::string> foreground =
            env.foreground ? env.foreground() : std::nullopt;
        const std::string path = foreground.value_or(std::string());
        const std::optional<CycleResult> result =
            env.onMainThread([&watcher, &index, path](WatchedSelectors& selectors) {
                return FollowForeground(watcher, index, selectors, path);
            });
        if (!result)
            break;
        if (*result == CycleResult::SelectorGone)
            return;
        if (*result == CycleResult::Skipped) {
            if (env.wait(kWatcherSettle))
                break;
            continue;
        }
        if (!anyLinked) {
            idle = true;
            idleVersion = version;
        }
        if (!foreground && env.log)
            env.log(kDebugForegroundUnknown);
        if (env.wait(kWatcherSettle) || env.wait(kWatcherPeriod))
            break;
    }
    if (env.log)
        env.log(watcher.exitText);
}

} // namespace zk::profiles
