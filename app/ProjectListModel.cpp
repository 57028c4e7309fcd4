#include "app/ProjectListModel.h"

#include <QBrush>

#include <utility>

TProjectListModel::TProjectListModel(QString APlainNote, QColor APlainColour, QObject* AParent)
    : QAbstractListModel(AParent), FPlainNote(std::move(APlainNote)), FPlainColour(APlainColour) {}

int TProjectListModel::rowCount(const QModelIndex& AParent) const {
    return AParent.isValid() ? 0 : int(FFolders.size());
}

QVariant TProjectListModel::data(const QModelIndex& AIndex, int ARole) const {
    if (!AIndex.isValid() || AIndex.row() >= FFolders.size()) return {};
    const TProjectFolder& folder = FFolders[AIndex.row()];
    switch (ARole) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return folder.Path;
    case Qt::ToolTipRole:
        return folder.Plain ? QVariant(FPlainNote) : QVariant();
    case Qt::ForegroundRole:
        return folder.Plain ? QVariant(QBrush(FPlainColour)) : QVariant();
    default:
        return {};
    }
}

void TProjectListModel::setFolders(QList<TProjectFolder> AFolders) {
    beginResetModel();
    FFolders = std::move(AFolders);
    endResetModel();
}

void TProjectListModel::MarkPlain(const QList<TProjectFolder>& AFolders) {
    int first = -1;
    int last = -1;
    for (qsizetype i = 0; i < AFolders.size() && i < FFolders.size(); ++i) {
        TProjectFolder& shown = FFolders[i];
        if (shown.Plain == AFolders[i].Plain || shown.Path != AFolders[i].Path) continue;
        shown.Plain = AFolders[i].Plain;
        if (first < 0) first = int(i);
        last = int(i);
    }
    if (first >= 0) emit dataChanged(index(first), index(last), {Qt::ToolTipRole, Qt::ForegroundRole});
}
