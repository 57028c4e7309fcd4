// Measures runs on a pseudo-terminal beside runs on a pipe, in the same process, and
// prints the figures:
//   build/tarnwick_terminal_bench [MiB] [keys]
// 1. MiB (64 unless given) of plain lines of 79 characters from a run's start to its
//    end line in the console, on the terminal and on the pipe (goal: 1.5 times).
// 2. The same amount of coloured listing output (names in SGR colours, four to a line)
//    on the terminal, beside the plain lines on the terminal (goal: 2 times).
// Each is the best of three runs taken turn about, wired as the window wires a run:
// rows that leave the screen go to the console as output, the screen is drawn live.
// 3. From a key event in the console to the screen showing its echo, in PHP's
//    interactive shell (`php -a`, line editing on the terminal): the median and the
//    90th percentile of the given number of keys (60 unless given; goal: median 16 ms).

#include "BenchSupport.h"
#include "app/CommandRun.h"
#include "app/ConsoleEdit.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point AStart) { return std::chrono::duration<double>(Clock::now() - AStart).count(); }

constexpr platform::TerminalSize kSize{100, 24};

// A console wired to a run as the window wires it.
class TWiredConsole {
public:
    TWiredConsole() {
        FConsole.resize(900, 420);
        FConsole.setCapacity(TConsoleEdit::kDefaultCapacity);
        FConsole.show();
    }
    TConsoleEdit& Console() { return FConsole; }

    void Wire(TCommandRun& ARun, QEventLoop* AEnd) {
        QObject::connect(&ARun, &TCommandRun::startReported, &FConsole, [this, &ARun](const QString& AText, bool) {
            FConsole.AddText(AText);
            FConsole.AddText(QStringLiteral("Command: ") + QString::fromStdString(ARun.Command()));
            FConsole.BeginOutput();
            FStarted = true;
        });
        QObject::connect(&ARun, &TCommandRun::outputArrived, &FConsole,
                         [this](const QString& AText) { FConsole.AppendOutput(AText); });
        QObject::connect(&ARun, &TCommandRun::screenChanged, &FConsole,
                         [this](const QString& ARows, int ARow, int AColumn, bool AVisible) {
                             if (!FStarted) return;
                             FConsole.ShowLiveScreen(ARows, ARow, AColumn, AVisible);
                             FScreen = ARows;
                             if (OnScreen) OnScreen();
                         });
        QObject::connect(&ARun, &TCommandRun::finished, &FConsole, [this, AEnd] {
            FConsole.EndOutput();
            FConsole.AddEndLine(QStringLiteral("Exit code 0"), true);
            if (AEnd) AEnd->quit();
        });
    }
    const QString& Screen() const { return FScreen; }
    std::function<void()> OnScreen;

private:
    TConsoleEdit FConsole;
    bool FStarted = false;
    QString FScreen;
};

struct TRunFigures {
    double Seconds = 0;
    double LongestStallMs = 0;
    qsizetype Blocks = 0;
    qsizetype Odd = 0;  // lines other than the plain output's, and the first of them
    QString FirstOdd;
};

TRunFigures TimeRun(const std::string& ACommand, bool ATerminal) {
    TWiredConsole wired;
    TCommandRun run(ACommand, true, std::filesystem::temp_directory_path().string());
    run.setTerminal(ATerminal);
    run.setTerminalSize(kSize);
    QEventLoop end;
    wired.Wire(run, &end);
    TRunFigures figures;
    const auto start = Clock::now();
    {
        bench::StallWatch stalls;
        run.Start();
        end.exec();
        figures.Seconds = SecondsSince(start);
        figures.LongestStallMs = stalls.LongestMs();
    }
    figures.Blocks = wired.Console().document()->blockCount();
    // The plain lines are numbered: each must come once, in order.
    qsizetype expected = 0;
    for (QTextBlock block = wired.Console().document()->begin(); block.isValid(); block = block.next()) {
        if (!block.text().endsWith(u'x')) continue;
        if (block.text().left(8).toLongLong() == expected) {
            ++expected;
            continue;
        }
        if (figures.Odd++ == 0)
        {
            figures.FirstOdd = QStringLiteral("expected %1:").arg(expected);
            QTextBlock from = block;
            for (int i = 0; i < 4 && from.previous().isValid(); ++i) from = from.previous();
            for (int i = 0; i < 8 && from.isValid(); ++i, from = from.next())
                figures.FirstOdd += u'\n' + from.text().left(20) + QStringLiteral(" (%1)").arg(from.text().size());
        }
        expected = block.text().left(8).toLongLong() + 1;
    }
    return figures;
}

// Numbered lines of 79 characters, or a listing's lines: four names in colours as a listing of a
// project folder shows them, each padded to 18 columns; ABytes in all.
void WriteOutput(const QString& APath, qsizetype ABytes, bool AColoured) {
    static const char* const kNames[] = {"app", "artisan", "bootstrap", "composer.json", "config", "database",
                                         "public", "resources", "routes", "storage", "tests", "vendor",
                                         "server.php", "package.json", "phpunit.xml", "webpack.mix.js"};
    static const char* const kColours[] = {"01;34", "01;32", "01;34", "00", "01;34", "01;36", "01;34", "40;31;01"};
    QFile file(APath);
    if (!file.open(QIODevice::WriteOnly)) std::exit(1);
    if (!AColoured) {
        // Numbered on through the whole file.
        std::string text;
        text.reserve(std::size_t(ABytes));
        for (long n = 0; qsizetype(text.size()) < ABytes; ++n) {
            char line[24];
            std::snprintf(line, sizeof line, "%08ld ", n);
            text += line + std::string(70, 'x') + '\n';
        }
        text.resize(std::size_t(ABytes));
        file.write(text.data(), qsizetype(text.size()));
        return;
    }
    std::string block;
    int name = 0;
    while (block.size() < std::size_t(1) << 20) {
        for (int column = 0; column < 4; ++column, ++name) {
            const std::string text = kNames[name % 16];
            block += std::string("\x1b[") + kColours[name % 8] + "m" + text + "\x1b[0m";
            if (column < 3) block += std::string(18 - text.size(), ' ');
        }
        block += '\n';
    }
    for (qsizetype written = 0; written < ABytes;) {
        const qsizetype part = std::min<qsizetype>(qsizetype(block.size()), ABytes - written);
        file.write(block.data(), part);
        written += part;
    }
}

void PrintRun(const char* AWhat, const TRunFigures& AFigures) {
    std::printf("  %-42s %8.3f s  longest stall %6.1f ms  console %lld lines (%lld out of order)\n", AWhat,
                AFigures.Seconds, AFigures.LongestStallMs, static_cast<long long>(AFigures.Blocks),
                static_cast<long long>(AFigures.Odd));
    if (std::getenv("TARNWICK_BENCH_ODD")) std::printf("    first: %s\n", qPrintable(AFigures.FirstOdd));
}

double Percentile(std::vector<double> AValues, double AFraction) {
    std::sort(AValues.begin(), AValues.end());
    return AValues[std::min(AValues.size() - 1, std::size_t(AFraction * double(AValues.size())))];
}

// Types AKeys letters into PHP's interactive shell through the console's key events and
// takes the time from each event until the screen drawn in the console shows the letter.
std::vector<double> KeyEchoes(int AKeys) {
    TWiredConsole wired;
    TCommandRun run("php -a", true, std::filesystem::temp_directory_path().string());
    run.setTerminal(true);
    run.setTerminalSize(kSize);
    wired.Wire(run, nullptr);
    QObject::connect(&wired.Console(), &TConsoleEdit::keyForProgram, &run, &TCommandRun::SendQtKey);
    wired.Console().setKeysToProgram(true);
    wired.Console().setFocus();

    QString awaited;  // the text the screen's prompt line should show
    QEventLoop loop;
    wired.OnScreen = [&] {
        if (!awaited.isEmpty() && wired.Screen().contains(awaited)) loop.quit();
    };
    auto waitFor = [&](const QString& AText) {
        awaited = AText;
        if (wired.Screen().contains(awaited)) return true;
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &loop, [&] { loop.exit(1); });
        limit.start(5000);
        return loop.exec() == 0;
    };
    auto press = [&](int AKey, Qt::KeyboardModifiers AModifiers, const QString& AText) {
        QKeyEvent key(QEvent::KeyPress, AKey, AModifiers, AText);
        QApplication::sendEvent(&wired.Console(), &key);
    };

    std::vector<double> echoes;
    run.Start();
    // The screen's rows come without their trailing blanks.
    const QString prompt = QStringLiteral("php > ");
    if (!waitFor(prompt.trimmed())) {
        std::printf("  php -a showed no prompt\n");
        return echoes;
    }
    QString typed;
    for (int i = 0; i < AKeys; ++i) {
        // A pause as between a person's keys, so each echo is awaited on its own.
        QEventLoop pause;
        QTimer::singleShot(60, &pause, &QEventLoop::quit);
        pause.exec();
        const QChar letter(u'a' + i % 26);
        typed += letter;
        const auto start = Clock::now();
        press(Qt::Key_A + i % 26, Qt::NoModifier, QString(letter));
        if (!waitFor(prompt + typed)) {
            std::printf("  the echo of key %d did not show\n", i + 1);
            break;
        }
        wired.Console().viewport()->repaint();
        echoes.push_back(SecondsSince(start) * 1000.0);
        if (typed.size() == 20) {
            // Ctrl+U empties the line.
            press(Qt::Key_U, Qt::ControlModifier, QString(QChar(0x15)));
            typed.clear();
            awaited = QString();
            QEventLoop settle;
            QTimer::singleShot(200, &settle, &QEventLoop::quit);
            settle.exec();
        }
    }
    run.Stop();
    QEventLoop end;
    QObject::connect(&run, &TCommandRun::finished, &end, &QEventLoop::quit);
    if (run.IsRunning()) end.exec();
    return echoes;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const long megabytes = argc > 1 ? std::atol(argv[1]) : 64;
    const int keys = argc > 2 ? std::atoi(argv[2]) : 60;
    if (!platform::PseudoTerminalSupported()) {
        std::printf("this system has no pseudo-terminals\n");
        return 1;
    }

    QTemporaryDir folder;
    const QString plainPath = folder.filePath(QStringLiteral("plain.txt"));
    const QString colouredPath = folder.filePath(QStringLiteral("coloured.txt"));
    const qsizetype bytes = qsizetype(megabytes) * 1024 * 1024;
    WriteOutput(plainPath, bytes, false);
    WriteOutput(colouredPath, bytes, true);
    const std::string plain = "cat '" + plainPath.toStdString() + "'";
    const std::string coloured = "cat '" + colouredPath.toStdString() + "'";

    std::printf("%ld MiB, best of three runs each, taken turn about (terminal %dx%d):\n", megabytes, kSize.Columns,
                kSize.Rows);
    TRunFigures pipeBest, terminalBest, colouredBest;
    pipeBest.Seconds = terminalBest.Seconds = colouredBest.Seconds = 1e9;
    for (int round = 0; round < 3; ++round) {
        const TRunFigures pipe = TimeRun(plain, false);
        const TRunFigures terminal = TimeRun(plain, true);
        const TRunFigures colour = TimeRun(coloured, true);
        PrintRun("plain lines, pipe", pipe);
        PrintRun("plain lines, terminal", terminal);
        PrintRun("coloured listing, terminal", colour);
        if (pipe.Seconds < pipeBest.Seconds) pipeBest = pipe;
        if (terminal.Seconds < terminalBest.Seconds) terminalBest = terminal;
        if (colour.Seconds < colouredBest.Seconds) colouredBest = colour;
    }
    bench::Ratio("plain lines: terminal vs pipe", terminalBest.Seconds, pipeBest.Seconds, 1.5, "s ");
    bench::Ratio("coloured listing vs plain, both terminal", colouredBest.Seconds, terminalBest.Seconds, 2.0, "s ");

    std::printf("\nkey to echo on the screen, php -a (%d keys):\n", keys);
    const std::vector<double> echoes = KeyEchoes(keys);
    if (echoes.empty()) return 1;
    const double median = Percentile(echoes, 0.5);
    std::printf("%-44s %10.3f ms  p90 %8.3f ms  longest %8.3f ms  (goal: median <= 16.00 ms) %s\n",
                "key to echo, median", median, Percentile(echoes, 0.9),
                *std::max_element(echoes.begin(), echoes.end()), median <= 16.0 ? "met" : "MISSED");
    return 0;
}
