#include "app/frmLogViewer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kRankRole = Qt::UserRole + 1;
// Where a frame of a trace points: its file and line.
constexpr int kFileRole = Qt::UserRole + 2;
constexpr int kLineRole = Qt::UserRole + 3;
constexpr std::size_t kShownBytes = 256 * 1024;

QString Text(const std::string& AUtf8) { return QString::fromUtf8(AUtf8.data(), static_cast<qsizetype>(AUtf8.size())); }

QColor LevelColour(int ARank) {
    if (ARank >= 4) return QColor(0xC0, 0x20, 0x20);  // error and worse
    if (ARank == 3) return QColor(0xB0, 0x70, 0x00);  // warning
    if (ARank >= 1) return QColor(0x20, 0x60, 0xA0);  // info, notice
    return QColor(0x70, 0x70, 0x70);                  // debug, unknown
}

}  // namespace

TfrmLogViewer::TfrmLogViewer(const QString& AFile, std::function<bool(const QString&)> AConfirm, QWidget* AParent)
    : QWidget(AParent), FIndex(AFile.toStdString()), FConfirm(std::move(AConfirm)) {
    setObjectName(QStringLiteral("frmLogViewer"));
    setAccessibleName(QStringLiteral("Log viewer"));
    setWindowTitle(tr("Log - %1").arg(AFile));

    FedtFilter = new QLineEdit(this);
    FedtFilter->setObjectName(QStringLiteral("edtLogFilter"));
    FedtFilter->setAccessibleName(QStringLiteral("Filter log entries"));
    FedtFilter->setPlaceholderText(tr("Filter"));
    // A time range as written in the log ("2026-12-10 15:04"): text compares like time.
    FedtFrom = new QLineEdit(this);
    FedtFrom->setAccessibleName(QStringLiteral("Entries from time"));
    FedtFrom->setPlaceholderText(tr("From time"));
    FedtTo = new QLineEdit(this);
    FedtTo->setAccessibleName(QStringLiteral("Entries up to time"));
    FedtTo->setPlaceholderText(tr("To time"));
    FcmbLevel = new QComboBox(this);
    FcmbLevel->setObjectName(QStringLiteral("cmbLogLevel"));
    FcmbLevel->setAccessibleName(QStringLiteral("Log level"));
    for (const char* level : {"DEBUG", "INFO", "NOTICE", "WARNING", "ERROR", "CRITICAL", "ALERT", "EMERGENCY"})
        FcmbLevel->addItem(QString::fromLatin1(level));
    FchkExactly = new QCheckBox(tr("E&xactly"), this);
    FchkExactly->setAccessibleName(QStringLiteral("Only this level"));
    FchkFollow = new QCheckBox(tr("&Follow"), this);
    FchkFollow->setAccessibleName(QStringLiteral("Follow the log"));
    FbtnEarlier = new QPushButton(tr("&Older Entries"), this);
    FbtnEarlier->setAccessibleName(QStringLiteral("Older entries"));
    FbtnClear = new QPushButton(tr("C&lear Log"), this);
    FbtnClear->setAccessibleName(QStringLiteral("Clear log"));

    FtrvEntries = new QTreeWidget(this);
    FtrvEntries->setObjectName(QStringLiteral("trvLogEntries"));
    FtrvEntries->setAccessibleName(QStringLiteral("Log entries"));
    FtrvEntries->setHeaderLabels({tr("Time"), tr("Environment"), tr("Level"), tr("Message")});
    FtrvEntries->setUniformRowHeights(true);
    FtrvEntries->header()->setStretchLastSection(true);
    FlblState = new QLabel(this);
    FlblState->setObjectName(QStringLiteral("lblLogState"));
    FlblState->setAccessibleName(QStringLiteral("Log state"));
    FlblState->setTextFormat(Qt::PlainText);

    auto* bar = new QHBoxLayout;
    bar->addWidget(FedtFilter, 1);
    bar->addWidget(FedtFrom);
    bar->addWidget(FedtTo);
    bar->addWidget(FcmbLevel);
    bar->addWidget(FchkExactly);
    bar->addWidget(FchkFollow);
    bar->addWidget(FbtnEarlier);
    bar->addWidget(FbtnClear);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(FtrvEntries, 1);
    layout->addWidget(FlblState);

    connect(FedtFilter, &QLineEdit::textChanged, this, &TfrmLogViewer::ApplyFilter);
    connect(FedtFrom, &QLineEdit::textChanged, this, &TfrmLogViewer::ApplyFilter);
    connect(FedtTo, &QLineEdit::textChanged, this, &TfrmLogViewer::ApplyFilter);
    connect(FcmbLevel, &QComboBox::currentIndexChanged, this, &TfrmLogViewer::ApplyFilter);
    connect(FchkExactly, &QCheckBox::toggled, this, &TfrmLogViewer::ApplyFilter);
    connect(FchkFollow, &QCheckBox::toggled, this, &TfrmLogViewer::SetFollow);
    connect(FbtnClear, &QPushButton::clicked, this, &TfrmLogViewer::ClearLog);
    connect(FtrvEntries, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* AItem) {
        const QString file = AItem->data(0, kFileRole).toString();
        if (!file.isEmpty() && FOpenAt) FOpenAt(file, AItem->data(0, kLineRole).toInt());
    });
    connect(FbtnEarlier, &QPushButton::clicked, this, [this] {
        FIndex.IndexEarlier();
        Reload();
    });
    FIndex.Open();
    Reload();
}

void TfrmLogViewer::AddEntry(std::size_t AIndex) {
    const TLogEntry entry = FIndex.Entry(AIndex, kShownBytes);
    auto* item = new QTreeWidgetItem;
    int rank = -1;
    if (entry.Header) {
        rank = LogLevelRank(entry.Header->Level);
        item->setText(0, Text(entry.Header->Time));
        item->setText(1, Text(entry.Header->Environment));
        item->setText(2, Text(entry.Header->Level));
        item->setText(3, Text(entry.Header->Message));
        item->setForeground(2, LevelColour(rank));
    } else {
        item->setText(3, Text(entry.FirstLine));
    }
    item->setData(0, kRankRole, rank);
    // The context and each trace line beneath; frames in the project stand out.
    std::string detail = entry.Header ? entry.Header->Context : std::string();
    if (!entry.Detail.empty()) detail += (detail.empty() ? "" : "\n") + entry.Detail;
    if (entry.Cut) detail += "\n" + tr("(%1 more bytes)").arg(entry.Length - kShownBytes).toStdString();
    std::size_t start = 0;
    while (start < detail.size()) {
        std::size_t stop = detail.find('\n', start);
        if (stop == std::string::npos) stop = detail.size();
        const std::string line = detail.substr(start, stop - start);
        auto* child = new QTreeWidgetItem(item);
        child->setFirstColumnSpanned(true);
        child->setText(0, Text(line));
        if (const auto frame = ParseLogFrame(line); frame && !frame->Vendor) {
            QFont bold = child->font(0);
            bold.setBold(true);
            child->setFont(0, bold);
            child->setToolTip(0, Text(frame->File) + QLatin1Char(':') + QString::number(frame->Line));
            child->setData(0, kFileRole, Text(frame->File));
            child->setData(0, kLineRole, frame->Line);
        }
        start = stop + 1;
    }
    FtrvEntries->addTopLevelItem(item);
    for (int i = 0; i < item->childCount(); ++i) item->child(i)->setFirstColumnSpanned(true);
}

void TfrmLogViewer::Reload() {
    FtrvEntries->clear();
    for (std::size_t i = 0; i < FIndex.Count(); ++i) AddEntry(i);
    ApplyFilter();
    FtrvEntries->scrollToBottom();
    ShowState();
}

void TfrmLogViewer::ReadOn() {
    const std::size_t before = FIndex.Count();
    switch (FIndex.Refresh()) {
    case TLogIndex::TChange::None:
        break;
    case TLogIndex::TChange::Reset:
        Reload();
        break;
    case TLogIndex::TChange::Appended:
        // The last entry may have grown: read it again with the new ones.
        if (before > 0 && FtrvEntries->topLevelItemCount() > 0)
            delete FtrvEntries->takeTopLevelItem(FtrvEntries->topLevelItemCount() - 1);
        for (std::size_t i = before > 0 ? before - 1 : 0; i < FIndex.Count(); ++i) AddEntry(i);
        if (FNotify && !isActiveWindow()) {
            for (std::size_t i = before; i < FIndex.Count(); ++i) {
                const TLogEntry entry = FIndex.Entry(i, 4096);
                if (entry.Header && LogLevelRank(entry.Header->Level) >= LogLevelRank("ERROR"))
                    FNotify(Text(entry.Header->Level), Text(entry.Header->Message));
            }
        }
        ApplyFilter();
        FtrvEntries->scrollToBottom();
        ShowState();
        break;
    }
    // A file that is written anew is a new file to watch.
    if (FWatcher) {
        const QString path = QString::fromStdString(FIndex.Path());
        if (QFileInfo::exists(path) && !FWatcher->files().contains(path)) FWatcher->addPath(path);
    }
}

void TfrmLogViewer::ApplyFilter() {
    const QString text = FedtFilter->text();
    const int level = FcmbLevel->currentIndex();
    const bool exactly = FchkExactly->isChecked();
    const QString from = FedtFrom->text().trimmed();
    const QString to = FedtTo->text().trimmed();
    for (int i = 0; i < FtrvEntries->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = FtrvEntries->topLevelItem(i);
        const int rank = item->data(0, kRankRole).toInt();
        bool shown = exactly ? rank == level : (rank >= level || (rank < 0 && level == 0));
        // The upper end takes every time that starts with it ("15:04" up to 15:04:59).
        const QString time = item->text(0);
        if (!from.isEmpty() && time < from) shown = false;
        if (!to.isEmpty() && time > to && !time.startsWith(to)) shown = false;
        if (shown && !text.isEmpty()) {
            shown = false;
            for (int c = 0; c < 4 && !shown; ++c) shown = item->text(c).contains(text, Qt::CaseInsensitive);
            for (int c = 0; c < item->childCount() && !shown; ++c)
                shown = item->child(c)->text(0).contains(text, Qt::CaseInsensitive);
        }
        item->setHidden(!shown);
    }
}

void TfrmLogViewer::SetFollow(bool AOn) {
    delete FWatcher;
    FWatcher = nullptr;
    if (!AOn) return;
    FWatcher = new QFileSystemWatcher(this);
    const QString path = QString::fromStdString(FIndex.Path());
    if (QFileInfo::exists(path)) FWatcher->addPath(path);
    FWatcher->addPath(QFileInfo(path).absolutePath());  // for a file made, moved or removed
    connect(FWatcher, &QFileSystemWatcher::fileChanged, this, &TfrmLogViewer::ReadOn);
    connect(FWatcher, &QFileSystemWatcher::directoryChanged, this, &TfrmLogViewer::ReadOn);
    ReadOn();
}

void TfrmLogViewer::ClearLog() {
    if (FConfirm && !FConfirm(tr("Empty the log file %1?").arg(QString::fromStdString(FIndex.Path())))) return;
    if (!FIndex.Clear()) FlblState->setText(tr("The log file cannot be written."));
    else Reload();
}

void TfrmLogViewer::ShowState() {
    FbtnEarlier->setEnabled(!FIndex.ReachedStart());
    if (FIndex.State() != TLogIndex::TState::Ready) FlblState->setText(Text(FIndex.Message()));
    else FlblState->setText(tr("%n entries", nullptr, static_cast<int>(FIndex.Count())));
}
