#include "app/ConsoleEdit.h"
#include "components/Exception.h"
#include "platform/CodePage.h"

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
        AddCase{"LoneCrAndLfAreLineBreaks", "", {"a\rb\nc"}, "a\nb\nc\n"},
        AddCase{"TypedTextOnLastLineStays", "one\ntyped", {"two"}, "one\ntyped\ntwo"},
        AddCase{"AdditionAfterTypedTextAndAgain", "typed", {"two", "three"},
                "typed\ntwo\nthree"},
        // A run: the empty start report, the command line and its output.
        AddCase{"ExampleRun", "", {"", "Command: php artisan list", "Hello\r\n"},
                "\nCommand: php artisan list\nHello\n\n"}),
    [](const ::testing::TestParamInfo<AddCase>& info) { return std::string(info.param.name); });

TEST(ConsoleEdit, AdditionThatDoesNotFitKeepsWhatFitsAndFails) {
    TConsoleEdit console;
    console.setCapacity(10);
    console.AddText(QStringLiteral("abc"));  // "abc\n": 4 characters
    try {
        console.AddText(QStringLiteral("0123456789"));
        FAIL() << "expected the addition to fail";
    } catch (const Exception& error) {
        EXPECT_STREQ(error.what(), "RichEdit line insertion error");
    }
    EXPECT_EQ(console.toPlainText(), QStringLiteral("abc\n012345"));
    EXPECT_THROW(console.AddText(QStringLiteral("x")), Exception);
}

TEST(ConsoleEdit, HoldsFarMoreThanSixtyFourThousandCharacters) {
    TConsoleEdit console;
    EXPECT_GE(console.Capacity(), qsizetype(32) * 1024 * 1024);
    const QString big(1024 * 1024, u'x');
    for (int i = 0; i < 4; ++i) console.AddText(big);
    EXPECT_EQ(console.document()->characterCount() - 1, 4 * (1024 * 1024 + 1));
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

TEST(ConsoleEditStream, PieceThatDoesNotFitFailsAndEndsTheOutput) {
    TConsoleEdit console;
    console.setCapacity(8);
    console.BeginOutput();
    console.AppendOutput(QStringLiteral("abcd"));
    EXPECT_THROW(console.AppendOutput(QStringLiteral("efghijk")), Exception);
    EXPECT_EQ(console.toPlainText(), QStringLiteral("abcdefgh"));
    EXPECT_FALSE(console.InOutput());
    console.EndOutput();  // nothing left to finish
    EXPECT_EQ(console.toPlainText(), QStringLiteral("abcdefgh"));
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
