#include "app/ConsoleEdit.h"
#include "app/FindBar.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextDocumentLayout>
#include <QScrollBar>
#include <QSet>
#include <QTextBlock>
#include <QVBoxLayout>
#include <QtTest/QTest>

#include <algorithm>
#include <memory>
#include <random>

#include <gtest/gtest.h>

namespace {

// A console with its find bar above it, shown as the window shows them.
class FindBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        Host = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(Host.get());
        Console = new TConsoleEdit(Host.get());
        Bar = new TFindBar(*Console, Host.get());
        layout->addWidget(Bar);
        layout->addWidget(Console);
        Host->resize(480, 320);
        Host->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Host.get()));
    }

    // A run's output as it arrives, escapes and all.
    void Output(const QString& AText) {
        Console->BeginOutput();
        Console->AppendOutput(AText);
        Console->EndOutput();
    }

    void Search(const QString& ANeedle) {
        Bar->Open();
        Field()->setText(ANeedle);
    }

    QLineEdit* Field() const { return Bar->findChild<QLineEdit*>(QStringLiteral("edtFind")); }
    QString CountShown() const { return Bar->findChild<QLabel*>(QStringLiteral("lblFindCount"))->text(); }

    // Where every match of ANeedle (any case) lies whose text the viewport shows.
    QSet<int> MatchesInView(const QString& ANeedle) const {
        const QString text = Console->document()->toRawText();
        const QRect view = Console->viewport()->rect();
        QSet<int> starts;
        for (qsizetype at = text.indexOf(ANeedle, 0, Qt::CaseInsensitive); at >= 0;
             at = text.indexOf(ANeedle, at + ANeedle.size(), Qt::CaseInsensitive)) {
            QTextCursor first(Console->document());
            first.setPosition(int(at));
            QTextCursor last(Console->document());
            last.setPosition(int(at + ANeedle.size()));
            if (view.intersects(Console->cursorRect(first)) || view.intersects(Console->cursorRect(last)))
                starts.insert(int(at));
        }
        return starts;
    }

    QSet<int> Highlighted(int ALength) const {
        QSet<int> starts;
        for (const QTextEdit::ExtraSelection& selection : Console->extraSelections()) {
            EXPECT_EQ(selection.cursor.selectionEnd() - selection.cursor.selectionStart(), ALength);
            starts.insert(selection.cursor.selectionStart());
        }
        return starts;
    }

    std::unique_ptr<QWidget> Host;
    TConsoleEdit* Console = nullptr;
    TFindBar* Bar = nullptr;
};

// What a dependency manager's diagnosis prints with colours on: status lines, then an
// exception in white on red, padded to one width, and the lines after it.
QString ColouredDiagnosis() {
    QString out;
    for (int i = 0; i < 40; ++i)
        out += QStringLiteral("Checking item %1: \x1b[32mOK\x1b[39m\n").arg(i);
    const QString pad(70, u' ');
    out += QStringLiteral("\x1b[37;41m%1\x1b[39;49m\n").arg(pad);
    out += QStringLiteral("\x1b[37;41m  [Downloader\\TransportException]  The TransportException was thrown "
                          "while fetching the package list from the mirror  \x1b[39;49m\n");
    out += QStringLiteral("\x1b[37;41m%1\x1b[39;49m\n").arg(pad);
    for (int i = 0; i < 40; ++i)
        out += QStringLiteral("after %1: \x1b[33mtransportexception\x1b[39m noted\n").arg(i);
    return out;
}

TEST_F(FindBarTest, EveryMatchInViewIsHighlightedOnStyledLinesAndAfterEachFind) {
    Output(ColouredDiagnosis());
    const QString needle = QStringLiteral("TransportException");
    Search(needle);
    EXPECT_EQ(CountShown(), QStringLiteral("42 matches"));

    // Walk every match with Find Next and back: wherever the view goes, all it shows
    // is highlighted.
    for (int step = 0; step < 50; ++step) {
        ASSERT_TRUE(Bar->FindNext());
        const QSet<int> inView = MatchesInView(needle);
        ASSERT_FALSE(inView.isEmpty());
        EXPECT_TRUE(Highlighted(int(needle.size())).contains(inView))
            << "step " << step << ": " << inView.size() << " in view, "
            << Highlighted(int(needle.size())).size() << " highlighted";
    }
    for (int step = 0; step < 10; ++step) {
        ASSERT_TRUE(Bar->FindPrevious());
        EXPECT_TRUE(Highlighted(int(needle.size())).contains(MatchesInView(needle))) << "back " << step;
    }
    // Scrolled a line at a time, the top line now and then inside the wrapped one.
    QTextCursor exception = Console->document()->find(QStringLiteral("[Downloader"));
    ASSERT_GT(exception.block().layout()->lineCount(), 1);
    QScrollBar* bar = Console->verticalScrollBar();
    for (int line = 0; line <= bar->maximum(); ++line) {
        bar->setValue(line);
        EXPECT_TRUE(Highlighted(int(needle.size())).contains(MatchesInView(needle))) << "line " << line;
    }
}

// A document laid out as the console lays out its own.
struct TConsoleDocument : QTextDocument {
    TConsoleDocument() { setDocumentLayout(new QPlainTextDocumentLayout(this)); }
};

void Append(QTextDocument& ADocument, const QString& AText) {
    QTextCursor end(&ADocument);
    end.movePosition(QTextCursor::End);
    end.insertText(AText);
}

void RemoveAtTop(QTextDocument& ADocument, int AChars) {
    QTextCursor top(&ADocument);
    top.setPosition(AChars, QTextCursor::KeepAnchor);
    top.removeSelectedText();
}

struct TallyCase {
    const char* name;
    QString needle;
    Qt::CaseSensitivity sensitivity;
};

void PrintTo(const TallyCase& c, std::ostream* out) { *out << c.name; }

class TallyFollowsEdits : public ::testing::TestWithParam<TallyCase> {};

TEST_F(FindBarTest, CountFollowsOutputWhileTheBarIsOpen) {
    Output(QStringLiteral("error one\n"));
    Search(QStringLiteral("error"));
    EXPECT_EQ(CountShown(), QStringLiteral("1 match"));

    // A match cut between two pieces of output, and one in colour.
    Console->BeginOutput();
    Console->AppendOutput(QStringLiteral("an err"));
    Console->AppendOutput(QStringLiteral("or, \x1b[31mERROR\x1b[0m"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return CountShown() == QStringLiteral("3 matches"); }, 2000))
        << CountShown().toStdString();
    Console->EndOutput();
    EXPECT_EQ(Console->extraSelections().size(), 3);
    Bar->findChild<QCheckBox*>(QStringLiteral("chkMatchCase"))->setChecked(true);
    EXPECT_EQ(CountShown(), QStringLiteral("2 matches"));

    Console->clear();
    EXPECT_TRUE(QTest::qWaitFor([&] { return CountShown() == QStringLiteral("No matches"); }, 2000))
        << CountShown().toStdString();

    // Closed, the bar leaves the console alone; opened again, it counts what is there.
    Bar->Close();
    Output(QStringLiteral("error, error"));
    QTest::qWait(20);
    EXPECT_EQ(CountShown(), QStringLiteral("No matches"));
    Bar->Open();
    EXPECT_EQ(CountShown(), QStringLiteral("2 matches"));
}

// Random output from a few letters, so that matches are many, overlap and cross the
// joins between pieces; lines dropped from the top, progress lines rewritten, the
// odd edit further up: after each, the tally agrees with a count of the whole text.
TEST_P(TallyFollowsEdits, AgreesWithACountOfTheWholeText) {
    const TallyCase& c = GetParam();
    TConsoleDocument document;
    TMatchTally tally(document);
    Append(document, QStringLiteral("ab\nAB ba\n"));
    tally.Start(c.needle, c.sensitivity);
    std::mt19937 random(7);
    const QString letters = QStringLiteral("aabbAB \n");
    auto randomText = [&](int AMost) {
        QString text;
        for (int i = int(random() % AMost); i >= 0; --i) text += letters[int(random() % letters.size())];
        return text;
    };
    for (int step = 0; step < 1500; ++step) {
        const int length = document.characterCount() - 1;
        const unsigned kind = random() % 20;
        if (kind < 12) {
            Append(document, randomText(step % 100 == 0 ? 40000 : 12));
        } else if (kind < 15 && length > 0) {
            // Whole lines mostly, now and then a cut inside one.
            const QTextBlock line = document.findBlock(int(random() % length));
            const int lineEnd = std::min(length, line.position() + line.length());
            RemoveAtTop(document, kind == 14 ? int(random() % length) + 1 : lineEnd);
        } else if (kind < 19 && length > 0) {
            // The end of the last line written again.
            QTextCursor cursor(&document);
            cursor.movePosition(QTextCursor::End);
            cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
            const int lineLength = cursor.selectionEnd() - cursor.selectionStart();
            cursor.setPosition(cursor.selectionStart() + int(random() % (lineLength + 1)));
            cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
            cursor.insertText(randomText(6));
        } else if (length > 0) {
            QTextCursor cursor(&document);
            cursor.setPosition(int(random() % length));
            cursor.insertText(randomText(3));
        }
        tally.Finish();
        ASSERT_EQ(tally.Count(), CountMatches(document.toRawText(), c.needle, c.sensitivity))
            << "step " << step << " kind " << kind;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Needles, TallyFollowsEdits,
    ::testing::Values(TallyCase{"OneLetter", QStringLiteral("a"), Qt::CaseSensitive},
                      TallyCase{"OverlapsItself", QStringLiteral("abab"), Qt::CaseSensitive},
                      TallyCase{"AnyCase", QStringLiteral("aB"), Qt::CaseInsensitive},
                      TallyCase{"WithASpace", QStringLiteral("b a"), Qt::CaseInsensitive},
                      TallyCase{"AcrossALineBreak", QStringLiteral("b\u2029a"), Qt::CaseSensitive}),
    [](const ::testing::TestParamInfo<TallyCase>& info) { return std::string(info.param.name); });

// Output trickling into a full console, the oldest lines leaving at the top: each
// change is counted from what it touched, never from the whole text.
TEST(MatchTally, ReadsOnlyWhatAdditionsAndRemovalsAtTheTopTouch) {
    TConsoleDocument document;
    QString big;
    for (int i = 0; i < 40000; ++i) big += QStringLiteral("line %1 with an Error in it\n").arg(i);
    Append(document, big);
    TMatchTally tally(document);
    tally.Start(QStringLiteral("error"), Qt::CaseInsensitive);
    tally.Finish();
    ASSERT_EQ(tally.Count(), 40000);
    const qint64 whole = document.characterCount();
    for (int i = 0; i < 200; ++i) {
        const qint64 before = tally.CharactersRead();
        Append(document, QStringLiteral("err"));
        Append(document, QStringLiteral("or more\nand an error\n"));
        RemoveAtTop(document, document.firstBlock().length());
        tally.Finish();
        EXPECT_LT(tally.CharactersRead() - before, whole / 20) << i;
    }
    EXPECT_EQ(tally.Count(), CountMatches(document.toRawText(), QStringLiteral("error"), Qt::CaseInsensitive));
    EXPECT_EQ(tally.Count(), 40000 - 200 + 400);

    // An edit in the middle counts again from there.
    QTextCursor middle(&document);
    middle.setPosition(int(whole / 2));
    middle.insertText(QStringLiteral("ERROR"));
    tally.Finish();
    EXPECT_EQ(tally.Count(), CountMatches(document.toRawText(), QStringLiteral("error"), Qt::CaseInsensitive));
}

// A full console drops its oldest lines below the note it keeps at the top: the count
// follows from what changed, not from the top again on every drop.
TEST(MatchTally, AFullConsoleDroppingItsOldestLinesIsCountedFromWhatChanged) {
    TConsoleEdit console;
    console.setCapacity(1024 * 1024);
    QString big;
    for (int i = 0; i < 40000; ++i) big += QStringLiteral("line %1 with an Error in it\n").arg(i);
    console.AddText(big);
    QTextDocument& document = *console.document();
    ASSERT_TRUE(console.PlainText().startsWith(TConsoleEdit::RemovedNote(1024 * 1024)));
    TMatchTally tally(document);
    tally.Start(QStringLiteral("error"), Qt::CaseInsensitive);
    tally.Finish();
    ASSERT_EQ(tally.Count(), CountMatches(document.toRawText(), QStringLiteral("error"), Qt::CaseInsensitive));
    const qint64 whole = document.characterCount();
    for (int i = 0; i < 100; ++i) {
        const qint64 before = tally.CharactersRead();
        console.AddText(QStringLiteral("and an error, then more text\n").repeated(20));
        tally.Finish();
        EXPECT_LT(tally.CharactersRead() - before, whole / 20) << i;
    }
    EXPECT_EQ(tally.Count(), CountMatches(document.toRawText(), QStringLiteral("error"), Qt::CaseInsensitive));
}

// A line far longer than the count's steps, cut inside at the top: the matches that
// overlap one another fall into other places on what is left of the line.
TEST(MatchTally, ALongLineCutInsideAtTheTopIsCountedAgain) {
    TConsoleDocument document;
    Append(document, QStringLiteral("ab").repeated(100000) + QStringLiteral("\nabab\n"));
    TMatchTally tally(document);
    tally.Start(QStringLiteral("abab"), Qt::CaseSensitive);
    tally.Finish();
    ASSERT_EQ(tally.Count(), 50001);
    RemoveAtTop(document, 1);
    tally.Finish();
    EXPECT_EQ(tally.Count(), 50000);
    EXPECT_EQ(tally.Count(), CountMatches(document.toRawText(), QStringLiteral("abab"), Qt::CaseSensitive));
}

}  // namespace
