#include "app/Desktop.h"
#include "app/EditorLaunch.h"
#include "app/frmServicesUnit.h"
#include "app/ResultTable.h"
#include "app/ViewsPane.h"
#include "app/frmLogViewer.h"
#include "app/frmMainUnit.h"
#include "ui_frmMain.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QProcess>
#include <QStatusBar>
#include <QUrl>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QMenu>

namespace {

// The project's log files, newest first: laravel.log and the daily ones.
QString NewestLog(const QString& AProject) {
    const QFileInfoList logs = QDir(AProject + QStringLiteral("/storage/logs"))
                                   .entryInfoList({QStringLiteral("*.log")}, QDir::Files, QDir::Time);
    return logs.isEmpty() ? AProject + QStringLiteral("/storage/logs/laravel.log") : logs.first().absoluteFilePath();
}

}  // namespace

void TfrmMain::SetUpViews() {
    auto* menu = new QMenu(tr("Vie&ws"), ui->menMain);
    menu->setObjectName(QStringLiteral("menViews"));
    auto* log = menu->addAction(tr("&Log"));
    log->setObjectName(QStringLiteral("menViewLog"));
    log->setStatusTip(tr("The project's newest log file as a table of entries"));
    ui->menMain->addMenu(menu);
    connect(log, &QAction::triggered, this, [this] { RunGuarded([this] {
        const QString project = ProjectFolder();
        if (project.isEmpty()) {
            FDesktop.ShowInformation(this, tr("Choose a project first."));
            return;
        }
        auto* viewer = new TfrmLogViewer(NewestLog(project), [this](const QString& AQuestion) {
            return FDesktop.Confirm(this, tr("Clear Log"), AQuestion);
        }, this);
        viewer->SetOpenAt([this](const QString& AFile, int ALine) { OpenInEditor(AFile, ALine); });
        viewer->SetNotify([this](const QString& ALevel, const QString& AMessage) {
            if (Preferences().NotifyLogErrors) FDesktop.Notify(tr("Log %1").arg(ALevel), AMessage);
        });
        viewer->setWindowFlag(Qt::Window);
        viewer->setAttribute(Qt::WA_DeleteOnClose);
        viewer->resize(900, 500);
        viewer->show();
    }); });

    // The pane: a dock beside the console, closed until asked for; its views are made
    // when it is first shown, not at the start.
    FViewsDock = new QDockWidget(tr("Views"), this);
    FViewsDock->setObjectName(QStringLiteral("dckViews"));
    FViewsDock->setAccessibleName(QStringLiteral("Views pane"));
    FViewsDock->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea | Qt::BottomDockWidgetArea);
    addDockWidget(Qt::RightDockWidgetArea, FViewsDock);
    FViewsDock->hide();
    connect(FViewsDock, &QDockWidget::visibilityChanged, this, [this](bool AVisible) {
        if (AVisible) ViewsPane();
    });

    menu->addSeparator();
    QAction* pane = FViewsDock->toggleViewAction();
    pane->setText(tr("Views &Pane"));
    pane->setObjectName(QStringLiteral("menViewsPane"));
    pane->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V));
    menu->addAction(pane);
    connect(pane, &QAction::triggered, this, [this](bool AShown) {
        if (AShown) ShowView(QString());
    });
    for (const TViewKind& kind : TViewsPane::Kinds()) {
        QAction* action = menu->addAction(kind.Title);
        action->setObjectName(QStringLiteral("menView") + kind.Name);
        action->setStatusTip(tr("Runs \"%1\" and shows the result as a table").arg(QString::fromStdString(kind.Line)));
        connect(action, &QAction::triggered, this, [this, name = kind.Name] { ShowView(name); });
    }
}

TViewsPane& TfrmMain::ViewsPane() {
    if (FViewsPane) return *FViewsPane;
    FViewsPane = new TViewsPane(
        *FJobs, [this] { return TViewProject{ProjectFolder(), ProjectTools()}; },
        [this] {
            QString file;
            if (!FDesktop.SaveFileName(this, tr("Export CSV"), QString(), tr("CSV files (*.csv);;All files (*)"), file))
                return QString();
            return file;
        },
        [this](const QString& ALine) { RunGuarded([this, ALine] { RunInProject(ALine); }); });
    FViewsDock->setWidget(FViewsPane);
    connect(this, &TfrmMain::runFinished, FViewsPane, &TViewsPane::ConsoleRunEnded);
    FViewsPane->SetRowActions([this](const QString& AUri) { OpenRoute(AUri); },
                              [this](const QString& AFile, int ALine) { OpenInEditor(AFile, ALine); });
    return *FViewsPane;
}

void TfrmMain::ShowView(const QString& AName) {
    TViewsPane& pane = ViewsPane();
    if (TToolView* view = pane.View(AName)) pane.setCurrentWidget(view);
    FViewsDock->show();
    FViewsDock->raise();
    if (auto* view = qobject_cast<TToolView*>(pane.currentWidget())) {
        view->RefreshIfStale();
        view->Table().setFocus();
    }
}

void TfrmMain::OpenInEditor(const QString& AFile, int ALine) {
    // A path the framework gives relative to the project is found in it.
    const QString file = QDir::isRelativePath(AFile) ? QDir(ProjectFolder()).filePath(AFile) : AFile;
    const QString command = Preferences().EditorCommand;
    if (command.trimmed().isEmpty()) {
        FDesktop.OpenUrl(QUrl::fromLocalFile(file).toString());
        return;
    }
    const std::optional<TEditorLaunch> launch = EditorLaunch(command, file, ALine);
    if (!launch || !QProcess::startDetached(launch->Program, launch->Arguments, ProjectFolder()))
        ui->sbMain->showMessage(tr("The editor command \"%1\" could not start.").arg(command), 8000);
}

void TfrmMain::OpenRoute(const QString& AUri) {
    const QString address = FServices ? FServices->ServerAddress(ProjectFolder()) : QString();
    if (address.isEmpty()) {
        QGuiApplication::clipboard()->setText(AUri);
        ui->sbMain->showMessage(tr("Copied %1: no development server runs for this project.").arg(AUri), 8000);
        return;
    }
    QString path = AUri;
    while (path.startsWith(QLatin1Char('/'))) path.remove(0, 1);
    FDesktop.OpenUrl(address + QLatin1Char('/') + path);
}
