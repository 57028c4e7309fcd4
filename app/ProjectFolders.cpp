#include "app/ProjectFolders.h"

#include "platform/Paths.h"

#include <QDir>
#include <QFileInfo>

QList<TProjectFolder> ReadProjectFolders(const QString& ARoot, const std::atomic<bool>* AStop) {
    const QDir directory(ARoot);
    // QDir::System also lets special files and dangling links through, whatever the
    // other filters say; each entry is checked for being a folder below.
    const QFileInfoList entries = directory.entryInfoList(
        QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    QList<TProjectFolder> folders;
    folders.reserve(entries.size());
    for (const QFileInfo& entry : entries) {
        if (AStop && AStop->load(std::memory_order_relaxed)) break;
        if (!entry.isDir()) continue;
        TProjectFolder folder;
        folder.Path = QString::fromStdString(platform::JoinPath(ARoot.toStdString(), entry.fileName().toStdString()));
        folder.Plain = !QFileInfo(folder.Path + QStringLiteral("/artisan")).isFile() &&
                       !QFileInfo(folder.Path + QStringLiteral("/composer.json")).isFile();
        folders.append(folder);
    }
    return folders;
}

TProjectFolderReader::~TProjectFolderReader() { Stop(); }

void TProjectFolderReader::Stop() {
    FStop = true;
    if (FWorker.joinable()) FWorker.join();
    FStop = false;
}

void TProjectFolderReader::Read(const QString& ARoot) {
    Stop();
    FWorker = std::thread([this, ARoot] {
        const QList<TProjectFolder> folders = ReadProjectFolders(ARoot, &FStop);
        if (FStop) return;
        QMetaObject::invokeMethod(this, [this, ARoot, folders] { emit read(ARoot, folders); }, Qt::QueuedConnection);
    });
}
