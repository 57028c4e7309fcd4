// Runs from the window on a terminal: View > Terminal, the terminal's size, the live
// screen in the console, and keys typed in the console going to the program.
#include "WindowFixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QRegularExpression>
#include <QSplitter>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest/QTest>

#include "app/AnsiStyle.h"
#include "app/ConsoleEdit.h"

namespace {

class TerminalRun : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        Project = MakeRoot({QStringLiteral("blog")}, Path(QStringLiteral("www/blog"))) + QStringLiteral("/blog");
        OpenWindow();
        // Runs from the window take a terminal unless a test's settings say otherwise.
        Find<QAction>("menTerminal")->setChecked(true);
        Window->resize(900, 700);
        Window->show();
        // The console has its size before a run takes it.
        QTest::qWait(50);
    }

    QString Project;
};

TEST_F(TerminalRun, ViewTerminalPicksTheTerminalOrThePipeAndIsRemembered) {
    auto* terminal = Find<QAction>("menTerminal");
    ASSERT_TRUE(terminal->isCheckable());
    EXPECT_TRUE(terminal->isChecked());
    EXPECT_TRUE(TPreferences{}.Terminal) << "on by default";
    const QString isatty = QStringLiteral("php -r 'var_dump(stream_isatty(STDIN), stream_isatty(STDOUT));'");
    TypeAndGo(isatty);
    ASSERT_TRUE(WaitForRun());
    EXPECT_TRUE(ConsoleText().contains(QStringLiteral("bool(true)\nbool(true)\n"))) << ConsoleText().toStdString();

    terminal->trigger();
    Window->ClearConsole();
    TypeAndGo(isatty);
    ASSERT_TRUE(WaitForRun());
    EXPECT_TRUE(ConsoleText().contains(QStringLiteral("bool(false)\nbool(false)\n"))) << ConsoleText().toStdString();

    OpenWindow();
    EXPECT_FALSE(Find<QAction>("menTerminal")->isChecked());
    EXPECT_FALSE(Window->Preferences().Terminal);
}

// A line redrawn in place shows its last state only, with the cursor on the live screen;
// rows that leave the screen's top and the final screen stay as coloured text.
TEST_F(TerminalRun, TheLiveScreenRedrawsInPlaceAndEndsAsText) {
    Find<QAction>("menColours")->setChecked(true);
    TypeAndGo(QStringLiteral("printf '\\033[31mred\\033[0m\\n'; for i in 1 2 3; do printf '\\r%s%%' $i; done; read x"));
    TConsoleEdit& console = Window->Console();
    ASSERT_TRUE(TurnUntil([&] { return ConsoleText().contains(QStringLiteral("red\n3%")); }, 10000))
        << ConsoleText().toStdString();
    EXPECT_TRUE(console.HasLiveScreen());
    EXPECT_FALSE(ConsoleText().contains(QStringLiteral("1%"))) << ConsoleText().toStdString();
    // The cursor stands inverted right after "3%".
    QTextBlock progress;
    for (QTextBlock block = console.document()->begin(); block.isValid(); block = block.next())
        if (block.text().startsWith(QStringLiteral("3%"))) progress = block;
    ASSERT_TRUE(progress.isValid());
    QTextCursor cell(progress);
    cell.setPosition(progress.position() + 3);  // the format of the character before
    EXPECT_EQ(cell.charFormat().background().color(), QColor(Qt::white));

    console.setFocus();
    QTest::keyClicks(&console, QStringLiteral("ok"));
    QTest::keyClick(&console, Qt::Key_Return);
    ASSERT_TRUE(WaitForRun());
    EXPECT_FALSE(console.HasLiveScreen());
    EXPECT_TRUE(ConsoleWithEndLinesMarked().contains(QStringLiteral("red\n3%ok\n\n<end>\n")))
        << ConsoleText().toStdString();
    for (QTextBlock block = console.document()->begin(); block.isValid(); block = block.next()) {
        if (block.text() == QStringLiteral("red")) {
            EXPECT_EQ(block.begin().fragment().charFormat().foreground().color(), AnsiColour(1));
        }
    }
}

TEST_F(TerminalRun, KeysInTheConsoleGoToTheProgramAndCtrlCInterruptsOrCopies) {
    TConsoleEdit& console = Window->Console();
    TypeAndGo(QStringLiteral("trap 'echo caught; exit 3' INT; read -r line; echo \"got [$line]\"; "
                             "while :; do sleep 0.05; done"));
    ASSERT_TRUE(TurnUntil([&] { return ConsoleText().contains(QStringLiteral("Command: ")); }, 10000));
    console.setFocus();
    QTest::keyClicks(&console, QStringLiteral("hi"));
    QTest::keyClick(&console, Qt::Key_Backspace);
    QApplication::clipboard()->setText(QStringLiteral("o there"));
    QTest::keyClick(&console, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(&console, Qt::Key_Return);
    ASSERT_TRUE(TurnUntil([&] { return ConsoleText().contains(QStringLiteral("got [ho there]")); }, 10000))
        << ConsoleText().toStdString();

    // With a selection, Ctrl+C copies and the program runs on.
    QTextCursor selection = console.document()->find(QStringLiteral("got [ho there]"));
    ASSERT_FALSE(selection.isNull());
    console.setTextCursor(selection);
    QTest::keyClick(&console, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("got [ho there]"));
    QTest::qWait(200);
    EXPECT_TRUE(Window->IsRunning());

    // Without one, it interrupts as in a terminal.
    selection.clearSelection();
    console.setTextCursor(selection);
    QTest::keyClick(&console, Qt::Key_C, Qt::ControlModifier);
    ASSERT_TRUE(WaitForRun(10000));
    EXPECT_TRUE(ConsoleText().contains(QStringLiteral("caught"))) << ConsoleText().toStdString();
    EXPECT_TRUE(ConsoleText().contains(QStringLiteral("Exit code 3"))) << ConsoleText().toStdString();
    // Keys edit the console again once the run is over.
    EXPECT_FALSE(console.KeysToProgram());
}

// A program that takes one read for one key (as the prompts of current tools do) gets
// keys typed ahead of it one by one, not run together into a key it does not know.
TEST_F(TerminalRun, KeysTypedAheadReachTheProgramOneReadEach) {
    TConsoleEdit& console = Window->Console();
    TypeAndGo(QStringLiteral(
        "php -r 'system(\"stty -icanon -echo\"); echo \"ready\\n\";"
        " do { $k = fread(STDIN, 64); echo \"[\", bin2hex($k), \"]\\n\"; usleep(100000); }"
        " while ($k !== \"\" && strpos($k, \"\\n\") === false);'"));
    ASSERT_TRUE(TurnUntil([&] { return ConsoleText().contains(QStringLiteral("\nready\n")); }, 20000))
        << ConsoleText().toStdString();
    console.setFocus();
    QTest::keyClick(&console, Qt::Key_Down);
    QTest::keyClick(&console, Qt::Key_Down);
    QTest::keyClick(&console, Qt::Key_Space);
    QTest::keyClick(&console, Qt::Key_X);
    QTest::keyClick(&console, Qt::Key_Return);
    ASSERT_TRUE(WaitForRun(20000)) << ConsoleText().toStdString();
    EXPECT_TRUE(ConsoleText().contains(QStringLiteral("ready\n[1b5b42]\n[1b5b42]\n[20]\n[78]\n[0a]\n")))
        << ConsoleText().toStdString();
}

// A console squeezed to a sliver by the splitter still gives the program a terminal its
// prompts fit in.
TEST_F(TerminalRun, ASliverOfConsoleStillGivesATerminalPromptsFitIn) {
    auto* splitter = Find<QSplitter>("Splitter1");
    QList<int> panes = splitter->sizes();
    ASSERT_EQ(panes.size(), 2);
    panes[0] += panes[1] - 20;
    panes[1] = 20;
    splitter->setSizes(panes);
    QTest::qWait(50);
    TypeAndGo(QStringLiteral("stty size"));
    ASSERT_TRUE(WaitForRun());
    const QRegularExpressionMatch size =
        QRegularExpression(QStringLiteral("^(\\d+) (\\d+)$"), QRegularExpression::MultilineOption).match(ConsoleText());
    ASSERT_TRUE(size.hasMatch()) << ConsoleText().toStdString();
    EXPECT_EQ(size.captured(1).toInt(), TfrmMain::kMinTerminalRows) << ConsoleText().toStdString();
    EXPECT_GE(size.captured(2).toInt(), TfrmMain::kMinTerminalColumns);
}

// The terminal takes the console's size while a run goes: a larger or smaller window, and
// the splitter above the console, change what the program sees.
TEST_F(TerminalRun, ResizingTheWindowOrTheSplitterResizesTheTerminal) {
    TConsoleEdit& console = Window->Console();
    const auto sizes = [&] {
        QStringList seen;
        static const QRegularExpression size(QStringLiteral("^(\\d+) (\\d+)$"), QRegularExpression::MultilineOption);
        for (auto it = size.globalMatch(ConsoleText()); it.hasNext();) seen << it.next().captured(0);
        return seen;
    };
    const auto expected = [&] {
        const platform::TerminalSize size = Window->ConsoleTerminalSize();
        return QStringLiteral("%1 %2").arg(size.Rows).arg(size.Columns);
    };
    // A scroll bar that comes and goes would change the columns on its own.
    console.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    TypeAndGo(QStringLiteral("read x; stty size; read x; stty size; read x; stty size"));
    QStringList wanted;
    const auto askSize = [&] {
        QTest::qWait(200);  // the layout settles (the Input row, the new size)
        wanted << expected();
        console.setFocus();
        QTest::keyClick(&console, Qt::Key_Return);
        const qsizetype before = ConsoleText().size();
        return TurnUntil([&] { return ConsoleText().size() > before && sizes().value(sizes().size() - 1) == wanted.last(); }, 10000);
    };
    ASSERT_TRUE(askSize()) << wanted.join(u',').toStdString() << "\n" << ConsoleText().toStdString();

    Window->resize(760, 900);  // a console taller than the smallest terminal
    ASSERT_TRUE(askSize()) << wanted.join(u',').toStdString() << "\n" << ConsoleText().toStdString();
    EXPECT_NE(wanted[1], wanted[0]);

    // The splitter gives the console 100 pixels more.
    auto* splitter = Find<QSplitter>("Splitter1");
    QList<int> panes = splitter->sizes();
    ASSERT_EQ(panes.size(), 2);
    panes[0] -= 100;
    panes[1] += 100;
    splitter->setSizes(panes);
    ASSERT_TRUE(askSize()) << wanted.join(u',').toStdString() << "\n" << ConsoleText().toStdString();
    EXPECT_GT(wanted[2].section(u' ', 0, 0).toInt(), wanted[1].section(u' ', 0, 0).toInt());
    ASSERT_TRUE(WaitForRun(10000));
}

// On a terminal the tools colour their output themselves: with View > Colours off the
// console shows the rows that scroll off and the live screen without the colours, and
// keeps bold; with it on, the colours show.
TEST_F(TerminalRun, ColoursOffShowsTheTerminalsRowsWithoutColours) {
    TConsoleEdit& console = Window->Console();
    const auto formatOf = [&](const QString& AText) {
        for (QTextBlock block = console.document()->begin(); block.isValid(); block = block.next())
            if (block.text() == AText) return block.begin().fragment().charFormat();
        ADD_FAILURE() << "no line " << AText.toStdString() << " in\n" << ConsoleText().toStdString();
        return QTextCharFormat();
    };
    const QString command = QStringLiteral(
        "printf '\\033[1;31mscrolled\\033[0m\\n'; seq 1 200; printf '\\033[32mlive\\033[0m\\n'; read x");
    for (const bool colours : {false, true}) {
        SCOPED_TRACE(colours ? "colours on" : "colours off");
        Find<QAction>("menColours")->setChecked(colours);
        Window->ClearConsole();
        TypeAndGo(command);
        ASSERT_TRUE(TurnUntil([&] { return ConsoleText().contains(QStringLiteral("200\nlive\n")); }, 10000))
            << ConsoleText().toStdString();
        ASSERT_TRUE(console.HasLiveScreen());
        const QTextCharFormat live = formatOf(QStringLiteral("live"));
        EXPECT_EQ(live.foreground().color() == AnsiColour(2), colours);
        const QTextCharFormat scrolled = formatOf(QStringLiteral("scrolled"));
        EXPECT_EQ(scrolled.foreground().color() == AnsiColour(1), colours);
        EXPECT_EQ(scrolled.fontWeight(), QFont::Bold);

        console.setFocus();
        QTest::keyClick(&console, Qt::Key_Return);
        ASSERT_TRUE(WaitForRun());
        // The last screen, added as text at the end, likewise.
        EXPECT_EQ(formatOf(QStringLiteral("live")).foreground().color() == AnsiColour(2), colours);
    }
}

}  // namespace
