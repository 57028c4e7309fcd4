#include "app/ProjectFolders.h"

#include "platform/Paths.h"

#include <algorithm>

namespace {

// By name without regard to letter case; names equal so go by letter case, for an order
// that does not depend on the listing's.
void SortByName(std::vector<platform::TSubFolder>& AFolders) {
    std::vector<std::pair<QString, platform::TSubFolder>> named;
    named.reserve(AFolders.size());
    for (platform::TSubFolder& folder : AFolders) named.emplace_back(QString::fromStdString(folder.Name), std::move(folder));
    std::sort(named.begin(), named.end(), [](const auto& A, const auto& B) {
        const int byName = A.first.compare(B.first, Qt::CaseInsensitive);
        return byName != 0 ? byName < 0 : A.first < B.first;
    });
    for (size_t i = 0; i < named.size(); ++i) AFolders[i] = std::move(named[i].second);
}

QList<TProjectFolder> ProjectFolders(const std::string& ARoot, const std::vector<platform::TSubFolder>& AFolders) {
    QList<TProjectFolder> folders;
    folders.reserve(qsizetype(AFolders.size()));
    for (const platform::TSubFolder& folder : AFolders)
        folders.append({QString::fromStdString(platform::JoinPath(ARoot, folder.Name)), folder.Plain});
    return folders;
}

}  // namespace

QList<TProjectFolder> ReadProjectFolders(const QString& ARoot, const std::atomic<bool>* AStop) {
    const std::string root = ARoot.toStdString();
    std::vector<platform::TSubFolder> listed = platform::ListSubFolders(root, AStop);
    SortByName(listed);
    platform::MarkPlainSubFolders(root, listed, AStop);
    return ProjectFolders(root, listed);
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
        const std::string root = ARoot.toStdString();
        std::vector<platform::TSubFolder> listed = platform::ListSubFolders(root, &FStop);
        SortByName(listed);
        if (FStop) return;
        const QList<TProjectFolder> folders = ProjectFolders(root, listed);
        QMetaObject::invokeMethod(this, [this, ARoot, folders] { emit read(ARoot, folders); }, Qt::QueuedConnection);
        platform::MarkPlainSubFolders(root, listed, &FStop);
        if (FStop) return;
        const QList<TProjectFolder> marked = ProjectFolders(root, listed);
        QMetaObject::invokeMethod(this, [this, ARoot, marked] { emit plainMarked(ARoot, marked); }, Qt::QueuedConnection);
    });
}
