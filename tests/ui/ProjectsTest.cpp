#include "WindowFixture.h"

#include <QAction>
#include <QComboBox>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>
#include <QToolTip>
#include <QtTest/QTest>

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
