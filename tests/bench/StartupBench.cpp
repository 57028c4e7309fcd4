// Measures the time from process start to the first paint of the window, under a
// virtual X display of its own (Xvfb), side by side with a peer: a bare Qt main window
// with a menu bar and one label (tarnwick_startup_peer). Tarnwick runs twice: with an
// empty root and with a root that holds 10,000 project folders.
//   build/tarnwick_startup_bench [trials]
// Prints the median of each and its ratio to the peer's.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kProjectFolders = 10000;

struct TSubject {
    const char* Description;
    QString Program;
    std::vector<double> Millis;
};

// A copy of the program in a folder of its own, which keeps its settings.ini there.
QString PlaceProgram(const QString& AProgram, const QString& AFolder, const QString& ARoot) {
    QDir().mkpath(AFolder);
    const QString copy = AFolder + QStringLiteral("/tarnwick");
    QFile::copy(AProgram, copy);
    QFile settings(AFolder + QStringLiteral("/settings.ini"));
    if (settings.open(QIODevice::WriteOnly)) {
        const QByteArray project = ARoot.isEmpty() ? QByteArray() : (ARoot + QStringLiteral("/p05000")).toUtf8();
        settings.write("[Settings]\r\nRoot=" + ARoot.toUtf8() + "\r\nProject=" + project + "\r\n");
    }
    return copy;
}

// Milliseconds from starting the program until it reports its first paint; -1 on failure.
double TimeToFirstPaint(const QString& AProgram, const QProcessEnvironment& AEnvironment) {
    QProcess process;
    process.setProcessEnvironment(AEnvironment);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer clock;
    clock.start();
    process.start(AProgram, {});
    double millis = -1;
    while (process.waitForReadyRead(20000)) {
        if (process.readAllStandardOutput().contains("first paint")) {
            millis = double(clock.nsecsElapsed()) / 1e6;
            break;
        }
    }
    if (!process.waitForFinished(10000)) process.kill();
    process.waitForFinished(1000);
    return millis;
}

double Median(std::vector<double> AValues) {
    std::sort(AValues.begin(), AValues.end());
    return AValues.empty() ? 0 : AValues[AValues.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int trials = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    const QString here = QCoreApplication::applicationDirPath();

    QProcess xvfb;
    xvfb.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                        QStringLiteral("-screen"), QStringLiteral("0"),
                                        QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                                        QStringLiteral("tcp")});
    QByteArray display;
    while (!display.contains('\n') && xvfb.waitForReadyRead(10000)) display += xvfb.readAllStandardOutput();
    if (display.trimmed().isEmpty()) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }

    QTemporaryDir work;
    const QString root = work.filePath(QStringLiteral("www"));
    for (int i = 0; i < kProjectFolders; ++i)
        QDir().mkpath(root + QStringLiteral("/p%1").arg(i, 5, 10, QLatin1Char('0')));
    const QString program = here + QStringLiteral("/tarnwick");

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), u':' + QString::fromLatin1(display.trimmed()));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("TARNWICK_EXIT_AFTER_FIRST_PAINT"), QStringLiteral("1"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), work.filePath(QStringLiteral("config")));

    std::vector<TSubject> subjects = {
        {"peer: Qt main window, menu bar, one label", here + QStringLiteral("/tarnwick_startup_peer"), {}},
        {"tarnwick, empty root", PlaceProgram(program, work.filePath(QStringLiteral("empty")), QString()), {}},
        {"tarnwick, root of 10000 project folders", PlaceProgram(program, work.filePath(QStringLiteral("big")), root), {}},
    };
    // One warm-up start each, then the trials taken in turns so that the machine's
    // load falls on all alike.
    for (TSubject& subject : subjects) TimeToFirstPaint(subject.Program, environment);
    for (int trial = 0; trial < trials; ++trial)
        for (TSubject& subject : subjects) {
            const double millis = TimeToFirstPaint(subject.Program, environment);
            if (millis < 0) {
                std::fprintf(stderr, "%s: no first paint reported\n", subject.Description);
                return 1;
            }
            subject.Millis.push_back(millis);
        }

    std::printf("start-up to first paint under Xvfb, median of %d\n", trials);
    const double peer = Median(subjects[0].Millis);
    for (const TSubject& subject : subjects) {
        const double median = Median(subject.Millis);
        std::printf("%-44s %8.1f ms  %5.2fx peer\n", subject.Description, median, median / peer);
    }
    xvfb.terminate();
    xvfb.waitForFinished(5000);
    return 0;
}
