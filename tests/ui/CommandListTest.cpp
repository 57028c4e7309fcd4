#include "WindowFixture.h"
#include "app/CatalogueStore.h"
#include "app/CommandList.h"

#include <QFile>
#include <QSignalSpy>
#include <QThread>

#include <atomic>
#include <cstdint>

namespace {

QByteArray Fixture(const char* name) {
    QFile file(QStringLiteral(TARNWICK_FIXTURES_DIR "/catalogue/") + QLatin1String(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

const TCommandInfo* Named(const TCommandList& list, const char* name) {
    for (const TCommandInfo& command : list.Commands)
        if (command.Name == QLatin1String(name)) return &command;
    return nullptr;
}

const TOptionInfo* Option(const TCommandInfo& command, const char* name) {
    for (const TOptionInfo& option : command.Options)
        if (option.Name == QLatin1String(name)) return &option;
    return nullptr;
}

TEST(ReadCommandList, ArtisanListOfTheTestApplication) {
    const TCommandList list = ReadCommandList(TCommandType::Artisan, Fixture("artisan-list.json"), 0);
    EXPECT_TRUE(list.Error.isEmpty()) << list.Error.toStdString();
    EXPECT_EQ(list.Commands.size(), 88);  // 90 listed, 2 hidden
    EXPECT_EQ(Named(list, "_complete"), nullptr);
    EXPECT_EQ(Named(list, "schedule:finish"), nullptr);

    const TCommandInfo* model = Named(list, "make:model");
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->Namespace, QStringLiteral("make"));
    EXPECT_EQ(model->Description, QStringLiteral("Create a new Eloquent model class"));
    EXPECT_TRUE(model->Preset);
    ASSERT_EQ(model->Arguments.size(), 1);
    EXPECT_EQ(model->Arguments[0].Name, QStringLiteral("name"));
    EXPECT_TRUE(model->Arguments[0].Required);
    const TOptionInfo* migration = Option(*model, "--migration");
    ASSERT_NE(migration, nullptr);
    EXPECT_EQ(migration->Shortcut, QStringLiteral("-m"));
    EXPECT_FALSE(migration->AcceptValue);
    EXPECT_NE(Option(*model, "--env"), nullptr) << "global options are offered too";

    const TCommandInfo* serve = Named(list, "serve");
    ASSERT_NE(serve, nullptr);
    EXPECT_EQ(serve->Namespace, QString());
    EXPECT_FALSE(Named(list, "make:cast")->Preset);
    const TOptionInfo* host = Option(*serve, "--host");
    ASSERT_NE(host, nullptr);
    EXPECT_TRUE(host->AcceptValue);
    EXPECT_EQ(host->Default, QStringLiteral("127.0.0.1"));

    // Grouped: the commands without a namespace first, then namespace by namespace.
    QStringList seen;
    for (const TCommandInfo& command : list.Commands)
        if (seen.isEmpty() || seen.last() != command.Namespace) {
            EXPECT_FALSE(seen.contains(command.Namespace)) << command.Name.toStdString();
            seen.append(command.Namespace);
        }
    EXPECT_EQ(seen.first(), QString());
}

TEST(ReadCommandList, ComposerListWithArrayArgumentsAndRepeatableOptions) {
    const TCommandList list = ReadCommandList(TCommandType::Composer, Fixture("composer-list.json"), 0);
    EXPECT_TRUE(list.Error.isEmpty());
    EXPECT_EQ(list.Commands.size(), 33);
    const TCommandInfo* require = Named(list, "require");
    ASSERT_NE(require, nullptr);
    EXPECT_TRUE(require->Preset);
    ASSERT_FALSE(require->Arguments.isEmpty());
    EXPECT_EQ(require->Arguments[0].Name, QStringLiteral("packages"));
    EXPECT_TRUE(require->Arguments[0].IsArray);
    // A preset found under its alias.
    const TCommandInfo* dump = Named(list, "dump-autoload");
    ASSERT_NE(dump, nullptr);
    EXPECT_EQ(dump->Aliases, QStringList{QStringLiteral("dumpautoload")});
    EXPECT_TRUE(dump->Preset);
    EXPECT_EQ(Named(list, "clear-cache")->Aliases, (QStringList{"clearcache", "cc"}));
    const TCommandInfo* validate = Named(list, "validate");
    ASSERT_NE(validate, nullptr);
    EXPECT_TRUE(validate->Help.startsWith(QStringLiteral("The validate command validates")));
    EXPECT_NE(Option(*validate, "--no-check-lock"), nullptr);
    EXPECT_NE(Option(*validate, "--check-lock"), nullptr);
}

// The console library's style tags never reach the form; text in angle brackets that is
// no tag, and escaped brackets, stay as the reader would read them.
TEST(ReadCommandList, StyleTagsOfTheToolsAreDropped) {
    const TCommandList list = ReadCommandList(TCommandType::Composer, Fixture("composer-list.json"), 0);
    const TCommandInfo* archive = Named(list, "archive");
    ASSERT_NE(archive, nullptr);
    EXPECT_TRUE(archive->Help.startsWith(QStringLiteral("The archive command creates an archive")));
    EXPECT_TRUE(archive->Help.contains(QStringLiteral("\nphp composer.phar archive [--format=zip]")));
    EXPECT_FALSE(archive->Help.contains(QStringLiteral("<info>")));
    EXPECT_EQ(Option(*archive, "--help")->Description,
              QStringLiteral("Display help for the given command. When no command is given display help for the "
                             "list command"));

    const struct {
        const char* tool;
        const char* shown;
    } cases[] = {
        {"<comment>note</comment> and <error>bad</error>", "note and bad"},
        {"<fg=red;options=bold>red</> <bg=blue>x</bg=blue>", "red x"},
        {"<href=https://example.test/a>link</>", "link"},
        {"require <package> [<version>]", "require <package> [<version>]"},
        {"\\<info> is written literally", "<info> is written literally"},
        {"<b>not ours</b> <script>", "<b>not ours</b> <script>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WithoutConsoleTags(QString::fromUtf8(c.tool)), QString::fromUtf8(c.shown)) << c.tool;
}

// Small hand-made documents for the corners of the format.
TEST(ReadCommandList, CornersOfTheFormat) {
    const QByteArray document = R"({"application":{"name":"x"},"commands":[
        {"name":"a:empty","description":"d","help":"","definition":{"arguments":[],"options":[]}},
        {"name":"a:defaults","definition":{"arguments":{
            "z":{"name":"z","is_required":true,"is_array":false,"default":null},
            "b":{"name":"b","is_required":false,"is_array":true,"default":["x","y"]}},
          "options":{
            "inf":{"name":"--inf","shortcut":"","accept_value":true,"is_value_required":true,"is_multiple":false,"default":"INF"},
            "on":{"name":"--on","accept_value":false,"default":true},
            "off":{"name":"--off","accept_value":false,"default":false},
            "num":{"name":"--num","accept_value":true,"default":10},
            "no-on":{"name":"--no-on","accept_value":false,"default":false}}}},
        {"name":"a:hidden","hidden":true,"definition":{}},
        {"name":42},
        "not an object",
        {"name":"b","definition":"bad","description":7}
    ]})";
    const TCommandList list = ReadCommandList(TCommandType::Artisan, document, 0);
    ASSERT_TRUE(list.Error.isEmpty());
    ASSERT_EQ(list.Commands.size(), 3);
    EXPECT_EQ(list.Commands[0].Name, QStringLiteral("b"));
    EXPECT_EQ(list.Commands[0].Description, QString());
    const TCommandInfo& empty = *Named(list, "a:empty");
    EXPECT_TRUE(empty.Arguments.isEmpty());
    EXPECT_TRUE(empty.Options.isEmpty());
    const TCommandInfo& defaults = *Named(list, "a:defaults");
    ASSERT_EQ(defaults.Arguments.size(), 2);
    EXPECT_EQ(defaults.Arguments[0].Name, QStringLiteral("z")) << "the tool's order is kept";
    EXPECT_EQ(defaults.Arguments[0].Default, QString());
    EXPECT_EQ(defaults.Arguments[1].Default, QStringLiteral("x, y"));
    const QStringList defaultsSeen = {Option(defaults, "--inf")->Default, Option(defaults, "--on")->Default,
                                      Option(defaults, "--off")->Default, Option(defaults, "--num")->Default};
    EXPECT_EQ(defaultsSeen, (QStringList{"INF", "true", "", "10"}));
    EXPECT_NE(Option(defaults, "--no-on"), nullptr);
}

TEST(ReadCommandList, NoiseAroundTheDocumentIsSkipped) {
    const QByteArray document = R"({"commands":[{"name":"up"}]})";
    for (const QByteArray& output :
         {document, "PHP Deprecated:  x in {closure} on line 3\n" + document + "\n",
          "Warning: {not json}\n" + document + "\ntrailing } noise"}) {
        const TCommandList list = ReadCommandList(TCommandType::Artisan, output, 0);
        EXPECT_TRUE(list.Error.isEmpty()) << output.toStdString();
        EXPECT_EQ(list.Commands.size(), 1);
    }
}

// A failing tool: its own text and exit status instead of a list; malformed documents
// never crash.
TEST(ReadCommandList, FailuresQuoteTheTool) {
    const TCommandList failed = ReadCommandList(
        TCommandType::Artisan, "PHP Parse error:  syntax error in routes/web.php on line 4\n", 255);
    EXPECT_TRUE(failed.Commands.isEmpty());
    EXPECT_EQ(failed.Error, QStringLiteral("\"php artisan list\" gave no list of commands (exit status 255):\n"
                                           "PHP Parse error:  syntax error in routes/web.php on line 4"));
    EXPECT_EQ(ReadCommandList(TCommandType::Composer, "", -1).Error,
              QStringLiteral("\"composer list\" gave no list of commands, and printed nothing."));

    QByteArray deep(100000, '[');
    for (const QByteArray& bad :
         {QByteArray("{\"commands\": {\"name\": 1}}"), QByteArray("{\"commands\": [{\"name\": \"x\""),
          QByteArray("{}"), QByteArray("[1,2]"), QByteArray("{\"commands\": [") + deep, QByteArray("\xff\xfe{\0}", 5)}) {
        const TCommandList list = ReadCommandList(TCommandType::Artisan, bad, 1);
        EXPECT_TRUE(list.Commands.isEmpty());
        EXPECT_FALSE(list.Error.isEmpty());
    }
}

// Every cut and many single-byte changes of a real list: each gives a list or an error,
// and every command read has a name.
TEST(ReadCommandList, DamagedListsNeverCrash) {
    const QByteArray whole = Fixture("composer-list.json");
    std::uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    int read = 0;
    for (int round = 0; round < 300; ++round) {
        QByteArray damaged = whole.left(qsizetype(next() % whole.size()));
        if (round % 2) {
            damaged = whole;
            for (int i = 0; i < 4; ++i) damaged[qsizetype(next() % damaged.size())] = char(next() % 256);
        }
        const TCommandList list = ReadCommandList(TCommandType::Composer, damaged, 0);
        if (!list.Error.isEmpty()) {
            EXPECT_TRUE(list.Commands.isEmpty());
        }
        if (!list.Commands.isEmpty()) ++read;
        for (const TCommandInfo& command : list.Commands) EXPECT_FALSE(command.Name.isEmpty());
    }
    EXPECT_GT(read, 0) << "some changes leave a readable list";
}

TCommandInfo Command(const char* name, const char* description) {
    TCommandInfo command;
    command.Name = QLatin1String(name);
    command.Description = QLatin1String(description);
    command.NameKey = command.Name.toLower();
    command.DescriptionKey = command.Description.toLower();
    return command;
}

TEST(MatchScore, NamePartsThenNameThenDescription) {
    const TCommandInfo status = Command("migrate:status", "Show the status of each migration");
    const TCommandInfo model = Command("make:model", "Create a new Eloquent model class");
    const struct {
        const char* query;
        const TCommandInfo& command;
        int score;
    } cases[] = {
        {"", status, 0},          {"mig st", status, 8},     {"MIG ST", status, 8},
        {"grate", status, 2},     {"each", status, 1},       {"mig xyz", status, -1},
        {"eloquent", model, 1},   {"make model", model, 8},  {"st mig", status, 8},
        {"odel", model, 2},       {"mig st", model, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MatchScore(c.command, SearchWords(QLatin1String(c.query))), c.score) << c.query;
}

// Quotes as a test marker does, so that the table shows where quoting happened.
std::optional<QString> Marked(const QString& value) {
    if (value.contains(u'\n')) return std::nullopt;
    const bool dashed = value.startsWith(u'-') && !value.startsWith(QStringLiteral("--"));
    return value.contains(u' ') || dashed ? u'<' + value + u'>' : value;
}

TEST(BuildCommandLine, ArgumentsThenOptionsEachQuoted) {
    TCommandInfo command = Command("make:model", "");
    command.Arguments = {{"name", true, false, "", ""}, {"more", false, true, "", ""}};
    command.Options = {{"--migration", "-m", false, false, false, "", ""},
                       {"--path", "", true, true, false, "", ""},
                       {"--tag", "", true, false, true, "", ""}};
    const struct {
        TCommandValues values;
        std::optional<QString> line;
        QString missing;
    } cases[] = {
        {{{{"Carriage"}, {}}, {true, false, false}, {{}, {}, {}}},
         "php artisan make:model Carriage --migration", ""},
        {{{{""}, {}}, {true, false, false}, {{}, {}, {}}}, "php artisan make:model --migration", "name"},
        {{{{"two words"}, {"a", "", "b c"}}, {false, false, false}, {{}, {"x y"}, {"t1", "", "t2"}}},
         "php artisan make:model <two words> a <b c> <--path=x y> --tag=t1 --tag=t2", ""},
        {{{{"-dash"}, {}}, {true, false, false}, {{}, {}, {}}},
         "php artisan make:model --migration -- <-dash>", ""},
        {{{{"a\nb"}, {}}, {false, false, false}, {{}, {}, {}}}, std::nullopt, ""},
        {{{}, {}, {}}, "php artisan make:model", "name"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BuildCommandLine(command, c.values, Marked), c.line) << c.line.value_or("-").toStdString();
        EXPECT_EQ(MissingArgument(command, c.values), c.missing);
    }
    TCommandInfo validate = Command("validate", "");
    validate.Tool = TCommandType::Composer;
    EXPECT_EQ(BuildCommandLine(validate, {}, SystemQuoting()), std::optional<QString>("composer validate"));

    // A project's composer.json scripts are listed as commands: their names and flags are
    // quoted like values, so a name cannot add a command of its own.
    TCommandInfo script = Command("inspire; echo injected", "");
    script.Tool = TCommandType::Composer;
    script.Options = {{"--force $(id)", "", false, false, false, "", ""}};
    EXPECT_EQ(BuildCommandLine(script, {{}, {true}, {{}}}, SystemQuoting()),
              std::optional<QString>("composer 'inspire; echo injected' '--force $(id)'"));
    // Here the shell starts any program, a script too, with the arguments as given: the
    // palette's Composer quoting is the shell's, a "%" included.
    script.Arguments = {{"package", false, false, "", ""}};
    EXPECT_EQ(BuildCommandLine(script, {{{"100%"}}, {true}, {{}}}, ToolQuoting(TCommandType::Composer).Quote),
              std::optional<QString>("composer 'inspire; echo injected' 100% '--force $(id)'"));
}

// A runner that answers from fixtures and counts its calls, on whatever thread.
struct FakeTools {
    std::atomic<int> Calls = 0;
    QByteArray ArtisanOutput = Fixture("artisan-list.json");
    TToolRunner Runner() {
        return [this](const TToolRequest& request, TJobStop&) {
            ++Calls;
            const QString line = QString::fromStdString(request.Line());
            if (line.startsWith(QStringLiteral("php artisan list"))) return TToolRun{ArtisanOutput, 0, {}};
            return TToolRun{Fixture("composer-list.json"), 0, {}};
        };
    }
};

class CatalogueStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Temp.isValid());
        Folder = Temp.path();
    }
    void Touch(const char* name, const QByteArray& bytes) {
        QFile file(Folder + u'/' + QLatin1String(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    // Loads and waits for the store to say so.
    const TProjectCatalogue* LoadAndWait(TCatalogueStore& store, bool force = false) {
        QSignalSpy loaded(&store, &TCatalogueStore::loaded);
        EXPECT_TRUE(store.Load(Folder, force));
        EXPECT_TRUE(loaded.wait(10000));
        return store.Cached(Folder);
    }
    QTemporaryDir Temp;
    QString Folder;
    FakeTools Tools;
};

TEST_F(CatalogueStoreTest, KeptUntilAWatchedFileChangesOrTheUserAsks) {
    Touch("artisan", "<?php\n");
    Touch("composer.json", "{}");
    TCatalogueStore store(Tools.Runner());
    EXPECT_EQ(store.Cached(Folder), nullptr);
    const TProjectCatalogue* catalogue = LoadAndWait(store);
    ASSERT_NE(catalogue, nullptr);
    ASSERT_EQ(catalogue->Lists.size(), 2);
    EXPECT_EQ(catalogue->Lists[0].Tool, TCommandType::Artisan);
    EXPECT_EQ(catalogue->Lists[1].Tool, TCommandType::Composer);
    EXPECT_TRUE(catalogue->Notice.isEmpty());
    EXPECT_EQ(Tools.Calls, 2);
    EXPECT_FALSE(store.Load(Folder)) << "a fresh catalogue is not read again";

    for (const char* name : {"composer.lock", "composer.json", "artisan"}) {
        Touch(name, "{\"changed\": true}\n");
        EXPECT_EQ(store.Cached(Folder), nullptr) << name;
        ASSERT_NE(LoadAndWait(store), nullptr);
    }
    EXPECT_EQ(Tools.Calls, 8);
    ASSERT_NE(LoadAndWait(store, true), nullptr);
    EXPECT_EQ(Tools.Calls, 10);
}

TEST_F(CatalogueStoreTest, WithoutArtisanComposerOnlyAndSaysSo) {
    TCatalogueStore store(Tools.Runner());
    const TProjectCatalogue* catalogue = LoadAndWait(store);
    ASSERT_NE(catalogue, nullptr);
    ASSERT_EQ(catalogue->Lists.size(), 1);
    EXPECT_EQ(catalogue->Lists[0].Tool, TCommandType::Composer);
    EXPECT_EQ(catalogue->Notice,
              QStringLiteral("This folder has no artisan file: only Composer's commands are listed."));
    EXPECT_EQ(Tools.Calls, 1);
}

// The real runner: a broken tool's own text reaches the catalogue.
TEST_F(CatalogueStoreTest, TheRealRunnerReportsWhatAFailingToolPrints) {
    Touch("artisan", "<?php\nthis is not php;\n");
    const TProjectCatalogue catalogue = TCatalogueStore::Read(Folder, RunTool);
    ASSERT_EQ(catalogue.Lists.size(), 2);
    EXPECT_TRUE(catalogue.Lists[0].Commands.isEmpty());
    const QString error = catalogue.Lists[0].Error;
    EXPECT_TRUE(error.startsWith(QStringLiteral("\"php artisan list\" gave no list of commands (exit status 255):\n")))
        << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("syntax error"))) << error.toStdString();
}

}  // namespace
