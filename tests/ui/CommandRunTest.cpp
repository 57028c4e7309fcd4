// A live run's output on its way to the window's thread: batches after the child's end
// with the event loop turning between them, and what a stop cuts.
#include "app/CommandRun.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <functional>
#include <vector>
#include <thread>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

struct TRunRecord {
    QString Output;
    std::vector<int> TurnsAtPiece;  // the event loop's turns seen when each piece came
    std::vector<qint64> Cuts;
    bool Finished = false;
};

// Runs ACommand to its end, a zero timer counting the event loop's turns meanwhile;
// AOnPiece sees each piece as it comes.
TRunRecord RunToEnd(TCommandRun& ARun, const std::function<void(const QString&)>& AOnPiece = {}) {
    TRunRecord record;
    int turns = 0;
    QTimer turn;
    turn.setInterval(0);
    QObject::connect(&turn, &QTimer::timeout, [&turns] { ++turns; });
    QEventLoop loop;
    QObject::connect(&ARun, &TCommandRun::outputArrived, [&](const QString& AText) {
        record.Output += AText;
        record.TurnsAtPiece.push_back(turns);
        if (AOnPiece) AOnPiece(AText);
    });
    QObject::connect(&ARun, &TCommandRun::outputCut, [&](qint64 ABytes) { record.Cuts.push_back(ABytes); });
    QObject::connect(&ARun, &TCommandRun::finished, [&] {
        record.Finished = true;
        loop.quit();
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    turn.start();
    ARun.Start();
    loop.exec();
    return record;
}

TEST(CommandRun, AfterTheChildEndsTheRestComesInBatchesWithTheLoopTurningBetween) {
    // Each piece takes the window 10 ms here, so a batch holds at most this many.
    constexpr int kPieceMs = 10;
    constexpr int kMostPiecesPerBatch = TCommandRun::kBatchBudgetMs / kPieceMs + 1;
    QTemporaryDir folder;
    const QString done = folder.filePath(QStringLiteral("done"));
    // A megabyte that the worker takes at once; the child is over long before the
    // window has shown it.
    TCommandRun run("head -c 1048576 /dev/zero | tr '\\0' x; touch done", true, folder.path().toStdString());
    bool first = true;
    const TRunRecord record = RunToEnd(run, [&](const QString&) {
        if (first) {
            first = false;
            for (int i = 0; i < 500 && !QFile::exists(done); ++i) std::this_thread::sleep_for(10ms);
            std::this_thread::sleep_for(200ms);  // the worker sees the end of the output
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kPieceMs));
    });
    ASSERT_TRUE(record.Finished);
    EXPECT_EQ(record.Output, QString(1048576, u'x'));
    EXPECT_TRUE(record.Cuts.empty());
    // Consecutive pieces without a turn between them belong to one batch.
    ASSERT_GT(record.TurnsAtPiece.size(), 20u);
    int batch = 1;
    int longest = 1;
    for (std::size_t i = 1; i < record.TurnsAtPiece.size(); ++i) {
        batch = record.TurnsAtPiece[i] == record.TurnsAtPiece[i - 1] ? batch + 1 : 1;
        longest = std::max(longest, batch);
    }
    EXPECT_LE(longest, kMostPiecesPerBatch);
}

TEST(CommandRun, StopCutsWhatWasReadAndNotShownAndSaysHowMuchOnce) {
    QTemporaryDir folder;
    constexpr qsizetype kWritten = 3 * 1024 * 1024;
    TCommandRun run("head -c 3145728 /dev/zero | tr '\\0' x; exec sleep 30", true, folder.path().toStdString());
    run.setStopGraceMs(300);
    bool stopped = false;
    const TRunRecord record = RunToEnd(run, [&](const QString&) {
        if (stopped) return;
        // The worker reads on while the window is busy: most of the output waits.
        std::this_thread::sleep_for(500ms);
        run.Stop();
        stopped = true;
    });
    ASSERT_TRUE(record.Finished);
    EXPECT_EQ(run.End().Kind, TRunEnd::TKind::Stopped);
    ASSERT_EQ(record.Cuts.size(), 1u);
    EXPECT_GT(record.Cuts[0], 0);
    // Every byte written was either shown or counted as cut.
    EXPECT_EQ(record.Output.size() + record.Cuts[0], kWritten);
    EXPECT_EQ(record.Output, QString(record.Output.size(), u'x'));
}

TEST(CommandRun, WhatAStoppedChildStillWritesIsShownUpToALimit) {
    QTemporaryDir folder;
    constexpr qsizetype kFarewell = 200 * 1024;
    TCommandRun run("trap 'head -c 204800 /dev/zero | tr \"\\0\" y; exit 3' INT; echo ready; "
                    "while :; do sleep 0.05; done",
                    true, folder.path().toStdString());
    const TRunRecord record = RunToEnd(run, [&](const QString& AText) {
        if (AText.contains(QStringLiteral("ready"))) run.Stop();
    });
    ASSERT_TRUE(record.Finished);
    EXPECT_EQ(record.Output, QStringLiteral("ready\n") + QString(TCommandRun::kAfterStopBytes, u'y'));
    ASSERT_EQ(record.Cuts.size(), 1u);
    EXPECT_EQ(record.Cuts[0], kFarewell - qint64(TCommandRun::kAfterStopBytes));
}

TEST(CommandRun, OutputAfterAQuietSpellIsHandedOverAtOnce) {
    // Batches 2 s apart: the answer to input written just after one would wait almost
    // 2 s for the next.
    QTemporaryDir folder;
    TCommandRun run("read line; echo \"got $line\"; read line", true, folder.path().toStdString());
    run.setBatchIntervalMs(2000);
    QElapsedTimer sinceInput;
    QTimer::singleShot(2100, [&] {
        sinceInput.start();
        run.WriteInput(QStringLiteral("hello\n"));
    });
    qint64 answerMs = -1;
    const TRunRecord record = RunToEnd(run, [&](const QString& AText) {
        if (answerMs >= 0 || !AText.contains(QStringLiteral("got hello"))) return;
        answerMs = sinceInput.elapsed();
        run.CloseInput();
    });
    ASSERT_TRUE(record.Finished);
    EXPECT_EQ(record.Output, QStringLiteral("got hello\n"));
    EXPECT_GE(answerMs, 0);
    EXPECT_LT(answerMs, 1000);
}

TEST(CommandRun, StreamingOutputKeepsThePaceOfTheBatches) {
    // A line every 10 ms for about a second, batches 200 ms apart: a handful of pieces,
    // not one per line.
    QTemporaryDir folder;
    TCommandRun run("i=0; while [ $i -lt 100 ]; do echo $i; sleep 0.01; i=$((i+1)); done", true,
                    folder.path().toStdString());
    run.setBatchIntervalMs(200);
    QElapsedTimer clock;
    clock.start();
    const TRunRecord record = RunToEnd(run);
    ASSERT_TRUE(record.Finished);
    EXPECT_TRUE(record.Output.endsWith(QStringLiteral("\n99\n")));
    // One piece per interval, one more for a quiet start and the rest after the end.
    EXPECT_LE(qint64(record.TurnsAtPiece.size()), clock.elapsed() / 200 + 3);
}

}  // namespace
