// Measures the paths that carry a command's output, and prints the figures:
//   build/tarnwick_bench [megabytes]
// The runner collecting a child's output through the pipe, decoding it, and adding it
// to the console; coloured output against the same text without escapes; the find
// bar's count over a full console.

#include "app/ConsoleEdit.h"
#include "app/FindBar.h"
#include "components/Cmd.h"

#include <QApplication>
#include <QLineEdit>

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

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const long megabytes = argc > 1 ? std::atol(argv[1]) : 16;
    const std::string bytes = std::to_string(megabytes * 1024 * 1024);

    // Lines of 79 characters, as a tool's listing would print them.
    TCmd runner;
    runner.setCommmandStr("head -c " + bytes + " /dev/zero | tr '\\0' x | fold -w 79");
    AnsiText output;
    runner.OnReadOutput = [&output](const AnsiText& AOutput, std::string) { output = AOutput; };
    auto start = Clock::now();
    runner.RunCommand(std::filesystem::temp_directory_path().string());
    Report("runner: collect output through the pipe", double(megabytes), SecondsSince(start));

    start = Clock::now();
    const QString text = DecodeAnsiText(output);
    Report("console: decode UTF-8", double(megabytes), SecondsSince(start));

    TConsoleEdit console;
    console.resize(640, 300);
    start = Clock::now();
    console.AddText(QStringLiteral("Command: ") + QString::fromStdString(runner.CommmandStr()));
    console.AddText(text);
    Report("console: add the output as one addition", double(megabytes), SecondsSince(start));
    std::printf("console holds %lld characters in %d lines\n",
                static_cast<long long>(console.document()->characterCount() - 1),
                console.document()->blockCount());

    // Coloured output against the same text without escapes, each into a fresh console;
    // the best of five runs each, taken turn about.
    QString coloured, plain;
    MakeColouredOutput(coloured, plain);
    double colouredSeconds = 1e9, plainSeconds = 1e9;
    for (int round = 0; round < 5; ++round) {
        plainSeconds = std::min(plainSeconds, TimeAddText(plain));
        colouredSeconds = std::min(colouredSeconds, TimeAddText(coloured));
    }
    std::printf("%-44s %8.3f s  (processor time)\n", "console: 100,000 lines without escapes", plainSeconds);
    std::printf("%-44s %8.3f s  %5.2fx the plain text (limit 1.5x)\n",
                "console: the same lines, one SGR each", colouredSeconds,
                colouredSeconds / plainSeconds);

    // The find bar's count over a console of 32 Mi characters, against a plain count
    // of the same text that the console hands out.
    TConsoleEdit full;
    full.resize(640, 300);
    const QString line = QStringLiteral("%1\n").arg(QString(79, u'x'));
    QString big;
    big.reserve(qsizetype(32) * 1024 * 1024);
    for (int i = 0; big.size() + line.size() < qsizetype(32) * 1024 * 1024; ++i)
        big += (i % 1000 == 0) ? QStringLiteral("Error: %1\n").arg(QString(71, u'y')) : line;
    full.AddText(big);
    big.clear();
    TFindBar bar(full);
    start = Clock::now();
    bar.Open();  // takes its copy of the console's text
    const double openSeconds = SecondsSince(start);
    auto* field = bar.findChild<QLineEdit*>(QStringLiteral("edtFind"));
    start = Clock::now();
    field->setText(QStringLiteral("error:"));  // counts, as typing does
    const double findSeconds = SecondsSince(start);
    std::printf("%-44s %8.3f s\n", "find bar: open, with a copy of the text", openSeconds);
    start = Clock::now();
    const qsizetype peer = full.document()->toPlainText().count(QStringLiteral("error:"), Qt::CaseInsensitive);
    const double peerSeconds = SecondsSince(start);
    std::printf("%-44s %8.3f s  %lld matches in %lld characters (limit 0.200 s)\n",
                "find bar: count, ignoring case", findSeconds,
                static_cast<long long>(bar.MatchCount()),
                static_cast<long long>(full.document()->characterCount() - 1));
    std::printf("%-44s %8.3f s  %lld matches; the bar takes %.2fx its time\n",
                "peer: the console's text counted by QString", peerSeconds,
                static_cast<long long>(peer), findSeconds / peerSeconds);
    return 0;
}
