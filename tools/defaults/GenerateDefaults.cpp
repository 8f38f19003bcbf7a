// Writes the factory default profile files into the folder given on the
// command line: the mouse device profile, the keyboard device, light and key
// profiles of both keyboard models, and the mousepad light profile. Their
// content is the factory configuration below.

#include "profiles/ProfileFile.h"
#include "profiles/ProfileStore.h"
#include "settings/KeyTables.h"
#include "settings/LightRecords.h"
#include "settings/MouseSettingsImage.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

using namespace zk;
using settings::ButtonAction;

// --- factory configuration -----------------------------------------------------

struct Colour {
    std::uint8_t red, green, blue;
};

constexpr Colour kAccent = {0x01, 0x99, 0xCB};

// Lighting shared by the three devices: mode, brightness (0-4), speed (0
// fastest - 4 slowest), direction, seven-colour cycling, single colour.
constexpr std::uint8_t kLightMode = 1;
constexpr std::uint8_t kLightBrightness = 4;
constexpr std::uint8_t kLightSpeed = 2;
constexpr std::uint8_t kLightOption = 0;
constexpr std::uint8_t kColourCycle = 1;

// Mouse: DPI level indices of stages 1 to 6 (400, 800, 1600, 2400, 3200 and
// 6300 DPI over a base of 100), the current stage (800 DPI), stage colours.
constexpr std::array<std::uint8_t, settings::kDpiStageCount> kDpiLevels = {3, 7, 15, 23, 31, 55};
constexpr std::uint8_t kDpiStage = 1;
constexpr std::array<Colour, settings::kDpiStageCount> kStageColours = {{
    {255, 0, 0},
    {0, 255, 0},
    {0, 0, 255},
    {255, 255, 0},
    {255, 0, 255},
    {0, 255, 255},
}};
constexpr std::uint8_t kReportRate = settings::report_rate::k500Hz;
constexpr std::uint8_t kPointerSpeed = 10;
constexpr std::uint8_t kWheelLines = 3;

// Mouse buttons 1 to 7: left, middle, right, forward, back, DPI loop, DPI up.
constexpr std::array<ButtonAction, 7> kMouseButtons = {{
    {settings::action_type::kMouseButton, 0x01, 0x00},
    {settings::action_type::kMouseButton, 0x04, 0x00},
    {settings::action_type::kMouseButton, 0x02, 0x00},
    {settings::action_type::kMouseButton, 0x10, 0x00},
    {settings::action_type::kMouseButton, 0x08, 0x00},
    {settings::action_type::kDpi, 0x03, 0x00},
    {settings::action_type::kDpi, 0x01, 0x00},
}};

// Keyboard custom layers: model 0 stores a colour per key, model 1 a
// brightness level per key.
constexpr std::array<Colour, 5> kLayerColours = {{
    {255, 255, 255},
    {0x01, 0x99, 0xCB},
    {255, 0, 0},
    {0, 255, 0},
    {0, 0, 255},
}};
constexpr std::uint8_t kModel1LayerBrightness = 4;

// --- bodies ----------------------------------------------------------------------

template <typename Light> void SetLight(Light& light) {
    light.lightMode = kLightMode;
    light.lightBrightness = kLightBrightness;
    light.lightSpeed = kLightSpeed;
    light.lightOption = kLightOption;
    light.colourCycle = kColourCycle;
    light.lightRed = kAccent.red;
    light.lightGreen = kAccent.green;
    light.lightBlue = kAccent.blue;
}

std::vector<std::uint8_t> MouseDeviceBody() {
    settings::ButtonTable buttons{};
    for (std::size_t i = 0; i < kMouseButtons.size(); ++i)
        buttons.actions[i] = kMouseButtons[i];

    settings::MouseProfileRecord profile{};
    SetLight(profile.settings);
    profile.settings.reportRate = kReportRate;
    auto record = settings::BytesOf(profile.settings);
    for (std::size_t s = 0; s < settings::kDpiStageCount; ++s) {
        record[settings::kDpiLevelOffsets[s]] = kDpiLevels[s];
        record[settings::kStageColourOffsets[s]] = kStageColours[s].red;
        record[settings::kStageColourOffsets[s] + 1] = kStageColours[s].green;
        record[settings::kStageColourOffsets[s] + 2] = kStageColours[s].blue;
    }
    profile.settings.dpiStage = kDpiStage;
    profile.pointerSpeed = kPointerSpeed;
    profile.wheelLines = kWheelLines;

    std::vector<std::uint8_t> body(buttons.Bytes().begin(), buttons.Bytes().end());
    const auto bytes = settings::BytesOf(profile);
    body.insert(body.end(), bytes.begin(), bytes.end());
    return body;
}

// Key position i reproduces row i of the keyboard key table.
std::vector<std::uint8_t> KeyboardKeyBody() {
    std::vector<std::uint8_t> body(settings::kKeyTableSize, 0);
    for (std::size_t i = 0; i < settings::kKeyboardKeyRows && i < settings::kKeyboardKeyCount;
         ++i) {
        const ButtonAction action = settings::KeyboardKeyTable[i].Action();
        body[i * 3] = action.type;
        body[i * 3 + 1] = action.p1;
        body[i * 3 + 2] = action.p2;
    }
    return body;
}

std::vector<std::uint8_t> KeyboardLightBody(int model) {
    settings::KeyboardLightRecord record{};
    SetLight(record.header.live);
    record.customLayer = 0;
    record.customColour[0] = kAccent.red;
    record.customColour[1] = kAccent.green;
    record.customColour[2] = kAccent.blue;
    for (std::size_t layer = 0; layer < settings::kCustomLayerCount; ++layer) {
        for (std::size_t key = 0; key < settings::kKeyboardKeyCount; ++key) {
            std::uint8_t* entry = &record.layers[layer][key * 3];
            if (model == 0) {
                entry[0] = kLayerColours[layer].red;
                entry[1] = kLayerColours[layer].green;
                entry[2] = kLayerColours[layer].blue;
            } else {
                entry[0] = entry[1] = entry[2] = kModel1LayerBrightness;
            }
        }
    }
    const auto bytes = settings::BytesOf(record);
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> KeyboardDeviceBody(int model) {
    std::vector<std::uint8_t> body = KeyboardKeyBody();
    const auto light = KeyboardLightBody(model);
    body.insert(body.end(), light.begin(), light.end());
    return body;
}

std::vector<std::uint8_t> MousepadLightBody() {
    settings::MousepadLightRecord record{};
    SetLight(record.live);
    const auto bytes = settings::BytesOf(record);
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

bool Write(const std::filesystem::path& folder, std::string_view name,
           const std::vector<std::uint8_t>& body, profiles::DeviceTag tag) {
    if (profiles::WriteProfileFile(folder / name, body, tag))
        return true;
    std::fprintf(stderr, "cannot write %s\n", (folder / name).c_str());
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    using profiles::DeviceTag;
    bool ok = Write(folder, profiles::kMouseDeviceDefault, MouseDeviceBody(), DeviceTag::Mouse);
    for (int model = 0; model < 2; ++model) {
        ok &= Write(folder, profiles::kKeyboardDeviceDefault[model], KeyboardDeviceBody(model),
                    DeviceTag::Keyboard);
        ok &= Write(folder, profiles::kKeyboardLightDefault[model], KeyboardLightBody(model),
                    DeviceTag::Keyboard);
        ok &= Write(folder, profiles::kKeyboardKeyDefault[model], KeyboardKeyBody(),
                    DeviceTag::Keyboard);
    }
    ok &= Write(folder, profiles::kMousepadLightDefault, MousepadLightBody(), DeviceTag::Mousepad);
    return ok ? 0 : 1;
}
