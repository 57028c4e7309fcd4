// The reads the program makes for itself (the palette's lists, the tools' checks): off
// the window's thread, through the project's tools, bounded, and stopped with their
// whole process tree when the user cancels or quits.
#include "WindowFixture.h"

#include "app/BackgroundJobs.h"
#include "app/CatalogueStore.h"
#include "app/Screenful.h"
#include "app/frmPaletteUnit.h"
#include "app/frmToolsUnit.h"
#include "tests/unit/ProcessTable.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QThread>

#include <atomic>

namespace {

using namespace std::chrono_literals;
using testsupport::HoldsWithin;
using testsupport::ProcessesRunning;

bool SleepRunning(const char* ASeconds) { return !ProcessesRunning({"sleep", ASeconds}).empty(); }

TEST(BackgroundJobsTest, ResultsComeBackOnTheOwnersThreadAndAStoppedJobsResultIsDropped) {
    TBackgroundJobs jobs;
    QSignalSpy idle(&jobs, &TBackgroundJobs::idle);
    QThread* doneOn = nullptr;
    QThread* ranOn = nullptr;
    jobs.Start<int>(
        &jobs,
        [&ranOn](TJobStop&) {
            ranOn = QThread::currentThread();
            return 42;
        },
        [&doneOn](int AResult) {
            EXPECT_EQ(AResult, 42);
            doneOn = QThread::currentThread();
        });
    ASSERT_TRUE(idle.wait(10000));
    EXPECT_EQ(doneOn, QThread::currentThread());
    EXPECT_NE(ranOn, QThread::currentThread());

    // A job blocked until its stop hook reaches it.
    std::atomic<bool> hookReached = false;
    bool delivered = false;
    const auto stop = jobs.Start<int>(
        &jobs,
        [&hookReached](TJobStop& AStop) {
            AStop.setStopHook([&hookReached] { hookReached = true; });
            while (!hookReached) QThread::msleep(5);
            AStop.setStopHook({});
            return 1;
        },
        [&delivered](int) { delivered = true; });
    EXPECT_EQ(jobs.Count(), 1);
    stop->Stop();
    ASSERT_TRUE(idle.wait(10000));
    EXPECT_TRUE(hookReached);
    EXPECT_FALSE(delivered);
    EXPECT_EQ(jobs.Count(), 0);
}

// Quitting stops every job; the program then waits, within a bound, for their workers.
TEST(BackgroundJobsTest, TheProgramCanWaitForStoppedJobsToEnd) {
    std::atomic<bool> stopped = false;
    {
        TBackgroundJobs jobs;
        jobs.Start<int>(
            &jobs,
            [&stopped](TJobStop& AStop) {
                TStopHookScope hook(&AStop, [&stopped] { stopped = true; });
                while (!stopped) QThread::msleep(5);
                // A job that takes a moment to wind down after its stop.
                QThread::msleep(300);
                return 1;
            },
            {});
        EXPECT_FALSE(TBackgroundJobs::WaitForWorkers(50ms));
    }
    EXPECT_TRUE(stopped);
    EXPECT_FALSE(TBackgroundJobs::WaitForWorkers(50ms));
    EXPECT_TRUE(TBackgroundJobs::WaitForWorkers(10s));
}

TEST(ScreenfulTest, LongTextIsCutToAScreenfulWithAnEllipsis) {
    const QString line = QStringLiteral("0123456789\n");
    struct Case {
        QString Text;
        QString Expected;
    };
    const Case cases[] = {
        {QStringLiteral("short"), QStringLiteral("short")},
        {QString(kScreenfulChars, u'x'), QString(kScreenfulChars, u'x')},
        {QString(kScreenfulChars + 1, u'x'), QString(kScreenfulChars, u'x') + u'\u2026'},
        {QString(2'000'000, u'x'), QString(kScreenfulChars, u'x') + u'\u2026'},
        {line.repeated(kScreenfulLines), line.repeated(kScreenfulLines)},
        {line.repeated(kScreenfulLines + 1), line.repeated(kScreenfulLines).chopped(1) + u'\u2026'},
        // A character of two UTF-16 halves is not split.
        {QString(kScreenfulChars - 1, u'x') + QStringLiteral("\U0001F600tail"),
         QString(kScreenfulChars - 1, u'x') + u'\u2026'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text.left(40).toStdString());
        EXPECT_EQ(Screenful(c.Text), c.Expected);
    }
}

// A project in the real window whose PHP is a script that records its calls.
class PaletteReads : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        Project = MakeRoot({QStringLiteral("shop")}, Path(QStringLiteral("www/shop"))) + QStringLiteral("/shop");
        WriteFile(Project + QStringLiteral("/artisan"), "<?php\n");
        Php = Path(QStringLiteral("tools/php 8.1"));
        Record = Path(QStringLiteral("record.txt"));
        OpenWindow();
    }

    // The project's PHP (and Composer through it) is a script: AArtisan runs for the
    // artisan list, AComposer for Composer's.
    void UsePhpScript(const QByteArray& AArtisan, const QByteArray& AComposer) {
        QDir().mkpath(QFileInfo(Php).path());
        WriteFile(Php, "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" + Record.toUtf8() +
                           "'\ncase \"$1\" in\nartisan) " + AArtisan + " ;;\n*) " + AComposer + " ;;\nesac\n");
        QFile::setPermissions(Php, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        TProjectTools tools;
        tools.PhpProgram = Php.toStdString();
        tools.ComposerProgram = TProjectTools::kProjectComposerPhar;
        ASSERT_TRUE(Window->ToolsStore().Save(Project.toStdString(), tools));
    }

    TfrmPalette& OpenPalette() {
        Find<QAction>("menRunAnyCommand")->trigger();
        return Window->Palette();
    }

    QString Status(TfrmPalette& APalette) const {
        return APalette.findChild<QLabel*>(QStringLiteral("lblStatus"))->text();
    }

    QString Project;
    QString Php;
    QString Record;
};

TEST_F(PaletteReads, TheListsComeFromTheProjectsPhp) {
    UsePhpScript("cat '" TARNWICK_FIXTURES_DIR "/catalogue/artisan-list.json'",
                 "cat '" TARNWICK_FIXTURES_DIR "/catalogue/composer-list.json'");
    QSignalSpy loaded(&Window->CatalogueStore(), &TCatalogueStore::loaded);
    TfrmPalette& palette = OpenPalette();
    ASSERT_TRUE(loaded.wait(20000));
    EXPECT_EQ(ReadFile(Record), "artisan list --format=json\ncomposer.phar list --format=json\n");
    EXPECT_EQ(Status(palette), QString());
    auto* list = palette.findChild<QListWidget*>(QStringLiteral("lstCommands"));
    EXPECT_GT(list->count(), 20);

    // Other tools make the kept lists stale.
    TProjectTools other;
    other.PhpProgram = "/usr/bin/php8.1";
    ASSERT_TRUE(Window->ToolsStore().Save(Project.toStdString(), other));
    EXPECT_EQ(Window->CatalogueStore().Cached(Project), nullptr);
}

// A list that never ends and one that fails with megabytes: both are stopped or cut, and
// the label shows a screenful of each.
TEST_F(PaletteReads, AFloodingListIsStoppedAndTheLabelShowsAScreenful) {
    UsePhpScript("exec yes flood3051", "head -c 2000000 /dev/zero | tr '\\0' x; exit 1");
    QSignalSpy loaded(&Window->CatalogueStore(), &TCatalogueStore::loaded);
    TfrmPalette& palette = OpenPalette();
    ASSERT_TRUE(loaded.wait(30000));
    const QString status = Status(palette);
    const TProjectTools tools = Window->ProjectTools();
    const QString routed = QString::fromStdString(RouteCommandLine(tools, "php artisan list --format=json"));
    EXPECT_TRUE(status.startsWith(u'"' + routed + QStringLiteral("\" was stopped: it printed more than 8 MiB. "
                                                                 "It printed:\nflood3051\nflood3051\n")))
        << status.left(300).toStdString();
    EXPECT_TRUE(status.contains(QStringLiteral("\n\n\"composer list\" gave no list of commands (exit status 1):\nxxx")))
        << status.left(300).toStdString();
    EXPECT_LT(status.size(), 2 * (kScreenfulChars + 1) + 2);
    EXPECT_TRUE(status.endsWith(u'\u2026'));
    EXPECT_TRUE(HoldsWithin([] { return ProcessesRunning({"yes", "flood3051"}).empty(); }, 5s));
}

TEST_F(PaletteReads, ADeletedProjectFolderGivesOneMessage) {
    ASSERT_TRUE(QDir(Project).removeRecursively());
    QSignalSpy loaded(&Window->CatalogueStore(), &TCatalogueStore::loaded);
    TfrmPalette& palette = OpenPalette();
    ASSERT_TRUE(loaded.wait(20000));
    EXPECT_EQ(Status(palette), QStringLiteral("The project folder \"%1\" no longer exists. Choose another project, "
                                              "or refresh the list (Ctrl+R).")
                                   .arg(Project));
    EXPECT_EQ(palette.findChild<QListWidget*>(QStringLiteral("lstCommands"))->count(), 0);
}

// Quitting while the palette waits for a list that never answers: the window closes and
// the hung tool goes.
TEST_F(PaletteReads, ClosingTheWindowEndsAListThatNeverAnswers) {
    UsePhpScript("exec sleep 3031", "exec sleep 3031");
    OpenPalette();
    ASSERT_TRUE(HoldsWithin([] { return SleepRunning("3031"); }, 20s));
    EXPECT_TRUE(Window->close());
    CloseWindow();
    EXPECT_TRUE(HoldsWithin([] { return !SleepRunning("3031"); }, 5s));
}

// Cancel, or closing the dialog, while a check line hangs: the dialog goes at once, the
// line's tree ends and no result comes after.
class ToolsCheckStop : public WindowTest {};

TEST_F(ToolsCheckStop, CancelOrCloseEndsAHangingCheck) {
    const QString php = Path(QStringLiteral("php-hangs"));
    WriteFile(php, "#!/bin/sh\nexec sleep 3041\n");
    QFile::setPermissions(php, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    TProjectTools tools;
    tools.PhpProgram = php.toStdString();
    for (const bool viaCancel : {true, false}) {
        SCOPED_TRACE(viaCancel ? "Cancel" : "close");
        TfrmTools dialog(Temp.path(), tools, QString());
        dialog.show();
        dialog.findChild<QPushButton*>(QStringLiteral("btnCheck"))->click();
        ASSERT_TRUE(HoldsWithin([] { return SleepRunning("3041"); }, 20s));
        if (viaCancel)
            dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
        else
            dialog.close();
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_FALSE(dialog.IsChecking());
        EXPECT_TRUE(HoldsWithin([] { return !SleepRunning("3041"); }, 5s));
        QTest::qWait(100);
        EXPECT_EQ(dialog.CheckResults(), QString());
    }
}

}  // namespace
