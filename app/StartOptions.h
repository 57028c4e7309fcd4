#pragma once

#include <QString>
#include <QStringList>

class QCommandLineParser;

// The command line: --help, --version and an optional project folder.
struct TStartOptions {
    QString StartProject;  // the folder named, absolute and clean; empty when none
    QString Error;         // why the command line cannot be followed; empty when it can

    // Gives the parser the program's description, options and argument.
    static void SetUp(QCommandLineParser& AParser);

    // Reads the positional arguments of a parsed command line; a relative folder is
    // taken from ACurrentFolder.
    static TStartOptions FromArguments(const QStringList& AArguments, const QString& ACurrentFolder);
};
