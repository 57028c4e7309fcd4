#include "app/frmServicesUnit.h"

#include "app/BackgroundJobs.h"
#include "app/ConsoleEdit.h"
#include "app/Desktop.h"
#include "app/frmServiceSettingsUnit.h"
#include "app/ServiceRun.h"
#include "components/Services.h"
#include "platform/LocalPorts.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The project's own file, up to a size no real one reaches; empty when missing.
std::string SmallFile(const QString& APath) {
    QFile file(APath);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.read(qint64(1024) * 1024).toStdString();
}

QPushButton* Button(QWidget* AParent, const char* AName, const QString& AText, const QString& ATip) {
    auto* button = new QPushButton(AText, AParent);
    button->setObjectName(QString::fromLatin1(AName));
    button->setAccessibleName(QString(AText).remove(u'&'));
    button->setToolTip(ATip);
    return button;
}

}  // namespace

TfrmServices::TfrmServices(IDesktop& ADesktop, QWidget* AParent)
    : QWidget(AParent), FDesktop(ADesktop), FJobs(new TBackgroundJobs(this)) {
    setObjectName(QStringLiteral("frmServices"));
    setAccessibleName(tr("Services"));
    auto* layout = new QVBoxLayout(this);
    FlblProject = new QLabel(this);
    FlblProject->setObjectName(QStringLiteral("lblServicesProject"));
    FlblProject->setTextFormat(Qt::PlainText);
    layout->addWidget(FlblProject);

    FtrvServices = new QTreeWidget(this);
    FtrvServices->setObjectName(QStringLiteral("trvServices"));
    FtrvServices->setAccessibleName(tr("Services"));
    FtrvServices->setHeaderLabels({tr("Service"), tr("State")});
    FtrvServices->setRootIsDecorated(false);
    FtrvServices->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    FThisProject = new QTreeWidgetItem(FtrvServices, {tr("This project")});
    FOtherProjects = new QTreeWidgetItem(FtrvServices, {tr("Other projects")});
    for (QTreeWidgetItem* group : {FThisProject, FOtherProjects}) {
        group->setFlags(Qt::ItemIsEnabled);
        group->setExpanded(true);
    }
    layout->addWidget(FtrvServices, 1);

    FlblProblems = new QLabel(this);
    FlblProblems->setObjectName(QStringLiteral("lblServicesProblems"));
    FlblProblems->setTextFormat(Qt::PlainText);
    FlblProblems->setWordWrap(true);
    FlblProblems->hide();
    layout->addWidget(FlblProblems);

    // No mnemonics here: the window's own (Alt+R runs, Alt+S stops) stay as they are.
    auto* buttons = new QHBoxLayout;
    FbtnStart = Button(this, "btnServiceStart", tr("Start"), tr("Start the selected service"));
    FbtnStop = Button(this, "btnServiceStop", tr("Stop"), tr("Stop the selected service and what it started"));
    FbtnRestart = Button(this, "btnServiceRestart", tr("Restart"), tr("Stop the selected service and start it again"));
    FbtnOpen = Button(this, "btnServiceOpen", tr("Open in Browser"), tr("Open the address the server serves at"));
    for (QPushButton* button : {FbtnStart, FbtnStop, FbtnRestart, FbtnOpen}) buttons->addWidget(button);
    layout->addLayout(buttons);
    FchkAutostart = new QCheckBox(tr("Start with the project"), this);
    FchkAutostart->setObjectName(QStringLiteral("chkServiceAutostart"));
    FchkAutostart->setAccessibleName(tr("Start with the project"));
    FchkAutostart->setToolTip(tr("Start the selected service when the project is selected"));
    layout->addWidget(FchkAutostart);
    auto* allButtons = new QHBoxLayout;
    FbtnStartAll = Button(this, "btnServicesStartAll", tr("Start All"), tr("Start every service of this project"));
    FbtnStopAll = Button(this, "btnServicesStopAll", tr("Stop All"), tr("Stop every service of this project"));
    FbtnSettings = Button(this, "btnServicesSettings", tr("Settings…"),
                          tr("The queue worker's options and services of your own"));
    allButtons->addWidget(FbtnStartAll);
    allButtons->addWidget(FbtnStopAll);
    allButtons->addStretch();
    allButtons->addWidget(FbtnSettings);
    layout->addLayout(allButtons);

    FlblRunLine = new QLabel(this);
    FlblRunLine->setObjectName(QStringLiteral("lblServiceRunLine"));
    FlblRunLine->setTextFormat(Qt::PlainText);
    FlblRunLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(FlblRunLine);
    FstkOutput = new QStackedWidget(this);
    FstkOutput->setObjectName(QStringLiteral("stkServiceOutput"));
    FstkOutput->addWidget(new QWidget(FstkOutput));
    layout->addWidget(FstkOutput, 2);

    connect(FtrvServices, &QTreeWidget::currentItemChanged, this, &TfrmServices::SelectionChanged);
    // A double click on a stopped service starts it; so does Enter (eventFilter).
    connect(FtrvServices, &QTreeWidget::itemDoubleClicked, this, &TfrmServices::StartSelected);
    FtrvServices->installEventFilter(this);
    connect(FbtnStart, &QPushButton::clicked, this, [this] {
        if (TEntry* entry = Selected()) entry->Run->Start();
    });
    connect(FbtnStop, &QPushButton::clicked, this, [this] {
        if (TEntry* entry = Selected()) entry->Run->Stop();
    });
    connect(FbtnRestart, &QPushButton::clicked, this, [this] {
        if (TEntry* entry = Selected()) entry->Run->Restart();
    });
    connect(FbtnOpen, &QPushButton::clicked, this, [this] {
        if (TEntry* entry = Selected(); entry && !entry->Run->Address().isEmpty()) FDesktop.OpenUrl(entry->Run->Address());
    });
    connect(FbtnSettings, &QPushButton::clicked, this, &TfrmServices::EditSettings);
    connect(FchkAutostart, &QCheckBox::toggled, this, &TfrmServices::AutostartToggled);
    connect(FbtnStartAll, &QPushButton::clicked, this, [this] {
        for (TEntry& entry : FEntries)
            if (entry.Run->ProjectFolder() == FProject && !entry.Run->IsActive()) entry.Run->Start();
    });
    connect(FbtnStopAll, &QPushButton::clicked, this, [this] {
        for (TEntry& entry : FEntries)
            if (entry.Run->ProjectFolder() == FProject) entry.Run->Stop();
    });
    FTick.setInterval(1000);
    connect(&FTick, &QTimer::timeout, this, &TfrmServices::Refresh);
    FTick.start();
    SetProject({}, {});
}

TfrmServices::~TfrmServices() {
    StopAllAndWait();
    // The list goes with the base class and may still say its row changed: this object
    // is no longer whole by then.
    FtrvServices->disconnect(this);
}

void TfrmServices::SetProject(const QString& AProject, const TProjectTools& ATools) {
    FProject = AProject;
    FTools = ATools;
    FlblProject->setText(AProject.isEmpty() ? tr("No project is selected.") : tr("Services of %1").arg(AProject));
    for (TEntry& entry : FEntries)
        if (entry.Run->ProjectFolder() == AProject) entry.Run->setTools(ATools);
    if (!AProject.isEmpty()) FindServices();
    Refresh();
    SelectionChanged();
    if (AProject.isEmpty() || FAutostarted.contains(AProject)) return;
    FAutostarted.insert(AProject);
    const TServiceSettings settings = FSettingsStore.Load(AProject.toStdString());
    for (const QString& key : FOrder) {
        TServiceRun* run = FEntries[key].Run;
        if (run->ProjectFolder() == AProject && !run->IsActive() && settings.StartsWithProject(run->Definition().Key))
            run->Start();
    }
}

void TfrmServices::EditSettings() {
    if (FProject.isEmpty()) return;
    TfrmServiceSettings dialog(FProject, FSettingsStore.Load(FProject.toStdString()), this);
    FDesktop.ShowModal(dialog);
    if (dialog.result() != QDialog::Accepted) return;
    if (!FSettingsStore.Save(FProject.toStdString(), dialog.Settings())) {
        FDesktop.ShowError(this, tr("Services"),
                           tr("The settings could not be saved in %1.").arg(QString::fromStdString(FSettingsStore.FileName())));
        return;
    }
    // Services that run keep their command line until they are stopped.
    ForgetIdle(FProject);
    FindServices();
    Refresh();
    SelectionChanged();
}

void TfrmServices::AutostartToggled(bool AOn) {
    TEntry* entry = Selected();
    if (!entry) return;
    const std::string project = entry->Run->ProjectFolder().toStdString();
    TServiceSettings settings = FSettingsStore.Load(project);
    if (settings.StartsWithProject(entry->Run->Definition().Key) == AOn) return;
    settings.setStartsWithProject(entry->Run->Definition().Key, AOn);
    if (!FSettingsStore.Save(project, settings))
        FDesktop.ShowError(this, tr("Services"),
                           tr("The settings could not be saved in %1.").arg(QString::fromStdString(FSettingsStore.FileName())));
}

void TfrmServices::ForgetIdle(const QString& AProject) {
    for (qsizetype i = FOrder.size() - 1; i >= 0; --i) {
        const QString key = FOrder[i];
        TEntry& entry = FEntries[key];
        if (entry.Run->ProjectFolder() != AProject || entry.Run->IsActive()) continue;
        delete entry.Item;
        delete entry.Run;
        delete entry.Output;
        FEntries.remove(key);
        FOrder.removeAt(i);
    }
}

void TfrmServices::FindServices() {
    TServiceFacts facts;
    facts.ComposerJson = SmallFile(FProject + QStringLiteral("/composer.json"));
    facts.PackageJson = SmallFile(FProject + QStringLiteral("/package.json"));
    facts.ServerPort = platform::FirstFreeLocalPort(TServiceRun::kFirstServerPort, TServiceRun::kLastServerPort);
    facts.DevList = FDevLists.value(FProject);
    const TServiceSettings settings = FSettingsStore.Load(FProject.toStdString());
    const TServiceList list = ::FindServices(facts, settings.Queue, settings.Own);
    QStringList problems;
    for (const std::string& problem : list.Problems) problems << QString::fromStdString(problem);
    if (FDevListProblems.contains(FProject)) problems << FDevListProblems.value(FProject);
    FlblProblems->setText(problems.join(u'\n'));
    FlblProblems->setVisible(!problems.isEmpty());

    for (const TServiceDefinition& definition : list.Services) {
        const QString key = EntryKey(FProject, QString::fromStdString(definition.Key));
        if (FEntries.contains(key)) continue;
        TEntry entry;
        entry.Run = new TServiceRun(definition, FProject, FTools, this);
        entry.Output = new TConsoleEdit(FstkOutput);
        entry.Output->setObjectName(QStringLiteral("edtServiceOutput"));
        entry.Output->setAccessibleName(tr("Service output"));
        entry.Output->setReadOnly(true);
        entry.Output->setCapacity(kOutputCapacity);
        FstkOutput->addWidget(entry.Output);
        TServiceRun* run = entry.Run;
        TConsoleEdit* output = entry.Output;
        connect(run, &TServiceRun::outputArrived, output, [output](const QString& AText) {
            if (!output->InOutput()) output->BeginOutput();
            output->AppendOutput(AText);
        });
        connect(run, &TServiceRun::noteAdded, output, &TConsoleEdit::AddNote);
        connect(run, &TServiceRun::stateChanged, this, [this, key, output, run] {
            if (run->State() == TServiceRun::TState::Starting) {
                output->AddText(tr("Command: ") + run->RunLine());
            } else if (run->State() != TServiceRun::TState::Running) {
                if (output->InOutput()) output->EndOutput();
                output->AddNote(QStringLiteral("[%1]").arg(run->StateText()));
            }
            if (FEntries.contains(key)) RefreshItem(FEntries[key]);
            SelectionChanged();
        });
        connect(run, &TServiceRun::addressFound, this, [this] { SelectionChanged(); });
        connect(run, &TServiceRun::gaveUp, this, [this, run] {
            emit serviceGaveUp(run->ProjectFolder() + QStringLiteral(": ") + QString::fromStdString(run->Definition().Name));
        });
        FEntries.insert(key, entry);
        FOrder.append(key);
    }
    ReadDevList();
}

void TfrmServices::CommandsKnown(const QString& AProject) {
    if (AProject == FProject && !FProject.isEmpty()) ReadDevList();
}

void TfrmServices::ReadDevList() {
    if (!FHasCommand || FDevListAsked.contains(FProject)) return;
    // A folder without artisan has no framework to ask.
    if (!QFileInfo(FProject + QStringLiteral("/artisan")).isFile()) return;
    const std::optional<bool> has = FHasCommand(FProject, QStringLiteral("dev:list"));
    if (!has) return;  // asked again by CommandsKnown
    FDevListAsked.insert(FProject);
    if (!*has) return;
    const QString project = FProject;
    const TToolRequest request{
        TRunRequest::ForTool(TRunRequest::TTool::Artisan, "dev:list --json", project.toStdString()), FTools,
        TToolReadLimits::ForChecks()};
    FJobs->Start<TToolRun>(
        this, [request, runner = FToolRunner](TJobStop& AStop) { return runner(request, AStop); },
        [this, project, line = QString::fromStdString(request.Line())](TToolRun ARun) {
            if (ARun.ExitStatus == 0)
                FDevLists.insert(project, ARun.Output.toStdString());
            else
                FDevListProblems.insert(project, ARun.Problem.isEmpty()
                                                     ? tr("%1 ended with exit code %2.").arg(line).arg(ARun.ExitStatus)
                                                     : ARun.Problem);
            if (project != FProject) return;
            FindServices();
            Refresh();
            SelectionChanged();
        });
}

void TfrmServices::Refresh() {
    for (const QString& key : FOrder) RefreshItem(FEntries[key]);
    FOtherProjects->setHidden(FOtherProjects->childCount() == 0);
}

void TfrmServices::RefreshItem(TEntry& AEntry) {
    TServiceRun& run = *AEntry.Run;
    const bool mine = run.ProjectFolder() == FProject;
    // Another project's services are listed while they run or wait to restart.
    QTreeWidgetItem* group = mine ? FThisProject : (run.IsActive() ? FOtherProjects : nullptr);
    if (AEntry.Item && AEntry.Item->parent() != group) {
        delete AEntry.Item;
        AEntry.Item = nullptr;
    }
    if (!group) return;
    const QString name = QString::fromStdString(run.Definition().Name);
    if (!AEntry.Item) {
        AEntry.Item = new QTreeWidgetItem(group);
        AEntry.Item->setData(0, Qt::UserRole, EntryKey(run.ProjectFolder(), QString::fromStdString(run.Definition().Key)));
    }
    AEntry.Item->setText(0, mine ? name : run.ProjectFolder() + QStringLiteral(": ") + name);
    AEntry.Item->setText(1, run.StateText());
    AEntry.Item->setToolTip(0, QString::fromStdString(run.Definition().CommandLine));
    FOtherProjects->setHidden(FOtherProjects->childCount() == 0);
}

TfrmServices::TEntry* TfrmServices::Selected() const {
    QTreeWidgetItem* item = FtrvServices->currentItem();
    if (!item) return nullptr;
    const auto found = FEntries.find(item->data(0, Qt::UserRole).toString());
    return found == FEntries.end() ? nullptr : const_cast<TEntry*>(&found.value());
}

void TfrmServices::SelectionChanged() {
    TEntry* entry = Selected();
    const bool active = entry && entry->Run->IsActive();
    FbtnStart->setEnabled(entry && !active);
    FbtnStop->setEnabled(active);
    FbtnRestart->setEnabled(entry != nullptr);
    FbtnOpen->setEnabled(entry && !entry->Run->Address().isEmpty());
    FbtnStartAll->setEnabled(!FProject.isEmpty());
    FbtnStopAll->setEnabled(!FProject.isEmpty());
    FbtnSettings->setEnabled(!FProject.isEmpty());
    FchkAutostart->setEnabled(entry != nullptr);
    {
        const QSignalBlocker quiet(FchkAutostart);
        FchkAutostart->setChecked(entry && FSettingsStore.Load(entry->Run->ProjectFolder().toStdString())
                                               .StartsWithProject(entry->Run->Definition().Key));
    }
    FlblRunLine->setText(entry ? (entry->Run->RunLine().isEmpty()
                                      ? QString::fromStdString(entry->Run->Definition().CommandLine)
                                      : entry->Run->RunLine())
                               : QString());
    FstkOutput->setCurrentWidget(entry ? static_cast<QWidget*>(entry->Output) : FstkOutput->widget(0));
}

QStringList TfrmServices::ActiveServices() const {
    QStringList active;
    for (const TEntry& entry : FEntries)
        if (entry.Run->IsActive())
            active << entry.Run->ProjectFolder() + QStringLiteral(": ") + QString::fromStdString(entry.Run->Definition().Name);
    active.sort();
    return active;
}

void TfrmServices::StopAllAndWait() {
    // Every tree is asked to stop first, so that they wind down side by side.
    for (TEntry& entry : FEntries) entry.Run->Stop();
    for (TEntry& entry : FEntries) entry.Run->StopAndWait();
}

void TfrmServices::StartSelected() {
    if (TEntry* entry = Selected(); entry && !entry->Run->IsActive()) entry->Run->Start();
}

// The list passes Enter on to the window, which would run the command box: the list
// keeps it.
bool TfrmServices::eventFilter(QObject* AWatched, QEvent* AEvent) {
    if (AWatched == FtrvServices && AEvent->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(AEvent)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            StartSelected();
            return true;
        }
    }
    return QWidget::eventFilter(AWatched, AEvent);
}

void TfrmServices::FocusList() {
    FtrvServices->setFocus(Qt::ShortcutFocusReason);
    // The list makes its first row (a group's heading) current as it takes the focus.
    QTreeWidgetItem* current = FtrvServices->currentItem();
    if ((!current || current == FThisProject || current == FOtherProjects) && FThisProject->childCount() > 0)
        FtrvServices->setCurrentItem(FThisProject->child(0));
}

QString TfrmServices::ServerAddress(const QString& AProject) const {
    for (auto it = FEntries.cbegin(); it != FEntries.cend(); ++it)
        if (it.key().startsWith(EntryKey(AProject, QString())) && it->Run->State() == TServiceRun::TState::Running &&
            !it->Run->Address().isEmpty())
            return it->Run->Address();
    return {};
}

TServiceRun* TfrmServices::Service(const QString& AProject, const QString& AKey) const {
    const auto found = FEntries.find(EntryKey(AProject, AKey));
    return found == FEntries.end() ? nullptr : found->Run;
}
