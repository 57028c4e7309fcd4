#include "app/CatalogueStore.h"

#include "components/Cmd.h"

#include <QFileInfo>
#include <QThread>

TToolRun RunTool(const QString& AFolder, const QString& ACommandLine) {
    TCmd runner;
    runner.setRunWithCmd(true);
    runner.setCommmandStr(ACommandLine.toStdString());
    TToolRun run;
    runner.OnReadError = [&](const AnsiText& AError) { run.Output += QByteArray::fromStdString(AError.Bytes); };
    runner.OnReadOutput = [&](const AnsiText& AOutput, std::string) {
        run.Output += QByteArray::fromStdString(AOutput.Bytes);
    };
    runner.RunCommand(AFolder.toStdString());
    const TRunEnd end = runner.LastRunEnd();
    if (end.Kind == TRunEnd::TKind::Exited) run.ExitStatus = end.Code;
    return run;
}

TCatalogueStore::TCatalogueStore(TToolRunner ARunner, QObject* AParent)
    : QObject(AParent), FRunner(std::move(ARunner)) {}

TCatalogueStore::~TCatalogueStore() {
    // A worker only runs the tools and hands back its result; let each finish.
    for (QThread* worker : FWorkers) {
        worker->wait();
        delete worker;
    }
}

QString TCatalogueStore::Stamp(const QString& AFolder) {
    QString stamp;
    for (const char* name : {"artisan", "composer.json", "composer.lock"}) {
        const QFileInfo file(AFolder + u'/' + QLatin1String(name));
        stamp += file.exists() ? QStringLiteral("%1@%2;").arg(file.size()).arg(file.lastModified().toMSecsSinceEpoch())
                               : QStringLiteral("-;");
    }
    return stamp;
}

const TProjectCatalogue* TCatalogueStore::Cached(const QString& AFolder) const {
    const auto it = FEntries.find(AFolder);
    if (it == FEntries.end() || it->Stamp != Stamp(AFolder)) return nullptr;
    return &it->Catalogue;
}

TProjectCatalogue TCatalogueStore::Read(const QString& AFolder, const TToolRunner& ARunner) {
    TProjectCatalogue catalogue;
    if (QFileInfo(AFolder + QStringLiteral("/artisan")).isFile()) {
        const TToolRun run = ARunner(AFolder, QStringLiteral("php artisan list --format=json"));
        catalogue.Lists.append(ReadCommandList(TCommandType::Artisan, run.Output, run.ExitStatus));
    } else {
        catalogue.Notice = tr("This folder has no artisan file: only Composer's commands are listed.");
    }
    const TToolRun run = ARunner(AFolder, QStringLiteral("composer list --format=json"));
    catalogue.Lists.append(ReadCommandList(TCommandType::Composer, run.Output, run.ExitStatus));
    return catalogue;
}

void TCatalogueStore::Store(const QString& AFolder, const QString& AStamp, const TProjectCatalogue& ACatalogue) {
    FLoading.remove(AFolder);
    FEntries.insert(AFolder, TEntry{AStamp, ACatalogue});
    emit loaded(AFolder);
}

bool TCatalogueStore::Load(const QString& AFolder, bool AForce) {
    if (!AForce && (Cached(AFolder) || IsLoading(AFolder))) return false;
    FLoading.insert(AFolder);
    // The stamp is taken before the tools run, so that a change during the read leaves
    // the result stale rather than trusted.
    const QString stamp = Stamp(AFolder);
    const TToolRunner runner = FRunner;
    QThread* worker = QThread::create([this, runner, AFolder, stamp] {
        TProjectCatalogue catalogue = Read(AFolder, runner);
        // Queued to the window's thread; dropped if the store is gone by then.
        QMetaObject::invokeMethod(
            this, [this, AFolder, stamp, catalogue] { Store(AFolder, stamp, catalogue); },
            Qt::QueuedConnection);
    });
    FWorkers.append(worker);
    connect(worker, &QThread::finished, this, [this, worker] {
        FWorkers.removeOne(worker);
        worker->deleteLater();
    });
    worker->start();
    return true;
}
