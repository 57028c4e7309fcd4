#include "app/AppEnvironment.h"

#include "platform/Folders.h"
#include "platform/ModuleFileName.h"

#include <QDir>
#include <QFileInfo>

const QString TAppEnvironment::kAppId = QStringLiteral(TARNWICK_APP_ID);

TAppEnvironment TAppEnvironment::FromSystem() {
    TAppEnvironment environment;
    // Windows names them with backslashes; the folder logic below works with "/".
    environment.ExecutableFile = QDir::fromNativeSeparators(QString::fromStdString(platform::ModuleFileName()));
    environment.ConfigHome = QDir::fromNativeSeparators(QString::fromStdString(platform::UserConfigFolder()));
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
