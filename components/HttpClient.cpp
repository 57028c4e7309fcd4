#include "components/HttpClient.h"

#include "components/Exception.h"
#include "components/TextRules.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::milliseconds;

constexpr const char* kAcceptHeader = "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";
constexpr const char* kUserAgentHeader = "User-Agent: Mozilla/3.0 (compatible; Indy Library)";
constexpr int kMaxRedirects = 14;
constexpr const char* kTooManyRedirects = "Too many redirects";

std::string FormatDuration(Millis duration) {
    const auto count = duration.count();
    if (count % 1000 != 0) return std::to_string(count) + " milliseconds";
    return count == 1000 ? "1 second" : std::to_string(count / 1000) + " seconds";
}

std::string TotalTimeMessage(const TUpgradeTimeouts& timeouts) {
    return "The update download took longer than " + FormatDuration(timeouts.Total) + ".";
}

}  // namespace

namespace http {

long StatusCode(std::string_view statusLine) {
    const auto blank = statusLine.find(' ');
    long code = 0;
    if (blank != std::string_view::npos)
        std::from_chars(statusLine.data() + blank + 1, statusLine.data() + statusLine.size(), code);
    return code;
}

std::optional<std::string> SetCookieValue(std::string_view headerLine) {
    constexpr std::string_view kName = "set-cookie:";
    if (headerLine.size() < kName.size() || LowerAscii(headerLine.substr(0, kName.size())) != kName) return std::nullopt;
    std::string_view value = headerLine.substr(kName.size());
    while (!value.empty() && (value.back() == '\n' || value.back() == '\r')) value.remove_suffix(1);
    return TrimBlanks(value);
}

std::string OriginOf(const std::string& url) {
    CURLU* parsed = curl_url();
    std::string origin;
    char* host = nullptr;
    char* port = nullptr;
    if (parsed && curl_url_set(parsed, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
        curl_url_get(parsed, CURLUPART_HOST, &host, 0) == CURLUE_OK &&
        curl_url_get(parsed, CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK)
        origin = LowerAscii(host) + ":" + port;
    curl_free(host);
    curl_free(port);
    curl_url_cleanup(parsed);
    return origin;
}

std::string WithoutCredentials(const std::string& url) {
    CURLU* parsed = curl_url();
    std::string result = url;
    char* user = nullptr;
    char* password = nullptr;
    char* cleaned = nullptr;
    if (parsed && curl_url_set(parsed, CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK &&
        (curl_url_get(parsed, CURLUPART_USER, &user, 0) == CURLUE_OK ||
         curl_url_get(parsed, CURLUPART_PASSWORD, &password, 0) == CURLUE_OK) &&
        curl_url_set(parsed, CURLUPART_USER, nullptr, 0) == CURLUE_OK &&
        curl_url_set(parsed, CURLUPART_PASSWORD, nullptr, 0) == CURLUE_OK &&
        curl_url_set(parsed, CURLUPART_OPTIONS, nullptr, 0) == CURLUE_OK &&
        curl_url_get(parsed, CURLUPART_URL, &cleaned, 0) == CURLUE_OK)
        result = cleaned;
    curl_free(user);
    curl_free(password);
    curl_free(cleaned);
    curl_url_cleanup(parsed);
    return result;
}

}  // namespace http

// The state of the transfer in progress, shared with libcurl's callbacks.
struct THttpClient::TTransfer {
    enum class TStop { None, Stall, TooLarge, InterimStatus };

    std::string StatusLine;
    long Code = 0;
    std::vector<std::string> SetCookies;
    std::string* Body = nullptr;
    std::size_t Discarded = 0;  // bytes of a body that is not kept
    TStop Stop = TStop::None;
    bool Connected = false;
    Clock::time_point LastActivity;
    Millis StallLimit{0};
    char ErrorBuffer[CURL_ERROR_SIZE] = {};

    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
        auto& transfer = *static_cast<TTransfer*>(self);
        const std::size_t length = size * count;
        transfer.LastActivity = Clock::now();
        std::string_view line(data, length);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
        if (line.starts_with("HTTP/")) {
            transfer.StatusLine = std::string(line);
            transfer.Code = http::StatusCode(line);
            transfer.SetCookies.clear();
            // Only 100 is waited through; any other interim answer ends the download.
            if (transfer.Code > 100 && transfer.Code < 200) {
                transfer.Stop = TStop::InterimStatus;
                return 0;
            }
        } else if (auto value = http::SetCookieValue(line)) {
            transfer.SetCookies.push_back(std::move(*value));
        }
        return length;
    }

    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self) {
        auto& transfer = *static_cast<TTransfer*>(self);
        const std::size_t length = size * count;
        transfer.LastActivity = Clock::now();
        const bool kept = transfer.Code >= 200 && transfer.Code < 300;
        const std::size_t received = (kept ? transfer.Body->size() : transfer.Discarded) + length;
        if (received > http::kMaxBodyBytes) {
            transfer.Stop = TStop::TooLarge;
            return 0;
        }
        if (!kept) {
            transfer.Discarded = received;
            return length;
        }
        transfer.Body->append(data, length);
        return length;
    }

    static int OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
        auto& transfer = *static_cast<TTransfer*>(self);
        if (!transfer.Connected || Clock::now() - transfer.LastActivity < transfer.StallLimit) return 0;
        transfer.Stop = TStop::Stall;
        return 1;
    }

    static int OnConnected(void* self, char*, char*, int, int) {
        auto& transfer = *static_cast<TTransfer*>(self);
        transfer.Connected = true;
        transfer.LastActivity = Clock::now();
        return CURL_PREREQFUNC_OK;
    }
};

THttpClient::THttpClient() : FCurl(curl_easy_init()), FTransfer(std::make_unique<TTransfer>()) {
    if (!FCurl) throw Exception("The HTTP client could not be initialised.");
    CURL* curl = FCurl;
    TTransfer* transfer = FTransfer.get();
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    // No proxy option: the transfer takes the proxy that the environment names
    // (http_proxy, https_proxy, no_proxy), as the user's other network tools do.
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(curl, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, transfer->ErrorBuffer);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &TTransfer::OnHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, transfer);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &TTransfer::OnBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &TTransfer::OnProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, transfer);
    curl_easy_setopt(curl, CURLOPT_PREREQFUNCTION, &TTransfer::OnConnected);
    curl_easy_setopt(curl, CURLOPT_PREREQDATA, transfer);
}

THttpClient::~THttpClient() { curl_easy_cleanup(static_cast<CURL*>(FCurl)); }

void THttpClient::Get(const std::string& url, const TUpgradeTimeouts& timeouts, std::string& body) {
    body.clear();
    FTransfer->Body = &body;
    FTransfer->StallLimit = timeouts.Stall;
    const auto deadline = Clock::now() + timeouts.Total;
    // Credentials are never sent, neither those of the address nor those a redirect names.
    std::string address = http::WithoutCredentials(url);
    for (int redirects = 0;;) {
        Request(address, deadline, timeouts);
        const long code = FTransfer->Code;
        if (code >= 200 && code < 300) return;
        char* location = nullptr;
        curl_easy_getinfo(static_cast<CURL*>(FCurl), CURLINFO_REDIRECT_URL, &location);
        if (code < 300 || code >= 400 || code == 304 || !location) throw Exception(FTransfer->StatusLine);
        // A loop of redirects is a failed download, not an empty one.
        if (++redirects > kMaxRedirects) throw Exception(kTooManyRedirects);
        address = http::WithoutCredentials(location);
    }
}

// One request and its answer; the body goes to the transfer's body only for a 2xx answer.
void THttpClient::Request(const std::string& url, Clock::time_point deadline, const TUpgradeTimeouts& timeouts) {
    const auto remaining = std::chrono::ceil<Millis>(deadline - Clock::now());
    if (remaining <= Millis(0)) throw Exception(TotalTimeMessage(timeouts));
    const std::string origin = http::OriginOf(url);
    CURL* curl = static_cast<CURL*>(FCurl);
    TTransfer& transfer = *FTransfer;

    curl_slist* headers = curl_slist_append(nullptr, kAcceptHeader);
    headers = curl_slist_append(headers, kUserAgentHeader);
    const std::string cookies = FCookies.Header(origin);
    if (!cookies.empty()) headers = curl_slist_append(headers, ("Cookie: " + cookies).c_str());
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeouts.Connect.count()));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(remaining.count()));

    transfer.StatusLine.clear();
    transfer.Code = 0;
    transfer.SetCookies.clear();
    transfer.Discarded = 0;
    transfer.Stop = TTransfer::TStop::None;
    transfer.Connected = false;
    transfer.ErrorBuffer[0] = '\0';
    const CURLcode result = curl_easy_perform(curl);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(headers);
    for (const auto& setCookie : transfer.SetCookies) FCookies.Take(origin, setCookie);

    if (result == CURLE_OK) return;
    switch (transfer.Stop) {
    case TTransfer::TStop::Stall:
        throw Exception("The update server stopped sending data for " + FormatDuration(timeouts.Stall) + ".");
    case TTransfer::TStop::TooLarge:
        if (transfer.Code >= 200 && transfer.Code < 300) throw Exception("The update description is too large.");
        if (transfer.Code >= 300 && transfer.Code < 400) throw Exception("The update server's answer is too large.");
        throw Exception(transfer.StatusLine);
    case TTransfer::TStop::InterimStatus: throw Exception(transfer.StatusLine);
    case TTransfer::TStop::None: break;
    }
    if (result == CURLE_OPERATION_TIMEDOUT) {
        if (!transfer.Connected && timeouts.Connect < remaining)
            throw Exception("The update server could not be reached within " + FormatDuration(timeouts.Connect) +
                            ".");
        throw Exception(TotalTimeMessage(timeouts));
    }
    throw Exception(transfer.ErrorBuffer[0] ? transfer.ErrorBuffer : curl_easy_strerror(result));
}
