#include "app/CatalogueStore.h"

#include "app/BackgroundJobs.h"
#include "app/Screenful.h"
#include "components/Exception.h"
#include "components/JobStop.h"

#include <QDir>
#include <QFileInfo>

TToolRun RunTool(const TToolRequest& ARequest, TJobStop& AStop) {
    TToolRead read(ARequest);
    const TStopHookScope hook(&AStop, [&read] { read.Stop(); });
    const TToolReadResult result = read.Run();
    TToolRun run;
    run.Output = QByteArray::fromStdString(result.Output);
    run.ExitStatus = result.ExitCode;
    run.Problem = QString::fromStdString(result.Problem(ARequest.Limits));
    return run;
}

TCatalogueStore::TCatalogueStore(TToolRunner ARunner, QObject* AParent, TBackgroundJobs* AJobs)
    : QObject(AParent), FRunner(std::move(ARunner)), FJobs(AJobs ? AJobs : new TBackgroundJobs(this)) {}

// The jobs stop with the store (or with their own owner); none is waited for.
TCatalogueStore::~TCatalogueStore() { StopAll(); }

void TCatalogueStore::StopAll() {
    for (const auto& stop : std::as_const(FLoading)) stop->Stop();
    FLoading.clear();
}

TProjectTools TCatalogueStore::ToolsOf(const QString& AFolder) const {
    return FToolsOf ? FToolsOf(AFolder) : TProjectTools{};
}

QString TCatalogueStore::Stamp(const QString& AFolder) const {
    QString stamp;
    for (const char* name : {"artisan", "composer.json", "composer.lock"}) {
        const QFileInfo file(AFolder + u'/' + QLatin1String(name));
        stamp += file.exists() ? QStringLiteral("%1@%2;").arg(file.size()).arg(file.lastModified().toMSecsSinceEpoch())
                               : QStringLiteral("-;");
    }
    const TProjectTools tools = ToolsOf(AFolder);
    using TTool = TRunRequest::TTool;
    for (const TTool tool : {TTool::Artisan, TTool::Composer}) {
        try {
            stamp += QString::fromStdString(RouteRequest(TRunRequest::ForTool(tool, "list", {}), tools).ShownLine) + u';';
        } catch (const Exception& error) {
            stamp += QString::fromUtf8(error.what()) + u';';
        }
    }
    return stamp;
}

const TProjectCatalogue* TCatalogueStore::Cached(const QString& AFolder) const {
    const auto it = FEntries.find(AFolder);
    if (it == FEntries.end() || it->Stamp != Stamp(AFolder)) return nullptr;
    return &it->Catalogue;
}

namespace {

TCommandList ReadList(TCommandType ATool, const TToolRun& ARun) {
    TCommandList list;
    if (ARun.Problem.isEmpty()) {
        list = ReadCommandList(ATool, ARun.Output, ARun.ExitStatus);
    } else {
        list.Tool = ATool;
        const QString said = QString::fromUtf8(ARun.Output).trimmed();
        list.Error = said.isEmpty() ? ARun.Problem : ARun.Problem + QStringLiteral(" It printed:\n") + said;
    }
    // The tool's text can be megabytes: a screenful tells what went wrong.
    list.Error = Screenful(list.Error);
    return list;
}

}  // namespace

TProjectCatalogue TCatalogueStore::Read(const QString& AFolder, const TToolRunner& ARunner,
                                        const TProjectTools& ATools, TJobStop* AStop) {
    TProjectCatalogue catalogue;
    if (!QFileInfo(AFolder).isDir()) {
        catalogue.Notice = QStringLiteral("The project folder \"%1\" no longer exists. Choose another project, "
                                          "or refresh the list (Ctrl+R).")
                               .arg(QDir::toNativeSeparators(AFolder));
        return catalogue;
    }
    TJobStop unstopped;
    TJobStop& stop = AStop ? *AStop : unstopped;
    auto Request = [&](TRunRequest::TTool ATool) {
        return TToolRequest{TRunRequest::ForTool(ATool, "list --format=json", AFolder.toStdString()), ATools,
                            TToolReadLimits::ForLists()};
    };
    if (QFileInfo(AFolder + QStringLiteral("/artisan")).isFile()) {
        catalogue.Lists.append(
            ReadList(TCommandType::Artisan, ARunner(Request(TRunRequest::TTool::Artisan), stop)));
    } else {
        catalogue.Notice = tr("This folder has no artisan file: only Composer's commands are listed.");
    }
    if (stop.Stopped()) return catalogue;
    catalogue.Lists.append(ReadList(TCommandType::Composer, ARunner(Request(TRunRequest::TTool::Composer), stop)));
    return catalogue;
}

void TCatalogueStore::Store(const QString& AFolder, const QString& AStamp, const TProjectCatalogue& ACatalogue) {
    FLoading.remove(AFolder);
    FEntries.insert(AFolder, TEntry{AStamp, ACatalogue});
    emit loaded(AFolder);
}

bool TCatalogueStore::Load(const QString& AFolder, bool AForce) {
    if (!AForce && (Cached(AFolder) || IsLoading(AFolder))) return false;
    if (const auto earlier = FLoading.take(AFolder)) earlier->Stop();
    // The stamp is taken before the tools run, so that a change during the read leaves
    // the result stale rather than trusted.
    const QString stamp = Stamp(AFolder);
    const TProjectTools tools = ToolsOf(AFolder);
    FLoading.insert(AFolder,
                    FJobs->Start<TProjectCatalogue>(
                        this,
                        [runner = FRunner, AFolder, tools](TJobStop& AStop) {
                            return Read(AFolder, runner, tools, &AStop);
                        },
                        [this, AFolder, stamp](TProjectCatalogue ACatalogue) { Store(AFolder, stamp, ACatalogue); }));
    return true;
}
