#pragma once

// What the update checker's tests share: a fixture with a checker that writes into a
// fresh folder and records its events, and small helpers. Used by the Linux unit tests
// and, for the download's cases, by the Windows tests as well.

#include "components/AutoUpgrade.h"

#include "components/Exception.h"
#include "tests/unit/LoopbackHttpServer.h"
#include "tests/unit/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace upgradetest {

namespace fs = std::filesystem;
using testsupport::LoopbackHttpServer;
using Reply = LoopbackHttpServer::Reply;
using namespace std::chrono_literals;


inline constexpr const char* kPath = "/updates/tarnwick/version.ini";
inline constexpr const char* kOk = "HTTP/1.1 200 OK";

inline std::string Ini(const std::string& version, const std::string& link = "", const std::string& message = "") {
    return "[VERSION]\r\nNUMBER=" + version + "\r\n[DOWNLOAD]\r\nURL=" + link + "\r\n[USER]\r\nMESSAGE=" +
           message + "\r\n";
}

// The message of the Exception that `action` throws; "<no error>" when it returns, and
// "<other error>" for anything but Exception.
inline std::string FailureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Exception& error) {
        return error.what();
    } catch (...) {
        return "<other error>";
    }
    return "<no error>";
}

inline std::optional<std::string> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

inline void WriteFile(const fs::path& path, const std::string& bytes) {
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

}  // namespace upgradetest
