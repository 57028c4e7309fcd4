#include "app/dtmMainUnit.h"

#include "app/Pictures.h"

#include "app/ConsoleEdit.h"
#include "app/Desktop.h"
#include "app/TarnwickApplication.h"
#include "app/frmMainUnit.h"
#include "app/frmUpdateUnit.h"

#include <QAction>
#include <QIcon>

#include <memory>

TdtmMain::TdtmMain(IDesktop& desktop, QObject* parent)
    : QObject(parent), jvSelectDirectory(desktop), FDesktop(desktop) {
    Q_INIT_RESOURCE(tarnwick);
    setObjectName(QStringLiteral("dtmMain"));

    cmdCommand.setRunWithCmd(false);
    cmdCommand.OnReadOutput = [this](const AnsiText& AOutput, std::string ACommandString) {
        cmdCommandReadOutput(AOutput, ACommandString);
    };
    cmdCommand.OnReadError = [this](const AnsiText& AError) { cmdCommandReadError(AError); };

    jvSelectDirectory.setClassicDialog(false);

    imgList.append(QPixmap(QStringLiteral(":/images/refresh.png")));
    aclMain.setObjectName(QStringLiteral("aclMain"));
    actRefreshAll = new QAction(&aclMain);
    actRefreshAll->setObjectName(QStringLiteral("actRefreshAll"));
    // With refresh@2x.png for a screen at 200 %.
    actRefreshAll->setIcon(TwoScaleIcon(QStringLiteral(":/images/refresh.png")));
    actRefreshAll->setToolTip(tr("Refresh List"));
    actRefreshAll->setStatusTip(tr("Refresh List"));
    connect(actRefreshAll, &QAction::triggered, this, [this] {
        AtHandlerEdge(FDesktop, FfrmMain, [this] { actRefreshAllExecute(); });
    });

    auUpgrade.setRemoteINIFileURL(TARNWICK_UPDATE_URL);
    auUpgrade.setINIVersionNumberSectionName("VERSION");
    auUpgrade.setINIVersionNumberIdentName("NUMBER");
    auUpgrade.setINIDowloadLinkSectionName("DOWNLOAD");
    auUpgrade.setINIDownloadLinkIdentName("URL");
    auUpgrade.setINIUserMessageSectionName("USER");
    auUpgrade.setINIUserMessageIdentName("MESSAGE");
    auUpgrade.setRemoteINIFileLocalPath("c:\\");
    auUpgrade.OnNewVersionFoundEvent = [this](const std::string& version,
                                              const std::string& link,
                                              const std::string& message) {
        auUpgradeNewVersionFoundEvent(version, link, message);
    };
}

TdtmMain::~TdtmMain() = default;

TfrmMain& TdtmMain::MainForm() const {
    Q_ASSERT(FfrmMain);
    return *FfrmMain;
}

void TdtmMain::cmdCommandReadOutput(const AnsiText& AOutput, const std::string& ACommandString) {
    TConsoleEdit& console = MainForm().Console();
    console.AddText(tr("Command: ") + QString::fromStdString(ACommandString));
    console.AddText(DecodeAnsiText(AOutput));
}

void TdtmMain::cmdCommandReadError(const AnsiText& AError) {
    MainForm().Console().AddText(DecodeAnsiText(AError));
}

void TdtmMain::actRefreshAllExecute() { MainForm().LoadProjects(QString()); }

void TdtmMain::auUpgradeNewVersionFoundEvent(const std::string& ANewVersionNumber,
                                             const std::string& ANewDownloadLink,
                                             const std::string& AUserMessage) {
    TfrmMain& frmMain = MainForm();
    auto frmUpdate = std::make_unique<TfrmUpdate>(
        [&frmMain](const QString& address) { frmMain.OpenWebsite(address); }, &frmMain);
    frmUpdate->SetNewVersion(QString::fromStdString(ANewVersionNumber));
    frmUpdate->SetDownloadLink(QString::fromStdString(ANewDownloadLink));
    frmUpdate->SetMessage(QString::fromStdString(AUserMessage));
    FDesktop.ShowModal(*frmUpdate);
}
