#include "app/ConsoleEdit.h"

#include "app/ConsoleUndo.h"
#include "app/Fonts.h"
#include "platform/CodePage.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCharFormat>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

const QColor kSuccessColour(0x9E, 0x9E, 0x9E);
const QColor kFailureColour(0xFF, 0x55, 0x55);

// The menu item AOld gives way to one that runs ARun, with the same text and name.
void ReplaceMenuItem(QMenu& AMenu, QAction* AOld, bool AEnabled, const std::function<void()>& ARun) {
    auto* item = new QAction(AOld->icon(), AOld->text(), &AMenu);
    item->setObjectName(AOld->objectName());
    item->setEnabled(AEnabled);
    QObject::connect(item, &QAction::triggered, &AMenu, ARun);
    AMenu.insertAction(AOld, item);
    AMenu.removeAction(AOld);
    delete AOld;
}

// Keeps the view at the bottom across an addition when it was there before.
class TFollowOutput {
public:
    explicit TFollowOutput(TConsoleEdit& AConsole) : FConsole(AConsole), FFollow(AConsole.AtBottom()) {}
    ~TFollowOutput() {
        if (FFollow) FConsole.ScrollToBottom();
    }

private:
    TConsoleEdit& FConsole;
    bool FFollow;
};

}  // namespace

TConsoleEdit::TConsoleEdit(QWidget* parent) : QPlainTextEdit(parent), FUndo(new TConsoleUndo(*this)) {
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::black);
    colours.setColor(QPalette::PlaceholderText, QColor(0xA0, 0xA0, 0xA0));
    colours.setColor(QPalette::Text, Qt::white);
    setPalette(colours);
    setFont(ConsoleFont());
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setReadOnly(false);

    // Following is a state that only the view's own moves change: the range of a large
    // document grows while its layout catches up, after the addition that made it, and
    // the view keeps to the bottom through that too.
    QScrollBar* bar = verticalScrollBar();
    connect(bar, &QScrollBar::rangeChanged, this, [this](int, int AMaximum) {
        if (FFollowing) verticalScrollBar()->setValue(AMaximum);
    });
    connect(bar, &QScrollBar::valueChanged, this,
            [this](int AValue) { FFollowing = AValue >= verticalScrollBar()->maximum(); });
}

void TConsoleEdit::Insert(QTextCursor& ACursor, const QString& AText, const QTextCharFormat* AFormat) {
    // Additions are never undone: the user's history is not theirs, and keeping them
    // would hold a large output twice.
    const TConsoleUndo::TAddition addition(*FUndo);
    ACursor.insertText(AText, AFormat ? *AFormat : QTextCharFormat());
}

void TConsoleEdit::setCapacity(qsizetype value) {
    FCapacity = std::max<qsizetype>(0, value);
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    KeepWithinCapacity(FOutput ? FOutput->Output.Cursor() : end);
}

QString TConsoleEdit::RemovedNote(qsizetype ACapacity) {
    constexpr qsizetype kMi = qsizetype(1024) * 1024;
    const QString amount = ACapacity >= kMi && ACapacity % kMi == 0 ? QStringLiteral("%1 Mi").arg(ACapacity / kMi)
                                                                       : QString::number(ACapacity);
    return QStringLiteral("[Older output has left the console: it keeps the newest %1 characters.]").arg(amount);
}

void TConsoleEdit::KeepWithinCapacity(const QTextCursor& AWriting) {
    QTextDocument& document = *this->document();
    using ConsoleBlocks::TKind;
    const bool noted = ConsoleBlocks::KindOf(document.firstBlock()) == TKind::Notice;
    // The note itself does not count.
    const qsizetype excess = qsizetype(document.characterCount()) - 1 - FCapacity -
                             (noted ? document.firstBlock().length() : 0);
    if (excess <= 0) return;
    // Whole blocks go, oldest first, up to the one being written to.
    const int writing = AWriting.block().position();
    qsizetype removed = 0;
    for (QTextBlock block = noted ? document.firstBlock().next() : document.firstBlock();
         removed < excess && block.isValid() && block.position() < writing; block = block.next())
        removed += block.length();
    if (removed == 0) return;

    const TFollowOutput follow(*this);
    const TConsoleUndo::TAddition addition(*FUndo);
    if (!noted) {
        // The note goes above the first line, which keeps its own kind.
        const TKind firstKind = ConsoleBlocks::KindOf(document.firstBlock());
        QTextCursor top(&document);
        top.insertBlock(ConsoleBlocks::FormatOf(firstKind), document.firstBlock().charFormat());
        top.setBlockFormat(ConsoleBlocks::FormatOf(firstKind));
        top.setPosition(0);
        top.setBlockFormat(ConsoleBlocks::FormatOf(TKind::Notice));
        QTextCharFormat muted;
        muted.setForeground(kSuccessColour);
        top.insertText(RemovedNote(FCapacity), muted);
    }
    // The first line that stays keeps its own kind.
    const int start = document.firstBlock().next().position();
    const TKind keptKind = ConsoleBlocks::KindOf(document.findBlock(start + int(removed)));
    QTextCursor cut(&document);
    cut.setPosition(start);
    cut.setPosition(start + int(removed), QTextCursor::KeepAnchor);
    cut.removeSelectedText();
    if (ConsoleBlocks::KindOf(cut.block()) != keptKind) cut.setBlockFormat(ConsoleBlocks::FormatOf(keptKind));
}

QString TConsoleEdit::PlainText() const {
    return ConsoleBlocks::PlainText(*document(), 0, document()->characterCount() - 1);
}

QMimeData* TConsoleEdit::createMimeDataFromSelection() const {
    const QTextCursor selection = textCursor();
    auto* data = new QMimeData;
    data->setText(ConsoleBlocks::PlainText(*document(), selection.selectionStart(), selection.selectionEnd()));
    return data;
}

bool TConsoleEdit::AtBottom() const { return FFollowing; }

void TConsoleEdit::ScrollToBottom() {
    FFollowing = true;
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->maximum());
}

bool TConsoleEdit::CanUndo() const { return FUndo->CanUndo(); }

bool TConsoleEdit::CanRedo() const { return FUndo->CanRedo(); }

void TConsoleEdit::Undo() { FUndo->Undo(); }

void TConsoleEdit::Redo() { FUndo->Redo(); }

QMenu* TConsoleEdit::CreateContextMenu(const QPoint& APosition) {
    QMenu* menu = createStandardContextMenu(APosition);
    for (QAction* item : menu->actions()) {
        if (item->objectName() == QLatin1String("edit-undo"))
            ReplaceMenuItem(*menu, item, CanUndo(), [this] { Undo(); });
        else if (item->objectName() == QLatin1String("edit-redo"))
            ReplaceMenuItem(*menu, item, CanRedo(), [this] { Redo(); });
    }
    return menu;
}

void TConsoleEdit::ShowLiveScreen(const QString& ARows, int ACursorRow, int ACursorColumn, bool ACursorVisible) {
    const TFollowOutput follow(*this);
    const TConsoleUndo::TAddition addition(*FUndo);
    ClearLiveScreen();
    const int before = document()->characterCount();
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    // The screen starts on a line of its own.
    const bool ownLine = !document()->lastBlock().text().isEmpty();
    if (ownLine) end.insertBlock(ConsoleBlocks::FormatOf(ConsoleBlocks::TKind::Line), QTextCharFormat());
    const QTextBlock first = document()->lastBlock();
    TConsoleOutput screen(end);
    screen.Write(ARows);
    screen.Finish(false);
    if (ACursorVisible && ACursorRow >= 0 && ACursorColumn >= 0) {
        QTextBlock row = first;
        for (int i = 0; i < ACursorRow && row.next().isValid(); ++i) row = row.next();
        QTextCursor cell(row);
        cell.movePosition(QTextCursor::EndOfBlock);
        const int missing = ACursorColumn + 1 - (row.length() - 1);
        if (missing > 0) cell.insertText(QString(missing, u' '), QTextCharFormat());
        cell.setPosition(row.position() + ACursorColumn);
        cell.setPosition(row.position() + ACursorColumn + 1, QTextCursor::KeepAnchor);
        QTextCharFormat inverted;
        inverted.setForeground(Qt::black);
        inverted.setBackground(Qt::white);
        cell.mergeCharFormat(inverted);
    }
    FLiveLength = document()->characterCount() - before;
}

void TConsoleEdit::ClearLiveScreen() {
    if (!FLiveLength) return;
    const TConsoleUndo::TAddition addition(*FUndo);
    const int length = *FLiveLength;
    FLiveLength.reset();
    QTextCursor screen(document());
    screen.movePosition(QTextCursor::End);
    screen.setPosition(std::max(0, screen.position() - length), QTextCursor::KeepAnchor);
    ConsoleBlocks::RemoveSelection(screen);
}

void TConsoleEdit::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    emit resized();
}

bool TConsoleEdit::event(QEvent* event) {
    // Ctrl+letters are the program's while it takes the keys, even where the window has
    // a shortcut for them; so is Esc, which otherwise stops the run.
    if (event->type() == QEvent::ShortcutOverride && FKeysToProgram) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool ctrl = key->modifiers() & Qt::ControlModifier;
        const bool shift = key->modifiers() & Qt::ShiftModifier;
        const bool copy = key->key() == Qt::Key_C && ctrl && (shift || textCursor().hasSelection());
        if (!copy && ((ctrl && key->key() >= Qt::Key_A && key->key() <= Qt::Key_Z) || key->key() == Qt::Key_Escape)) {
            event->accept();
            return true;
        }
    }
    return QPlainTextEdit::event(event);
}

bool TConsoleEdit::TakeKeyForProgram(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool ctrl = modifiers & Qt::ControlModifier;
    const bool shift = modifiers & Qt::ShiftModifier;
    const int key = event->key();
    if ((key == Qt::Key_C && ctrl && shift) || (key == Qt::Key_C && ctrl && textCursor().hasSelection()) ||
        (key == Qt::Key_Insert && ctrl)) {
        copy();
        return true;
    }
    if (event->matches(QKeySequence::Paste) || (key == Qt::Key_V && ctrl && shift)) {
        emit pasteForProgram(QGuiApplication::clipboard()->text());
        return true;
    }
    // Keys of the view itself stay: function keys and the modifiers alone.
    if ((key >= Qt::Key_F1 && key <= Qt::Key_F35) || key == Qt::Key_Shift || key == Qt::Key_Control ||
        key == Qt::Key_Alt || key == Qt::Key_Meta)
        return false;
    emit keyForProgram(key, modifiers, event->text());
    event->accept();
    return true;
}

void TConsoleEdit::keyPressEvent(QKeyEvent* event) {
    if (FKeysToProgram && TakeKeyForProgram(event)) return;
    if (event->matches(QKeySequence::Undo)) {
        Undo();
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Redo)) {
        Redo();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TConsoleEdit::contextMenuEvent(QContextMenuEvent* event) {
    const std::unique_ptr<QMenu> menu(CreateContextMenu(event->pos()));
    menu->exec(event->globalPos());
}

TConsoleEdit::TOutputState TConsoleEdit::StartOutput() {
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    TOutputState state{TConsoleOutput(cursor), document()->lastBlock().text().isEmpty()};
    if (!state.NeedsLineBreak) WriteOutput(state, u"\n");
    return state;
}

void TConsoleEdit::WriteOutput(TOutputState& AState, QStringView AText) {
    if (AText.isEmpty()) return;
    const TFollowOutput follow(*this);
    const TConsoleUndo::TAddition addition(*FUndo);
    AState.Output.Write(AText);
    KeepWithinCapacity(AState.Output.Cursor());
}

void TConsoleEdit::FinishOutput(TOutputState& AState) {
    const TFollowOutput follow(*this);
    const TConsoleUndo::TAddition addition(*FUndo);
    AState.Output.Finish(AState.NeedsLineBreak);
    KeepWithinCapacity(AState.Output.Cursor());
}

void TConsoleEdit::AddText(const QString& text) {
    ClearLiveScreen();
    TOutputState state = StartOutput();
    WriteOutput(state, text);
    FinishOutput(state);
}

void TConsoleEdit::BeginOutput() {
    FOutput.reset();
    FOutput.emplace(StartOutput());
}

void TConsoleEdit::AppendOutput(const QString& AChunk) {
    ClearLiveScreen();
    if (FOutput) WriteOutput(*FOutput, AChunk);
}

void TConsoleEdit::EndOutput() {
    ClearLiveScreen();
    if (!FOutput) return;
    TOutputState state = std::move(*FOutput);
    FOutput.reset();
    FinishOutput(state);
}

void TConsoleEdit::AddEndLine(const QString& AText, bool ASuccess) {
    ClearLiveScreen();
    const TFollowOutput follow(*this);
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    const TConsoleUndo::TAddition addition(*FUndo);
    // Plain lines: neither takes over the mark of a long line's block.
    const QTextBlockFormat line = ConsoleBlocks::FormatOf(ConsoleBlocks::TKind::Line);
    if (!document()->lastBlock().text().isEmpty()) cursor.insertBlock(line, QTextCharFormat());
    QTextCharFormat format;
    format.setForeground(ASuccess ? kSuccessColour : kFailureColour);
    Insert(cursor, AText, &format);
    cursor.insertBlock(line, QTextCharFormat());
    KeepWithinCapacity(cursor);
}

void TConsoleEdit::AddNote(const QString& AText) {
    EndOutput();
    AddEndLine(AText, true);
}

