#include "components/AutoUpgrade.h"

#include "components/Exception.h"
#include "platform/ModuleFileName.h"
#include "platform/PrivateProfile.h"
#include "platform/VersionResource.h"
#include "platform/Utf8.h"

#include <curl/curl.h>
#ifdef _WIN32
// curl.h brings in <windows.h>, whose A/W names would replace the platform functions' names.
#undef GetPrivateProfileString
#undef WritePrivateProfileString
#undef GetFileVersionInfoSize
#undef GetFileVersionInfo
#undef VerQueryValue
#undef VerLanguageName
#endif
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

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::milliseconds;

constexpr const char* kAcceptHeader = "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";
constexpr const char* kUserAgentHeader = "User-Agent: Mozilla/3.0 (compatible; Indy Library)";
constexpr int kMaxRedirects = 14;
constexpr std::size_t kMaxBodyBytes = 1024 * 1024;

std::string Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

std::string Lower(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && Lower(text.substr(0, prefix.size())) == prefix;
}

std::string FormatDuration(Millis duration) {
    const auto count = duration.count();
    if (count % 1000 != 0) return std::to_string(count) + " milliseconds";
    return count == 1000 ? "1 second" : std::to_string(count / 1000) + " seconds";
}

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

// "host:port" of an address (port filled in from the scheme), "" when it does not parse.
std::string OriginOf(const std::string& url) {
    CURLU* parsed = curl_url();
    std::string origin;
    char* host = nullptr;
    char* port = nullptr;
    if (parsed && curl_url_set(parsed, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
        curl_url_get(parsed, CURLUPART_HOST, &host, 0) == CURLUE_OK &&
        curl_url_get(parsed, CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK)
        origin = Lower(host) + ":" + port;
    curl_free(host);
    curl_free(port);
    curl_url_cleanup(parsed);
    return origin;
}

// Cookies the servers have set, per host and port, in the order they were first set.
class TCookieJar {
public:
    // Applies one "Set-Cookie" value received from `origin`.
    void Take(const std::string& origin, std::string_view setCookie) {
        const auto pairEnd = setCookie.find(';');
        const std::string_view pair = setCookie.substr(0, pairEnd);
        const auto equals = pair.find('=');
        if (origin.empty() || equals == std::string_view::npos) return;
        const std::string name = Trim(pair.substr(0, equals));
        if (name.empty()) return;
        auto& cookies = FCookies[origin];
        const auto existing = std::find_if(cookies.begin(), cookies.end(),
                                           [&](const auto& cookie) { return cookie.first == name; });
        if (Expired(pairEnd == std::string_view::npos ? std::string_view() : setCookie.substr(pairEnd + 1))) {
            if (existing != cookies.end()) cookies.erase(existing);
            return;
        }
        const std::string value = Trim(pair.substr(equals + 1));
        if (existing != cookies.end()) existing->second = value;
        else cookies.emplace_back(name, value);
    }

    // "a=1; b=2" for `origin`, "" when it has set none.
    std::string Header(const std::string& origin) const {
        std::string header;
        const auto found = FCookies.find(origin);
        if (found == FCookies.end()) return header;
        for (const auto& [name, value] : found->second)
            header += (header.empty() ? "" : "; ") + name + "=" + value;
        return header;
    }

private:
    // Max-Age of zero or less, or (without Max-Age) an expiry date in the past.
    static bool Expired(std::string_view attributes) {
        std::optional<long long> maxAge;
        std::optional<std::time_t> expires;
        while (!attributes.empty()) {
            const auto end = attributes.find(';');
            const std::string_view attribute = attributes.substr(0, end);
            attributes = end == std::string_view::npos ? std::string_view() : attributes.substr(end + 1);
            const auto equals = attribute.find('=');
            if (equals == std::string_view::npos) continue;
            const std::string key = Lower(Trim(attribute.substr(0, equals)));
            const std::string value = Trim(attribute.substr(equals + 1));
            if (key == "max-age") {
                long long seconds = 0;
                const auto [ptr, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
                if (error == std::errc() && ptr == value.data() + value.size()) maxAge = seconds;
            } else if (key == "expires") {
                const std::time_t when = curl_getdate(value.c_str(), nullptr);
                if (when != -1) expires = when;
            }
        }
        if (maxAge) return *maxAge <= 0;
        return expires && *expires < std::time(nullptr);
    }

    std::map<std::string, std::vector<std::pair<std::string, std::string>>> FCookies;
};

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

// HTTP GET on one libcurl handle, kept for the component's life so that a connection the
// server keeps alive is reused. Redirects and cookies are handled here rather than by
// libcurl, so that every request carries exactly the same headers in the same order.
class TAutoUpgrade::THttpClient {
public:
    THttpClient() : FCurl(curl_easy_init()) {
        if (!FCurl) throw Exception("The HTTP client could not be initialised.");
        curl_easy_setopt(FCurl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(FCurl, CURLOPT_PROXY, "");
        curl_easy_setopt(FCurl, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(FCurl, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(FCurl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
        curl_easy_setopt(FCurl, CURLOPT_PATH_AS_IS, 1L);
        curl_easy_setopt(FCurl, CURLOPT_HTTPGET, 1L);
        curl_easy_setopt(FCurl, CURLOPT_ERRORBUFFER, FErrorBuffer);
        curl_easy_setopt(FCurl, CURLOPT_HEADERFUNCTION, &THttpClient::OnHeader);
        curl_easy_setopt(FCurl, CURLOPT_HEADERDATA, this);
        curl_easy_setopt(FCurl, CURLOPT_WRITEFUNCTION, &THttpClient::OnBody);
        curl_easy_setopt(FCurl, CURLOPT_WRITEDATA, this);
        curl_easy_setopt(FCurl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(FCurl, CURLOPT_XFERINFOFUNCTION, &THttpClient::OnProgress);
        curl_easy_setopt(FCurl, CURLOPT_XFERINFODATA, this);
        curl_easy_setopt(FCurl, CURLOPT_PREREQFUNCTION, &THttpClient::OnConnected);
        curl_easy_setopt(FCurl, CURLOPT_PREREQDATA, this);
    }

    ~THttpClient() { curl_easy_cleanup(FCurl); }
    THttpClient(const THttpClient&) = delete;
    THttpClient& operator=(const THttpClient&) = delete;

    // Puts the body of the answer to a GET of `url` into `body`, following redirects. Throws
    // Exception when the download fails. When redirects do not end, `body` stays empty.
    void Get(const std::string& url, const TUpgradeTimeouts& timeouts, std::string& body) {
        body.clear();
        FBody = &body;
        FStallLimit = timeouts.Stall;
        const auto deadline = Clock::now() + timeouts.Total;
        std::string address = url;
        for (int redirects = 0;;) {
            Request(address, deadline, timeouts);
            const long code = FResponse.Code;
            if (code >= 200 && code < 300) return;
            char* location = nullptr;
            curl_easy_getinfo(FCurl, CURLINFO_REDIRECT_URL, &location);
            if (code < 300 || code >= 400 || code == 304 || !location) throw Exception(FResponse.StatusLine);
            if (++redirects > kMaxRedirects) return;
            address = location;
        }
    }

private:
    enum class TStop { None, Stall, TooLarge, InterimStatus };

    struct TResponse {
        std::string StatusLine;
        long Code = 0;
        std::vector<std::string> SetCookies;
    };

    // One request and its answer; the body goes to FBody only for a 2xx answer.
    void Request(const std::string& url, Clock::time_point deadline, const TUpgradeTimeouts& timeouts) {
        const auto remaining = std::chrono::ceil<Millis>(deadline - Clock::now());
        if (remaining <= Millis(0)) throw Exception(TotalTimeMessage(timeouts));
        const std::string origin = OriginOf(url);

        curl_slist* headers = curl_slist_append(nullptr, kAcceptHeader);
        headers = curl_slist_append(headers, kUserAgentHeader);
        const std::string cookies = FCookies.Header(origin);
        if (!cookies.empty()) headers = curl_slist_append(headers, ("Cookie: " + cookies).c_str());
        curl_easy_setopt(FCurl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(FCurl, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(FCurl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeouts.Connect.count()));
        curl_easy_setopt(FCurl, CURLOPT_TIMEOUT_MS, static_cast<long>(remaining.count()));

        FResponse = {};
        FStop = TStop::None;
        FConnected = false;
        FErrorBuffer[0] = '\0';
        const CURLcode result = curl_easy_perform(FCurl);
        curl_easy_setopt(FCurl, CURLOPT_HTTPHEADER, nullptr);
        curl_slist_free_all(headers);
        for (const auto& setCookie : FResponse.SetCookies) FCookies.Take(origin, setCookie);

        if (result == CURLE_OK) return;
        switch (FStop) {
        case TStop::Stall: throw Exception("The update server stopped sending data for " +
                                           FormatDuration(timeouts.Stall) + ".");
        case TStop::TooLarge: throw Exception("The update description is too large.");
        case TStop::InterimStatus: throw Exception(FResponse.StatusLine);
        case TStop::None: break;
        }
        if (result == CURLE_OPERATION_TIMEDOUT) {
            if (!FConnected && timeouts.Connect < remaining)
                throw Exception("The update server could not be reached within " +
                                FormatDuration(timeouts.Connect) + ".");
            throw Exception(TotalTimeMessage(timeouts));
        }
        throw Exception(FErrorBuffer[0] ? FErrorBuffer : curl_easy_strerror(result));
    }

    static std::string TotalTimeMessage(const TUpgradeTimeouts& timeouts) {
        return "The update download took longer than " + FormatDuration(timeouts.Total) + ".";
    }

    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
        auto& client = *static_cast<THttpClient*>(self);
        const std::size_t length = size * count;
        client.FLastActivity = Clock::now();
        std::string_view line(data, length);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
        if (line.starts_with("HTTP/")) {
            client.FResponse = {std::string(line), StatusCode(line), {}};
            const long code = client.FResponse.Code;
            // Only 100 is waited through; any other interim answer ends the download.
            if (code >= 100 && code < 200 && code != 100) {
                client.FStop = TStop::InterimStatus;
                return 0;
            }
        } else if (StartsWithNoCase(line, "set-cookie:")) {
            client.FResponse.SetCookies.push_back(Trim(line.substr(11)));
        }
        return length;
    }

    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self) {
        auto& client = *static_cast<THttpClient*>(self);
        const std::size_t length = size * count;
        client.FLastActivity = Clock::now();
        if (client.FResponse.Code < 200 || client.FResponse.Code >= 300) return length;
        if (client.FBody->size() + length > kMaxBodyBytes) {
            client.FStop = TStop::TooLarge;
            return 0;
        }
        client.FBody->append(data, length);
        return length;
    }

    static int OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
        auto& client = *static_cast<THttpClient*>(self);
        if (!client.FConnected || Clock::now() - client.FLastActivity < client.FStallLimit) return 0;
        client.FStop = TStop::Stall;
        return 1;
    }

    static int OnConnected(void* self, char*, char*, int, int) {
        auto& client = *static_cast<THttpClient*>(self);
        client.FConnected = true;
        client.FLastActivity = Clock::now();
        return CURL_PREREQFUNC_OK;
    }

    static long StatusCode(std::string_view statusLine) {
        const auto blank = statusLine.find(' ');
        long code = 0;
        if (blank != std::string_view::npos)
            std::from_chars(statusLine.data() + blank + 1, statusLine.data() + statusLine.size(), code);
        return code;
    }

    CURL* FCurl;
    char FErrorBuffer[CURL_ERROR_SIZE] = {};
    TCookieJar FCookies;
    // State of the transfer in progress.
    TResponse FResponse;
    std::string* FBody = nullptr;
    TStop FStop = TStop::None;
    bool FConnected = false;
    Clock::time_point FLastActivity;
    Millis FStallLimit{0};
};

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
