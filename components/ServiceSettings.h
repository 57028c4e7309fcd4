#pragma once

#include "components/Services.h"

#include <optional>
#include <string>
#include <vector>

// What a user set for a project's services: the queue worker's options, services of the
// user's own, and the services that start when the project is selected (by key).
struct TServiceSettings {
    TQueueOptions Queue;
    std::vector<TOwnService> Own;
    std::vector<std::string> StartWithProject;

    bool StartsWithProject(const std::string& AKey) const;
    void setStartsWithProject(const std::string& AKey, bool AOn);
};

// Per-project service settings in an INI file beside settings.ini (services.ini; the
// settings rules, UTF-8): one section per project folder, written whole in one step.
class TServiceSettingsStore {
public:
    static constexpr std::size_t kMaxFileBytes = 4 * 1024 * 1024;
    static constexpr std::size_t kMaxEntries = 200;

    explicit TServiceSettingsStore(std::string AFileName = {}) : FFileName(std::move(AFileName)) {}
    const std::string& FileName() const { return FFileName; }
    void setFileName(const std::string& AValue) { FFileName = AValue; }

    // The stored settings; the defaults when there are none or the file cannot be read.
    TServiceSettings Load(const std::string& AProjectFolder) const;
    // False when the file refused the write (or a value cannot be stored).
    bool Save(const std::string& AProjectFolder, const TServiceSettings& ASettings) const;

private:
    std::string FFileName;
};
