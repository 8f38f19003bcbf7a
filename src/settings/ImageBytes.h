#pragma once

// Byte access to the settings images. Some bytes of the images are read by the
// light-preview threads while the main thread changes them, so every copy into
// or out of an image goes byte by byte through std::atomic_ref: a preview that
// reads during a copy sees each byte either old or new.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>

namespace zk::settings {

// The bytes of a plain record.
template <typename Record> std::span<std::uint8_t, sizeof(Record)> BytesOf(Record& record) {
    static_assert(std::is_trivially_copyable_v<Record> && std::is_standard_layout_v<Record>);
    return std::span<std::uint8_t, sizeof(Record)>(reinterpret_cast<std::uint8_t*>(&record),
                                                   sizeof(Record));
}
template <typename Record>
std::span<const std::uint8_t, sizeof(Record)> BytesOf(const Record& record) {
    static_assert(std::is_trivially_copyable_v<Record> && std::is_standard_layout_v<Record>);
    return std::span<const std::uint8_t, sizeof(Record)>(
        reinterpret_cast<const std::uint8_t*>(&record), sizeof(Record));
}

inline std::uint8_t LoadByte(const std::uint8_t& byte) {
    return std::atomic_ref<std::uint8_t>(const_cast<std::uint8_t&>(byte))
        .load(std::memory_order_relaxed);
}
inline void PutByte(std::uint8_t& byte, std::uint8_t value) {
    std::atomic_ref<std::uint8_t>(byte).store(value, std::memory_order_relaxed);
}

// Copies `count` bytes, each loaded and stored as an atomic value. The ranges
// must not overlap.
inline void CopyBytes(std::uint8_t* dest, const std::uint8_t* src, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        PutByte(dest[i], LoadByte(src[i]));
}
inline void CopyBytes(std::span<std::uint8_t> dest, std::span<const std::uint8_t> src) {
    CopyBytes(dest.data(), src.data(), dest.size() < src.size() ? dest.size() : src.size());
}

} // namespace zk::settings
