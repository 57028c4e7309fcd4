#include "components/ServiceSettings.h"

#include "components/TextRules.h"
#include "platform/AtomicFile.h"
#include "platform/PrivateProfileText.h"
#include "platform/RegularFile.h"

#include <algorithm>
#include <charconv>
#include <map>

namespace {

int Number(const std::string& AText) {
    int value = 0;
    const std::string text = TrimBlanks(AText, " \t\r\n");
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value > 0 ? value : 0;
}

}  // namespace

bool TServiceSettings::StartsWithProject(const std::string& AKey) const {
    return std::find(StartWithProject.begin(), StartWithProject.end(), AKey) != StartWithProject.end();
}

void TServiceSettings::setStartsWithProject(const std::string& AKey, bool AOn) {
    std::erase(StartWithProject, AKey);
    if (AOn) StartWithProject.push_back(AKey);
}

TServiceSettings TServiceSettingsStore::Load(const std::string& AProjectFolder) const {
    TServiceSettings settings;
    if (FFileName.empty() || AProjectFolder.empty()) return settings;
    std::string bytes;
    if (platform::ReadRegularFile(FFileName, kMaxFileBytes, bytes) != 0) return settings;
    std::map<std::string, std::string> values;  // names in lower case
    for (auto& [key, value] : platform::portable::ProfileSection(AProjectFolder, bytes))
        if (value.find('\0') == std::string::npos) values.emplace(LowerAscii(key), std::move(value));
    auto Read = [&](const std::string& AKey) {
        const auto found = values.find(LowerAscii(AKey));
        return found == values.end() ? std::string() : found->second;
    };
    settings.Queue.Connection = Read("QueueConnection");
    settings.Queue.Queue = Read("QueueName");
    settings.Queue.Tries = Number(Read("QueueTries"));
    settings.Queue.TimeoutSeconds = Number(Read("QueueTimeout"));
    // Own1Name/Own1Line, ... and Start1, ... up to the first blank one.
    for (std::size_t i = 1; i <= kMaxEntries; ++i) {
        const std::string name = Read("Own" + std::to_string(i) + "Name");
        if (name.empty()) break;
        settings.Own.push_back({name, Read("Own" + std::to_string(i) + "Line")});
    }
    for (std::size_t i = 1; i <= kMaxEntries; ++i) {
        const std::string key = Read("Start" + std::to_string(i));
        if (key.empty()) break;
        settings.StartWithProject.push_back(key);
    }
    return settings;
}

bool TServiceSettingsStore::Save(const std::string& AProjectFolder, const TServiceSettings& ASettings) const {
    if (FFileName.empty() || AProjectFolder.empty()) return false;
    auto NumberText = [](int AValue) { return AValue > 0 ? std::to_string(AValue) : std::string(); };
    std::vector<std::pair<std::string, std::string>> entries = {
        {"QueueConnection", ASettings.Queue.Connection},
        {"QueueName", ASettings.Queue.Queue},
        {"QueueTries", NumberText(ASettings.Queue.Tries)},
        {"QueueTimeout", NumberText(ASettings.Queue.TimeoutSeconds)}};
    std::size_t count = 0;
    for (const TOwnService& own : ASettings.Own) {
        if (TrimBlanks(own.Name, " \t\r\n").empty() || count == kMaxEntries) continue;
        ++count;
        entries.emplace_back("Own" + std::to_string(count) + "Name", own.Name);
        entries.emplace_back("Own" + std::to_string(count) + "Line", own.CommandLine);
    }
    // A blank entry ends a list: longer lists stored before are cut off there.
    entries.emplace_back("Own" + std::to_string(count + 1) + "Name", "");
    count = 0;
    for (const std::string& key : ASettings.StartWithProject)
        if (!key.empty() && count < kMaxEntries) entries.emplace_back("Start" + std::to_string(++count), key);
    entries.emplace_back("Start" + std::to_string(count + 1), "");
    for (const auto& [key, value] : entries)
        if (!platform::portable::IsWritableEntry(AProjectFolder, key, value)) return false;
    return platform::RewriteFile(FFileName, kMaxFileBytes, [&](std::string& ABytes) {
               ABytes = platform::portable::WriteProfileValues(AProjectFolder, entries, ABytes);
               return 0;
           }) == 0;
}
