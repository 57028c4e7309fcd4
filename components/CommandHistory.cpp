#include "components/CommandHistory.h"

#include "components/Exception.h"
#include "platform/AtomicFile.h"
#include "platform/RegularFile.h"

#include <algorithm>
#include <string_view>

namespace {

std::string Escaped(const std::string& AText) {
    std::string out;
    out.reserve(AText.size());
    for (char c : AText) {
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out;
}

std::string Unescaped(const std::string& AText) {
    std::string out;
    out.reserve(AText.size());
    for (std::size_t i = 0; i < AText.size(); ++i) {
        if (AText[i] != '\\' || i + 1 == AText.size()) {
            out += AText[i];
            continue;
        }
        const char next = AText[++i];
        out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return out;
}

// Puts ALine first, removing an older copy, and keeps at most the newest kMaxLines.
void MoveToTop(std::vector<std::string>& ALines, const std::string& ALine) {
    const auto old = std::find(ALines.begin(), ALines.end(), ALine);
    if (old != ALines.end()) ALines.erase(old);
    ALines.insert(ALines.begin(), ALine);
    if (ALines.size() > TCommandHistory::kMaxLines) ALines.resize(TCommandHistory::kMaxLines);
}

}  // namespace

void TCommandHistory::setFileName(const std::string& AValue) {
    FFileName = AValue;
    Load();
}

const std::vector<std::string>& TCommandHistory::Lines(const std::string& AProject) const {
    static const std::vector<std::string> kNone;
    const auto found = FProjects.find(AProject);
    return found == FProjects.end() ? kNone : found->second;
}

std::string TCommandHistory::Last(const std::string& AProject) const {
    const std::vector<std::string>& lines = Lines(AProject);
    return lines.empty() ? std::string() : lines.front();
}

void TCommandHistory::Load() {
    FProjects.clear();
    Read();
}

bool TCommandHistory::Read() {
    if (FFileName.empty()) return false;
    std::string bytes;
    if (platform::ReadRegularFile(FFileName, kMaxFileBytes, bytes) != 0) return false;
    Parse(bytes);
    return true;
}

void TCommandHistory::Parse(const std::string& ABytes) {
    FProjects.clear();
    std::vector<std::string>* project = nullptr;
    for (std::size_t start = 0; start < ABytes.size();) {
        std::size_t stop = ABytes.find('\n', start);
        if (stop == std::string::npos) stop = ABytes.size();
        std::string_view line(ABytes.data() + start, stop - start);
        start = stop + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        // Escapes at most double a line's length.
        if (line.size() < 2 || line[1] != ' ' || line.size() > 2 * kMaxLineBytes + 2) continue;
        const std::string value = Unescaped(std::string(line.substr(2)));
        if (value.size() > kMaxLineBytes) continue;
        if (line[0] == 'P') {
            project = value.empty() ? nullptr : &FProjects[value];
        } else if (line[0] == 'C' && project && !value.empty() && project->size() < kMaxLines &&
                   std::find(project->begin(), project->end(), value) == project->end()) {
            project->push_back(value);
        }
    }
}

void TCommandHistory::Add(const std::string& AProject, const std::string& ALine) {
    if (AProject.empty() || ALine.empty() || AProject.size() > kMaxLineBytes || ALine.size() > kMaxLineBytes)
        return;
    if (FFileName.empty()) {
        MoveToTop(FProjects[AProject], ALine);
        return;
    }
    // Read, changed and replaced under the file's lock: another copy's lines that came in
    // meanwhile are kept.
    bool added = false;
    const int failure = platform::RewriteFile(FFileName, kMaxFileBytes, [&](std::string& ABytes) {
        Parse(ABytes);
        MoveToTop(FProjects[AProject], ALine);
        added = true;
        ABytes = Text();
        return 0;
    });
    if (failure != 0) {
        if (!added) MoveToTop(FProjects[AProject], ALine);
        throw Exception("Unable to write to " + FFileName);
    }
}

std::string TCommandHistory::Text() const {
    std::string text = "# Command lines that ran, newest first, per project folder\n";
    for (const auto& [project, lines] : FProjects) {
        if (lines.empty()) continue;
        text += "P " + Escaped(project) + '\n';
        for (const std::string& line : lines) text += "C " + Escaped(line) + '\n';
    }
    return text;
}
