#include "app/CommandCatalogue.h"

QString CommandPrefix(TCommandType type) {
    return type == TCommandType::Artisan ? QStringLiteral("php artisan ")
                                         : QStringLiteral("composer ");
}

QString CommandFromButtonName(const QString& name) {
    QString command = name;
    command.replace(QStringLiteral("__"), QStringLiteral("-"));
    command.replace(u'_', u':');
    command.remove(0, 3);
    for (QChar& c : command)
        if (c >= u'A' && c <= u'Z') c = QChar(c.unicode() + (u'a' - u'A'));
    return command;
}
