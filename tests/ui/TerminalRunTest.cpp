// Runs from the window on a terminal: View > Terminal, the terminal's size, the live
// screen in the console, and keys typed in the console going to the program.
#include "WindowFixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
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

}  // namespace
