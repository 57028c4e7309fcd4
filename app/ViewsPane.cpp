#include "app/ViewsPane.h"

#include "app/BackgroundJobs.h"
#include "app/ResultTable.h"
#include "components/AboutInfo.h"
#include "components/JsonRows.h"
#include "components/MigrationStatus.h"
#include "components/RouteList.h"
#include "components/ToolOutput.h"
#include "components/ToolRead.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString Text(const std::string& AUtf8) { return QString::fromUtf8(AUtf8.data(), qsizetype(AUtf8.size())); }

QStringList Texts(const std::vector<std::string>& AUtf8) {
    QStringList texts;
    texts.reserve(qsizetype(AUtf8.size()));
    for (const std::string& text : AUtf8) texts << Text(text);
    return texts;
}

// A route list of 100,000 routes is some tens of megabytes.
TToolReadLimits ViewLimits() { return {64u << 20, std::chrono::seconds(120)}; }

}  // namespace

TViewTable RouteTable(const std::string& AOutput, int AExitStatus) {
    const TRouteList list = ReadRouteList(AOutput, AExitStatus);
    TViewTable table{{QStringLiteral("Method"), QStringLiteral("URI"), QStringLiteral("Name"), QStringLiteral("Action"),
                      QStringLiteral("Middleware")},
                     {},
                     Text(list.Message),
                     list.Failed};
    table.Rows.reserve(qsizetype(list.Routes.size()));
    for (const TRouteRow& route : list.Routes) {
        // A route on a domain of its own is shown with it.
        const std::string uri = route.Domain.empty() ? route.Uri : route.Domain + "/" + route.Uri;
        table.Rows.append({Text(route.Method), Text(uri), Text(route.Name), Text(route.Action), Text(route.Middleware)});
    }
    return table;
}

TViewTable AboutTable(const std::string& AOutput, int AExitStatus) {
    const TAboutInfo info = ReadAboutInfo(AOutput, AExitStatus);
    TViewTable table{{QStringLiteral("Section"), QStringLiteral("Name"), QStringLiteral("Value")}, {}, {}, info.Failed};
    for (const TAboutSection& section : info.Sections)
        for (const auto& [name, value] : section.Items) table.Rows.append({Text(section.Name), Text(name), Text(value)});
    QStringList lines;
    for (const std::string& warning : info.Warnings) lines << QStringLiteral("Warning: ") + Text(warning);
    if (!info.Message.empty()) lines << Text(info.Message);
    table.Message = lines.join(QLatin1Char('\n'));
    return table;
}

TViewTable MigrationTable(const std::string& AOutput, int AExitStatus) {
    const TMigrationStatus status = ReadMigrationStatus(AOutput, AExitStatus);
    TViewTable table{{QStringLiteral("Migration"), QStringLiteral("Batch"), QStringLiteral("Status")},
                     {},
                     Text(status.Message),
                     status.Failed};
    for (const TMigrationRow& row : status.Rows)
        table.Rows.append({Text(row.Name), row.Batch ? QString::number(*row.Batch) : QString(),
                           row.Ran ? QStringLiteral("Ran") : QStringLiteral("Pending")});
    return table;
}

TViewTable JsonRowsTable(const std::string& AOutput, int AExitStatus) {
    const TJsonRows rows = ReadJsonRows(AOutput, AExitStatus);
    TViewTable table{Texts(rows.Columns), {}, Text(rows.Message), rows.Failed};
    table.Rows.reserve(qsizetype(rows.Rows.size()));
    for (const auto& row : rows.Rows) table.Rows.append(Texts(row));
    return table;
}

TToolView::TToolView(TViewKind AKind, TBackgroundJobs& AJobs, std::function<TViewProject()> AProject,
                     std::function<QString()> AAskCsvFile, QWidget* AParent)
    : QWidget(AParent), FKind(std::move(AKind)), FJobs(AJobs), FProject(std::move(AProject)) {
    setAccessibleName(QStringLiteral("%1 view").arg(FKind.Name));
    FlblRan = new QLabel(tr("Runs: %1").arg(Text(FKind.Line)), this);
    FlblRan->setAccessibleName(QStringLiteral("%1 command").arg(FKind.Name));
    FlblRan->setTextFormat(Qt::PlainText);
    FlblRan->setTextInteractionFlags(Qt::TextSelectableByMouse);
    FlblTime = new QLabel(this);
    FlblTime->setAccessibleName(QStringLiteral("%1 read time").arg(FKind.Name));
    // The pane's buttons take no access keys: every view repeats them, and the window's
    // own buttons hold the letters.
    FbtnRefresh = new QPushButton(tr("Refresh"), this);
    FbtnRefresh->setAccessibleName(QStringLiteral("Refresh %1").arg(FKind.Name.toLower()));
    FlblMessage = new QLabel(this);
    FlblMessage->setAccessibleName(QStringLiteral("%1 message").arg(FKind.Name));
    FlblMessage->setTextFormat(Qt::PlainText);
    FlblMessage->setWordWrap(true);
    FlblMessage->setTextInteractionFlags(Qt::TextSelectableByMouse);
    FlblMessage->hide();
    FTable = new TResultTable(FKind.Name, std::move(AAskCsvFile), this);

    auto* top = new QHBoxLayout;
    top->addWidget(FlblRan, 1);
    top->addWidget(FlblTime);
    top->addWidget(FbtnRefresh);
    FActions = new QHBoxLayout;
    FActions->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(FActions);
    layout->addWidget(FlblMessage);
    layout->addWidget(FTable, 1);
    connect(FbtnRefresh, &QPushButton::clicked, this, &TToolView::Refresh);
}

TToolView::~TToolView() {
    if (FJob) FJob->Stop();
}

void TToolView::AddAction(QPushButton* AButton) {
    AButton->setParent(this);
    FActions->insertWidget(FActions->count() - 1, AButton);
}

void TToolView::RefreshIfStale() {
    if (!FJob && FReadFolder != FProject().Folder) Refresh();
}

void TToolView::Refresh() {
    if (FJob) FJob->Stop();
    const TViewProject project = FProject();
    FReadFolder = project.Folder;
    if (project.Folder.isEmpty()) {
        FJob.reset();
        Show({}, {{}, {}, tr("Choose a project first."), true});
        return;
    }
    FlblMessage->setText(tr("Reading..."));
    FlblMessage->show();
    const TToolRequest request{FKind.Line, project.Folder.toStdString(), project.Tools, ViewLimits()};
    struct TReading {
        std::string RoutedLine;
        std::string Problem;
        TViewTable Table;
    };
    FJob = FJobs.Start<TReading>(
        this,
        [request, read = FKind.Read](TJobStop& AStop) {
            TToolRead tool(request);
            TToolReadResult result;
            {
                const TStopHookScope hook(&AStop, [&tool] { tool.Stop(); });
                result = tool.Run();
            }
            TReading reading{result.RoutedLine, result.Problem(request.Limits), {}};
            if (result.End != TToolReadResult::TEnd::Exited) {
                reading.Table.Failed = true;
                reading.Table.Message = Text(result.Output.substr(0, 4096));
            } else if (CommandIsMissing(result.Output, result.ExitCode)) {
                reading.Table.Missing = true;
                reading.Table.Failed = true;
            } else {
                reading.Table = read(result.Output, result.ExitCode);
            }
            return reading;
        },
        [this](TReading AReading) {
            FJob.reset();
            if (!AReading.Problem.empty())
                AReading.Table.Message = Text(AReading.Problem) +
                                         (AReading.Table.Message.isEmpty() ? QString() : "\n" + AReading.Table.Message);
            Show(Text(AReading.RoutedLine), std::move(AReading.Table));
        });
}

void TToolView::Show(const QString& ARoutedLine, TViewTable ATable) {
    if (!ARoutedLine.isEmpty()) FlblRan->setText(tr("Ran: %1").arg(ARoutedLine));
    FlblTime->setText(tr("Read at %1").arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))));
    QString message = ATable.Message;
    if (ATable.Missing)
        message = tr("\"%1\" is not available in this Laravel version.").arg(Text(FKind.Line));
    FlblMessage->setText(message);
    FlblMessage->setVisible(!message.isEmpty());
    FlblMessage->setForegroundRole(ATable.Failed ? QPalette::BrightText : QPalette::WindowText);
    FTable->SetTable(std::move(ATable.Columns), std::move(ATable.Rows));
    emit refreshed();
}

TViewsPane::TViewsPane(TBackgroundJobs& AJobs, std::function<TViewProject()> AProject,
                       std::function<QString()> AAskCsvFile, std::function<void(const QString&)> ARunInConsole,
                       QWidget* AParent)
    : QTabWidget(AParent), FRunInConsole(std::move(ARunInConsole)) {
    setObjectName(QStringLiteral("tabViews"));
    setAccessibleName(QStringLiteral("Views"));
    const TViewKind kinds[] = {
        {QStringLiteral("Routes"), tr("Routes"), "php artisan route:list --json", RouteTable},
        {QStringLiteral("Application"), tr("Application"), "php artisan about --json", AboutTable},
        {QStringLiteral("Migrations"), tr("Migrations"), "php artisan migrate:status", MigrationTable},
        {QStringLiteral("Schedule"), tr("Schedule"), "php artisan schedule:list --json", JsonRowsTable},
        {QStringLiteral("Events"), tr("Events"), "php artisan event:list --json", JsonRowsTable},
    };
    for (const TViewKind& kind : kinds) addTab(new TToolView(kind, AJobs, AProject, AAskCsvFile, this), kind.Title);

    TToolView* migrations = Views().at(2);
    const auto addRun = [this, migrations](const QString& ACaption, const QString& AName, const QString& ALine) {
        auto* button = new QPushButton(ACaption);
        button->setAccessibleName(AName);
        migrations->AddAction(button);
        connect(button, &QPushButton::clicked, this, [this, migrations, ALine] {
            FRefreshAfterRun = migrations;
            if (FRunInConsole) FRunInConsole(ALine);
        });
    };
    addRun(tr("Run Pending"), QStringLiteral("Run pending migrations"), QStringLiteral("php artisan migrate"));
    addRun(tr("Roll Back Last Batch"), QStringLiteral("Roll back the last batch"),
           QStringLiteral("php artisan migrate:rollback"));
    connect(this, &QTabWidget::currentChanged, this, [this](int AIndex) {
        if (auto* view = qobject_cast<TToolView*>(widget(AIndex)); view && isVisible()) view->RefreshIfStale();
    });
}

// The tabs leave as the base class goes, which tells currentChanged: this object is no
// longer whole by then.
TViewsPane::~TViewsPane() { disconnect(this, &QTabWidget::currentChanged, this, nullptr); }

QList<TToolView*> TViewsPane::Views() const {
    QList<TToolView*> views;
    for (int i = 0; i < count(); ++i) views << static_cast<TToolView*>(widget(i));
    return views;
}

TToolView* TViewsPane::View(const QString& AName) const {
    for (TToolView* view : Views())
        if (view->Kind().Name == AName) return view;
    return nullptr;
}

void TViewsPane::ConsoleRunEnded() {
    if (TToolView* view = FRefreshAfterRun) {
        FRefreshAfterRun = nullptr;
        view->Refresh();
    }
}
