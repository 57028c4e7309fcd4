// The update download's cases against a scripted server on 127.0.0.1. They run in the
// Linux unit tests (libcurl) and in the Windows tests under wine (WinHTTP), so that both
// clients put the same request on the wire and read answers alike.
#include "tests/unit/AutoUpgradeFixture.h"

#include <chrono>
#include <tuple>

namespace {

using namespace upgradetest;

TEST_F(AutoUpgradeTest, SendsExactlyTheRequestHeadersAndReturnsTheServersCookies) {
    LoopbackHttpServer server({
        Reply::Http(kOk, Ini("2.0.2.61"), "Set-Cookie: session=abc123; Path=/; HttpOnly\r\nSet-Cookie: theme=dark\r\n"),
        Reply::Http(kOk, Ini("2.0.2.61")),
    });
    PointAt(server, "/updates/tarnwick/version.ini?channel=stable");
    ASSERT_FALSE(upgrade.Update());
    ASSERT_FALSE(upgrade.Update());

    const std::string host = "Host: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n";
    const std::string common = "GET /updates/tarnwick/version.ini?channel=stable HTTP/1.1\r\n" + host +
                               "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
                               "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n";
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].Raw, common + "\r\n");
    EXPECT_EQ(requests[1].Raw, common + "Cookie: session=abc123; theme=dark\r\n\r\n");
#ifdef _WIN32
    // WinHTTP keeps a connection alive only with a "Connection" line of its own, which
    // would make the request differ: each request opens a connection.
    EXPECT_EQ(requests[1].Connection, 1u);
#else
    // The connection the server kept alive serves the second check too.
    EXPECT_EQ(requests[1].Connection, 0u);
#endif
}

TEST_F(AutoUpgradeTest, CookiesBelongToTheirServerAndExpire) {
    LoopbackHttpServer other({Reply::Http(kOk, Ini("1.0"))});
    LoopbackHttpServer server({
        Reply::Http(kOk, Ini("1.0"), "Set-Cookie: a=1\r\nSet-Cookie: b=2\r\nSet-Cookie: c=3\r\n"),
        Reply::Http(kOk, Ini("1.0"),
                    "Set-Cookie: a=gone; Max-Age=0\r\nSet-Cookie: b=22\r\n"
                    "Set-Cookie: c=old; Expires=Thu, 01 Jan 1970 00:00:01 GMT\r\n"),
        Reply::Http("HTTP/1.1 302 Found", "", "Location: " + other.Url(kPath) + "\r\n"),
    });
    PointAt(server);
    ASSERT_FALSE(upgrade.Update());
    ASSERT_FALSE(upgrade.Update());
    ASSERT_FALSE(upgrade.Update());

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_NE(requests[1].Raw.find("\r\nCookie: a=1; b=2; c=3\r\n\r\n"), std::string::npos) << requests[1].Raw;
    EXPECT_NE(requests[2].Raw.find("\r\nCookie: b=22\r\n\r\n"), std::string::npos) << requests[2].Raw;
    ASSERT_EQ(other.Requests().size(), 1u);
    EXPECT_EQ(other.Requests()[0].Raw.find("Cookie"), std::string::npos) << other.Requests()[0].Raw;
}

TEST_F(AutoUpgradeTest, ComparesTheDownloadedVersionWithItsOwn) {
    struct Case {
        std::string Body;
        bool Newer;
        std::string Failure;
    };
    const std::vector<Case> cases = {
        {Ini("2.0.3"), true, ""},
        {Ini("2.0.2.62"), true, ""},
        {Ini("10.0"), true, ""},
        {Ini("2.0.2.100"), true, ""},
        {Ini("2.0.2.61"), false, ""},
        {Ini("2.0.2.7"), false, ""},
        {"[version]\r\nnumber = 3\r\n", true, ""},
        {"[VERSION]\r\nOTHER=3\r\n", false, ""},
        {"[DOWNLOAD]\r\nURL=http://example.invalid/\r\n", false, ""},
        {"<!DOCTYPE html>\n<html><body><h1>Welcome</h1></body></html>\n", false, ""},
        {"", false, ""},
        {Ini("2.0.3b"), false, "'3b' is not a valid integer value"},
        {Ini("4294967296"), false, "'4294967296' is not a valid integer value"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Body);
        events.clear();
        LoopbackHttpServer server({Reply::Http(kOk, c.Body)});
        PointAt(server);
        bool newer = false;
        EXPECT_EQ(FailureOf([&] { newer = upgrade.Update(); }), c.Failure.empty() ? "<no error>" : c.Failure);
        EXPECT_EQ(newer, c.Newer);
        EXPECT_EQ(events.size(), c.Newer ? 1u : 0u);
        EXPECT_EQ(ReadFile(LocalCopy()), c.Body);
    }
}

TEST_F(AutoUpgradeTest, EventReceivesTheVersionTextTheLinkAndTheMessage) {
    const std::string longMessage = std::string(2040, 'm') + "|line two";
    LoopbackHttpServer server({
        Reply::Http(kOk, Ini("2.0.3", "https://example.invalid/get", longMessage)),
        Reply::Http(kOk, Ini("3.0")),
    });
    PointAt(server);
    ASSERT_TRUE(upgrade.Update());
    ASSERT_TRUE(upgrade.Update());
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].Version, "2.0.3");
    EXPECT_EQ(events[0].Link, "https://example.invalid/get");
    EXPECT_EQ(events[0].Message, longMessage.substr(0, 2047));
    EXPECT_EQ(events[1].Version, "3.0");
    EXPECT_EQ(events[1].Link, "");
    EXPECT_EQ(events[1].Message, "");
}

TEST_F(AutoUpgradeTest, AnswerOutsideSuccessFailsWithItsStatusLineAndKeepsThePreviousCopy) {
    const std::vector<Reply> failures = {
        Reply::Http("HTTP/1.1 404 Not Found", "<html>missing</html>"),
        Reply::Http("HTTP/1.0 500 Internal Server Error", ""),
        Reply::Http("HTTP/1.1 401 Unauthorized", "", "WWW-Authenticate: Basic realm=\"updates\"\r\n"),
        Reply::Http("HTTP/1.1 304 Not Modified", "", "Location: /elsewhere\r\n"),
        Reply::Http("HTTP/1.1 302 Found", "moved"),
        Reply::Raw("HTTP/1.1 103 Early Hints\r\nLink: </style.css>\r\n\r\n"
                   "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nxx"),
    };
    for (const auto& failure : failures) {
        const std::string statusLine = failure.Pieces[0].Bytes.substr(0, failure.Pieces[0].Bytes.find("\r\n"));
        SCOPED_TRACE(statusLine);
        LoopbackHttpServer server({Reply::Http(kOk, Ini("1.0", "first")), failure});
        PointAt(server);
        ASSERT_FALSE(upgrade.Update());
        EXPECT_EQ(FailureOf([&] { upgrade.Update(); }), statusLine);
        EXPECT_EQ(ReadFile(LocalCopy()), Ini("1.0", "first"));
        EXPECT_EQ(FolderEntries(), std::vector<std::string>{"version.ini"});
    }
}

TEST_F(AutoUpgradeTest, FollowsFourteenRedirectsAndDiscardsTheirBodies) {
    LoopbackHttpServer server;
    for (int hop = 1; hop <= 14; ++hop) {
        // Relative and absolute addresses alike.
        const std::string target = "/hop" + std::to_string(hop);
        const std::string location = hop % 2 ? target : server.Url(target);
        server.Enqueue(Reply::Http("HTTP/1.1 30" + std::string(hop % 3 ? "2 Found" : "1 Moved Permanently"),
                                   "redirect body " + std::to_string(hop), "Location: " + location + "\r\n"));
    }
    server.Enqueue(Reply::Http(kOk, Ini("2.0.3")));
    PointAt(server);
    EXPECT_TRUE(upgrade.Update());
    EXPECT_EQ(ReadFile(LocalCopy()), Ini("2.0.3"));
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 15u);
    EXPECT_EQ(requests[14].Raw.substr(0, 20), "GET /hop14 HTTP/1.1\r");
}

TEST_F(AutoUpgradeTest, AFifteenthRedirectFailsTheCheckAndKeepsTheStoredCopy) {
    LoopbackHttpServer server({Reply::Http(kOk, Ini("1.0", "first"))});
    for (int hop = 1; hop <= 16; ++hop)
        server.Enqueue(Reply::Http("HTTP/1.1 307 Temporary Redirect", Ini("2.0.3"),
                                   "Location: /hop" + std::to_string(hop) + "\r\n"));
    PointAt(server);
    ASSERT_FALSE(upgrade.Update());
    bool newer = true;
    EXPECT_EQ(FailureOf([&] { newer = upgrade.Update(); }), "Too many redirects");
    EXPECT_TRUE(newer);  // no answer: the call threw
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(ReadFile(LocalCopy()), Ini("1.0", "first"));
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"version.ini"});
    EXPECT_EQ(server.Requests().size(), 16u);
}

TEST_F(AutoUpgradeTest, WaitsThroughAContinueAnswer) {
    LoopbackHttpServer server({Reply::Raw("HTTP/1.1 100 Continue\r\n\r\n"
                                          "HTTP/1.1 200 OK\r\nContent-Length: " +
                                          std::to_string(Ini("2.0.3").size()) + "\r\n\r\n" + Ini("2.0.3"))});
    PointAt(server);
    EXPECT_TRUE(upgrade.Update());
    EXPECT_EQ(ReadFile(LocalCopy()), Ini("2.0.3"));
}

TEST_F(AutoUpgradeTest, AServerThatNeverAnswersFailsTheCheckInTime) {
    LoopbackHttpServer server({Reply::Silent()});
    PointAt(server);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(FailureOf([&] { upgrade.Update(); }), "The update server stopped sending data for 500 milliseconds.");
    EXPECT_LT(std::chrono::steady_clock::now() - start, upgrade.Timeouts().Total);
    EXPECT_FALSE(fs::exists(LocalCopy()));
}

TEST_F(AutoUpgradeTest, ADownloadOverTheTotalTimeFailsTheCheck) {
    upgrade.setTimeouts({2000ms, 1000ms, 1500ms});
    LoopbackHttpServer server({Reply::Drip(kOk, Ini("2.0.3"), 100ms)});
    PointAt(server);
    EXPECT_EQ(FailureOf([&] { upgrade.Update(); }), "The update download took longer than 1500 milliseconds.");
    EXPECT_FALSE(fs::exists(LocalCopy()));
}

TEST_F(AutoUpgradeTest, AnUnreachableOrInvalidAddressFailsWithTheNetworkMessage) {
    unsigned short closedPort = 0;
    {
        LoopbackHttpServer gone;
        closedPort = gone.Port();
    }
    upgrade.setRemoteINIFileURL("http://127.0.0.1:" + std::to_string(closedPort) + kPath);
    const std::string refused = FailureOf([&] { upgrade.Update(); });
    EXPECT_NE(refused.find("Failed to connect to 127.0.0.1 port " + std::to_string(closedPort)), std::string::npos)
        << refused;

    for (const std::string address : {"http://", "ftp://127.0.0.1/version.ini", "file:///etc/hostname"}) {
        upgrade.setRemoteINIFileURL(address);
        const std::string failure = FailureOf([&] { upgrade.Update(); });
        EXPECT_NE(failure, "<no error>") << address;
        EXPECT_NE(failure, "<other error>") << address;
    }
    EXPECT_FALSE(fs::exists(LocalCopy()));
}

TEST_F(AutoUpgradeTest, ABodyOverOneMebibyteFailsAndWritesNothing) {
    const std::string oneMebibyte = Ini("2.0.3") + std::string(1024 * 1024 - Ini("2.0.3").size(), ';');
    LoopbackHttpServer server({
        Reply::Http(kOk, oneMebibyte),
        Reply::Http(kOk, std::string(2 * 1024 * 1024, 'x')),
        Reply::Http(kOk, Ini("1.0")),
    });
    PointAt(server);
    EXPECT_TRUE(upgrade.Update());
    EXPECT_EQ(ReadFile(LocalCopy()), oneMebibyte);

    EXPECT_EQ(FailureOf([&] { upgrade.Update(); }), "The update description is too large.");
    EXPECT_EQ(ReadFile(LocalCopy()), oneMebibyte);

    // The next check holds only its own body.
    EXPECT_FALSE(upgrade.Update());
    EXPECT_EQ(ReadFile(LocalCopy()), Ini("1.0"));
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"version.ini"});
}

TEST_F(AutoUpgradeTest, EachCheckRewritesTheLocalCopyWithItsOwnBody) {
    const std::string first = Ini("2.0.3", "http://example.invalid/a-rather-long-download-address", "First");
    const std::string second = Ini("1.0");
    LoopbackHttpServer server({Reply::Http(kOk, first), Reply::Http(kOk, second)});
    PointAt(server);
    EXPECT_TRUE(upgrade.Update());
    EXPECT_EQ(ReadFile(LocalCopy()), first);
    EXPECT_FALSE(upgrade.Update());
    EXPECT_EQ(ReadFile(LocalCopy()), second);
    EXPECT_EQ(events.size(), 1u);
}

TEST_F(AutoUpgradeTest, NeverSendsCredentialsOfTheAddressOrOfARedirect) {
    LoopbackHttpServer server;
    const std::string authority = "127.0.0.1:" + std::to_string(server.Port());
    server.Enqueue(Reply::Http("HTTP/1.1 302 Found", "", "Location: http://u:p@" + authority + "/first\r\n"));
    server.Enqueue(Reply::Http("HTTP/1.1 302 Found", "", "Location: /second\r\n"));
    server.Enqueue(Reply::Http(kOk, Ini("2.0.3")));
    upgrade.setRemoteINIFileURL("http://user:secret@" + authority + kPath);
    EXPECT_TRUE(upgrade.Update());

    const std::string headers = "Host: " + authority + "\r\n"
                                "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
                                "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n\r\n";
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].Raw, "GET " + std::string(kPath) + " HTTP/1.1\r\n" + headers);
    EXPECT_EQ(requests[1].Raw, "GET /first HTTP/1.1\r\n" + headers);
    EXPECT_EQ(requests[2].Raw, "GET /second HTTP/1.1\r\n" + headers);
}

TEST_F(AutoUpgradeTest, CookiesWithControlCharactersAreNotSentBackAndTheStoreIsBounded) {
    std::string many;
    for (int i = 0; i < 200; ++i) many += "Set-Cookie: c" + std::to_string(i) + "=v\r\n";
    LoopbackHttpServer server({
        Reply::Http(kOk, Ini("1.0"),
                    "Set-Cookie: evil=b\rX-Evil: 1\r\nSet-Cookie: tab=a\tb\r\nSet-Cookie: ok=1\r\n" + many),
        Reply::Http(kOk, Ini("1.0")),
    });
    PointAt(server);
    ASSERT_FALSE(upgrade.Update());
    ASSERT_FALSE(upgrade.Update());

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    const std::string& second = requests[1].Raw;
    EXPECT_EQ(second.find("X-Evil"), std::string::npos) << second;
    EXPECT_EQ(second.find("evil="), std::string::npos) << second;
    EXPECT_EQ(second.find("tab="), std::string::npos) << second;
    // The first 50 cookies are kept: "ok" and c0 to c48.
    EXPECT_NE(second.find("\r\nCookie: ok=1; c0=v; "), std::string::npos) << second;
    EXPECT_NE(second.find("; c48=v\r\n"), std::string::npos) << second;
    EXPECT_EQ(second.find("c49="), std::string::npos) << second;
}

TEST_F(AutoUpgradeTest, EveryAnswersBodyIsCappedNotOnlyASuccessfulOne) {
    // Bodies announced as 1 GiB: the server sends 4 MiB and then waits for the client.
    const std::string endless(4 * 1024 * 1024, 'x');
    struct Case {
        std::string StatusLine, Headers, Failure;
    };
    const std::vector<Case> cases = {
        {"HTTP/1.1 404 Not Found", "", "HTTP/1.1 404 Not Found"},
        {"HTTP/1.1 302 Found", "Location: /elsewhere\r\n", "The update server's answer is too large."},
        {"HTTP/1.1 500 Internal Server Error", "", "HTTP/1.1 500 Internal Server Error"},
    };
    for (const auto& [statusLine, headers, failure] : cases) {
        upgrade.setTimeouts({2000ms, 2000ms, 60000ms});
        LoopbackHttpServer server(
            {Reply::Raw(statusLine + "\r\n" + headers + "Content-Length: 1073741824\r\n\r\n" + endless)});
        PointAt(server);
        EXPECT_EQ(FailureOf([&] { upgrade.Update(); }), failure) << statusLine;
        EXPECT_EQ(server.Requests().size(), 1u) << statusLine;
    }
    EXPECT_FALSE(fs::exists(LocalCopy()));
}

}  // namespace
