#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include "app/BackgroundJobs.h"
#include "platform/SubFolders.h"

#include <atomic>
#include <vector>

// A folder of the web root as the project list shows it.
struct TProjectFolder {
    QString Path;
    // Neither an artisan file nor a composer.json: commands may not work there.
    bool Plain = false;
};

// The sub-folders of a folder as full paths, hidden ones too, sorted by name without
// regard to letter case, each with whether it is plain. Links count when they lead to a
// folder; files, FIFOs, sockets, devices and dangling links do not. A folder that cannot
// be read gives none. AStop, when given and set, ends the reading early (with what was
// read so far).
QList<TProjectFolder> ReadProjectFolders(const QString& ARoot, const std::atomic<bool>* AStop = nullptr);

// Reads a root's folders off the window's thread (as jobs of the window's background
// jobs), so that a large root does not hold up the window. The window's thread gets them
// with `read`, every one not plain, as soon as they are listed, and then the same
// folders in the same order with `plainMarked` once each has been looked into (which
// takes several times as long). The looking into waits for GoOn(), so that it does not
// compete with the window's start for the processor and the disk. A new reading stops
// the last one, whose results are then dropped.
class TProjectFolderReader : public QObject {
    Q_OBJECT

public:
    TProjectFolderReader(TBackgroundJobs& AJobs, QObject* AParent = nullptr);
    ~TProjectFolderReader() override;

    void Read(const QString& ARoot);
    // Lets the reading go on from the listing to looking into each folder.
    void GoOn();

signals:
    void read(const QString& ARoot, const QList<TProjectFolder>& AFolders);
    void plainMarked(const QString& ARoot, const QList<TProjectFolder>& AFolders);

private:
    void StartMarking();

    TBackgroundJobs& FJobs;
    TBackgroundJobs::THandle FJob;
    QString FRoot;
    std::vector<platform::TSubFolder> FListed;
    bool FIsListed = false;
    bool FGoOn = false;
};
