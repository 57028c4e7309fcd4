// Where an installed or a portable copy keeps its files, and a start with a project
// folder named on the command line.
#include "WindowFixture.h"
#include "app/StartOptions.h"

#include <QCommandLineParser>
#include <QComboBox>
#include <QLineEdit>

namespace {

class DataFolder : public WindowTest {
protected:
    // A prefix the install rules filled: bin/tarnwick beside share/applications.
    QString MakeInstalledPrefix() {
        const QString prefix = Path(QStringLiteral("prefix"));
        QDir().mkpath(prefix + QStringLiteral("/bin"));
        QDir().mkpath(prefix + QStringLiteral("/share/applications"));
        WriteFile(prefix + QStringLiteral("/share/applications/") + TAppEnvironment::kAppId +
                      QStringLiteral(".desktop"),
                  "[Desktop Entry]\n");
        return prefix;
    }
};

TEST_F(DataFolder, InstalledCopiesUseTheConfigurationFolderEvenWhenTheirOwnIsWritable) {
    const QString prefix = MakeInstalledPrefix();
    const QString config = Path(QStringLiteral("config/tarnwick/"));
    // Settings already beside the installed program do not make it portable.
    WriteFile(prefix + QStringLiteral("/bin/settings.ini"), "[Settings]\r\n");
    // The system's program folders count as installed even when this test runs as root.
    for (const QString& program : {prefix + QStringLiteral("/bin/tarnwick"),
                                   QStringLiteral("/usr/bin/tarnwick"),
                                   QStringLiteral("/usr/local/bin/tarnwick"),
                                   QStringLiteral("/opt/tarnwick/tarnwick")}) {
        Environment.ExecutableFile = program;
        EXPECT_TRUE(Environment.IsInstalledCopy()) << program.toStdString();
        EXPECT_EQ(Environment.DataFolder(), config) << program.toStdString();
    }
    EXPECT_TRUE(QFileInfo(config).isDir());
}

TEST_F(DataFolder, InstalledCopiesKeepHistoryInTheStateFolderAndTheUpdateCopyInTheCacheMovedOnce) {
    const QString prefix = MakeInstalledPrefix();
    Environment.ExecutableFile = prefix + QStringLiteral("/bin/tarnwick");
    Environment.StateHome = Path(QStringLiteral("state"));
    Environment.CacheHome = Path(QStringLiteral("cache"));
    const QString config = Path(QStringLiteral("config/tarnwick/"));
    const QString state = Path(QStringLiteral("state/tarnwick/"));
    const QString cache = Path(QStringLiteral("cache/tarnwick/"));
    EXPECT_EQ(Environment.StateFolder(), state);
    EXPECT_EQ(Environment.CacheFolder(), cache);

    // An earlier version kept both beside settings.ini: they move, once, with their text.
    QDir().mkpath(config);
    const QByteArray history = "[" + Path(QStringLiteral("www/blog")).toUtf8() + "]\r\necho kept\r\n";
    WriteFile(config + QStringLiteral("history.txt"), history);
    WriteFile(config + QStringLiteral("version.ini"), "[Version]\r\n");
    OpenWindow();
    EXPECT_EQ(ReadFile(state + QStringLiteral("history.txt")), history);
    EXPECT_EQ(ReadFile(cache + QStringLiteral("version.ini")), QByteArray("[Version]\r\n"));
    EXPECT_FALSE(QFile::exists(config + QStringLiteral("history.txt")));
    EXPECT_FALSE(QFile::exists(config + QStringLiteral("version.ini")));
    EXPECT_TRUE(QFile::exists(config + QStringLiteral("settings.ini")));

    // A file at the new place is never overwritten by one left at the old place.
    WriteFile(config + QStringLiteral("history.txt"), "older\r\n");
    OpenWindow();
    EXPECT_EQ(ReadFile(state + QStringLiteral("history.txt")), history);
    EXPECT_EQ(ReadFile(config + QStringLiteral("history.txt")), QByteArray("older\r\n"));

    // A copy that is not installed keeps them all together.
    Environment.ExecutableFile = Path(QStringLiteral("bin/tarnwick"));
    EXPECT_EQ(Environment.StateFolder(), Environment.DataFolder());
    EXPECT_EQ(Environment.CacheFolder(), Environment.DataFolder());
}

TEST_F(DataFolder, BuildAndUnpackedCopiesKeepTheirFilesBesideThemselves) {
    // A bin folder without the desktop entry, a build folder, and folders whose names
    // only start like the system's.
    QStringList folders = {QStringLiteral("unpacked/bin"), QStringLiteral("build"),
                           QStringLiteral("usr/bin"), QStringLiteral("optional")};
    QDir().mkpath(Path(QStringLiteral("prefix/share/applications")));  // no entry of ours
    folders.append(QStringLiteral("prefix/bin"));
    for (const QString& folder : folders) {
        QDir().mkpath(Path(folder));
        Environment.ExecutableFile = Path(folder + QStringLiteral("/tarnwick"));
        EXPECT_FALSE(Environment.IsInstalledCopy()) << folder.toStdString();
        EXPECT_EQ(Environment.DataFolder(), Path(folder) + u'/') << folder.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("config"))));
}

TEST_F(DataFolder, InstalledCopyReportsAnUnusableConfigurationFolderRatherThanWriteItsOwn) {
    const QString prefix = MakeInstalledPrefix();
    Environment.ExecutableFile = prefix + QStringLiteral("/bin/tarnwick");
    Environment.ConfigHome = QStringLiteral("/proc/tarnwick-test/config");
    EXPECT_EQ(Environment.DataFolder(), QStringLiteral("/proc/tarnwick-test/config/tarnwick/"));
    OpenWindow();
    ASSERT_EQ(Desktop.Errors.size(), 1u);
    EXPECT_TRUE(Desktop.Errors[0].Text.contains(
        QStringLiteral("/proc/tarnwick-test/config/tarnwick/settings.ini")))
        << Desktop.Errors[0].Text.toStdString();
    EXPECT_FALSE(QFile::exists(prefix + QStringLiteral("/bin/settings.ini")));
}

TEST(StartOptions, CommandLines) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString www = temp.filePath(QStringLiteral("www"));
    QDir().mkpath(www + QStringLiteral("/shop"));
    QFile(www + QStringLiteral("/notes.txt")).open(QIODevice::WriteOnly);
    const struct {
        QStringList arguments;
        QString project;  // empty: none, or an error when `error` is set
        bool error;
    } cases[] = {
        {{}, {}, false},
        {{www + "/shop"}, www + "/shop", false},
        {{"www/shop/"}, www + "/shop", false},          // relative, with a trailing slash
        {{"./www/../www/shop"}, www + "/shop", false},  // made clean
        {{"www"}, www, false},                          // any folder; its parent is the root
        {{"www/missing"}, {}, true},
        {{"www/notes.txt"}, {}, true},
        {{"/"}, {}, true},                              // no parent to be the root
        {{"www/shop", "www"}, {}, true},
    };
    for (const auto& c : cases) {
        QCommandLineParser parser;
        TStartOptions::SetUp(parser);
        ASSERT_TRUE(parser.parse(QStringList{"tarnwick"} + c.arguments));
        const TStartOptions options = TStartOptions::FromArguments(parser.positionalArguments(), temp.path());
        const std::string label = c.arguments.join(u' ').toStdString();
        EXPECT_EQ(options.StartProject, c.project) << label;
        EXPECT_EQ(!options.Error.isEmpty(), c.error) << label << ": " << options.Error.toStdString();
    }
}

class StartFolder : public WindowTest {
protected:
    QComboBox* List() const { return Find<QComboBox>("cmbProjects"); }
};

TEST_F(StartFolder, NamedProjectIsShownButStoredOnlyWhenTheUserChooses) {
    const QString stored = MakeRoot({"old"}, Path(QStringLiteral("www/old")));
    const QString other = Path(QStringLiteral("other"));
    for (const char* project : {"alpha", "beta"}) QDir().mkpath(other + u'/' + project);
    const QByteArray storedSettings = ReadFile(SettingsFile());
    Environment.StartProject = other + QStringLiteral("/beta");

    OpenWindow();
    EXPECT_TRUE(Desktop.Errors.empty());
    EXPECT_EQ(Find<QLineEdit>("edtRoot")->text(), other);
    EXPECT_EQ(Window->sRoot(), other);
    EXPECT_EQ(List()->count(), 2);
    EXPECT_EQ(List()->currentText(), other + QStringLiteral("/beta"));
    EXPECT_EQ(ReadFile(SettingsFile()), storedSettings);

    // The first choice stores the root shown with it, not only the project.
    List()->setCurrentIndex(0);
    emit List()->activated(0);
    const QByteArray settings = ReadFile(SettingsFile());
    EXPECT_TRUE(settings.contains("Root=" + other.toUtf8() + "\r\n")) << settings.toStdString();
    EXPECT_TRUE(settings.contains("Project=" + other.toUtf8() + "/alpha\r\n")) << settings.toStdString();
    EXPECT_FALSE(settings.contains(stored.toUtf8() + "\r\n"));
}

}  // namespace
