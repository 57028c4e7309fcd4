#include "WindowFixture.h"
#include "app/ResultTable.h"
#include "app/ViewsPane.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDockWidget>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

namespace {

template <typename T>
T* ByName(const QWidget& AParent, const QString& AName) {
    for (T* control : AParent.findChildren<T*>())
        if (control->accessibleName() == AName) return control;
    ADD_FAILURE() << "no control named " << AName.toStdString();
    return nullptr;
}

// The shown rows' cells of one column, top to bottom.
QStringList Column(const QTableView& ATable, int AColumn) {
    QStringList cells;
    for (int row = 0; row < ATable.model()->rowCount(); ++row)
        cells << ATable.model()->index(row, AColumn).data().toString();
    return cells;
}

TEST(ResultTable, SortsFiltersCopiesAndExportsTheShownRowsAsCsv) {
    QString asked;
    TResultTable table(QStringLiteral("Routes"), [&] { return asked; });
    table.SetTable({"Method", "URI", "Name"}, {{"GET|HEAD", "orders", "orders.index"},
                                              {"POST", "orders", "orders.store"},
                                              {"GET|HEAD", "/", "home"},
                                              {"GET|HEAD", "say, \"hi\"", " padded"}});
    auto* view = ByName<QTableView>(table, QStringLiteral("Routes table"));
    ASSERT_NE(view, nullptr);
    // The command's order until a column title is clicked.
    EXPECT_EQ(Column(*view, 2), (QStringList{"orders.index", "orders.store", "home", " padded"}));
    view->sortByColumn(2, Qt::AscendingOrder);
    EXPECT_EQ(Column(*view, 2), (QStringList{" padded", "home", "orders.index", "orders.store"}));
    view->sortByColumn(2, Qt::DescendingOrder);
    EXPECT_EQ(Column(*view, 2), (QStringList{"orders.store", "orders.index", "home", " padded"}));

    // Any column matches, in any case.
    auto* filter = ByName<QLineEdit>(table, QStringLiteral("Filter routes"));
    QTest::keyClicks(filter, QStringLiteral("ORDERS"));
    EXPECT_EQ(Column(*view, 2), (QStringList{"orders.store", "orders.index"}));
    filter->setText(QStringLiteral("post"));
    EXPECT_EQ(Column(*view, 2), (QStringList{"orders.store"}));
    filter->clear();

    // One cell as it is; several cells give their whole rows, tab-separated.
    view->sortByColumn(2, Qt::AscendingOrder);
    view->selectionModel()->select(view->model()->index(1, 1), QItemSelectionModel::ClearAndSelect);
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "/");
    view->selectionModel()->select(view->model()->index(3, 0), QItemSelectionModel::Select);
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "GET|HEAD\t/\thome\nPOST\torders\torders.store");

    // Commas, quotes and blanks at the ends are quoted; only the shown rows go out.
    filter->setText(QStringLiteral("HEAD"));
    EXPECT_EQ(table.CsvText(), "Method,URI,Name\r\n"
                               "GET|HEAD,\"say, \"\"hi\"\"\",\" padded\"\r\n"
                               "GET|HEAD,/,home\r\n"
                               "GET|HEAD,orders,orders.index\r\n");
    EXPECT_EQ(TResultTable::CsvField("two\nlines"), "\"two\nlines\"");

    // The export button writes the file the user chose; a cancel writes nothing.
    QTemporaryDir temp;
    auto* exportButton = ByName<QPushButton>(table, QStringLiteral("Export routes as CSV"));
    asked.clear();
    exportButton->click();
    EXPECT_TRUE(QDir(temp.path()).isEmpty());
    asked = temp.filePath(QStringLiteral("routes.csv"));
    exportButton->click();
    QFile file(asked);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), table.CsvText());
}

class ViewsPaneTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        Project = MakeRoot({QStringLiteral("shop")}, Path(QStringLiteral("www/shop"))) + QStringLiteral("/shop");
        WriteFile(Project + QStringLiteral("/artisan"), "<?php\n");
        Php = Path(QStringLiteral("tools/php"));
        Record = Path(QStringLiteral("record.txt"));
        OpenWindow();
    }

    // The project's PHP is a script that answers each artisan command with ACases, a
    // shell "case" body over the command's name.
    void UsePhpScript(const QByteArray& ACases) {
        QDir().mkpath(QFileInfo(Php).path());
        WriteFile(Php, "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" + Record.toUtf8() + "'\ncase \"$2\" in\n" + ACases +
                           "\nesac\n");
        QFile::setPermissions(Php, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        TProjectTools tools;
        tools.PhpProgram = Php.toStdString();
        ASSERT_TRUE(Window->ToolsStore().Save(Project.toStdString(), tools));
    }

    // Opens the view from the Views menu and waits for its reading, if it reads.
    TToolView& Open(const char* AName, bool AReads = true) {
        TToolView* view = Window->ViewsPane().View(QString::fromLatin1(AName));
        EXPECT_NE(view, nullptr);
        QSignalSpy refreshed(view, &TToolView::refreshed);
        Find<QAction>((QByteArray("menView") + AName).constData())->trigger();
        if (AReads) {
            EXPECT_TRUE(TurnUntil([&] { return refreshed.count() > 0; }, 20000));
        }
        EXPECT_TRUE(Window->ViewsPane().currentWidget() == view);
        return *view;
    }

    QString Label(const TToolView& AView, const char* AWhat) const {
        auto* label = ByName<QLabel>(AView, AView.Kind().Name + QLatin1Char(' ') + QLatin1String(AWhat));
        return label ? label->text() : QString();
    }

    QString Project;
    QString Php;
    QString Record;
};

TEST_F(ViewsPaneTest, RoutesComeFromTheProjectsPhpAndTheLineThatRanIsShown) {
    UsePhpScript(R"(route:list) echo '[{"method":"GET|HEAD","uri":"\/","name":"home","action":"Closure","middleware":["web"]},{"method":"POST","uri":"<b>orders<\/b>","name":"orders.store","action":"OrderController@store","middleware":["web","auth"]}]' ;;)");
    EXPECT_FALSE(Window->ViewsDock().isVisibleTo(Window.get()));
    TToolView& routes = Open("Routes");
    EXPECT_TRUE(Window->ViewsDock().isVisibleTo(Window.get()));
    // The line as routed through the project's PHP.
    const QString command = Label(routes, "command");
    EXPECT_TRUE(command.startsWith(QStringLiteral("Ran: ")) && command.contains(Php) &&
                command.endsWith(QStringLiteral("artisan route:list --json")))
        << command.toStdString();
    EXPECT_TRUE(Label(routes, "read time").startsWith(QStringLiteral("Read at")));
    auto* table = ByName<QTableView>(routes, QStringLiteral("Routes table"));
    ASSERT_NE(table, nullptr);
    // Text from the command is plain text, markup and all.
    EXPECT_EQ(Column(*table, 1), (QStringList{"/", "<b>orders</b>"}));
    EXPECT_EQ(Column(*table, 4), (QStringList{"web", "web, auth"}));

    // The view read this project once: the menu shows it again without a second run.
    Open("Application");
    Open("Routes", false);
    EXPECT_FALSE(routes.IsReading());
    EXPECT_EQ(ReadFile(Record).count("route:list"), 1);
    ByName<QPushButton>(routes, QStringLiteral("Refresh routes"))->click();
    EXPECT_TRUE(TurnUntil([&] { return !routes.IsReading(); }));
    EXPECT_EQ(ReadFile(Record).count("route:list"), 2);
}

TEST_F(ViewsPaneTest, AMissingCommandAFailureAndAnEmptyListAreSaid) {
    UsePhpScript("about) printf '\\n  Command \"about\" is not defined.\\n'; exit 1 ;;\n"
                 "route:list) echo \"Your application doesn't have any routes.\" ;;\n"
                 "schedule:list) echo 'Could not open input file' ; exit 3 ;;\n"
                 "event:list) echo '[{\"event\": \"Paid\", \"listeners\": [\"Receipt\"' ;;");
    TToolView& about = Open("Application");
    EXPECT_EQ(Label(about, "message"), "\"php artisan about --json\" is not available in this Laravel version.");
    TToolView& routes = Open("Routes");
    EXPECT_EQ(Label(routes, "message"), "Your application doesn't have any routes.");
    EXPECT_EQ(ByName<QTableView>(routes, QStringLiteral("Routes table"))->model()->rowCount(), 0);
    TToolView& schedule = Open("Schedule");
    EXPECT_TRUE(Label(schedule, "message").contains("status 3")) << Label(schedule, "message").toStdString();
    EXPECT_TRUE(Label(schedule, "message").contains("Could not open input file"));
    TToolView& events = Open("Events");
    EXPECT_TRUE(Label(events, "message").contains("not valid JSON"));
}

TEST_F(ViewsPaneTest, ApplicationWarnsOfDebugModeInProduction) {
    UsePhpScript(R"(about) echo '{"environment":{"application_name":"Shop","environment":"production","debug_mode":true},"cache":{"config":true,"routes":true}}' ;;)");
    TToolView& about = Open("Application");
    EXPECT_EQ(Label(about, "message"), "Warning: Debug mode is on in the production environment.");
    auto* table = ByName<QTableView>(about, QStringLiteral("Application table"));
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(Column(*table, 2), (QStringList{"Shop", "production", "true", "true", "true"}));
}

TEST_F(ViewsPaneTest, RunPendingRunsInTheConsoleAndReadsTheStatusAgain) {
    UsePhpScript("migrate:status) if [ -f '" + Path(QStringLiteral("migrated")).toUtf8() + "' ]; then\n"
                 "  echo '| Yes | 2014_10_12_000000_create_users_table | 1 |'; else\n"
                 "  echo '| No  | 2014_10_12_000000_create_users_table |   |'; fi ;;\n"
                 "migrate) echo Migrating; touch '" + Path(QStringLiteral("migrated")).toUtf8() + "' ;;");
    TToolView& migrations = Open("Migrations");
    auto* table = ByName<QTableView>(migrations, QStringLiteral("Migrations table"));
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(Column(*table, 2), (QStringList{"Pending"}));
    QSignalSpy refreshed(&migrations, &TToolView::refreshed);
    ByName<QPushButton>(migrations, QStringLiteral("Run pending migrations"))->click();
    EXPECT_TRUE(TurnUntil([&] { return refreshed.count() > 0; }, 20000));
    EXPECT_TRUE(ConsoleText().contains(QStringLiteral("Migrating")));
    EXPECT_EQ(Column(*table, 1), (QStringList{"1"}));
    EXPECT_EQ(Column(*table, 2), (QStringList{"Ran"}));
}

TEST_F(ViewsPaneTest, AHundredThousandRoutesAreReadWhileTheWindowKeepsTurning) {
    QByteArray json = "[";
    for (int i = 0; i < 100000; ++i)
        json += (i ? "," : "") + QByteArray(R"({"method":"GET|HEAD","uri":"r)") + QByteArray::number(i) +
                R"(","name":"route.)" + QByteArray::number(i) + R"(","action":"Closure","middleware":["web"]})";
    json += "]";
    WriteFile(Path(QStringLiteral("routes.json")), json);
    UsePhpScript("route:list) cat '" + Path(QStringLiteral("routes.json")).toUtf8() + "' ;;");
    // The reading and its parse happen off the window's thread: the loop turns meanwhile.
    int turns = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&turns] { ++turns; });
    ticker.start(10);
    TToolView& routes = Open("Routes");
    EXPECT_GT(turns, 0);
    auto* table = ByName<QTableView>(routes, QStringLiteral("Routes table"));
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->model()->rowCount(), 100000);
    ByName<QLineEdit>(routes, QStringLiteral("Filter routes"))->setText(QStringLiteral("route.99999"));
    EXPECT_EQ(Column(*table, 2), (QStringList{"route.99999"}));
}

}  // namespace
