#pragma once

#include "app/CommandList.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QSet>

#include <functional>

// What one run of a tool gave: everything it printed, and its exit status (negative when
// not known).
struct TToolRun {
    QByteArray Output;
    int ExitStatus = -1;
};

// Runs a whole command line in a folder and waits for it. Called on a worker thread.
using TToolRunner = std::function<TToolRun(const QString& AFolder, const QString& ACommandLine)>;

// The real runner: the command runner (components/Cmd) through the command interpreter.
TToolRun RunTool(const QString& AFolder, const QString& ACommandLine);

// Everything that can be run in one project: the artisan list (when the project has an
// artisan file), then Composer's, and a note for the user when something is missing.
struct TProjectCatalogue {
    QList<TCommandList> Lists;
    QString Notice;
};

// The catalogue of each project, read once and kept until composer.lock, composer.json
// or the artisan file changes (or the user asks again). Reading runs the tools on a
// worker thread; loaded() tells the window's thread when a project's catalogue is there.
class TCatalogueStore : public QObject {
    Q_OBJECT

public:
    explicit TCatalogueStore(TToolRunner ARunner = RunTool, QObject* AParent = nullptr);
    ~TCatalogueStore() override;

    // The project's catalogue when it has been read and its files have not changed since.
    const TProjectCatalogue* Cached(const QString& AFolder) const;

    // Starts reading the project's catalogue unless a fresh one is kept (or AForce is
    // false and a read is under way). Returns true when a read was started.
    bool Load(const QString& AFolder, bool AForce = false);
    bool IsLoading(const QString& AFolder) const { return FLoading.contains(AFolder); }

    // Reads the catalogue on the calling thread, through the runner.
    static TProjectCatalogue Read(const QString& AFolder, const TToolRunner& ARunner);

signals:
    void loaded(const QString& AFolder);

private:
    // What the project's catalogue depends on: size and time of each watched file.
    static QString Stamp(const QString& AFolder);
    void Store(const QString& AFolder, const QString& AStamp, const TProjectCatalogue& ACatalogue);

    struct TEntry {
        QString Stamp;
        TProjectCatalogue Catalogue;
    };
    TToolRunner FRunner;
    QHash<QString, TEntry> FEntries;
    QSet<QString> FLoading;
    QList<class QThread*> FWorkers;
};
