#include "platform/PrivateProfileText.h"
#include "platform/Utf8.h"

#include <cstdint>
#include <optional>
#include <unordered_set>

namespace platform::portable {
namespace {

// ---------------------------------------------------------------------------
// Encodings: the file is held in memory as UTF-8 text plus what is needed to
// write it back in its own encoding.

enum class Encoding { Utf8, Utf16Le };

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";

// Length in bytes of the well-formed UTF-8 sequence at text[pos], or 0 when the
// byte there does not start one. Encoded surrogates (as produced by
// Utf16LeToUtf8 for unpaired ones) count as well-formed so that they survive a
// round trip.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t pos, std::uint32_t* codePoint) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    std::uint32_t value = 0;
    std::uint32_t minimum = 0;
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (pos + length > text.size()) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        value = (value << 6) | (byte(i) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF) return 0;
    *codePoint = value;
    return length;
}

// Unpaired surrogates are kept as their three-byte encodings so that lines the
// write does not touch come back bit for bit.
std::string Utf16LeToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    const auto unitAt = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]) |
                                          (static_cast<unsigned char>(bytes[i + 1]) << 8));
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        std::uint32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
            const std::uint32_t next = unitAt(i + 2);
            if (next >= 0xDC00 && next < 0xE000) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
                i += 2;
            }
        }
        AppendUtf8(out, unit);
    }
    return out;
}

std::string Utf8ToUtf16Le(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    const auto appendUnit = [&](std::uint32_t unit) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    };
    for (std::size_t pos = 0; pos < text.size();) {
        std::uint32_t codePoint = 0;
        std::size_t length = Utf8SequenceLength(text, pos, &codePoint);
        if (length == 0) {
            codePoint = 0xFFFD;  // a byte that is not UTF-8 has no UTF-16 form
            length = 1;
        }
        if (codePoint >= 0x10000) {
            appendUnit(0xD800 + ((codePoint - 0x10000) >> 10));
            appendUnit(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
        } else {
            appendUnit(codePoint);
        }
        pos += length;
    }
    return out;
}

// ---------------------------------------------------------------------------
// The file as lines. Each line keeps its own terminator so that an untouched
// line is written back exactly as it was read.

constexpr std::string_view kNewLine = "\r\n";

struct Line {
    std::string text;
    std::string end;  // "\r\n", "\n", "\r" or "" for a last line without one
};

struct Document {
    Encoding encoding = Encoding::Utf8;
    std::string byteOrderMark;
    std::string oddTrailingByte;  // a UTF-16 file of odd length keeps its last byte
    std::vector<Line> lines;
};

std::vector<Line> SplitLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t stop = text.find_first_of("\r\n", start);
        if (stop == std::string_view::npos) {
            lines.push_back({std::string(text.substr(start)), ""});
            break;
        }
        const bool crLf = text[stop] == '\r' && stop + 1 < text.size() && text[stop + 1] == '\n';
        const std::size_t endLength = crLf ? 2 : 1;
        lines.push_back({std::string(text.substr(start, stop - start)),
                         std::string(text.substr(stop, endLength))});
        start = stop + endLength;
    }
    return lines;
}

Document Decode(std::string_view bytes) {
    Document document;
    std::string text;
    if (bytes.starts_with(kUtf16LeBom)) {
        document.encoding = Encoding::Utf16Le;
        document.byteOrderMark = kUtf16LeBom;
        std::string_view body = bytes.substr(kUtf16LeBom.size());
        if (body.size() % 2 != 0) {
            document.oddTrailingByte = body.back();
            body.remove_suffix(1);
        }
        text = Utf16LeToUtf8(body);
    } else {
        if (bytes.starts_with(kUtf8Bom)) {
            document.byteOrderMark = kUtf8Bom;
            bytes.remove_prefix(kUtf8Bom.size());
        }
        text = bytes;
    }
    document.lines = SplitLines(text);
    return document;
}

std::string Encode(const Document& document) {
    std::string text;
    for (const Line& line : document.lines) text += line.text + line.end;
    std::string bytes = document.byteOrderMark;
    bytes += document.encoding == Encoding::Utf16Le ? Utf8ToUtf16Le(text) : text;
    bytes += document.oddTrailingByte;
    return bytes;
}

// ---------------------------------------------------------------------------
// What a line means.

constexpr std::string_view kBlanks = " \t\v\f\r\n";

std::string_view Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

// Names compare with ASCII letters folded; other characters must be equal.
bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

enum class LineKind { Other, Section, Key };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // key value, trimmed, not yet unquoted
};

// "[name]" opens a section (the name runs to the last "]"; without one, to the
// end of the line). "name=value" is a key. A line starting with ";" is a
// comment; any other line means nothing.
ParsedLine ParseLine(std::string_view text) {
    const std::string_view line = Trim(text);
    if (line.starts_with('[')) {
        std::string_view name = line.substr(1);
        const std::size_t close = name.rfind(']');
        if (close != std::string_view::npos) name = name.substr(0, close);
        return {LineKind::Section, Trim(name), {}};
    }
    if (line.starts_with(';')) return {};
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return {};
    return {LineKind::Key, Trim(line.substr(0, equals)), Trim(line.substr(equals + 1))};
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// The first maxCharacters characters of a UTF-8 text. A byte that does not
// start a well-formed sequence counts as one character.
std::string_view CutToCharacters(std::string_view text, std::size_t maxCharacters) {
    std::size_t pos = 0;
    for (std::size_t count = 0; count < maxCharacters && pos < text.size(); ++count) {
        std::uint32_t codePoint = 0;
        const std::size_t length = Utf8SequenceLength(text, pos, &codePoint);
        pos += length == 0 ? 1 : length;
    }
    return text.substr(0, pos);
}

// Calls visit(index, parsed) for every key line inside a section named
// `section`, in file order, across every section of that name. visit returns
// false to stop.
template <typename Visitor>
void ForEachKeyIn(const Document& document, std::string_view section, Visitor visit) {
    bool inside = false;
    for (std::size_t i = 0; i < document.lines.size(); ++i) {
        const ParsedLine parsed = ParseLine(document.lines[i].text);
        if (parsed.kind == LineKind::Section) {
            inside = SameName(parsed.name, section);
        } else if (inside && parsed.kind == LineKind::Key && !visit(i, parsed)) {
            return;
        }
    }
}

std::optional<std::size_t> FindKeyLine(const Document& document, std::string_view section,
                                       std::string_view key) {
    std::optional<std::size_t> found;
    ForEachKeyIn(document, section, [&](std::size_t index, const ParsedLine& parsed) {
        if (SameName(parsed.name, key)) found = index;
        return !found;
    });
    return found;
}

// Reading without building the document: the text of the file (a view of its bytes for
// UTF-8, `storage` for UTF-16) and its lines as views, so that reading one value of a
// large file costs one pass and no copies.
std::string_view DecodedText(std::string_view bytes, std::string& storage) {
    if (bytes.starts_with(kUtf16LeBom)) {
        std::string_view body = bytes.substr(kUtf16LeBom.size());
        if (body.size() % 2 != 0) body.remove_suffix(1);
        storage = Utf16LeToUtf8(body);
        return storage;
    }
    if (bytes.starts_with(kUtf8Bom)) bytes.remove_prefix(kUtf8Bom.size());
    return bytes;
}

// Calls visit(parsed) for every key line inside a section named `section`, in file
// order; the same lines as ForEachKeyIn on the decoded document.
template <typename Visitor>
void ForEachKeyInText(std::string_view text, std::string_view section, Visitor visit) {
    bool inside = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t stop = text.find_first_of("\r\n", start);
        if (stop == std::string_view::npos) stop = text.size();
        const ParsedLine parsed = ParseLine(text.substr(start, stop - start));
        if (parsed.kind == LineKind::Section) {
            inside = SameName(parsed.name, section);
        } else if (inside && parsed.kind == LineKind::Key && !visit(parsed)) {
            return;
        }
        const bool crLf = stop + 1 < text.size() && text[stop] == '\r' && text[stop + 1] == '\n';
        start = stop + (crLf ? 2 : 1);
    }
}

std::string FoldedName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

// ---------------------------------------------------------------------------
// Editing.

bool HasLineBreakOrNull(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// Names and values that would not read back as written, or would add lines of
// their own, are refused.
bool IsWritable(std::string_view section, std::string_view key, std::string_view value) {
    if (HasLineBreakOrNull(section) || HasLineBreakOrNull(key) || HasLineBreakOrNull(value)) {
        return false;
    }
    return key.find('=') == std::string_view::npos && !key.starts_with('[') &&
           !key.starts_with(';');
}

void InsertLineAfter(Document& document, std::size_t index, std::string text) {
    if (document.lines[index].end.empty()) document.lines[index].end = kNewLine;
    document.lines.insert(document.lines.begin() + static_cast<std::ptrdiff_t>(index) + 1,
                          Line{std::move(text), std::string(kNewLine)});
}

void AppendLine(Document& document, std::string text) {
    if (!document.lines.empty() && document.lines.back().end.empty()) {
        document.lines.back().end = kNewLine;
    }
    document.lines.push_back({std::move(text), std::string(kNewLine)});
}

// The existing key's line is rewritten with the file's spelling of the name; a
// new key goes after the last key of the first section of that name (or right
// after its header); a new section goes at the end of the file.
void SetValue(Document& document, std::string_view section, std::string_view key,
              std::string_view value) {
    if (const auto keyLine = FindKeyLine(document, section, key)) {
        Line& line = document.lines[*keyLine];
        line.text = std::string(ParseLine(line.text).name) + "=" + std::string(value);
        return;
    }
    const std::string newLine = std::string(key) + "=" + std::string(value);
    std::optional<std::size_t> anchor;
    for (std::size_t i = 0; i < document.lines.size(); ++i) {
        const ParsedLine parsed = ParseLine(document.lines[i].text);
        if (parsed.kind == LineKind::Section) {
            if (anchor) break;
            if (SameName(parsed.name, section)) anchor = i;
        } else if (anchor && parsed.kind == LineKind::Key) {
            anchor = i;
        }
    }
    if (anchor) {
        InsertLineAfter(document, *anchor, newLine);
    } else {
        AppendLine(document, "[" + std::string(section) + "]");
        AppendLine(document, newLine);
    }
}

}  // namespace

std::string ReadProfileValue(std::string_view section, std::string_view key,
                             std::string_view defaultValue, std::string_view fileBytes) {
    std::string storage;
    std::string_view value;
    bool found = false;
    const std::string_view wanted = Trim(key);
    ForEachKeyInText(DecodedText(fileBytes, storage), Trim(section), [&](const ParsedLine& parsed) {
        if (SameName(parsed.name, wanted)) {
            value = Unquote(parsed.value);
            found = true;
        }
        return !found;
    });
    return std::string(CutToCharacters(found ? value : defaultValue, kMaxProfileValueLength));
}

std::vector<std::string> ProfileKeyNames(std::string_view section, std::string_view fileBytes) {
    std::vector<std::string> names;
    for (auto& entry : ProfileSection(section, fileBytes)) names.push_back(std::move(entry.first));
    return names;
}

std::vector<std::pair<std::string, std::string>> ProfileSection(std::string_view section,
                                                                 std::string_view fileBytes) {
    std::vector<std::pair<std::string, std::string>> entries;
    std::unordered_set<std::string> seen;  // names with ASCII letters folded
    std::string storage;
    ForEachKeyInText(DecodedText(fileBytes, storage), Trim(section), [&](const ParsedLine& parsed) {
        if (seen.insert(FoldedName(parsed.name)).second)
            entries.emplace_back(parsed.name, CutToCharacters(Unquote(parsed.value), kMaxProfileValueLength));
        return true;
    });
    return entries;
}

bool IsWritableEntry(std::string_view section, std::string_view key, std::string_view value) {
    return IsWritable(Trim(section), Trim(key), value);
}

std::string ValueForWriting(std::string_view value) {
    if (value.empty()) return {};
    const bool blankAtAnEnd = Trim(value).size() != value.size();
    if (!blankAtAnEnd && Unquote(value).size() == value.size()) return std::string(value);
    return "\"" + std::string(value) + "\"";
}

std::string WriteProfileValue(std::string_view section, std::string_view key, std::string_view value,
                              std::string_view fileBytes) {
    Document document = Decode(fileBytes);
    SetValue(document, Trim(section), Trim(key), ValueForWriting(value));
    return Encode(document);
}

std::string WriteProfileValues(std::string_view section,
                               const std::vector<std::pair<std::string, std::string>>& entries,
                               std::string_view fileBytes) {
    Document document = Decode(fileBytes);
    for (const auto& [key, value] : entries) SetValue(document, Trim(section), Trim(key), ValueForWriting(value));
    return Encode(document);
}

}  // namespace platform::portable
