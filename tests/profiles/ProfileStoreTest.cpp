#include "profiles/ProfileStore.h"

#include "emulator/Emulator.h"
#include "platform/FileIo.h"
#include "platform/Folders.h"
#include "platform/IniFile.h"
#include "protocol/DeviceChannel.h"
#include "settings/SettingsTransfer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using namespace zk::profiles;
using namespace zk::settings;
namespace fs = std::filesystem;

namespace {

std::string StageFolder() {
    // The environment of the test when it has it, otherwise the build's own.
    const char* stage = std::getenv("ZK_STAGE_DIR");
    return std::string(stage ? stage : ZK_TEST_STAGE_DIR) + "/";
}

std::vector<uint8_t> Body(const fs::path& path) {
    const auto raw = zk::platform::ReadWholeFile(path);
    if (!raw || raw->size() < 16)
        return {};
    return std::vector<uint8_t>(raw->begin() + 16, raw->end());
}

uint8_t TagOf(const fs::path& path) {
    const auto raw = zk::platform::ReadWholeFile(path);
    return raw && raw->size() > 4 ? static_cast<uint8_t>((*raw)[4]) : 0;
}

// Every regular file below a folder.
std::vector<fs::path> FilesBelow(const fs::path& folder) {
    std::vector<fs::path> out;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file())
            out.push_back(e.path());
    return out;
}

class Store : public ::testing::Test {
protected:
    StoreSeams Seams(std::string moduleFolder = StageFolder()) {
        StoreSeams seams;
        seams.showMessage = [this](std::string_view key) { messages.emplace_back(key); };
        seams.systemPointer = [this] {
            ++systemReads;
            return system;
        };
        seams.moduleFolder = std::move(moduleFolder);
        return seams;
    }
    fs::path Folder(DeviceKind kind) { return ProfileFolder(kind); }

    zktest::TempHome home;
    std::vector<std::string> messages;
    SystemPointer system{9, 4};
    int systemReads = 0;
    std::unique_ptr<MouseSettingsImage> mouse = std::make_unique<MouseSettingsImage>();
    std::unique_ptr<KeyboardImage> keyboard = std::make_unique<KeyboardImage>();
    std::unique_ptr<MousepadImage> mousepad = std::make_unique<MousepadImage>();
};

TEST_F(Store, MouseFirstRunCreatesProfile1AndADeletedIndexCreatesItAgain) {
    MouseProfileStore store(*mouse, Seams());
    const SelectorEntries first = store.InitialiseProfiles();
    EXPECT_TRUE(first.created);
    EXPECT_EQ(first.names, std::vector<std::string>{"profile1"});
    EXPECT_EQ(first.select, 0);
    EXPECT_TRUE(messages.empty());

    const fs::path profile1 = Folder(DeviceKind::Mouse) / "profile1.config";
    EXPECT_EQ(Body(profile1), Body(StageFolder() + "msdevicedefault.config"));
    EXPECT_EQ(Body(profile1).size(), 576u);
    EXPECT_EQ(TagOf(profile1), 2);
    const auto msIndex = MouseProfileStore::Index();
    const auto& ini = msIndex.File();
    EXPECT_EQ(ini.Read("PROFILEDEVICECOUNT", "count"), "1");
    EXPECT_EQ(ini.Read("PROFILEDEVICENAME", "0"), "profile1");
    EXPECT_EQ(ini.Read("PROFILELIKEDEVICEEXE", "0"), "0");
    EXPECT_EQ(ini.Read("PROFILEDEVICESELECT", "select"), "0");

    // A later start lists what the index holds.
    auto index = MouseProfileStore::Index();
    index.SetName(ProfileKind::Device, 1, "work");
    index.SetCount(ProfileKind::Device, 2);
    index.SetSelected(ProfileKind::Device, 1);
    const SelectorEntries later = store.InitialiseProfiles();
    EXPECT_FALSE(later.created);
    EXPECT_EQ(later.names, (std::vector<std::string>{"profile1", "work"}));
    EXPECT_EQ(later.select, 1);

    // Without the index and without profile files, "profile1" comes back
    // from the default file.
    fs::remove(profile1);
    fs::remove(Folder(DeviceKind::Mouse) / "msProfile.ini");
    const SelectorEntries again = store.InitialiseProfiles();
    EXPECT_TRUE(again.created);
    EXPECT_EQ(again.names, std::vector<std::string>{"profile1"});
    EXPECT_EQ(Body(profile1), Body(StageFolder() + "msdevicedefault.config"));
}

TEST_F(Store, AMissingOrDamagedIndexIsRebuiltFromTheProfileFilesWithoutOverwritingThem) {
    MouseProfileStore store(*mouse, Seams());
    ASSERT_TRUE(store.InitialiseProfiles().created);
    const fs::path folder = Folder(DeviceKind::Mouse);
    const fs::path profile1 = folder / "profile1.config";
    fs::copy_file(profile1, folder / "Work.config");
    std::ofstream(profile1, std::ios::trunc) << "the user's own";
    for (const char* count : {"", "0", "-5", "abc"}) {
        SCOPED_TRACE(count);
        auto index = MouseProfileStore::Index();
        if (*count)
            ASSERT_TRUE(zk::platform::IniFile(folder / "msProfile.ini")
                            .Write("PROFILEDEVICECOUNT", "count", count));
        else
            fs::remove(folder / "msProfile.ini");
        const SelectorEntries entries = store.InitialiseProfiles();
        EXPECT_FALSE(entries.created);
        EXPECT_EQ(entries.names, (std::vector<std::string>{"profile1", "Work"}));
        EXPECT_EQ(zk::platform::ReadWholeFile(profile1), "the user's own");
        EXPECT_EQ(index.Count(ProfileKind::Device), 2);
        EXPECT_EQ(index.Name(ProfileKind::Device, 1), "Work");
    }
}

TEST_F(Store, NamesCollidingWithoutRegardToCaseGetFilesOfTheirOwnAndLoseNothing) {
    MouseProfileStore store(*mouse, Seams());
    ASSERT_TRUE(store.InitialiseProfiles().created);
    const fs::path folder = Folder(DeviceKind::Mouse);
    auto index = MouseProfileStore::Index();
    // "abc" and "ABC" shared abc.config; "Work" and "WORK" each have a file.
    for (const char* name : {"abc", "Work", "WORK"})
        fs::copy_file(folder / "profile1.config", folder / (std::string(name) + ".config"));
    std::ofstream(folder / "Work.config", std::ios::app) << "work";
    std::ofstream(folder / "WORK.config", std::ios::app) << "WORK";
    std::ofstream(folder / "abcname.ini") << "[KEYNAME]\n2=Copy\n";
    const std::vector<std::string> listed{"profile1", "abc", "ABC", "Work", "WORK"};
    for (std::size_t i = 0; i < listed.size(); ++i)
        index.SetName(ProfileKind::Device, static_cast<int>(i), listed[i]);
    index.SetCount(ProfileKind::Device, static_cast<int>(listed.size()));
    const std::string abc = *zk::platform::ReadWholeFile(folder / "abc.config");
    const std::string work = *zk::platform::ReadWholeFile(folder / "Work.config");
    const std::string upperWork = *zk::platform::ReadWholeFile(folder / "WORK.config");

    const SelectorEntries entries = store.InitialiseProfiles();
    EXPECT_EQ(entries.names,
              (std::vector<std::string>{"profile1", "abc", "ABC_2", "Work", "WORK_2"}));
    EXPECT_EQ(index.Name(ProfileKind::Device, 2), "ABC_2");
    EXPECT_EQ(zk::platform::ReadWholeFile(folder / "abc.config"), abc);
    EXPECT_EQ(zk::platform::ReadWholeFile(folder / "ABC_2.config"), abc);
    EXPECT_EQ(zk::platform::ReadWholeFile(folder / "ABC_2name.ini"),
              zk::platform::ReadWholeFile(folder / "abcname.ini"));
    EXPECT_EQ(zk::platform::ReadWholeFile(folder / "Work.config"), work);
    EXPECT_EQ(zk::platform::ReadWholeFile(folder / "WORK_2.config"), upperWork);
    EXPECT_FALSE(fs::exists(folder / "WORK.config"));
}

TEST_F(Store, AnIndexCountingMoreThanASelectorHoldsListsItsFirstProfiles) {
    MouseProfileStore store(*mouse, Seams());
    ASSERT_TRUE(store.InitialiseProfiles().created);
    auto index = MouseProfileStore::Index();
    for (int i = 1; i < 40; ++i)
        index.SetName(ProfileKind::Device, i, "p" + std::to_string(i));
    ASSERT_TRUE(zk::platform::IniFile(Folder(DeviceKind::Mouse) / "msProfile.ini")
                    .Write("PROFILEDEVICECOUNT", "count", "2147483647"));
    const SelectorEntries entries = store.InitialiseProfiles();
    ASSERT_EQ(entries.names.size(), static_cast<std::size_t>(kMaxProfiles));
    EXPECT_EQ(entries.names.back(), "p26");
    EXPECT_EQ(index.Count(ProfileKind::Device), kMaxProfiles);
}

TEST_F(Store, MissingOrMalformedDefaultFilesAreReportedAndCreateNothing) {
    zktest::TempDir module;
    MouseProfileStore store(*mouse, Seams(module.str() + "/"));
    SelectorEntries entries = store.InitialiseProfiles();
    EXPECT_TRUE(entries.failed);
    EXPECT_TRUE(entries.names.empty());
    EXPECT_EQ(messages, std::vector<std::string>{"message_text_8"});

    std::ofstream(module / "msdevicedefault.config", std::ios::binary) << "not a profile";
    entries = store.InitialiseProfiles();
    EXPECT_TRUE(entries.failed);
    EXPECT_EQ(messages.back(), "message_text_9");
    EXPECT_TRUE(FilesBelow(Folder(DeviceKind::Mouse)).empty());

    // The keyboard stops at the first selector whose default is missing.
    fs::copy_file(StageFolder() + "kbdevicedefault.config", module / "kbdevicedefault.config");
    KeyboardProfileStore kb(*keyboard, Seams(module.str() + "/"));
    const auto selectors = kb.InitialiseProfiles();
    EXPECT_EQ(selectors.device.names, std::vector<std::string>{"profile1"});
    EXPECT_TRUE(selectors.light.failed);
    EXPECT_TRUE(selectors.key.names.empty());
    EXPECT_FALSE(selectors.key.failed);
    EXPECT_EQ(messages.back(), "message_text_8");
    EXPECT_FALSE(KeyboardProfileStore::Index().File().HasSection("PROFILECOUNT"));

    // A keyboard model without default files (and no profile files to list).
    fs::remove(Folder(DeviceKind::Keyboard) / "kbProfile.ini");
    fs::remove(Folder(DeviceKind::Keyboard) / "profile1.config");
    keyboard->model = 2;
    messages.clear();
    EXPECT_TRUE(kb.InitialiseProfiles().device.failed);
    EXPECT_EQ(messages, std::vector<std::string>{"message_text_8"});
}

TEST_F(Store, KeyboardFirstRunUsesTheModelsDefaultsAndA442ByteLightBody) {
    keyboard->model = 1;
    KeyboardProfileStore store(*keyboard, Seams());
    const auto selectors = store.InitialiseProfiles();
    EXPECT_EQ(selectors.device.names, std::vector<std::string>{"profile1"});
    EXPECT_EQ(selectors.light.names, std::vector<std::string>{"profile1"});
    EXPECT_EQ(selectors.key.names, std::vector<std::string>{"profile1"});
    const fs::path folder = Folder(DeviceKind::Keyboard);
    EXPECT_EQ(Body(folder / "profile1.config"), Body(StageFolder() + "kbdevice15default.config"));
    EXPECT_EQ(Body(folder / "profile1.pro"), Body(StageFolder() + "kbkey15default.pro"));
    const auto light = Body(folder / "profile1.led");
    const auto lightDefault = Body(StageFolder() + "kb15dengdefault.led");
    ASSERT_EQ(light.size(), 442u);
    EXPECT_TRUE(std::equal(light.begin(), light.end(), lightDefault.begin()));
    EXPECT_EQ(TagOf(folder / "profile1.led"), 1);

    // Loading it as a light profile clears the record beyond byte 441.
    auto record = keyboard->RecordBytes();
    std::fill(record.begin(), record.end(), 0xEE);
    ASSERT_EQ(store.LoadLightProfile(0), kProfileRead);
    EXPECT_TRUE(std::equal(light.begin(), light.end(), record.begin()));
    for (size_t i = 442; i < record.size(); ++i)
        ASSERT_EQ(record[i], 0) << i;
    for (size_t i = 0; i < 21; ++i)
        EXPECT_EQ(keyboard->LiveBytes()[i], light[i]);
}

TEST_F(Store, MousepadDefaultIsFoundWhateverTheCaseOfItsName) {
    zktest::TempDir module;
    fs::copy_file(StageFolder() + "mpdengdefault.Led", module / "MPDENGDEFAULT.LED");
    MousepadProfileStore store(*mousepad, Seams(module.str() + "/"));
    const SelectorEntries entries = store.InitialiseProfiles();
    EXPECT_TRUE(entries.created);
    const fs::path led = Folder(DeviceKind::Mousepad) / "profile1.led";
    EXPECT_EQ(Body(led), Body(module / "MPDENGDEFAULT.LED"));
    EXPECT_EQ(TagOf(led), 3);
    const auto index = MousepadProfileStore::Index();
    EXPECT_EQ(index.Count(ProfileKind::Light), 1);
    EXPECT_EQ(index.Name(ProfileKind::Light, 0), "profile1");
    EXPECT_FALSE(index.File().HasSection("PROFILEDEVICECOUNT"));
}

TEST_F(Store, DeviceLoadTakesPointerSettingsFromTheSystemLightLoadFromTheFile) {
    MouseProfileStore store(*mouse, Seams());
    store.InitialiseProfiles();
    auto index = MouseProfileStore::Index();
    index.SetName(ProfileKind::Light, 0, "lit");

    std::vector<uint8_t> body = Body(Folder(DeviceKind::Mouse) / "profile1.config");
    ASSERT_EQ(body.size(), 576u);
    body[512 + 1] = 6;  // light mode
    body[512 + 41] = 0; // pointer speed 0: becomes 1 when a light profile loads
    body[512 + 42] = 17;
    body[512 + 50] = 0x5A; // carried
    ASSERT_TRUE(
        WriteProfileFile(Folder(DeviceKind::Mouse) / "profile1.config", body, DeviceTag::Mouse));
    ASSERT_TRUE(WriteProfileFile(Folder(DeviceKind::Mouse) / "lit.led",
                                 std::span(body).subspan(512), DeviceTag::Mouse));

    system = {0, 250};
    ASSERT_EQ(store.LoadDeviceProfile(0), kProfileRead);
    EXPECT_EQ(systemReads, 1);
    EXPECT_EQ(mouse->pointerSpeed.load(), 1);
    EXPECT_EQ(mouse->wheelLines.load(), 250);
    EXPECT_EQ(mouse->record.lightMode, 6);
    EXPECT_EQ(mouse->ProfileBytes(0)[50], 0x5A);
    EXPECT_TRUE(
        std::equal(body.begin(), body.begin() + 512, mouse->buttonTables[0].Bytes().begin()));

    mouse->record.lightMode = 0;
    ASSERT_EQ(store.LoadLightProfile(0), kProfileRead);
    EXPECT_EQ(systemReads, 1); // a light load does not ask the system
    EXPECT_EQ(mouse->pointerSpeed.load(), 1);
    EXPECT_EQ(mouse->wheelLines.load(), 17);
    EXPECT_EQ(mouse->record.lightMode, 6);

    // Failed loads change nothing.
    mouse->record.lightMode = 2;
    index.SetName(ProfileKind::Device, 1, "gone");
    EXPECT_EQ(store.LoadDeviceProfile(1), kProfileMissing);
    std::ofstream(Folder(DeviceKind::Mouse) / "bad.led") << "xx";
    index.SetName(ProfileKind::Light, 1, "bad");
    EXPECT_EQ(store.LoadLightProfile(1), kProfileBadFormat);
    EXPECT_EQ(mouse->record.lightMode, 2);
    EXPECT_EQ(systemReads, 1);
}

TEST_F(Store, SavesWriteTheSelectedProfileAndAMissingNameIsZero) {
    MouseProfileStore store(*mouse, Seams());
    auto index = MouseProfileStore::Index();
    index.SetName(ProfileKind::Device, 0, "one");
    index.SetName(ProfileKind::Device, 1, "two");
    index.SetCount(ProfileKind::Device, 2);
    index.SetSelected(ProfileKind::Device, 1);
    mouse->record.dpiLevel3 = 33;
    mouse->pointerSpeed = 14;
    mouse->wheelLines = 6;
    mouse->buttonTables[0].actions[1] = {0x20, 0x00, 0x04};
    ASSERT_TRUE(store.SaveDeviceProfile());
    EXPECT_FALSE(fs::exists(Folder(DeviceKind::Mouse) / "one.config"));
    const auto body = Body(Folder(DeviceKind::Mouse) / "two.config");
    ASSERT_EQ(body.size(), 576u);
    EXPECT_EQ(body[3], 0x20);
    EXPECT_EQ(body[512 + 17], 33);
    EXPECT_EQ(body[512 + 41], 14);
    EXPECT_EQ(body[512 + 42], 6);

    // No light entries: the name reads "0".
    ASSERT_TRUE(store.SaveLightProfile());
    EXPECT_EQ(Body(Folder(DeviceKind::Mouse) / "0.led").size(), 64u);
    mouse->record.dpiLevel3 = 0;
    EXPECT_EQ(store.LoadLightProfile(7), kProfileRead);
    EXPECT_EQ(mouse->record.dpiLevel3, 33);

    // The mouse key profile is read as ".PRO" from the ".pro" that exists.
    index.SetName(ProfileKind::Key, 0, "keys");
    std::array<uint8_t, 512> keys{};
    keys[0] = 0x30;
    ASSERT_TRUE(WriteProfileFile(Folder(DeviceKind::Mouse) / "keys.pro", keys, DeviceTag::Mouse));
    EXPECT_EQ(store.LoadKeyProfile(0), kProfileRead);
    EXPECT_EQ(mouse->buttonTables[0].Bytes()[0], 0x30);
}

TEST_F(Store, KeyboardAndMousepadRoundTripsAndAForeignTagLoads) {
    KeyboardProfileStore kb(*keyboard, Seams());
    auto index = KeyboardProfileStore::Index();
    index.SetName(ProfileKind::Device, 0, "kb");
    index.SetName(ProfileKind::Key, 0, "kbkeys");
    keyboard->keyTable[5] = 0x44;
    keyboard->live.lightMode = 7;
    keyboard->lightRecord.layers[4][377] = 0x99;
    ASSERT_TRUE(kb.SaveDeviceProfile());
    ASSERT_TRUE(kb.SaveKeyProfile());
    EXPECT_TRUE(fs::exists(Folder(DeviceKind::Keyboard) / "kbkeys.pro"));
    auto fresh = std::make_unique<KeyboardImage>();
    KeyboardProfileStore kb2(*fresh, Seams());
    ASSERT_EQ(kb2.LoadDeviceProfile(0), kProfileRead);
    EXPECT_EQ(fresh->keyTable[5], 0x44);
    EXPECT_EQ(fresh->lightRecord.header.live.lightMode, 7);
    EXPECT_EQ(fresh->live.lightMode, 7);
    EXPECT_EQ(fresh->lightRecord.layers[4][377], 0x99);

    // A mouse file copied into the keyboard folder loads as a key profile.
    std::array<uint8_t, 512> mouseKeys{};
    mouseKeys[511] = 0x12;
    ASSERT_TRUE(
        WriteProfileFile(Folder(DeviceKind::Keyboard) / "kbkeys.pro", mouseKeys, DeviceTag::Mouse));
    EXPECT_EQ(kb2.LoadKeyProfile(0), kProfileRead);
    EXPECT_EQ(fresh->keyTable[511], 0x12);

    MousepadProfileStore mp(*mousepad, Seams());
    MousepadProfileStore::Index().SetName(ProfileKind::Light, 0, "pad");
    mousepad->live.profileNumber = 2;
    mousepad->live.lightMode = 5;
    mousepad->lightRecords[2].carried21[0] = 0x31;
    ASSERT_TRUE(mp.SaveLightProfile());
    const auto body = Body(Folder(DeviceKind::Mousepad) / "pad.led");
    ASSERT_EQ(body.size(), 64u);
    EXPECT_EQ(body[0], 2);
    EXPECT_EQ(body[1], 5);
    EXPECT_EQ(body[21], 0x31);
    auto pad = std::make_unique<MousepadImage>();
    MousepadProfileStore mp2(*pad, Seams());
    ASSERT_EQ(mp2.LoadLightProfile(0), kProfileRead);
    EXPECT_EQ(pad->live.lightMode, 5);
}

TEST_F(Store, NamesThatCannotBeFileNamesAreRefused) {
    for (std::string_view bad : {"", ".", "..", "../escape", "a/b", "/abs"})
        EXPECT_TRUE(ProfileNameProblem(bad)) << bad;
    // The longest name whose files, with their lock and temporary files, still
    // fit a file name: "<name>name.ini" is the longest of them.
    const std::size_t longest = zk::platform::kMaxWritableFileNameBytes - 8;
    EXPECT_TRUE(ProfileNameProblem(std::string(longest + 1, 'x')));
    EXPECT_TRUE(ProfileNameProblem(std::string("a\0b", 3)));
    for (std::string_view good : {"profile1", "0", "my profile", "a\\b", "配置", "...x"})
        EXPECT_FALSE(ProfileNameProblem(good)) << good;
    EXPECT_FALSE(ProfileNameProblem(std::string(longest, 'x')));

    MouseProfileStore store(*mouse, Seams());
    auto index = MouseProfileStore::Index();
    index.SetName(ProfileKind::Device, 0, std::string(longest, 'x'));
    EXPECT_TRUE(store.SaveDeviceProfile());
    EXPECT_TRUE(
        zk::platform::IniFile(*NameFilePath(std::string(longest, 'x'))).Write("A", "k", "v"));
    fs::remove(Folder(DeviceKind::Mouse) / (std::string(longest, 'x') + ".config"));
    fs::remove(*NameFilePath(std::string(longest, 'x')));
    index.SetName(ProfileKind::Light, 0, "fine");
    for (const std::string& bad :
         std::vector<std::string>{"..", "../escape", "", std::string(300, 'y')}) {
        index.SetName(ProfileKind::Device, 0, bad);
        EXPECT_FALSE(store.SaveDeviceProfile()) << bad;
        EXPECT_EQ(store.LoadDeviceProfile(0), kProfileMissing) << bad;
    }
    // Only the index file exists; nothing landed beside or above the folder.
    const auto files = FilesBelow(home.path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].filename(), "msProfile.ini");
    EXPECT_EQ(NameFilePath("profile1"), Folder(DeviceKind::Mouse) / "profile1name.ini");
    EXPECT_FALSE(NameFilePath(".."));
}

// The re-read of a changed mouse, followed by the saves of the store: the file
// holds the device's bytes 43 to 55 and the pointer settings in 41 and 42.
TEST_F(Store, RereadOfAChangedMouseIsSavedWithThePointerSettings) {
    auto installation = zk::emulator::InstallEmulatedBus({});
    auto& device = *installation->Bus().Mouse();
    std::vector<uint8_t> settings(64);
    for (size_t i = 0; i < settings.size(); ++i)
        settings[i] = static_cast<uint8_t>(0xA0 + i);
    device.SetMemory(zk::emulator::MemoryArea::Settings, 0, settings);
    zk::protocol::DeviceChannel channel;
    channel.hid.openForRead = channel.hid.openForWrite = channel.hid.openOverlapped = 1;
    channel.hid.devicePath = device.ConfigPath();
    ASSERT_EQ(channel.hid.Open(), 1);
    channel.connected = 1;

    MouseProfileStore store(*mouse, Seams());
    store.InitialiseProfiles();
    MouseProfileStore::Index().SetName(ProfileKind::Light, 0, "light");
    mouse->pointerSpeed = 11;
    mouse->wheelLines = 2;
    TransferSaves saves;
    saves.saveMouseDeviceProfile = [&] { store.SaveDeviceProfile(); };
    saves.saveMouseLightProfile = [&] { store.SaveLightProfile(); };
    RereadMouseRecord(channel, *mouse, saves);
    channel.hid.Close();

    for (const fs::path& file :
         {Folder(DeviceKind::Mouse) / "light.led", Folder(DeviceKind::Mouse) / "profile1.config"}) {
        auto body = Body(file);
        if (body.size() == 576)
            body.erase(body.begin(), body.begin() + 512);
        ASSERT_EQ(body.size(), 64u) << file;
        EXPECT_EQ(body[0], 0);
        EXPECT_EQ(body[1], 0xA1);
        EXPECT_EQ(body[41], 11);
        EXPECT_EQ(body[42], 2);
        for (size_t i = 43; i < 56; ++i)
            EXPECT_EQ(body[i], 0xA0 + i) << i;
    }
}

} // namespace
