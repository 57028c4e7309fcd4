#include "components/CommandHistory.h"

#include "components/Exception.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <fstream>
#include <system_error>

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
    std::ifstream file(platform::PathFromUtf8(FFileName), std::ios::binary);
    if (!file) return false;
    FProjects.clear();
    std::string line;
    std::vector<std::string>* project = nullptr;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() < 2 || line[1] != ' ') continue;
        const std::string value = Unescaped(line.substr(2));
        if (line[0] == 'P') {
            project = value.empty() ? nullptr : &FProjects[value];
        } else if (line[0] == 'C' && project && !value.empty() &&
                   project->size() < kMaxLines &&
                   std::find(project->begin(), project->end(), value) == project->end()) {
            project->push_back(value);
        }
    }
    return true;
}

void TCommandHistory::Add(const std::string& AProject, const std::string& ALine) {
    if (AProject.empty() || ALine.empty()) return;
    Read();
    MoveToTop(FProjects[AProject], ALine);
    Save();
}

void TCommandHistory::Save() const {
    if (FFileName.empty()) return;
    std::string text = "# Command lines that ran, newest first, per project folder\n";
    for (const auto& [project, lines] : FProjects) {
        if (lines.empty()) continue;
        text += "P " + Escaped(project) + '\n';
        for (const std::string& line : lines) text += "C " + Escaped(line) + '\n';
    }

    // A reader never sees half a file: the text goes to a fresh file beside it, which
    // then takes the old one's place.
    const std::filesystem::path target = platform::PathFromUtf8(FFileName);
    std::filesystem::path fresh = target;
    fresh += ".new";
    bool written = false;
    {
        std::ofstream file(fresh, std::ios::binary | std::ios::trunc);
        written = file && file.write(text.data(), std::streamsize(text.size())) && file.flush();
    }
    std::error_code error;
    if (written) std::filesystem::rename(fresh, target, error);
    if (!written || error) {
        std::filesystem::remove(fresh, error);
        throw Exception("Unable to write to " + FFileName);
    }
}
