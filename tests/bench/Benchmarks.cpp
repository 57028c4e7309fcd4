// Measures the paths that carry a command's output, and the command palette, and prints
// the figures:
//   build/tarnwick_bench [megabytes]
// The live path (a worker run streaming into the console) for lines of a tool's
// listing and for one 10 MB line without a line feed, each beside two peers: popen
// with a 64 KiB read loop and setPlainText into a bare text edit (the least that shows
// the same text), and the same read loop alone (the least that moves the bytes); with
// the longest stall of the window's thread and the peak memory, each against its goal.
// Then the blocking runner collecting a child's output, decoding it and adding it to
// the console, and the cost of starting a command; coloured output against the same
// text without escapes; the find bar's count over a full console and the window's
// longest stall while output trickles in with the bar open. Last, the palette
// opening on a kept catalogue and filtering 1,000 commands per keystroke, each beside a
// plain Qt peer doing the least the same screen needs.

#include "BenchSupport.h"
#include "app/CatalogueStore.h"
#include "app/CommandRun.h"
#include "app/ConsoleEdit.h"
#include "app/FindBar.h"
#include "app/frmPaletteUnit.h"
#include "components/Cmd.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <nlohmann/json.hpp>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// 100,000 lines of a tool's log, each with one SGR sequence, and the same text without.
void MakeColouredOutput(QString& AColoured, QString& APlain) {
    for (int i = 0; i < 100000; ++i) {
        const QString line = QStringLiteral("%1 INFO  Processed job App\\Jobs\\SendMail in %2 ms\n")
                                 .arg(i, 6, 10, QChar(u'0'))
                                 .arg(i % 977);
        AColoured += QStringLiteral("\x1b[%1m").arg(31 + i % 7) + line;
        APlain += line;
    }
}

// The processor time of adding the text to a fresh console and showing it: on a
// shared machine it varies far less than the time on the clock.
double TimeAddText(const QString& AText) {
    TConsoleEdit console;
    console.resize(640, 300);
    console.show();
    const std::clock_t start = std::clock();
    console.AddText(AText);
    QCoreApplication::processEvents();
    return double(std::clock() - start) / CLOCKS_PER_SEC;
}

void Report(const char* what, double megabytes, double seconds) {
    std::printf("%-44s %8.3f s  %8.1f MiB/s\n", what, seconds, megabytes / seconds);
}

double Milliseconds(double seconds) { return seconds * 1000.0; }

// The captured artisan list with its commands copied under new names until it holds
// ACount commands.
QByteArray ListOf(int ACount) {
    QFile file(QStringLiteral(TARNWICK_FIXTURES_DIR "/catalogue/artisan-list.json"));
    if (!file.open(QIODevice::ReadOnly)) return QByteArray();
    nlohmann::json document = nlohmann::json::parse(file.readAll().toStdString());
    const nlohmann::json originals = document["commands"];
    nlohmann::json commands = nlohmann::json::array();
    for (int i = 0; int(commands.size()) < ACount; ++i)
        for (nlohmann::json command : originals) {
            if (int(commands.size()) == ACount) break;
            if (i > 0) command["name"] = command["name"].get<std::string>() + std::to_string(i);
            command["hidden"] = false;
            commands.push_back(command);
        }
    document["commands"] = commands;
    return QByteArray::fromStdString(document.dump());
}

// Shows the window and lets it paint.
void ShowAndPaint(QWidget& AWindow) {
    AWindow.show();
    QApplication::processEvents(QEventLoop::AllEvents);
}

void PaletteFigures() {
    constexpr int kCommands = 1000;
    QTemporaryDir project;
    QFile(project.filePath(QStringLiteral("artisan"))).open(QIODevice::WriteOnly);
    const QByteArray list = ListOf(kCommands - 33);
    QFile composerFile(QStringLiteral(TARNWICK_FIXTURES_DIR "/catalogue/composer-list.json"));
    composerFile.open(QIODevice::ReadOnly);
    const QByteArray composer = composerFile.readAll();
    TCatalogueStore store([&](const TToolRequest& request, TJobStop&) {
        return TToolRun{request.Line().starts_with("php") ? list : composer, 0, {}};
    });
    QEventLoop wait;
    QObject::connect(&store, &TCatalogueStore::loaded, &wait, &QEventLoop::quit);
    store.Load(project.path());
    wait.exec();
    qsizetype count = 0;
    for (const TCommandList& commands : store.Cached(project.path())->Lists) count += commands.Commands.size();

    // Opening: the palette on the kept catalogue, beside a dialog that shows the same
    // number of plain rows.
    TfrmPalette palette(store);
    auto start = Clock::now();
    palette.Open(project.path());
    QApplication::processEvents(QEventLoop::AllEvents);
    const double open = SecondsSince(start);

    QDialog peer;
    start = Clock::now();
    auto* peerList = new QListWidget(&peer);
    (new QVBoxLayout(&peer))->addWidget(peerList);
    for (qsizetype i = 0; i < count; ++i) peerList->addItem(QStringLiteral("command:%1 \u2014 a description").arg(i));
    ShowAndPaint(peer);
    const double peerOpen = SecondsSince(start);
    std::printf("%-44s %8.2f ms  (limit 100 ms; %lld commands; %.1fx a plain list dialog at %.2f ms)\n",
                "palette: open with the catalogue kept", Milliseconds(open), static_cast<long long>(count),
                open / peerOpen, Milliseconds(peerOpen));

    // Filtering: one keystroke at a time through the search box, beside a plain
    // substring test of the same names.
    const QString typed = QStringLiteral("mig st");
    auto* search = palette.findChild<QLineEdit*>(QStringLiteral("edtSearch"));
    start = Clock::now();
    for (qsizetype i = 1; i <= typed.size(); ++i) search->setText(typed.left(i));
    const double perKey = SecondsSince(start) / double(typed.size());

    QStringList names;
    for (const TCommandList& commands : store.Cached(project.path())->Lists)
        for (const TCommandInfo& command : commands.Commands) names.append(command.Name);
    start = Clock::now();
    qsizetype found = 0;
    for (qsizetype i = 1; i <= typed.size(); ++i) {
        const QString part = typed.left(i);
        for (const QString& name : names) found += name.contains(part, Qt::CaseInsensitive);
        for (int row = 0; row < peerList->count(); ++row) peerList->item(row)->setHidden(row % 2 == 0);
    }
    const double peerPerKey = SecondsSince(start) / double(typed.size());
    std::printf("%-44s %8.3f ms  (limit 5 ms; %.1fx a substring filter of a plain list at %.3f ms)\n",
                "palette: filter per keystroke", Milliseconds(perKey), perKey / peerPerKey,
                Milliseconds(peerPerKey));
    if (found < 0) std::printf("\n");
}

using bench::PeakRssBytes;
using bench::Ratio;
using bench::ResetPeakRss;

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

struct PeerFigures {
    double Seconds = 0;
    double PeakRss = 0;
    qsizetype Characters = 0;
};

// Reads the child's output through popen in 64 KiB reads.
QByteArray ReadAll(const std::string& ACommand) {
    FILE* pipe = popen(ACommand.c_str(), "r");
    QByteArray bytes;
    std::vector<char> buffer(64 * 1024);
    for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
        bytes.append(buffer.data(), qsizetype(n));
    pclose(pipe);
    return bytes;
}

// The first peer: the same bytes read by popen and a 64 KiB read loop, then set into a
// bare text edit at once and shown.
PeerFigures RunPopenSetPlainText(const std::string& ACommand) {
    PeerFigures figures;
    ResetPeakRss();
    const auto start = Clock::now();
    {
        const QByteArray bytes = ReadAll(ACommand);
        QPlainTextEdit edit;
        edit.resize(640, 300);
        edit.show();
        edit.setPlainText(QString::fromUtf8(bytes));
        QCoreApplication::processEvents();
        figures.Characters = edit.document()->characterCount() - 1;
        figures.Seconds = SecondsSince(start);
    }
    figures.PeakRss = PeakRssBytes();
    return figures;
}

// The first peer in a process of its own (this program with --popen-setplaintext), so
// that one that takes minutes (a bare edit lays out a very long line again and again)
// can be given up at a time limit: then its figures are lower bounds.
constexpr int kPeerLimitSeconds = 180;
struct PeerRun {
    PeerFigures Figures;
    bool GaveUp = false;
};
PeerRun RunPopenSetPlainTextApart(const std::string& ACommand) {
    PeerRun run;
    QProcess peer;
    const auto start = Clock::now();
    peer.start(QCoreApplication::applicationFilePath(),
               {QStringLiteral("--popen-setplaintext"), QString::fromStdString(ACommand)});
    if (!peer.waitForFinished(kPeerLimitSeconds * 1000)) {
        peer.kill();
        peer.waitForFinished();
        run.GaveUp = true;
        run.Figures.Seconds = SecondsSince(start);
        return run;
    }
    const QList<QByteArray> fields = peer.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() == 3) {
        run.Figures.Seconds = fields[0].toDouble();
        run.Figures.PeakRss = fields[1].toDouble();
        run.Figures.Characters = fields[2].toLongLong();
    }
    return run;
}

// The second peer: the read loop alone, nothing decoded or shown.
double RunReadLoop(const std::string& ACommand, qsizetype& ABytes) {
    const auto start = Clock::now();
    ABytes = ReadAll(ACommand).size();
    return SecondsSince(start);
}

void Goal(const char* what, double value, double goal, const char* unit, const char* note = "") {
    std::printf("%-44s %10.3f %s  (goal <= %.2f %s) %s%s\n", what, value, unit, goal, unit,
                value <= goal ? "met" : "MISSED", note);
}

// The live path for one command beside both peers, with the stall and memory goals.
void CompareLive(const char* ATitle, const std::string& ACommand, double AOutputBytes, qsizetype ACapacity) {
    std::printf("%s (%.1f MiB of output):\n", ATitle, AOutputBytes / 1048576);
    const LiveFigures live = RunLive(ACommand, ACapacity);
    const PeerRun peer = RunPopenSetPlainTextApart(ACommand);
    const PeerFigures& shown = peer.Figures;
    qsizetype readBytes = 0;
    const double readLoop = RunReadLoop(ACommand, readBytes);
    if (peer.GaveUp) {
        std::printf("%-44s %10.3f s  vs > %8.3f s   ratio < %5.2f  (goal <= 2.00) %s (the peer was given up)\n",
                    "live path vs popen + setPlainText", live.Seconds, shown.Seconds, live.Seconds / shown.Seconds,
                    live.Seconds / shown.Seconds <= 2.0 ? "met" : "not known");
    } else {
        Ratio("live path vs popen + setPlainText", live.Seconds, shown.Seconds, 2.0, "s ");
    }
    std::printf("%-44s %10.3f s  vs %10.3f s   ratio %6.2f  (the floor: moving the bytes)\n",
                "live path vs the plain 64 KiB read loop", live.Seconds, readLoop, live.Seconds / readLoop);
    Goal("longest window-thread stall", live.LongestStallMs, 50.0, "ms");
    // Qt's document needs memory of its own for the text: where the bare edit needs
    // more than the goal already, the goal cannot be met with it.
    const double liveTimes = live.PeakRss / AOutputBytes;
    const double shownTimes = shown.PeakRss / AOutputBytes;
    char note[96];
    if (peer.GaveUp)
        std::snprintf(note, sizeof note, "  (popen + setPlainText: not measured)");
    else
        std::snprintf(note, sizeof note, "  (popen + setPlainText peaks at %.2fx%s)", shownTimes,
                      shownTimes > 3.0 ? ": beyond what Qt's document allows" : "");
    Goal("peak RSS / output size", liveTimes, 3.0, "x ", note);
    std::printf("(console %lld characters, bare edit %lld characters, read loop %lld bytes)\n\n",
                static_cast<long long>(live.Characters), static_cast<long long>(shown.Characters),
                static_cast<long long>(readBytes));
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

// Lets the window finish what it has queued (layout, painting) before a measurement.
void Settle() {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 300) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

// Output trickling into AConsole, a few lines every 10 ms for two seconds, each
// piece with a match; the longest time the thread was away from its event loop.
double TrickleStall(TConsoleEdit& AConsole) {
    double longest = 0;
    QElapsedTimer beat;
    QTimer heartbeat;
    heartbeat.setInterval(1);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        longest = std::max(longest, double(beat.nsecsElapsed()) / 1e6);
        beat.restart();
    });
    QTimer trickle;
    trickle.setInterval(10);
    int piece = 0;
    QEventLoop loop;
    QObject::connect(&trickle, &QTimer::timeout, [&] {
        AConsole.AppendOutput(QStringLiteral("step %1: fetching error: retry\nstep %1 done\n").arg(piece));
        if (++piece == 200) loop.quit();
    });
    AConsole.BeginOutput();
    beat.start();
    heartbeat.start();
    trickle.start();
    loop.exec();
    AConsole.EndOutput();
    return longest;
}

struct TFindFigures {
    double Seconds = 0;
    double LongestStallMs = 0;
};

// How long the find bar takes to count after AChange, and its longest step.
template <typename TChange>
TFindFigures TimeFindCount(const TFindBar& ABar, TChange AChange) {
    TFindFigures figures;
    QElapsedTimer beat;
    QTimer heartbeat;
    heartbeat.setInterval(0);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        figures.LongestStallMs = std::max(figures.LongestStallMs, double(beat.nsecsElapsed()) / 1e6);
        beat.restart();
    });
    const auto start = Clock::now();
    beat.start();
    AChange();
    figures.LongestStallMs = double(beat.nsecsElapsed()) / 1e6;
    beat.restart();
    heartbeat.start();
    while (!ABar.Tally().Done()) QCoreApplication::processEvents(QEventLoop::AllEvents);
    figures.Seconds = SecondsSince(start);
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc == 3 && std::string(argv[1]) == "--popen-setplaintext") {
        const PeerFigures figures = RunPopenSetPlainText(argv[2]);
        std::printf("%f %f %lld\n", figures.Seconds, figures.PeakRss, static_cast<long long>(figures.Characters));
        return 0;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each figure shows as soon as it is measured
    const long megabytes = argc > 1 ? std::atol(argv[1]) : 16;
    const std::string bytes = std::to_string(megabytes * 1024 * 1024);

    // Lines of 79 characters, as a tool's listing would print them; then one line of
    // 10 MB without a line feed.
    const std::string command = "head -c " + bytes + " /dev/zero | tr '\\0' x | fold -w 79";
    const double outputBytes = double(megabytes) * 1024 * 1024;
    CompareLive("lines of 79 characters", command, outputBytes, qsizetype(outputBytes) * 2);
    constexpr long kLongLineBytes = 10 * 1000 * 1000;
    CompareLive("one line without a line feed", "head -c " + std::to_string(kLongLineBytes) + " /dev/zero | tr '\\0' x",
                double(kLongLineBytes), TConsoleEdit::kDefaultCapacity);
    std::printf("the blocking runner (%ld MiB):\n", megabytes);

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

    // Coloured output against the same text without escapes, each into a fresh console;
    // the best of five runs each, taken turn about, in processor time.
    std::printf("\ncolours and find:\n");
    QString colouredText, plainText;
    MakeColouredOutput(colouredText, plainText);
    double colouredSeconds = 1e9, plainSeconds = 1e9;
    for (int round = 0; round < 5; ++round) {
        plainSeconds = std::min(plainSeconds, TimeAddText(plainText));
        colouredSeconds = std::min(colouredSeconds, TimeAddText(colouredText));
    }
    Ratio("100,000 lines, one SGR each, vs no escapes", colouredSeconds, plainSeconds, 1.5, "s ");

    // The find bar over a console of 32 Mi characters: counting a new text to find, in
    // steps, beside QString's own count over the text the console hands out; then output
    // trickling in for two seconds with the bar open and with it closed, the longest
    // time the window's thread was away from its event loop each time.
    TConsoleEdit full;
    full.resize(640, 300);
    full.show();
    const QString line = QStringLiteral("%1\n").arg(QString(79, u'x'));
    QString big;
    big.reserve(qsizetype(32) * 1024 * 1024);
    for (int i = 0; big.size() + line.size() < qsizetype(32) * 1024 * 1024; ++i)
        big += (i % 1000 == 0) ? QStringLiteral("Error: %1\n").arg(QString(71, u'y')) : line;
    full.AddText(big);
    big.clear();
    Settle();
    TFindBar bar(full);
    auto* field = bar.findChild<QLineEdit*>(QStringLiteral("edtFind"));
    bar.Open();
    Settle();
    const TFindFigures count = TimeFindCount(bar, [&] { field->setText(QStringLiteral("error:")); });
    start = Clock::now();
    const qsizetype peer = full.document()->toPlainText().count(QStringLiteral("error:"), Qt::CaseInsensitive);
    const double peerMs = SecondsSince(start) * 1e3;
    std::printf("find bar: %lld matches in %lld characters (QString: %lld); counted in %.3f s\n",
                static_cast<long long>(bar.MatchCount()),
                static_cast<long long>(full.document()->characterCount() - 1), static_cast<long long>(peer),
                count.Seconds);
    Ratio("find-bar count: longest step vs 50 ms", count.LongestStallMs, 50.0, 1.0, "ms");
    Ratio("find-bar count, whole vs QString count of a copy", count.Seconds * 1e3, peerMs, 3.0, "ms");
    full.setCapacity(qsizetype(40) * 1024 * 1024);  // room for what trickles in
    Settle();
    const double openStall = TrickleStall(full);
    bar.Close();
    Settle();
    const double closedStall = TrickleStall(full);
    Ratio("trickling output: stall, find open vs closed", openStall, closedStall, 1.5, "ms");
    Ratio("trickling output, find open: stall vs 50 ms", openStall, 50.0, 1.0, "ms");
    PaletteFigures();
    return 0;
}
