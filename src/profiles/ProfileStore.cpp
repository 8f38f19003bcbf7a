#include "profiles/ProfileStore.h"

#include "platform/FileIo.h"
#include "platform/Folders.h"
#include "platform/Log.h"

#include "platform/IniText.h"

#include <algorithm>
#include <array>
#include <span>

namespace zk::profiles {

namespace {

using settings::CopyBytes;
using settings::PutByte;

// Reads a profile body into a zeroed buffer; writes the debug line of a
// failure. A refused name counts as a missing file.
int ReadBody(const std::optional<std::filesystem::path>& path, std::span<std::uint8_t> buffer) {
    const int result = path ? ReadProfileFile(*path, buffer) : kProfileMissing;
    if (result == kProfileMissing)
        platform::DebugLine(kDebugProfileMissing);
    else if (result == kProfileBadFormat)
        platform::DebugLine(kDebugProfileMalformed);
    return result;
}

bool WriteBody(const std::optional<std::filesystem::path>& path, std::span<const std::uint8_t> body,
               DeviceTag tag) {
    return path && WriteProfileFile(*path, body, tag);
}

std::uint8_t NonZero(int value) {
    const auto low = static_cast<std::uint8_t>(value & 0xFF);
    return low == 0 ? 1 : low;
}

std::filesystem::path DefaultPath(const StoreSeams& seams, std::string_view file) {
    const std::string folder =
        seams.moduleFolder.empty() ? platform::GetModuleFolder() : seams.moduleFolder;
    return std::filesystem::path(folder) / file;
}

void Show(const StoreSeams& seams, std::string_view key) {
    if (seams.showMessage)
        seams.showMessage(key);
}

// The profiles whose files are in the kind's folder: the usable stems of the
// files with `extension` (matched without regard to case), one per name
// without regard to case, in alphabetical order, at most kMaxProfiles.
std::vector<std::string> ProfilesOnDisk(DeviceKind kind, std::string_view extension) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(ProfileFolder(kind), ec)) {
        if (!entry.is_regular_file(ec))
            continue;
        const std::string file = entry.path().filename().string();
        if (file.size() <= extension.size() ||
            !platform::EqualsNoCase(std::string_view(file).substr(file.size() - extension.size()),
                                    extension))
            continue;
        std::string stem = file.substr(0, file.size() - extension.size());
        if (!ProfileNameProblem(stem))
            names.push_back(std::move(stem));
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return platform::LessNoCase(a, b);
    });
    names.erase(std::unique(names.begin(), names.end(),
                            [](const std::string& a, const std::string& b) {
                                return platform::EqualsNoCase(a, b);
                            }),
                names.end());
    if (names.size() > static_cast<std::size_t>(kMaxProfiles))
        names.resize(kMaxProfiles);
    return names;
}

// Gives a file of its own to a profile `name` that, being found without regard
// to case, would share its file with an earlier profile: the profile takes the
// first free name "<name>_2", "<name>_3", ... and its data moves there (its
// own file, where one exists under its exact name) or is copied there (the
// file the two shared), with the mouse's name file alike. Nothing is lost and
// both profiles keep what they showed. Returns the name the profile has now.
std::string SeparateCollidingName(ProfileIndex& index, ProfileKind kind, int row,
                                  const std::string& name, const std::string& earlier,
                                  const std::vector<std::string>& taken,
                                  std::string_view extension) {
    const std::filesystem::path folder = ProfileFolder(index.Kind());
    auto isTaken = [&](const std::string& candidate) {
        for (const auto& other : taken)
            if (platform::EqualsNoCase(other, candidate))
                return true;
        return FindFileNoCase(folder / (candidate + std::string(extension))).has_value();
    };
    std::string fresh;
    for (int n = 2;; ++n) {
        fresh = name + "_" + std::to_string(n);
        if (!isTaken(fresh))
            break;
    }
    if (ProfileNameProblem(fresh))
        return name;
    std::vector<std::string_view> suffixes{extension};
    if (index.Kind() == DeviceKind::Mouse && kind == ProfileKind::Device)
        suffixes.push_back("name.ini");
    for (std::string_view suffix : suffixes) {
        const std::filesystem::path own = folder / (name + std::string(suffix));
        const std::filesystem::path shared = folder / (earlier + std::string(suffix));
        const std::filesystem::path target = folder / (fresh + std::string(suffix));
        std::error_code ec;
        if (std::filesystem::exists(own, ec) && !std::filesystem::equivalent(own, shared, ec)) {
            std::filesystem::rename(own, target, ec);
        } else if (auto source = FindFileNoCase(shared)) {
            if (auto bytes = platform::ReadWholeFile(*source))
                platform::WriteFileAtomically(target, *bytes);
        }
    }
    index.SetName(kind, row, fresh);
    platform::DebugLine("profile \"" + name + "\" shared its file with \"" + earlier +
                        "\"; it is now \"" + fresh + "\"");
    return fresh;
}

// Lists `names` in the index, none linked, the first selected; the count last.
void WriteIndex(ProfileIndex& index, ProfileKind kind, const std::vector<std::string>& names) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        index.SetName(kind, static_cast<int>(i), names[i]);
        index.SetLinked(kind, static_cast<int>(i), false);
    }
    index.SetSelected(kind, 0);
    index.SetCount(kind, static_cast<int>(names.size()));
}

// One selector's initialisation: the names of the index when it counts any
// (at most kMaxProfiles); else, when the folder holds profile files of the
// kind, an index rebuilt from them (a lost or damaged index never costs the
// user a profile); else "profile1" from the default file (`defaultBody`
// bytes of it) with a fresh header and `tag`. The count is written last, so an
// interrupted first run starts over.
SelectorEntries InitialiseSelector(ProfileIndex index, ProfileKind kind, const StoreSeams& seams,
                                   const std::optional<std::filesystem::path>& defaultFile,
                                   std::size_t defaultBody, std::string_view extension,
                                   DeviceTag tag) {
    SelectorEntries entries;
    const int count = index.Count(kind);
    if (count > 0) {
        const int listed = std::min(count, kMaxProfiles);
        for (int i = 0; i < listed; ++i)
            entries.names.push_back(index.Name(kind, i));
        for (std::size_t i = 1; i < entries.names.size(); ++i)
            for (std::size_t j = 0; j < i; ++j)
                if (platform::EqualsNoCase(entries.names[j], entries.names[i])) {
                    entries.names[i] =
                        SeparateCollidingName(index, kind, static_cast<int>(i), entries.names[i],
                                              entries.names[j], entries.names, extension);
                    break;
                }
        if (count > listed)
            index.SetCount(kind, listed);
    } else if (auto onDisk = ProfilesOnDisk(index.Kind(), extension); !onDisk.empty()) {
        platform::DebugLine("profile index rebuilt from the profile files");
        WriteIndex(index, kind, onDisk);
        entries.names = std::move(onDisk);
    } else {
        std::vector<std::uint8_t> body(defaultBody, 0);
        const int result = defaultFile ? ReadProfileFile(*defaultFile, body) : kProfileMissing;
        if (result != kProfileRead) {
            Show(seams,
                 result == kProfileMissing ? kMessageDefaultMissing : kMessageDefaultMalformed);
            entries.failed = true;
            return entries;
        }
        WriteBody(ProfileFilePath(index.Kind(), kFirstProfileName, extension), body, tag);
        entries.names.emplace_back(kFirstProfileName);
        entries.created = true;
        WriteIndex(index, kind, entries.names);
    }
    entries.select = index.Selected(kind);
    // A stored choice outside the list would leave no profile selected, and
    // every later save would go nowhere: the first profile is chosen instead.
    if (!entries.names.empty() &&
        (entries.select < 0 || entries.select >= static_cast<int>(entries.names.size()))) {
        entries.select = 0;
        index.SetSelected(kind, 0);
    }
    return entries;
}

} // namespace

// --- mouse -------------------------------------------------------------------

MouseProfileStore::MouseProfileStore(settings::MouseSettingsImage& image, StoreSeams seams)
    : image_(image), seams_(std::move(seams)) {}

int MouseProfileStore::LoadDeviceProfile(int index) {
    const auto path = ProfileFilePath(DeviceKind::Mouse, Index().Name(ProfileKind::Device, index),
                                      kDeviceExtension);
    std::array<std::uint8_t, kMouseDeviceBody> body{};
    const int result = ReadBody(path, body);
    if (result != kProfileRead)
        return result;
    CopyBytes(image_.buttonTables[0].Bytes(), std::span(body).first<settings::kButtonTableSize>());
    image_.LoadProfileRecord(std::span(body).subspan<settings::kButtonTableSize>());
    const SystemPointer system = seams_.systemPointer ? seams_.systemPointer() : SystemPointer{};
    image_.wheelLines.store(NonZero(system.wheelLines));
    image_.pointerSpeed.store(NonZero(system.pointerSpeed));
    return result;
}

bool MouseProfileStore::SaveDeviceProfile() {
    const auto path = ProfileFilePath(DeviceKind::Mouse, Index().SelectedName(ProfileKind::Device),
                                      kDeviceExtension);
    image_.StoreRecordIntoProfile();
    std::array<std::uint8_t, kMouseDeviceBody> body{};
    CopyBytes(std::span(body).first<settings::kButtonTableSize>(), image_.buttonTables[0].Bytes());
    CopyBytes(std::span(body).subspan<settings::kButtonTableSize>(), image_.ProfileBytes(0));
    return WriteBody(path, body, DeviceTag::Mouse);
}

int MouseProfileStore::LoadLightProfile(int index) {
    const auto path = ProfileFilePath(DeviceKind::Mouse, Index().Name(ProfileKind::Light, index),
                                      kLightExtension);
    std::array<std::uint8_t, kMouseLightBody> body{};
    const int result = ReadBody(path, body);
    if (result != kProfileRead)
        return result;
    image_.LoadProfileRecord(body);
    image_.pointerSpeed.store(NonZero(body[41]));
    image_.wheelLines.store(NonZero(body[42]));
    return result;
}

bool MouseProfileStore::SaveLightProfile() {
    const auto path = ProfileFilePath(DeviceKind::Mouse, Index().SelectedName(ProfileKind::Light),
                                      kLightExtension);
    image_.StoreRecordIntoProfile();
    std::array<std::uint8_t, kMouseLightBody> body{};
    CopyBytes(body, image_.ProfileBytes(0));
    return WriteBody(path, body, DeviceTag::Mouse);
}

int MouseProfileStore::LoadKeyProfile(int index) {
    const auto path = ProfileFilePath(DeviceKind::Mouse, Index().Name(ProfileKind::Key, index),
                                      kKeyReadExtension);
    std::array<std::uint8_t, kKeyBody> body{};
    const int result = ReadBody(path, body);
    if (result == kProfileRead)
        CopyBytes(image_.buttonTables[0].Bytes(), body);
    return result;
}

SelectorEntries MouseProfileStore::InitialiseProfiles() {
    return InitialiseSelector(Index(), ProfileKind::Device, seams_,
                              DefaultPath(seams_, kMouseDeviceDefault), kMouseDeviceBody,
                              kDeviceExtension, DeviceTag::Mouse);
}

// --- keyboard ----------------------------------------------------------------

KeyboardProfileStore::KeyboardProfileStore(settings::KeyboardImage& image, StoreSeams seams)
    : image_(image), seams_(std::move(seams)) {}

int KeyboardProfileStore::LoadDeviceProfile(int index) {
    const auto path = ProfileFilePath(DeviceKind::Keyboard,
                                      Index().Name(ProfileKind::Device, index), kDeviceExtension);
    std::vector<std::uint8_t> body(kKeyboardDeviceBody, 0);
    const int result = ReadBody(path, body);
    if (result != kProfileRead)
        return result;
    std::copy_n(body.begin(), kKeyBody, image_.keyTable.begin());
    CopyBytes(image_.RecordBytes(), std::span(body).subspan(kKeyBody));
    CopyBytes(image_.LiveBytes(), image_.HeaderBytes(0));
    return result;
}

bool KeyboardProfileStore::SaveDeviceProfile() {
    const auto path = ProfileFilePath(DeviceKind::Keyboard,
                                      Index().SelectedName(ProfileKind::Device), kDeviceExtension);
    CopyBytes(image_.HeaderBytes(0), image_.LiveBytes());
    std::vector<std::uint8_t> body(kKeyboardDeviceBody, 0);
    std::copy(image_.keyTable.begin(), image_.keyTable.end(), body.begin());
    CopyBytes(std::span(body).subspan(kKeyBody), image_.RecordBytes());
    return WriteBody(path, body, DeviceTag::Keyboard);
}

int KeyboardProfileStore::LoadLightProfile(int index) {
    const auto path = ProfileFilePath(DeviceKind::Keyboard, Index().Name(ProfileKind::Light, index),
                                      kLightExtension);
    std::vector<std::uint8_t> body(kKeyboardLightBody, 0);
    const int result = ReadBody(path, body);
    if (result != kProfileRead)
        return result;
    CopyBytes(image_.RecordBytes(), body);
    CopyBytes(image_.LiveBytes(), image_.HeaderBytes(0));
    return result;
}

bool KeyboardProfileStore::SaveLightProfile() {
    const auto path = ProfileFilePath(DeviceKind::Keyboard,
                                      Index().SelectedName(ProfileKind::Light), kLightExtension);
    CopyBytes(image_.HeaderBytes(0), image_.LiveBytes());
    std::vector<std::uint8_t> body(kKeyboardLightBody, 0);
    CopyBytes(body, image_.RecordBytes());
    return WriteBody(path, body, DeviceTag::Keyboard);
}

int KeyboardProfileStore::LoadKeyProfile(int index) {
    const auto path = ProfileFilePath(DeviceKind::Keyboard, Index().Name(ProfileKind::Key, index),
                                      kKeyReadExtension);
    std::array<std::uint8_t, kKeyBody> body{};
    const int result = ReadBody(path, body);
    if (result == kProfileRead)
        std::copy(body.begin(), body.end(), image_.keyTable.begin());
    return result;
}

bool KeyboardProfileStore::SaveKeyProfile() {
    const auto path = ProfileFilePath(DeviceKind::Keyboard, Index().SelectedName(ProfileKind::Key),
                                      kKeyWriteExtension);
    return WriteBody(path, image_.keyTable, DeviceTag::Keyboard);
}

KeyboardProfileStore::Selectors KeyboardProfileStore::InitialiseProfiles() {
    Selectors selectors;
    const int model = image_.model.load();
    const bool known = model == 0 || model == 1;
    auto defaultFile = [&](const std::string_view(&names)[2]) {
        return known ? std::optional(DefaultPath(seams_, names[model])) : std::nullopt;
    };
    selectors.device = InitialiseSelector(Index(), ProfileKind::Device, seams_,
                                          defaultFile(kKeyboardDeviceDefault), kKeyboardDeviceBody,
                                          kDeviceExtension, DeviceTag::Keyboard);
    if (selectors.device.failed)
        return selectors;
    selectors.light =
        InitialiseSelector(Index(), ProfileKind::Light, seams_, defaultFile(kKeyboardLightDefault),
                           kKeyboardLightDefaultBody, kLightExtension, DeviceTag::Keyboard);
    if (selectors.light.failed)
        return selectors;
    selectors.key =
        InitialiseSelector(Index(), ProfileKind::Key, seams_, defaultFile(kKeyboardKeyDefault),
                           kKeyBody, kKeyWriteExtension, DeviceTag::Keyboard);
    return selectors;
}

// --- mousepad ----------------------------------------------------------------

MousepadProfileStore::MousepadProfileStore(settings::MousepadImage& image, StoreSeams seams)
    : image_(image), seams_(std::move(seams)) {}

int MousepadProfileStore::LoadLightProfile(int index) {
    const auto path = ProfileFilePath(DeviceKind::Mousepad, Index().Name(ProfileKind::Light, index),
                                      kLightExtension);
    std::array<std::uint8_t, kMousepadLightBody> body{};
    const int result = ReadBody(path, body);
    if (result != kProfileRead)
        return result;
    const std::size_t slot = image_.CurrentSlot();
    CopyBytes(image_.RecordBytes(slot), body);
    CopyBytes(image_.LiveBytes(), image_.RecordBytes(slot));
    return result;
}

bool MousepadProfileStore::SaveLightProfile() {
    const auto path = ProfileFilePath(DeviceKind::Mousepad,
                                      Index().SelectedName(ProfileKind::Light), kLightExtension);
    const std::size_t slot = image_.CurrentSlot();
    CopyBytes(image_.RecordBytes(slot), image_.LiveBytes());
    std::array<std::uint8_t, kMousepadLightBody> body{};
    CopyBytes(body, image_.RecordBytes(slot));
    return WriteBody(path, body, DeviceTag::Mousepad);
}

SelectorEntries MousepadProfileStore::InitialiseProfiles() {
    return InitialiseSelector(Index(), ProfileKind::Light, seams_,
                              DefaultPath(seams_, kMousepadLightDefault), kMousepadLightBody,
                              kLightExtension, DeviceTag::Mousepad);
}

} // namespace zk::profiles
