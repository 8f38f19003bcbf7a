#include "macros/MacroBlock.h"

#include "macros/MacroLibrary.h"

namespace zk::macros {

namespace {

void Put16(std::vector<std::uint8_t>& block, std::size_t at, std::size_t value) {
    block[at] = static_cast<std::uint8_t>(value & 0xFF);
    block[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

constexpr std::size_t kMaxBlockSize = 0xFFFF;

} // namespace

std::size_t MacroBlockSize(const std::vector<std::size_t>& actionCounts) {
    std::size_t size = kMacroBlockHeaderSize;
    for (std::size_t m : actionCounts)
        size += kMacroOffsetSize + kMacroRecordHeaderSize + kDeviceActionSize * m;
    return size;
}

std::optional<std::vector<std::uint8_t>>
PackMacroBlock(const std::vector<std::vector<MacroAction>>& macros) {
    std::vector<std::size_t> counts;
    counts.reserve(macros.size());
    for (const auto& m : macros)
        counts.push_back(m.size());
    const std::size_t size = MacroBlockSize(counts);
    if (size > kMaxBlockSize)
        return std::nullopt;

    std::vector<std::uint8_t> block(size, 0);
    Put16(block, 0, kMacroBlockMagic);
    Put16(block, 2, size);
    Put16(block, 4, macros.size());
    std::size_t record = kMacroBlockHeaderSize + kMacroOffsetSize * macros.size();
    for (std::size_t i = 0; i < macros.size(); ++i) {
        Put16(block, kMacroBlockHeaderSize + kMacroOffsetSize * i, record);
        Put16(block, record, macros[i].size());
        std::size_t at = record + kMacroRecordHeaderSize;
        for (const auto& a : macros[i]) {
            block[at + 0] = a.delayLow;
            block[at + 1] = a.delayHigh;
            block[at + 2] = a.type;
            block[at + 3] = a.code;
            at += kDeviceActionSize;
        }
        record = at;
    }
    return block;
}

std::optional<int> MacroOverflow(std::size_t size, std::uint8_t capacity) {
    const std::size_t room = std::size_t{capacity} * kMacroCapacityUnit;
    if (size <= room)
        return std::nullopt;
    return static_cast<int>((size - room) / kDeviceActionSize + 1);
}

settings::ButtonAction MacroButtonAction(std::uint8_t index, MacroEndStyle style,
                                         std::uint8_t repeatCount) {
    switch (style) {
    case MacroEndStyle::ButtonDown:
        return {settings::action_type::kMacroEndMode, index, kEndModeButtonDown};
    case MacroEndStyle::ButtonUp:
        return {settings::action_type::kMacroEndMode, index, kEndModeButtonUp};
    case MacroEndStyle::RepeatCount:
        break;
    }
    return {settings::action_type::kMacroRepeat, index, repeatCount};
}

LibraryBlock BuildLibraryBlock(const MacroLibrary& library, std::uint8_t capacity) {
    LibraryBlock result;
    const auto names = library.ReadNames("0");
    if (names.empty())
        return result;

    std::vector<std::size_t> counts;
    counts.reserve(names.size());
    for (const auto& name : names)
        counts.push_back(static_cast<std::size_t>(library.ReadActionCount(name)));
    if (auto overflow = MacroOverflow(MacroBlockSize(counts), capacity)) {
        result.status = LibraryBlock::Status::TooLarge;
        result.overflow = *overflow;
        return result;
    }

    std::vector<std::vector<MacroAction>> macros;
    macros.reserve(names.size());
    for (const auto& name : names)
        macros.push_back(library.ReadActions(name));
    // Action files may have changed since their counts were read: the block
    // that is sent is checked again.
    auto block = PackMacroBlock(macros);
    const std::size_t size = block ? block->size() : kMaxBlockSize + 1;
    if (auto overflow = MacroOverflow(size, capacity)) {
        result.status = LibraryBlock::Status::TooLarge;
        result.overflow = *overflow;
        return result;
    }
    result.status = LibraryBlock::Status::Ready;
    result.block = std::move(*block);
    return result;
}

} // namespace zk::macros
