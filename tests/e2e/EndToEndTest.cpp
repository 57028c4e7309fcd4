#include "../ui/WindowFixture.h"
#include "app/CatalogueStore.h"
#include "app/ConsoleEdit.h"
#include "app/frmPaletteUnit.h"
#include "app/ViewsPane.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QUrl>
#include <QTreeWidget>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QSignalSpy>
#include <QDirIterator>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QTextBlock>
#include <QToolButton>
#include <QtTest/QTest>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include <QPushButton>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The real window, driving the real php and composer in a small Laravel application
// that a script writes for each test. The application uses the system's framework
// package; nothing here needs the network.
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
        ASSERT_NO_FATAL_FAILURE(MakeApp(Project));

        OpenWindow();
        Window->show();
        ASSERT_EQ(Find<QComboBox>("cmbProjects")->currentText(), Project);
        if (OnTerminal()) UseTerminal();
    }

    // Whether the suite's runs get a terminal (TARNWICK_E2E_TERMINAL=1, set by the build
    // for the second run of each framework) rather than pipes.
    static bool OnTerminal() { return qEnvironmentVariable("TARNWICK_E2E_TERMINAL") == QStringLiteral("1"); }

    // The framework's include folder the suite runs against (TARNWICK_E2E_FRAMEWORK, set
    // by the build for the Laravel 10 run); empty for the system's Laravel 8.
    static QString Framework() { return qEnvironmentVariable("TARNWICK_E2E_FRAMEWORK"); }
    static bool Laravel10() { return !Framework().isEmpty(); }
    // What a tool prints under Laravel 8 or Laravel 10, which words most messages anew.
    static QString Says(const char* laravel8, const char* laravel10) {
        return QString::fromUtf8(Laravel10() ? laravel10 : laravel8);
    }

    // Writes a fresh Laravel application into the folder.
    static void MakeApp(const QString& folder) {
        QStringList arguments{QStringLiteral(TARNWICK_E2E_DIR "/make-laravel-app.sh")};
        if (!Framework().isEmpty()) {
            ASSERT_TRUE(QFileInfo(Framework() + QStringLiteral("/Illuminate/autoload.php")).isFile())
                << Framework().toStdString() << " holds no framework: scripts/fetch-laravel10 fetches it";
            arguments << QStringLiteral("--framework") << Framework();
        }
        arguments << folder;
        QProcess script;
        script.setProcessChannelMode(QProcess::MergedChannels);
        script.start(QStringLiteral("bash"), arguments);
        ASSERT_TRUE(script.waitForFinished(30000));
        ASSERT_EQ(script.exitCode(), 0) << script.readAll().toStdString();
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

    // Brings the button's page to the front, clicks it and waits for its run to end.
    void Click(const char* name) {
        auto* button = Find<TSpeedButton>(name);
        ASSERT_NE(button, nullptr);
        Find<QTabWidget>("pgMain")->setCurrentWidget(button->parentWidget());
        QTest::mouseClick(button, Qt::LeftButton);
        ASSERT_TRUE(WaitForRun(240000)) << name;
    }

    // Types a command line into the command box, presses Enter and waits for the run to end.
    void Type(const QString& commandLine) {
        auto* command = Find<QLineEdit>("edtCommand");
        command->setText(commandLine);
        QTest::keyClick(command, Qt::Key_Return);
        ASSERT_TRUE(WaitForRun(240000)) << commandLine.toStdString();
    }


    // A TCP port on the loopback that nothing listens on now.
    static int FreePort() {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        int port = 0;
        if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
            port = ntohs(address.sin_port);
        close(fd);
        return port;
    }

    // The start of the answer to GET / on the port, or nothing when nobody answers.
    static QByteArray HttpGet(int port) {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(port));
        QByteArray answer;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            const timeval limit{5, 0};
            setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
            const char request[] = "GET / HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
            if (send(fd, request, sizeof request - 1, MSG_NOSIGNAL) > 0) {
                char buffer[512];
                const ssize_t count = recv(fd, buffer, sizeof buffer, 0);
                if (count > 0) answer = QByteArray(buffer, count);
            }
        }
        close(fd);
        return answer;
    }

    // The php processes whose current folder lies in the folder.
    static QStringList PhpProcessesIn(const QString& folder) {
        QStringList found;
        const QStringList pids = QDir(QStringLiteral("/proc")).entryList({QStringLiteral("[0-9]*")}, QDir::Dirs);
        for (const QString& pid : pids) {
            const QString cwd = QFileInfo(QStringLiteral("/proc/%1/cwd").arg(pid)).symLinkTarget();
            QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
            if (!comm.open(QIODevice::ReadOnly)) continue;
            const QByteArray name = comm.readAll().trimmed();
            if (name.startsWith("php") && (cwd == folder || cwd.startsWith(folder + u'/')))
                found.append(pid + u':' + QString::fromLatin1(name));
        }
        return found;
    }

    // The console text after the last line "Command: <commandLine>", without the run's
    // end line; fails when there is none.
    QString OutputAfter(const QString& commandLine) const {
        QString console = ConsoleWithEndLinesMarked();
        if (console.endsWith(QStringLiteral("<end>\n"))) console.chop(6);
        const QString heading = QStringLiteral("Command: ") + commandLine + u'\n';
        const qsizetype at = console.lastIndexOf(heading);
        EXPECT_GE(at, 0) << "no line \"Command: " << commandLine.toStdString()
                         << "\" in the console:\n" << console.toStdString();
        return at < 0 ? QString() : console.mid(at + heading.size());
    }

    // What the command line prints, stdout and stderr together, when run without the
    // program in the project folder.
    QString RunDirectly(const QString& commandLine) const {
        QProcess shell;
        shell.setProcessChannelMode(QProcess::MergedChannels);
        shell.setWorkingDirectory(Project);
        // Output laid out to the terminal's width is laid out to the same width here.
        if (OnTerminal()) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("COLUMNS"), QString::number(Window->ConsoleTerminalSize().Columns));
            shell.setProcessEnvironment(environment);
        }
        shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), commandLine});
        EXPECT_TRUE(shell.waitForFinished(60000)) << commandLine.toStdString();
        return QString::fromUtf8(shell.readAll());
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

    bool ProjectHas(const QString& relative) const {
        return QFileInfo::exists(Project + u'/' + relative);
    }

    // The result of a query on the project's sqlite database, one row per line, read by php.
    QStringList Sqlite(const QString& query) const {
        QProcess php;
        php.setWorkingDirectory(Project);
        php.start(QStringLiteral("php"),
                  {QStringLiteral("-r"),
                   QStringLiteral("$db = new PDO('sqlite:database/database.sqlite');"
                                  "foreach ($db->query($argv[1]) as $row) echo $row[0], PHP_EOL;"),
                   query});
        EXPECT_TRUE(php.waitForFinished(30000));
        EXPECT_EQ(php.exitCode(), 0) << php.readAllStandardError().toStdString();
        return QString::fromUtf8(php.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    }

    QStringList SqliteTables() const {
        return Sqlite(QStringLiteral(
            "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' ORDER BY name"));
    }

    // Opens the palette from the Commands menu and waits until the project's commands are read.
    TfrmPalette& OpenPalette() {
        QSignalSpy loaded(&Window->CatalogueStore(), &TCatalogueStore::loaded);
        Find<QAction>("menRunAnyCommand")->trigger();
        TfrmPalette& palette = Window->Palette();
        EXPECT_TRUE(palette.isVisible());
        if (!Window->CatalogueStore().Cached(Project)) {
            EXPECT_TRUE(loaded.wait(60000));
        }
        return palette;
    }

    // Types into the palette's search box and returns the command the form shows.
    static QString Choose(TfrmPalette& palette, const QString& search) {
        auto* box = palette.findChild<QLineEdit*>(QStringLiteral("edtSearch"));
        box->clear();
        QTest::keyClicks(box, search);
        return palette.findChild<QLabel*>(QStringLiteral("lblCommand"))->text();
    }

    template <typename T>
    static T* Field(const TfrmPalette& palette, const QString& name) {
        for (T* widget : palette.findChild<QWidget*>(QStringLiteral("panFields"))->findChildren<T*>())
            if (widget->accessibleName() == name) return widget;
        ADD_FAILURE() << "no field " << name.toStdString();
        return nullptr;
    }

    // Presses the palette's Run and waits for the run to end.
    void Run(TfrmPalette& palette) {
        auto* run = palette.findChild<QPushButton*>(QStringLiteral("btnRunCommand"));
        EXPECT_TRUE(run->isEnabled());
        QTest::mouseClick(run, Qt::LeftButton);
        EXPECT_TRUE(WaitForRun());
    }

    // Runs from now on get a terminal (View > Terminal) the size of a roomy console.
    void UseTerminal() {
        Find<QAction>("menTerminal")->setChecked(true);
        Window->resize(1200, 900);
        // Room for a prompt's box: a terminal lower than the box scrolls at each redraw.
        auto* splitter = Find<QSplitter>("Splitter1");
        splitter->setSizes({200, 600});
        QTest::qWait(50);  // the console has its size before a run takes it
    }

    QString Project;
    std::vector<std::pair<const char*, std::optional<QByteArray>>> SavedEnv;
};

// The console shows exactly what the tool prints, for commands whose output does not
// change between runs.
TEST_F(EndToEnd, PresetButtonsShowWhatTheToolsPrint) {
    const struct {
        const char* button;
        const char* commandLine;
    } cases[] = {
        {"btnList", "php artisan list"},
        {"btnEnv", "php artisan env"},
        {"btnRoute_List", "php artisan route:list"},
        {"btnMake_Auth", "php artisan make:auth"},
        {"btnValidate", "composer validate"},
        {"btnShow", "composer show"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        const QString commandLine = QString::fromLatin1(c.commandLine);
        const QString expected = RunDirectly(commandLine);
        ASSERT_FALSE(expected.trimmed().isEmpty());
        Click(c.button);
        EXPECT_EQ(OutputAfter(commandLine), expected + u'\n');
    }
    EXPECT_TRUE(Desktop.Errors.empty());

    const QString console = ConsoleText();
    EXPECT_TRUE(OutputAfter(QStringLiteral("php artisan list"))
                    .startsWith(Says("Laravel Framework 8.", "Laravel Framework 10.")));
    EXPECT_TRUE(console.contains(
        Says("Current application environment: local", "The application environment is [local].")));
    // Laravel has no make:auth: the tool's own message is shown, not an error box.
    EXPECT_TRUE(console.contains(QStringLiteral("Command \"make:auth\" is not defined.")));
    EXPECT_TRUE(console.contains(QStringLiteral("./composer.json is valid")));
    EXPECT_TRUE(console.contains(QStringLiteral("No dependencies installed.")));
}

// Every artisan button but Serve (which never ends) and Make Auth, in an order where each
// finds what it needs, with its argument answered where it asks for one. The generators
// that ask nothing run bare, and the tool's own reply shows.
TEST_F(EndToEnd, EveryArtisanButtonRunsInTheProject) {
    const struct {
        const char* button;
        const char* answer;  // nullptr: the button asks nothing
        const char* printed;  // under Laravel 8
        const char* creates;  // a file the command makes, or nullptr
        const char* printed10 = nullptr;  // under Laravel 10 where it differs
    } cases[] = {
        {"btnInspire", nullptr, " - ", nullptr, " — "},
        {"btnMigrate_Install", nullptr, "Migration table created successfully.", nullptr},
        {"btnCache_Table", nullptr, "Migration created successfully!", nullptr, "Migration created successfully."},
        {"btnMigrate", nullptr, "Migrated:  2020_01_01_000001_create_password_resets_table", nullptr, "2020_01_01_000001_create_password_resets_table ..."},
        {"btnMigrate_Status", nullptr, "| Yes  | 2020_01_01_000000_create_notes_table", nullptr, "2020_01_01_000000_create_notes_table ...."},
        {"btnDB_Seed", nullptr, "Database seeding completed successfully.", nullptr, "Seeding database."},
        {"btnAuth_Clear__Resets", nullptr, "Expired reset tokens cleared!", nullptr, "Expired reset tokens cleared successfully."},
        {"btnMigrate_Rollback", nullptr, "Rolled back:  2020_01_01_000000_create_notes_table", nullptr, "Rolling back migrations."},
        {"btnMigrate_Refresh", nullptr, "Migrated:  2020_01_01_000000_create_notes_table", nullptr, "Running migrations."},
        {"btnMigrate_Reset", nullptr, "Rolled back:  2020_01_01_000000_create_notes_table", nullptr, "Rolling back migrations."},
        {"btnCache_Forget", "greeting", "The [greeting] key has been removed from the cache.", nullptr},
        {"btnCache_Clear", nullptr, "Application cache cleared!", nullptr, "Application cache cleared successfully."},
        {"btnConfig_Cache", nullptr, "Configuration cached successfully!", "bootstrap/cache/config.php", "Configuration cached successfully."},
        {"btnConfig_Clear", nullptr, "Configuration cache cleared!", nullptr, "Configuration cache cleared successfully."},
        {"btnRoute_Cache", nullptr, "Routes cached successfully!", "bootstrap/cache/routes-v7.php", "Routes cached successfully."},
        {"btnRoute_Clear", nullptr, "Route cache cleared!", nullptr, "Route cache cleared successfully."},
        {"btnOptimize", nullptr, "Files cached successfully!", nullptr, "Caching the framework bootstrap files."},
        {"btnClear__Compile", nullptr, "Compiled services and packages files removed!", nullptr, "Compiled services and packages files removed successfully."},
        {"btnView_Clear", nullptr, "Compiled views cleared!", nullptr, "Compiled views cleared successfully."},
        {"btnMake_Command", nullptr, "Not enough arguments (missing: \"name\").", nullptr, "The name is required."},
        {"btnMake_Controller", "NoteController", "Controller created successfully.", "app/Http/Controllers/NoteController.php", "Controller [app/Http/Controllers/NoteController.php] created successfully."},
        {"btnMake_Event", nullptr, "Not enough arguments (missing: \"name\").", nullptr, "The name is required."},
        {"btnMake_Job", nullptr, "Not enough arguments (missing: \"name\").", nullptr, "The name is required."},
        {"btnMake_Listener", nullptr, "Not enough arguments (missing: \"name\").", nullptr, "The name is required."},
        {"btnMake_Mail", nullptr, "Not enough arguments (missing: \"name\").", nullptr, "The name is required."},
        {"btnMake_Middleware", "CheckNote", "Middleware created successfully.", "app/Http/Middleware/CheckNote.php", "Middleware [app/Http/Middleware/CheckNote.php] created successfully."},
        // The fixture has a Note model of its own.
        {"btnMake_Model", "Memo", "Model created successfully.", "app/Models/Memo.php", "Model [app/Models/Memo.php] created successfully."},
        {"btnMake_Notification", nullptr, "Not enough arguments (missing: \"name\").", nullptr, "The name is required."},
        {"btnMake_Policy", nullptr, "Not enough arguments (missing: \"name\").", nullptr, "The name is required."},
        {"btnMake_Provider", nullptr, "Not enough arguments (missing: \"name\").", nullptr, "The name is required."},
        {"btnMake_Request", "StoreNote", "Request created successfully.", "app/Http/Requests/StoreNote.php", "Request [app/Http/Requests/StoreNote.php] created successfully."},
        {"btnMake_Seed", "NoteSeeder", "Seeder created successfully.", "database/seeders/NoteSeeder.php", "Seeder [database/seeders/NoteSeeder.php] created successfully."},
        {"btnMake_Test", nullptr, "Not enough arguments (missing: \"name\").", nullptr, "The name is required."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        if (c.answer) Desktop.InputAnswers = {QString::fromLatin1(c.answer)};
        const qsizetype before = ConsoleText().size();
        // On a terminal, Laravel 10 asks for the missing name instead of refusing;
        // Ctrl+C in the console leaves the question.
        const bool asks = OnTerminal() && Laravel10() && !c.answer && !c.creates && c.printed10 &&
                          QLatin1String(c.printed10) == QLatin1String("The name is required.");
        if (asks) {
            auto* button = Find<TSpeedButton>(c.button);
            Find<QTabWidget>("pgMain")->setCurrentWidget(button->parentWidget());
            QTest::mouseClick(button, Qt::LeftButton);
            ASSERT_TRUE(TurnUntil([&] { return ConsoleText().mid(before).contains(QStringLiteral(" be named?")); }, 60000))
                << ConsoleText().mid(before).toStdString();
            Window->Console().setFocus();
            QTest::keyClick(&Window->Console(), Qt::Key_C, Qt::ControlModifier);
            ASSERT_TRUE(WaitForRun(60000)) << ConsoleText().mid(before).toStdString();
            continue;
        }
        Click(c.button);
        EXPECT_TRUE(Desktop.InputAnswers.empty()) << "the prompt was not shown";
        const QString output = ConsoleText().mid(before);
        const QString printed = QString::fromUtf8(Laravel10() && c.printed10 ? c.printed10 : c.printed);
        EXPECT_TRUE(output.contains(printed)) << output.toStdString();
        if (c.creates) {
            EXPECT_TRUE(ProjectHas(QLatin1String(c.creates))) << c.creates;
        }
    }
    EXPECT_TRUE(Desktop.Errors.empty());
}

TEST_F(EndToEnd, MigrationWithItsNameThenMigrateCreatesTheTableAndStatusReportsIt) {
    Desktop.InputAnswers = {QStringLiteral("CreateUsersTable")};
    Click("btnMake_Migration");
    const QStringList created =
        ProjectFiles(QStringLiteral("database/migrations"),
                     QStringLiteral("database/migrations/\\d{4}_\\d\\d_\\d\\d_\\d{6}_create_users_table\\.php"));
    ASSERT_EQ(created.size(), 1) << ConsoleText().toStdString();
    EXPECT_TRUE(ProjectFile(created[0]).contains(QStringLiteral("Schema::create('users'")));
    EXPECT_TRUE(OutputAfter(QStringLiteral("php artisan make:migration CreateUsersTable "))
                    .contains(Says("Created Migration: ", "INFO  Migration [database/migrations/")));

    EXPECT_EQ(SqliteTables(), QStringList());
    Click("btnMigrate");
    const QString output = OutputAfter(QStringLiteral("php artisan migrate"));
    EXPECT_TRUE(output.contains(Says("Migrated:  2020_01_01_000000_create_notes_table",
                                     "2020_01_01_000000_create_notes_table ....")))
        << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("_create_users_table"))) << output.toStdString();
    EXPECT_EQ(SqliteTables(), (QStringList{QStringLiteral("migrations"), QStringLiteral("notes"),
                                           QStringLiteral("password_resets"), QStringLiteral("users")}));

    Click("btnMigrate_Status");
    const QString status = OutputAfter(QStringLiteral("php artisan migrate:status"));
    const QString migration = QFileInfo(created[0]).completeBaseName();
    for (const QString& ran : {QStringLiteral("2020_01_01_000000_create_notes_table"), migration})
        EXPECT_TRUE(QRegularExpression(Laravel10() ? QRegularExpression::escape(ran) + QStringLiteral(" \\.+ \\[1\\] Ran")
                                                   : QStringLiteral("\\| Yes  \\| ") + QRegularExpression::escape(ran) +
                                                         QStringLiteral(" +\\| 1 "))
                        .match(status)
                        .hasMatch())
            << status.toStdString();
    EXPECT_TRUE(Desktop.Errors.empty());
}

TEST_F(EndToEnd, ModelCrmCreatesModelResourceControllerAndMigration) {
    Desktop.InputAnswers = {QStringLiteral("Post")};
    Click("bt2Make_Model");
    const QString output = OutputAfter(QStringLiteral("php artisan make:model Post  -crm"));
    EXPECT_TRUE(output.contains(Says("Model created successfully.", "Model [app/Models/Post.php] created successfully.")))
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
    const QStringList migrations = ProjectFiles(QStringLiteral("database/migrations"),
                                                QStringLiteral(".*_create_posts_table\\.php"));
    ASSERT_EQ(migrations.size(), 1);
    EXPECT_TRUE(ProjectFile(migrations[0]).contains(QStringLiteral("Schema::create('posts'")));
}

TEST_F(EndToEnd, KeyGenerateWritesANewKeyIntoDotEnv) {
    ASSERT_TRUE(ProjectFile(QStringLiteral(".env")).contains(QStringLiteral("\nAPP_KEY=\n")));
    Click("btnKey_Generate");
    EXPECT_EQ(OutputAfter(QStringLiteral("php artisan key:generate")),
              Says("Application key set successfully.\n\n", "\n   INFO  Application key set successfully.  \n\n\n"));
    const QString env = ProjectFile(QStringLiteral(".env"));
    const auto key = QRegularExpression(QStringLiteral("\nAPP_KEY=base64:([A-Za-z0-9+/]{43}=)\n")).match(env);
    ASSERT_TRUE(key.hasMatch()) << env.toStdString();
    EXPECT_EQ(QByteArray::fromBase64(key.captured(1).toLatin1()).size(), 32);
    EXPECT_TRUE(env.contains(QStringLiteral("APP_NAME=Fixture\n")));  // the rest is kept
}

TEST_F(EndToEnd, DownAndUpSwitchMaintenanceMode) {
    const QString marker = QStringLiteral("storage/framework/down");
    ASSERT_FALSE(ProjectHas(marker));
    Click("btnDown");
    EXPECT_TRUE(OutputAfter(QStringLiteral("php artisan down"))
                    .contains(QStringLiteral("Application is now in maintenance mode.")));
    EXPECT_TRUE(ProjectHas(marker));
    // The application itself answers requests with 503 now.
    const QString request = QStringLiteral(
        "php -r '$_SERVER[\"REQUEST_URI\"] = \"/\"; $_SERVER[\"REQUEST_METHOD\"] = \"GET\";"
        " require \"public/index.php\"; echo PHP_EOL, http_response_code();'");
    EXPECT_TRUE(RunDirectly(request).endsWith(QStringLiteral("\n503")));

    Click("btnUp");
    EXPECT_TRUE(OutputAfter(QStringLiteral("php artisan up"))
                    .contains(QStringLiteral("Application is now live.")));
    EXPECT_FALSE(ProjectHas(marker));
    EXPECT_EQ(RunDirectly(request), QStringLiteral("Welcome\n200"));
}

TEST_F(EndToEnd, RouteListShowsTheProjectsNamedRoutes) {
    Click("btnRoute_List");
    const QStringList lines = OutputAfter(QStringLiteral("php artisan route:list")).split(u'\n');
    // Laravel 8 draws a table; Laravel 10 a dotted line per route.
    const QString shape = Laravel10() ? QStringLiteral("^  %1\\s+%2 \\.+ %3$")
                                      : QStringLiteral("^\\|\\s*\\| %1\\s*\\| %2\\s*\\| %3\\s*\\| Closure");
    const auto row = [&](const char* method, const char* uri, const char* name) {
        const QRegularExpression pattern(QString(shape)
                                             .arg(QRegularExpression::escape(QLatin1String(method)),
                                                  QRegularExpression::escape(QLatin1String(uri)),
                                                  QRegularExpression::escape(QLatin1String(name))));
        return std::any_of(lines.begin(), lines.end(),
                           [&](const QString& line) { return pattern.match(line).hasMatch(); });
    };
    EXPECT_TRUE(row("GET|HEAD", "/", "home")) << ConsoleText().toStdString();
    EXPECT_TRUE(row("GET|HEAD", "greeting/{name}", "greeting")) << ConsoleText().toStdString();
    EXPECT_TRUE(row("POST", "notes", "notes.store")) << ConsoleText().toStdString();
}

TEST_F(EndToEnd, ComposerPageDumpsTheAutoloaderAndClearsItsCache) {
    Click("btnDumpAutoload");
    EXPECT_TRUE(OutputAfter(QStringLiteral("composer dumpautoload"))
                    .contains(QStringLiteral("Generated autoload files")))
        << ConsoleText().toStdString();
    EXPECT_TRUE(ProjectFile(QStringLiteral("vendor/composer/autoload_psr4.php"))
                    .contains(QStringLiteral("'App\\\\' => array($baseDir . '/app')")));
    // The application now loads its classes through Composer's autoloader and still runs.
    Click("btnEnv");
    EXPECT_TRUE(OutputAfter(QStringLiteral("php artisan env"))
                    .contains(Says("Current application environment: local", "The application environment is [local].")));

    Click("btnClear__Cache");
    EXPECT_TRUE(OutputAfter(QStringLiteral("composer clear-cache"))
                    .contains(QStringLiteral("All caches cleared.")))
        << ConsoleText().toStdString();
    Click("btnOutDated");
    EXPECT_TRUE(OutputAfter(QStringLiteral("composer outdated"))
                    .contains(QStringLiteral("No dependencies installed.")));
    EXPECT_TRUE(Desktop.Errors.empty());
}

// Composer's require without a package updates every package: Require's prompt,
// cancelled or left empty, must leave the lock file and vendor/ alone even where a newer
// version waits.
TEST_F(EndToEnd, RequireCancelledLeavesTheLockAndVendorAlone) {
    const QString package = Path(QStringLiteral("packages/tool"));
    ASSERT_TRUE(QDir().mkpath(package));
    const auto writePackage = [&](const char* version) {
        QFile file(package + QStringLiteral("/composer.json"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray(R"({"name": "fixture/tool", "version": ")") + version +
                   R"(", "autoload": {"psr-4": {"Tool\\": ""}}})");
    };
    writePackage("1.0.0");
    QJsonDocument manifest = QJsonDocument::fromJson(ProjectFile(QStringLiteral("composer.json")).toUtf8());
    QJsonObject root = manifest.object();
    root[QStringLiteral("repositories")] = QJsonArray{
        QJsonObject{{QStringLiteral("type"), QStringLiteral("path")},
                    {QStringLiteral("url"), package},
                    {QStringLiteral("options"), QJsonObject{{QStringLiteral("symlink"), false}}}},
        QJsonObject{{QStringLiteral("packagist.org"), false}}};
    QJsonObject require = root[QStringLiteral("require")].toObject();
    require[QStringLiteral("fixture/tool")] = QStringLiteral("^1.0");
    root[QStringLiteral("require")] = require;
    {
        QFile file(Project + QStringLiteral("/composer.json"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QJsonDocument(root).toJson());
    }
    QProcess install;
    install.setWorkingDirectory(Project);
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral("composer"), {QStringLiteral("update"), QStringLiteral("--no-interaction")});
    ASSERT_TRUE(install.waitForFinished(120000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAll().toStdString();
    const QString lock = ProjectFile(QStringLiteral("composer.lock"));
    const QString installed = ProjectFile(QStringLiteral("vendor/composer/installed.json"));
    ASSERT_TRUE(lock.contains(QStringLiteral("\"version\": \"1.0.0\"")));
    writePackage("1.1.0");

    for (const std::optional<QString>& answer : {std::optional<QString>(), std::optional<QString>(QString())}) {
        Desktop.InputAnswers = {answer};
        Click("btnRequire");
        EXPECT_EQ(ProjectFile(QStringLiteral("composer.lock")), lock);
        EXPECT_EQ(ProjectFile(QStringLiteral("vendor/composer/installed.json")), installed);
    }
    EXPECT_FALSE(ConsoleText().contains(QStringLiteral("composer require")));
}

TEST_F(EndToEnd, TypedCommandsRunThroughTheShell) {
    Type(QStringLiteral("php artisan inspire"));
    // A quote and its author, on the line after the command.
    const QString quote = OutputAfter(QStringLiteral("php artisan inspire"));
    EXPECT_TRUE(QRegularExpression(Laravel10() ? QStringLiteral("^\n  \u201c \\S.* \u201d\n  \u2014 \\S")
                                               : QStringLiteral("^\\S.* - \\S.*\n"))
                    .match(quote)
                    .hasMatch())
        << quote.toStdString();

    const QString pipe = QStringLiteral("php artisan route:list | grep -c %1").arg(Says("Closure", "-e GET -e POST"));
    Type(pipe);
    EXPECT_EQ(OutputAfter(pipe), QStringLiteral("4\n\n"));  // the fixture's closures, /fail among them

    const QString chain = QStringLiteral("php artisan down && php artisan env && php artisan up");
    Type(chain);
    EXPECT_EQ(OutputAfter(chain),
              Says("Application is now in maintenance mode.\n"
                   "Current application environment: local\n"
                   "Application is now live.\n\n",
                   "\n   INFO  Application is now in maintenance mode.  \n\n"
                   "\n   INFO  The application environment is [local].  \n\n"
                   "\n   INFO  Application is now live.  \n\n\n"));

    // The second command runs only when the first one succeeds.
    const QString failing = QStringLiteral("php artisan make:auth && echo not reached");
    Type(failing);
    EXPECT_FALSE(OutputAfter(failing).contains(QStringLiteral("not reached")));
    EXPECT_TRUE(Desktop.Errors.empty());
}

TEST_F(EndToEnd, NonAsciiOutputShowsAsWritten) {
    // Long enough to cross many reads of the pipe, with characters of two, three and
    // four bytes at every alignment.
    const QString text = QStringLiteral("Grüße – 日本語 ✓ 🚀 ").repeated(40);
    const QString command =
        QStringLiteral("php -r 'echo str_repeat(\"Grüße – 日本語 ✓ 🚀 \", 40), PHP_EOL;'");
    Type(command);
    EXPECT_EQ(OutputAfter(command), text + QStringLiteral("\n\n"));

    // The same through artisan: a migration whose name holds the characters.
    Desktop.InputAnswers = {QStringLiteral("notes_ünïcode")};
    Click("btnMake_Migration");
    EXPECT_TRUE(OutputAfter(QStringLiteral("php artisan make:migration notes_ünïcode "))
                    .contains(Says("Created Migration: ", "_notes_ünïcode.php] created successfully.")))
        << ConsoleText().toStdString();
    EXPECT_EQ(ProjectFiles(QStringLiteral("database/migrations"), QStringLiteral(".*_notes_ünïcode\\.php")).size(), 1);
}

TEST_F(EndToEnd, CommandsRunInTheChosenProjectWhateverItsName) {
    const QString other = QFileInfo(Project).path() + QStringLiteral("/My Shop – ü's");
    ASSERT_NO_FATAL_FAILURE(MakeApp(other));
    QTest::mouseClick(Find<QToolButton>("SpeedButton1"), Qt::LeftButton);
    auto* projects = Find<QComboBox>("cmbProjects");
    const int index = projects->findText(other);
    ASSERT_GE(index, 0);
    projects->setCurrentIndex(index);
    emit projects->activated(index);

    Type(QStringLiteral("pwd"));
    EXPECT_EQ(OutputAfter(QStringLiteral("pwd")), other + QStringLiteral("\n\n"));

    Desktop.InputAnswers = {QStringLiteral("ShopController")};
    Click("btnMake_Controller");
    EXPECT_TRUE(QFileInfo::exists(other + QStringLiteral("/app/Http/Controllers/ShopController.php")));
    EXPECT_FALSE(ProjectHas(QStringLiteral("app/Http/Controllers/ShopController.php")));
    EXPECT_TRUE(Desktop.Errors.empty());
}

// A command that asks a question waits for the answer from the input row, as in a
// terminal, and never reads the terminal that started the program.
// Over the pipe (View > Terminal off), where the Input row is the only way to answer.
TEST_F(EndToEnd, QuestionsWaitForTheAnswerFromTheInputRow) {
    Find<QAction>("menTerminal")->setChecked(false);
    int terminal[2];
    ASSERT_EQ(pipe(terminal), 0);
    ASSERT_EQ(write(terminal[1], "yes\n", 4), 4);
    const int saved = dup(STDIN_FILENO);
    dup2(terminal[0], STDIN_FILENO);
    const QString command = QStringLiteral("php artisan migrate --env=production");
    TypeAndGo(command);
    dup2(saved, STDIN_FILENO);
    for (int fd : {saved, terminal[0], terminal[1]}) close(fd);

    if (Laravel10()) {
        // Laravel 10 asks through a prompt library that reads only from a terminal: over
        // the run's pipe the question takes its default (No) at once, and nothing runs.
        ASSERT_TRUE(WaitForRun(60000));
        EXPECT_TRUE(OutputAfter(command).contains(QStringLiteral("Command cancelled."))) << ConsoleText().toStdString();
        EXPECT_EQ(SqliteTables(), QStringList());
        return;
    }
    ASSERT_TRUE(TurnUntil([&] {
        return ConsoleText().contains(QStringLiteral("Do you really wish to run this command?"));
    })) << ConsoleText().toStdString();
    QTest::qWait(300);
    EXPECT_TRUE(Window->IsRunning()) << "the question waits for its answer";
    Find<QLineEdit>("edtInput")->setText(QStringLiteral("no"));
    QTest::mouseClick(Find<QPushButton>("btnSendInput"), Qt::LeftButton);
    ASSERT_TRUE(WaitForRun(60000));

    const QString output = OutputAfter(command);
    EXPECT_TRUE(output.contains(QStringLiteral("Command Canceled!"))) << output.toStdString();
    EXPECT_EQ(SqliteTables(), QStringList());
}

// The palette reads the project's own commands and runs the line its form builds.
TEST_F(EndToEnd, PaletteListsTheProjectsCommandsAndRunsAFilledForm) {
    TfrmPalette& palette = OpenPalette();
    auto* list = palette.findChild<QListWidget*>(QStringLiteral("lstCommands"));
    ASSERT_FALSE(list->findItems(QStringLiteral("make:model  \u2605 preset \u2014 Create a new Eloquent model class"),
                                 Qt::MatchExactly)
                     .isEmpty());
    EXPECT_FALSE(list->findItems(QStringLiteral("validate  \u2605 preset"), Qt::MatchStartsWith).isEmpty());
    EXPECT_FALSE(palette.findChild<QLabel*>(QStringLiteral("lblStatus"))->isVisibleTo(&palette))
        << palette.findChild<QLabel*>(QStringLiteral("lblStatus"))->text().toStdString();

    ASSERT_EQ(Choose(palette, QStringLiteral("make:model")), QStringLiteral("php artisan make:model"));
    Field<QLineEdit>(palette, QStringLiteral("name"))->setText(QStringLiteral("Carriage"));
    Field<QCheckBox>(palette, QStringLiteral("--migration"))->setChecked(true);
    Run(palette);
    EXPECT_TRUE(OutputAfter(QStringLiteral("php artisan make:model Carriage --migration"))
                    .contains(Says("Model created successfully.", "Model [app/Models/Carriage.php] created successfully.")))
        << ConsoleText().toStdString();
    EXPECT_TRUE(ProjectHas(QStringLiteral("app/Models/Carriage.php")));
    EXPECT_EQ(ProjectFiles(QStringLiteral("database/migrations"),
                           QStringLiteral(".*_create_carriages_table\\.php")).size(), 1);

    // A Composer command from the same palette, cached this time.
    TfrmPalette& again = OpenPalette();
    ASSERT_EQ(Choose(again, QStringLiteral("validate")), QStringLiteral("composer validate"));
    Run(again);
    EXPECT_TRUE(OutputAfter(QStringLiteral("composer validate")).contains(QStringLiteral("./composer.json is valid")))
        << ConsoleText().toStdString();
    EXPECT_TRUE(Desktop.Errors.empty());
}

// A value full of shell syntax reaches artisan as typed, and the shell runs none of it.
TEST_F(EndToEnd, PaletteValuesReachTheToolVerbatim) {
    TfrmPalette& palette = OpenPalette();
    ASSERT_EQ(Choose(palette, QStringLiteral("cache:forget")), QStringLiteral("php artisan cache:forget"));
    const QString key = QStringLiteral("O'Brien \"x\" $(touch pwned)");
    Field<QLineEdit>(palette, QStringLiteral("key"))->setText(key);
    Run(palette);
    EXPECT_TRUE(ConsoleText().contains(QStringLiteral("The [") + key + QStringLiteral("] key has been removed from the cache.")))
        << ConsoleText().toStdString();
    EXPECT_FALSE(ProjectHas(QStringLiteral("pwned")));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("pwned")));
}

// A project whose application is broken: the palette shows artisan's own message and
// exit status, and still offers Composer's commands.
TEST_F(EndToEnd, PaletteShowsWhyArtisanCannotList) {
    QFile bootstrap(Project + QStringLiteral("/bootstrap/app.php"));
    ASSERT_TRUE(bootstrap.open(QIODevice::Append));
    bootstrap.write("\nthis is not php;\n");
    bootstrap.close();
    TfrmPalette& palette = OpenPalette();
    const QString status = palette.findChild<QLabel*>(QStringLiteral("lblStatus"))->text();
    EXPECT_TRUE(status.startsWith(QStringLiteral("\"php artisan list\" gave no list of commands (exit status 255):")))
        << status.toStdString();
    EXPECT_TRUE(status.contains(QStringLiteral("syntax error"))) << status.toStdString();
    EXPECT_EQ(Choose(palette, QStringLiteral("validate")), QStringLiteral("composer validate"));
}

// The development server runs until Stop, answers while it runs, and leaves nothing
// behind: neither the port nor a php process.
TEST_F(EndToEnd, ServeAnswersWhileItRunsAndStopEndsIt) {
    const int port = FreePort();
    ASSERT_GT(port, 0);
    TypeAndGo(QStringLiteral("php artisan serve --port=%1").arg(port));
    QByteArray answer;
    ASSERT_TRUE(TurnUntil([&] { return !(answer = HttpGet(port)).isEmpty(); }, 30000))
        << ConsoleText().toStdString();
    EXPECT_TRUE(answer.startsWith("HTTP/1.")) << answer.left(200).toStdString();
    EXPECT_TRUE(Window->IsRunning());
    EXPECT_FALSE(PhpProcessesIn(Project).isEmpty());

    QTest::mouseClick(Find<QPushButton>("btnRun"), Qt::LeftButton);  // Stop
    ASSERT_TRUE(WaitForRun(15000));
    EXPECT_TRUE(ConsoleText().contains(QStringLiteral("\nStopped after "))) << ConsoleText().toStdString();
    EXPECT_TRUE(HttpGet(port).isEmpty()) << "the port still answers";
    EXPECT_TRUE(TurnUntil([&] { return PhpProcessesIn(Project).isEmpty(); }, 5000))
        << PhpProcessesIn(Project).join(u' ').toStdString();
}

// The Services board keeps the development server answering while a preset runs in the
// console; quitting asks, then leaves neither the port nor a php process behind.
TEST_F(EndToEnd, BoardKeepsTheServerAnsweringWhileAPresetRuns) {
    Find<QAction>("menServices")->trigger();
    auto* services = Find<QTreeWidget>("trvServices");
    const auto server = services->findItems(QStringLiteral("Development server"), Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(server.size(), 1);
    services->setCurrentItem(server[0]);
    Find<QPushButton>("btnServiceStart")->click();
    auto* open = Find<QPushButton>("btnServiceOpen");
    ASSERT_TRUE(TurnUntil([&] { return open->isEnabled(); }, 30000));
    open->click();
    ASSERT_EQ(Desktop.OpenedUrls.size(), 1);
    const int port = QUrl(Desktop.OpenedUrls[0]).port();
    ASSERT_GT(port, 0) << Desktop.OpenedUrls[0].toStdString();
    QByteArray answer;
    ASSERT_TRUE(TurnUntil([&] { return !(answer = HttpGet(port)).isEmpty(); }, 30000));
    EXPECT_TRUE(answer.startsWith("HTTP/1.")) << answer.left(200).toStdString();

    Desktop.InputAnswers = {QStringLiteral("Carriage")};
    Click("bt2Make_Model");
    EXPECT_TRUE(ProjectFile(QStringLiteral("app/Models/Carriage.php")).contains(QStringLiteral("class Carriage")));
    EXPECT_TRUE(HttpGet(port).startsWith("HTTP/1."));
    EXPECT_TRUE(server[0]->text(1).startsWith(QStringLiteral("Running since "))) << server[0]->text(1).toStdString();

    Desktop.ConfirmAnswers = {true};
    EXPECT_TRUE(Window->close());
    ASSERT_EQ(Desktop.Confirms.size(), 1);
    EXPECT_TRUE(Desktop.Confirms[0].contains(QStringLiteral("Development server")));
    EXPECT_TRUE(HttpGet(port).isEmpty()) << "the port still answers";
    EXPECT_TRUE(TurnUntil([&] { return PhpProcessesIn(Project).isEmpty(); }, 5000))
        << PhpProcessesIn(Project).join(u' ').toStdString();
}

// The fixture's framework lists its development processes with dev:list: the board
// offers each of them, with its command, beside the ones it finds itself.
TEST_F(EndToEnd, BoardListsTheProcessesOfDevList) {
    Find<QAction>("menServices")->trigger();
    auto* services = Find<QTreeWidget>("trvServices");
    const auto item = [services](const QString& AName) {
        const auto items = services->findItems(AName, Qt::MatchExactly | Qt::MatchRecursive);
        return items.isEmpty() ? nullptr : items.first();
    };
    ASSERT_TRUE(TurnUntil([&] { return item(QStringLiteral("Fixture quotes")) != nullptr; }, 120000));
    ASSERT_NE(item(QStringLiteral("Fixture mail")), nullptr);
    EXPECT_EQ(item(QStringLiteral("Fixture quotes"))->toolTip(0), QStringLiteral("php artisan inspire"));
    EXPECT_NE(item(QStringLiteral("Development server")), nullptr);
    EXPECT_TRUE(Find<QLabel>("lblServicesProblems")->isHidden()) << Find<QLabel>("lblServicesProblems")->text().toStdString();
}

TEST_F(EndToEnd, ColoursShowTheToolsStylesAndDropTheirEscapes) {
    Find<QAction>("menColours")->trigger();
    Click("btnList");
    Type(QStringLiteral("php artisan list"));
    const QString coloured = OutputAfter(QStringLiteral("php artisan --ansi list"));
    EXPECT_TRUE(coloured.contains(QStringLiteral("Usage:"))) << coloured.toStdString();
    EXPECT_FALSE(coloured.contains(QChar(0x1B)));
    // Without its styles, the coloured listing reads as the plain one.
    const QString plain = OutputAfter(QStringLiteral("php artisan list"));
    EXPECT_EQ(coloured.left(plain.size()), plain);

    int colouredRuns = 0;
    const QTextDocument& document = *Window->Console().document();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().hasProperty(QTextFormat::ForegroundBrush)) ++colouredRuns;
    EXPECT_GT(colouredRuns, 20);
}

// Runs on a terminal (View > Terminal), answered with real key events in the console,
// the way a user answers the questions of current tools.
class TerminalEndToEnd : public EndToEnd {
protected:
    void SetUp() override {
        EndToEnd::SetUp();
        if (!HasFatalFailure()) UseTerminal();
    }

    // The console, found as assistive tools find it.
    TConsoleEdit& Console() const {
        for (auto* console : Window->findChildren<TConsoleEdit*>())
            if (console->accessibleName() == QStringLiteral("Console")) return *console;
        ADD_FAILURE() << "no console named Console";
        return Window->Console();
    }

    // Waits until the console shows the text (a question on the live screen, say).
    bool Shows(const QString& AText, int AMilliseconds = 60000) {
        return TurnUntil([&] { return ConsoleText().contains(AText); }, AMilliseconds);
    }

    // Keys pressed in the console, one key event each, without waiting in between.
    void Press(std::initializer_list<Qt::Key> AKeys) {
        Console().setFocus();
        for (const Qt::Key key : AKeys) QTest::keyClick(&Console(), key);
    }

    // A line typed into the console and Enter.
    void Answer(const QString& ALine) {
        Console().setFocus();
        QTest::keyClicks(&Console(), ALine);
        QTest::keyClick(&Console(), Qt::Key_Return);
    }
};

// make:model asks for the name and for the extra files; the answers typed in the console
// create the model and the chosen migration, and each prompt's box stays once.
TEST_F(TerminalEndToEnd, ModelPromptsAreAnsweredWithTypingArrowsSpaceAndEnter) {
    if (!Laravel10()) GTEST_SKIP() << "Laravel 8's make:model asks nothing: it wants the name as an argument";
    TypeAndGo(QStringLiteral("php artisan make:model"));
    ASSERT_TRUE(Shows(QStringLiteral("What should the model be named?"))) << ConsoleText().toStdString();
    Answer(QStringLiteral("Carriage"));
    ASSERT_TRUE(Shows(QStringLiteral("Would you like any of the following?"))) << ConsoleText().toStdString();
    // Database Seeder, Factory, Form Requests, Migration: the fourth, pressed as fast as
    // the events come.
    Press({Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Space, Qt::Key_Return});
    ASSERT_TRUE(WaitForRun(120000)) << ConsoleText().toStdString();

    EXPECT_TRUE(ProjectFile(QStringLiteral("app/Models/Carriage.php")).contains(QStringLiteral("class Carriage")));
    EXPECT_EQ(ProjectFiles(QStringLiteral("database/migrations"), QStringLiteral(".*_create_carriages_table\\.php")).size(), 1)
        << ConsoleText().toStdString();
    EXPECT_FALSE(ProjectHas(QStringLiteral("database/factories/CarriageFactory.php")));
    EXPECT_FALSE(ProjectHas(QStringLiteral("database/seeders/CarriageSeeder.php")));
    // Each prompt's box stays once, in its last state.
    const QString output = OutputAfter(QStringLiteral("php artisan make:model"));
    EXPECT_EQ(output.count(QStringLiteral("What should the model be named?")), 1) << output.toStdString();
    EXPECT_EQ(output.count(QStringLiteral("Would you like any of the following?")), 1) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("Model [app/Models/Carriage.php] created successfully."))) << output.toStdString();
}

// In production, migrate asks first: No (the default) cancels, Yes runs the migrations.
TEST_F(TerminalEndToEnd, ProductionMigrateIsConfirmedOrCancelledFromTheKeyboard) {
    const QString command = QStringLiteral("APP_ENV=production php artisan migrate");
    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes ? "yes" : "no");
        TypeAndGo(command);
        ASSERT_TRUE(Shows(Says("Do you really wish to run this command?", "Are you sure you want to run this command?")))
            << ConsoleText().toStdString();
        QTest::qWait(200);
        EXPECT_TRUE(Window->IsRunning()) << "the question waits for its answer";
        if (Laravel10()) {
            if (yes) Press({Qt::Key_Left});  // from No to Yes
            Press({Qt::Key_Return});
        } else {
            Answer(yes ? QStringLiteral("yes") : QStringLiteral("no"));
        }
        ASSERT_TRUE(WaitForRun(120000)) << ConsoleText().toStdString();
        const QString output = OutputAfter(command);
        if (yes) {
            EXPECT_TRUE(SqliteTables().contains(QStringLiteral("notes"))) << output.toStdString();
            EXPECT_TRUE(output.contains(QStringLiteral("2020_01_01_000000_create_notes_table"))) << output.toStdString();
        } else {
            EXPECT_TRUE(output.contains(Says("Command Canceled!", "Command cancelled."))) << output.toStdString();
            EXPECT_EQ(SqliteTables(), QStringList());
        }
    }
}

// Composer's questions are read line by line from the terminal; the answers end up in
// the composer.json it writes. Declining the dependencies keeps it off the network.
TEST_F(TerminalEndToEnd, ComposerInitWritesTheAnswersIntoComposerJson) {
    SetEnv("COMPOSER_NO_INTERACTION", "");  // the fixture's "never ask" would skip the questions
    TypeAndGo(QStringLiteral("mkdir wagon && cd wagon && composer init"));
    const std::pair<const char*, const char*> answers[] = {
        {"Package name (<vendor>/<name>)", "fixture/wagon"},
        {"Description []", "Carries goods"},
        {"Author [", "Ann Example <ann@example.com>"},
        {"Minimum Stability []", ""},
        {"Package Type", "library"},
        {"License []", "MIT"},
        {"Would you like to define your dependencies (require) interactively", "no"},
        {"Would you like to define your dev dependencies (require-dev) interactively", "no"},
        {"Add PSR-4 autoload mapping?", "n"},
        {"Do you confirm generation", "yes"},
    };
    for (const auto& [question, answer] : answers) {
        SCOPED_TRACE(question);
        ASSERT_TRUE(Shows(QString::fromUtf8(question), 30000)) << ConsoleText().toStdString();
        Answer(QString::fromUtf8(answer));
    }
    ASSERT_TRUE(WaitForRun(60000)) << ConsoleText().toStdString();
    const QJsonObject manifest = QJsonDocument::fromJson(ProjectFile(QStringLiteral("wagon/composer.json")).toUtf8()).object();
    EXPECT_EQ(manifest[QStringLiteral("name")].toString(), QStringLiteral("fixture/wagon")) << ConsoleText().toStdString();
    EXPECT_EQ(manifest[QStringLiteral("description")].toString(), QStringLiteral("Carries goods"));
    EXPECT_EQ(manifest[QStringLiteral("type")].toString(), QStringLiteral("library"));
    EXPECT_EQ(manifest[QStringLiteral("license")].toString(), QStringLiteral("MIT"));
    const QJsonObject author = manifest[QStringLiteral("authors")].toArray().at(0).toObject();
    EXPECT_EQ(author[QStringLiteral("name")].toString(), QStringLiteral("Ann Example"));
    EXPECT_EQ(author[QStringLiteral("email")].toString(), QStringLiteral("ann@example.com"));
    EXPECT_FALSE(manifest.contains(QStringLiteral("autoload")));
}

// Tools see a terminal on their input and output with View > Terminal on, pipes with it off.
TEST_F(TerminalEndToEnd, ToolsSeeATerminalOnlyWithViewTerminalOn) {
    const QString command = QStringLiteral("php -r 'var_dump(stream_isatty(STDIN), stream_isatty(STDOUT));'");
    Type(command);
    EXPECT_TRUE(OutputAfter(command).startsWith(QStringLiteral("bool(true)\nbool(true)\n"))) << ConsoleText().toStdString();
    Find<QAction>("menTerminal")->setChecked(false);
    Type(command);
    EXPECT_EQ(OutputAfter(command), QStringLiteral("bool(false)\nbool(false)\n\n"));
}

// A control of the window (or of a window it opened) by its accessible name.
template <typename T>
T* Named(const QWidget& parent, const QString& name) {
    for (T* control : parent.findChildren<T*>())
        if (control->accessibleName() == name) return control;
    ADD_FAILURE() << "no control named " << name.toStdString();
    return nullptr;
}

// The shown rows' cells of one column, top to bottom.
QStringList Cells(const QTableView& table, int column) {
    QStringList cells;
    for (int row = 0; row < table.model()->rowCount(); ++row)
        cells << table.model()->index(row, column).data().toString();
    return cells;
}

// The views of the window read the fixture through the real php, by accessible names.
class ViewsEndToEnd : public EndToEnd {
protected:
    // Opens the view from the Views menu and waits for its reading.
    TToolView& OpenView(const char* name) {
        TToolView* view = Window->ViewsPane().View(QString::fromLatin1(name));
        EXPECT_NE(view, nullptr);
        QSignalSpy refreshed(view, &TToolView::refreshed);
        Find<QAction>((QByteArray("menView") + name).constData())->trigger();
        EXPECT_TRUE(TurnUntil([&] { return refreshed.count() > 0; }, 60000)) << name;
        return *view;
    }

    QString Message(const TToolView& view) const {
        auto* label = Named<QLabel>(view, view.Kind().Name + QStringLiteral(" message"));
        return label ? label->text() : QString();
    }

    static QString NotAvailable(const char* line) {
        return QStringLiteral("\"%1\" is not available in this Laravel version.").arg(QLatin1String(line));
    }
};

TEST_F(ViewsEndToEnd, RoutesAppearByNameSortedAndFiltered) {
    TToolView& routes = OpenView("Routes");
    auto* table = Named<QTableView>(routes, QStringLiteral("Routes table"));
    ASSERT_NE(table, nullptr);
    table->sortByColumn(2, Qt::AscendingOrder);
    EXPECT_EQ(Cells(*table, 2), (QStringList{"fail", "greeting", "home", "notes.store"})) << Message(routes).toStdString();
    EXPECT_EQ(Cells(*table, 1), (QStringList{"fail", "greeting/{name}", "/", "notes"}));
    QTest::keyClicks(Named<QLineEdit>(routes, QStringLiteral("Filter routes")), QStringLiteral("POST"));
    EXPECT_EQ(Cells(*table, 2), (QStringList{"notes.store"}));
}

TEST_F(ViewsEndToEnd, ApplicationShowsTheFixturesNameAndTheLaravelVersion) {
    TToolView& about = OpenView("Application");
    if (!Laravel10()) {
        EXPECT_EQ(Message(about), NotAvailable("php artisan about --json"));
        return;
    }
    auto* table = Named<QTableView>(about, QStringLiteral("Application table"));
    ASSERT_NE(table, nullptr);
    const QStringList names = Cells(*table, 1);
    const QStringList values = Cells(*table, 2);
    const auto value = [&](const char* name) { return values.value(names.indexOf(QLatin1String(name))); };
    EXPECT_EQ(value("application_name"), QStringLiteral("Fixture")) << Message(about).toStdString();
    EXPECT_TRUE(value("laravel_version").startsWith(QStringLiteral("10."))) << value("laravel_version").toStdString();
}

TEST_F(ViewsEndToEnd, TheSeededDatabaseShowsItsTablesAndAChosenTablesColumns) {
    Type(QStringLiteral("php artisan migrate --seed"));
    TToolView& database = OpenView("Database");
    if (!Laravel10()) {
        EXPECT_EQ(Message(database), NotAvailable("php artisan db:show --json"));
        return;
    }
    auto* tables = Named<QTableView>(database, QStringLiteral("Database table"));
    ASSERT_NE(tables, nullptr);
    tables->sortByColumn(0, Qt::AscendingOrder);
    EXPECT_EQ(Cells(*tables, 0), (QStringList{"migrations", "notes", "password_resets"})) << Message(database).toStdString();

    QSignalSpy counted(&database, &TToolView::refreshed);
    Named<QPushButton>(database, QStringLiteral("Count rows"))->click();
    ASSERT_TRUE(TurnUntil([&] { return counted.count() > 0; }, 60000));
    EXPECT_EQ(Cells(*tables, 2), (QStringList{"2", "1", "0"}));  // the seeder wrote one note

    TToolView& schema = Window->ViewsPane().Schema();
    tables->setCurrentIndex(tables->model()->index(1, 0));
    auto* columns = Named<QTableView>(schema, QStringLiteral("Schema table"));
    ASSERT_NE(columns, nullptr);
    EXPECT_TRUE(TurnUntil([&] { return !schema.IsReading() && Cells(*columns, 1).contains("title"); }, 60000))
        << Message(schema).toStdString();
    EXPECT_EQ(Cells(*columns, 1), (QStringList{"id", "title", "created_at", "updated_at", "primary"}));
    EXPECT_EQ(Cells(*columns, 0).count(QStringLiteral("Column")), 4);
}

TEST_F(ViewsEndToEnd, AModelsAttributesAndRelationsShow) {
    Type(QStringLiteral("php artisan migrate"));
    TToolView& models = OpenView("Models");
    auto* classes = Named<QComboBox>(models, QStringLiteral("Model class"));
    ASSERT_NE(classes, nullptr);
    EXPECT_EQ(classes->currentText(), QStringLiteral("App\\Models\\Note"));
    if (!Laravel10()) {
        EXPECT_EQ(Message(models), NotAvailable("php artisan model:show App/Models/Note --json"));
        return;
    }
    auto* attributes = Named<QTableView>(models, QStringLiteral("Models table"));
    ASSERT_NE(attributes, nullptr);
    EXPECT_EQ(Cells(*attributes, 0), (QStringList{"id", "title", "created_at", "updated_at"})) << Message(models).toStdString();
    EXPECT_EQ(Cells(*attributes, 3), (QStringList{"no", "yes", "no", "no"}));  // fillable
    EXPECT_EQ(Cells(*attributes, 4), (QStringList{"no", "no", "no", "yes"}));  // hidden
    auto* relations = Named<QTableView>(models, QStringLiteral("Relations table"));
    ASSERT_NE(relations, nullptr);
    EXPECT_EQ(Cells(*relations, 0), (QStringList{"siblings"}));
    EXPECT_EQ(Cells(*relations, 1), (QStringList{"HasMany"}));
}

TEST_F(ViewsEndToEnd, AnErrorTheFixtureLogsAppearsInTheFollowedLogWithinTwoSeconds) {
    RunDirectly(QStringLiteral("php artisan fixture:log 'First entry'"));
    Find<QAction>("menViewLog")->trigger();
    QWidget* viewer = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->accessibleName() == QStringLiteral("Log viewer") && widget->isVisible()) viewer = widget;
    ASSERT_NE(viewer, nullptr);
    auto* entries = Named<QTreeWidget>(*viewer, QStringLiteral("Log entries"));
    ASSERT_NE(entries, nullptr);
    const auto messages = [&] {
        QStringList shown;
        for (int i = 0; i < entries->topLevelItemCount(); ++i)
            if (!entries->topLevelItem(i)->isHidden()) shown << entries->topLevelItem(i)->text(3).trimmed();
        return shown;
    };
    EXPECT_TRUE(messages().contains(QStringLiteral("First entry"))) << messages().join(u'|').toStdString();
    Named<QCheckBox>(*viewer, QStringLiteral("Follow the log"))->setChecked(true);

    RunDirectly(QStringLiteral("php artisan fixture:log 'Written while followed'"));
    EXPECT_TRUE(TurnUntil([&] { return messages().contains(QStringLiteral("Written while followed")); }, 2000))
        << messages().join(u'|').toStdString();
    const QList<QTreeWidgetItem*> found = entries->findItems(QStringLiteral("Written while followed"), Qt::MatchStartsWith, 3);
    ASSERT_FALSE(found.isEmpty());
    EXPECT_EQ(found.first()->text(2), QStringLiteral("ERROR"));
    EXPECT_EQ(found.first()->text(1), QStringLiteral("local"));
    viewer->close();
}

}  // namespace
