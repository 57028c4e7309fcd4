#pragma once

#include "app/SelectDirectory.h"
#include "components/BusyCursor.h"
#include "components/Cmd.h"
#include "components/CommandHistory.h"
#include "components/IniFileParser.h"
#include "components/KelvoVersionInfo.h"
#include "components/UpdateChecker.h"

#include <QList>
#include <QObject>
#include <QPixmap>

#include <string>

class IDesktop;
class QAction;
class TfrmMain;

// The data module: owns the program's non-visual components and handles their events.
class TdtmMain : public QObject {
    Q_OBJECT

public:
    explicit TdtmMain(IDesktop& desktop, QObject* parent = nullptr);
    ~TdtmMain() override;

    // The main window the handlers write to; set by the window when it is created.
    void AttachMainForm(TfrmMain& frmMain) { FfrmMain = &frmMain; }
    IDesktop& Desktop() const { return FDesktop; }

    TBusyCursor bcurMain;
    TCmd cmdCommand;
    TSelectDirectory jvSelectDirectory;
    TIniFileParser iniFileParser;
    QList<QPixmap> imgList;  // 16 by 16 pictures of the actions
    QObject aclMain;         // the action list; owns the actions
    QAction* actRefreshAll;
    TUpdateChecker auUpgrade;  // loads the update-check module at its first check
    TKelvoVersionInfo kelvoVersion;
    TCommandHistory cmdHistory;  // the lines that ran, per project

    void cmdCommandReadOutput(const AnsiText& AOutput, const std::string& ACommandString);
    void cmdCommandReadError(const AnsiText& AError);
    void actRefreshAllExecute();
    void auUpgradeNewVersionFoundEvent(const std::string& ANewVersionNumber,
                                       const std::string& ANewDownloadLink,
                                       const std::string& AUserMessage);

private:
    TfrmMain& MainForm() const;

    IDesktop& FDesktop;
    TfrmMain* FfrmMain = nullptr;
};
