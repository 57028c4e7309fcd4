#pragma once

#include "app/CatalogueStore.h"
#include "components/ProjectTools.h"
#include "components/ServiceSettings.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>

class IDesktop;
class TBackgroundJobs;
class QCheckBox;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;
class TConsoleEdit;
class TServiceRun;

// The Services board: the selected project's services with their states and output, and
// below them the running services of other projects. Services keep running when another
// project is selected; they end when the board goes (their process trees with them).
class TfrmServices : public QWidget {
    Q_OBJECT

public:
    // Addresses open and the settings dialog shows through ADesktop.
    explicit TfrmServices(IDesktop& ADesktop, QWidget* AParent = nullptr);
    ~TfrmServices() override;

    // Where the projects' service settings are kept (services.ini).
    void setSettingsFile(const std::string& AFileName) { FSettingsStore.setFileName(AFileName); }
    // Shows the services of AProject (empty: none), run through ATools. The first time a
    // project is shown, its services ticked "Start with the project" start.
    void SetProject(const QString& AProject, const TProjectTools& ATools);
    // Services that run or wait to restart, as "project: name" lines.
    QStringList ActiveServices() const;
    // Stops every service of every project and waits for their process trees.
    void StopAllAndWait();
    TServiceRun* Service(const QString& AProject, const QString& AKey) const;
    // The address a running service of AProject serves at (the development server's);
    // empty when none runs.
    QString ServerAddress(const QString& AProject) const;
    // Gives the keyboard to the list of services.
    void FocusList();

    // Where the board learns whether a project's framework has an artisan command: true or
    // false once its commands are known, nothing while they are not (CommandsKnown then
    // tells when they are). Without it, the board offers no dev:list processes.
    using THasCommand = std::function<std::optional<bool>(const QString& AProject, const QString& ACommand)>;
    void setHasCommand(THasCommand AHasCommand) { FHasCommand = std::move(AHasCommand); }
    // How the board runs its own reads ("php artisan dev:list --json"); RunTool by default.
    void setToolRunner(TToolRunner ARunner) { FToolRunner = std::move(ARunner); }
    // The project's commands are known now: a framework with dev:list gets its processes read.
    void CommandsKnown(const QString& AProject);

    // The board's own output views keep at most this many characters per service.
    static constexpr qsizetype kOutputCapacity = qsizetype(2) * 1024 * 1024;

signals:
    // A service ended on its last attempt ("project: name").
    void serviceGaveUp(const QString& AService);

protected:
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

private:
    struct TEntry {
        TServiceRun* Run = nullptr;
        TConsoleEdit* Output = nullptr;
        QTreeWidgetItem* Item = nullptr;
    };

    void FindServices();
    void StartSelected();
    void EditSettings();
    void AutostartToggled(bool AOn);
    // Drops the project's services that do not run, so that they are found anew.
    void ForgetIdle(const QString& AProject);
    TEntry* Selected() const;
    void Refresh();
    void RefreshItem(TEntry& AEntry);
    void SelectionChanged();
    QString EntryKey(const QString& AProject, const QString& AKey) const { return AProject + u'\n' + AKey; }

    // Reads the project's dev:list once per board, where its framework has the command.
    void ReadDevList();

    IDesktop& FDesktop;
    THasCommand FHasCommand;
    TToolRunner FToolRunner = RunTool;
    TBackgroundJobs* FJobs;
    // What dev:list printed per project, or why it could not be read.
    QHash<QString, std::string> FDevLists;
    QHash<QString, QString> FDevListProblems;
    QSet<QString> FDevListAsked;
    TServiceSettingsStore FSettingsStore;
    QSet<QString> FAutostarted;  // projects whose services have had their start
    QString FProject;
    TProjectTools FTools;
    QHash<QString, TEntry> FEntries;  // by project and key
    QStringList FOrder;               // the keys of FEntries in the order they were found
    QLabel* FlblProject;
    QTreeWidget* FtrvServices;
    QTreeWidgetItem* FThisProject;
    QTreeWidgetItem* FOtherProjects;
    QLabel* FlblProblems;
    QPushButton* FbtnStart;
    QPushButton* FbtnStop;
    QPushButton* FbtnRestart;
    QPushButton* FbtnOpen;
    QPushButton* FbtnStartAll;
    QPushButton* FbtnStopAll;
    QPushButton* FbtnSettings;
    QCheckBox* FchkAutostart;
    QLabel* FlblRunLine;
    QStackedWidget* FstkOutput;
    QTimer FTick;  // counts down restarts on the board
};
