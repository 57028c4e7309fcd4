#pragma once

#include "app/AppEnvironment.h"
#include "app/CommandCatalogue.h"

#include <QMainWindow>
#include <QToolButton>

#include <memory>

class IDesktop;
class QTimer;
class TConsoleEdit;
class TdtmMain;
namespace Ui {
class TfrmMain;
}

// A preset command button: flat, not focusable, its name carries its command.
using TSpeedButton = QToolButton;

// The main window: the command box, the root folder and project list, the preset
// command pages and the console.
class TfrmMain : public QMainWindow {
    Q_OBJECT

public:
    TfrmMain(TdtmMain& dtmMain, IDesktop& desktop,
             const TAppEnvironment& environment = TAppEnvironment::FromSystem(),
             QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The program folder, with a trailing separator.
    const QString& sAppPath() const { return FsAppPath; }
    void setsAppPath(const QString& value) { FsAppPath = value; }
    // The web-root folder: shown in the root box and stored in the settings file.
    const QString& sRoot() const { return FRoot; }
    void setsRoot(const QString& value);
    // The project last chosen or stored: stored in the settings file.
    const QString& sActiveProject() const { return FsActiveProject; }
    void setsActiveProject(const QString& value);

    // Refills the project list with the sub-folders of ARoot (or of the current
    // root when ARoot is empty).
    void LoadProjects(const QString& ARoot);

    void RunCommand(const QString& ACommand, TCommandType ACommandType);
    void RunSimpleCommand(const TSpeedButton& AButton, bool AArguments,
                          const QString& AAdditionalArguments);
    void RunComposerCommand(const TSpeedButton& AButton, bool AArguments);
    void CheckUpdatesPlease(bool APromptIfNone);
    void OpenWebsite(const QString& AAddress);

    TConsoleEdit& Console() const;
    QTimer& tmrUpdateDelayCheck() const { return *FtmrUpdateDelayCheck; }

    static const QString kSiteAddress;
    static const QString kDonateAddress;
    static const QString kCopyrightNotice;
    static const QString kSupportAddress;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormCreate();
    void LoadSettings();
    void ReportSettingsSaved(bool ASaved);
    void BindPresetButtons();
    void BindPresetButton(TSpeedButton& button);
    const TSpeedButton& SenderButton() const;
    void RunInProject(const QString& ACommandLine);
    // The argument prompt; true on OK with the typed text in AArguments.
    bool AskArguments(QString& AArguments);
    QString ProjectFolder() const;

    void btnRunClick();
    void lblfennowayClick();
    void imgDonateClick();
    void menExitClick();
    void menCheckUpdatesClick();
    void tmrUpdateDelayCheckTimer();
    void btnBrowseClick();
    void cmbProjectsChange();
    void PresetButtonClick();

    std::unique_ptr<Ui::TfrmMain> ui;
    TdtmMain& FdtmMain;
    IDesktop& FDesktop;
    TAppEnvironment FEnvironment;
    QTimer* FtmrUpdateDelayCheck;
    QString FRoot;
    QString FsAppPath;
    QString FsActiveProject;
    bool FSettingsUnsaved = false;  // the last store of a setting failed and was reported
};
