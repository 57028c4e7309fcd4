#pragma once

#include <QFont>
#include <QString>

class TIniFileParser;

// The user's preferences, kept in settings.ini under [Preferences]. A value that is not
// stored, or does not read back, is the program's default.
struct TPreferences {
    bool CheckForUpdates = true;  // the automatic check ten seconds after start
    bool Colours = false;         // View > Colours
    bool Terminal = true;         // View > Terminal: runs get a pseudo-terminal
    QString ConsoleFont;          // QFont::toString(); empty: the console's own font
    int ConsoleCapacityMiB = 32;  // characters the console holds, in Mi
    // The command line that opens a file at a line: {file} and {line} are replaced;
    // empty: the desktop's opener for the file.
    QString EditorCommand;
    // A new ERROR-or-worse log entry tells the desktop while the log viewer is inactive.
    bool NotifyLogErrors = false;
    QString Language;             // "" for the system's language, or "en", "de"

    static constexpr int kMinCapacityMiB = 1;
    static constexpr int kMaxCapacityMiB = 1024;

    bool operator==(const TPreferences&) const = default;

    static TPreferences Load(const TIniFileParser& ASettings);
    // Writes the values that differ from AStored (what Load gave); false when the
    // settings file refused a write.
    bool Save(const TIniFileParser& ASettings, const TPreferences& AStored) const;
};
