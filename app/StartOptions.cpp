#include "app/StartOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

void TStartOptions::SetUp(QCommandLineParser& AParser) {
    AParser.setApplicationDescription(
        QCoreApplication::translate("TStartOptions", "Runs php artisan and composer commands in a Laravel project."));
    AParser.addHelpOption();
    AParser.addVersionOption();
    AParser.addPositionalArgument(
        QCoreApplication::translate("TStartOptions", "folder"),
        QCoreApplication::translate("TStartOptions",
                                    "A project folder: its parent is the web root for this run, and the project "
                                    "is selected. The remembered root and project change only when you choose "
                                    "another."),
        QCoreApplication::translate("TStartOptions", "[folder]"));
}

TStartOptions TStartOptions::FromArguments(const QStringList& AArguments,
                                           const QString& ACurrentFolder) {
    TStartOptions options;
    if (AArguments.isEmpty()) return options;
    if (AArguments.size() > 1) {
        options.Error = QCoreApplication::translate("TStartOptions", "Only one project folder can be named.");
        return options;
    }
    const QString folder = QDir::cleanPath(QDir(ACurrentFolder).absoluteFilePath(
        QDir::fromNativeSeparators(AArguments.front())));
    const QFileInfo info(folder);
    if (!info.isDir())
        options.Error = QCoreApplication::translate("TStartOptions", "%1 is not a folder.").arg(AArguments.front());
    else if (QDir(folder).isRoot())
        options.Error = QCoreApplication::translate("TStartOptions", "%1 has no parent folder to be the web root.")
                            .arg(AArguments.front());
    else
        options.StartProject = folder;
    return options;
}
