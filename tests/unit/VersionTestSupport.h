#pragma once

#include "TempFolder.h"

// Helpers shared by the version-resource tests: an encoder for VS_VERSIONINFO
// trees, written independently of the build's generator, a writer for minimal
// ELF64 files that carry a block, and temporary folders.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/VersionBlock.h"

namespace versiontest {

using Bytes = std::vector<std::uint8_t>;

inline void PutLe(Bytes& out, std::uint64_t value, int count) {
    for (int i = 0; i < count; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

inline void PutLeAt(Bytes& out, std::size_t at, std::uint64_t value, int count) {
    for (int i = 0; i < count; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// UTF-8 text as UTF-16LE bytes, with a terminating null unless told otherwise.
inline Bytes Utf16(const std::string& text, bool terminate = true) {
    Bytes out;
    for (char16_t unit : platform::version::Utf8ToUtf16(text)) PutLe(out, unit, 2);
    if (terminate) PutLe(out, 0, 2);
    return out;
}

// One node of a version block.
struct Node {
    std::string Key;
    std::uint16_t Type = 1;         // 1 text, 0 binary
    std::uint16_t ValueLength = 0;  // UTF-16 units for text, bytes for binary
    Bytes Value;
    std::vector<Node> Children;
};

inline void Pad4(Bytes& out) {
    while (out.size() % 4 != 0) out.push_back(0);
}

// Encodes a node: header, key, value and children on 32-bit boundaries; wLength
// leaves out the padding after the last part.
inline Bytes Encode(const Node& node) {
    Bytes out(6, 0);
    const Bytes key = Utf16(node.Key);
    out.insert(out.end(), key.begin(), key.end());
    if (!node.Value.empty()) {
        Pad4(out);
        out.insert(out.end(), node.Value.begin(), node.Value.end());
    }
    for (const Node& child : node.Children) {
        Pad4(out);
        const Bytes encoded = Encode(child);
        out.insert(out.end(), encoded.begin(), encoded.end());
    }
    PutLeAt(out, 0, out.size(), 2);
    PutLeAt(out, 2, node.ValueLength, 2);
    PutLeAt(out, 4, node.Type, 2);
    return out;
}

// A String node whose value is stored with its null.
inline Node Text(const std::string& key, const std::string& value) {
    Bytes bytes = Utf16(value);
    return Node{key, 1, static_cast<std::uint16_t>(bytes.size() / 2), bytes, {}};
}

inline Node Fixed(std::initializer_list<std::uint32_t> fields, std::vector<Node> children) {
    Bytes value;
    for (std::uint32_t f : fields) PutLe(value, f, 4);
    return Node{"VS_VERSION_INFO", 0, static_cast<std::uint16_t>(value.size()), value, std::move(children)};
}

inline Node Translations(std::initializer_list<std::uint16_t> pairs) {
    Bytes value;
    for (std::uint16_t p : pairs) PutLe(value, p, 2);
    return Node{"VarFileInfo", 1, 0, {}, {Node{"Translation", 0, static_cast<std::uint16_t>(value.size()), value, {}}}};
}

inline Node StringTables(std::vector<Node> tables) { return Node{"StringFileInfo", 1, 0, {}, std::move(tables)}; }

inline Node Table(const std::string& key, std::vector<Node> strings) { return Node{key, 1, 0, {}, std::move(strings)}; }

// A block with US English / 1252 and the given strings.
inline Bytes SimpleBlock(std::vector<Node> strings) {
    return Encode(Fixed({0xFEEF04BD, 0x00010000, 0x00010002, 0x00030004, 0x00050006, 0x00070008, 0x3F, 0, 4, 1, 0, 0, 0},
                        {StringTables({Table("040904E4", std::move(strings))}), Translations({0x0409, 1252})}));
}

inline Bytes ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::filesystem::path Fixture(const std::string& name) {
    return std::filesystem::path(TARNWICK_FIXTURES_DIR) / "version" / name;
}

// A minimal little-endian ELF64 file with one section named `sectionName` that
// holds `data` at file offset `dataOffset` (0: right after the headers). A large
// offset leaves a hole in the file rather than writing it out.
inline void WriteElf64(const std::filesystem::path& path, const std::string& sectionName, const Bytes& data,
                       std::uint64_t dataOffset = 0) {
    const std::string names = std::string("\0.shstrtab\0", 11) + sectionName + '\0';
    constexpr std::uint64_t kHeader = 64;
    const std::uint64_t tableOffset = (kHeader + names.size() + 7) / 8 * 8;
    if (dataOffset == 0) dataOffset = tableOffset + 3 * 64;

    Bytes head{0x7F, 'E', 'L', 'F', 2, 1, 1};
    head.resize(16, 0);
    PutLe(head, 1, 2);            // relocatable
    PutLe(head, 62, 2);           // x86-64
    PutLe(head, 1, 4);            // version
    PutLe(head, 0, 8);            // entry
    PutLe(head, 0, 8);            // program headers
    PutLe(head, tableOffset, 8);  // section headers
    PutLe(head, 0, 4);            // flags
    PutLe(head, kHeader, 2);
    PutLe(head, 0, 2);
    PutLe(head, 0, 2);
    PutLe(head, 64, 2);           // section header size
    PutLe(head, 3, 2);            // sections
    PutLe(head, 1, 2);            // names section
    head.insert(head.end(), names.begin(), names.end());
    head.resize(tableOffset, 0);

    auto section = [&head](std::uint32_t name, std::uint32_t type, std::uint64_t flags, std::uint64_t offset,
                           std::uint64_t size) {
        PutLe(head, name, 4);
        PutLe(head, type, 4);
        PutLe(head, flags, 8);
        PutLe(head, 0, 8);
        PutLe(head, offset, 8);
        PutLe(head, size, 8);
        PutLe(head, 0, 4);
        PutLe(head, 0, 4);
        PutLe(head, 4, 8);
        PutLe(head, 0, 8);
    };
    section(0, 0, 0, 0, 0);
    section(1, 3, 0, kHeader, names.size());
    section(11, 1, 2, dataOffset, data.size());

    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
    out.seekp(static_cast<std::streamoff>(dataOffset));
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    ASSERT_TRUE(out.good()) << path;
}


using TempDir = testsupport::TempFolder;

}  // namespace versiontest
