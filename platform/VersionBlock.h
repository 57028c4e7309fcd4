#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Reading a VS_VERSIONINFO block held in memory. Every node is a header of three
// 16-bit fields (wLength, wValueLength, wType), a null-terminated UTF-16LE key, the
// value and the child nodes, each of them starting on a 32-bit boundary counted
// from the start of the block. Nothing here trusts a length field: a damaged block
// makes a query fail, it never leads outside the span.
namespace platform::version {

// Where a node's value lies in the block.
struct BlockValue {
    std::size_t Offset = 0;   // from the start of the block
    std::size_t Bytes = 0;    // the value's size in bytes, cut to the node's end
    std::uint32_t Length = 0; // as the query reports it: UTF-16 units for text, else bytes
};

// Finds the node named by a backslash path ("\", "\VarFileInfo\Translation",
// "\StringFileInfo\040904E4\FileVersion"). Names match without regard to case and
// empty names (doubled or leading backslashes) are skipped, so "\" and "" are the
// root. The root's value is the fixed file information; it is reported only when
// it is at least 52 bytes long.
std::optional<BlockValue> QueryBlock(std::span<const std::uint8_t> block, std::string_view path);

// True when the span starts with a root node called "VS_VERSION_INFO" that fits.
// The returned length is that node's wLength.
std::optional<std::uint16_t> RootBlockLength(std::span<const std::uint8_t> block);

// UTF-16LE text of at most `units` code units at `bytes`, up to the first null, as
// UTF-8. Unpaired surrogates become U+FFFD.
std::string Utf16LeToUtf8(const std::uint8_t* bytes, std::size_t units);

// UTF-8 text as UTF-16 code units. Invalid bytes become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

// Reading little-endian numbers; the caller has checked the bounds.
inline std::uint16_t ReadU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t ReadU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t ReadU64(const std::uint8_t* p) {
    return static_cast<std::uint64_t>(ReadU32(p)) | (static_cast<std::uint64_t>(ReadU32(p + 4)) << 32);
}

}  // namespace platform::version
