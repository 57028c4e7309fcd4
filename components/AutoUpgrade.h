#pragma once

#include "components/HttpClient.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

// Raised when the downloaded update description names a newer version: the version text
// as read, the download address and the message for the user.
using TOnNewVersionFoundEvent = std::function<void(const std::string& ANewVersionNumber,
                                                   const std::string& ANewDownloadLink,
                                                   const std::string& AUserMessage)>;

namespace autoupgrade {

// True when ARemoteVersion names a later version than ACurrentVersion. Both are decimal
// numbers separated by "."; they are compared part by part from the left, a missing part
// counting as 0. An empty remote version is never newer. Throws Exception naming the first
// part that is not an unsigned 32-bit decimal number.
bool IsNewerVersion(const std::string& ARemoteVersion, const std::string& ACurrentVersion);

// "System Error.  Code: <code>." and the system's text on the next line; for code 0,
// "A call to an OS function failed".
std::string OSErrorMessage(int ACode);

}  // namespace autoupgrade

// Checks a web server for a newer version of the running program: downloads the update
// description (an INI file) by HTTP GET, keeps it as "version.ini" in a local folder, and
// compares the version number in it with the running executable's file version.
class TAutoUpgrade {
public:
    TAutoUpgrade();
    ~TAutoUpgrade();
    TAutoUpgrade(const TAutoUpgrade&) = delete;
    TAutoUpgrade& operator=(const TAutoUpgrade&) = delete;

    const std::string& RemoteINIFileURL() const { return FRemoteINIFileURL; }
    void setRemoteINIFileURL(const std::string& AValue) { FRemoteINIFileURL = AValue; }
    const std::string& INIVersionNumberSectionName() const { return FINIVersionNumberSectionName; }
    void setINIVersionNumberSectionName(const std::string& AValue) { FINIVersionNumberSectionName = AValue; }
    const std::string& INIVersionNumberIdentName() const { return FINIVersionNumberIdentName; }
    void setINIVersionNumberIdentName(const std::string& AValue) { FINIVersionNumberIdentName = AValue; }
    const std::string& INIDowloadLinkSectionName() const { return FINIDowloadLinkSectionName; }
    void setINIDowloadLinkSectionName(const std::string& AValue) { FINIDowloadLinkSectionName = AValue; }
    const std::string& INIDownloadLinkIdentName() const { return FINIDownloadLinkIdentName; }
    void setINIDownloadLinkIdentName(const std::string& AValue) { FINIDownloadLinkIdentName = AValue; }
    const std::string& INIUserMessageSectionName() const { return FINIUserMessageSectionName; }
    void setINIUserMessageSectionName(const std::string& AValue) { FINIUserMessageSectionName = AValue; }
    const std::string& INIUserMessageIdentName() const { return FINIUserMessageIdentName; }
    void setINIUserMessageIdentName(const std::string& AValue) { FINIUserMessageIdentName = AValue; }
    // Folder of the local copy; "version.ini" is appended as is, so it should end with a separator.
    const std::string& RemoteINIFileLocalPath() const { return FRemoteINIFileLocalPath; }
    void setRemoteINIFileLocalPath(const std::string& AValue) { FRemoteINIFileLocalPath = AValue; }
    const TUpgradeTimeouts& Timeouts() const { return FTimeouts; }
    void setTimeouts(const TUpgradeTimeouts& AValue) { FTimeouts = AValue; }

    // File version of the running executable, "major.minor.release.build", read anew on each
    // call. Throws Exception when the executable has no readable version block.
    std::string AppCurrentVersion() const;

    // One check: true when the server names a newer version (the event has then been raised
    // if assigned), false when it names none or no newer one. Every failure throws Exception.
    bool Update();

    TOnNewVersionFoundEvent OnNewVersionFoundEvent;

private:
    bool CheckDownloaded(const std::string& ALocalPath);

    std::string msHttpData;
    std::unique_ptr<THttpClient> idHTTP;
    std::string FINIUserMessageIdentName = "MESSAGE";
    std::string FINIVersionNumberSectionName = "VERSION";
    std::string FINIDowloadLinkSectionName = "DOWNLOAD";
    std::string FINIVersionNumberIdentName = "NUMBER";
    std::string FRemoteINIFileURL = "http://";
    std::string FINIUserMessageSectionName = "USER";
    std::string FINIDownloadLinkIdentName = "URL";
    std::string FRemoteINIFileLocalPath;
    TUpgradeTimeouts FTimeouts;
};
