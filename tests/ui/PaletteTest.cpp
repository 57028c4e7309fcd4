#include "AccessibleTree.h"
#include "WindowFixture.h"
#include "app/CatalogueStore.h"
#include "app/frmPaletteUnit.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest/QTest>

namespace {

QByteArray Fixture(const char* name) {
    QFile file(QStringLiteral(TARNWICK_FIXTURES_DIR "/catalogue/") + QLatin1String(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// The palette over a project folder whose tools answer from the captured lists (or as
// the test says).
class PaletteTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Temp.isValid());
        Project = Temp.path();
        QFile artisan(Project + QStringLiteral("/artisan"));
        ASSERT_TRUE(artisan.open(QIODevice::WriteOnly));
    }

    void Open() {
        Store = std::make_unique<TCatalogueStore>([this](const TToolRequest& request, TJobStop&) {
            return request.Line().starts_with("php") ? Artisan : TToolRun{Fixture("composer-list.json"), 0, {}};
        });
        Palette = std::make_unique<TfrmPalette>(*Store);
        QSignalSpy loaded(Store.get(), &TCatalogueStore::loaded);
        Palette->Open(Project);
        ASSERT_TRUE(loaded.wait(10000));
    }

    template <typename T>
    T* Find(const char* name) const {
        T* widget = Palette->findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    // The form's field whose accessible name is AName.
    template <typename T>
    T* Field(const QString& AName) const {
        for (T* widget : Find<QWidget>("panFields")->findChildren<T*>())
            if (widget->accessibleName() == AName) return widget;
        ADD_FAILURE() << "no field " << AName.toStdString();
        return nullptr;
    }

    QStringList VisibleRows() const {
        QStringList rows;
        auto* list = Find<QListWidget>("lstCommands");
        for (int i = 0; i < list->count(); ++i)
            if (!list->item(i)->isHidden()) rows.append(list->item(i)->text());
        return rows;
    }

    void Search(const QString& text) {
        auto* search = Find<QLineEdit>("edtSearch");
        search->clear();
        QTest::keyClicks(search, text);
    }

    QTemporaryDir Temp;
    QString Project;
    TToolRun Artisan{Fixture("artisan-list.json"), 0, {}};
    std::unique_ptr<TCatalogueStore> Store;
    std::unique_ptr<TfrmPalette> Palette;
};

TEST_F(PaletteTest, ListsArtisanThenComposerGroupedAndMarksPresets) {
    ASSERT_NO_FATAL_FAILURE(Open());
    const QStringList rows = VisibleRows();
    ASSERT_EQ(rows.first(), QStringLiteral("artisan"));
    const qsizetype make = rows.indexOf(QStringLiteral("artisan make"));
    const qsizetype composer = rows.indexOf(QStringLiteral("composer"));
    ASSERT_GT(make, 0);
    ASSERT_GT(composer, make);
    EXPECT_TRUE(rows.contains(QStringLiteral("make:model  \u2605 preset \u2014 Create a new Eloquent model class")));
    EXPECT_TRUE(rows.contains(QStringLiteral("make:cast \u2014 Create a new custom Eloquent cast class")));
    EXPECT_GT(rows.indexOf(QStringLiteral("validate  \u2605 preset \u2014 Validates a composer.json and composer.lock")),
              composer);
    EXPECT_FALSE(Find<QLabel>("lblStatus")->isVisible());
}

// The form always belongs to the highlighted entry of the open project's catalogue, and
// the preview is the line that runs, after the window's finishing touch.
TEST_F(PaletteTest, TheFormFollowsTheHighlightedEntryAcrossProjectsAndShowsTheLineThatRuns) {
    ASSERT_NO_FATAL_FAILURE(Open());
    Search(QStringLiteral("validate"));
    ASSERT_EQ(Find<QLabel>("lblCommand")->text(), QStringLiteral("composer validate"));

    QTemporaryDir other;
    ASSERT_TRUE(other.isValid());  // no artisan: Composer's commands only
    QSignalSpy loaded(Store.get(), &TCatalogueStore::loaded);
    Palette->Open(other.path());
    ASSERT_TRUE(loaded.wait(10000));
    auto* list = Find<QListWidget>("lstCommands");
    ASSERT_NE(list->currentItem(), nullptr);
    const QString highlighted = list->currentItem()->text().section(u' ', 0, 0);
    EXPECT_NE(highlighted, QStringLiteral("validate"));
    EXPECT_EQ(Find<QLabel>("lblCommand")->text(), QStringLiteral("composer ") + highlighted);

    QStringList ran;
    QObject::connect(Palette.get(), &TfrmPalette::runRequested, [&ran](const QString& ALine) { ran.append(ALine); });
    Palette->setLineFinisher([](const QString& ALine) { return ALine + QStringLiteral(" --finished"); });
    const QString preview = Find<QLineEdit>("edtPreview")->text();
    EXPECT_EQ(preview, QStringLiteral("composer ") + highlighted + QStringLiteral(" --finished"));
    Find<QPushButton>("btnRunCommand")->click();
    EXPECT_EQ(ran, QStringList{preview});
}

TEST_F(PaletteTest, SearchKeepsMatchesUnderTheirHeadingsAndPicksTheBest) {
    ASSERT_NO_FATAL_FAILURE(Open());
    Search(QStringLiteral("mig st"));
    const QStringList rows = VisibleRows();
    EXPECT_EQ(rows.first(), QStringLiteral("artisan migrate"));
    EXPECT_TRUE(rows.contains(QStringLiteral("migrate:status  \u2605 preset \u2014 Show the status of each migration")));
    EXPECT_FALSE(rows.contains(QStringLiteral("artisan make")));
    EXPECT_EQ(Find<QLabel>("lblCommand")->text(), QStringLiteral("php artisan migrate:status"));

    Search(QStringLiteral("lock file"));  // found in descriptions only
    EXPECT_TRUE(VisibleRows().contains(QStringLiteral("composer")));
    Search(QStringLiteral("no such thing at all"));
    EXPECT_TRUE(VisibleRows().isEmpty());
    EXPECT_FALSE(Find<QPushButton>("btnRunCommand")->isEnabled());
}

TEST_F(PaletteTest, FormBuildsTheLineAndRunWaitsForRequiredArguments) {
    ASSERT_NO_FATAL_FAILURE(Open());
    Search(QStringLiteral("make:model"));
    ASSERT_EQ(Find<QLabel>("lblCommand")->text(), QStringLiteral("php artisan make:model"));
    EXPECT_EQ(Find<QLabel>("lblDescription")->text(), QStringLiteral("Create a new Eloquent model class"));
    auto* run = Find<QPushButton>("btnRunCommand");
    auto* preview = Find<QLineEdit>("edtPreview");
    EXPECT_FALSE(run->isEnabled());
    EXPECT_EQ(Find<QLabel>("lblMessage")->text(), QStringLiteral("Fill in the required argument \"name\"."));

    auto* name = Field<QLineEdit>(QStringLiteral("name"));
    auto* migration = Field<QCheckBox>(QStringLiteral("--migration"));
    ASSERT_TRUE(name && migration);
    QTest::keyClicks(name, QStringLiteral("Carriage"));
    EXPECT_EQ(preview->text(), QStringLiteral("php artisan make:model Carriage"));
    migration->click();
    EXPECT_EQ(preview->text(), QStringLiteral("php artisan make:model Carriage --migration"));
    EXPECT_TRUE(run->isEnabled());
    EXPECT_EQ(Find<QLabel>("lblMessage")->text(), QString());

    name->setText(QStringLiteral("O'Brien \"x\" $(touch pwned)"));
    EXPECT_EQ(preview->text(),
              QStringLiteral("php artisan make:model 'O'\\''Brien \"x\" $(touch pwned)' --migration"));

    QSignalSpy requested(Palette.get(), &TfrmPalette::runRequested);
    run->click();
    ASSERT_EQ(requested.size(), 1);
    EXPECT_EQ(requested[0][0].toString(), preview->text());
    EXPECT_FALSE(Palette->isVisible());
}

// Pin keeps the form's line as built (the finisher applies again at each run), for the
// project or every project, and only once the form can run.
TEST_F(PaletteTest, PinHandsOnTheFormLineWithItsScope) {
    ASSERT_NO_FATAL_FAILURE(Open());
    Palette->setLineFinisher([](const QString& ALine) { return ALine + QStringLiteral(" --finished"); });
    Search(QStringLiteral("make:model"));
    auto* pin = Find<QPushButton>("btnPin");
    auto* scope = Find<QComboBox>("cmbPinScope");
    ASSERT_TRUE(pin && scope);
    EXPECT_EQ(pin->accessibleName(), QStringLiteral("Pin"));
    EXPECT_EQ(scope->accessibleName(), QStringLiteral("Pin for"));
    EXPECT_FALSE(pin->isEnabled());

    QSignalSpy pinned(Palette.get(), &TfrmPalette::pinRequested);
    QTest::keyClicks(Field<QLineEdit>(QStringLiteral("name")), QStringLiteral("Carriage"));
    EXPECT_TRUE(pin->isEnabled());
    EXPECT_EQ(Find<QLineEdit>("edtPreview")->text(), QStringLiteral("php artisan make:model Carriage --finished"));
    pin->click();
    scope->setCurrentIndex(1);
    pin->click();
    ASSERT_EQ(pinned.size(), 2);
    EXPECT_EQ(pinned[0][0].toString(), QStringLiteral("php artisan make:model Carriage"));
    EXPECT_FALSE(pinned[0][1].toBool());
    EXPECT_TRUE(pinned[1][1].toBool());
    EXPECT_EQ(Find<QLabel>("lblMessage")->text(),
              QStringLiteral("Pinned for all projects: php artisan make:model Carriage"));
    EXPECT_TRUE(Palette->isVisible()) << "the palette stays open after a pin";
}

TEST_F(PaletteTest, EveryControlOfTheListAndTheFormHasAName) {
    ASSERT_NO_FATAL_FAILURE(Open());
    Palette->show();
    EXPECT_EQ(UnnamedControls({Palette.get()}), QStringList());
    Search(QStringLiteral("make:model"));
    EXPECT_EQ(UnnamedControls({Palette.get()}), QStringList());
}

TEST_F(PaletteTest, RepeatableValuesAndDefaultsShow) {
    ASSERT_NO_FATAL_FAILURE(Open());
    Search(QStringLiteral("serve"));
    ASSERT_EQ(Find<QLabel>("lblCommand")->text(), QStringLiteral("php artisan serve"));
    EXPECT_EQ(Field<QLineEdit>(QStringLiteral("--host"))->placeholderText(), QStringLiteral("127.0.0.1"));

    Search(QStringLiteral("require"));
    ASSERT_EQ(Find<QLabel>("lblCommand")->text(), QStringLiteral("composer require"));
    auto* packages = Field<QPlainTextEdit>(QStringLiteral("packages"));
    ASSERT_NE(packages, nullptr);
    packages->setPlainText(QStringLiteral("vendor/one\n\nvendor/two:^2.0"));
    EXPECT_EQ(Find<QLineEdit>("edtPreview")->text(), QStringLiteral("composer require vendor/one 'vendor/two:^2.0'"));
}

TEST_F(PaletteTest, AFailingArtisanShowsItsOwnTextAndStatusBesideComposer) {
    Artisan = {"PHP Fatal error:  Uncaught Error: Class \"Foo\" not found in /app/routes/web.php:3\n", 255, {}};
    ASSERT_NO_FATAL_FAILURE(Open());
    auto* status = Find<QLabel>("lblStatus");
    EXPECT_TRUE(status->isVisibleTo(Palette.get()));
    EXPECT_EQ(status->text(), QStringLiteral("\"php artisan list\" gave no list of commands (exit status 255):\n"
                                             "PHP Fatal error:  Uncaught Error: Class \"Foo\" not found in "
                                             "/app/routes/web.php:3"));
    EXPECT_EQ(VisibleRows().first(), QStringLiteral("composer"));
}

// The main window's Commands menu opens the palette on the selected project, and the
// chosen line runs there like a typed command.
class PaletteInWindow : public WindowTest {};

TEST_F(PaletteInWindow, CommandsMenuOpensThePaletteAndRunsTheLineInTheProject) {
    const QString project =
        MakeRoot({QStringLiteral("shop")}, Path(QStringLiteral("www/shop"))) + QStringLiteral("/shop");
    OpenWindow();
    Window->show();
    auto* menu = Find<QMenu>("menCommands");
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->title(), QStringLiteral("Co&mmands"));
    auto* action = Find<QAction>("menRunAnyCommand");
    EXPECT_EQ(action->text(), QStringLiteral("Run &Any Command\u2026"));
    EXPECT_EQ(action->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+P")));

    action->trigger();
    TfrmPalette& palette = Window->Palette();
    EXPECT_TRUE(palette.isVisible());
    // The folder has no artisan file and no composer here: the palette says both.
    QSignalSpy loaded(&Window->CatalogueStore(), &TCatalogueStore::loaded);
    ASSERT_TRUE(loaded.wait(20000));
    const QString status = palette.findChild<QLabel*>(QStringLiteral("lblStatus"))->text();
    EXPECT_TRUE(status.startsWith(QStringLiteral("This folder has no artisan file"))) << status.toStdString();

    palette.hide();
    emit palette.runRequested(QStringLiteral("sleep 1; printf '%s' ok"));
    EXPECT_TRUE(Window->IsRunning());
    // A second line while the first runs is refused, and the palette says why.
    emit palette.runRequested(QStringLiteral("printf second"));
    EXPECT_TRUE(palette.isVisible());
    EXPECT_EQ(palette.findChild<QLabel*>(QStringLiteral("lblMessage"))->text(),
              QStringLiteral("A command is still running: stop it or wait until it has ended."));
    ASSERT_TRUE(WaitForRun());
    EXPECT_TRUE(ConsoleText().contains(QStringLiteral("Command: sleep 1; printf '%s' ok\nok"))) << ConsoleText().toStdString();
    EXPECT_FALSE(ConsoleText().contains(QStringLiteral("second")));
    EXPECT_EQ(Window->RunLine().toStdString(), "sleep 1; printf '%s' ok");
    Q_UNUSED(project);
}

}  // namespace
