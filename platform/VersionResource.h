#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Version resources (VS_VERSIONINFO blocks) of executable files. A block is found in
// the resource section of a PE file or in the ".tarnwick_version" section of an ELF
// file; any other file has none.
namespace platform {

// Size in bytes of the file's version block, 0 when it has none or cannot be read.
std::uint32_t GetFileVersionInfoSize(const std::string& fileName);

// Reads the file's version block into `block`. False when there is none.
bool GetFileVersionInfo(const std::string& fileName, std::vector<std::uint8_t>& block);

// Looks up a value by a backslash path: "\" for the 52-byte fixed file information,
// "\VarFileInfo\Translation" for the table of 4-byte translation entries,
// "\StringFileInfo\<8 hex digits>\<name>" for a string value. On success `value`
// points into `block` and `length` is the value's length: in bytes for the first
// two, in UTF-16 code units (terminating null included) for strings.
bool VerQueryValue(const std::vector<std::uint8_t>& block, const std::string& subBlock,
                   const void*& value, std::uint32_t& length);

// A readable name for a language identifier, "" when there is none.
std::string VerLanguageName(std::uint16_t languageId);

}  // namespace platform
