#include "app/AppEnvironment.h"
#include "app/BackgroundJobs.h"
#include "app/Desktop.h"
#include "app/Fonts.h"
#include "app/StartOptions.h"
#include "app/TarnwickApplication.h"
#include "app/Translations.h"
#include "app/dtmMainUnit.h"
#include "app/frmMainUnit.h"
#include "platform/QuitSignals.h"

#include <QCommandLineParser>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QSocketNotifier>
#include <QStyle>

#include <algorithm>
#include <memory>
#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <thread>

// Answers --help and --version (and refuses unknown options) before the window system
// is needed, so that they work without a display.
void AnswerInformationOptions(int& argc, char** argv) {
    // A plain start, or one with a folder only, has nothing to answer here.
    if (std::none_of(argv + 1, argv + argc, [](const char* AArgument) { return AArgument[0] == '-'; }))
        return;
    QCoreApplication probe(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tarnwick 2"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TARNWICK_VERSION));
    // The system's language: finding the stored preference could make the settings folder.
    const TTranslations translations(TTranslations::UiLanguages(QString()));
    QCommandLineParser parser;
    TStartOptions::SetUp(parser);
    parser.process(probe);
}

// The font database (every installed font, through fontconfig) fills on a second
// thread, which the font database allows, while this thread makes the window. The
// window's first text waits for the fonts.
class TStartReads {
public:
    TStartReads() {
        try {
            FFonts = std::thread([] { TahomaFont(); });
        } catch (const std::system_error&) {
            // Without a second thread the window reads the fonts itself.
        }
    }
    ~TStartReads() {
        if (FFonts.joinable()) FFonts.join();
    }
    TStartReads(const TStartReads&) = delete;
    TStartReads& operator=(const TStartReads&) = delete;

private:
    std::thread FFonts;
};

// The toolkit ends the process with an abort when it finds no window system to connect
// to. While the application object starts, a fatal message says why in our words and
// ends the program with a status instead; other messages keep their usual way.
QtMessageHandler GStartMessages = nullptr;

void StartMessage(QtMsgType AType, const QMessageLogContext& AContext, const QString& AMessage) {
    if (AType != QtFatalMsg) {
        if (GStartMessages) GStartMessages(AType, AContext, AMessage);
        return;
    }
    std::fprintf(stderr,
                 "tarnwick: the window cannot be shown: no window system could be reached "
                 "(start it in a desktop session, or set DISPLAY or WAYLAND_DISPLAY)\n");
    std::fflush(stderr);
    std::_Exit(1);
}

int main(int argc, char** argv) {
    AnswerInformationOptions(argc, argv);
    TQtDesktop desktop;
    GStartMessages = qInstallMessageHandler(StartMessage);
    TTarnwickApplication application(argc, argv, desktop);
    qInstallMessageHandler(GStartMessages);
    QCoreApplication::setApplicationVersion(QStringLiteral(TARNWICK_VERSION));
    // Ties the window to the desktop entry, whose icon the desktop then shows for it.
    QGuiApplication::setDesktopFileName(TAppEnvironment::kAppId);
    // The language chosen in the preferences, else the system's; a change takes effect at
    // the next start.
    TAppEnvironment environment = TAppEnvironment::FromSystem();
    const TTranslations translations(TTranslations::UiLanguages(environment));

    QCommandLineParser parser;
    TStartOptions::SetUp(parser);
    parser.process(application);  // answers --help and --version, and ends on unknown options
    const TStartOptions options =
        TStartOptions::FromArguments(parser.positionalArguments(), QDir::currentPath());
    if (!options.Error.isEmpty()) {
        std::fprintf(stderr, "tarnwick: %s\n", qPrintable(options.Error));
        return 1;
    }

    int status = 0;
    {
        const TStartReads startReads;
        environment.StartProject = options.StartProject;
        TdtmMain dtmMain(desktop);
        TfrmMain frmMain(dtmMain, desktop, environment);
        if (!frmMain.GeometryRestored())
            frmMain.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, frmMain.size(),
                                                    QGuiApplication::primaryScreen()->availableGeometry()));
        frmMain.show();
        // A request from outside to end (a logout, kill) ends the event loop: leaving
        // this scope then stops the window's run and services with their trees.
        const int quitSignals = platform::WatchQuitSignals();
        std::unique_ptr<QSocketNotifier> quitWatch;
        if (quitSignals >= 0) {
            quitWatch = std::make_unique<QSocketNotifier>(quitSignals, QSocketNotifier::Read);
            QObject::connect(quitWatch.get(), &QSocketNotifier::activated, &application, [quitSignals] {
                platform::DrainQuitSignals(quitSignals);
                QCoreApplication::quit();
            });
        }
        status = application.exec();
    }
    // The window's going stopped its background jobs; their workers end within moments.
    TBackgroundJobs::WaitForWorkers(std::chrono::seconds(3));
    return status;
}
