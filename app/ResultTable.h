#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <QWidget>

#include <functional>

class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

// Rows of text under column titles, replaced whole in one reset.
class TResultModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void SetTable(QStringList AColumns, QList<QStringList> ARows);
    int rowCount(const QModelIndex& AParent = {}) const override;
    int columnCount(const QModelIndex& AParent = {}) const override;
    QVariant data(const QModelIndex& AIndex, int ARole) const override;
    QVariant headerData(int ASection, Qt::Orientation AOrientation, int ARole) const override;

private:
    QStringList FColumns;
    QList<QStringList> FRows;
};

// One table of results: sorts by a click on any column title, filters as the user types
// (a row stays when any of its cells holds the text), copies the selected cell or rows
// as tab-separated lines (Ctrl+C or the context menu) and exports the shown rows as CSV.
class TResultTable : public QWidget {
    Q_OBJECT
public:
    // AAskFile asks where to save the CSV and gives an empty text when the user cancels.
    // ATitle names the controls for screen readers ("Routes" gives "Routes table").
    TResultTable(const QString& ATitle, std::function<QString()> AAskFile, QWidget* AParent = nullptr);

    void SetTable(QStringList AColumns, QList<QStringList> ARows);
    QTableView* View() const { return FtblRows; }
    // The cells of the row that holds the current cell; empty when there is none.
    QStringList CurrentRow() const;
    // The selection as text: a single cell as it is, otherwise each row that has a
    // selected cell, whole, its cells joined by tabs, in the order shown.
    QString SelectionText() const;
    // The shown rows, in the order shown, as CSV under a line of column titles.
    QString CsvText() const;
    // One CSV field: quoted when it holds a comma, a quote, a line break or blanks at its
    // ends, with quotes doubled.
    static QString CsvField(const QString& AText);
    bool ExportCsv(const QString& AFile);

signals:
    // The current cell moved to another row, or the rows were replaced.
    void currentRowChanged();

protected:
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

private:
    void CopySelection();

    std::function<QString()> FAskFile;
    TResultModel* FModel;
    QSortFilterProxyModel* FProxy;
    QLineEdit* FedtFilter;
    QTableView* FtblRows;
    QPushButton* FbtnExport;
};
