#include "profiles/ProfileList.h"

#include "platform/FileIo.h"
#include "platform/IniText.h"
#include "platform/Log.h"
#include "profiles/ProfileFile.h"
#include "profiles/ProfileStore.h"

#include <array>
#include <system_error>

namespace zk::profiles {

namespace {

constexpr DeviceKind kMouse = DeviceKind::Mouse;
constexpr std::string_view kNameFileSuffix = "name.ini";
constexpr std::string_view kCopySuffix = "_copy";
constexpr std::string_view kNewNameStem = "profile";

bool Listed(const std::vector<std::string>& rows, std::string_view name) {
    for (const auto& row : rows)
        if (platform::EqualsNoCase(row, name))
            return true;
    return false;
}

ListResult Refused(std::string_view message) {
    ListResult result;
    result.message = std::string(message);
    return result;
}

ListResult FileFailed(const std::string& what) {
    platform::DebugLine("profile list: " + what);
    return Refused(kMessageFileFailed);
}

// The two files of a profile: its device profile and its name file.
struct ProfileFiles {
    std::filesystem::path config;
    std::filesystem::path names;
};

std::optional<ProfileFiles> FilesOf(std::string_view name) {
    auto config = ProfileFilePath(kMouse, name, kDeviceExtension);
    auto names = NameFilePath(name);
    if (!config || !names)
        return std::nullopt;
    return ProfileFiles{*config, *names};
}

// The file as it exists on disk (its name in any case), or nothing.
std::optional<std::filesystem::path> Existing(const std::filesystem::path& path) {
    return FindFileNoCase(path);
}

bool CopyFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    const auto bytes = platform::ReadWholeFile(from);
    return bytes && platform::WriteFileAtomically(to, *bytes);
}

bool MoveFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::error_code ec;
    std::filesystem::rename(from, to, ec);
    return !ec;
}

// Removes a file; a file that is not there counts as removed.
bool RemoveFile(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::remove(path, ec);
    return !ec;
}

// A file's content kept while it is deleted, to put it back when a later step
// fails.
struct Kept {
    std::filesystem::path path;
    std::string bytes;
};

std::string Key(int index) {
    return std::to_string(index);
}

platform::IniFile IndexFile() {
    return platform::IniFile(ProfileIndex(kMouse).File().Path());
}

// Lists `name` as device profile `at`, not linked, and counts `at` + 1
// profiles, in one replace of the index file.
bool AppendToIndex(int at, const std::string& name) {
    const IndexSections& s = SectionsOf(kMouse, ProfileKind::Device);
    return IndexFile().Update([&](platform::IniText& text) {
        text.Set(s.name, Key(at), name);
        text.Set(s.linked, Key(at), "0");
        text.EraseKey(s.process, Key(at));
        text.Set(s.count, kCountKey, Key(at + 1));
        return true;
    });
}

} // namespace

std::string FreshProfileName(const std::vector<std::string>& rows) {
    for (int n = 1;; ++n) {
        std::string name = std::string(kNewNameStem) + std::to_string(n);
        if (!Listed(rows, name))
            return name;
    }
}

std::string CopyProfileName(const std::vector<std::string>& rows, std::string_view source) {
    const std::string stem = std::string(source) + std::string(kCopySuffix);
    if (!Listed(rows, stem))
        return stem;
    for (int n = 2;; ++n) {
        std::string name = stem + std::to_string(n);
        if (!Listed(rows, name))
            return name;
    }
}

std::optional<std::string> RowNameProblem(std::string_view name) {
    if (auto problem = ProfileNameProblem(name, kNameFileSuffix))
        return problem;
    if (name.find_first_of("\r\n") != std::string_view::npos)
        return std::string("the profile name holds a line break");
    if (platform::TrimBlanks(name).size() != name.size())
        return std::string("the profile name starts or ends with a blank");
    if (name.size() >= 2 && (name.front() == '"' || name.front() == '\'') &&
        name.back() == name.front())
        return std::string("the profile name is enclosed in quotes");
    return std::nullopt;
}

MouseProfileList::MouseProfileList(std::filesystem::path defaultFile)
    : defaultFile_(std::move(defaultFile)) {}

ListResult MouseProfileList::Create(const std::vector<std::string>& rows) {
    if (rows.size() >= static_cast<std::size_t>(kMaxProfiles))
        return Refused(kMessageProfileFull);
    const std::string name = FreshProfileName(rows);
    const auto files = FilesOf(name);
    if (!files)
        return Refused(kMessageNameUnusable);

    std::array<std::uint8_t, kMouseDeviceBody> body{};
    const int read = ReadProfileFile(defaultFile_, body);
    if (read != kProfileRead)
        return Refused(read == kProfileMissing ? kMessageDefaultMissing : kMessageDefaultMalformed);

    // A new profile starts from the factory settings alone: a name file left
    // under its name from elsewhere goes.
    if (!RemoveFile(files->names))
        return FileFailed("cannot remove " + files->names.string());
    if (!WriteProfileFile(files->config, body, DeviceTag::Mouse))
        return FileFailed("cannot write " + files->config.string());
    if (!AppendToIndex(static_cast<int>(rows.size()), name)) {
        RemoveFile(files->config);
        return FileFailed("cannot write the index");
    }
    return ListResult{true, name, {}};
}

ListResult MouseProfileList::Copy(const std::vector<std::string>& rows, int source) {
    if (rows.size() >= static_cast<std::size_t>(kMaxProfiles))
        return Refused(kMessageProfileFull);
    if (source < 0 || source >= static_cast<int>(rows.size()))
        return {};
    const std::string name = CopyProfileName(rows, rows[static_cast<std::size_t>(source)]);
    const auto from = FilesOf(rows[static_cast<std::size_t>(source)]);
    const auto to = FilesOf(name);
    if (!from || !to || RowNameProblem(name))
        return Refused(kMessageNameUnusable);

    const auto config = Existing(from->config);
    if (!config || !CopyFile(*config, to->config))
        return FileFailed("cannot copy " + from->config.string() + " to " + to->config.string());
    // The copy has the button names, report rate and pointer positions of
    // its source, or none when the source has none.
    const auto names = Existing(from->names);
    if (names ? !CopyFile(*names, to->names) : !RemoveFile(to->names)) {
        RemoveFile(to->config);
        return FileFailed("cannot copy " + from->names.string() + " to " + to->names.string());
    }
    if (!AppendToIndex(static_cast<int>(rows.size()), name)) {
        RemoveFile(to->config);
        RemoveFile(to->names);
        return FileFailed("cannot write the index");
    }
    return ListResult{true, name, {}};
}

ListResult MouseProfileList::Rename(const std::vector<std::string>& rows, int row,
                                    std::string_view typed) {
    if (row < 0 || row >= static_cast<int>(rows.size()))
        return {};
    const std::string name(platform::TrimBlanks(typed));
    const std::string& old = rows[static_cast<std::size_t>(row)];
    if (name == old)
        return ListResult{false, name, {}};
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (static_cast<int>(i) != row && platform::EqualsNoCase(rows[i], name))
            return Refused(kMessageNameTaken);
    if (auto problem = RowNameProblem(name)) {
        platform::DebugLine("profile list: " + *problem);
        return Refused(kMessageNameUnusable);
    }
    const auto from = FilesOf(old);
    const auto to = FilesOf(name);
    if (!from || !to)
        return Refused(kMessageNameUnusable);

    // The files move with the profile; a step that fails undoes the earlier.
    const auto config = Existing(from->config);
    if (config && !MoveFile(*config, to->config))
        return FileFailed("cannot rename " + config->string() + " to " + to->config.string());
    auto undoConfig = [&] {
        if (config)
            MoveFile(to->config, *config);
    };
    const auto names = Existing(from->names);
    if (names ? !MoveFile(*names, to->names) : !RemoveFile(to->names)) {
        undoConfig();
        return FileFailed("cannot rename " + from->names.string() + " to " + to->names.string());
    }
    if (!ProfileIndex(kMouse).SetName(ProfileKind::Device, row, name)) {
        if (names)
            MoveFile(to->names, *names);
        undoConfig();
        return FileFailed("cannot write the index");
    }
    return ListResult{true, name, {}};
}

ListResult MouseProfileList::Delete(const std::vector<std::string>& rows, int row) {
    if (rows.size() <= 1 || row < 0 || row >= static_cast<int>(rows.size()))
        return {};
    const std::string& name = rows[static_cast<std::size_t>(row)];
    const IndexSections& s = SectionsOf(kMouse, ProfileKind::Device);

    // The links of every row, before anything changes.
    struct Link {
        std::string linked;
        std::optional<std::string> process;
    };
    std::vector<Link> links;
    {
        const platform::IniFile index = IndexFile();
        const platform::IniText text(platform::ReadWholeFile(index.Path()).value_or(""));
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const std::string key = Key(static_cast<int>(i));
            links.push_back({index.Read(s.linked, key), text.Find(s.process, key)});
        }
    }

    // The files go, their content kept until the index is written.
    std::vector<Kept> kept;
    auto restore = [&] {
        for (const Kept& file : kept)
            platform::WriteFileAtomically(file.path, file.bytes);
    };
    if (const auto files = FilesOf(name)) {
        for (const auto& path : {files->names, files->config}) {
            const auto existing = Existing(path);
            if (!existing)
                continue;
            auto bytes = platform::ReadWholeFile(*existing);
            if (!bytes || !RemoveFile(*existing)) {
                restore();
                return FileFailed("cannot delete " + existing->string());
            }
            kept.push_back({*existing, std::move(*bytes)});
        }
    }

    // The device sections anew: the rows below move up one index with their
    // links; the last row is the selected one. Other sections stay.
    const bool written = IndexFile().Update([&](platform::IniText& text) {
        for (std::string_view section : {s.count, s.name, s.select, s.linked, s.process})
            text.EraseSection(section);
        int at = 0;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (static_cast<int>(i) == row)
                continue;
            text.Set(s.name, Key(at), rows[i]);
            text.Set(s.linked, Key(at), links[i].linked);
            if (links[i].process)
                text.Set(s.process, Key(at), *links[i].process);
            ++at;
        }
        text.Set(s.select, kSelectKey, Key(at - 1));
        text.Set(s.count, kCountKey, Key(at));
        return true;
    });
    if (!written) {
        restore();
        return FileFailed("cannot write the index");
    }
    return ListResult{true, name, {}};
}

} // namespace zk::profiles
