#include "components/CookieJar.h"
#include "components/HttpClient.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

const std::string kOrigin = "127.0.0.1:80";

TEST(CookieJar, RefusesNamesAndValuesWithControlCharacters) {
    TCookieJar jar;
    for (const std::string& setCookie : std::vector<std::string>{"a=b\rX-Evil: 1", "a=b\nc", "a=b\tc", "a=b\x7f", std::string("a=b\0c", 5),
                                        "x\x01y=1", "\x1b[31m=red"})
        jar.Take(kOrigin, setCookie);
    EXPECT_EQ(jar.Header(kOrigin), "");
    // An attribute is not part of what is sent, so a control character there is harmless.
    jar.Take(kOrigin, "ok= 1 ; Path=/\x01");
    EXPECT_EQ(jar.Header(kOrigin), "ok=1");
}

TEST(CookieJar, HoldsFiftyCookiesOfAtMostFourKibibytesPerOrigin) {
    TCookieJar jar;
    jar.Take(kOrigin, "big=" + std::string(TCookieJar::kMaxCookieBytes - 4, 'v'));
    jar.Take(kOrigin, "huge=" + std::string(TCookieJar::kMaxCookieBytes - 4, 'v'));
    EXPECT_EQ(jar.Header(kOrigin), "big=" + std::string(TCookieJar::kMaxCookieBytes - 4, 'v'));
    for (int i = 0; i < 100; ++i) jar.Take(kOrigin, "c" + std::to_string(i) + "=1");
    EXPECT_EQ(jar.Count(kOrigin), 50u);
    // A full origin still takes changes to, and removals of, the cookies it holds.
    jar.Take(kOrigin, "big=small");
    jar.Take(kOrigin, "c0=gone; Max-Age=0");
    jar.Take(kOrigin, "late=1");
    const std::string header = jar.Header(kOrigin);
    EXPECT_EQ(header.substr(0, 18), "big=small; c1=1; c");
    EXPECT_NE(header.find("; late=1"), std::string::npos);
    EXPECT_EQ(header.find("c0="), std::string::npos);
}

TEST(CookieJar, ForgetsTheOriginSetLeastRecentlyBeyondFiftyOrigins) {
    TCookieJar jar;
    for (std::size_t i = 0; i <= TCookieJar::kMaxOrigins; ++i) {
        jar.Take("host" + std::to_string(i) + ":80", "a=1");
        if (i == 10) jar.Take("host0:80", "b=2");  // host0 is set again, so host1 goes first
    }
    EXPECT_EQ(jar.Header("host0:80"), "a=1; b=2");
    EXPECT_EQ(jar.Header("host1:80"), "");
    EXPECT_EQ(jar.Header("host50:80"), "a=1");
}

TEST(HttpHead, ReadsStatusCodesAndSetCookieLines) {
    const std::vector<std::tuple<std::string, long>> statuses = {
        {"HTTP/1.1 200 OK", 200}, {"HTTP/1.0 404 Not Found", 404}, {"HTTP/1.1", 0}, {"HTTP/1.1 abc", 0}, {"", 0}};
    for (const auto& [line, code] : statuses) EXPECT_EQ(http::StatusCode(line), code) << line;

    EXPECT_EQ(http::SetCookieValue("SET-COOKIE:  a=1; Path=/ \r\n"), "a=1; Path=/");
    EXPECT_EQ(http::SetCookieValue("Set-Cookie:"), "");
    EXPECT_FALSE(http::SetCookieValue("Set-Cookie2: a=1"));
    EXPECT_FALSE(http::SetCookieValue("X-Set-Cookie: a=1"));
}

TEST(HttpHead, DropsCredentialsFromAddresses) {
    const std::vector<std::tuple<std::string, std::string>> cases = {
        {"http://u:p@host/x?y=1", "http://host/x?y=1"},
        {"http://u@host:8080/x", "http://host:8080/x"},
        {"http://:p@host/", "http://host/"},
        {"http://host/x", "http://host/x"},
        {"not an address", "not an address"},
    };
    for (const auto& [address, cleaned] : cases) EXPECT_EQ(http::WithoutCredentials(address), cleaned) << address;
}

}  // namespace
