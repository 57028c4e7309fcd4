#include "components/HttpClient.h"

#include "components/Exception.h"
#include "components/TextRules.h"

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

std::string OriginOf(const std::string& url) { return platform::HttpOrigin(url); }

std::string WithoutCredentials(const std::string& url) { return platform::HttpWithoutCredentials(url); }

}  // namespace http

// What the client reads of the answer in progress.
struct THttpClient::TAnswer {
    enum class TStop { None, TooLarge, InterimStatus };

    std::string StatusLine;
    long Code = 0;
    std::vector<std::string> SetCookies;
    std::string* Body = nullptr;
    std::size_t Discarded = 0;  // bytes of a body that is not kept
    TStop Stop = TStop::None;

    bool OnHeaderLine(std::string_view line) {
        if (line.starts_with("HTTP/")) {
            StatusLine = std::string(line);
            Code = http::StatusCode(line);
            SetCookies.clear();
            // Only 100 is waited through; any other interim answer ends the download.
            if (Code > 100 && Code < 200) {
                Stop = TStop::InterimStatus;
                return false;
            }
        } else if (auto value = http::SetCookieValue(line)) {
            SetCookies.push_back(std::move(*value));
        }
        return true;
    }

    bool OnBody(std::string_view data) {
        const bool kept = Code >= 200 && Code < 300;
        const std::size_t received = (kept ? Body->size() : Discarded) + data.size();
        if (received > http::kMaxBodyBytes) {
            Stop = TStop::TooLarge;
            return false;
        }
        if (kept) Body->append(data);
        else Discarded = received;
        return true;
    }
};

THttpClient::THttpClient() = default;

THttpClient::~THttpClient() = default;

void THttpClient::Get(const std::string& url, const TUpgradeTimeouts& timeouts, std::string& body) {
    body.clear();
    TAnswer answer;
    answer.Body = &body;
    const auto deadline = Clock::now() + timeouts.Total;
    // Credentials are never sent, neither those of the address nor those a redirect names.
    std::string address = http::WithoutCredentials(url);
    for (int redirects = 0;;) {
        const std::string location = Request(address, deadline, timeouts, answer);
        const long code = answer.Code;
        if (code >= 200 && code < 300) return;
        if (code < 300 || code >= 400 || code == 304 || location.empty()) throw Exception(answer.StatusLine);
        // A loop of redirects is a failed download, not an empty one.
        if (++redirects > kMaxRedirects) throw Exception(kTooManyRedirects);
        address = http::WithoutCredentials(location);
    }
}

// One request and its answer; the body goes to the answer's body only for a 2xx answer.
std::string THttpClient::Request(const std::string& url, Clock::time_point deadline,
                                 const TUpgradeTimeouts& timeouts, TAnswer& answer) {
    const auto remaining = std::chrono::ceil<Millis>(deadline - Clock::now());
    if (remaining <= Millis(0)) throw Exception(TotalTimeMessage(timeouts));
    const std::string origin = http::OriginOf(url);

    platform::THttpExchange exchange;
    exchange.Url = url;
    exchange.Headers = {kAcceptHeader, kUserAgentHeader};
    const std::string cookies = FCookies.Header(origin);
    if (!cookies.empty()) exchange.Headers.push_back("Cookie: " + cookies);
    exchange.ConnectLimit = timeouts.Connect;
    exchange.StallLimit = timeouts.Stall;
    exchange.TotalLimit = remaining;
    exchange.OnHeaderLine = [&answer](std::string_view line) { return answer.OnHeaderLine(line); };
    exchange.OnBody = [&answer](std::string_view data) { return answer.OnBody(data); };

    answer.StatusLine.clear();
    answer.Code = 0;
    answer.SetCookies.clear();
    answer.Discarded = 0;
    answer.Stop = TAnswer::TStop::None;
    const platform::THttpResult result = FTransport.Get(exchange);
    for (const auto& setCookie : answer.SetCookies) FCookies.Take(origin, setCookie);

    using TEnd = platform::THttpResult::TEnd;
    switch (result.End) {
    case TEnd::Done: return result.Location;
    case TEnd::Stalled:
        throw Exception("The update server stopped sending data for " + FormatDuration(timeouts.Stall) + ".");
    case TEnd::Stopped:
        if (answer.Stop == TAnswer::TStop::TooLarge) {
            if (answer.Code >= 200 && answer.Code < 300) throw Exception("The update description is too large.");
            if (answer.Code >= 300 && answer.Code < 400) throw Exception("The update server's answer is too large.");
        }
        throw Exception(answer.StatusLine);
    case TEnd::TimedOut:
        if (!result.Connected && timeouts.Connect < remaining)
            throw Exception("The update server could not be reached within " + FormatDuration(timeouts.Connect) +
                            ".");
        throw Exception(TotalTimeMessage(timeouts));
    case TEnd::Failed: break;
    }
    throw Exception(result.Error);
}
