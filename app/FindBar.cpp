#include "app/FindBar.h"

#include "app/Accessibility.h"

#include <QAbstractTextDocumentLayout>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStringMatcher>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>

#include <vector>

namespace {

// Matches in view stand out in this colour behind the text; the current one is
// the console's selection.
const QColor kMatchBackground(0x8A, 0x6D, 0x00);

}  // namespace

namespace {

// Simple case folding, quick for ASCII.
inline char16_t Folded(char16_t c) {
    if (c < 0x80) return (c >= u'A' && c <= u'Z') ? char16_t(c + (u'a' - u'A')) : c;
    return char16_t(QChar::toCaseFolded(char32_t(c)));
}

// A text to find, ready for Horspool's search: the last character of the window
// decides how far to skip.
class TNeedleScan {
public:
    TNeedleScan(const QString& ANeedle, Qt::CaseSensitivity ACase)
        : FFolds(ACase == Qt::CaseInsensitive),
          FSpansLines(ANeedle.contains(QChar::ParagraphSeparator)),
          FPattern(std::size_t(ANeedle.size())),
          FSkip(0x10000, quint32(ANeedle.size())) {
        const qsizetype m = ANeedle.size();
        for (qsizetype i = 0; i < m; ++i) FPattern[i] = Fold(ANeedle[i].unicode());
        for (qsizetype i = 0; i + 1 < m; ++i) FSkip[FPattern[i]] = quint32(m - 1 - i);
    }

    qsizetype Size() const { return qsizetype(FPattern.size()); }
    // A match may hold a line break: lines are no bounds for it.
    bool SpansLines() const { return FSpansLines; }

    // Counts the matches in AText from AAt on, one after the other without
    // overlapping; AAt ends where the next match may start.
    qsizetype Scan(QStringView AText, qsizetype& AAt) const {
        return FFolds ? ScanWith(AText, AAt, Folded) : ScanWith(AText, AAt, [](char16_t c) { return c; });
    }

private:
    char16_t Fold(char16_t c) const { return FFolds ? Folded(c) : c; }

    template <typename TFold>
    qsizetype ScanWith(QStringView AText, qsizetype& AAt, TFold AFold) const {
        const qsizetype m = Size();
        const qsizetype n = AText.size();
        if (m == 0) return 0;
        const char16_t* text = AText.utf16();
        const char16_t last = FPattern[m - 1];
        qsizetype count = 0;
        qsizetype at = AAt;
        while (at <= n - m) {
            const char16_t c = AFold(text[at + m - 1]);
            if (c == last) {
                qsizetype k = m - 2;
                while (k >= 0 && AFold(text[at + k]) == FPattern[k]) --k;
                if (k < 0) {
                    ++count;
                    at += m;
                    continue;
                }
            }
            at += FSkip[c];
        }
        AAt = at;
        return count;
    }

    bool FFolds;
    bool FSpansLines;
    std::vector<char16_t> FPattern;
    std::vector<quint32> FSkip;
};

// The count reads the document in pieces of this many characters, and keeps a
// checkpoint about as far apart: about what an edit or a removal at the top makes it
// read again.
constexpr qint64 kReadPiece = 32 * 1024;
constexpr qint64 kCheckpointSpacing = kReadPiece;
// One step of counting holds the window no longer than this.
constexpr qint64 kStepMilliseconds = 8;

}  // namespace

qsizetype CountMatches(QStringView AText, const QString& ANeedle, Qt::CaseSensitivity ACase) {
    if (ANeedle.isEmpty() || AText.size() < ANeedle.size()) return 0;
    qsizetype at = 0;
    return TNeedleScan(ANeedle, ACase).Scan(AText, at);
}

struct TMatchTally::TNeedle : TNeedleScan {
    using TNeedleScan::TNeedleScan;
};

TMatchTally::TMatchTally(QTextDocument& ADocument, QObject* parent)
    : QObject(parent), FDocument(ADocument), FStepLater(new QTimer(this)) {
    FStepLater->setSingleShot(true);
    FStepLater->setInterval(0);
    connect(FStepLater, &QTimer::timeout, this, &TMatchTally::Step);
    connect(&FDocument, &QTextDocument::contentsChange, this, &TMatchTally::Changed);
    FDocument.documentLayout();  // a document tells its changes only once it has a layout
}

TMatchTally::~TMatchTally() = default;

void TMatchTally::Start(const QString& ANeedle, Qt::CaseSensitivity ACase) {
    FNeedle = ANeedle.isEmpty() ? nullptr : std::make_unique<TNeedle>(ANeedle, ACase);
    FBase = 0;
    Restart();
    Step();  // a small document is counted at once
}

void TMatchTally::Stop() {
    FNeedle.reset();
    FStepLater->stop();
    FCheckpoints.clear();
    FCountBefore = FShift = 0;
}

bool TMatchTally::Done() const { return !FNeedle || FResume - FBase + FNeedle->Size() > Length(); }

void TMatchTally::Finish() {
    if (!FNeedle) return;
    FStepLater->stop();
    while (ReadOn(kReadPiece)) {}
    emit Counted();
}

qint64 TMatchTally::Length() const { return FDocument.characterCount() - 1; }

QString TMatchTally::TextOf(qint64 AFrom, qint64 ATo) const {
    QTextCursor range(&FDocument);
    range.setPosition(int(AFrom));
    range.setPosition(int(ATo), QTextCursor::KeepAnchor);
    return range.selectedText();
}

void TMatchTally::Restart() {
    FResume = FScannedTo = FBase;
    FCountBefore = FShift = 0;
    FCheckpoints.clear();
}

void TMatchTally::Changed(int APosition, int ARemoved, int AAdded) {
    if (!FNeedle) return;
    // Text taken from the top, or from the start of the second line (a full console keeps
    // its note about dropped text on the first): the lines after the cut are unchanged.
    const bool fromTop = APosition == 0 || APosition == FDocument.firstBlock().length();
    if (fromTop && AAdded == 0 && ARemoved > 0 && !FNeedle->SpansLines()) {
        RemovedAtTop(ARemoved);
    } else {
        // What was read before the edit still counts; from the last checkpoint that
        // read nothing the edit touched, the count reads on.
        const qint64 at = FBase + APosition;
        while (!FCheckpoints.empty() && FCheckpoints.back().ScannedTo > at) FCheckpoints.pop_back();
        if (FScannedTo > at) {
            if (FCheckpoints.empty()) {
                Restart();
            } else {
                const TCheckpoint& last = FCheckpoints.back();
                FResume = last.At;
                FScannedTo = last.ScannedTo;
                FCountBefore = last.Before;
            }
        }
    }
    FStepLater->start();
}

void TMatchTally::RemovedAtTop(int ARemoved) {
    FBase += ARemoved;
    // Matches never cross a line break, so from the second line on nothing changed:
    // the first checkpoint there keeps its place, and only the text before it is
    // counted again.
    const qint64 secondLine = FBase + FDocument.firstBlock().length();
    while (!FCheckpoints.empty() && FCheckpoints.front().At < secondLine) FCheckpoints.pop_front();
    if (FCheckpoints.empty()) {
        Restart();
        return;
    }
    const TCheckpoint& first = FCheckpoints.front();
    const qint64 end = first.At - FBase;
    const QString text = TextOf(0, std::min(Length(), end + FNeedle->Size() - 1));
    FRead += text.size();
    qsizetype at = 0;
    FShift = FNeedle->Scan(text, at) - first.Before;
}

bool TMatchTally::ReadOn(qint64 AChars) {
    const qint64 length = Length();
    const qint64 m = FNeedle->Size();
    const qint64 from = FResume - FBase;
    if (from + m > length) return false;
    const qint64 to = std::min(length, from + AChars + m - 1);
    const QString text = TextOf(from, to);
    FRead += text.size();
    qsizetype at = 0;
    FCountBefore += FNeedle->Scan(text, at);
    FResume += at;
    FScannedTo = FBase + to;
    const qint64 previous = FCheckpoints.empty() ? FBase : FCheckpoints.back().At;
    if (FResume - previous >= kCheckpointSpacing) FCheckpoints.push_back({FResume, FScannedTo, FCountBefore});
    return FResume - FBase + m <= length;
}

void TMatchTally::Step() {
    if (!FNeedle) return;
    QElapsedTimer clock;
    clock.start();
    while (ReadOn(kReadPiece)) {
        if (clock.elapsed() >= kStepMilliseconds) {
            FStepLater->start();
            return;
        }
    }
    emit Counted();
}

TFindBar::TFindBar(QPlainTextEdit& AConsole, QWidget* parent)
    : QWidget(parent),
      FConsole(AConsole),
      FViewport(AConsole.viewport()),
      FedtFind(new QLineEdit(this)),
      FbtnFindPrevious(new QToolButton(this)),
      FbtnFindNext(new QToolButton(this)),
      FchkMatchCase(new QCheckBox(tr("Match &case"), this)),
      FlblFindCount(new QLabel(this)),
      FbtnFindClose(new QToolButton(this)),
      FTally(new TMatchTally(*AConsole.document(), this)) {
    setObjectName(QStringLiteral("panFind"));
    setAccessibleName(QStringLiteral("Find in console"));
    // Alt+N goes to the field; Previous and Next have F3 and Enter, and their letters
    // stay free for the window's other rows.
    auto* label = new QLabel(tr("Fi&nd:"), this);
    label->setObjectName(QStringLiteral("lblFind"));
    label->setBuddy(FedtFind);

    FedtFind->setObjectName(QStringLiteral("edtFind"));
    FedtFind->setAccessibleName(QStringLiteral("Text to find"));
    FbtnFindPrevious->setObjectName(QStringLiteral("btnFindPrevious"));
    FbtnFindPrevious->setText(tr("Previous"));
    FbtnFindPrevious->setAccessibleName(QStringLiteral("Find previous"));
    FbtnFindPrevious->setToolTip(tr("Find previous (Shift+Enter, Shift+F3)"));
    FbtnFindNext->setObjectName(QStringLiteral("btnFindNext"));
    FbtnFindNext->setText(tr("Next"));
    FbtnFindNext->setAccessibleName(QStringLiteral("Find next"));
    FbtnFindNext->setToolTip(tr("Find next (Enter, F3)"));
    FchkMatchCase->setObjectName(QStringLiteral("chkMatchCase"));
    FchkMatchCase->setAccessibleName(QStringLiteral("Match case"));
    FlblFindCount->setObjectName(QStringLiteral("lblFindCount"));
    FlblFindCount->setAccessibleName(QStringLiteral("Number of matches"));
    FlblFindCount->setMinimumWidth(90);
    FbtnFindClose->setObjectName(QStringLiteral("btnFindClose"));
    FbtnFindClose->setText(QStringLiteral("\u2715"));
    FbtnFindClose->setAccessibleName(QStringLiteral("Close find bar"));
    FbtnFindClose->setToolTip(tr("Close (Esc)"));
    FbtnFindClose->setAutoRaise(true);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 3);
    layout->addWidget(label);
    layout->addWidget(FedtFind, 1);
    layout->addWidget(FbtnFindPrevious);
    layout->addWidget(FbtnFindNext);
    layout->addWidget(FchkMatchCase);
    layout->addWidget(FlblFindCount);
    layout->addWidget(FbtnFindClose);
    setTabOrder(FedtFind, FbtnFindPrevious);
    setTabOrder(FbtnFindPrevious, FbtnFindNext);
    setTabOrder(FbtnFindNext, FchkMatchCase);
    setTabOrder(FchkMatchCase, FbtnFindClose);

    connect(FTally, &TMatchTally::Counted, this, &TFindBar::ShowCount);
    connect(FedtFind, &QLineEdit::textChanged, this, &TFindBar::Recount);
    connect(FchkMatchCase, &QCheckBox::toggled, this, &TFindBar::Recount);
    connect(FbtnFindNext, &QToolButton::clicked, this, &TFindBar::FindNext);
    connect(FbtnFindPrevious, &QToolButton::clicked, this, &TFindBar::FindPrevious);
    connect(FbtnFindClose, &QToolButton::clicked, this, &TFindBar::Close);
    // Every move of the view, also those the console makes itself to show the match
    // found, asks to redraw the viewport; one that shows other lines highlights again.
    connect(&FConsole, &QPlainTextEdit::updateRequest, this, [this](const QRect&, int ADy) {
        if (isVisible() && (ADy != 0 || FConsole.verticalScrollBar()->value() != FHighlightedTop))
            HighlightVisible();
    });
    FConsole.viewport()->installEventFilter(this);
    hide();
}

void TFindBar::Open() {
    // The clear button's icon is a look-up in the desktop's icon theme; the bar is hidden
    // until first opened, so the look-up waits until then, off the window's start.
    if (!FedtFind->isClearButtonEnabled()) EnableNamedClearButton(*FedtFind);
    const QString selected = FConsole.textCursor().selectedText();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator))
        FedtFind->setText(selected);
    show();
    FedtFind->setFocus(Qt::ShortcutFocusReason);
    FedtFind->selectAll();
    Recount();
}

void TFindBar::Close() {
    hide();
    FTally->Stop();
    FConsole.setExtraSelections({});
    FConsole.setFocus(Qt::OtherFocusReason);
}

bool TFindBar::FindNext() { return Find(false); }
bool TFindBar::FindPrevious() { return Find(true); }

Qt::CaseSensitivity TFindBar::CaseSensitivity() const {
    return FchkMatchCase->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
}

bool TFindBar::Find(bool ABackward) {
    const QString needle = FedtFind->text();
    if (needle.isEmpty()) return false;
    QTextDocument::FindFlags flags;
    if (ABackward) flags |= QTextDocument::FindBackward;
    if (CaseSensitivity() == Qt::CaseSensitive) flags |= QTextDocument::FindCaseSensitively;
    if (FConsole.find(needle, flags)) return true;
    // Round the end (or the start) and on from the other side.
    const QTextCursor before = FConsole.textCursor();
    QTextCursor from(FConsole.document());
    from.movePosition(ABackward ? QTextCursor::End : QTextCursor::Start);
    FConsole.setTextCursor(from);
    if (FConsole.find(needle, flags)) return true;
    FConsole.setTextCursor(before);
    return false;
}

void TFindBar::Recount() {
    // The tally follows the console only while the bar is open.
    if (isVisible()) FTally->Start(FedtFind->text(), CaseSensitivity());
    ShowCount();
}

void TFindBar::ShowCount() {
    FMatchCount = FTally->Count();
    if (FedtFind->text().isEmpty())
        FlblFindCount->clear();
    else if (!FTally->Done())
        FlblFindCount->setText(QStringLiteral("Counting\u2026"));
    else if (FMatchCount == 0)
        FlblFindCount->setText(tr("No matches"));
    else if (FMatchCount == 1)
        FlblFindCount->setText(tr("1 match"));
    else
        FlblFindCount->setText(tr("%L1 matches").arg(FMatchCount));
    HighlightVisible();
}

void TFindBar::HighlightVisible() {
    const QString needle = FedtFind->text();
    FHighlightedTop = FConsole.verticalScrollBar()->value();
    if (!isVisible() || needle.isEmpty()) {
        FConsole.setExtraSelections({});
        return;
    }
    // Only the lines in view: a match count in the millions stays cheap to show.
    const QRect view = FConsole.viewport()->rect();
    QTextBlock block = FConsole.cursorForPosition(view.topLeft()).block();
    const QTextBlock last = FConsole.cursorForPosition(view.bottomRight()).block();
    const QStringMatcher matcher(needle, CaseSensitivity());
    QList<QTextEdit::ExtraSelection> selections;
    for (; block.isValid(); block = block.next()) {
        const QString text = block.text();
        for (qsizetype at = matcher.indexIn(text, 0); at >= 0;
             at = matcher.indexIn(text, at + needle.size())) {
            QTextEdit::ExtraSelection selection;
            selection.cursor = QTextCursor(block);
            selection.cursor.setPosition(block.position() + int(at));
            selection.cursor.setPosition(block.position() + int(at + needle.size()),
                                         QTextCursor::KeepAnchor);
            selection.format.setBackground(kMatchBackground);
            selections.append(selection);
        }
        if (block == last) break;
    }
    FConsole.setExtraSelections(selections);
}

bool TFindBar::eventFilter(QObject* watched, QEvent* event) {
    // A taller or wider console shows other lines.
    // The viewport is compared as kept: while the console goes, it is no scroll area any more.
    if (watched == FViewport && event->type() == QEvent::Resize) HighlightVisible();
    return QWidget::eventFilter(watched, event);
}

bool TFindBar::event(QEvent* event) {
    // Esc in the bar closes it, even where the window has a shortcut of its own on Esc.
    if (event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void TFindBar::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        Close();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Taken here, so that Enter in the bar never presses the window's Run button.
        if (event->modifiers() & Qt::ShiftModifier) FindPrevious();
        else FindNext();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}
