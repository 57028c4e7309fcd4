#include "platform/VersionBlock.h"
#include "platform/Utf8.h"

#include <algorithm>

#include "platform/VersionResource.h"

namespace platform::version {
namespace {

constexpr std::size_t kHeaderBytes = 6;
constexpr std::uint16_t kTextType = 1;
constexpr char16_t kReplacement = 0xFFFD;

// Offsets never come near SIZE_MAX: they are bounded by the block's size.
std::size_t Align4(std::size_t offset) { return (offset + 3) & ~static_cast<std::size_t>(3); }

struct Node {
    std::size_t End = 0;           // one past the node's last byte (wLength counts from its start)
    std::uint16_t Type = 0;
    std::size_t KeyBegin = 0;
    std::size_t KeyUnits = 0;      // without the terminating null
    std::size_t ValueBegin = 0;
    std::size_t ValueBytes = 0;
    std::size_t ChildrenBegin = 0;
};

// The node at `at`, which must end at or before `limit` (limit <= block size).
std::optional<Node> ParseNode(std::span<const std::uint8_t> block, std::size_t at, std::size_t limit) {
    if (at > limit || limit - at < kHeaderBytes) return std::nullopt;
    const std::uint16_t length = ReadU16(&block[at]);
    if (length < kHeaderBytes || length > limit - at) return std::nullopt;

    Node node;
    node.End = at + length;
    const std::uint16_t valueLength = ReadU16(&block[at + 2]);
    node.Type = ReadU16(&block[at + 4]);

    node.KeyBegin = at + kHeaderBytes;
    std::size_t pos = node.KeyBegin;
    for (;;) {
        if (node.End - pos < 2) return std::nullopt;  // key without its null
        if (ReadU16(&block[pos]) == 0) break;
        pos += 2;
    }
    node.KeyUnits = (pos - node.KeyBegin) / 2;

    const std::size_t declared = node.Type == kTextType ? std::size_t{valueLength} * 2 : valueLength;
    node.ValueBegin = std::min(Align4(pos + 2), node.End);
    node.ValueBytes = std::min(declared, node.End - node.ValueBegin);
    node.ChildrenBegin = std::min(Align4(node.ValueBegin + declared), node.End);
    return node;
}

// Case folding for key comparison: ASCII and the Latin-1 letters.
char16_t Fold(char16_t c) {
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<char16_t>(c + 32);
    return c;
}

bool KeyEquals(std::span<const std::uint8_t> block, const Node& node, std::u16string_view name) {
    if (node.KeyUnits != name.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (Fold(static_cast<char16_t>(ReadU16(&block[node.KeyBegin + 2 * i]))) != Fold(name[i])) return false;
    }
    return true;
}

std::optional<Node> FindChild(std::span<const std::uint8_t> block, const Node& parent, std::u16string_view name) {
    // Every node is at least kHeaderBytes long, so the walk always moves forward.
    for (std::size_t pos = parent.ChildrenBegin; pos < parent.End;) {
        const auto child = ParseNode(block, pos, parent.End);
        if (!child) return std::nullopt;
        if (KeyEquals(block, *child, name)) return child;
        pos = Align4(child->End);
    }
    return std::nullopt;
}

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// One code point decoded from `text` at `pos`; `pos` moves past it. An invalid
// sequence yields U+FFFD and skips one byte.
char32_t DecodeUtf8(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t extra = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1, c = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2, c = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3, c = lead & 0x07, minimum = 0x10000;
    } else {
        ++pos;
        return kReplacement;
    }
    if (text.size() - pos <= extra) {
        ++pos;
        return kReplacement;
    }
    for (std::size_t i = 1; i <= extra; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return kReplacement;
        }
        c = (c << 6) | (next & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || IsHighSurrogate(c) || IsLowSurrogate(c)) {
        ++pos;
        return kReplacement;
    }
    pos += extra + 1;
    return c;
}

}  // namespace

std::optional<BlockValue> QueryBlock(std::span<const std::uint8_t> block, std::string_view path) {
    auto node = ParseNode(block, 0, block.size());
    if (!node) return std::nullopt;

    bool isRoot = true;
    std::size_t pos = 0;
    while (pos < path.size()) {
        const std::size_t end = std::min(path.find('\\', pos), path.size());
        const std::string_view name = path.substr(pos, end - pos);
        pos = end + 1;
        if (name.empty()) continue;
        node = FindChild(block, *node, Utf8ToUtf16(name));
        if (!node) return std::nullopt;
        isRoot = false;
    }

    if (isRoot && node->ValueBytes < kFixedFileInfoBytes) return std::nullopt;
    BlockValue value;
    value.Offset = node->ValueBegin;
    value.Bytes = node->ValueBytes;
    value.Length = static_cast<std::uint32_t>(node->Type == kTextType ? node->ValueBytes / 2 : node->ValueBytes);
    return value;
}

std::optional<std::uint16_t> RootBlockLength(std::span<const std::uint8_t> block) {
    const auto root = ParseNode(block, 0, block.size());
    if (!root || !KeyEquals(block, *root, u"VS_VERSION_INFO")) return std::nullopt;
    return static_cast<std::uint16_t>(root->End);
}

std::string Utf16LeToUtf8(const std::uint8_t* bytes, std::size_t units) {
    std::string out;
    for (std::size_t i = 0; i < units; ++i) {
        char32_t c = ReadU16(bytes + 2 * i);
        if (c == 0) break;
        if (IsHighSurrogate(c) && i + 1 < units && IsLowSurrogate(ReadU16(bytes + 2 * (i + 1)))) {
            c = 0x10000 + ((c - 0xD800) << 10) + (ReadU16(bytes + 2 * (i + 1)) - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            c = kReplacement;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t c = DecodeUtf8(text, pos);
        if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

}  // namespace platform::version

namespace platform {

VS_FIXEDFILEINFO FixedFileInfoFromBytes(const void* value) {
    const auto* p = static_cast<const std::uint8_t*>(value);
    auto field = [p](std::size_t index) { return version::ReadU32(p + 4 * index); };
    return {field(0), field(1), field(2),  field(3),  field(4),  field(5), field(6),
            field(7), field(8), field(9), field(10), field(11), field(12)};
}

}  // namespace platform
