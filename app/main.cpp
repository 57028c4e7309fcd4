#include "app/AppEnvironment.h"
#include "app/Desktop.h"
#include "app/StartOptions.h"
#include "app/TarnwickApplication.h"
#include "app/dtmMainUnit.h"
#include "app/frmMainUnit.h"

#include <QCommandLineParser>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>

#include <algorithm>
#include <cstdio>

// Answers --help and --version (and refuses unknown options) before the window system
// is needed, so that they work without a display.
void AnswerInformationOptions(int& argc, char** argv) {
    // A plain start, or one with a folder only, has nothing to answer here.
    if (std::none_of(argv + 1, argv + argc, [](const char* AArgument) { return AArgument[0] == '-'; }))
        return;
    QCoreApplication probe(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tarnwick 2"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TARNWICK_VERSION));
    QCommandLineParser parser;
    TStartOptions::SetUp(parser);
    parser.process(probe);
}

int main(int argc, char** argv) {
    AnswerInformationOptions(argc, argv);
    TQtDesktop desktop;
    TTarnwickApplication application(argc, argv, desktop);
    QCoreApplication::setApplicationVersion(QStringLiteral(TARNWICK_VERSION));
    // Ties the window to the desktop entry, whose icon the desktop then shows for it.
    QGuiApplication::setDesktopFileName(TAppEnvironment::kAppId);

    QCommandLineParser parser;
    TStartOptions::SetUp(parser);
    parser.process(application);  // answers --help and --version, and ends on unknown options
    const TStartOptions options =
        TStartOptions::FromArguments(parser.positionalArguments(), QDir::currentPath());
    if (!options.Error.isEmpty()) {
        std::fprintf(stderr, "tarnwick: %s\n", qPrintable(options.Error));
        return 1;
    }

    TAppEnvironment environment = TAppEnvironment::FromSystem();
    environment.StartProject = options.StartProject;
    TdtmMain dtmMain(desktop);
    TfrmMain frmMain(dtmMain, desktop, environment);
    frmMain.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, frmMain.size(),
                                            QGuiApplication::primaryScreen()->availableGeometry()));
    frmMain.show();
    return application.exec();
}
