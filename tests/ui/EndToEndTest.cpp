#include "WindowFixture.h"

#include <QComboBox>
#include <QDirIterator>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTabWidget>
#include <QtTest/QTest>

#include <optional>
#include <utility>
#include <vector>

namespace {

// Copies a folder tree, hidden files included.
bool CopyTree(const QString& from, const QString& to) {
    QDirIterator it(from, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + u'/' + QDir(from).relativeFilePath(source);
        if (!QDir().mkpath(QFileInfo(target).path())) return false;
        if (!QFile::copy(source, target)) return false;
    }
    return true;
}

// The real window, driving the real php and composer on a copy of a small Laravel
// project that uses the system's framework library. Nothing here needs the network.
class EndToEnd : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        for (const char* tool : {"php", "composer"})
            ASSERT_FALSE(QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                << tool << " is missing: scripts/install-deps installs it";

        // Composer stays offline, keeps its files in the test's folder and never asks.
        SetEnv("COMPOSER_HOME", Path(QStringLiteral("composer-home")).toUtf8());
        SetEnv("COMPOSER_DISABLE_NETWORK", "1");
        SetEnv("COMPOSER_NO_INTERACTION", "1");
        SetEnv("COMPOSER_ALLOW_SUPERUSER", "1");

        Project = MakeRoot({QStringLiteral("shop")}, Path(QStringLiteral("www/shop"))) +
                  QStringLiteral("/shop");
        ASSERT_TRUE(CopyTree(QStringLiteral(TARNWICK_FIXTURES_DIR "/laravel"), Project));
        OpenWindow();
        Window->show();
        ASSERT_EQ(Find<QComboBox>("cmbProjects")->currentText(), Project);
    }

    void TearDown() override {
        WindowTest::TearDown();
        for (auto it = SavedEnv.rbegin(); it != SavedEnv.rend(); ++it) {
            if (it->second) qputenv(it->first, *it->second);
            else qunsetenv(it->first);
        }
    }

    void SetEnv(const char* name, const QByteArray& value) {
        SavedEnv.emplace_back(name, qEnvironmentVariableIsSet(name)
                                        ? std::optional<QByteArray>(qgetenv(name))
                                        : std::nullopt);
        qputenv(name, value);
    }

    // Brings the button's page to the front and clicks it.
    void Click(const char* name) {
        auto* button = Find<TSpeedButton>(name);
        ASSERT_NE(button, nullptr);
        Find<QTabWidget>("pgMain")->setCurrentWidget(button->parentWidget());
        QTest::mouseClick(button, Qt::LeftButton);
    }

    // The console text after the line "Command: <commandLine>"; fails when there is none.
    QString OutputAfter(const QString& commandLine) const {
        const QString console = ConsoleText();
        const QString heading = QStringLiteral("Command: ") + commandLine + u'\n';
        const qsizetype at = console.indexOf(heading);
        EXPECT_GE(at, 0) << "no line \"Command: " << commandLine.toStdString()
                         << "\" in the console:\n" << console.toStdString();
        return at < 0 ? QString() : console.mid(at + heading.size());
    }

    // The project's files whose paths (relative to the project) match the pattern.
    QStringList ProjectFiles(const QString& folder, const QString& pattern) const {
        QStringList found;
        const QRegularExpression match(QRegularExpression::anchoredPattern(pattern));
        QDirIterator it(Project + u'/' + folder, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString relative = QDir(Project).relativeFilePath(it.next());
            if (match.match(relative).hasMatch()) found.append(relative);
        }
        return found;
    }

    QString ProjectFile(const QString& relative) const {
        return QString::fromUtf8(ReadFile(Project + u'/' + relative));
    }

    // The tables of the project's sqlite database, read by php itself.
    QStringList SqliteTables() const {
        QProcess php;
        php.setWorkingDirectory(Project);
        php.start(QStringLiteral("php"),
                  {QStringLiteral("-r"),
                   QStringLiteral("$db = new PDO('sqlite:database/database.sqlite');"
                                  "foreach ($db->query(\"SELECT name FROM sqlite_master "
                                  "WHERE type = 'table' ORDER BY name\") as $row)"
                                  " echo $row[0], PHP_EOL;")});
        EXPECT_TRUE(php.waitForFinished(30000));
        EXPECT_EQ(php.exitCode(), 0) << php.readAllStandardError().toStdString();
        return QString::fromUtf8(php.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    }

    QString Project;
    std::vector<std::pair<const char*, std::optional<QByteArray>>> SavedEnv;
};

TEST_F(EndToEnd, GeneralListPrintsArtisansCommandsAfterTheCommandLine) {
    Click("btnList");
    EXPECT_TRUE(Desktop.Errors.empty());
    const QString output = OutputAfter(QStringLiteral("php artisan list"));
    EXPECT_TRUE(output.startsWith(QStringLiteral("Laravel Framework 8."))) << output.toStdString();
    for (const char* command : {"Available commands:", "inspire", "make:migration", "migrate",
                                "route:list"})
        EXPECT_TRUE(output.contains(QLatin1String(command))) << command;
}

TEST_F(EndToEnd, MigrationWithItsNameThenMigrateCreatesTheTable) {
    Desktop.InputAnswers = {QStringLiteral("CreateUsersTable")};
    Click("btnMake_Migration");
    const QStringList created =
        ProjectFiles(QStringLiteral("database/migrations"),
                     QStringLiteral("database/migrations/\\d{4}_\\d\\d_\\d\\d_\\d{6}_create_users_table\\.php"));
    ASSERT_EQ(created.size(), 1) << ConsoleText().toStdString();
    EXPECT_TRUE(ProjectFile(created[0]).contains(QStringLiteral("Schema::create('users'")));
    EXPECT_TRUE(OutputAfter(QStringLiteral("php artisan make:migration CreateUsersTable "))
                    .startsWith(QStringLiteral("Created Migration: ")));

    EXPECT_EQ(SqliteTables(), QStringList());
    Click("btnMigrate");
    const QString output = OutputAfter(QStringLiteral("php artisan migrate"));
    EXPECT_TRUE(output.contains(QStringLiteral("Migrated:  2020_01_01_000000_create_notes_table")))
        << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("_create_users_table"))) << output.toStdString();
    const QStringList tables = SqliteTables();
    for (const char* table : {"migrations", "notes", "users"})
        EXPECT_TRUE(tables.contains(QLatin1String(table))) << table;
    EXPECT_TRUE(Desktop.Errors.empty());
}

TEST_F(EndToEnd, ModelCrmCreatesModelResourceControllerAndMigration) {
    Desktop.InputAnswers = {QStringLiteral("Post")};
    Click("bt2Make_Model");
    const QString output = OutputAfter(QStringLiteral("php artisan make:model Post  -crm"));
    EXPECT_TRUE(output.startsWith(QStringLiteral("Model created successfully.")))
        << output.toStdString();

    EXPECT_TRUE(ProjectFile(QStringLiteral("app/Models/Post.php"))
                    .contains(QStringLiteral("class Post extends Model")));
    const QString controller = ProjectFile(QStringLiteral("app/Http/Controllers/PostController.php"));
    EXPECT_TRUE(controller.contains(QStringLiteral("class PostController extends Controller")))
        << controller.toStdString();
    for (const char* action : {"index()", "store(Request $request)", "show(Post $post)",
                               "update(Request $request, Post $post)", "destroy(Post $post)"})
        EXPECT_TRUE(controller.contains(QStringLiteral("public function ") + QLatin1String(action)))
            << action;
    EXPECT_EQ(ProjectFiles(QStringLiteral("database/migrations"),
                           QStringLiteral(".*_create_posts_table\\.php"))
                  .size(),
              1);
}

TEST_F(EndToEnd, RouteListShowsTheProjectsRoutes) {
    Click("btnRoute_List");
    const QString output = OutputAfter(QStringLiteral("php artisan route:list"));
    const QStringList lines = output.split(u'\n');
    const auto row = [&](const QString& uri, const QString& name) {
        for (const QString& line : lines)
            if (line.contains(QStringLiteral("GET|HEAD")) && line.contains(uri) &&
                line.contains(name))
                return true;
        return false;
    };
    EXPECT_TRUE(row(QStringLiteral("greeting/{name}"), QStringLiteral("greeting")))
        << output.toStdString();
    EXPECT_TRUE(row(QStringLiteral(" / "), QStringLiteral("home"))) << output.toStdString();
}

TEST_F(EndToEnd, TypedCommandRunsOnEnter) {
    auto* command = Find<QLineEdit>("edtCommand");
    command->setText(QStringLiteral("php artisan inspire"));
    QTest::keyClick(command, Qt::Key_Return);
    EXPECT_TRUE(Desktop.Errors.empty());
    // A quote and its author, on the line after the command.
    const QString quote = OutputAfter(QStringLiteral("php artisan inspire")).section(u'\n', 0, 0);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\S.* - \\S.*$")).match(quote).hasMatch())
        << quote.toStdString();
}

TEST_F(EndToEnd, ComposerPageValidatesAndDumpsTheAutoloader) {
    Click("btnValidate");
    EXPECT_TRUE(OutputAfter(QStringLiteral("composer validate"))
                    .startsWith(QStringLiteral("./composer.json is valid")))
        << ConsoleText().toStdString();

    Click("btnDumpAutoload");
    EXPECT_TRUE(OutputAfter(QStringLiteral("composer dumpautoload"))
                    .contains(QStringLiteral("Generated autoload files")))
        << ConsoleText().toStdString();
    EXPECT_TRUE(ProjectFile(QStringLiteral("vendor/composer/autoload_psr4.php"))
                    .contains(QStringLiteral("'App\\\\' => array($baseDir . '/app')")));
    EXPECT_TRUE(Desktop.Errors.empty());
}

}  // namespace
