#pragma once

#include <QList>
#include <QString>

#include <functional>

// A command line kept one click away: for one project folder, or for every project when
// Project is empty.
struct TPin {
    QString Id;       // stays the same across renames and moves
    QString Name;     // what the Pinned page shows
    QString Project;  // empty: all projects
    QString Line;     // the command line as the user typed or built it

    // The name a new pin gets: the line, without "php artisan " in front.
    static QString DefaultName(const QString& ALine);

    bool operator==(const TPin&) const = default;
};

// The pinned command lines, in the user's order, kept in a small INI-like text file
// beside the history ("[Pin]" and "Id=", "Name=", "Project=", "Line=" below it; backslash,
// CR and LF escaped). Each change reads the file and replaces it under its lock
// (platform::RewriteFile), so two copies of the program pinning at once lose nothing.
// A damaged file gives what can be read from it: a section without a line is skipped,
// other text is ignored.
class TPinStore {
public:
    static constexpr std::size_t kMaxFileBytes = 1024 * 1024;

    const QString& FileName() const { return FFileName; }
    // Names the file; it is read on the next Load.
    void setFileName(const QString& AFileName) { FFileName = AFileName; }

    // Reads the file again; a missing or unreadable file gives no pins.
    void Load();
    const QList<TPin>& Pins() const { return FPins; }
    // The pins shown for AProject: those of every project and its own, in order.
    QList<TPin> PinsFor(const QString& AProject) const;

    // Each change applies to the file as it is now and returns false, with the reason in
    // LastError(), when the file could not be written; Pins() then holds the file's pins.
    // Adds APin at the end with a new id; the id in Added().
    bool Add(const TPin& APin);
    const QString& Added() const { return FAdded; }
    bool Rename(const QString& AId, const QString& AName);
    // Exchanges the places of two pins (moving one past its neighbour on the page).
    bool Swap(const QString& AId, const QString& AOtherId);
    bool Remove(const QString& AId);
    const QString& LastError() const { return FLastError; }

    // The pins of a file's text, and the text of pins.
    static QList<TPin> Parse(const QByteArray& AText);
    static QByteArray Text(const QList<TPin>& APins);

private:
    bool Change(const std::function<void(QList<TPin>&)>& AChange);

    QString FFileName;
    QList<TPin> FPins;
    QString FAdded;
    QString FLastError;
};
