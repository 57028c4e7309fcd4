#include "app/CatalogueStore.h"
#include "app/Desktop.h"
#include "app/frmMainUnit.h"
#include "app/frmServicesUnit.h"
#include "components/ServiceSettings.h"
#include "ui_frmMain.h"

#include <QAction>
#include <QDockWidget>
#include <QFileInfo>
#include <QMenu>
#include <QTimer>

// View > Services shows the board in a pane beside the console. The board is made at its
// first showing, so a start that never uses it pays nothing for it.
void TfrmMain::SetUpServices() {
    QMenu* view = ui->menMain->findChild<QMenu*>(QStringLiteral("View1"));
    FmenServices = view ? view->addAction(tr("&Services")) : ui->menMain->addAction(tr("&Services"));
    FmenServices->setObjectName(QStringLiteral("menServices"));
    FmenServices->setCheckable(true);
    FmenServices->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    FmenServices->setStatusTip(tr("The project's development server, queue worker, scheduler and other services"));
    connect(FmenServices, &QAction::toggled, this, [this](bool AOn) { RunGuarded([this, AOn] {
        if (AOn) Services();
        if (FdckServices) FdckServices->setVisible(AOn);
        // Focus can move once the pane is on the screen.
        if (AOn) QTimer::singleShot(0, FServices, &TfrmServices::FocusList);
    }); });
}

TfrmServices& TfrmMain::Services() {
    if (!FServices) {
        FdckServices = new QDockWidget(tr("Services"), this);
        FdckServices->setObjectName(QStringLiteral("dckServices"));
        FdckServices->setAccessibleName(tr("Services"));
        FServices = new TfrmServices(FDesktop, FdckServices);
        FServices->setSettingsFile(
            (QFileInfo(QString::fromStdString(FToolsStore.FileName())).path() + QStringLiteral("/services.ini")).toStdString());
        FdckServices->setWidget(FServices);
        addDockWidget(Qt::RightDockWidgetArea, FdckServices);
        if (!FmenServices->isChecked()) FdckServices->hide();
        // Closing the pane by its own button unticks the menu item.
        connect(FdckServices, &QDockWidget::visibilityChanged, this, [this](bool AVisible) {
            if (!AVisible && !FdckServices->isHidden()) return;
            const QSignalBlocker quiet(FmenServices);
            FmenServices->setChecked(AVisible);
        });
        connect(FServices, &TfrmServices::serviceGaveUp, this, [this](const QString& AService) {
            ui->sbMain->showMessage(tr("A service was not started again after it crashed: ") + AService);
            FDesktop.Notify(tr("A service crashed"), AService);
        });
        // The board learns the project's artisan commands from the catalogue, which reads
        // them when they are not known yet.
        FServices->setHasCommand([this](const QString& AProject, const QString& ACommand) -> std::optional<bool> {
            const TProjectCatalogue* catalogue = FCatalogueStore->Cached(AProject);
            if (!catalogue) {
                FCatalogueStore->Load(AProject);
                return std::nullopt;
            }
            for (const TCommandList& list : catalogue->Lists)
                if (list.Tool == TCommandType::Artisan)
                    for (const TCommandInfo& command : list.Commands)
                        if (command.Name == ACommand) return true;
            return false;
        });
        connect(FCatalogueStore, &TCatalogueStore::loaded, FServices, &TfrmServices::CommandsKnown);
        FServices->SetProject(ProjectFolder(), ProjectTools());
    }
    return *FServices;
}

// A project with services that start with it gets the board at once, shown or not.
void TfrmMain::ServicesFollowProject() {
    const QString project = ProjectFolder();
    if (!FServices && !project.isEmpty() && !FToolsStore.FileName().empty()) {
        const std::string file =
            (QFileInfo(QString::fromStdString(FToolsStore.FileName())).path() + QStringLiteral("/services.ini")).toStdString();
        if (TServiceSettingsStore(file).Load(project.toStdString()).StartWithProject.empty()) return;
    }
    if (FServices || !project.isEmpty()) Services().SetProject(project, ProjectTools());
}

// Quitting with services running asks first, naming them; Yes stops every one of them
// with its process tree.
bool TfrmMain::StopServicesToQuit() {
    if (!FServices) return true;
    const QStringList active = FServices->ActiveServices();
    if (!active.isEmpty() &&
        !FDesktop.Confirm(this, QStringLiteral("Tarnwick 2"),
                          tr("These services are still running:\n%1\n\nStop them and quit?").arg(active.join(u'\n'))))
        return false;
    FServices->StopAllAndWait();
    return true;
}
