#include "app/ConsoleUndo.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace {

// The characters of the document, the final paragraph separator left out.
int TextLength(const QTextDocument& ADocument) { return ADocument.characterCount() - 1; }

bool HasLineBreak(const QTextDocument& ADocument, int APosition, int ALength) {
    for (int i = APosition; i < APosition + ALength; ++i)
        if (ADocument.characterAt(i) == QChar::ParagraphSeparator) return true;
    return false;
}

// Keeps the editor's cursor and view where they are while the document's own history
// is stepped back and forth.
class TKeepView {
public:
    explicit TKeepView(QPlainTextEdit& AEditor)
        : FEditor(AEditor),
          FAnchor(AEditor.textCursor().anchor()),
          FPosition(AEditor.textCursor().position()),
          FVertical(AEditor.verticalScrollBar()->value()),
          FHorizontal(AEditor.horizontalScrollBar()->value()) {}
    ~TKeepView() {
        QTextCursor cursor = FEditor.textCursor();
        const int end = TextLength(*FEditor.document());
        cursor.setPosition(std::min(FAnchor, end));
        cursor.setPosition(std::min(FPosition, end), QTextCursor::KeepAnchor);
        FEditor.setTextCursor(cursor);
        FEditor.verticalScrollBar()->setValue(FVertical);
        FEditor.horizontalScrollBar()->setValue(FHorizontal);
    }

private:
    QPlainTextEdit& FEditor;
    int FAnchor;
    int FPosition;
    int FVertical;
    int FHorizontal;
};

}  // namespace

TConsoleUndo::TConsoleUndo(QPlainTextEdit& AEditor)
    : QObject(&AEditor), FEditor(AEditor), FDocument(*AEditor.document()) {
    FDocument.setUndoRedoEnabled(true);
    connect(&FDocument, &QTextDocument::contentsChange, this, &TConsoleUndo::OnContentsChange);
}

TConsoleUndo::TAddition::TAddition(TConsoleUndo& AUndo) : FUndo(AUndo) {
    if (FUndo.FAdditionDepth++ > 0) return;
    FUndo.TakeOverDocumentHistory();
    FUndo.FMode = TMode::Addition;
    FUndo.FDocument.setUndoRedoEnabled(false);
}

TConsoleUndo::TAddition::~TAddition() {
    if (--FUndo.FAdditionDepth > 0) return;
    FUndo.FDocument.setUndoRedoEnabled(true);
    FUndo.FMode = TMode::User;
}

bool TConsoleUndo::CanUndo() const { return !FUndo.empty() || FDocument.isUndoAvailable(); }

bool TConsoleUndo::CanRedo() const { return !FRedo.empty(); }

bool TConsoleUndo::Undo() {
    TakeOverDocumentHistory();
    return Step(FUndo, FRedo);
}

bool TConsoleUndo::Redo() {
    TakeOverDocumentHistory();
    return Step(FRedo, FUndo);
}

// Replaces the newest step of AFrom with its replacement and files the reverse in ATo.
bool TConsoleUndo::Step(std::vector<TEdit>& AFrom, std::vector<TEdit>& ATo) {
    if (AFrom.empty()) return false;
    TEdit edit = std::move(AFrom.back());
    AFrom.pop_back();
    if (!InDocument(edit)) {  // cannot happen while every change is followed; stay safe
        FUndo.clear();
        FRedo.clear();
        return false;
    }
    TEdit reverse{edit.Position, 0, Text(edit.Position, edit.Length), edit.Length};

    QTextCursor cursor(&FDocument);
    cursor.setPosition(edit.Position);
    cursor.setPosition(edit.Position + edit.Length, QTextCursor::KeepAnchor);
    FMode = TMode::Replay;
    FDocument.setUndoRedoEnabled(false);
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    if (edit.ReplacementLength > 0) cursor.insertFragment(edit.Replacement);
    cursor.endEditBlock();
    FDocument.setUndoRedoEnabled(true);
    FMode = TMode::User;

    reverse.Length = cursor.position() - edit.Position;
    ATo.push_back(std::move(reverse));
    cursor.clearSelection();
    FEditor.setTextCursor(cursor);
    FEditor.ensureCursorVisible();
    return true;
}

// Moves the steps the document's own undo holds into this history: each is stepped
// back to read what it replaced, then all are stepped forward again.
void TConsoleUndo::TakeOverDocumentHistory() {
    const int steps = FDocument.availableUndoSteps();
    if (steps == 0 || FMode != TMode::User) return;
    const TKeepView keepView(FEditor);
    std::vector<TEdit> taken;  // the newest first
    taken.reserve(std::size_t(steps));
    FMode = TMode::TakingOver;
    for (int step = 0; step < steps; ++step) {
        FSpan = {};
        FDocument.undo();
        if (!FSpan.Any) continue;
        // A span reported past the end (the final separator) is the same on both sides.
        const int excess = std::max(0, FSpan.NewEnd - TextLength(FDocument));
        FSpan.NewEnd -= excess;
        FSpan.OldEnd -= excess;
        const int replaced = FSpan.NewEnd - FSpan.Start;
        taken.push_back({FSpan.Start, FSpan.OldEnd - FSpan.Start, Text(FSpan.Start, replaced), replaced});
    }
    for (int step = 0; step < steps; ++step) FDocument.redo();
    FDocument.setUndoRedoEnabled(false);  // discards the document's copy
    FDocument.setUndoRedoEnabled(true);
    FMode = TMode::User;
    FRedo.clear();
    for (auto edit = taken.rbegin(); edit != taken.rend(); ++edit) Push(std::move(*edit));
}

// Files a step; typing that goes on where the last step's typing ended joins it.
void TConsoleUndo::Push(TEdit AEdit) {
    if (!FUndo.empty()) {
        TEdit& last = FUndo.back();
        const bool typing = AEdit.ReplacementLength == 0 && last.ReplacementLength == 0;
        if (typing && AEdit.Position == last.Position + last.Length &&
            !HasLineBreak(FDocument, last.Position, last.Length + AEdit.Length)) {
            last.Length += AEdit.Length;
            return;
        }
    }
    FUndo.push_back(std::move(AEdit));
    if (FUndo.size() > kMaxEdits) FUndo.erase(FUndo.begin());
}

void TConsoleUndo::OnContentsChange(int APosition, int ARemoved, int AAdded) {
    switch (FMode) {
    case TMode::User:
        // A new edit of the user's ends what could be redone. A change that the
        // document's own undo did not record (the document was cleared or replaced)
        // leaves nothing of the history in place.
        FRedo.clear();
        if (!FDocument.isUndoAvailable()) FUndo.clear();
        break;
    case TMode::TakingOver:
        if (!FSpan.Any) {
            FSpan = {true, APosition, APosition + ARemoved, APosition + AAdded};
        } else {
            const int end = std::max(FSpan.NewEnd, APosition + ARemoved);
            FSpan.OldEnd += std::max(0, APosition + ARemoved - FSpan.NewEnd);
            FSpan.NewEnd = end + AAdded - ARemoved;
            FSpan.Start = std::min(FSpan.Start, APosition);
        }
        break;
    case TMode::Addition:
        FollowChange(FUndo, APosition, ARemoved, AAdded);
        FollowChange(FRedo, APosition, ARemoved, AAdded);
        break;
    case TMode::Replay:
        break;
    }
}

// A write of the program changed ARemoved characters at APosition into AAdded. Each
// step, the newest first, moves with a change before it, stays for a change after it,
// and is dropped with all older steps when the change reaches into it. The change is
// carried down to each older step's document as it was before the newer step.
void TConsoleUndo::FollowChange(std::vector<TEdit>& AHistory, int APosition, int ARemoved,
                                int AAdded) {
    int position = APosition;
    for (std::size_t i = AHistory.size(); i-- > 0;) {
        TEdit& edit = AHistory[i];
        if (position + ARemoved <= edit.Position) {
            edit.Position += AAdded - ARemoved;
        } else if (position >= edit.Position + edit.Length) {
            position += edit.ReplacementLength - edit.Length;
        } else {
            AHistory.erase(AHistory.begin(), AHistory.begin() + std::ptrdiff_t(i) + 1);
            return;
        }
    }
}

bool TConsoleUndo::InDocument(const TEdit& AEdit) const {
    return AEdit.Position >= 0 && AEdit.Length >= 0 &&
           AEdit.Position + AEdit.Length <= TextLength(FDocument);
}

QTextDocumentFragment TConsoleUndo::Text(int APosition, int ALength) const {
    if (ALength <= 0) return {};
    QTextCursor cursor(&FDocument);
    cursor.setPosition(APosition);
    cursor.setPosition(APosition + ALength, QTextCursor::KeepAnchor);
    return cursor.selection();
}
