#pragma once

#include "components/AutoUpgrade.h"

#include <string>

// The boundary between the program and its update-check module. The module holds the
// update checker (TAutoUpgrade) and the HTTP library, so that neither is loaded before
// the first check. Both sides are built together from the same sources.

// What one check needs.
struct TUpdateCheckSettings {
    std::string RemoteINIFileURL = "http://";
    std::string INIVersionNumberSectionName = "VERSION";
    std::string INIVersionNumberIdentName = "NUMBER";
    std::string INIDowloadLinkSectionName = "DOWNLOAD";
    std::string INIDownloadLinkIdentName = "URL";
    std::string INIUserMessageSectionName = "USER";
    std::string INIUserMessageIdentName = "MESSAGE";
    std::string RemoteINIFileLocalPath;
    TUpgradeTimeouts Timeouts;
};

// How one check ended: a failure with its message, or whether a newer version was
// found and the three values the update description gives for it.
struct TUpdateCheckOutcome {
    bool Failed = false;
    std::string Error;
    bool Found = false;
    std::string NewVersionNumber;
    std::string NewDownloadLink;
    std::string UserMessage;
};

// The checker inside the module. It keeps its HTTP connection and cookies between
// checks; one check runs at a time. Check() never throws.
class IUpdateCheckModule {
public:
    virtual ~IUpdateCheckModule() = default;
    virtual TUpdateCheckOutcome Check(const TUpdateCheckSettings& ASettings) = 0;
};

// The module's one exported function: a new checker, or nullptr when it cannot be made.
using TCreateUpdateCheckModule = IUpdateCheckModule* (*)();
inline constexpr const char* kCreateUpdateCheckModule = "TarnwickCreateUpdateCheckModule";
