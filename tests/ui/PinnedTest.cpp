#include "StandInFixture.h"
#include "app/PinStore.h"
#include "app/frmPaletteUnit.h"
#include "app/frmPinnedPage.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest/QTest>

namespace {

// The Pinned page of a window over a root of projects, with php and composer replaced by
// stand-ins that record how they were started.
class Pinned : public StandInWindowTest {
protected:
    QString PinsFile() const { return Path(QStringLiteral("bin/pins.ini")); }

    QListWidget* List() const { return Find<QListWidget>("lstPins"); }

    QStringList Rows() const {
        QStringList rows;
        for (int i = 0; i < List()->count(); ++i) rows.append(List()->item(i)->text());
        return rows;
    }

    // Pins ALine from the palette, as its Pin button does.
    void PinFromPalette(const QString& ALine, bool AAllProjects) {
        emit Window->Palette().pinRequested(ALine, AAllProjects);
    }

    void ChooseProject(const QString& AName) {
        auto* projects = Find<QComboBox>("cmbProjects");
        const int index = projects->findText(Path(QStringLiteral("www/")) + AName);
        ASSERT_GE(index, 0) << AName.toStdString();
        projects->setCurrentIndex(index);
        emit projects->activated(index);
    }

    void ClickRow(int ARow) {
        QListWidget* list = List();
        list->scrollToItem(list->item(ARow));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(ARow)).center());
    }

    // Triggers the context menu's entry ANamed for the row.
    void MenuOn(int ARow, const char* ANamed) {
        QMenu* menu = Window->PinnedPage().RowMenu(ARow);
        auto* action = menu->findChild<QAction*>(QLatin1String(ANamed));
        ASSERT_NE(action, nullptr) << ANamed;
        ASSERT_TRUE(action->isEnabled()) << ANamed;
        action->trigger();
        delete menu;
    }

    QString TakeRecord() {
        const QString recorded = QString::fromUtf8(ReadFile(Record));
        QFile::remove(Record);
        return recorded;
    }
};

TEST_F(Pinned, APinFromThePaletteShowsOnItsPageAndAClickRunsTheLine) {
    const QString project = MakeRoot({QStringLiteral("shop")}, Path(QStringLiteral("www/shop"))) + QStringLiteral("/shop");
    OpenWindow();
    Window->show();
    auto* pages = Find<QTabWidget>("pgMain");
    ASSERT_EQ(pages->count(), 7);
    EXPECT_EQ(pages->widget(6), &Window->PinnedPage());
    EXPECT_EQ(pages->tabText(6), QStringLiteral("Pinned"));
    EXPECT_EQ(Window->PinnedPage().accessibleName(), QStringLiteral("Pinned"));
    pages->setCurrentWidget(&Window->PinnedPage());
    EXPECT_TRUE(Find<QLabel>("lblPinsHint")->isVisible());
    // All seven tabs, of one width, fit side by side at the first start's size.
    QTabBar* tabs = pages->tabBar();
    for (int i = 0; i < 7; ++i) EXPECT_EQ(tabs->tabRect(i).width(), tabs->tabRect(0).width()) << i;
    EXPECT_LE(tabs->tabRect(6).right(), tabs->width());
    EXPECT_GE(tabs->tabRect(0).width(), 80);

    PinFromPalette(QStringLiteral("php artisan migrate:fresh --seed"), false);
    EXPECT_EQ(Rows(), QStringList{QStringLiteral("migrate:fresh --seed")});
    EXPECT_FALSE(Find<QLabel>("lblPinsHint")->isVisible());
    EXPECT_TRUE(ReadFile(PinsFile()).contains("Line=php artisan migrate:fresh --seed"));

    ClickRow(0);
    EXPECT_TRUE(Window->IsRunning());
    // A second pin while the first runs is refused with the usual note.
    QTest::keyClick(List(), Qt::Key_Return);
    EXPECT_TRUE(Find<QStatusBar>("sbMain")->currentMessage().startsWith(QStringLiteral("A command is still running")));
    ASSERT_TRUE(WaitForRun());
    EXPECT_EQ(Window->RunLine().toStdString(), "php artisan migrate:fresh --seed");
    EXPECT_EQ(TakeRecord(), QStringLiteral("php|artisan|migrate:fresh|--seed\n") + project + u'\n');

    // Enter runs the current row as well.
    QTest::keyClick(List(), Qt::Key_Return);
    ASSERT_TRUE(WaitForRun());
    EXPECT_EQ(TakeRecord(), QStringLiteral("php|artisan|migrate:fresh|--seed\n") + project + u'\n');
}

TEST_F(Pinned, ProjectPinsShowOnlyForTheirProjectAndPinsForAllEverywhere) {
    MakeRoot({QStringLiteral("blog"), QStringLiteral("shop")}, Path(QStringLiteral("www/shop")));
    OpenWindow();
    PinFromPalette(QStringLiteral("php artisan test"), false);
    PinFromPalette(QStringLiteral("php artisan optimize:clear"), true);
    EXPECT_EQ(Rows(), (QStringList{QStringLiteral("test"), QStringLiteral("optimize:clear")}));

    ChooseProject(QStringLiteral("blog"));
    EXPECT_EQ(Rows(), QStringList{QStringLiteral("optimize:clear")});
    PinFromPalette(QStringLiteral("composer dump-autoload"), false);
    EXPECT_EQ(Rows(), (QStringList{QStringLiteral("optimize:clear"), QStringLiteral("composer dump-autoload")}));

    ChooseProject(QStringLiteral("shop"));
    EXPECT_EQ(Rows(), (QStringList{QStringLiteral("test"), QStringLiteral("optimize:clear")}));
}

TEST_F(Pinned, RenameMoveRemoveAndThePageInFrontLastIntoANewWindow) {
    MakeRoot({QStringLiteral("shop")}, Path(QStringLiteral("www/shop")));
    OpenWindow();
    for (const char* line : {"php artisan test", "php artisan storage:link", "php artisan optimize:clear"})
        PinFromPalette(QLatin1String(line), true);

    Desktop.InputAnswers = {QStringLiteral("Link storage")};
    ASSERT_NO_FATAL_FAILURE(MenuOn(1, "menPinRename"));
    ASSERT_EQ(Desktop.Prompts.size(), 1u);
    EXPECT_EQ(Desktop.Prompts[0].InitialValue, QStringLiteral("storage:link"));
    // The first row cannot go up nor the last down.
    QMenu* first = Window->PinnedPage().RowMenu(0);
    EXPECT_FALSE(first->findChild<QAction*>(QStringLiteral("menPinMoveUp"))->isEnabled());
    delete first;
    ASSERT_NO_FATAL_FAILURE(MenuOn(2, "menPinMoveUp"));
    EXPECT_EQ(Rows(), (QStringList{QStringLiteral("test"), QStringLiteral("optimize:clear"), QStringLiteral("Link storage")}));
    // The keyboard: Ctrl+Down moves the current row, Delete removes it.
    List()->setCurrentRow(0);
    QTest::keyClick(List(), Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(List()->currentRow(), 1);
    ASSERT_NO_FATAL_FAILURE(MenuOn(2, "menPinRemove"));
    EXPECT_EQ(Rows(), (QStringList{QStringLiteral("optimize:clear"), QStringLiteral("test")}));

    // The Pinned page in front at the close is in front at the next start.
    Find<QTabWidget>("pgMain")->setCurrentWidget(&Window->PinnedPage());
    Window->close();
    OpenWindow();
    EXPECT_EQ(Find<QTabWidget>("pgMain")->currentWidget(), &Window->PinnedPage());
    EXPECT_EQ(Rows(), (QStringList{QStringLiteral("optimize:clear"), QStringLiteral("test")}));
    List()->setCurrentRow(1);
    QTest::keyClick(List(), Qt::Key_Delete);
    OpenWindow();
    EXPECT_EQ(Rows(), QStringList{QStringLiteral("optimize:clear")});
}

TEST_F(Pinned, ADamagedFileGivesWhatCanBeReadAndAPinKeepsIt) {
    MakeRoot({QStringLiteral("shop")}, Path(QStringLiteral("www/shop")));
    WriteFile(PinsFile(), QByteArray("\xff\xfe garbage\n[Pin]\nName=No line\n[Pin]\nId=a1\nName=Seed\nLine=php artisan db:seed\n"
                                     "[Other]\nLine=php artisan never\n=\n[Pin]\nLine=php artisan migrate\r\nName\n"
                                     "[Pin]\nId=a1\nLine=php artisan about\n[Pin]\nLine=php artisan rout"));
    OpenWindow();
    EXPECT_EQ(Rows(), (QStringList{QStringLiteral("Seed"), QStringLiteral("migrate"), QStringLiteral("about"),
                                   QStringLiteral("rout")}));
    PinFromPalette(QStringLiteral("php artisan test"), true);
    OpenWindow();
    EXPECT_EQ(Rows(), (QStringList{QStringLiteral("Seed"), QStringLiteral("migrate"), QStringLiteral("about"),
                                   QStringLiteral("rout"), QStringLiteral("test")}));
    // The pin that lost its id to another is still its own: removing it leaves the first.
    ASSERT_NO_FATAL_FAILURE(MenuOn(2, "menPinRemove"));
    OpenWindow();
    EXPECT_EQ(Rows(), (QStringList{QStringLiteral("Seed"), QStringLiteral("migrate"), QStringLiteral("rout"),
                                   QStringLiteral("test")}));
}

// Each change is made to the file as it stands, under its lock: a window that read the
// pins earlier neither drops another's pin nor brings back one it removed.
TEST_F(Pinned, TwoWindowsPinningKeepEachOthersPins) {
    MakeRoot({QStringLiteral("shop")}, Path(QStringLiteral("www/shop")));
    OpenWindow();
    TdtmMain otherModule(Desktop);
    otherModule.auUpgrade.setRemoteINIFileURL("http://127.0.0.1:9/version.ini");
    TfrmMain other(otherModule, Desktop, Environment);
    for (int turn = 0; turn < 100 && other.IsProjectListPending(); ++turn) QCoreApplication::processEvents();

    PinFromPalette(QStringLiteral("php artisan test"), true);
    emit other.Palette().pinRequested(QStringLiteral("php artisan storage:link"), true);
    emit other.Palette().pinRequested(QStringLiteral("php artisan about"), false);
    ASSERT_NO_FATAL_FAILURE(MenuOn(0, "menPinRemove"));  // "test", unseen by the other window
    other.PinnedPage().RemoveRow(2);                      // "about"
    emit Window->Palette().pinRequested(QStringLiteral("php artisan optimize:clear"), true);

    TPinStore fresh;
    fresh.setFileName(PinsFile());
    fresh.Load();
    QStringList lines;
    for (const TPin& pin : fresh.Pins()) lines.append(pin.Line);
    EXPECT_EQ(lines, (QStringList{QStringLiteral("php artisan storage:link"), QStringLiteral("php artisan optimize:clear")}));
}

// Names, project folders and lines with backslashes, "=" and line breaks come back as
// they went in.
TEST(PinStoreText, KeepsEveryCharacterOfItsFields) {
    const QList<TPin> pins = {
        {QStringLiteral("1"), QStringLiteral("a\\b = c"), QStringLiteral("C:\\www\\shop\\"), QStringLiteral("php artisan x --y=\"1\"")},
        {QStringLiteral("2"), QStringLiteral("two\nlines\r"), QString(), QStringLiteral("composer run \\n")},
    };
    EXPECT_EQ(TPinStore::Parse(TPinStore::Text(pins)), pins);
}

}  // namespace
