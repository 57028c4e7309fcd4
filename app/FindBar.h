#pragma once

#include <QObject>
#include <QString>
#include <QWidget>

#include <deque>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTextDocument;
class QTimer;
class QToolButton;

// Counts how often ANeedle occurs in AText, the matches taken one after the other
// without overlapping, as Find Next walks them.
qsizetype CountMatches(QStringView AText, const QString& ANeedle, Qt::CaseSensitivity ACase);

// Keeps the number of matches of a text in a document as the document changes. Text
// added at the end is counted on its own (with the end of what came before, for a
// match across the join), and text taken away at the top takes its matches with it;
// only an edit further up, or another text to find, counts the document again, in
// steps short enough that the window stays responsive.
class TMatchTally : public QObject {
    Q_OBJECT

public:
    explicit TMatchTally(QTextDocument& ADocument, QObject* parent = nullptr);
    ~TMatchTally() override;

    // Starts counting ANeedle; an empty one has no matches.
    void Start(const QString& ANeedle, Qt::CaseSensitivity ACase);
    // Stops following the document.
    void Stop();

    qsizetype Count() const { return qsizetype(FCountBefore + FShift); }
    // The whole document is counted.
    bool Done() const;
    // Counts what is left now, without waiting for the steps.
    void Finish();
    // Characters of the document read since the tally was made.
    qint64 CharactersRead() const { return FRead; }

signals:
    // Count() is up to date with the whole document.
    void Counted();

private:
    struct TNeedle;
    // A place the count passed: every match starting before At is among Before, and
    // the decision needed no text from ScannedTo on. Positions count from the top of
    // everything the document held since the count began.
    struct TCheckpoint {
        qint64 At;
        qint64 ScannedTo;
        qint64 Before;
    };

    void Changed(int APosition, int ARemoved, int AAdded);
    void RemovedAtTop(int ARemoved);
    void Restart();
    void Step();
    // Reads on from FResume for about AChars characters; false when nothing is left.
    bool ReadOn(qint64 AChars);
    qint64 Length() const;
    QString TextOf(qint64 AFrom, qint64 ATo) const;

    QTextDocument& FDocument;
    std::unique_ptr<TNeedle> FNeedle;
    QTimer* FStepLater;
    qint64 FBase = 0;         // characters taken from the top since the count began
    qint64 FResume = 0;       // where the next match may start
    qint64 FScannedTo = 0;    // the text before this has been read
    qint64 FCountBefore = 0;  // matches starting before FResume (less FShift)
    qint64 FShift = 0;        // what removals at the top took from FCountBefore and the checkpoints
    qint64 FRead = 0;
    std::deque<TCheckpoint> FCheckpoints;
};

// The find bar above the console: a search field, Previous and Next (wrapping round),
// Match case, the number of matches, and every match in view highlighted. Enter finds
// the next match, Shift+Enter the previous one, Esc closes the bar.
class TFindBar : public QWidget {
    Q_OBJECT

public:
    explicit TFindBar(QPlainTextEdit& AConsole, QWidget* parent = nullptr);

    // Shows the bar and puts the focus in the field, with the console's selection as
    // the text to find when there is one on a single line.
    void Open();
    void Close();

    // Selects the next (previous) match after (before) the console's cursor; false
    // when there is none.
    bool FindNext();
    bool FindPrevious();

    qsizetype MatchCount() const { return FMatchCount; }
    const TMatchTally& Tally() const { return *FTally; }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool Find(bool ABackward);
    void Recount();
    void ShowCount();
    void HighlightVisible();
    Qt::CaseSensitivity CaseSensitivity() const;

    QPlainTextEdit& FConsole;
    QWidget* FViewport;  // the console's viewport, watched for its size
    QLineEdit* FedtFind;
    QToolButton* FbtnFindPrevious;
    QToolButton* FbtnFindNext;
    QCheckBox* FchkMatchCase;
    QLabel* FlblFindCount;
    QToolButton* FbtnFindClose;
    TMatchTally* FTally;
    qsizetype FMatchCount = 0;
    int FHighlightedTop = -1;  // the console's top line when the matches in view were highlighted
};
