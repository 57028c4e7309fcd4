#include "app/ConsoleEdit.h"
#include "platform/CodePage.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTextBlock>
#include <QTextCursor>

#include <random>

#include <gtest/gtest.h>

namespace {

struct AddCase {
    const char* name;
    QString before;          // console text before the additions
    QStringList additions;   // texts added one after the other
    QString after;           // console text afterwards ("\n" between lines)
};

void PrintTo(const AddCase& c, std::ostream* out) { *out << c.name; }

class ConsoleAddTest : public ::testing::TestWithParam<AddCase> {};

TEST_P(ConsoleAddTest, AddsTextAsLinesAtTheEnd) {
    const AddCase& c = GetParam();
    TConsoleEdit console;
    console.setPlainText(c.before);
    for (const QString& text : c.additions) console.AddText(text);
    EXPECT_EQ(console.toPlainText().toStdString(), c.after.toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConsoleAddTest,
    ::testing::Values(
        AddCase{"FirstAdditionOnEmptyConsole", "", {"first"}, "first\n"},
        AddCase{"EmptyTextAddsAnEmptyLine", "", {""}, "\n"},
        AddCase{"LaterAdditionsStartOnFreshLines", "", {"one", "two"}, "one\ntwo\n"},
        AddCase{"CrLfGivesOneLineEach", "", {"a\r\nb\r\n"}, "a\nb\n\n"},
        AddCase{"LoneLfBreaksLoneCrRewrites", "", {"a\rb\nc"}, "b\nc\n"},
        AddCase{"TypedTextOnLastLineStays", "one\ntyped", {"two"}, "one\ntyped\ntwo"},
        AddCase{"AdditionAfterTypedTextAndAgain", "typed", {"two", "three"},
                "typed\ntwo\nthree"},
        // A run: the empty start report, the command line and its output.
        AddCase{"ExampleRun", "", {"", "Command: php artisan list", "Hello\r\n"},
                "\nCommand: php artisan list\nHello\n\n"}),
    [](const ::testing::TestParamInfo<AddCase>& info) { return std::string(info.param.name); });

// Each block of the document holds at most this many characters.
qsizetype LongestBlock(const TConsoleEdit& AConsole) {
    qsizetype longest = 0;
    for (QTextBlock block = AConsole.document()->begin(); block.isValid(); block = block.next())
        longest = std::max<qsizetype>(longest, block.length() - 1);
    return longest;
}

TEST(ConsoleEdit, PastItsCapacityTheOldestLinesLeaveAndTheTopSaysSoOnce) {
    // Whole lines leave, oldest first, whichever way the text comes: as additions, or
    // as one output streamed in pieces; the note is said once and stays on top.
    for (const bool streamed : {false, true}) {
        TConsoleEdit console;
        console.setCapacity(200);
        const QString note = TConsoleEdit::RemovedNote(200);
        if (streamed) console.BeginOutput();
        for (int i = 0; i < 100; ++i) {
            const QString line = QStringLiteral("line %1").arg(i, 3, 10, QChar(u'0'));
            if (streamed)
                console.AppendOutput(line + u'\n');
            else
                console.AddText(line);
        }
        if (streamed) console.EndOutput();
        console.AddEndLine(QStringLiteral("Exit code 0"), true);

        const QString text = console.PlainText();
        EXPECT_LE(console.document()->characterCount() - 1 - (note.size() + 1), 200) << streamed;
        EXPECT_TRUE(text.startsWith(note + u'\n')) << streamed;
        EXPECT_EQ(text.count(note), 1) << streamed;
        EXPECT_FALSE(text.contains(QStringLiteral("line 000"))) << streamed;
        EXPECT_TRUE(text.endsWith(QStringLiteral("line 099\n") + (streamed ? QStringLiteral("\n") : QString()) +
                                  QStringLiteral("Exit code 0\n")))
            << streamed << text.right(60).toStdString();
        // What stays starts at the start of a line.
        EXPECT_TRUE(text.sliced(note.size() + 1).startsWith(QStringLiteral("line "))) << streamed;
    }
    EXPECT_EQ(TConsoleEdit::RemovedNote(qsizetype(32) * 1024 * 1024),
              QStringLiteral("[Older output has left the console: it keeps the newest 32 Mi characters.]"));
}

TEST(ConsoleEdit, ALineLongerThanTheCapacityLosesItsStartAndGoesOn) {
    // The line being written loses its oldest blocks too; a carriage return then goes
    // back to the start of what is left of it, never into the note above.
    TConsoleEdit console;
    console.AddText(QStringLiteral("before"));
    console.setCapacity(5000);
    console.BeginOutput();
    console.AppendOutput(QString(9000, u'x'));
    console.AppendOutput(QStringLiteral("\rdone"));
    console.EndOutput();
    EXPECT_EQ(console.PlainText(), TConsoleEdit::RemovedNote(5000) + QStringLiteral("\ndone") +
                                       QString(9000 - ConsoleBlocks::kMaxBlockChars - 4, u'x') + u'\n');
    EXPECT_LE(console.document()->characterCount() - 1 - (TConsoleEdit::RemovedNote(5000).size() + 1), 5000);
}

TEST(ConsoleEdit, LongLinesAreHeldInBoundedBlocksAndComeBackWhole) {
    // A megabyte line streamed in pieces as a run delivers them, then more lines.
    QString line;
    for (int i = 0; line.size() < 1000000; ++i) line += QStringLiteral("%1,").arg(i);
    TConsoleEdit console;
    console.AddText(QStringLiteral("Command: producer"));
    console.BeginOutput();
    for (qsizetype at = 0; at < line.size(); at += 16384) console.AppendOutput(line.mid(at, 16384));
    console.AppendOutput(QStringLiteral("\nshort\n") + QString(5000, u'y'));
    console.EndOutput();
    const QString expected =
        QStringLiteral("Command: producer\n") + line + QStringLiteral("\nshort\n") + QString(5000, u'y') + u'\n';
    EXPECT_LE(LongestBlock(console), ConsoleBlocks::kMaxBlockChars);
    EXPECT_GT(console.document()->blockCount(), 1000000 / ConsoleBlocks::kMaxBlockChars);
    EXPECT_EQ(console.PlainText(), expected);

    // Copy gives back exactly what is selected, long lines whole.
    console.selectAll();
    console.copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), expected);
    QTextCursor part = console.textCursor();
    part.setPosition(18 + 4090);
    part.setPosition(18 + 4110, QTextCursor::KeepAnchor);
    console.setTextCursor(part);
    console.copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), line.mid(4090, 20 - 1));
}

TEST(ConsoleEdit, HoldsFarMoreThanSixtyFourThousandCharacters) {
    TConsoleEdit console;
    EXPECT_GE(console.Capacity(), qsizetype(32) * 1024 * 1024);
    const QString big(1024 * 1024, u'x');
    for (int i = 0; i < 4; ++i) console.AddText(big);
    EXPECT_EQ(console.PlainText(), (big + u'\n').repeated(4));
}

TEST(ConsoleEdit, LooksLikeAConsoleAndCanBeEdited) {
    TConsoleEdit console;
    EXPECT_EQ(console.palette().color(QPalette::Base), QColor(Qt::black));
    EXPECT_EQ(console.palette().color(QPalette::Text), QColor(Qt::white));
    EXPECT_EQ(console.font().pixelSize(), 16);
    EXPECT_EQ(console.lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_FALSE(console.isReadOnly());
}

TEST(DecodeAnsiText, DecodesUtf8AndReplacesInvalidBytes) {
    EXPECT_EQ(DecodeAnsiText(AnsiText{"caf\xC3\xA9", platform::CP_UTF8}), QStringLiteral("café"));
    const QString broken = DecodeAnsiText(AnsiText{"a\xFF" "b", platform::CP_UTF8});
    EXPECT_EQ(broken, QStringLiteral("a\uFFFDb"));
    EXPECT_EQ(DecodeAnsiText(AnsiText{"", platform::CP_UTF8}), QString());
}

}  // namespace

namespace {

// One run's output, added piece by piece as it arrives, ends up as adding it at once.
TEST(ConsoleEditStream, OutputCutAnywhereEndsUpAsOneAddition) {
    const struct {
        const char* name;
        QString before;
        QByteArray output;
    } cases[] = {
        {"CrLfAndLoneBreaks", "", "one\r\ntwo\rthree\nfour\r\n\r\n"},
        {"EndsInCr", "", "progress 10%\rprogress 100%\r"},
        {"Utf8AndInvalidBytes", "", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 bad\xFF\xC3 end\xE2\x82"},
        {"AfterTypedText", "earlier\ntyped", "a\r\nb"},
        {"Empty", "x\n", ""},
        {"LongMixed", "", QByteArray("line \xC3\xA9\r\n").repeated(300) + "\r\r\n\n\r"},
    };
    std::mt19937 random(20261210);
    for (const auto& c : cases) {
        TConsoleEdit whole;
        whole.setPlainText(c.before);
        whole.AddText(DecodeAnsiText(AnsiText{c.output.toStdString(), platform::CP_UTF8}));

        for (int round = 0; round < 40; ++round) {
            TConsoleEdit streamed;
            streamed.setPlainText(c.before);
            TAnsiStreamDecoder decoder(platform::CP_UTF8);
            streamed.BeginOutput();
            qsizetype at = 0;
            while (at < c.output.size()) {
                const qsizetype size = std::uniform_int_distribution<qsizetype>(1, 7)(random);
                const QByteArray piece = c.output.mid(at, size);
                streamed.AppendOutput(decoder.Decode(piece.constData(), piece.size()));
                at += piece.size();
            }
            streamed.AppendOutput(decoder.Finish());
            streamed.EndOutput();
            ASSERT_EQ(streamed.toPlainText(), whole.toPlainText()) << c.name << " round " << round;
        }
    }
}

TEST(ConsoleEditStream, EndLineStandsOnItsOwnLineInItsColour) {
    TConsoleEdit console;
    console.BeginOutput();
    console.AppendOutput(QStringLiteral("no line break at the end"));
    console.EndOutput();
    console.AddEndLine(QStringLiteral("Exit code 3 \u00B7 0.01 s"), false);
    console.AddEndLine(QStringLiteral("Exit code 0 \u00B7 0.01 s"), true);
    console.AddText(QStringLiteral("next"));
    EXPECT_EQ(console.toPlainText(),
              QStringLiteral("no line break at the end\nExit code 3 \u00B7 0.01 s\n"
                             "Exit code 0 \u00B7 0.01 s\nnext\n"));
    const auto colourOfLine = [&console](int line) {
        QTextCursor cursor(console.document()->findBlockByNumber(line));
        cursor.movePosition(QTextCursor::NextCharacter);
        return cursor.charFormat().foreground().color();
    };
    const QColor failure = colourOfLine(1);
    const QColor success = colourOfLine(2);
    EXPECT_GT(failure.red(), 2 * failure.green());  // red
    EXPECT_EQ(success.red(), success.green());      // grey
    EXPECT_NE(success, QColor(Qt::white));
    // Later additions take the console's own white again.
    QTextCursor next(console.document()->findBlockByNumber(3));
    next.movePosition(QTextCursor::NextCharacter);
    EXPECT_EQ(next.charFormat().foreground().style(), Qt::NoBrush);
}

}  // namespace

namespace {

// Rows that leave a terminal's screen come as output between redraws of the live
// screen, which is taken away whole each time, whether or not its last row holds the
// cursor past its text.
TEST(ConsoleEditLiveScreen, EachRedrawReplacesTheLastAndOutputLandsBeforeIt) {
    TConsoleEdit console;
    console.AddText(QStringLiteral("Command: x"));
    console.BeginOutput();
    console.AppendOutput(QStringLiteral("r1\nr2\n"));
    console.ShowLiveScreen(QStringLiteral("r3\nr4"), 1, 2, true);
    EXPECT_EQ(console.toPlainText(), QStringLiteral("Command: x\nr1\nr2\nr3\nr4 "));
    console.AppendOutput(QStringLiteral("r3\n"));
    console.ShowLiveScreen(QStringLiteral("r4\nr5"), 0, 0, true);
    console.AppendOutput(QStringLiteral("r4"));
    // A live screen after a line still open starts on a line of its own.
    console.ShowLiveScreen(QStringLiteral("r5"), 0, 5, true);
    EXPECT_EQ(console.toPlainText(), QStringLiteral("Command: x\nr1\nr2\nr3\nr4\nr5    "));
    // The cursor's cell is on the screen's row, not on the output's line above it.
    QTextCursor cell(console.document()->lastBlock());
    cell.setPosition(console.document()->lastBlock().position() + 6);
    EXPECT_EQ(cell.charFormat().background().color(), QColor(Qt::white));
    console.AppendOutput(QStringLiteral("\nr5\n"));
    console.ShowLiveScreen(QStringLiteral("r6"), 0, 2, true);
    console.EndOutput();
    console.AddEndLine(QStringLiteral("end"), true);
    EXPECT_FALSE(console.HasLiveScreen());
    EXPECT_EQ(console.toPlainText(), QStringLiteral("Command: x\nr1\nr2\nr3\nr4\nr5\n\nend\n"));
}

}  // namespace
