// The command history file: reading any bytes, then adding a line.
//
// Input: a project and a command line (each up to a "\" and one more byte), then the
// file's bytes.
//
// Oracles: whatever the file holds, each project read from it has at most kMaxLines
// lines, none empty, none twice, none longer than kMaxLineBytes; after an add the line
// is the project's newest, the project's other lines follow in their old order, and a
// second reader of the file sees exactly what the writer holds in memory.
#include <fuzzer/FuzzedDataProvider.h>

#include <set>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "components/CommandHistory.h"
#include "components/Exception.h"

namespace {

using fuzz::Check;
using Lines = std::vector<std::string>;

void CheckBounds(const Lines& ALines) {
    Check(ALines.size() <= TCommandHistory::kMaxLines, "a project holds too many lines");
    Check(std::set<std::string>(ALines.begin(), ALines.end()).size() == ALines.size(), "a line is held twice");
    for (const std::string& line : ALines)
        Check(!line.empty() && line.size() <= TCommandHistory::kMaxLineBytes, "an empty or overlong line is held");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::ScratchFile file("tarnwick-fuzz-history.txt");
    FuzzedDataProvider input(data, size);
    const std::string project = input.ConsumeRandomLengthString(200);
    const std::string line = input.ConsumeRandomLengthString(400);
    const std::string bytes = input.ConsumeRemainingBytesAsString();

    const std::string& fileName = file.Write(bytes);
    TCommandHistory history;
    history.setFileName(fileName);
    const Lines before = history.Lines(project);
    CheckBounds(before);

    try {
        history.Add(project, line);
    } catch (const Exception&) {
        Check(false, "an add to a small file failed");
    }
    const Lines& after = history.Lines(project);
    CheckBounds(after);
    if (!project.empty() && !line.empty()) {
        Check(after.front() == line, "the added line is not the newest");
        Lines rest;
        for (const std::string& old : before)
            if (old != line) rest.push_back(old);
        if (rest.size() > TCommandHistory::kMaxLines - 1) rest.resize(TCommandHistory::kMaxLines - 1);
        Check(Lines(after.begin() + 1, after.end()) == rest, "the project's other lines changed");
    } else {
        Check(after == before, "a line that is not kept changed the project");
    }

    TCommandHistory reader;
    reader.setFileName(fileName);
    Check(reader.Lines(project) == after, "the file does not give back what the writer holds");
    return 0;
}
