#include "app/EditorLaunch.h"

#include <QProcess>

std::optional<TEditorLaunch> EditorLaunch(const QString& ACommand, const QString& AFile, int ALine) {
    const QString command = ACommand.trimmed();
    if (command.isEmpty()) return std::nullopt;
    // An open quote leaves the rest as one word: refused, rather than run half a line.
    if (command.count(QLatin1Char('"')) % 2 != 0) return std::nullopt;
    QStringList words = QProcess::splitCommand(command);
    if (words.isEmpty()) return std::nullopt;
    const QString line = QString::number(std::max(ALine, 1));
    bool named = false;
    for (QString& word : words) {
        named = named || word.contains(QStringLiteral("{file}"));
        // One pass, so a file whose name holds "{line}" keeps it.
        QString filled;
        for (qsizetype at = 0; at < word.size();) {
            if (word.mid(at, 6) == QStringLiteral("{file}")) {
                filled += AFile;
                at += 6;
            } else if (word.mid(at, 6) == QStringLiteral("{line}")) {
                filled += line;
                at += 6;
            } else {
                filled += word.at(at++);
            }
        }
        word = filled;
    }
    if (!named) words << AFile;
    const QString program = words.takeFirst();
    return TEditorLaunch{program, words};
}

std::pair<QString, int> FileAndLine(const QString& APath) {
    const qsizetype colon = APath.lastIndexOf(QLatin1Char(':'));
    bool isNumber = false;
    const int line = colon > 0 ? APath.mid(colon + 1).toInt(&isNumber) : 0;
    if (!isNumber || line < 0) return {APath, 0};
    return {APath.left(colon), line};
}
