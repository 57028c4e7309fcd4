#pragma once

#include "components/ProjectTools.h"

#include <QDateTime>
#include <QStringList>
#include <QTabWidget>

#include <functional>
#include <memory>
#include <string>

class QLabel;
class QPushButton;
class TBackgroundJobs;
class TJobStop;
class TResultTable;

// What a view shows once a command's output has been read: a table, or a message instead
// of it or above it.
struct TViewTable {
    QStringList Columns;
    QList<QStringList> Rows;
    QString Message;
    bool Failed = false;
    bool Missing = false;  // the framework has no such command
    // The rows of a view's second table (a model's relations), if it has one.
    QStringList SecondColumns = {};
    QList<QStringList> SecondRows = {};
};

// One kind of view: its title, the line it runs and how its output becomes a table. Read
// runs on a worker thread.
struct TViewKind {
    QString Name;   // for screen readers, as in "Routes table"
    QString Title;  // the tab's text
    std::string Line;
    std::function<TViewTable(const std::string& AOutput, int AExitStatus)> Read;
    // A second table below the first, named for screen readers ("Relations"); none when empty.
    QString SecondName = {};
};

// The project a view reads: its folder and the tools that route its lines.
struct TViewProject {
    QString Folder;
    TProjectTools Tools;
};

// One view: runs its line through the project's tools off the window's thread, and shows
// the table, what ran, when, and what went wrong.
class TToolView : public QWidget {
    Q_OBJECT
public:
    TToolView(TViewKind AKind, TBackgroundJobs& AJobs, std::function<TViewProject()> AProject,
              std::function<QString()> AAskCsvFile, QWidget* AParent = nullptr);
    ~TToolView() override;

    // Chooses the line of each reading for the project (a line that names the chosen table
    // or class); an empty line reads nothing and shows AMessage instead.
    using TLineFor = std::function<std::string(const TViewProject& AProject, QString& AMessage)>;

    const TViewKind& Kind() const { return FKind; }
    TResultTable& Table() const { return *FTable; }
    // The second table, or null for a view with one.
    TResultTable* SecondTable() const { return FSecond; }
    void SetLineFor(TLineFor ALineFor) { FLineFor = std::move(ALineFor); }
    // Runs the line again for the current project.
    void Refresh();
    // Refreshes when the view has not read the current project yet.
    void RefreshIfStale();
    bool IsReading() const { return FJob != nullptr; }
    // A row of controls above the table, for the view's own actions.
    void AddAction(QWidget* AControl);
    // A part below the table that shows more of the chosen row (another view).
    void AddDetail(QWidget* ADetail);

signals:
    // A reading has been shown.
    void refreshed();

private:
    void Show(const QString& ARoutedLine, TViewTable ATable);

    TViewKind FKind;
    TLineFor FLineFor;
    std::string FLine;  // the line of the current reading
    TBackgroundJobs& FJobs;
    std::function<TViewProject()> FProject;
    std::shared_ptr<TJobStop> FJob;
    QString FReadFolder;
    QLabel* FlblRan;
    QLabel* FlblTime;
    QLabel* FlblMessage;
    QPushButton* FbtnRefresh;
    class QHBoxLayout* FActions;
    TResultTable* FTable;
    TResultTable* FSecond = nullptr;
    class QSplitter* FSplitter;
};

// The views of the selected project, one tab each: routes, the application's settings,
// the database and a chosen table of it, the models, migrations, the schedule and the events.
class TViewsPane : public QTabWidget {
    Q_OBJECT
public:
    // ARunInConsole runs a line in the console as a typed line would run.
    TViewsPane(TBackgroundJobs& AJobs, std::function<TViewProject()> AProject, std::function<QString()> AAskCsvFile,
               std::function<void(const QString&)> ARunInConsole, QWidget* AParent = nullptr);
    ~TViewsPane() override;

    // The views, in the order of their tabs.
    static QList<TViewKind> Kinds();
    QList<TToolView*> Views() const;
    // The view of that name ("Routes"), or null.
    TToolView* View(const QString& AName) const;
    // What Enter or a double click on a route does: AOpenAt opens a closure's file at its
    // line (on the Path cell), AOpenRoute takes the route's URI otherwise.
    void SetRowActions(std::function<void(const QString& AUri)> AOpenRoute,
                       std::function<void(const QString& AFile, int ALine)> AOpenAt);
    // The chosen table's part of the database view.
    TToolView& Schema() const { return *FSchema; }
    // The console's run has ended: a view whose action started it reads again.
    void ConsoleRunEnded();

private:
    void SetUpDatabase(TBackgroundJobs& AJobs, const std::function<TViewProject()>& AProject,
                       const std::function<QString()>& AAskCsvFile);
    void SetUpModels();

    std::function<void(const QString&)> FRunInConsole;
    TToolView* FSchema = nullptr;
    TToolView* FRefreshAfterRun = nullptr;
};

// The readers of each view, as tables.
TViewTable RouteTable(const std::string& AOutput, int AExitStatus);
TViewTable AboutTable(const std::string& AOutput, int AExitStatus);
TViewTable MigrationTable(const std::string& AOutput, int AExitStatus);
TViewTable JsonRowsTable(const std::string& AOutput, int AExitStatus);
TViewTable DatabaseTable(const std::string& AOutput, int AExitStatus);
TViewTable SchemaTable(const std::string& AOutput, int AExitStatus);
TViewTable ModelTables(const std::string& AOutput, int AExitStatus);
