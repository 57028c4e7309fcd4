#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Version resources (VS_VERSIONINFO blocks) of executable files. On Windows these are
// the system's version functions, which read PE files. Elsewhere a block is found in
// the resource section of a PE file or in the ".tarnwick_version" section of an ELF
// file; any other file has none. A file that includes <windows.h> must #undef its
// GetFileVersionInfoSize, GetFileVersionInfo, VerQueryValue and VerLanguageName
// macros to call these.
namespace platform {

// Size in bytes of the file's version block, 0 when it has none or cannot be read;
// errno then tells why (ENODATA: the file was read but holds no version block). On
// Windows it is the size the system asks for, which is larger than the block.
std::uint32_t GetFileVersionInfoSize(const std::string& fileName);

// Reads the file's version block into `block`. False when there is none; `block` is
// then empty and errno tells why, as above.
bool GetFileVersionInfo(const std::string& fileName, std::vector<std::uint8_t>& block);

// Looks up a value by a backslash path: "\" for the 52-byte fixed file information,
// "\VarFileInfo\Translation" for the table of 4-byte translation entries,
// "\StringFileInfo\<8 hex digits>\<name>" for a string value. On success `value`
// points into `block` and `length` is the value's length: in bytes for the first
// two, in UTF-16 code units (terminating null included) for strings.
// Names match without regard to case. The value never reaches past the block's end;
// "\" fails when the fixed file information is shorter than 52 bytes.
bool VerQueryValue(const std::vector<std::uint8_t>& block, const std::string& subBlock,
                   const void*& value, std::uint32_t& length);

// A readable name for a language identifier, "" when there is none. Common
// identifiers have their own name ("English (United States)"); others with a known
// primary language get that language's name ("English"); the rest have none.
std::string VerLanguageName(std::uint16_t languageId);

// The fixed file information: thirteen 32-bit fields, as "\" returns them.
struct VS_FIXEDFILEINFO {
    std::uint32_t dwSignature = 0;  // 0xFEEF04BD
    std::uint32_t dwStrucVersion = 0;
    std::uint32_t dwFileVersionMS = 0;
    std::uint32_t dwFileVersionLS = 0;
    std::uint32_t dwProductVersionMS = 0;
    std::uint32_t dwProductVersionLS = 0;
    std::uint32_t dwFileFlagsMask = 0;
    std::uint32_t dwFileFlags = 0;
    std::uint32_t dwFileOS = 0;
    std::uint32_t dwFileType = 0;
    std::uint32_t dwFileSubtype = 0;
    std::uint32_t dwFileDateMS = 0;
    std::uint32_t dwFileDateLS = 0;

    bool operator==(const VS_FIXEDFILEINFO&) const = default;
};
inline constexpr std::size_t kFixedFileInfoBytes = 52;
static_assert(sizeof(VS_FIXEDFILEINFO) == kFixedFileInfoBytes);

// Decodes the kFixedFileInfoBytes little-endian bytes at `value` (as "\" returns them).
VS_FIXEDFILEINFO FixedFileInfoFromBytes(const void* value);

}  // namespace platform
