#include "app/frmMainUnit.h"

#include "app/Accessibility.h"
#include "app/CommandBoxHistory.h"
#include "app/CommandRun.h"
#include "app/ConsoleEdit.h"
#include "app/Desktop.h"
#include "app/Fonts.h"
#include "app/LinkLabel.h"
#include "app/Pictures.h"
#include "app/ProjectListModel.h"
#include "app/ProjectFolders.h"
#include "app/TarnwickApplication.h"
#include "app/UpdateCheckRun.h"
#include "app/BackgroundJobs.h"
#include "app/CatalogueStore.h"
#include "app/dtmMainUnit.h"
#include "app/frmPaletteUnit.h"
#include "app/frmPinnedPage.h"
#include "app/frmToolsUnit.h"
#include "components/Exception.h"
#include "platform/Paths.h"
#include "ui_frmMain.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProxyStyle>
#include <QTabBar>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <exception>
#include <utility>

const QString TfrmMain::kSiteAddress = QStringLiteral("http://www.tarnwick.example/");
const QString TfrmMain::kDonateAddress = QStringLiteral("http://www.tarnwick.example/donate");
const QString TfrmMain::kCopyrightNotice =
    QStringLiteral(QT_TRANSLATE_NOOP("TfrmMain", "Copyright © 2026 The Tarnwick developers"));
const QString TfrmMain::kSupportAddress = QStringLiteral("support@tarnwick.example");

namespace {

constexpr const char* kSettingsSection = "Settings";
constexpr int kUpdateDelayMs = 10000;
// The start's project list waits for the first paint at most this long.
constexpr int kStartupListLatestMs = 1000;
// How much of a run's output is kept for the hint after it.
constexpr qsizetype kRunTailChars = 4096;
constexpr int kDetectedMessageMs = 20000;
constexpr int kNothingRunMessageMs = 10000;
// How long the status bar keeps the note about a run refused while another lasts.
constexpr int kRunNoteMs = 8000;
// How often the input row looks whether the command has taken what was sent.
constexpr int kInputStateMs = 500;
constexpr int kConsoleMinimumHeight = 40;
// The style of what the user sent to a command: bold cyan.
constexpr char16_t kInputStyleOn[] = u"\x1b[1;36m";
constexpr char16_t kInputStyleOff[] = u"\x1b[0m";

// Text from the user as plain text in the console: control characters (escape
// sequences among them) become visible replacement marks.
QString PlainInput(QString AText) {
    for (QChar& c : AText)
        if (c.category() == QChar::Other_Control) c = QChar(0xFFFD);
    return AText;
}

// The reason in a start report without the report's own opening.
QString StartReason(const QString& AReport) {
    static const QString opening = QStringLiteral("The command was not started: ");
    QString reason = AReport.startsWith(opening) ? AReport.mid(opening.size()) : AReport;
    if (!reason.isEmpty()) reason[0] = reason[0].toUpper();
    return reason;
}

// The panel the top controls sit on is laid out for this width; the donate picture
// and the label under it keep their distance from its right edge.
constexpr int kTopDesignWidth = 634;
constexpr int kDonateRightGap = kTopDesignWidth - (535 + 92);
constexpr int kLabel4RightGap = kTopDesignWidth - (517 + 106);

constexpr int kTabWidth = 100;

// The application's style, with page tabs of one width: AWidth, or less where the tabs
// would not fit side by side in their page control (seven pages in the first window).
class TFixedTabWidthStyle : public QProxyStyle {
public:
    explicit TFixedTabWidthStyle(int AWidth) : FWidth(AWidth) {}

    QSize sizeFromContents(ContentsType AType, const QStyleOption* AOption, const QSize& ASize,
                           const QWidget* AWidget) const override {
        QSize size = QProxyStyle::sizeFromContents(AType, AOption, ASize, AWidget);
        if (AType != CT_TabBarTab) return size;
        int width = FWidth;
        const auto* bar = qobject_cast<const QTabBar*>(AWidget);
        if (bar && bar->count() > 0 && bar->parentWidget())
            width = std::min(width, bar->parentWidget()->width() / bar->count());
        size.setWidth(width);
        return size;
    }

private:
    int FWidth;
};

}  // namespace

TfrmMain::TfrmMain(TdtmMain& dtmMain, IDesktop& desktop, const TAppEnvironment& environment,
                   QWidget* parent)
    : QMainWindow(parent),
      ui(std::make_unique<Ui::TfrmMain>()),
      FdtmMain(dtmMain),
      FDesktop(desktop),
      FEnvironment(environment),
      FtmrUpdateDelayCheck(new QTimer(this)),
      FUpdateCheckRun(new TUpdateCheckRun(this)),
      FJobs(new TBackgroundJobs(this)),
      FCatalogueStore(new TCatalogueStore(RunTool, this, FJobs)) {
    // The palette's lists are read through the project's tools, like typed lines.
    FCatalogueStore->setToolsOf(
        [this](const QString& AFolder) { return FToolsStore.Load(AFolder.toStdString()).value_or(TProjectTools{}); });
    // The window's font comes first, so that the controls are made in it: set afterwards,
    // it would lay every one of them out a second time.
    QFont windowFont = TahomaFont();
    windowFont.setPixelSize(11);
    setFont(windowFont);
    ui->setupUi(this);
    setObjectName(QStringLiteral("frmMain"));
    setCentralWidget(ui->panMain);
    setWindowIcon(QIcon(QStringLiteral(":/images/tarnwick.png")));
    // The donate picture in the screen's scale: donate@2x.png at 200 %.
    ui->imgDonate->setPixmap(
        TwoScaleIcon(QStringLiteral(":/images/donate.png")).pixmap(ui->imgDonate->size(), devicePixelRatio()));
    // Labels size themselves to their text in the window's font; the right-justified
    // one keeps its right edge.
    for (QLabel* label : {static_cast<QLabel*>(ui->lblfennoway), ui->Label2, ui->Label3, ui->Label1})
        label->adjustSize();
    const int label4Right = ui->Label4->geometry().right();
    ui->Label4->adjustSize();
    ui->Label4->move(label4Right + 1 - ui->Label4->width(), ui->Label4->y());
    CreatePinnedPage();
    resize(644, 513 + ui->menMain->sizeHint().height());
    FdtmMain.AttachMainForm(*this);

    const QList<QAction*> fileActions = ui->File1->actions();
    for (QAction* action : fileActions)
        if (action->isSeparator()) action->setObjectName(QStringLiteral("N1"));

    auto* panel0 = new QLabel(ui->sbMain);
    panel0->setObjectName(QStringLiteral("sbMainPanel0"));
    panel0->setFixedWidth(250);
    ui->sbMain->addWidget(panel0);
    auto* panel1 = new QLabel(ui->sbMain);
    panel1->setObjectName(QStringLiteral("sbMainPanel1"));
    panel1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ui->sbMain->addWidget(panel1, 1);

    // Every tab 100 wide, through a style of its own: a style sheet would cost the
    // start a style-sheet engine for the whole window.
    auto* tabStyle = new TFixedTabWidthStyle(kTabWidth);
    tabStyle->setParent(ui->pgMain->tabBar());
    ui->pgMain->tabBar()->setStyle(tabStyle);
    ui->Splitter1->setStretchFactor(0, 0);
    ui->Splitter1->setStretchFactor(1, 1);
    ui->Splitter1->setSizes({188, 96});

    ui->SpeedButton1->setDefaultAction(FdtmMain.actRefreshAll);
    ui->SpeedButton1->installEventFilter(this);
    connect(ui->lblfennoway, &TLinkLabel::clicked, this, Guarded(&TfrmMain::lblfennowayClick));
    connect(ui->imgDonate, &TLinkLabel::clicked, this, Guarded(&TfrmMain::imgDonateClick));
    KeyboardAccess();
    ui->panTop->installEventFilter(this);
    connect(&Console(), &TConsoleEdit::resized, this, &TfrmMain::FollowConsoleSize);
    connect(&Console(), &TConsoleEdit::keyForProgram, this,
            [this](int AKey, Qt::KeyboardModifiers AModifiers, const QString& AText) {
                if (FRun) FRun->SendQtKey(AKey, AModifiers, AText);
            });
    connect(&Console(), &TConsoleEdit::pasteForProgram, this, [this](const QString& AText) {
        if (FRun) FRun->SendPaste(AText);
    });

    FtmrUpdateDelayCheck->setObjectName(QStringLiteral("tmrUpdateDelayCheck"));
    FtmrUpdateDelayCheck->setInterval(kUpdateDelayMs);
    connect(FtmrUpdateDelayCheck, &QTimer::timeout, this, Guarded(&TfrmMain::tmrUpdateDelayCheckTimer));

    connect(ui->btnRun, &QPushButton::clicked, this, Guarded(&TfrmMain::btnRunClick));
    connect(ui->btnBrowse, &QPushButton::clicked, this, Guarded(&TfrmMain::btnBrowseClick));
    FProjectList = new TProjectListModel(tr("No artisan file and no composer.json: commands may not work here"),
                                         ui->cmbProjects->palette().color(QPalette::Disabled, QPalette::Text), this);
    ui->cmbProjects->setModel(FProjectList);
    connect(ui->cmbProjects, &QComboBox::activated, this, Guarded(&TfrmMain::cmbProjectsChange));
    connect(ui->menExit, &QAction::triggered, this, Guarded(&TfrmMain::menExitClick));
    connect(ui->menCheckUpdates, &QAction::triggered, this, Guarded(&TfrmMain::menCheckUpdatesClick));
    BindPresetButtons();
    SetUpConsoleTools();
    AddCommandsMenu();
    CreateInputRow();
    CreateProjectMenu();
    SetUpViews();
    SetUpServices();
    SetUpDesktopHabits();

    FormCreate();
}

TfrmMain::~TfrmMain() {
    // Nothing of a run or a detection outlives the window.
    FRun.reset();
    FDetector.reset();
    // The services end with their trees, and their pane goes while the window is still
    // whole: its signals reach the window's handlers.
    delete FdckServices;
    FdckServices = nullptr;
    FServices = nullptr;
}

TConsoleEdit& TfrmMain::Console() const { return *ui->redtConsole; }

void TfrmMain::RunGuarded(const std::function<void()>& AHandler) { AtHandlerEdge(FDesktop, this, AHandler); }

// Names for screen readers beyond those in the layout, and a keyboard way to every
// control: Tab reaches the preset buttons after the page tabs and then the links,
// and Ctrl+R refreshes the project list (its button takes no focus).
void TfrmMain::KeyboardAccess() {
    NameControlsByTheirLabels(*this);
    ui->lblfennoway->setAccessibleName(kSiteAddress);
    ui->btnRun->setAccessibleName(QStringLiteral("Run"));
    // The two links at the top come last, after the pages and their buttons.
    QWidget* last = ui->pgMain;
    while (ui->pgMain->isAncestorOf(last->nextInFocusChain())) last = last->nextInFocusChain();
    setTabOrder(last, ui->lblfennoway);
    setTabOrder(ui->lblfennoway, ui->imgDonate);
    for (int page = 0; page < ui->pgMain->count(); ++page)
        for (TSpeedButton* button : ui->pgMain->widget(page)->findChildren<TSpeedButton*>(
                 QString(), Qt::FindDirectChildrenOnly))
            button->setFocusPolicy(Qt::TabFocus);
    FdtmMain.actRefreshAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    FdtmMain.actRefreshAll->setShortcutContext(Qt::WindowShortcut);
    addAction(FdtmMain.actRefreshAll);
}

void TfrmMain::BindPresetButtons() {
    for (int page = 0; page < ui->pgMain->count(); ++page) {
        const QList<TSpeedButton*> buttons = ui->pgMain->widget(page)->findChildren<TSpeedButton*>(
            QString(), Qt::FindDirectChildrenOnly);
        for (TSpeedButton* button : buttons) BindPresetButton(*button);
    }
}

void TfrmMain::BindPresetButton(TSpeedButton& button) {
    static const struct {
        const char* Name;
        void (TfrmMain::*Handler)();
    } kHandlers[] = {
        {"btnRoute_CacheClick", &TfrmMain::btnRoute_CacheClick},
        {"btnCache_ForgetClick", &TfrmMain::btnCache_ForgetClick},
        {"btnMake_ControllerClick", &TfrmMain::btnMake_ControllerClick},
        {"btnMake_MiddlewareClick", &TfrmMain::btnMake_MiddlewareClick},
        {"btnMake_MigrationClick", &TfrmMain::btnMake_MigrationClick},
        {"btnMake_ModelClick", &TfrmMain::btnMake_ModelClick},
        {"btnMake_RequestClick", &TfrmMain::btnMake_RequestClick},
        {"btnMake_SeedClick", &TfrmMain::btnMake_SeedClick},
        {"bt2Make_ModelClick", &TfrmMain::bt2Make_ModelClick},
        {"btnDumpAutoloadClick", &TfrmMain::btnDumpAutoloadClick},
        {"btnUpdateClick", &TfrmMain::btnUpdateClick},
        {"btnRequireClick", &TfrmMain::btnRequireClick},
    };
    const TPreset* preset = FindPreset(button.objectName());
    if (!preset) return;
    for (const auto& entry : kHandlers)
        if (std::strcmp(entry.Name, preset->Handler) == 0)
            connect(&button, &TSpeedButton::clicked, this, Guarded(entry.Handler));
    if (ShowsTooltip(*preset))
        button.setToolTip(CommandPrefix(preset->Tool) + CommandFromButtonName(button.objectName()));
}

void TfrmMain::AddCommandsMenu() {
    auto* commands = new QMenu(tr("Co&mmands"), ui->menMain);
    commands->setObjectName(QStringLiteral("menCommands"));
    ui->menMain->addMenu(commands);
    QAction* runAny = commands->addAction(tr("Run &Any Command…"));
    runAny->setObjectName(QStringLiteral("menRunAnyCommand"));
    runAny->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+P")));
    runAny->setShortcutContext(Qt::WindowShortcut);
    connect(runAny, &QAction::triggered, this, Guarded(&TfrmMain::menRunAnyCommandClick));
}

TfrmPalette& TfrmMain::Palette() {
    if (!FfrmPalette) {
        FfrmPalette = new TfrmPalette(*FCatalogueStore, this);
        connect(FfrmPalette, &TfrmPalette::runRequested, this, &TfrmMain::PaletteRunRequested);
        connect(FfrmPalette, &TfrmPalette::pinRequested, this, &TfrmMain::PalettePinRequested);
        // The palette shows, and hands on, the line as it will run: with View > Colours
        // the tools' colour option, as for the preset buttons.
        FfrmPalette->setLineFinisher([this](const QString& ALine) { return FinishedLine(ALine); });
    }
    return *FfrmPalette;
}

// The palette's line runs like a typed command; while another run lasts it is refused and
// the palette comes back with the form as it was.
void TfrmMain::PaletteRunRequested(const QString& ACommandLine) {
    if (!RunInProject(ACommandLine))
        Palette().ShowRefusal(tr("A command is still running: stop it or wait until it has ended."));
}

QString TfrmMain::FinishedLine(const QString& ALine) const {
    const TRunRequest request = TRunRequest::FromTyped(ALine.toStdString(), {});
    if (request.Tool == TRunRequest::TTool::Artisan)
        return PresetLine(TCommandType::Artisan, QString::fromStdString(request.Arguments));
    if (request.Tool == TRunRequest::TTool::Composer)
        return PresetLine(TCommandType::Composer, QString::fromStdString(request.Arguments));
    return ALine;
}

// The seventh page, after the six of presets: the pins, kept beside the history.
void TfrmMain::CreatePinnedPage() {
    FPinnedPage = new TfrmPinnedPage(FPinStore, FDesktop, ui->pgMain);
    ui->pgMain->addTab(FPinnedPage, tr("Pinned"));
    ui->pgMain->setTabToolTip(ui->pgMain->indexOf(FPinnedPage), tr("Pinned commands, one click away"));
    connect(FPinnedPage, &TfrmPinnedPage::runRequested, this,
            [this](const QString& ALine) { RunGuarded([this, ALine] { PinRunRequested(ALine); }); });
    connect(FPinnedPage, &TfrmPinnedPage::failed, this,
            [this](const QString& AMessage) { ui->sbMain->showMessage(AMessage); });
}

// A pin's line runs like a typed one, with View > Colours as the palette showed it.
void TfrmMain::PinRunRequested(const QString& ALine) { RunInProject(FinishedLine(ALine)); }

void TfrmMain::PalettePinRequested(const QString& ALine, bool AAllProjects) {
    FPinnedPage->ShowProject(ProjectFolder());
    if (!FPinnedPage->Pin(ALine, AAllProjects))
        Palette().ShowRefusal(QStringLiteral("Pins could not be saved: ") + FPinStore.LastError());
}

void TfrmMain::menRunAnyCommandClick() { Palette().Open(ProjectFolder()); }

void TfrmMain::FormCreate() {
    try {
        setsAppPath(FEnvironment.ProgramFolder());
        FdtmMain.kelvoVersion.setFileName(FEnvironment.ExecutableFile.toStdString());
        setWindowTitle(windowTitle() + QStringLiteral(" | ") +
                       QString::fromStdString(FdtmMain.kelvoVersion.FileVersion()));
        const QString dataFolder = FEnvironment.DataFolder();
        FdtmMain.iniFileParser.setIniFileName(
            (dataFolder + QStringLiteral("settings.ini")).toStdString());
        // An installed copy keeps its history and the downloaded version.ini in the user's
        // state and cache folders; where an earlier version left them in the data folder,
        // they move there once.
        const QString cacheFolder = FEnvironment.CacheFolder();
        const QString historyFile = FEnvironment.StateFolder() + QStringLiteral("history.txt");
        TAppEnvironment::MoveOnce(dataFolder + QStringLiteral("version.ini"), cacheFolder + QStringLiteral("version.ini"));
        TAppEnvironment::MoveOnce(dataFolder + QStringLiteral("history.txt"), historyFile);
        FdtmMain.auUpgrade.setRemoteINIFileLocalPath(cacheFolder.toStdString());
        FdtmMain.cmdHistory.setFileName(historyFile.toStdString());
        FPinStore.setFileName(FEnvironment.StateFolder() + QStringLiteral("pins.ini"));
        FToolsStore.setFileName((dataFolder + QStringLiteral("projects.ini")).toStdString());
        LoadSettings();
        LoadConsoleSettings();
        ui->pgMain->setCurrentWidget(ui->tabGeneral);
        FGeometryRestored = RestoreLayout();
        ShowWelcomeIfNew();
        findChild<QLabel*>(QStringLiteral("sbMainPanel0"))->setText(tr(kCopyrightNotice.toUtf8().constData()));
        findChild<QLabel*>(QStringLiteral("sbMainPanel1"))
            ->setText(tr("Support & Suggestions: ") + kSupportAddress +
                      QStringLiteral("    "));
        if (FPreferences.CheckForUpdates) FtmrUpdateDelayCheck->start();
    } catch (const std::exception& error) {
        ShowDefaultErrorBox(FDesktop, this, QString::fromUtf8(error.what()));
    }
}

void TfrmMain::setsRoot(const QString& value) {
    FRoot = value;
    ui->edtRoot->setText(value);
    ShowWelcomeIfNew();
    ReportSettingsSaved(FdtmMain.iniFileParser.WriteVal(kSettingsSection, "Root", value.toStdString()));
}

void TfrmMain::setsActiveProject(const QString& value) {
    FsActiveProject = value;
    ReportSettingsSaved(FdtmMain.iniFileParser.WriteVal(kSettingsSection, "Project", value.toStdString()));
}

// A failed store is said once in the status bar, not again for the failures that follow;
// the next store that goes through takes the message away.
void TfrmMain::ReportSettingsSaved(bool ASaved) {
    const QString message = tr("Settings could not be saved: ");
    if (ASaved) {
        if (FSettingsUnsaved && ui->sbMain->currentMessage().startsWith(message)) ui->sbMain->clearMessage();
        FSettingsUnsaved = false;
    } else if (!FSettingsUnsaved) {
        FSettingsUnsaved = true;
        ui->sbMain->showMessage(message + QString::fromStdString(FdtmMain.iniFileParser.LastWriteError()));
    }
}

void TfrmMain::LoadSettings() {
    if (!FEnvironment.StartProject.isEmpty()) {
        ShowStartProject();
        return;
    }
    // The stored root shows at once. Writing it and the project back, and filling the
    // list, come right after the window's first paint (a large root takes a while to
    // read, each write waits for the disk), or at the event loop's next turn when the
    // window is not shown.
    FRoot = QString::fromStdString(FdtmMain.iniFileParser.ReadVal(kSettingsSection, "Root", ""));
    ui->edtRoot->setText(FRoot);
    FsActiveProject = QString::fromStdString(FdtmMain.iniFileParser.ReadVal(kSettingsSection, "Project", ""));
    FProjectListPending = true;
    // The root's folders are read off the window's thread from its first paint on (see
    // event()): read while the window is made, they took the processor from it.
    if (!FRoot.isEmpty()) {
        FFolderReader = new TProjectFolderReader(*FJobs, this);
        connect(FFolderReader, &TProjectFolderReader::read, this,
                [this](const QString& ARoot, const QList<TProjectFolder>& AFolders) {
                    if (!FProjectListPending || ARoot != FRoot) return;
                    FStartFolders = AFolders;
                    FStartFoldersRead = true;
                    if (FPaintedOnce) RunGuarded([this] { FillPendingProjectList(); });
                });
        connect(FFolderReader, &TProjectFolderReader::plainMarked, this,
                [this](const QString& ARoot, const QList<TProjectFolder>& AFolders) {
                    if (ARoot != FRoot) return;
                    if (FProjectListPending) FStartFolders = AFolders;
                    else RunGuarded([this, AFolders] { MarkPlainProjects(AFolders); });
                });
    }
    QTimer::singleShot(0, this, Guarded(&TfrmMain::StartupProjectList));
    QTimer::singleShot(kStartupListLatestMs, this, Guarded(&TfrmMain::FillPendingProjectList));
}

void TfrmMain::StartupProjectList() {
    if (!isVisible()) FillPendingProjectList();
}

void TfrmMain::FillPendingProjectList() {
    if (!FProjectListPending) return;
    FProjectListPending = false;
    QTimer::singleShot(0, FCommandBoxHistory, &TCommandBoxHistory::LoadArrowIcon);
    setsRoot(FRoot);
    setsActiveProject(FsActiveProject);
    // The folders read meanwhile, or (asked for before they are in) read now.
    if (FStartFoldersRead && QFileInfo(FRoot).isDir())
        ShowProjects(std::exchange(FStartFolders, {}));
    else
        LoadProjects(FRoot);
    // The folders are looked into now that the window's start is done.
    if (FFolderReader) FFolderReader->GoOn();
}

// After the first paint the list fills as soon as the root's folders are in.
void TfrmMain::FillAfterPaint() {
    if (FStartFoldersRead || !FFolderReader) FillPendingProjectList();
}

// The first frame is on the screen (the display has taken it) before the root's folders
// are read: the read would take the processor from the display's own work on it.
void TfrmMain::ReadFoldersAfterFirstFrame() {
    QGuiApplication::sync();
    if (FFolderReader && FProjectListPending) FFolderReader->Read(FRoot);
}

bool TfrmMain::event(QEvent* event) {
    if (event->type() == QEvent::Paint && FProjectListPending) {
        if (!FPaintedOnce) QTimer::singleShot(0, this, Guarded(&TfrmMain::ReadFoldersAfterFirstFrame));
        FPaintedOnce = true;
        QTimer::singleShot(0, this, Guarded(&TfrmMain::FillAfterPaint));
    }
    return QMainWindow::event(event);
}

// A project named on the command line, with its parent as the root, is shown but not
// stored: the remembered root and project stay until the user chooses another.
void TfrmMain::ShowStartProject() {
    FRoot = QFileInfo(FEnvironment.StartProject).path();
    ui->edtRoot->setText(FRoot);
    FsActiveProject = FEnvironment.StartProject;
    FRootUnsaved = true;
    LoadProjects(FRoot);
}

void TfrmMain::LoadProjects(const QString& ARoot) {
    // A listing asked for now replaces the one still due from the start.
    FProjectListPending = false;
    const QString folder = ARoot.isEmpty() ? sRoot() : ARoot;
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) return;
    ShowProjects(ReadProjectFolders(folder));
}

// The folders in the list at once, each plain one greyed with a note: a root of
// thousands of folders fills in one step, not one change of the list per folder.
void TfrmMain::ShowProjects(const QList<TProjectFolder>& AFolders) {
    QComboBox& list = *ui->cmbProjects;
    const QSignalBlocker quiet(list);
    FProjectList->setFolders(AFolders);
    list.setCurrentIndex(-1);
    const std::string active = sActiveProject().toStdString();
    for (qsizetype i = 0; i < AFolders.size(); ++i)
        if (AFolders[i].Path.compare(sActiveProject(), Qt::CaseInsensitive) == 0 ||
            platform::SamePath(AFolders[i].Path.toStdString(), active)) {
            list.setCurrentIndex(int(i));
            break;
        }
    ShowProjectHistory();
    ServicesFollowProject();
}

// Each plain folder greyed with a note, where the list still shows it in its place.
void TfrmMain::MarkPlainProjects(const QList<TProjectFolder>& AFolders) { FProjectList->MarkPlain(AFolders); }

QString TfrmMain::ProjectFolder() {
    FillPendingProjectList();
    return ui->cmbProjects->currentText();
}

void TfrmMain::btnBrowseClick() {
    if (!FdtmMain.jvSelectDirectory.Execute(this)) return;
    setsRoot(QString::fromStdString(platform::NativePath(FdtmMain.jvSelectDirectory.Directory().toStdString())));
    LoadProjects(sRoot());
    ChooseFirstProject();
}

void TfrmMain::cmbProjectsChange() {
    // The first choice after a start with a named project stores the root shown with it.
    if (std::exchange(FRootUnsaved, false)) setsRoot(FRoot);
    setsActiveProject(ui->cmbProjects->currentText());
    ShowProjectHistory();
    DetectToolsIfNew(ui->cmbProjects->currentText());
    ServicesFollowProject();
}

void TfrmMain::CreateProjectMenu() {
    auto* menu = new QMenu(tr("Pro&ject"), ui->menMain);
    menu->setObjectName(QStringLiteral("menProject"));
    auto* tools = menu->addAction(tr("&Tools…"));
    tools->setObjectName(QStringLiteral("menTools"));
    tools->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T));
    tools->setStatusTip(tr("The project's PHP, Composer and the way commands reach it"));
    ui->menMain->addMenu(menu);
    connect(tools, &QAction::triggered, this, Guarded(&TfrmMain::menToolsClick));
}

TProjectTools TfrmMain::ProjectTools() {
    return FToolsStore.Load(ProjectFolder().toStdString()).value_or(TProjectTools{});
}

// A project chosen for the first time gets its tools detected off the window's thread;
// what was found is stored as its tools and told in the status bar.
void TfrmMain::DetectToolsIfNew(const QString& AProjectFolder) {
    if (AProjectFolder.isEmpty() || FToolsStore.FileName().empty() || FDetector) return;
    if (FToolsStore.Load(AProjectFolder.toStdString())) return;
    FDetector = std::make_unique<TToolsDetector>(AProjectFolder, nullptr, FJobs);
    connect(FDetector.get(), &TToolsDetector::detected, this, &TfrmMain::ToolsDetected);
    FDetector->Start();
}

void TfrmMain::ToolsDetected(const TToolsDetection& AFound) {
    const QString project = FDetector->ProjectFolder();
    // The detector sends this very signal: it goes once control is back in the loop.
    FDetector.release()->deleteLater();
    if (!FToolsStore.Load(project.toStdString())) FToolsStore.Save(project.toStdString(), AFound.Suggested);
    QStringList lines;
    for (const std::string& line : AFound.Report()) lines.append(QString::fromStdString(line));
    FDetectedProject = project;
    FDetectedReport = lines.join(u'\n');
    if (!IsRunning()) ui->sbMain->showMessage(lines.join(QStringLiteral("; ")), kDetectedMessageMs);
    emit toolsDetected();
    // Another project may have been chosen meanwhile.
    DetectToolsIfNew(ProjectFolder());
}

void TfrmMain::menToolsClick() {
    const QString project = ProjectFolder();
    if (project.isEmpty()) {
        FDesktop.ShowInformation(this, tr("Choose a project first."));
        return;
    }
    auto* dialog = new TfrmTools(project, ProjectTools(),
                                 project == FDetectedProject ? FDetectedReport : QString(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog, project] {
        if (!FToolsStore.Save(project.toStdString(), dialog->Tools()))
            ui->sbMain->showMessage(tr("The project's tools could not be saved in ") +
                                        QString::fromStdString(FToolsStore.FileName()),
                                    kDetectedMessageMs);
        ServicesFollowProject();
    });
    dialog->open();
}

// The row under the console that answers a running command: a line for its standard
// input, Send, and End Input, which closes that input. It shows while a run lasts.
void TfrmMain::CreateInputRow() {
    FpanInput = new QWidget(ui->panBottom);
    FpanInput->setObjectName(QStringLiteral("panInput"));
    auto* row = new QHBoxLayout(FpanInput);
    row->setContentsMargins(0, 3, 0, 0);
    auto* label = new QLabel(tr("&Input:"), FpanInput);
    label->setObjectName(QStringLiteral("lblInput"));
    FedtInput = new QLineEdit(FpanInput);
    FedtInput->setObjectName(QStringLiteral("edtInput"));
    FedtInput->setAccessibleName(QStringLiteral("Input for the running command"));
    FedtInput->setToolTip(tr("A line to send to the running command (Enter sends it)"));
    label->setBuddy(FedtInput);
    FbtnSendInput = new QPushButton(tr("Sen&d"), FpanInput);
    FbtnSendInput->setObjectName(QStringLiteral("btnSendInput"));
    FbtnSendInput->setAccessibleName(QStringLiteral("Send the line to the command"));
    // Alt+E opens the Edit menu.
    FbtnCloseInput = new QPushButton(tr("End In&put"), FpanInput);
    FbtnCloseInput->setObjectName(QStringLiteral("btnCloseInput"));
    FbtnCloseInput->setAccessibleName(QStringLiteral("Close the command's input"));
    // What runs, shortened to the room it has (the whole in its tooltip). The status bar
    // has no room beside its panels at the window's size.
    FlblRunState = new QLabel(FpanInput);
    FlblRunState->setObjectName(QStringLiteral("lblRunning"));
    FlblRunState->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    FlblRunState->installEventFilter(this);
    // Says when the command has not taken what was sent: it may not be reading at all.
    FlblInputState = new QLabel(FpanInput);
    FlblInputState->setObjectName(QStringLiteral("lblInputState"));
    FlblInputState->hide();
    row->addWidget(FlblRunState, 2);
    row->addWidget(label);
    row->addWidget(FedtInput, 3);
    row->addWidget(FbtnSendInput);
    row->addWidget(FbtnCloseInput);
    row->addWidget(FlblInputState);
    ui->panBottom->layout()->addWidget(FpanInput);
    // The row takes its room from the console, which keeps a few lines at least, never
    // from the pages above.
    ui->redtConsole->setMinimumHeight(kConsoleMinimumHeight);
    FpanInput->hide();
    FtmrInputState = new QTimer(this);
    FtmrInputState->setInterval(kInputStateMs);
    connect(FtmrInputState, &QTimer::timeout, this, &TfrmMain::ShowInputState);
    connect(FbtnSendInput, &QPushButton::clicked, this, Guarded(&TfrmMain::btnSendInputClick));
    connect(FedtInput, &QLineEdit::returnPressed, this, Guarded(&TfrmMain::btnSendInputClick));
    connect(FbtnCloseInput, &QPushButton::clicked, this, Guarded(&TfrmMain::btnCloseInputClick));
}

bool TfrmMain::IsRunning() const { return FRun != nullptr; }

bool TfrmMain::RunInProject(const QString& ACommandLine) {
    if (IsRunning()) {
        SayStillRunning();
        return false;
    }
    if (ACommandLine.isEmpty()) throw Exception("Command String Empty.");
    return RunInProject(TRunRequest::FromTyped(ACommandLine.toStdString(), {}));
}

bool TfrmMain::RunInProject(TRunRequest ARequest) {
    if (IsRunning()) {
        SayStillRunning();
        return false;
    }
    // The run's request: what to run, in the selected project, on the console's terminal
    // when it has one; the project's tools route it.
    ARequest.Folder = ProjectFolder().toStdString();
    ARequest.Terminal = TerminalOn();
    ARequest.TerminalSize = ConsoleTerminalSize();
    FRunRequest = ARequest;
    FRunLine = QString::fromStdString(ARequest.Line());
    if (FRunLine.isEmpty()) throw Exception("Command String Empty.");
    RememberCommand(FRunLine);
    FRunTools = ProjectTools();
    FRunFolder = ProjectFolder();
    FRunTail.clear();
    emit runRequested(FRunLine);
    QString problem;
    std::unique_ptr<TCommandRun> run;
    try {
        run = std::make_unique<TCommandRun>(ARequest, FRunTools);
        problem = StartProblem(FRunFolder);
    } catch (const Exception& error) {
        // Route settings that are refused start nothing; the end line says why.
        problem = QString::fromUtf8(error.what());
    }
    if (!problem.isEmpty()) {
        Console().AddEndLine(EndLineText(TRunEnd{}, problem), false);
        emit runFinished();
        return true;
    }

    FRun = std::move(run);
    FRun->setColours(ColoursOn());
    FRunStartReport.clear();
    FRunOutputFailed = false;
    FRunStartSeen = false;
    FEchoesBeforeStart.clear();
    connect(FRun.get(), &TCommandRun::startReported, this, &TfrmMain::RunStartReported);
    connect(FRun.get(), &TCommandRun::outputArrived, this, &TfrmMain::RunOutputArrived);
    connect(FRun.get(), &TCommandRun::outputCut, this, [this](qint64 ABytes) {
        if (!FRunOutputFailed)
            Console().AddNote(QStringLiteral("[%1 bytes of output were not shown: the command was stopped.]").arg(ABytes));
    });
    connect(FRun.get(), &TCommandRun::finished, this, &TfrmMain::RunEnded);
    connect(FRun.get(), &TCommandRun::screenChanged, this,
            [this](const QString& ARows, int ACursorRow, int ACursorColumn, bool ACursorVisible) {
                if (FRunOutputFailed || !FRunStartSeen) return;
                try {
                    Console().ShowLiveScreen(ARows, ACursorRow, ACursorColumn, ACursorVisible);
                } catch (const std::exception& error) {
                    RunAdditionFailed(error);
                }
            });
    SetRunning(true);
    FRun->Start();
    Console().setKeysToProgram(FRun->Terminal());
    return true;
}

void TfrmMain::StopRun() {
    if (FRun) FRun->Stop();
}

QString TfrmMain::StartProblem(const QString& AFolder) {
    if (AFolder.isEmpty()) return tr("No project is selected.");
    if (!QFileInfo(AFolder).isDir())
        return tr("The project folder \"%1\" no longer exists. Choose another project, "
                  "or refresh the list (Ctrl+R).")
            .arg(QDir::toNativeSeparators(AFolder));
    return QString();
}

void TfrmMain::SayStillRunning() {
    if (!FRun) return;
    ui->sbMain->showMessage(tr("A command is still running: Stop (Alt+S) or Esc ends it."),
                            kRunNoteMs);
}

void TfrmMain::ShowRunState(const QString& AText) {
    FlblRunState->setToolTip(AText);
    FlblRunState->setText(
        FlblRunState->fontMetrics().elidedText(AText, Qt::ElideRight, FlblRunState->width()));
}

void TfrmMain::ShowInputState() {
    if (FInputRefused) return;  // that note stays until a line goes
    const std::size_t waiting = FRun ? FRun->InputWaiting() : 0;
    // A moment's wait is normal: the command reads when it gets to it.
    const bool stuck = waiting > 0 && FInputWaitedBefore;
    FInputWaitedBefore = waiting > 0;
    if (stuck)
        FlblInputState->setText(tr("Not read yet: %1 bytes wait").arg(waiting));
    FlblInputState->setVisible(stuck);
}

void TfrmMain::EchoInput(const QString& AText) {
    const QString styled = QString::fromUtf16(kInputStyleOn) + PlainInput(AText) +
                           QString::fromUtf16(kInputStyleOff) + u'\n';
    if (Console().InOutput())
        Console().AppendOutput(styled);
    else if (!FRunStartSeen)
        FEchoesBeforeStart.append(styled);
    else
        Console().AddText(styled);
}

// While a run lasts, Run is Stop, the input row shows and names the command, and the
// controls that start runs show a busy-but-working cursor.
void TfrmMain::SetRunning(bool ARunning) {
    // The name screen readers give is the caption, the same in each state every time.
    ui->btnRun->setText(ARunning ? tr("&Stop") : tr("&Run"));
    ui->btnRun->setAccessibleName(ARunning ? QStringLiteral("Stop") : QStringLiteral("Run"));
    // The console gives up the room for the input row; the pages keep theirs.
    const QList<int> sizes = ui->Splitter1->sizes();
    FpanInput->setVisible(ARunning);
    ui->Splitter1->setSizes(sizes);
    FlblInputState->hide();
    FInputWaitedBefore = false;
    FInputRefused = false;
    FInputEnded = false;
    if (ARunning)
        FtmrInputState->start();
    else
        FtmrInputState->stop();
    ui->sbMain->clearMessage();
    for (QWidget* starter : {static_cast<QWidget*>(ui->pgMain), static_cast<QWidget*>(ui->edtCommand)}) {
        if (ARunning)
            starter->setCursor(Qt::BusyCursor);
        else
            starter->unsetCursor();
    }
    if (ARunning)
        ShowRunState(tr("Running: ") + QString::fromStdString(FRun->Command()));
    else
        FedtInput->clear();
}

void TfrmMain::RunAdditionFailed(const std::exception& AError) {
    FRunOutputFailed = true;
    if (FRun) FRun->Stop();
    ShowDefaultErrorBox(FDesktop, this,
                        QString::fromUtf8(AError.what()) + tr(" (the command was stopped)"));
}

void TfrmMain::RunStartReported(const QString& AText, bool AStarted) {
    // A start that failed is told once, on the end line.
    FRunStartReport = StartReason(AText);
    FRunStartSeen = true;
    try {
        if (!AStarted) return;
        FdtmMain.cmdCommandReadError(AnsiText{AText.toStdString(), platform::CP_UTF8});
        Console().AddText(tr("Command: ") + QString::fromStdString(FRun->Command()));
        Console().BeginOutput();
        for (const QString& echo : std::exchange(FEchoesBeforeStart, {})) Console().AppendOutput(echo);
    } catch (const std::exception& error) {
        RunAdditionFailed(error);
    }
}

void TfrmMain::RunOutputArrived(const QString& AText) {
    if (FRunOutputFailed) return;
    FRunTail += AText;
    if (FRunTail.size() > kRunTailChars) FRunTail.remove(0, FRunTail.size() - kRunTailChars);
    try {
        Console().AppendOutput(AText);
    } catch (const std::exception& error) {
        RunAdditionFailed(error);
    }
}

void TfrmMain::RunEnded() {
    const TRunEnd end = FRun->End();
    const QString failure = FRun->Failure();
    try {
        if (!FRunOutputFailed) {
            Console().EndOutput();
            Console().AddEndLine(EndLineText(end, FRunStartReport),
                                 end.Kind == TRunEnd::TKind::Exited && end.Code == 0);
            const QString hint = RunHint(end);
            if (!hint.isEmpty()) Console().AddText(hint);
        }
    } catch (const std::exception& error) {
        ShowDefaultErrorBox(FDesktop, this, QString::fromUtf8(error.what()));
    }
    if (!failure.isEmpty()) ShowDefaultErrorBox(FDesktop, this, failure);
    // A long run that ends while the user is elsewhere is told to the desktop.
    if (end.Seconds >= NotifyAfterSeconds && !isActiveWindow())
        FDesktop.Notify(tr("Command finished"), FRunLine + u'\n' + EndLineText(end, FRunStartReport));
    Console().setKeysToProgram(false);
    // The run object sends this very signal: it goes once control is back in the loop.
    FRun.release()->deleteLater();
    SetRunning(false);
    emit runFinished();
}

// One plain hint after a run of php or composer that failed for want of a program or
// of the artisan file; empty otherwise.
QString TfrmMain::RunHint(const TRunEnd& AEnd) const {
    // Lines go through the command interpreter: a missing program shows in its exit
    // code, and a run that did not start (no project, a folder that cannot be entered)
    // has its reason on the end line already.
    if (AEnd.Kind != TRunEnd::TKind::Exited) return QString();
    return QString::fromStdString(FailureHint(FRunTools, FRunRequest, AEnd.Code, FRunTail.toStdString(),
                                              QFileInfo(FRunFolder + QStringLiteral("/artisan")).isFile()));
}

QString TfrmMain::EndLineText(const TRunEnd& AEnd, const QString& AStartReport) {
    const QString seconds = QString::number(AEnd.Seconds, 'f', AEnd.Seconds < 10 ? 2 : 1) + QStringLiteral(" s");
    const QString dot = QStringLiteral(" \u00B7 ");
    switch (AEnd.Kind) {
    case TRunEnd::TKind::Exited: return tr("Exit code %1").arg(AEnd.Code) + dot + seconds;
    case TRunEnd::TKind::Signalled: return tr("Ended by signal %1").arg(AEnd.Code) + dot + seconds;
    case TRunEnd::TKind::Stopped: return tr("Stopped after ") + seconds;
    case TRunEnd::TKind::NotStarted: break;
    }
    return tr("Could not start") + dot + AStartReport;
}

void TfrmMain::btnSendInputClick() {
    if (!FRun) return;
    const QString line = FedtInput->text();
    // A terminal's Enter is a carriage return; the terminal echoes the line itself.
    if (!FRun->WriteInput(line + (FRun->Terminal() ? u'\r' : u'\n'))) {
        // Kept in the box, to send again or copy.
        FlblInputState->setText(tr("Not sent: the command's input is closed or full"));
        FlblInputState->show();
        FInputRefused = true;
        return;
    }
    FInputRefused = false;
    FedtInput->clear();
    if (!FRun->Terminal()) EchoInput(line);
}

void TfrmMain::btnCloseInputClick() {
    if (!FRun || FInputEnded) return;
    FInputEnded = true;
    FRun->CloseInput();
    EchoInput(tr("[End of input]"));
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    if (FRun) {
        const bool stop = FDesktop.Confirm(
            this, QStringLiteral("Tarnwick 2"),
            tr("A command is still running:\n%1\n\nStop it and quit?")
                .arg(QString::fromStdString(FRun->Command())));
        if (!stop) {
            event->ignore();
            return;
        }
    }
    if (!StopServicesToQuit()) {
        event->ignore();
        return;
    }
    // The run ends with its whole tree before the window goes.
    if (FRun) FRun->StopAndWait();
    // The window's own reads end with their process trees; none is waited for.
    FJobs->StopAll();
    SaveLayout();
    QMainWindow::closeEvent(event);
}

void TfrmMain::btnRunClick() {
    if (IsRunning())
        StopRun();
    else
        RunInProject(ui->edtCommand->text());
}

void TfrmMain::RunCommand(const QString& ACommand, TCommandType ACommandType) {
    RunInProject(PresetRequest(ACommandType, ACommand));
}

bool TfrmMain::AskArguments(QString& AArguments) {
    return FDesktop.InputQuery(this, tr("Arguments"), tr("Enter Arguments"),
                               AArguments);
}

void TfrmMain::RunSimpleCommand(const TSpeedButton& AButton, bool AArguments,
                                const QString& AAdditionalArguments) {
    if (IsRunning()) {
        SayStillRunning();
        return;
    }
    QString command = CommandFromButtonName(AButton.objectName());
    QString arguments;
    if (AArguments && AskArguments(arguments))
        command += u' ' + arguments + u' ' + AAdditionalArguments;
    RunCommand(command, TCommandType::Artisan);
}

void TfrmMain::RunComposerCommand(const TSpeedButton& AButton, bool AArguments) {
    if (IsRunning()) {
        SayStillRunning();
        return;
    }
    QString command = CommandFromButtonName(AButton.objectName());
    QString arguments;
    if (AArguments) {
        // The one Composer button that asks is Require: without a package, Composer
        // would update every package and rewrite composer.lock. A cancelled or empty
        // answer runs nothing.
        if (!AskArguments(arguments) || arguments.trimmed().isEmpty()) {
            ui->sbMain->showMessage(tr("Nothing was run: composer %1 needs a package name.").arg(command),
                                    kNothingRunMessageMs);
            return;
        }
        command += u' ' + arguments;
    }
    RunCommand(command, TCommandType::Composer);
}

const TSpeedButton& TfrmMain::SenderButton() const {
    const auto* button = qobject_cast<const TSpeedButton*>(sender());
    if (!button) throw Exception("Invalid class typecast");
    return *button;
}

void TfrmMain::btnRoute_CacheClick() { RunSimpleCommand(SenderButton(), false, QString()); }

void TfrmMain::btnCache_ForgetClick() { RunSimpleCommand(SenderButton(), true, QString()); }

void TfrmMain::btnMake_ControllerClick() { RunSimpleCommand(SenderButton(), true, QString()); }

void TfrmMain::btnMake_MiddlewareClick() { RunSimpleCommand(SenderButton(), true, QString()); }

void TfrmMain::btnMake_MigrationClick() { RunSimpleCommand(SenderButton(), true, QString()); }

void TfrmMain::btnMake_ModelClick() { RunSimpleCommand(SenderButton(), true, QString()); }

void TfrmMain::btnMake_RequestClick() { RunSimpleCommand(SenderButton(), true, QString()); }

void TfrmMain::btnMake_SeedClick() { RunSimpleCommand(SenderButton(), true, QString()); }

void TfrmMain::bt2Make_ModelClick() {
    RunSimpleCommand(SenderButton(), true, QStringLiteral(" -crm"));
}

void TfrmMain::btnDumpAutoloadClick() { RunComposerCommand(SenderButton(), false); }

void TfrmMain::btnUpdateClick() { RunComposerCommand(SenderButton(), false); }

void TfrmMain::btnRequireClick() { RunComposerCommand(SenderButton(), true); }

void TfrmMain::CheckUpdatesPlease(bool APromptIfNone) {
    try {
        FtmrUpdateDelayCheck->stop();
        if (FUpdateCheckRun->IsRunning()) {
            FPromptIfNone = FPromptIfNone || APromptIfNone;
            return;
        }
        FPromptIfNone = APromptIfNone;
        FUpdateCheckRun->Start(FdtmMain.auUpgrade.NewCheck(),
                               [this](const TUpdateCheckOutcome& AOutcome) { UpdateCheckFinished(AOutcome); });
    } catch (const std::exception& error) {
        ReportUpdateCheckFailure(std::exchange(FPromptIfNone, false), error);
    }
}

// An automatic check that fails is not worth the user's attention; one the user asked
// for says why in the status bar (no box: the reason is rarely theirs to act on).
void TfrmMain::ReportUpdateCheckFailure(bool AAsked, const std::exception& AError) {
    if (AAsked)
        ui->sbMain->showMessage(tr("The update check failed: ") + QString::fromUtf8(AError.what()),
                                kNothingRunMessageMs);
}

bool TfrmMain::IsCheckingForUpdates() const { return FUpdateCheckRun->IsRunning(); }

// The end of a check, on the window's thread: the dialog when a newer version was
// found, the no-updates box when the user asked; a failure only when the user asked.
void TfrmMain::UpdateCheckFinished(const TUpdateCheckOutcome& AOutcome) {
    const bool promptIfNone = std::exchange(FPromptIfNone, false);
    try {
        const bool found = FdtmMain.auUpgrade.Finish(AOutcome);
        if (promptIfNone && !found)
            FDesktop.ShowInformation(this, tr("Aaaah no updates available yet :)"));
    } catch (const std::exception& error) {
        ReportUpdateCheckFailure(promptIfNone, error);
    }
}

void TfrmMain::tmrUpdateDelayCheckTimer() {
    FtmrUpdateDelayCheck->stop();
    CheckUpdatesPlease(false);
}

void TfrmMain::menCheckUpdatesClick() { CheckUpdatesPlease(true); }

void TfrmMain::menExitClick() { close(); }

void TfrmMain::OpenWebsite(const QString& AAddress) { FDesktop.OpenUrl(AAddress); }

void TfrmMain::lblfennowayClick() { OpenWebsite(kSiteAddress); }

void TfrmMain::imgDonateClick() { FDesktop.OpenUrl(kDonateAddress); }

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ToolTip:
        // The refresh button carries its action's hint but shows no tooltip.
        if (watched == ui->SpeedButton1) return true;
        break;
    case QEvent::Resize:
        if (watched == FlblRunState) ShowRunState(FlblRunState->toolTip());
        if (watched == ui->panTop) {
            const int width = ui->panTop->width();
            ui->imgDonate->move(width - kDonateRightGap - ui->imgDonate->width(), ui->imgDonate->y());
            ui->Label4->move(width - kLabel4RightGap - ui->Label4->width(), ui->Label4->y());
        }
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && IsRunning()) {
        StopRun();
        return;
    }
    // Enter in the input line has sent it to the running command (returnPressed).
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && focusWidget() == FedtInput)
        return;
    // Enter that no control took for itself presses the focused button, or Run. While a
    // command runs, Run is Stop: Enter stops it only from the button itself, so that a
    // line typed for later cannot end the run by accident.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QAbstractButton*>(focusWidget()))
            button->click();
        else if (!IsRunning())
            ui->btnRun->click();
        else
            SayStillRunning();
        return;
    }
    QMainWindow::keyPressEvent(event);
}
