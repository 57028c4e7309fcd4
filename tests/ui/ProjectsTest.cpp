#include "WindowFixture.h"

#include "app/ProjectFolders.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QToolTip>
#include <QtTest/QTest>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

class Projects : public WindowTest {
protected:
    QComboBox* List() const { return Find<QComboBox>("cmbProjects"); }

    QStringList Entries() const {
        QStringList entries;
        for (int i = 0; i < List()->count(); ++i) entries.append(List()->itemText(i));
        return entries;
    }

    void ChooseProject(int index) {
        List()->setCurrentIndex(index);
        emit List()->activated(index);
    }

    void Refresh() { QTest::mouseClick(Find<QToolButton>("SpeedButton1"), Qt::LeftButton); }
};

TEST_F(Projects, FirstStartWritesTheTwoEmptyKeysInOrder) {
    OpenWindow();
    EXPECT_TRUE(Find<QLineEdit>("edtRoot")->text().isEmpty());
    EXPECT_EQ(List()->count(), 0);
    QByteArray settings = ReadFile(SettingsFile());
    if (settings.startsWith("\xEF\xBB\xBF")) settings.remove(0, 3);
    EXPECT_EQ(settings, QByteArray("[Settings]\r\nRoot=\r\nProject=\r\n"));
}

TEST_F(Projects, ListsSubFoldersSortedWithHiddenOnesAndSelectsTheStoredProject) {
    const QString root = MakeRoot({"beta", ".hidden", "Alpha", "gamma"},
                                  Path(QStringLiteral("www/BETA")));
    WriteFile(root + QStringLiteral("/notes.txt"), "a file is no project");
    QDir().mkpath(root + QStringLiteral("/Alpha/nested"));
    QFile::link(root + QStringLiteral("/gamma"), root + QStringLiteral("/linked"));
    OpenWindow();
    EXPECT_EQ(Find<QLineEdit>("edtRoot")->text(), root);
    EXPECT_EQ(Entries(), QStringList({root + "/.hidden", root + "/Alpha", root + "/beta",
                                      root + "/gamma", root + "/linked"}));
    EXPECT_EQ(List()->currentText(), root + QStringLiteral("/beta"));
    // Selecting the stored project is no choice: the stored text keeps its letter case.
    EXPECT_EQ(Window->sActiveProject(), Path(QStringLiteral("www/BETA")));
    EXPECT_TRUE(ReadFile(SettingsFile()).contains("Project=" + Path("www/BETA").toUtf8() + "\r\n"));
}

TEST(ProjectFolderOrder, LetterCaseIsIgnoredThenBreaksTiesForAsciiAndOtherNames) {
    const struct {
        QStringList Made, Listed;
    } cases[] = {
        // "_" sorts before the letters once they are taken as small ones.
        {{"b", "ab", "Ab", "_b", "AB"}, {"_b", "AB", "Ab", "ab", "b"}},
        {{"f", "\u00e9", "E", "\u00c9"}, {"E", "f", "\u00c9", "\u00e9"}},
    };
    for (const auto& c : cases) {
        QTemporaryDir root;
        for (const QString& name : c.Made) ASSERT_TRUE(QDir(root.path()).mkdir(name));
        QStringList listed;
        for (const TProjectFolder& folder : ReadProjectFolders(root.path()))
            listed.append(QFileInfo(folder.Path).fileName());
        EXPECT_EQ(listed, c.Listed);
    }
}

TEST_F(Projects, OnlyFoldersAndLinksToFoldersAreListed) {
    const QString root = MakeRoot({"proj"});
    ASSERT_EQ(mkfifo(QFile::encodeName(root + "/pipe").constData(), 0600), 0);
    const int unixSocket = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(unixSocket, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = QFile::encodeName(root + "/socket");
    ASSERT_LT(size_t(socketPath.size()), sizeof address.sun_path);
    memcpy(address.sun_path, socketPath.constData(), size_t(socketPath.size()));
    ASSERT_EQ(bind(unixSocket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    WriteFile(root + "/file", "not a project");
    ASSERT_TRUE(QFile::link(root + "/nowhere", root + "/dangling"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), root + "/device"));
    ASSERT_TRUE(QFile::link(root + "/file", root + "/filelink"));
    ASSERT_TRUE(QFile::link(root + "/proj", root + "/projlink"));
    OpenWindow();
    close(unixSocket);
    EXPECT_EQ(Entries(), QStringList({root + "/proj", root + "/projlink"}));
}

// Notes whether its window has been painted.
class PaintWatch : public QObject {
public:
    bool Painted = false;
    bool eventFilter(QObject*, QEvent* event) override {
        Painted = Painted || event->type() == QEvent::Paint;
        return false;
    }
};

TEST_F(Projects, AShownWindowFillsTheListRightAfterItsFirstPaint) {
    const QString root = MakeRoot({"one", "two"}, Path(QStringLiteral("www/two")));
    DataModule = std::make_unique<TdtmMain>(Desktop);
    Window = std::make_unique<TfrmMain>(*DataModule, Desktop, Environment);
    PaintWatch watch;
    Window->installEventFilter(&watch);
    bool paintedWhenFilled = false;
    // The list fills in one reset of its model.
    QObject::connect(List()->model(), &QAbstractItemModel::modelReset, [&] {
        if (List()->count() > 0) paintedWhenFilled = watch.Painted;
    });
    Window->show();
    EXPECT_TRUE(Window->IsProjectListPending());
    EXPECT_EQ(List()->count(), 0);
    EXPECT_EQ(Find<QLineEdit>("edtRoot")->text(), root) << "the root shows from the start";

    QElapsedTimer waited;
    waited.start();
    while (Window->IsProjectListPending() && waited.elapsed() < 10000) QTest::qWait(5);
    EXPECT_TRUE(paintedWhenFilled);
    EXPECT_EQ(Entries(), QStringList({root + "/one", root + "/two"}));
    EXPECT_EQ(List()->currentText(), root + QStringLiteral("/two"));
}

// The list fills as soon as the folders are listed; which of them are plain (no artisan
// file, no composer.json, a link counting as what it leads to) is looked into afterwards
// and greys them in place.
TEST_F(Projects, AShownWindowGreysThePlainFoldersOnceItHasLookedIntoThem) {
    const QString root = MakeRoot({"docs", "laravel", "package"}, Path(QStringLiteral("www/laravel")));
    WriteFile(root + QStringLiteral("/laravel/artisan"), "<?php\n");
    WriteFile(root + QStringLiteral("/package/composer.json"), "{}\n");
    ASSERT_TRUE(QFile::link(root + "/laravel", root + "/linked"));
    DataModule = std::make_unique<TdtmMain>(Desktop);
    Window = std::make_unique<TfrmMain>(*DataModule, Desktop, Environment);
    Window->show();

    QElapsedTimer waited;
    waited.start();
    while ((Window->IsProjectListPending() || List()->itemData(0, Qt::ToolTipRole).isNull()) &&
           waited.elapsed() < 10000)
        QTest::qWait(5);
    ASSERT_EQ(Entries(), QStringList({root + "/docs", root + "/laravel", root + "/linked", root + "/package"}));
    EXPECT_FALSE(List()->itemData(0, Qt::ToolTipRole).toString().isEmpty());
    EXPECT_TRUE(List()->itemData(0, Qt::ForegroundRole).isValid());
    for (int i : {1, 2, 3}) {
        EXPECT_TRUE(List()->itemData(i, Qt::ToolTipRole).isNull()) << i;
        EXPECT_FALSE(List()->itemData(i, Qt::ForegroundRole).isValid()) << i;
    }
    EXPECT_EQ(List()->currentText(), root + QStringLiteral("/laravel"));
}

TEST_F(Projects, RootWithoutSubFoldersOrMissingGivesAnEmptyList) {
    MakeRoot({});
    OpenWindow();
    EXPECT_EQ(List()->count(), 0);
    EXPECT_EQ(List()->currentIndex(), -1);

    WriteFile(SettingsFile(), "[Settings]\r\nRoot=" + Path("missing").toUtf8() + "\r\n");
    OpenWindow();
    EXPECT_EQ(Find<QLineEdit>("edtRoot")->text(), Path(QStringLiteral("missing")));
    EXPECT_EQ(List()->count(), 0);
}

TEST_F(Projects, ChoiceIsStoredAndSurvivesARestart) {
    const QString root = MakeRoot({"one", "two"});
    OpenWindow();
    EXPECT_EQ(List()->currentIndex(), -1);
    ChooseProject(1);
    EXPECT_EQ(Window->sActiveProject(), root + QStringLiteral("/two"));
    EXPECT_TRUE(ReadFile(SettingsFile()).contains("Project=" + root.toUtf8() + "/two\r\n"));

    OpenWindow();
    EXPECT_EQ(Find<QLineEdit>("edtRoot")->text(), root);
    EXPECT_EQ(List()->currentText(), root + QStringLiteral("/two"));
}

TEST_F(Projects, BrowseToAnotherRootKeepsTheStoredProjectUntilAChoice) {
    const QString root = MakeRoot({"one"}, Path(QStringLiteral("www/one")));
    const QString other = Path(QStringLiteral("other"));
    QDir().mkpath(other + QStringLiteral("/site"));
    OpenWindow();
    Desktop.FolderAnswers = {other};
    QTest::mouseClick(Find<QPushButton>("btnBrowse"), Qt::LeftButton);

    EXPECT_EQ(Desktop.FolderRequests, 1);
    EXPECT_EQ(Find<QLineEdit>("edtRoot")->text(), other);
    EXPECT_EQ(Entries(), QStringList({other + QStringLiteral("/site")}));
    EXPECT_EQ(List()->currentIndex(), -1);
    const QByteArray settings = ReadFile(SettingsFile());
    EXPECT_TRUE(settings.contains("Root=" + other.toUtf8() + "\r\n"));
    EXPECT_TRUE(settings.contains("Project=" + root.toUtf8() + "/one\r\n"));
}

TEST_F(Projects, FirstStartWelcomesThenBrowseChoosesTheFirstLaravelProjectOrSaysWhyNone) {
    OpenWindow();
    EXPECT_TRUE(Window->Console().placeholderText().contains(QStringLiteral("with Browse\u2026")));
    EXPECT_EQ(ConsoleText(), QString());  // the welcome is no text of the console's

    const QString web = Path(QStringLiteral("web"));
    for (const char* folder : {"alpha", "blog", "shop"}) QDir().mkpath(web + u'/' + QLatin1String(folder));
    for (const char* file : {"blog/artisan", "shop/artisan", "shop/composer.json"})
        WriteFile(web + u'/' + QLatin1String(file), "");
    const QString empty = Path(QStringLiteral("empty"));
    const QString plain = Path(QStringLiteral("plain"));
    QDir().mkpath(empty);
    for (const char* folder : {"docs", "notes"}) QDir().mkpath(plain + u'/' + QLatin1String(folder));
    const struct {
        QString root;
        QString chosen;
        QString said;
    } cases[] = {
        {empty, QString(), empty + QStringLiteral(" has no sub-folders: choose the folder that holds your Laravel projects.")},
        {plain, QString(), QStringLiteral("None of the 2 folders in ") + plain +
                               QStringLiteral(" has an artisan file: is it the folder that holds your Laravel projects?")},
        {web, web + QStringLiteral("/blog"), QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.root.toStdString());
        Find<QStatusBar>("sbMain")->clearMessage();
        Desktop.FolderAnswers = {c.root};
        QTest::mouseClick(Find<QPushButton>("btnBrowse"), Qt::LeftButton);
        EXPECT_EQ(List()->currentText(), c.chosen);
        EXPECT_EQ(Find<QStatusBar>("sbMain")->currentMessage().startsWith(c.said), true)
            << Find<QStatusBar>("sbMain")->currentMessage().toStdString();
        EXPECT_EQ(Window->Console().placeholderText(), QString());
    }
    EXPECT_TRUE(ReadFile(SettingsFile()).contains("Project=" + web.toUtf8() + "/blog\r\n"));
    // A folder that is neither a Laravel nor a Composer project is marked in the list.
    EXPECT_FALSE(List()->itemData(0, Qt::ToolTipRole).toString().isEmpty());
    EXPECT_TRUE(List()->itemData(1, Qt::ToolTipRole).isNull());
    EXPECT_TRUE(List()->itemData(2, Qt::ToolTipRole).isNull());
}

TEST_F(Projects, CancelledChooserChangesNothing) {
    const QString root = MakeRoot({"one"}, Path(QStringLiteral("www/one")));
    OpenWindow();
    const QByteArray before = ReadFile(SettingsFile());
    Desktop.FolderAnswers = {std::nullopt};
    QTest::mouseClick(Find<QPushButton>("btnBrowse"), Qt::LeftButton);
    EXPECT_EQ(Desktop.FolderRequests, 1);
    EXPECT_EQ(Find<QLineEdit>("edtRoot")->text(), root);
    EXPECT_EQ(List()->currentText(), root + QStringLiteral("/one"));
    EXPECT_EQ(ReadFile(SettingsFile()), before);
}

TEST_F(Projects, RefreshShowsNewFoldersAndKeepsTheListWhenTheRootIsGone) {
    const QString root = MakeRoot({"one"}, Path(QStringLiteral("www/one")));
    OpenWindow();
    QDir().mkpath(root + QStringLiteral("/new"));
    Refresh();
    EXPECT_EQ(Entries(), QStringList({root + "/new", root + "/one"}));
    EXPECT_EQ(List()->currentText(), root + QStringLiteral("/one"));

    ASSERT_TRUE(QDir(root).removeRecursively());
    Refresh();
    EXPECT_EQ(Entries(), QStringList({root + "/new", root + "/one"}));
    EXPECT_EQ(List()->currentText(), root + QStringLiteral("/one"));
}

TEST_F(Projects, RefreshButtonShowsTheActionsPictureAndHintButNoTooltip) {
    OpenWindow();
    Window->show();
    auto* button = Find<QToolButton>("SpeedButton1");
    EXPECT_EQ(button->defaultAction(), DataModule->actRefreshAll);
    EXPECT_EQ(DataModule->actRefreshAll->toolTip(), QStringLiteral("Refresh List"));
    EXPECT_EQ(DataModule->imgList.at(0).size(), QSize(16, 16));
    EXPECT_FALSE(button->icon().isNull());
    EXPECT_FALSE(button->autoRaise());
    EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);

    QHelpEvent tooltip(QEvent::ToolTip, QPoint(5, 5), button->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(button, &tooltip);
    EXPECT_FALSE(QToolTip::isVisible());
}

TEST_F(Projects, RootAndProjectWithBlanksAtTheirEndsSurviveARestart) {
    const QString root = Path(QStringLiteral(" my www "));
    QDir().mkpath(root + QStringLiteral("/ blog "));
    QDir().mkpath(root + QStringLiteral("/shop"));
    OpenWindow();
    Desktop.FolderAnswers = {root};
    QTest::mouseClick(Find<QPushButton>("btnBrowse"), Qt::LeftButton);
    ChooseProject(0);
    ASSERT_EQ(List()->currentText(), root + QStringLiteral("/ blog "));

    OpenWindow();
    EXPECT_EQ(Find<QLineEdit>("edtRoot")->text(), root);
    EXPECT_EQ(Window->sActiveProject(), root + QStringLiteral("/ blog "));
    EXPECT_EQ(List()->currentText(), root + QStringLiteral("/ blog "));
}

TEST_F(Projects, AFailedStoreIsSaidOnceInTheStatusBar) {
    const QString root = MakeRoot({"one"});
    QFile::setPermissions(SettingsFile(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    const QByteArray before = ReadFile(SettingsFile());
    OpenWindow();
    auto* statusBar = Find<QStatusBar>("sbMain");
    const QString message = QStringLiteral("Settings could not be saved: Permission denied");
    EXPECT_EQ(statusBar->currentMessage(), message);
    // The flow goes on: the root is shown and its projects listed.
    EXPECT_EQ(Find<QLineEdit>("edtRoot")->text(), root);
    EXPECT_EQ(Entries(), QStringList({root + QStringLiteral("/one")}));

    QStringList shown;
    QObject::connect(statusBar, &QStatusBar::messageChanged, [&](const QString& text) { shown.append(text); });
    ChooseProject(0);  // fails again: nothing new is said
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_EQ(ReadFile(SettingsFile()), before);

    QFile::setPermissions(SettingsFile(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    ChooseProject(0);
    EXPECT_EQ(shown, QStringList({QString()}));
    EXPECT_TRUE(ReadFile(SettingsFile()).contains("Project=" + root.toUtf8() + "/one\r\n"));
}

}  // namespace
