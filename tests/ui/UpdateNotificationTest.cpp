#include "WindowFixture.h"
#include "tests/unit/LoopbackHttpServer.h"
#include "app/frmUpdateUnit.h"

#include <QStatusBar>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest/QTest>

#include <sys/resource.h>

namespace {

using testsupport::LoopbackHttpServer;

std::string Description(const std::string& version, const std::string& link,
                        const std::string& message) {
    return "[VERSION]\r\nNUMBER=" + version + "\r\n[DOWNLOAD]\r\nURL=" + link +
           "\r\n[USER]\r\nMESSAGE=" + message + "\r\n";
}

LoopbackHttpServer::Reply Answer(const std::string& body) {
    return LoopbackHttpServer::Reply::Http("HTTP/1.1 200 OK", body);
}

// The peak resident memory of this process so far.
long MaxResidentKiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// What the update dialog showed while it was open.
struct Shown {
    QString Caption;
    QString Version;
    QString Link;
    QStringList MessageLines;
};

class UpdateNotification : public WindowTest {
protected:
    void PointAt(const LoopbackHttpServer& server) {
        DataModule->auUpgrade.setRemoteINIFileURL(server.Url("/updates/tarnwick/version.ini"));
    }

    // Records the dialog's texts, optionally clicks its link, then closes it with Close.
    void AnswerDialogs(bool clickLink = false) {
        Desktop.OnShowModal = [this, clickLink](QDialog& dialog) {
            Shown shown;
            shown.Caption = dialog.windowTitle();
            shown.Version = dialog.findChild<QLabel*>("lblNewVersion")->text();
            shown.Link = dialog.findChild<QLabel*>("lblDownloadLink")->text();
            shown.MessageLines =
                dialog.findChild<QPlainTextEdit*>("memMessage")->toPlainText().split(u'\n');
            Dialogs.push_back(shown);
            dialog.show();
            if (clickLink)
                QTest::mouseClick(dialog.findChild<QLabel*>("lblDownloadLink"), Qt::LeftButton);
            EXPECT_TRUE(dialog.isVisible()) << "the link leaves the dialog open";
            QTest::mouseClick(dialog.findChild<QPushButton*>("btnClose"), Qt::LeftButton);
            EXPECT_FALSE(dialog.isVisible());
        };
    }

    // Chooses Check for Updates and waits until the check has ended and been shown.
    void CheckFromMenu() {
        Find<QAction>("menCheckUpdates")->trigger();
        EXPECT_TRUE(WaitForCheck());
    }

    bool WaitForCheck(int limitMs = 20000) {
        QElapsedTimer waited;
        waited.start();
        while (Window->IsCheckingForUpdates() && waited.elapsed() < limitMs) QTest::qWait(5);
        return !Window->IsCheckingForUpdates();
    }

    std::vector<Shown> Dialogs;
};

TEST_F(UpdateNotification, MenuCheckWithANewerVersionShowsTheDialogAndNothingAfterClose) {
    LoopbackHttpServer server(
        {Answer(Description("2.0.3", "http://downloads.tarnwick.example/2.0.3", "First|Second||Third"))});
    OpenWindow();
    PointAt(server);
    AnswerDialogs(true);
    CheckFromMenu();

    ASSERT_EQ(Dialogs.size(), 1u);
    EXPECT_EQ(Dialogs[0].Caption, QStringLiteral("Update"));
    EXPECT_EQ(Dialogs[0].Version, QStringLiteral("2.0.3"));
    EXPECT_EQ(Dialogs[0].Link, QStringLiteral("http://downloads.tarnwick.example/2.0.3"));
    EXPECT_EQ(Dialogs[0].MessageLines, QStringList({"First", "Second", "", "Third"}));
    EXPECT_EQ(Desktop.OpenedUrls, QStringList({"http://downloads.tarnwick.example/2.0.3"}));
    EXPECT_TRUE(Desktop.Informations.isEmpty());
    EXPECT_TRUE(Desktop.Errors.empty());
    EXPECT_FALSE(Window->tmrUpdateDelayCheck().isActive());
    EXPECT_TRUE(QFile::exists(Path(QStringLiteral("bin/version.ini"))));
}

TEST_F(UpdateNotification, NetworkTextIsShownLiterallyAndLoadsNothing) {
    const QString markup = QStringLiteral("<img src=\"/dev/zero\">");
    LoopbackHttpServer server({Answer(Description("2.0.3", markup.toStdString(), "<b>bold</b>|<img src=\"/dev/zero\">"))});
    OpenWindow();
    PointAt(server);
    std::vector<QString> literalTexts;
    long grownKiB = -1;
    Desktop.OnShowModal = [&](QDialog& dialog) {
        QLabel* link = dialog.findChild<QLabel*>("lblDownloadLink");
        for (QLabel* label : {dialog.findChild<QLabel*>("lblNewVersion"), link})
            ASSERT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
        dialog.show();
        const long before = MaxResidentKiB();
        dialog.grab();
        grownKiB = MaxResidentKiB() - before;
        // Shown as the characters themselves: the label is as wide as the literal text.
        EXPECT_GE(link->sizeHint().width(), link->fontMetrics().horizontalAdvance(markup));
        literalTexts = {link->text(), dialog.findChild<QPlainTextEdit*>("memMessage")->toPlainText()};
        QTest::mouseClick(dialog.findChild<QPushButton*>("btnClose"), Qt::LeftButton);
    };
    CheckFromMenu();
    ASSERT_EQ(literalTexts.size(), 2u);
    EXPECT_EQ(literalTexts[0], markup);
    EXPECT_EQ(literalTexts[1], QStringLiteral("<b>bold</b>\n<img src=\"/dev/zero\">"));
    EXPECT_GE(grownKiB, 0);
    EXPECT_LT(grownKiB, 64 * 1024) << "painting the dialog must not read the named file";
    EXPECT_TRUE(Desktop.OpenedUrls.isEmpty());
}

TEST_F(UpdateNotification, MenuCheckWithoutANewerVersionSaysSo) {
    LoopbackHttpServer server({Answer(Description("2.0.2.61", "", ""))});
    OpenWindow();
    PointAt(server);
    AnswerDialogs();
    CheckFromMenu();
    EXPECT_TRUE(Dialogs.empty());
    EXPECT_EQ(Desktop.Informations, QStringList({"Aaaah no updates available yet :)"}));
}

TEST_F(UpdateNotification, FailedChecksOpenNoBoxAndOnlyTheAskedOneSaysWhyInTheStatusBar) {
    const std::vector<LoopbackHttpServer::Reply> answers = {
        LoopbackHttpServer::Reply::Http("HTTP/1.1 404 Not Found", "gone"),
        Answer(Description("2.0.3b", "", "")),
    };
    const auto status = [this] { return Find<QStatusBar>("sbMain")->currentMessage(); };
    for (const auto& answer : answers) {
        LoopbackHttpServer server({answer});
        OpenWindow();
        PointAt(server);
        AnswerDialogs();
        CheckFromMenu();
        EXPECT_EQ(server.Requests().size(), 1u);
        EXPECT_TRUE(Dialogs.empty());
        EXPECT_TRUE(Desktop.Informations.isEmpty());
        EXPECT_TRUE(Desktop.Errors.empty());
        EXPECT_TRUE(status().startsWith(QStringLiteral("The update check failed: "))) << status().toStdString();
    }
    EXPECT_TRUE(status().contains(QStringLiteral("'3b'"))) << status().toStdString();

    // No server at all: the asked check says so, the automatic one stays silent.
    unsigned short closedPort;
    {
        LoopbackHttpServer gone;
        closedPort = gone.Port();
    }
    for (const bool asked : {true, false}) {
        OpenWindow();
        DataModule->auUpgrade.setRemoteINIFileURL("http://127.0.0.1:" + std::to_string(closedPort) + "/v.ini");
        if (asked) {
            CheckFromMenu();
        } else {
            Window->tmrUpdateDelayCheck().start(10);
            QTest::qWait(100);
            ASSERT_TRUE(WaitForCheck());
            EXPECT_FALSE(Window->tmrUpdateDelayCheck().isActive());
        }
        EXPECT_TRUE(Desktop.Informations.isEmpty());
        EXPECT_TRUE(Desktop.Errors.empty());
        EXPECT_EQ(Desktop.ModalDialogs, 0);
        EXPECT_EQ(status().startsWith(QStringLiteral("The update check failed: ")), asked) << status().toStdString();
    }
}

TEST_F(UpdateNotification, TimerRunsOneSilentCheck) {
    LoopbackHttpServer server({Answer(Description("2.0.2.61", "", "")),
                               Answer(Description("2.0.2.61", "", ""))});
    OpenWindow();
    PointAt(server);
    QTimer& timer = Window->tmrUpdateDelayCheck();
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(timer.interval(), 10000);
    timer.start(10);
    for (int waited = 0; server.Requests().empty() && waited < 5000; waited += 10) QTest::qWait(10);
    EXPECT_TRUE(WaitForCheck());
    QTest::qWait(200);  // time for a second tick, which must not come
    EXPECT_EQ(server.Requests().size(), 1u);
    EXPECT_FALSE(timer.isActive());
    EXPECT_TRUE(Desktop.Informations.isEmpty());
}

TEST_F(UpdateNotification, MenuCheckBeforeTheTimerStopsTheAutomaticCheck) {
    LoopbackHttpServer server({Answer(Description("1.0", "", ""))});
    OpenWindow();
    PointAt(server);
    CheckFromMenu();
    EXPECT_FALSE(Window->tmrUpdateDelayCheck().isActive());
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(UpdateNotification, ServerThatNeverAnswersFreezesNothingAndDoesNotHoldTheExit) {
    LoopbackHttpServer server({LoopbackHttpServer::Reply::Silent()});
    OpenWindow();
    PointAt(server);
    // Long limits: waiting for the check to end would hold the exit for a minute.
    DataModule->auUpgrade.setTimeouts({std::chrono::seconds(60), std::chrono::seconds(60),
                                       std::chrono::seconds(60)});
    AnswerDialogs();
    Find<QAction>("menCheckUpdates")->trigger();
    EXPECT_TRUE(Window->IsCheckingForUpdates());

    // The window's thread keeps turning while the request waits for its answer.
    int ticks = 0;
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&ticks] { ++ticks; });
    heartbeat.start(10);
    QElapsedTimer waited;
    waited.start();
    while (server.Requests().empty() && waited.elapsed() < 10000) QTest::qWait(10);
    ASSERT_EQ(server.Requests().size(), 1u);
    QTest::qWait(100);
    EXPECT_GT(ticks, 3);
    EXPECT_TRUE(Window->IsCheckingForUpdates());

    // A second request while the first is under way asks nothing more of the server.
    Find<QAction>("menCheckUpdates")->trigger();
    QTest::qWait(50);
    EXPECT_EQ(server.Requests().size(), 1u);

    QElapsedTimer closing;
    closing.start();
    CloseWindow();
    EXPECT_LT(closing.elapsed(), 10000);

    // The check ends when the server goes; what it brings back reaches no one.
    server.Stop();
    QTest::qWait(300);
    EXPECT_TRUE(Dialogs.empty());
    EXPECT_TRUE(Desktop.Informations.isEmpty());
    EXPECT_TRUE(Desktop.Errors.empty());
}

TEST_F(UpdateNotification, ACheckUnderWayAnswersTheMenuToo) {
    // The automatic check is silent; a menu request during it gets its answer.
    LoopbackHttpServer server({LoopbackHttpServer::Reply::Drip(
        "HTTP/1.1 200 OK", Description("2.0.2.61", "", ""), std::chrono::milliseconds(5))});
    OpenWindow();
    PointAt(server);
    Window->tmrUpdateDelayCheck().start(1);
    QElapsedTimer waited;
    waited.start();
    while (server.Requests().empty() && waited.elapsed() < 10000) QTest::qWait(5);
    ASSERT_TRUE(Window->IsCheckingForUpdates());
    CheckFromMenu();
    EXPECT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(Desktop.Informations, QStringList({"Aaaah no updates available yet :)"}));
}

TEST_F(UpdateNotification, LinkOpensOnlyWebAddresses) {
    const struct {
        const char* link;
        bool opens;
    } cases[] = {{"https://downloads.tarnwick.example/setup", true},
                 {"HTTP://downloads.tarnwick.example/", true},
                 {"", false},
                 {"file:///etc/passwd", false},
                 {"javascript:alert(1)", false},
                 {"/usr/bin/xterm", false},
                 {"http://", false}};
    for (const auto& c : cases) {
        QStringList opened;
        TfrmUpdate dialog([&opened](const QString& address) { opened.append(address); });
        dialog.SetDownloadLink(QString::fromLatin1(c.link));
        dialog.show();
        auto* label = dialog.findChild<QLabel*>("lblDownloadLink");
        EXPECT_EQ(label->text(), QString::fromLatin1(c.link));
        QTest::mouseClick(label, Qt::LeftButton);
        EXPECT_EQ(opened.size(), c.opens ? 1 : 0) << c.link;
    }
}

TEST_F(UpdateNotification, DialogLayout) {
    TfrmUpdate dialog([](const QString&) {});
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Update"));
    EXPECT_EQ(dialog.size(), QSize(415, 352));
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(dialog.findChild<QLabel*>("Label1")->text(), QStringLiteral("Update Available"));
    EXPECT_EQ(dialog.findChild<QLabel*>("Label2")->text(), QStringLiteral("New Version:"));
    EXPECT_EQ(dialog.findChild<QLabel*>("Label4")->text(), QStringLiteral("Download:"));
    EXPECT_EQ(dialog.findChild<QLabel*>("Label6")->text(), QStringLiteral("Update Message:"));
    EXPECT_EQ(dialog.findChild<QLabel*>("Image1")->pixmap().size(), QSize(32, 32));
    auto* message = dialog.findChild<QPlainTextEdit*>("memMessage");
    EXPECT_TRUE(message->isReadOnly());
    EXPECT_EQ(message->geometry(), QRect(24, 144, 361, 145));
    auto* close = dialog.findChild<QPushButton*>("btnClose");
    EXPECT_EQ(close->text(), QStringLiteral("&Close"));
    EXPECT_EQ(close->geometry(), QRect(310, 312, 75, 25));
    EXPECT_FALSE(close->isDefault());
    EXPECT_FALSE(close->autoDefault());

    dialog.show();
    QApplication::setActiveWindow(&dialog);
    message->setFocus();
    QTest::keyClick(message, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), close) << "the message comes first in tab order, then Close";
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible()) << "Esc does nothing special";
}

}  // namespace
