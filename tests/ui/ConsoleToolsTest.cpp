#include "StandInFixture.h"

#include "app/CommandBoxHistory.h"
#include "app/ConsoleEdit.h"
#include "app/FindBar.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QComboBox>
#include <QCompleter>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QToolButton>
#include <QtTest/QTest>

namespace {

// The console's tools in the real window, with the stand-ins for php and composer on
// the search path: they record what they were given.
class ConsoleTools : public StandInWindowTest {
protected:
    void SetUp() override {
        StandInWindowTest::SetUp();
        Project = MakeRoot({QStringLiteral("blog"), QStringLiteral("shop")},
                           Path(QStringLiteral("www/blog"))) +
                  QStringLiteral("/blog");
    }
    void Type(const QString& line) {
        auto* box = Find<QLineEdit>("edtCommand");
        box->setText(line);
        QTest::keyClick(box, Qt::Key_Return);
        EXPECT_TRUE(WaitForRun());
    }

    void ClickPreset(const char* name) {
        auto* button = Find<TSpeedButton>(name);
        Find<QTabWidget>("pgMain")->setCurrentWidget(button->parentWidget());
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_TRUE(WaitForRun());
    }

    // Shows the window and makes it the active one, as the shortcuts need.
    void Show() {
        Window->show();
        Window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Window.get()));
    }

    void Trigger(const char* action) { Find<QAction>(action)->trigger(); }

    QStringList HistoryShown() const {
        return Find<QLineEdit>("edtCommand")->findChild<TCommandBoxHistory*>()->Lines();
    }

    QString Project;
};

TEST_F(ConsoleTools, MenusComeInOrderWithAccessKeysAndShortcuts) {
    OpenWindow();
    QStringList menus;
    for (QAction* menu : Find<QMenuBar>("menMain")->actions()) menus.append(menu->text());
    EXPECT_EQ(menus.mid(0, 3), (QStringList{"&File", "&Edit", "&View"}));

    QStringList file;
    for (QAction* item : Find<QMenu>("File1")->actions())
        file.append(item->isSeparator() ? QStringLiteral("-") : item->text() + u' ' + item->shortcut().toString());
    EXPECT_EQ(file, (QStringList{"Run &Again F5", "&Save Output\u2026 Ctrl+S", "-",
                                 "&Check for Updates ", "-", "&Exit Ctrl+Q"}));
    EXPECT_EQ(Find<QAction>("menFind")->shortcut(), QKeySequence(QStringLiteral("Ctrl+F")));
    EXPECT_EQ(Find<QAction>("menClearConsole")->shortcut(), QKeySequence(QStringLiteral("Ctrl+L")));
    EXPECT_TRUE(Find<QAction>("menColours")->isCheckable());
    EXPECT_FALSE(Find<QAction>("menColours")->isChecked());
    // No two of the window's access keys clash (the menu bar's, buttons', labels').
    Window->show();
    QMap<QChar, QStringList> keys;
    auto note = [&keys](const QString& text, const QString& owner) {
        const qsizetype at = text.indexOf(u'&');
        if (at >= 0 && at + 1 < text.size()) keys[text[at + 1].toLower()].append(owner);
    };
    for (QAction* menu : Find<QMenuBar>("menMain")->actions()) note(menu->text(), menu->text());
    for (QAbstractButton* button : Window->findChildren<QAbstractButton*>())
        if (!qobject_cast<QToolButton*>(button) || !button->text().isEmpty()) note(button->text(), button->objectName());
    for (QLabel* label : Window->findChildren<QLabel*>())
        if (label->buddy()) note(label->text(), label->objectName());
    for (auto it = keys.cbegin(); it != keys.cend(); ++it)
        EXPECT_EQ(it.value().size(), 1) << "Alt+" << QString(it.key()).toStdString() << ": "
                                        << it.value().join(u' ').toStdString();

    for (const char* name : {"edtFind", "btnFindNext", "btnFindPrevious", "chkMatchCase", "lblFindCount",
                             "btnFindClose", "redtConsole", "edtCommand"})
        EXPECT_FALSE(Find<QWidget>(name)->accessibleName().isEmpty()) << name;
}

TEST_F(ConsoleTools, TablesLineUpAndTheChosenConsoleFontIsRemembered) {
    OpenWindow();
    Show();
    // The head of a route:list table as Laravel 8 prints it.
    const QStringList table = {
        QStringLiteral("+--------+----------+----------+-------+---------+------------+"),
        QStringLiteral("| Domain | Method   | URI      | Name  | Action  | Middleware |"),
        QStringLiteral("+--------+----------+----------+-------+---------+------------+"),
        QStringLiteral("|        | GET|HEAD | /        | home  | Closure | web        |"),
        QStringLiteral("|        | POST     | api/user | users | Closure | api        |"),
    };
    Type(QStringLiteral("printf '%s\\n' ") + u'\'' + table.join(QStringLiteral("' '")) + u'\'');
    TConsoleEdit& console = Window->Console();
    EXPECT_EQ(console.font().pixelSize(), 16);
    // Where the row's column marks are drawn: at the places of the rule's "+".
    const auto columnStarts = [&console, &table](int ABlock) {
        const QTextBlock block = console.document()->findBlockByNumber(ABlock);
        QList<QPoint> starts;
        for (int at = 0; at < table[0].size(); ++at) {
            if (table[0][at] != u'+') continue;
            QTextCursor cursor(block);
            cursor.setPosition(block.position() + at);
            starts.append(console.cursorRect(cursor).topLeft() - console.cursorRect(QTextCursor(block)).topLeft());
        }
        return starts;
    };
    ASSERT_EQ(console.document()->findBlockByNumber(2).text(), table[0]);
    // Every row's column marks sit at the same pixels as the first row's.
    for (int row = 1; row < table.size(); ++row)
        EXPECT_EQ(columnStarts(2 + row), columnStarts(2)) << table[row].toStdString();

    const QString shownFamily = console.font().family();
    QFont chosen(QStringLiteral("DejaVu Serif"));
    chosen.setPointSize(19);
    Desktop.FontAnswers = {chosen};
    Trigger("menConsoleFont");
    EXPECT_EQ(Desktop.FontSuggestions.at(0).family(), shownFamily);  // the chooser starts at the console's font
    EXPECT_EQ(console.font().family(), QStringLiteral("DejaVu Serif"));
    Desktop.FontAnswers = {std::nullopt};  // Cancel keeps it
    Trigger("menConsoleFont");
    EXPECT_EQ(Window->Console().font().family(), QStringLiteral("DejaVu Serif"));
    OpenWindow();
    EXPECT_EQ(Window->Console().font().family(), QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(Window->Console().font().pointSize(), 19);
}

TEST_F(ConsoleTools, ARunShowsColoursAndItsProgressBarEndsAsOneLine) {
    OpenWindow();
    const QString command = QStringLiteral(
        "printf '\\033[1;31mred\\033[0m plain\\033]0;title\\007\\r\\n'; i=1; "
        "while [ $i -le 1000 ]; do printf '\\r%4d/1000 \\033[32m%s\\033[0m' $i ok; i=$((i+1)); done; echo");
    Type(command);
    EXPECT_EQ(ConsoleWithEndLinesMarked(), QStringLiteral("\nCommand: ") + command +
                                               QStringLiteral("\nred plain\n1000/1000 ok\n\n<end>\n"));
    const QTextBlock red = Window->Console().document()->findBlockByNumber(2);
    const QTextCharFormat redFormat = red.begin().fragment().charFormat();
    EXPECT_EQ(red.begin().fragment().text(), QStringLiteral("red"));
    EXPECT_EQ(redFormat.foreground().color(), QColor(0xC8, 0x37, 0x2D));
    EXPECT_EQ(redFormat.fontWeight(), QFont::Bold);
    // The command line itself and uncoloured text carry no format of their own.
    const QTextBlock commandLine = Window->Console().document()->findBlockByNumber(1);
    EXPECT_EQ(commandLine.begin().fragment().charFormat(), QTextCharFormat());
}

TEST_F(ConsoleTools, ColoursAddAnsiToPresetLinesOnlyAndAreRemembered) {
    OpenWindow();
    Trigger("menColours");
    ClickPreset("btnList");
    Type(QStringLiteral("php artisan list"));
    EXPECT_EQ(QString::fromUtf8(ReadFile(Record)),
              QStringLiteral("php|artisan|--ansi|list\n%1\nphp|artisan|list\n%1\n").arg(Project));
    EXPECT_TRUE(ConsoleText().contains(QStringLiteral("\nCommand: php artisan --ansi list\n")));
    EXPECT_TRUE(ConsoleText().contains(QStringLiteral("\nCommand: php artisan list\n")));
    EXPECT_EQ(HistoryShown(), (QStringList{"php artisan list", "php artisan --ansi list"}));

    OpenWindow();
    EXPECT_TRUE(Find<QAction>("menColours")->isChecked());
    Trigger("menColours");
    OpenWindow();
    EXPECT_FALSE(Find<QAction>("menColours")->isChecked());
}

TEST_F(ConsoleTools, FindCountsHighlightsWalksAndCloses) {
    OpenWindow();
    Window->resize(800, 1000);  // every line in view
    Show();
    for (const char* line : {"Error one", "fine", "an error here", "ERROR three", "last"})
        Window->Console().AddText(QString::fromLatin1(line));
    auto* bar = Find<QWidget>("panFind");
    EXPECT_FALSE(bar->isVisible());

    QTest::keyClick(Window.get(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(bar->isVisible());
    auto* field = Find<QLineEdit>("edtFind");
    EXPECT_EQ(Window->focusWidget(), field);
    QTest::keyClicks(field, QStringLiteral("error"));
    EXPECT_EQ(Find<QLabel>("lblFindCount")->text(), QStringLiteral("3 matches"));
    EXPECT_EQ(Window->Console().extraSelections().size(), 3);

    // Enter finds the next match and never runs the command box's line.
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(Window->Console().textCursor().selectionStart(), 0);
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(Window->Console().textCursor().selectedText(), QStringLiteral("error"));
    QTest::keyClick(field, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(Window->Console().textCursor().selectedText(), QStringLiteral("Error"));
    QTest::keyClick(field, Qt::Key_Return, Qt::ShiftModifier);  // round the start
    EXPECT_EQ(Window->Console().textCursor().selectedText(), QStringLiteral("ERROR"));
    EXPECT_FALSE(Window->IsRunning());
    EXPECT_FALSE(ConsoleText().contains(QStringLiteral("Command:")));
    EXPECT_TRUE(Desktop.Errors.empty());

    Find<QCheckBox>("chkMatchCase")->setChecked(true);
    EXPECT_EQ(Find<QLabel>("lblFindCount")->text(), QStringLiteral("1 match"));
    EXPECT_EQ(Window->Console().extraSelections().size(), 1);
    field->setText(QStringLiteral("nowhere"));
    EXPECT_EQ(Find<QLabel>("lblFindCount")->text(), QStringLiteral("No matches"));
    EXPECT_FALSE(Find<QToolButton>("btnFindNext")->isDown());

    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_TRUE(Window->Console().extraSelections().isEmpty());
}

TEST(FindCount, CountsMatchesOneAfterTheOther) {
    EXPECT_EQ(CountMatches(u"aaaa", QStringLiteral("aa"), Qt::CaseSensitive), 2);
    EXPECT_EQ(CountMatches(u"Aa aA", QStringLiteral("aa"), Qt::CaseInsensitive), 2);
    EXPECT_EQ(CountMatches(u"Aa aA", QStringLiteral("aa"), Qt::CaseSensitive), 0);
    EXPECT_EQ(CountMatches(u"abc", QString(), Qt::CaseSensitive), 0);
    EXPECT_EQ(CountMatches(u"ab", QStringLiteral("abc"), Qt::CaseSensitive), 0);
    EXPECT_EQ(CountMatches(u"\u00C9T\u00C9 \u00E9t\u00E9, et\u00E9", QStringLiteral("\u00E9t\u00E9"),
                           Qt::CaseInsensitive), 2);
    EXPECT_EQ(CountMatches(u"xyzabcabd abcabcabd", QStringLiteral("abcabd"), Qt::CaseSensitive), 2);
}

TEST_F(ConsoleTools, SaveOutputWritesUtf8WithLineFeedsAndClearIsTheOnlyWayToEmpty) {
    OpenWindow();
    Show();
    Type(QStringLiteral("printf 'caf\\303\\251\\r\\n\\033[31mred\\033[0m\\n'"));
    const QString saved = Path(QStringLiteral("out.txt"));
    Desktop.SaveAnswers = {std::nullopt, saved, Path(QStringLiteral("no/such/folder/out.txt"))};
    Trigger("menSaveOutput");  // cancelled
    EXPECT_FALSE(QFile::exists(saved));
    Trigger("menSaveOutput");
    const QByteArray bytes = ReadFile(saved);
    EXPECT_TRUE(bytes.startsWith(
        "\nCommand: printf 'caf\\303\\251\\r\\n\\033[31mred\\033[0m\\n'\ncaf\xC3\xA9\nred\n\nExit code 0 "))
        << bytes.toStdString();
    EXPECT_EQ(bytes, Window->Console().toPlainText().toUtf8());
    EXPECT_TRUE(Desktop.Errors.empty());
    QTest::keyClick(Window.get(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(Desktop.Errors.size(), 1u);
    EXPECT_TRUE(Desktop.Errors[0].Text.startsWith(QStringLiteral("Unable to write to ")));
    EXPECT_EQ(Desktop.SaveSuggestions.size(), 3);

    QTest::keyClick(Window.get(), Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(ConsoleText(), QString());
    Type(QStringLiteral("echo again"));
    Type(QStringLiteral("echo more"));
    EXPECT_EQ(ConsoleWithEndLinesMarked(),
              QStringLiteral("\nCommand: echo again\nagain\n\n<end>\n\nCommand: echo more\nmore\n\n<end>\n"));
}

TEST_F(ConsoleTools, SaveOutputAndCopyGiveAMegabyteLineBackWhole) {
    // One line of a megabyte without a line feed, through the live path: the console
    // holds it in bounded blocks, and the file and the clipboard get it unbroken.
    OpenWindow();
    Show();
    Type(QStringLiteral("seq 1 200000 | tr '\\n' , | head -c 1000000"));
    QString line;
    for (int i = 1; line.size() < 1000000; ++i) line += QStringLiteral("%1,").arg(i);
    line.truncate(1000000);
    TConsoleEdit& console = Window->Console();
    for (QTextBlock block = console.document()->begin(); block.isValid(); block = block.next())
        ASSERT_LE(block.length() - 1, ConsoleBlocks::kMaxBlockChars);
    const QString saved = Path(QStringLiteral("long.txt"));
    Desktop.SaveAnswers = {saved};
    Trigger("menSaveOutput");
    const QString text = QString::fromUtf8(ReadFile(saved));
    EXPECT_TRUE(text.contains(u'\n' + line + QStringLiteral("\nExit code 0 "))) << text.left(200).toStdString();
    EXPECT_EQ(text, console.PlainText());

    const qsizetype start = text.indexOf(line);
    QTextCursor selection(console.document());
    selection.setPosition(console.document()->findBlockByNumber(text.left(start).count(u'\n')).position());
    selection.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    console.setTextCursor(selection);
    console.copy();
    EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith(line + QStringLiteral("\nExit code 0 ")));
}

TEST_F(ConsoleTools, TheViewFollowsNewOutputOnlyWhileItIsAtTheBottom) {
    OpenWindow();
    Show();
    TConsoleEdit& console = Window->Console();
    QScrollBar* bar = console.verticalScrollBar();
    QStringList lines;
    for (int i = 0; i < 300; ++i) lines.append(QStringLiteral("line %1").arg(i));
    const QString block = lines.join(u'\n');

    console.AddText(block);
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());

    bar->setValue(10);
    console.AddText(block);
    EXPECT_EQ(bar->value(), 10);

    bar->setValue(bar->maximum());
    const int before = bar->maximum();
    console.AddText(block);
    EXPECT_GT(bar->maximum(), before);
    EXPECT_EQ(bar->value(), bar->maximum());

    // A run with a large output, streamed in many pieces, then another run: the view is
    // still at the last line.
    Type(QStringLiteral("seq 1 300000"));
    Type(QStringLiteral("echo the next run"));
    QTest::qWait(200);
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_GT(bar->value(), 0);
}

TEST_F(ConsoleTools, HistoryIsPerProjectNewestFirstWalkableAndSurvivesARestart) {
    OpenWindow();
    for (const char* line : {"echo one", "echo two", "echo one"}) Type(QString::fromLatin1(line));
    EXPECT_EQ(HistoryShown(), (QStringList{"echo one", "echo two"}));

    // Up and Down walk the lines; Down past the newest brings back what was typed.
    auto* box = Find<QLineEdit>("edtCommand");
    box->setText(QStringLiteral("draft"));
    QTest::keyClick(box, Qt::Key_Up);
    EXPECT_EQ(box->text(), QStringLiteral("echo one"));
    QTest::keyClick(box, Qt::Key_Up);
    QTest::keyClick(box, Qt::Key_Up);
    EXPECT_EQ(box->text(), QStringLiteral("echo two"));
    QTest::keyClick(box, Qt::Key_Down);
    QTest::keyClick(box, Qt::Key_Down);
    EXPECT_EQ(box->text(), QStringLiteral("draft"));

    // Typing filters the drop-down to the lines that hold the text.
    box->clear();
    QTest::keyClicks(box, QStringLiteral("TWO"));
    EXPECT_EQ(box->completer()->completionCount(), 1);
    EXPECT_EQ(box->completer()->currentCompletion(), QStringLiteral("echo two"));
    // The drop-down lists them all.
    Find<QAction>("actShowHistory")->trigger();
    EXPECT_EQ(box->completer()->completionCount(), 2);

    // Another project has its own lines; the file sits beside settings.ini.
    auto* projects = Find<QComboBox>("cmbProjects");
    projects->setCurrentIndex(projects->findText(Path(QStringLiteral("www/shop"))));
    emit projects->activated(projects->currentIndex());
    EXPECT_TRUE(HistoryShown().isEmpty());
    Type(QStringLiteral("echo shop"));
    EXPECT_TRUE(QFile::exists(Path(QStringLiteral("bin/history.txt"))));
    EXPECT_EQ(QDir(Project).entryList(QDir::Files | QDir::Hidden), QStringList());

    OpenWindow();  // the shop project is the remembered one now
    EXPECT_EQ(HistoryShown(), (QStringList{"echo shop"}));
    projects = Find<QComboBox>("cmbProjects");
    projects->setCurrentIndex(projects->findText(Project));
    emit projects->activated(projects->currentIndex());
    EXPECT_EQ(HistoryShown(), (QStringList{"echo one", "echo two"}));
}

TEST_F(ConsoleTools, EnterRunsTheTypedLineWhileTheHistoryListIsOpen) {
    OpenWindow();
    Show();
    for (const char* line : {"echo alpha two", "echo alpha one"}) Type(QString::fromLatin1(line));
    auto* box = Find<QLineEdit>("edtCommand");
    QAbstractItemView* list = box->completer()->popup();
    const auto lastCommand = [this] {
        const QStringList lines = ConsoleText().split(u'\n');
        for (auto it = lines.crbegin(); it != lines.crend(); ++it)
            if (it->startsWith(QStringLiteral("Command: "))) return it->mid(9);
        return QString();
    };

    // The typed text is part of both earlier lines: the list opens, and one Enter runs
    // the line as typed.
    box->clear();
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("echo alpha"));
    ASSERT_TRUE(list->isVisible());
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_TRUE(WaitForRun());
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(lastCommand(), QStringLiteral("echo alpha"));

    // An entry chosen with the arrows runs instead.
    box->clear();
    QTest::keyClicks(box, QStringLiteral("alpha t"));
    ASSERT_TRUE(list->isVisible());
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_TRUE(WaitForRun());
    EXPECT_EQ(lastCommand(), QStringLiteral("echo alpha two"));
    EXPECT_EQ(HistoryShown().value(0), QStringLiteral("echo alpha two"));
}

TEST_F(ConsoleTools, RunAgainRunsTheProjectsLastLineIncludingPresetRuns) {
    OpenWindow();
    Show();
    QTest::keyClick(Window.get(), Qt::Key_F5);  // nothing ran yet
    EXPECT_EQ(ConsoleText(), QString());

    Type(QStringLiteral("echo typed"));
    ClickPreset("btnList");
    Window->Console().clear();
    QFile::remove(Record);

    QTest::keyClick(Window.get(), Qt::Key_F5);
    EXPECT_TRUE(WaitForRun());
    EXPECT_EQ(ConsoleWithEndLinesMarked(), QStringLiteral("\nCommand: php artisan list\nstand-in ran\n\n<end>\n"));
    EXPECT_EQ(QString::fromUtf8(ReadFile(Record)), QStringLiteral("php|artisan|list\n%1\n").arg(Project));
    EXPECT_EQ(HistoryShown(), (QStringList{"php artisan list", "echo typed"}));
}

}  // namespace
