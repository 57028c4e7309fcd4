#pragma once

#include <QObject>
#include <QTextDocumentFragment>

#include <vector>

class QPlainTextEdit;
class QTextDocument;

// Undo and redo of the user's own edits in an editor whose program also writes into the
// document. The program's writes (made inside a TAddition) are never undone and leave
// the user's history in place: the edits they do not touch keep their place in it, the
// ones they overwrite drop out together with everything older.
//
// The document's own undo records the user's edits as usual. Before each write of the
// program, and before undo and redo, those records are taken over into this history,
// since turning the document's undo off for a write discards them.
class TConsoleUndo : public QObject {
    Q_OBJECT

public:
    explicit TConsoleUndo(QPlainTextEdit& AEditor);

    // A write of the program into the document, for the scope's lifetime (scopes nest).
    class TAddition {
    public:
        explicit TAddition(TConsoleUndo& AUndo);
        ~TAddition();
        TAddition(const TAddition&) = delete;
        TAddition& operator=(const TAddition&) = delete;

    private:
        TConsoleUndo& FUndo;
    };

    bool CanUndo() const;
    bool CanRedo() const;
    // Each returns whether there was something to undo (redo). The editor's cursor ends
    // behind the text that was put back, and is shown.
    bool Undo();
    bool Redo();

    // Edits kept at most; the oldest go first.
    static constexpr std::size_t kMaxEdits = 1000;

private:
    // One step of the history, as it stands in the document now: Length characters at
    // Position, which the step replaces with Replacement (ReplacementLength characters).
    struct TEdit {
        int Position = 0;
        int Length = 0;
        QTextDocumentFragment Replacement;
        int ReplacementLength = 0;
    };
    enum class TMode { User, TakingOver, Addition, Replay };

    void TakeOverDocumentHistory();
    void Push(TEdit AEdit);
    bool Step(std::vector<TEdit>& AFrom, std::vector<TEdit>& ATo);
    void OnContentsChange(int APosition, int ARemoved, int AAdded);
    static void FollowChange(std::vector<TEdit>& AHistory, int APosition, int ARemoved, int AAdded);
    bool InDocument(const TEdit& AEdit) const;
    QTextDocumentFragment Text(int APosition, int ALength) const;

    QPlainTextEdit& FEditor;
    QTextDocument& FDocument;
    TMode FMode = TMode::User;
    int FAdditionDepth = 0;
    std::vector<TEdit> FUndo;  // the newest last
    std::vector<TEdit> FRedo;  // the next to redo last

    // The span that one step of the document's own undo changed, merged over the
    // changes it reports: [Start, OldEnd) before, [Start, NewEnd) after.
    struct TSpan {
        bool Any = false;
        int Start = 0;
        int OldEnd = 0;
        int NewEnd = 0;
    } FSpan;
};
