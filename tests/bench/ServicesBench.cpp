// Measures the Services board's load on the window and prints the figures beside their
// peers, measured side by side in the same run:
//   1. five services printing about 1,000 lines a second each, each into its own view as
//      the board wires it, while a one-off run of 64 MiB goes into the console: the
//      longest time the window's thread was away from its event loop (goal 50 ms), the
//      peak memory against what the views hold (goal 3 times), and the one-off run's
//      time against the same run with no services (goal 1.2 times);
//   2. start to first output of "php artisan serve" through a service against the same
//      command spawned directly (goal 1.1 times).
//   build/tarnwick_services_bench [MiB]
#include "BenchSupport.h"
#include "app/CommandRun.h"
#include "app/ConsoleEdit.h"
#include "app/ServiceRun.h"
#include "components/ProjectTools.h"
#include "platform/LocalPorts.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using bench::PeakRssBytes;
using bench::Ratio;
using bench::ResetPeakRss;

struct TOneOff {
    double Seconds = 0;
    double LongestStallMs = 0;
    qsizetype HeldCharacters = 0;  // what the console holds at the end
};

// The one-off run into a console as the window wires it, with a heartbeat noting the
// longest time the thread was away from its event loop.
TOneOff RunOneOff(const std::string& ACommand, const QString& AFolder) {
    TConsoleEdit console;
    console.resize(640, 300);
    console.show();
    TCommandRun run(ACommand, true, AFolder.toStdString());
    QEventLoop loop;
    QObject::connect(&run, &TCommandRun::startReported, [&](const QString&, bool) { console.BeginOutput(); });
    QObject::connect(&run, &TCommandRun::outputArrived, [&](const QString& AText) { console.AppendOutput(AText); });
    QObject::connect(&run, &TCommandRun::finished, [&] {
        console.EndOutput();
        loop.quit();
    });
    TOneOff figures;
    QElapsedTimer clock;
    clock.start();
    const bench::StallWatch stalls;
    run.Start();
    loop.exec();
    figures.LongestStallMs = stalls.LongestMs();
    figures.Seconds = double(clock.nsecsElapsed()) / 1e9;
    figures.HeldCharacters = console.document()->characterCount();
    return figures;
}

void Turn(int AMilliseconds) {
    QEventLoop loop;
    QTimer::singleShot(AMilliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// Services and one-off run, with and without the services.
void ServicesBesideAOneOffRun(long AMegabytes, const QString& AFolder) {
    const std::string oneOff = "head -c " + std::to_string(AMegabytes * 1024 * 1024) +
                               " /dev/zero | tr '\\0' x | fold -w 79";
    std::printf("five services at about 1,000 lines/s each, beside a one-off run of %ld MiB:\n", AMegabytes);
    const TOneOff alone = RunOneOff(oneOff, AFolder);

    std::vector<std::unique_ptr<TServiceRun>> services;
    std::vector<std::unique_ptr<TConsoleEdit>> views;
    for (int i = 1; i <= 5; ++i) {
        TServiceDefinition definition;
        definition.Key = "own:" + std::to_string(i);
        definition.Name = "Printer " + std::to_string(i);
        definition.CommandLine = "n=0; while :; do seq $n $((n+99)); n=$((n+100)); sleep 0.1; done";
        auto run = std::make_unique<TServiceRun>(definition, AFolder, TProjectTools{});
        auto view = std::make_unique<TConsoleEdit>();
        view->setCapacity(qsizetype(2) * 1024 * 1024);
        TConsoleEdit* shown = view.get();
        QObject::connect(run.get(), &TServiceRun::outputArrived, shown, [shown](const QString& AText) {
            if (!shown->InOutput()) shown->BeginOutput();
            shown->AppendOutput(AText);
        });
        run->Start();
        services.push_back(std::move(run));
        views.push_back(std::move(view));
    }
    Turn(1000);  // the services are up and printing
    ResetPeakRss();
    const double before = PeakRssBytes();
    const TOneOff beside = RunOneOff(oneOff, AFolder);
    const double peak = PeakRssBytes();
    qsizetype held = 0;
    for (const auto& view : views) held += view->document()->characterCount();
    for (auto& service : services) service->StopAndWait();

    std::printf("%-44s %10.3f ms  (goal <= 50.00 ms) %s  (%.3f ms with no services)\n",
                "longest window-thread stall", beside.LongestStallMs, beside.LongestStallMs <= 50.0 ? "met" : "MISSED",
                alone.LongestStallMs);
    // What the views and the console hold, as UTF-16 text (the console keeps the newest
    // part of a run longer than its capacity).
    const double holds = double(held + beside.HeldCharacters) * 2;
    std::printf("%-44s %10.1f MiB vs %8.1f MiB held  ratio %6.2f  (goal <= 3.00) %s  (%.1f MiB before the run)\n",
                "peak memory vs what the views hold", peak / 1048576, holds / 1048576, peak / holds,
                peak / holds <= 3.0 ? "met" : "MISSED", before / 1048576);
    Ratio("one-off run: with five services vs alone", beside.Seconds, alone.Seconds, 1.2, "s ");
    std::printf("\n");
}

// Start to the first output of "php artisan serve": through a service, and spawned
// directly; the median of a few starts each.
void ServeStart(const QString& AProject, int ATrials) {
    std::vector<double> board;
    std::vector<double> direct;
    for (int trial = 0; trial < ATrials; ++trial) {
        {
            TServiceDefinition definition;
            definition.Kind = TServiceDefinition::TKind::DevelopmentServer;
            definition.Key = "serve";
            definition.Name = "Development server";
            definition.CommandLine = "php artisan serve";
            TServiceRun run(definition, AProject, TProjectTools{});
            QEventLoop loop;
            QObject::connect(&run, &TServiceRun::outputArrived, &loop, &QEventLoop::quit);
            QTimer::singleShot(20000, &loop, &QEventLoop::quit);
            QElapsedTimer clock;
            clock.start();
            run.Start();
            loop.exec();
            board.push_back(double(clock.nsecsElapsed()) / 1e6);
            run.StopAndWait();
        }
        {
            const int port = platform::FirstFreeLocalPort(TServiceRun::kFirstServerPort, TServiceRun::kLastServerPort);
            QProcess process;
            process.setWorkingDirectory(AProject);
            process.setProcessChannelMode(QProcess::MergedChannels);
            QElapsedTimer clock;
            clock.start();
            process.start(QStringLiteral("/bin/sh"),
                          {QStringLiteral("-c"), QStringLiteral("php artisan serve --port=%1").arg(port)});
            process.waitForReadyRead(20000);
            direct.push_back(double(clock.nsecsElapsed()) / 1e6);
            // The server runs in a process of its own under the shell: end the group.
            QProcess::execute(QStringLiteral("pkill"), {QStringLiteral("-f"), QStringLiteral("serve --port=%1").arg(port)});
            process.kill();
            process.waitForFinished();
        }
    }
    std::sort(board.begin(), board.end());
    std::sort(direct.begin(), direct.end());
    std::printf("php artisan serve, start to first output (median of %d):\n", ATrials);
    Ratio("through a service vs spawned directly", board[board.size() / 2], direct[direct.size() / 2], 1.1, "ms");
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const long megabytes = argc > 1 ? std::atol(argv[1]) : 64;
    QTemporaryDir scratch;
    ServicesBesideAOneOffRun(megabytes, scratch.path());

    // A fresh Laravel application for the development server.
    const QString project = scratch.filePath(QStringLiteral("shop"));
    if (QProcess::execute(QStringLiteral("bash"), {QStringLiteral(TARNWICK_E2E_DIR "/make-laravel-app.sh"), project}) != 0) {
        std::fprintf(stderr, "the Laravel application could not be made\n");
        return 1;
    }
    ServeStart(project, 5);
    return 0;
}
