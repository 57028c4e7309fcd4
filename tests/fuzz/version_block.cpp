// The version block reader on arbitrary bytes taken as a VS_VERSIONINFO block.
//
// Oracles: every value found lies inside the block; a path finds the same value
// whatever the letter case of its ASCII names and with doubled backslashes; the
// query through the platform function points where the block reader says; text
// values decode to well-formed UTF-8; UTF-8 text survives the way to UTF-16 and back.
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "platform/VersionBlock.h"
#include "platform/VersionResource.h"

namespace {

using namespace platform::version;
using fuzz::Check;

const char* const kNames[] = {"Comments",        "CompanyName",      "FileDescription", "FileVersion",
                              "InternalName",    "LegalCopyright",   "LegalTrademarks", "OriginalFilename",
                              "PrivateBuild",    "ProductName",      "ProductVersion",  "SpecialBuild"};

bool SameValue(const std::optional<BlockValue>& a, const std::optional<BlockValue>& b) {
    if (a.has_value() != b.has_value()) return false;
    return !a || (a->Offset == b->Offset && a->Bytes == b->Bytes && a->Length == b->Length);
}

std::string Flipped(std::string path) {
    for (char& c : path) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return path;
}

std::string Doubled(const std::string& path) {
    std::string out;
    for (char c : path) {
        out += c;
        if (c == '\\') out += '\\';
    }
    return out;
}

std::optional<BlockValue> Query(std::span<const std::uint8_t> block, const std::vector<std::uint8_t>& copy,
                                const std::string& path) {
    const auto value = QueryBlock(block, path);
    if (value) {
        Check(value->Offset <= block.size() && value->Bytes <= block.size() - value->Offset,
              "a value reaches outside the block");
        Check(value->Length == value->Bytes || value->Length == value->Bytes / 2, "a value's length is neither");
    }
    Check(SameValue(QueryBlock(block, Flipped(path)), value), "the letter case of a path changed the result");
    Check(SameValue(QueryBlock(block, Doubled(path)), value), "doubled backslashes changed the result");

    const void* pointer = nullptr;
    std::uint32_t length = 0;
    const bool found = platform::VerQueryValue(copy, path, pointer, length);
    Check(found == value.has_value(), "the platform query and the block reader disagree");
    if (found) {
        Check(pointer == copy.data() + value->Offset && length == value->Length, "the platform query points elsewhere");
    }
    return value;
}

void CheckText(std::span<const std::uint8_t> block, const BlockValue& value) {
    const std::string text = Utf16LeToUtf8(block.data() + value.Offset, value.Bytes / 2);
    Check(fuzz::IsValidUtf8(text), "a text value decodes to malformed UTF-8");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> block(data, size);
    const std::vector<std::uint8_t> copy(data, data + size);

    if (const auto root = RootBlockLength(block)) Check(*root >= 6 && *root <= size, "the root does not fit");

    if (const auto fixed = Query(block, copy, "\\")) Check(fixed->Bytes >= platform::kFixedFileInfoBytes, "short fixed information");
    Query(block, copy, "\\StringFileInfo");
    const auto translations = Query(block, copy, "\\VarFileInfo\\Translation");
    if (translations) {
        for (std::size_t at = 0; at + 4 <= translations->Bytes && at < 4 * 8; at += 4) {
            char table[16];
            std::snprintf(table, sizeof table, "%04X%04X", ReadU16(data + translations->Offset + at),
                          ReadU16(data + translations->Offset + at + 2));
            const std::string prefix = std::string("\\StringFileInfo\\") + table + "\\";
            for (const char* name : kNames) {
                if (const auto text = Query(block, copy, prefix + name)) CheckText(block, *text);
            }
        }
    }

    // The input as a path and as text.
    const std::string text(reinterpret_cast<const char*>(data), size);
    Query(block, copy, text);
    const std::u16string units = Utf8ToUtf16(text);
    std::vector<std::uint8_t> bytes;
    for (char16_t unit : units) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    const std::string back = Utf16LeToUtf8(bytes.data(), units.size());
    Check(fuzz::IsValidUtf8(back), "UTF-16 decodes to malformed UTF-8");
    if (fuzz::IsValidUtf8(text) && text.find('\0') == std::string::npos) {
        Check(back == text, "UTF-8 text does not survive the way through UTF-16");
    }
    return 0;
}
