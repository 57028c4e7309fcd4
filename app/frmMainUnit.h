#pragma once

#include "app/AppEnvironment.h"
#include "app/CommandCatalogue.h"
#include "app/PinStore.h"
#include "app/ProjectFolders.h"
#include "app/Preferences.h"
#include "components/ProjectTools.h"
#include "components/RunRequest.h"
#include "platform/PseudoTerminal.h"

#include <QMainWindow>
#include <QToolButton>

#include <functional>
#include <memory>

class IDesktop;
class QAction;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class TCommandBoxHistory;
class TBackgroundJobs;
class TCatalogueStore;
class TfrmPalette;
class TfrmServices;
class TViewsPane;
class QDockWidget;
class TfrmPinnedPage;
class TCommandRun;
class TFindBar;
class TProjectListModel;
struct TRunEnd;
class TConsoleEdit;
class TUpdateCheckRun;
struct TUpdateCheckOutcome;
class TdtmMain;
class TToolsDetector;
namespace Ui {
class TfrmMain;
}

// A preset command button: flat, not focusable, its name carries its command.
using TSpeedButton = QToolButton;

// The main window: the command box, the root folder and project list, the preset
// command pages and the console.
class TfrmMain : public QMainWindow {
    Q_OBJECT
    // For the start-up benchmark's probe, which knows the window only as a widget.
    Q_PROPERTY(bool projectListPending READ IsProjectListPending)

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
    // True from the start until the project list has been filled for the first time.
    bool IsProjectListPending() const { return FProjectListPending; }

    // Runs a whole command line through the interpreter in the selected project, on a
    // worker: the console gets the start report, "Command: " and the command, the output
    // as it arrives and a line that tells how the run ended. Returns false and does
    // nothing while another run lasts. Throws Exception("Command String Empty.") for an
    // empty command line.
    bool RunInProject(const QString& ACommandLine);
    // The same for a request; it runs in the selected project's folder.
    bool RunInProject(TRunRequest ARequest);
    bool IsRunning() const;
    // Stops the run (and everything it started); it ends with runFinished.
    void StopRun();
    // The line that ends a run in the console, e.g. "Exit code 0 · 1.24 s".
    // The line of the last run asked for, as given (before routing).
    const QString& RunLine() const { return FRunLine; }
    // The request of the last run asked for, as it went to the routing.
    const TRunRequest& RunRequest() const { return FRunRequest; }
    static QString EndLineText(const TRunEnd& AEnd, const QString& AStartReport);
    // A run that lasted this long and ends while the window is not active is told to the
    // desktop; shorter in tests.
    static inline double NotifyAfterSeconds = 10;

    void RunCommand(const QString& ACommand, TCommandType ACommandType);
    void RunSimpleCommand(const TSpeedButton& AButton, bool AArguments,
                          const QString& AAdditionalArguments);
    void RunComposerCommand(const TSpeedButton& AButton, bool AArguments);
    // Starts an update check on a worker thread; the window's thread shows what it
    // finds. A request while a check is under way is answered by that check.
    void CheckUpdatesPlease(bool APromptIfNone);
    bool IsCheckingForUpdates() const;
    void OpenWebsite(const QString& AAddress);

    // The line a preset button runs: the tool's prefix, with View > Colours the
    // tools' own --ansi option, and the command.
    QString PresetLine(TCommandType ACommandType, const QString& ACommand) const;
    // The same as a request (RunInProject gives it the project's folder).
    TRunRequest PresetRequest(TCommandType ACommandType, const QString& ACommand) const;

    // File > Save Output...: the console's text into a file the user chooses, in
    // UTF-8 with the system's line ends.
    void SaveOutput();
    // Edit > Clear Console: the one way the console is emptied.
    void ClearConsole();
    // Runs the newest line of the selected project's history again.
    void RunAgain();
    bool ColoursOn() const;
    // View > Terminal: runs from the window get a pseudo-terminal of the console's size.
    bool TerminalOn() const;
    // The console's visible room in characters (columns and rows), at least
    // kMinTerminalColumns by kMinTerminalRows.
    platform::TerminalSize ConsoleTerminalSize() const;
    static constexpr int kMinTerminalColumns = 40;
    static constexpr int kMinTerminalRows = 12;
    // The project's commands, read once per project, and the palette that offers them.
    TCatalogueStore& CatalogueStore() const { return *FCatalogueStore; }
    TfrmPalette& Palette();
    // The Pinned page and the pins it shows.
    TfrmPinnedPage& PinnedPage() const { return *FPinnedPage; }
    TPinStore& PinStore() { return FPinStore; }
    // The tools of the selected project: the stored ones, or the defaults.
    TProjectTools ProjectTools();
    TProjectToolsStore& ToolsStore() { return FToolsStore; }
    // Opens Project > Tools… for the selected project.
    void menToolsClick();
    // The views pane beside the console (Views > Pane), and the dock that holds it.
    // Made when first asked for.
    TViewsPane& ViewsPane();
    QDockWidget& ViewsDock() const { return *FViewsDock; }
    // Shows the pane at the named view ("Routes") and reads it when it has not read the
    // selected project yet.
    void ShowView(const QString& AName);
    // Opens the file at the line with the editor command of the preferences, or with the
    // desktop's opener when there is none.
    void OpenInEditor(const QString& AFile, int ALine);
    // Opens the route's URI on the project's running development server, or copies it
    // when none runs.
    void OpenRoute(const QString& AUri);
    // Whether the first-choice detection of a project is still running.
    bool IsDetecting() const { return FDetector != nullptr; }

    TConsoleEdit& Console() const;
    // Whether the window took a size and place stored at an earlier close.
    bool GeometryRestored() const { return FGeometryRestored; }
    // Where F1 leads: the installed README, or its copy on the site.
    QString DocumentationAddress() const;
    // The user's preferences as the window uses them now.
    const TPreferences& Preferences() const { return FPreferences; }
    // Stores the changed preferences and applies them (Edit > Preferences… on OK).
    void SetPreferences(const TPreferences& APreferences);
    // Edit > Preferences….
    void ShowPreferences();
    QTimer& tmrUpdateDelayCheck() const { return *FtmrUpdateDelayCheck; }

    static const QString kSiteAddress;
    static const QString kDonateAddress;
    static const QString kCopyrightNotice;
    static const QString kSupportAddress;
    static const QString kDocumentationAddress;

signals:
    // A run was asked for: the line as given, before it is routed through the project's
    // tools; a run that cannot start (no project) is asked for too.
    void runRequested(const QString& ALine);
    void runFinished();
    void toolsDetected();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A run on a terminal keeps the terminal at the console's size.
    void FollowConsoleSize();
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // A handler for connect(): runs AHandler at the handler's edge (AtHandlerEdge).
    template <typename THandler>
    auto Guarded(THandler AHandler) {
        return [this, AHandler] { RunGuarded([this, AHandler] { (this->*AHandler)(); }); };
    }
    void RunGuarded(const std::function<void()>& AHandler);

    void FormCreate();
    void LoadSettings();
    void ShowStartProject();
    void ReportSettingsSaved(bool ASaved);
    void KeyboardAccess();
    void SetUpConsoleTools();
    void LoadConsoleSettings();
    // Help menu, the quit key; the layout (size, place, divider, page in front) kept
    // in the settings file from one close to the next start.
    void SetUpDesktopHabits();
    void OpenDocumentation();
    void ShowKeyboardShortcuts();
    void ShowAbout();
    // Puts the preferences into effect: colours, the console's font and capacity.
    void ApplyPreferences();
    bool RestoreLayout();
    // The first start's welcome in the empty console; after Browse, the first Laravel
    // project when none is stored, or why there is none; the list's other folders marked.
    void ShowWelcomeIfNew();
    void ChooseFirstProject();
    static bool IsLaravelProject(const QString& AFolder);
    void SaveLayout();
    // View > Console Font…: the chosen font is the console's from now on.
    void ChooseConsoleFont();
    // Keeps a line that runs in the project's history and offers it in the command box.
    void RememberCommand(const QString& ACommandLine);
    void ShowProjectHistory();
    void BindPresetButtons();
    void BindPresetButton(TSpeedButton& button);
    const TSpeedButton& SenderButton() const;
    void AddCommandsMenu();
    void CreateInputRow();
    void SetRunning(bool ARunning);
    // The status bar's note that a command still runs and how to stop it: the answer to a
    // run asked for while one lasts.
    void SayStillRunning();
    // The input row's run text, shortened to the room it has (the whole in its tooltip).
    void ShowRunState(const QString& AText);
    // Why a line cannot run in AFolder before anything starts; empty when it can.
    static QString StartProblem(const QString& AFolder);
    // Shows in the input row when the command has not taken what was sent.
    void ShowInputState();
    // Adds a line sent to the command, styled as input, where the output stands.
    void EchoInput(const QString& AText);
    void RunStartReported(const QString& AText, bool AStarted);
    void RunOutputArrived(const QString& AText);
    void RunEnded();
    QString RunHint(const TRunEnd& AEnd) const;
    // A console addition failed during the run: the run is stopped and the user told.
    void RunAdditionFailed(const std::exception& AError);
    void btnSendInputClick();
    void btnCloseInputClick();
    // The argument prompt; true on OK with the typed text in AArguments.
    bool AskArguments(QString& AArguments);
    QString ProjectFolder();
    void StartupProjectList();
    void FillPendingProjectList();
    void FillAfterPaint();
    void ReadFoldersAfterFirstFrame();
    void ShowProjects(const QList<TProjectFolder>& AFolders);
    void MarkPlainProjects(const QList<TProjectFolder>& AFolders);
    void CreateProjectMenu();
    // The Views menu (frmMainViews.cpp).
    void SetUpViews();
    void SetUpServices();
    TfrmServices& Services();
    void ServicesFollowProject();
    bool StopServicesToQuit();
    void DetectToolsIfNew(const QString& AProjectFolder);
    void ToolsDetected(const TToolsDetection& AFound);

    void btnRunClick();
    void lblfennowayClick();
    void imgDonateClick();
    void menExitClick();
    void menCheckUpdatesClick();
    void menRunAnyCommandClick();
    void PaletteRunRequested(const QString& ACommandLine);
    void PalettePinRequested(const QString& ALine, bool AAllProjects);
    // The line as it runs: for php artisan and composer, with View > Colours the tools'
    // colour option (PresetLine).
    QString FinishedLine(const QString& ALine) const;
    void CreatePinnedPage();
    void PinRunRequested(const QString& ALine);
    void tmrUpdateDelayCheckTimer();
    void UpdateCheckFinished(const TUpdateCheckOutcome& AOutcome);
    void ReportUpdateCheckFailure(bool AAsked, const std::exception& AError);
    void btnBrowseClick();
    void cmbProjectsChange();
    // The preset buttons' click handlers; each runs the clicked button's command.
    void btnRoute_CacheClick();
    void btnCache_ForgetClick();
    void btnMake_ControllerClick();
    void btnMake_MiddlewareClick();
    void btnMake_MigrationClick();
    void btnMake_ModelClick();
    void btnMake_RequestClick();
    void btnMake_SeedClick();
    void bt2Make_ModelClick();
    void btnDumpAutoloadClick();
    void btnUpdateClick();
    void btnRequireClick();

    std::unique_ptr<Ui::TfrmMain> ui;
    TdtmMain& FdtmMain;
    IDesktop& FDesktop;
    TAppEnvironment FEnvironment;
    QTimer* FtmrUpdateDelayCheck;
    TUpdateCheckRun* FUpdateCheckRun;
    // The window's own background reads (catalogues, detection); quitting stops them all.
    TBackgroundJobs* FJobs;
    bool FPromptIfNone = false;
    bool FProjectListPending = false;
    // The start's reading of the root's folders, and what it found.
    TProjectFolderReader* FFolderReader = nullptr;
    TProjectListModel* FProjectList = nullptr;
    QList<TProjectFolder> FStartFolders;
    bool FStartFoldersRead = false;
    bool FPaintedOnce = false;
    TFindBar* FFindBar = nullptr;
    QAction* FmenServices = nullptr;
    QDockWidget* FdckServices = nullptr;
    TfrmServices* FServices = nullptr;
    TCommandBoxHistory* FCommandBoxHistory = nullptr;
    QAction* FmenColours = nullptr;
    QAction* FmenTerminal = nullptr;
    TCatalogueStore* FCatalogueStore;
    TfrmPalette* FfrmPalette = nullptr;
    TPinStore FPinStore;
    TfrmPinnedPage* FPinnedPage = nullptr;
    TViewsPane* FViewsPane = nullptr;
    QDockWidget* FViewsDock = nullptr;
    QString FRoot;
    QString FsAppPath;
    QString FsActiveProject;
    // The root shown came from the command line and is not in the settings file yet.
    bool FRootUnsaved = false;
    bool FSettingsUnsaved = false;  // the last store of a setting failed and was reported
    bool FGeometryRestored = false;
    TPreferences FPreferences;

    TProjectToolsStore FToolsStore;
    std::unique_ptr<TToolsDetector> FDetector;
    QString FDetectedProject;
    QString FDetectedReport;

    std::unique_ptr<TCommandRun> FRun;
    // The run's line as given, the tools and folder it ran with, and the end of its output.
    QString FRunLine;
    TRunRequest FRunRequest;
    TProjectTools FRunTools;
    QString FRunFolder;
    QString FRunTail;
    QString FRunStartReport;
    bool FRunOutputFailed = false;
    QWidget* FpanInput = nullptr;
    QLineEdit* FedtInput = nullptr;
    QPushButton* FbtnSendInput = nullptr;
    QPushButton* FbtnCloseInput = nullptr;
    QLabel* FlblInputState = nullptr;
    QTimer* FtmrInputState = nullptr;
    bool FInputWaitedBefore = false;  // input waited at the last look too
    bool FInputRefused = false;       // the last line was not taken
    bool FInputEnded = false;         // End Input was given
    QLabel* FlblRunState = nullptr;
    // Lines sent before the run's start was reported: they show once its output begins.
    QStringList FEchoesBeforeStart;
    bool FRunStartSeen = false;
};
