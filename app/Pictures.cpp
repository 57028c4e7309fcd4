#include "app/Pictures.h"

#include <QFileInfo>

QIcon TwoScaleIcon(const QString& AFile) {
    QIcon icon;
    icon.addFile(AFile);
    const qsizetype dot = AFile.lastIndexOf(u'.');
    const QString large = dot < 0 ? AFile + QStringLiteral("@2x") : AFile.left(dot) + QStringLiteral("@2x") + AFile.mid(dot);
    if (QFileInfo::exists(large)) icon.addFile(large);
    return icon;
}
