#include "components/CookieJar.h"

#include "components/TextRules.h"
#include "platform/HttpTransport.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <ctime>
#include <optional>

namespace {

// Control characters (below U+0020, and DEL) would end or split the header line.
bool HasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

// Max-Age of zero or less, or (without Max-Age) an expiry date in the past.
bool Expired(std::string_view attributes) {
    std::optional<long long> maxAge;
    std::optional<std::time_t> expires;
    while (!attributes.empty()) {
        const auto end = attributes.find(';');
        const std::string_view attribute = attributes.substr(0, end);
        attributes = end == std::string_view::npos ? std::string_view() : attributes.substr(end + 1);
        const auto equals = attribute.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string key = LowerAscii(TrimBlanks(attribute.substr(0, equals)));
        const std::string value = TrimBlanks(attribute.substr(equals + 1));
        if (key == "max-age") {
            long long seconds = 0;
            const auto [ptr, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
            if (error == std::errc() && ptr == value.data() + value.size()) maxAge = seconds;
        } else if (key == "expires") {
            const std::time_t when = platform::HttpDate(value);
            if (when != -1) expires = when;
        }
    }
    if (maxAge) return *maxAge <= 0;
    return expires && *expires < std::time(nullptr);
}

}  // namespace

void TCookieJar::Take(const std::string& origin, std::string_view setCookie) {
    const auto pairEnd = setCookie.find(';');
    const std::string_view pair = setCookie.substr(0, pairEnd);
    const auto equals = pair.find('=');
    if (origin.empty() || equals == std::string_view::npos) return;
    const std::string name = TrimBlanks(pair.substr(0, equals));
    const std::string value = TrimBlanks(pair.substr(equals + 1));
    if (name.empty() || HasControlCharacter(name) || HasControlCharacter(value) ||
        name.size() + 1 + value.size() > kMaxCookieBytes)
        return;
    const bool expired =
        Expired(pairEnd == std::string_view::npos ? std::string_view() : setCookie.substr(pairEnd + 1));

    auto place = std::find_if(FOrigins.begin(), FOrigins.end(),
                              [&](const auto& entry) { return entry.first == origin; });
    if (place == FOrigins.end()) {
        if (expired) return;
        if (FOrigins.size() >= kMaxOrigins) FOrigins.erase(FOrigins.begin());
        FOrigins.emplace_back(origin, TCookies());
        place = std::prev(FOrigins.end());
    } else {
        // The origin set last is kept longest.
        std::rotate(place, std::next(place), FOrigins.end());
        place = std::prev(FOrigins.end());
    }

    TCookies& cookies = place->second;
    const auto existing =
        std::find_if(cookies.begin(), cookies.end(), [&](const auto& cookie) { return cookie.first == name; });
    if (expired) {
        if (existing != cookies.end()) cookies.erase(existing);
        if (cookies.empty()) FOrigins.erase(place);
        return;
    }
    if (existing != cookies.end()) existing->second = value;
    else if (cookies.size() < kMaxCookiesPerOrigin) cookies.emplace_back(name, value);
}

std::string TCookieJar::Header(const std::string& origin) const {
    std::string header;
    for (const auto& [owner, cookies] : FOrigins) {
        if (owner != origin) continue;
        for (const auto& [name, value] : cookies) header += (header.empty() ? "" : "; ") + name + "=" + value;
    }
    return header;
}

std::size_t TCookieJar::Count(const std::string& origin) const {
    for (const auto& [owner, cookies] : FOrigins)
        if (owner == origin) return cookies.size();
    return 0;
}
