// The update description as the update check reads it: three values from the
// downloaded copy through the settings-file service, and the version comparison.
//
// Input: two more version texts, each ended by "\" and one more byte ("\\" stands
// for a backslash), then the description file's bytes.
//
// Oracles: the file service reads what the INI text rules read from the same bytes;
// the comparison throws exactly when a non-empty remote version or the own version
// holds a part that is not an unsigned 32-bit decimal number, naming the first such
// part; among valid versions it is an order: never newer than itself, never both
// ways, transitive, blind to trailing ".0" parts, and two versions neither newer than
// the other are equal (one more ".1" on either makes it newer).
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "components/AutoUpgrade.h"
#include "components/Exception.h"
#include "platform/PrivateProfile.h"
#include "platform/PrivateProfileText.h"

namespace {

using fuzz::Check;

// The first part of a version text that is not an unsigned 32-bit decimal number,
// or nothing when every part is one; "" has no parts.
std::optional<std::string> FirstBadPart(std::string_view version) {
    if (version.empty()) return std::nullopt;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = version.find('.', start);
        const std::string_view part = version.substr(start, dot == std::string_view::npos ? dot : dot - start);
        std::uint64_t value = 0;
        bool good = !part.empty();
        for (char c : part) {
            good = good && c >= '0' && c <= '9';
            if (good) value = value * 10 + static_cast<unsigned>(c - '0');
            good = good && value <= 0xFFFFFFFFu;
        }
        if (!good) return std::string(part);
        if (dot == std::string_view::npos) return std::nullopt;
        start = dot + 1;
    }
}

// The comparison's answer, or nothing when it threw (checked against the rule).
std::optional<bool> Newer(const std::string& remote, const std::string& current) {
    std::optional<std::string> bad;
    if (!remote.empty()) {
        bad = FirstBadPart(remote);
        if (!bad) bad = FirstBadPart(current);
    }
    try {
        const bool newer = autoupgrade::IsNewerVersion(remote, current);
        Check(!bad, "an invalid version was compared without an error");
        return newer;
    } catch (const Exception& error) {
        Check(bad.has_value(), "a valid version was refused");
        // The message is read as C text, which ends at a null inside the part.
        std::string named = "'" + *bad + "'";
        named.resize(std::min(named.size(), named.find('\0')));
        Check(std::string_view(error.what()).find(named) != std::string_view::npos,
              "the error does not name the first bad part");
        return std::nullopt;
    }
}

void CheckOrder(const std::string& a, const std::string& b, const std::string& c) {
    const auto ab = Newer(a, b);
    const auto ba = Newer(b, a);
    if (a.empty() || b.empty() || !ab || !ba) return;
    Check(!*Newer(a, a), "a version is newer than itself");
    Check(!(*ab && *ba), "two versions are newer than each other");
    Check(*Newer(a + ".0", b) == *ab && *Newer(a, b + ".0") == *ab, "a trailing .0 changed the answer");
    if (!*ab && !*ba) {
        Check(*Newer(a + ".1", b) && *Newer(b + ".1", a), "equal versions do not order after one more part");
    }
    const auto bc = Newer(b, c);
    if (!c.empty() && bc && *ab && *bc) Check(Newer(a, c) == true, "the order is not transitive");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::ScratchFile scratch("tarnwick-fuzz-version.ini");
    FuzzedDataProvider input(data, size);
    const std::string other = input.ConsumeRandomLengthString(64);
    const std::string third = input.ConsumeRandomLengthString(64);
    const std::string description = input.ConsumeRemainingBytesAsString();

    const std::string& path = scratch.Write(description);
    std::string values[3];
    const char* const keys[3][2] = {{"VERSION", "NUMBER"}, {"DOWNLOAD", "URL"}, {"USER", "MESSAGE"}};
    for (int i = 0; i < 3; ++i) {
        values[i] = platform::GetPrivateProfileString(keys[i][0], keys[i][1], "", path);
        Check(values[i] == platform::portable::ReadProfileValue(keys[i][0], keys[i][1], "", description),
              "the file service and the text rules read different values");
    }

    const std::string& remote = values[0];
    Newer(remote, other);
    Newer(other, remote);
    CheckOrder(remote, other, third);
    CheckOrder(other, third, remote);
    return 0;
}
