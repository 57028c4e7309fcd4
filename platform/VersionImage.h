#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Finding the VS_VERSIONINFO block inside an executable file: in a PE file's resource
// section (type RT_VERSION, its first name, that name's preferred language) or in the
// ".tarnwick_version" section of a little-endian ELF file. The file is read through
// ByteSource in small ranges (headers, tables, the block), never whole, and every
// offset read from it is checked before use.
namespace platform::version {

// Random access to the bytes of a file or a buffer.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Reads exactly `length` bytes at `offset` into `out`; false when any of them
    // lies past the end or cannot be read.
    virtual bool Read(std::uint64_t offset, std::size_t length, std::uint8_t* out) const = 0;
};

// A ByteSource over bytes in memory.
class SpanSource : public ByteSource {
public:
    explicit SpanSource(std::span<const std::uint8_t> bytes) : fBytes(bytes) {}
    std::uint64_t Size() const override { return fBytes.size(); }
    bool Read(std::uint64_t offset, std::size_t length, std::uint8_t* out) const override;

private:
    std::span<const std::uint8_t> fBytes;
};

// The ELF section that holds our own version block.
inline constexpr char kElfVersionSection[] = ".tarnwick_version";

// Where the file's version block lies and how long it is (the root node's wLength).
struct BlockLocation {
    std::uint64_t Offset = 0;
    std::uint16_t Length = 0;
};

// The location of a well-formed root node ("VS_VERSION_INFO" key, fits its
// container), or nothing for any other file.
std::optional<BlockLocation> FindVersionBlock(const ByteSource& file);

// Reads the block at `location`; false when it cannot be read or is not a block.
bool ReadVersionBlock(const ByteSource& file, const BlockLocation& location, std::vector<std::uint8_t>& block);

}  // namespace platform::version
