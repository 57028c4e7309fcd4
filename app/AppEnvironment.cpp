#include "app/AppEnvironment.h"

#include "platform/Folders.h"
#include "platform/ModuleFileName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

const QString TAppEnvironment::kAppId = QStringLiteral(TARNWICK_APP_ID);

TAppEnvironment TAppEnvironment::FromSystem() {
    TAppEnvironment environment;
    // Windows names them with backslashes; the folder logic below works with "/".
    environment.ExecutableFile = QDir::fromNativeSeparators(QString::fromStdString(platform::ModuleFileName()));
    environment.ConfigHome = QDir::fromNativeSeparators(QString::fromStdString(platform::UserConfigFolder()));
    environment.StateHome = QDir::fromNativeSeparators(QString::fromStdString(platform::UserStateFolder()));
    environment.CacheHome = QDir::fromNativeSeparators(QString::fromStdString(platform::UserCacheFolder()));
    return environment;
}

QString TAppEnvironment::ProgramFolder() const {
    const qsizetype slash = ExecutableFile.lastIndexOf(u'/');
    return slash < 0 ? QString() : ExecutableFile.left(slash + 1);
}

bool TAppEnvironment::IsInstalledCopy() const {
    const QString programFolder = ProgramFolder();
    if (platform::IsSystemProgramFolder(programFolder.toStdString())) return true;
    return programFolder.endsWith(QStringLiteral("/bin/")) &&
           QFileInfo(programFolder + QStringLiteral("../share/applications/") + kAppId +
                     QStringLiteral(".desktop"))
               .isFile();
}

QString TAppEnvironment::DataFolder() const {
    const QString programFolder = ProgramFolder();
    const bool installed = IsInstalledCopy();
    if (!installed && (QFileInfo(programFolder + QStringLiteral("settings.ini")).isFile() ||
                       QFileInfo(programFolder).isWritable()))
        return programFolder;
    if (ConfigHome.isEmpty()) return programFolder;
    const QString configFolder = QDir::cleanPath(ConfigHome + QStringLiteral("/tarnwick")) + u'/';
    const bool usable = QDir().mkpath(configFolder) && QFileInfo(configFolder).isWritable();
    // An installed copy never falls back on the system's folder, even when it could
    // write there: the failure is reported for the folder where the files belong.
    return usable || installed ? configFolder : programFolder;
}

QString TAppEnvironment::InstalledFolder(const QString& AHome) const {
    if (!IsInstalledCopy() || AHome.isEmpty()) return DataFolder();
    const QString folder = QDir::cleanPath(AHome + QStringLiteral("/tarnwick")) + u'/';
    // A folder that cannot be made shows its failure where the file is written.
    QDir().mkpath(folder);
    return folder;
}

QString TAppEnvironment::StateFolder() const { return InstalledFolder(StateHome); }

QString TAppEnvironment::CacheFolder() const { return InstalledFolder(CacheHome); }

bool TAppEnvironment::MoveOnce(const QString& AOld, const QString& ANew) {
    if (AOld == ANew || !QFileInfo(AOld).isFile() || QFileInfo::exists(ANew)) return false;
    if (QFile::rename(AOld, ANew)) return true;
    // Another file system: a copy first, and the old file goes only once the copy is whole.
    return QFile::copy(AOld, ANew) && QFile::remove(AOld);
}
