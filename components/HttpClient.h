#pragma once

#include "components/CookieJar.h"
#include "platform/HttpTransport.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// Time limits of one download, redirects included.
struct TUpgradeTimeouts {
    std::chrono::milliseconds Connect{10000};  // to establish a connection
    std::chrono::milliseconds Stall{15000};    // without receiving anything
    std::chrono::milliseconds Total{30000};    // for the whole download
};

// The pieces of an answer's head that the client reads, reachable without a network.
namespace http {

// The largest body the client takes in, of any answer.
constexpr std::size_t kMaxBodyBytes = 1024 * 1024;

// The status code of a status line ("HTTP/1.1 404 Not Found" gives 404); 0 when it
// holds none.
long StatusCode(std::string_view statusLine);

// The value of a "Set-Cookie:" header line (name matched without regard to case, blanks
// and the line end trimmed); nothing for any other line.
std::optional<std::string> SetCookieValue(std::string_view headerLine);

// "host:port" of an address, lower case, the port filled in from the scheme; "" when the
// address does not parse.
std::string OriginOf(const std::string& url);

// The address without the user name and password it may carry ("http://u:p@host/x" gives
// "http://host/x"); an address without them, or one that does not parse, comes back as is.
std::string WithoutCredentials(const std::string& url);

}  // namespace http

// HTTP GET through the system's HTTP service (platform/HttpTransport.h), kept for the
// object's life so that the cookies servers set are sent back. Redirects and cookies are
// handled here rather than by the system, so that every request carries exactly the same
// headers in the same order on every system.
class THttpClient {
public:
    THttpClient();
    ~THttpClient();
    THttpClient(const THttpClient&) = delete;
    THttpClient& operator=(const THttpClient&) = delete;

    // Puts the body of the answer to a GET of `url` into `body`, following redirects. Throws
    // Exception when the download fails, also when a 15th answer in a row is again a redirect.
    void Get(const std::string& url, const TUpgradeTimeouts& timeouts, std::string& body);

    const TCookieJar& Cookies() const { return FCookies; }

private:
    struct TAnswer;

    // One request; the redirect target of its answer, "" when it has none.
    std::string Request(const std::string& url, std::chrono::steady_clock::time_point deadline,
                        const TUpgradeTimeouts& timeouts, TAnswer& answer);

    platform::THttpTransport FTransport;
    TCookieJar FCookies;
};
