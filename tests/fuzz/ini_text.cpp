// The INI text rules on arbitrary file bytes: reading, listing and writing one key.
//
// Input: section, key and value, each ended by "\" and one more byte ("\\" stands
// for a backslash inside them), then the file's bytes.
//
// Oracles, for a write the rules accept: the value reads back as written, blanks
// and quotation marks at its ends included; writing the same again changes no byte;
// every other key keeps its value, and the key list of the section only gains the
// new key.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "platform/PrivateProfile.h"
#include "platform/PrivateProfileText.h"

namespace {

using namespace platform::portable;
using fuzz::Check;
using fuzz::SameName;

constexpr std::string_view kBlanks = " \t\v\f\r\n";

std::string_view Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool IsUtf16File(std::string_view bytes) { return bytes.starts_with("\xFF\xFE"); }

// Section names of an 8-bit file, found by a plain scan of its lines: enough to
// pick the sections whose keys must not change.
std::vector<std::string> SectionNames(std::string_view bytes) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= bytes.size() && names.size() < 16) {
        std::size_t stop = bytes.find_first_of("\r\n", start);
        if (stop == std::string_view::npos) stop = bytes.size();
        const std::string_view line = Trim(bytes.substr(start, stop - start));
        if (line.starts_with('[')) {
            std::string_view name = line.substr(1);
            if (const std::size_t close = name.rfind(']'); close != std::string_view::npos) name = name.substr(0, close);
            names.emplace_back(Trim(name));
        }
        start = stop + 1;
    }
    return names;
}

// The names of `names` other than `key`, in order.
std::vector<std::string> Without(const std::vector<std::string>& names, std::string_view key) {
    std::vector<std::string> rest;
    for (const std::string& name : names) {
        if (!SameName(name, key)) rest.push_back(name);
    }
    return rest;
}

bool Contains(const std::vector<std::string>& names, std::string_view key) {
    return Without(names, key).size() != names.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(80);
    const std::string key = input.ConsumeRandomLengthString(80);
    const std::string value = input.ConsumeRandomLengthString(4096);
    const std::string before = input.ConsumeRemainingBytesAsString();

    // Reads of any file give at most the longest value, and a section lists each key once.
    const std::string read = ReadProfileValue(section, key, value, before);
    Check(read.size() <= 4 * platform::kMaxProfileValueLength, "a read is longer than the longest value");
    const std::vector<std::string> namesBefore = ProfileKeyNames(section, before);
    for (std::size_t i = 0; i < namesBefore.size(); ++i) {
        Check(!Contains(std::vector<std::string>(namesBefore.begin() + i + 1, namesBefore.end()), namesBefore[i]),
              "a key is listed twice");
    }

    if (!IsWritableEntry(section, key, value)) return 0;
    const std::string after = WriteProfileValue(section, key, value, before);

    // A UTF-16 file holds only text that UTF-16 can hold: names and values are UTF-8,
    // and the rules promise nothing for other bytes written to such a file.
    if (IsUtf16File(before) &&
        !(fuzz::IsValidUtf8(section) && fuzz::IsValidUtf8(key) && fuzz::IsValidUtf8(value))) {
        return 0;
    }
    const std::string_view expected = value;
    const std::string readBack = ReadProfileValue(section, key, "\x01 missing", after);
    if (expected.size() <= platform::kMaxProfileValueLength) {
        Check(readBack == expected, "a written value does not read back");
    } else {
        Check(expected.starts_with(readBack), "a long value does not read back as its beginning");
    }
    Check(WriteProfileValue(section, key, value, after) == after, "a second identical write changed the file");

    const std::vector<std::string> namesAfter = ProfileKeyNames(section, after);
    Check(Without(namesAfter, Trim(key)) == Without(namesBefore, Trim(key)), "the other keys of the section changed");
    Check(Contains(namesAfter, Trim(key)), "the written key is not listed");

    std::vector<std::string> sections = IsUtf16File(before) ? std::vector<std::string>{} : SectionNames(before);
    sections.emplace_back(section);
    for (const std::string& other : sections) {
        const std::vector<std::string> keys = ProfileKeyNames(other, before);
        for (std::size_t i = 0; i < keys.size() && i < 32; ++i) {
            if (SameName(Trim(other), Trim(section)) && SameName(keys[i], Trim(key))) continue;
            Check(ReadProfileValue(other, keys[i], "", before) == ReadProfileValue(other, keys[i], "", after),
                  "another key's value changed");
        }
    }
    return 0;
}
