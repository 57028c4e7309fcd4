#include "app/ResultTable.h"

#include <QAbstractButton>
#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

#include <cmath>
#include <set>

namespace {

// Past this many rows, the columns keep their width: measuring every cell would stall.
constexpr int kMeasuredRows = 2000;

// Sorts numbers by value (a batch of 10 after 9, a size of 16384 after 4096) and
// everything else as text in the user's language.
class TResultSort : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool lessThan(const QModelIndex& ALeft, const QModelIndex& ARight) const override {
        bool leftIsNumber = false;
        bool rightIsNumber = false;
        const double left = ALeft.data().toString().toDouble(&leftIsNumber);
        const double right = ARight.data().toString().toDouble(&rightIsNumber);
        if (leftIsNumber && rightIsNumber && std::isfinite(left) && std::isfinite(right)) return left < right;
        return QSortFilterProxyModel::lessThan(ALeft, ARight);
    }
};

}  // namespace

void TResultModel::SetTable(QStringList AColumns, QList<QStringList> ARows) {
    beginResetModel();
    FColumns = std::move(AColumns);
    FRows = std::move(ARows);
    endResetModel();
}

int TResultModel::rowCount(const QModelIndex& AParent) const { return AParent.isValid() ? 0 : int(FRows.size()); }

int TResultModel::columnCount(const QModelIndex& AParent) const {
    return AParent.isValid() ? 0 : int(FColumns.size());
}

QVariant TResultModel::data(const QModelIndex& AIndex, int ARole) const {
    if (!AIndex.isValid() || (ARole != Qt::DisplayRole && ARole != Qt::ToolTipRole)) return {};
    const QStringList& row = FRows.at(AIndex.row());
    return AIndex.column() < row.size() ? row.at(AIndex.column()) : QString();
}

QVariant TResultModel::headerData(int ASection, Qt::Orientation AOrientation, int ARole) const {
    if (ARole != Qt::DisplayRole) return {};
    if (AOrientation == Qt::Vertical) return ASection + 1;
    return ASection < FColumns.size() ? FColumns.at(ASection) : QVariant();
}

TResultTable::TResultTable(const QString& ATitle, std::function<QString()> AAskFile, QWidget* AParent)
    : QWidget(AParent), FAskFile(std::move(AAskFile)) {
    FModel = new TResultModel(this);
    FProxy = new TResultSort(this);
    FProxy->setSourceModel(FModel);
    FProxy->setFilterKeyColumn(-1);
    FProxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
    FProxy->setSortCaseSensitivity(Qt::CaseInsensitive);
    FProxy->setSortLocaleAware(true);

    FedtFilter = new QLineEdit(this);
    FedtFilter->setAccessibleName(QStringLiteral("Filter %1").arg(ATitle.toLower()));
    FedtFilter->setPlaceholderText(tr("Filter"));
    FbtnExport = new QPushButton(tr("Export CSV..."), this);
    FbtnExport->setAccessibleName(QStringLiteral("Export %1 as CSV").arg(ATitle.toLower()));

    FtblRows = new QTableView(this);
    FtblRows->setAccessibleName(QStringLiteral("%1 table").arg(ATitle));
    FtblRows->setModel(FProxy);
    FtblRows->setSelectionBehavior(QAbstractItemView::SelectItems);
    FtblRows->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FtblRows->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FtblRows->setWordWrap(false);
    FtblRows->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    FtblRows->verticalHeader()->setDefaultSectionSize(FtblRows->fontMetrics().height() + 6);
    FtblRows->horizontalHeader()->setStretchLastSection(true);
    // The rows come in the command's order until a column title is clicked.
    FtblRows->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    FtblRows->setSortingEnabled(true);
    FtblRows->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* copy = new QAction(tr("&Copy"), FtblRows);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    FtblRows->addAction(copy);

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(0, 0, 0, 0);
    bar->addWidget(FedtFilter, 1);
    bar->addWidget(FbtnExport);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(bar);
    layout->addWidget(FtblRows, 1);
    setFocusProxy(FtblRows);

    FtblRows->installEventFilter(this);
    // The corner button selects every cell.
    for (QAbstractButton* corner : FtblRows->findChildren<QAbstractButton*>())
        corner->setAccessibleName(QStringLiteral("Select all %1").arg(ATitle.toLower()));

    connect(FtblRows->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &TResultTable::currentRowChanged);
    connect(FModel, &QAbstractItemModel::modelReset, this, &TResultTable::currentRowChanged);
    connect(FedtFilter, &QLineEdit::textChanged, FProxy, &QSortFilterProxyModel::setFilterFixedString);
    connect(copy, &QAction::triggered, this, &TResultTable::CopySelection);
    connect(FbtnExport, &QPushButton::clicked, this, [this] {
        const QString file = FAskFile ? FAskFile() : QString();
        if (!file.isEmpty()) ExportCsv(file);
    });
}

void TResultTable::SetTable(QStringList AColumns, QList<QStringList> ARows) {
    const bool measure = ARows.size() <= kMeasuredRows;
    FModel->SetTable(std::move(AColumns), std::move(ARows));
    if (measure) FtblRows->resizeColumnsToContents();
}

QStringList TResultTable::CurrentRow() const {
    const QModelIndex current = FtblRows->currentIndex();
    if (!current.isValid()) return {};
    QStringList cells;
    for (int column = 0; column < FProxy->columnCount(); ++column)
        cells << FProxy->index(current.row(), column).data().toString();
    return cells;
}

QString TResultTable::SelectionText() const {
    const QModelIndexList selected = FtblRows->selectionModel()->selectedIndexes();
    if (selected.isEmpty()) return {};
    if (selected.size() == 1) return selected.first().data().toString();
    std::set<int> rows;
    for (const QModelIndex& index : selected) rows.insert(index.row());
    QStringList lines;
    for (const int row : rows) {
        QStringList cells;
        for (int column = 0; column < FProxy->columnCount(); ++column)
            cells << FProxy->index(row, column).data().toString();
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n'));
}

bool TResultTable::eventFilter(QObject* AWatched, QEvent* AEvent) {
    // Ctrl+C reaches the table as a key when its window is not the active one.
    if (AWatched == FtblRows && AEvent->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(AEvent)->matches(QKeySequence::Copy)) {
        CopySelection();
        return true;
    }
    return QWidget::eventFilter(AWatched, AEvent);
}

void TResultTable::CopySelection() {
    const QString text = SelectionText();
    if (!text.isEmpty()) QGuiApplication::clipboard()->setText(text);
}

QString TResultTable::CsvField(const QString& AText) {
    const bool quote = AText.contains(QLatin1Char(',')) || AText.contains(QLatin1Char('"')) ||
                       AText.contains(QLatin1Char('\n')) || AText.contains(QLatin1Char('\r')) ||
                       (!AText.isEmpty() && (AText.front().isSpace() || AText.back().isSpace()));
    if (!quote) return AText;
    QString doubled = AText;
    doubled.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + doubled + QLatin1Char('"');
}

QString TResultTable::CsvText() const {
    QString text;
    const int columns = FProxy->columnCount();
    const auto addLine = [&](const std::function<QString(int)>& ACell) {
        for (int column = 0; column < columns; ++column) {
            if (column > 0) text += QLatin1Char(',');
            text += CsvField(ACell(column));
        }
        text += QStringLiteral("\r\n");
    };
    addLine([this](int AColumn) { return FModel->headerData(AColumn, Qt::Horizontal, Qt::DisplayRole).toString(); });
    for (int row = 0; row < FProxy->rowCount(); ++row)
        addLine([this, row](int AColumn) { return FProxy->index(row, AColumn).data().toString(); });
    return text;
}

bool TResultTable::ExportCsv(const QString& AFile) {
    QSaveFile file(AFile);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(CsvText().toUtf8());
    return file.commit();
}
