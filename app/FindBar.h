#pragma once

#include <QString>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTimer;
class QToolButton;

// Counts how often ANeedle occurs in AText, the matches taken one after the other
// without overlapping, as Find Next walks them.
qsizetype CountMatches(QStringView AText, const QString& ANeedle, Qt::CaseSensitivity ACase);

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

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool Find(bool ABackward);
    void TakeText();
    void Recount();
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
    QTimer* FRecountLater;  // the console changed while the bar is open
    qsizetype FMatchCount = 0;
    QString FText;            // the console's text as last counted
    bool FTextStale = true;
};
