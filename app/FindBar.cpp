#include "app/FindBar.h"

#include "app/Accessibility.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStringMatcher>
#include <QTextBlock>
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

// Horspool's search: the last character of the window decides how far to skip.
template <typename TFold>
qsizetype CountWith(QStringView AText, QStringView ANeedle, TFold AFold) {
    const qsizetype m = ANeedle.size();
    const qsizetype n = AText.size();
    if (m == 0 || n < m) return 0;
    std::vector<char16_t> pattern(m);
    for (qsizetype i = 0; i < m; ++i) pattern[i] = AFold(ANeedle[i].unicode());
    std::vector<quint32> skip(0x10000, quint32(m));
    for (qsizetype i = 0; i + 1 < m; ++i) skip[pattern[i]] = quint32(m - 1 - i);

    const char16_t* text = AText.utf16();
    const char16_t last = pattern[m - 1];
    qsizetype count = 0;
    for (qsizetype at = 0; at <= n - m;) {
        const char16_t c = AFold(text[at + m - 1]);
        if (c == last) {
            qsizetype k = m - 2;
            while (k >= 0 && AFold(text[at + k]) == pattern[k]) --k;
            if (k < 0) {
                ++count;
                at += m;
                continue;
            }
        }
        at += skip[c];
    }
    return count;
}

}  // namespace

qsizetype CountMatches(QStringView AText, const QString& ANeedle, Qt::CaseSensitivity ACase) {
    if (ACase == Qt::CaseSensitive) return CountWith(AText, ANeedle, [](char16_t c) { return c; });
    return CountWith(AText, ANeedle, Folded);
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
      FRecountLater(new QTimer(this)) {
    setObjectName(QStringLiteral("panFind"));
    setAccessibleName(QStringLiteral("Find in console"));
    // Alt+N goes to the field; Previous and Next have F3 and Enter, and their letters
    // stay free for the window's other rows.
    auto* label = new QLabel(tr("Fi&nd:"), this);
    label->setObjectName(QStringLiteral("lblFind"));
    label->setBuddy(FedtFind);

    FedtFind->setObjectName(QStringLiteral("edtFind"));
    FedtFind->setAccessibleName(QStringLiteral("Text to find"));
    EnableNamedClearButton(*FedtFind);
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

    FRecountLater->setSingleShot(true);
    FRecountLater->setInterval(300);
    connect(FRecountLater, &QTimer::timeout, this, &TFindBar::Recount);
    connect(FedtFind, &QLineEdit::textChanged, this, &TFindBar::Recount);
    connect(FchkMatchCase, &QCheckBox::toggled, this, &TFindBar::Recount);
    connect(FbtnFindNext, &QToolButton::clicked, this, &TFindBar::FindNext);
    connect(FbtnFindPrevious, &QToolButton::clicked, this, &TFindBar::FindPrevious);
    connect(FbtnFindClose, &QToolButton::clicked, this, &TFindBar::Close);
    connect(FConsole.document(), &QTextDocument::contentsChanged, this, [this] {
        FTextStale = true;
        if (isVisible()) FRecountLater->start();
    });
    connect(FConsole.verticalScrollBar(), &QScrollBar::valueChanged, this, &TFindBar::HighlightVisible);
    FConsole.viewport()->installEventFilter(this);
    hide();
}

void TFindBar::Open() {
    const QString selected = FConsole.textCursor().selectedText();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator))
        FedtFind->setText(selected);
    show();
    FedtFind->setFocus(Qt::ShortcutFocusReason);
    FedtFind->selectAll();
    TakeText();
    Recount();
}

void TFindBar::TakeText() {
    // One copy of the console's text serves every count until the console changes.
    if (!FTextStale) return;
    FText = FConsole.document()->toRawText();
    FTextStale = false;
}

void TFindBar::Close() {
    hide();
    FText.clear();
    FTextStale = true;
    FRecountLater->stop();
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
    const QString needle = FedtFind->text();
    if (needle.isEmpty()) {
        FMatchCount = 0;
    } else {
        TakeText();
        FMatchCount = CountMatches(FText, needle, CaseSensitivity());
    }
    if (needle.isEmpty())
        FlblFindCount->clear();
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
    if (!isVisible() || needle.isEmpty() || FMatchCount == 0) {
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
