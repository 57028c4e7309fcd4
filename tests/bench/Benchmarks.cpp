// Measures the paths that carry a command's output, and prints the figures:
//   build/tarnwick_bench [megabytes]
// The runner collecting a child's output through the pipe, decoding it, and adding it
// to the console.

#include "app/ConsoleEdit.h"
#include "components/Cmd.h"

#include <QApplication>

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
    return 0;
}
