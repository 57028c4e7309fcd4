#pragma once

#include <QString>

// Where the program is and where it keeps its files.
struct TAppEnvironment {
    QString ExecutableFile;  // full path of the running program
    QString ConfigHome;      // the user's configuration folder ($XDG_CONFIG_HOME or ~/.config)

    static TAppEnvironment FromSystem();

    // The program's folder, with a trailing separator.
    QString ProgramFolder() const;

    // The folder for settings.ini and version.ini, with a trailing separator: the
    // program's folder when it already holds settings.ini or can be written (a
    // portable copy); otherwise "tarnwick" in the configuration folder, created when
    // missing. When neither can be written, the program's folder, so that creating
    // the settings file there reports the failure.
    QString DataFolder() const;
};
