#include "control/Commands.h"

#include "control/DirectAccess.h"
#include "control/Functions.h"
#include "control/Json.h"
#include "control/Texts.h"
#include "macros/MacroBlock.h"
#include "macros/MacroLibrary.h"
#include "platform/FileIo.h"
#include "profiles/ApplyProfile.h"
#include "profiles/NameFile.h"
#include "profiles/ProfileFile.h"
#include "profiles/ProfileIndex.h"
#include "profiles/ProfileList.h"
#include "protocol/DeviceChannel.h"
#include "settings/LightLayout.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>

namespace zk::control {

namespace {

using profiles::ProfileKind;
using settings::MouseSettingsRecord;

constexpr int kStages = static_cast<int>(settings::kDpiStageCount);
constexpr int kTopLevel = 4;            // brightness and speed run 0..4
constexpr int kUnlimitedDpiLevel = 255; // dpiMaxLevel 0: the byte's own limit
constexpr std::size_t kRecordWrite = 56;
constexpr std::array<int, 4> kRates = {125, 250, 500, 1000};

// --- help -----------------------------------------------------------------------------------

struct CommandInfo {
    const char* name;
    const char* synopsis; // its forms, one a line
    const char* summary;
    const char* details;
    const char* brief = nullptr; // the overview's form, where the forms are long
};

constexpr CommandInfo kCommands[] = {
    {"list", "list [--json]", "list the connected devices",
     "Lists the connected mouse, keyboard and mousepad with their product ID, what\n"
     "they offer (DPI range, macro memory, key count) and the profile they use now.\n"
     "Exits 1 when none is connected."},
    {"show", "show [mouse|keyboard|mousepad] [--json]", "show the settings of a device",
     "Shows the DPI stages and the current stage, the report rate, the lighting, the\n"
     "functions of the buttons by their labels and the macros of the mouse; the\n"
     "lighting and profile of the keyboard or the mousepad. The mouse when no device\n"
     "is named."},
    {"dpi", "dpi STAGE VALUE", "set the DPI of a stage",
     "Sets the DPI of stage 1 to 6. The mouse takes steps of 100 DPI up to 4800 DPI\n"
     "above its base, then steps of 200; a value between steps is refused with the\n"
     "nearest ones."},
    {"stage", "stage STAGE", "choose the DPI stage the mouse uses now",
     "Makes stage 1 to 6 the current DPI stage."},
    {"rate", "rate HZ", "set the report rate", "Sets the USB report rate: 125, 250, 500 or 1000."},
    {"light", "light DEVICE [--mode MODE] [--colour RRGGBB] [--brightness 0-4] [--speed 0-4]",
     "set the lighting of a device",
     "Sets the light mode (its name as the window shows it, or its number), the\n"
     "colour, the brightness and the speed (4 fastest) of the mouse, the keyboard\n"
     "or the mousepad. A colour ends the colour cycling of the mouse."},
    {"button", "button BUTTON FUNCTION", "give a mouse button a function",
     "Gives button 2 to 7 a function by its name as the button page labels it\n"
     "(\"Middle Click\", \"DPI+\", \"Volume Up\", \"Copy\", \"A\", \"Disable\", ...). Button 1\n"
     "stays the left button. `zk412vctl functions` lists the names; an unknown name\n"
     "gets the closest one as a suggestion. The macro library goes to the mouse with\n"
     "the button table, as the window sends them."},
    {"functions", "functions [--json]", "list the button function names",
     "Lists every name that `button` takes, by group."},
    {"profile",
     "profile list [DEVICE] [--json]\nprofile apply DEVICE NAME\n"
     "profile export DEVICE NAME FILE\nprofile import DEVICE FILE [NAME]",
     "list, apply, export or import the PC profiles",
     "`profile list` lists the PC profiles of a device kind (the mouse by default)\n"
     "and marks the selected one; `profile apply` makes a profile the selected one\n"
     "and sends it to the device, as choosing it in the window does. The mouse and\n"
     "the keyboard apply device profiles, the mousepad light profiles.\n"
     "`profile export` copies a profile's file to FILE; `profile import` adds FILE\n"
     "as a new profile named NAME (the file's name without extension by default).\n"
     "Names that would leave the profile folder, or that a profile has already, are\n"
     "refused.",
     "profile list|apply|export|import ..."},
    {"macro",
     "macro list [mouse|keyboard] [--json]\nmacro export DEVICE NAME FILE\n"
     "macro import DEVICE FILE [NAME]",
     "list, export or import the macros",
     "`macro list` lists the macros of the mouse's (or the keyboard's) macro library\n"
     "with their number of actions; `macro export` copies a macro's action file to\n"
     "FILE; `macro import` adds the actions of FILE as a new macro named NAME (the\n"
     "file's name without extension by default).",
     "macro list|export|import ..."},
    {"help", "help [COMMAND]", "show the help of a command", "Shows the help of a command."},
};

// "<lead>zk412vctl <form>" for each form of a synopsis, one a line.
std::string Forms(const CommandInfo& info, const std::string& lead) {
    std::string out;
    std::string_view rest = info.synopsis;
    for (bool first = true; !rest.empty(); first = false) {
        const auto end = rest.find('\n');
        out += (first ? lead : std::string(lead.size(), ' ')) + "zk412vctl " +
               std::string(rest.substr(0, end)) + "\n";
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    }
    return out;
}

const CommandInfo* InfoOf(const std::string& name) {
    for (const CommandInfo& c : kCommands)
        if (name == c.name)
            return &c;
    return nullptr;
}

// --- results ----------------------------------------------------------------------------------

Outcome Usage(const std::string& command, const std::string& message) {
    Outcome o;
    o.exitCode = kExitUsage;
    o.err = "zk412vctl: " + message + "\n";
    if (const CommandInfo* info = InfoOf(command))
        o.err += Forms(*info, "usage: ");
    else
        o.err += "Try 'zk412vctl --help'.\n";
    return o;
}

Outcome Failure(const std::string& message) {
    return Outcome{kExitDevice, {}, "zk412vctl: " + message + "\n"};
}

Outcome Done(std::string out) {
    return Outcome{kExitOk, std::move(out), {}};
}

std::string ResultText(DeviceKind kind, int result) {
    const std::string device = KindName(kind);
    switch (result) {
    case 0:
        return "the " + device + " does not answer";
    case -1:
        return "the " + device + " cannot be written to";
    case -102:
    case -103:
        return "the " + device + " refused the request";
    default:
        return "the " + device + " failed the request (" + std::to_string(result) + ")";
    }
}

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::optional<int> Integer(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [p, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || p != end)
        return std::nullopt;
    return value;
}

std::optional<DeviceKind> KindOf(const std::string& word) {
    const std::string w = Lower(word);
    if (w == "mouse" || w == "ms")
        return DeviceKind::Mouse;
    if (w == "keyboard" || w == "kb")
        return DeviceKind::Keyboard;
    if (w == "mousepad" || w == "mp" || w == "pad")
        return DeviceKind::Mousepad;
    return std::nullopt;
}

std::string Hex(int value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

std::string Colour(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return "#" + Hex(r, 2) + Hex(g, 2) + Hex(b, 2);
}

// Splits the options (`switches` stand alone, `valued` take one value, as
// "--name value" or "--name=value") from the positional words.
struct Words {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options; // flag → value ("" for switches)
    std::string error;
};

Words SplitWords(const std::vector<std::string>& args, std::size_t from,
                 const std::vector<std::string>& switches, const std::vector<std::string>& valued) {
    Words w;
    for (std::size_t i = from; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() > 2 && a.rfind("--", 0) == 0) {
            std::string name = a;
            std::optional<std::string> value;
            if (const auto eq = a.find('='); eq != std::string::npos) {
                name = a.substr(0, eq);
                value = a.substr(eq + 1);
            }
            if (std::find(switches.begin(), switches.end(), name) != switches.end() && !value) {
                w.options[name] = "";
            } else if (std::find(valued.begin(), valued.end(), name) != valued.end()) {
                if (!value) {
                    if (i + 1 >= args.size()) {
                        w.error = name + " needs a value";
                        return w;
                    }
                    value = args[++i];
                }
                w.options[name] = *value;
            } else {
                w.error = "unknown option " + a;
                return w;
            }
        } else {
            w.positional.push_back(a);
        }
    }
    return w;
}

// --- device writes -----------------------------------------------------------------------------

// Sends a live record as timer 2's flush does (56 bytes at address 0); the
// flag is cleared when the device took it, so the flush does not repeat it.
int WriteLive(protocol::DeviceChannel& channel, std::span<const std::uint8_t> live,
              std::atomic<bool>& pending) {
    std::array<std::uint8_t, kRecordWrite> buffer{};
    settings::CopyBytes(buffer, live.first(std::min(live.size(), buffer.size())));
    const int result = channel.CmdWriteData(buffer, kRecordWrite, 0);
    if (result == 1)
        pending.store(false);
    return result;
}

Outcome AfterWrite(DeviceKind kind, int result, std::string done) {
    if (result == 1)
        return Done(std::move(done) + "\n");
    return Failure(ResultText(kind, result) +
                   "; the PC profile holds the change, so the same command sends it again");
}

// --- mouse settings --------------------------------------------------------------------------

int MaxDpiLevel(const settings::MouseSettingsImage& image) {
    const int m = image.capabilities.dpiMaxLevel;
    return m == 0 ? kUnlimitedDpiLevel : m;
}

std::string RateText(int code) {
    return code >= 0 && code < static_cast<int>(kRates.size())
               ? std::to_string(kRates[code]) + " Hz"
               : "unknown (" + std::to_string(code) + ")";
}

struct LightModes {
    std::string prefix;
    int count;
};

LightModes ModesOf(DeviceKind kind, int keyboardModel) {
    switch (kind) {
    case DeviceKind::Mouse:
        return {"light_mode_", 7};
    case DeviceKind::Keyboard:
        return keyboardModel == 1 ? LightModes{"kb1_light_mode_", 11}
                                  : LightModes{"kb_light_mode_", 17};
    case DeviceKind::Mousepad:
        return {"mp_light_mode_", 9};
    }
    return {"", 0};
}

std::string ModeName(DeviceKind kind, int keyboardModel, int mode) {
    const LightModes modes = ModesOf(kind, keyboardModel);
    if (mode < 0 || mode >= modes.count)
        return "unknown (" + std::to_string(mode) + ")";
    return Texts::English().Of(modes.prefix + std::to_string(mode));
}

// The light bytes 1..8 of a live record.
struct LightView {
    int mode, brightness, speed, cycle, r, g, b;
};

LightView LightOf(std::span<const std::uint8_t> live) {
    auto at = [&](std::size_t i) { return static_cast<int>(settings::LoadByte(live[i])); };
    return {at(settings::kLightMode),
            at(settings::kLightBrightness),
            kTopLevel - std::min(at(settings::kLightSpeed), kTopLevel),
            at(settings::kLightColourCycle),
            at(settings::kLightRed),
            at(settings::kLightGreen),
            at(settings::kLightBlue)};
}

void LightJson(JsonWriter& j, DeviceKind kind, int model, const LightView& l) {
    j.BeginObject("light")
        .Number("mode", l.mode)
        .String("modeName", ModeName(kind, model, l.mode))
        .Number("brightness", l.brightness)
        .Number("speed", l.speed)
        .String("colour", Colour(static_cast<std::uint8_t>(l.r), static_cast<std::uint8_t>(l.g),
                                 static_cast<std::uint8_t>(l.b)))
        .Bool("colourCycle", l.cycle != 0)
        .EndObject();
}

std::string LightText(DeviceKind kind, int model, const LightView& l) {
    return "light: " + ModeName(kind, model, l.mode) + " (mode " + std::to_string(l.mode) +
           "), brightness " + std::to_string(l.brightness) + ", speed " + std::to_string(l.speed) +
           ", colour " +
           Colour(static_cast<std::uint8_t>(l.r), static_cast<std::uint8_t>(l.g),
                  static_cast<std::uint8_t>(l.b)) +
           (l.cycle ? ", colour cycling" : "") + "\n";
}

std::string SelectedProfile(DeviceKind kind) {
    const ProfileKind pk = kind == DeviceKind::Mousepad ? ProfileKind::Light : ProfileKind::Device;
    return profiles::ProfileIndex(FilesOf(kind)).SelectedName(pk);
}

// The on-device profile the device uses now (byte 0 of its settings area).
std::optional<int> DeviceProfile(protocol::DeviceChannel& channel) {
    std::array<std::uint8_t, 1> byte{};
    if (channel.CmdReadData(byte, 1, 0) != 1)
        return std::nullopt;
    return byte[0];
}

struct Reach {
    profiles::MouseSession* mouse = nullptr;
    profiles::KeyboardSession* keyboard = nullptr;
    profiles::MousepadSession* mousepad = nullptr;
    std::string why;
};

Reach ReachKind(DeviceAccess& access, DeviceKind kind) {
    Reach r;
    switch (kind) {
    case DeviceKind::Mouse:
        r.mouse = access.Mouse(r.why);
        break;
    case DeviceKind::Keyboard:
        r.keyboard = access.Keyboard(r.why);
        break;
    case DeviceKind::Mousepad:
        r.mousepad = access.Mousepad(r.why);
        break;
    }
    return r;
}

protocol::DeviceChannel* ChannelOf(const Reach& r) {
    if (r.mouse)
        return &r.mouse->channel;
    if (r.keyboard)
        return &r.keyboard->channel;
    if (r.mousepad)
        return &r.mousepad->channel;
    return nullptr;
}

// --- list ----------------------------------------------------------------------------------

Outcome List(const Words& w, DeviceAccess& access) {
    const bool json = w.options.count("--json") != 0;
    JsonWriter j;
    j.BeginArray();
    std::string text, notes;
    int found = 0;
    for (DeviceKind kind : {DeviceKind::Mouse, DeviceKind::Keyboard, DeviceKind::Mousepad}) {
        Reach r = ReachKind(access, kind);
        protocol::DeviceChannel* channel = ChannelOf(r);
        if (!channel) {
            if (r.why.rfind("no ", 0) != 0)
                notes += "zk412vctl: " + r.why + "\n";
            continue;
        }
        ++found;
        const auto onDevice = DeviceProfile(*channel);
        const std::string pcProfile = SelectedProfile(kind);
        j.BeginObject()
            .String("device", KindName(kind))
            .String("product", "0x" + Hex(channel->hid.attributes.productId, 4));
        std::string line = std::string(KindName(kind)) + "  product 0x" +
                           Hex(channel->hid.attributes.productId, 4);
        if (r.mouse) {
            const auto& image = r.mouse->image;
            const int base = image.capabilities.DpiBase();
            const int low = settings::DpiOfLevel(0, base);
            const int high = settings::DpiOfLevel(MaxDpiLevel(image), base);
            const int macroBytes = image.capabilities.macroCapacity * 128;
            j.Number("dpiMin", low).Number("dpiMax", high).Number("macroMemory", macroBytes);
            line += "  DPI " + std::to_string(low) + "-" + std::to_string(high) +
                    "  macro memory " + std::to_string(macroBytes) + " bytes";
        } else if (r.keyboard) {
            const int model = r.keyboard->image.model.load();
            j.Number("model", model).Number("keys", r.keyboard->image.capabilities.keyCount);
            line += "  model " + std::to_string(model) + "  " +
                    std::to_string(r.keyboard->image.capabilities.keyCount) + " keys";
        }
        if (onDevice) {
            j.Number("deviceProfile", *onDevice + 1);
            line += "  device profile " + std::to_string(*onDevice + 1);
        } else {
            j.Null("deviceProfile");
            line += "  device profile unknown";
        }
        j.String("pcProfile", pcProfile).EndObject();
        text += line + "  PC profile \"" + pcProfile + "\"\n";
    }
    j.EndArray();
    if (found == 0)
        return Outcome{kExitDevice, json ? j.Text() : "",
                       notes + "zk412vctl: no device is connected\n"};
    return Outcome{kExitOk, json ? j.Text() : text, notes};
}

// --- show ----------------------------------------------------------------------------------

settings::MacroNameLookup MouseMacroNames() {
    return macros::MacroNameLookupOf(macros::MacroLibrary::Mouse());
}

Outcome ShowMouse(profiles::MouseSession& s, bool json) {
    const auto& image = s.image;
    const int base = image.capabilities.DpiBase();
    const int current = image.RecordByte(offsetof(MouseSettingsRecord, dpiStage)) + 1;
    const int rate = image.RecordByte(offsetof(MouseSettingsRecord, reportRate));
    const LightView light = LightOf(image.RecordBytes());
    const Texts& texts = Texts::English();
    const auto macroNames = MouseMacroNames();
    const auto library = macros::MacroLibrary::Mouse().ReadNames();

    JsonWriter j;
    j.BeginObject()
        .String("device", "mouse")
        .String("pcProfile", SelectedProfile(DeviceKind::Mouse));
    std::string t = "mouse, PC profile \"" + SelectedProfile(DeviceKind::Mouse) + "\"\n";
    t += "DPI stages (current: " + std::to_string(current) + ")\n";
    j.Number("currentStage", current).BeginArray("stages");
    for (int stage = 1; stage <= kStages; ++stage) {
        const std::size_t i = static_cast<std::size_t>(stage - 1);
        const int dpi = settings::DpiOfLevel(image.RecordByte(settings::kDpiLevelOffsets[i]), base);
        const std::size_t c = settings::kStageColourOffsets[i];
        const std::string colour =
            Colour(image.RecordByte(c), image.RecordByte(c + 1), image.RecordByte(c + 2));
        j.BeginObject()
            .Number("stage", stage)
            .Number("dpi", dpi)
            .String("colour", colour)
            .EndObject();
        char row[64];
        std::snprintf(row, sizeof row, "  %c %d  %5d DPI  %s\n", stage == current ? '*' : ' ',
                      stage, dpi, colour.c_str());
        t += row;
    }
    j.EndArray();
    j.Number("reportRate", rate >= 0 && rate < 4 ? kRates[static_cast<std::size_t>(rate)] : 0);
    t += "report rate: " + RateText(rate) + "\n";
    LightJson(j, DeviceKind::Mouse, 0, light);
    t += LightText(DeviceKind::Mouse, 0, light);
    t += "buttons:\n";
    j.BeginArray("buttons");
    for (int button = 1; button <= 7; ++button) {
        const auto& action = image.buttonTables[0].actions[static_cast<std::size_t>(button - 1)];
        const std::string name = FunctionName(action, texts, macroNames);
        j.BeginObject().Number("button", button).String("function", name).EndObject();
        t += "  " + std::to_string(button) + "  " + name + "\n";
    }
    j.EndArray().BeginArray("macros");
    t += "macros:";
    for (const std::string& m : library) {
        j.String({}, m);
        t += " " + m + ";";
    }
    if (library.empty())
        t += " none";
    else
        t.pop_back();
    t += "\n";
    j.EndArray().EndObject();
    return Done(json ? j.Text() : t);
}

Outcome ShowLightDevice(DeviceKind kind, int model, std::span<const std::uint8_t> live, bool json) {
    const LightView light = LightOf(live);
    JsonWriter j;
    j.BeginObject().String("device", KindName(kind)).String("pcProfile", SelectedProfile(kind));
    if (kind == DeviceKind::Keyboard)
        j.Number("model", model);
    LightJson(j, kind, model, light);
    j.EndObject();
    std::string t =
        std::string(KindName(kind)) + ", PC profile \"" + SelectedProfile(kind) + "\"\n";
    if (kind == DeviceKind::Keyboard)
        t += "model: " + std::to_string(model) + "\n";
    t += LightText(kind, model, light);
    return Done(json ? j.Text() : t);
}

Outcome Show(const Words& w, DeviceAccess& access) {
    if (w.positional.size() > 1)
        return Usage("show", "too many arguments");
    DeviceKind kind = DeviceKind::Mouse;
    if (!w.positional.empty()) {
        const auto k = KindOf(w.positional[0]);
        if (!k)
            return Usage("show", "unknown device '" + w.positional[0] + "'");
        kind = *k;
    }
    const bool json = w.options.count("--json") != 0;
    Reach r = ReachKind(access, kind);
    if (r.mouse)
        return ShowMouse(*r.mouse, json);
    if (r.keyboard)
        return ShowLightDevice(kind, r.keyboard->image.model.load(), r.keyboard->image.LiveBytes(),
                               json);
    if (r.mousepad)
        return ShowLightDevice(kind, 0, r.mousepad->image.LiveBytes(), json);
    return Failure(r.why);
}

// --- mouse changes -------------------------------------------------------------------------

Outcome Dpi(const Words& w, DeviceAccess& access) {
    if (w.positional.size() != 2)
        return Usage("dpi", "give a stage and a DPI value");
    const auto stage = Integer(w.positional[0]);
    if (!stage || *stage < 1 || *stage > kStages)
        return Usage("dpi", "stage '" + w.positional[0] + "' is out of range: 1 to 6");
    const auto value = Integer(w.positional[1]);
    if (!value)
        return Usage("dpi", "'" + w.positional[1] + "' is not a DPI value");
    std::string why;
    profiles::MouseSession* s = access.Mouse(why);
    if (!s)
        return Failure(why);
    auto& image = s->image;
    const int base = image.capabilities.DpiBase();
    const int top = MaxDpiLevel(image);
    const int low = settings::DpiOfLevel(0, base), high = settings::DpiOfLevel(top, base);
    if (*value < low || *value > high)
        return Usage("dpi", "DPI " + std::to_string(*value) + " is out of range: " +
                                std::to_string(low) + " to " + std::to_string(high));
    int level = -1, below = low, above = high;
    for (int l = 0; l <= top; ++l) {
        const int dpi = settings::DpiOfLevel(l, base);
        if (dpi == *value)
            level = l;
        else if (dpi < *value)
            below = std::max(below, dpi);
        else
            above = std::min(above, dpi);
    }
    if (level < 0)
        return Usage("dpi", "DPI " + std::to_string(*value) +
                                " is not a step of this mouse: the nearest are " +
                                std::to_string(below) + " and " + std::to_string(above));
    image.SetRecordByte(settings::kDpiLevelOffsets[static_cast<std::size_t>(*stage - 1)],
                        static_cast<std::uint8_t>(level));
    s->store.SaveDeviceProfile();
    access.Changed(DeviceKind::Mouse);
    const int result = WriteLive(s->channel, image.RecordBytes(), image.pending);
    return AfterWrite(DeviceKind::Mouse, result,
                      "stage " + std::to_string(*stage) + ": " + std::to_string(*value) + " DPI");
}

Outcome Stage(const Words& w, DeviceAccess& access) {
    if (w.positional.size() != 1)
        return Usage("stage", "give one stage");
    const auto stage = Integer(w.positional[0]);
    if (!stage || *stage < 1 || *stage > kStages)
        return Usage("stage", "stage '" + w.positional[0] + "' is out of range: 1 to 6");
    std::string why;
    profiles::MouseSession* s = access.Mouse(why);
    if (!s)
        return Failure(why);
    s->image.SetRecordByte(offsetof(MouseSettingsRecord, dpiStage),
                           static_cast<std::uint8_t>(*stage - 1));
    s->store.SaveDeviceProfile();
    access.Changed(DeviceKind::Mouse);
    const int result = WriteLive(s->channel, s->image.RecordBytes(), s->image.pending);
    return AfterWrite(DeviceKind::Mouse, result, "current stage: " + std::to_string(*stage));
}

Outcome Rate(const Words& w, DeviceAccess& access) {
    if (w.positional.size() != 1)
        return Usage("rate", "give one rate");
    const auto hz = Integer(w.positional[0]);
    const auto it = hz ? std::find(kRates.begin(), kRates.end(), *hz) : kRates.end();
    if (it == kRates.end())
        return Usage("rate",
                     "report rate '" + w.positional[0] + "' is not one of 125, 250, 500, 1000");
    const int code = static_cast<int>(it - kRates.begin());
    std::string why;
    profiles::MouseSession* s = access.Mouse(why);
    if (!s)
        return Failure(why);
    auto& image = s->image;
    if (auto file = profiles::MouseNameFile::ForSelectedProfile())
        file->SetUsbRate(code);
    image.SetRecordByte(offsetof(MouseSettingsRecord, reportRate), static_cast<std::uint8_t>(code));
    s->store.SaveDeviceProfile();
    access.Changed(DeviceKind::Mouse);
    const std::array<std::uint8_t, 1> byte = {static_cast<std::uint8_t>(code)};
    const int profile = image.RecordByte(offsetof(MouseSettingsRecord, profileNumber));
    const int result =
        s->channel.CmdWriteData(byte, 1, static_cast<std::uint16_t>(profile * 64 + 14));
    return AfterWrite(DeviceKind::Mouse, result, "report rate: " + std::to_string(*hz) + " Hz");
}

// --- lighting ---------------------------------------------------------------------------------

std::optional<int> Level(const Words& w, const char* option, std::string& error) {
    const auto it = w.options.find(option);
    if (it == w.options.end())
        return std::nullopt;
    const auto v = Integer(it->second);
    if (!v || *v < 0 || *v > kTopLevel) {
        error = std::string(option + 2) + " '" + it->second + "' is out of range: 0 to 4";
        return std::nullopt;
    }
    return v;
}

Outcome Light(const Words& w, DeviceAccess& access) {
    if (w.positional.size() != 1)
        return Usage("light", "name one device: mouse, keyboard or mousepad");
    const auto kind = KindOf(w.positional[0]);
    if (!kind)
        return Usage("light", "unknown device '" + w.positional[0] + "'");
    if (w.options.empty())
        return Usage("light", "give at least one of --mode, --colour, --brightness, --speed");
    std::string error;
    const auto brightness = Level(w, "--brightness", error);
    const auto speed = Level(w, "--speed", error);
    if (!error.empty())
        return Usage("light", error);
    std::optional<std::array<std::uint8_t, 3>> colour;
    if (const auto it = w.options.find("--colour"); it != w.options.end()) {
        std::string hex = it->second;
        if (!hex.empty() && hex[0] == '#')
            hex.erase(0, 1);
        unsigned value = 0;
        const auto [p, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), value, 16);
        if (hex.size() != 6 || ec != std::errc() || p != hex.data() + hex.size())
            return Usage("light", "colour '" + it->second + "' is not RRGGBB in hexadecimal");
        colour = std::array<std::uint8_t, 3>{static_cast<std::uint8_t>(value >> 16),
                                             static_cast<std::uint8_t>(value >> 8),
                                             static_cast<std::uint8_t>(value)};
    }

    Reach r = ReachKind(access, *kind);
    protocol::DeviceChannel* channel = ChannelOf(r);
    if (!channel)
        return Failure(r.why);
    const int model = r.keyboard ? r.keyboard->image.model.load() : 0;

    std::optional<int> mode;
    if (const auto it = w.options.find("--mode"); it != w.options.end()) {
        const LightModes modes = ModesOf(*kind, model);
        std::vector<std::string> names;
        for (int m = 0; m < modes.count; ++m) {
            names.push_back(ModeName(*kind, model, m));
            if (Lower(names.back()) == Lower(it->second))
                mode = m;
        }
        if (!mode)
            if (const auto n = Integer(it->second); n && *n >= 0 && *n < modes.count)
                mode = *n;
        if (!mode) {
            std::string message = "unknown light mode '" + it->second + "' of the " +
                                  KindName(*kind) + " (0 to " + std::to_string(modes.count - 1) +
                                  ")";
            if (const auto close = ClosestName(names, it->second))
                message += "; did you mean '" + *close + "'?";
            return Usage("light", message);
        }
    }

    // The live bytes of the kind, changed as its light page changes them.
    std::span<std::uint8_t> live = r.mouse ? std::span<std::uint8_t>(r.mouse->image.RecordBytes())
                                   : r.keyboard
                                       ? std::span<std::uint8_t>(r.keyboard->image.LiveBytes())
                                       : std::span<std::uint8_t>(r.mousepad->image.LiveBytes());
    auto put = [&](std::size_t offset, int value) {
        settings::PutByte(live[offset], static_cast<std::uint8_t>(value));
    };
    if (mode)
        put(settings::kLightMode, *mode);
    if (brightness)
        put(settings::kLightBrightness, *brightness);
    if (speed)
        put(settings::kLightSpeed, kTopLevel - *speed);
    if (colour) {
        put(settings::kLightRed, (*colour)[0]);
        put(settings::kLightGreen, (*colour)[1]);
        put(settings::kLightBlue, (*colour)[2]);
        if (r.mouse)
            put(settings::kLightColourCycle, 0); // a chosen colour ends the cycling
    }

    int result = 0;
    if (r.mouse) {
        r.mouse->image.pending.store(true);
        r.mouse->store.SaveDeviceProfile();
        result = WriteLive(*channel, live, r.mouse->image.pending);
    } else if (r.keyboard) {
        r.keyboard->MarkPending();
        r.keyboard->store.SaveLightProfile();
        r.keyboard->store.SaveDeviceProfile();
        result = WriteLive(*channel, live, r.keyboard->image.pending);
    } else {
        r.mousepad->MarkPending();
        r.mousepad->store.SaveLightProfile();
        result = WriteLive(*channel, live, r.mousepad->image.pending);
    }
    access.Changed(*kind);
    std::string done = std::string(KindName(*kind)) + " " + LightText(*kind, model, LightOf(live));
    done.pop_back();
    return AfterWrite(*kind, result, done);
}

// --- buttons -------------------------------------------------------------------------------

Outcome Functions(const Words& w) {
    const auto catalogue = FunctionCatalogue(Texts::English());
    if (w.options.count("--json")) {
        JsonWriter j;
        j.BeginArray();
        for (const NamedFunction& f : catalogue)
            j.BeginObject().String("name", f.name).String("group", f.group).EndObject();
        j.EndArray();
        return Done(j.Text());
    }
    std::string t, group;
    for (const NamedFunction& f : catalogue) {
        if (f.group != group) {
            group = f.group;
            t += (t.empty() ? "" : "\n") + group + ":\n";
        }
        t += "  " + f.name + "\n";
    }
    return Done(t);
}

Outcome Button(const Words& w, DeviceAccess& access) {
    if (w.positional.size() < 2)
        return Usage("button", "give a button and a function");
    const auto button = Integer(w.positional[0]);
    if (!button || *button < 1 || *button > 7)
        return Usage("button", "button '" + w.positional[0] + "' is out of range: 2 to 7");
    if (*button == 1)
        return Usage("button", "button 1 stays the left button: choose 2 to 7");
    std::string name;
    for (std::size_t i = 1; i < w.positional.size(); ++i)
        name += (i > 1 ? " " : "") + w.positional[i];
    const auto catalogue = FunctionCatalogue(Texts::English());
    const auto function = FindFunction(catalogue, name);
    if (!function) {
        std::vector<std::string> names;
        for (const NamedFunction& f : catalogue)
            names.push_back(f.name);
        std::string message = "unknown function '" + name + "'";
        if (const auto close = ClosestName(names, name))
            message += "; did you mean '" + *close + "'?";
        return Usage("button", message + " (see 'zk412vctl functions')");
    }
    std::string why;
    profiles::MouseSession* s = access.Mouse(why);
    if (!s)
        return Failure(why);
    auto& image = s->image;

    // The library goes with the table; one that does not fit changes nothing.
    const macros::MacroLibrary library = macros::MacroLibrary::Mouse();
    const macros::LibraryBlock packed =
        macros::BuildLibraryBlock(library, image.capabilities.macroCapacity);
    if (packed.status == macros::LibraryBlock::Status::TooLarge)
        return Failure("the macro library does not fit the mouse's macro memory (" +
                       std::to_string(packed.overflow) + " too many); nothing was changed");

    // The PC side first: the profile then holds the whole change, and the
    // same command completes what the mouse did not take.
    image.buttonTables[0].actions[static_cast<std::size_t>(*button - 1)] = function->action;
    s->store.SaveDeviceProfile();
    if (auto nameFile = profiles::MouseNameFile::ForSelectedProfile())
        nameFile->SetKeyName(*button, function->action.type == settings::action_type::kOff
                                          ? std::string()
                                          : function->name);
    access.Changed(DeviceKind::Mouse);

    protocol::DeviceChannel& channel = s->channel;
    std::vector<std::string> written;
    auto failed = [&](const std::string& part, int result) {
        std::string message = ResultText(DeviceKind::Mouse, result) + ": " + part + " not written";
        message += written.empty() ? "; nothing reached the mouse" : "; written: ";
        for (std::size_t i = 0; i < written.size(); ++i)
            message += (i ? ", " : "") + written[i];
        return Failure(message +
                       "; the PC profile holds the change, so the same command completes it");
    };
    if (packed.status == macros::LibraryBlock::Status::Ready) {
        channel.CmdStart();
        const int result = channel.CmdWriteMacroArea(
            packed.block, static_cast<std::uint32_t>(packed.block.size()));
        channel.CmdFinish();
        if (result != 1)
            return failed("macro memory (or only part of it) and button table", result);
        written.push_back("macro memory");
    }
    const int profile = image.RecordByte(offsetof(MouseSettingsRecord, profileNumber));
    channel.CmdStart();
    const int result = channel.CmdWriteProfileBlock(image.buttonTables[0].Bytes(), profile);
    channel.CmdFinish();
    if (result != 1)
        return failed("button table (or only part of it)", result);
    return Done("button " + std::to_string(*button) + ": " + function->name + "\n");
}

// --- profiles and macros ------------------------------------------------------------------

ProfileKind SelectorKind(DeviceKind kind) {
    return kind == DeviceKind::Mousepad ? ProfileKind::Light : ProfileKind::Device;
}

Outcome ProfileList(const Words& w) {
    if (w.positional.size() > 2)
        return Usage("profile", "too many arguments");
    DeviceKind kind = DeviceKind::Mouse;
    if (w.positional.size() == 2) {
        const auto k = KindOf(w.positional[1]);
        if (!k)
            return Usage("profile", "unknown device '" + w.positional[1] + "'");
        kind = *k;
    }
    const profiles::ProfileIndex index(FilesOf(kind));
    const ProfileKind pk = SelectorKind(kind);
    const int count = std::min(index.Count(pk), profiles::kMaxProfiles);
    const int selected = index.Selected(pk);
    JsonWriter j;
    j.BeginArray();
    std::string t;
    for (int i = 0; i < count; ++i) {
        const std::string name = index.Name(pk, i);
        j.BeginObject().String("name", name).Bool("selected", i == selected).EndObject();
        t += std::string(i == selected ? "* " : "  ") + name + "\n";
    }
    j.EndArray();
    return Done(w.options.count("--json") ? j.Text() : t);
}

Outcome ProfileApply(const Words& w, DeviceAccess& access) {
    if (w.positional.size() != 3)
        return Usage("profile", "give a device and a profile name");
    const auto kind = KindOf(w.positional[1]);
    if (!kind)
        return Usage("profile", "unknown device '" + w.positional[1] + "'");
    const std::string& name = w.positional[2];
    if (const auto problem = profiles::ProfileNameProblem(name))
        return Usage("profile", "profile name '" + name + "' cannot be used: " + *problem);
    const profiles::ProfileIndex index(FilesOf(*kind));
    const ProfileKind pk = SelectorKind(*kind);
    const int count = std::min(index.Count(pk), profiles::kMaxProfiles);
    int found = -1;
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        names.push_back(index.Name(pk, i));
        if (names.back() == name || (found < 0 && Lower(names.back()) == Lower(name)))
            found = i;
    }
    if (found < 0) {
        std::string message = "no " + std::string(KindName(*kind)) + " profile '" + name + "'";
        if (const auto close = ClosestName(names, name))
            message += "; did you mean '" + *close + "'?";
        return Usage("profile", message);
    }
    Reach r = ReachKind(access, *kind);
    if (!ChannelOf(r))
        return Failure(r.why);
    const std::string done = std::string(KindName(*kind)) + " profile: " + names[found] + "\n";
    if (access.ApplyThroughWindow(*kind, found))
        return Done(done);

    int loaded = 0, result = 1;
    if (r.mouse) {
        profiles::ApplySelection(profiles::MouseProfileStore::Index(), pk, found);
        const auto load = profiles::LoadMouseDeviceForApply(r.mouse->store, r.mouse->image, found);
        loaded = load.result;
        if (loaded == 0) {
            result = profiles::WriteAppliedRecord(r.mouse->image, &r.mouse->channel);
            if (result == 1)
                r.mouse->image.pending.store(false);
            if (result == 1)
                result = profiles::WriteAppliedButtons(load.buttons, &r.mouse->channel);
        }
    } else if (r.keyboard) {
        profiles::ApplySelection(profiles::KeyboardProfileStore::Index(), pk, found);
        loaded = r.keyboard->store.LoadDeviceProfile(found);
        if (loaded == 0) {
            result = WriteLive(r.keyboard->channel, r.keyboard->image.LiveBytes(),
                               r.keyboard->image.pending);
            if (result == 1)
                result = r.keyboard->channel.CmdWriteProfileBlock(r.keyboard->image.keyTable, 0);
        }
    } else {
        profiles::ApplySelection(profiles::MousepadProfileStore::Index(), pk, found);
        loaded = r.mousepad->store.LoadLightProfile(found);
        if (loaded == 0)
            result = WriteLive(r.mousepad->channel, r.mousepad->image.LiveBytes(),
                               r.mousepad->image.pending);
    }
    access.Changed(*kind);
    if (loaded != 0)
        return Failure("the files of profile '" + names[found] + "' are " +
                       (loaded > 0 ? "missing" : "damaged") + "; the device was left as it was");
    if (result != 1)
        return Failure(ResultText(*kind, result) + "; profile '" + names[found] +
                       "' is selected on the PC, so the same command sends it again");
    return Done(done);
}

using Place = std::function<std::filesystem::path(const std::string&)>;

// The profile's data file of the kind's selector: ".config" of the mouse and
// the keyboard, ".led" of the mousepad.
std::string_view ExtensionOf(DeviceKind kind) {
    return kind == DeviceKind::Mousepad ? profiles::kLightExtension : profiles::kDeviceExtension;
}
std::size_t BodyOf(DeviceKind kind) {
    switch (kind) {
    case DeviceKind::Mouse:
        return profiles::kMouseDeviceBody;
    case DeviceKind::Keyboard:
        return profiles::kKeyboardDeviceBody;
    case DeviceKind::Mousepad:
        break;
    }
    return profiles::kMousepadLightBody;
}
profiles::DeviceTag TagOf(DeviceKind kind) {
    switch (kind) {
    case DeviceKind::Mouse:
        return profiles::DeviceTag::Mouse;
    case DeviceKind::Keyboard:
        return profiles::DeviceTag::Keyboard;
    case DeviceKind::Mousepad:
        break;
    }
    return profiles::DeviceTag::Mousepad;
}

std::vector<std::string> Rows(DeviceKind kind) {
    const profiles::ProfileIndex index(FilesOf(kind));
    const ProfileKind pk = SelectorKind(kind);
    std::vector<std::string> rows;
    const int count = std::min(index.Count(pk), profiles::kMaxProfiles);
    for (int i = 0; i < count; ++i)
        rows.push_back(index.Name(pk, i));
    return rows;
}

Outcome ProfileExport(const Words& w, const Place& place) {
    if (w.positional.size() != 4)
        return Usage("profile", "give a device, a profile name and a file");
    const auto kind = KindOf(w.positional[1]);
    if (!kind)
        return Usage("profile", "unknown device '" + w.positional[1] + "'");
    const std::string& name = w.positional[2];
    if (const auto problem = profiles::ProfileNameProblem(name))
        return Usage("profile", "profile name '" + name + "' cannot be used: " + *problem);
    const auto rows = Rows(*kind);
    const auto row = std::find_if(rows.begin(), rows.end(),
                                  [&](const std::string& r) { return Lower(r) == Lower(name); });
    if (row == rows.end()) {
        std::string message = "no " + std::string(KindName(*kind)) + " profile '" + name + "'";
        if (const auto close = ClosestName(rows, name))
            message += "; did you mean '" + *close + "'?";
        return Usage("profile", message);
    }
    const auto path = profiles::ProfileFilePath(FilesOf(*kind), *row, ExtensionOf(*kind));
    const auto found = path ? profiles::FindFileNoCase(*path) : std::nullopt;
    const auto bytes = found ? platform::ReadWholeFile(*found) : std::nullopt;
    if (!bytes)
        return Failure("the file of profile '" + *row + "' cannot be read");
    const auto target = place(w.positional[3]);
    if (!platform::WriteFileAtomically(target, *bytes))
        return Failure("cannot write " + target.string());
    return Done(std::string(KindName(*kind)) + " profile " + *row + " exported to " +
                target.string() + "\n");
}

Outcome ProfileImport(const Words& w, DeviceAccess& access, const Place& place) {
    if (w.positional.size() < 3 || w.positional.size() > 4)
        return Usage("profile", "give a device, a file and optionally a name");
    const auto kind = KindOf(w.positional[1]);
    if (!kind)
        return Usage("profile", "unknown device '" + w.positional[1] + "'");
    const auto source = place(w.positional[2]);
    const std::string name = w.positional.size() == 4 ? w.positional[3] : source.stem().string();
    if (const auto problem = profiles::RowNameProblem(name))
        return Usage("profile", "profile name '" + name + "' cannot be used: " + *problem);
    const auto bytes = platform::ReadWholeFile(source);
    if (!bytes)
        return Failure("cannot read " + source.string());
    // A profile file of this kind: the magic, the kind's tag and a whole body.
    const auto byteAt = [&](std::size_t i) { return static_cast<std::uint8_t>((*bytes)[i]); };
    if (bytes->size() < profiles::kProfileHeaderSize + BodyOf(*kind) ||
        (byteAt(0) | (byteAt(1) << 8)) != profiles::kProfileMagic ||
        (byteAt(4) | (byteAt(5) << 8)) != static_cast<int>(TagOf(*kind)))
        return Usage("profile", source.string() + " is not a " + KindName(*kind) + " profile file");
    auto rows = Rows(*kind);
    for (const std::string& r : rows)
        if (Lower(r) == Lower(name))
            return Usage("profile", "a " + std::string(KindName(*kind)) + " profile named '" + r +
                                        "' exists already: give another name");
    if (static_cast<int>(rows.size()) >= profiles::kMaxProfiles)
        return Failure("the " + std::string(KindName(*kind)) + " has " +
                       std::to_string(profiles::kMaxProfiles) + " profiles, the most it holds");

    if (*kind == DeviceKind::Mouse) {
        // The list's own new and rename: its files first, the index last.
        profiles::MouseProfileList list(source);
        const auto created = list.Create(rows);
        if (!created.changed)
            return Failure("the profile could not be added (" +
                           Texts::English().Of(created.message) + ")");
        rows.push_back(created.name);
        const auto renamed = list.Rename(rows, static_cast<int>(rows.size()) - 1, name);
        if (!renamed.changed && created.name != name) {
            list.Delete(rows, static_cast<int>(rows.size()) - 1);
            return Failure("the profile could not be added (" +
                           Texts::English().Of(renamed.message) + ")");
        }
    } else {
        const auto path = profiles::ProfileFilePath(FilesOf(*kind), name, ExtensionOf(*kind));
        const std::span<const std::uint8_t> body(
            reinterpret_cast<const std::uint8_t*>(bytes->data()) + profiles::kProfileHeaderSize,
            BodyOf(*kind));
        if (!path || !profiles::WriteProfileFile(*path, body, TagOf(*kind)))
            return Failure("the profile file could not be written");
        profiles::ProfileIndex index(FilesOf(*kind));
        const ProfileKind pk = SelectorKind(*kind);
        const int at = static_cast<int>(rows.size());
        if (!index.SetName(pk, at, name) || !index.SetCount(pk, at + 1)) {
            std::error_code ec;
            std::filesystem::remove(*path, ec);
            return Failure("the profile index could not be written");
        }
    }
    access.ProfilesChanged(*kind);
    return Done(std::string(KindName(*kind)) + " profile " + name + " imported\n");
}

Outcome Profile(const Words& w, DeviceAccess& access, const Place& place) {
    if (w.positional.empty())
        return Usage("profile", "give 'list', 'apply', 'export' or 'import'");
    if (w.positional[0] == "list")
        return ProfileList(w);
    if (w.positional[0] == "apply")
        return ProfileApply(w, access);
    if (w.positional[0] == "export")
        return ProfileExport(w, place);
    if (w.positional[0] == "import")
        return ProfileImport(w, access, place);
    return Usage("profile", "unknown profile command '" + w.positional[0] + "'");
}

macros::MacroLibrary LibraryOf(DeviceKind kind) {
    return kind == DeviceKind::Mouse ? macros::MacroLibrary::Mouse()
                                     : macros::MacroLibrary::Keyboard();
}

std::optional<DeviceKind> MacroKind(const std::string& word) {
    const auto k = KindOf(word);
    if (!k || *k == DeviceKind::Mousepad)
        return std::nullopt;
    return k;
}

Outcome MacroExport(const Words& w, const Place& place) {
    if (w.positional.size() != 4)
        return Usage("macro", "give a device, a macro name and a file");
    const auto kind = MacroKind(w.positional[1]);
    if (!kind)
        return Usage("macro", "macros belong to the mouse or the keyboard");
    const auto library = LibraryOf(*kind);
    const auto names = library.ReadNames();
    const auto it = std::find_if(names.begin(), names.end(), [&](const std::string& n) {
        return macros::SameMacroName(n, w.positional[2]);
    });
    if (it == names.end()) {
        std::string message = "no macro '" + w.positional[2] + "'";
        if (const auto close = ClosestName(names, w.positional[2]))
            message += "; did you mean '" + *close + "'?";
        return Usage("macro", message);
    }
    const auto file = library.ActionFilePath(*it);
    const auto bytes = file ? platform::ReadWholeFile(*file) : std::nullopt;
    if (!bytes)
        return Failure("the action file of macro '" + *it + "' cannot be read");
    const auto target = place(w.positional[3]);
    if (!platform::WriteFileAtomically(target, *bytes))
        return Failure("cannot write " + target.string());
    return Done("macro " + *it + " exported to " + target.string() + "\n");
}

Outcome MacroImport(const Words& w, DeviceAccess& access, const Place& place) {
    if (w.positional.size() < 3 || w.positional.size() > 4)
        return Usage("macro", "give a device, a file and optionally a name");
    const auto kind = MacroKind(w.positional[1]);
    if (!kind)
        return Usage("macro", "macros belong to the mouse or the keyboard");
    const auto source = place(w.positional[2]);
    const std::string name = w.positional.size() == 4 ? w.positional[3] : source.stem().string();
    if (const auto e = macros::CheckMacroName(name); e != macros::MacroError::None)
        return Usage("macro", "macro name '" + name +
                                  "' cannot be used: " + std::string(macros::MacroErrorText(e)));
    std::error_code ec;
    if (!std::filesystem::is_regular_file(source, ec))
        return Failure("cannot read " + source.string());
    const auto lines = macros::ReadActionFileLines(source);
    macros::MacroAction action;
    if (lines.empty() || !std::all_of(lines.begin(), lines.end(), [&](const std::string& l) {
            return macros::ParseActionLine(l, action);
        }))
        return Usage("macro", source.string() + " is not a macro file (no action lines, or a "
                                                "line that is no action)");
    const auto library = LibraryOf(*kind);
    for (const std::string& n : library.ReadNames())
        if (macros::SameMacroName(n, name))
            return Usage("macro", "a macro named '" + n + "' exists already: give another name");
    if (library.ReadCount() >= macros::kMaxMacros)
        return Failure("the macro library holds " + std::to_string(macros::kMaxMacros) +
                       " macros, the most it can");
    // The action file first, the index last; a refused index takes the file back.
    if (const auto e = library.WriteActionLines(name, lines); e != macros::MacroError::None)
        return Failure("the macro could not be written: " + std::string(macros::MacroErrorText(e)));
    if (const auto e = library.AppendName(name); e != macros::MacroError::None) {
        library.DeleteActionFile(name);
        return Failure("the macro could not be added: " + std::string(macros::MacroErrorText(e)));
    }
    access.Changed(*kind);
    return Done("macro " + name + " imported (" + std::to_string(lines.size()) + " actions)\n");
}

Outcome Macro(const Words& w, DeviceAccess& access, const Place& place) {
    if (!w.positional.empty() && w.positional[0] == "export")
        return MacroExport(w, place);
    if (!w.positional.empty() && w.positional[0] == "import")
        return MacroImport(w, access, place);
    if (w.positional.empty() || w.positional[0] != "list")
        return Usage("macro", "give 'list', 'export' or 'import'");
    if (w.positional.size() > 2)
        return Usage("macro", "too many arguments");
    DeviceKind kind = DeviceKind::Mouse;
    if (w.positional.size() == 2) {
        const auto k = KindOf(w.positional[1]);
        if (!k || *k == DeviceKind::Mousepad)
            return Usage("macro", "macros belong to the mouse or the keyboard");
        kind = *k;
    }
    const macros::MacroLibrary library = kind == DeviceKind::Mouse
                                             ? macros::MacroLibrary::Mouse()
                                             : macros::MacroLibrary::Keyboard();
    JsonWriter j;
    j.BeginArray();
    std::string t;
    for (const std::string& name : library.ReadNames()) {
        const int actions = library.ReadActionCount(name);
        j.BeginObject().String("name", name).Number("actions", actions).EndObject();
        t += name + "  " + std::to_string(actions) + " actions\n";
    }
    j.EndArray();
    return Done(w.options.count("--json") ? j.Text() : t);
}

} // namespace

std::string VersionText() {
#ifdef ZK_VERSION
    return std::string("zk412vctl ") + ZK_VERSION + "\n";
#else
    return "zk412vctl\n";
#endif
}

std::vector<std::string> CommandNames() {
    std::vector<std::string> names;
    for (const CommandInfo& c : kCommands)
        names.emplace_back(c.name);
    return names;
}

std::string UsageText() {
    std::string t =
        "Usage: zk412vctl [--emulate] COMMAND [ARGUMENTS]\n"
        "Sets up the ORVANE ZK412V mouse, its keyboard and its mousepad from a script or a\n"
        "terminal. When the zk412v window program runs, it carries out the command, so\n"
        "the window, the profile files and the devices stay in step; otherwise the tool\n"
        "talks to the devices itself.\n\nCommands:\n";
    for (const CommandInfo& c : kCommands) {
        const std::string synopsis = c.brief ? c.brief : c.synopsis;
        // A long synopsis takes a line of its own, the summary the next.
        if (synopsis.size() > 40)
            t += "  " + synopsis + "\n" + std::string(44, ' ') + c.summary + "\n";
        else
            t += "  " + synopsis + std::string(42 - synopsis.size(), ' ') + c.summary + "\n";
    }
    t += "\nOptions:\n"
         "  --emulate    work on emulated devices in this process (never the window program)\n"
         "  -h, --help   show this help; COMMAND --help shows a command's help\n"
         "  --version    show the version\n"
         "\nExit status: 0 done, 1 device or file failure (no device, busy, no answer),\n"
         "2 bad command line (unknown command, value out of range, unknown name).\n";
    return t;
}

std::string CommandHelp(const std::string& command) {
    const CommandInfo* info = InfoOf(command);
    if (!info)
        return {};
    return Forms(*info, "Usage: ") + info->summary + ".\n\n" + info->details + "\n";
}

Outcome RunCommand(const std::vector<std::string>& args, DeviceAccess& access,
                   const std::string& workingFolder) {
    if (args.empty())
        return Usage("", "no command given");
    const std::string& command = args[0];
    const bool helpAsked = std::find(args.begin() + 1, args.end(), "--help") != args.end() ||
                           std::find(args.begin() + 1, args.end(), "-h") != args.end();
    if (InfoOf(command) && helpAsked)
        return Done(CommandHelp(command));
    if (command == "help") {
        if (args.size() == 1)
            return Done(UsageText());
        const std::string help = CommandHelp(args[1]);
        return help.empty() ? Usage("help", "unknown command '" + args[1] + "'") : Done(help);
    }
    if (!InfoOf(command)) {
        std::string message = "unknown command '" + command + "'";
        if (const auto close = ClosestName(CommandNames(), command))
            message += "; did you mean '" + *close + "'?";
        return Usage("", message);
    }
    const Words w =
        SplitWords(args, 1, {"--json"},
                   command == "light" ? std::vector<std::string>{"--mode", "--colour", "--color",
                                                                 "--brightness", "--speed"}
                                      : std::vector<std::string>{});
    if (!w.error.empty())
        return Usage(command, w.error);
    Words words = w;
    if (auto it = words.options.find("--color"); it != words.options.end()) {
        words.options["--colour"] = it->second;
        words.options.erase(it);
    }
    const bool jsonAllowed = command == "list" || command == "show" || command == "functions" ||
                             command == "profile" || command == "macro";
    if (words.options.count("--json") && !jsonAllowed)
        return Usage(command, "--json is not an option of " + command);

    if (command == "list")
        return words.positional.empty() ? List(words, access) : Usage("list", "too many arguments");
    if (command == "show")
        return Show(words, access);
    if (command == "dpi")
        return Dpi(words, access);
    if (command == "stage")
        return Stage(words, access);
    if (command == "rate")
        return Rate(words, access);
    if (command == "light")
        return Light(words, access);
    if (command == "button")
        return Button(words, access);
    if (command == "functions")
        return words.positional.empty() ? Functions(words)
                                        : Usage("functions", "too many arguments");
    const auto place = [&workingFolder](const std::string& file) {
        const std::filesystem::path path(file);
        return path.is_absolute() || workingFolder.empty()
                   ? path
                   : std::filesystem::path(workingFolder) / path;
    };
    if (command == "profile")
        return Profile(words, access, place);
    return Macro(words, access, place);
}

} // namespace zk::control
