#include "app/CommandBoxHistory.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCompleter>
#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyle>
#include <QStringListModel>

TCommandBoxHistory::TCommandBoxHistory(QLineEdit& ABox)
    : QObject(&ABox),
      FBox(ABox),
      FModel(new QStringListModel(this)),
      FCompleter(new QCompleter(FModel, this)),
      FShowAction(new QAction(this)) {
    setObjectName(QStringLiteral("edtCommandHistory"));
    FCompleter->setCaseSensitivity(Qt::CaseInsensitive);
    FCompleter->setFilterMode(Qt::MatchContains);
    FCompleter->setCompletionMode(QCompleter::PopupCompletion);
    FCompleter->setMaxVisibleItems(12);
    FCompleter->popup()->setObjectName(QStringLiteral("lstCommandHistory"));
    FCompleter->popup()->setAccessibleName(QStringLiteral("Command history"));
    FBox.setCompleter(FCompleter);

    FShowAction->setObjectName(QStringLiteral("actShowHistory"));
    FShowAction->setText(tr("Command History"));
    FShowAction->setToolTip(tr("Command history (Alt+Down)"));
    FBox.addAction(FShowAction, QLineEdit::TrailingPosition);
    connect(FShowAction, &QAction::triggered, this, &TCommandBoxHistory::ShowAll);
    connect(&FBox, &QLineEdit::textEdited, this, [this] { FIndex = -1; });
    FBox.installEventFilter(this);
    // Installed after the completer's own filter, so it sees the popup's keys first.
    FCompleter->popup()->installEventFilter(this);
}

void TCommandBoxHistory::setLines(const QStringList& ALines) {
    FLines = ALines;
    FModel->setStringList(ALines);
    FIndex = -1;
    FShowAction->setEnabled(!ALines.isEmpty());
}

void TCommandBoxHistory::LoadArrowIcon() {
    if (FShowAction->icon().isNull()) FShowAction->setIcon(FBox.style()->standardIcon(QStyle::SP_ArrowDown));
}

void TCommandBoxHistory::ShowAll() {
    if (FLines.isEmpty()) return;
    FBox.setFocus(Qt::OtherFocusReason);
    FCompleter->setCompletionPrefix(QString());
    FCompleter->complete();
}

void TCommandBoxHistory::Walk(int AStep) {
    const int next = std::clamp(FIndex + AStep, -1, int(FLines.size()) - 1);
    if (next == FIndex) return;
    if (FIndex == -1) FTyped = FBox.text();
    FIndex = next;
    FBox.setText(FIndex == -1 ? FTyped : FLines[FIndex]);
}

void TCommandBoxHistory::EnterFromList(const QKeyEvent& AKey) {
    // An entry chosen with the arrows is the line to run; otherwise the line as typed.
    QAbstractItemView& list = *FCompleter->popup();
    const QModelIndex chosen = list.currentIndex();
    const bool picked = chosen.isValid() && list.selectionModel()->isSelected(chosen);
    const QString line = picked ? chosen.data().toString() : FBox.text();
    list.hide();
    FBox.setText(line);
    // The box gets the Enter the list took, and runs the line as Enter always does.
    QKeyEvent enter(QEvent::KeyPress, AKey.key(), AKey.modifiers(), AKey.text());
    QCoreApplication::sendEvent(&FBox, &enter);
}

bool TCommandBoxHistory::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FCompleter->popup() && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            EnterFromList(*key);
            return true;
        }
    }
    if (watched == &FBox && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (key->key() == Qt::Key_Down && modifiers == Qt::AltModifier) {
            ShowAll();
            return true;
        }
        if (modifiers == Qt::NoModifier && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
            Walk(key->key() == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
