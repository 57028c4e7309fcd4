// The project's tools in the real window: where php and composer lines go, the hint
// after a missing program, detection on the first choice, the Tools dialog and its
// Check, and the choices after a restart.
#include "AccessibleTree.h"
#include "WindowFixture.h"

#include "app/frmToolsUnit.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>
#include <QtTest/QTest>

namespace {

class ProjectToolsWindow : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        // A project folder with blanks and both kinds of quotation mark.
        Project = MakeRoot({ProjectName}, Path(QStringLiteral("www/")) + ProjectName) + u'/' + ProjectName;
        OpenWindow();
        Window->show();
    }

    void TearDown() override {
        if (!SavedPath.isNull()) qputenv("PATH", SavedPath);
        WindowTest::TearDown();
    }

    // A folder of fake programs first on the search path.
    QString FakeBin() {
        const QString bin = Path(QStringLiteral("fake bin"));
        QDir().mkpath(bin);
        SavedPath = qgetenv("PATH");
        qputenv("PATH", bin.toUtf8() + ':' + SavedPath);
        return bin;
    }

    void WriteScript(const QString& file, const QByteArray& text) {
        QDir().mkpath(QFileInfo(file).path());
        WriteFile(file, text);
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void Type(const QString& commandLine) {
        auto* command = Find<QLineEdit>("edtCommand");
        command->setText(commandLine);
        QTest::keyClick(command, Qt::Key_Return);
        ASSERT_TRUE(WaitForRun());
    }

    void SetTools(const TProjectTools& tools) { ASSERT_TRUE(Window->ToolsStore().Save(Project.toStdString(), tools)); }

    // The console's last line that is not blank.
    QString LastLine() const {
        QStringList lines = ConsoleText().split(u'\n', Qt::SkipEmptyParts);
        return lines.isEmpty() ? QString() : lines.last();
    }

    const QString ProjectName = QStringLiteral("my \"shop\" it's");
    QString Project;
    QByteArray SavedPath;
};

TEST_F(ProjectToolsWindow, CommandsGoThroughTheProjectsRoute) {
    const QString bin = FakeBin();
    WriteScript(bin + QStringLiteral("/docker"), "#!/bin/sh\necho \"docker[$*] in $(basename \"$PWD\")\"\n");
    WriteScript(Project + QStringLiteral("/vendor/bin/sail"), "#!/bin/sh\necho \"sail[$*] APP_ENV=$APP_ENV\"\n");

    TProjectTools compose;
    compose.Route = TProjectTools::TRoute::Compose;
    compose.ComposeService = "app";
    SetTools(compose);
    Type(QStringLiteral("php artisan migrate --force"));
    EXPECT_EQ(ConsoleWithEndLinesMarked(),
              QStringLiteral("\nCommand: docker compose exec -T app php artisan migrate --force\n"
                             "docker[compose exec -T app php artisan migrate --force] in ") +
                  ProjectName + QStringLiteral("\n\n<end>\n"));

    // A preset button takes the same way; so does the environment.
    TProjectTools sail;
    sail.Route = TProjectTools::TRoute::Sail;
    sail.Environment = {"APP_ENV=local testing"};
    SetTools(sail);
    Window->Console().clear();
    Find<QToolButton>("btnRoute_Cache")->click();
    ASSERT_TRUE(WaitForRun());
    EXPECT_EQ(ConsoleWithEndLinesMarked(),
              QStringLiteral("\nCommand: APP_ENV='local testing' ./vendor/bin/sail artisan route:cache\n"
                             "sail[artisan route:cache] APP_ENV=local testing\n\n<end>\n"));

    // Lines that are not php or composer run as typed.
    Window->Console().clear();
    Type(QStringLiteral("echo php artisan"));
    EXPECT_TRUE(ConsoleText().startsWith(QStringLiteral("\nCommand: echo php artisan\nphp artisan\n")));
}

// A preset is a request for its tool; the project's variables reach the program through
// its environment, whatever the shell would make of them, and the console shows them.
TEST_F(ProjectToolsWindow, APresetIsARequestWhoseVariablesReachTheProgramIntact) {
    const QString php = Path(QStringLiteral("fake php"));
    WriteScript(php, "#!/bin/sh\nprintf '[%s]' \"$@\" \"$MSG\"; echo\n");
    TProjectTools direct;
    direct.PhpProgram = php.toStdString();
    direct.Environment = {"MSG=it's \"q\" $HOME `id` a=b"};
    SetTools(direct);
    Find<QToolButton>("btnRoute_Cache")->click();
    ASSERT_TRUE(WaitForRun());
    const TRunRequest& request = Window->RunRequest();
    EXPECT_EQ(request.Tool, TRunRequest::TTool::Artisan);
    EXPECT_TRUE(request.Arguments.ends_with("route:cache")) << request.Arguments;
    EXPECT_EQ(request.Folder, Project.toStdString());
    EXPECT_TRUE(ConsoleText().contains(QStringLiteral("[artisan][route:cache][it's \"q\" $HOME `id` a=b]")))
        << ConsoleText().toStdString();
    EXPECT_TRUE(ConsoleText().contains(QStringLiteral("Command: MSG='it'\\''s \"q\" $HOME `id` a=b' ")))
        << ConsoleText().toStdString();

    // A typed line is a shell line: the project's variables are for its tools.
    Window->Console().clear();
    Type(QStringLiteral("echo \"[$MSG]\""));
    EXPECT_EQ(Window->RunRequest().Tool, TRunRequest::TTool::Shell);
    EXPECT_TRUE(ConsoleText().contains(QStringLiteral("\n[]\n"))) << ConsoleText().toStdString();
}

TEST_F(ProjectToolsWindow, FailuresEndWithOneHint) {
    TProjectTools missing;
    missing.PhpProgram = (Project + QStringLiteral("/no such/php")).toStdString();
    missing.ComposerProgram = "/no/such/composer";
    SetTools(missing);
    const struct {
        const char* line;
        QString hint;
    } cases[] = {
        {"php artisan about", QString::fromStdString(missing.PhpProgram) +
                                  QStringLiteral(" was not found. Choose the PHP program under Project > Tools\u2026")},
        {"composer show",
         QStringLiteral("/no/such/composer was not found. Choose the Composer program under Project > Tools\u2026")},
    };
    for (const auto& c : cases) {
        Window->Console().clear();
        Type(QString::fromUtf8(c.line));
        EXPECT_TRUE(ConsoleText().contains(QStringLiteral("Exit code 127"))) << c.line;
        EXPECT_EQ(LastLine(), c.hint) << c.line;
    }

    // The real php in a folder without an artisan file.
    SetTools(TProjectTools{});
    Window->Console().clear();
    Type(QStringLiteral("php artisan about"));
    EXPECT_EQ(LastLine(), QStringLiteral("This folder has no artisan file: is it a Laravel project?"));
    // An ordinary failure gets none.
    Window->Console().clear();
    Type(QStringLiteral("php -r 'exit(3);'"));
    EXPECT_TRUE(LastLine().startsWith(QStringLiteral("Exit code 3 \u00B7 "))) << LastLine().toStdString();
}

TEST_F(ProjectToolsWindow, FirstChoiceDetectsAndChoicesSurviveARestart) {
    WriteFile(Project + QStringLiteral("/composer.json"), R"({"require": {"php": "^5.6"}})");
    const QByteArray settingsBefore = ReadFile(SettingsFile());
    int detections = 0;
    QObject::connect(Window.get(), &TfrmMain::toolsDetected, [&detections] { ++detections; });
    auto* list = Find<QComboBox>("cmbProjects");
    emit list->activated(list->currentIndex());
    QDeadlineTimer deadline(30000);
    while (detections == 0 && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(detections, 1);
    const QString message = Find<QStatusBar>("sbMain")->currentMessage();
    EXPECT_TRUE(message.startsWith(QStringLiteral("PHP: 8."))) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("Warning: composer.json requires PHP ^5.6"))) << message.toStdString();
    EXPECT_EQ(Window->ProjectTools(), TProjectTools{});
    // Stored beside the settings, which keep their section as it was.
    EXPECT_TRUE(QFileInfo(Path(QStringLiteral("bin/projects.ini"))).isFile());
    EXPECT_EQ(ReadFile(SettingsFile()), settingsBefore);
    EXPECT_EQ(QDir(Project).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"composer.json"});

    // Choose other tools in the dialog the menu opens.
    Find<QAction>("menTools")->trigger();
    auto* dialog = Window->findChild<TfrmTools*>(QStringLiteral("frmTools"));
    ASSERT_NE(dialog, nullptr);
    TProjectTools chosen;
    chosen.PhpProgram = "/opt/php 8.3/bin/php";
    chosen.ComposerProgram = "composer.phar";
    chosen.Route = TProjectTools::TRoute::Compose;
    chosen.ComposeService = "web";
    chosen.Environment = {"XDEBUG_MODE=off"};
    dialog->findChild<QLineEdit*>(QStringLiteral("edtPhp"))->setText(QString::fromStdString(chosen.PhpProgram));
    dialog->findChild<QLineEdit*>(QStringLiteral("edtComposer"))->setText(QStringLiteral("composer.phar"));
    dialog->findChild<QComboBox*>(QStringLiteral("cmbRoute"))->setCurrentIndex(2);
    dialog->findChild<QLineEdit*>(QStringLiteral("edtService"))->setText(QStringLiteral("web"));
    dialog->findChild<QPlainTextEdit*>(QStringLiteral("memEnvironment"))->setPlainText(QStringLiteral("XDEBUG_MODE=off\n"));
    dialog->accept();

    OpenWindow();
    EXPECT_EQ(Window->ProjectTools(), chosen);
    // A project with stored tools is not detected again.
    emit Find<QComboBox>("cmbProjects")->activated(0);
    EXPECT_FALSE(Window->IsDetecting());
}

// Check runs the three lines the way commands run: with the real php and composer,
// then with programs that are missing.
TEST_F(ProjectToolsWindow, EveryControlOfTheToolsDialogHasAName) {
    TfrmTools dialog(Project, TProjectTools{}, QString());
    dialog.show();
    EXPECT_EQ(UnnamedControls({&dialog}), QStringList());
}

TEST_F(ProjectToolsWindow, CheckShowsEachResultWithItsExitStatus) {
    WriteFile(Project + QStringLiteral("/artisan"), "<?php echo \"Framework 10.1.0\\n\"; exit(0);\n");
    TfrmTools dialog(Project, TProjectTools{}, QString());
    auto Check = [&dialog] {
        dialog.findChild<QPushButton*>(QStringLiteral("btnCheck"))->click();
        QDeadlineTimer deadline(60000);
        while (dialog.IsChecking() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return dialog.CheckResults();
    };
    const QString found = Check();
    EXPECT_TRUE(found.contains(QStringLiteral("$ php -v  (exit code 0)\nPHP 8."))) << found.toStdString();
    EXPECT_TRUE(found.contains(QStringLiteral("$ php artisan --version  (exit code 0)\nFramework 10.1.0")))
        << found.toStdString();
    EXPECT_TRUE(found.contains(QStringLiteral("$ composer --version  (exit code 0)\nComposer version 2.")))
        << found.toStdString();

    TProjectTools missing;
    missing.PhpProgram = "/no/such/php";
    missing.ComposerProgram = "/no/such/composer";
    dialog.setTools(missing);
    const QString notFound = Check();
    for (const char* line : {"$ /no/such/php -v  (exit code 127)", "$ /no/such/php artisan --version  (exit code 127)",
                             "$ /no/such/composer --version  (exit code 127)"})
        EXPECT_TRUE(notFound.contains(QString::fromUtf8(line))) << line << "\n" << notFound.toStdString();
}

// The SSH fields: usable only for that route, refused settings keep the dialog open with
// the reason, kept settings survive a restart, and Check against a port where nothing
// listens says the host does not answer and runs nothing more.
TEST_F(ProjectToolsWindow, SshSettingsAreCheckedKeptAndProbed) {
    Find<QAction>("menTools")->trigger();
    auto* dialog = Window->findChild<TfrmTools*>(QStringLiteral("frmTools"));
    ASSERT_NE(dialog, nullptr);
    auto Edit = [dialog](const char* name) { return dialog->findChild<QLineEdit*>(QLatin1String(name)); };
    EXPECT_FALSE(Edit("edtSshHost")->isEnabled());
    auto* route = dialog->findChild<QComboBox*>(QStringLiteral("cmbRoute"));
    route->setCurrentIndex(route->findData(int(TProjectTools::TRoute::Ssh)));
    for (const char* name : {"edtSshHost", "edtSshPort", "edtSshFolder", "edtSshIdentity"})
        EXPECT_TRUE(Edit(name)->isEnabled()) << name;

    Edit("edtSshHost")->setText(QStringLiteral("-oProxyCommand=touch x"));
    Edit("edtSshFolder")->setText(QStringLiteral("/srv/shop"));
    dialog->findChild<QDialogButtonBox*>(QStringLiteral("btnsTools"))->button(QDialogButtonBox::Ok)->click();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->CheckResults().contains(QStringLiteral("The SSH host \"-oProxyCommand=touch x\" cannot be used")))
        << dialog->CheckResults().toStdString();

    // Port 1 on this computer: nothing listens there.
    Edit("edtSshHost")->setText(QStringLiteral("deploy@127.0.0.1"));
    Edit("edtSshPort")->setText(QStringLiteral("1"));
    dialog->btnCheckClick();
    QDeadlineTimer deadline(30000);
    while (dialog->IsChecking() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    const QString results = dialog->CheckResults();
    EXPECT_TRUE(results.startsWith(QStringLiteral("The host does not answer or refused the connection.")))
        << results.toStdString();
    EXPECT_TRUE(results.contains(QStringLiteral("Connection refused"))) << results.toStdString();
    EXPECT_FALSE(results.contains(QStringLiteral("$ "))) << results.toStdString();

    dialog->findChild<QDialogButtonBox*>(QStringLiteral("btnsTools"))->button(QDialogButtonBox::Ok)->click();
    EXPECT_FALSE(dialog->isVisible());

    // Settings refused after they were stored (an edited tools file) start nothing, and
    // the end line says why.
    const TProjectTools accepted = Window->ProjectTools();
    TProjectTools edited = accepted;
    edited.SshHost = "web1;touch pwned";
    SetTools(edited);
    Type(QStringLiteral("php -v"));
    EXPECT_TRUE(ConsoleText().contains(QStringLiteral("The SSH host \"web1;touch pwned\" cannot be used")))
        << ConsoleText().toStdString();
    EXPECT_FALSE(Window->IsRunning());
    SetTools(accepted);
    OpenWindow();
    const TProjectTools kept = Window->ProjectTools();
    EXPECT_EQ(kept.Route, TProjectTools::TRoute::Ssh);
    EXPECT_EQ(kept.SshHost, "deploy@127.0.0.1");
    EXPECT_EQ(kept.SshPort, "1");
    EXPECT_EQ(kept.SshFolder, "/srv/shop");
}

}  // namespace
