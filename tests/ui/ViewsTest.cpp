#include "WindowFixture.h"
#include "app/EditorLaunch.h"
#include "app/ResultTable.h"
#include "app/ViewsPane.h"

#include <QAction>
#include <QComboBox>
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
#include <QUrl>
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

TEST(EditorLaunch, TheCommandIsSplitAndFilledWordByWord) {
    struct TCase {
        const char* Command;
        std::optional<TEditorLaunch> Launch;
    };
    const QString file = QStringLiteral("/w/my app/routes/web.php");
    const TCase cases[] = {
        {"code --goto {file}:{line}", TEditorLaunch{"code", {"--goto", file + ":12"}}},
        {"  kate --line {line} {file} ", TEditorLaunch{"kate", {"--line", "12", file}}},
        {"\"/opt/my editor/bin/ed\" +{line}", TEditorLaunch{"/opt/my editor/bin/ed", {"+12", file}}},
        {"gedit", TEditorLaunch{"gedit", {file}}},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"\"/opt/editor {file}", std::nullopt},
    };
    for (const TCase& c : cases) EXPECT_EQ(EditorLaunch(QString::fromUtf8(c.Command), file, 12), c.Launch) << c.Command;
    // A file name holding a placeholder keeps it; a missing line is the first.
    EXPECT_EQ(EditorLaunch(QStringLiteral("ed {file}:{line}"), QStringLiteral("/a/{line}.php"), 0),
              (TEditorLaunch{"ed", {"/a/{line}.php:1"}}));
    EXPECT_EQ(FileAndLine(QStringLiteral("/w/routes/web.php:14")), (std::pair<QString, int>{"/w/routes/web.php", 14}));
    EXPECT_EQ(FileAndLine(QStringLiteral("C:/w/web.php")), (std::pair<QString, int>{"C:/w/web.php", 0}));
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

TEST_F(ViewsPaneTest, DatabaseListsTablesAndTheChosenTablesSchemaCountingRowsWhenAsked) {
    UsePhpScript(
        "db:show) if [ \"$4\" = --counts ]; then n1=2; n2=10; else n1=null; n2=null; fi\n"
        "  echo '{\"platform\":{\"name\":\"SQLite\"},\"tables\":[{\"table\":\"notes\",\"size\":16384,\"rows\":'$n1'},"
        "{\"table\":\"users\",\"size\":4096,\"rows\":'$n2'}]}' ;;\n"
        "db:table) echo '{\"table\":{\"name\":\"'$3'\"},\"columns\":{\"id\":{\"column\":\"id\",\"attributes\":"
        "{\"0\":\"autoincrement\",\"type\":\"integer\"},\"default\":null,\"type\":\"integer\"}},"
        "\"indexes\":[{\"name\":\"primary\",\"columns\":[\"id\"],\"attributes\":[\"primary\"]}],"
        "\"foreign_keys\":[{\"name\":\"fk\",\"local_columns\":[\"id\"],\"foreign_table\":\"'$3'_owner\","
        "\"foreign_columns\":[\"id\"]}]}' ;;");
    TToolView& database = Open("Database");
    auto* tables = ByName<QTableView>(database, QStringLiteral("Database table"));
    ASSERT_NE(tables, nullptr);
    EXPECT_EQ(Column(*tables, 0), (QStringList{"notes", "users"}));
    EXPECT_EQ(Column(*tables, 2), (QStringList{"", ""}));
    EXPECT_TRUE(Label(database, "message").contains("SQLite"));
    // Sizes sort as numbers.
    tables->sortByColumn(1, Qt::AscendingOrder);
    EXPECT_EQ(Column(*tables, 0), (QStringList{"users", "notes"}));

    // The table the cursor rests on is described below the list.
    TToolView& schema = Window->ViewsPane().Schema();
    EXPECT_TRUE(TurnUntil([&] { return Label(schema, "message").contains("Choose a table"); }));
    tables->setCurrentIndex(tables->model()->index(1, 0));
    EXPECT_TRUE(TurnUntil(
        [&] { return Label(schema, "command").endsWith("artisan db:table notes --json") && !schema.IsReading(); },
        20000))
        << Label(schema, "command").toStdString();
    auto* columns = ByName<QTableView>(schema, QStringLiteral("Schema table"));
    ASSERT_NE(columns, nullptr);
    EXPECT_EQ(Column(*columns, 0), (QStringList{"Column", "Index", "Foreign key"}));
    EXPECT_EQ(Column(*columns, 3), (QStringList{"autoincrement", "id", "id references notes_owner (id)"}));

    QSignalSpy counted(&database, &TToolView::refreshed);
    ByName<QPushButton>(database, QStringLiteral("Count rows"))->click();
    EXPECT_TRUE(TurnUntil([&] { return counted.count() > 0; }, 20000));
    EXPECT_EQ(Column(*tables, 2), (QStringList{"10", "2"}));  // still sorted by size
    EXPECT_TRUE(ReadFile(Record).contains("db:show --json --counts"));
}

TEST_F(ViewsPaneTest, ModelsAreFoundUnderAppModelsAndShowAttributesAndRelations) {
    QDir().mkpath(Project + QStringLiteral("/app/Models/Billing"));
    WriteFile(Project + QStringLiteral("/app/Models/Note.php"), "<?php\nnamespace App\\Models;\nclass Note extends Model {}\n");
    WriteFile(Project + QStringLiteral("/app/Models/Billing/Invoice.php"),
              "<?php\nnamespace App\\Models\\Billing;\nclass Invoice extends Model {}\n");
    UsePhpScript("model:show) case \"$3\" in\n"
                 "  App/Models/Note) printf '%s\\n' '{\"class\":\"App\\\\Models\\\\Note\",\"table\":\"notes\",\"attributes\":"
                 "[{\"name\":\"title\",\"type\":\"string\",\"nullable\":false,\"fillable\":true,\"hidden\":false,"
                 "\"cast\":null}],\"relations\":[{\"name\":\"owner\",\"type\":\"BelongsTo\",\"related\":\"User\"}]}' ;;\n"
                 "  *) echo \"Class $3 not found.\"; exit 1 ;;\n"
                 "  esac ;;");
    TToolView& models = Open("Models");
    auto* classes = ByName<QComboBox>(models, QStringLiteral("Model class"));
    ASSERT_NE(classes, nullptr);
    ASSERT_EQ(classes->count(), 2);
    EXPECT_EQ(classes->itemText(0), "App\\Models\\Billing\\Invoice");
    // The first model failed: its output and status are said.
    EXPECT_TRUE(Label(models, "message").contains("status 1")) << Label(models, "message").toStdString();
    EXPECT_TRUE(Label(models, "message").contains("Class App/Models/Billing/Invoice not found."));

    QSignalSpy refreshed(&models, &TToolView::refreshed);
    classes->setCurrentIndex(1);
    emit classes->activated(1);
    EXPECT_TRUE(TurnUntil([&] { return refreshed.count() > 0; }, 20000));
    EXPECT_EQ(classes->currentText(), "App\\Models\\Note");
    auto* attributes = ByName<QTableView>(models, QStringLiteral("Models table"));
    ASSERT_NE(attributes, nullptr);
    EXPECT_EQ(Column(*attributes, 0), (QStringList{"title"}));
    EXPECT_EQ(Column(*attributes, 3), (QStringList{"yes"}));
    ASSERT_NE(models.SecondTable(), nullptr);
    auto* relations = ByName<QTableView>(models, QStringLiteral("Relations table"));
    ASSERT_NE(relations, nullptr);
    EXPECT_EQ(Column(*relations, 1), (QStringList{"BelongsTo"}));
    EXPECT_EQ(Label(models, "message"), "App\\Models\\Note, table notes");
}

TEST_F(ViewsPaneTest, WithoutTheCommandsTheDatabaseAndModelViewsSaySo) {
    QDir().mkpath(Project + QStringLiteral("/app/Models"));
    WriteFile(Project + QStringLiteral("/app/Models/User.php"), "<?php\nnamespace App\\Models;\nclass User {}\n");
    UsePhpScript("db:show|model:show) printf '\\n  Command \"%s\" is not defined.\\n' \"$2\"; exit 1 ;;");
    EXPECT_EQ(Label(Open("Database"), "message"), "\"php artisan db:show --json\" is not available in this Laravel version.");
    EXPECT_EQ(Label(Open("Models"), "message"),
              "\"php artisan model:show App/Models/User --json\" is not available in this Laravel version.");
}

TEST_F(ViewsPaneTest, ARouteIsCopiedWithoutAServerAndAClosuresPathOpensInTheEditor) {
    UsePhpScript(R"(route:list) echo '[{"method":"GET|HEAD","uri":"greeting\/{name}","name":"greeting","action":"Closure","middleware":[],"path":"routes\/web.php:14"}]' ;;)");
    TToolView& routes = Open("Routes");
    auto* table = ByName<QTableView>(routes, QStringLiteral("Routes table"));
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(Column(*table, 5), (QStringList{"routes/web.php:14"}));
    // No development server runs for the project: Enter on the route copies its URI.
    QApplication::clipboard()->clear();
    table->setCurrentIndex(table->model()->index(0, 2));
    QTest::keyClick(table, Qt::Key_Return);
    EXPECT_EQ(QApplication::clipboard()->text(), "greeting/{name}");
    EXPECT_TRUE(Desktop.OpenedUrls.isEmpty());
    // On the path, the project's file opens with the desktop's opener (no editor command).
    table->setCurrentIndex(table->model()->index(0, 5));
    QTest::keyClick(table, Qt::Key_Return);
    EXPECT_EQ(Desktop.OpenedUrls, (QStringList{QUrl::fromLocalFile(Project + "/routes/web.php").toString()}));
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
