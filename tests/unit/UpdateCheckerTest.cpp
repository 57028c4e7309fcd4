#include "components/UpdateChecker.h"

#include "components/Exception.h"
#include "tests/unit/LoopbackHttpServer.h"
#include "tests/unit/TempFolder.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using testsupport::LoopbackHttpServer;

namespace {

std::string Ini(const std::string& version, const std::string& link, const std::string& message) {
    return "[VERSION]\r\nNUMBER=" + version + "\r\n[DOWNLOAD]\r\nURL=" + link + "\r\n[USER]\r\nMESSAGE=" +
           message + "\r\n";
}

struct Raised {
    std::string Version, Link, Message;
    std::thread::id Thread;
};

// The checker built beside this test program, pointed at `server` and `folder`.
void PointAt(TUpdateChecker& checker, const LoopbackHttpServer& server, const testsupport::TempFolder& folder) {
    checker.setRemoteINIFileURL(server.Url("/updates/tarnwick/version.ini"));
    checker.setRemoteINIFileLocalPath(folder.Path().string() + "/");
}

TEST(UpdateChecker, ChecksThroughTheModuleAndRaisesTheEventOnTheFinishingThread) {
    testsupport::TempFolder folder;
    LoopbackHttpServer server({LoopbackHttpServer::Reply::Http("HTTP/1.1 200 OK", Ini("2.0.3", "http://d/", "Hi")),
                               LoopbackHttpServer::Reply::Http("HTTP/1.1 200 OK", Ini("2.0.2.61", "", ""))});
    TUpdateChecker checker;
    PointAt(checker, server, folder);
    std::vector<Raised> raised;
    checker.OnNewVersionFoundEvent = [&raised](const std::string& version, const std::string& link,
                                               const std::string& message) {
        raised.push_back({version, link, message, std::this_thread::get_id()});
    };

    // The job runs on another thread with the settings it was made with; the event
    // comes with Finish(), on the thread that calls it.
    const TUpdateChecker::TJob job = checker.NewCheck();
    checker.setRemoteINIFileURL("http://127.0.0.1:9/elsewhere");
    TUpdateCheckOutcome outcome;
    std::thread([&] { outcome = job.Run(); }).join();
    EXPECT_FALSE(outcome.Failed) << outcome.Error;
    EXPECT_TRUE(raised.empty());
    EXPECT_TRUE(checker.Finish(outcome));
    ASSERT_EQ(raised.size(), 1u);
    EXPECT_EQ(raised[0].Version, "2.0.3");
    EXPECT_EQ(raised[0].Link, "http://d/");
    EXPECT_EQ(raised[0].Message, "Hi");
    EXPECT_EQ(raised[0].Thread, std::this_thread::get_id());

    PointAt(checker, server, folder);
    EXPECT_FALSE(checker.Update());
    EXPECT_EQ(raised.size(), 1u);
    EXPECT_EQ(server.Requests().size(), 2u);
}

TEST(UpdateChecker, FailuresComeBackAsTheCheckersErrors) {
    testsupport::TempFolder folder;
    LoopbackHttpServer server({LoopbackHttpServer::Reply::Http("HTTP/1.1 404 Not Found", "gone")});
    TUpdateChecker checker;
    PointAt(checker, server, folder);
    try {
        checker.Update();
        ADD_FAILURE() << "no error";
    } catch (const Exception& error) {
        EXPECT_STREQ(error.what(), "HTTP/1.1 404 Not Found");
    }

    TUpdateChecker missing((folder.Path() / "no-such-module.so").string());
    try {
        missing.Update();
        ADD_FAILURE() << "no error";
    } catch (const Exception& error) {
        EXPECT_EQ(std::string(error.what()).rfind("The update checker could not be loaded from \"" +
                                                      (folder.Path() / "no-such-module.so").string() + "\": ",
                                                  0),
                  0u)
            << error.what();
    }
}

}  // namespace
