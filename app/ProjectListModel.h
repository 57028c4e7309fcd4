#pragma once

#include "app/ProjectFolders.h"

#include <QAbstractListModel>
#include <QColor>
#include <QList>
#include <QString>

// The project list's rows: one per folder of the root, its full path as the text; a plain
// folder is greyed and says why in its tooltip. Filled in one reset, however many folders
// the root holds, where a row of items each would be made one by one.
class TProjectListModel : public QAbstractListModel {
    Q_OBJECT

public:
    TProjectListModel(QString APlainNote, QColor APlainColour, QObject* AParent = nullptr);

    int rowCount(const QModelIndex& AParent = QModelIndex()) const override;
    QVariant data(const QModelIndex& AIndex, int ARole = Qt::DisplayRole) const override;

    void setFolders(QList<TProjectFolder> AFolders);
    // Takes the plain marks of folders still listed at the same place.
    void MarkPlain(const QList<TProjectFolder>& AFolders);

private:
    QList<TProjectFolder> FFolders;
    QString FPlainNote;
    QColor FPlainColour;
};
