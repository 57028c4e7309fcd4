// Versions from a tool's report and Composer constraints on them.
//
// Input: two versions of up to three parts each (bytes as numbers), then free text used
// as a version report and as a constraint.
//
// Oracles: a version printed into a "php -v" report is read back exactly, and the number
// read from any report is found in it, digits in parts between single dots; the comparison
// constraints agree with an independent comparison of the parts, "^", "~" and ".*" with
// their ranges, and alternatives behave as "or". Any text as a constraint gives an
// answer or nothing, never a failure.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "components/ProjectTools.h"

namespace {

using fuzz::Check;
using Parts = std::vector<int>;

Parts ConsumeVersion(FuzzedDataProvider& AInput) {
    Parts parts(AInput.ConsumeIntegralInRange<std::size_t>(1, 3));
    for (int& part : parts) part = AInput.ConsumeIntegralInRange<int>(0, 20);
    return parts;
}

std::string Text(const Parts& AParts) {
    std::string text;
    for (const int part : AParts) text += (text.empty() ? "" : ".") + std::to_string(part);
    return text;
}

// Missing parts count as 0.
int Compare(Parts A, Parts B) {
    const std::size_t size = std::max(A.size(), B.size());
    A.resize(size);
    B.resize(size);
    return A < B ? -1 : (A == B ? 0 : 1);
}

// The first version past the first `keep` parts of `bound`.
Parts Past(Parts ABound, std::size_t AKeep) {
    ABound.resize(AKeep);
    ++ABound.back();
    return ABound;
}

bool Satisfies(const Parts& AVersion, const std::string& AConstraint) {
    const auto answer = VersionSatisfies(Text(AVersion), AConstraint);
    Check(answer.has_value(), "a well-formed constraint was not read");
    return *answer;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    Parts version = ConsumeVersion(input);
    if (version.size() == 1) version.push_back(0);  // a report's version has a dot
    const Parts bound = ConsumeVersion(input);
    const std::string text = input.ConsumeRemainingBytesAsString();

    Check(VersionFromReport("PHP " + Text(version) + " (cli) (built: Jan 1 2026)\nCopyright") == Text(version),
          "a reported version is not read back");
    const std::string found = VersionFromReport(text);
    Check(found.empty() || (found.find_first_not_of("0123456789.") == std::string::npos &&
                            found.find('.') != std::string::npos && found.front() != '.' && found.back() != '.' &&
                            found.find("..") == std::string::npos && text.find(found) != std::string::npos),
          "a version read from a report is not a number found in it");
    (void)VersionSatisfies(Text(version), text);
    (void)VersionSatisfies(text, Text(bound));

    const int cmp = Compare(version, bound);
    const std::string b = Text(bound);
    Check(Satisfies(version, ">=" + b) == (cmp >= 0), ">= disagrees");
    Check(Satisfies(version, "> " + b) == (cmp > 0), "> disagrees");
    Check(Satisfies(version, "<=" + b) == (cmp <= 0), "<= disagrees");
    Check(Satisfies(version, "<" + b) == (cmp < 0), "< disagrees");
    Check(Satisfies(version, "!=" + b) == (cmp != 0), "!= disagrees");
    Check(Satisfies(version, "==" + b) == (cmp == 0), "== disagrees");
    Check(Satisfies(version, ">=" + b + " <" + b) == false, "an empty range is satisfied");
    Check(Satisfies(version, "<" + b + " || >=" + b) == true, "two halves of all versions miss one");

    std::size_t caretKeep = 1;
    while (caretKeep < bound.size() && bound[caretKeep - 1] == 0) ++caretKeep;
    Check(Satisfies(version, "^" + b) == (cmp >= 0 && Compare(version, Past(bound, caretKeep)) < 0), "^ disagrees");
    const std::size_t tildeKeep = bound.size() == 1 ? 1 : bound.size() - 1;
    Check(Satisfies(version, "~" + b) == (cmp >= 0 && Compare(version, Past(bound, tildeKeep)) < 0), "~ disagrees");
    Check(Satisfies(version, b + ".*") == (cmp >= 0 && Compare(version, Past(bound, bound.size())) < 0),
          ".* disagrees");
    Check(Satisfies(version, "^" + b + "|" + ">=" + b) == (Satisfies(version, "^" + b) || cmp >= 0),
          "alternatives are not an or");
    return 0;
}
