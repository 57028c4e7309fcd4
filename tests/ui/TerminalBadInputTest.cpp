// Hostile output on a terminal run from the window: bytes that are not UTF-8, the other
// screen never left, a 10 MB line, a storm of cursor moves, a title of megabytes,
// questions about the terminal's size in a loop, sequences cut into single bytes. Each
// run ends with its end line, the console stays within its capacity and the process's
// memory within bounds, and a later run's output shows. The longest time the window's
// thread was away from its event loop is printed; only a stall of seconds fails.
#include "WindowFixture.h"

#include <QAction>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest/QTest>

#include <cstdio>
#include <string>

#include "app/ConsoleEdit.h"
#include "tests/bench/BenchSupport.h"

namespace {

constexpr double kMiB = 1024.0 * 1024.0;

struct TBadInput {
    const char* Name;
    const char* Command;
    const char* Shows;           // text the console shows afterwards
    const char* NotShows = "";  // text it must not show (escape sequences taken as text)
};

void PrintTo(const TBadInput& AInput, std::ostream* AOut) { *AOut << AInput.Name; }

// Sizes of the window's console and the memory the process may take on top of what it
// held before the run.
constexpr qsizetype kConsoleCapacity = qsizetype(4) * 1024 * 1024;
constexpr double kMostExtraMiB = 400;
// A stall this long is a fault whatever the machine's load.
constexpr double kStallFaultMs = 2000;

const TBadInput kBadInputs[] = {
    {"NotUtf8",
     "i=0; while [ $i -lt 2000 ]; do printf 'bad \\377\\376 \\303( \\342\\202 \\355\\240\\200 end\\n'; i=$((i+1)); "
     "done; php -r 'mt_srand(7); for ($i = 0; $i < 200000; $i++) { $b = mt_rand(32, 255); echo $b == 127 ? \"x\" : "
     "chr($b); if ($i % 97 == 0) echo \"\\n\"; } echo \"\\nrandom bytes done\\n\";'",
     "random bytes done"},
    {"OtherScreenNeverLeft",
     "printf '\\033[?1049h\\033[2J\\033[Hon the other screen\\n'; seq 1 200; printf 'last line there'",
     "last line there"},
    {"LastLineWithoutNewline", "seq 1 200; printf 'last line there'", "last line there"},
    {"TenMegabyteLine", "head -c 10000000 /dev/zero | tr '\\0' x; echo; echo after the long line",
     "after the long line"},
    {"CursorMovesForThreeSeconds",
     "php -r 'for ($i = 0; $i < 3000; $i++) { printf(\"\\033[%d;%dH%d\", $i % 20 + 1, $i % 70 + 1, $i % 10); "
     "usleep(1000); } echo \"\\033[22;1Hmoves done\\n\";'",
     "moves done"},
    {"TitleOfMegabytes",
     "php -r 'echo \"\\033]0;\", str_repeat(\"title\", 1000000), \"\\007\\033]2;\", str_repeat(\"t\", 3000000), "
     "\"\\033\\\\after the title\\n\";'",
     "after the title", "titletitle"},
    {"SizeQuestionsInALoop",
     "php -r '$end = microtime(true) + 3; while (microtime(true) < $end) echo str_repeat(\"\\033[6n\\033[18t\", 50); "
     "echo \"\\nasked enough\\n\";'",
     "asked enough", "[6n"},
    {"SequencesCutIntoSingleBytes",
     "php -r '$s = \"\\033[31mred\\033[0m \\033]0;a title\\007\\033[1;32mgreen\\033[0m \\342\\202\\254 done\\n\"; "
     "foreach (str_split($s) as $c) { echo $c; flush(); usleep(3000); }'",
     "red green \u20AC done", "[31m"},
};

class TerminalBadInput : public WindowTest, public ::testing::WithParamInterface<TBadInput> {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        MakeRoot({QStringLiteral("blog")}, Path(QStringLiteral("www/blog")));
        OpenWindow();
        Find<QAction>("menTerminal")->setChecked(true);
        Window->resize(900, 700);
        Window->show();
        Window->Console().setCapacity(kConsoleCapacity);
        QTest::qWait(50);
    }
};

TEST_P(TerminalBadInput, TheRunEndsTheWindowKeepsTurningAndTheConsoleStaysUsable) {
    const TBadInput& input = GetParam();
    TConsoleEdit& console = Window->Console();
    const double before = bench::RssBytes() / kMiB;
    bench::ResetPeakRss();
    double longestStallMs = 0;
    {
        bench::StallWatch probe;
        TypeAndGo(QString::fromUtf8(input.Command));
        ASSERT_TRUE(WaitForRun(120000)) << ConsoleText().right(2000).toStdString();
        longestStallMs = probe.LongestMs();
    }
    const double extraMiB = bench::PeakRssBytes() / kMiB - before;
    std::printf("[ %s ] longest stall %.1f ms, peak memory +%.1f MiB, console %lld characters\n", input.Name,
                longestStallMs, extraMiB, static_cast<long long>(console.document()->characterCount()));
    RecordProperty("longest_stall_ms", int(longestStallMs));
    EXPECT_LT(longestStallMs, kStallFaultMs);
    EXPECT_LT(extraMiB, kMostExtraMiB);
    // The end line may come on top of a full console.
    EXPECT_LE(console.document()->characterCount() - 1, kConsoleCapacity + 1024);

    const QString text = ConsoleWithEndLinesMarked();
    EXPECT_TRUE(text.endsWith(QStringLiteral("<end>\n")) || text.endsWith(QStringLiteral("<end>")))
        << text.right(500).toStdString();
    EXPECT_TRUE(ConsoleText().contains(QStringLiteral("Exit code 0"))) << text.right(500).toStdString();
    // The output: what follows the line that names the command, unless a full console
    // has let that line go.
    const qsizetype command = text.indexOf(QStringLiteral("Command: "));
    const QString output = command < 0 ? text : text.mid(text.indexOf(u'\n', command) + 1);
    EXPECT_TRUE(output.contains(QString::fromUtf8(input.Shows))) << output.right(2000).toStdString();
    if (*input.NotShows) {
        EXPECT_FALSE(output.contains(QString::fromUtf8(input.NotShows))) << output.right(2000).toStdString();
    }

    TypeAndGo(QStringLiteral("echo a later run"));
    ASSERT_TRUE(WaitForRun());
    const QString after = ConsoleWithEndLinesMarked();
    const qsizetype later = after.lastIndexOf(QStringLiteral("Command: echo a later run"));
    ASSERT_GE(later, 0) << after.right(500).toStdString();
    EXPECT_TRUE(after.mid(later).contains(QStringLiteral("\na later run\n"))) << after.mid(later).toStdString();
    EXPECT_TRUE(after.endsWith(QStringLiteral("<end>\n"))) << after.right(500).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Output, TerminalBadInput, ::testing::ValuesIn(kBadInputs),
                         [](const ::testing::TestParamInfo<TBadInput>& AInfo) { return AInfo.param.Name; });

}  // namespace
