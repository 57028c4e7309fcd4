#pragma once

#include "app/AnsiDecode.h"
#include "app/ConsoleOutput.h"

#include <QPlainTextEdit>
#include <QStringDecoder>
#include <QTextCursor>

#include <optional>

class QMenu;
class QMimeData;
class TConsoleUndo;
struct AnsiText;

// The console: white text on black that commands' output is added to at the end.
// The user may type in it; nothing reads back what the user does. Undo and redo take
// back the user's own edits only, across any output added meanwhile.
//
// It holds at most Capacity characters: past that the oldest lines leave the top, and
// a line there says so once. A very long line is held in blocks of a few thousand
// characters (ConsoleBlocks); PlainText, copy and drag give it back whole.
class TConsoleEdit : public QPlainTextEdit {
    Q_OBJECT

public:
    // Characters the console holds at most (each line break counts as one).
    static constexpr qsizetype kDefaultCapacity = qsizetype(32) * 1024 * 1024;

    explicit TConsoleEdit(QWidget* parent = nullptr);

    // Adds a text as its own line(s) at the end, as a terminal shows it (TConsoleOutput):
    // CR LF and LF are line breaks, a lone CR goes back to the start of the line, SGR
    // sequences colour the text.
    void AddText(const QString& text);

    // A run's output added piece by piece as it arrives. Between BeginOutput and
    // EndOutput the pieces end up exactly as AddText(all pieces joined) would have put
    // them, wherever the pieces were cut (even between CR and LF), as long as nothing
    // had to leave the top meanwhile.
    void BeginOutput();
    void AppendOutput(const QString& AChunk);
    void EndOutput();
    bool InOutput() const { return FOutput.has_value(); }

    // A terminal's live screen, below everything else: ARows (SGR text, one line per
    // row) with the cursor's cell inverted when ACursorVisible. The next call redraws it
    // in place; any other addition takes it away first, so that it never lands between
    // lines of output.
    void ShowLiveScreen(const QString& ARows, int ACursorRow, int ACursorColumn, bool ACursorVisible);
    void ClearLiveScreen();
    bool HasLiveScreen() const { return FLiveLength.has_value(); }

    // While a run on a terminal goes, the keys typed in the console go to it
    // (keyForProgram, pasteForProgram) instead of editing the console. Copy stays: Ctrl+C
    // with a selection, and Ctrl+Shift+C always.
    void setKeysToProgram(bool AValue) { FKeysToProgram = AValue; }
    bool KeysToProgram() const { return FKeysToProgram; }

signals:
    void keyForProgram(int AKey, Qt::KeyboardModifiers AModifiers, const QString& AText);
    void pasteForProgram(const QString& AText);
    // The console's size has changed (and so has the room it has for text).
    void resized();

public:
    // The line that tells how a run ended: its own line, muted grey for a success,
    // red otherwise.
    void AddEndLine(const QString& AText, bool ASuccess);
    // A remark of the program's own (not a command's output) on its own muted line; an
    // output in progress ends first.
    void AddNote(const QString& AText);

    // Characters the console holds at most, each line break counted as one, besides
    // the line at the top that tells of removed text. The oldest lines leave whole; the
    // block being written to stays in any case.
    qsizetype Capacity() const { return FCapacity; }
    void setCapacity(qsizetype value);
    // The line at the top that tells that older text has left the console.
    static QString RemovedNote(qsizetype ACapacity);

    // The console's text with long lines whole (as Save Output writes it).
    QString PlainText() const;

    // While the view shows the last line it follows what is added; once the user has
    // scrolled up it stays where it is.
    bool AtBottom() const;
    void ScrollToBottom();

    // The user's edits, as the undo and redo keys and the context menu reach them.
    bool CanUndo() const;
    bool CanRedo() const;
    void Undo();
    void Redo();

    // The context menu, with Undo and Redo acting on the user's edits.
    QMenu* CreateContextMenu(const QPoint& APosition);

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // Copy and drag take long lines whole.
    QMimeData* createMimeDataFromSelection() const override;

private:
    // Hands a key to the program, or copies or pastes; false for a key of the view.
    bool TakeKeyForProgram(QKeyEvent* event);

    // Where an addition goes and what it still owes the console.
    struct TOutputState {
        TConsoleOutput Output;        // colours, line breaks, carriage returns
        bool NeedsLineBreak = false;  // the output began on a free line: one break ends it
    };

    // Starts an addition at the end: on the free last line, or on a new line below
    // text the user typed there.
    TOutputState StartOutput();
    void WriteOutput(TOutputState& AState, QStringView AText);
    void FinishOutput(TOutputState& AState);

    void Insert(QTextCursor& ACursor, const QString& AText, const QTextCharFormat* AFormat = nullptr);
    // Removes the oldest lines (whole, never the one AWriting stands in) until the
    // console holds no more than its capacity; the first time, a line at the top says so.
    void KeepWithinCapacity(const QTextCursor& AWriting);

    // Before FUndo: making it gives the console a child, and event() sees that event.
    bool FKeysToProgram = false;
    TConsoleUndo* FUndo;
    qsizetype FCapacity = kDefaultCapacity;
    std::optional<TOutputState> FOutput;
    bool FFollowing = true;  // the view keeps to the last line
    // How many characters the live screen takes at the document's end. A count from the
    // end, not a cursor: the output's own cursor writes at the same place, and a cursor
    // kept there does not stay before what is inserted in an edit block.
    std::optional<int> FLiveLength;
};

