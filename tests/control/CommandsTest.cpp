// The tool's commands on its own: each command against the emulated devices
// on the in-process bus, checked in the devices' memory and in the profile
// files; bad input, missing and silent devices.

#include "control/Commands.h"
#include "control/DirectAccess.h"
#include "control/Functions.h"
#include "control/Texts.h"
#include "control/Tool.h"
#include "emulator/Emulator.h"
#include "macros/MacroLibrary.h"
#include "platform/Folders.h"
#include "platform/IniFile.h"
#include "profiles/ProfileFile.h"
#include "profiles/ProfileIndex.h"
#include "protocol/DeviceChannel.h"
#include "settings/MouseSettingsImage.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace emu = zk::emulator;
namespace fs = std::filesystem;
using zk::control::Outcome;

namespace {

constexpr std::size_t kBodyStart = 16;     // profile files: header, then body
constexpr std::size_t kRecordInBody = 512; // mouse device files: button table first

std::string StageDir() {
    return std::getenv("ZK_STAGE_DIR");
}

std::vector<std::uint8_t> FileBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class CommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        zk::control::Texts::LoadEnglish(StageDir());
        install_ = emu::InstallEmulatedBus();
        bus_ = &install_->Bus();
    }

    // One command, run as the tool runs it without a window program.
    Outcome Run(std::vector<std::string> args) {
        zk::control::DirectAccess access(StageDir() + "/");
        return zk::control::RunCommand(args, access);
    }

    std::vector<std::uint8_t> Settings(emu::EmulatedDevice* d) {
        return d->Memory(emu::MemoryArea::Settings);
    }
    fs::path Folder(const char* kind) { return fs::path(zk::platform::GetDataFolder()) / kind; }
    std::vector<std::uint8_t> MouseFile() { return FileBytes(Folder("ms") / "profile1.config"); }
    int Base() {
        const auto caps = bus_->Mouse()->Memory(emu::MemoryArea::Capabilities);
        return caps[13] | (caps[14] << 8);
    }
    std::size_t Writes(emu::EmulatedDevice* d) {
        std::size_t n = 0;
        for (const auto& r : d->RequestLog())
            n += r.frame[3] == 0x06 || r.frame[3] == 0x09 || r.frame[3] == 0x15;
        return n;
    }

    zktest::TempHome home_;
    std::unique_ptr<emu::EmulatorInstallation> install_;
    emu::EmulatedBus* bus_ = nullptr;
};

TEST_F(CommandsTest, DpiStageAndRateReachTheMouseAndTheProfile) {
    const int base = Base();
    struct Case {
        std::vector<std::string> args;
        std::size_t offset; // in the settings record
        std::function<bool(int)> holds;
    };
    const std::vector<Case> cases = {
        {{"dpi", "3", std::to_string(base + 1500)},
         17,
         [&](int v) { return zk::settings::DpiOfLevel(v, base) == base + 1500; }},
        {{"dpi", "6", std::to_string(base + 6000)},
         21,
         [&](int v) { return zk::settings::DpiOfLevel(v, base) == base + 6000; }},
        {{"stage", "4"}, 19, [](int v) { return v == 3; }},
        {{"rate", "250"}, 14, [](int v) { return v == 1; }},
        {{"rate", "1000"}, 14, [](int v) { return v == 3; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1]);
        const Outcome o = Run(c.args);
        EXPECT_EQ(o.exitCode, 0) << o.err;
        EXPECT_TRUE(c.holds(Settings(bus_->Mouse())[c.offset]));
        const auto file = MouseFile();
        ASSERT_GT(file.size(), kBodyStart + kRecordInBody + c.offset);
        EXPECT_TRUE(c.holds(file[kBodyStart + kRecordInBody + c.offset]));
    }
    // The name file remembers the rate as the performance page does.
    zk::platform::IniFile names(Folder("ms") / "profile1name.ini");
    EXPECT_EQ(names.ReadInt("USBRATE", "select"), 3);
}

TEST_F(CommandsTest, ShowReadsTheDeviceAndListNamesEveryDevice) {
    bus_->Mouse()->PressDpiButton(); // the mouse changed its stage on its own
    const int stage = Settings(bus_->Mouse())[19] + 1;
    const Outcome text = Run({"show"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("DPI stages (current: " + std::to_string(stage) + ")"),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("  1  Left Click"), std::string::npos) << text.out;
    const Outcome json = Run({"show", "--json"});
    EXPECT_NE(json.out.find("\"currentStage\":" + std::to_string(stage)), std::string::npos);
    EXPECT_EQ(json.out.front(), '{');

    const Outcome all = Run({"list"});
    EXPECT_EQ(all.exitCode, 0);
    for (const char* kind : {"mouse", "keyboard", "mousepad"})
        EXPECT_NE(all.out.find(kind), std::string::npos) << all.out;
    bus_->Keyboard()->Unplug();
    bus_->Mousepad()->Unplug();
    const Outcome one = Run({"list", "--json"});
    EXPECT_EQ(one.exitCode, 0);
    EXPECT_EQ(one.out.find("keyboard"), std::string::npos);
    bus_->Mouse()->Unplug();
    const Outcome none = Run({"list"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.err.find("no device is connected"), std::string::npos);
}

TEST_F(CommandsTest, LightOfEachDeviceReachesItAndItsProfile) {
    struct Case {
        const char* kind;
        emu::EmulatedDevice* device;
        fs::path file;
        std::size_t bodyOffset; // of the live bytes in the profile file's body
        int breathing;          // the mode number of "Breathing" on the device
    };
    // The emulated keyboard is model 1 (product 0x6556), whose modes differ.
    ASSERT_EQ(bus_->Keyboard()->ProductId(), emu::kKeyboardProductId);
    const std::vector<Case> cases = {
        {"mouse", bus_->Mouse(), Folder("ms") / "profile1.config", kRecordInBody, 2},
        {"keyboard", bus_->Keyboard(), Folder("kb") / "profile1.led", 0, 1},
        {"mousepad", bus_->Mousepad(), Folder("mp") / "profile1.Led", 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        const Outcome o = Run({"light", c.kind, "--mode", "Breathing", "--colour", "#12AB34",
                               "--brightness", "3", "--speed=1"});
        ASSERT_EQ(o.exitCode, 0) << o.err;
        const auto memory = Settings(c.device);
        EXPECT_EQ(memory[1], c.breathing);
        EXPECT_EQ(memory[2], 3);     // brightness
        EXPECT_EQ(memory[3], 4 - 1); // speed is stored from the fast end
        EXPECT_EQ(memory[6], 0x12);
        EXPECT_EQ(memory[7], 0xAB);
        EXPECT_EQ(memory[8], 0x34);
        auto found = zk::profiles::FindFileNoCase(c.file);
        ASSERT_TRUE(found);
        const auto file = FileBytes(*found);
        ASSERT_GT(file.size(), kBodyStart + c.bodyOffset + 8);
        EXPECT_EQ(file[kBodyStart + c.bodyOffset + 1], c.breathing);
        EXPECT_EQ(file[kBodyStart + c.bodyOffset + 7], 0xAB);
    }
}

TEST_F(CommandsTest, ButtonTakesAFunctionByItsLabel) {
    const Outcome o = Run({"button", "4", "volume", "UP"});
    ASSERT_EQ(o.exitCode, 0) << o.err;
    const auto catalogue = zk::control::FunctionCatalogue(zk::control::Texts::English());
    const auto volume = zk::control::FindFunction(catalogue, "Volume Up");
    ASSERT_TRUE(volume);
    const auto buttons = bus_->Mouse()->Memory(emu::MemoryArea::Buttons);
    EXPECT_EQ(buttons[9], volume->action.type);
    EXPECT_EQ(buttons[10], volume->action.p1);
    EXPECT_EQ(buttons[11], volume->action.p2);
    const auto file = MouseFile();
    EXPECT_EQ(file[kBodyStart + 9], volume->action.type);
    zk::platform::IniFile names(Folder("ms") / "profile1name.ini");
    EXPECT_EQ(names.Read("KEYNAME", "4"), "Volume Up");
    // show names it by the same label.
    EXPECT_NE(Run({"show"}).out.find("  4  Volume Up"), std::string::npos);
}

TEST_F(CommandsTest, BadInputIsRefusedWithItsReasonAndChangesNothing) {
    const int base = Base();
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string says;
    };
    const std::vector<Case> cases = {
        {{"dpi", "7", "800"}, 2, "out of range: 1 to 6"},
        {{"dpi", "1", std::to_string(base - 100)}, 2, "out of range: " + std::to_string(base)},
        {{"dpi", "1", std::to_string(base + 150)},
         2,
         "nearest are " + std::to_string(base + 100) + " and " + std::to_string(base + 200)},
        {{"stage", "0"}, 2, "out of range: 1 to 6"},
        {{"rate", "300"}, 2, "not one of 125, 250, 500, 1000"},
        {{"light", "mouse", "--brightness", "5"}, 2, "out of range: 0 to 4"},
        {{"light", "mouse", "--colour", "12345G"}, 2, "not RRGGBB"},
        {{"light", "mouse", "--mode", "Breathng"}, 2, "did you mean 'Breathing'?"},
        {{"light", "toaster", "--mode", "1"}, 2, "unknown device"},
        {{"button", "1", "Copy"}, 2, "button 1 stays the left button"},
        {{"button", "3", "Volum Up"}, 2, "did you mean 'Volume Up'?"},
        {{"profile", "apply", "mouse", "../../etc/passwd"}, 2, "cannot be used"},
        {{"profile", "apply", "mouse", "profil1"}, 2, "did you mean 'profile1'?"},
        {{"shwo"}, 2, "did you mean 'show'?"},
        {{"show", "--jsn"}, 2, "unknown option --jsn"},
        {{"rate", "500", "--json"}, 2, "--json is not an option of rate"},
    };
    Run({"show"}); // the profile files exist from here on
    const auto memory = Settings(bus_->Mouse());
    const auto file = MouseFile();
    bus_->Mouse()->ClearRequestLog();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0]);
        const Outcome o = Run(c.args);
        EXPECT_EQ(o.exitCode, c.exitCode);
        EXPECT_NE(o.err.find(c.says), std::string::npos) << o.err;
    }
    EXPECT_EQ(Writes(bus_->Mouse()), 0u);
    EXPECT_EQ(Settings(bus_->Mouse()), memory);
    EXPECT_EQ(MouseFile(), file);
}

TEST_F(CommandsTest, AMissingOrSilentDeviceIsADeviceFailure) {
    bus_->Mousepad()->Unplug();
    const Outcome absent = Run({"light", "mousepad", "--mode", "1"});
    EXPECT_EQ(absent.exitCode, 1);
    EXPECT_NE(absent.err.find("no mousepad is connected"), std::string::npos);

    bus_->Keyboard()->SetStopReading(true);
    const Outcome silent = Run({"show", "keyboard"});
    EXPECT_EQ(silent.exitCode, 1);
    EXPECT_NE(silent.err.find("the keyboard does not answer"), std::string::npos);
}

// The mouse stops taking requests in the middle of a change: the tool says
// what reached it and what did not; the profile keeps the whole change and
// the same command completes it.
TEST_F(CommandsTest, AChangeCutShortIsReportedAndCompletedByRepeatingIt) {
    const auto library = zk::macros::MacroLibrary::Mouse();
    ASSERT_EQ(library.AppendName("burst"), zk::macros::MacroError::None);
    ASSERT_EQ(library.WriteActionLines(
                  "burst", {"30,0,138,4,1,keyboard_key_A", "30,0,10,4,0,keyboard_key_A"}),
              zk::macros::MacroError::None);
    Run({"show"});
    bus_->Mouse()->InjectStatus(0x09, 0xFF, 2); // the third chunk of the button table
    const Outcome cut = Run({"button", "5", "Copy"});
    EXPECT_EQ(cut.exitCode, 1);
    EXPECT_NE(cut.err.find("button table (or only part of it) not written"), std::string::npos)
        << cut.err;
    EXPECT_NE(cut.err.find("written: macro memory"), std::string::npos) << cut.err;
    const auto copy = *zk::control::FindFunction(
        zk::control::FunctionCatalogue(zk::control::Texts::English()), "Copy");
    EXPECT_EQ(MouseFile()[kBodyStart + 12], copy.action.type);

    const Outcome again = Run({"button", "5", "Copy"});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(bus_->Mouse()->Memory(emu::MemoryArea::Buttons)[12], copy.action.type);

    // The mouse stops answering once the tool has read it: the stage reaches
    // the file at once, the mouse when the command is repeated.
    {
        zk::control::DirectAccess access(StageDir() + "/");
        std::string why;
        ASSERT_NE(access.Mouse(why), nullptr);
        bus_->Mouse()->DropResponses(zk::protocol::kTransactionAttempts);
        const Outcome lost = zk::control::RunCommand({"stage", "5"}, access);
        EXPECT_EQ(lost.exitCode, 1);
        EXPECT_NE(lost.err.find("the mouse does not answer"), std::string::npos) << lost.err;
        EXPECT_NE(lost.err.find("the same command sends it again"), std::string::npos);
    }
    EXPECT_EQ(MouseFile()[kBodyStart + kRecordInBody + 19], 4);
    EXPECT_EQ(Run({"stage", "5"}).exitCode, 0);
    EXPECT_EQ(Settings(bus_->Mouse())[19], 4);
}

TEST_F(CommandsTest, ProfilesAreListedAndAppliedByName) {
    Run({"show"});
    // A second profile whose first stage differs.
    auto body = MouseFile();
    body[kBodyStart + kRecordInBody + 15] = 7;
    std::ofstream(Folder("ms") / "fps.config", std::ios::binary)
        .write(reinterpret_cast<const char*>(body.data()),
               static_cast<std::streamsize>(body.size()));
    zk::profiles::ProfileIndex index(zk::profiles::DeviceKind::Mouse);
    index.SetName(zk::profiles::ProfileKind::Device, 1, "fps");
    index.SetCount(zk::profiles::ProfileKind::Device, 2);

    const Outcome list = Run({"profile", "list"});
    EXPECT_EQ(list.out, "* profile1\n  fps\n");
    const Outcome apply = Run({"profile", "apply", "mouse", "FPS"});
    ASSERT_EQ(apply.exitCode, 0) << apply.err;
    EXPECT_EQ(Settings(bus_->Mouse())[15], 7);
    EXPECT_EQ(zk::profiles::ProfileIndex(zk::profiles::DeviceKind::Mouse)
                  .Selected(zk::profiles::ProfileKind::Device),
              1);
    EXPECT_EQ(
        Run({"profile", "list", "--json"}).out,
        "[{\"name\":\"profile1\",\"selected\":false},{\"name\":\"fps\",\"selected\":true}]\n");
}

TEST_F(CommandsTest, ProfilesTravelAsFilesUnderSafeNames) {
    zktest::TempDir out;
    Run({"show"});
    Run({"show", "mousepad"});
    ASSERT_EQ(Run({"profile", "export", "mouse", "profile1", (out / "p.config").string()}).exitCode,
              0);
    EXPECT_EQ(FileBytes(out / "p.config"), MouseFile());

    // Imported under a name of its own, then applied.
    auto body = MouseFile();
    body[kBodyStart + kRecordInBody + 15] = 9;
    std::ofstream(out / "p.config", std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(body.data()),
               static_cast<std::streamsize>(body.size()));
    const Outcome imported =
        Run({"profile", "import", "mouse", (out / "p.config").string(), "fast"});
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_EQ(Run({"profile", "list"}).out, "* profile1\n  fast\n");
    EXPECT_EQ(FileBytes(Folder("ms") / "fast.config"), body);
    ASSERT_EQ(Run({"profile", "apply", "mouse", "fast"}).exitCode, 0);
    EXPECT_EQ(Settings(bus_->Mouse())[15], 9);

    // The mousepad's light profiles alike.
    ASSERT_EQ(Run({"profile", "export", "mp", "profile1", (out / "calm.led").string()}).exitCode,
              0);
    EXPECT_EQ(Run({"profile", "import", "mousepad", (out / "calm.led").string()}).exitCode, 0);
    EXPECT_EQ(Run({"profile", "list", "mousepad"}).out, "* profile1\n  calm\n");

    struct Case {
        std::vector<std::string> args;
        std::string says;
    };
    const std::vector<Case> refused = {
        {{"profile", "import", "mouse", (out / "p.config").string(), "FAST"}, "exists already"},
        {{"profile", "import", "mouse", (out / "p.config").string(), "../../escape"},
         "cannot be used"},
        {{"profile", "import", "mouse", (out / "p.config").string(), " padded"}, "cannot be used"},
        {{"profile", "import", "mouse", (out / "calm.led").string(), "x"}, "not a mouse profile"},
        {{"profile", "export", "mouse", "nope", (out / "n").string()}, "no mouse profile 'nope'"},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.args[4]);
        const Outcome o = Run(c.args);
        EXPECT_EQ(o.exitCode, 2);
        EXPECT_NE(o.err.find(c.says), std::string::npos) << o.err;
    }
    EXPECT_EQ(Run({"profile", "list"}).out, "  profile1\n* fast\n");
    EXPECT_FALSE(fs::exists(Folder("ms").parent_path().parent_path() / "escape.config"));
}

TEST_F(CommandsTest, MacrosTravelAsFiles) {
    zktest::TempDir out;
    const auto library = zk::macros::MacroLibrary::Mouse();
    ASSERT_EQ(library.AppendName("burst"), zk::macros::MacroError::None);
    ASSERT_EQ(library.WriteActionLines(
                  "burst", {"30,0,138,4,1,keyboard_key_A", "30,0,10,4,0,keyboard_key_A"}),
              zk::macros::MacroError::None);
    ASSERT_EQ(Run({"macro", "export", "mouse", "BURST", (out / "b.mac").string()}).exitCode, 0);
    const Outcome imported = Run({"macro", "import", "mouse", (out / "b.mac").string(), "burst2"});
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_EQ(library.ReadNames(), (std::vector<std::string>{"burst", "burst2"}));
    EXPECT_EQ(library.ReadActionLines("burst2"), library.ReadActionLines("burst"));

    std::ofstream(out / "notes.txt") << "shopping list\n";
    const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
        {{"macro", "import", "mouse", (out / "b.mac").string(), "Burst"}, "exists already"},
        {{"macro", "import", "mouse", (out / "b.mac").string(), "a/b"}, "cannot be used"},
        {{"macro", "import", "mouse", (out / "notes.txt").string()}, "not a macro file"},
        {{"macro", "import", "mousepad", (out / "b.mac").string()}, "mouse or the keyboard"},
    };
    for (const auto& [args, says] : refused) {
        const Outcome o = Run(args);
        EXPECT_EQ(o.exitCode, 2);
        EXPECT_NE(o.err.find(says), std::string::npos) << o.err;
    }
    EXPECT_EQ(library.ReadCount(), 2);
}

TEST_F(CommandsTest, MacrosAndFunctionsAreListed) {
    const auto library = zk::macros::MacroLibrary::Mouse();
    ASSERT_EQ(library.AppendName("reload"), zk::macros::MacroError::None);
    ASSERT_EQ(library.WriteActionLines("reload", {"30,0,138,21,1,keyboard_key_R",
                                                  "30,0,10,21,0,keyboard_key_R",
                                                  "30,0,138,4,1,keyboard_key_A"}),
              zk::macros::MacroError::None);
    EXPECT_EQ(Run({"macro", "list"}).out, "reload  3 actions\n");
    // JSON output escapes what names may hold.
    ASSERT_EQ(library.AppendName("say \"hi\" \\ bye"), zk::macros::MacroError::None);
    EXPECT_EQ(Run({"macro", "list", "--json"}).out,
              "[{\"name\":\"reload\",\"actions\":3},"
              "{\"name\":\"say \\\"hi\\\" \\\\ bye\",\"actions\":0}]\n");
    const Outcome functions = Run({"functions"});
    for (const char* name : {"Middle Click", "DPI+", "Volume Up", "Copy", "Disable"})
        EXPECT_NE(functions.out.find(std::string("  ") + name + "\n"), std::string::npos) << name;
}

// Shell completion offers every command the tool has, and the help of each
// names its own synopsis.
TEST_F(CommandsTest, CompletionAndHelpCoverEveryCommand) {
    std::ifstream file(fs::path(std::getenv("ZK_SOURCE_DIR")) / "packaging" /
                       "zk412vctl.bash-completion");
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const auto at = text.find("local commands=\"");
    ASSERT_NE(at, std::string::npos);
    const std::string listed = text.substr(at + 16, text.find('"', at + 16) - at - 16);
    std::string names;
    for (const std::string& name : zk::control::CommandNames()) {
        names += (names.empty() ? "" : " ") + name;
        const Outcome help = Run({name, "--help"});
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_EQ(help.out.rfind("Usage: zk412vctl " + name, 0), 0u) << help.out;
    }
    EXPECT_EQ(listed, names);
}

// The tool as a process decides where a command goes: a second tool on the
// devices is told they are busy, as is one that finds a window program that
// takes no requests.
TEST_F(CommandsTest, ToolReportsBusyDevices) {
    zktest::TempDir run;
    zk::control::ToolPlaces places{(run / "ctl").string(), (run / "instance.lock").string(),
                                   (run / "tool.lock").string(), 2000};
    const int toolLock = ::open(places.toolLock.c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(toolLock, 0);
    ASSERT_EQ(::flock(toolLock, LOCK_EX), 0);
    // flock is per open file: the tool's own open of the same file conflicts.
    const Outcome busy = zk::control::RunTool({"stage", "2"}, places);
    EXPECT_EQ(busy.exitCode, 1);
    EXPECT_NE(busy.err.find("another zk412vctl"), std::string::npos);
    ::close(toolLock);

    const int instance = ::open(places.instanceLock.c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_EQ(::flock(instance, LOCK_EX), 0);
    const Outcome silent = zk::control::RunTool({"stage", "2"}, places);
    EXPECT_EQ(silent.exitCode, 1);
    EXPECT_NE(silent.err.find("zk412v runs but does not take requests"), std::string::npos);
    ::close(instance);

    EXPECT_EQ(zk::control::RunTool({"stage", "2"}, places).exitCode, 0);
    EXPECT_EQ(zk::control::RunTool({}, places).exitCode, 2);
}

} // namespace
