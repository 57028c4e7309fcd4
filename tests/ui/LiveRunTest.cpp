// Runs in the real window: output as it comes while the window keeps turning, Stop,
// input, the end line, one run at a time, and closing during a run.
#include "WindowFixture.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTabWidget>
#include <QElapsedTimer>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>

#include <csignal>

namespace {

class LiveRun : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        Project = MakeRoot({QStringLiteral("blog")}, Path(QStringLiteral("www/blog"))) +
                  QStringLiteral("/blog");
        OpenWindow();
        Window->show();
    }

    pid_t PidIn(const QString& file) {
        pid_t pid = 0;
        TurnUntil([&] { return (pid = ReadFile(file).trimmed().toInt()) > 0; }, 10000);
        return pid;
    }

    static bool Alive(pid_t pid) { return pid > 0 && ::kill(pid, 0) == 0; }

    QString Project;
};

TEST_F(LiveRun, OutputShowsWhileTheCommandRunsAndTheWindowKeepsTurning) {
    int ticks = 0;
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&ticks] { ++ticks; });
    heartbeat.start(10);
    int finished = 0;
    QObject::connect(Window.get(), &TfrmMain::runFinished, [&finished] { ++finished; });
    EXPECT_EQ(Find<QPushButton>("btnRun")->accessibleName(), QStringLiteral("Run"));

    TypeAndGo(QStringLiteral("echo first; while [ ! -e go ]; do sleep 0.02; done; echo second"));
    ASSERT_TRUE(Window->IsRunning());
    ASSERT_TRUE(TurnUntil([&] { return ConsoleText().contains(QStringLiteral("first\n")); }));
    EXPECT_FALSE(ConsoleText().contains(QStringLiteral("\nsecond")));
    EXPECT_TRUE(Window->IsRunning());
    // The input row names the command and the status bar keeps its panels; Run has
    // become Stop, for screen readers too.
    auto* runState = Find<QLabel>("lblRunning");
    EXPECT_TRUE(runState->isVisible());
    EXPECT_EQ(runState->toolTip(),
              QStringLiteral("Running: echo first; while [ ! -e go ]; do sleep 0.02; done; echo second"));
    EXPECT_TRUE(runState->text().startsWith(QStringLiteral("Running: echo"))) << runState->text().toStdString();
    EXPECT_TRUE(Find<QStatusBar>("sbMain")->currentMessage().isEmpty());
    EXPECT_EQ(Find<QPushButton>("btnRun")->text(), QStringLiteral("&Stop"));
    EXPECT_EQ(Find<QPushButton>("btnRun")->accessibleName(), QStringLiteral("Stop"));
    const int ticksBefore = ticks;
    QTest::qWait(200);
    EXPECT_GE(ticks, ticksBefore + 3) << "the window's thread stood still";

    WriteFile(Project + QStringLiteral("/go"), "");
    ASSERT_TRUE(WaitForRun());
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(ConsoleWithEndLinesMarked(),
              QStringLiteral("\nCommand: echo first; while [ ! -e go ]; do sleep 0.02; done; echo second\n"
                             "first\nsecond\n\n<end>\n"));
    EXPECT_EQ(Find<QPushButton>("btnRun")->text(), QStringLiteral("&Run"));
    EXPECT_EQ(Find<QPushButton>("btnRun")->accessibleName(), QStringLiteral("Run"));
    EXPECT_FALSE(runState->isVisible());
}

// While a run lasts the input row takes its room from the console: every preset button
// and both status panels stay in view at the window's own size.
TEST_F(LiveRun, NothingHidesWhileACommandRuns) {
    auto* pages = Find<QTabWidget>("pgMain");
    const auto allInView = [&] {
        QStringList hidden;
        for (int page = 0; page < pages->count(); ++page)
            for (QToolButton* button : pages->widget(page)->findChildren<QToolButton*>(
                     QString(), Qt::FindDirectChildrenOnly))
                if (!pages->widget(page)->rect().contains(button->geometry()))
                    hidden << button->objectName();
        for (const char* panel : {"sbMainPanel0", "sbMainPanel1"}) {
            auto* label = Find<QLabel>(panel);
            if (!label->isVisible() || label->width() < label->fontMetrics().horizontalAdvance(label->text()))
                hidden << QLatin1String(panel);
        }
        return hidden;
    };
    const int consoleBefore = Window->Console().height();
    EXPECT_EQ(allInView(), QStringList());
    TypeAndGo(QStringLiteral("sleep 100"));
    ASSERT_TRUE(Window->IsRunning());
    QTest::qWait(50);
    EXPECT_TRUE(Find<QWidget>("panInput")->isVisible());
    EXPECT_EQ(allInView(), QStringList());
    EXPECT_LT(Window->Console().height(), consoleBefore);
    Window->StopRun();
    ASSERT_TRUE(WaitForRun(15000));
}

TEST_F(LiveRun, EndLineTellsHowTheRunEnded) {
    const struct {
        const char* command;
        const char* endLine;  // the start of the end line
    } cases[] = {
        {"true", "Exit code 0 \u00B7 "},
        {"echo failing >&2; exit 3", "Exit code 3 \u00B7 "},
        {"no-such-tool-here", "Exit code 127 \u00B7 "},
        {"kill -9 $$", "Ended by signal 9 \u00B7 "},
    };
    for (const auto& c : cases) {
        Window->Console().clear();
        TypeAndGo(QString::fromUtf8(c.command));
        ASSERT_TRUE(WaitForRun()) << c.command;
        const QStringList lines = ConsoleText().split(u'\n');
        ASSERT_GE(lines.size(), 2);
        EXPECT_TRUE(lines[lines.size() - 2].startsWith(QString::fromUtf8(c.endLine)))
            << c.command << ": " << lines[lines.size() - 2].toStdString();
        EXPECT_TRUE(lines[lines.size() - 2].endsWith(QStringLiteral(" s")));
    }
}

TEST_F(LiveRun, StopAndEscapeEndTheWholeTree) {
    for (const bool escape : {false, true}) {
        SCOPED_TRACE(escape ? "Esc" : "Stop");
        QFile::remove(Project + QStringLiteral("/pid"));
        TypeAndGo(QStringLiteral("sleep 100 & echo $! > pid; wait"));
        const pid_t background = PidIn(Project + QStringLiteral("/pid"));
        ASSERT_GT(background, 0);
        EXPECT_TRUE(Window->IsRunning());
        if (escape)
            QTest::keyClick(Window.get(), Qt::Key_Escape);
        else
            QTest::mouseClick(Find<QPushButton>("btnRun"), Qt::LeftButton);
        ASSERT_TRUE(WaitForRun(15000));
        EXPECT_TRUE(ConsoleWithEndLinesMarked().endsWith(QStringLiteral("<end>\n")));
        EXPECT_TRUE(ConsoleText().contains(QStringLiteral("\nStopped after ")));
        EXPECT_TRUE(TurnUntil([&] { return !Alive(background); }, 5000));
    }
}

// Stop at once after the start, before the worker has started the child, and a window
// closed the same way: neither waits for the command.
TEST_F(LiveRun, StopRightAfterTheStartIsNotLost) {
    ASSERT_TRUE(Window->RunInProject(QStringLiteral("sleep 100")));
    Window->StopRun();
    ASSERT_TRUE(WaitForRun(15000));
    EXPECT_TRUE(ConsoleText().contains(QStringLiteral("\nStopped after "))) << ConsoleText().toStdString();

    ASSERT_TRUE(Window->RunInProject(QStringLiteral("sleep 100")));
    QElapsedTimer closing;
    closing.start();
    CloseWindow();
    EXPECT_LT(closing.elapsed(), 10000);
}

// A run asked for while one lasts starts nothing, asks nothing, and the status bar
// says why and how to stop the one that runs.
TEST_F(LiveRun, NoSecondRunStartsWhileOneLasts) {
    TypeAndGo(QStringLiteral("while [ ! -e go ]; do sleep 0.02; done"));
    ASSERT_TRUE(Window->IsRunning());
    EXPECT_EQ(Find<QTabWidget>("pgMain")->cursor().shape(), Qt::BusyCursor);
    auto* status = Find<QStatusBar>("sbMain");
    const QString note = QStringLiteral("A command is still running: Stop (Alt+S) or Esc ends it.");
    EXPECT_TRUE(status->currentMessage().isEmpty());
    EXPECT_FALSE(Window->RunInProject(QStringLiteral("touch second")));
    EXPECT_EQ(status->currentMessage(), note);
    for (const char* preset : {"btnUp", "btnMake_Migration"}) {
        SCOPED_TRACE(preset);
        status->clearMessage();
        auto* button = Find<QToolButton>(preset);
        Find<QTabWidget>("pgMain")->setCurrentWidget(button->parentWidget());
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(status->currentMessage(), note);
    }
    EXPECT_TRUE(Desktop.Prompts.empty()) << "asked for arguments of a run that cannot start";
    EXPECT_EQ(Window->RunLine().toStdString(), "while [ ! -e go ]; do sleep 0.02; done");

    WriteFile(Project + QStringLiteral("/go"), "");
    ASSERT_TRUE(WaitForRun());
    EXPECT_FALSE(QFile::exists(Project + QStringLiteral("/second")));
    EXPECT_EQ(ConsoleText().count(QStringLiteral("Command: ")), 1);
    EXPECT_NE(Find<QTabWidget>("pgMain")->cursor().shape(), Qt::BusyCursor);
    EXPECT_TRUE(Window->RunInProject(QStringLiteral("touch second")));
    ASSERT_TRUE(WaitForRun());
    EXPECT_TRUE(QFile::exists(Project + QStringLiteral("/second")));
}

TEST_F(LiveRun, EnterInTheCommandBoxDuringARunNeitherStopsItNorStartsAnother) {
    TypeAndGo(QStringLiteral("while [ ! -e go ]; do sleep 0.02; done"));
    ASSERT_TRUE(Window->IsRunning());
    TypeAndGo(QStringLiteral("touch second"));
    QTest::qWait(300);
    EXPECT_TRUE(Window->IsRunning());
    EXPECT_TRUE(Find<QStatusBar>("sbMain")->currentMessage().startsWith(QStringLiteral("A command is still running")));

    WriteFile(Project + QStringLiteral("/go"), "");
    ASSERT_TRUE(WaitForRun());
    EXPECT_FALSE(QFile::exists(Project + QStringLiteral("/second")));
    EXPECT_FALSE(ConsoleText().contains(QStringLiteral("Stopped after")));
}

TEST_F(LiveRun, LinesTypedInTheInputRowReachTheCommand) {
    auto* input = Find<QLineEdit>("edtInput");
    EXPECT_FALSE(input->isVisible());
    TypeAndGo(QStringLiteral("while read answer; do echo \"answer: $answer\"; done; echo input closed"));
    ASSERT_TRUE(input->isVisible());
    EXPECT_FALSE(input->accessibleName().isEmpty());
    input->setFocus();
    QTest::keyClicks(input, QStringLiteral("yes"));
    EXPECT_EQ(input->text(), QStringLiteral("yes"));
    QTest::keyClick(input, Qt::Key_Return);
    ASSERT_TRUE(TurnUntil([&] { return ConsoleText().contains(QStringLiteral("answer: yes\n")); }, 5000))
        << ConsoleText().toStdString();
    EXPECT_TRUE(Window->IsRunning()) << "Enter in the input row must not stop the run";
    EXPECT_TRUE(input->text().isEmpty());
    QTest::mouseClick(Find<QPushButton>("btnCloseInput"), Qt::LeftButton);
    ASSERT_TRUE(WaitForRun());
    // The answer and the end of input show where they were given, styled apart from the
    // command's output.
    EXPECT_TRUE(ConsoleText().contains(
        QStringLiteral("yes\nanswer: yes\n[End of input]\ninput closed\n\nExit code 0 \u00B7 ")))
        << ConsoleText().toStdString();
    const auto formatOf = [&](const QString& ALine) {
        for (QTextBlock block = Window->Console().document()->begin(); block.isValid(); block = block.next())
            if (block.text() == ALine) return block.begin().fragment().charFormat();
        ADD_FAILURE() << "no line " << ALine.toStdString();
        return QTextCharFormat();
    };
    EXPECT_NE(formatOf(QStringLiteral("yes")), formatOf(QStringLiteral("answer: yes")));
    EXPECT_EQ(formatOf(QStringLiteral("yes")), formatOf(QStringLiteral("[End of input]")));
    EXPECT_FALSE(input->isVisible());
}

// A command that never reads its input: long lines neither hold the window nor Stop,
// and the input row says what waits.
TEST_F(LiveRun, InputToACommandThatDoesNotReadHoldsNothing) {
    int ticks = 0;
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&ticks] { ++ticks; });
    heartbeat.start(10);
    TypeAndGo(QStringLiteral("sleep 300"));
    ASSERT_TRUE(Window->IsRunning());
    auto* input = Find<QLineEdit>("edtInput");
    auto* state = Find<QLabel>("lblInputState");
    QElapsedTimer sending;
    sending.start();
    for (int i = 0; i < 3; ++i) {
        input->setText(QString(32767, u'y'));
        QTest::keyClick(input, Qt::Key_Return);
    }
    EXPECT_LT(sending.elapsed(), 1000);
    EXPECT_TRUE(input->text().isEmpty());
    ASSERT_TRUE(TurnUntil([&] { return state->isVisible(); }, 5000));
    EXPECT_TRUE(state->text().startsWith(QStringLiteral("Not read yet: "))) << state->text().toStdString();
    // Input ends once; a line after it stays in the box and the row says so.
    for (int i = 0; i < 2; ++i) QTest::mouseClick(Find<QPushButton>("btnCloseInput"), Qt::LeftButton);
    input->setText(QStringLiteral("late"));
    QTest::keyClick(input, Qt::Key_Return);
    EXPECT_EQ(input->text(), QStringLiteral("late"));
    EXPECT_TRUE(state->text().startsWith(QStringLiteral("Not sent: "))) << state->text().toStdString();
    const int ticksBefore = ticks;
    QElapsedTimer stopping;
    stopping.start();
    QTest::keyClick(Window.get(), Qt::Key_Escape);
    ASSERT_TRUE(WaitForRun(15000));
    EXPECT_LT(stopping.elapsed(), 5000);
    // A stop that lasts several heartbeats lets the window's loop turn meanwhile (a quick
    // one may end before the first beat).
    if (stopping.elapsed() > 100) {
        EXPECT_GT(ticks, ticksBefore);
    }
    EXPECT_TRUE(ConsoleText().contains(QStringLiteral("\nStopped after ")));
    EXPECT_EQ(ConsoleText().count(QStringLiteral("[End of input]")), 1);
    EXPECT_FALSE(state->isVisible());
}

TEST_F(LiveRun, ClosingDuringARunAsksAndStopsTheTreeOnYes) {
    TypeAndGo(QStringLiteral("sh -c 'trap \"\" INT TERM; echo $$ > pid; while :; do sleep 0.05; done'"));
    const pid_t child = PidIn(Project + QStringLiteral("/pid"));
    ASSERT_GT(child, 0);

    Desktop.ConfirmAnswers = {false};
    EXPECT_FALSE(Window->close());
    EXPECT_EQ(Desktop.Confirms.size(), 1);
    EXPECT_TRUE(Window->IsRunning());
    EXPECT_TRUE(Alive(child));

    Desktop.ConfirmAnswers = {true};
    EXPECT_TRUE(Window->close());
    EXPECT_EQ(Desktop.Confirms.size(), 2);
    EXPECT_TRUE(TurnUntil([&] { return !Alive(child); }, 3000));
}

TEST_F(LiveRun, PastItsCapacityTheConsoleDropsTheOldestLinesAndTheRunGoesOn) {
    Window->Console().setCapacity(2000);
    TypeAndGo(QStringLiteral("i=0; while [ $i -lt 600 ]; do echo line$i; i=$((i+1)); done; "
                             "while [ ! -e go ]; do sleep 0.02; done; echo after"));
    ASSERT_TRUE(TurnUntil([&] { return ConsoleText().contains(QStringLiteral("line599\n")); }));
    EXPECT_TRUE(Window->IsRunning());
    QFile(Project + QStringLiteral("/go")).open(QIODevice::WriteOnly);
    ASSERT_TRUE(WaitForRun());
    EXPECT_TRUE(Desktop.Errors.empty());
    const QString text = ConsoleText();
    const QString note = TConsoleEdit::RemovedNote(2000);
    EXPECT_TRUE(text.startsWith(note + u'\n'));
    EXPECT_EQ(text.count(note), 1);
    EXPECT_FALSE(text.contains(QStringLiteral("\nline0\n")));
    EXPECT_FALSE(text.contains(QStringLiteral("Command: ")));
    EXPECT_TRUE(ConsoleWithEndLinesMarked().endsWith(QStringLiteral("line599\nafter\n\n<end>\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nExit code 0 ")));
}

TEST_F(LiveRun, StopCutsTheOutputNotShownYetAndTheConsoleSaysSo) {
    // Far more output than the window shows in the time it takes to press Stop.
    TypeAndGo(QStringLiteral("head -c 50000000 /dev/zero | tr '\\0' x; sleep 30"));
    ASSERT_TRUE(TurnUntil([&] { return ConsoleText().contains(QStringLiteral("xxxx")); }));
    QTest::mouseClick(Find<QPushButton>("btnRun"), Qt::LeftButton);
    ASSERT_TRUE(WaitForRun(15000));
    const QString text = ConsoleText();
    static const QRegularExpression cutNote(
        QStringLiteral("\n\\[(\\d+) bytes of output were not shown: the command was stopped\\.\\]\n"));
    const QRegularExpressionMatch note = cutNote.match(text);
    ASSERT_TRUE(note.hasMatch()) << text.right(200).toStdString();
    EXPECT_GT(note.captured(1).toLongLong(), 0);
    EXPECT_EQ(text.count(QStringLiteral("bytes of output were not shown")), 1);
    EXPECT_LT(Window->Console().PlainText().count(u'x'), 50000000);
    // The note comes after the output and before the end line.
    EXPECT_TRUE(ConsoleWithEndLinesMarked().endsWith(note.captured(0).sliced(1) + QStringLiteral("<end>\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nStopped after ")));
}

}  // namespace
