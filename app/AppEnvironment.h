#pragma once

#include <QString>

// Where the program is, where it keeps its files and what it was started with.
struct TAppEnvironment {
    QString ExecutableFile;  // full path of the running program
    QString ConfigHome;      // the user's configuration folder ($XDG_CONFIG_HOME or ~/.config)
    QString StateHome;       // the user's state folder ($XDG_STATE_HOME or ~/.local/state)
    QString CacheHome;       // the user's cache folder ($XDG_CACHE_HOME or ~/.cache)
    QString StartProject;    // the project folder named on the command line; empty when none

    // The name of the desktop entry and of the AppStream component.
    static const QString kAppId;

    static TAppEnvironment FromSystem();

    // The program's folder, with a trailing separator.
    QString ProgramFolder() const;

    // Whether this copy was installed rather than built or unpacked: it lies in a
    // system program folder, or the install rules put it in a prefix's bin folder
    // beside share/applications with the program's desktop entry.
    bool IsInstalledCopy() const;

    // The folder for settings.ini and version.ini, with a trailing separator: "tarnwick"
    // in the configuration folder for an installed copy, created when missing. A copy
    // that is not installed keeps them in its own folder when that already holds
    // settings.ini or can be written, and otherwise in the configuration folder too.
    // When that cannot be made either, the folder where creating the settings file
    // then reports the failure.
    QString DataFolder() const;

    // The folders for history.txt and for the downloaded version.ini, with a trailing
    // separator: "tarnwick" in the user's state and cache folders for an installed copy
    // (created when missing), the data folder otherwise.
    QString StateFolder() const;
    QString CacheFolder() const;

    // Moves a file that an earlier version kept at AOld to ANew, once: only while ANew
    // does not exist, so nothing is lost or overwritten. False when AOld stays.
    static bool MoveOnce(const QString& AOld, const QString& ANew);

private:
    QString InstalledFolder(const QString& AHome) const;
};
