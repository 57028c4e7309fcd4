// Measures the paths that carry a command's output, and prints the figures:
//   build/tarnwick_bench [megabytes]
// The runner collecting a child's output through the pipe, decoding it, and adding it
// to the console; then the live path (a worker run streaming into the console) side by
// side with a plain read loop into a bare text edit, the longest stall of the window's
// thread, the peak memory, and the cost of starting a command.

#include "app/CommandRun.h"
#include "app/ConsoleEdit.h"
#include "components/Cmd.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QTimer>

#include <algorithm>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void Report(const char* what, double megabytes, double seconds) {
    std::printf("%-44s %8.3f s  %8.1f MiB/s\n", what, seconds, megabytes / seconds);
}

// The process's peak resident memory so far, in bytes (VmHWM).
double PeakRssBytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            double kilobytes = 0;
            status >> kilobytes;
            return kilobytes * 1024;
        }
        status.ignore(1 << 20, '\n');
    }
    return 0;
}

void ResetPeakRss() {
    // Writing 5 to clear_refs resets the peak to the current figure (Linux 4.0 and later).
    std::ofstream("/proc/self/clear_refs") << "5";
}

void Ratio(const char* what, double value, double peer, double goal, const char* unit) {
    std::printf("%-44s %10.3f %s vs %10.3f %s  ratio %6.2f  (goal <= %.2f) %s\n", what, value, unit, peer, unit,
                value / peer, goal, value / peer <= goal ? "met" : "MISSED");
}

struct LiveFigures {
    double Seconds = 0;
    double LongestStallMs = 0;
    double PeakRss = 0;
    qsizetype Characters = 0;
};

// One run through the live path into a console, wired as the window wires it, while a
// heartbeat timer notes the longest time the thread was away from its event loop.
LiveFigures RunLive(const std::string& ACommand, qsizetype ACapacity) {
    TConsoleEdit console;
    console.resize(640, 300);
    console.show();
    console.setCapacity(ACapacity);
    TCommandRun run(ACommand, true, std::filesystem::temp_directory_path().string());
    QEventLoop loop;
    QObject::connect(&run, &TCommandRun::startReported, [&](const QString& AText, bool) {
        console.AddText(AText);
        console.AddText(QStringLiteral("Command: ") + QString::fromStdString(ACommand));
        console.BeginOutput();
    });
    QObject::connect(&run, &TCommandRun::outputArrived, [&](const QString& AText) { console.AppendOutput(AText); });
    QObject::connect(&run, &TCommandRun::finished, [&] {
        console.EndOutput();
        console.AddEndLine(QStringLiteral("Exit code 0"), true);
        loop.quit();
    });

    LiveFigures figures;
    QElapsedTimer beat;
    QTimer heartbeat;
    heartbeat.setInterval(1);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        figures.LongestStallMs = std::max(figures.LongestStallMs, double(beat.nsecsElapsed()) / 1e6);
        beat.restart();
    });
    ResetPeakRss();
    const auto start = Clock::now();
    beat.start();
    heartbeat.start();
    run.Start();
    loop.exec();
    heartbeat.stop();
    figures.Seconds = SecondsSince(start);
    figures.PeakRss = PeakRssBytes();
    figures.Characters = console.document()->characterCount() - 1;
    return figures;
}

// The peer: the same bytes read by a plain 64 KiB read loop and set into a bare text
// edit at once.
double RunPlain(const std::string& ACommand, qsizetype& ACharacters) {
    const auto start = Clock::now();
    FILE* pipe = popen(ACommand.c_str(), "r");
    QByteArray bytes;
    std::vector<char> buffer(64 * 1024);
    for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) bytes.append(buffer.data(), qsizetype(n));
    pclose(pipe);
    QPlainTextEdit edit;
    edit.resize(640, 300);
    edit.show();
    edit.setPlainText(QString::fromUtf8(bytes));
    QCoreApplication::processEvents();
    ACharacters = edit.document()->characterCount() - 1;
    return SecondsSince(start);
}

double StartTrueThroughTheRunner(int ATimes) {
    TCmd runner;
    runner.setCommmandStr("true");
    const std::string folder = std::filesystem::temp_directory_path().string();
    const auto start = Clock::now();
    for (int i = 0; i < ATimes; ++i) runner.RunCommand(folder);
    return SecondsSince(start);
}

double StartTrueDirectly(int ATimes) {
    const auto start = Clock::now();
    char shell[] = "/bin/sh";
    char option[] = "-c";
    char command[] = "true";
    char* argv[] = {shell, option, command, nullptr};
    for (int i = 0; i < ATimes; ++i) {
        pid_t pid = -1;
        if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, environ) == 0) waitpid(pid, nullptr, 0);
    }
    return SecondsSince(start);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const long megabytes = argc > 1 ? std::atol(argv[1]) : 16;
    const std::string bytes = std::to_string(megabytes * 1024 * 1024);

    // Lines of 79 characters, as a tool's listing would print them.
    const std::string command = "head -c " + bytes + " /dev/zero | tr '\\0' x | fold -w 79";
    std::printf("side by side (%ld MiB of output):\n", megabytes);
    const double outputBytes = double(megabytes) * 1024 * 1024;
    const LiveFigures live = RunLive(command, qsizetype(outputBytes) * 2);
    qsizetype plainCharacters = 0;
    ResetPeakRss();
    const double plain = RunPlain(command, plainCharacters);
    const double plainPeakRss = PeakRssBytes();
    Ratio("live path into the console vs plain read", live.Seconds, plain, 2.0, "s ");
    Ratio("longest window-thread stall vs 50 ms", live.LongestStallMs, 50.0, 1.0, "ms");
    Ratio("peak RSS vs output size", live.PeakRss / 1048576, outputBytes / 1048576, 3.0, "MiB");
    std::printf("(console %lld characters, bare edit %lld characters; the bare edit's own peak RSS: %.1f MiB)\n",
                static_cast<long long>(live.Characters), static_cast<long long>(plainCharacters),
                plainPeakRss / 1048576);
    std::printf("\nthe blocking runner (%ld MiB):\n", megabytes);

    TCmd runner;
    runner.setCommmandStr(command);
    AnsiText output;
    runner.OnReadOutput = [&output](const AnsiText& AOutput, std::string) { output = AOutput; };
    auto start = Clock::now();
    runner.RunCommand(std::filesystem::temp_directory_path().string());
    Report("runner: collect output through the pipe", double(megabytes), SecondsSince(start));

    start = Clock::now();
    const QString text = DecodeAnsiText(output);
    Report("console: decode UTF-8", double(megabytes), SecondsSince(start));

    {
    TConsoleEdit console;
    console.resize(640, 300);
    // The output is measured whole: the console holds it, whatever its usual capacity.
    console.setCapacity(std::max(TConsoleEdit::kDefaultCapacity, qsizetype(text.size()) * 2));
    start = Clock::now();
    console.AddText(QStringLiteral("Command: ") + QString::fromStdString(runner.CommmandStr()));
    console.AddText(text);
    Report("console: add the output as one addition", double(megabytes), SecondsSince(start));
    std::printf("console holds %lld characters in %d lines\n",
                static_cast<long long>(console.document()->characterCount() - 1),
                console.document()->blockCount());
    }

    constexpr int kStarts = 300;
    StartTrueDirectly(20);  // warm the caches for both
    const double direct = StartTrueDirectly(kStarts);
    const double throughRunner = StartTrueThroughTheRunner(kStarts);
    Ratio("start `true` via TCmd vs posix_spawn+waitpid", throughRunner / kStarts * 1e3, direct / kStarts * 1e3, 1.05,
          "ms");
    return 0;
}
