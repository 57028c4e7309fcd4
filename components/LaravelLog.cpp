#include "components/LaravelLog.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

// Bytes looked at past a line start to read an entry's header.
constexpr std::size_t kHeaderWindow = 256;
// Bytes read per step while scanning.
constexpr std::uint64_t kBlock = 1u << 20;
// Bytes kept from the start of the file to notice that it was replaced.
constexpr std::size_t kHeadBytes = 64;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::string_view FirstLineOf(std::string_view AText) {
    const std::size_t stop = AText.find('\n');
    std::string_view line = AText.substr(0, stop);
    if (line.ends_with('\r')) line.remove_suffix(1);
    return line;
}

void SplitContext(std::string_view ARest, TLogHeader& AHeader) {
    if (const std::size_t k = ARest.find(" {\""); k != std::string_view::npos) {
        AHeader.Message = ARest.substr(0, k);
        AHeader.Context = ARest.substr(k + 1);
        return;
    }
    for (std::string_view empty : {" [] []", " {} []", " []"}) {
        if (ARest.ends_with(empty)) {
            AHeader.Message = ARest.substr(0, ARest.size() - empty.size());
            return;
        }
    }
    AHeader.Message = ARest;
}

}  // namespace

std::optional<TLogHeader> ParseLogHeader(std::string_view ALine) {
    const std::string_view line = FirstLineOf(ALine.substr(0, std::min(ALine.size(), kHeaderWindow * 64)));
    // "[YYYY-MM-DD" then the rest of the time up to "]".
    if (line.size() < 12 || line[0] != '[') return std::nullopt;
    static constexpr char kDate[] = "dddd-dd-dd";
    for (std::size_t i = 0; i < 10; ++i) {
        const char c = line[1 + i];
        if (kDate[i] == 'd' ? !IsDigit(c) : c != kDate[i]) return std::nullopt;
    }
    const std::size_t close = line.find(']', 11);
    if (close == std::string_view::npos || close > 48) return std::nullopt;
    std::size_t at = close + 1;
    if (at >= line.size() || line[at] != ' ') return std::nullopt;
    ++at;
    // "environment.LEVEL:"
    const std::size_t colon = line.find(':', at);
    if (colon == std::string_view::npos) return std::nullopt;
    const std::string_view channel = line.substr(at, colon - at);
    const std::size_t dot = channel.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == channel.size()) return std::nullopt;
    const std::string_view level = channel.substr(dot + 1);
    if (!std::all_of(level.begin(), level.end(), IsLetter)) return std::nullopt;
    const std::string_view environment = channel.substr(0, dot);
    if (!std::all_of(environment.begin(), environment.end(),
                     [](char c) { return IsLetter(c) || IsDigit(c) || c == '_' || c == '-' || c == '.'; }))
        return std::nullopt;

    TLogHeader header;
    header.Time = line.substr(1, close - 1);
    header.Environment = environment;
    header.Level = level;
    std::string_view rest = line.substr(colon + 1);
    if (rest.starts_with(' ')) rest.remove_prefix(1);
    SplitContext(rest, header);
    return header;
}

int LogLevelRank(std::string_view ALevel) {
    static constexpr std::array<std::string_view, 8> kLevels = {"DEBUG", "INFO",     "NOTICE", "WARNING",
                                                                "ERROR", "CRITICAL", "ALERT",  "EMERGENCY"};
    for (std::size_t i = 0; i < kLevels.size(); ++i) {
        const std::string_view name = kLevels[i];
        if (name.size() == ALevel.size() &&
            std::equal(name.begin(), name.end(), ALevel.begin(),
                       [](char a, char b) { return a == std::toupper(static_cast<unsigned char>(b)); }))
            return static_cast<int>(i);
    }
    return -1;
}

std::optional<TLogFrame> ParseLogFrame(std::string_view ALine) {
    TLogFrame frame;
    std::string_view line = FirstLineOf(ALine);
    while (line.starts_with(' ')) line.remove_prefix(1);
    if (line.starts_with('#')) {
        // "#3 /path/file.php(12): call"
        const std::size_t space = line.find(' ');
        const std::size_t open = line.find('(', space == std::string_view::npos ? 0 : space);
        const std::size_t shut = open == std::string_view::npos ? open : line.find(')', open);
        if (space == std::string_view::npos || shut == std::string_view::npos || open <= space + 1) return std::nullopt;
        const std::string_view digits = line.substr(open + 1, shut - open - 1);
        if (digits.empty() || digits.size() > 9 || !std::all_of(digits.begin(), digits.end(), IsDigit))
            return std::nullopt;
        frame.File = line.substr(space + 1, open - space - 1);
        frame.Line = std::stoi(std::string(digits));
    } else {
        // "... at /path/file.php:12)"
        const std::size_t at = line.rfind(" at ");
        if (at == std::string_view::npos) return std::nullopt;
        std::string_view place = line.substr(at + 4);
        if (place.ends_with(')')) place.remove_suffix(1);
        const std::size_t colon = place.rfind(':');
        if (colon == std::string_view::npos || colon == 0) return std::nullopt;
        const std::string_view digits = place.substr(colon + 1);
        if (digits.empty() || digits.size() > 9 || !std::all_of(digits.begin(), digits.end(), IsDigit))
            return std::nullopt;
        frame.File = place.substr(0, colon);
        frame.Line = std::stoi(std::string(digits));
    }
    if (frame.File.empty()) return std::nullopt;
    frame.Vendor = frame.File.starts_with("vendor/") || frame.File.find("/vendor/") != std::string::npos ||
                   frame.File.find("\\vendor\\") != std::string::npos;
    return frame;
}

std::string ValidUtf8(std::string_view AText) {
    std::string out;
    out.reserve(AText.size());
    for (std::size_t i = 0; i < AText.size();) {
        const auto lead = static_cast<unsigned char>(AText[i]);
        std::size_t extra = 0;
        std::uint32_t c = 0;
        std::uint32_t minimum = 0;
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1, c = lead & 0x1F, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, c = lead & 0x0F, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, c = lead & 0x07, minimum = 0x10000;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        std::size_t taken = 1;
        while (taken <= extra && i + taken < AText.size() &&
               (static_cast<unsigned char>(AText[i + taken]) & 0xC0) == 0x80) {
            c = (c << 6) | (static_cast<unsigned char>(AText[i + taken]) & 0x3F);
            ++taken;
        }
        if (taken != extra + 1 || c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            out += "\xEF\xBF\xBD";
            i += std::max<std::size_t>(1, taken == extra + 1 ? taken : taken);
            continue;
        }
        out.append(AText.substr(i, taken));
        i += taken;
    }
    return out;
}

TLogIndex::TLogIndex(std::string APath) : FPath(std::move(APath)) {}

bool TLogIndex::Stat() {
    std::error_code error;
    const auto status = std::filesystem::status(FPath, error);
    if (!std::filesystem::exists(status)) {
        FState = TState::Missing;
    } else if (!std::filesystem::is_regular_file(status)) {
        FState = TState::NotAFile;
    } else {
        const auto size = std::filesystem::file_size(FPath, error);
        std::ifstream probe(FPath, std::ios::binary);
        if (error || !probe) {
            FState = TState::Unreadable;
        } else {
            FState = TState::Ready;
            FSize = size;
        }
    }
    return FState == TState::Ready;
}

void TLogIndex::Reset() {
    FStarts.clear();
    FSize = FScannedFrom = FScannedTo = 0;
    FHead.clear();
}

std::string TLogIndex::Message() const {
    switch (FState) {
    case TState::Ready:
        return {};
    case TState::Missing:
        return "The log file " + FPath + " does not exist.";
    case TState::NotAFile:
        return FPath + " is not a file.";
    case TState::Unreadable:
        break;
    }
    return "The log file " + FPath + " cannot be read.";
}

std::string TLogIndex::ReadAt(std::uint64_t AOffset, std::size_t ALength) const {
    std::string bytes(ALength, '\0');
    std::ifstream file(FPath, std::ios::binary);
    if (!file) return {};
    file.seekg(static_cast<std::streamoff>(AOffset));
    file.read(bytes.data(), static_cast<std::streamsize>(ALength));
    bytes.resize(file ? ALength : static_cast<std::size_t>(std::max<std::streamsize>(0, file.gcount())));
    return bytes;
}

std::string TLogIndex::Head() const { return ReadAt(0, kHeadBytes); }

std::vector<std::uint64_t> TLogIndex::ScanForward(std::uint64_t AFrom, std::uint64_t ATo) const {
    std::vector<std::uint64_t> starts;
    if (AFrom == 0 && FSize > 0) starts.push_back(0);  // the first line opens an entry, or text that is none
    std::ifstream file(FPath, std::ios::binary);
    if (!file) return starts;
    std::string block;
    for (std::uint64_t base = AFrom; base < ATo; base += kBlock) {
        const std::uint64_t blockEnd = std::min(ATo, base + kBlock);
        // One byte before, to see whether the first position starts a line, and a
        // header's worth after, for a header that crosses the block's end.
        const std::uint64_t readFrom = base == 0 ? 0 : base - 1;
        const std::uint64_t readTo = std::min(FSize, blockEnd + kHeaderWindow);
        block.resize(static_cast<std::size_t>(readTo - readFrom));
        file.clear();
        file.seekg(static_cast<std::streamoff>(readFrom));
        file.read(block.data(), static_cast<std::streamsize>(block.size()));
        block.resize(static_cast<std::size_t>(std::max<std::streamsize>(0, file.gcount())));
        const std::string_view view(block);
        // Line starts in [base, blockEnd): the byte after each line feed found at
        // index k of the block, with readFrom + k + 1 < blockEnd.
        const std::size_t limit =
            std::min(view.size(), static_cast<std::size_t>(blockEnd - readFrom - 1));
        std::size_t k = 0;
        while (k < limit) {
            const void* nl = std::memchr(view.data() + k, '\n', limit - k);
            if (!nl) break;
            k = static_cast<std::size_t>(static_cast<const char*>(nl) - view.data());
            if (ParseLogHeader(view.substr(k + 1, kHeaderWindow))) starts.push_back(readFrom + k + 1);
            ++k;
        }
    }
    return starts;
}

void TLogIndex::Open(std::size_t AMinimum) {
    Reset();
    if (!Stat()) return;
    FHead = Head();
    FScannedFrom = FScannedTo = FSize;
    // Re-read the last line on the next look when it has no line feed yet: it may be
    // a header still being written.
    if (FSize > 0) {
        std::uint64_t back = FSize;
        while (back > 0) {
            const std::uint64_t from = back > kBlock ? back - kBlock : 0;
            const std::string bytes = ReadAt(from, static_cast<std::size_t>(back - from));
            const std::size_t nl = bytes.rfind('\n');
            if (nl != std::string::npos) {
                FScannedTo = from + nl + 1;
                break;
            }
            back = from;
            if (back == 0) FScannedTo = 0;
        }
    }
    // The last, unfinished line joins the entry before it unless it is a header itself.
    std::vector<std::uint64_t> tail = ScanForward(FScannedTo, FSize);
    FScannedFrom = FScannedTo;
    FStarts = std::move(tail);
    IndexEarlier(AMinimum);
}

bool TLogIndex::IndexEarlier(std::size_t AMinimum) {
    if (FState != TState::Ready || FScannedFrom == 0) return false;
    const std::size_t wanted = FStarts.size() + std::max<std::size_t>(AMinimum, 1);
    std::uint64_t step = 64 * 1024;
    while (FScannedFrom > 0 && FStarts.size() < wanted) {
        const std::uint64_t from = FScannedFrom > step ? FScannedFrom - step : 0;
        std::vector<std::uint64_t> found = ScanForward(from, FScannedFrom);
        FStarts.insert(FStarts.begin(), found.begin(), found.end());
        FScannedFrom = from;
        step = std::min<std::uint64_t>(step * 2, 64 * kBlock);
    }
    return true;
}

TLogIndex::TChange TLogIndex::Refresh() {
    const TState before = FState;
    const std::uint64_t oldSize = FSize;
    if (!Stat()) {
        const bool had = before == TState::Ready;
        Reset();
        return had ? TChange::Reset : TChange::None;
    }
    const std::string head = Head();
    const bool replaced = before != TState::Ready || FSize < FScannedTo || FSize < oldSize ||
                          head.compare(0, FHead.size(), FHead) != 0;
    if (replaced) {
        Open();
        return TChange::Reset;
    }
    if (FSize == oldSize) return TChange::None;
    if (FHead.size() < kHeadBytes) FHead = head;
    for (std::uint64_t start : ScanForward(FScannedTo, FSize)) {
        if (FStarts.empty() || start > FStarts.back()) FStarts.push_back(start);
    }
    // Next time, look again from the start of the last, unfinished line.
    const std::uint64_t from = FScannedTo;
    const std::string fresh = ReadAt(from, static_cast<std::size_t>(std::min<std::uint64_t>(FSize - from, 64 * kBlock)));
    if (const std::size_t nl = fresh.rfind('\n'); nl != std::string::npos) FScannedTo = from + nl + 1;
    return TChange::Appended;
}

TLogEntry TLogIndex::Entry(std::size_t AIndex, std::size_t AMaxBytes) const {
    TLogEntry entry;
    if (AIndex >= FStarts.size()) return entry;
    entry.Offset = FStarts[AIndex];
    const std::uint64_t end = AIndex + 1 < FStarts.size() ? FStarts[AIndex + 1] : FSize;
    entry.Length = end > entry.Offset ? end - entry.Offset : 0;
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(entry.Length, AMaxBytes));
    entry.Cut = entry.Length > wanted;
    std::string text = ReadAt(entry.Offset, wanted);
    while (!entry.Cut && (text.ends_with('\n') || text.ends_with('\r'))) text.pop_back();
    const std::size_t nl = text.find('\n');
    std::string_view first = std::string_view(text).substr(0, nl);
    if (first.ends_with('\r')) first.remove_suffix(1);
    // The header is read from the bytes as written, as the scan read it: replacement
    // characters are longer than the bytes they replace.
    if (auto header = ParseLogHeader(first)) {
        for (std::string* field : {&header->Time, &header->Environment, &header->Level, &header->Message,
                                   &header->Context})
            *field = ValidUtf8(*field);
        entry.Header = std::move(header);
    }
    entry.FirstLine = ValidUtf8(first);
    if (nl != std::string::npos) entry.Detail = ValidUtf8(std::string_view(text).substr(nl + 1));
    return entry;
}

bool TLogIndex::Clear() {
    {
        std::ofstream file(FPath, std::ios::binary | std::ios::trunc);
        if (!file) return false;
    }
    Open();
    return true;
}
