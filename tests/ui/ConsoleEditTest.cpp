#include "app/ConsoleEdit.h"
#include "components/Exception.h"
#include "platform/CodePage.h"

#include <QTextCursor>

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
