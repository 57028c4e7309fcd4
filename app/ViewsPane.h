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
};

// One kind of view: its title, the line it runs and how its output becomes a table. Read
// runs on a worker thread.
struct TViewKind {
    QString Name;   // for screen readers, as in "Routes table"
    QString Title;  // the tab's text
    std::string Line;
    std::function<TViewTable(const std::string& AOutput, int AExitStatus)> Read;
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

    const TViewKind& Kind() const { return FKind; }
    TResultTable& Table() const { return *FTable; }
    // Runs the line again for the current project.
    void Refresh();
    // Refreshes when the view has not read the current project yet.
    void RefreshIfStale();
    bool IsReading() const { return FJob != nullptr; }
    // A row of buttons above the table, for the view's own actions.
    void AddAction(QPushButton* AButton);

signals:
    // A reading has been shown.
    void refreshed();

private:
    void Show(const QString& ARoutedLine, TViewTable ATable);

    TViewKind FKind;
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
};

// The views of the selected project, one tab each: routes, the application's settings,
// migrations, the schedule and the events.
class TViewsPane : public QTabWidget {
    Q_OBJECT
public:
    // ARunInConsole runs a line in the console as a typed line would run.
    TViewsPane(TBackgroundJobs& AJobs, std::function<TViewProject()> AProject, std::function<QString()> AAskCsvFile,
               std::function<void(const QString&)> ARunInConsole, QWidget* AParent = nullptr);
    ~TViewsPane() override;

    QList<TToolView*> Views() const;
    // The view of that name ("Routes"), or null.
    TToolView* View(const QString& AName) const;
    // The console's run has ended: a view whose action started it reads again.
    void ConsoleRunEnded();

private:
    std::function<void(const QString&)> FRunInConsole;
    TToolView* FRefreshAfterRun = nullptr;
};

// The readers of each view, as tables.
TViewTable RouteTable(const std::string& AOutput, int AExitStatus);
TViewTable AboutTable(const std::string& AOutput, int AExitStatus);
TViewTable MigrationTable(const std::string& AOutput, int AExitStatus);
TViewTable JsonRowsTable(const std::string& AOutput, int AExitStatus);
