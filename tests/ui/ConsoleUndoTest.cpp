#include "app/ConsoleEdit.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>

#include <memory>
#include <random>

#include <gtest/gtest.h>

namespace {

// The console's text with the colour of each run of characters, "[colour]text".
QString Styled(const TConsoleEdit& AConsole) {
    QString styled;
    QString colour;
    for (QTextBlock block = AConsole.document()->begin(); block.isValid(); block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const QTextCharFormat format = fragment.fragment().charFormat();
            const QString now = format.foreground().style() == Qt::NoBrush
                                    ? QStringLiteral("plain")
                                    : format.foreground().color().name();
            if (now != colour) styled += u'[' + (colour = now) + u']';
            styled += fragment.fragment().text();
        }
        if (block.next().isValid()) styled += u'\n';
    }
    return styled;
}

void PressKeys(TConsoleEdit& AConsole, const QKeySequence& AKeys) {
    QTest::keySequence(&AConsole, AKeys);
}

void MoveTo(TConsoleEdit& AConsole, int APosition) {
    QTextCursor cursor = AConsole.textCursor();
    cursor.setPosition(APosition);
    AConsole.setTextCursor(cursor);
}

TEST(ConsoleUndo, TypingStaysUndoableAcrossOutputWhichIsNot) {
    TConsoleEdit console;
    console.AddText(QStringLiteral("\x1b[31mred output\x1b[0m"));
    MoveTo(console, 0);
    QTest::keyClicks(&console, QStringLiteral("note "));
    console.AddText(QStringLiteral("more output"));
    console.BeginOutput();
    console.AppendOutput(QStringLiteral("streamed "));
    QTest::keyClicks(&console, QStringLiteral("again"));  // typed while the output runs
    console.AppendOutput(QStringLiteral("on\r\n"));
    console.EndOutput();
    console.AddEndLine(QStringLiteral("Exit code 0"), true);
    const QString edited = Styled(console);
    ASSERT_TRUE(edited.contains(QStringLiteral("note again")));

    PressKeys(console, QKeySequence::Undo);
    EXPECT_EQ(console.toPlainText(),
              QStringLiteral("red output\nmore output\nstreamed on\n\nExit code 0\n"));
    EXPECT_TRUE(Styled(console).startsWith(QStringLiteral("[#")));  // the output keeps its red
    EXPECT_FALSE(console.CanUndo());

    PressKeys(console, QKeySequence::Undo);  // the additions are not undone
    EXPECT_EQ(console.toPlainText(),
              QStringLiteral("red output\nmore output\nstreamed on\n\nExit code 0\n"));

    PressKeys(console, QKeySequence::Redo);
    EXPECT_EQ(Styled(console), edited);
    EXPECT_EQ(console.textCursor().position(), int(QStringLiteral("note again").size()));
    EXPECT_FALSE(console.CanRedo());
}

TEST(ConsoleUndo, DeletedOutputComesBackInItsColour) {
    TConsoleEdit console;
    console.AddText(QStringLiteral("keep \x1b[32mgreen\x1b[0m keep"));
    const QString before = Styled(console);
    QTextCursor cursor = console.textCursor();
    cursor.setPosition(0);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    console.setTextCursor(cursor);
    QTest::keyClick(&console, Qt::Key_Delete);
    console.AddText(QStringLiteral("later"));
    ASSERT_EQ(console.toPlainText(), QStringLiteral("\nlater\n"));
    console.Undo();
    EXPECT_EQ(Styled(console), before + QStringLiteral("later\n"));
}

TEST(ConsoleUndo, AnEditThatOutputOverwritesDropsOutOfTheHistory) {
    TConsoleEdit console;
    QTest::keyClicks(&console, QStringLiteral("earlier"));
    QTest::keyClick(&console, Qt::Key_Return);
    console.BeginOutput();
    console.AppendOutput(QStringLiteral("10%"));
    QTest::keyClicks(&console, QStringLiteral("x"));  // on the progress line
    console.AppendOutput(QStringLiteral("\r100%\n"));
    console.EndOutput();
    const QString after = console.toPlainText();
    ASSERT_TRUE(after.contains(QStringLiteral("100%")));
    // The typing on the rewritten line is gone, and with it everything before it.
    console.Undo();
    EXPECT_EQ(console.toPlainText(), after);
    EXPECT_FALSE(console.CanUndo());
}

TEST(ConsoleUndo, OldTextLeavingTheTopTakesItsEditsAlongAndKeepsTheRest) {
    TConsoleEdit console;
    console.setCapacity(45);
    console.AddText(QStringLiteral("old line"));
    MoveTo(console, 0);
    QTest::keyClicks(&console, QStringLiteral("A"));  // on a line that will leave
    console.AddText(QStringLiteral("recent"));
    MoveTo(console, 16);
    QTest::keyClicks(&console, QStringLiteral("B"));  // on a line that stays
    for (const char* line : {"0123456789", "abcdefghij", "klmnopqrst"}) console.AddText(QString::fromLatin1(line));
    const QString kept = QStringLiteral("\n0123456789\nabcdefghij\nklmnopqrst\n");
    const QString note = TConsoleEdit::RemovedNote(45);
    ASSERT_EQ(console.PlainText(), note + QStringLiteral("\nrecentB") + kept);

    console.Undo();
    EXPECT_EQ(console.PlainText(), note + QStringLiteral("\nrecent") + kept);
    EXPECT_FALSE(console.CanUndo());
    console.Redo();
    EXPECT_EQ(console.PlainText(), note + QStringLiteral("\nrecentB") + kept);
}

TEST(ConsoleUndo, ClearingOrReplacingTheTextLeavesNothingToUndo) {
    for (const bool replace : {false, true}) {
        TConsoleEdit console;
        QTest::keyClicks(&console, QStringLiteral("typed"));
        console.AddText(QStringLiteral("output"));
        ASSERT_TRUE(console.CanUndo());
        if (replace)
            console.setPlainText(QStringLiteral("new"));
        else
            console.clear();
        EXPECT_FALSE(console.CanUndo()) << replace;
        const QString now = console.toPlainText();
        PressKeys(console, QKeySequence::Undo);
        EXPECT_EQ(console.toPlainText(), now) << replace;
    }
}

TEST(ConsoleUndo, ContextMenuUndoAndRedoActOnTheUsersEdits) {
    TConsoleEdit console;
    const auto item = [](QMenu& AMenu, const char* AName) {
        QAction* found = nullptr;
        for (QAction* action : AMenu.actions())
            if (action->objectName() == QLatin1String(AName)) found = action;
        return found;
    };
    {
        const std::unique_ptr<QMenu> menu(console.CreateContextMenu({}));
        ASSERT_NE(item(*menu, "edit-undo"), nullptr);
        EXPECT_FALSE(item(*menu, "edit-undo")->isEnabled());
        EXPECT_FALSE(item(*menu, "edit-redo")->isEnabled());
        EXPECT_TRUE(item(*menu, "edit-undo")->text().startsWith(QStringLiteral("&Undo")));
    }
    QTest::keyClicks(&console, QStringLiteral("typed"));
    console.AddText(QStringLiteral("output"));
    {
        const std::unique_ptr<QMenu> menu(console.CreateContextMenu({}));
        ASSERT_TRUE(item(*menu, "edit-undo")->isEnabled());
        item(*menu, "edit-undo")->trigger();
    }
    EXPECT_EQ(console.toPlainText(), QStringLiteral("\noutput"));
    {
        const std::unique_ptr<QMenu> menu(console.CreateContextMenu({}));
        EXPECT_FALSE(item(*menu, "edit-undo")->isEnabled());
        ASSERT_TRUE(item(*menu, "edit-redo")->isEnabled());
        item(*menu, "edit-redo")->trigger();
    }
    EXPECT_EQ(console.toPlainText(), QStringLiteral("typed\noutput"));
}

// Edits anywhere above the last line, mixed with coloured additions: undoing them all
// leaves exactly what the additions alone give, and redoing them all brings back the
// edited text, colours included.
TEST(ConsoleUndo, UndoingEveryEditLeavesTheOutputAloneAndRedoRestoresTheEdits) {
    std::mt19937 random(20261210);
    const QStringList inserts = {QStringLiteral("a"), QStringLiteral("typed "),
                                 QStringLiteral("two\nlines"), QStringLiteral("\n")};
    const QStringList additions = {QStringLiteral("\x1b[33myellow\x1b[0m plain"),
                                   QStringLiteral("one\r\ntwo"), QStringLiteral("10%\r100%"),
                                   QStringLiteral("\x1b[1;34mbold blue\x1b[0m\r\n")};
    for (int round = 0; round < 6; ++round) {
        TConsoleEdit console;
        TConsoleEdit reference;
        for (int i = 0; i < 3; ++i) {
            console.AddText(additions[i]);
            reference.AddText(additions[i]);
        }
        for (int step = 0; step < 120; ++step) {
            const int pick = std::uniform_int_distribution<int>(0, 9)(random);
            if (pick == 0) {
                const QString& text = additions[std::uniform_int_distribution<int>(0, 3)(random)];
                console.AddText(text);
                reference.AddText(text);
                continue;
            }
            // Edits stay before the line break that ends the next-to-last line.
            const int limit = console.document()->lastBlock().position() - 1;
            if (limit <= 0) continue;
            const int from = std::uniform_int_distribution<int>(0, limit)(random);
            QTextCursor cursor = console.textCursor();
            cursor.setPosition(from);
            if (pick < 6) {
                const int to = std::uniform_int_distribution<int>(from, std::min(limit, from + 12))(random);
                cursor.setPosition(to, QTextCursor::KeepAnchor);
                console.setTextCursor(cursor);
                if (pick < 3)
                    QTest::keyClick(&console, Qt::Key_Backspace);
                else
                    cursor.insertText(inserts[std::uniform_int_distribution<int>(0, 3)(random)]);
            } else {
                console.setTextCursor(cursor);
                QTest::keyClicks(&console, inserts[std::uniform_int_distribution<int>(0, 1)(random)]);
            }
        }
        const QString edited = Styled(console);
        for (int guard = 0; console.CanUndo() && guard < 1000; ++guard) console.Undo();
        ASSERT_EQ(Styled(console), Styled(reference)) << "round " << round;
        for (int guard = 0; console.CanRedo() && guard < 1000; ++guard) console.Redo();
        ASSERT_EQ(Styled(console), edited) << "round " << round;
    }
}

// Edits anywhere, also on the line a running output is rewriting, and undos among them:
// whatever part of the history survives, undoing it all and redoing it all gives back
// the same text.
TEST(ConsoleUndo, UndoAllThenRedoAllIsTheSameTextWhereverTheEditsWent) {
    std::mt19937 random(42);
    const QStringList pieces = {QStringLiteral("10%"), QStringLiteral("\r50%"),
                                QStringLiteral("\r100%\r\n"), QStringLiteral("\x1b[32mok\x1b[0m\n"),
                                QStringLiteral("\x1b[2K\rerased"), QStringLiteral("ab\bc")};
    for (int round = 0; round < 8; ++round) {
        TConsoleEdit console;
        console.AddText(QStringLiteral("first line"));
        for (int step = 0; step < 150; ++step) {
            const int pick = std::uniform_int_distribution<int>(0, 9)(random);
            if (pick < 3) {
                if (!console.InOutput()) console.BeginOutput();
                console.AppendOutput(pieces[std::uniform_int_distribution<int>(0, 5)(random)]);
                continue;
            }
            if (pick == 3) {
                console.EndOutput();
                continue;
            }
            const int length = console.document()->characterCount() - 1;
            const int from = std::uniform_int_distribution<int>(0, length)(random);
            const int to = std::uniform_int_distribution<int>(from, std::min(length, from + 6))(random);
            QTextCursor cursor = console.textCursor();
            cursor.setPosition(from);
            cursor.setPosition(to, QTextCursor::KeepAnchor);
            console.setTextCursor(cursor);
            if (pick < 6)
                QTest::keyClick(&console, Qt::Key_Backspace);
            else if (pick < 8)
                QTest::keyClicks(&console, QStringLiteral("xy"));
            else if (pick == 8)
                QTest::keyClick(&console, Qt::Key_Return);
            else
                PressKeys(console, QKeySequence::Undo);
        }
        console.EndOutput();
        for (int guard = 0; console.CanRedo() && guard < 2000; ++guard) console.Redo();
        const QString edited = Styled(console);
        int undone = 0;
        while (console.CanUndo() && undone < 2000) {
            console.Undo();
            ++undone;
        }
        int redone = 0;
        while (console.CanRedo() && redone < 2000) {
            console.Redo();
            ++redone;
        }
        EXPECT_EQ(redone, undone) << "round " << round;
        ASSERT_EQ(Styled(console), edited) << "round " << round;
    }
}

}  // namespace
