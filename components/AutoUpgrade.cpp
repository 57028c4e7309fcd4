#include "components/AutoUpgrade.h"

#include "components/Exception.h"
#include "platform/ModuleFileName.h"
#include "platform/PrivateProfile.h"
#include "platform/VersionResource.h"
#include "platform/Utf8.h"

#include <fcntl.h>
#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <utility>
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

// The few file calls of ReplaceFile, on POSIX descriptors or the Windows C runtime's.
// Names are UTF-8; Windows gets them as UTF-16. Failures leave errno set.
#ifdef _WIN32
int OpenNewFile(const std::string& path) {
    return ::_wopen(platform::PathFromUtf8(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_NOINHERIT | _O_BINARY,
                    _S_IREAD | _S_IWRITE);
}
long long WriteSome(int fd, const char* data, std::size_t count) {
    return ::_write(fd, data, static_cast<unsigned>(std::min<std::size_t>(count, 1u << 30)));
}
int FlushToDisk(int fd) { return ::_commit(fd); }
int CloseFile(int fd) { return ::_close(fd); }
void RemoveFile(const std::string& path) { ::_wunlink(platform::PathFromUtf8(path).c_str()); }
// Replaces an existing target, as rename does on POSIX. Returns the reason on failure.
std::string RenameOver(const std::string& from, const std::string& to) {
    std::error_code error;
    std::filesystem::rename(platform::PathFromUtf8(from), platform::PathFromUtf8(to), error);
    return error ? error.message() : std::string();
}
#else
int OpenNewFile(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}
long long WriteSome(int fd, const char* data, std::size_t count) { return ::write(fd, data, count); }
int FlushToDisk(int fd) { return ::fsync(fd); }
int CloseFile(int fd) { return ::close(fd); }
void RemoveFile(const std::string& path) { ::unlink(path.c_str()); }
std::string RenameOver(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0 ? std::string() : std::strerror(errno);
}
#endif

void CloseAndRemove(int fd, const std::string& path) {
    CloseFile(fd);
    RemoveFile(path);
}

// Replaces the file at `path` with `bytes`: written to a new file beside it, then renamed
// into place, so a failure leaves the previous file as it was.
void ReplaceFile(const std::string& path, const std::string& bytes) {
    std::random_device random;
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x", static_cast<unsigned>(random()));
        temporary = path + suffix;
        fd = OpenNewFile(temporary);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) throw Exception("Cannot create file \"" + path + "\". " + std::strerror(errno));

    for (std::size_t written = 0; written < bytes.size();) {
        const long long count = WriteSome(fd, bytes.data() + written, bytes.size() - written);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) {
            CloseAndRemove(fd, temporary);
            throw Exception("Stream write error");
        }
        written += static_cast<std::size_t>(count);
    }
    if (FlushToDisk(fd) != 0) {
        CloseAndRemove(fd, temporary);
        throw Exception("Stream write error");
    }
    if (CloseFile(fd) != 0) {
        RemoveFile(temporary);
        throw Exception("Stream write error");
    }
    if (const std::string reason = RenameOver(temporary, path); !reason.empty()) {
        RemoveFile(temporary);
        throw Exception("Cannot create file \"" + path + "\". " + reason);
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
        ReplaceFile(localPath, msHttpData);
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
