// The main window's console tools: the Edit and View menus, Save Output, Clear
// Console, the find bar, colours, and the command history with Run Again.

#include "app/CommandBoxHistory.h"
#include "app/CommandRun.h"
#include "app/ConsoleEdit.h"
#include "app/Desktop.h"
#include "app/FindBar.h"
#include "app/dtmMainUnit.h"
#include "app/frmMainUnit.h"

#include "app/frmPinnedPage.h"
#include "components/Exception.h"
#include "platform/LineEnd.h"
#include "ui_frmMain.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QSaveFile>
#include <QScrollBar>

namespace {

constexpr int kStatusMessageMs = 10000;

QAction* AddItem(QMenu& AMenu, const char* AName, const QString& AText,
                 const QKeySequence& AShortcut = {}) {
    QAction* action = AMenu.addAction(AText);
    action->setObjectName(QString::fromLatin1(AName));
    action->setShortcut(AShortcut);
    return action;
}

// A menu of the menu bar, placed right after AAfter (the menus that follow keep their order).
QMenu* InsertMenu(QMenuBar& ABar, const QMenu& AAfter, const char* AName, const QString& ATitle) {
    auto* menu = new QMenu(ATitle, &ABar);
    menu->setObjectName(QString::fromLatin1(AName));
    const QList<QAction*> items = ABar.actions();
    const qsizetype after = items.indexOf(AAfter.menuAction());
    if (after >= 0 && after + 1 < items.size())
        ABar.insertMenu(items[after + 1], menu);
    else
        ABar.addMenu(menu);
    return menu;
}

}  // namespace

void TfrmMain::SetUpConsoleTools() {
    TConsoleEdit& console = Console();
    console.setAccessibleName(QStringLiteral("Console"));

    FFindBar = new TFindBar(console, ui->panBottom);
    ui->panBottomLayout->insertWidget(0, FFindBar);

    FCommandBoxHistory = new TCommandBoxHistory(*ui->edtCommand);

    // File: the new items come before Check for Updates, the separator and Exit.
    QMenu& file = *ui->File1;
    QAction* firstDescribed = file.actions().value(0);
    auto* runAgain = new QAction(tr("Run &Again"), &file);
    runAgain->setObjectName(QStringLiteral("menRunAgain"));
    runAgain->setShortcut(QKeySequence(Qt::Key_F5));
    auto* saveOutput = new QAction(tr("&Save Output…"), &file);
    saveOutput->setObjectName(QStringLiteral("menSaveOutput"));
    saveOutput->setShortcut(QKeySequence::Save);
    file.insertActions(firstDescribed, {runAgain, saveOutput});
    file.insertSeparator(firstDescribed)->setObjectName(QStringLiteral("N2"));
    connect(runAgain, &QAction::triggered, this, Guarded(&TfrmMain::RunAgain));
    connect(saveOutput, &QAction::triggered, this, Guarded(&TfrmMain::SaveOutput));

    QMenu* edit = InsertMenu(*ui->menMain, file, "Edit1", tr("&Edit"));
    QAction* find = AddItem(*edit, "menFind", tr("&Find…"), QKeySequence::Find);
    QAction* findNext = AddItem(*edit, "menFindNext", tr("Find &Next"), QKeySequence(Qt::Key_F3));
    QAction* findPrevious = AddItem(*edit, "menFindPrevious", tr("Find &Previous"),
                                    QKeySequence(Qt::SHIFT | Qt::Key_F3));
    edit->addSeparator()->setObjectName(QStringLiteral("N3"));
    QAction* clear = AddItem(*edit, "menClearConsole", tr("C&lear Console"),
                             QKeySequence(Qt::CTRL | Qt::Key_L));
    connect(find, &QAction::triggered, FFindBar, &TFindBar::Open);
    connect(findNext, &QAction::triggered, this, [this] {
        if (!FFindBar->isVisible()) FFindBar->Open();
        FFindBar->FindNext();
    });
    connect(findPrevious, &QAction::triggered, this, [this] {
        if (!FFindBar->isVisible()) FFindBar->Open();
        FFindBar->FindPrevious();
    });
    connect(clear, &QAction::triggered, this, Guarded(&TfrmMain::ClearConsole));

    QMenu* view = InsertMenu(*ui->menMain, *edit, "View1", tr("&View"));
    FmenColours = AddItem(*view, "menColours", tr("&Colours"));
    FmenColours->setCheckable(true);
    FmenColours->setStatusTip(tr("Preset buttons ask the tools for coloured output (--ansi)"));
    connect(FmenColours, &QAction::toggled, this, [this](bool AOn) {
        // A run on a terminal shows the rows it draws from now on with or without colours.
        if (FRun) FRun->setColours(AOn);
        TPreferences changed = FPreferences;
        changed.Colours = AOn;
        SetPreferences(changed);
    });
    FmenTerminal = AddItem(*view, "menTerminal", tr("&Terminal"));
    FmenTerminal->setCheckable(true);
    FmenTerminal->setStatusTip(tr("Commands run on a terminal of the console's size, so that they can ask questions"));
    connect(FmenTerminal, &QAction::toggled, this, [this](bool AOn) {
        TPreferences changed = FPreferences;
        changed.Terminal = AOn;
        SetPreferences(changed);
    });
    QAction* consoleFont = AddItem(*view, "menConsoleFont", tr("Console &Font…"));
    consoleFont->setStatusTip(tr("Choose the console's font"));
    connect(consoleFont, &QAction::triggered, this, Guarded(&TfrmMain::ChooseConsoleFont));
}

void TfrmMain::LoadConsoleSettings() {
    FPreferences = TPreferences::Load(FdtmMain.iniFileParser);
    ApplyPreferences();
}

void TfrmMain::ChooseConsoleFont() {
    QFont font = Console().font();
    if (!FDesktop.ChooseFont(this, tr("Console Font"), font)) return;
    TPreferences changed = FPreferences;
    changed.ConsoleFont = font.toString();
    SetPreferences(changed);
}

bool TfrmMain::ColoursOn() const { return FmenColours->isChecked(); }

bool TfrmMain::TerminalOn() const { return FmenTerminal->isChecked(); }

platform::TerminalSize TfrmMain::ConsoleTerminalSize() const {
    const QFontMetrics metrics(Console().font());
    const QRect room = Console().viewport()->contentsRect();
    // The text keeps the document's margin on each side.
    const int margin = 2 * int(Console().document()->documentMargin());
    const int advance = std::max(1, metrics.horizontalAdvance(u'M'));
    // The width as if the scroll bar were shown: it comes as the output fills the
    // console, and the terminal must not narrow under a program in mid-line then.
    int width = room.width() - margin;
    const QScrollBar* bar = Console().verticalScrollBar();
    if (!bar->isVisible() && Console().verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff)
        width -= bar->sizeHint().width();
    // A console pane made very small still gives programs a terminal their prompts fit
    // in: a prompt taller than the terminal scrolls each redraw of itself into the
    // console's text. The rows below the cursor are not drawn, so the floor costs no room.
    return {std::max(kMinTerminalColumns, width / advance),
            std::max(kMinTerminalRows, (room.height() - margin) / std::max(1, metrics.lineSpacing()))};
}

void TfrmMain::FollowConsoleSize() {
    // Also before the run has started: the Input row takes its room from the console
    // while the run is being set up.
    if (FRun) FRun->setTerminalSize(ConsoleTerminalSize());
}

QString TfrmMain::PresetLine(TCommandType ACommandType, const QString& ACommand) const {
    return QString::fromStdString(PresetRequest(ACommandType, ACommand).Line());
}

TRunRequest TfrmMain::PresetRequest(TCommandType ACommandType, const QString& ACommand) const {
    // Right after the tool's name, the option cannot end up among the arguments the
    // user typed (for example behind a "--").
    const QString arguments = (ColoursOn() ? QStringLiteral("--ansi ") : QString()) + ACommand;
    return TRunRequest::ForTool(ACommandType == TCommandType::Artisan ? TRunRequest::TTool::Artisan
                                                                      : TRunRequest::TTool::Composer,
                                arguments.toStdString(), {});
}

void TfrmMain::SaveOutput() {
    QString fileName;
    const QString suggested = QDir::home().filePath(QStringLiteral("tarnwick-output.txt"));
    if (!FDesktop.SaveFileName(this, tr("Save Output"), suggested,
                               tr("Text files (*.txt);;All files (*)"), fileName))
        return;
    QString text = Console().PlainText();
    const QString lineEnd = QString::fromLatin1(platform::NativeLineEnd());
    if (lineEnd != QStringLiteral("\n")) text.replace(u'\n', lineEnd);
    QSaveFile file(fileName);
    const QByteArray bytes = text.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw Exception("Unable to write to " + QDir::toNativeSeparators(fileName).toStdString());
}

void TfrmMain::ClearConsole() { Console().clear(); }

void TfrmMain::RunAgain() {
    const std::string last = FdtmMain.cmdHistory.Last(ProjectFolder().toStdString());
    if (last.empty()) {
        ui->sbMain->showMessage(tr("Nothing has run in this project yet."),
                                kStatusMessageMs);
        return;
    }
    RunInProject(QString::fromStdString(last));
}

void TfrmMain::RememberCommand(const QString& ACommandLine) {
    const QString project = ProjectFolder();
    if (project.isEmpty() || ACommandLine.trimmed().isEmpty()) return;
    try {
        FdtmMain.cmdHistory.Add(project.toStdString(), ACommandLine.toStdString());
    } catch (const Exception& error) {
        ui->sbMain->showMessage(tr("The command history cannot be saved: ") +
                                    QString::fromStdString(error.what()),
                                kStatusMessageMs);
    }
    ShowProjectHistory();
}

void TfrmMain::ShowProjectHistory() {
    QStringList lines;
    for (const std::string& line : FdtmMain.cmdHistory.Lines(ProjectFolder().toStdString()))
        lines.append(QString::fromStdString(line));
    FCommandBoxHistory->setLines(lines);
    if (FPinnedPage) FPinnedPage->ShowProject(ProjectFolder());
}
