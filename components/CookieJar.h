#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Cookies that servers have set, kept per origin ("host:port") in the order they were
// first set. Qt-free and network-free: the HTTP client feeds it the "Set-Cookie" values
// it receives and asks it for the "Cookie" header of the next request.
//
// What a server can make it hold is bounded: a cookie whose name or value holds a
// control character is refused (it would break the request it is sent in), as is one
// longer than kMaxCookieBytes; an origin holds at most kMaxCookiesPerOrigin cookies
// (further new names are dropped, existing ones may still change), and at most
// kMaxOrigins origins are remembered (the one least recently set is forgotten first).
class TCookieJar {
public:
    static constexpr std::size_t kMaxCookieBytes = 4096;  // name, "=" and value
    static constexpr std::size_t kMaxCookiesPerOrigin = 50;
    static constexpr std::size_t kMaxOrigins = 50;

    // Applies one "Set-Cookie" value (the text after "Set-Cookie:") received from
    // `origin`: stores, replaces or, when it has expired, removes the cookie.
    void Take(const std::string& origin, std::string_view setCookie);

    // "a=1; b=2" for `origin`, "" when it has set none.
    std::string Header(const std::string& origin) const;

    std::size_t Count(const std::string& origin) const;

private:
    using TCookies = std::vector<std::pair<std::string, std::string>>;

    // Origins, most recently set last.
    std::vector<std::pair<std::string, TCookies>> FOrigins;
};
