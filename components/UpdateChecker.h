#pragma once

#include "components/UpdateCheck.h"

#include <memory>
#include <string>

// The program's update checker: the same properties, event and Update() as
// TAutoUpgrade, which does the work inside the update-check module. The module (and
// with it the HTTP library) is loaded by the first check, not at start.
//
// A check can also run on another thread: NewCheck() takes a copy of the settings, and
// the job's Run() works on any thread while this object stays free for the caller;
// Finish() then hands the outcome over on the caller's thread.
class TUpdateChecker {
public:
    // One check with the settings of the moment it was made.
    class TJob {
    public:
        TUpdateCheckOutcome Run() const;

    private:
        friend class TUpdateChecker;
        struct TModuleLink;
        TJob(std::shared_ptr<TModuleLink> ALink, TUpdateCheckSettings ASettings)
            : FLink(std::move(ALink)), FSettings(std::move(ASettings)) {}

        std::shared_ptr<TModuleLink> FLink;
        TUpdateCheckSettings FSettings;
    };

    TUpdateChecker();
    // The module is looked for at AModulePath instead of beside the program.
    explicit TUpdateChecker(const std::string& AModulePath);
    ~TUpdateChecker();
    TUpdateChecker(const TUpdateChecker&) = delete;
    TUpdateChecker& operator=(const TUpdateChecker&) = delete;

    const std::string& RemoteINIFileURL() const { return FSettings.RemoteINIFileURL; }
    void setRemoteINIFileURL(const std::string& AValue) { FSettings.RemoteINIFileURL = AValue; }
    const std::string& INIVersionNumberSectionName() const { return FSettings.INIVersionNumberSectionName; }
    void setINIVersionNumberSectionName(const std::string& AValue) { FSettings.INIVersionNumberSectionName = AValue; }
    const std::string& INIVersionNumberIdentName() const { return FSettings.INIVersionNumberIdentName; }
    void setINIVersionNumberIdentName(const std::string& AValue) { FSettings.INIVersionNumberIdentName = AValue; }
    const std::string& INIDowloadLinkSectionName() const { return FSettings.INIDowloadLinkSectionName; }
    void setINIDowloadLinkSectionName(const std::string& AValue) { FSettings.INIDowloadLinkSectionName = AValue; }
    const std::string& INIDownloadLinkIdentName() const { return FSettings.INIDownloadLinkIdentName; }
    void setINIDownloadLinkIdentName(const std::string& AValue) { FSettings.INIDownloadLinkIdentName = AValue; }
    const std::string& INIUserMessageSectionName() const { return FSettings.INIUserMessageSectionName; }
    void setINIUserMessageSectionName(const std::string& AValue) { FSettings.INIUserMessageSectionName = AValue; }
    const std::string& INIUserMessageIdentName() const { return FSettings.INIUserMessageIdentName; }
    void setINIUserMessageIdentName(const std::string& AValue) { FSettings.INIUserMessageIdentName = AValue; }
    const std::string& RemoteINIFileLocalPath() const { return FSettings.RemoteINIFileLocalPath; }
    void setRemoteINIFileLocalPath(const std::string& AValue) { FSettings.RemoteINIFileLocalPath = AValue; }
    const TUpgradeTimeouts& Timeouts() const { return FSettings.Timeouts; }
    void setTimeouts(const TUpgradeTimeouts& AValue) { FSettings.Timeouts = AValue; }

    // One check on the calling thread: NewCheck().Run(), then Finish().
    bool Update();

    TJob NewCheck() const;
    // True when the outcome names a newer version, after raising the event (when
    // assigned). Throws Exception with the check's message when it failed.
    bool Finish(const TUpdateCheckOutcome& AOutcome) const;

    // Where the module is looked for: beside the program, then in the install's module
    // folder beside the program's folder (../lib/<architecture>/tarnwick on Debian).
    static std::string DefaultModulePath();

    TOnNewVersionFoundEvent OnNewVersionFoundEvent;

private:
    std::shared_ptr<TJob::TModuleLink> FLink;
    TUpdateCheckSettings FSettings;
};
