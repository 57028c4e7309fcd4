#pragma once

#include "app/CommandList.h"
#include "components/ProjectTools.h"
#include "components/ToolRead.h"

#include <QDateTime>
#include <QHash>
#include <QObject>

#include <functional>
#include <memory>

class TBackgroundJobs;
class TJobStop;

// What one run of a tool gave: what it printed (at most the read's size limit), its exit
// status (negative when not known), and why it was stopped or did not start (empty when
// it ended by itself).
struct TToolRun {
    QByteArray Output;
    int ExitStatus = -1;
    QString Problem;
};

// Runs one of the program's own reads and waits for it; a stop of AStop ends it at once.
// Called on a worker thread.
using TToolRunner = std::function<TToolRun(const TToolRequest& ARequest, TJobStop& AStop)>;

// The real runner: the line through the project's tools, bounded in size and time.
TToolRun RunTool(const TToolRequest& ARequest, TJobStop& AStop);

// Everything that can be run in one project: the artisan list (when the project has an
// artisan file), then Composer's, and a note for the user when something is missing.
struct TProjectCatalogue {
    QList<TCommandList> Lists;
    QString Notice;
};

// The catalogue of each project, read once and kept until composer.lock, composer.json,
// the artisan file or the project's tools change (or the user asks again). Reading runs
// the tools on a worker, through the project's tools, with the limits of a list;
// loaded() tells the window's thread when a project's catalogue is there. Reads can be
// stopped, and destroying the store stops them without waiting.
class TCatalogueStore : public QObject {
    Q_OBJECT

public:
    using TToolsOf = std::function<TProjectTools(const QString& AFolder)>;

    explicit TCatalogueStore(TToolRunner ARunner = RunTool, QObject* AParent = nullptr,
                             TBackgroundJobs* AJobs = nullptr);
    ~TCatalogueStore() override;

    // Where the store learns each project's tools; none: the defaults.
    void setToolsOf(TToolsOf AToolsOf) { FToolsOf = std::move(AToolsOf); }

    // The project's catalogue when it has been read and its files have not changed since.
    const TProjectCatalogue* Cached(const QString& AFolder) const;

    // Starts reading the project's catalogue unless a fresh one is kept (or AForce is
    // false and a read is under way; a forced read stops the one under way). Returns
    // true when a read was started.
    bool Load(const QString& AFolder, bool AForce = false);
    bool IsLoading(const QString& AFolder) const { return FLoading.contains(AFolder); }
    // Stops every read under way; their results are dropped.
    void StopAll();

    // Reads the catalogue on the calling thread, through the runner.
    static TProjectCatalogue Read(const QString& AFolder, const TToolRunner& ARunner,
                                  const TProjectTools& ATools = {}, TJobStop* AStop = nullptr);

signals:
    void loaded(const QString& AFolder);

private:
    // What the project's catalogue depends on: size and time of each watched file, and
    // the lines its tools turn the list commands into.
    QString Stamp(const QString& AFolder) const;
    TProjectTools ToolsOf(const QString& AFolder) const;
    void Store(const QString& AFolder, const QString& AStamp, const TProjectCatalogue& ACatalogue);

    struct TEntry {
        QString Stamp;
        TProjectCatalogue Catalogue;
    };
    TToolRunner FRunner;
    TToolsOf FToolsOf;
    TBackgroundJobs* FJobs;
    QHash<QString, TEntry> FEntries;
    QHash<QString, std::shared_ptr<TJobStop>> FLoading;
};
