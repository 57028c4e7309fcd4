// Notices to the desktop: a long run that ends while the window is not active, and the
// freedesktop notification itself, sent on a private session bus and seen there by a
// bus monitor.
#include "WindowFixture.h"

#include "app/DesktopNotifyDbus.h"

#include <QDBusConnection>
#include <QProcess>
#include <QPushButton>

namespace {

class LongRunNotice : public WindowTest {
protected:
    // Runs a line by the Run button: a key sent to the window would make it active.
    void RunLine(const QString& ALine) {
        Find<QLineEdit>("edtCommand")->setText(ALine);
        Find<QPushButton>("btnRun")->click();
        ASSERT_TRUE(WaitForRun());
    }

    void TearDown() override {
        TfrmMain::NotifyAfterSeconds = 10;
        WindowTest::TearDown();
    }
};

TEST_F(LongRunNotice, ALongRunEndingWhileTheWindowIsInactiveIsToldToTheDesktop) {
    MakeRoot({QStringLiteral("shop")}, Path(QStringLiteral("www/shop")));
    OpenWindow();
    TfrmMain::NotifyAfterSeconds = 0.3;
    // Shown but not active: the user is in another window.
    Window->show();
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere));
    RunLine(QStringLiteral("sleep 0.5; echo slept"));
    ASSERT_FALSE(Window->isActiveWindow());
    ASSERT_EQ(Desktop.Notifications.size(), 1);
    EXPECT_TRUE(Desktop.Notifications[0].contains(QStringLiteral("sleep 0.5; echo slept")));
    // A short run says nothing, nor does a long one while the user looks at the window.
    RunLine(QStringLiteral("echo quick"));
    Window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Window.get()));
    RunLine(QStringLiteral("sleep 0.5"));
    EXPECT_EQ(Desktop.Notifications.size(), 1);
}

// A bus of the test's own; a monitor on it prints the calls made to the notification
// service, whether or not one is there to answer.
TEST(DesktopNotice, TheNotificationGoesOverTheSessionBus) {
    QProcess bus;
    bus.start(QStringLiteral("dbus-daemon"),
              {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    ASSERT_TRUE(bus.waitForStarted()) << "dbus-daemon is missing: scripts/install-deps installs it";
    ASSERT_TRUE(bus.waitForReadyRead(10000));
    const QString address = QString::fromUtf8(bus.readLine()).trimmed();
    ASSERT_FALSE(address.isEmpty());

    QProcess monitor;
    monitor.start(QStringLiteral("dbus-monitor"),
                  {QStringLiteral("--address"), address,
                   QStringLiteral("type='method_call',interface='org.freedesktop.Notifications'")});
    ASSERT_TRUE(monitor.waitForStarted());
    ASSERT_TRUE(monitor.waitForReadyRead(10000));  // it says it has become a monitor

    {
        QDBusConnection connection = QDBusConnection::connectToBus(address, QStringLiteral("notice-test"));
        ASSERT_TRUE(connection.isConnected());
        EXPECT_TRUE(NotifyOverBus(connection, QStringLiteral("A service crashed"),
                                  QStringLiteral("/srv/www/shop: Queue worker")));
    }
    QByteArray seen;
    QDeadlineTimer deadline(10000);
    while (!seen.contains("Queue worker") && !deadline.hasExpired() && monitor.waitForReadyRead(500))
        seen += monitor.readAll();
    QDBusConnection::disconnectFromBus(QStringLiteral("notice-test"));
    monitor.kill();
    bus.kill();
    monitor.waitForFinished();
    bus.waitForFinished();
    EXPECT_TRUE(seen.contains("member=Notify")) << seen.toStdString();
    EXPECT_TRUE(seen.contains("string \"A service crashed\"")) << seen.toStdString();
    EXPECT_TRUE(seen.contains("string \"/srv/www/shop: Queue worker\"")) << seen.toStdString();
}

}  // namespace
