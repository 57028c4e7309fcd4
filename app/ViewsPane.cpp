#include "app/ViewsPane.h"

#include "app/BackgroundJobs.h"
#include "app/EditorLaunch.h"
#include "app/ResultTable.h"
#include "components/AboutInfo.h"
#include "components/DatabaseInfo.h"
#include "components/JsonRows.h"
#include "components/ModelInfo.h"
#include "components/MigrationStatus.h"
#include "components/RouteList.h"
#include "components/ToolOutput.h"
#include "components/ToolRead.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QSignalBlocker>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString Text(const std::string& AUtf8) { return QString::fromUtf8(AUtf8.data(), qsizetype(AUtf8.size())); }

QStringList Texts(const std::vector<std::string>& AUtf8) {
    QStringList texts;
    texts.reserve(qsizetype(AUtf8.size()));
    for (const std::string& text : AUtf8) texts << Text(text);
    return texts;
}

QString Count(const std::optional<std::int64_t>& AValue) { return AValue ? QString::number(*AValue) : QString(); }

// The routes table's columns that row actions read.
constexpr int kRouteUriColumn = 1;
constexpr int kRoutePathColumn = 5;
constexpr int kRouteColumns = 6;

// A route list of 100,000 routes is some tens of megabytes.
TToolReadLimits ViewLimits() { return {64u << 20, std::chrono::seconds(120)}; }

}  // namespace

TViewTable RouteTable(const std::string& AOutput, int AExitStatus) {
    const TRouteList list = ReadRouteList(AOutput, AExitStatus);
    TViewTable table{{QStringLiteral("Method"), QStringLiteral("URI"), QStringLiteral("Name"), QStringLiteral("Action"),
                      QStringLiteral("Middleware"), QStringLiteral("Path")},
                     {},
                     Text(list.Message),
                     list.Failed};
    table.Rows.reserve(qsizetype(list.Routes.size()));
    for (const TRouteRow& route : list.Routes) {
        // A route on a domain of its own is shown with it.
        const std::string uri = route.Domain.empty() ? route.Uri : route.Domain + "/" + route.Uri;
        table.Rows.append({Text(route.Method), Text(uri), Text(route.Name), Text(route.Action), Text(route.Middleware),
                           Text(route.Path)});
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

TViewTable DatabaseTable(const std::string& AOutput, int AExitStatus) {
    const TDatabaseInfo info = ReadDatabaseInfo(AOutput, AExitStatus);
    TViewTable table{{TViewsPane::tr("Table"), TViewsPane::tr("Size (bytes)"), TViewsPane::tr("Rows"),
                      TViewsPane::tr("Engine"), TViewsPane::tr("Comment")},
                     {},
                     {},
                     info.Failed};
    table.Rows.reserve(qsizetype(info.Tables.size()));
    for (const TDatabaseTable& row : info.Tables)
        table.Rows.append({Text(row.Name), Count(row.Size), Count(row.Rows), Text(row.Engine), Text(row.Comment)});
    QStringList lines;
    if (!info.Platform.empty()) lines << TViewsPane::tr("Database: %1").arg(Text(info.Platform));
    if (info.RowsMissing && !info.Tables.empty()) lines << TViewsPane::tr("Rows are counted on Count Rows.");
    if (!info.Message.empty()) lines << Text(info.Message);
    table.Message = lines.join(QLatin1Char('\n'));
    return table;
}

TViewTable SchemaTable(const std::string& AOutput, int AExitStatus) {
    const TTableSchema schema = ReadTableSchema(AOutput, AExitStatus);
    TViewTable table{
        {TViewsPane::tr("Kind"), TViewsPane::tr("Name"), TViewsPane::tr("Type"), TViewsPane::tr("Details")},
        {},
        {},
        schema.Failed};
    for (const TSchemaRow& row : schema.Rows) {
        const QString kind = row.Kind == TSchemaRow::TKind::Column  ? TViewsPane::tr("Column")
                             : row.Kind == TSchemaRow::TKind::Index ? TViewsPane::tr("Index")
                                                                    : TViewsPane::tr("Foreign key");
        table.Rows.append({kind, Text(row.Name), Text(row.Type), Text(row.Details)});
    }
    QStringList lines;
    if (!schema.Table.empty() && !schema.Failed) lines << TViewsPane::tr("Table: %1").arg(Text(schema.Table));
    if (!schema.Message.empty()) lines << Text(schema.Message);
    table.Message = lines.join(QLatin1Char('\n'));
    return table;
}

TViewTable ModelTables(const std::string& AOutput, int AExitStatus) {
    const TModelInfo info = ReadModelInfo(AOutput, AExitStatus);
    TViewTable table{{TViewsPane::tr("Attribute"), TViewsPane::tr("Type"), TViewsPane::tr("Nullable"),
                      TViewsPane::tr("Fillable"), TViewsPane::tr("Hidden"), TViewsPane::tr("Cast")},
                     {},
                     {},
                     info.Failed};
    const auto yes = [](bool AOn) { return AOn ? TViewsPane::tr("yes") : TViewsPane::tr("no"); };
    for (const TModelAttribute& row : info.Attributes)
        table.Rows.append(
            {Text(row.Name), Text(row.Type), yes(row.Nullable), yes(row.Fillable), yes(row.Hidden), Text(row.Cast)});
    table.SecondColumns = {TViewsPane::tr("Relation"), TViewsPane::tr("Type"), TViewsPane::tr("Related")};
    for (const TModelRelation& row : info.Relations)
        table.SecondRows.append({Text(row.Name), Text(row.Type), Text(row.Related)});
    QStringList lines;
    if (!info.Class.empty() && !info.Failed)
        lines << (info.Table.empty() ? Text(info.Class)
                                     : TViewsPane::tr("%1, table %2").arg(Text(info.Class), Text(info.Table)));
    if (!info.Message.empty()) lines << Text(info.Message);
    table.Message = lines.join(QLatin1Char('\n'));
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
    FSplitter = new QSplitter(Qt::Vertical, this);
    FSplitter->setChildrenCollapsible(false);
    FTable = new TResultTable(FKind.Name, AAskCsvFile, FSplitter);
    FSplitter->addWidget(FTable);
    if (!FKind.SecondName.isEmpty()) {
        FSecond = new TResultTable(FKind.SecondName, AAskCsvFile, FSplitter);
        FSplitter->addWidget(FSecond);
    }

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
    layout->addWidget(FSplitter, 1);
    connect(FbtnRefresh, &QPushButton::clicked, this, &TToolView::Refresh);
}

TToolView::~TToolView() {
    if (FJob) FJob->Stop();
}

void TToolView::AddAction(QWidget* AControl) {
    AControl->setParent(this);
    FActions->insertWidget(FActions->count() - 1, AControl);
}

void TToolView::AddDetail(QWidget* ADetail) {
    FSplitter->addWidget(ADetail);
    FSplitter->setStretchFactor(FSplitter->count() - 1, 1);
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
    std::string line = FKind.Line;
    if (FLineFor) {
        QString message;
        line = FLineFor(project, message);
        if (line.empty()) {
            FJob.reset();
            FLine.clear();
            FlblRan->setText(tr("Runs: %1").arg(Text(FKind.Line)));
            Show({}, {{}, {}, message, false});
            return;
        }
    }
    FLine = line;
    FlblRan->setText(tr("Runs: %1").arg(Text(line)));
    FlblMessage->setText(tr("Reading..."));
    FlblMessage->show();
    const TToolRequest request{line, project.Folder.toStdString(), project.Tools, ViewLimits()};
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
        message = tr("\"%1\" is not available in this Laravel version.").arg(Text(FLine.empty() ? FKind.Line : FLine));
    FlblMessage->setText(message);
    FlblMessage->setVisible(!message.isEmpty());
    FlblMessage->setForegroundRole(ATable.Failed ? QPalette::BrightText : QPalette::WindowText);
    FTable->SetTable(std::move(ATable.Columns), std::move(ATable.Rows));
    if (FSecond) FSecond->SetTable(std::move(ATable.SecondColumns), std::move(ATable.SecondRows));
    emit refreshed();
}

QList<TViewKind> TViewsPane::Kinds() {
    return {
        {QStringLiteral("Routes"), tr("Routes"), "php artisan route:list --json", RouteTable},
        {QStringLiteral("Application"), tr("Application"), "php artisan about --json", AboutTable},
        {QStringLiteral("Database"), tr("Database"), "php artisan db:show --json", DatabaseTable},
        {QStringLiteral("Models"), tr("Models"), "php artisan model:show CLASS --json", ModelTables,
         QStringLiteral("Relations")},
        {QStringLiteral("Migrations"), tr("Migrations"), "php artisan migrate:status", MigrationTable},
        {QStringLiteral("Schedule"), tr("Schedule"), "php artisan schedule:list --json", JsonRowsTable},
        {QStringLiteral("Events"), tr("Events"), "php artisan event:list --json", JsonRowsTable},
    };
}

TViewsPane::TViewsPane(TBackgroundJobs& AJobs, std::function<TViewProject()> AProject,
                       std::function<QString()> AAskCsvFile, std::function<void(const QString&)> ARunInConsole,
                       QWidget* AParent)
    : QTabWidget(AParent), FRunInConsole(std::move(ARunInConsole)) {
    setObjectName(QStringLiteral("tabViews"));
    setAccessibleName(QStringLiteral("Views"));
    for (const TViewKind& kind : Kinds()) addTab(new TToolView(kind, AJobs, AProject, AAskCsvFile, this), kind.Title);
    SetUpDatabase(AJobs, AProject, AAskCsvFile);
    SetUpModels();

    TToolView* migrations = View(QStringLiteral("Migrations"));
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

void TViewsPane::SetUpDatabase(TBackgroundJobs& AJobs, const std::function<TViewProject()>& AProject,
                               const std::function<QString()>& AAskCsvFile) {
    TToolView* database = View(QStringLiteral("Database"));
    // Rows are counted once asked for, and on every reading of that project after it.
    auto countedFolder = std::make_shared<QString>();
    database->SetLineFor([countedFolder](const TViewProject& AFor, QString&) {
        return std::string(AFor.Folder == *countedFolder ? "php artisan db:show --json --counts"
                                                         : "php artisan db:show --json");
    });
    auto* count = new QPushButton(tr("Count Rows"));
    count->setAccessibleName(QStringLiteral("Count rows"));
    database->AddAction(count);
    connect(count, &QPushButton::clicked, database, [database, countedFolder, AProject] {
        *countedFolder = AProject().Folder;
        database->Refresh();
    });

    // The chosen table's columns, indexes and foreign keys, below the list of tables.
    FSchema = new TToolView({QStringLiteral("Schema"), tr("Table"), "php artisan db:table TABLE --json", SchemaTable},
                            AJobs, AProject, AAskCsvFile);
    database->AddDetail(FSchema);
    FSchema->SetLineFor([database](const TViewProject&, QString& AMessage) {
        const QStringList row = database->Table().CurrentRow();
        const QString name = row.isEmpty() ? QString() : row.first();
        if (name.isEmpty()) {
            AMessage = tr("Choose a table above to see its columns, indexes and foreign keys.");
            return std::string();
        }
        if (!IsPlainTableName(name.toStdString())) {
            AMessage = tr("The table \"%1\" has a name that cannot be put on a command line.").arg(name);
            return std::string();
        }
        return "php artisan db:table " + name.toStdString() + " --json";
    });
    // Moving through the tables reads the one the cursor rests on.
    auto* settle = new QTimer(this);
    settle->setSingleShot(true);
    settle->setInterval(250);
    connect(&database->Table(), &TResultTable::currentRowChanged, settle, qOverload<>(&QTimer::start));
    connect(settle, &QTimer::timeout, FSchema, &TToolView::Refresh);
}

void TViewsPane::SetUpModels() {
    TToolView* models = View(QStringLiteral("Models"));
    auto* label = new QLabel(tr("Model:"));
    auto* classes = new QComboBox;
    classes->setAccessibleName(QStringLiteral("Model class"));
    classes->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    label->setBuddy(classes);
    models->AddAction(label);
    models->AddAction(classes);
    // Each reading finds the project's models again and shows the chosen one.
    models->SetLineFor([classes](const TViewProject& AProject, QString& AMessage) {
        const std::vector<std::string> found = FindModelClasses(AProject.Folder.toStdString());
        const QString chosen = classes->currentText();
        {
            const QSignalBlocker quiet(classes);
            classes->clear();
            for (const std::string& name : found) classes->addItem(Text(name));
            classes->setCurrentIndex(std::max(0, classes->findText(chosen)));
        }
        if (found.empty()) {
            AMessage = tr("There are no model classes under app/Models.");
            return std::string();
        }
        const std::string argument = ModelArgument(classes->currentText().toStdString());
        if (argument.empty()) {
            AMessage =
                tr("The class \"%1\" has a name that cannot be put on a command line.").arg(classes->currentText());
            return std::string();
        }
        return "php artisan model:show " + argument + " --json";
    });
    connect(classes, &QComboBox::activated, models, &TToolView::Refresh);
}

void TViewsPane::SetRowActions(std::function<void(const QString&)> AOpenRoute,
                               std::function<void(const QString&, int)> AOpenAt) {
    TResultTable& routes = View(QStringLiteral("Routes"))->Table();
    disconnect(routes.View(), &QAbstractItemView::activated, this, nullptr);
    connect(routes.View(), &QAbstractItemView::activated, this,
            [AOpenRoute, AOpenAt, &routes](const QModelIndex& AIndex) {
                const QStringList row = routes.CurrentRow();
                if (row.size() < kRouteColumns) return;
                // The closure's file where it is given and asked for, else the address.
                const QString path = row.at(kRoutePathColumn);
                if (AIndex.column() == kRoutePathColumn && !path.isEmpty()) {
                    const auto [file, line] = FileAndLine(path);
                    if (AOpenAt) AOpenAt(file, line);
                } else if (AOpenRoute) {
                    AOpenRoute(row.at(kRouteUriColumn));
                }
            });
}

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
