// The log reader on arbitrary file bytes.
//
// Input: one byte picking where the file is cut in two, then the file's bytes.
//
// Oracles: opening from the end and indexing backwards finds the same entries as a
// plain scan of every line from the start; writing the file in two pieces and
// following it finds them too; the entries cover the file without gaps; every entry
// after the first starts with a header, and every text read is UTF-8.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "components/LaravelLog.h"

namespace {

using fuzz::Check;

std::vector<std::uint64_t> PlainScan(std::string_view ABytes) {
    std::vector<std::uint64_t> starts;
    if (ABytes.empty()) return starts;
    starts.push_back(0);
    for (std::size_t i = 0; i + 1 < ABytes.size(); ++i) {
        if (ABytes[i] == '\n' && ParseLogHeader(ABytes.substr(i + 1, 256))) starts.push_back(i + 1);
    }
    return starts;
}

std::vector<std::uint64_t> Offsets(const TLogIndex& AIndex) {
    std::vector<std::uint64_t> offsets;
    std::uint64_t covered = 0;
    for (std::size_t i = 0; i < AIndex.Count(); ++i) {
        const TLogEntry entry = AIndex.Entry(i, 512);
        Check(entry.Offset == covered, "entries cover the file without gaps");
        Check(fuzz::IsValidUtf8(entry.FirstLine) && fuzz::IsValidUtf8(entry.Detail), "entry text is UTF-8");
        Check(i == 0 || entry.Header.has_value(), "a later entry starts with a header");
        covered += entry.Length;
        offsets.push_back(entry.Offset);
    }
    Check(covered == AIndex.FileSize(), "entries reach the end of the file");
    return offsets;
}

void Write(const std::string& APath, std::string_view ABytes, bool AAppend) {
    std::ofstream file(APath, std::ios::binary | (AAppend ? std::ios::app : std::ios::trunc));
    file.write(ABytes.data(), static_cast<std::streamsize>(ABytes.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
    if (ASize < 1) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(AData) + 1, ASize - 1);
    const std::size_t cut = bytes.empty() ? 0 : AData[0] % (bytes.size() + 1);
    static const std::string path =
        (std::filesystem::temp_directory_path() / ("tarnwick-fuzz-log-" + std::to_string(::getpid()))).string();
    const std::vector<std::uint64_t> expected = PlainScan(bytes);

    Write(path, bytes, false);
    TLogIndex opened(path);
    opened.Open(1);
    while (opened.IndexEarlier(1)) {
    }
    Check(Offsets(opened) == expected, "indexing backwards finds the entries of a plain scan");

    Write(path, bytes.substr(0, cut), false);
    TLogIndex followed(path);
    followed.Open(1);
    Write(path, bytes.substr(cut), true);
    followed.Refresh();
    while (followed.IndexEarlier(1)) {
    }
    Check(Offsets(followed) == expected, "following the file finds the entries of a plain scan");
    return 0;
}
