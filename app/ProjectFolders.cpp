#include "app/ProjectFolders.h"

#include "platform/Paths.h"

#include <algorithm>

namespace {

bool IsAscii(const std::string& AText) {
    return std::all_of(AText.begin(), AText.end(), [](char AChar) { return static_cast<unsigned char>(AChar) < 0x80; });
}

// Not the locale's tolower: in some locales that maps "I" elsewhere.
int LowerAscii(int AChar) { return AChar >= 'A' && AChar <= 'Z' ? AChar + ('a' - 'A') : AChar; }

int CompareAsciiCaseless(const std::string& A, const std::string& B) {
    const std::size_t length = std::min(A.size(), B.size());
    for (std::size_t i = 0; i < length; ++i) {
        const int a = LowerAscii(static_cast<unsigned char>(A[i]));
        const int b = LowerAscii(static_cast<unsigned char>(B[i]));
        if (a != b) return a - b;
    }
    return A.size() < B.size() ? -1 : A.size() > B.size() ? 1 : 0;
}

// By name without regard to letter case; names equal so go by letter case, for an order
// that does not depend on the listing's. Names of ASCII only (nearly every
// root) compare as they are; otherwise each name is folded once, which is far cheaper
// than folding both sides at each of the sort's comparisons.
void SortByName(std::vector<platform::TSubFolder>& AFolders) {
    if (std::all_of(AFolders.begin(), AFolders.end(), [](const auto& AFolder) { return IsAscii(AFolder.Name); })) {
        std::sort(AFolders.begin(), AFolders.end(), [](const auto& A, const auto& B) {
            const int byName = CompareAsciiCaseless(A.Name, B.Name);
            return byName != 0 ? byName < 0 : A.Name < B.Name;
        });
        return;
    }
    struct TNamed {
        QString Folded;
        QString Name;
        platform::TSubFolder Folder;
    };
    std::vector<TNamed> named;
    named.reserve(AFolders.size());
    for (platform::TSubFolder& folder : AFolders) {
        QString name = QString::fromStdString(folder.Name);
        named.push_back({name.toCaseFolded(), std::move(name), std::move(folder)});
    }
    std::sort(named.begin(), named.end(), [](const TNamed& A, const TNamed& B) {
        const int byName = QString::compare(A.Folded, B.Folded);
        return byName != 0 ? byName < 0 : A.Name < B.Name;
    });
    for (size_t i = 0; i < named.size(); ++i) AFolders[i] = std::move(named[i].Folder);
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

namespace {

// The job's stop, as the flag the folder functions look at.
template <typename F>
auto WithStopFlag(TJobStop& AStop, F AWork) {
    auto stopped = std::make_shared<std::atomic<bool>>(false);
    const TStopHookScope hook(&AStop, [stopped] { *stopped = true; });
    return AWork(stopped.get());
}

struct TListing {
    std::vector<platform::TSubFolder> Listed;
    QList<TProjectFolder> Folders;
};

}  // namespace

TProjectFolderReader::TProjectFolderReader(TBackgroundJobs& AJobs, QObject* AParent)
    : QObject(AParent), FJobs(AJobs) {}

TProjectFolderReader::~TProjectFolderReader() {
    if (FJob) FJob->Stop();
}

void TProjectFolderReader::Read(const QString& ARoot) {
    if (FJob) FJob->Stop();
    FRoot = ARoot;
    FListed.clear();
    FIsListed = false;
    FGoOn = false;
    FJob = FJobs.Start<TListing>(
        this,
        [root = ARoot.toStdString()](TJobStop& AStop) {
            return WithStopFlag(AStop, [&root](const std::atomic<bool>* AStopped) {
                TListing listing;
                listing.Listed = platform::ListSubFolders(root, AStopped);
                SortByName(listing.Listed);
                listing.Folders = ProjectFolders(root, listing.Listed);
                return listing;
            });
        },
        [this, root = ARoot](TListing AListing) {
            FListed = std::move(AListing.Listed);
            FIsListed = true;
            emit read(root, AListing.Folders);
            if (FGoOn) StartMarking();
        });
}

void TProjectFolderReader::GoOn() {
    FGoOn = true;
    if (FIsListed) StartMarking();
}

void TProjectFolderReader::StartMarking() {
    FIsListed = false;  // once per reading
    FJob = FJobs.Start<QList<TProjectFolder>>(
        this,
        [root = FRoot.toStdString(), listed = std::move(FListed)](TJobStop& AStop) mutable {
            return WithStopFlag(AStop, [&](const std::atomic<bool>* AStopped) {
                platform::MarkPlainSubFolders(root, listed, AStopped);
                return ProjectFolders(root, listed);
            });
        },
        [this, root = FRoot](QList<TProjectFolder> AFolders) { emit plainMarked(root, AFolders); });
}
