// The project tools file and its environment lines.
//
// Input: a project folder (up to a "\" and one more byte), an environment line (the
// same), then the file's bytes.
//
// Oracles: an environment line splits into a valid variable name and the rest after
// its first "=", which together give the line back without its leading blanks and line
// ends; whatever a file holds, the tools loaded from it, saved to a fresh file and to
// the same file, load back equal, and saving them again changes no byte.
#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <string>

#include "FuzzSupport.h"
#include "components/ProjectTools.h"
#include "platform/RegularFile.h"

namespace {

using fuzz::Check;

void CheckEnvironmentLine(const std::string& ALine) {
    const auto pair = SplitEnvironmentLine(ALine);
    if (!pair) return;
    const std::string& name = pair->first;
    Check(!name.empty() && !std::isdigit(static_cast<unsigned char>(name[0])), "a variable name is empty or starts with a digit");
    for (const char c : name)
        Check(std::isalnum(static_cast<unsigned char>(c)) || c == '_', "a variable name holds another character");
    std::string line = ALine;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    line.erase(0, line.find_first_not_of(" \t"));
    Check(name + "=" + pair->second == line, "the split does not give the line back");
}

std::string Read(const std::string& AFileName) {
    std::string bytes;
    platform::ReadRegularFile(AFileName, TProjectToolsStore::kMaxFileBytes, bytes);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::ScratchFile file("tarnwick-fuzz-projects.ini");
    static fuzz::ScratchFile fresh("tarnwick-fuzz-projects-fresh.ini");
    FuzzedDataProvider input(data, size);
    const std::string project = input.ConsumeRandomLengthString(200);
    const std::string environmentLine = input.ConsumeRandomLengthString(200);
    const std::string bytes = input.ConsumeRemainingBytesAsString();
    CheckEnvironmentLine(environmentLine);

    const TProjectToolsStore store(file.Write(bytes));
    const auto loaded = store.Load(project);
    if (!loaded) return 0;
    for (const std::string& line : loaded->Environment) Check(!line.empty(), "an empty environment line is loaded");
    Check(loaded->Environment.size() <= TProjectToolsStore::kMaxEnvironmentLines, "too many environment lines");

    const TProjectToolsStore freshStore(fresh.Write(""));
    Check(freshStore.Save(project, *loaded), "loaded tools could not be saved");
    Check(freshStore.Load(project) == loaded, "saved tools do not load back from a fresh file");
    if (!store.Save(project, *loaded)) return 0;  // a file too large to replace, say
    Check(store.Load(project) == loaded, "saved tools do not load back from their own file");
    const std::string once = Read(store.FileName());
    Check(store.Save(project, *loaded) && Read(store.FileName()) == once, "a second identical save changed the file");
    return 0;
}
