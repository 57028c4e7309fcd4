#include "app/Desktop.h"
#include "app/frmLogViewer.h"
#include "app/frmMainUnit.h"
#include "ui_frmMain.h"

#include <QAction>
#include <QDir>
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
        viewer->setWindowFlag(Qt::Window);
        viewer->setAttribute(Qt::WA_DeleteOnClose);
        viewer->resize(900, 500);
        viewer->show();
    }); });
}
