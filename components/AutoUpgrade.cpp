#include "components/AutoUpgrade.h"

#include "components/Exception.h"
#include "platform/AtomicFile.h"
#include "platform/ModuleFileName.h"
#include "platform/PrivateProfile.h"
#include "platform/VersionResource.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

std::uint32_t ParseVersionPart(std::string_view part) {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
    if (part.empty() || error != std::errc() || end != part.data() + part.size())
        throw Exception("'" + std::string(part) + "' is not a valid integer value");
    return value;
}

std::vector<std::uint32_t> ParseVersion(const std::string& version) {
    std::vector<std::uint32_t> parts;
    if (version.empty()) return parts;
    std::size_t start = 0;
    for (;;) {
        const auto dot = version.find('.', start);
        parts.push_back(ParseVersionPart(std::string_view(version).substr(start, dot - start)));
        if (dot == std::string::npos) return parts;
        start = dot + 1;
    }
}

// Replaces the local copy with `bytes` in one step, so a failure leaves the previous
// copy as it was.
void ReplaceLocalCopy(const std::string& path, const std::string& bytes) {
    const platform::TReplaceResult result = platform::ReplaceFileContents(path, bytes);
    switch (result.Stage) {
    case platform::TReplaceStage::None: return;
    case platform::TReplaceStage::Write: throw Exception("Stream write error");
    case platform::TReplaceStage::Create:
    case platform::TReplaceStage::Replace:
        throw Exception("Cannot create file \"" + path + "\". " + std::strerror(result.Error));
    }
}

}  // namespace

namespace autoupgrade {

bool IsNewerVersion(const std::string& ARemoteVersion, const std::string& ACurrentVersion) {
    if (ARemoteVersion.empty()) return false;
    const auto remote = ParseVersion(ARemoteVersion);
    const auto current = ParseVersion(ACurrentVersion);
    for (std::size_t i = 0; i < std::max(remote.size(), current.size()); ++i) {
        const std::uint32_t remotePart = i < remote.size() ? remote[i] : 0;
        const std::uint32_t currentPart = i < current.size() ? current[i] : 0;
        if (remotePart != currentPart) return remotePart > currentPart;
    }
    return false;
}

std::string OSErrorMessage(int ACode) {
    if (ACode == 0) return "A call to an OS function failed";
    return "System Error.  Code: " + std::to_string(ACode) + ".\n" + std::strerror(ACode);
}

}  // namespace autoupgrade

TAutoUpgrade::TAutoUpgrade() : idHTTP(std::make_unique<THttpClient>()) {}

TAutoUpgrade::~TAutoUpgrade() = default;

std::string TAutoUpgrade::AppCurrentVersion() const {
    const std::string fileName = platform::ModuleFileName();
    if (fileName.empty()) throw Exception(autoupgrade::OSErrorMessage(ENOENT));
    const std::uint32_t size = platform::GetFileVersionInfoSize(fileName);
    if (size == 0) throw Exception(autoupgrade::OSErrorMessage(ENODATA));
    std::vector<std::uint8_t> block(size);
    const void* value = nullptr;
    std::uint32_t length = 0;
    if (!platform::GetFileVersionInfo(fileName, block) || !platform::VerQueryValue(block, "\\", value, length) ||
        !value || length < platform::kFixedFileInfoBytes)
        throw Exception(autoupgrade::OSErrorMessage(ENODATA));

    const platform::VS_FIXEDFILEINFO info = platform::FixedFileInfoFromBytes(value);
    return std::to_string(info.dwFileVersionMS >> 16) + "." + std::to_string(info.dwFileVersionMS & 0xFFFF) +
           "." + std::to_string(info.dwFileVersionLS >> 16) + "." + std::to_string(info.dwFileVersionLS & 0xFFFF);
}

bool TAutoUpgrade::Update() {
    // Whatever happens, the buffer is released: the next check starts from nothing.
    struct TBufferRelease {
        std::string& Data;
        ~TBufferRelease() { std::string().swap(Data); }
    } release{msHttpData};

    try {
        msHttpData.clear();
        // Until the program knows its data folder (an empty or relative path, such as the
        // stored "c:\\" on a system where that is a plain name), nothing is fetched or written.
        if (!platform::PathFromUtf8(FRemoteINIFileLocalPath).is_absolute())
            throw Exception("The folder for the update description is not known.");
        idHTTP->Get(FRemoteINIFileURL, FTimeouts, msHttpData);
        const std::string localPath = FRemoteINIFileLocalPath + "version.ini";
        ReplaceLocalCopy(localPath, msHttpData);
        return CheckDownloaded(localPath);
    } catch (const std::exception& error) {
        throw Exception(error.what());
    } catch (...) {
        throw Exception("The update check failed.");
    }
}

// Reads the three values from the local copy and raises the event when its version is newer.
bool TAutoUpgrade::CheckDownloaded(const std::string& ALocalPath) {
    const std::string version =
        platform::GetPrivateProfileString(FINIVersionNumberSectionName, FINIVersionNumberIdentName, "", ALocalPath);
    const std::string link =
        platform::GetPrivateProfileString(FINIDowloadLinkSectionName, FINIDownloadLinkIdentName, "", ALocalPath);
    const std::string message =
        platform::GetPrivateProfileString(FINIUserMessageSectionName, FINIUserMessageIdentName, "", ALocalPath);
    if (!autoupgrade::IsNewerVersion(version, AppCurrentVersion())) return false;
    if (OnNewVersionFoundEvent) OnNewVersionFoundEvent(version, link, message);
    return true;
}
