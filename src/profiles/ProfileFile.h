#pragma once

// Profile data files (".config", ".led", ".pro" and the factory defaults): a
// 16-byte header (magic 0x55AA little-endian, a reserved word, the device-kind
// tag, ten reserved bytes) followed by a fixed-size body.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>

namespace zk::profiles {

inline constexpr std::size_t kProfileHeaderSize = 16;
inline constexpr std::uint16_t kProfileMagic = 0x55AA;

enum class DeviceTag : std::uint16_t { Keyboard = 1, Mouse = 2, Mousepad = 3 };

// Results of ReadProfileFile.
inline constexpr int kProfileRead = 0;
inline constexpr int kProfileMissing = 1;
inline constexpr int kProfileBadFormat = -1;

// Reads the header and up to buffer.size() body bytes into `buffer`. 0: read;
// 1: no such file, or it cannot be opened; −1: the first two bytes are not the
// magic (a file shorter than two bytes included). A shorter body fills only
// the bytes present and leaves the rest of `buffer` as the caller set it;
// bytes beyond the buffer are ignored. Neither the tag nor the length is
// tested. The name is matched without regard to case when no file has it
// exactly.
int ReadProfileFile(const std::filesystem::path& path, std::span<std::uint8_t> buffer);

// Writes a fresh header with `tag` and the body, replacing the file
// atomically: a crash leaves the old or the new file, never a part. When a
// file of the same name in another case exists, that file is replaced. When
// the file cannot be written, the debug line "文件打开失败" is written and any
// old file stays; the result is false then.
bool WriteProfileFile(const std::filesystem::path& path, std::span<const std::uint8_t> body,
                      DeviceTag tag);

// The path as it exists: `path` itself when it exists, otherwise the one entry
// of its folder whose name equals the file name without regard to ASCII case;
// nothing when there is neither.
std::optional<std::filesystem::path> FindFileNoCase(const std::filesystem::path& path);

} // namespace zk::profiles
