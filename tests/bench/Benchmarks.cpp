// Measures the paths that carry a command's output, and the command palette, and prints
// the figures:
//   build/tarnwick_bench [megabytes]
// The runner collecting a child's output through the pipe, decoding it, and adding it
// to the console. The palette opening on a kept catalogue and filtering 1,000 commands
// per keystroke, each beside a plain Qt peer doing the least the same screen needs.

#include "app/CatalogueStore.h"
#include "app/ConsoleEdit.h"
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
    TCatalogueStore store([&](const QString&, const QString& line) {
        return TToolRun{line.startsWith(QStringLiteral("php")) ? list : composer, 0};
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

    PaletteFigures();
    return 0;
}
