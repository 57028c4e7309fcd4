#include "WindowFixture.h"
#include "components/PanelLine.h"
#include "platform/ModuleFileName.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QComboBox>
#include <QTabWidget>
#include <QTimer>

namespace {

class Startup : public WindowTest {
protected:
    QString StatusPanel(int index) const {
        return Find<QLabel>(index == 0 ? "sbMainPanel0" : "sbMainPanel1")->text();
    }
    QWidget* FrontPage() const { return Find<QTabWidget>("pgMain")->currentWidget(); }
};

TEST_F(Startup, DataModuleHoldsItsStoredValues) {
    TdtmMain dtmMain(Desktop);
    EXPECT_FALSE(dtmMain.cmdCommand.RunWithCmd());
    EXPECT_TRUE(dtmMain.cmdCommand.OnReadOutput);
    EXPECT_TRUE(dtmMain.cmdCommand.OnReadError);
    EXPECT_EQ(dtmMain.cmdCommand.CommmandStr(), "");
    EXPECT_FALSE(dtmMain.jvSelectDirectory.ClassicDialog());
    EXPECT_EQ(dtmMain.iniFileParser.IniFileName(), "");
    EXPECT_EQ(dtmMain.bcurMain.BusyCursor(), crHourGlass);
    EXPECT_EQ(dtmMain.bcurMain.NormalCursor(), crDefault);
    ASSERT_EQ(dtmMain.imgList.size(), 1);
    EXPECT_EQ(dtmMain.actRefreshAll->parent(), &dtmMain.aclMain);
    EXPECT_EQ(dtmMain.actRefreshAll->toolTip(), QStringLiteral("Refresh List"));
    EXPECT_TRUE(dtmMain.actRefreshAll->isEnabled());
    const TUpdateChecker& upgrade = dtmMain.auUpgrade;
    EXPECT_EQ(upgrade.RemoteINIFileURL(), TARNWICK_TEST_UPDATE_URL);
    EXPECT_EQ(upgrade.INIVersionNumberSectionName(), "VERSION");
    EXPECT_EQ(upgrade.INIVersionNumberIdentName(), "NUMBER");
    EXPECT_EQ(upgrade.INIDowloadLinkSectionName(), "DOWNLOAD");
    EXPECT_EQ(upgrade.INIDownloadLinkIdentName(), "URL");
    EXPECT_EQ(upgrade.INIUserMessageSectionName(), "USER");
    EXPECT_EQ(upgrade.INIUserMessageIdentName(), "MESSAGE");
    EXPECT_EQ(upgrade.RemoteINIFileLocalPath(), "c:\\");
    EXPECT_TRUE(upgrade.OnNewVersionFoundEvent);
    EXPECT_EQ(dtmMain.kelvoVersion.FileVersion(), "2.0.2.61");
}

TEST_F(Startup, FreshStartFillsTheWindow) {
    // The program in a folder of its own: a link to this test program, which carries
    // the same version block as the real one.
    ASSERT_TRUE(QFile::link(QString::fromStdString(platform::ModuleFileName()),
                            Environment.ExecutableFile));
    OpenWindow();
    EXPECT_TRUE(Desktop.Errors.empty());
    EXPECT_EQ(Window->windowTitle(), QStringLiteral("Tarnwick | 2.0.2.61"));
    EXPECT_EQ(Window->sAppPath(), Path(QStringLiteral("bin/")));
    EXPECT_EQ(FrontPage()->objectName(), QStringLiteral("tabGeneral"));
    EXPECT_EQ(StatusPanel(0), TfrmMain::kCopyrightNotice);
    EXPECT_EQ(StatusPanel(1),
              QStringLiteral("Support & Suggestions: ") + TfrmMain::kSupportAddress + "    ");
    EXPECT_EQ(Find<QLabel>("sbMainPanel0")->width(), 250);
    EXPECT_TRUE(Window->tmrUpdateDelayCheck().isActive());
    EXPECT_EQ(Window->tmrUpdateDelayCheck().interval(), 10000);
    EXPECT_TRUE(QFile::exists(SettingsFile()));
    EXPECT_EQ(DataModule->iniFileParser.IniFileName(), SettingsFile().toStdString());
    EXPECT_EQ(DataModule->auUpgrade.RemoteINIFileLocalPath(), Path(QStringLiteral("bin/")).toStdString());
    EXPECT_EQ(Find<TPanelLine>("PanelLine1")->height(), 1);
}

TEST_F(Startup, WithoutVersionInformationTheCaptionEndsInTheSeparator) {
    OpenWindow();  // the program file does not exist
    EXPECT_EQ(Window->windowTitle(), QStringLiteral("Tarnwick | "));
}

TEST_F(Startup, SettingsThatCannotBeCreatedAnywhereStopTheStartUp) {
    Environment.ExecutableFile = QStringLiteral("/proc/tarnwick-test/bin/tarnwick");
    Environment.ConfigHome = QStringLiteral("/proc/tarnwick-test/config");
    OpenWindow();
    ASSERT_EQ(Desktop.Errors.size(), 1u);
    EXPECT_EQ(Desktop.Errors[0].Title, QStringLiteral("Tarnwick 2"));
    EXPECT_TRUE(Desktop.Errors[0].Text.startsWith(
        QStringLiteral("Cannot create file \"/proc/tarnwick-test/bin/settings.ini\". ")))
        << Desktop.Errors[0].Text.toStdString();
    EXPECT_TRUE(Find<QLineEdit>("edtRoot")->text().isEmpty());
    EXPECT_EQ(Find<QComboBox>("cmbProjects")->count(), 0);
    EXPECT_EQ(FrontPage()->objectName(), QStringLiteral("tabMake"));
    EXPECT_TRUE(StatusPanel(0).isEmpty());
    EXPECT_TRUE(StatusPanel(1).isEmpty());
    EXPECT_FALSE(Window->tmrUpdateDelayCheck().isActive());
    EXPECT_EQ(DataModule->auUpgrade.RemoteINIFileLocalPath(), "c:\\");
}

TEST_F(Startup, UnwritableProgramFolderKeepsTheFilesInTheConfigurationFolder) {
    Environment.ExecutableFile = QStringLiteral("/proc/tarnwick-test/tarnwick");
    OpenWindow();
    EXPECT_TRUE(Desktop.Errors.empty());
    const QString dataFolder = Path(QStringLiteral("config/tarnwick/"));
    EXPECT_EQ(Window->sAppPath(), QStringLiteral("/proc/tarnwick-test/"));
    EXPECT_TRUE(QFile::exists(dataFolder + QStringLiteral("settings.ini")));
    EXPECT_EQ(DataModule->auUpgrade.RemoteINIFileLocalPath(), dataFolder.toStdString());
    EXPECT_TRUE(Window->tmrUpdateDelayCheck().isActive());
}

TEST_F(Startup, ProgramFolderThatHoldsTheSettingsIsUsed) {
    WriteFile(SettingsFile(), "[Settings]\r\nRoot=/srv/www\r\nProject=\r\n");
    OpenWindow();
    EXPECT_EQ(Find<QLineEdit>("edtRoot")->text(), QStringLiteral("/srv/www"));
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("config/tarnwick/settings.ini"))));
}

}  // namespace
