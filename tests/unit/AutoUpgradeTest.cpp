#include "components/AutoUpgrade.h"

#include "components/Exception.h"
#include "tests/unit/LoopbackHttpServer.h"
#include "tests/unit/TempFolder.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <netinet/in.h>
#include <arpa/inet.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;
using testsupport::LoopbackHttpServer;
using Reply = LoopbackHttpServer::Reply;
using namespace std::chrono_literals;

namespace {

constexpr const char* kPath = "/updates/tarnwick/version.ini";
constexpr const char* kOk = "HTTP/1.1 200 OK";

std::string Ini(const std::string& version, const std::string& link = "", const std::string& message = "") {
    return "[VERSION]\r\nNUMBER=" + version + "\r\n[DOWNLOAD]\r\nURL=" + link + "\r\n[USER]\r\nMESSAGE=" +
           message + "\r\n";
}

// The message of the Exception that `action` throws; "<no error>" when it returns, and
// "<other error>" for anything but Exception.
std::string FailureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Exception& error) {
        return error.what();
    } catch (...) {
        return "<other error>";
    }
    return "<no error>";
}

std::optional<std::string> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

struct TFoundEvent {
    std::string Version, Link, Message;
};

class AutoUpgradeTest : public ::testing::Test {
protected:
    void SetUp() override {
        upgrade.setRemoteINIFileLocalPath(folder.string() + "/");
        upgrade.setTimeouts({2000ms, 500ms, 5000ms});
        upgrade.OnNewVersionFoundEvent = [this](const std::string& version, const std::string& link,
                                                const std::string& message) {
            events.push_back({version, link, message});
        };
    }

    void PointAt(const LoopbackHttpServer& server, const std::string& path = kPath) {
        upgrade.setRemoteINIFileURL(server.Url(path));
    }

    fs::path LocalCopy() const { return folder / "version.ini"; }

    // The names of the files in the folder, to see that no temporary file is left behind.
    std::vector<std::string> FolderEntries() const { return temp.Entries(); }

    testsupport::TempFolder temp{"tarnwick-upgrade"};
    const fs::path& folder = temp.Path();
    TAutoUpgrade upgrade;
    std::vector<TFoundEvent> events;
};

TEST(VersionComparison, ComparesPartByPartAsNumbers) {
    const std::vector<std::tuple<std::string, bool>> cases = {
        {"2.0.3", true},       {"2.0.2.7", false},   {"2.0.2.61", false},   {"2.0.2.62", true},
        {"10.0", true},        {"2.0.2.100", true},  {"3", true},           {"2.0.2.61.1", true},
        {"2.0.2.61.0", false}, {"2", false},         {"1.99.99.99", false}, {"02.000.2.061", false},
        {"", false},           {"4294967295", true},
    };
    for (const auto& [remote, newer] : cases)
        EXPECT_EQ(autoupgrade::IsNewerVersion(remote, "2.0.2.61"), newer) << remote;
}

TEST(VersionComparison, RejectsPartsThatAreNotUnsigned32BitNumbers) {
    const std::vector<std::tuple<std::string, std::string>> cases = {
        {"2.0.3b", "'3b' is not a valid integer value"},
        {"4294967296", "'4294967296' is not a valid integer value"},
        {"2..3", "'' is not a valid integer value"},
        {"2.0.", "'' is not a valid integer value"},
        {"-1", "'-1' is not a valid integer value"},
        {"+3", "'+3' is not a valid integer value"},
        {"v2.1", "'v2' is not a valid integer value"},
        {"3.x", "'x' is not a valid integer value"},
    };
    for (const auto& [remote, message] : cases)
        EXPECT_EQ(FailureOf([&] { autoupgrade::IsNewerVersion(remote, "2.0.2.61"); }), message) << remote;
    EXPECT_EQ(FailureOf([] { autoupgrade::IsNewerVersion("3", "2.x"); }), "'x' is not a valid integer value");
}

TEST(OSErrorMessage, NamesTheCodeAndTheSystemText) {
    EXPECT_EQ(autoupgrade::OSErrorMessage(ENOENT), "System Error.  Code: 2.\nNo such file or directory");
    EXPECT_EQ(autoupgrade::OSErrorMessage(0), "A call to an OS function failed");
}

TEST(AutoUpgrade, StartsWithItsDefaults) {
    const TAutoUpgrade upgrade;
    EXPECT_EQ(upgrade.RemoteINIFileURL(), "http://");
    EXPECT_EQ(upgrade.INIVersionNumberSectionName(), "VERSION");
    EXPECT_EQ(upgrade.INIVersionNumberIdentName(), "NUMBER");
    EXPECT_EQ(upgrade.INIDowloadLinkSectionName(), "DOWNLOAD");
    EXPECT_EQ(upgrade.INIDownloadLinkIdentName(), "URL");
    EXPECT_EQ(upgrade.INIUserMessageSectionName(), "USER");
    EXPECT_EQ(upgrade.INIUserMessageIdentName(), "MESSAGE");
    EXPECT_EQ(upgrade.RemoteINIFileLocalPath(), "");
    EXPECT_EQ(upgrade.Timeouts().Connect, 10s);
    EXPECT_EQ(upgrade.Timeouts().Stall, 15s);
    EXPECT_EQ(upgrade.Timeouts().Total, 30s);
    EXPECT_FALSE(upgrade.OnNewVersionFoundEvent);
}

TEST(AutoUpgrade, ReadsTheRunningExecutablesFileVersion) {
    EXPECT_EQ(TAutoUpgrade().AppCurrentVersion(), "2.0.2.61");
}

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
    // The connection the server kept alive serves the second check too.
    EXPECT_EQ(requests[1].Connection, 0u);
}

// The proxy of the user's network, as the environment names it: http_proxy for http,
// no_proxy for the servers reached directly.
TEST_F(AutoUpgradeTest, GoesThroughTheProxyTheEnvironmentNamesUnlessNoProxyExemptsTheServer) {
    LoopbackHttpServer proxy({Reply::Http(kOk, Ini("2.0.3"))});
    LoopbackHttpServer server({Reply::Http(kOk, Ini("2.0.4"))});
    const std::string proxyUrl = "http://127.0.0.1:" + std::to_string(proxy.Port());
    const std::string address = std::string("http://updates.tarnwick.example") + kPath;
    ::setenv("http_proxy", proxyUrl.c_str(), 1);
    upgrade.setRemoteINIFileURL(address);
    const std::string throughProxy = FailureOf([&] { upgrade.Update(); });
    ::setenv("no_proxy", "127.0.0.1", 1);
    PointAt(server);
    const std::string direct = FailureOf([&] { upgrade.Update(); });
    ::unsetenv("http_proxy");
    ::unsetenv("no_proxy");

    EXPECT_EQ(throughProxy, "<no error>");
    ASSERT_EQ(proxy.Requests().size(), 1u);
    // A proxy is asked for the whole address.
    EXPECT_EQ(proxy.Requests()[0].Raw.substr(0, 4 + address.size()), "GET " + address);
    EXPECT_EQ(direct, "<no error>");
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].Raw.substr(0, 35), "GET /updates/tarnwick/version.ini H");
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].Version, "2.0.3");
    EXPECT_EQ(events[1].Version, "2.0.4");
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

TEST_F(AutoUpgradeTest, ReportsANewerVersionWithoutAHandler) {
    LoopbackHttpServer server({Reply::Http(kOk, Ini("2.0.3"))});
    PointAt(server);
    upgrade.OnNewVersionFoundEvent = nullptr;
    EXPECT_TRUE(upgrade.Update());
}

TEST_F(AutoUpgradeTest, AFailingHandlerFailsTheCheckWithItsMessage) {
    LoopbackHttpServer server({Reply::Http(kOk, Ini("2.0.3"))});
    PointAt(server);
    upgrade.OnNewVersionFoundEvent = [](const std::string&, const std::string&, const std::string&) {
        throw std::runtime_error("The dialog could not be shown");
    };
    EXPECT_EQ(FailureOf([&] { upgrade.Update(); }), "The dialog could not be shown");
    EXPECT_EQ(ReadFile(LocalCopy()), Ini("2.0.3"));
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

TEST_F(AutoUpgradeTest, ALocalCopyThatCannotBeCreatedFailsTheCheck) {
    LoopbackHttpServer server({Reply::Http(kOk, Ini("2.0.3")), Reply::Http(kOk, Ini("2.0.3"))});
    PointAt(server);
    const std::string missingFolder = (folder / "missing").string() + "/";
    upgrade.setRemoteINIFileLocalPath(missingFolder);
    EXPECT_EQ(FailureOf([&] { upgrade.Update(); }),
              "Cannot create file \"" + missingFolder + "version.ini\". No such file or directory");

    WriteFile(folder / "plain", "not a folder");
    upgrade.setRemoteINIFileLocalPath((folder / "plain").string() + "/");
    EXPECT_EQ(FailureOf([&] { upgrade.Update(); }),
              "Cannot create file \"" + (folder / "plain").string() + "/version.ini\". Not a directory");
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"plain"});
}

TEST_F(AutoUpgradeTest, AWriteThatStopsShortKeepsThePreviousCopy) {
    WriteFile(LocalCopy(), Ini("1.0", "previous"));
    LoopbackHttpServer server({Reply::Http(kOk, Ini("2.0.3", std::string(4096, 'u')))});
    PointAt(server);

    // A file size limit makes the write stop short, as a full disk would.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string failure = FailureOf([&] { upgrade.Update(); });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(failure, "Stream write error");
    EXPECT_EQ(ReadFile(LocalCopy()), Ini("1.0", "previous"));
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"version.ini"});
    EXPECT_TRUE(events.empty());
}

TEST_F(AutoUpgradeTest, TheLocalPathIsJoinedWithoutASeparator) {
    fs::create_directory(folder / "app");
    LoopbackHttpServer server({Reply::Http(kOk, Ini("2.0.3"))});
    PointAt(server);
    upgrade.setRemoteINIFileLocalPath((folder / "app").string());
    EXPECT_TRUE(upgrade.Update());
    EXPECT_EQ(ReadFile(folder / "appversion.ini"), Ini("2.0.3"));
    EXPECT_TRUE(fs::is_empty(folder / "app"));
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

TEST_F(AutoUpgradeTest, TemporaryFilesOfAnInterruptedCheckAreRemovedByTheNext) {
    WriteFile(folder / ".version.ini.123456789.tmp", Ini("1.0"));
    WriteFile(folder / ".version.ini.notes", "not ours");
    LoopbackHttpServer server({Reply::Http(kOk, Ini("2.0.3"))});
    PointAt(server);
    EXPECT_TRUE(upgrade.Update());
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{".version.ini.notes", "version.ini"}));
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

TEST_F(AutoUpgradeTest, NoCheckRunsBeforeTheLocalFolderIsKnown) {
    LoopbackHttpServer server({Reply::Http(kOk, Ini("2.0.3")), Reply::Http(kOk, Ini("2.0.3"))});
    PointAt(server);
    const fs::path previous = fs::current_path();
    fs::current_path(folder);
    std::vector<std::string> failures;
    for (const std::string localPath : {"c:\\", "", "relative/"}) {
        upgrade.setRemoteINIFileLocalPath(localPath);
        failures.push_back(FailureOf([&] { upgrade.Update(); }));
    }
    fs::current_path(previous);
    for (const auto& failure : failures) EXPECT_EQ(failure, "The folder for the update description is not known.");
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_TRUE(FolderEntries().empty());
    EXPECT_TRUE(events.empty());
}

}  // namespace
