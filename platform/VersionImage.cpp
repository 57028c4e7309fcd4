#include "platform/VersionImage.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "platform/VersionBlock.h"

namespace platform::version {
namespace {

constexpr std::uint64_t kMaxBlockBytes = std::numeric_limits<std::uint16_t>::max();

// True when [offset, offset + length) lies within `size` bytes.
bool Fits(std::uint64_t offset, std::uint64_t length, std::uint64_t size) {
    return offset <= size && length <= size - offset;
}

// A block that starts at `offset` inside a container of `capacity` bytes.
std::optional<BlockLocation> BlockAt(const ByteSource& file, std::uint64_t offset, std::uint64_t capacity) {
    std::uint8_t head[2];
    if (capacity < 2 || !file.Read(offset, sizeof head, head)) return std::nullopt;
    const std::uint16_t length = ReadU16(head);
    if (length > capacity) return std::nullopt;
    std::vector<std::uint8_t> block(length);
    if (!file.Read(offset, length, block.data()) || !RootBlockLength(block)) return std::nullopt;
    return BlockLocation{offset, length};
}

// ---- PE files -----------------------------------------------------------------

constexpr std::uint32_t kRtVersion = 16;
constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::size_t kSectionHeaderBytes = 40;

struct PeSection {
    std::uint32_t VirtualAddress = 0;
    std::uint32_t RawSize = 0;
    std::uint32_t RawPointer = 0;
};

struct ResourceEntry {
    std::uint32_t Name = 0;
    std::uint32_t Data = 0;
};

// Of a resource in several languages, the one the system's loader takes for a user
// whose language is English (United States): the neutral one, else English (United
// States), plain English or the default language, else the first one listed.
const ResourceEntry& PreferredLanguage(const std::vector<ResourceEntry>& languages) {
    for (const std::uint32_t preferred : {0x0000u, 0x0409u, 0x0009u, 0x0400u}) {
        const auto it = std::find_if(languages.begin(), languages.end(),
                                     [preferred](const ResourceEntry& e) { return e.Name == preferred; });
        if (it != languages.end()) return *it;
    }
    return languages.front();
}

class PeImage {
public:
    PeImage(const ByteSource& file, std::vector<PeSection> sections, std::uint32_t resourceRva)
        : fFile(file), fSections(std::move(sections)), fResourceRva(resourceRva) {}

    // File offset of `length` bytes at an address; they must lie in one section's file data.
    std::optional<std::uint64_t> Map(std::uint64_t rva, std::uint64_t length) const {
        for (const auto& s : fSections) {
            if (rva >= s.VirtualAddress && Fits(rva - s.VirtualAddress, length, s.RawSize)) {
                return std::uint64_t{s.RawPointer} + (rva - s.VirtualAddress);
            }
        }
        return std::nullopt;
    }

    // Reads bytes at `offset` from the start of the resource section.
    bool ReadResource(std::uint64_t offset, std::size_t length, std::uint8_t* out) const {
        const auto at = Map(std::uint64_t{fResourceRva} + offset, length);
        return at && fFile.Read(*at, length, out);
    }

    // At most `limit` entries of the resource directory at `offset`.
    std::optional<std::vector<ResourceEntry>> Directory(std::uint32_t offset, std::size_t limit) const {
        std::uint8_t header[16];
        if (!ReadResource(offset, sizeof header, header)) return std::nullopt;
        const std::size_t count = std::min<std::size_t>(ReadU16(header + 12) + std::size_t{ReadU16(header + 14)}, limit);
        std::vector<std::uint8_t> raw(count * 8);
        if (!ReadResource(std::uint64_t{offset} + sizeof header, raw.size(), raw.data())) return std::nullopt;
        std::vector<ResourceEntry> entries(count);
        for (std::size_t i = 0; i < count; ++i) entries[i] = {ReadU32(&raw[i * 8]), ReadU32(&raw[i * 8 + 4])};
        return entries;
    }

    // The data entry reached by a fixed three-level walk (type, name, language), so
    // a directory that points back at itself cannot make it loop.
    std::optional<BlockLocation> VersionBlock() const {
        const auto types = Directory(0, std::numeric_limits<std::size_t>::max());
        if (!types) return std::nullopt;
        const auto type = std::find_if(types->begin(), types->end(), [](const ResourceEntry& e) {
            return e.Name == kRtVersion && (e.Data & kHighBit) != 0;
        });
        if (type == types->end()) return std::nullopt;

        const auto names = Directory(type->Data & ~kHighBit, 1);
        if (!names || names->empty() || ((*names)[0].Data & kHighBit) == 0) return std::nullopt;
        const auto languages = Directory((*names)[0].Data & ~kHighBit, std::numeric_limits<std::size_t>::max());
        if (!languages || languages->empty()) return std::nullopt;
        const ResourceEntry& language = PreferredLanguage(*languages);
        if ((language.Data & kHighBit) != 0) return std::nullopt;

        std::uint8_t dataEntry[16];
        if (!ReadResource(language.Data, sizeof dataEntry, dataEntry)) return std::nullopt;
        const std::uint64_t capacity = std::min<std::uint64_t>(ReadU32(dataEntry + 4), kMaxBlockBytes);
        const auto offset = Map(ReadU32(dataEntry), capacity);
        if (!offset) return std::nullopt;
        return BlockAt(fFile, *offset, capacity);
    }

private:
    const ByteSource& fFile;
    std::vector<PeSection> fSections;
    std::uint32_t fResourceRva;
};

std::optional<BlockLocation> FindInPe(const ByteSource& file) {
    std::uint8_t dos[64];
    if (!file.Read(0, sizeof dos, dos) || dos[0] != 'M' || dos[1] != 'Z') return std::nullopt;
    const std::uint64_t peAt = ReadU32(dos + 0x3C);

    std::uint8_t coff[24];
    if (!file.Read(peAt, sizeof coff, coff) || std::memcmp(coff, "PE\0\0", 4) != 0) return std::nullopt;
    const std::size_t sectionCount = ReadU16(coff + 6);
    const std::size_t optionalBytes = ReadU16(coff + 20);

    std::vector<std::uint8_t> optional(optionalBytes);
    if (!file.Read(peAt + sizeof coff, optional.size(), optional.data()) || optionalBytes < 2) return std::nullopt;
    std::size_t countAt = 0;
    std::size_t directoriesAt = 0;
    switch (ReadU16(optional.data())) {
        case 0x10B: countAt = 92, directoriesAt = 96; break;    // PE32
        case 0x20B: countAt = 108, directoriesAt = 112; break;  // PE32+
        default: return std::nullopt;
    }
    const std::size_t resourceDirectoryAt = directoriesAt + 2 * 8;
    if (optionalBytes < resourceDirectoryAt + 8 || ReadU32(&optional[countAt]) < 3) return std::nullopt;
    const std::uint32_t resourceRva = ReadU32(&optional[resourceDirectoryAt]);
    if (resourceRva == 0) return std::nullopt;

    std::vector<std::uint8_t> table(sectionCount * kSectionHeaderBytes);
    if (!file.Read(peAt + sizeof coff + optionalBytes, table.size(), table.data())) return std::nullopt;
    std::vector<PeSection> sections(sectionCount);
    for (std::size_t i = 0; i < sectionCount; ++i) {
        const std::uint8_t* s = &table[i * kSectionHeaderBytes];
        sections[i] = {ReadU32(s + 12), ReadU32(s + 16), ReadU32(s + 20)};
    }
    return PeImage(file, std::move(sections), resourceRva).VersionBlock();
}

// ---- ELF files ----------------------------------------------------------------

constexpr std::uint64_t kMaxElfSections = 65536;
constexpr std::uint32_t kShtNull = 0;
constexpr std::uint32_t kShtNobits = 8;
constexpr std::uint16_t kShnXindex = 0xFFFF;

struct ElfSection {
    std::uint32_t Name = 0;
    std::uint32_t Type = 0;
    std::uint64_t Offset = 0;
    std::uint64_t Size = 0;
    std::uint32_t Link = 0;
};

class ElfImage {
public:
    // Reads the ELF header; Valid() tells whether the file is one we can search.
    explicit ElfImage(const ByteSource& file) : fFile(file) {
        std::uint8_t h[64];
        if (!file.Read(0, 52, h) || std::memcmp(h, "\x7F" "ELF", 4) != 0 || h[5] != 1) return;
        if (h[4] == 2) {
            if (!file.Read(0, 64, h)) return;
            fWide = true;
            fTableOffset = ReadU64(h + 0x28);
            fEntryBytes = ReadU16(h + 0x3A);
            fCount = ReadU16(h + 0x3C);
            fNamesIndex = ReadU16(h + 0x3E);
        } else if (h[4] == 1) {
            fTableOffset = ReadU32(h + 0x20);
            fEntryBytes = ReadU16(h + 0x2E);
            fCount = ReadU16(h + 0x30);
            fNamesIndex = ReadU16(h + 0x32);
        } else {
            return;
        }
        fValid = fTableOffset != 0 && fEntryBytes >= EntryMinimum();
    }

    std::optional<BlockLocation> VersionBlock() {
        if (!fValid || !ResolveExtendedNumbering()) return std::nullopt;
        if (fCount > kMaxElfSections || fNamesIndex >= fCount ||
            !Fits(fTableOffset, fCount * fEntryBytes, fFile.Size())) {
            return std::nullopt;
        }
        const auto names = Section(fNamesIndex);
        if (!names || !Fits(names->Offset, names->Size, fFile.Size())) return std::nullopt;

        constexpr std::size_t kNameBytes = sizeof kElfVersionSection;  // with its null
        std::array<std::uint8_t, kNameBytes> name{};
        for (std::uint64_t i = 0; i < fCount; ++i) {
            const auto s = Section(i);
            if (!s) return std::nullopt;
            if (s->Type == kShtNull || s->Type == kShtNobits || !Fits(s->Name, kNameBytes, names->Size)) continue;
            if (!fFile.Read(names->Offset + s->Name, kNameBytes, name.data())) return std::nullopt;
            if (std::memcmp(name.data(), kElfVersionSection, kNameBytes) == 0) return BlockAt(fFile, s->Offset, s->Size);
        }
        return std::nullopt;
    }

private:
    std::size_t EntryMinimum() const { return fWide ? 64 : 40; }

    // Section header `index`; the table's bounds are checked by the caller.
    std::optional<ElfSection> Section(std::uint64_t index) const {
        std::uint8_t e[64];
        if (!fFile.Read(fTableOffset + index * fEntryBytes, EntryMinimum(), e)) return std::nullopt;
        if (fWide) return ElfSection{ReadU32(e), ReadU32(e + 4), ReadU64(e + 0x18), ReadU64(e + 0x20), ReadU32(e + 0x28)};
        return ElfSection{ReadU32(e), ReadU32(e + 4), ReadU32(e + 0x10), ReadU32(e + 0x14), ReadU32(e + 0x18)};
    }

    // Files with very many sections keep the count and the names' index in section 0.
    bool ResolveExtendedNumbering() {
        if (fCount != 0 && fNamesIndex != kShnXindex) return true;
        const auto first = Section(0);
        if (!first) return false;
        if (fCount == 0) fCount = first->Size;
        if (fNamesIndex == kShnXindex) fNamesIndex = first->Link;
        return true;
    }

    const ByteSource& fFile;
    bool fValid = false;
    bool fWide = false;
    std::uint64_t fTableOffset = 0;
    std::uint64_t fEntryBytes = 0;
    std::uint64_t fCount = 0;
    std::uint64_t fNamesIndex = 0;
};

}  // namespace

bool SpanSource::Read(std::uint64_t offset, std::size_t length, std::uint8_t* out) const {
    if (!Fits(offset, length, fBytes.size())) return false;
    if (length != 0) std::memcpy(out, fBytes.data() + offset, length);
    return true;
}

std::optional<BlockLocation> FindVersionBlock(const ByteSource& file) {
    if (auto pe = FindInPe(file)) return pe;
    return ElfImage(file).VersionBlock();
}

bool ReadVersionBlock(const ByteSource& file, const BlockLocation& location, std::vector<std::uint8_t>& block) {
    std::vector<std::uint8_t> bytes(location.Length);
    if (!file.Read(location.Offset, bytes.size(), bytes.data()) || RootBlockLength(bytes) != location.Length) {
        return false;
    }
    block = std::move(bytes);
    return true;
}

}  // namespace platform::version
