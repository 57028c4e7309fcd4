#include "app/AppEnvironment.h"

#include "platform/ModuleFileName.h"

#include <QDir>
#include <QFileInfo>

TAppEnvironment TAppEnvironment::FromSystem() {
    TAppEnvironment environment;
    // Windows names it with backslashes; the folder logic below works with "/".
    environment.ExecutableFile = QDir::fromNativeSeparators(QString::fromStdString(platform::ModuleFileName()));
#ifdef Q_OS_WIN
    environment.ConfigHome = QDir::fromNativeSeparators(qEnvironmentVariable("APPDATA"));
#else
    environment.ConfigHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (environment.ConfigHome.isEmpty())
        environment.ConfigHome = QDir::homePath() + QStringLiteral("/.config");
#endif
    return environment;
}

QString TAppEnvironment::ProgramFolder() const {
    const qsizetype slash = ExecutableFile.lastIndexOf(u'/');
    return slash < 0 ? QString() : ExecutableFile.left(slash + 1);
}

QString TAppEnvironment::DataFolder() const {
    const QString programFolder = ProgramFolder();
    if (QFileInfo(programFolder + QStringLiteral("settings.ini")).isFile() ||
        QFileInfo(programFolder).isWritable())
        return programFolder;
    if (!ConfigHome.isEmpty()) {
        const QString configFolder = QDir::cleanPath(ConfigHome + QStringLiteral("/tarnwick"));
        if (QDir().mkpath(configFolder) && QFileInfo(configFolder).isWritable())
            return configFolder + u'/';
    }
    return programFolder;
}
