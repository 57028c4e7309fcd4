#include "tests/unit/AutoUpgradeFixture.h"

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <tuple>
#include <vector>

namespace {

using namespace upgradetest;

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

TEST_F(AutoUpgradeTest, TemporaryFilesOfAnInterruptedCheckAreRemovedByTheNext) {
    WriteFile(folder / ".version.ini.123456789.tmp", Ini("1.0"));
    WriteFile(folder / ".version.ini.notes", "not ours");
    LoopbackHttpServer server({Reply::Http(kOk, Ini("2.0.3"))});
    PointAt(server);
    EXPECT_TRUE(upgrade.Update());
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{".version.ini.notes", "version.ini"}));
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
