#include "profiles/ApplyProfile.h"

#include "platform/IniFile.h"
#include "profiles/NameFile.h"
#include "profiles/ProfileLinks.h"
#include "protocol/DeviceChannel.h"

#include <array>

namespace zk::profiles {

namespace {

// Report-rate codes 0 to 3 of the name file and their track pictures.
constexpr std::array<const char*, 4> kUsbRatePictures = {"qelma/125.png", "qelma/250.png",
                                                         "qelma/500.png", "qelma/1000.png"};
constexpr int kSliderPictureCount = 11; // positions 0 to 10: "qelma/1.png" .. "qelma/11.png"

std::optional<std::string> SliderPicture(std::optional<int> position) {
    if (!position || *position < 0 || *position >= kSliderPictureCount)
        return std::nullopt;
    return "qelma/" + std::to_string(*position + 1) + ".png";
}

} // namespace

std::optional<std::string> LinkedProgramName(std::string_view path) {
    const auto cut = path.find_last_of("/\\");
    if (cut == std::string_view::npos)
        return std::nullopt;
    return std::string(path.substr(cut + 1));
}

LinkDisplay ApplySelection(ProfileIndex index, ProfileKind kind, int selected) {
    index.SetSelected(kind, selected);
    return LinkOf(index, kind, selected);
}

LinkDisplay LinkOf(const ProfileIndex& index, ProfileKind kind, int selected) {
    LinkDisplay link;
    // Any flag that reads as a non-zero number counts as linked.
    link.linked =
        index.File().ReadInt(SectionsOf(index.Kind(), kind).linked, std::to_string(selected)) != 0;
    if (link.linked)
        link.programName = LinkedProgramName(LinkedPath(index, kind, selected));
    return link;
}

MouseDeviceLoad LoadMouseDeviceForApply(MouseProfileStore& store,
                                        settings::MouseSettingsImage& image, int index) {
    MouseDeviceLoad load;
    load.result = store.LoadDeviceProfile(index);
    settings::CopyBytes(image.RecordBytes(), std::span<const std::uint8_t>(image.ProfileBytes(0))
                                                 .first(settings::kMouseSettingsRecordSize));
    settings::CopyBytes(load.buttons.Bytes(), image.buttonTables[0].Bytes());
    return load;
}

int WriteAppliedRecord(settings::MouseSettingsImage& image, protocol::DeviceChannel* channel) {
    std::array<std::uint8_t, settings::kMouseSettingsRecordSize> bytes{};
    settings::CopyBytes(bytes, image.ProfileBytes(0));
    const int result =
        channel ? channel->CmdWriteData(bytes, settings::kMouseSettingsRecordSize, 0) : 0;
    image.pending.store(true);
    return result;
}

int WriteAppliedButtons(const settings::ButtonTable& buttons, protocol::DeviceChannel* channel) {
    return channel ? channel->CmdWriteProfileBlock(buttons.Bytes(), 0) : 0;
}

NameFilePictures PicturesOfNameFile(std::string_view profileName) {
    NameFilePictures pictures;
    const auto file = MouseNameFile::ForProfile(profileName);
    if (!file)
        return pictures;
    // A stored "0" is 125 Hz like any other text that reads as 0.
    const int code = platform::ToInt(file->UsbRateText());
    if (code >= 0 && code <= 3)
        pictures.usbRate = kUsbRatePictures[static_cast<std::size_t>(code)];
    pictures.mouseSpeed = SliderPicture(file->MouseSpeed());
    pictures.doubleClick = SliderPicture(file->DoubleClick());
    return pictures;
}

} // namespace zk::profiles
