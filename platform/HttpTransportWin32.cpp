#include "platform/HttpTransport.h"

#include "platform/WideTextWin32.h"

#include <winhttp.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::milliseconds;

// The pieces of an address that a request needs.
struct TAddress {
    bool Secure = false;
    std::string Scheme;     // "http" or "https"
    std::string Authority;  // as written, without credentials: "host", "host:8080", "[::1]:8080"
    std::wstring Host;      // for WinHttpConnect: without brackets
    INTERNET_PORT Port = 0;
    std::string Target;     // path and query, "/" when the address has neither
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Splits "scheme://[user[:password]@]authority[/path][?query][#fragment]"; false when the
// address has no scheme, an unknown one or no host.
bool ParseAddress(const std::string& url, TAddress& address, std::string* error = nullptr) {
    const auto schemeEnd = url.find("://");
    if (schemeEnd == std::string::npos || schemeEnd == 0) {
        if (error) *error = "URL using bad/illegal format or missing URL";
        return false;
    }
    address.Scheme = Lower(url.substr(0, schemeEnd));
    if (address.Scheme != "http" && address.Scheme != "https") {
        if (error) *error = "Protocol \"" + url.substr(0, schemeEnd) + "\" not supported";
        return false;
    }
    address.Secure = address.Scheme == "https";
    const std::size_t start = schemeEnd + 3;
    const std::size_t end = std::min(url.find_first_of("/?#", start), url.size());
    std::string authority = url.substr(start, end - start);
    if (const auto at = authority.rfind('@'); at != std::string::npos) authority.erase(0, at + 1);
    std::string host = authority;
    std::string port;
    if (!host.empty() && host.front() == '[') {
        const auto close = host.find(']');
        if (close == std::string::npos) host.clear();
        else {
            if (close + 1 < host.size() && host[close + 1] == ':') port = host.substr(close + 2);
            host = host.substr(1, close - 1);
        }
    } else if (const auto colon = host.rfind(':'); colon != std::string::npos) {
        port = host.substr(colon + 1);
        host.erase(colon);
    }
    unsigned long number = address.Secure ? 443 : 80;
    if (!port.empty()) {
        if (port.size() > 5 || !std::all_of(port.begin(), port.end(), [](unsigned char c) { return std::isdigit(c); }))
            host.clear();
        else number = std::stoul(port);
    }
    if (host.empty() || number == 0 || number > 65535) {
        if (error) *error = "URL using bad/illegal format or missing URL";
        return false;
    }
    address.Authority = authority;
    address.Host = ToWide(host);
    address.Port = static_cast<INTERNET_PORT>(number);
    address.Target = url.substr(end, url.find('#', end) == std::string::npos ? std::string::npos
                                                                           : url.find('#', end) - end);
    if (address.Target.empty() || address.Target.front() == '?') address.Target.insert(0, "/");
    return true;
}

// The "Host" header's value: the port only when it is not the scheme's own.
std::string HostHeader(const TAddress& address) {
    std::string authority = address.Authority;
    const std::string defaultPort = address.Secure ? ":443" : ":80";
    if (authority.size() > defaultPort.size() && authority.ends_with(defaultPort) && authority.back() != ']')
        authority.erase(authority.size() - defaultPort.size());
    return authority;
}

// A Location header's value resolved against the address it came from.
std::string Resolve(const TAddress& address, const std::string& location) {
    const auto colon = location.find(':');
    if (colon != std::string::npos && location.find_first_of("/?#") > colon) return location;
    if (location.starts_with("//")) return address.Scheme + ":" + location;
    const std::string origin = address.Scheme + "://" + address.Authority;
    if (location.starts_with("/")) return origin + location;
    std::string path = address.Target.substr(0, address.Target.find('?'));
    if (location.starts_with("?")) return origin + path + location;
    return origin + path.substr(0, path.rfind('/') + 1) + location;
}

std::string SystemText(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_FROM_HMODULE;
    const DWORD length = ::FormatMessageW(flags, ::GetModuleHandleW(L"winhttp.dll"), code, 0,
                                          reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = length ? FromWide(text, length) : std::string();
    if (text) ::LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    if (!message.empty()) return message;
    // Where the system has no text (wine's WinHTTP has none), the common ones.
    switch (code) {
    case ERROR_WINHTTP_NAME_NOT_RESOLVED: return "The server name or address could not be resolved";
    case ERROR_WINHTTP_CANNOT_CONNECT: return "A connection with the server could not be established";
    case ERROR_WINHTTP_CONNECTION_ERROR: return "The connection with the server was reset or terminated";
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE: return "The server returned an invalid or unrecognized response";
    case ERROR_WINHTTP_SECURE_FAILURE: return "A security error occurred in the secure connection";
    default: return "WinHTTP error " + std::to_string(code);
    }
}

// A timeout: WinHTTP's own code, or the socket's (WSAETIMEDOUT), which wine's WinHTTP passes on.
bool IsTimeout(DWORD error) { return error == ERROR_WINHTTP_TIMEOUT || error == 10060; }

DWORD Milliseconds(Millis limit) {
    return static_cast<DWORD>(std::clamp<Millis::rep>(limit.count(), 1, 0x7fffffff));
}

// Closes a WinHTTP handle at the end of its scope.
struct THandle {
    HINTERNET Value = nullptr;
    ~THandle() {
        if (Value) ::WinHttpCloseHandle(Value);
    }
};

}  // namespace

// The WinHTTP session, for the transport's life.
struct THttpTransport::TState {
    HINTERNET Session = nullptr;
};

THttpTransport::THttpTransport() : FState(std::make_unique<TState>()) {
    // No agent name: the User-Agent line is among the caller's headers. The proxy is the
    // one configured for WinHTTP on this machine (netsh winhttp set proxy), none by default.
    FState->Session = ::WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                    WINHTTP_NO_PROXY_BYPASS, 0);
    if (!FState->Session) throw std::runtime_error("The HTTP client could not be initialised.");
}

THttpTransport::~THttpTransport() { ::WinHttpCloseHandle(FState->Session); }

THttpResult THttpTransport::Get(const THttpExchange& AExchange) {
    THttpResult result;
    using TEnd = THttpResult::TEnd;
    const auto deadline = Clock::now() + AExchange.TotalLimit;
    const auto remaining = [&deadline] { return std::chrono::ceil<Millis>(deadline - Clock::now()); };

    TAddress address;
    if (!ParseAddress(AExchange.Url, address, &result.Error)) return result;
    THandle connection{::WinHttpConnect(FState->Session, address.Host.c_str(), address.Port, 0)};
    // The path and query go out as written, as the POSIX side sends them.
    THandle request{connection.Value
                        ? ::WinHttpOpenRequest(connection.Value, L"GET", ToWide(address.Target).c_str(), nullptr,
                                               WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                               WINHTTP_FLAG_ESCAPE_DISABLE | WINHTTP_FLAG_ESCAPE_DISABLE_QUERY |
                                                   (address.Secure ? WINHTTP_FLAG_SECURE : 0))
                        : nullptr};
    if (!request.Value) {
        result.Error = SystemText(::GetLastError());
        return result;
    }
    // Redirects, cookies and authentication are the caller's. Without keep-alive WinHTTP
    // adds no "Connection" line, so the request carries exactly the caller's lines; each
    // request then has a connection of its own.
    DWORD features = WINHTTP_DISABLE_COOKIES | WINHTTP_DISABLE_REDIRECTS | WINHTTP_DISABLE_AUTHENTICATION |
                     WINHTTP_DISABLE_KEEP_ALIVE;
    ::WinHttpSetOption(request.Value, WINHTTP_OPTION_DISABLE_FEATURE, &features, sizeof features);
    const DWORD total = Milliseconds(AExchange.TotalLimit);
    ::WinHttpSetTimeouts(request.Value, static_cast<int>(std::min(Milliseconds(AExchange.ConnectLimit), total)),
                         static_cast<int>(std::min(Milliseconds(AExchange.ConnectLimit), total)),
                         static_cast<int>(total), static_cast<int>(std::min(Milliseconds(AExchange.StallLimit), total)));
    // The wait for the answer's head has a limit of its own.
    DWORD headWait = std::min(Milliseconds(AExchange.StallLimit), total);
    ::WinHttpSetOption(request.Value, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &headWait, sizeof headWait);

    std::string head = "Host: " + HostHeader(address) + "\r\n";
    for (const auto& line : AExchange.Headers) head += line + "\r\n";
    const std::wstring wideHead = ToWide(head);
    if (!::WinHttpAddRequestHeaders(request.Value, wideHead.c_str(), static_cast<DWORD>(wideHead.size()),
                                    WINHTTP_ADDREQ_FLAG_ADD)) {
        result.Error = SystemText(::GetLastError());
        return result;
    }

    // A timeout now, with the server still silent, is the stall limit's or the whole limit's.
    const auto timedOut = [&] {
        result.End = remaining() <= Millis(0) || AExchange.StallLimit >= AExchange.TotalLimit ? TEnd::TimedOut
                                                                                                : TEnd::Stalled;
        return result;
    };
    if (!::WinHttpSendRequest(request.Value, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0)) {
        const DWORD error = ::GetLastError();
        if (IsTimeout(error)) {
            result.End = TEnd::TimedOut;
            return result;
        }
        if (error == ERROR_WINHTTP_CANNOT_CONNECT)
            result.Error = "Failed to connect to " + FromWide(address.Host) + " port " + std::to_string(address.Port) +
                           ": " + SystemText(error);
        else result.Error = SystemText(error);
        return result;
    }
    result.Connected = true;
    if (!::WinHttpReceiveResponse(request.Value, nullptr)) {
        const DWORD error = ::GetLastError();
        if (IsTimeout(error)) return timedOut();
        result.Error = SystemText(error);
        return result;
    }

    // The head as received: the status line, then the header lines.
    DWORD size = 0;
    ::WinHttpQueryHeaders(request.Value, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX, nullptr,
                          &size, WINHTTP_NO_HEADER_INDEX);
    std::wstring rawHead(size / sizeof(wchar_t) + 1, L'\0');
    if (size && ::WinHttpQueryHeaders(request.Value, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX,
                                      rawHead.data(), &size, WINHTTP_NO_HEADER_INDEX)) {
        rawHead.resize(size / sizeof(wchar_t));
        const std::string text = FromWide(rawHead);
        for (std::size_t start = 0; start < text.size();) {
            const auto end = std::min(text.find("\r\n", start), text.size());
            if (end > start && !AExchange.OnHeaderLine(std::string_view(text).substr(start, end - start))) {
                result.End = TEnd::Stopped;
                return result;
            }
            start = end + 2;
        }
    }
    DWORD locationSize = 0;
    ::WinHttpQueryHeaders(request.Value, WINHTTP_QUERY_LOCATION, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &locationSize,
                          WINHTTP_NO_HEADER_INDEX);
    if (locationSize) {
        std::wstring location(locationSize / sizeof(wchar_t) + 1, L'\0');
        if (::WinHttpQueryHeaders(request.Value, WINHTTP_QUERY_LOCATION, WINHTTP_HEADER_NAME_BY_INDEX, location.data(),
                                  &locationSize, WINHTTP_NO_HEADER_INDEX)) {
            location.resize(locationSize / sizeof(wchar_t));
            result.Location = Resolve(address, FromWide(location));
        }
    }

    char buffer[16384];
    for (;;) {
        const Millis left = remaining();
        if (left <= Millis(0)) {
            result.End = TEnd::TimedOut;
            return result;
        }
        DWORD wait = std::min(Milliseconds(AExchange.StallLimit), Milliseconds(left));
        ::WinHttpSetOption(request.Value, WINHTTP_OPTION_RECEIVE_TIMEOUT, &wait, sizeof wait);
        DWORD got = 0;
        if (!::WinHttpReadData(request.Value, buffer, sizeof buffer, &got)) {
            const DWORD error = ::GetLastError();
            if (IsTimeout(error)) return timedOut();
            result.Error = SystemText(error);
            return result;
        }
        if (got == 0) break;
        if (!AExchange.OnBody(std::string_view(buffer, got))) {
            result.End = TEnd::Stopped;
            return result;
        }
    }
    result.End = TEnd::Done;
    return result;
}

std::time_t HttpDate(const std::string& AText) {
    SYSTEMTIME time{};
    FILETIME file{};
    if (!::WinHttpTimeToSystemTime(ToWide(AText).c_str(), &time) || !::SystemTimeToFileTime(&time, &file))
        return -1;
    // 100-nanosecond steps since 1601 to seconds since 1970.
    const unsigned long long steps = (static_cast<unsigned long long>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
    return static_cast<std::time_t>(steps / 10000000ULL) - 11644473600LL;
}

std::string HttpOrigin(const std::string& AUrl) {
    TAddress address;
    if (!ParseAddress(AUrl, address)) return "";
    return Lower(FromWide(address.Host)) + ":" + std::to_string(address.Port);
}

std::string HttpWithoutCredentials(const std::string& AUrl) {
    const auto schemeEnd = AUrl.find("://");
    if (schemeEnd == std::string::npos) return AUrl;
    const std::size_t start = schemeEnd + 3;
    const std::size_t end = std::min(AUrl.find_first_of("/?#", start), AUrl.size());
    const auto at = AUrl.substr(start, end - start).rfind('@');
    if (at == std::string::npos) return AUrl;
    return AUrl.substr(0, start) + AUrl.substr(start + at + 1);
}

}  // namespace platform
