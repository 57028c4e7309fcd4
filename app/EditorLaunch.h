#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// What to start to open a file at a line with the user's editor command, as the
// preferences hold it ("code --goto {file}:{line}"). The command is split into words
// first, so a file name with blanks or quotes stays one argument; a command without
// {file} gets the file as its last argument.
struct TEditorLaunch {
    QString Program;
    QStringList Arguments;

    bool operator==(const TEditorLaunch&) const = default;
};

// Nothing for an empty command or one with an open quote.
std::optional<TEditorLaunch> EditorLaunch(const QString& ACommand, const QString& AFile, int ALine);

// A "file:line" (a closure's path in the route list) split at its last colon; a text
// without a line number gives line 0.
std::pair<QString, int> FileAndLine(const QString& APath);
