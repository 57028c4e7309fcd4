// The head of an update server's answer: the status line, header lines, the cookies
// they set, and the addresses a redirect names.
//
// Input: a series of steps. Their texts come from the front, each ended by "\" and
// one more byte ("\\" stands for a backslash); from the back, two bytes a step choose
// its kind and one of 60 origins.
//
// Oracles: the cookie store never holds a control character, keeps at most its number
// of origins and of cookies per origin, each cookie within its size, each name once;
// a well-formed cookie is stored (room permitting) and an expired one is gone; a step
// changes no other origin's cookies but for the one origin forgotten to make room.
// A header value comes back without blanks around it or its line end; "HTTP/1.1 NNN ..." has status NNN; an address
// without credentials carries none, is left so by a second pass, and keeps its origin.
#include <curl/curl.h>
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "components/CookieJar.h"
#include "components/HttpClient.h"

namespace {

using fuzz::Check;

constexpr std::size_t kOrigins = 60;  // more than the store keeps

bool IsControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

std::vector<std::string> Pieces(const std::string& header) {
    std::vector<std::string> pieces;
    if (header.empty()) return pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = header.find("; ", start);
        pieces.push_back(header.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) return pieces;
        start = end + 2;
    }
}

bool HasName(const std::vector<std::string>& pieces, std::string_view name) {
    return std::any_of(pieces.begin(), pieces.end(),
                       [&](const std::string& piece) { return piece.substr(0, piece.find('=')) == name; });
}

// Checks the store's bounds and returns every origin's header.
std::array<std::string, kOrigins> CheckStore(const TCookieJar& jar, const std::array<std::string, kOrigins>& origins) {
    std::array<std::string, kOrigins> headers;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < kOrigins; ++i) {
        headers[i] = jar.Header(origins[i]);
        Check(std::none_of(headers[i].begin(), headers[i].end(), IsControl), "a stored cookie holds a control character");
        const std::vector<std::string> pieces = Pieces(headers[i]);
        Check(pieces.size() == jar.Count(origins[i]), "the header and the count disagree");
        Check(pieces.size() <= TCookieJar::kMaxCookiesPerOrigin, "an origin holds too many cookies");
        std::set<std::string> names;
        for (const std::string& piece : pieces) {
            Check(piece.size() <= TCookieJar::kMaxCookieBytes, "a cookie is too long");
            Check(piece.find('=') != std::string::npos && piece.find('=') > 0, "a cookie without a name");
            Check(names.insert(piece.substr(0, piece.find('='))).second, "a name is stored twice for one origin");
        }
        kept += pieces.empty() ? 0 : 1;
    }
    Check(kept <= TCookieJar::kMaxOrigins, "too many origins are kept");
    return headers;
}

// Keeps the characters a cookie name may hold.
std::string Token(std::string_view text) {
    std::string token;
    for (char c : text) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-') token += c;
    }
    return token.empty() ? "n" : token;
}

// A value without control characters, ";" or blanks at its ends.
std::string Value(std::string_view text) {
    std::string value;
    for (char c : text) {
        if (!IsControl(c) && c != ';') value += c;
    }
    const std::size_t first = value.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return value.substr(first, value.find_last_not_of(" \t") - first + 1);
}

void CheckAddress(const std::string& url) {
    const std::string cleaned = http::WithoutCredentials(url);
    Check(http::WithoutCredentials(cleaned) == cleaned, "a second pass changed an address without credentials");
    CURLU* parsed = curl_url();
    if (curl_url_set(parsed, CURLUPART_URL, cleaned.c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK) {
        char* part = nullptr;
        Check(curl_url_get(parsed, CURLUPART_USER, &part, 0) != CURLUE_OK, "an address keeps its user name");
        curl_free(part);
        part = nullptr;
        Check(curl_url_get(parsed, CURLUPART_PASSWORD, &part, 0) != CURLUE_OK, "an address keeps its password");
        curl_free(part);
        const std::string origin = http::OriginOf(url);
        if (!origin.empty()) Check(http::OriginOf(cleaned) == origin, "removing credentials changed the origin");
    }
    curl_url_cleanup(parsed);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::array<std::string, kOrigins> origins;
    for (std::size_t i = 0; i < kOrigins; ++i) origins[i] = "host" + std::to_string(i) + ".example:80";

    FuzzedDataProvider input(data, size);
    TCookieJar jar;
    auto headers = CheckStore(jar, origins);
    for (int step = 0; step < 200 && input.remaining_bytes() > 0; ++step) {
        const auto kind = input.ConsumeIntegralInRange<int>(0, 5);
        const auto at = input.ConsumeIntegralInRange<std::size_t>(0, kOrigins - 1);
        const std::string text = input.ConsumeRandomLengthString(8192);
        const std::string& origin = origins[at];
        const bool known = !headers[at].empty();
        const std::size_t countBefore = jar.Count(origin);

        std::string name;
        bool expired = false;
        switch (kind) {
        case 0:  // any Set-Cookie value
            jar.Take(origin, text);
            break;
        case 1:  // any header line
            if (const auto value = http::SetCookieValue(text)) {
                Check(value->empty() || (value->front() != ' ' && value->front() != '\t' &&
                                         value->back() != ' ' && value->back() != '\t'),
                      "a header value is not trimmed");
                if (text.find_first_of("\r\n") == text.size() - 2 && text.ends_with("\r\n")) {
                    Check(value->find_first_of("\r\n") == std::string::npos, "a header value keeps the line end");
                }
                jar.Take(origin, *value);
            }
            break;
        case 2:  // a well-formed cookie
        case 3: {
            name = Token(text.substr(0, 16));
            const std::string value = Value(text.size() > 16 ? std::string_view(text).substr(16) : "");
            jar.Take(origin, name + "=" + value + (kind == 3 ? "; Path=/; Max-Age=3600" : ""));
            if (name.size() + 1 + value.size() <= TCookieJar::kMaxCookieBytes &&
                (countBefore < TCookieJar::kMaxCookiesPerOrigin || HasName(Pieces(headers[at]), name))) {
                const auto pieces = Pieces(jar.Header(origin));
                Check(std::find(pieces.begin(), pieces.end(), name + "=" + value) != pieces.end(),
                      "a well-formed cookie was not stored");
            }
            break;
        }
        case 4:  // an expired cookie
            name = Token(text.substr(0, 16));
            expired = true;
            jar.Take(origin, name + "=gone; " + (text.size() % 2 ? "Max-Age=0" : "Expires=Thu, 01 Jan 1970 00:00:00 GMT"));
            Check(!HasName(Pieces(jar.Header(origin)), name), "an expired cookie is still stored");
            break;
        default:  // a status line and an address
            Check(http::StatusCode("HTTP/1.1 " + std::to_string(100 + text.size() % 900) + " " + text) ==
                      static_cast<long>(100 + text.size() % 900),
                  "a status line gives another code");
            http::StatusCode(text);
            CheckAddress(text);
            break;
        }

        const auto after = CheckStore(jar, origins);
        std::size_t forgotten = 0;
        for (std::size_t i = 0; i < kOrigins; ++i) {
            if (i == at || after[i] == headers[i]) continue;
            Check(after[i].empty(), "a step changed another origin's cookies");
            ++forgotten;
        }
        Check(forgotten == 0 || (forgotten == 1 && !known && !expired), "a step forgot an origin it did not need to");
        headers = after;
    }
    return 0;
}
