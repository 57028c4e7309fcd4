#include "app/ConsoleEdit.h"

#include <QTextBlock>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The document as text, with the foreground of coloured runs in braces before them.
std::string Describe(const QTextDocument& document) {
    std::string out;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin()) out += '\n';
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (format.hasProperty(QTextFormat::ForegroundBrush))
                out += '{' + format.foreground().color().name().toStdString().substr(1) + '}';
            out += fragment.text().toStdString();
        }
    }
    return out;
}

struct OutputCase {
    const char* name;
    const char* before;  // the console's text before
    const char* output;  // one addition
    const char* after;   // Describe() afterwards
};

void PrintTo(const OutputCase& c, std::ostream* out) { *out << c.name; }

class ConsoleOutputCases : public ::testing::TestWithParam<OutputCase> {};

// Added at once, and streamed cut in two at every place (as a run's reads may cut
// it), the console ends up the same.
TEST_P(ConsoleOutputCases, ShowsOutputAsATerminalWouldWhereverItIsCut) {
    const OutputCase& c = GetParam();
    const QString output = QString::fromUtf8(c.output);
    TConsoleEdit console;
    console.setPlainText(QString::fromUtf8(c.before));
    console.AddText(output);
    EXPECT_EQ(Describe(*console.document()), c.after);

    for (qsizetype cut = 1; cut < output.size(); ++cut) {
        TConsoleEdit streamed;
        streamed.setPlainText(QString::fromUtf8(c.before));
        streamed.BeginOutput();
        streamed.AppendOutput(output.first(cut));
        streamed.AppendOutput(output.sliced(cut));
        streamed.EndOutput();
        EXPECT_EQ(Describe(*streamed.document()), c.after) << "cut at " << cut;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConsoleOutputCases,
    ::testing::Values(
        OutputCase{"PlainText", "", "one\r\ntwo\n", "one\ntwo\n\n"},
        OutputCase{"ColouredRunsAndTheLineAfterThem", "",
                   "\x1b[32mINFO\x1b[39m done\r\n\x1b[1;31mFAIL\x1b[0m\n",
                   "{3cb043}INFO done\n{c8372d}FAIL\n\n"},
        OutputCase{"CarriageReturnRewritesTheLine", "", "10%\r20%\r30%\n", "30%\n\n"},
        OutputCase{"ShorterTextOverwritesOnlyItsColumns", "", "abcdef\rXY", "XYcdef\n"},
        OutputCase{"CrLfCutAnywhereIsOneLineBreak", "", "a\r\nb\r\n", "a\nb\n\n"},
        OutputCase{"TrailingCarriageReturnKeepsTheLine", "", "done\r", "done\n"},
        OutputCase{"EraseLineThenWrite", "", "50% [==   ]\x1b[1G\x1b[2K100%\n", "100%\n\n"},
        OutputCase{"EraseToEndAfterCarriageReturn", "", "Loading...\r\x1b[KOK", "OK\n"},
        OutputCase{"BackspacesOverwrite", "", "abc\b\bX", "aXc\n"},
        OutputCase{"ColumnMoves", "", "abcdef\x1b[3GX\x1b[99GY", "abXdefY\n"},
        OutputCase{"OverwriteInColourKeepsTheRest", "", "aaaa\r\x1b[31mbb", "{c8372d}bbaa\n"},
        OutputCase{"OverwriteStopsAtTheLineFeed", "", "abcd\rX\nY", "Xbcd\nY\n"},
        OutputCase{"CarriageReturnNeverReachesTypedText", "typed", "x\r\ry", "typed\ny"},
        OutputCase{"BackspaceStopsAtTheLineStart", "earlier\n", "\b\bok", "earlier\nok\n"}),
    [](const ::testing::TestParamInfo<OutputCase>& info) { return std::string(info.param.name); });

// Lines longer than a block of the console: the line edits reach over the blocks as
// over one line, added at once and streamed cut in many places.
TEST(ConsoleOutput, LineEditsReachAcrossTheBlocksOfALongLine) {
    const QString a9000(9000, u'a');
    const struct {
        const char* name;
        QString output;
        QString after;  // PlainText()
    } cases[] = {
        {"CarriageReturnGoesToTheLineStart", QString(5000, u'a') + u'\r' + QString(4100, u'b'),
         QString(4100, u'b') + QString(900, u'a') + u'\n'},
        {"OverwritingGrowsPastTheEnd", QString(5000, u'a') + u'\r' + QString(6000, u'b'), QString(6000, u'b') + u'\n'},
        {"OverwriteStopsAtTheLineFeed", QString(5000, u'a') + QStringLiteral("\rbb\nc"),
         QStringLiteral("bb") + QString(4998, u'a') + QStringLiteral("\nc\n")},
        {"BackspacesCrossABlock", QString(4097, u'a') + QStringLiteral("\b\bX"),
         QString(4095, u'a') + QStringLiteral("Xa\n")},
        {"ColumnInALaterBlock", a9000 + QStringLiteral("\x1b[4097GX"), QString(4096, u'a') + u'X' + QString(4903, u'a') + u'\n'},
        {"EraseToEndDropsTheLaterBlocks", a9000 + QStringLiteral("\x1b[100G\x1b[K"), QString(99, u'a') + u'\n'},
        {"EraseLineDropsTheWholeLine", QStringLiteral("kept\n") + a9000 + QStringLiteral("\x1b[2Kb"),
         QStringLiteral("kept\nb\n")},
    };
    for (const auto& c : cases) {
        TConsoleEdit whole;
        whole.AddText(c.output);
        EXPECT_EQ(whole.PlainText(), c.after) << c.name;
        for (qsizetype cut = 1; cut < c.output.size(); cut += 997) {
            TConsoleEdit streamed;
            streamed.BeginOutput();
            streamed.AppendOutput(c.output.first(cut));
            streamed.AppendOutput(c.output.sliced(cut));
            streamed.EndOutput();
            ASSERT_EQ(streamed.PlainText(), c.after) << c.name << " cut at " << cut;
            for (QTextBlock block = streamed.document()->begin(); block.isValid(); block = block.next())
                ASSERT_LE(block.length() - 1, ConsoleBlocks::kMaxBlockChars) << c.name << " cut at " << cut;
        }
    }
}

TEST(ConsoleOutput, AThousandStepProgressBarEndsAsOneLine) {
    QString output;
    for (int step = 1; step <= 1000; ++step)
        output += QStringLiteral("\r%1/1000 [%2%3]")
                      .arg(step, 4)
                      .arg(QString(step / 50, u'#'), QString(20 - step / 50, u'.'));
    output += QStringLiteral("\r\nDone.\r\n");
    TConsoleEdit console;
    console.AddText(output);
    EXPECT_EQ(console.toPlainText(), QStringLiteral("1000/1000 [####################]\nDone.\n\n"));
}

TEST(ConsoleOutput, OverwritingDoesNotCountAgainstTheCapacity) {
    TConsoleEdit console;
    console.setCapacity(12);
    console.AddText(QStringLiteral("0123456789\rabcdefghij"));  // 11 characters with the line break
    EXPECT_EQ(console.PlainText(), QStringLiteral("abcdefghij\n"));
    console.AddText(QStringLiteral("\x1b[31mxyz"));
    EXPECT_EQ(console.PlainText(), TConsoleEdit::RemovedNote(12) + QStringLiteral("\nxyz\n"));
}

TEST(ConsoleOutput, ClearingWhileAnOutputStreamsKeepsWhatFollows) {
    TConsoleEdit console;
    console.BeginOutput();
    console.AppendOutput(QStringLiteral("10%\r\x1b[32m"));
    console.clear();
    console.AppendOutput(QStringLiteral("100%\ndone"));
    console.EndOutput();
    EXPECT_EQ(Describe(*console.document()), "{3cb043}100%\n{3cb043}done\n");
}

}  // namespace
