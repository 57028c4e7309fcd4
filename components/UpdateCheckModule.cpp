// The update-check module: built as a loadable module of its own (see CMakeLists.txt),
// never into the program.
#include "components/UpdateCheck.h"

#include <memory>

namespace {

class TUpdateCheckModule final : public IUpdateCheckModule {
public:
    TUpdateCheckOutcome Check(const TUpdateCheckSettings& ASettings) override {
        TUpdateCheckOutcome outcome;
        try {
            if (!FUpgrade) FUpgrade = std::make_unique<TAutoUpgrade>();
            TAutoUpgrade& upgrade = *FUpgrade;
            upgrade.setRemoteINIFileURL(ASettings.RemoteINIFileURL);
            upgrade.setINIVersionNumberSectionName(ASettings.INIVersionNumberSectionName);
            upgrade.setINIVersionNumberIdentName(ASettings.INIVersionNumberIdentName);
            upgrade.setINIDowloadLinkSectionName(ASettings.INIDowloadLinkSectionName);
            upgrade.setINIDownloadLinkIdentName(ASettings.INIDownloadLinkIdentName);
            upgrade.setINIUserMessageSectionName(ASettings.INIUserMessageSectionName);
            upgrade.setINIUserMessageIdentName(ASettings.INIUserMessageIdentName);
            upgrade.setRemoteINIFileLocalPath(ASettings.RemoteINIFileLocalPath);
            upgrade.setTimeouts(ASettings.Timeouts);
            upgrade.OnNewVersionFoundEvent = [&outcome](const std::string& ANewVersionNumber,
                                                        const std::string& ANewDownloadLink,
                                                        const std::string& AUserMessage) {
                outcome.NewVersionNumber = ANewVersionNumber;
                outcome.NewDownloadLink = ANewDownloadLink;
                outcome.UserMessage = AUserMessage;
            };
            outcome.Found = upgrade.Update();
        } catch (const std::exception& error) {
            outcome = {};
            outcome.Failed = true;
            outcome.Error = error.what();
        } catch (...) {
            outcome = {};
            outcome.Failed = true;
            outcome.Error = "The update check failed.";
        }
        if (FUpgrade) FUpgrade->OnNewVersionFoundEvent = nullptr;
        return outcome;
    }

private:
    std::unique_ptr<TAutoUpgrade> FUpgrade;
};

}  // namespace

extern "C" IUpdateCheckModule* TarnwickCreateUpdateCheckModule() {
    try {
        return new TUpdateCheckModule;
    } catch (...) {
        return nullptr;
    }
}
