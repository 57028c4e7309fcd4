#include "WindowFixture.h"

#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest/QTest>

namespace {

using MainWindow = WindowTest;

TEST_F(MainWindow, EnterInTheCommandBoxRunsItInTheSelectedProject) {
    const QString root = MakeRoot({QStringLiteral("blog")}, Path(QStringLiteral("www/blog")));
    OpenWindow();
    auto* command = Find<QLineEdit>("edtCommand");
    command->setText(QStringLiteral("pwd; printf 'caf\\303\\251\\r\\n' >&2"));
    QTest::keyClick(command, Qt::Key_Return);
    ASSERT_TRUE(WaitForRun());

    EXPECT_TRUE(Desktop.Errors.empty());
    EXPECT_EQ(ConsoleWithEndLinesMarked(),
              QStringLiteral("\nCommand: pwd; printf 'caf\\303\\251\\r\\n' >&2\n") + root +
                  QStringLiteral("/blog\ncafé\n\n<end>\n"));
    EXPECT_TRUE(ConsoleText().contains(QStringLiteral("\nExit code 0 \u00B7 ")));
    EXPECT_EQ(command->text(), QStringLiteral("pwd; printf 'caf\\303\\251\\r\\n' >&2"));
    EXPECT_EQ(Window->RunLine(), command->text());
}

TEST_F(MainWindow, RunWithAnEmptyCommandBoxShowsTheErrorAndRunsNothing) {
    OpenWindow();
    QTest::mouseClick(Find<QPushButton>("btnRun"), Qt::LeftButton);
    ASSERT_EQ(Desktop.Errors.size(), 1u);
    EXPECT_EQ(Desktop.Errors[0].Title, QStringLiteral("Tarnwick 2"));
    EXPECT_EQ(Desktop.Errors[0].Text, QStringLiteral("Command String Empty."));
    EXPECT_EQ(ConsoleText(), QString());
}

TEST_F(MainWindow, HandlerErrorsStopAtTheHandlersEdgeWithTheDefaultBox) {
    // click() emits the signal directly, not through the application's notify(): an
    // exception that the handler's edge does not catch leaves click() itself.
    OpenWindow();
    auto* button = Find<QAbstractButton>("btnRun");
    EXPECT_NO_THROW(button->click());
    ASSERT_TRUE(WaitForRun());
    ASSERT_EQ(Desktop.Errors.size(), 1u);
    EXPECT_EQ(Desktop.Errors[0].Title, QStringLiteral("Tarnwick 2"));
    EXPECT_EQ(Desktop.Errors[0].Text, QStringLiteral("Command String Empty."));
}

// Without a project, or with its folder gone, nothing starts and one line says why.
TEST_F(MainWindow, WithoutAProjectTheCommandDoesNotStartAndOneLineSaysWhy) {
    OpenWindow();
    const QString marker = Path(QStringLiteral("ran"));
    Find<QLineEdit>("edtCommand")->setText(QStringLiteral("touch ") + marker);
    QTest::mouseClick(Find<QPushButton>("btnRun"), Qt::LeftButton);
    ASSERT_TRUE(WaitForRun());
    EXPECT_TRUE(Desktop.Errors.empty());
    EXPECT_FALSE(QFile::exists(marker));
    EXPECT_EQ(ConsoleText(), QStringLiteral("Could not start \u00B7 No project is selected.\n"));

    const QString project = MakeRoot({QStringLiteral("blog")}, Path(QStringLiteral("www/blog"))) +
                            QStringLiteral("/blog");
    OpenWindow();
    ASSERT_FALSE(Window->sActiveProject().isEmpty());
    ASSERT_TRUE(QDir(project).removeRecursively());
    Find<QLineEdit>("edtCommand")->setText(QStringLiteral("touch ") + marker);
    QTest::mouseClick(Find<QPushButton>("btnRun"), Qt::LeftButton);
    ASSERT_TRUE(WaitForRun());
    EXPECT_FALSE(QFile::exists(marker));
    EXPECT_EQ(ConsoleText(), QStringLiteral("Could not start \u00B7 The project folder \"") + project +
                                 QStringLiteral("\" no longer exists. Choose another project, or refresh "
                                                "the list (Ctrl+R).\n"));
}

TEST_F(MainWindow, ErrorBoxAppendsAFullStopOnlyWhereItIsMissing) {
    const struct {
        const char* message;
        const char* shown;
    } cases[] = {{"RichEdit line insertion error", "RichEdit line insertion error."},
                 {"Command String Empty.", "Command String Empty."},
                 {"Ends in a comma,", "Ends in a comma,"},
                 {"Ends in a bracket)", "Ends in a bracket)"},
                 {"", ""}};
    for (const auto& c : cases) {
        Desktop.Errors.clear();
        ShowDefaultErrorBox(Desktop, nullptr, QString::fromLatin1(c.message));
        ASSERT_EQ(Desktop.Errors.size(), 1u);
        EXPECT_EQ(Desktop.Errors[0].Text, QString::fromLatin1(c.shown)) << c.message;
        EXPECT_EQ(Desktop.Errors[0].Title, QStringLiteral("Tarnwick 2"));
    }
}

TEST_F(MainWindow, HasItsLayoutMenuAndTabOrder) {
    OpenWindow();
    Window->show();
    EXPECT_EQ(Window->centralWidget()->size(), QSize(644, 513));
    auto* pages = Find<QTabWidget>("pgMain");
    const QStringList expectedPages = {"tabGeneral", "TabSheet2", "tabMake",
                                       "tabMigration", "tabRoute", "TabSheet1"};
    const QStringList captions = {"General", "DB", "Make", "Migration", "Route", "Composer"};
    ASSERT_EQ(pages->count(), 7);  // the six preset pages, then Pinned
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(pages->widget(i)->objectName(), expectedPages[i]);
        EXPECT_EQ(pages->tabText(i), captions[i]);
    }
    const struct {
        const char* name;
        QRect geometry;
    } placed[] = {{"edtRoot", {9, 63, 456, 21}},     {"btnBrowse", {471, 61, 75, 25}},
                  {"cmbProjects", {9, 108, 456, 21}}, {"SpeedButton1", {472, 108, 23, 22}},
                  {"edtCommand", {9, 165, 456, 21}}, {"btnRun", {471, 163, 75, 25}},
                  {"PanelLine1", {9, 35, 620, 1}},   {"imgDonate", {535, 3, 92, 26}}};
    for (const auto& p : placed)
        EXPECT_EQ(Find<QWidget>(p.name)->geometry(), p.geometry) << p.name;

    // Labels keep their place and size themselves to their text; the right-justified
    // one keeps its right edge.
    const struct {
        const char* name;
        QPoint topLeft;
        const char* text;
    } labels[] = {{"lblfennoway", {10, 9}, nullptr},
                  {"Label2", {9, 44}, "www Root Folder:"},
                  {"Label3", {9, 92}, "Working Project"},
                  {"Label1", {9, 146}, "Command:"}};
    for (const auto& l : labels) {
        auto* label = Find<QLabel>(l.name);
        EXPECT_EQ(label->pos(), l.topLeft) << l.name;
        if (l.text) {
            EXPECT_EQ(label->text(), QLatin1String(l.text));
        }
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text())) << l.name;
    }
    EXPECT_EQ(Find<QLabel>("Label4")->geometry().right(), 517 + 106 - 1);

    EXPECT_TRUE(Find<QLineEdit>("edtRoot")->isReadOnly());
    EXPECT_EQ(Find<QPushButton>("btnBrowse")->text(), QStringLiteral("&Browse"));
    EXPECT_EQ(Find<QPushButton>("btnRun")->text(), QStringLiteral("&Run"));
    EXPECT_EQ(Find<QLineEdit>("edtCommand")->toolTip(),
              QStringLiteral("Example: php artisan make:migration TestMigration"));
    EXPECT_EQ(Find<QLabel>("Label4")->text(), QStringLiteral("Be Generous Please :)"));
    EXPECT_FALSE(Find<QLabel>("Label4")->isEnabled());
    EXPECT_EQ(Find<QLabel>("imgDonate")->toolTip(),
              QStringLiteral("When you donate you become my Boss. What can I do for you boss?"));

    // The File menu ends with Check for Updates, a separator and Exit.
    auto* file = Find<QMenu>("File1");
    const QList<QAction*> items = file->actions().mid(file->actions().size() - 3);
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0]->text(), QStringLiteral("&Check for Updates"));
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_EQ(items[1]->objectName(), QStringLiteral("N1"));
    EXPECT_EQ(items[2]->text(), QStringLiteral("&Exit"));

    // Focus moves from Run to the command box, the root box, Browse and the project list.
    const QStringList order = {"btnRun", "edtCommand", "edtRoot", "btnBrowse", "cmbProjects"};
    QWidget* widget = Find<QWidget>("btnRun");
    for (int i = 1; i < order.size(); ++i) {
        widget = widget->nextInFocusChain();
        while (widget->focusPolicy() == Qt::NoFocus) widget = widget->nextInFocusChain();
        EXPECT_EQ(widget->objectName(), order[i]);
    }
}

TEST_F(MainWindow, EnlargingWidensTheLowerPartsAndKeepsTheTopRightControlsAtTheEdge) {
    OpenWindow();
    Window->show();
    const QRect consoleBefore = Window->Console().geometry();
    const QRect pagesBefore = Find<QWidget>("pgMain")->geometry();
    const QRect browseBefore = Find<QWidget>("btnBrowse")->geometry();
    const int donateGap = Find<QWidget>("panTop")->width() - Find<QWidget>("imgDonate")->geometry().right();
    const int labelGap = Find<QWidget>("panTop")->width() - Find<QWidget>("Label4")->geometry().right();

    Window->resize(Window->width() + 200, Window->height() + 100);
    QApplication::processEvents();

    EXPECT_EQ(Window->Console().width(), consoleBefore.width() + 200);
    EXPECT_EQ(Window->Console().height(), consoleBefore.height() + 100);
    EXPECT_EQ(Find<QWidget>("pgMain")->width(), pagesBefore.width() + 200);
    EXPECT_EQ(Find<QWidget>("pgMain")->height(), pagesBefore.height());
    EXPECT_EQ(Find<QWidget>("btnBrowse")->geometry(), browseBefore);
    EXPECT_EQ(Find<QWidget>("panTop")->width() - Find<QWidget>("imgDonate")->geometry().right(), donateGap);
    EXPECT_EQ(Find<QWidget>("panTop")->width() - Find<QWidget>("Label4")->geometry().right(), labelGap);
    EXPECT_EQ(Find<QStatusBar>("sbMain")->width(), Find<QWidget>("panTop")->width());
}

TEST_F(MainWindow, LinksAskTheDesktopToOpenTheirPages) {
    OpenWindow();
    Window->show();
    QTest::mouseClick(Find<QLabel>("lblfennoway"), Qt::LeftButton);
    QTest::mouseClick(Find<QLabel>("imgDonate"), Qt::LeftButton);
    EXPECT_EQ(Desktop.OpenedUrls, QStringList({TfrmMain::kSiteAddress, TfrmMain::kDonateAddress}));
}

TEST_F(MainWindow, TheSiteLinkTakesTheThemesLinkColour) {
    OpenWindow();
    auto* link = Find<QLabel>("lblfennoway");
    // A dark theme: its link colour is made to be read there, its selection colour is not.
    QPalette dark = Window->palette();
    dark.setColor(QPalette::Window, QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::Link, QColor(0x8a, 0xb4, 0xf8));
    dark.setColor(QPalette::Highlight, QColor(0x26, 0x4f, 0x78));
    Window->setPalette(dark);
    EXPECT_EQ(link->palette().color(link->foregroundRole()), QColor(0x8a, 0xb4, 0xf8));
    EXPECT_TRUE(link->font().underline());
}

TEST_F(MainWindow, HelpMenuOpensTheDocumentationTheShortcutsAndAbout) {
    OpenWindow();
    QStringList menus;
    for (QAction* menu : Find<QMenuBar>("menMain")->actions()) menus.append(menu->text());
    EXPECT_EQ(menus.last(), QStringLiteral("&Help"));
    EXPECT_EQ(Find<QAction>("menDocumentation")->shortcut(), QKeySequence(Qt::Key_F1));

    Find<QAction>("menDocumentation")->trigger();
    EXPECT_EQ(Desktop.OpenedUrls, QStringList{TfrmMain::kDocumentationAddress});

    QStringList rows;
    Desktop.OnShowModal = [&rows](QDialog& dialog) {
        auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("tblShortcuts"));
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(table->accessibleName(), QStringLiteral("Keyboard shortcuts"));
        for (int row = 0; row < table->rowCount(); ++row)
            rows.append(table->item(row, 0)->text() + u'=' + table->item(row, 1)->text());
    };
    Find<QAction>("menKeyboardShortcuts")->trigger();
    for (const char* row : {"Ctrl+Shift+P=Commands > Run Any Command\u2026", "F5=File > Run Again",
                            "Ctrl+Q=File > Exit", "F1=Help > Documentation", "Esc=Stop the running command"})
        EXPECT_TRUE(rows.contains(QString::fromUtf8(row))) << row << "\n" << rows.join(u'|').toStdString();

    QString about;
    Desktop.OnShowModal = [&about](QDialog& dialog) {
        about = dialog.windowTitle() + u'|' +
                dialog.findChild<QLabel*>(QStringLiteral("lblAboutVersion"))->text() + u'|' +
                dialog.findChild<QLabel*>(QStringLiteral("lblAboutText"))->text();
        dialog.findChild<QPushButton*>(QStringLiteral("btnAboutSite"))->click();
    };
    Find<QAction>("menAbout")->trigger();
    EXPECT_TRUE(about.startsWith(QStringLiteral("About Tarnwick|Tarnwick 2 ") +
                                 QString::fromStdString(DataModule->kelvoVersion.FileVersion()) + u'|'))
        << about.toStdString();
    EXPECT_TRUE(about.contains(TfrmMain::kCopyrightNotice));
    EXPECT_EQ(Desktop.OpenedUrls.last(), TfrmMain::kSiteAddress);
}

TEST_F(MainWindow, TheLayoutIsKeptFromOneCloseToTheNextStart) {
    const auto showAndSettle = [this] {
        Window->show();
        QCoreApplication::processEvents();
        return Find<QSplitter>("Splitter1")->sizes();
    };
    OpenWindow();
    EXPECT_FALSE(Window->GeometryRestored());  // the first start is laid out as always
    const QSize firstSize = Window->size();
    const QList<int> firstSizes = showAndSettle();
    EXPECT_EQ(Find<QTabWidget>("pgMain")->currentWidget()->objectName(), QStringLiteral("tabGeneral"));

    Window->resize(900, 700);
    QCoreApplication::processEvents();
    auto* splitter = Find<QSplitter>("Splitter1");
    splitter->setSizes({150, splitter->sizes()[0] + splitter->sizes()[1] - 150});
    const QList<int> chosenSizes = splitter->sizes();
    Find<QTabWidget>("pgMain")->setCurrentWidget(Find<QWidget>("tabMigration"));
    Window->close();

    OpenWindow();
    EXPECT_TRUE(Window->GeometryRestored());
    EXPECT_EQ(Window->size(), QSize(900, 700));
    EXPECT_EQ(showAndSettle(), chosenSizes);
    EXPECT_EQ(Find<QTabWidget>("pgMain")->currentWidget()->objectName(), QStringLiteral("tabMigration"));

    // What cannot be read back leaves the first start's layout.
    QFile settings(SettingsFile());
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
    settings.write("[Layout]\nGeometry=%%%\nSplitter=1,x\nPage=btnRun\n");
    settings.close();
    OpenWindow();
    EXPECT_FALSE(Window->GeometryRestored());
    EXPECT_EQ(Window->size(), firstSize);
    EXPECT_EQ(showAndSettle(), firstSizes);
    EXPECT_EQ(Find<QTabWidget>("pgMain")->currentWidget()->objectName(), QStringLiteral("tabGeneral"));
}

TEST_F(MainWindow, ExitClosesTheWindow) {
    OpenWindow();
    Window->show();
    Find<QAction>("menExit")->trigger();
    EXPECT_FALSE(Window->isVisible());
}

}  // namespace
