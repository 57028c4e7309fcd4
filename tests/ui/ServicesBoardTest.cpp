// The Services board in the real window: services found per project, started beside a
// console run, the server's address, restarts with back-off, other projects' services,
// and quitting with services running. The project's PHP is a script that plays the
// framework's commands.
#include "WindowFixture.h"

#include "app/ServiceRun.h"
#include "app/frmServiceSettingsUnit.h"
#include "app/frmServicesUnit.h"
#include "tests/unit/ProcessTable.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableWidget>
#include <QDockWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>

namespace {

using namespace std::chrono_literals;
using testsupport::ProcessesRunning;

constexpr const char* kFakePhp =
    "#!/bin/sh\n"
    "case \"$2\" in\n"
    "  serve) echo \"   INFO  Server running on [http://127.0.0.1:${3#--port=}].\"; exec sleep 341;;\n"
    "  queue:work) echo worker failing; exit 3;;\n"
    "  schedule:work) exec sleep 342;;\n"
    "esac\n";

class ServicesBoard : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        Root = MakeRoot({QStringLiteral("shop"), QStringLiteral("blog")}, Path(QStringLiteral("www/shop")));
        WriteFile(Root + QStringLiteral("/shop/composer.json"),
                  R"({"scripts":{"dev":["npx concurrently \"php artisan serve\" \"npm run dev\" --names=server,vite"]}})");
        WriteFile(Root + QStringLiteral("/shop/package.json"), R"({"scripts":{"dev":"vite"}})");
        const QString php = Path(QStringLiteral("fake php"));
        WriteFile(php, kFakePhp);
        QFile::setPermissions(php, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        OpenWindow();
        TProjectTools tools;
        tools.PhpProgram = php.toStdString();
        for (const char* project : {"shop", "blog"})
            ASSERT_TRUE(Window->ToolsStore().Save((Root + u'/' + QLatin1String(project)).toStdString(), tools));
        Window->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Window.get()));
        Find<QAction>("menServices")->trigger();
        QCoreApplication::processEvents();
    }

    void TearDown() override {
        TServiceRun::BackOffUnit = 1000ms;
        Desktop.ConfirmAnswers = {true};
        WindowTest::TearDown();
    }

    QTreeWidgetItem* Item(const QString& AText) const {
        const auto items = Find<QTreeWidget>("trvServices")->findItems(AText, Qt::MatchExactly | Qt::MatchRecursive);
        return items.isEmpty() ? nullptr : items.first();
    }
    void Select(const QString& AText) {
        QTreeWidgetItem* item = Item(AText);
        ASSERT_NE(item, nullptr) << AText.toStdString();
        Find<QTreeWidget>("trvServices")->setCurrentItem(item);
    }
    QString State(const QString& AText) const {
        QTreeWidgetItem* item = Item(AText);
        return item ? item->text(1) : QString();
    }
    void Click(const char* AButton) {
        auto* button = Find<QPushButton>(AButton);
        ASSERT_TRUE(button->isEnabled()) << AButton;
        button->click();
    }

    // Saves the project's service settings through the board's Settings dialog, which
    // AEdit fills in.
    void EditSettings(const std::function<void(QDialog&)>& AEdit) {
        Desktop.OnShowModal = [AEdit](QDialog& ADialog) {
            AEdit(ADialog);
            ADialog.accept();
        };
        Click("btnServicesSettings");
        Desktop.OnShowModal = nullptr;
    }
    static void AddOwn(QDialog& ADialog, const QString& AName, const QString& ALine) {
        auto* table = ADialog.findChild<QTableWidget*>(QStringLiteral("tblOwnServices"));
        ADialog.findChild<QPushButton*>(QStringLiteral("btnOwnServiceAdd"))->click();
        table->item(table->rowCount() - 1, 0)->setText(AName);
        table->item(table->rowCount() - 1, 1)->setText(ALine);
    }

    QString Root;
};

TEST_F(ServicesBoard, AServerRunsBesideTheConsoleAndStopsWithItsTree) {
    EXPECT_TRUE(Find<QDockWidget>("dckServices")->isVisible());
    // In the order they were found: the usual ones first, then the dev script's.
    QTreeWidgetItem* mine = Item(QStringLiteral("This project"));
    ASSERT_NE(mine, nullptr);
    QStringList names;
    for (int i = 0; i < mine->childCount(); ++i) names << mine->child(i)->text(0);
    EXPECT_EQ(names, (QStringList{"Development server", "Queue worker", "Scheduler", "Vite", "server", "vite"}));

    Select(QStringLiteral("Development server"));
    Click("btnServiceStart");
    ASSERT_TRUE(TurnUntil([this] { return Find<QPushButton>("btnServiceOpen")->isEnabled(); }, 20000));
    EXPECT_TRUE(State(QStringLiteral("Development server")).startsWith(QStringLiteral("Running since ")));
    Click("btnServiceOpen");
    ASSERT_EQ(Desktop.OpenedUrls.size(), 1);
    EXPECT_TRUE(Desktop.OpenedUrls[0].startsWith(QStringLiteral("http://127.0.0.1:80")));
    EXPECT_FALSE(ProcessesRunning({"sleep", "341"}).empty());
    // The views ask the board where the project is served.
    const QString project = Find<QComboBox>("cmbProjects")->currentText();
    EXPECT_EQ(Window->findChild<TfrmServices*>()->ServerAddress(project), Desktop.OpenedUrls[0]);
    EXPECT_EQ(Window->findChild<TfrmServices*>()->ServerAddress(project + QStringLiteral("-other")), QString());

    // One-off commands go on in the console meanwhile.
    TypeAndGo(QStringLiteral("echo one-off"));
    ASSERT_TRUE(WaitForRun());
    EXPECT_TRUE(ConsoleText().contains(QStringLiteral("\none-off\n")));

    Click("btnServiceStop");
    ASSERT_TRUE(TurnUntil([this] { return State(QStringLiteral("Development server")) == QStringLiteral("Stopped"); }, 20000));
    EXPECT_TRUE(ProcessesRunning({"sleep", "341"}).empty());
    EXPECT_FALSE(Find<QPushButton>("btnServiceOpen")->isEnabled());
    EXPECT_EQ(Window->findChild<TfrmServices*>()->ServerAddress(project), QString());

    // The end a quit signal takes: the window goes without being closed, and its
    // services go with it.
    Click("btnServiceStart");
    ASSERT_TRUE(TurnUntil([this] { return !ProcessesRunning({"sleep", "341"}).empty(); }, 20000));
    CloseWindow();
    EXPECT_TRUE(ProcessesRunning({"sleep", "341"}).empty());
}

TEST_F(ServicesBoard, ACrashingWorkerIsRestartedThenGivenUp) {
    TServiceRun::BackOffUnit = 10ms;
    Select(QStringLiteral("Queue worker"));
    Click("btnServiceStart");
    ASSERT_TRUE(TurnUntil([this] { return State(QStringLiteral("Queue worker")) == QStringLiteral("Crashed"); }, 30000));
    const auto output = Window->findChild<TfrmServices*>()->findChildren<TConsoleEdit*>(QStringLiteral("edtServiceOutput"));
    QString text;
    for (TConsoleEdit* edit : output) text += edit->toPlainText();
    // The first start and five more, then it is given up and the window says so.
    EXPECT_EQ(text.count(QStringLiteral("worker failing")), 6) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("not started again after 5 attempts")));
    EXPECT_TRUE(Find<QStatusBar>("sbMain")->currentMessage().contains(QStringLiteral("Queue worker")));
    ASSERT_EQ(Desktop.Notifications.size(), 1);
    EXPECT_TRUE(Desktop.Notifications[0].contains(QStringLiteral("shop: Queue worker")));
    // Start begins the count again.
    EXPECT_TRUE(Find<QPushButton>("btnServiceStart")->isEnabled());
}

TEST_F(ServicesBoard, OtherProjectsKeepTheirServicesAndQuittingAsksThenStopsThemAll) {
    // The keyboard reaches the list: Enter on a service starts it.
    auto* list = Find<QTreeWidget>("trvServices");
    EXPECT_TRUE(list->hasFocus());
    Select(QStringLiteral("Scheduler"));
    QTest::keyClick(list, Qt::Key_Return);
    // The list keeps the keyboard and its row while the service starts.
    ASSERT_TRUE(TurnUntil([this] { return State(QStringLiteral("Scheduler")).startsWith(QStringLiteral("Running")); }, 20000));
    EXPECT_TRUE(list->hasFocus()) << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString() : "none");
    ASSERT_NE(list->currentItem(), nullptr);
    EXPECT_EQ(list->currentItem()->text(0), QStringLiteral("Scheduler"));
    // The Enter was the list's: the window did not also run its command box.
    EXPECT_TRUE(Desktop.Errors.empty() && Desktop.Informations.isEmpty());
    EXPECT_FALSE(Window->IsRunning());
    QTest::qWait(1100);  // the board's state refresh comes round
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(list->currentItem()->text(0), QStringLiteral("Queue worker"));
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->currentItem()->text(0), QStringLiteral("Scheduler"));
    ASSERT_TRUE(TurnUntil([this] { return State(QStringLiteral("Scheduler")).startsWith(QStringLiteral("Running")); }, 20000));

    auto* projects = Find<QComboBox>("cmbProjects");
    const int blog = projects->findText(Root + QStringLiteral("/blog"));
    ASSERT_GE(blog, 0);
    projects->setCurrentIndex(blog);
    emit projects->activated(blog);
    const QString other = Root + QStringLiteral("/shop: Scheduler");
    ASSERT_NE(Item(other), nullptr);
    EXPECT_TRUE(State(other).startsWith(QStringLiteral("Running")));
    EXPECT_FALSE(ProcessesRunning({"sleep", "342"}).empty());

    Desktop.ConfirmAnswers = {false};
    EXPECT_FALSE(Window->close());
    ASSERT_EQ(Desktop.Confirms.size(), 1);
    EXPECT_TRUE(Desktop.Confirms[0].contains(other));
    EXPECT_FALSE(ProcessesRunning({"sleep", "342"}).empty());

    Desktop.ConfirmAnswers = {true};
    EXPECT_TRUE(Window->close());
    EXPECT_TRUE(ProcessesRunning({"sleep", "342"}).empty());
}

TEST_F(ServicesBoard, OwnServicesAndQueueOptionsAreKeptAndTickedOnesStartWithTheProject) {
    EditSettings([](QDialog& ADialog) {
        ADialog.findChild<QLineEdit*>(QStringLiteral("edtQueueConnection"))->setText(QStringLiteral("redis"));
        ADialog.findChild<QSpinBox*>(QStringLiteral("spnQueueTries"))->setValue(3);
        AddOwn(ADialog, QStringLiteral("Ticker"), QStringLiteral("echo ticking; exec sleep 346"));
    });
    ASSERT_NE(Item(QStringLiteral("Ticker")), nullptr);
    EXPECT_EQ(Item(QStringLiteral("Queue worker"))->toolTip(0), QStringLiteral("php artisan queue:work redis --tries=3"));
    Select(QStringLiteral("Ticker"));
    auto* autostart = Find<QCheckBox>("chkServiceAutostart");
    EXPECT_FALSE(autostart->isChecked());
    autostart->setChecked(true);

    // The next start selects the project, and its ticked service starts by itself; the
    // others do not.
    CloseWindow();
    EXPECT_TRUE(ProcessesRunning({"sleep", "346"}).empty());
    OpenWindow();
    ASSERT_TRUE(TurnUntil([this] { return State(QStringLiteral("Ticker")).startsWith(QStringLiteral("Running")); }, 20000));
    EXPECT_FALSE(ProcessesRunning({"sleep", "346"}).empty());
    EXPECT_EQ(State(QStringLiteral("Development server")), QStringLiteral("Stopped"));
    Select(QStringLiteral("Ticker"));
    EXPECT_TRUE(Find<QCheckBox>("chkServiceAutostart")->isChecked());
    CloseWindow();
    EXPECT_TRUE(ProcessesRunning({"sleep", "346"}).empty());
}

// Services that misbehave: each gets a state that says what happened, and Stop ends it
// with everything it started.
TEST_F(ServicesBoard, MisbehavingServicesGetAClearStateAndStopEndsThem) {
    TServiceRun::BackOffUnit = 10ms;
    EditSettings([](QDialog& ADialog) {
        AddOwn(ADialog, QStringLiteral("Missing"), QStringLiteral("no-such-program-here"));
        AddOwn(ADialog, QStringLiteral("Quick"), QStringLiteral("true"));
        AddOwn(ADialog, QStringLiteral("Flood"),
               QStringLiteral("while :; do head -c 100000 /dev/zero | tr '\\0' x; echo; sleep 0.1; done"));
        AddOwn(ADialog, QStringLiteral("Stubborn"), QStringLiteral("trap '' INT TERM; sleep 343; sleep 343"));
        AddOwn(ADialog, QStringLiteral("Daemon"), QStringLiteral("setsid sleep 344 & exec sleep 345"));
    });
    for (const char* name : {"Missing", "Quick", "Flood", "Stubborn", "Daemon"}) {
        Select(QString::fromLatin1(name));
        Click("btnServiceStart");
    }
    ASSERT_TRUE(TurnUntil([this] { return State(QStringLiteral("Missing")) == QStringLiteral("Crashed"); }, 30000));
    ASSERT_TRUE(TurnUntil([this] { return State(QStringLiteral("Quick")) == QStringLiteral("Exited with code 0"); }, 20000));
    ASSERT_TRUE(TurnUntil([] { return !ProcessesRunning({"sleep", "344"}).empty() && !ProcessesRunning({"sleep", "343"}).empty(); }, 20000));
    QTest::qWait(1000);  // the flood goes on meanwhile

    for (const char* name : {"Flood", "Stubborn", "Daemon"}) {
        Select(QString::fromLatin1(name));
        EXPECT_TRUE(State(QString::fromLatin1(name)).startsWith(QStringLiteral("Running"))) << name;
        Click("btnServiceStop");
    }
    ASSERT_TRUE(TurnUntil([this] {
        return State(QStringLiteral("Flood")) == QStringLiteral("Stopped") &&
               State(QStringLiteral("Stubborn")) == QStringLiteral("Stopped") &&
               State(QStringLiteral("Daemon")) == QStringLiteral("Stopped");
    }, 30000));
    // An orphan of the tree is reaped by us a moment after it has been killed.
    for (const char* seconds : {"343", "344", "345"})
        EXPECT_TRUE(TurnUntil([seconds] { return ProcessesRunning({"sleep", seconds}).empty(); }, 5000)) << seconds;
    // The flood's view kept within its bound.
    for (TConsoleEdit* view : Window->findChildren<TConsoleEdit*>(QStringLiteral("edtServiceOutput")))
        EXPECT_LE(view->document()->characterCount(), TfrmServices::kOutputCapacity + 4096);
}

}  // namespace

// A framework whose command list has dev:list names processes of its own: the board
// reads them through the project's tools and offers each as a service.
TEST_F(ServicesBoard, TheProcessesDevListNamesJoinTheBoard) {
    const QString blog = Root + QStringLiteral("/blog");
    const QString record = Path(QStringLiteral("dev-list-args"));
    WriteFile(blog + QStringLiteral("/artisan"), "<?php\n");
    WriteFile(Path(QStringLiteral("fake php")),
              QByteArray(kFakePhp).replace(
                  "esac\n",
                  "  list) echo '{\"commands\":[{\"name\":\"dev:list\",\"definition\":{}}]}';;\n"
                  "  dev:list) echo \"$*|$PWD\" > '" + record.toUtf8() + "';"
                  " echo '[{\"name\":\"Clock\",\"command\":\"php artisan schedule:work --verbose\"},{\"name\":\"broken\"}]';;\n"
                  "esac\n"));
    auto* projects = Find<QComboBox>("cmbProjects");
    const int index = projects->findText(blog);
    ASSERT_GE(index, 0);
    projects->setCurrentIndex(index);
    emit projects->activated(index);

    ASSERT_TRUE(TurnUntil([this] { return Item(QStringLiteral("Clock")) != nullptr; }, 20000));
    EXPECT_EQ(ReadFile(record), ("artisan dev:list --json|" + blog + u'\n').toUtf8());
    EXPECT_EQ(Item(QStringLiteral("Clock"))->toolTip(0), QStringLiteral("php artisan schedule:work --verbose"));
    // The entry without a command is said under the list.
    EXPECT_TRUE(Find<QLabel>("lblServicesProblems")->text().contains(QStringLiteral("dev:list")));

    Select(QStringLiteral("Clock"));
    Click("btnServiceStart");
    ASSERT_TRUE(TurnUntil([this] { return State(QStringLiteral("Clock")).startsWith(QStringLiteral("Running")); }, 20000));
    TServiceRun* clock = Window->findChild<TfrmServices*>()->Service(blog, QStringLiteral("list:Clock"));
    ASSERT_NE(clock, nullptr);
    EXPECT_EQ(clock->Request().Tool, TRunRequest::TTool::Artisan);
    EXPECT_EQ(clock->Request().Arguments, "schedule:work --verbose");
    EXPECT_FALSE(ProcessesRunning({"sleep", "342"}).empty());
    Click("btnServiceStop");
    ASSERT_TRUE(TurnUntil([] { return ProcessesRunning({"sleep", "342"}).empty(); }, 20000));
}
