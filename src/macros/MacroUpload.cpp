#include "macros/MacroUpload.h"

#include <new>

#include "macros/MacroBlock.h"
#include "macros/MacroLibrary.h"
#include "protocol/DeviceChannel.h"

namespace zk::macros {

int WriteButtonTableWithMacros(protocol::DeviceChannel& channel, const MacroLibrary& library,
                               std::uint8_t macroCapacity,
                               std::span<const std::uint8_t> buttonTable, int profile,
                               const MacroUploadSeams& seams) {
    auto show = [&](std::string_view key, std::optional<int> argument) {
        if (seams.showMessage)
            seams.showMessage(key, argument);
    };

    LibraryBlock packed;
    try {
        packed = BuildLibraryBlock(library, macroCapacity);
    } catch (const std::bad_alloc&) {
        show(kMessageOutOfMemory, std::nullopt);
        return 0;
    }
    if (packed.status == LibraryBlock::Status::TooLarge) {
        show(kMessageLibraryTooLarge, packed.overflow);
        return 0;
    }

    if (packed.status == LibraryBlock::Status::Ready) {
        channel.CmdStart();
        channel.CmdWriteMacroArea(packed.block, static_cast<std::uint32_t>(packed.block.size()));
        channel.CmdFinish();
    }
    channel.CmdStart();
    channel.CmdWriteProfileBlock(buttonTable, profile);
    channel.CmdFinish();

    if (seams.saveDeviceProfile)
        seams.saveDeviceProfile();
    return 1;
}

} // namespace zk::macros
