#include "app/frmPinnedPage.h"

#include "app/Desktop.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QVBoxLayout>

TfrmPinnedPage::TfrmPinnedPage(TPinStore& AStore, IDesktop& ADesktop, QWidget* AParent)
    : QWidget(AParent), FStore(AStore), FDesktop(ADesktop) {
    setObjectName(QStringLiteral("tabPinned"));
    setAccessibleName(QStringLiteral("Pinned"));
    lstPins = new QListWidget(this);
    lstPins->setObjectName(QStringLiteral("lstPins"));
    lstPins->setAccessibleName(QStringLiteral("Pinned commands"));
    lstPins->setAccessibleDescription(
        tr("Click or Enter runs a command; the context menu renames, moves or removes it"));
    lstPins->setContextMenuPolicy(Qt::CustomContextMenu);
    lstPins->setUniformItemSizes(true);
    lblPinsHint = new QLabel(
        tr("Nothing pinned yet: choose a command in Commands > Run Any Command (Ctrl+Shift+P) and press Pin."),
        this);
    lblPinsHint->setObjectName(QStringLiteral("lblPinsHint"));
    lblPinsHint->setTextFormat(Qt::PlainText);
    // The page asks for no room of its own: the page control keeps the size the preset
    // pages give it, and the divider its place.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    lstPins->setMinimumSize(1, 1);
    lblPinsHint->setMinimumSize(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(lblPinsHint);
    layout->addWidget(lstPins, 1);

    connect(lstPins, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { RunRow(lstPins->row(item)); });
    connect(lstPins, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QListWidgetItem* item = lstPins->itemAt(at);
        if (!item) item = lstPins->currentItem();
        if (!item) return;
        QMenu* menu = RowMenu(lstPins->row(item));
        const QRect place = lstPins->visualItemRect(item);
        menu->popup(lstPins->viewport()->mapToGlobal(lstPins->itemAt(at) ? at : place.bottomLeft()));
    });
    lstPins->installEventFilter(this);
    // The rows show with the page: visible children of a page that is not in front change
    // how the first window is laid out.
    lstPins->hide();
    lblPinsHint->hide();
    Fill();
}

void TfrmPinnedPage::showEvent(QShowEvent* AEvent) {
    FPageShown = true;
    lstPins->show();
    lblPinsHint->setVisible(FShown.isEmpty());
    QWidget::showEvent(AEvent);
}

void TfrmPinnedPage::ShowProject(const QString& AProject) {
    FStore.Load();
    // Unchanged rows stay as they are (a run started from a row comes back here).
    if (AProject == FProject && FStore.PinsFor(AProject) == FShown) return;
    FProject = AProject;
    Fill();
}

bool TfrmPinnedPage::Pin(const QString& ALine, bool AAllProjects) {
    TPin pin;
    pin.Line = ALine;
    pin.Project = AAllProjects ? QString() : FProject;
    const bool stored = FStore.Add(pin);
    Report(stored);
    Fill();
    if (stored)
        for (int row = 0; row < FShown.size(); ++row)
            if (FShown[row].Id == FStore.Added()) lstPins->setCurrentRow(row);
    return stored;
}

void TfrmPinnedPage::Fill() {
    const QString current = IdOf(lstPins->currentRow());
    FShown = FStore.PinsFor(FProject);
    lstPins->clear();
    for (const TPin& pin : FShown) {
        auto* item = new QListWidgetItem(pin.Name, lstPins);
        const QString scope = pin.Project.isEmpty() ? QStringLiteral("all projects") : QStringLiteral("this project");
        item->setToolTip(pin.Line + QStringLiteral("\n(") + scope + u')');
        if (pin.Id == current) lstPins->setCurrentItem(item);
    }
    if (!lstPins->currentItem() && lstPins->count() > 0) lstPins->setCurrentRow(0);
    if (FPageShown) lblPinsHint->setVisible(FShown.isEmpty());
}

QString TfrmPinnedPage::IdOf(int ARow) const {
    return ARow >= 0 && ARow < FShown.size() ? FShown[ARow].Id : QString();
}

void TfrmPinnedPage::Report(bool AStored) {
    if (!AStored) emit failed(tr("Pins could not be saved: ") + FStore.LastError());
}

void TfrmPinnedPage::RunRow(int ARow) {
    if (ARow < 0 || ARow >= FShown.size()) return;
    emit runRequested(FShown[ARow].Line);
}

void TfrmPinnedPage::RenameRow(int ARow) {
    const QString id = IdOf(ARow);
    if (id.isEmpty()) return;
    QString name = FShown[ARow].Name;
    if (!FDesktop.InputQuery(this, tr("Rename Pin"), tr("Name:"), name)) return;
    Report(FStore.Rename(id, name));
    Fill();
}

void TfrmPinnedPage::MoveRow(int ARow, int ADelta) {
    const QString id = IdOf(ARow);
    const QString other = IdOf(ARow + ADelta);
    if (id.isEmpty() || other.isEmpty()) return;
    Report(FStore.Swap(id, other));
    Fill();
    // The moved pin stays the current row where it now stands.
    for (int row = 0; row < FShown.size(); ++row)
        if (FShown[row].Id == id) lstPins->setCurrentRow(row);
}

void TfrmPinnedPage::RemoveRow(int ARow) {
    const QString id = IdOf(ARow);
    if (id.isEmpty()) return;
    Report(FStore.Remove(id));
    Fill();
}

QMenu* TfrmPinnedPage::RowMenu(int ARow) {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("menPin"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const auto add = [&](const QString& AText, const char* AName, bool AEnabled, auto AHandler) {
        QAction* action = menu->addAction(AText);
        action->setObjectName(QLatin1String(AName));
        action->setEnabled(AEnabled);
        connect(action, &QAction::triggered, this, AHandler);
    };
    add(QStringLiteral("&Run"), "menPinRun", true, [this, ARow] { RunRow(ARow); });
    menu->addSeparator();
    add(tr("Re&name\u2026"), "menPinRename", true, [this, ARow] { RenameRow(ARow); });
    add(tr("Move &Up"), "menPinMoveUp", ARow > 0, [this, ARow] { MoveRow(ARow, -1); });
    add(tr("Move &Down"), "menPinMoveDown", ARow + 1 < FShown.size(), [this, ARow] { MoveRow(ARow, 1); });
    add(tr("Re&move"), "menPinRemove", true, [this, ARow] { RemoveRow(ARow); });
    return menu;
}

// Enter runs the current row; Ctrl+Up and Ctrl+Down move it, F2 renames it and Delete
// removes it.
bool TfrmPinnedPage::eventFilter(QObject* AWatched, QEvent* AEvent) {
    if (AWatched == lstPins && AEvent->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(AEvent);
        const int row = lstPins->currentRow();
        const bool ctrl = key->modifiers() & Qt::ControlModifier;
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: RunRow(row); return true;
        case Qt::Key_F2: RenameRow(row); return true;
        case Qt::Key_Delete: RemoveRow(row); return true;
        case Qt::Key_Up:
            if (!ctrl) break;
            MoveRow(row, -1);
            return true;
        case Qt::Key_Down:
            if (!ctrl) break;
            MoveRow(row, 1);
            return true;
        default: break;
        }
    }
    return QWidget::eventFilter(AWatched, AEvent);
}
