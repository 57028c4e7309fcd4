#include "WindowFixture.h"
#include "app/frmLogViewer.h"

#include "../unit/TempFolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QAction>
#include <QDir>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

using testsupport::TempFolder;
using testsupport::WriteBytes;

template <typename T>
T* ByName(QWidget& AWindow, const QString& AName) {
    for (T* control : AWindow.findChildren<T*>())
        if (control->accessibleName() == AName) return control;
    ADD_FAILURE() << "no control named " << AName.toStdString();
    return nullptr;
}

QStringList ShownMessages(QWidget& AWindow) {
    QStringList messages;
    auto* entries = ByName<QTreeWidget>(AWindow, QStringLiteral("Log entries"));
    for (int i = 0; i < entries->topLevelItemCount(); ++i)
        if (!entries->topLevelItem(i)->isHidden()) messages << entries->topLevelItem(i)->text(3);
    return messages;
}

const std::string kLog =
    "[2026-12-10 15:00:01] local.INFO: Order saved [] []\n"
    "[2026-12-10 15:00:02] local.ERROR: Payment failed {\"exception\":\"[object] (RuntimeException(code: 0): "
    "Payment failed at /srv/app/app/Http/Controllers/PayController.php:42)\n[stacktrace]\n"
    "#0 /srv/app/vendor/laravel/framework/src/Pipeline.php(180): handle()\n"
    "#1 /srv/app/app/Http/Middleware/Audit.php(12): next()\n\"} \n"
    "[2026-12-10 15:00:03] local.WARNING: Slow query [] []\n";

TEST(LogViewer, EntriesFoldOpenWithProjectFramesAndFilterByLevelTextAndTime) {
    TempFolder folder;
    WriteBytes(folder / "laravel.log", kLog);
    TfrmLogViewer viewer(QString::fromStdString(folder.File("laravel.log")), {});
    EXPECT_EQ(ShownMessages(viewer), (QStringList{"Order saved", "Payment failed", "Slow query"}));

    auto* entries = ByName<QTreeWidget>(viewer, QStringLiteral("Log entries"));
    QTreeWidgetItem* error = entries->topLevelItem(1);
    EXPECT_EQ(error->text(2), "ERROR");
    ASSERT_EQ(error->childCount(), 5);
    EXPECT_FALSE(error->child(2)->font(0).bold());  // vendor frame
    EXPECT_TRUE(error->child(3)->font(0).bold());   // project frame
    EXPECT_EQ(error->child(3)->toolTip(0), "/srv/app/app/Http/Middleware/Audit.php:12");

    auto* level = ByName<QComboBox>(viewer, QStringLiteral("Log level"));
    level->setCurrentText(QStringLiteral("WARNING"));
    EXPECT_EQ(ShownMessages(viewer), (QStringList{"Payment failed", "Slow query"}));
    ByName<QCheckBox>(viewer, QStringLiteral("Only this level"))->setChecked(true);
    EXPECT_EQ(ShownMessages(viewer), (QStringList{"Slow query"}));
    ByName<QCheckBox>(viewer, QStringLiteral("Only this level"))->setChecked(false);
    level->setCurrentIndex(0);
    ByName<QLineEdit>(viewer, QStringLiteral("Filter log entries"))->setText(QStringLiteral("audit.php"));
    EXPECT_EQ(ShownMessages(viewer), (QStringList{"Payment failed"}));

    ByName<QLineEdit>(viewer, QStringLiteral("Filter log entries"))->clear();
    ByName<QLineEdit>(viewer, QStringLiteral("Entries from time"))->setText(QStringLiteral("2026-12-10 15:00:02"));
    EXPECT_EQ(ShownMessages(viewer), (QStringList{"Payment failed", "Slow query"}));
    ByName<QLineEdit>(viewer, QStringLiteral("Entries from time"))->clear();
    ByName<QLineEdit>(viewer, QStringLiteral("Entries up to time"))->setText(QStringLiteral("2026-12-10 15:00:02"));
    EXPECT_EQ(ShownMessages(viewer), (QStringList{"Order saved", "Payment failed"}));
    ByName<QLineEdit>(viewer, QStringLiteral("Entries up to time"))->setText(QStringLiteral("2026-12-10 15:00"));
    EXPECT_EQ(ShownMessages(viewer).size(), 3);
}

TEST(LogViewer, AProjectFrameOpensAtItsFileAndLineAndOtherRowsDoNot) {
    TempFolder folder;
    WriteBytes(folder / "laravel.log", kLog);
    TfrmLogViewer viewer(QString::fromStdString(folder.File("laravel.log")), {});
    QStringList opened;
    viewer.SetOpenAt([&](const QString& AFile, int ALine) { opened << AFile + ':' + QString::number(ALine); });
    auto* entries = ByName<QTreeWidget>(viewer, QStringLiteral("Log entries"));
    QTreeWidgetItem* error = entries->topLevelItem(1);
    for (QTreeWidgetItem* item : {error->child(3), error->child(2), error, error->child(1)}) {
        entries->setCurrentItem(item);
        QTest::keyClick(entries, Qt::Key_Return);
    }
    EXPECT_EQ(opened, (QStringList{"/srv/app/app/Http/Middleware/Audit.php:12"}));
}

TEST(LogViewer, FollowShowsNewEntriesAndSurvivesRemoval) {
    TempFolder folder;
    const auto file = folder / "laravel.log";
    WriteBytes(file, kLog);
    TfrmLogViewer viewer(QString::fromStdString(file.string()), {});
    ByName<QCheckBox>(viewer, QStringLiteral("Follow the log"))->setChecked(true);

    std::ofstream(file, std::ios::binary | std::ios::app) << "[2026-12-10 15:00:04] local.ERROR: Written later [] []\n";
    EXPECT_TRUE(QTest::qWaitFor([&] { return ShownMessages(viewer).contains("Written later"); }, 2000));

    std::filesystem::remove(file);
    auto* state = ByName<QLabel>(viewer, QStringLiteral("Log state"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return state->text().contains("does not exist"); }, 2000));
    EXPECT_TRUE(ShownMessages(viewer).isEmpty());

    WriteBytes(file, "[2026-12-10 15:00:05] local.INFO: Back again [] []\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return ShownMessages(viewer) == QStringList{"Back again"}; }, 2000));
}

TEST(LogViewer, NewErrorsAreToldWhileTheViewerIsInactive) {
    TempFolder folder;
    const auto file = folder / "laravel.log";
    WriteBytes(file, kLog);  // errors already there are not news
    TfrmLogViewer viewer(QString::fromStdString(file.string()), {});
    QStringList told;
    viewer.SetNotify([&](const QString& ALevel, const QString& AMessage) { told << ALevel + ": " + AMessage; });
    ASSERT_FALSE(viewer.isActiveWindow());
    std::ofstream(file, std::ios::binary | std::ios::app) << "[2026-12-10 15:00:04] local.INFO: Fine [] []\n"
                                                          << "[2026-12-10 15:00:05] local.CRITICAL: Disk full [] []\n"
                                                          << "[2026-12-10 15:00:06] local.ERROR: Timeout [] []\n";
    viewer.ReadOn();
    EXPECT_EQ(told, (QStringList{"CRITICAL: Disk full", "ERROR: Timeout"}));
    EXPECT_EQ(ShownMessages(viewer).size(), 6);
}

TEST(LogViewer, ClearLogAsksFirst) {
    TempFolder folder;
    const auto file = folder / "laravel.log";
    WriteBytes(file, kLog);
    bool answer = false;
    QString asked;
    TfrmLogViewer viewer(QString::fromStdString(file.string()), [&](const QString& AQuestion) {
        asked = AQuestion;
        return answer;
    });
    auto* clear = ByName<QPushButton>(viewer, QStringLiteral("Clear log"));
    clear->click();
    EXPECT_TRUE(asked.contains("laravel.log"));
    EXPECT_EQ(std::filesystem::file_size(file), kLog.size());
    answer = true;
    clear->click();
    EXPECT_EQ(std::filesystem::file_size(file), 0u);
    EXPECT_TRUE(ShownMessages(viewer).isEmpty());
}

class LogViewerWindow : public WindowTest {};

TEST_F(LogViewerWindow, ViewsLogOpensTheProjectsNewestLogAndClearAsksThroughTheDesktop) {
    MakeRoot({QStringLiteral("shop")}, Path(QStringLiteral("www/shop")));
    const QString logs = Path(QStringLiteral("www/shop/storage/logs"));
    QDir().mkpath(logs);
    WriteBytes((logs + QStringLiteral("/laravel.log")).toStdString(), kLog);
    OpenWindow();
    Find<QAction>("menViewLog")->trigger();
    auto* viewer = Window->findChild<TfrmLogViewer*>();
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(ShownMessages(*viewer), (QStringList{"Order saved", "Payment failed", "Slow query"}));

    Desktop.ConfirmAnswers = {false};
    ByName<QPushButton>(*viewer, QStringLiteral("Clear log"))->click();
    ASSERT_EQ(Desktop.Confirms.size(), 1);
    EXPECT_EQ(ShownMessages(*viewer).size(), 3);
    Desktop.ConfirmAnswers = {true};
    ByName<QPushButton>(*viewer, QStringLiteral("Clear log"))->click();
    EXPECT_TRUE(ShownMessages(*viewer).isEmpty());
    EXPECT_EQ(QFileInfo(logs + QStringLiteral("/laravel.log")).size(), 0);
}

}  // namespace
